#pragma once

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QStringList>

#include <QPointer>

#include <memory>
#include <vector>

class KTBaseUIModeController;
class KTImageMO;
class KTImageStorage;
class KTMainWindowController;
class KTModeSwitcher;
class KTPreferencesWindowController;
class QAction;
class QMenu;
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
    /// The places of the mode commands show the actions of `active` (null: none); a place whose
    /// command the mode lacks is disabled, or hidden where the command belongs to some modes only.
    void showModeActions(KTBaseUIModeController *active);

    void onUndo();
    void onRedo();
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

private:
    void runMenuCommand(QAction *item);
    void askAboutMovingImages(KTBaseUIModeController *mode, QObject *sender);
    void createSharingMenus(QMenuBar *menuBar);
    KTModeSwitcher &modes() const;

    KTMainWindowController &m_controller;
    KTImageStorage *m_storage;
    QMenuBar *m_menuBar = nullptr;
    std::unique_ptr<KTPreferencesWindowController> m_preferencesController;
    /// The places of the mode commands in their menus, and the mode's action shown in each.
    struct Place
    {
        QPointer<QMenu> menu;
        QAction *placeholder = nullptr;
        QPointer<QAction> shown;
    };
    std::vector<Place> m_places;
};
