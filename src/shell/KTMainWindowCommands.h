#pragma once

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

class KTBaseUIModeController;
class KTImageMO;
class KTImageStorage;
class KTMainWindowController;
class KTModeSwitcher;
class KTPreferencesWindowController;
class QAction;
class QMenuBar;

/// The commands of the main menu and of the toolbar: each menu item is validated (enabled,
/// shown, checked, titled) by its command and the active mode, and runs its command, most of
/// which go to the active mode; the Images menu's reveal, export and share items are built here.
///
/// Threading: main thread only.
class KTMainWindowCommands : public QObject
{
    Q_OBJECT
public:
    /// The commands of `controller`'s window; made by it, with the window.
    explicit KTMainWindowCommands(KTMainWindowController &controller);
    ~KTMainWindowCommands() override;

    /// Runs every command item of `menuBar` through performMenuItem(), validates a menu's items
    /// as it opens, and builds the sharing items.
    void connectMenuBar(QMenuBar *menuBar);
    /// Validates every command item (after a mode switch).
    void validateAllMenuItems();

    /// Enables, shows, checks and titles `item` by the validation table; returns whether the
    /// command may run now.
    bool validateMenuItem(QAction *item);
    /// Validates, then runs the item's command.
    void performMenuItem(QAction *item);

    void onUndo();
    void onRedo();
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
    /// Opens the help page shipped with the program (KTHelpPage).
    void onHelp();
    void toggleFullScreen();
    /// The images the active mode enumerates as selected.
    QList<KTImageMO *> selectedImagesFromActiveController();
    /// The file paths the reveal and share items hand over (with the JPEG of a pair first when
    /// pairs are shown as one file), and those of the export item; images whose file is gone are
    /// left out.
    QStringList sharedImagesPaths(bool withPairs);

private:
    void runMenuCommand(QAction *item);
    void askAboutMovingImages(KTBaseUIModeController *mode, QObject *sender);
    void createSharingMenus(QMenuBar *menuBar);
    KTModeSwitcher &modes() const;

    KTMainWindowController &m_controller;
    KTImageStorage *m_storage;
    QMenuBar *m_menuBar = nullptr;
    std::unique_ptr<KTPreferencesWindowController> m_preferencesController;
};
