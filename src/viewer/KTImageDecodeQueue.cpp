#include "KTImageDecodeQueue.h"

#include "KTConcurrentQueue.h"

#include <deque>
#include <mutex>

struct KTImageDecodeQueue::State
{
    mutable std::mutex mutex;
    std::deque<std::function<void()>> waiting;
    bool running = false;
};

KTImageDecodeQueue::KTImageDecodeQueue() : m_state(std::make_shared<State>()) {}

KTImageDecodeQueue::~KTImageDecodeQueue()
{
    cancelWaitingJobs();
}

void KTImageDecodeQueue::add(std::function<void()> job)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->waiting.push_back(std::move(job));
        if (m_state->running)
            return;
        m_state->running = true;
    }
    KTConcurrentQueue::global().async([state = m_state] { drain(state); });
}

void KTImageDecodeQueue::drain(const std::shared_ptr<State> &state)
{
    for (;;) {
        std::function<void()> job;
        {
            std::lock_guard lock(state->mutex);
            if (state->waiting.empty()) {
                state->running = false;
                return;
            }
            job = std::move(state->waiting.front());
            state->waiting.pop_front();
        }
        job();
    }
}

int KTImageDecodeQueue::cancelWaitingJobs()
{
    std::deque<std::function<void()>> withdrawn;
    {
        std::lock_guard lock(m_state->mutex);
        withdrawn.swap(m_state->waiting);
    }
    // The jobs are destroyed outside the lock: what they capture may take time to release.
    return int(withdrawn.size());
}

int KTImageDecodeQueue::waitingCount() const
{
    std::lock_guard lock(m_state->mutex);
    return int(m_state->waiting.size());
}

bool KTImageDecodeQueue::isRunning() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->running;
}
