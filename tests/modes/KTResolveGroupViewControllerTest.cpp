#include "KTResolveGroupViewController.h"

#include "KTAnimations.h"
#include "KTTestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// Runs the fades in real time (or at once) while it lives.
struct Animations
{
    explicit Animations(bool enabled) : previous(KTAnimations::isEnabled())
    {
        KTAnimations::setEnabled(enabled);
    }
    ~Animations() { KTAnimations::setEnabled(previous); }
    bool previous;
};

TEST(KTResolveGroupViewControllerTest, SecondCallWhileShownNeitherRestartsNorRunsItsHandler)
{
    Animations animations(true);
    QWidget covered;
    covered.resize(600, 400);
    covered.show();
    int first = 0;
    int second = 0;
    KTResolveGroupViewController::showInView(&covered, [&] { ++first; });
    KTResolveGroupViewController *overlay = KTResolveGroupViewController::sharedController();
    EXPECT_EQ(overlay->parentWidget(), &covered);
    EXPECT_TRUE(waitUntil([&] { return overlay->alphaValue() > 0.5; }));
    KTResolveGroupViewController::showInView(&covered, [&] { ++second; });
    EXPECT_GT(overlay->alphaValue(), 0.5) << "not restarted from transparent";

    // Stays centred while the covered view is resized during the fades.
    covered.resize(900, 700);
    EXPECT_EQ(overlay->geometry().center(), QRect(QPoint(), covered.size()).center());

    EXPECT_TRUE(waitUntil([&] { return first == 1; }, std::chrono::seconds(5)));
    EXPECT_FALSE(overlay->isShown());
    EXPECT_EQ(second, 0);
    QTest::qWait(100);
    EXPECT_EQ(first, 1);
}

TEST(KTResolveGroupViewControllerTest, WithoutHandlerOrAnimationsItEndsAtOnce)
{
    Animations animations(false);
    QWidget covered;
    covered.resize(300, 200);
    KTResolveGroupViewController::showInView(&covered, {});
    EXPECT_FALSE(KTResolveGroupViewController::sharedController()->isShown());
    int ran = 0;
    KTResolveGroupViewController::showInView(&covered, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_DOUBLE_EQ(KTResolveGroupViewController::sharedController()->alphaValue(), 0.0);
}

TEST(KTResolveGroupViewControllerTest, ACoveredViewDestroyedMidwayTakesTheOverlayWithIt)
{
    Animations animations(true);
    int ran = 0;
    {
        QWidget covered;
        covered.resize(300, 200);
        KTResolveGroupViewController::showInView(&covered, [&] { ++ran; });
        EXPECT_TRUE(KTResolveGroupViewController::sharedController()->isShown());
    }
    QTest::qWait(50);
    // A new overlay serves the next call.
    QWidget next;
    next.resize(300, 200);
    KTAnimations::setEnabled(false);
    KTResolveGroupViewController::showInView(&next, [&] { ran += 10; });
    EXPECT_EQ(ran, 10);
}

} // namespace
