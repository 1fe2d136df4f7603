#include "KTExternalStatusBridge.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTExternalStatusSync.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"
#include "VDKQueue.h"

#include <QDebug>

KTExternalStatusBridge::KTExternalStatusBridge(std::shared_ptr<KTObjectContext> context,
                                               KTUndoManager *undoManager, ImagesList imagesList,
                                               KTUserDefaults &defaults)
    : m_context(std::move(context)), m_undoManager(undoManager), m_imagesList(std::move(imagesList)),
      m_defaults(defaults)
{}

KTExternalStatusBridge::~KTExternalStatusBridge() = default;

void KTExternalStatusBridge::setUp()
{
    Q_ASSERT(isMainThread());
    if (m_context && m_context->count({kFolderEntityName, {}, {}}) > 0)
        storeImageStatuses(m_context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}));
    loadExternalSourcesPaths();
    startWatchingAllExternalSourcePaths();
}

void KTExternalStatusBridge::Snapshot::store(const QList<KTImageMO *> &images)
{
    // Read the records on their own thread, then swap the result in.
    QHash<QString, Status> statuses;
    statuses.reserve(images.size());
    for (const KTImageMO *image : images)
        statuses.insert(image->uuid(),
                        Status{image->picked().value_or(false), image->rejected().value_or(false)});
    const std::lock_guard lock(mutex);
    imageStatusesOnStartSession.swap(statuses);
}

void KTExternalStatusBridge::storeImageStatuses(const QList<KTImageMO *> &images)
{
    m_snapshot->store(images);
}

std::function<void(const QList<KTImageMO *> &)> KTExternalStatusBridge::imageStatusesStorer() const
{
    return [snapshot = m_snapshot](const QList<KTImageMO *> &images) { snapshot->store(images); };
}

bool KTExternalStatusBridge::hasChanges() const
{
    Q_ASSERT(isMainThread());
    const QList<KTImageMO *> images = m_imagesList ? m_imagesList() : QList<KTImageMO *>{};
    const std::lock_guard lock(m_snapshot->mutex);
    const QHash<QString, Status> &statuses = m_snapshot->imageStatusesOnStartSession;
    for (const KTImageMO *image : images) {
        const auto entry = statuses.constFind(image->uuid());
        if (entry == statuses.cend() || entry->rejected != image->rejected().value_or(false) ||
            entry->picked != image->picked().value_or(false))
            return true;
    }
    return false;
}

bool KTExternalStatusBridge::hasExternalSources() const
{
    Q_ASSERT(isMainThread());
    if (!m_context)
        return false;
    for (const KTFolderMO *folder : m_context->fetchAs<KTFolderMO>({kFolderEntityName, {}, {}})) {
        if (folder->type() != kFolderTypeFileSystem)
            return true;
    }
    return false;
}

QList<KTImageMO *> KTExternalStatusBridge::imagesFromExternalSources() const
{
    Q_ASSERT(isMainThread());
    QList<KTImageMO *> images;
    if (!m_context)
        return images;
    const QList<KTFolderMO *> folders = m_context->fetchAs<KTFolderMO>(
        {kFolderEntityName, !KTKeyPath(kFolderTypeValueKey).like(kFolderTypeFileSystem), {}});
    for (const KTFolderMO *folder : folders)
        images.append(folder->images());
    return images;
}

QList<KTImageMO *> KTExternalStatusBridge::externalImagesFromImages(const QList<KTImageMO *> &images)
{
    QList<KTImageMO *> external;
    for (KTImageMO *image : images) {
        if (!image->externalGUID().isNull())
            external.append(image);
    }
    return external;
}

KTImageMO *KTExternalStatusBridge::lastImage() const
{
    const QList<KTImageMO *> images = m_imagesList ? m_imagesList() : QList<KTImageMO *>{};
    return images.isEmpty() ? nullptr : images.last();
}

int KTExternalStatusBridge::externalCatalogType() const
{
    Q_ASSERT(isMainThread());
    const auto sync = KTExternalStatusSync::installed();
    KTImageMO *image = lastImage();
    return sync && image ? sync->externalCatalogTypeFromImageMO(image) : 0;
}

bool KTExternalStatusBridge::isExternalAppRunning() const
{
    Q_ASSERT(isMainThread());
    if (!hasExternalSources())
        return false;
    const auto sync = KTExternalStatusSync::installed();
    KTImageMO *image = lastImage();
    return sync && image && sync->isExternalAppRunningForImage(image);
}

QString KTExternalStatusBridge::runningExternalAppName() const
{
    Q_ASSERT(isMainThread());
    if (!hasExternalSources())
        return {};
    const auto sync = KTExternalStatusSync::installed();
    KTImageMO *image = lastImage();
    return sync && image ? sync->runningExternalAppNameForImage(image) : QString();
}

template <typename Call> bool KTExternalStatusBridge::forward(const char *operation, Call call)
{
    Q_ASSERT(isMainThread());
    const auto sync = KTExternalStatusSync::installed();
    if (!sync || !m_undoManager) {
        qWarning().noquote()
            << QStringLiteral("%1: no external catalogue sync is available").arg(QLatin1String(operation));
        return false;
    }
    // Statuses written by a sync are not the user's edits, so they never become undo steps.
    m_undoManager->disableUndoRegistration();
    const bool result = call(*sync);
    m_undoManager->enableUndoRegistration();
    return result;
}

KTExternalStatusBridge::Completion
KTExternalStatusBridge::storingImageStatusesOnSuccess(const QList<KTImageMO *> &images,
                                                      Completion completion) const
{
    // The records may be deleted (and freed) before the flow ends: keep their ids.
    std::vector<KTObjectID> ids;
    ids.reserve(size_t(images.size()));
    for (const KTImageMO *image : images)
        ids.push_back(image->objectID());
    return [ids = std::move(ids), context = std::weak_ptr<KTObjectContext>(m_context), snapshot = m_snapshot,
            completion = std::move(completion)](bool succeeded) {
        const std::shared_ptr<KTObjectContext> live = context.lock();
        if (succeeded && live) {
            QList<KTImageMO *> images;
            for (const KTObjectID &id : ids) {
                if (auto *image = live->objectWithIdAs<KTImageMO>(id))
                    images.append(image);
            }
            snapshot->store(images);
        }
        if (completion)
            completion(succeeded);
    };
}

void KTExternalStatusBridge::syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion)
{
    const bool started = forward("syncImagesStatuses", [&](KTExternalStatusSync &sync) {
        sync.syncImagesStatuses(images, completion);
        return true;
    });
    if (!started && completion)
        postToMain([completion] { completion(false); });
}

void KTExternalStatusBridge::syncImagesStatuses(const QList<KTImageMO *> &images, bool importStatuses,
                                                Completion completion)
{
    Q_UNUSED(importStatuses)
    syncImagesStatuses(images, storingImageStatusesOnSuccess(images, std::move(completion)));
}

void KTExternalStatusBridge::importImagesStatuses(const QList<KTImageMO *> &images, Completion completion)
{
    Completion storing = storingImageStatusesOnSuccess(images, std::move(completion));
    const bool started = forward("importImagesStatuses", [&](KTExternalStatusSync &sync) {
        sync.importImagesStatuses(images, storing);
        return true;
    });
    if (!started)
        postToMain([storing] { storing(false); });
}

void KTExternalStatusBridge::overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images)
{
    if (forward("overwriteImagesStatusesFromHalvard", [&](KTExternalStatusSync &sync) {
            sync.overwriteImagesStatusesFromHalvard(images);
            return true;
        }))
        storeImageStatuses(images);
}

void KTExternalStatusBridge::loadExternalSourcesPaths()
{
    if (m_defaults.hasStoredValue(kMediaSourcesDefaultsKey))
        m_externalSourcesPaths = m_defaults.stringArrayForKey(kMediaSourcesDefaultsKey);
}

void KTExternalStatusBridge::saveExternalSourcesPaths()
{
    m_defaults.setObject(m_externalSourcesPaths, kMediaSourcesDefaultsKey);
    m_defaults.synchronize();
}

VDKQueue &KTExternalStatusBridge::watcher()
{
    // Catalogue writes are watched but not acted on: statuses are synchronised only when the
    // main window asks, so the watcher has no delegate.
    if (!m_fileWatcher)
        m_fileWatcher = std::make_unique<VDKQueue>();
    return *m_fileWatcher;
}

void KTExternalStatusBridge::startWatchingAllExternalSourcePaths()
{
    for (const QString &path : std::as_const(m_externalSourcesPaths))
        watcher().addPath(path, kVDKQueueNotifyAboutWrite);
}

void KTExternalStatusBridge::addExternalSourcePath(const QString &path)
{
    if (m_externalSourcesPaths.contains(path))
        return;
    m_externalSourcesPaths.append(path);
    watcher().addPath(path, kVDKQueueNotifyAboutWrite);
    saveExternalSourcesPaths();
}

void KTExternalStatusBridge::resetImagesSyncing()
{
    if (m_fileWatcher)
        m_fileWatcher->removeAllPaths();
    m_externalSourcesPaths = {};
    saveExternalSourcesPaths();
}

int KTExternalStatusBridge::numberOfWatchedPaths() const
{
    return m_fileWatcher ? m_fileWatcher->numberOfWatchedPaths() : 0;
}
