#include "KTImageCompareView.h"

#include "KTAnimations.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageSelectionView.h"
#include "KTImageView.h"
#include "KTNotificationCenter.h"
#include "KTTestSupport.h"
#include "KTViewerFixture.h"
#include "KTVisibleGeometry.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

/// Counts the geometry broadcasts of each side.
class GeometryBroadcasts
{
public:
    explicit GeometryBroadcasts(const KTImageCompareView &view)
        : m_token(KTNotificationCenter::defaultCenter().addObserver(
              kVisibleGeometryDidChange, nullptr, [this, &view](const KTNotification &n) {
                  if (n.object == view.leftImageView())
                      ++left;
                  else if (n.object == view.rightImageView())
                      ++right;
              }))
    {}
    int left = 0;
    int right = 0;

private:
    KTObserverToken m_token;
};

class CompareView : public KTViewerFixture
{
public:
    CompareView() : view(services())
    {
        KTAnimations::setEnabled(false);
        view.resize(1200, 630);
        view.show();
        // Two images of different pixel sizes and shapes.
        first = imageRecord("first.jpg", QSize(1600, 1200));
        second = imageRecord("second.jpg", QSize(3000, 2000));
    }
    ~CompareView() override { KTAnimations::setEnabled(true); }

    /// The same visible part on both sides: the same unit point at the centre and the same
    /// share of the view.
    void expectSameVisiblePart()
    {
        const KTVisibleGeometry left = view.leftImageView()->geometryInfo();
        const KTVisibleGeometry right = view.rightImageView()->geometryInfo();
        EXPECT_NEAR(left.visiblePart, right.visiblePart, 1e-9);
        EXPECT_NEAR(left.anchorPoint.x(), right.anchorPoint.x(), 1e-9);
        EXPECT_NEAR(left.anchorPoint.y(), right.anchorPoint.y(), 1e-9);
    }

    KTImageCompareView view;
    KTImageMO *first = nullptr;
    KTImageMO *second = nullptr;
};

} // namespace

TEST_F(CompareView, SetUpSelectsTheLeftSideWithZoomLock)
{
    EXPECT_EQ(view.selectedImageView(), view.leftImageView());
    EXPECT_EQ(view.unselectedImageView(), view.rightImageView());
    EXPECT_TRUE(view.leftImageView()->isSelected());
    EXPECT_FALSE(view.rightImageView()->isSelected());
    EXPECT_TRUE(view.leftImageView()->selectable());
    EXPECT_TRUE(view.isZoomLock());
    EXPECT_TRUE(view.leftImageView()->isZoomLock());
    EXPECT_EQ(view.leftInfoView()->UIMode(), QStringLiteral("Compare"));
    EXPECT_TRUE(view.leftInfoView()->drawsRightSpace());
    EXPECT_FALSE(view.rightInfoView()->drawsRightSpace());
    // The left strip, band included, ends where the right side begins.
    EXPECT_EQ(view.leftInfoView()->geometry().right() + 1, view.rightImageView()->x());
}

TEST_F(CompareView, SinglePressesSelectASideAndAlwaysTellTheDelegate)
{
    view.compareImage(first, second);
    QSignalSpy told(&view, &KTImageCompareView::imageCompareViewDidChangeSelection);
    const QPoint right = view.rightImageView()->rect().center();
    QTest::mouseClick(view.rightImageView(), Qt::LeftButton, {}, right);
    EXPECT_EQ(view.selectedImageView(), view.rightImageView());
    EXPECT_TRUE(view.rightImageView()->isSelected());
    EXPECT_FALSE(view.leftImageView()->isSelected());
    EXPECT_EQ(told.count(), 1);
    view.repaint();
    EXPECT_TRUE(view.rightInfoView()->isSelected());
    EXPECT_FALSE(view.leftInfoView()->isSelected());

    QTest::mouseClick(view.rightImageView(), Qt::LeftButton, {}, right);
    EXPECT_EQ(view.selectedImageView(), view.rightImageView());
    EXPECT_EQ(told.count(), 2);
    // A press on a strip (between the images) changes nothing but is reported too.
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(600, 620));
    EXPECT_EQ(view.selectedImageView(), view.rightImageView());
    EXPECT_EQ(told.count(), 3);
}

TEST_F(CompareView, ZoomAndPanOnEitherSideAreRepeatedWithoutEchoes)
{
    view.compareImage(first, second);
    GeometryBroadcasts broadcasts(view);

    view.zoomIn();
    expectSameVisiblePart();
    EXPECT_EQ(broadcasts.left, 1);
    EXPECT_EQ(broadcasts.right, 0); // the follower never answers

    view.actualSize();
    expectSameVisiblePart();
    EXPECT_EQ(broadcasts.left, 2);

    // A drag on the unselected side moves both.
    QTest::mousePress(view.rightImageView(), Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(view.rightImageView(), QPoint(260, 230));
    QTest::mouseRelease(view.rightImageView(), Qt::LeftButton, {}, QPoint(260, 230));
    expectSameVisiblePart();
    EXPECT_EQ(broadcasts.left, 2);
    EXPECT_EQ(broadcasts.right, 1);
    // The image point at the centre moved: the pan reached the other side.
    EXPECT_NE(view.leftImageView()->geometryInfo().anchorPoint, QPointF(0.5, 0.5));

    // A double click zooms the side it is on; the other follows.
    QTest::mouseDClick(view.leftImageView(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(view.leftImageView()->isFitToScreen());
    expectSameVisiblePart();
}

TEST_F(CompareView, UnlockingStopsTheFollowingAndLockingCatchesUp)
{
    view.compareImage(first, second);
    view.setIsZoomLock(false);
    EXPECT_FALSE(view.rightImageView()->isZoomLock());
    const KTVisibleGeometry right = view.rightImageView()->geometryInfo();
    view.zoomIn();
    view.zoomIn();
    EXPECT_EQ(view.rightImageView()->geometryInfo(), right);

    view.setIsZoomLock(true);
    expectSameVisiblePart();
}

TEST_F(CompareView, NewPairKeepsTheZoomAndAFittedViewStaysFitted)
{
    view.compareImage(first, second);
    view.scale(1.0, KTAnimated::No);
    view.rightImageView()->moveByVect({-80, 30}, KTAnimated::No);
    view.rightImageView()->notifyAboutVisibleGeometryChanges(KTAnimated::No);
    const KTVisibleGeometry before = view.leftImageView()->geometryInfo();

    KTImageMO *third = imageRecord("third.jpg", QSize(2400, 1600));
    view.compareImage(third, first);
    EXPECT_NEAR(view.leftImageView()->geometryInfo().visiblePart, before.visiblePart, 1e-9);
    EXPECT_NEAR(view.leftImageView()->geometryInfo().anchorPoint.x(), before.anchorPoint.x(), 1e-9);
    expectSameVisiblePart();

    view.fitToScreenAnimated(KTAnimated::No);
    view.compareImage(second, third);
    EXPECT_TRUE(view.isFitToScreen());
    EXPECT_DOUBLE_EQ(view.leftImageView()->viewerGeometry().scale(), view.leftImageView()->scaleToFit());
    expectSameVisiblePart();
}

TEST_F(CompareView, ResizeReappliesTheSelectedSidesGeometry)
{
    view.compareImage(first, second);
    view.actualSize();
    view.resize(900, 500);
    expectSameVisiblePart();
}

// Full screen grows the view: with zoom lock on, as a comparison starts, both sides show what a
// comparison started at the new size shows.
TEST_F(CompareView, ResizeRefitsBothSidesAsAComparisonStartedAtTheNewSize)
{
    view.compareImage(first, second);
    ASSERT_TRUE(view.isZoomLock());
    const double before = view.leftImageView()->viewerGeometry().scale();
    view.resize(1920, 1080);

    KTImageCompareView fresh(services());
    fresh.resize(1920, 1080);
    fresh.show();
    fresh.compareImage(first, second);
    EXPECT_TRUE(view.isFitToScreen());
    EXPECT_GT(view.leftImageView()->viewerGeometry().scale(), before);
    EXPECT_DOUBLE_EQ(view.leftImageView()->viewerGeometry().scale(), view.leftImageView()->scaleToFit());
    EXPECT_NEAR(view.leftImageView()->viewerGeometry().scale(),
                fresh.leftImageView()->viewerGeometry().scale(), 1e-9);
    EXPECT_NEAR(view.rightImageView()->viewerGeometry().scale(),
                fresh.rightImageView()->viewerGeometry().scale(), 1e-9);
}

TEST_F(CompareView, ZoomCommandsGoToTheSelectedSide)
{
    view.compareImage(first, second);
    view.setIsZoomLock(false);
    view.setSelectedImageView(view.rightImageView());
    view.actualSize();
    EXPECT_DOUBLE_EQ(*view.scalePercent(), 100.0);
    EXPECT_DOUBLE_EQ(*view.rightImageView()->scalePercent(), 100.0);
    EXPECT_NE(*view.leftImageView()->scalePercent(), 100.0);
    EXPECT_FALSE(view.isFitToScreen());
}

TEST_F(CompareView, ButtonSwitchesAnswerForBothSides)
{
    EXPECT_TRUE(view.showPickRejectButtons());
    view.rightImageView()->setShowPickRejectButtons(false);
    EXPECT_FALSE(view.showPickRejectButtons());
    view.setPickedAndRejectedButtonsEnabled(true);
    view.leftImageView()->setPickedAndRejectedButtonsEnabled(false);
    EXPECT_FALSE(view.pickedAndRejectedButtonsEnabled());
}
