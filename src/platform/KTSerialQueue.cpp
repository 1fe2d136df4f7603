#include "KTSerialQueue.h"

#include "KTBackgroundWork.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace {

// Serial queues may block on each other (a context's performAndWait), so their pool is wide;
// idle threads expire after the pool's default timeout.
QThreadPool &serialPool()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(std::max(64, 8 * QThread::idealThreadCount()));
        p->setObjectName(QStringLiteral("KTSerialQueuePool"));
        KTBackgroundWork::addPool(p);
        return p;
    }();
    return *pool;
}

thread_local const KTSerialQueue *t_currentQueue = nullptr;

// Jobs run per turn before the queue hands its thread back, so one busy queue cannot hold a
// pool thread for ever.
constexpr int kJobsPerTurn = 64;

} // namespace

KTSerialQueue::KTSerialQueue(QString label) : m_label(std::move(label)) {}

KTSerialQueue::~KTSerialQueue()
{
    waitUntilIdle();
}

void KTSerialQueue::async(std::function<void()> fn)
{
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(fn));
    if (!m_scheduled) {
        m_scheduled = true;
        serialPool().start([this] { drain(); });
    }
}

void KTSerialQueue::drain()
{
    const KTSerialQueue *previous = t_currentQueue;
    t_currentQueue = this;
    for (int turn = 0; turn < kJobsPerTurn; ++turn) {
        std::function<void()> job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty()) {
                m_scheduled = false;
                m_idle.notify_all();
                t_currentQueue = previous;
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
    t_currentQueue = previous;
    serialPool().start([this] { drain(); });
}

void KTSerialQueue::sync(const std::function<void()> &fn)
{
    if (isCurrent()) {
        fn();
        return;
    }
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    async([&] {
        fn();
        std::lock_guard lock(mutex);
        done = true;
        cv.notify_one();
    });
    std::unique_lock lock(mutex);
    cv.wait(lock, [&] { return done; });
}

bool KTSerialQueue::isCurrent() const
{
    return t_currentQueue == this;
}

void KTSerialQueue::waitUntilIdle()
{
    if (isCurrent())
        return;
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_scheduled; });
}
