#include "KTBackgroundWork.h"
#include "KTDispatch.h"
#include "KTTestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>

// At the end the work not started is cancelled, the work running is waited for, and a job that
// waits for the main thread (which runs no loop any more) is released without its call being made.
// Work stuck past the limit does not hold the end; the main queue stays closed after it.
TEST(KTBackgroundWorkTest, TheEndCancelsWaitsAndReleasesWorkWaitingForTheMainThread)
{
    static const char kChildVariable[] = "VS_BACKGROUND_WORK_END";
    // The end closes the main queue for the whole process: it is shown in a process of its own.
    if (!qEnvironmentVariableIsSet(kChildVariable)) {
        const KTChildProcessRun run = runCurrentTestInChildProcess(kChildVariable);
        EXPECT_TRUE(run.passed) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains("[  PASSED  ] 1 test")) << run.output.toStdString();
        return;
    }
    QThreadPool pool;
    std::atomic<bool> cancelled{false};
    KTBackgroundWork::addPool(&pool, [&] { cancelled = true; });

    std::binary_semaphore waiting{0};
    std::atomic<bool> callMade{false};
    std::atomic<bool> released{false};
    pool.start([&] {
        waiting.release();
        runOnMainSync([&] { callMade = true; });
        released = true;
    });
    std::atomic<bool> slowJobDone{false};
    pool.start([&] {
        QThread::msleep(300);
        slowJobDone = true;
    });
    waiting.acquire();
    // Most often the first job is blocked in its call by now; either way it must come back.
    QThread::msleep(50);

    EXPECT_TRUE(KTBackgroundWork::finish(std::chrono::seconds(20)));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(released);
    EXPECT_FALSE(callMade);
    EXPECT_TRUE(slowJobDone);

    std::binary_semaphore unstick{0};
    pool.start([&] { unstick.acquire(); });
    EXPECT_FALSE(KTBackgroundWork::finish(std::chrono::milliseconds(100)));
    unstick.release();

    bool posted = false;
    postToMain([&] { posted = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(posted);

    pool.waitForDone();
    KTBackgroundWork::removePool(&pool);
}
