#include "KTFocusedRegionsStorageOperation.h"

#include "KTDispatch.h"

#include <QUuid>

void KTFocusedRegionsStorageOperation::attachQueueOperation(
    const std::shared_ptr<KTFocusedRegionsStorageOperation> &operation)
{
    // Held weakly: the queue operation belongs to the operation, and an operation that its
    // owner dropped has nobody left to deliver to.
    operation->m_queueOperation =
        std::make_shared<KTOperation>([weak = std::weak_ptr(operation)](const KTOperation &) {
            if (auto self = weak.lock())
                self->main();
        });
    operation->m_queueOperation->setQueuePriority(KTOperation::Priority::VeryLow);
}

QString KTFocusedRegionsStorageOperation::addHandler(Handler handler)
{
    Q_ASSERT(isMainThread());
    const QString identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_handlers.insert(identifier, std::move(handler));
    adjustPriority();
    return identifier;
}

void KTFocusedRegionsStorageOperation::removeHandlerWithID(const QString &handlerID)
{
    Q_ASSERT(isMainThread());
    if (m_handlers.remove(handlerID) > 0)
        adjustPriority();
}

bool KTFocusedRegionsStorageOperation::shouldCache() const
{
    return m_queueOperation->queuePriority() != KTOperation::Priority::VeryLow;
}

bool KTFocusedRegionsStorageOperation::willDeliver() const
{
    return !m_delivered && (m_started || !isCancelled());
}

void KTFocusedRegionsStorageOperation::main()
{
    m_started = true;
    std::shared_ptr<KTFocusedRegionsStorage> storage = createStorage();
    postToMain([self = shared_from_this(), storage] { self->deliver(storage); });
}

void KTFocusedRegionsStorageOperation::deliver(const std::shared_ptr<KTFocusedRegionsStorage> &storage)
{
    m_delivered = true;
    prepareDelivery();
    const bool cache = shouldCache();
    // A handler may withdraw others while it runs; the ones registered now are all called.
    const QHash<QString, Handler> handlers = m_handlers;
    for (const Handler &handler : handlers) {
        if (handler)
            handler(storage, cache);
    }
    if (m_completionHandler)
        m_completionHandler(storage, cache);
}
