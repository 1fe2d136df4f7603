#include "KTFocusedRegionsManager.h"

#include "KTCatalogNotifications.h"
#include "KTCreateFocusedRegionsStorageOperation.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTImageMO.h"
#include "KTLoadFocusedRegionsStorageFromFileOperation.h"
#include "KTOperationQueue.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace {

// A cancelled operation is never handed to a new request, even one that started before the
// cancel and so still delivers: a cancelled build stops short of its regions, and a cancelled
// load may be taken off the queue before it runs.
template <typename Operation> bool isReusable(const std::shared_ptr<Operation> &operation)
{
    return operation && operation->willDeliver() && !operation->queueOperation()->isCancelled();
}

} // namespace

KTFocusedRegionsManager &KTFocusedRegionsManager::sharedManager()
{
    Q_ASSERT(isMainThread());
    static auto *manager = new KTFocusedRegionsManager(KTOperationQueue::sharedQueue());
    return *manager;
}

KTFocusedRegionsManager::KTFocusedRegionsManager(KTOperationQueue &queue, QObject *parent)
    : QObject(parent), m_queue(queue)
{
    m_imagesChangedObserver = KTNotificationCenter::defaultCenter().addObserver(
        KTImagesChangedInfo::name(), nullptr, [this](const KTNotification &notification) {
            imagesDidChange(KTImagesChangedInfo::deletedImages(notification.userInfo));
        });
}

KTFocusedRegionsManager::~KTFocusedRegionsManager() = default;

std::optional<KTCallbackID> KTFocusedRegionsManager::obtainFocusedRegionStorage(Handler handler,
                                                                                const QString &imageUuid,
                                                                                const QString &imagePath)
{
    Q_ASSERT(isMainThread());
    if (std::shared_ptr<KTFocusedRegionsStorage> cached = m_cache.objectForKey(imageUuid)) {
        if (handler)
            handler(cached, false);
        return std::nullopt;
    }
    std::shared_ptr<KTFocusedRegionsStorageOperation> operation =
        QFileInfo::exists(focusedRegionsStoragePathForImageMO(imageUuid))
            ? loadFocusedRegionsFromFileOperationForImageMO(imageUuid)
            : createFocusedRegionsStorageOperationForImageMO(imageUuid, imagePath);
    const QString identifier = operation->addHandler(std::move(handler));
    return KTCallbackID{identifier, imageUuid, operation};
}

void KTFocusedRegionsManager::cancelObtaining(const std::optional<KTCallbackID> &token)
{
    Q_ASSERT(isMainThread());
    if (token && token->operation)
        token->operation->removeHandlerWithID(token->callbackID);
}

KTFocusedRegionsManager::Handler KTFocusedRegionsManager::cachingHandler(const QString &imageUuid)
{
    return [self = QPointer(this), imageUuid](const std::shared_ptr<KTFocusedRegionsStorage> &storage,
                                              bool shouldCache) {
        if (self && shouldCache && storage)
            self->m_cache.setObject(imageUuid, storage);
    };
}

std::shared_ptr<KTFocusedRegionsStorageOperation>
KTFocusedRegionsManager::loadFocusedRegionsFromFileOperationForImageMO(const QString &imageUuid)
{
    auto operation = m_loadFromDiskOperations.value(imageUuid);
    if (isReusable(operation))
        return operation;
    operation = KTLoadFocusedRegionsStorageFromFileOperation::initWithPath(
        focusedRegionsStoragePathForImageMO(imageUuid));
    operation->setCompletionHandler(cachingHandler(imageUuid));
    m_loadFromDiskOperations.insert(imageUuid, operation);
    m_queue.addOperation(operation->queueOperation());
    return operation;
}

std::shared_ptr<KTFocusedRegionsStorageOperation>
KTFocusedRegionsManager::createFocusedRegionsStorageOperationForImageMO(const QString &imageUuid,
                                                                        const QString &imagePath)
{
    auto operation = m_createOperations.value(imageUuid);
    if (isReusable(operation))
        return operation;
    operation = KTCreateFocusedRegionsStorageOperation::initWithImageAtPath(
        imagePath, focusedRegionsStoragePathForImageMO(imageUuid));
    operation->setCompletionHandler(cachingHandler(imageUuid));
    // A cancelled build deletes its file only while no newer build for the image is registered:
    // that one writes the same path.
    operation->setHasNewerOperation([self = QPointer(this), imageUuid, weak = std::weak_ptr(operation)] {
        return self && self->m_createOperations.value(imageUuid) != weak.lock();
    });
    m_createOperations.insert(imageUuid, operation);
    m_queue.addOperation(operation->queueOperation());
    return operation;
}

void KTFocusedRegionsManager::setFocusedRegionsVisible(bool visible)
{
    Q_ASSERT(isMainThread());
    if (visible == m_focusedRegionsVisible)
        return;
    m_focusedRegionsVisible = visible;
    emit focusedRegionsVisibleChanged(visible);
    if (visible)
        setFocusPointLatticeVisible(false);
    adjustFocusedRegionsOperationsPriority();
}

void KTFocusedRegionsManager::setFocusPointLatticeVisible(bool visible)
{
    Q_ASSERT(isMainThread());
    if (visible == m_focusPointLatticeVisible)
        return;
    m_focusPointLatticeVisible = visible;
    emit focusPointLatticeVisibleChanged(visible);
    if (visible)
        setFocusedRegionsVisible(false);
    adjustFocusedRegionsOperationsPriority();
}

void KTFocusedRegionsManager::adjustFocusedRegionsOperationsPriority()
{
    // The dictionaries hold every operation that can still be waiting: an entry is replaced
    // only once its operation has delivered or was cancelled (a cancelled one that started still
    // delivers to the handlers it has, but its priority no longer matters).
    for (const auto &operation : std::as_const(m_loadFromDiskOperations)) {
        if (operation->willDeliver())
            operation->setDefaultQueuePriorityIfNeed();
    }
    for (const auto &operation : std::as_const(m_createOperations)) {
        if (operation->willDeliver())
            operation->setDefaultQueuePriorityIfNeed();
    }
}

void KTFocusedRegionsManager::deleteStoragesForImages(const QStringList &imageUuids)
{
    Q_ASSERT(isMainThread());
    for (const QString &uuid : imageUuids) {
        if (auto load = m_loadFromDiskOperations.value(uuid))
            load->queueOperation()->cancel();
        if (auto create = m_createOperations.value(uuid))
            create->queueOperation()->cancel();
        const QString path = focusedRegionsStoragePathForImageMO(uuid);
        if (QFileInfo::exists(path))
            QFile::remove(path);
    }
}

void KTFocusedRegionsManager::imagesDidChange(const QList<KTImageMO *> &deletedImages)
{
    QStringList uuids;
    for (const KTImageMO *image : deletedImages) {
        const QString uuid = image->uuid();
        if (!uuid.isEmpty())
            uuids.append(uuid);
    }
    if (!uuids.isEmpty())
        deleteStoragesForImages(uuids);
}

QString KTFocusedRegionsManager::focusedRegionsStoragePathForImageMO(const QString &imageUuid)
{
    return KTFilesManager::sharedManager().focusedRegionsCachePathForImageWidthUIID(imageUuid);
}
