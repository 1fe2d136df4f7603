#include "KTConcurrentQueue.h"

#include "KTBackgroundWork.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

KTConcurrentQueue &KTConcurrentQueue::global()
{
    static KTConcurrentQueue queue;
    return queue;
}

KTConcurrentQueue::KTConcurrentQueue()
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    m_pool.setObjectName(QStringLiteral("KTConcurrentQueue"));
    KTBackgroundWork::addPool(&m_pool);
}

KTConcurrentQueue::~KTConcurrentQueue()
{
    KTBackgroundWork::removePool(&m_pool);
}

void KTConcurrentQueue::async(std::function<void()> fn)
{
    m_pool.start(std::move(fn));
}

void KTConcurrentQueue::apply(std::size_t count, const std::function<void(std::size_t)> &fn)
{
    if (count == 0)
        return;
    if (count == 1) {
        fn(0);
        return;
    }

    // Helpers and the caller take indices from one counter. A helper that starts after all
    // indices are taken does nothing, so the caller never waits for a helper that has not started.
    struct State
    {
        std::atomic<std::size_t> next{0};
        std::mutex mutex;
        std::condition_variable done;
        std::size_t finished = 0;
    };
    auto state = std::make_shared<State>();
    const auto *work = &fn;
    auto drain = [state, work, count] {
        std::size_t ran = 0;
        for (std::size_t i = state->next.fetch_add(1); i < count; i = state->next.fetch_add(1)) {
            (*work)(i);
            ++ran;
        }
        if (ran > 0) {
            std::lock_guard lock(state->mutex);
            state->finished += ran;
            if (state->finished == count)
                state->done.notify_all();
        }
    };

    const std::size_t helpers = std::min<std::size_t>(count - 1, std::size_t(threadCount()));
    for (std::size_t h = 0; h < helpers; ++h)
        m_pool.start(drain);
    drain();

    std::unique_lock lock(state->mutex);
    state->done.wait(lock, [&] { return state->finished == count; });
}

void KTConcurrentQueue::waitUntilIdle()
{
    m_pool.waitForDone();
}
