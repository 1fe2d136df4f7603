#include "KTSqliteDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <utility>

KTSqliteStatement::KTSqliteStatement(KTSqliteDatabase *database, sqlite3_stmt *statement)
    : m_database(database), m_statement(statement)
{
}

KTSqliteStatement::~KTSqliteStatement()
{
    sqlite3_finalize(m_statement);
}

KTSqliteStatement::KTSqliteStatement(KTSqliteStatement &&other) noexcept
    : m_database(std::exchange(other.m_database, nullptr)), m_statement(std::exchange(other.m_statement, nullptr))
{
}

KTSqliteStatement &KTSqliteStatement::operator=(KTSqliteStatement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_database = std::exchange(other.m_database, nullptr);
        m_statement = std::exchange(other.m_statement, nullptr);
    }
    return *this;
}

bool KTSqliteStatement::bind(int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return bindNull(index);
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        return bindInt64(index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return bindDouble(index, value.toDouble());
    case QMetaType::QByteArray:
        return bindBlob(index, value.toByteArray());
    default:
        return bindText(index, value.toString());
    }
}

bool KTSqliteStatement::bindNull(int index)
{
    return sqlite3_bind_null(m_statement, index) == SQLITE_OK;
}

bool KTSqliteStatement::bindInt64(int index, qint64 value)
{
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

bool KTSqliteStatement::bindDouble(int index, double value)
{
    return sqlite3_bind_double(m_statement, index, value) == SQLITE_OK;
}

bool KTSqliteStatement::bindText(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return sqlite3_bind_text64(m_statement, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                               SQLITE_UTF8) == SQLITE_OK;
}

bool KTSqliteStatement::bindBlob(int index, const QByteArray &value)
{
    // An empty QByteArray may have a null data pointer, which SQLite would store as NULL.
    static const char kEmpty = 0;
    const char *data = value.isEmpty() ? &kEmpty : value.constData();
    return sqlite3_bind_blob64(m_statement, index, data, sqlite3_uint64(value.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

KTSqliteStatement::Step KTSqliteStatement::step()
{
    if (!m_statement)
        return Step::Error;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return Step::Row;
    if (code == SQLITE_DONE)
        return Step::Done;
    m_database->recordError(code);
    return Step::Error;
}

void KTSqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int KTSqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

bool KTSqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 KTSqliteStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double KTSqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString KTSqliteStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!text)
        return {};
    return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
}

QByteArray KTSqliteStatement::columnBlob(int column) const
{
    const void *blob = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return blob ? QByteArray(static_cast<const char *>(blob), size) : QByteArray();
}

QVariant KTSqliteStatement::columnValue(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return columnInt64(column);
    case SQLITE_FLOAT:
        return columnDouble(column);
    case SQLITE_TEXT:
        return columnText(column);
    case SQLITE_BLOB:
        return columnBlob(column);
    default:
        return {};
    }
}

KTSqliteDatabase::KTSqliteDatabase() = default;

KTSqliteDatabase::~KTSqliteDatabase()
{
    close();
}

bool KTSqliteDatabase::open(const QString &path, Mode mode, int busyTimeoutMs)
{
    close();
    int flags = SQLITE_OPEN_NOMUTEX;
    QByteArray name = QFile::encodeName(path);
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::Query:
        flags |= QFileInfo(path).isWritable() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        break;
    case Mode::Snapshot:
        // Only a URI file name takes the immutable parameter.
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
        break;
    }
    sqlite3 *db = nullptr;
    const int code = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (code != SQLITE_OK) {
        m_lastErrorCode = code;
        m_lastError = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    m_path = path;
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    if (mode == Mode::Query && (flags & SQLITE_OPEN_READWRITE) &&
        !execute(QStringLiteral("PRAGMA query_only = ON"))) {
        const QString error = m_lastError;
        const int errorCode = m_lastErrorCode;
        close();
        m_lastError = error;
        m_lastErrorCode = errorCode;
        return false;
    }
    return true;
}

void KTSqliteDatabase::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path.clear();
}

void KTSqliteDatabase::recordError(int code)
{
    m_lastErrorCode = code;
    m_lastError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
}

KTSqliteStatement KTSqliteDatabase::prepare(const QString &sql)
{
    if (!m_db) {
        m_lastErrorCode = SQLITE_MISUSE;
        m_lastError = QStringLiteral("database is not open");
        return {};
    }
    sqlite3_stmt *statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int code = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &statement, nullptr);
    if (code != SQLITE_OK) {
        recordError(code);
        sqlite3_finalize(statement);
        return {};
    }
    return KTSqliteStatement(this, statement);
}

bool KTSqliteDatabase::execute(const QString &sql)
{
    if (!m_db) {
        m_lastErrorCode = SQLITE_MISUSE;
        m_lastError = QStringLiteral("database is not open");
        return false;
    }
    char *message = nullptr;
    const int code = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        m_lastErrorCode = code;
        m_lastError = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(code));
        sqlite3_free(message);
        return false;
    }
    return true;
}

std::optional<QVariant> KTSqliteDatabase::scalar(const QString &sql)
{
    KTSqliteStatement statement = prepare(sql);
    if (!statement.isValid() || statement.step() != KTSqliteStatement::Step::Row)
        return std::nullopt;
    return statement.columnValue(0);
}

bool KTSqliteDatabase::beginTransaction()
{
    return execute(QStringLiteral("BEGIN IMMEDIATE"));
}

bool KTSqliteDatabase::commit()
{
    return execute(QStringLiteral("COMMIT"));
}

bool KTSqliteDatabase::rollback()
{
    return execute(QStringLiteral("ROLLBACK"));
}

qint64 KTSqliteDatabase::lastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool KTSqliteDatabase::lastErrorIsBusy() const
{
    const int primary = m_lastErrorCode & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

int KTSqliteDatabase::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

KTSqliteTransaction::KTSqliteTransaction(KTSqliteDatabase &database) : m_database(database)
{
    m_active = m_database.beginTransaction();
}

KTSqliteTransaction::~KTSqliteTransaction()
{
    if (m_active)
        m_database.rollback();
}

bool KTSqliteTransaction::commit()
{
    if (!m_active)
        return false;
    if (!m_database.commit())
        return false;
    m_active = false;
    return true;
}
