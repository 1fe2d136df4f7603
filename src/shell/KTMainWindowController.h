#pragma once

#include "KTBaseUIModeController.h"
#include "KTBrokenImagesWindowController.h"
#include "KTExternalStatusFlows.h"
#include "KTImageSourcesWindowControllerDelegate.h"
#include "KTMainMenu.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTNotificationCenter.h"
#include "KTRecordRef.h"

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KTError;
class KTImageSourcesWindowController;
class KTImageStorage;
class KTPreferencesWindowController;
class KTProgressWindowController;
class KTOperationQueue;
class QAction;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QWidget;

// The UI modes of the main window, persisted under "UIMode".
inline const QString kUIModeKey = QStringLiteral("UIMode");
inline const QString kDuplicatesUIMode = QStringLiteral("Duplicates");
inline const QString kAllImagesUIMode = QStringLiteral("AllImages");
inline const QString kFavoritesUIMode = QStringLiteral("Favorites");
inline const QString kTrashUIMode = QStringLiteral("Trash");
inline const QString kLeftImagesUIMode = QStringLiteral("LeftImages");
/// No session yet: the timeline's view is shown under the sources window.
inline const QString kSourcesUIMode = QStringLiteral("Sources");

/// Owns the single main window: its title strip with the toolbar, the container that shows one
/// review mode at a time, the menu bar and its commands, and the chain of session tasks that
/// takes a session from the chosen sources to the review, with saving at quit and at a new
/// session.
///
/// The review modes come from the mode factory (setModeControllerFactory): the application
/// installs the real modes at start-up, tests install their own. Without a factory, or when it
/// answers null for a mode, that mode is absent and its UI mode shows nothing.
///
/// Threading: main thread only. Long work (loading, searching, clearing, validating) runs in the
/// catalogue's background tasks; the controller follows them on the task bus and never waits.
class KTMainWindowController : public QObject,
                               public KTBaseUIModeControllerDelegate,
                               public KTImageSourcesWindowControllerDelegate,
                               public KTBrokenImagesWindowControllerDelegate
{
    Q_OBJECT
public:
    /// Makes the mode controller of a UI mode ("AllImages", "Favorites", "Trash",
    /// "Duplicates"), or null.
    using ModeControllerFactory =
        std::function<std::unique_ptr<KTBaseUIModeController>(const QString &uiMode)>;
    /// The free bytes of the file system that holds `path`; a negative answer means unknown.
    using FreeDiskSpace = std::function<qint64(const QString &path)>;
    enum class TerminateReply
    {
        TerminateNow,
        TerminateCancel
    };

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

    // ---- Window ----

    /// Makes the window on the first call (windowDidLoad()), then shows, raises and activates it.
    void showWindow();
    bool isWindowLoaded() const { return m_window != nullptr; }
    /// Null until showWindow().
    KTMainWindow *window() const;
    KTMainToolbar *toolbar() const { return m_toolbar; }
    QMenuBar *menuBar() const;
    QWidget *containerView() const { return m_containerView; }
    KTImageStorage *imageStorage() const { return m_storage; }
    KTOperationQueue *loadingThumbnailsQueue() const { return m_loadingThumbnailsQueue.get(); }
    /// The sources window's controller, made with the window.
    KTImageSourcesWindowController *imageSourcesController() const { return m_imageSourcesController.get(); }
    /// The shared progress sheet, hanging on this window once it is made.
    KTProgressWindowController *progressWindowController() const { return m_progressWindowController; }

    /// Folders dropped on the icon before the window was made: the set-up opens the sources
    /// window with them.
    QStringList pathsToLoadAfterLaunch() const { return m_pathsToLoadAfterLaunch; }
    void setPathsToLoadAfterLaunch(const QStringList &paths) { m_pathsToLoadAfterLaunch = paths; }

    /// Where the disk-space check learns the free bytes; the file system's figure by default.
    void setFreeDiskSpace(FreeDiskSpace freeDiskSpace) { m_freeDiskSpace = std::move(freeDiskSpace); }

    // ---- UI modes ----

    /// The active UI mode; "Duplicates" (written to the defaults) when none is stored.
    QString UIMode();
    /// Stores and persists the mode; does not redraw (follow with adjustUI()).
    void setUIMode(const QString &mode);
    /// Carries the selection over, then shows `mode`.
    void switchToUIMode(const QString &mode);
    void onAllImages();
    /// Also asks the similar-groups mode to adjust its views.
    void onDuplicates();
    void onFavorites();
    void onTrash();
    void onResult();
    /// The mode of the item's tag (210-213).
    void setUIModeWithMenuItem(const QAction *item);
    /// Asks the active mode for the sub-mode of the item's tag (214-217).
    void setViewType(const QAction *item);
    /// The menu tag of a UI mode or sub-mode; 0 for any other name.
    static int tagForUIMode(const QString &mode);
    /// 210 "Duplicates", 212 "Favorites", 213 "Trash", 214 "Groups", 215 "Group", 216 "Image",
    /// 217 "Compare"; any other tag "AllImages".
    static QString uiModeForTag(int tag);

    /// The mode controller of the active UI mode; null for "Sources", "LeftImages" and unknown
    /// modes.
    KTBaseUIModeController *activeModeViewController();
    /// Timeline, picks, rejects, similar groups (those that exist).
    QList<KTBaseUIModeController *> viewControllers() const;
    KTBaseUIModeController *allImagesModeController() const { return m_allImagesModeController.get(); }
    KTBaseUIModeController *duplicatesImagesController() const { return m_duplicatesImagesController.get(); }
    KTBaseUIModeController *favoriteImagesModeController() const
    {
        return m_favoriteImagesModeController.get();
    }
    KTBaseUIModeController *trashImagesController() const { return m_trashImagesController.get(); }

    /// Shows the active UI mode: validates it, shows its view, updates the toolbar and the View
    /// menu; with no session, opens the sources window shortly after.
    void adjustUI();
    void validateTopBar();
    void validateUndoRedoButtons();

    /// "t", "s", "p", "j" without modifiers switch modes; true when the key was used.
    bool keyDown(const QKeyEvent &event);
    /// The active mode's answer.
    bool performKeyEquivalent(const QKeyEvent &event);
    /// A pinch: the active mode's thumbnail zoom grows by half the magnification, within 0 to 1.
    void magnify(double magnification);
    /// Gives `zoom` to every mode but `controllerToExclude`.
    void setImageListZoom(double zoom, KTBaseUIModeController *controllerToExclude);
    void onUndo();
    void onRedo();

    // ---- KTBaseUIModeControllerDelegate ----

    void baseUIModeControllerStartedMovingImages(KTBaseUIModeController *controller, bool deleteOriginals,
                                                 qint64 numberOfImages) override;
    void baseUIModeControllerMovedImage(KTBaseUIModeController *controller) override;
    void baseUIModeControllerFinishedMovingImages(KTBaseUIModeController *controller) override;
    void controllerDidChangeUIMode(KTBaseUIModeController *controller) override;
    void imagesListDidChange(KTBaseUIModeController *controller) override;

    // ---- Session task chain ----

    /// The names of the running tasks, outermost first.
    QStringList tasks() const { return m_tasks; }
    /// Follows the task bus for every sender; null does nothing.
    void observeNotificationsFromImageStorage(KTImageStorage *storage);
    void stopObservingNotificationsFromImageStorage(KTImageStorage *storage);
    void imageStorageTaskDidStart(const KTNotification &notification);
    /// Pops the task and, when it was the outermost, takes the session's next step.
    void imageStorageTaskDidFinish(const KTNotification &notification);
    /// "Adding Sources" ended: resets the modes and loads the images of the new sources.
    void startSession();
    /// Asks about changes made in the session's external catalogue since the import. The check
    /// reads the catalogue off the main thread; `done` (may be empty) runs when it and the import
    /// or overwrite it led to are over.
    void checkExternalImagesForUpdatesAndShowAlert(const std::function<void()> &done = {});
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

    // ---- Session start ----

    /// The sources of a new session as the sources window hands them over.
    struct SessionSources
    {
        QStringList folders;
        /// One catalogue image list per chosen catalogue node.
        QVariantList externalApplicationSources;
        /// Images of the chosen catalogue node.
        qint64 externalItemsCount = 0;
        /// Run the similarity search over the loaded images.
        bool shouldGenerateThumbnails = true;
    };
    /// Starts a session of `sources`: cancels the thumbnail work, counts the images, checks the
    /// disk space (false, with the user told, when there is too little: nothing changes), hands
    /// the sources to the catalogue and closes the sources window. While a task runs, the new
    /// sources wait until it has ended (a running load is cancelled first), so the old session
    /// is never cleared under a load.
    bool startSessionWithSources(const SessionSources &sources);
    /// True while a session start waits for running tasks to end.
    bool hasPendingSessionStart() const { return m_pendingSessionStart.has_value(); }
    /// The number of image files under `paths` that a load would import (hidden files and
    /// folders left out; an image reached through two paths counts once).
    static qint64 countSourcesForSources(const QStringList &paths);
    /// True when the file system of the signature cache has room for `count` signatures (with
    /// 5 % to spare); otherwise tells the user and answers false.
    bool validateRequiredDiskSpaceForItemsCount(qint64 count);
    /// Folders or a catalogue dropped on the icon: opens the sources window with them (after the
    /// rejects question); ignored while a task runs or the sources window is open.
    void showSourcesControllerWithPaths(const QStringList &paths);
    /// The question about the images left in the rejects, answered with 1 (trash them), 0 (keep
    /// them) or -1 (cancel). A catalogue session answers 0 without asking.
    void askUserAboutTrashedImagesWithAlertBlock(const std::function<void(int returnCode)> &block);
    /// Opens the sources window, empty or with `paths`.
    void showImageSourcesWindow() { showImageSourcesWindowWithPaths({}); }
    void showImageSourcesWindowWithPaths(const QStringList &paths);
    void closeImageSourcesWindow();
    bool isImageSourcesWindowVisible() const;
    /// Keeps the shown sources window over the window's content, below the title strip.
    void frameDidChange();

    // ---- KTImageSourcesWindowControllerDelegate ----

    /// Start: the session begins with the window's sources (see startSessionWithSources()).
    void imageSourcesWindowControllerWantsToStartSession(KTImageSourcesWindowController *controller) override;
    /// Close: back to the session.
    void imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *controller) override;

    // ---- Save, quit and new session ----

    /// What to do once the session is saved: `shouldContinue` is false when the user gave up
    /// the action (quit, close, new session).
    using ContinueAction = std::function<void(bool shouldContinue)>;
    /// Saves the catalogue and, for a catalogue session, writes the decisions back (saving the
    /// write-back's bookkeeping too). The result of the first save.
    bool saveChangesOrReturnError(KTError *error = nullptr);
    /// Saves, and for a catalogue session with changed decisions writes them back once the
    /// catalogue's application has been closed (asking until then: "Try Again", "Cancel", "Don't
    /// Save"); then calls `then`, possibly before returning.
    void saveChangesAndContinue(const ContinueAction &then);
    /// The quit request: saves as above, then `reply` tells whether the application may end.
    void saveChangesAndReplyToTerminate(const std::function<void(TerminateReply)> &reply);
    /// The window is about to close: closes the sources window and saves. True when it may close
    /// now; false otherwise, and when the save still runs the window closes by itself once it
    /// allows.
    bool windowShouldClose();
    /// The window closed: offers the rate window on the next turn of the event loop, then emits
    /// windowDidClose().
    void windowWillClose();
    void onStartNewSession();
    void onRestoreSession();
    void saveSelectionStateInActiveViewController();

    // ---- Menu and commands ----

    /// Enables, shows, checks and titles `item` by the validation table; returns whether the
    /// command may run now.
    bool validateMenuItem(QAction *item);
    /// Validates, then runs the item's command.
    void performMenuItem(QAction *item);
    void onPickWithMenuItem();
    void onRejectWithMenuItem();
    void onRestoreWithMenuItem();
    void onRejectResolve();
    void onShowExifView(QObject *sender);
    void onShowExifViewShortCut();
    void onShowExposurePixels(QObject *sender);
    void onMoveFavorites(QObject *sender);
    void onMoveArchived(QObject *sender);
    void onSyncExternalImagesStatuses();
    void onFocusRegions();
    void onFocusPointLattice();
    void showFocusRegion(bool show);
    /// Runs the preferences window (made on first use) modally.
    void onShowPreferencesWindow();
    bool isPreferencesWindowVisible() const;
    void onAbout();
    void onShowQuickTips();
    void onHelp();
    void onMButtonPress();
    /// The images the active mode enumerates as selected.
    QList<KTImageMO *> selectedImagesFromActiveController();
    void cancelGeneratingPreviews();
    /// The file paths the reveal and share items hand over (with the JPEG of a pair first when
    /// pairs are shown as one file), and those of the export item; images whose file is gone are
    /// left out.
    QStringList sharedImagesPaths(bool withPairs);

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
    void initializeViewControllers();
    std::unique_ptr<KTBaseUIModeController> viewControllerWithClass(const QString &uiMode,
                                                                    KTButton *modeButton);
    void validateImageStorageWithDelay(int milliseconds);
    void validateUIMode();
    void adjustUIVisibleElements();
    void validateUIVisibleElements();
    void adjustViewMenuItems();
    void storeSelectionFromActiveController();
    void createSharingMenus();
    void fullScreenDidChange(bool fullScreen);
    void toggleFullScreen();
    /// Runs the quick tips over the window; a sources window asked for meanwhile opens after.
    void presentQuickTips();
    /// Forgets the catalogue's undo steps and updates the undo and redo buttons.
    void cleanUndoStack();
    /// Clears the info strip of `mode` (when it has one).
    void clearInfoView(KTBaseUIModeController *mode);
    /// The question that a finished change check leads to (`newSession` as the check began).
    void externalImagesCheckDidEnd(const KTExternalStatusFlows::ChangeCheck &check, bool newSession,
                                   const std::function<void()> &done);
    /// Writes the decisions back (off the main thread, the progress sheet up meanwhile), saves
    /// the write-back's bookkeeping, tells the user when the catalogue could not be written, then
    /// calls `done` (not when the controller went meanwhile).
    void writeBackImagesStatuses(const std::function<void()> &done);
    /// The write-back once the catalogue's application is closed, asking until then.
    void writeBackWhenTheCatalogueIsFree(const ContinueAction &then);
    void startPendingSessionIfIdle();
    void addSessionSources(const SessionSources &sources);
    void askAboutMovingImages(KTBaseUIModeController *mode, QObject *sender);
    void validateAllMenuItems();
    quint64 filteredCount(KTBaseUIModeController *mode);
    bool isGroupsMode(KTBaseUIModeController *mode) const;
    void runMenuCommand(QAction *item);
    bool eventFilter(QObject *watched, QEvent *event) override;

    static ModeControllerFactory &factoryStorage();

    KTImageStorage *m_storage;
    QPointer<KTMainWindow> m_window;
    QPointer<KTMainToolbar> m_toolbar;
    QPointer<QWidget> m_containerView;
    std::unique_ptr<KTOperationQueue> m_loadingThumbnailsQueue;
    std::unique_ptr<KTBaseUIModeController> m_allImagesModeController;
    std::unique_ptr<KTBaseUIModeController> m_duplicatesImagesController;
    std::unique_ptr<KTBaseUIModeController> m_favoriteImagesModeController;
    std::unique_ptr<KTBaseUIModeController> m_trashImagesController;
    std::unique_ptr<KTImageSourcesWindowController> m_imageSourcesController;
    KTProgressWindowController *m_progressWindowController = nullptr;
    QPointer<KTBrokenImagesWindowController> m_brokenImagesWindowController;
    std::unique_ptr<KTPreferencesWindowController> m_preferencesController;
    QString m_UIMode;
    QStringList m_tasks;
    QStringList m_pathsToLoadAfterLaunch;
    KTRecordList<KTImageMO> m_selectedImages;
    KTRecordRef<KTImageMO> m_activeImage;
    bool m_selectOnlyFirstImage = false;
    FreeDiskSpace m_freeDiskSpace;
    std::optional<SessionSources> m_pendingSessionStart;
    /// Session clearings started by a load (cancelled, or without images) not yet done.
    int m_clearingsInFlight = 0;
    bool m_sharingMenusCreated = false;
    /// A close waits for its save, or was allowed by it.
    bool m_savingForClose = false;
    bool m_closeApproved = false;
    bool m_presentingQuickTips = false;
    bool m_sourcesWindowWaitsForTips = false;
    QStringList m_pathsWaitingForTips;
    std::vector<KTObserverToken> m_storageObservers;
    std::vector<KTObserverToken> m_observers;
};
