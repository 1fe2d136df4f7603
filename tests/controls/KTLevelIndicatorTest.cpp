#include "KTLevelIndicator.h"
#include "KTWidgetRendering.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// The centre of star `n` (1 to 5).
QPoint star(int n)
{
    return {int(KTLevelIndicator::kPositionSize * (n - 0.5)), 7};
}

} // namespace

TEST(KTLevelIndicatorTest, AClickSetsTheStarAndAClickOnTheCurrentRatingClearsIt)
{
    struct Case
    {
        int before;
        QPoint click;
        int after;
    };
    const Case cases[] = {
        {3, star(3), 0}, {3, star(4), 4},        {0, star(1), 1},      {5, star(5), 0},
        {2, star(1), 1}, {1, QPoint(200, 7), 5}, {0, QPoint(0, 7), 1},
    };
    for (const Case &c : cases) {
        KTLevelIndicator rating;
        rating.resize(rating.sizeHint());
        rating.setIntegerValue(c.before);
        QSignalSpy action(&rating, &KTControl::clicked);
        QTest::mouseClick(&rating, Qt::LeftButton, {}, c.click);
        EXPECT_EQ(rating.integerValue(), c.after) << c.before << " clicked at " << c.click.x();
        EXPECT_EQ(action.count(), 1) << "the action is sent either way";
    }

    KTLevelIndicator disabled;
    disabled.resize(disabled.sizeHint());
    disabled.setIntegerValue(2);
    disabled.setButtonEnabled(false);
    QSignalSpy action(&disabled, &KTControl::clicked);
    QTest::mouseClick(&disabled, Qt::LeftButton, {}, star(4));
    EXPECT_EQ(disabled.integerValue(), 2);
    EXPECT_EQ(action.count(), 0);

    KTLevelIndicator level;
    level.resize(level.sizeHint());
    level.cell()->setLevelIndicatorStyle(KTLevelIndicatorCell::ContinuousCapacityLevelIndicatorStyle);
    level.setIntegerValue(3);
    QTest::mouseClick(&level, Qt::LeftButton, {}, star(3));
    EXPECT_EQ(level.integerValue(), 3) << "only the rating style clears on its current value";
}

TEST(KTLevelIndicatorTest, PlaceholdersFillTheEmptyPositions)
{
    QImage marker(14, 14, QImage::Format_ARGB32_Premultiplied);
    marker.fill(Qt::red);
    KTLevelIndicator rating;
    rating.resize(rating.sizeHint());
    rating.cell()->setDisplayDots(true);
    rating.setInactiveDotsImage(marker);
    rating.setIntegerValue(2);
    QImage picture = renderWidget(rating);
    for (const int x : {28, 42, 56}) {
        EXPECT_EQ(picture.pixelColor(x + 7, 7), QColor(Qt::red)) << "placeholder at " << x;
    }
    for (const int x : {0, 14}) {
        EXPECT_NE(picture.pixelColor(x + 7, 7), QColor(Qt::red)) << "star at " << x;
        EXPECT_GT(qAlpha(picture.pixel(x + 7, 7)), 0) << "star at " << x;
    }

    rating.setIntegerValue(5);
    picture = renderWidget(rating);
    for (int x = 0; x < picture.width(); ++x) {
        EXPECT_NE(picture.pixelColor(x, 7), QColor(Qt::red)) << x;
    }
}

TEST(KTLevelIndicatorTest, KeysStepAndSetTheRating)
{
    KTLevelIndicator rating;
    QSignalSpy action(&rating, &KTControl::clicked);
    QSignalSpy changed(&rating, &KTLevelIndicator::integerValueChanged);
    QTest::keyClick(&rating, Qt::Key_Right);
    QTest::keyClick(&rating, Qt::Key_Right);
    EXPECT_EQ(rating.integerValue(), 2);
    QTest::keyClick(&rating, Qt::Key_4);
    EXPECT_EQ(rating.integerValue(), 4);
    QTest::keyClick(&rating, Qt::Key_Left);
    EXPECT_EQ(rating.integerValue(), 3);
    QTest::keyClick(&rating, Qt::Key_0);
    EXPECT_EQ(rating.integerValue(), 0);
    EXPECT_EQ(action.count(), 5);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(rating.property("objectValue").toInt(), 0);
    rating.setProperty("objectValue", 9);
    EXPECT_EQ(rating.integerValue(), 5) << "the bound value is kept to the five positions";
}
