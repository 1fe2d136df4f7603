#include "KTAbstractButton.h"
#include "KTNamedImages.h"
#include "KTSystemMove.h"
#include "KTTestSupport.h"
#include "KTWindow.h"
#include "KTWindowButton.h"
#include "KTWindowWithCustomButtons.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

/// Records the system moves asked for, answering `accepted`; restores the real one at the end.
struct SystemMoveRecorder
{
    explicit SystemMoveRecorder(bool accepted)
    {
        ktSetSystemMoveHandler([this, accepted](QWindow *window) {
            moved.push_back(window);
            return accepted;
        });
    }
    ~SystemMoveRecorder() { ktSetSystemMoveHandler({}); }
    std::vector<QWindow *> moved;
};

struct ShownWindow
{
    ShownWindow()
    {
        window.resize(600, 400);
        window.move(100, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    KTWindow window;
};

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

/// A press at `from` on the strip, a move to `to` with the button held, and the release there.
void dragStrip(KTWindow &window, const QPoint &from, const QPoint &to)
{
    QWidget *strip = window.titleBarView();
    sendMouse(strip, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(strip, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(strip, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

} // namespace

TEST(KTWindowTest, ContentStartsBelowTheStripAndSheetsOpenAtItsBottom)
{
    ShownWindow shown;
    KTWindow &window = shown.window;
    EXPECT_EQ(window.titleBarHeight(), 56.0);
    EXPECT_EQ(window.trafficLightButtonsLeftMargin(), 7.0);
    EXPECT_TRUE(window.showsBaselineSeparator());
    EXPECT_TRUE(window.centerTrafficLightButtons());
    EXPECT_EQ(window.titleBarContainer()->geometry(), QRect(0, 0, 600, 56));
    EXPECT_EQ(window.titleBarView()->geometry(), QRect(0, 0, 600, 56));
    EXPECT_EQ(window.contentView()->geometry(), QRect(0, 56, 600, 344));
    EXPECT_EQ(window.sheetTopY(), 56.0);

    window.setTitleBarHeight(40);
    EXPECT_EQ(window.contentView()->geometry(), QRect(0, 40, 600, 360));
    EXPECT_EQ(window.cachedTitleBarHeight(), 40.0);
    EXPECT_EQ(window.sheetTopY(), 40.0);

    window.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(window.titleBarView()->geometry(), QRect(0, 0, 700, 40));
    EXPECT_EQ(window.contentView()->geometry(), QRect(0, 40, 700, 460));
}

TEST(KTWindowTest, DraggingTheStripStartsASystemMoveButAClickDoesNot)
{
    ShownWindow shown;
    SystemMoveRecorder recorder(true);
    const QPoint start = shown.window.pos();

    sendMouse(shown.window.titleBarView(), QEvent::MouseButtonPress, {200, 20}, Qt::LeftButton);
    sendMouse(shown.window.titleBarView(), QEvent::MouseButtonRelease, {200, 20}, Qt::NoButton);
    EXPECT_TRUE(recorder.moved.empty());

    dragStrip(shown.window, {200, 20}, {240, 30});
    ASSERT_EQ(recorder.moved.size(), 1u);
    EXPECT_EQ(recorder.moved[0], shown.window.windowHandle());
    EXPECT_EQ(shown.window.pos(), start) << "the window system moves it, not the strip";

    // A button in the strip keeps its press.
    auto *button = new KTAbstractButton(QStringLiteral("Tool"), shown.window.titleBarView());
    button->setGeometry(10, 10, 60, 24);
    button->show();
    sendMouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    sendMouse(button, QEvent::MouseMove, {40, 15}, Qt::LeftButton);
    sendMouse(button, QEvent::MouseButtonRelease, {40, 15}, Qt::NoButton);
    EXPECT_EQ(recorder.moved.size(), 1u);
}

TEST(KTWindowTest, WithoutASystemMoveTheStripMovesTheWindowWithThePointer)
{
    ShownWindow shown;
    SystemMoveRecorder recorder(false);
    const QPoint start = shown.window.pos();
    QWidget *strip = shown.window.titleBarView();
    sendMouse(strip, QEvent::MouseButtonPress, {200, 20}, Qt::LeftButton);
    sendMouse(strip, QEvent::MouseMove, {230, 25}, Qt::LeftButton);
    // The strip has moved with the window: the pointer's next position, relative to it, is
    // where the move left it plus the new step.
    sendMouse(strip, QEvent::MouseMove, {210, 25}, Qt::LeftButton);
    sendMouse(strip, QEvent::MouseButtonRelease, {210, 25}, Qt::NoButton);
    EXPECT_EQ(recorder.moved.size(), 1u);
    EXPECT_EQ(shown.window.pos(), start + QPoint(40, 10));
}

TEST(KTWindowTest, DoubleClickOnTheStripMaximisesAndRestores)
{
    ShownWindow shown;
    QTest::mouseDClick(shown.window.titleBarView(), Qt::LeftButton, {}, QPoint(300, 20));
    EXPECT_TRUE(shown.window.windowState().testFlag(Qt::WindowMaximized));
    QTest::mouseDClick(shown.window.titleBarView(), Qt::LeftButton, {}, QPoint(300, 20));
    EXPECT_FALSE(shown.window.windowState().testFlag(Qt::WindowMaximized));
}

// Full screen of one window neither collapses nor shows buttons in another.
TEST(KTWindowTest, FullScreenChangesOnlyItsOwnWindow)
{
    ShownWindow first;
    ShownWindow second;
    first.window.setHideTitleBarInFullScreen(true);
    second.window.setHideTitleBarInFullScreen(true);
    QSignalSpy entered(&first.window, &KTWindow::enteredFullScreen);
    QSignalSpy exited(&first.window, &KTWindow::exitedFullScreen);
    QSignalSpy otherEntered(&second.window, &KTWindow::enteredFullScreen);

    first.window.showFullScreen();
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(first.window.titleBarHeight(), 0.0);
    EXPECT_TRUE(first.window.titleBarView()->isHidden());
    EXPECT_EQ(first.window.contentView()->y(), 0);
    EXPECT_EQ(otherEntered.count(), 0);
    EXPECT_EQ(second.window.titleBarHeight(), 56.0);
    EXPECT_FALSE(second.window.titleBarView()->isHidden());

    first.window.showNormal();
    EXPECT_EQ(exited.count(), 1);
    EXPECT_EQ(first.window.titleBarHeight(), 56.0);
    EXPECT_FALSE(first.window.titleBarView()->isHidden());
    EXPECT_EQ(first.window.contentView()->y(), 56);
}

TEST(KTWindowTest, InFullScreenTheStripShowsTheCustomWindowButtons)
{
    ShownWindow shown;
    KTWindowWithCustomButtons *buttons = shown.window.windowButtons();
    EXPECT_FALSE(buttons->isVisible()) << "the window system draws the buttons of a framed window";
    shown.window.showFullScreen();
    EXPECT_TRUE(buttons->isVisible());
    EXPECT_EQ(shown.window.titleBarHeight(), 56.0);
    // Left margin 7, centred on the strip's height.
    EXPECT_EQ(buttons->geometry(), QRect(7, 22, 52, 12));
    EXPECT_EQ(shown.window.titleBarView()->contentsMargins().left(), 7 + 52 + 8) << "room for the buttons";
    shown.window.setCenterTrafficLightButtons(false);
    EXPECT_EQ(buttons->y(), 3);
    shown.window.showNormal();
    EXPECT_FALSE(buttons->isVisible());
    EXPECT_EQ(shown.window.titleBarView()->contentsMargins().left(), 0);
}

TEST(KTWindowTest, ControlsPlacedInTheStripFollowTheWindowsActivation)
{
    ShownWindow shown;
    auto *button = new KTAbstractButton(QStringLiteral("Tool"), shown.window.titleBarView());
    auto *holder = new QWidget(shown.window.titleBarView());
    auto *nested = new KTAbstractButton(QStringLiteral("Nested"), holder);
    shown.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    EXPECT_TRUE(button->isEnabled());

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(nested->isEnabled()) << "only the strip's direct children follow";

    shown.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown.window));
    EXPECT_TRUE(button->isEnabled());
}

TEST(KTWindowTest, KeyEquivalentsGoOnlyToTheHandler)
{
    ShownWindow shown;
    auto *inContent = new KTAbstractButton(QStringLiteral("Content"), shown.window.contentView());
    inContent->setKeyEquivalent(QStringLiteral("q"));
    const QKeyEvent keyQ(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    const QKeyEvent keyP(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"));
    EXPECT_FALSE(shown.window.performKeyEquivalent(keyQ)) << "no handler: not handled";

    QWidget handler;
    auto *handled = new KTAbstractButton(QStringLiteral("Handled"), &handler);
    handled->setKeyEquivalent(QStringLiteral("p"));
    handler.show();
    QSignalSpy clicked(handled, &KTControl::clicked);
    shown.window.setKeyEquivalentHandler(&handler);
    EXPECT_TRUE(shown.window.performKeyEquivalent(keyP));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(shown.window.performKeyEquivalent(keyQ)) << "the window's own views are not searched";
}

TEST(KTWindowTest, TheDrawingBlockPaintsTheStripWithItsRoundedOutline)
{
    ShownWindow shown;
    int calls = 0;
    QRectF given;
    QPainterPath outline;
    shown.window.setTitleBarDrawingBlock(
        [&](QPainter &painter, bool, const QRectF &rect, const QPainterPath &clip) {
            ++calls;
            given = rect;
            outline = clip;
            painter.fillRect(rect, Qt::red);
        });
    const QImage picture = shown.window.titleBarView()->grab().toImage();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(given, QRectF(0, 0, 600, 56));
    EXPECT_FALSE(outline.contains(QPointF(0.3, 0.3))) << "top corners are rounded";
    EXPECT_TRUE(outline.contains(QPointF(0.3, 55.5))) << "bottom corners are square";
    EXPECT_EQ(picture.pixelColor(300, 30), QColor(Qt::red)) << "the block replaces the default look";
}

TEST(KTWindowWithCustomButtonsTest, HoverOverTheGroupSwitchesAllThreePictures)
{
    KTWindowWithCustomButtons buttons;
    EXPECT_EQ(buttons.closeButton()->image(), "close");
    EXPECT_EQ(buttons.hideButton()->image(), "mini");
    EXPECT_EQ(buttons.zoomButton()->image(), "full");
    EXPECT_EQ(buttons.standardWindowButton(0), buttons.closeButton());
    EXPECT_EQ(buttons.standardWindowButton(1), buttons.hideButton());
    EXPECT_EQ(buttons.standardWindowButton(2), buttons.zoomButton());
    EXPECT_EQ(buttons.standardWindowButton(3), nullptr);
    // The group covers the three buttons exactly.
    EXPECT_EQ(buttons.rect(), buttons.closeButton()
                                  ->geometry()
                                  .united(buttons.hideButton()->geometry())
                                  .united(buttons.zoomButton()->geometry()));

    QEnterEvent enter(QPointF(30, 6), QPointF(30, 6), QPointF(30, 6));
    QApplication::sendEvent(&buttons, &enter);
    EXPECT_EQ(buttons.closeButton()->image(), "close_on");
    EXPECT_EQ(buttons.hideButton()->image(), "mini_on");
    EXPECT_EQ(buttons.zoomButton()->image(), "full_on");
    for (const char *name : {"close_on", "mini_on", "full_on"}) {
        EXPECT_TRUE(KTNamedImages::shared().contains(QString::fromLatin1(name))) << name;
    }

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&buttons, &leave);
    EXPECT_EQ(buttons.closeButton()->image(), "close");
    EXPECT_EQ(buttons.zoomButton()->image(), "full");
}

TEST(KTWindowWithCustomButtonsTest, ButtonsCloseMinimiseAndLeaveFullScreen)
{
    ShownWindow shown;
    shown.window.showFullScreen();
    KTWindowWithCustomButtons *buttons = shown.window.windowButtons();

    buttons->zoomButton()->click();
    EXPECT_FALSE(shown.window.isFullScreen());
    buttons->zoomButton()->click();
    EXPECT_TRUE(shown.window.isFullScreen());

    buttons->hideButton()->click();
    EXPECT_TRUE(shown.window.windowState().testFlag(Qt::WindowMinimized));

    buttons->closeButton()->click();
    EXPECT_FALSE(shown.window.isVisible());
}

TEST(KTWindowWithCustomButtonsTest, AnUnsupportedTypeMakesAButtonWithoutPictures)
{
    KTLogCapture log;
    KTWindowButton button(7);
    EXPECT_TRUE(log.contains(QStringLiteral("Unsupported button type")));
    EXPECT_TRUE(button.image().isEmpty());
    button.setIsAlternateState(true);
    EXPECT_TRUE(button.image().isEmpty());
    QSignalSpy clicked(&button, &KTControl::clicked);
    button.click();
    EXPECT_EQ(clicked.count(), 1);
}
