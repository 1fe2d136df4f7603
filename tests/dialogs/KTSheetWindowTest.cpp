#include "KTSheetWindow.h"

#include "KTWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

/// A widget that takes the keyboard focus and lists the keys it is given.
class KeyRecorder : public QWidget
{
public:
    KeyRecorder() { setFocusPolicy(Qt::StrongFocus); }
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

} // namespace

// A sheet shown and hidden before the window manager mapped it can still be activated by the
// window system afterwards, with the keys sent to it while the system's focus stays on the
// window below. The window gets back the activation, its focused widget the keys and its
// shortcuts fire.
TEST(KTSheetWindowTest, AnActivationThatLandsOnTheHiddenSheetGoesBackToItsWindow)
{
    KTWindow window;
    auto *recorder = new KeyRecorder;
    auto *layout = new QVBoxLayout(window.contentView());
    layout->addWidget(recorder);
    int quits = 0;
    auto *quit = new QAction(&window);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(quit, &QAction::triggered, [&quits] { ++quits; });
    window.addAction(quit);
    window.resize(600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    recorder->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), recorder);

    KTSheetWindow sheet;
    sheet.resize(300, 100);
    sheet.beginSheet(&window);
    sheet.endSheet();
    ASSERT_FALSE(sheet.isVisible());

    // The window system's late activation of the hidden sheet.
    QApplication::setActiveWindow(&sheet);
    ASSERT_EQ(QApplication::activeWindow(), &sheet);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(&sheet, &right);
    EXPECT_EQ(recorder->keys, QList<int>{Qt::Key_Right});

    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &window);
    EXPECT_EQ(QApplication::focusWidget(), recorder);
    QTest::keyClick(&sheet, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);

    // A sheet on screen keeps its activation and its keys.
    recorder->keys.clear();
    sheet.beginSheet(&window);
    QApplication::setActiveWindow(&sheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &sheet);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(&sheet, &left);
    EXPECT_TRUE(recorder->keys.isEmpty());
    sheet.endSheet();
}

// A window shown over the presenting one (the sources window at a launch) that was active when
// the sheet began gets the activation and the keys back, not the window below.
TEST(KTSheetWindowTest, TheWindowActiveWhenTheSheetBeganGetsTheActivationBack)
{
    KTWindow window;
    window.resize(600, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    KTWindow over;
    auto *recorder = new KeyRecorder;
    (new QVBoxLayout(over.contentView()))->addWidget(recorder);
    over.resize(500, 300);
    over.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&over));
    QApplication::setActiveWindow(&over);
    recorder->setFocus();

    KTSheetWindow sheet;
    sheet.resize(300, 100);
    sheet.beginSheet(&window);
    sheet.endSheet();
    QApplication::setActiveWindow(&sheet);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&sheet, &enter);
    EXPECT_EQ(recorder->keys, QList<int>{Qt::Key_Return});
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &over);

    // Once that window is gone, the presenting window is the one.
    over.hide();
    sheet.beginSheet(&window);
    sheet.endSheet();
    QApplication::setActiveWindow(&sheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &window);
}
