#include "KTEntitiesManager.h"

#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTOperationQueue.h"

#include <QStringBuilder>

KTEntitiesManager &KTEntitiesManager::sharedManager()
{
    Q_ASSERT(isMainThread());
    static KTEntitiesManager manager(KTOperationQueue::sharedQueue());
    return manager;
}

KTEntitiesManager::KTEntitiesManager(KTOperationQueue &queue) : m_queue(queue) {}

KTEntitiesManager::~KTEntitiesManager() = default;

std::optional<KTEntitiesManagerCallbackID>
KTEntitiesManager::obtainEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid,
                                       const QString &imagePath, const QVariantMap &parameters,
                                       Callback callback)
{
    Q_ASSERT(isMainThread());
    const QString key = keyForEntityOfClass(entityClass, imageUuid, parameters);
    if (std::shared_ptr<KTEntity> cached = m_entitiesCache.objectForKey(key)) {
        if (callback)
            callback(cached);
        return std::nullopt;
    }

    std::shared_ptr<KTObtainEntityOperation> operation = m_operations.value(key);
    // A run that has delivered, or was cancelled before it started, will never call back.
    if (!operation || operation->hasDelivered() || operation->isCancelled()) {
        operation = KTObtainEntityOperation::initWithImageAtPath(
            imagePath, pathForEntityOfClass(entityClass, imageUuid, parameters), entityClass, parameters);
        operation->setCompletionCallback(
            [alive = std::weak_ptr(m_alive), this, key](const std::shared_ptr<KTEntity> &entity) {
                if (entity && alive.lock())
                    m_entitiesCache.setObject(key, entity, entity->cost());
            });
        // Keys carry the record's uuid, new every session: an operation kept after its end would
        // never be asked for again.
        operation->setEndCallback([alive = std::weak_ptr(m_alive), this, key, ended = operation.get()] {
            if (!alive.lock())
                return;
            const auto it = m_operations.constFind(key);
            if (it != m_operations.cend() && it->get() == ended)
                m_operations.erase(it);
        });
        m_operations.insert(key, operation);
        m_queue.addOperation(operation->queueOperation());
    }
    return KTEntitiesManagerCallbackID{key, operation->addCallback(std::move(callback))};
}

void KTEntitiesManager::cancelCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token)
{
    if (auto operation = operationForID(token))
        operation->removeCallbackWithID(token->callbackID);
}

void KTEntitiesManager::activateCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token)
{
    if (auto operation = operationForID(token))
        operation->activateCallbackWithID(token->callbackID);
}

void KTEntitiesManager::deactivateCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token)
{
    if (auto operation = operationForID(token))
        operation->deactivateCallbackWithID(token->callbackID);
}

QString KTEntitiesManager::keyForEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid,
                                               const QVariantMap &parameters)
{
    // Built in one allocation: every cell asks for two keys each time it is bound.
    const QString suffix = entityClass.pathSuffix ? entityClass.pathSuffix(parameters) : QString();
    if (suffix.isEmpty())
        return imageUuid % QLatin1Char('_') % entityClass.name;
    return imageUuid % QLatin1Char('_') % entityClass.name % QLatin1Char('_') % suffix;
}

QString KTEntitiesManager::pathForEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid,
                                                const QVariantMap &parameters)
{
    return KTFilesManager::sharedManager().entitiesDirectoryPath() + QLatin1Char('/') +
           keyForEntityOfClass(entityClass, imageUuid, parameters);
}

std::shared_ptr<KTObtainEntityOperation>
KTEntitiesManager::operationForID(const std::optional<KTEntitiesManagerCallbackID> &token) const
{
    Q_ASSERT(isMainThread());
    if (!token)
        return nullptr;
    return m_operations.value(token->operationKey);
}
