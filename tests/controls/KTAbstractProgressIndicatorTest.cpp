#include "KTAbstractProgressIndicator.h"
#include "KTNamedImages.h"
#include "KTSpinner.h"
#include "KTWidgetRendering.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ShownParent
{
    ShownParent()
    {
        window.resize(100, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
};

} // namespace

TEST(KTAbstractProgressIndicatorTest, EachStepMovesTheBrightFinClockwiseAndFadesTheTail)
{
    ShownParent parent;
    KTAbstractProgressIndicator indicator(&parent.window);
    indicator.resize(32, 32);
    indicator.show();
    indicator.startAnimation();
    ASSERT_TRUE(indicator.isAnimating());
    EXPECT_EQ(indicator.position(), 1);
    for (int step = 0; step < 3; ++step)
        indicator.updateFrame();
    // Position counts down from 1: 0, 11, 10.
    EXPECT_EQ(indicator.position(), 10);
    EXPECT_NEAR(indicator.finAlpha(0), 0.7225, 1e-3);
    EXPECT_NEAR(indicator.finAlpha(11), 0.85, 1e-3);
    EXPECT_NEAR(indicator.finAlpha(10), 1.0, 1e-3);
    for (int fin = 1; fin <= 9; ++fin) {
        EXPECT_NEAR(indicator.finAlpha(fin), 0.15, 1e-3) << "fin " << fin;
    }
}

TEST(KTAbstractProgressIndicatorTest, DeterminateValueStopsItAndStartDoesNothingThen)
{
    ShownParent parent;
    KTAbstractProgressIndicator indicator(&parent.window);
    indicator.show();
    indicator.startAnimation();
    ASSERT_TRUE(indicator.isAnimating());
    indicator.setDoubleValue(25);
    EXPECT_FALSE(indicator.isIndeterminate());
    EXPECT_FALSE(indicator.isAnimating());
    EXPECT_FALSE(indicator.isTicking());
    indicator.startAnimation();
    EXPECT_FALSE(indicator.isAnimating());
    EXPECT_DOUBLE_EQ(indicator.determinateFraction(), 0.25);
}

TEST(KTAbstractProgressIndicatorTest, TheTimerRunsOnlyWhileShownAndLeavingTheParentStopsForGood)
{
    ShownParent parent;
    auto *holder = new QWidget(&parent.window);
    holder->show();
    KTAbstractProgressIndicator indicator(holder);
    indicator.show();
    indicator.startAnimation();
    EXPECT_TRUE(indicator.isTicking());

    holder->hide();
    EXPECT_TRUE(indicator.isAnimating());
    EXPECT_FALSE(indicator.isTicking());
    holder->show();
    EXPECT_TRUE(indicator.isTicking());

    indicator.setParent(nullptr);
    EXPECT_FALSE(indicator.isAnimating());
    EXPECT_FALSE(indicator.isTicking());
    indicator.setParent(holder);
    indicator.show();
    EXPECT_FALSE(indicator.isAnimating()) << "adding it back does not restart it";
    EXPECT_FALSE(indicator.isTicking());
}

TEST(KTAbstractProgressIndicatorTest, HiddenWhenStoppedUnlessDisplayedWhenStopped)
{
    ShownParent parent;
    KTAbstractProgressIndicator indicator(&parent.window);
    indicator.show();
    indicator.setDisplayedWhenStopped(false);
    EXPECT_TRUE(indicator.isHidden());
    indicator.startAnimation();
    EXPECT_FALSE(indicator.isHidden());
    EXPECT_TRUE(indicator.isTicking());
    indicator.stopAnimation();
    EXPECT_TRUE(indicator.isHidden());
    indicator.setDisplayedWhenStopped(true);
    EXPECT_FALSE(indicator.isHidden());
}

// A maximum of 0 (a job of zero steps) draws an empty pie, and values past either end stay
// within the circle.
TEST(KTAbstractProgressIndicatorTest, PieFractionStaysWithinTheCircleAndZeroMaximumDrawsNoPie)
{
    struct Case
    {
        double value;
        double maximum;
        double fraction;
    };
    const Case cases[] = {{25, 100, 0.25}, {100, 100, 1.0}, {150, 100, 1.0}, {-5, 100, 0.0},
                          {5, 0, 0.0},     {0, 0, 0.0},     {3, -2, 0.0}};
    KTAbstractProgressIndicator empty;
    empty.resize(40, 40);
    empty.setColor(Qt::white);
    empty.setDoubleValue(0);
    const QImage ring = renderWidget(empty);
    for (const Case &c : cases) {
        KTAbstractProgressIndicator indicator;
        indicator.resize(40, 40);
        indicator.setColor(Qt::white);
        indicator.setMaxValue(c.maximum);
        indicator.setDoubleValue(c.value);
        EXPECT_DOUBLE_EQ(indicator.determinateFraction(), c.fraction) << c.value << " of " << c.maximum;
        if (c.fraction == 0.0) {
            EXPECT_EQ(renderWidget(indicator), ring) << c.value << " of " << c.maximum;
        }
    }
    // A quarter runs clockwise from twelve to three o'clock.
    KTAbstractProgressIndicator quarter;
    quarter.resize(40, 40);
    quarter.setColor(Qt::white);
    quarter.setDoubleValue(25);
    const QImage picture = renderWidget(quarter);
    EXPECT_GT(qAlpha(picture.pixel(26, 14)), 200) << "upper right is filled";
    EXPECT_EQ(qAlpha(picture.pixel(14, 14)), 0) << "upper left is not";
    EXPECT_EQ(qAlpha(picture.pixel(26, 26)), 0) << "lower right is not";
}

TEST(KTSpinnerTest, PlaysTheTwelveFramesInOrderAndRestsWhileHidden)
{
    ShownParent parent;
    KTSpinner spinner(&parent.window);
    spinner.resize(16, 16);
    spinner.show();
    EXPECT_TRUE(spinner.isSpinning()) << "it runs from the start";
    for (int step = 0; step <= KTSpinner::kFrameCount; ++step) {
        const int expected = step % KTSpinner::kFrameCount;
        ASSERT_EQ(spinner.frameIndex(), expected);
        const QImage frame = KTNamedImages::shared().image(KTSpinner::frameName(expected), 1.0);
        ASSERT_FALSE(frame.isNull()) << "every frame exists";
        EXPECT_EQ(renderWidget(spinner), frame.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << "frame " << expected;
        spinner.showNextFrame();
    }
    EXPECT_EQ(KTSpinner::frameName(7), "spinner07");
    EXPECT_EQ(KTSpinner::frameName(11), "spinner11");

    spinner.hide();
    EXPECT_FALSE(spinner.isSpinning());
    spinner.show();
    EXPECT_TRUE(spinner.isSpinning());
}
