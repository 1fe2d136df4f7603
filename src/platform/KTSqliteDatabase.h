#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

class KTSqliteDatabase;

/// One prepared statement. Binds are 1-based, columns 0-based, as in SQLite. Move-only; finalised
/// when destroyed.
class KTSqliteStatement
{
public:
    KTSqliteStatement() = default;
    ~KTSqliteStatement();
    KTSqliteStatement(KTSqliteStatement &&other) noexcept;
    KTSqliteStatement &operator=(KTSqliteStatement &&other) noexcept;
    KTSqliteStatement(const KTSqliteStatement &) = delete;
    KTSqliteStatement &operator=(const KTSqliteStatement &) = delete;

    bool isValid() const { return m_statement != nullptr; }

    /// Binds a value: null/invalid, bool, integers, double, QString (UTF-8 text), QByteArray (blob).
    bool bind(int index, const QVariant &value);
    bool bindNull(int index);
    bool bindInt64(int index, qint64 value);
    bool bindDouble(int index, double value);
    bool bindText(int index, const QString &value);
    bool bindBlob(int index, const QByteArray &value);

    enum class Step { Row, Done, Error };
    /// Advances; an error is recorded on the database (see KTSqliteDatabase::lastError).
    Step step();
    /// Resets the statement and clears its bindings, ready to run again.
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    QString columnText(int column) const;
    QByteArray columnBlob(int column) const;
    /// The column as integer, double, text or blob, or an invalid QVariant for NULL.
    QVariant columnValue(int column) const;

private:
    friend class KTSqliteDatabase;
    KTSqliteStatement(KTSqliteDatabase *database, sqlite3_stmt *statement);

    KTSqliteDatabase *m_database = nullptr;
    sqlite3_stmt *m_statement = nullptr;
};

/// A connection to one SQLite database file, through SQLite's C API.
///
/// Threading: a connection is used by one thread at a time (the owner serialises its use, for
/// instance on a serial queue). Failures never throw: they return false / an invalid statement
/// and leave the message in lastError().
class KTSqliteDatabase
{
public:
    enum class Mode
    {
        ReadOnly,
        ReadWrite,
        ReadWriteCreate,
        /// Reads only (statements that write fail), yet opened for writing when the file allows
        /// it: as the last connection of a database in WAL mode it then removes the database's
        /// -wal and -shm files when it closes, where a read-only connection leaves them behind. A
        /// file that cannot be written is opened read-only.
        Query,
        /// Reads the file as it stands on disk, taking no locks and making no -wal, -shm or
        /// journal files: for a database that another program holds locked. What that program
        /// has not written to the file yet is not seen.
        Snapshot,
    };

    KTSqliteDatabase();
    ~KTSqliteDatabase();
    KTSqliteDatabase(const KTSqliteDatabase &) = delete;
    KTSqliteDatabase &operator=(const KTSqliteDatabase &) = delete;

    /// Opens the file at `path`; closes any connection already open. A busy database is retried
    /// for `busyTimeoutMs` before a statement fails with SQLITE_BUSY.
    bool open(const QString &path, Mode mode, int busyTimeoutMs = 5000);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString &path() const { return m_path; }

    /// Prepares one statement; invalid on failure.
    KTSqliteStatement prepare(const QString &sql);
    /// Runs statements without results (several may be separated by semicolons).
    bool execute(const QString &sql);
    /// Runs a query and returns the first column of its first row; nothing when there is no row
    /// or the query fails (check lastError() to tell the two apart).
    std::optional<QVariant> scalar(const QString &sql);

    bool beginTransaction();
    bool commit();
    bool rollback();

    qint64 lastInsertRowId() const;
    int changes() const;
    QString lastError() const { return m_lastError; }
    int lastErrorCode() const { return m_lastErrorCode; }
    /// True when the last error was another connection's lock (SQLITE_BUSY or SQLITE_LOCKED).
    bool lastErrorIsBusy() const;

private:
    friend class KTSqliteStatement;
    void recordError(int code);

    sqlite3 *m_db = nullptr;
    QString m_path;
    QString m_lastError;
    int m_lastErrorCode = 0;
};

/// Rolls a transaction back unless commit() was called and succeeded.
class KTSqliteTransaction
{
public:
    explicit KTSqliteTransaction(KTSqliteDatabase &database);
    ~KTSqliteTransaction();
    KTSqliteTransaction(const KTSqliteTransaction &) = delete;
    KTSqliteTransaction &operator=(const KTSqliteTransaction &) = delete;

    bool isActive() const { return m_active; }
    bool commit();

private:
    KTSqliteDatabase &m_database;
    bool m_active = false;
};
