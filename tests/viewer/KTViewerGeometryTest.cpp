#include "KTViewerGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

/// A geometry fitted like a freshly shown image.
KTViewerGeometry fitted(QSizeF view, QSizeF image, double backing = 1.0)
{
    KTViewerGeometry geometry(view, image, backing);
    geometry.fit();
    return geometry;
}

bool isFinite(const KTViewerGeometry &g)
{
    const QRectF f = g.containerFrame();
    return std::isfinite(f.x()) && std::isfinite(f.y()) && std::isfinite(f.width()) &&
           std::isfinite(f.height()) && std::isfinite(g.anchorPoint().x()) &&
           std::isfinite(g.anchorPoint().y());
}

} // namespace

TEST(KTViewerGeometryTest, FitScaleKeepsEighteenPointsOnEachSide)
{
    struct Case
    {
        QSizeF view, image;
        double fit;
    };
    const Case cases[] = {
        {{1036, 736}, {2000, 1000}, 0.5}, // width decides
        {{1036, 536}, {2000, 1000}, 0.5}, // height decides
        {{1036, 436}, {2000, 1000}, 0.4}, // height decides, narrower
        {{236, 136}, {100, 50}, 2.0},     // a small image is enlarged
        {{500, 500}, {0, 0}, 1.0},        // no image size: no division by zero
        {{20, 20},
         {100, 100},
         KTViewerGeometry::kSmallestFitScale}, // a view inside its margins never mirrors
    };
    for (const Case &c : cases) {
        KTViewerGeometry geometry(c.view, c.image);
        EXPECT_DOUBLE_EQ(geometry.fitScale(), c.fit) << c.view.width() << "x" << c.view.height();
    }
}

TEST(KTViewerGeometryTest, FitCentresTheImage)
{
    const KTViewerGeometry geometry = fitted({1036, 736}, {2000, 1000});
    EXPECT_EQ(geometry.containerFrame(), QRectF(18, 118, 1000, 500));
}

TEST(KTViewerGeometryTest, StepsMultiplyBySquareRootOfTwoWithinTheLimits)
{
    struct Case
    {
        double backing, scale;
        std::optional<double> in, out;
    };
    // View 1036 x 736, image 2000 x 1000: fit 0.5, landing 0.45.
    const Case cases[] = {
        {1, 1.0, kSqrt2, 1.0 / kSqrt2},
        {1, 0.5, 0.5 * kSqrt2, 0.45},           // out of the fit lands at 0.9 x fit
        {1, 0.45, 0.45 * kSqrt2, std::nullopt}, // ...and stays there
        {1, 32.0, std::nullopt, 32.0 / kSqrt2},
        {2, 12.0, 12.0 * kSqrt2, 12.0 / kSqrt2}, // the applied scale stops at 16 (setScale)
    };
    for (const Case &c : cases) {
        KTViewerGeometry geometry({1036, 736}, {2000, 1000}, c.backing);
        geometry.setScale(c.scale);
        ASSERT_DOUBLE_EQ(geometry.scale(), c.scale);
        EXPECT_EQ(geometry.zoomInTarget().has_value(), c.in.has_value()) << c.scale;
        if (c.in && geometry.zoomInTarget()) {
            EXPECT_DOUBLE_EQ(*geometry.zoomInTarget(), *c.in);
        }
        EXPECT_EQ(geometry.zoomOutTarget().has_value(), c.out.has_value()) << c.scale;
        if (c.out && geometry.zoomOutTarget()) {
            EXPECT_DOUBLE_EQ(*geometry.zoomOutTarget(), *c.out);
        }
    }
}

TEST(KTViewerGeometryTest, AppliedScaleStopsAt3200PercentOnAnyScreen)
{
    for (double backing : {1.0, 2.0}) {
        KTViewerGeometry geometry({800, 600}, {4000, 3000}, backing);
        geometry.setScale(12.0);
        for (int step = 0; step < 5; ++step)
            geometry.setScale(geometry.zoomInTarget().value_or(geometry.scale()));
        EXPECT_DOUBLE_EQ(geometry.scale(), 32.0 / backing);
        EXPECT_DOUBLE_EQ(geometry.zoomPercent(), 3200.0);
        geometry.setScale(geometry.actualSizeScale());
        EXPECT_DOUBLE_EQ(geometry.zoomPercent(), 100.0);
    }
}

TEST(KTViewerGeometryTest, PinchTargetsAndFloor)
{
    struct Case
    {
        QSizeF image; // in a 1036 x 736 view
        double scale;
        float magnification;
        std::optional<double> target;
    };
    const Case cases[] = {
        {{2000, 1000}, 1.0, 0.01f, std::nullopt}, // dead zone: the event is ignored
        {{2000, 1000}, 1.0, -0.01f, std::nullopt}, {{2000, 1000}, 1.0, 0.25f, 1.25},
        {{2000, 1000}, 31.9, 0.5f, 32.0},   // capped
        {{2000, 1000}, 0.2, -0.1f, 0.15},   // fit 0.5 is above the floor: land on 0.15
        {{20000, 10000}, 0.2, -0.1f, 0.05}, // fit 0.05 is below it: land on the fit
        {{2000, 1000}, 0.1, 0.02f, 0.12},   // growing below the floor is allowed
    };
    for (const Case &c : cases) {
        KTViewerGeometry geometry({1036, 736}, c.image);
        geometry.setScale(c.scale);
        const auto target = geometry.pinchTarget(c.magnification);
        ASSERT_EQ(target.has_value(), c.target.has_value()) << c.magnification;
        if (target) {
            EXPECT_NEAR(*target, *c.target, 1e-6) << c.scale << " " << c.magnification;
        }
    }
}

TEST(KTViewerGeometryTest, WheelDecision)
{
    using Action = KTViewerGeometry::WheelAction;
    struct Case
    {
        bool precise, modifier;
        double deltaY;
        bool momentum;
        Action action;
    };
    const Case cases[] = {
        {true, false, 30, false, Action::Pan}, // a trackpad pans
        {true, false, 0, false, Action::Pan},
        {true, true, 30, false, Action::ZoomIn}, // ...unless the zoom modifier is held
        {false, false, 120, false, Action::ZoomIn},
        {false, false, -120, false, Action::ZoomOut},
        {false, false, 0, false, Action::Ignore},   // horizontal only
        {false, false, -120, true, Action::Ignore}, // momentum never zooms
    };
    for (const Case &c : cases)
        EXPECT_EQ(KTViewerGeometry::wheelAction(c.precise, c.modifier, c.deltaY, c.momentum), c.action)
            << c.precise << c.modifier << c.deltaY << c.momentum;
}

TEST(KTViewerGeometryTest, ScalingAboutAPointKeepsThatImagePointUnderIt)
{
    const QPointF points[] = {{100, 100}, {518, 368}, {1000, 700}, {30, 600}};
    for (const QPointF &point : points) {
        for (double scale : {0.25, 1.0, 3.7, 32.0}) {
            KTViewerGeometry geometry = fitted({1036, 736}, {2000, 1000});
            const QPointF before = *geometry.unitPointAtViewPoint(point);
            geometry.scaleAboutViewPoint(scale, point);
            const QPointF after = *geometry.unitPointAtViewPoint(point);
            EXPECT_NEAR(after.x(), before.x(), 1e-9) << point.x() << "," << point.y() << " @" << scale;
            EXPECT_NEAR(after.y(), before.y(), 1e-9);
            EXPECT_DOUBLE_EQ(geometry.scale(), scale);
        }
    }
}

TEST(KTViewerGeometryTest, MovingTheAnchorLeavesTheImageWhereItWas)
{
    KTViewerGeometry geometry = fitted({1036, 736}, {2000, 1000});
    geometry.setScale(1.3);
    const QRectF before = geometry.containerFrame();
    ASSERT_TRUE(geometry.setAnchorPoint({0.1, 0.8}));
    EXPECT_EQ(geometry.anchorPoint(), QPointF(0.1, 0.8));
    EXPECT_NEAR(geometry.containerFrame().x(), before.x(), 1e-9);
    EXPECT_NEAR(geometry.containerFrame().y(), before.y(), 1e-9);
    EXPECT_EQ(geometry.containerFrame().size(), before.size());
}

// A missing or unreadable file has no size: a scale about a point would divide by it. The
// anchor stays and nothing in the geometry becomes NaN.
TEST(KTViewerGeometryTest, EmptyImageNeverLetsNaNIn)
{
    KTViewerGeometry geometry({800, 600}, QSizeF());
    geometry.fit();
    const QPointF anchor = geometry.anchorPoint();
    geometry.scaleAboutViewPoint(2.0, {400, 300});
    EXPECT_EQ(geometry.anchorPoint(), anchor);
    EXPECT_FALSE(geometry.setAnchorPoint({0.3, 0.3}));
    EXPECT_FALSE(geometry.adjustGeometry({{0.5, 0.5}, 0.5, {}, false}));
    EXPECT_EQ(geometry.geometryInfo(), KTVisibleGeometry());
    EXPECT_TRUE(isFinite(geometry));

    // A record carrying NaN (from a damaged broadcast) is refused too.
    KTViewerGeometry image = fitted({800, 600}, {400, 300});
    EXPECT_FALSE(image.adjustGeometry({{std::nan(""), 0.5}, 0.5, {}, false}));
    EXPECT_FALSE(image.adjustGeometry({{0.5, 0.5}, std::nan(""), {}, false}));
    EXPECT_TRUE(isFinite(image));
}

TEST(KTViewerGeometryTest, ClampRuleOnEachAxis)
{
    struct Case
    {
        const char *what;
        QSizeF image;
        double scale;
        QPointF move;
        QRectF frame;
    };
    // View 500 x 400; anchor (0.5, 0.5).
    const Case cases[] = {
        {"smaller image stays centred", {200, 100}, 1.0, {300, -200}, {150, 150, 200, 100}},
        {"left edge stops 18 inside", {1000, 800}, 1.0, {5000, 0}, {18, -200, 1000, 800}},
        {"right edge stops 18 inside", {1000, 800}, 1.0, {-5000, 0}, {-518, -200, 1000, 800}},
        {"top edge stops 18 inside", {1000, 800}, 1.0, {0, -5000}, {-250, -418, 1000, 800}},
        {"bottom edge stops 18 inside", {1000, 800}, 1.0, {0, 5000}, {-250, 18, 1000, 800}},
        {"exactly as wide moves 18", {500, 400}, 1.0, {100, -100}, {18, -18, 500, 400}},
        {"small move stays", {1000, 800}, 1.0, {10, 10}, {-240, -190, 1000, 800}},
    };
    for (const Case &c : cases) {
        KTViewerGeometry geometry({500, 400}, c.image);
        geometry.setScale(c.scale);
        geometry.setPosition(geometry.viewCenter());
        geometry.moveBy(c.move);
        EXPECT_EQ(geometry.containerFrame(), c.frame) << c.what;
    }
}

TEST(KTViewerGeometryTest, LayerOffsetOfAnOverflowingImage)
{
    KTViewerGeometry geometry({500, 400}, {1000, 800});
    geometry.setPosition(geometry.viewCenter());
    EXPECT_EQ(geometry.layerOffset(), QPointF(0, 0));
    geometry.moveBy({5000, 5000});
    EXPECT_EQ(geometry.layerOffset(), QPointF(18, 18));
    geometry.moveBy({-10000, -10000});
    EXPECT_EQ(geometry.layerOffset(), QPointF(-18, -18));
    KTViewerGeometry small = fitted({500, 400}, {100, 100});
    EXPECT_EQ(small.layerOffset(), QPointF(0, 0));
}

TEST(KTViewerGeometryTest, VisibleGeometryCarriesTheSameAreaRatioToAnotherImage)
{
    KTViewerGeometry first({500, 500}, {2000, 1000});
    first.setScale(0.5);
    first.setPosition(first.viewCenter());
    first.adjustPosition();
    const KTVisibleGeometry info = first.geometryInfo();
    EXPECT_DOUBLE_EQ(info.visiblePart, 0.5);
    EXPECT_EQ(info.anchorPoint, QPointF(0.5, 0.5));

    KTViewerGeometry second = fitted({500, 500}, {4000, 2000});
    ASSERT_TRUE(second.adjustGeometry(info));
    EXPECT_DOUBLE_EQ(second.scale(), 0.25);
    EXPECT_DOUBLE_EQ(second.geometryInfo().visiblePart, 0.5);

    // An anchor off centre comes to the view's centre unless the clamp rule moves it.
    first.moveBy({100, 0});
    const KTVisibleGeometry moved = first.geometryInfo();
    ASSERT_TRUE(second.adjustGeometry(moved));
    EXPECT_NEAR(second.geometryInfo().anchorPoint.x(), moved.anchorPoint.x(), 1e-9);
}

TEST(KTViewerGeometryTest, GeometryRecordEdges)
{
    KTViewerGeometry geometry = fitted({500, 500}, {4000, 2000});
    const QRectF before = geometry.containerFrame();
    EXPECT_FALSE(geometry.adjustGeometry({{0.5, 0.5}, 0.0, {}, false}));
    EXPECT_EQ(geometry.containerFrame(), before);

    // A tiny visible part asks for more than 32: the record gives 32, the screen 32 / backing.
    KTViewerGeometry hiDpi({500, 500}, {40, 20}, 2.0);
    ASSERT_TRUE(hiDpi.adjustGeometry({{0.5, 0.5}, 1e-6, {}, false}));
    EXPECT_DOUBLE_EQ(hiDpi.scale(), 16.0);
}

TEST(KTViewerGeometryTest, RecordRoundTripsThroughUserInfo)
{
    const KTVisibleGeometry geometry{{0.25, 0.75}, 0.4, {18, -3}, true};
    EXPECT_EQ(KTVisibleGeometry::fromUserInfo(geometry.toUserInfo()), geometry);
    const QVariantMap info = geometry.toUserInfo();
    EXPECT_EQ(info.keys(), (QStringList{"AnchorPoint", "DidAnimated", "OffsetKey", "VisiblePart"}));
    EXPECT_TRUE(KTVisibleGeometry().isEmpty());
    EXPECT_FALSE(geometry.isEmpty());
}

TEST(KTViewerGeometryTest, ButtonsSitInTheCornersOfTheVisibleImage)
{
    const QSizeF button(24, 24);
    // A centred image smaller than the view: the corners of the image.
    const KTViewerGeometry small = fitted({1036, 736}, {2000, 1000});
    EXPECT_EQ(small.flagButtonFrame(button), QRectF(23, 618 - 24, 24, 24));
    EXPECT_EQ(small.rejectButtonFrame(button), QRectF(1018 - 5 - 24, 120, 24, 24));

    // An image overflowing the view: the corners of the view.
    KTViewerGeometry large({500, 400}, {2000, 1000});
    large.setPosition(large.viewCenter());
    EXPECT_EQ(large.flagButtonFrame(button), QRectF(5, 400 - 24, 24, 24));
    EXPECT_EQ(large.rejectButtonFrame(button), QRectF(500 - 5 - 24, 2, 24, 24));
}

TEST(KTViewerGeometryTest, DoubleClickFitsOnlyAZoomedImageLargerThanTheView)
{
    const KTViewerGeometry large = fitted({800, 600}, {4000, 3000});
    EXPECT_FALSE(large.doubleClickFits(true));
    EXPECT_TRUE(large.doubleClickFits(false));
    const KTViewerGeometry small = fitted({800, 600}, {400, 300});
    EXPECT_FALSE(small.doubleClickFits(false));
}

TEST(KTViewerGeometryTest, QtConversionFlipsOnce)
{
    const KTViewerGeometry geometry({300, 200}, {10, 10});
    EXPECT_EQ(geometry.toQt(QRectF(10, 20, 30, 40)), QRectF(10, 140, 30, 40));
    EXPECT_EQ(geometry.toQt(QPointF(5, 0)), QPointF(5, 200));
    EXPECT_EQ(geometry.fromQt(geometry.toQt(QPointF(7, 9))), QPointF(7, 9));
}
