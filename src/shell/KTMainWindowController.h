#pragma once

#include "KTBaseUIModeController.h"
#include "KTBrokenImagesWindowController.h"
#include "KTCatalogWriteBack.h"
#include "KTMainMenu.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTModeSwitcher.h"
#include "KTNotificationCenter.h"
#include "KTSessionFlow.h"
#include "KTSourcesWindowHost.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class KTImageSourcesWindowController;
class KTImageStorage;
class KTMainWindowCommands;
class KTOperationQueue;
class KTProgressWindowController;
class QAction;
class QMenuBar;
class QWidget;

/// Makes the single main window and wires its parts together: the title strip with the toolbar,
/// the container that shows one review mode at a time (KTModeSwitcher), the menu bar and its
/// commands (KTMainWindowCommands), the session's task chain and new sessions (KTSessionFlow),
/// the save and write-back before the session ends and the one way out of the application
/// (KTCatalogWriteBack), and the sources window (KTSourcesWindowHost). It owns them all: the
/// pieces are its children, the widgets the window's.
///
/// The review modes come from the mode factory (setModeControllerFactory): the application
/// installs the real modes at start-up, tests install their own. Without a factory, or when it
/// answers null for a mode, that mode is absent and its UI mode shows nothing.
///
/// Threading: main thread only. Long work (loading, searching, clearing, validating, counting)
/// runs in the background; the controller follows it on the task bus and never waits.
class KTMainWindowController : public QObject,
                               public KTBaseUIModeControllerDelegate,
                               public KTBrokenImagesWindowControllerDelegate
{
    Q_OBJECT
public:
    using ModeControllerFactory = KTModeSwitcher::ModeControllerFactory;
    /// Runs `job` after `milliseconds`, unless `context` has gone by then. The set-up's delayed
    /// steps go through it; QTimer by default, tests run them by hand.
    using Scheduler = std::function<void(int milliseconds, QObject *context, std::function<void()> job)>;

    static void setModeControllerFactory(ModeControllerFactory factory);
    static const ModeControllerFactory &modeControllerFactory();

    /// The application's main window controller over the shared catalogue, made on first use.
    static KTMainWindowController *sharedController();
    /// Deletes the shared controller with its window and modes, if it was made. The application
    /// calls it before its QApplication goes: widgets must not outlive that object (deleted with
    /// it as its child, the modes' views crashed the program at every exit). A later
    /// sharedController() makes a new one.
    static void destroySharedController();

    /// A controller over `storage`, which must outlive it. The window is made by showWindow().
    explicit KTMainWindowController(KTImageStorage *storage, QObject *parent = nullptr);
    ~KTMainWindowController() override;

    /// Replaces the timer of the delayed steps; call before showWindow().
    void setScheduler(Scheduler scheduler) { m_scheduler = std::move(scheduler); }

    // ---- Window ----

    /// Makes the window on the first call (windowDidLoad()), then shows, raises and activates it.
    void showWindow();
    bool isWindowLoaded() const { return m_window != nullptr; }
    /// Null until showWindow().
    KTMainWindow *window() const { return m_window; }
    KTMainToolbar *toolbar() const { return m_toolbar; }
    QMenuBar *menuBar() const;
    /// The main menu's item of `command`; null when it has none.
    QAction *menuItem(KTMenuCommand command) const;
    QWidget *containerView() const { return m_containerView; }
    KTImageStorage *imageStorage() const { return m_storage; }
    KTOperationQueue *loadingThumbnailsQueue() const { return m_loadingThumbnailsQueue.get(); }
    /// The shared progress sheet, hanging on this window once it is made.
    KTProgressWindowController *progressWindowController() const { return m_progressWindowController; }

    // ---- The pieces ----

    KTModeSwitcher &modeSwitcher() { return *m_modeSwitcher; }
    KTSessionFlow &sessionFlow() { return *m_sessionFlow; }
    KTCatalogWriteBack &writeBack() { return *m_writeBack; }
    /// Made with the window.
    KTSourcesWindowHost *sourcesHost() const { return m_sourcesHost; }
    /// Made with the window.
    KTMainWindowCommands *commands() const { return m_commands; }

    /// Folders dropped on the icon before the window was made: the set-up opens the sources
    /// window with them.
    QStringList pathsToLoadAfterLaunch() const { return m_pathsToLoadAfterLaunch; }
    void setPathsToLoadAfterLaunch(const QStringList &paths) { m_pathsToLoadAfterLaunch = paths; }

    // ---- What the rest of the application asks ----

    QString UIMode() { return m_modeSwitcher->UIMode(); }
    KTBaseUIModeController *activeModeViewController() { return m_modeSwitcher->activeModeViewController(); }
    /// The names of the running tasks, outermost first.
    QStringList tasks() const { return m_sessionFlow->tasks(); }
    /// The sources window's controller, made with the window.
    KTImageSourcesWindowController *imageSourcesController() const;
    bool isImageSourcesWindowVisible() const;
    void showImageSourcesWindow() { showImageSourcesWindowWithPaths({}); }
    void showImageSourcesWindowWithPaths(const QStringList &paths);
    void closeImageSourcesWindow();

    /// Shows the active UI mode: validates it, shows its view, updates the toolbar and the View
    /// menu; with no session, opens the sources window shortly after.
    void adjustUI();
    void validateTopBar();
    void validateUndoRedoButtons();

    // ---- KTBaseUIModeControllerDelegate ----

    void baseUIModeControllerStartedMovingImages(KTBaseUIModeController *controller, bool deleteOriginals,
                                                 qint64 numberOfImages) override;
    void baseUIModeControllerMovedImage(KTBaseUIModeController *controller) override;
    void baseUIModeControllerFinishedMovingImages(KTBaseUIModeController *controller) override;
    void controllerDidChangeUIMode(KTBaseUIModeController *controller) override;
    void imagesListDidChange(KTBaseUIModeController *controller) override;

    // ---- Session ----

    void showInvalidSourcesAlert();
    /// The catalogue could not read some files of a load: the missing-images sheet shows them.
    void failedToLoadSomeImages(const KTNotification &notification);
    /// Shows `brokenImages` in the missing-images sheet, the one already shown when there is one.
    void showBrokenImagesWindowWithImages(const QList<KTBrokenImage> &brokenImages);
    /// The sheet's OK: it goes, and the next report makes a new one.
    void hideBrokenImagesWindow() override;
    /// The sheet, made on first use (the main window is its delegate).
    KTBrokenImagesWindowController *brokenImagesWindowController();
    /// The sheet while it exists, else null.
    KTBrokenImagesWindowController *currentBrokenImagesWindowController() const
    {
        return m_brokenImagesWindowController;
    }
    /// Folders or a catalogue dropped on the icon: opens the sources window with them (after the
    /// rejects question), or hands them to the sources window already open; ignored while a task
    /// runs.
    void showSourcesControllerWithPaths(const QStringList &paths);
    /// The question about the images left in the rejects, answered with 1 (trash them), 0 (keep
    /// them) or -1 (cancel). A catalogue session answers 0 without asking.
    void askUserAboutTrashedImagesWithAlertBlock(const std::function<void(int returnCode)> &block);
    /// New Session (menu, toolbar, a load without images, a validation without sources): the
    /// sources window, after the rejects question or, for a catalogue session, the write-back. An
    /// open sources window comes to the front.
    void onStartNewSession();
    void onRestoreSession();
    void saveSelectionStateInActiveViewController();

    // ---- The way out ----

    /// Ends the application through the one save-and-write-back path (KTCatalogWriteBack::quit).
    void terminate(KTCatalogWriteBack::Asking asking = KTCatalogWriteBack::Asking::WhileTheApplicationRuns);
    /// The window is about to close: closes the sources window and saves. True when it may close
    /// now; false otherwise, and when the save still runs the window closes by itself once it
    /// allows.
    bool windowShouldClose();
    /// The window closed: offers the rate window on the next turn of the event loop, then emits
    /// windowDidClose().
    void windowWillClose();
    /// Asks the application delegate to end the application (the Quit command).
    void requestTermination() { emit terminateRequested(); }

    /// Runs the quick tips over the window; a sources window asked for meanwhile opens after.
    void presentQuickTips();

signals:
    /// The Quit command: the application delegate asks to save and ends the application.
    void terminateRequested();
    /// The window has closed and the rate window, when offered, is done.
    void windowDidClose();

private:
    void loadWindow();
    void windowDidLoad();
    void initialize();
    void assignWindowTitleBarDrawingBlock();
    void initializeImageStorage();
    void connectToolbar();
    void observeTheCatalogue();
    /// The window's part of the session chain and of new sessions.
    KTSessionFlow::Steps sessionSteps();
    void prepareLoad();
    void willAddSources(const KTSessionFlow::Sources &sources);
    void fullScreenDidChange(bool fullScreen);
    /// Forgets the catalogue's undo steps and updates the undo and redo buttons.
    void cleanUndoStack();
    void cancelGeneratingPreviews();
    void after(int milliseconds, std::function<void()> job);

    KTImageStorage *m_storage;
    Scheduler m_scheduler;
    /// Made before the session flow: it follows the bus first, so a task's end has left the
    /// sheet when the flow acts on it (an alert never shows over a finished task).
    KTProgressWindowController *m_progressWindowController;
    KTModeSwitcher *m_modeSwitcher;
    KTSessionFlow *m_sessionFlow;
    KTCatalogWriteBack *m_writeBack;
    KTSourcesWindowHost *m_sourcesHost = nullptr;
    KTMainWindowCommands *m_commands = nullptr;
    QPointer<KTMainWindow> m_window;
    QPointer<KTMainToolbar> m_toolbar;
    QPointer<QWidget> m_containerView;
    std::unique_ptr<KTOperationQueue> m_loadingThumbnailsQueue;
    QPointer<KTBrokenImagesWindowController> m_brokenImagesWindowController;
    QStringList m_pathsToLoadAfterLaunch;
    bool m_presentingQuickTips = false;
    std::vector<KTObserverToken> m_observers;
};
