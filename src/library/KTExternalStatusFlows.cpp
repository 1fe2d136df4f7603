#include "KTExternalStatusFlows.h"

#include "KTExternalImagesManager.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"

#include <QDebug>
#include <QTimeZone>

namespace {

std::vector<KTExternalImage> externalImages(const QList<KTImageMO *> &images)
{
    std::vector<KTExternalImage> values;
    values.reserve(size_t(images.size()));
    for (const KTImageMO *image : images)
        values.push_back(KTExternalStatusFlows::externalImageFromImageMO(*image));
    return values;
}

void storeSyncStatusBitmasks(const QList<KTImageMO *> &images, const std::vector<quint64> &bitmasks)
{
    Q_ASSERT(bitmasks.size() == size_t(images.size()));
    for (qsizetype index = 0; index < images.size(); ++index) {
        KTImageMO *image = images[index];
        const qint64 bits = qint64(bitmasks[size_t(index)]);
        if (image->syncStatusBitmask().value_or(0) != bits)
            image->setSyncStatusBitmask(bits);
    }
}

void processPendingChanges(KTObjectContext *context)
{
    if (context)
        context->processPendingChanges();
}

void logFailure(const char *flow, const KTCatalogOutcome &outcome)
{
    if (outcome.status == KTCatalogStatus::Failed)
        qWarning().noquote()
            << QStringLiteral("%1 failed: %2").arg(QLatin1String(flow), outcome.errorMessage);
}

} // namespace

KTExternalStatusFlows::KTExternalStatusFlows(const KTExternalImagesManager &manager) : m_manager(manager) {}

KTExternalImage KTExternalStatusFlows::externalImageFromImageMO(const KTImageMO &image)
{
    KTExternalImage value;
    value.externalGUID = image.externalGUID();
    if (const KTFolderMO *folder = image.folder()) {
        value.sourceType = folder->type();
        value.mediaSource = folder->mediaSource();
    }
    value.picked = image.picked();
    value.rejected = image.rejected();
    value.syncStatusBitmask = quint64(image.syncStatusBitmask().value_or(0));
    const QDateTime touchTime = image.touchTime();
    if (touchTime.isValid()) {
        static const QDateTime kReferenceDate(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
        value.touchTime = double(kReferenceDate.msecsTo(touchTime)) / 1000.0;
    }
    return value;
}

bool KTExternalStatusFlows::syncImagesStatuses(const QList<KTImageMO *> &images)
{
    return !images.isEmpty() && syncImagesStatusesWithOutcome(images).succeeded();
}

KTCatalogOutcome KTExternalStatusFlows::syncImagesStatusesWithOutcome(const QList<KTImageMO *> &images)
{
    if (images.isEmpty())
        return {};
    const KTCatalogWriteResult result = m_manager.syncImagesStatuses(externalImages(images));
    storeSyncStatusBitmasks(images, result.syncStatusBitmasks);
    logFailure("The write pass", result);
    processPendingChanges(images.last()->context());
    return result;
}

bool KTExternalStatusFlows::importImagesStatuses(const QList<KTImageMO *> &images)
{
    if (images.isEmpty())
        return true;
    const KTCatalogOutcome outcome = lightroomImagesInArray(images).isEmpty()
                                         ? importIPhotoOrAppertureImageStatuses(images)
                                         : importLightroomImagesStatuses(images);
    return outcome.succeeded();
}

KTCatalogOutcome KTExternalStatusFlows::importStatuses(const QList<KTImageMO *> &images,
                                                       QList<KTImageMO *> &changed)
{
    using Rejection = KTImportChange::Rejection;
    if (images.isEmpty())
        return {};
    const std::vector<KTExternalImage> values = externalImages(images);
    const KTCatalogReadResult read = m_manager.readImagesStatuses(values);
    if (!read.succeeded()) {
        // An unreadable catalogue is not one without decisions: keep the session's.
        logFailure("The import", read);
        return read;
    }
    QList<KTImageMO *> rejects;
    for (qsizetype index = 0; index < images.size(); ++index) {
        // Folder images in the list have no catalogue state to take.
        if (values[size_t(index)].externalGUID.isEmpty())
            continue;
        const KTImportChange change =
            KTExternalImagesManager::importChange(values[size_t(index)], read.states[size_t(index)]);
        if (!change.isChanged)
            continue;
        KTImageMO *image = images[index];
        if (change.picked && image->picked() != change.picked)
            image->setPicked(change.picked);
        if (change.rejection == Rejection::Clear && image->rejected() != std::optional<bool>(false))
            image->setRejected(false);
        else if (change.rejection == Rejection::Reject)
            rejects.append(image);
        if (change.syncBitsToAdd != 0)
            image->setSyncStatusBitmask(
                qint64(quint64(image->syncStatusBitmask().value_or(0)) | change.syncBitsToAdd));
        changed.append(image);
    }
    if (!rejects.isEmpty()) {
        if (m_moveImagesToTrash)
            m_moveImagesToTrash(rejects);
        else
            qWarning().noquote() << QStringLiteral(
                                        "The import could not reject %1 images: no trash is connected")
                                        .arg(rejects.size());
    }
    return read;
}

KTCatalogOutcome KTExternalStatusFlows::importLightroomImagesStatuses(const QList<KTImageMO *> &images)
{
    QList<KTImageMO *> changed;
    const KTCatalogOutcome outcome = importStatuses(images, changed);
    // The write pass makes the catalogue's collections and flags match what the import decided;
    // when it cannot run, the bits keep the work for the next pass.
    if (!changed.isEmpty())
        syncImagesStatusesWithOutcome(changed);
    return outcome;
}

KTCatalogOutcome KTExternalStatusFlows::importIPhotoOrAppertureImageStatuses(const QList<KTImageMO *> &images)
{
    QList<KTImageMO *> changed;
    const KTCatalogOutcome outcome = importStatuses(images, changed);
    if (!changed.isEmpty())
        processPendingChanges(images.last()->context());
    return outcome;
}

KTExternalStatusFlows::ChangeCheck
KTExternalStatusFlows::imagesUpdatedInExternalCatalogFromImages(const QList<KTImageMO *> &images)
{
    const QList<KTImageMO *> lightroomImages = lightroomImagesInArray(images);
    return lightroomImages.isEmpty() ? imagesUpdatedInIPhotoOrApperture(images)
                                     : imagesUpdatedInLightroomFromImages(lightroomImages);
}

KTExternalStatusFlows::ChangeCheck
KTExternalStatusFlows::imagesUpdatedInLightroomFromImages(const QList<KTImageMO *> &images)
{
    return checkForChanges(lightroomImagesInArray(images));
}

KTExternalStatusFlows::ChangeCheck
KTExternalStatusFlows::imagesUpdatedInIPhotoOrApperture(const QList<KTImageMO *> &images)
{
    return checkForChanges(images);
}

KTExternalStatusFlows::ChangeCheck KTExternalStatusFlows::checkForChanges(const QList<KTImageMO *> &images)
{
    ChangeCheck check;
    if (images.isEmpty())
        return check;
    const KTCatalogChangeResult result =
        m_manager.imagesUpdatedInExternalCatalogFromImages(externalImages(images));
    check.outcome = result;
    if (!result.succeeded()) {
        // Nothing is known, so nothing is deleted.
        logFailure("The change check", result);
        return check;
    }
    for (int index : result.changedIndexes)
        check.changedImages.append(images[index]);
    KTObjectContext *context = images.last()->context();
    for (int index : result.removedIndexes)
        images[index]->context()->deleteObject(images[index]);
    if (!result.removedIndexes.empty())
        processPendingChanges(context);
    return check;
}

void KTExternalStatusFlows::overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images)
{
    for (KTImageMO *image : images)
        image->setSyncStatusBitmask(qint64(quint64(image->syncStatusBitmask().value_or(0)) |
                                           kSyncStatusRejectBit | kSyncStatusPickBit));
}

QSet<KTImageMO *>
KTExternalStatusFlows::rejectImagesOrReturnImagesWhichCouldNotBeRejected(const QList<KTImageMO *> &images)
{
    // One write per catalogue, so that a busy or broken catalogue fails only its own images and
    // the busy test is made for each catalogue, not only for the list's last image.
    QSet<KTImageMO *> rejected;
    for (const KTExternalImagesManager::Batch &batch :
         KTExternalImagesManager::imagesGUIDsFromImages(externalImages(images))) {
        QList<KTImageMO *> batchImages;
        for (int index : batch.indexes)
            batchImages.append(images[index]);
        if (markImagesAsRejected(batchImages).succeeded())
            rejected.unite(QSet<KTImageMO *>(batchImages.cbegin(), batchImages.cend()));
    }
    QSet<KTImageMO *> failures;
    for (KTImageMO *image : images) {
        if (!rejected.contains(image))
            failures.insert(image);
    }
    return failures;
}

KTCatalogOutcome KTExternalStatusFlows::markImagesAsRejected(const QList<KTImageMO *> &images)
{
    return setSyncFlag(kSyncStatusRejectBit, images, true);
}

KTCatalogOutcome KTExternalStatusFlows::unmarkImagesAsRejected(const QList<KTImageMO *> &images)
{
    return setSyncFlag(kSyncStatusRejectBit, images, false);
}

KTCatalogOutcome KTExternalStatusFlows::markImagesAsPicked(const QList<KTImageMO *> &images)
{
    return setSyncFlag(kSyncStatusPickBit, images, true);
}

KTCatalogOutcome KTExternalStatusFlows::unmarkImagesAsPicked(const QList<KTImageMO *> &images)
{
    return setSyncFlag(kSyncStatusPickBit, images, false);
}

KTCatalogOutcome KTExternalStatusFlows::setSyncFlag(quint64 bit, const QList<KTImageMO *> &images,
                                                    bool flagged)
{
    if (images.isEmpty())
        return {};
    const KTCatalogWriteResult result = m_manager.setSyncFlag(bit, externalImages(images), flagged);
    storeSyncStatusBitmasks(images, result.syncStatusBitmasks);
    logFailure("A catalogue write", result);
    return result;
}

QList<KTImageMO *> KTExternalStatusFlows::lightroomImagesInArray(const QList<KTImageMO *> &images)
{
    QList<KTImageMO *> lightroomImages;
    for (KTImageMO *image : images) {
        const KTFolderMO *folder = image->folder();
        if (folder && folder->type().contains(QLatin1String("Lightroom")))
            lightroomImages.append(image);
    }
    return lightroomImages;
}

int KTExternalStatusFlows::externalCatalogTypeFromImageMO(const KTImageMO *image) const
{
    return image ? int(KTExternalImagesManager::externalCatalogTypeFromImageMO(
                       externalImageFromImageMO(*image)))
                 : 0;
}

bool KTExternalStatusFlows::isExternalAppRunningForImage(const KTImageMO *image) const
{
    return image && m_manager.isExternalAppRunningForImage(externalImageFromImageMO(*image));
}

QString KTExternalStatusFlows::runningExternalAppNameForImage(const KTImageMO *image) const
{
    return image ? m_manager.runningExternalAppNameForImage(externalImageFromImageMO(*image)) : QString();
}
