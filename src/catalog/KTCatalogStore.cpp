#include "KTCatalogStore.h"

#include "KTObjectModel.h"
#include "KTRowNumbering.h"
#include "KTSqliteDatabase.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const QString kPrimaryKeyColumn = QStringLiteral("Z_PK");

// Codes of the store's own failures, below SQLite's result codes' range of meaning.
constexpr int kNewerSchemaError = -1;
constexpr int kInjectedWriteError = -2;
constexpr int kRenameError = -3;

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

bool isStoredColumn(const KTPropertyDescription &property)
{
    return (property.isAttribute() && !property.isTransient()) || property.isToOne();
}

QString columnType(const KTPropertyDescription &property)
{
    if (property.isToOne())
        return QStringLiteral("INTEGER");
    switch (property.type) {
    case KTAttributeType::String:
        return QStringLiteral("TEXT");
    case KTAttributeType::Data:
        return QStringLiteral("BLOB");
    case KTAttributeType::Double:
        return QStringLiteral("REAL");
    case KTAttributeType::Date:
    case KTAttributeType::Boolean:
    case KTAttributeType::Integer64:
    case KTAttributeType::UnsignedInteger64:
        return QStringLiteral("INTEGER");
    }
    return QStringLiteral("BLOB");
}

bool bindValue(KTSqliteStatement &statement, int index, const KTPropertyDescription &property,
               const QVariant &value)
{
    if (!value.isValid())
        return statement.bindNull(index);
    if (property.isToOne()) {
        const KTObjectID id = value.value<KTObjectID>();
        return id.isNull() ? statement.bindNull(index) : statement.bindInt64(index, id.row);
    }
    switch (property.type) {
    case KTAttributeType::String:
        return statement.bindText(index, value.toString());
    case KTAttributeType::Date: {
        const QDateTime date = value.toDateTime();
        return date.isValid() ? statement.bindInt64(index, date.toMSecsSinceEpoch())
                              : statement.bindNull(index);
    }
    case KTAttributeType::Data:
        return statement.bindBlob(index, value.toByteArray());
    case KTAttributeType::Boolean:
        return statement.bindInt64(index, value.toBool() ? 1 : 0);
    case KTAttributeType::Integer64:
        return statement.bindInt64(index, value.toLongLong());
    case KTAttributeType::UnsignedInteger64:
        // Kept as the same 64 bits; read back as unsigned.
        return statement.bindInt64(index, qint64(value.toULongLong()));
    case KTAttributeType::Double:
        return statement.bindDouble(index, value.toDouble());
    }
    return statement.bindNull(index);
}

QVariant readValue(const KTSqliteStatement &statement, int column, const KTPropertyDescription &property)
{
    if (statement.isNull(column))
        return {};
    if (property.isToOne())
        return QVariant::fromValue(KTObjectID{property.destination, statement.columnInt64(column)});
    switch (property.type) {
    case KTAttributeType::String: {
        // An empty text is a value, not nil.
        const QString text = statement.columnText(column);
        return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
    }
    case KTAttributeType::Date:
        return QDateTime::fromMSecsSinceEpoch(statement.columnInt64(column), Qt::UTC);
    case KTAttributeType::Data: {
        const QByteArray data = statement.columnBlob(column);
        return data.isNull() ? QVariant(QByteArray("")) : QVariant(data);
    }
    case KTAttributeType::Boolean:
        return statement.columnInt64(column) != 0;
    case KTAttributeType::Integer64:
        return statement.columnInt64(column);
    case KTAttributeType::UnsignedInteger64:
        return quint64(statement.columnInt64(column));
    case KTAttributeType::Double:
        return statement.columnDouble(column);
    }
    return {};
}

void removeDatabaseFiles(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

} // namespace

/// Statements of a read-write connection, prepared on first use.
struct KTCatalogStore::Statements
{
    std::map<int, KTSqliteStatement> insert;                 // per entity
    std::map<int, KTSqliteStatement> remove;                 // per entity
    std::map<std::pair<int, int>, KTSqliteStatement> update; // per entity and property
};

KTCatalogStore::KTCatalogStore(std::shared_ptr<const KTObjectModel> model)
    : m_model(std::move(model)), m_db(std::make_unique<KTSqliteDatabase>())
{}

KTCatalogStore::~KTCatalogStore()
{
    close();
}

bool KTCatalogStore::isOpen() const
{
    return m_db->isOpen();
}

void KTCatalogStore::close()
{
    // Statements first: a connection closes only when its statements are finalised.
    m_statements.reset();
    m_db->close();
    m_path.clear();
    m_presentTables.clear();
    m_presentColumns.clear();
}

KTError KTCatalogStore::databaseError(const QString &what) const
{
    return KTError{kCatalogStoreErrorDomain,
                   m_db->lastErrorCode(),
                   QStringLiteral("%1 (%2): %3").arg(what, m_path, m_db->lastError()),
                   {}};
}

bool KTCatalogStore::open(const QString &path, Access access, KTError *error)
{
    close();
    const auto mode = access == Access::ReadOnly ? KTSqliteDatabase::Mode::ReadOnly
                                                 : KTSqliteDatabase::Mode::ReadWriteCreate;
    m_path = path;
    if (!m_db->open(path, mode)) {
        if (error)
            *error = databaseError(QStringLiteral("Could not open the store"));
        close();
        return false;
    }
    if (!prepareSchema(access, error)) {
        close();
        return false;
    }
    m_statements = std::make_unique<Statements>();
    return true;
}

bool KTCatalogStore::prepareSchema(Access access, KTError *error)
{
    // The first read is where SQLite finds out that a file is not a database.
    const std::optional<QVariant> version = m_db->scalar(QStringLiteral("PRAGMA user_version"));
    if (!version) {
        if (error)
            *error = databaseError(QStringLiteral("The store could not be read"));
        return false;
    }
    if (version->toInt() > kSchemaVersion) {
        if (error)
            *error = KTError{kCatalogStoreErrorDomain,
                             kNewerSchemaError,
                             QStringLiteral("The store %1 was written by a newer version (schema %2).")
                                 .arg(m_path)
                                 .arg(version->toInt()),
                             {}};
        return false;
    }

    const int entityCount = m_model->entityCount();
    m_presentColumns.assign(std::size_t(entityCount), {});
    std::vector<QSet<QString>> existing(static_cast<std::size_t>(entityCount));
    for (int e = 0; e < entityCount; ++e) {
        KTSqliteStatement info =
            m_db->prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(m_model->entity(e).name())));
        if (!info.isValid()) {
            if (error)
                *error = databaseError(QStringLiteral("The store could not be read"));
            return false;
        }
        while (info.step() == KTSqliteStatement::Step::Row)
            existing[std::size_t(e)].insert(info.columnText(1));
    }

    bool upToDate = version->toInt() == kSchemaVersion;
    for (int e = 0; upToDate && e < entityCount; ++e)
        for (const KTPropertyDescription &property : m_model->entity(e).properties())
            upToDate =
                upToDate && (!isStoredColumn(property) || existing[std::size_t(e)].contains(property.name));

    if (access == Access::ReadWrite) {
        if (!m_db->scalar(QStringLiteral("PRAGMA journal_mode=WAL"))) {
            if (error)
                *error = databaseError(QStringLiteral("The store could not be set up"));
            return false;
        }
    }
    if (access == Access::ReadWrite && !upToDate) {
        KTSqliteTransaction transaction(*m_db);
        bool ok = transaction.isActive();
        for (int e = 0; ok && e < entityCount; ++e) {
            const KTEntityDescription &entity = m_model->entity(e);
            const QSet<QString> &columns = existing[std::size_t(e)];
            if (columns.isEmpty()) {
                QStringList definitions{quoted(kPrimaryKeyColumn) + QStringLiteral(" INTEGER PRIMARY KEY")};
                for (const KTPropertyDescription &property : entity.properties())
                    if (isStoredColumn(property))
                        definitions.append(quoted(property.name) + QLatin1Char(' ') + columnType(property));
                ok = m_db->execute(QStringLiteral("CREATE TABLE %1 (%2)")
                                       .arg(quoted(entity.name()), definitions.join(QStringLiteral(", "))));
                continue;
            }
            // Additive migration: columns of properties added since the file was written.
            for (const KTPropertyDescription &property : entity.properties()) {
                if (ok && isStoredColumn(property) && !columns.contains(property.name))
                    ok = m_db->execute(
                        QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                            .arg(quoted(entity.name()), quoted(property.name), columnType(property)));
            }
        }
        if (ok)
            ok = m_db->execute(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        if (!ok || !transaction.commit()) {
            if (error)
                *error = databaseError(QStringLiteral("The store could not be set up"));
            return false;
        }
    }

    m_presentTables.assign(std::size_t(entityCount), false);
    for (int e = 0; e < entityCount; ++e) {
        m_presentTables[std::size_t(e)] = access == Access::ReadWrite || !existing[std::size_t(e)].isEmpty();
        const KTEntityDescription &entity = m_model->entity(e);
        std::vector<bool> &present = m_presentColumns[std::size_t(e)];
        present.assign(entity.properties().size(), false);
        for (const KTPropertyDescription &property : entity.properties())
            present[std::size_t(property.index)] =
                isStoredColumn(property) &&
                (access == Access::ReadWrite || existing[std::size_t(e)].contains(property.name));
    }
    return true;
}

bool KTCatalogStore::readAllRecords(std::vector<KTRecordValues> *records, KTError *error)
{
    records->clear();
    // Records whose key the store never gives (below 1), by entity, kept for a new key.
    std::vector<std::vector<KTRecordValues>> damaged(std::size_t(m_model->entityCount()));
    for (int e = 0; e < m_model->entityCount(); ++e) {
        const KTEntityDescription &entity = m_model->entity(e);
        std::vector<const KTPropertyDescription *> columns;
        QStringList names{quoted(kPrimaryKeyColumn)};
        for (const KTPropertyDescription &property : entity.properties()) {
            if (m_presentColumns[std::size_t(e)][std::size_t(property.index)]) {
                columns.push_back(&property);
                names.append(quoted(property.name));
            }
        }
        if (!m_presentTables[std::size_t(e)])
            continue; // a table the file does not have (an older schema) holds no records
        KTSqliteStatement select = m_db->prepare(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                .arg(names.join(QStringLiteral(", ")), quoted(entity.name()), quoted(kPrimaryKeyColumn)));
        if (!select.isValid()) {
            if (error)
                *error = databaseError(QStringLiteral("The store could not be read"));
            return false;
        }
        KTSqliteStatement::Step step;
        while ((step = select.step()) == KTSqliteStatement::Step::Row) {
            const qint64 row = select.columnInt64(0);
            KTRecordValues record{KTObjectID{e, row}, {}};
            record.values.reserve(columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c) {
                QVariant value = readValue(select, int(c) + 1, *columns[c]);
                if (value.isValid())
                    record.values.push_back({columns[c]->index, std::move(value)});
            }
            (row < 1 ? damaged[std::size_t(e)] : *records).push_back(std::move(record));
        }
        if (step == KTSqliteStatement::Step::Error) {
            if (error)
                *error = databaseError(QStringLiteral("The store could not be read"));
            return false;
        }
    }
    rekeyDamagedRecords(std::move(damaged), records);
    return true;
}

void KTCatalogStore::rekeyDamagedRecords(std::vector<std::vector<KTRecordValues>> damaged,
                                         std::vector<KTRecordValues> *records)
{
    KTChangeSet rekeying;
    std::map<KTObjectID, KTObjectID> newKeys;
    for (std::size_t e = 0; e < damaged.size(); ++e) {
        if (damaged[e].empty())
            continue;
        // The records come in key order, entity by entity.
        std::vector<qint64> rows;
        for (const KTRecordValues &record : *records)
            if (record.objectID.entity == int(e))
                rows.push_back(record.objectID.row);
        KTRowNumbering numbering;
        numbering.restart(rows);
        for (KTRecordValues &record : damaged[e]) {
            const KTObjectID old = record.objectID;
            const std::optional<qint64> row = numbering.next();
            if (!row) {
                qWarning().noquote() << QStringLiteral("Warning: the %1 record with the damaged id %2 in %3 "
                                                       "was not loaded: no id is free.")
                                            .arg(m_model->entity(int(e)).name())
                                            .arg(old.row)
                                            .arg(m_path);
                continue;
            }
            qWarning().noquote() << QStringLiteral("Warning: the %1 record with the damaged id %2 in %3 "
                                                   "takes the id %4.")
                                        .arg(m_model->entity(int(e)).name())
                                        .arg(old.row)
                                        .arg(m_path)
                                        .arg(*row);
            record.objectID.row = *row;
            newKeys.emplace(old, record.objectID);
            rekeying.deleted.push_back(old);
            rekeying.inserted.push_back(record);
            records->push_back(std::move(record));
        }
    }
    if (newKeys.empty())
        return;
    // Links to a record with a new key follow it.
    for (KTRecordValues &record : *records) {
        const KTEntityDescription &entity = m_model->entity(record.objectID.entity);
        KTRecordValues links{record.objectID, {}};
        for (KTPropertyValue &value : record.values) {
            if (!entity.property(value.property).isToOne())
                continue;
            const auto found = newKeys.find(value.value.value<KTObjectID>());
            if (found == newKeys.end())
                continue;
            value.value = QVariant::fromValue(found->second);
            links.values.push_back(value);
        }
        if (links.values.empty())
            continue;
        const auto inserted =
            std::find_if(rekeying.inserted.begin(), rekeying.inserted.end(),
                         [&](const KTRecordValues &r) { return r.objectID == record.objectID; });
        if (inserted != rekeying.inserted.end())
            inserted->values = record.values;
        else
            rekeying.updated.push_back(std::move(links));
    }
    // The file takes the new keys with the next write.
    addChanges(rekeying);
}

void KTCatalogStore::addChanges(const KTChangeSet &changes)
{
    using State = PendingRecord::State;
    for (const KTRecordValues &record : changes.inserted) {
        const auto [it, added] = m_pending.try_emplace(record.objectID);
        PendingRecord &pending = it->second;
        // A record deleted and brought back (undo) before a write is in the file.
        pending.mayBeInFile = !added && (pending.state != State::Inserted || pending.mayBeInFile);
        pending.state = State::Inserted;
        pending.values.clear();
        for (const KTPropertyValue &value : record.values)
            pending.values[value.property] = value.value;
    }
    for (const KTRecordValues &record : changes.updated) {
        auto it = m_pending.find(record.objectID);
        if (it != m_pending.end() && it->second.state == State::Deleted)
            continue;
        PendingRecord &pending = it != m_pending.end() ? it->second : m_pending[record.objectID];
        for (const KTPropertyValue &value : record.values)
            pending.values[value.property] = value.value;
    }
    for (const KTObjectID &id : changes.deleted) {
        auto it = m_pending.find(id);
        if (it != m_pending.end() && it->second.state == State::Inserted && !it->second.mayBeInFile) {
            // Never written: there is nothing to delete.
            m_pending.erase(it);
            continue;
        }
        PendingRecord &pending = m_pending[id];
        pending.state = State::Deleted;
        pending.mayBeInFile = false;
        pending.values.clear();
    }
}

bool KTCatalogStore::save(const KTChangeSet &changes, KTError *error)
{
    addChanges(changes);
    return writePendingChanges(error);
}

bool KTCatalogStore::writePendingChanges(KTError *error)
{
    if (m_pending.empty())
        return true;
    if (!isOpen()) {
        if (error)
            *error = KTError{kCatalogStoreErrorDomain, 0, QStringLiteral("The store is not open."), {}};
        return false;
    }
    if (!writeTransaction(error))
        return false;
    m_pending.clear();
    return true;
}

bool KTCatalogStore::writeTransaction(KTError *error)
{
    KTSqliteTransaction transaction(*m_db);
    if (!transaction.isActive()) {
        if (error)
            *error = databaseError(QStringLiteral("The store could not be written"));
        return false;
    }
    auto fail = [&](const KTError &failure) {
        if (error)
            *error = failure;
        return false; // the transaction rolls back as it goes out of scope
    };
    auto run = [&](KTSqliteStatement &statement) {
        const bool done = statement.step() == KTSqliteStatement::Step::Done;
        statement.reset();
        return done;
    };

    qsizetype written = 0;
    for (const auto &[id, pending] : m_pending) {
        if (m_writeHook && !m_writeHook(written))
            return fail(KTError{kCatalogStoreErrorDomain,
                                kInjectedWriteError,
                                QStringLiteral("The store %1 could not be written.").arg(m_path),
                                {}});
        const KTEntityDescription &entity = m_model->entity(id.entity);
        const QString table = quoted(entity.name());
        switch (pending.state) {
        case PendingRecord::State::Inserted: {
            KTSqliteStatement &insert = m_statements->insert[id.entity];
            if (!insert.isValid()) {
                QStringList names{quoted(kPrimaryKeyColumn)};
                QStringList marks{QStringLiteral("?")};
                for (const KTPropertyDescription &property : entity.properties()) {
                    if (isStoredColumn(property)) {
                        names.append(quoted(property.name));
                        marks.append(QStringLiteral("?"));
                    }
                }
                insert = m_db->prepare(
                    QStringLiteral("INSERT OR REPLACE INTO %1 (%2) VALUES (%3)")
                        .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
            }
            if (!insert.isValid())
                return fail(databaseError(QStringLiteral("The store could not be written")));
            insert.bindInt64(1, id.row);
            int index = 2;
            for (const KTPropertyDescription &property : entity.properties()) {
                if (!isStoredColumn(property))
                    continue;
                const auto value = pending.values.find(property.index);
                bindValue(insert, index++, property,
                          value == pending.values.end() ? QVariant() : value->second);
            }
            if (!run(insert))
                return fail(databaseError(QStringLiteral("The store could not be written")));
            break;
        }
        case PendingRecord::State::Updated:
            for (const auto &[propertyIndex, value] : pending.values) {
                const KTPropertyDescription &property = entity.property(propertyIndex);
                if (!isStoredColumn(property))
                    continue;
                KTSqliteStatement &update = m_statements->update[{id.entity, propertyIndex}];
                if (!update.isValid())
                    update = m_db->prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
                                               .arg(table, quoted(property.name), quoted(kPrimaryKeyColumn)));
                if (!update.isValid())
                    return fail(databaseError(QStringLiteral("The store could not be written")));
                bindValue(update, 1, property, value);
                update.bindInt64(2, id.row);
                if (!run(update))
                    return fail(databaseError(QStringLiteral("The store could not be written")));
            }
            break;
        case PendingRecord::State::Deleted: {
            KTSqliteStatement &remove = m_statements->remove[id.entity];
            if (!remove.isValid())
                remove = m_db->prepare(
                    QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, quoted(kPrimaryKeyColumn)));
            if (!remove.isValid())
                return fail(databaseError(QStringLiteral("The store could not be written")));
            remove.bindInt64(1, id.row);
            if (!run(remove))
                return fail(databaseError(QStringLiteral("The store could not be written")));
            break;
        }
        }
        ++written;
    }
    if (!transaction.commit())
        return fail(databaseError(QStringLiteral("The store could not be written")));
    return true;
}

bool KTCatalogStore::migrateStore(const QString &legacyPath, const QString &path,
                                  std::shared_ptr<const KTObjectModel> model, KTError *error)
{
    std::vector<KTRecordValues> records;
    {
        KTCatalogStore legacy(model);
        if (!legacy.open(legacyPath, Access::ReadOnly, error) || !legacy.readAllRecords(&records, error))
            return false;
    }

    const QString temporaryPath = path + QStringLiteral(".migrating");
    removeDatabaseFiles(temporaryPath);
    {
        KTCatalogStore target(model);
        KTChangeSet changes;
        changes.inserted = std::move(records);
        if (!target.open(temporaryPath, Access::ReadWrite, error) || !target.save(changes, error)) {
            target.close();
            removeDatabaseFiles(temporaryPath);
            return false;
        }
        // Leave WAL mode so that the temporary file alone holds everything before it is renamed;
        // the next read-write open switches back.
        if (!target.m_db->scalar(QStringLiteral("PRAGMA journal_mode=DELETE"))) {
            if (error)
                *error = target.databaseError(QStringLiteral("The migrated store could not be finished"));
            target.close();
            removeDatabaseFiles(temporaryPath);
            return false;
        }
    }

    // A journal left by an earlier store at `path` must not be applied to the migrated file.
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    std::error_code code;
    std::filesystem::rename(QFile::encodeName(temporaryPath).toStdString(),
                            QFile::encodeName(path).toStdString(), code);
    if (code) {
        if (error)
            *error = KTError{kCatalogStoreErrorDomain,
                             kRenameError,
                             QStringLiteral("The migrated store could not be moved to %1: %2")
                                 .arg(path, QString::fromStdString(code.message())),
                             {}};
        removeDatabaseFiles(temporaryPath);
        return false;
    }
    return true;
}
