#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

enum class KTModeCommand;

class QAction;
class QMenu;
class QMenuBar;
class QObject;

// Tags of the main menu's places and items.
inline constexpr int kFullScreenMenuItemTag = 1;
inline constexpr int kViewMenuTag = 21;
inline constexpr int kShareMenuTag = 22;
inline constexpr int kProductLinksMenuTag = 28;
inline constexpr int kDuplicatesModeTag = 210;
inline constexpr int kAllImagesModeTag = 211;
inline constexpr int kFavoritesModeTag = 212;
inline constexpr int kTrashModeTag = 213;
inline constexpr int kGroupsViewTag = 214;
inline constexpr int kGroupViewTag = 215;
inline constexpr int kImageViewTag = 216;
inline constexpr int kCompareViewTag = 217;

/// The main window's own commands. Each of its items carries one; the main window controller
/// validates and performs an item by its command. The commands of the review modes are the
/// modes' own actions (KTModeCommand), shown in places the menu keeps for them.
enum class KTMenuCommand
{
    None,
    // File
    StartNewSession,
    ShowPreferencesWindow,
    CloseWindow,
    Quit,
    // Edit
    Undo,
    Redo,
    // View
    SetUIMode,
    ShowExifViewShortCut,
    ToggleFullScreen,
    // Images
    CopyFavorites,
    MoveFavorites,
    CopyArchived,
    MoveArchived,
    ShowDuplicatesSearchSettings,
    // Help
    ShowQuickTips,
    Help,
    About,
};

/// Builds the main menu bar: File, Edit, View (tag 21: the modes 210-213, the sub-modes, zoom,
/// panels and the full-screen item tagged 1) and Images (tag 22, which receives the reveal,
/// export and share items) and Help. The maker's product links (tag 28) have no items here, so
/// that menu is not built.
///
/// The main window's items carry its command and their tag (0 when they have none) as
/// properties; the caller connects them to its commands. Each command of the review modes has a
/// place: an item that stands for it while no mode's action is shown there (disabled, or hidden
/// where the command belongs to some modes only). Plain-letter mode keys are shown in the titles
/// only: the window handles those keys itself, so typing them in a text field never switches
/// modes.
///
/// Threading: main thread only.
class KTMainMenu
{
    Q_DECLARE_TR_FUNCTIONS(KTMainMenu)
public:
    /// Fills `menuBar` (which should be empty).
    static void build(QMenuBar *menuBar);

    static KTMenuCommand command(const QAction *item);
    static int tag(const QAction *item);
    static void setTag(QAction *item, int tag);
    /// The item with `tag` among the menu bar's own items (the menus), or null.
    static QAction *itemWithTag(const QMenuBar *menuBar, int tag);
    /// The item with `tag` in `menu`, not searching submenus, or null.
    static QAction *itemWithTag(const QMenu *menu, int tag);
    /// Every item of the menu bar's menus and their submenus that carries a command, in order.
    static QList<QAction *> commandItems(const QMenuBar *menuBar);
    /// The mode command a place stands for, or none for any other item.
    static std::optional<KTModeCommand> modeCommand(const QAction *item);
    /// Whether the place of a mode command is hidden while the mode on screen lacks the command
    /// (the sub-modes, the group commands), rather than disabled.
    static bool hidesWithoutModeAction(const QAction *item);
    /// The places of the mode commands, in menu order.
    static QList<QAction *> modeCommandPlaces(const QMenuBar *menuBar);
};
