#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

/// A serial queue: jobs run one at a time, in the order they were queued, on threads of a pool
/// kept for serial queues alone. State that one serial queue owns needs no lock.
///
/// Threading: every method may be called from any thread. Destroying the queue waits until the
/// jobs already queued have run, since they may refer to their owner.
class KTSerialQueue
{
public:
    explicit KTSerialQueue(QString label = {});
    ~KTSerialQueue();
    KTSerialQueue(const KTSerialQueue &) = delete;
    KTSerialQueue &operator=(const KTSerialQueue &) = delete;

    const QString &label() const { return m_label; }

    /// Queues `fn`; returns at once.
    void async(std::function<void()> fn);

    /// Runs `fn` on the queue and blocks until it has run. Called from a job of this same queue
    /// it runs inline instead of deadlocking. Never call it on the main thread with a job that
    /// may wait for the main thread.
    void sync(const std::function<void()> &fn);

    /// True when the calling thread is running a job of this queue.
    bool isCurrent() const;

    /// Blocks until every job queued so far has run. For tests and shutdown.
    void waitUntilIdle();

private:
    void drain();

    QString m_label;
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_scheduled = false;
};
