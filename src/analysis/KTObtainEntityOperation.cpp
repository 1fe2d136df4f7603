#include "KTObtainEntityOperation.h"

#include "KTDispatch.h"

#include <QFileInfo>
#include <QUuid>

#include <utility>

KTObtainEntityOperation::KTObtainEntityOperation(QString imagePath, QString entityPath,
                                                 KTEntityClass entityClass, QVariantMap additionalParameters)
    : m_imagePath(std::move(imagePath)), m_entityPath(std::move(entityPath)),
      m_entityClass(std::move(entityClass)), m_params(std::move(additionalParameters)),
      m_loadFromFile(QFileInfo::exists(m_entityPath))
{}

std::shared_ptr<KTObtainEntityOperation>
KTObtainEntityOperation::initWithImageAtPath(QString imagePath, QString entityPath, KTEntityClass entityClass,
                                             QVariantMap additionalParameters)
{
    std::shared_ptr<KTObtainEntityOperation> operation(
        new KTObtainEntityOperation(std::move(imagePath), std::move(entityPath), std::move(entityClass),
                                    std::move(additionalParameters)));
    // The body holds the operation weakly: the queue operation belongs to it, and an operation
    // whose owner dropped it has nobody left to deliver to.
    operation->m_queueOperation =
        std::make_shared<KTOperation>([weak = std::weak_ptr(operation)](const KTOperation &) {
            if (auto self = weak.lock())
                self->main();
        });
    // A body that never ran delivers nothing: the end is posted from here instead.
    operation->m_queueOperation->setCompletionBlock([weak = std::weak_ptr(operation)] {
        auto self = weak.lock();
        if (self && !self->m_started)
            postToMain([self] { self->end(); });
    });
    return operation;
}

QString KTObtainEntityOperation::addCallback(Callback callback)
{
    Q_ASSERT(isMainThread());
    const QString identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_callbacks.insert(identifier, std::move(callback));
    m_callbacksActiveStatuses.insert(identifier, true);
    adjustPriority();
    return identifier;
}

void KTObtainEntityOperation::removeCallbackWithID(const QString &callbackID)
{
    Q_ASSERT(isMainThread());
    if (m_callbacks.remove(callbackID) == 0)
        return;
    m_callbacksActiveStatuses.remove(callbackID);
    adjustPriority();
}

void KTObtainEntityOperation::activateCallbackWithID(const QString &callbackID)
{
    setCallbackActive(callbackID, true);
}

void KTObtainEntityOperation::deactivateCallbackWithID(const QString &callbackID)
{
    setCallbackActive(callbackID, false);
}

void KTObtainEntityOperation::setCallbackActive(const QString &callbackID, bool active)
{
    Q_ASSERT(isMainThread());
    auto it = m_callbacksActiveStatuses.find(callbackID);
    if (it == m_callbacksActiveStatuses.end())
        return;
    it.value() = active;
    adjustPriority();
}

bool KTObtainEntityOperation::isActive() const
{
    for (bool active : m_callbacksActiveStatuses) {
        if (active)
            return true;
    }
    return false;
}

void KTObtainEntityOperation::adjustPriority()
{
    KTOperation::Priority priority = KTOperation::Priority::Low;
    if (isActive())
        priority = m_loadFromFile ? KTOperation::Priority::High : KTOperation::Priority::Normal;
    m_queueOperation->setQueuePriority(priority);
}

std::shared_ptr<KTEntity> KTObtainEntityOperation::loadEntity() const
{
    return m_entityClass.load(m_entityPath);
}

std::shared_ptr<KTEntity> KTObtainEntityOperation::createEntity() const
{
    return m_entityClass.create(m_imagePath, m_params);
}

void KTObtainEntityOperation::main()
{
    m_started = true;
    std::shared_ptr<KTEntity> entity;
    if (m_loadFromFile)
        entity = loadEntity();
    if (entity) {
        postToMain([self = shared_from_this(), entity] { self->deliver(entity); });
        return;
    }
    m_loadFromFile = false;
    entity = createEntity();
    // The views wait for the picture, not for its file: the file is encoded and written after.
    postToMain([self = shared_from_this(), entity] { self->deliver(entity); });
    if (entity)
        entity->writeToFile(m_entityPath);
}

void KTObtainEntityOperation::deliver(const std::shared_ptr<KTEntity> &entity)
{
    m_delivered = true;
    // A callback may withdraw others while it runs; the ones registered now are all called.
    const QHash<QString, Callback> callbacks = m_callbacks;
    for (const Callback &callback : callbacks) {
        if (callback)
            callback(entity);
    }
    if (isActive() && m_completionCallback)
        m_completionCallback(entity);
    end();
}

void KTObtainEntityOperation::end()
{
    if (auto callback = std::exchange(m_endCallback, nullptr))
        callback();
}
