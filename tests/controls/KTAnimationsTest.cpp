#include "KTAnimations.h"

#include <QSignalSpy>
#include <QVariantAnimation>

#include <gtest/gtest.h>

namespace {
struct AnimationsOff
{
    AnimationsOff() { KTAnimations::setEnabled(false); }
    ~AnimationsOff() { KTAnimations::setEnabled(true); }
};
} // namespace

TEST(KTAnimationsTest, DurationsAreMillisecondsAndZeroWhileOff)
{
    EXPECT_EQ(KTAnimations::duration(0.3), 300);
    EXPECT_EQ(KTAnimations::duration(-1), 0);
    AnimationsOff off;
    EXPECT_EQ(KTAnimations::duration(0.5), 0);
}

TEST(KTAnimationsTest, WhileOffAnAnimationHasReachedItsEndWhenStartReturns)
{
    AnimationsOff off;
    QVariantAnimation animation;
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    QSignalSpy finished(&animation, &QAbstractAnimation::finished);
    KTAnimations::start(&animation, 0.3);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(animation.currentValue().toDouble(), 1.0);
    EXPECT_EQ(animation.state(), QAbstractAnimation::Stopped);
}
