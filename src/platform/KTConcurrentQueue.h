#pragma once

#include <QThreadPool>

#include <cstddef>
#include <functional>

/// The global concurrent queue for background work: a thread pool of its own, apart from the
/// shared operation queue and from the pool that runs the serial queues, so work on one of them
/// may wait for another without starving it.
///
/// Threading: every method may be called from any thread.
class KTConcurrentQueue
{
public:
    static KTConcurrentQueue &global();

    /// Runs `fn` on a pool thread later; returns at once.
    void async(std::function<void()> fn);

    /// Calls `fn(i)` for every i in [0, count) concurrently and returns when all calls have
    /// returned. The calling thread takes part, so calling it from a pool thread cannot deadlock.
    void apply(std::size_t count, const std::function<void(std::size_t)> &fn);

    /// Blocks until no job is queued or running. For tests and shutdown; never on the main thread.
    void waitUntilIdle();

    int threadCount() const { return m_pool.maxThreadCount(); }

private:
    KTConcurrentQueue();
    ~KTConcurrentQueue();
    QThreadPool m_pool;
};
