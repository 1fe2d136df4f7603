#include "KTCatalogSql.h"

#include "KTSqliteDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

QString KTCatalogSql::placeholders(int count)
{
    QString text = QStringLiteral("(");
    for (int i = 0; i < count; ++i)
        text += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    return text + QLatin1Char(')');
}

std::vector<QStringList> KTCatalogSql::chunks(const QStringList &ids)
{
    std::vector<QStringList> pieces;
    for (qsizetype start = 0; start < ids.size(); start += kMaxIdsPerStatement)
        pieces.push_back(ids.mid(start, kMaxIdsPerStatement));
    return pieces;
}

namespace {

bool bindAll(KTSqliteStatement &statement, const QVariantList &values)
{
    int index = 1;
    for (const QVariant &value : values) {
        if (!statement.bind(index++, value))
            return false;
    }
    return true;
}

QVariantList boundValues(const QVariantList &before, const QStringList &ids, const QVariantList &after)
{
    QVariantList values = before;
    for (const QString &id : ids)
        values.append(id);
    values.append(after);
    return values;
}

} // namespace

bool KTCatalogSql::run(KTSqliteDatabase &database, const QString &sql, const QVariantList &values)
{
    KTSqliteStatement statement = database.prepare(sql);
    if (!statement.isValid() || !bindAll(statement, values))
        return false;
    return statement.step() == KTSqliteStatement::Step::Done;
}

bool KTCatalogSql::query(KTSqliteDatabase &database, const QString &sql, const QVariantList &values,
                         const RowHandler &handler)
{
    KTSqliteStatement statement = database.prepare(sql);
    if (!statement.isValid() || !bindAll(statement, values))
        return false;
    for (;;) {
        switch (statement.step()) {
        case KTSqliteStatement::Step::Row:
            if (!handler(statement))
                return true;
            break;
        case KTSqliteStatement::Step::Done:
            return true;
        case KTSqliteStatement::Step::Error:
            return false;
        }
    }
}

bool KTCatalogSql::runForIds(KTSqliteDatabase &database, const QString &sql, const QStringList &ids,
                             const QVariantList &before, const QVariantList &after)
{
    for (const QStringList &chunk : chunks(ids)) {
        if (!run(database, sql.arg(placeholders(int(chunk.size()))), boundValues(before, chunk, after)))
            return false;
    }
    return true;
}

bool KTCatalogSql::queryForIds(KTSqliteDatabase &database, const QString &sql, const QStringList &ids,
                               const QVariantList &before, const QVariantList &after,
                               const RowHandler &handler)
{
    for (const QStringList &chunk : chunks(ids)) {
        if (!query(database, sql.arg(placeholders(int(chunk.size()))), boundValues(before, chunk, after),
                   handler))
            return false;
    }
    return true;
}

bool KTCatalogSql::openForReading(KTSqliteDatabase &database, const QString &path)
{
    // A lock is met at once rather than waited for: the file is then read as it stands.
    constexpr int kBusyTimeoutMs = 100;
    if (!database.open(path, KTSqliteDatabase::Mode::Query, kBusyTimeoutMs))
        return false;
    if (database.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return true;
    if (!database.lastErrorIsBusy())
        return false;
    return database.open(path, KTSqliteDatabase::Mode::Snapshot, kBusyTimeoutMs) &&
           database.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).has_value();
}

QString KTCatalogSql::missingSchema(KTSqliteDatabase &database, const QList<TableColumns> &tables)
{
    const QString catalogue = QFileInfo(database.path()).fileName();
    for (const TableColumns &table : tables) {
        QSet<QString> columns;
        const bool ok = query(database, QStringLiteral("SELECT name FROM pragma_table_info(?)"),
                              {table.first}, [&columns](const KTSqliteStatement &row) {
                                  columns.insert(row.columnText(0).toLower());
                                  return true;
                              });
        if (!ok) {
            return QCoreApplication::translate("KTCatalogSql", "The catalog %1 cannot be read: %2")
                .arg(catalogue, database.lastError());
        }
        if (columns.isEmpty()) {
            return QCoreApplication::translate("KTCatalogSql", "The catalog %1 has no table %2.")
                .arg(catalogue, table.first);
        }
        for (const QString &column : table.second) {
            if (!columns.contains(column.toLower())) {
                return QCoreApplication::translate("KTCatalogSql",
                                                   "The catalog %1 has no column %2 in table %3.")
                    .arg(catalogue, column, table.first);
            }
        }
    }
    return {};
}
