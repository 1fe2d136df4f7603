#pragma once

#include "KTMainWindowController.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class KTTerminationSignals;
class KTUserDefaults;

/// The application delegate: runs the launch sequence, shows the main window, answers reopen
/// and quit requests through it, and turns folders and catalogues handed to the application
/// (given on the command line, or by a later start through KTSingleInstance) into the sources of
/// a new session, as files dropped on an application icon are elsewhere. Quit, the desktop's
/// log-out (SIGTERM) and the other termination signals all end the application through the main
/// window's one save-and-write-back path.
///
/// Threading: main thread only.
class KTAppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit KTAppDelegate(QObject *parent = nullptr);
    ~KTAppDelegate() override;

    /// The main window the delegate drives: the shared controller unless one was set (tests).
    KTMainWindowController *mainWindowController() const;
    void setMainWindowController(KTMainWindowController *controller) { m_mainWindowController = controller; }

    /// Paths given on the command line; the launch opens them as a drop before the main window
    /// is made, so its set-up opens the sources window with them.
    void setLaunchPaths(const QStringList &paths) { m_launchPaths = paths; }

    /// The launch sequence: the controls' look, the share menus' order, the seeded defaults,
    /// the launch paths, the main window.
    void applicationDidFinishLaunching();
    /// Another start without paths: shows the main window when none is visible and brings the
    /// application to the front. Always true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    /// The main window saves (and asks about a running catalogue application), then `reply`
    /// tells whether the application may end.
    void applicationShouldTerminate(const std::function<void(KTCatalogWriteBack::TerminateReply)> &reply);
    /// The active mode stores its selection.
    void applicationWillTerminate();
    /// The Quit command: ends the application through the main window's save and write-back
    /// (KTMainWindowController::terminate()).
    void terminate();

    /// Folders or a catalogue handed to the application, passed on as they are: the sources
    /// window takes what it can and names the others with the reason. Ignored while
    /// canHandleDragOnIcon() is false. Before the main window is made the paths wait for it
    /// (pathsToLoadAfterLaunch); afterwards they go to its sources window. `paths` must not be
    /// empty.
    void openFiles(const QStringList &paths);
    bool openFile(const QString &path);
    /// What another start handed over: its paths, or a plain reopen when there are none.
    void handOff(const QStringList &paths);

    /// True while the application takes paths: set at launch and whenever it becomes active,
    /// cleared while the main window is minimised and when it closes.
    bool canHandleDragOnIcon() const { return m_canHandleDragOnIcon; }
    void applicationDidMinimize();
    void applicationDidBecomeActive();
    /// The main window closes: its mode stores the selection. The application ends once the
    /// window has closed (KTMainWindowController::windowDidClose()).
    void mainWindowWillClose();

    /// Writes the launch defaults that have no stored value (the Lightroom pick and reject sync
    /// on, RAW+JPEG as one file off) and synchronises. A stored value, YES or NO, is kept.
    static void seedLaunchDefaults(KTUserDefaults &defaults);

private:
    QPointer<KTMainWindowController> m_mainWindowController;
    std::unique_ptr<KTTerminationSignals> m_terminationSignals;
    QStringList m_launchPaths;
    bool m_canHandleDragOnIcon = false;
};
