#include "KTCancelablePerformer.h"
#include "KTDateDay.h"
#include "KTOperationQueue.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

namespace {

// Runs `fn` on a plain thread: the main thread never waits on background work, so the blocking
// calls under test are made from elsewhere, as the catalogue does.
template <typename Fn> void onBackgroundThread(Fn fn)
{
    std::async(std::launch::async, fn).get();
}

// A queue of one thread held busy until release(), recording the order in which the operations
// added meanwhile run.
struct BusyQueue
{
    BusyQueue()
    {
        queue.setMaxConcurrentOperationCount(1);
        queue.addOperationWithBlock(
            [future = m_release.get_future().share()](const KTOperation &) { future.wait(); });
    }

    KTOperation::Body record(int tag)
    {
        return [this, tag](const KTOperation &) {
            std::lock_guard lock(m_orderMutex);
            order.push_back(tag);
        };
    }

    void runAll()
    {
        m_release.set_value();
        onBackgroundThread([this] { queue.waitUntilAllOperationsAreFinished(); });
    }

    KTOperationQueue queue;
    std::vector<int> order;

private:
    std::promise<void> m_release;
    std::mutex m_orderMutex;
};

} // namespace

TEST(KTOperationQueueTest, WidthRule)
{
    struct Case
    {
        int processors;
        bool active;
        int width;
    };
    const Case cases[] = {{8, true, 8}, {8, false, 4}, {7, false, 3},
                          {1, true, 1}, {1, false, 1}, {0, true, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(KTOperationQueue::widthFor(c.processors, c.active), c.width)
            << c.processors << " " << c.active;
}

TEST(KTOperationQueueTest, SharedQueueIsOneObjectWithAWidthOfAtLeastOne)
{
    EXPECT_EQ(&KTOperationQueue::sharedQueue(), &KTOperationQueue::sharedQueue());
    EXPECT_GE(KTOperationQueue::sharedQueue().maxConcurrentOperationCount(), 1);
}

TEST(KTOperationQueueTest, AnExplicitWidthSurvivesTheApplicationsActivityChanges)
{
    KTOperationQueue followed;
    followed.adaptForAppActiveStatus();
    EXPECT_GE(followed.maxConcurrentOperationCount(), 1);

    // A serial queue stays serial when the application is activated or deactivated.
    KTOperationQueue serial;
    serial.setMaxConcurrentOperationCount(1);
    serial.adaptForAppActiveStatus();
    EXPECT_EQ(serial.maxConcurrentOperationCount(), 1);
}

TEST(KTOperationQueueTest, CancelAllSkipsPendingBodiesAndStillRunsEveryCompletion)
{
    KTOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::promise<void> started;
    std::promise<void> release;
    auto releaseFuture = release.get_future().share();
    std::atomic<int> bodies{0};
    std::atomic<int> completions{0};
    std::atomic<bool> runningSawCancel{false};

    auto blocker = std::make_shared<KTOperation>([&](const KTOperation &op) {
        ++bodies;
        started.set_value();
        releaseFuture.wait();
        runningSawCancel = op.isCancelled();
    });
    blocker->setCompletionBlock([&] { ++completions; });
    queue.addOperation(blocker);
    started.get_future().wait();

    for (int i = 0; i < 10; ++i) {
        auto op = std::make_shared<KTOperation>([&](const KTOperation &) { ++bodies; });
        op->setCompletionBlock([&] { ++completions; });
        queue.addOperation(op);
    }
    queue.cancelAllOperations();
    release.set_value();
    onBackgroundThread([&] { queue.waitUntilAllOperationsAreFinished(); });

    EXPECT_EQ(bodies.load(), 1);
    EXPECT_EQ(completions.load(), 11);
    EXPECT_TRUE(runningSawCancel);
    EXPECT_EQ(queue.operationCount(), 0);
    EXPECT_TRUE(blocker->isFinished());
}

TEST(KTOperationQueueTest, WaitReturnsOnlyAfterEveryOperationAndItsCompletion)
{
    KTOperationQueue queue;
    std::atomic<int> completions{0};
    for (int i = 0; i < 50; ++i) {
        auto op = std::make_shared<KTOperation>([](const KTOperation &) { QThread::usleep(200); });
        op->setCompletionBlock([&] { ++completions; });
        queue.addOperation(op);
    }
    onBackgroundThread([&] { queue.waitUntilAllOperationsAreFinished(); });
    EXPECT_EQ(completions.load(), 50);
}

TEST(KTOperationQueueTest, HigherPriorityRunsFirstOnABusyQueue)
{
    BusyQueue busy;
    busy.queue.addOperationWithBlock(busy.record(1), KTOperation::Priority::Low);
    busy.queue.addOperationWithBlock(busy.record(2), KTOperation::Priority::VeryHigh);
    busy.queue.addOperationWithBlock(busy.record(3), KTOperation::Priority::Normal);
    busy.runAll();
    EXPECT_EQ(busy.order, (std::vector<int>{2, 3, 1}));
}

TEST(KTOperationQueueTest, PriorityChangedWhileWaitingDecidesTheOrder)
{
    BusyQueue busy;
    auto raised = busy.queue.addOperationWithBlock(busy.record(1), KTOperation::Priority::Low);
    auto lowered = busy.queue.addOperationWithBlock(busy.record(2), KTOperation::Priority::High);
    busy.queue.addOperationWithBlock(busy.record(3), KTOperation::Priority::Normal);
    raised->setQueuePriority(KTOperation::Priority::VeryHigh);
    lowered->setQueuePriority(KTOperation::Priority::VeryLow);
    busy.runAll();
    EXPECT_EQ(busy.order, (std::vector<int>{1, 3, 2}));
}

TEST(KTCancelablePerformerTest, CancelRaisesTheFlagUntilTheNextTaskResetsIt)
{
    KTCancelablePerformer performer;
    EXPECT_FALSE(performer.isCurrentTaskCanceled());

    KTCancelTaskProtocol &asProtocol = performer;
    asProtocol.cancelCurrentTask();
    asProtocol.cancelCurrentTask();
    EXPECT_TRUE(performer.isCurrentTaskCanceled());

    performer.setCurrentTaskCanceled(false);
    EXPECT_FALSE(performer.isCurrentTaskCanceled());
}

TEST(KTCancelablePerformerTest, FlagRaisedOnMainIsSeenByAWorkerLoop)
{
    KTCancelablePerformer performer;
    std::atomic<bool> looping{false};
    auto worker = std::async(std::launch::async, [&] {
        int steps = 0;
        looping = true;
        while (!performer.isCurrentTaskCanceled())
            ++steps;
        return steps;
    });
    while (!looping)
        QThread::yieldCurrentThread();
    performer.cancelCurrentTask();
    EXPECT_GE(worker.get(), 0);
}

// A job keeps the flag, not the performer: once the performer is gone the job reads a cancel,
// and a new task's reset cannot lower it.
TEST(KTCancelablePerformerTest, FlagKeptByAJobReadsCanceledOnceThePerformerIsGone)
{
    std::shared_ptr<KTCancelFlag> flag;
    {
        KTCancelablePerformer performer;
        flag = performer.cancelFlag();
        performer.cancelCurrentTask();
        EXPECT_TRUE(flag->isCanceled());
        flag->setCanceled(false);
        EXPECT_FALSE(performer.isCurrentTaskCanceled());
    }
    EXPECT_TRUE(flag->isCanceled());
    flag->setCanceled(false);
    EXPECT_TRUE(flag->isCanceled());
}

TEST(KTDateDayTest, DayCountsInTheProcessTimeZone)
{
    const QDateTime localLate(QDate(2024, 1, 31), QTime(23, 30), Qt::LocalTime);
    EXPECT_EQ(day(localLate), 31);
    EXPECT_EQ(day(localLate.toUTC()), 31);
    EXPECT_EQ(day(QDateTime()), 0);
}
