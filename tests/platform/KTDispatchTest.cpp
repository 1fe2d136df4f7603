#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTSerialQueue.h"
#include "KTTestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

TEST(KTDispatchTest, PostToMainNeverRunsInlineAndKeepsOrder)
{
    std::vector<int> order;
    postToMain([&] { order.push_back(1); });
    postToMain([&] {
        order.push_back(2);
        postToMain([&] { order.push_back(4); });
    });
    postToMain([&] { order.push_back(3); });
    EXPECT_TRUE(order.empty());
    drainMainQueue();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(KTDispatchTest, PostsFromOneBackgroundThreadArriveInCallOrder)
{
    std::vector<int> order;
    QThread *thread = QThread::create([&] {
        for (int i = 0; i < 200; ++i)
            postToMain([&order, i] { order.push_back(i); });
    });
    thread->start();
    thread->wait();
    delete thread;
    ASSERT_TRUE(waitUntil([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(KTDispatchTest, RunOnMainSyncIsInlineOnMainAndBlocksElsewhere)
{
    bool ran = false;
    runOnMainSync([&] { ran = isMainThread(); });
    EXPECT_TRUE(ran);

    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    QThread *thread = QThread::create([&] {
        runOnMainSync([&] { ranOnMain = isMainThread(); });
        returned = true;
    });
    thread->start();
    ASSERT_TRUE(waitUntil([&] { return returned.load(); }));
    thread->wait();
    delete thread;
    EXPECT_TRUE(ranOnMain);
}

// Pool work that sends to the main thread while the application object is destroyed (a load
// running when the user quits) returns without running: the application's end waits for the pool,
// and no loop would run the work. Shown in a process of its own, which must end normally.
TEST(KTDispatchTest, RunOnMainSyncFromThePoolWhileTheApplicationEndsReturns)
{
    static const char kChildVariable[] = "VS_DISPATCH_AT_EXIT";
    if (qEnvironmentVariableIsSet(kChildVariable)) {
        QThreadPool::globalInstance()->start([] {
            while (!QCoreApplication::closingDown())
                QThread::yieldCurrentThread();
            bool ran = false;
            runOnMainSync([&] { ran = true; });
            std::fputs(ran ? "ran\n" : "returned\n", stdout);
            std::fflush(stdout);
        });
        return;
    }
    const KTChildProcessRun run = runCurrentTestInChildProcess(kChildVariable);
    EXPECT_TRUE(run.passed) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("returned\n")) << run.output.toStdString();
}

TEST(KTDispatchTest, SerialQueueRunsOneJobAtATimeInOrder)
{
    KTSerialQueue queue(QStringLiteral("test"));
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 500; ++i) {
        queue.async([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    queue.waitUntilIdle();
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(KTDispatchTest, SerialQueueSyncFromItsOwnJobRunsInline)
{
    KTSerialQueue queue;
    std::atomic<int> value{0};
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { value = 7; });
    });
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(KTDispatchTest, ApplyVisitsEveryIndexOnceEvenFromAPoolThread)
{
    std::vector<std::atomic<int>> visits(1000);
    KTConcurrentQueue::global().apply(visits.size(), [&](std::size_t i) { visits[i].fetch_add(1); });
    for (const auto &v : visits)
        EXPECT_EQ(v.load(), 1);

    // Nested apply from every pool thread at once must not deadlock: callers take part.
    std::atomic<int> total{0};
    KTConcurrentQueue::global().apply(64, [&](std::size_t) {
        KTConcurrentQueue::global().apply(16, [&](std::size_t) { total.fetch_add(1); });
    });
    EXPECT_EQ(total.load(), 64 * 16);
}
