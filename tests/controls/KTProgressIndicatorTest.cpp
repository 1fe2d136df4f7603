#include "KTAnimations.h"
#include "KTNamedImages.h"
#include "KTProgressIndicator.h"
#include "KTWidgetRendering.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(KTProgressIndicatorTest, FillFollowsTheValueWithinTheRangeAndAnEmptyRangeFillsNothing)
{
    struct Case
    {
        double minimum;
        double maximum;
        double value;
        double fraction;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {0, 10, 2.5, 0.25}, {0, 1, 0.37, 0.37}, {0, 1, 1, 1.0},    {0, 1, 0, 0.0},
        {0, 10, 12, 1.0},   {0, 10, -3, 0.0},   {0, 0, 0, 0.0},    {0, 0, 5, 0.0},
        {5, 5, 5, 0.0},     {10, 0, 5, 0.0},    {0, 10, nan, 0.0}, {2, 4, 3, 0.5},
    };
    for (const Case &c : cases) {
        KTProgressIndicator bar;
        bar.resize(200, 12);
        bar.setIndeterminate(false);
        bar.setMinValue(c.minimum);
        bar.setMaxValue(c.maximum);
        bar.setValue(c.value);
        const QRectF fill = bar.fillRect();
        EXPECT_DOUBLE_EQ(bar.fraction(), c.fraction) << c.value << " in " << c.minimum << ".." << c.maximum;
        EXPECT_DOUBLE_EQ(fill.width(), 200 * c.fraction)
            << c.value << " in " << c.minimum << ".." << c.maximum;
        EXPECT_TRUE(std::isfinite(fill.width()) && std::isfinite(fill.height()));
    }
}

TEST(KTProgressIndicatorTest, AnEmptyRangeDrawsTheBareBar)
{
    KTProgressIndicator bare;
    bare.resize(120, 12);
    bare.setIndeterminate(false);
    bare.setValue(0);
    KTProgressIndicator zeroSteps;
    zeroSteps.resize(120, 12);
    zeroSteps.setIndeterminate(false);
    zeroSteps.setMaxValue(0);
    zeroSteps.setValue(0);
    EXPECT_EQ(renderWidget(zeroSteps), renderWidget(bare));

    KTProgressIndicator half;
    half.resize(120, 12);
    half.setIndeterminate(false);
    half.setValue(0.5);
    EXPECT_NE(renderWidget(half), renderWidget(bare));
}

TEST(KTProgressIndicatorTest, FillAndStripesStayInsideTheBarsShape)
{
    for (const bool indeterminate : {false, true}) {
        KTProgressIndicator bar;
        bar.resize(120, 12);
        bar.setIndeterminate(indeterminate);
        bar.setValue(1.0);
        const QImage picture = renderWidget(bar);
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "the rounded end leaves its corner clear";
        EXPECT_EQ(qAlpha(picture.pixel(119, 11)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(60, 6)), 255);
    }
}

TEST(KTProgressIndicatorTest, TheStripeStripIsRebuiltForANewWidth)
{
    const double tile = KTNamedImages::shared().naturalSize(QStringLiteral("loader_anim")).width();
    ASSERT_GT(tile, 0);
    KTProgressIndicator bar;
    bar.resize(100, 12);
    EXPECT_DOUBLE_EQ(bar.stripesWidth(), tile * std::floor(100 / tile + 2));
    bar.resize(300, 12);
    EXPECT_DOUBLE_EQ(bar.stripesWidth(), tile * std::floor(300 / tile + 2));
    EXPECT_GE(bar.stripesWidth(), 300 + tile);
}

TEST(KTProgressIndicatorTest, StripesMoveOnlyWhileShownIndeterminateAndAnimating)
{
    const bool previous = KTAnimations::isEnabled();
    KTAnimations::setEnabled(true);
    QWidget window;
    window.resize(200, 40);
    auto *bar = new KTProgressIndicator(&window);
    bar->resize(160, 12);
    EXPECT_TRUE(bar->isIndeterminate());
    EXPECT_TRUE(bar->isAnimating());
    EXPECT_FALSE(bar->isStripeAnimationRunning()) << "not shown yet";
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(bar->isStripeAnimationRunning());
    const double tile = KTNamedImages::shared().naturalSize(QStringLiteral("loader_anim")).width();
    EXPECT_GE(bar->stripesOffset(), -tile);
    EXPECT_LE(bar->stripesOffset(), 0.0);

    bar->setIndeterminate(false);
    EXPECT_FALSE(bar->isStripeAnimationRunning());
    bar->setIndeterminate(true);
    EXPECT_TRUE(bar->isStripeAnimationRunning());
    window.hide();
    EXPECT_FALSE(bar->isStripeAnimationRunning());
    window.show();
    EXPECT_TRUE(bar->isStripeAnimationRunning());
    bar->stopAnimation();
    EXPECT_FALSE(bar->isStripeAnimationRunning());
    EXPECT_FALSE(bar->isAnimating());
    KTAnimations::setEnabled(previous);
}
