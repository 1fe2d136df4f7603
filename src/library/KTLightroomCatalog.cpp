#include "KTLightroomCatalog.h"

#include "KTExternalCatalogTypes.h"
#include "KTSqliteDatabase.h"

#include <QCoreApplication>
#include <QSet>

#include <utility>

namespace {

const QString kCounterName = QStringLiteral("Adobe_entityIDCounter");
constexpr double kPickFlagged = 1.0;
constexpr double kPickRejected = -1.0;

} // namespace

KTLightroomCatalog::KTLightroomCatalog(KTSqliteDatabase &database, CollectionNames names)
    : m_database(database), m_names(std::move(names))
{}

QList<KTCatalogSql::TableColumns> KTLightroomCatalog::requiredSchema()
{
    return {
        {QStringLiteral("Adobe_images"),
         {QStringLiteral("id_local"), QStringLiteral("pick"), QStringLiteral("touchTime")}},
        {QStringLiteral("AgLibraryCollection"),
         {QStringLiteral("id_local"), QStringLiteral("creationId"), QStringLiteral("name"),
          QStringLiteral("parent"), QStringLiteral("systemOnly"), QStringLiteral("genealogy")}},
        {QStringLiteral("AgLibraryCollectionImage"),
         {QStringLiteral("collection"), QStringLiteral("image"), QStringLiteral("pick"),
          QStringLiteral("positionInCollection")}},
        {QStringLiteral("Adobe_variablesTable"),
         {QStringLiteral("name"), QStringLiteral("value"), QStringLiteral("id_local")}},
    };
}

bool KTLightroomCatalog::sqlFailed()
{
    m_errorMessage = m_database.lastError();
    m_failedBusy = m_database.lastErrorIsBusy();
    return false;
}

bool KTLightroomCatalog::refuse(const QString &message)
{
    m_errorMessage = message;
    m_failedBusy = false;
    return false;
}

bool KTLightroomCatalog::renameSelectedAndRejectedCollections()
{
    const QString sql = QStringLiteral("UPDATE AgLibraryCollection SET name = ? WHERE name = ?");
    if (!KTCatalogSql::run(m_database, sql, {m_names.selected, m_names.selectedForPreviousVersion}))
        return sqlFailed();
    if (!KTCatalogSql::run(m_database, sql, {m_names.rejected, m_names.rejectedForPreviousVersion}))
        return sqlFailed();
    return true;
}

std::optional<QString> KTLightroomCatalog::lightroomCollectionIDForName(const QString &name,
                                                                        bool createIfNeeded)
{
    QString collectionID;
    // The last row wins when several collections share the name.
    const bool ok = KTCatalogSql::query(
        m_database, QStringLiteral("SELECT id_local, genealogy FROM AgLibraryCollection WHERE name = ?"),
        {name}, [&collectionID](const KTSqliteStatement &row) {
            collectionID = row.columnText(0);
            return true;
        });
    if (!ok) {
        sqlFailed();
        return std::nullopt;
    }
    if (collectionID.isEmpty() && createIfNeeded)
        return createLightroomCollectionNamed(name);
    return collectionID;
}

std::optional<double> KTLightroomCatalog::entityIDCounter()
{
    double counter = 0;
    const bool ok = KTCatalogSql::query(
        m_database, QStringLiteral("SELECT value FROM Adobe_variablesTable WHERE name = ?"), {kCounterName},
        [&counter](const KTSqliteStatement &row) {
            counter = row.columnDouble(0);
            return false;
        });
    if (!ok) {
        sqlFailed();
        return std::nullopt;
    }
    return counter;
}

std::optional<QString> KTLightroomCatalog::createLightroomCollectionNamed(const QString &name,
                                                                          const QString &collectionSetID)
{
    const std::optional<double> counter = entityIDCounter();
    if (!counter)
        return std::nullopt;
    // A catalogue without a usable counter would hand out identifiers that collide with its own
    // entities, so nothing is created in it.
    if (*counter <= 0) {
        refuse(
            QCoreApplication::translate("KTLightroomCatalog", "Current counter must be greater than zero"));
        return std::nullopt;
    }
    const double number = *counter + 1;
    const QString identifier = QString::asprintf("%.1f", number);
    const QString genealogyPrefix = QStringLiteral("/%1").arg(QString::asprintf("%.0f", number).size());

    if (!KTCatalogSql::run(
            m_database,
            QStringLiteral("INSERT INTO AgLibraryCollection (id_local, creationId, name, parent, systemOnly) "
                           "VALUES (?, 'com.adobe.ag.library.collection', ?, NULL, 0)"),
            {number, name})) {
        sqlFailed();
        return std::nullopt;
    }
    if (!increaseLightroomEntityIDCounterBy(1))
        return std::nullopt;

    const QString genealogySql =
        QStringLiteral("UPDATE AgLibraryCollection SET genealogy = ? WHERE id_local = ?");
    if (!collectionSetID.isEmpty()) {
        if (!KTCatalogSql::run(m_database,
                               QStringLiteral("UPDATE AgLibraryCollection SET parent = ? WHERE id_local = ?"),
                               {collectionSetID, number})) {
            sqlFailed();
            return std::nullopt;
        }
        if (!increaseLightroomEntityIDCounterBy(1))
            return std::nullopt;
        if (!KTCatalogSql::run(m_database, genealogySql,
                               {genealogyPrefix + collectionSetID + genealogyPrefix + identifier, number})) {
            sqlFailed();
            return std::nullopt;
        }
    } else if (!KTCatalogSql::run(m_database, genealogySql, {genealogyPrefix + identifier, number})) {
        sqlFailed();
        return std::nullopt;
    }
    if (!increaseLightroomEntityIDCounterBy(1))
        return std::nullopt;
    return identifier;
}

bool KTLightroomCatalog::increaseLightroomEntityIDCounterBy(quint64 count)
{
    if (count == 0)
        return true;
    const std::optional<double> counter = entityIDCounter();
    if (!counter)
        return false;
    if (*counter <= 0)
        return refuse(
            QCoreApplication::translate("KTLightroomCatalog", "Current counter must be greater than zero"));
    // Written back by name, to the row it was read from.
    if (!KTCatalogSql::run(m_database,
                           QStringLiteral("UPDATE Adobe_variablesTable SET value = ? WHERE name = ?"),
                           {*counter + double(count), kCounterName}))
        return sqlFailed();
    return true;
}

std::optional<QStringList>
KTLightroomCatalog::imageIDsInLightroomCollectionWithID(const QString &collectionID)
{
    QStringList ids;
    const bool ok = KTCatalogSql::query(
        m_database, QStringLiteral("SELECT image FROM AgLibraryCollectionImage WHERE collection = ?"),
        {collectionID}, [&ids](const KTSqliteStatement &row) {
            ids.append(row.columnText(0));
            return true;
        });
    if (!ok) {
        sqlFailed();
        return std::nullopt;
    }
    return ids;
}

bool KTLightroomCatalog::addImagesWithIDs(const QStringList &imageIDs, const QString &collectionName)
{
    const std::optional<QString> collectionID = lightroomCollectionIDForName(collectionName, true);
    if (!collectionID)
        return false;
    return addImagesWithIDsToLightroomCollectionWithID(imageIDs, *collectionID);
}

bool KTLightroomCatalog::addImagesWithIDsToLightroomCollectionWithID(const QStringList &imageIDs,
                                                                     const QString &collectionID)
{
    if (imageIDs.isEmpty())
        return true;
    const std::optional<QStringList> present = imageIDsInLightroomCollectionWithID(collectionID);
    if (!present)
        return false;
    QSet<QString> members(present->cbegin(), present->cend());
    // Only images the catalogue holds get a row: a dangling row would point at nothing in Lightroom.
    QSet<QString> held;
    if (!KTCatalogSql::queryForIds(m_database,
                                   QStringLiteral("SELECT id_local FROM Adobe_images WHERE id_local IN %1"),
                                   imageIDs, {}, {}, [&held](const KTSqliteStatement &row) {
                                       held.insert(row.columnText(0));
                                       return true;
                                   }))
        return sqlFailed();
    KTSqliteStatement insert = m_database.prepare(
        QStringLiteral("INSERT INTO AgLibraryCollectionImage(collection, image, pick, positionInCollection) "
                       "VALUES (?, ?, 0.0, NULL)"));
    if (!insert.isValid())
        return sqlFailed();
    quint64 inserted = 0;
    for (const QString &imageID : imageIDs) {
        if (members.contains(imageID) || !held.contains(imageID))
            continue;
        insert.reset();
        if (!insert.bindText(1, collectionID) || !insert.bindText(2, imageID) ||
            insert.step() != KTSqliteStatement::Step::Done)
            return sqlFailed();
        members.insert(imageID);
        ++inserted;
    }
    return increaseLightroomEntityIDCounterBy(inserted);
}

bool KTLightroomCatalog::removeImagesWithIDs(const QStringList &imageIDs, const QString &collectionName)
{
    if (imageIDs.isEmpty())
        return true;
    const std::optional<QString> collectionID = lightroomCollectionIDForName(collectionName, false);
    if (!collectionID)
        return false;
    if (collectionID->isEmpty())
        return true;
    for (const QString &imageID : imageIDs) {
        if (!removeImageWithID(imageID, *collectionID))
            return false;
    }
    return true;
}

bool KTLightroomCatalog::removeImageWithID(const QString &imageID, const QString &collectionID)
{
    if (!KTCatalogSql::run(
            m_database,
            QStringLiteral("DELETE FROM AgLibraryCollectionImage WHERE collection = ? AND image = ?"),
            {collectionID, imageID}))
        return sqlFailed();
    return true;
}

bool KTLightroomCatalog::markLightroomImagesAsFlagged(const QStringList &imageIDs)
{
    // A rejected image is not flagged.
    if (!KTCatalogSql::runForIds(
            m_database, QStringLiteral("UPDATE Adobe_images SET pick = ? WHERE id_local IN %1 AND pick <> ?"),
            imageIDs, {kPickFlagged}, {kPickRejected}))
        return sqlFailed();
    return true;
}

bool KTLightroomCatalog::markLighroomImagesAsInTrash(const QStringList &imageIDs)
{
    return setImagesPickedStatuses(kPickRejected, imageIDs);
}

bool KTLightroomCatalog::setImagesPickedStatuses(double pick, const QStringList &imageIDs)
{
    if (!KTCatalogSql::runForIds(m_database,
                                 QStringLiteral("UPDATE Adobe_images SET pick = ? WHERE id_local IN %1"),
                                 imageIDs, {pick}))
        return sqlFailed();
    return true;
}

bool KTLightroomCatalog::unmarkLightroomImagesAsFlagged(const QStringList &imageIDs)
{
    return unmarkLighroomImages(imageIDs, kPickFlagged);
}

bool KTLightroomCatalog::unmarkLighroomImagesAsInTrash(const QStringList &imageIDs)
{
    return unmarkLighroomImages(imageIDs, kPickRejected);
}

bool KTLightroomCatalog::unmarkLighroomImages(const QStringList &imageIDs, double pick)
{
    // Only the images that still carry the value the session set lose it: a flag the user changed
    // in Lightroom meanwhile stays.
    QStringList carrying;
    if (!KTCatalogSql::queryForIds(
            m_database, QStringLiteral("SELECT id_local FROM Adobe_images WHERE id_local IN %1 AND pick = ?"),
            imageIDs, {}, {pick}, [&carrying](const KTSqliteStatement &row) {
                carrying.append(row.columnText(0));
                return true;
            }))
        return sqlFailed();
    if (!KTCatalogSql::runForIds(
            m_database, QStringLiteral("UPDATE Adobe_images SET pick = 0.0 WHERE id_local IN %1"), carrying))
        return sqlFailed();
    return true;
}

std::optional<QStringList> KTLightroomCatalog::imageIDsInCollectionWithImages(
    const QHash<QString, double> &touchTimes, const QStringList &imageIDs, const QString &collectionIDString)
{
    QStringList held;
    const auto keep = [&held, &touchTimes](const KTSqliteStatement &row) {
        const QString id = row.columnText(1);
        if (row.columnDouble(0) >= touchTimes.value(id, 0.0))
            held.append(id);
        return true;
    };
    const bool ok =
        collectionIDString.isEmpty()
            ? KTCatalogSql::queryForIds(
                  m_database,
                  QStringLiteral("SELECT touchTime, id_local FROM Adobe_images WHERE id_local IN %1"),
                  imageIDs, {}, {}, keep)
            : KTCatalogSql::queryForIds(
                  m_database,
                  QStringLiteral("SELECT ai.touchTime, ai.id_local FROM Adobe_images ai, "
                                 "AgLibraryCollectionImage alci WHERE ai.id_local = alci.image AND "
                                 "alci.image IN %1 AND alci.collection = ?"),
                  imageIDs, {}, {collectionIDString}, keep);
    if (!ok) {
        sqlFailed();
        return std::nullopt;
    }
    return held;
}

std::optional<QStringList>
KTLightroomCatalog::imageIDsInNamedCollection(const QString &name, const QHash<QString, double> &touchTimes,
                                              const QStringList &imageIDs)
{
    const std::optional<QString> collectionID = lightroomCollectionIDForName(name, false);
    if (!collectionID)
        return std::nullopt;
    if (collectionID->isEmpty())
        return QStringList();
    return imageIDsInCollectionWithImages(touchTimes, imageIDs, *collectionID);
}

std::optional<QStringList>
KTLightroomCatalog::imageIDsInSelectedCollectionWithImages(const QHash<QString, double> &touchTimes,
                                                           const QStringList &imageIDs)
{
    return imageIDsInNamedCollection(m_names.selected, touchTimes, imageIDs);
}

std::optional<QStringList>
KTLightroomCatalog::imageIDsInRejectedCollectionWithImages(const QHash<QString, double> &touchTimes,
                                                           const QStringList &imageIDs)
{
    return imageIDsInNamedCollection(m_names.rejected, touchTimes, imageIDs);
}

bool KTLightroomCatalog::writeDecision(quint64 bit, bool flagged, const QStringList &imageIDs,
                                       bool writePickFlag)
{
    const bool isPick = (bit & kSyncStatusPickBit) != 0;
    if (flagged) {
        // Checked before anything is renamed or inserted, so a catalogue without a usable counter is
        // left exactly as it was.
        const std::optional<double> counter = entityIDCounter();
        if (!counter)
            return false;
        if (*counter <= 0)
            return refuse(QCoreApplication::translate("KTLightroomCatalog",
                                                      "Current counter must be greater than zero"));
    }
    if (!renameSelectedAndRejectedCollections())
        return false;
    const QString &collection = isPick ? m_names.selected : m_names.rejected;
    if (flagged) {
        if (!addImagesWithIDs(imageIDs, collection))
            return false;
        if (writePickFlag)
            return isPick ? markLightroomImagesAsFlagged(imageIDs) : markLighroomImagesAsInTrash(imageIDs);
        return true;
    }
    if (!removeImagesWithIDs(imageIDs, collection))
        return false;
    if (writePickFlag)
        return isPick ? unmarkLightroomImagesAsFlagged(imageIDs) : unmarkLighroomImagesAsInTrash(imageIDs);
    return true;
}
