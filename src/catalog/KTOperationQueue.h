#pragma once

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>

/// One unit of work for a KTOperationQueue. The body receives the operation so it can poll
/// isCancelled() between steps.
///
/// Completion: the completion block runs exactly once for every operation that was added to a
/// queue, on a pool thread, after the body returned or was skipped, also when the operation was
/// cancelled (check isCancelled() inside it). A cancelled operation that had not started never
/// runs its body.
class KTOperation
{
public:
    enum class Priority
    {
        VeryLow = -8,
        Low = -4,
        Normal = 0,
        High = 4,
        VeryHigh = 8
    };
    using Body = std::function<void(const KTOperation &)>;

    explicit KTOperation(Body body);

    /// Raises the cancel flag; a running body decides where to stop.
    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }
    bool isFinished() const;

    /// Set before the operation is added to a queue.
    void setCompletionBlock(std::function<void()> block) { m_completion = std::move(block); }
    /// May change while the operation waits in a queue: the queue starts the waiting operation
    /// of highest priority at the moment a thread frees up (the earliest added on a tie).
    void setQueuePriority(Priority priority) { m_priority = priority; }
    Priority queuePriority() const { return m_priority; }

    /// Blocks until the operation has finished. Never on the main thread.
    void waitUntilFinished();

private:
    friend class KTOperationQueue;
    void run();

    Body m_body;
    std::function<void()> m_completion;
    std::atomic<Priority> m_priority{Priority::Normal};
    std::atomic<bool> m_cancelled{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_finishedCondition;
    bool m_finished = false;
};

/// The shared background operation queue on which thumbnail entities and focused regions are
/// computed. Its width follows the processor count: all processors while the application is
/// active, half of them (at least one) while it is not.
///
/// Threading: every method may be called from any thread, except the waits, which block and so
/// must never be called on the main thread. Width changes apply to operations not yet started.
class KTOperationQueue : public QObject
{
    Q_OBJECT
public:
    /// The shared queue, made once on first call from any thread.
    static KTOperationQueue &sharedQueue();

    explicit KTOperationQueue(QObject *parent = nullptr);
    ~KTOperationQueue() override;

    void addOperation(std::shared_ptr<KTOperation> operation);
    std::shared_ptr<KTOperation>
    addOperationWithBlock(KTOperation::Body body,
                          KTOperation::Priority priority = KTOperation::Priority::Normal);

    /// Cancels every operation added and not yet finished.
    void cancelAllOperations();
    /// Blocks until every operation added so far has finished, completion blocks included.
    void waitUntilAllOperationsAreFinished();

    int operationCount() const;
    int maxConcurrentOperationCount() const { return m_pool.maxThreadCount(); }
    /// A width set here is kept: the queue stops following the application's activity.
    void setMaxConcurrentOperationCount(int count);

    /// Sets the width from the processor count and whether the application is active, unless a
    /// width was set explicitly.
    void adaptForAppActiveStatus();
    /// The width rule: `processors`, halved (rounded down) when not active, at least 1.
    static int widthFor(int processors, bool applicationActive);

    /// Stops following the application's activity; the destructor calls it first.
    void prepareForDeleting();

private:
    void finished(const std::shared_ptr<KTOperation> &operation);
    std::shared_ptr<KTOperation> takeNextPending();

    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::unordered_set<std::shared_ptr<KTOperation>> m_operations;
    // Added and not yet started, in the order of adding.
    std::deque<std::shared_ptr<KTOperation>> m_pending;
    QMetaObject::Connection m_activityConnection;
    QThreadPool m_pool;
    std::atomic<bool> m_explicitWidth{false};
};
