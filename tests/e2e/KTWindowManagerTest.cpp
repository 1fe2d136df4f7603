#include "KTEndToEndTest.h"

#include "KTAbstractButton.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <optional>

namespace {

/// Set in the process that runs under the window system this test started.
const char kWindowSystemVariable[] = "VS_E2E_WINDOW_SYSTEM";

/// An X server of its own (Xvfb) with a window manager (openbox), for the length of a test.
class KTWindowSystem
{
public:
    /// Starts both on the first free display from :140 on; display() is empty when they could not
    /// start.
    KTWindowSystem()
    {
        for (int number = 140; number < 200 && m_display.isEmpty(); ++number) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            const QString display = QStringLiteral(":%1").arg(number);
            m_server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                                    QStringLiteral("1600x1000x24"),
                                                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (m_server.waitForStarted() &&
                waitUntil([&] { return QFileInfo::exists(socket) || m_server.state() != QProcess::Running; },
                          std::chrono::seconds(10)) &&
                m_server.state() == QProcess::Running)
                m_display = display;
            else
                m_server.kill();
        }
        if (m_display.isEmpty())
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        m_manager.setProcessEnvironment(environment);
        m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        // The manager is at work once it has claimed the screen.
        if (!m_manager.waitForStarted() ||
            !waitUntil([&] { return hasWindowManager(); }, std::chrono::seconds(10)))
            m_display.clear();
    }
    ~KTWindowSystem()
    {
        for (QProcess *process : {&m_manager, &m_server}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }
    QString display() const { return m_display; }

private:
    bool hasWindowManager() const
    {
        QProcess xprop;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        xprop.setProcessEnvironment(environment);
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        return xprop.waitForFinished(5000) && xprop.readAll().contains("window id");
    }

    QString m_display;
    QProcess m_server;
    QProcess m_manager;
};

/// Runs an X tool of the test's display and answers its output.
QByteArray runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << qPrintable(tool);
    return process.readAllStandardOutput();
}

/// A real click of the X server's pointer at a global position: the window manager sees it.
void clickAt(QPoint global)
{
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
             QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

/// The X windows the manager stacks, bottom first.
QList<quint64> stackingOrder()
{
    const QString text = QString::fromLatin1(runTool(
        QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    QList<quint64> windows;
    const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto match = id.globalMatch(text); match.hasNext();)
        windows.append(match.next().captured().toULongLong(nullptr, 16));
    return windows;
}

/// The window the manager has made active, as the X server holds it.
quint64 activeWindowId()
{
    const QString text = QString::fromLatin1(
        runTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")}));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("0x[0-9a-fA-F]+")).match(text);
    return match.hasMatch() ? match.captured().toULongLong(nullptr, 16) : 0;
}

bool isAbove(const QWidget *upper, const QWidget *lower)
{
    const QList<quint64> order = stackingOrder();
    const qsizetype up = order.indexOf(quint64(upper->winId()));
    const qsizetype down = order.indexOf(quint64(lower->winId()));
    return up >= 0 && down >= 0 && up > down;
}

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
    if (qEnvironmentVariableIsEmpty(kWindowSystemVariable)) {
        for (const char *tool : {"Xvfb", "openbox", "xdotool", "xprop"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed: no window system to test under";
        }
        KTWindowSystem windowSystem;
        if (windowSystem.display().isEmpty())
            GTEST_SKIP() << "Xvfb and openbox could not be started";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("VS_TEST_HOME"));
        environment.insert(QStringLiteral("DISPLAY"), windowSystem.display());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QString::fromLatin1(kWindowSystemVariable), QStringLiteral("1"));
        // libxkbcommon-x11 hands strndup() a bound past the end of an atom name it knows is
        // shorter; AddressSanitizer's strict string checks take that for an overflow.
        QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
        sanitizer.replace(QStringLiteral("strict_string_checks=1"), QStringLiteral("strict_string_checks=0"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer);
        EXPECT_TRUE(runInNewProcess(environment));
        return;
    }

    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
    QWidget *sourcesWindow = sources().window();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow; }));
    ASSERT_TRUE(waitUntil([&] { return isAbove(sourcesWindow, &window()); }));

    // The File menu's title on the main window's menu bar, clicked, then closed again. The manager
    // makes the main window active and raises it in one go: once the server says it is active,
    // the stacking is the one the click left.
    QMenuBar *menuBar = mainWindow().menuBar();
    const QRect file = menuBar->actionGeometry(menuBar->actions().first());
    clickAt(menuBar->mapToGlobal(file.center()));
    ASSERT_TRUE(waitUntil([&] { return menuBar->actions().first()->menu()->isVisible(); }));
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(waitUntil([&] { return !menuBar->actions().first()->menu()->isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return activeWindowId() == quint64(window().winId()); }));
    EXPECT_TRUE(isAbove(sourcesWindow, &window())) << "the sources window went behind the main window";
    EXPECT_TRUE(mainWindow().isImageSourcesWindowVisible());

    // New Session on the toolbar brings it back to the front and gives it the keyboard.
    KTAbstractButton *newSession = mainWindow().toolbar()->newSessionButton();
    ASSERT_TRUE(newSession->isEnabled());
    clickAt(newSession->mapToGlobal(newSession->rect().center()));
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow; }));
    EXPECT_TRUE(waitUntil([&] { return isAbove(sourcesWindow, &window()); }));

    // Quit answers in the sources window.
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+q")});
    EXPECT_TRUE(waitUntil([&] { return seams->terminations() == 1; }));
}
