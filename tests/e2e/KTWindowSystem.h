#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

/// An X server of its own (Xvfb) with a window manager (openbox), for the length of a test. A test
/// that needs one starts it, then runs itself again in a process of its own under it
/// (environment()), where insideWindowSystem() is true and the X tools below drive it.
class KTWindowSystem
{
public:
    /// Starts both on the first free display from :140 on; display() is empty when they could not
    /// start.
    KTWindowSystem();
    ~KTWindowSystem();
    KTWindowSystem(const KTWindowSystem &) = delete;
    KTWindowSystem &operator=(const KTWindowSystem &) = delete;

    QString display() const { return m_display; }
    /// The environment of the test's process under this window system: this process's, on the
    /// X server, with the platform plug-in for it.
    QProcessEnvironment environment() const;

    /// The tool among Xvfb, openbox, xdotool and xprop that is not installed; empty when all are.
    static QString missingTool();
    /// True in the process that runs under a window system a test started.
    static bool insideWindowSystem();
    /// Starts a window system and has `run` run the test in a process of its own under it
    /// (environment()); a failed run fails the test here. Answers why it could not (a tool not
    /// installed, a server that would not start), empty when the test ran.
    static QString runTestUnderNew(const std::function<bool(const QProcessEnvironment &)> &run);

private:
    bool hasWindowManager() const;

    QString m_display;
    QProcess m_server;
    QProcess m_manager;
};

// ---- The X tools, on the display of the process ----

/// Runs an X tool and answers its output.
QByteArray runXTool(const QString &tool, const QStringList &arguments);
/// A real click of the X server's pointer at a global position: the window manager sees it.
void xClickAt(QPoint global);
/// A real drag of the X server's pointer with the left button, from `from` to `to` (global).
void xDrag(QPoint from, QPoint to);
/// Real key presses, in xdotool's names ("Right", "ctrl+3", "plus").
void xKey(const QString &keys);
/// The X windows the manager stacks, bottom first.
QList<quint64> xStackingOrder();
/// The window the manager has made active, as the X server holds it.
quint64 xActiveWindowId();
/// Whether the window of `upper` is stacked above that of `lower`.
bool xIsAbove(const QWidget *upper, const QWidget *lower);

/// The first statement of a test that runs under a window system of its own: outside one, starts
/// one, runs the test again there (runInNewProcess(), whose failures fail the test here) and
/// returns, or skips the test when no window system can start; inside, does nothing.
#define KT_RUN_UNDER_NEW_WINDOW_SYSTEM()                                                                     \
    if (!KTWindowSystem::insideWindowSystem()) {                                                             \
        const QString unavailable = KTWindowSystem::runTestUnderNew(                                         \
            [this](const QProcessEnvironment &environment) { return runInNewProcess(environment); });        \
        if (!unavailable.isEmpty())                                                                          \
            GTEST_SKIP() << qPrintable(unavailable);                                                         \
        return;                                                                                              \
    }
