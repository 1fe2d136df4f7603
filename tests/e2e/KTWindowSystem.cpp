#include "KTWindowSystem.h"

#include "KTTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

/// Set in the process that runs under the window system a test started.
const char kWindowSystemVariable[] = "VS_E2E_WINDOW_SYSTEM";

} // namespace

KTWindowSystem::KTWindowSystem()
{
    for (int number = 140; number < 200 && m_display.isEmpty(); ++number) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        const QString display = QStringLiteral(":%1").arg(number);
        m_server.start(QStringLiteral("Xvfb"),
                       {display, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        // Tests start at once: the display is ours only when its lock names our server (the
        // socket may be another test's server, which took the number first).
        const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(number);
        const auto lockedByUs = [&] {
            QFile file(lock);
            return file.open(QIODevice::ReadOnly) &&
                   file.readAll().trimmed().toLongLong() == qint64(m_server.processId());
        };
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        if (m_server.waitForStarted() &&
            waitUntil(
                [&] {
                    return (QFileInfo::exists(socket) && lockedByUs()) ||
                           m_server.state() != QProcess::Running;
                },
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

KTWindowSystem::~KTWindowSystem()
{
    for (QProcess *process : {&m_manager, &m_server}) {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
    }
}

QProcessEnvironment KTWindowSystem::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VS_TEST_HOME"));
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QString::fromLatin1(kWindowSystemVariable), QStringLiteral("1"));
    // libxkbcommon-x11 hands strndup() a bound past the end of an atom name it knows is shorter;
    // AddressSanitizer's strict string checks take that for an overflow.
    QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
    sanitizer.replace(QStringLiteral("strict_string_checks=1"), QStringLiteral("strict_string_checks=0"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer);
    return environment;
}

QString KTWindowSystem::missingTool()
{
    for (const char *tool : {"Xvfb", "openbox", "xdotool", "xprop"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    }
    return {};
}

bool KTWindowSystem::insideWindowSystem()
{
    return !qEnvironmentVariableIsEmpty(kWindowSystemVariable);
}

QString KTWindowSystem::runTestUnderNew(const std::function<bool(const QProcessEnvironment &)> &run)
{
    if (const QString tool = missingTool(); !tool.isEmpty())
        return tool + QStringLiteral(" is not installed: no window system to test under");
    KTWindowSystem windowSystem;
    if (windowSystem.display().isEmpty())
        return QStringLiteral("Xvfb and openbox could not be started");
    EXPECT_TRUE(run(windowSystem.environment()));
    return {};
}

bool KTWindowSystem::hasWindowManager() const
{
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    xprop.setProcessEnvironment(environment);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return xprop.waitForFinished(5000) && xprop.readAll().contains("window id");
}

// ---- The X tools ----

QByteArray runXTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << qPrintable(tool);
    return process.readAllStandardOutput();
}

void xClickAt(QPoint global)
{
    runXTool(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
              QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

void xDrag(QPoint from, QPoint to)
{
    // In steps, as a hand moves the mouse: each step is a motion event of the button held. No
    // step waits for the pointer to arrive (--sync), which never returns when it is there already.
    const auto moveTo = [](QPoint at) {
        return QStringList{QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                           QStringLiteral("sleep"), QStringLiteral("0.05")};
    };
    QStringList arguments = moveTo(from);
    arguments += {QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 1; step <= 4; ++step)
        arguments += moveTo(from + (to - from) * step / 4);
    arguments += {QStringLiteral("mouseup"), QStringLiteral("1")};
    runXTool(QStringLiteral("xdotool"), arguments);
}

void xKey(const QString &keys)
{
    runXTool(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

QList<quint64> xStackingOrder()
{
    const QString text = QString::fromLatin1(runXTool(
        QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    QList<quint64> windows;
    const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto match = id.globalMatch(text); match.hasNext();)
        windows.append(match.next().captured().toULongLong(nullptr, 16));
    return windows;
}

quint64 xActiveWindowId()
{
    const QString text = QString::fromLatin1(
        runXTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")}));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("0x[0-9a-fA-F]+")).match(text);
    return match.hasMatch() ? match.captured().toULongLong(nullptr, 16) : 0;
}

bool xIsAbove(const QWidget *upper, const QWidget *lower)
{
    const QList<quint64> order = xStackingOrder();
    const qsizetype up = order.indexOf(quint64(upper->winId()));
    const qsizetype down = order.indexOf(quint64(lower->winId()));
    return up >= 0 && down >= 0 && up > down;
}
