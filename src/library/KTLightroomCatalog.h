#pragma once

#include "KTCatalogSql.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class KTSqliteDatabase;

/// The statements that the sync runs on an open Lightroom 4 or 5 catalogue: the picks and rejects
/// collections the application owns, the entity counter, and Lightroom's own pick flag
/// (Adobe_images.pick: 1.0 flagged, -1.0 rejected, 0.0 neither).
///
/// Every value is a bound parameter; identifiers are Adobe_images.id_local as text. Each method
/// returns false (or nothing) as soon as a statement fails, with the message in the database's
/// lastError(); it never opens a transaction itself: KTExternalImagesManager runs each write in
/// one transaction and rolls it back on failure, so a false here means "nothing was written".
///
/// Threading: use on the thread that owns the database.
class KTLightroomCatalog
{
public:
    /// The collection names in use ("<app> Picks", "<app> Rejects") and the names that earlier
    /// versions gave them ("<app> Picked", "<app> Rejected").
    struct CollectionNames
    {
        QString selected;
        QString rejected;
        QString selectedForPreviousVersion;
        QString rejectedForPreviousVersion;
    };

    KTLightroomCatalog(KTSqliteDatabase &database, CollectionNames names);

    /// The tables and columns that these statements use.
    static QList<KTCatalogSql::TableColumns> requiredSchema();

    /// Gives collections with the earlier names the current ones.
    bool renameSelectedAndRejectedCollections();

    /// The id_local of the top-level collection named `name` (the last one when there are
    /// several), created when missing and `createIfNeeded` says so. Nothing on failure; an empty
    /// string when the collection is missing and not created.
    std::optional<QString> lightroomCollectionIDForName(const QString &name, bool createIfNeeded);

    /// Creates a collection (inside the collection set `collectionSetID` unless empty) and returns
    /// its identifier ("1235.0" for counter 1234). Refuses (nothing) when the entity counter is
    /// missing or 0, before inserting anything.
    std::optional<QString> createLightroomCollectionNamed(const QString &name,
                                                          const QString &collectionSetID = {});

    /// The entity counter ('Adobe_entityIDCounter' in Adobe_variablesTable). Nothing when the query
    /// fails; 0 when the row is missing or holds no number.
    std::optional<double> entityIDCounter();
    /// Raises the counter by `count` (0 does nothing). Refuses when the counter is missing or 0;
    /// writes it back to the row it was read from, by name.
    bool increaseLightroomEntityIDCounterBy(quint64 count);

    /// The `image` values of the collection's rows, as text, in row order.
    std::optional<QStringList> imageIDsInLightroomCollectionWithID(const QString &collectionID);

    /// Adds the images to the collection named `collectionName`, creating it when missing. Images
    /// already in it are skipped; the counter is raised by the number of rows inserted.
    bool addImagesWithIDs(const QStringList &imageIDs, const QString &collectionName);
    bool addImagesWithIDsToLightroomCollectionWithID(const QStringList &imageIDs,
                                                     const QString &collectionID);
    /// Removes the images from the named collection when it exists; the collection stays.
    bool removeImagesWithIDs(const QStringList &imageIDs, const QString &collectionName);
    bool removeImageWithID(const QString &imageID, const QString &collectionID);

    /// pick = 1.0 on the images that Lightroom has not rejected.
    bool markLightroomImagesAsFlagged(const QStringList &imageIDs);
    /// pick = -1.0.
    bool markLighroomImagesAsInTrash(const QStringList &imageIDs);
    bool setImagesPickedStatuses(double pick, const QStringList &imageIDs);
    /// pick back to 0.0, only on the images that still carry 1.0 (flagged) or -1.0 (trash).
    bool unmarkLightroomImagesAsFlagged(const QStringList &imageIDs);
    bool unmarkLighroomImagesAsInTrash(const QStringList &imageIDs);
    bool unmarkLighroomImages(const QStringList &imageIDs, double pick);

    /// The identifiers that the catalogue still holds, in row order: with a collection identifier,
    /// those in that collection; without, those in Adobe_images. A row counts only when its
    /// touchTime is not below the image's own (`touchTimes` by identifier; missing counts as 0).
    /// Nothing on failure; an empty list when none is held.
    std::optional<QStringList> imageIDsInCollectionWithImages(const QHash<QString, double> &touchTimes,
                                                              const QStringList &imageIDs,
                                                              const QString &collectionIDString);
    /// The same for the picks / rejects collection, found by name and never created: an empty list
    /// when it is missing.
    std::optional<QStringList>
    imageIDsInSelectedCollectionWithImages(const QHash<QString, double> &touchTimes,
                                           const QStringList &imageIDs);
    std::optional<QStringList>
    imageIDsInRejectedCollectionWithImages(const QHash<QString, double> &touchTimes,
                                           const QStringList &imageIDs);

    /// Writes one kind of decision (kSyncStatusPickBit or kSyncStatusRejectBit): `flagged` adds the
    /// images to the picks / rejects collection, otherwise removes them. Lightroom's pick flag is
    /// written too when `writePickFlag` (the user's option for that kind) is set. A write that adds
    /// checks the entity counter before anything else and fails when it is missing or 0.
    bool writeDecision(quint64 bit, bool flagged, const QStringList &imageIDs, bool writePickFlag);

    /// Why the last call failed: the database's message, or our own refusal.
    const QString &errorMessage() const { return m_errorMessage; }
    /// True when the last failure was another connection's lock.
    bool failedBusy() const { return m_failedBusy; }

private:
    std::optional<QStringList> imageIDsInNamedCollection(const QString &name,
                                                         const QHash<QString, double> &touchTimes,
                                                         const QStringList &imageIDs);
    bool sqlFailed();
    bool refuse(const QString &message);

    KTSqliteDatabase &m_database;
    CollectionNames m_names;
    QString m_errorMessage;
    bool m_failedBusy = false;
};
