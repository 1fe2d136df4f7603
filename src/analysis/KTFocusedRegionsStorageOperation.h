#pragma once

#include "KTFocusedRegionsStorage.h"
#include "KTOperationQueue.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

/// The base of the two operations that obtain a focused-regions storage on the shared operation
/// queue (reading its file, or building it from the image) and hand it to the waiting handlers
/// on the main thread. Its queue priority follows whether anyone waits; whether its storage is
/// cached follows its priority (an operation at very low priority is cached by no one).
///
/// Threading: made and driven on the main thread (handlers, priorities, delivery); only
/// createStorage runs on a queue thread, which posts the delivery to the main queue and does
/// not wait for it. An operation cancelled before it started never runs and never calls back.
class KTFocusedRegionsStorageOperation : public std::enable_shared_from_this<KTFocusedRegionsStorageOperation>
{
public:
    /// Takes the storage (null when none could be had) and whether it is to be cached.
    using Handler =
        std::function<void(const std::shared_ptr<KTFocusedRegionsStorage> &storage, bool shouldCache)>;

    virtual ~KTFocusedRegionsStorageOperation() = default;

    /// The queue operation that runs this one; add it to a queue once.
    const std::shared_ptr<KTOperation> &queueOperation() const { return m_queueOperation; }

    /// Registers `handler` under a new identifier, which it returns.
    QString addHandler(Handler handler);
    /// A removed handler is never called; unknown identifiers are ignored.
    void removeHandlerWithID(const QString &handlerID);
    /// True while at least one handler is registered.
    bool isActive() const { return !m_handlers.isEmpty(); }
    /// False at very low priority.
    bool shouldCache() const;

    /// The priority for the handlers registered now.
    virtual void adjustPriority() = 0;
    /// What becomes of the operation when nobody waits for it any more.
    virtual void setDefaultQueuePriorityIfNeed() = 0;

    /// Runs on the main thread after the handlers, with the same values.
    void setCompletionHandler(Handler handler) { m_completionHandler = std::move(handler); }

    /// False once it has delivered, and when it was cancelled before it started: it will then
    /// never call back.
    bool willDeliver() const;

protected:
    KTFocusedRegionsStorageOperation() = default;

    /// Gives the operation its queue operation, at very low priority; the subclasses' factories
    /// call it once.
    static void attachQueueOperation(const std::shared_ptr<KTFocusedRegionsStorageOperation> &operation);

    void setQueuePriority(KTOperation::Priority priority) { m_queueOperation->setQueuePriority(priority); }
    bool isCancelled() const { return m_queueOperation->isCancelled(); }

    /// The storage; runs on a queue thread.
    virtual std::shared_ptr<KTFocusedRegionsStorage> createStorage() = 0;
    /// Runs on the main thread before the handlers.
    virtual void prepareDelivery() {}

private:
    void main();
    void deliver(const std::shared_ptr<KTFocusedRegionsStorage> &storage);

    std::shared_ptr<KTOperation> m_queueOperation;
    QHash<QString, Handler> m_handlers;
    Handler m_completionHandler;
    std::atomic<bool> m_started{false};
    bool m_delivered = false;
};
