#include "KTExternalStatusFlows.h"

#include "KTExternalImagesManager.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTSerialQueue.h"
#include "KTDispatch.h"

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

// Switches the context's undo registration off while it lives: statuses that a flow writes are
// not the user's edits.
class UndoRegistrationOff
{
public:
    explicit UndoRegistrationOff(KTObjectContext *context) : m_context(context)
    {
        if (m_context)
            m_context->disableUndoRegistration();
    }
    ~UndoRegistrationOff()
    {
        if (m_context)
            m_context->enableUndoRegistration();
    }
    UndoRegistrationOff(const UndoRegistrationOff &) = delete;
    UndoRegistrationOff &operator=(const UndoRegistrationOff &) = delete;

private:
    KTObjectContext *m_context;
};

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

void later(std::function<void()> job)
{
    postToMain(std::move(job));
}

// A flow over no image answers at once, on a later turn, with an empty outcome.
template <typename Completion>
bool answeredForNoImages(const QList<KTImageMO *> &images, const Completion &completion)
{
    if (!images.isEmpty())
        return false;
    if (completion)
        later([completion] { completion({}); });
    return true;
}

} // namespace

/// The records of one flow: their values for the queue, and their ids for finding them again on
/// the main thread (a record may be deleted, and freed, while the queue works).
struct KTExternalStatusFlows::Snapshot
{
    explicit Snapshot(const QList<KTImageMO *> &images) : values(externalImages(images))
    {
        ids.reserve(size_t(images.size()));
        for (const KTImageMO *image : images)
            ids.push_back(image->objectID());
        if (!images.isEmpty() && images.first()->context())
            context = images.first()->context()->shared_from_this();
    }

    /// The records still alive, index for index with the values; null for the others.
    QList<KTImageMO *> resolve() const
    {
        QList<KTImageMO *> images;
        const std::shared_ptr<KTObjectContext> live = context.lock();
        images.reserve(qsizetype(ids.size()));
        for (const KTObjectID &id : ids)
            images.append(live ? live->objectWithIdAs<KTImageMO>(id) : nullptr);
        return images;
    }
    KTObjectContext *liveContext() const { return context.lock().get(); }

    std::weak_ptr<KTObjectContext> context;
    std::vector<KTObjectID> ids;
    std::vector<KTExternalImage> values;
};

KTExternalStatusFlows::KTExternalStatusFlows(const KTExternalImagesManager &manager)
    : m_manager(manager), m_queue(std::make_unique<KTSerialQueue>(QStringLiteral("external catalogues")))
{}

KTExternalStatusFlows::~KTExternalStatusFlows() = default;

template <typename Result>
void KTExternalStatusFlows::run(const std::vector<KTExternalImage> &values,
                                Result (KTExternalImagesManager::*work)(const std::vector<KTExternalImage> &)
                                    const,
                                std::function<void(const Result &)> apply)
{
    ++*m_pendingFlows;
    m_queue->async([manager = &m_manager, values, work, apply = std::move(apply),
                    alive = std::weak_ptr<bool>(m_alive), pending = std::weak_ptr<int>(m_pendingFlows)] {
        Result result = (manager->*work)(values);
        postToMain([alive, pending, apply, result = std::move(result)] {
            if (!alive.lock())
                return;
            apply(result);
            // After `apply`, so that a flow it chains keeps the count above zero.
            if (const std::shared_ptr<int> count = pending.lock())
                --*count;
        });
    });
}

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

void KTExternalStatusFlows::syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion)
{
    if (images.isEmpty()) {
        if (completion)
            later([completion] { completion(false); });
        return;
    }
    syncImagesStatusesWithOutcome(images, [completion](const KTCatalogOutcome &outcome) {
        if (completion)
            completion(outcome.succeeded());
    });
}

void KTExternalStatusFlows::syncImagesStatusesWithOutcome(const QList<KTImageMO *> &images,
                                                          OutcomeCompletion completion)
{
    if (answeredForNoImages(images, completion))
        return;
    auto snapshot = std::make_shared<const Snapshot>(images);
    run<KTCatalogWriteResult>(snapshot->values, &KTExternalImagesManager::syncImagesStatuses,
                              [snapshot, completion](const KTCatalogWriteResult &result) {
                                  applyWritePass(*snapshot, result);
                                  if (completion)
                                      completion(result);
                              });
}

void KTExternalStatusFlows::applyWritePass(const Snapshot &snapshot, const KTCatalogWriteResult &result)
{
    KTObjectContext *context = snapshot.liveContext();
    const UndoRegistrationOff undoOff(context);
    const QList<KTImageMO *> records = snapshot.resolve();
    for (qsizetype index = 0; index < records.size(); ++index) {
        KTImageMO *image = records[index];
        if (!image)
            continue;
        const KTExternalImage &written = snapshot.values[size_t(index)];
        const quint64 after = result.syncStatusBitmasks[size_t(index)];
        quint64 cleared = written.syncStatusBitmask & ~after;
        const quint64 added = after & ~written.syncStatusBitmask;
        // A decision changed while the pass ran is not the one written: its bit stays for the
        // next pass.
        if (image->rejected().value_or(false) != written.isRejected())
            cleared &= ~kSyncStatusRejectBit;
        if (image->picked().value_or(false) != written.isPicked())
            cleared &= ~kSyncStatusPickBit;
        const quint64 current = quint64(image->syncStatusBitmask().value_or(0));
        const quint64 next = (current & ~cleared) | added;
        if (next != current)
            image->setSyncStatusBitmask(qint64(next));
    }
    logFailure("The write pass", result);
    processPendingChanges(context);
}

void KTExternalStatusFlows::importImagesStatuses(const QList<KTImageMO *> &images, Completion completion)
{
    const auto done = [completion](const KTCatalogOutcome &outcome) {
        if (completion)
            completion(outcome.succeeded());
    };
    if (images.isEmpty()) {
        later([done] { done({}); });
        return;
    }
    if (lightroomImagesInArray(images).isEmpty())
        importIPhotoOrAppertureImageStatuses(images, done);
    else
        importLightroomImagesStatuses(images, done);
}

void KTExternalStatusFlows::importStatuses(const QList<KTImageMO *> &images, ImportCompletion completion)
{
    using Rejection = KTImportChange::Rejection;
    if (images.isEmpty()) {
        later([completion] { completion({}, {}); });
        return;
    }
    auto snapshot = std::make_shared<const Snapshot>(images);
    run<KTCatalogReadResult>(
        snapshot->values, &KTExternalImagesManager::readImagesStatuses,
        [this, snapshot, completion](const KTCatalogReadResult &read) {
            if (!read.succeeded()) {
                // An unreadable catalogue is not one without decisions: keep the session's.
                logFailure("The import", read);
                completion(read, {});
                return;
            }
            KTObjectContext *context = snapshot->liveContext();
            QList<KTImageMO *> changed;
            {
                const UndoRegistrationOff undoOff(context);
                const QList<KTImageMO *> records = snapshot->resolve();
                QList<KTImageMO *> rejects;
                for (qsizetype index = 0; index < records.size(); ++index) {
                    KTImageMO *image = records[index];
                    const KTExternalImage &value = snapshot->values[size_t(index)];
                    // Folder images in the list have no catalogue state to take.
                    if (!image || value.externalGUID.isEmpty())
                        continue;
                    const KTImportChange change =
                        KTExternalImagesManager::importChange(value, read.states[size_t(index)]);
                    if (!change.isChanged)
                        continue;
                    if (change.picked && image->picked() != change.picked)
                        image->setPicked(change.picked);
                    if (change.rejection == Rejection::Clear &&
                        image->rejected() != std::optional<bool>(false))
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
                        qWarning().noquote()
                            << QStringLiteral("The import could not reject %1 images: no trash is connected")
                                   .arg(rejects.size());
                }
                if (!changed.isEmpty())
                    processPendingChanges(context);
            }
            completion(read, changed);
        });
}

void KTExternalStatusFlows::importLightroomImagesStatuses(const QList<KTImageMO *> &images,
                                                          OutcomeCompletion completion)
{
    importStatuses(
        images, [this, completion](const KTCatalogOutcome &outcome, const QList<KTImageMO *> &changed) {
            // The write pass makes the catalogue's collections and flags match what the import decided;
            // when it cannot run, the bits keep the work for the next pass.
            if (changed.isEmpty()) {
                if (completion)
                    completion(outcome);
                return;
            }
            syncImagesStatusesWithOutcome(changed, [outcome, completion](const KTCatalogOutcome &) {
                if (completion)
                    completion(outcome);
            });
        });
}

void KTExternalStatusFlows::importIPhotoOrAppertureImageStatuses(const QList<KTImageMO *> &images,
                                                                 OutcomeCompletion completion)
{
    importStatuses(images, [completion](const KTCatalogOutcome &outcome, const QList<KTImageMO *> &) {
        if (completion)
            completion(outcome);
    });
}

void KTExternalStatusFlows::imagesUpdatedInExternalCatalogFromImages(const QList<KTImageMO *> &images,
                                                                     ChangeCheckCompletion completion)
{
    const QList<KTImageMO *> lightroomImages = lightroomImagesInArray(images);
    if (lightroomImages.isEmpty())
        imagesUpdatedInIPhotoOrApperture(images, std::move(completion));
    else
        imagesUpdatedInLightroomFromImages(lightroomImages, std::move(completion));
}

void KTExternalStatusFlows::imagesUpdatedInLightroomFromImages(const QList<KTImageMO *> &images,
                                                               ChangeCheckCompletion completion)
{
    checkForChanges(lightroomImagesInArray(images), std::move(completion));
}

void KTExternalStatusFlows::imagesUpdatedInIPhotoOrApperture(const QList<KTImageMO *> &images,
                                                             ChangeCheckCompletion completion)
{
    checkForChanges(images, std::move(completion));
}

void KTExternalStatusFlows::checkForChanges(const QList<KTImageMO *> &images,
                                            ChangeCheckCompletion completion)
{
    if (answeredForNoImages(images, completion))
        return;
    auto snapshot = std::make_shared<const Snapshot>(images);
    run<KTCatalogChangeResult>(snapshot->values,
                               &KTExternalImagesManager::imagesUpdatedInExternalCatalogFromImages,
                               [snapshot, completion](const KTCatalogChangeResult &result) {
                                   ChangeCheck check;
                                   check.outcome = result;
                                   if (!result.succeeded()) {
                                       // Nothing is known, so nothing is deleted.
                                       logFailure("The change check", result);
                                   } else {
                                       const QList<KTImageMO *> records = snapshot->resolve();
                                       for (int index : result.changedIndexes) {
                                           if (KTImageMO *image = records[index])
                                               check.changedImages.append(image);
                                       }
                                       bool deleted = false;
                                       for (int index : result.removedIndexes) {
                                           if (KTImageMO *image = records[index]) {
                                               image->context()->deleteObject(image);
                                               deleted = true;
                                           }
                                       }
                                       if (deleted)
                                           processPendingChanges(snapshot->liveContext());
                                   }
                                   if (completion)
                                       completion(check);
                               });
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
