#include "KTTimeWeakeningFactorView.h"

#include "KTWidgetRendering.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

/// One mouse event on the editor, at a position in Qt widget coordinates (y down).
struct MouseAction
{
    QEvent::Type type;
    Qt::MouseButton button;
    Qt::MouseButtons buttons;
    QPointF position;
};

MouseAction leftPress(double x, double y)
{
    return {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {x, y}};
}
MouseAction leftDrag(double x, double y)
{
    return {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {x, y}};
}
MouseAction leftRelease(double x, double y)
{
    return {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {x, y}};
}
MouseAction leftDoubleClick(double x, double y)
{
    return {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, {x, y}};
}
/// A right press, with the left button still held when `whileDragging`.
MouseAction rightPress(double x, double y, bool whileDragging = false)
{
    return {QEvent::MouseButtonPress,
            Qt::RightButton,
            whileDragging ? Qt::MouseButtons(Qt::LeftButton | Qt::RightButton)
                          : Qt::MouseButtons(Qt::RightButton),
            {x, y}};
}

void perform(QWidget &view, const MouseAction &action)
{
    QMouseEvent event(action.type, action.position, view.mapToGlobal(action.position), action.button,
                      action.buttons, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

QList<QPointF> twentyPoints()
{
    QList<QPointF> points;
    for (int i = 0; i < KTTimeWeakeningFactorView::kMaxPoints; ++i)
        points.append(QPointF(i * 0.05, 0.9));
    return points;
}

} // namespace

// A 200 x 100 editor: Qt position (x, y) is the point (x / 200, (100 - y) / 100).
TEST(KTTimeWeakeningFactorViewTest, AddDragAndRemovePoints)
{
    struct Case
    {
        const char *name;
        QList<QPointF> initial;
        std::vector<MouseAction> actions;
        QList<QPointF> expected;
        int draggingPointIndex;
    };
    const Case cases[] = {
        {"a click on empty ground adds a point there and a drag moves it",
         {},
         {leftPress(50, 75), leftDrag(100, 50), leftRelease(100, 50)},
         {{0.5, 0.5}},
         0},
        {"a drag keeps the offset between the press and the point",
         {{0.5, 0.5}},
         {leftPress(103, 52), leftDrag(123, 42)},
         {{0.6, 0.6}},
         0},
        {"a drag beyond the edges keeps the point on them",
         {{0.5, 0.5}},
         {leftPress(100, 50), leftDrag(250, -30)},
         {{1.0, 1.0}},
         0},
        {"of two overlapping squares the earlier point is hit",
         {{0.5, 0.5}, {0.52, 0.5}},
         {leftPress(102, 50), leftDrag(102, 30)},
         {{0.5, 0.7}, {0.52, 0.5}},
         0},
        {"a right click on empty ground changes nothing",
         {{0.5, 0.5}},
         {rightPress(20, 20)},
         {{0.5, 0.5}},
         KTTimeWeakeningFactorView::kNotFound},
        {"a drag that outlives its point (removed by a right click) moves nothing",
         {{0.25, 0.25}, {0.5, 0.5}},
         {leftPress(100, 50), rightPress(100, 50, true), leftDrag(150, 20)},
         {{0.25, 0.25}},
         KTTimeWeakeningFactorView::kNotFound},
        {"removing an earlier point keeps the drag on its point",
         {{0.25, 0.25}, {0.5, 0.5}},
         {leftPress(100, 50), rightPress(50, 75, true), leftDrag(100, 30)},
         {{0.5, 0.7}},
         0},
        {"a twenty-first point is refused and the drag after it moves nothing",
         twentyPoints(),
         {leftPress(100, 90), leftDrag(150, 20)},
         twentyPoints(),
         KTTimeWeakeningFactorView::kNotFound},
        {"the second press of a double click adds nothing",
         {},
         {leftPress(50, 50), leftRelease(50, 50), leftDoubleClick(50, 50), leftRelease(50, 50)},
         {{0.25, 0.5}},
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        KTTimeWeakeningFactorView view;
        view.resize(200, 100);
        ASSERT_TRUE(view.setWeakeningFactorPoints(c.initial));
        for (const MouseAction &action : c.actions)
            perform(view, action);
        const QList<QPointF> points = view.points();
        ASSERT_EQ(points.size(), c.expected.size());
        for (qsizetype i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x(), c.expected[i].x(), 1e-12) << i;
            EXPECT_NEAR(points[i].y(), c.expected[i].y(), 1e-12) << i;
        }
        EXPECT_EQ(view.draggingPointIndex(), c.draggingPointIndex);
    }
}

// The curve comes out sorted by X, as points and as the settings files' dictionaries, with values
// outside the unit square kept as loaded; more points than a record holds are refused whole.
TEST(KTTimeWeakeningFactorViewTest, SortedOutputsAndTheLimitOfTheRecord)
{
    KTTimeWeakeningFactorView view;
    view.resize(200, 100);
    ASSERT_TRUE(view.setWeakeningFactorPointsDictionaryRepresentation(
        {QVariantMap{{"X", 4.0}, {"Y", 1.0}}, QVariantMap{{"X", 0.0}, {"Y", 0.76}},
         QVariantMap{{"X", 1.0}, {"Y", 0.95}}}));
    EXPECT_EQ(view.points(), (QList<QPointF>{{4.0, 1.0}, {0.0, 0.76}, {1.0, 0.95}}));
    EXPECT_EQ(view.weakeningFactorPoints(), (QList<QPointF>{{0.0, 0.76}, {1.0, 0.95}, {4.0, 1.0}}));
    const QVariantList expected{QVariantMap{{"X", 0.0}, {"Y", 0.76}}, QVariantMap{{"X", 1.0}, {"Y", 0.95}},
                                QVariantMap{{"X", 4.0}, {"Y", 1.0}}};
    EXPECT_EQ(view.weakeningFactorPointsDictionaryRepresentation(), expected);

    QList<QPointF> tooMany = twentyPoints();
    tooMany.append(QPointF(0.99, 0.1));
    EXPECT_FALSE(view.setWeakeningFactorPoints(tooMany));
    EXPECT_EQ(view.points().size(), 3);

    // The hit square of a point: lower-left corner at (x * width - 5, y * height - 5), y up.
    EXPECT_EQ(KTTimeWeakeningFactorView::rectForPoint({0.5, 0.25}, QSizeF(200, 100)), QRectF(95, 20, 10, 10));
    EXPECT_EQ(view.indexOfPointUnderMouse(QPointF(196, 92)), 2);
    EXPECT_EQ(view.indexOfPointUnderMouse(QPointF(100, 50)), KTTimeWeakeningFactorView::kNotFound);
}

// The editor draws the curve, not only its points: half-way between two points, away from both
// squares, the line joining them is drawn; where no segment passes, the ground shows.
TEST(KTTimeWeakeningFactorViewTest, DrawsTheLineThatJoinsThePointsInTheOrderOfX)
{
    KTTimeWeakeningFactorView view;
    view.resize(320, 140);
    // Added out of order: the line follows X, not the order of insertion.
    ASSERT_TRUE(view.setWeakeningFactorPoints({{1.0, 1.0}, {0.0, 0.5}, {0.5, 0.6}}));
    const QImage picture = renderWidget(view);
    const auto at = [&](double x, double y) {
        return picture.pixelColor(QPoint(int(x * 320), int(140 - y * 140)));
    };
    const QColor ground = at(0.1, 0.95);

    // Away from the quarter lines of the grid too.
    EXPECT_NE(at(0.3, 0.56), ground) << "no line from (0, 0.5) to (0.5, 0.6)";
    EXPECT_NE(at(0.7, 0.76), ground) << "no line from (0.5, 0.6) to (1, 1)";
    EXPECT_EQ(at(0.3, 0.9), ground);
    EXPECT_EQ(at(0.7, 0.3), ground);
}
