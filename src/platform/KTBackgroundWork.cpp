#include "KTBackgroundWork.h"

#include "KTDispatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QEvent>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Pool
{
    QThreadPool *pool;
    std::function<void()> cancel;
};

// Never destroyed: pools may be removed during the process's static destruction.
std::mutex &s_mutex = *new std::mutex;
std::vector<Pool> &s_pools = *new std::vector<Pool>;

} // namespace

void KTBackgroundWork::addPool(QThreadPool *pool, std::function<void()> cancel)
{
    std::lock_guard lock(s_mutex);
    s_pools.push_back({pool, std::move(cancel)});
}

void KTBackgroundWork::removePool(QThreadPool *pool)
{
    std::lock_guard lock(s_mutex);
    std::erase_if(s_pools, [pool](const Pool &entry) { return entry.pool == pool; });
}

bool KTBackgroundWork::finish(std::chrono::milliseconds limit)
{
    Q_ASSERT(isMainThread());
    closeMainQueue();
    {
        // Under the lock, so no pool goes meanwhile.
        std::lock_guard lock(s_mutex);
        for (const Pool &entry : s_pools) {
            if (entry.cancel)
                entry.cancel();
        }
    }
    const QDeadlineTimer deadline(limit);
    for (;;) {
        // A job that reached runOnMainSync() before the queue closed waits for a call the
        // ended loop will never make; dropping the call releases it.
        QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
        bool idle = true;
        {
            std::lock_guard lock(s_mutex);
            idle = std::none_of(s_pools.begin(), s_pools.end(),
                                [](const Pool &entry) { return entry.pool->activeThreadCount() > 0; });
        }
        if (idle)
            return true;
        if (deadline.hasExpired()) {
            qWarning().noquote() << "Background work still runs at the end; the application ends without it.";
            return false;
        }
        QThread::msleep(5);
    }
}
