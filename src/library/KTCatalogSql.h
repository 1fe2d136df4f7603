#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class KTSqliteDatabase;
class KTSqliteStatement;

/// Helpers shared by the external catalogue statements: bound statements, identifier lists bound
/// one placeholder per value in chunks below SQLite's variable limit, and schema probes.
///
/// No value ever becomes SQL text: a statement's text holds only placeholders.
///
/// Threading: stateless; the database passed in belongs to the caller's thread.
class KTCatalogSql
{
public:
    /// Identifiers bound per statement; well under SQLite's default limit of 32766 variables and
    /// the 999 of older builds.
    static constexpr int kMaxIdsPerStatement = 500;

    /// Visits one row of a query; return false to stop early.
    using RowHandler = std::function<bool(const KTSqliteStatement &row)>;

    /// "(?,?,?)" with `count` placeholders.
    static QString placeholders(int count);
    /// `ids` cut into consecutive pieces of at most kMaxIdsPerStatement.
    static std::vector<QStringList> chunks(const QStringList &ids);

    /// Runs a statement without rows. False on any failure (message in database.lastError()).
    static bool run(KTSqliteDatabase &database, const QString &sql, const QVariantList &values = {});
    /// Runs a query and hands each row to `handler`. False on any failure.
    static bool query(KTSqliteDatabase &database, const QString &sql, const QVariantList &values,
                      const RowHandler &handler);

    /// Runs `sql` once per chunk of `ids`. `sql` holds "%1" where the chunk's placeholders go;
    /// `before` and `after` are bound before and after the chunk's identifiers.
    static bool runForIds(KTSqliteDatabase &database, const QString &sql, const QStringList &ids,
                          const QVariantList &before = {}, const QVariantList &after = {});
    static bool queryForIds(KTSqliteDatabase &database, const QString &sql, const QStringList &ids,
                            const QVariantList &before, const QVariantList &after, const RowHandler &handler);

    /// Opens an external catalogue to read it and checks that it can be read. A catalogue that
    /// another program holds locked is read as its file stands rather than refused, and no -wal
    /// or -shm file of ours stays beside the catalogue once `database` closes. False with the
    /// reason in database.lastError() when the file cannot be opened or read.
    static bool openForReading(KTSqliteDatabase &database, const QString &path);

    /// A table and the columns that statements use from it (none: the table must only exist).
    using TableColumns = std::pair<QString, QStringList>;
    /// Probes each table with PRAGMA table_info. Empty when all is there; otherwise a message naming
    /// the catalogue, and the first missing table or column, or the error that stopped the probe
    /// (a corrupt file fails here).
    static QString missingSchema(KTSqliteDatabase &database, const QList<TableColumns> &tables);
};
