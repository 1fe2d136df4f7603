#include "KTExternalImagesManager.h"

#include "KTApertureLibrary.h"
#include "KTCatalogSql.h"
#include "KTLightroomCatalog.h"
#include "KTProcessList.h"
#include "KTSqliteDatabase.h"
#include "KTUserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

const QString kIPhotoBundleID = QStringLiteral("com.apple.iPhoto");
const QString kApertureBundleID = QStringLiteral("com.apple.Aperture");

bool isIPhotoOrAperture(const QString &bundleID)
{
    return bundleID == kIPhotoBundleID || bundleID == kApertureBundleID;
}

bool isLightroomBundle(const QString &bundleID)
{
    return bundleID.startsWith(QLatin1String("com.adobe.Lightroom"));
}

bool isLightroomSource(const KTExternalImage &image)
{
    return image.sourceType.contains(QLatin1String("Lightroom"));
}

int severity(KTCatalogStatus status)
{
    switch (status) {
    case KTCatalogStatus::Done:
        return 0;
    case KTCatalogStatus::ApplicationRunning:
        return 1;
    case KTCatalogStatus::Busy:
        return 2;
    case KTCatalogStatus::Failed:
        return 3;
    }
    return 3;
}

// Keeps the worse of two outcomes, with the message of the worse one.
void mergeStatus(KTCatalogStatus &status, QString &message, KTCatalogStatus other,
                 const QString &otherMessage)
{
    if (severity(other) > severity(status)) {
        status = other;
        message = otherMessage;
    }
}

KTLightroomCatalog::CollectionNames collectionNames(const KTExternalImagesManager &manager)
{
    return {manager.selectedCollectionName(), manager.rejectedCollectionName(),
            manager.selectedCollectionNameForPreviousVersion(),
            manager.rejectedCollectionNameForPreviousVersion()};
}

QHash<QString, double> touchTimesOf(const KTExternalImagesManager::Batch &batch,
                                    const std::vector<KTExternalImage> &images)
{
    QHash<QString, double> touchTimes;
    for (int index : batch.indexes)
        touchTimes.insert(images[size_t(index)].externalGUID, images[size_t(index)].touchTime.value_or(0.0));
    return touchTimes;
}

// True when the owning application of one of the batches' catalogues runs (each batch is one
// catalogue, so its first image stands for all).
bool isExternalAppRunningForAnyCatalogue(const KTExternalImagesManager &manager,
                                         const std::vector<KTExternalImage> &images,
                                         const std::vector<KTExternalImagesManager::Batch> &batches)
{
    return std::any_of(batches.cbegin(), batches.cend(), [&](const KTExternalImagesManager::Batch &batch) {
        return manager.isExternalAppRunningForImage(images[size_t(batch.indexes.front())]);
    });
}

// Fills `states` for the batch's images from their catalogue. Renames the collections first when
// `renameCollections` (the change check, opened for writing).
bool readBatchStates(const KTExternalImagesManager &manager, const KTExternalImagesManager::Batch &batch,
                     KTSqliteDatabase &database, const std::vector<KTExternalImage> &images,
                     std::vector<KTCatalogImageState> &states, bool renameCollections, QString &errorMessage,
                     bool &busy)
{
    if (isIPhotoOrAperture(batch.bundleID)) {
        errorMessage = KTCatalogSql::missingSchema(database, KTApertureLibrary::requiredSchema());
        if (!errorMessage.isEmpty())
            return false;
        KTApertureLibrary library(database);
        const auto versions = library.versionStates(batch.imageIDs);
        if (!versions) {
            errorMessage = library.errorMessage();
            busy = library.failedBusy();
            return false;
        }
        for (int index : batch.indexes) {
            const auto found = versions->constFind(images[size_t(index)].externalGUID);
            if (found != versions->cend())
                states[size_t(index)] = {true, found->isFlagged, found->isInTrash};
        }
        return true;
    }

    errorMessage = KTCatalogSql::missingSchema(database, KTLightroomCatalog::requiredSchema());
    if (!errorMessage.isEmpty())
        return false;
    KTLightroomCatalog catalog(database, collectionNames(manager));
    const auto fail = [&]() {
        errorMessage = catalog.errorMessage();
        busy = catalog.failedBusy();
        return false;
    };
    if (renameCollections && !catalog.renameSelectedAndRejectedCollections())
        return fail();
    const QHash<QString, double> touchTimes = touchTimesOf(batch, images);
    const auto present = catalog.imageIDsInCollectionWithImages(touchTimes, batch.imageIDs, {});
    const auto picks =
        present ? catalog.imageIDsInSelectedCollectionWithImages(touchTimes, batch.imageIDs) : std::nullopt;
    const auto rejects =
        picks ? catalog.imageIDsInRejectedCollectionWithImages(touchTimes, batch.imageIDs) : std::nullopt;
    if (!rejects)
        return fail();
    const QSet<QString> presentSet(present->cbegin(), present->cend());
    const QSet<QString> picksSet(picks->cbegin(), picks->cend());
    const QSet<QString> rejectsSet(rejects->cbegin(), rejects->cend());
    for (int index : batch.indexes) {
        const QString &id = images[size_t(index)].externalGUID;
        states[size_t(index)] = {presentSet.contains(id), picksSet.contains(id), rejectsSet.contains(id)};
    }
    return true;
}

} // namespace

KTExternalImagesManager &KTExternalImagesManager::sharedManager()
{
    static KTExternalImagesManager manager;
    return manager;
}

KTExternalImagesManager::KTExternalImagesManager() = default;

int KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(const QString &path, QString *errorMessage)
{
    if (errorMessage)
        errorMessage->clear();
    const auto fail = [errorMessage](const QString &message) {
        if (errorMessage)
            *errorMessage = message;
        return 0;
    };
    if (!QFileInfo(path).isFile())
        return fail(QCoreApplication::translate("KTExternalImagesManager", "%1 was not found.").arg(path));
    KTSqliteDatabase database;
    if (!KTCatalogSql::openForReading(database, path))
        return fail(database.lastError());
    QString version;
    bool found = false;
    if (!KTCatalogSql::query(database,
                             QStringLiteral("SELECT value FROM Adobe_variablesTable WHERE name = ?"),
                             {QStringLiteral("Adobe_DBVersion")}, [&](const KTSqliteStatement &row) {
                                 version = row.columnText(0);
                                 found = true;
                                 return false;
                             })) {
        return fail(database.lastError());
    }
    if (!found)
        return 0;
    // The first two digits are the major version.
    bool isNumber = false;
    const int major = version.left(2).toInt(&isNumber);
    return isNumber && major > 0 ? major : 0;
}

QString KTExternalImagesManager::projectName() const
{
    return QCoreApplication::applicationName();
}

QString KTExternalImagesManager::selectedCollectionName() const
{
    return QStringLiteral("%1 Picks").arg(projectName());
}

QString KTExternalImagesManager::rejectedCollectionName() const
{
    return QStringLiteral("%1 Rejects").arg(projectName());
}

QString KTExternalImagesManager::selectedCollectionNameForPreviousVersion() const
{
    return QStringLiteral("%1 Picked").arg(projectName());
}

QString KTExternalImagesManager::rejectedCollectionNameForPreviousVersion() const
{
    return QStringLiteral("%1 Rejected").arg(projectName());
}

bool KTExternalImagesManager::markLightroomImagesAsFlagged() const
{
    return KTUserDefaults::standardUserDefaults().boolForKey(kLightroomSyncOptionPicksKey);
}

bool KTExternalImagesManager::markLightroomImagesAsTrashed() const
{
    return KTUserDefaults::standardUserDefaults().boolForKey(kLightroomSyncOptionRejectsKey);
}

KTExternalCatalogType KTExternalImagesManager::externalCatalogTypeFromSourceType(const QString &sourceType)
{
    if (sourceType == kSourceTypeLightroom5)
        return KTExternalCatalogType::Lightroom5;
    if (sourceType == kSourceTypeLightroom4)
        return KTExternalCatalogType::Lightroom4;
    if (sourceType == kSourceTypeIPhoto)
        return KTExternalCatalogType::IPhoto;
    if (sourceType == kSourceTypeAperture)
        return KTExternalCatalogType::Aperture;
    return KTExternalCatalogType::None;
}

KTExternalCatalogType KTExternalImagesManager::externalCatalogTypeFromImageMO(const KTExternalImage &image)
{
    return externalCatalogTypeFromSourceType(image.sourceType);
}

QString KTExternalImagesManager::appNameFromExternalCatalogType(KTExternalCatalogType type)
{
    switch (type) {
    case KTExternalCatalogType::Lightroom4:
        return QStringLiteral("Lightroom 4");
    case KTExternalCatalogType::Lightroom5:
        return QStringLiteral("Lightroom 5");
    case KTExternalCatalogType::IPhoto:
        return QStringLiteral("iPhoto");
    case KTExternalCatalogType::Aperture:
        return QStringLiteral("Aperture");
    case KTExternalCatalogType::None:
        break;
    }
    return {};
}

QStringList KTExternalImagesManager::appsBundleIDsForExternalCatalogType(KTExternalCatalogType type)
{
    switch (type) {
    case KTExternalCatalogType::Lightroom4:
        return {QStringLiteral("com.adobe.Lightroom4")};
    case KTExternalCatalogType::Lightroom5:
        return {QStringLiteral("com.adobe.Lightroom5")};
    case KTExternalCatalogType::IPhoto:
        return {kIPhotoBundleID};
    case KTExternalCatalogType::Aperture:
        return {kApertureBundleID};
    case KTExternalCatalogType::None:
        break;
    }
    return {};
}

QString KTExternalImagesManager::externalAppBundleIDFromSourceType(const QString &sourceType)
{
    if (sourceType == kSourceTypeIPhoto)
        return kIPhotoBundleID;
    if (sourceType == kSourceTypeAperture)
        return kApertureBundleID;
    if (sourceType.contains(QLatin1String("lightroom"), Qt::CaseInsensitive))
        return lightroomBundleIDFromSourceType(sourceType);
    return {};
}

QString KTExternalImagesManager::lightroomBundleIDFromSourceType(const QString &sourceType)
{
    if (sourceType.isEmpty())
        return {};
    const QChar last = sourceType.back();
    if (last < QLatin1Char('1') || last > QLatin1Char('5'))
        return {};
    return QStringLiteral("com.adobe.Lightroom") + last;
}

bool KTExternalImagesManager::isExternalAppRunningForImage(const KTExternalImage &image) const
{
    const KTExternalCatalogType type = externalCatalogTypeFromImageMO(image);
    if (type == KTExternalCatalogType::Lightroom4 || type == KTExternalCatalogType::Lightroom5) {
        // Lightroom running with another catalogue open does not block this one.
        return isExternalAppRunningForExternalCatalogType(type) &&
               isExternalAppRunningForLightroomCatalogAtPath(image.mediaSource);
    }
    return isExternalAppRunningForExternalCatalogType(type);
}

QString KTExternalImagesManager::runningExternalAppNameForImage(const KTExternalImage &image) const
{
    const KTExternalCatalogType type = externalCatalogTypeFromImageMO(image);
    return isExternalAppRunningForExternalCatalogType(type) ? appNameFromExternalCatalogType(type)
                                                            : QString();
}

bool KTExternalImagesManager::isExternalAppRunningForExternalCatalogType(KTExternalCatalogType type) const
{
    return isAnyApplicationWithBundleIDsIsRunning(appsBundleIDsForExternalCatalogType(type));
}

bool KTExternalImagesManager::isExternalAppRunningForLightroomCatalogAtPath(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path + QStringLiteral(".lock"));
}

bool KTExternalImagesManager::isAnyApplicationWithBundleIDsIsRunning(const QStringList &bundleIDs) const
{
    RunningCheck check;
    {
        std::lock_guard lock(m_mutex);
        check = m_runningCheck;
    }
    for (const QString &bundleID : bundleIDs) {
        if (check ? check(bundleID) : isApplicationRunningInProcessList(bundleID))
            return true;
    }
    return false;
}

void KTExternalImagesManager::setApplicationRunningCheck(RunningCheck check)
{
    std::lock_guard lock(m_mutex);
    m_runningCheck = std::move(check);
}

bool KTExternalImagesManager::isApplicationRunningInProcessList(const QString &bundleID,
                                                                const QString &procRoot)
{
    // These applications only run hosted (Wine and the like), where the process list shows their
    // executables; one name covers every Lightroom version.
    QString stem;
    if (isLightroomBundle(bundleID))
        stem = QStringLiteral("Lightroom");
    else if (bundleID == kIPhotoBundleID)
        stem = QStringLiteral("iPhoto");
    else if (bundleID == kApertureBundleID)
        stem = QStringLiteral("Aperture");
    return !stem.isEmpty() && KTProcessList::isExecutableRunning(stem, procRoot);
}

QString KTExternalImagesManager::databasePathWithBundleId(const QString &bundleID, const QString &mediaSource)
{
    return isIPhotoOrAperture(bundleID) ? iAppDBPathFromMediaSource(mediaSource) : mediaSource;
}

QString KTExternalImagesManager::iAppDBPathFromMediaSource(const QString &mediaSource)
{
    if (mediaSource.isEmpty())
        return {};
    return QDir(QFileInfo(mediaSource).path()).filePath(QStringLiteral("Database/Library.apdb"));
}

std::vector<KTExternalImagesManager::Batch>
KTExternalImagesManager::imagesGUIDsFromImages(const std::vector<KTExternalImage> &images)
{
    std::vector<Batch> batches;
    QHash<QString, size_t> batchOfType;
    for (size_t index = 0; index < images.size(); ++index) {
        const KTExternalImage &image = images[index];
        if (image.externalGUID.isEmpty() || image.sourceType.isEmpty() ||
            image.sourceType == kSourceTypeFileSystem)
            continue;
        // Identifiers are only unique within one catalogue, so images of two catalogues of the same
        // kind never share a batch: their identifiers would reach the wrong database.
        const QString bundleID = externalAppBundleIDFromSourceType(image.sourceType);
        const QString databasePath = databasePathWithBundleId(bundleID, image.mediaSource);
        const QString key = image.sourceType + QChar(0) + databasePath;
        auto found = batchOfType.constFind(key);
        if (found == batchOfType.cend()) {
            Batch batch;
            batch.sourceType = image.sourceType;
            batch.bundleID = bundleID;
            batch.mediaSource = image.mediaSource;
            batch.databasePath = databasePath;
            found = batchOfType.insert(key, batches.size());
            batches.push_back(std::move(batch));
        }
        Batch &batch = batches[*found];
        batch.imageIDs.append(image.externalGUID);
        batch.indexes.push_back(int(index));
    }
    return batches;
}

QString KTExternalImagesManager::queryParamWithImageIDs(const QStringList &imageIDs)
{
    if (imageIDs.isEmpty())
        return {};
    QStringList quoted;
    quoted.reserve(imageIDs.size());
    for (const QString &id : imageIDs)
        quoted.append(QLatin1Char('"') + id + QLatin1Char('"'));
    return QLatin1Char('(') + quoted.join(QLatin1Char(',')) + QLatin1Char(')');
}

void KTExternalImagesManager::addSyncStatus(quint64 mask, std::vector<KTExternalImage> &images)
{
    for (KTExternalImage &image : images)
        image.syncStatusBitmask |= mask;
}

void KTExternalImagesManager::clearSyncStatus(quint64 mask, std::vector<KTExternalImage> &images)
{
    for (KTExternalImage &image : images)
        image.syncStatusBitmask &= ~mask;
}

quint64 KTExternalImagesManager::syncStatusBitForKeyPath(const QString &keyPath)
{
    if (keyPath == QLatin1String("rejected"))
        return kSyncStatusRejectBit;
    if (keyPath == QLatin1String("picked"))
        return kSyncStatusPickBit;
    return 0;
}

KTExternalImagesManager::DatabaseOutcome
KTExternalImagesManager::performDatabaseBlock(const DatabaseBlock &block,
                                              const std::vector<KTExternalImage> &images, Access access) const
{
    DatabaseOutcome outcome;
    const std::vector<Batch> batches = imagesGUIDsFromImages(images);
    if (batches.empty())
        return outcome;
    // Every catalogue of the list is checked before any is written, so a list never ends half
    // written because one catalogue's application runs.
    if (access == Access::ReadWrite && isExternalAppRunningForAnyCatalogue(*this, images, batches)) {
        outcome.status = KTCatalogStatus::ApplicationRunning;
        return outcome;
    }

    for (const Batch &batch : batches) {
        KTCatalogStatus status = KTCatalogStatus::Done;
        QString message;
        const auto fail = [&](bool busy, const QString &text) {
            status = busy ? KTCatalogStatus::Busy : KTCatalogStatus::Failed;
            message = text;
        };

        KTSqliteDatabase database;
        if (batch.bundleID.isEmpty()) {
            fail(false, QCoreApplication::translate("KTExternalImagesManager", "Unknown catalog kind %1.")
                            .arg(batch.sourceType));
        } else if (access == Access::ReadWrite &&
                   !(QFile::permissions(batch.databasePath) &
                     (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)) &&
                   QFileInfo::exists(batch.databasePath)) {
            // Checked by hand as well, because a privileged process would otherwise write a file
            // that its owner marked read-only.
            fail(false, QCoreApplication::translate("KTExternalImagesManager", "The catalog %1 is read-only.")
                            .arg(batch.databasePath));
        } else if (!database.open(batch.databasePath,
                                  access == Access::ReadOnly ? KTSqliteDatabase::Mode::ReadOnly
                                                             : KTSqliteDatabase::Mode::ReadWrite,
                                  m_busyTimeoutMs)) {
            fail(database.lastErrorIsBusy(),
                 QCoreApplication::translate("KTExternalImagesManager", "The catalog %1 cannot be opened: %2")
                     .arg(batch.databasePath, database.lastError()));
        } else if (access == Access::ReadOnly) {
            bool busy = false;
            if (!block(batch, database, message, busy))
                fail(busy, message);
        } else {
            KTSqliteTransaction transaction(database);
            bool busy = false;
            const auto failWrite = [&]() {
                fail(database.lastErrorIsBusy(),
                     QCoreApplication::translate("KTExternalImagesManager",
                                                 "The catalog %1 cannot be written: %2")
                         .arg(batch.databasePath, database.lastError()));
            };
            if (!transaction.isActive())
                failWrite();
            else if (!block(batch, database, message, busy))
                fail(busy, message);
            else if (!transaction.commit())
                failWrite();
        }

        if (status == KTCatalogStatus::Done) {
            outcome.completedBatches.push_back(batch);
            continue;
        }
        mergeStatus(outcome.status, outcome.errorMessage, status, message);
        if (access == Access::ReadOnly)
            break;
    }
    return outcome;
}

KTCatalogWriteResult KTExternalImagesManager::setSyncFlag(quint64 bit,
                                                          const std::vector<KTExternalImage> &images,
                                                          bool flagged) const
{
    KTCatalogWriteResult result;
    result.syncStatusBitmasks.reserve(images.size());
    for (const KTExternalImage &image : images)
        result.syncStatusBitmasks.push_back(image.syncStatusBitmask);
    if (images.empty() || (bit & (kSyncStatusRejectBit | kSyncStatusPickBit)) == 0)
        return result;

    const bool writePickFlag =
        (bit & kSyncStatusPickBit) ? markLightroomImagesAsFlagged() : markLightroomImagesAsTrashed();
    const KTLightroomCatalog::CollectionNames names = collectionNames(*this);
    const DatabaseOutcome outcome = performDatabaseBlock(
        [&](const Batch &batch, KTSqliteDatabase &database, QString &errorMessage, bool &busy) {
            if (isIPhotoOrAperture(batch.bundleID)) {
                errorMessage = KTCatalogSql::missingSchema(database, KTApertureLibrary::requiredSchema());
                if (!errorMessage.isEmpty())
                    return false;
                KTApertureLibrary library(database);
                const bool ok = (bit & kSyncStatusPickBit)
                                    ? library.markApertureOriPhotoImagesAsFlagged(flagged, batch.imageIDs)
                                    : library.markApertureOriPhotoImagesAsTrashed(flagged, batch.imageIDs);
                errorMessage = library.errorMessage();
                busy = library.failedBusy();
                return ok;
            }
            errorMessage = KTCatalogSql::missingSchema(database, KTLightroomCatalog::requiredSchema());
            if (!errorMessage.isEmpty())
                return false;
            KTLightroomCatalog catalog(database, names);
            const bool ok = catalog.writeDecision(bit, flagged, batch.imageIDs, writePickFlag);
            errorMessage = catalog.errorMessage();
            busy = catalog.failedBusy();
            return ok;
        },
        images, Access::ReadWrite);

    result.status = outcome.status;
    result.errorMessage = outcome.errorMessage;
    for (const Batch &batch : outcome.completedBatches) {
        for (int index : batch.indexes) {
            quint64 &bits = result.syncStatusBitmasks[size_t(index)];
            bits = flagged ? (bits | bit) : (bits & ~bit);
        }
    }
    return result;
}

KTCatalogWriteResult
KTExternalImagesManager::syncImagesStatuses(const std::vector<KTExternalImage> &images) const
{
    KTCatalogWriteResult result;
    result.syncStatusBitmasks.reserve(images.size());
    for (const KTExternalImage &image : images)
        result.syncStatusBitmasks.push_back(image.syncStatusBitmask);
    if (images.empty())
        return result;
    if (isExternalAppRunningForAnyCatalogue(*this, images, imagesGUIDsFromImages(images))) {
        result.status = KTCatalogStatus::ApplicationRunning;
        return result;
    }

    struct Write
    {
        quint64 bit;
        bool flagged;
    };
    // Set rejects, clear rejects, set picks, clear picks. An unset decision counts as NO, so an
    // image is in exactly one group of its bit.
    const Write writes[] = {{kSyncStatusRejectBit, true},
                            {kSyncStatusRejectBit, false},
                            {kSyncStatusPickBit, true},
                            {kSyncStatusPickBit, false}};
    for (const Write &write : writes) {
        std::vector<KTExternalImage> group;
        std::vector<size_t> positions;
        for (size_t index = 0; index < images.size(); ++index) {
            const KTExternalImage &image = images[index];
            if ((image.syncStatusBitmask & write.bit) != write.bit)
                continue;
            const bool decided = write.bit == kSyncStatusRejectBit ? image.isRejected() : image.isPicked();
            if (decided != write.flagged)
                continue;
            group.push_back(image);
            group.back().syncStatusBitmask = result.syncStatusBitmasks[index];
            positions.push_back(index);
        }
        if (group.empty())
            continue;
        const KTCatalogWriteResult written = setSyncFlag(write.bit, group, write.flagged);
        for (size_t i = 0; i < positions.size(); ++i)
            result.syncStatusBitmasks[positions[i]] = written.syncStatusBitmasks[i];
        mergeStatus(result.status, result.errorMessage, written.status, written.errorMessage);
        // A locked catalogue or a running application will not be free for the next write either.
        if (written.status == KTCatalogStatus::Busy || written.status == KTCatalogStatus::ApplicationRunning)
            break;
    }
    return result;
}

KTCatalogReadResult
KTExternalImagesManager::readImagesStatuses(const std::vector<KTExternalImage> &images) const
{
    KTCatalogReadResult result;
    std::vector<KTCatalogImageState> states(images.size());
    const DatabaseOutcome outcome = performDatabaseBlock(
        [&](const Batch &batch, KTSqliteDatabase &database, QString &errorMessage, bool &busy) {
            return readBatchStates(*this, batch, database, images, states, false, errorMessage, busy);
        },
        images, Access::ReadOnly);
    result.status = outcome.status;
    result.errorMessage = outcome.errorMessage;
    if (outcome.status == KTCatalogStatus::Done)
        result.states = std::move(states);
    return result;
}

KTCatalogChangeResult KTExternalImagesManager::imagesUpdatedInExternalCatalogFromImages(
    const std::vector<KTExternalImage> &images) const
{
    KTCatalogChangeResult result;
    std::vector<KTCatalogImageState> states(images.size());
    const bool hasLightroom = std::any_of(images.cbegin(), images.cend(), isLightroomSource);
    const DatabaseOutcome outcome = performDatabaseBlock(
        [&](const Batch &batch, KTSqliteDatabase &database, QString &errorMessage, bool &busy) {
            return readBatchStates(*this, batch, database, images, states,
                                   !isIPhotoOrAperture(batch.bundleID), errorMessage, busy);
        },
        images, hasLightroom ? Access::ReadWrite : Access::ReadOnly);
    result.status = outcome.status;
    result.errorMessage = outcome.errorMessage;
    // An unknown answer removes nothing: a catalogue that could not be read is not an empty one.
    if (outcome.status != KTCatalogStatus::Done)
        return result;

    std::vector<bool> isExternal(images.size(), false);
    for (const Batch &batch : outcome.completedBatches) {
        for (int index : batch.indexes)
            isExternal[size_t(index)] = true;
    }
    for (size_t index = 0; index < images.size(); ++index) {
        if (!isExternal[index])
            continue;
        const KTCatalogImageState &state = states[index];
        if (!state.isPresent)
            result.removedIndexes.push_back(int(index));
        else if (state.isPicked != images[index].isPicked() || state.isRejected != images[index].isRejected())
            result.changedIndexes.push_back(int(index));
    }
    return result;
}

KTImportChange KTExternalImagesManager::importChange(const KTExternalImage &image,
                                                     const KTCatalogImageState &state)
{
    using Rejection = KTImportChange::Rejection;
    KTImportChange change;
    if (!isLightroomSource(image)) {
        // The library wins outright, including for records rejected only in the session.
        change.isChanged = true;
        change.picked = state.isPicked;
        change.rejection = state.isRejected ? Rejection::Reject : Rejection::Clear;
        return change;
    }

    const bool p = image.isPicked();
    const bool r = image.isRejected();
    const bool P = state.isPicked;
    const bool R = state.isRejected;
    if (p == P && r == R)
        return change;

    struct Row
    {
        bool p, r, P, R;
        std::optional<bool> picked;
        Rejection rejection;
        quint64 bits;
    };
    static const Row kRows[] = {
        {false, false, true, false, true, Rejection::Unchanged, 32},
        {false, false, false, true, std::nullopt, Rejection::Reject, 16},
        {false, false, true, true, std::nullopt, Rejection::Reject, 16},
        {true, false, false, false, false, Rejection::Clear, 16},
        {true, false, true, true, false, Rejection::Reject, 48},
        {true, false, false, true, false, Rejection::Reject, 48},
        {false, true, false, false, false, Rejection::Clear, 16},
        {false, true, true, true, false, Rejection::Reject, 48},
        {false, true, true, false, true, Rejection::Clear, 48},
        {true, true, true, false, false, Rejection::Reject, 48},
        {true, true, false, true, false, Rejection::Reject, 48},
        {true, true, false, false, false, Rejection::Clear, 48},
    };
    for (const Row &row : kRows) {
        if (row.p == p && row.r == r && row.P == P && row.R == R) {
            change.isChanged = true;
            change.picked = row.picked;
            change.rejection = row.rejection;
            change.syncBitsToAdd = row.bits;
            break;
        }
    }
    return change;
}
