#include "KTEndToEndTest.h"

#include "KTAbstractButton.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"
#include "KTWindowSystem.h"

#include <QApplication>
#include <QMenuBar>

namespace {

class KTWindowManagerTest : public KTEndToEndTest
{
};

} // namespace

// Under a real window system with a window manager: a click on the main window's menu bar leaves
// the sources window above the main window, New Session brings it to the front, and Quit answers
// from it. The test starts Xvfb and openbox itself and runs the application there in a process of
// its own; without them (or xdotool and xprop, which click and look) it is skipped.
TEST_F(KTWindowManagerTest, TheSourcesWindowStaysAboveTheMainWindow)
{
    KT_RUN_UNDER_NEW_WINDOW_SYSTEM();

    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
    QWidget *sourcesWindow = sources().window();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow; }));
    ASSERT_TRUE(waitUntil([&] { return xIsAbove(sourcesWindow, &window()); }));

    // The File menu's title on the main window's menu bar, clicked, then closed again. The manager
    // makes the main window active and raises it in one go: once the server says it is active,
    // the stacking is the one the click left.
    QMenuBar *menuBar = mainWindow().menuBar();
    const QRect file = menuBar->actionGeometry(menuBar->actions().first());
    xClickAt(menuBar->mapToGlobal(file.center()));
    ASSERT_TRUE(waitUntil([&] { return menuBar->actions().first()->menu()->isVisible(); }));
    xKey(QStringLiteral("Escape"));
    ASSERT_TRUE(waitUntil([&] { return !menuBar->actions().first()->menu()->isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return xActiveWindowId() == quint64(window().winId()); }));
    EXPECT_TRUE(xIsAbove(sourcesWindow, &window())) << "the sources window went behind the main window";
    EXPECT_TRUE(mainWindow().isImageSourcesWindowVisible());

    // New Session on the toolbar brings it back to the front and gives it the keyboard.
    KTAbstractButton *newSession = mainWindow().toolbar()->newSessionButton();
    ASSERT_TRUE(newSession->isEnabled());
    xClickAt(newSession->mapToGlobal(newSession->rect().center()));
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow; }));
    EXPECT_TRUE(waitUntil([&] { return xIsAbove(sourcesWindow, &window()); }));

    // Quit answers in the sources window.
    xKey(QStringLiteral("ctrl+q"));
    EXPECT_TRUE(waitUntil([&] { return seams->terminations() == 1; }));
}
