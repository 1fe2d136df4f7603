#include "KTAbstractProgressIndicator.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

/// The shared controller with a fresh, shown spinner that hides while stopped.
struct ControlledSpinner
{
    ControlledSpinner()
    {
        window.resize(60, 60);
        spinner->setDisplayedWhenStopped(false);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        controller.setAnimationRequestsCount(0);
        controller.setProgressIndicator(spinner);
    }
    ~ControlledSpinner()
    {
        drainMainQueue();
        controller.setProgressIndicator(nullptr);
        controller.setAnimationRequestsCount(0);
    }
    KTIndeterminateProgressIndicatorController &controller =
        KTIndeterminateProgressIndicatorController::sharedController();
    QWidget window;
    KTAbstractProgressIndicator *spinner = new KTAbstractProgressIndicator(&window);
};

} // namespace

TEST(KTIndeterminateProgressIndicatorControllerTest, RunsWhileAnyRequestIsOutstanding)
{
    ControlledSpinner s;
    s.controller.startAnimation();
    s.controller.startAnimation();
    s.controller.stopAnimation();
    drainMainQueue();
    EXPECT_EQ(s.controller.animationRequestsCount(), 1);
    EXPECT_TRUE(s.spinner->isAnimating());
    EXPECT_FALSE(s.spinner->isHidden());
    s.controller.stopAnimation();
    drainMainQueue();
    EXPECT_EQ(s.controller.animationRequestsCount(), 0);
    EXPECT_FALSE(s.spinner->isAnimating());
    EXPECT_TRUE(s.spinner->isHidden());
}

TEST(KTIndeterminateProgressIndicatorControllerTest, BalancedRequestsFromEightThreadsEndStoppedAndHidden)
{
    ControlledSpinner s;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&s, t] {
            for (int round = 0; round < 300; ++round) {
                s.controller.startAnimation();
                // Some jobs nest a second request inside the first.
                if ((round + t) % 3 == 0) {
                    s.controller.startAnimation();
                    s.controller.stopAnimation();
                }
                s.controller.stopAnimation();
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(s.controller.animationRequestsCount(), 0);
    drainMainQueue();
    EXPECT_FALSE(s.spinner->isAnimating());
    EXPECT_TRUE(s.spinner->isHidden());

    // One job still running from another thread keeps it going.
    std::thread([&s] { s.controller.startAnimation(); }).join();
    drainMainQueue();
    EXPECT_TRUE(s.spinner->isAnimating());
    EXPECT_FALSE(s.spinner->isHidden());
}

TEST(KTIndeterminateProgressIndicatorControllerTest, AStopAtZeroIsLoggedAndStaysAtZero)
{
    ControlledSpinner s;
    s.spinner->startAnimation();
    KTLogCapture log;
    s.controller.stopAnimation();
    EXPECT_TRUE(log.contains(QStringLiteral("unbalanced stopAnimation: count already 0")));
    EXPECT_EQ(s.controller.animationRequestsCount(), 0);
    drainMainQueue();
    EXPECT_FALSE(s.spinner->isAnimating()) << "the stop still reaches the spinner";

    // A spinner that went away in the meantime is left alone.
    s.controller.startAnimation();
    delete s.spinner;
    s.spinner = nullptr;
    drainMainQueue();
    EXPECT_EQ(s.controller.progressIndicator(), nullptr);
    s.controller.stopAnimation();
    drainMainQueue();
}
