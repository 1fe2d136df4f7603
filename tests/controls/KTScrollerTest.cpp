#include "KTScroller.h"
#include "KTSliderCell.h"
#include "KTSystemMove.h"
#include "KTUIImageView.h"
#include "KTWidgetRendering.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(KTScrollerTest, TheKnobIsAsWideAsItsPictureAndCentredAcrossTheTrack)
{
    double back = 0;
    double thumb = 0;
    KTScroller::getBackWidth(&back, &thumb);
    EXPECT_EQ(back, 15.0);
    EXPECT_EQ(thumb, 9.0);
    EXPECT_EQ(KTScroller::scrollerWidth(), 15.0);

    QWidget plain;
    KTScroller vertical(Qt::Vertical, &plain);
    vertical.setRange(0, 100);
    vertical.setPageStep(25);
    vertical.resize(15, 204);
    EXPECT_TRUE(vertical.isVertical()) << "outside a scroll area it follows its orientation";
    EXPECT_EQ(vertical.sizeHint().width(), 15);
    QRectF knob = vertical.knobRect();
    EXPECT_EQ(knob.x(), 3.0);
    EXPECT_EQ(knob.width(), 9.0);
    EXPECT_EQ(knob.top(), 2.0);
    EXPECT_DOUBLE_EQ(knob.height(), 200 * 25.0 / 125.0);
    vertical.setValue(100);
    knob = vertical.knobRect();
    EXPECT_DOUBLE_EQ(knob.bottom(), 202.0);

    vertical.setRange(0, 0);
    EXPECT_TRUE(vertical.knobRect().isEmpty()) << "nothing to scroll, no knob";
}

TEST(KTScrollerTest, InAScrollAreaTheAreaSaysWhichOneIsVertical)
{
    QScrollArea area;
    auto *horizontal = new KTScroller(Qt::Horizontal);
    auto *vertical = new KTScroller(Qt::Vertical);
    area.setHorizontalScrollBar(horizontal);
    area.setVerticalScrollBar(vertical);
    EXPECT_FALSE(horizontal->isVertical());
    EXPECT_TRUE(vertical->isVertical());
    horizontal->setRange(0, 100);
    horizontal->resize(200, 15);
    const QRectF knob = horizontal->knobRect();
    EXPECT_EQ(knob.y(), 3.0);
    EXPECT_EQ(knob.height(), 9.0);

    QWidget content;
    content.resize(1000, 1000);
    area.setWidget(&content);
    area.resize(300, 300);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(vertical->width(), 15) << "the area gives the bar the track's width";
    EXPECT_EQ(renderWidget(*horizontal).size(), horizontal->size());
    area.takeWidget();
}

TEST(KTScrollerTest, DraggingTheKnobScrollsAndPressingBesideItPages)
{
    KTScroller scroller(Qt::Vertical);
    scroller.setRange(0, 100);
    scroller.setPageStep(25);
    scroller.resize(15, 204);

    const QRectF knob = scroller.knobRect();
    const double travel = 200 - knob.height();
    sendMouse(&scroller, QEvent::MouseButtonPress, knob.center(), Qt::LeftButton);
    EXPECT_TRUE(scroller.isSliderDown());
    sendMouse(&scroller, QEvent::MouseMove, knob.center() + QPointF(0, travel / 2), Qt::LeftButton);
    EXPECT_EQ(scroller.value(), 50);
    sendMouse(&scroller, QEvent::MouseMove, knob.center() + QPointF(0, travel * 3), Qt::LeftButton);
    EXPECT_EQ(scroller.value(), 100) << "a drag past the end stops there";
    sendMouse(&scroller, QEvent::MouseButtonRelease, knob.center(), Qt::NoButton);
    EXPECT_FALSE(scroller.isSliderDown());

    sendMouse(&scroller, QEvent::MouseButtonPress, QPointF(7, 10), Qt::LeftButton);
    sendMouse(&scroller, QEvent::MouseButtonRelease, QPointF(7, 10), Qt::NoButton);
    EXPECT_EQ(scroller.value(), 75);
}

TEST(KTScrollerTest, RotatingAPictureTurnsItsTopToTheLeft)
{
    QImage upright(9, 5, QImage::Format_ARGB32_Premultiplied);
    upright.fill(Qt::blue);
    for (int x = 0; x < 9; ++x)
        upright.setPixelColor(x, 0, Qt::red);
    upright.setDevicePixelRatio(2);
    const QImage turned = KTScroller::rotateImageToHorizontalOrientation(upright);
    ASSERT_EQ(turned.size(), QSize(5, 9));
    EXPECT_EQ(turned.devicePixelRatio(), 2.0);
    for (int y = 0; y < 9; ++y) {
        EXPECT_EQ(turned.pixelColor(0, y), QColor(Qt::red)) << y;
        EXPECT_EQ(turned.pixelColor(1, y), QColor(Qt::blue)) << y;
    }
    EXPECT_TRUE(KTScroller::rotateImageToHorizontalOrientation(QImage()).isNull());
}

TEST(KTSliderCellTest, DrawsNoTickMarksWhateverItsTickPosition)
{
    const auto slider = [](QSlider &s, QSlider::TickPosition ticks) {
        s.setRange(0, 10);
        s.setTickInterval(1);
        s.setTickPosition(ticks);
        s.resize(200, 40);
        return renderWidget(s);
    };
    QSlider plainWith;
    QSlider plainWithout;
    ASSERT_NE(slider(plainWith, QSlider::TicksBothSides), slider(plainWithout, QSlider::NoTicks))
        << "the style draws ticks for a plain slider";
    KTSliderCell with;
    KTSliderCell without;
    EXPECT_EQ(slider(with, QSlider::TicksBothSides), slider(without, QSlider::NoTicks));
    EXPECT_TRUE(with.rectOfTickMarkAtIndex(3).isNull());
}

TEST(KTUIImageViewTest, APressDragsTheWindowUnlessToldNot)
{
    int moves = 0;
    ktSetSystemMoveHandler([&](QWindow *) {
        ++moves;
        return true;
    });
    QWidget window;
    window.resize(100, 100);
    auto *view = new KTUIImageView(&window);
    view->resize(50, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(view->mouseDownCanMoveWindow());
    sendMouse(view, QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, QPointF(10, 10), Qt::NoButton);
    EXPECT_EQ(moves, 1);
    view->setIsMouseDownCanMoveWindow(false);
    sendMouse(view, QEvent::MouseButtonPress, QPointF(10, 10), Qt::LeftButton);
    EXPECT_EQ(moves, 1);
    ktSetSystemMoveHandler({});
}
