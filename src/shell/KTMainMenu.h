#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

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

/// The main menu's commands. Each item of the menu bar carries one; the main window controller
/// validates and performs an item by its command.
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
    CopyImages,
    SelectAll,
    DeselectAll,
    // View
    SetUIMode,
    SetViewType,
    ZoomImagesIn,
    ZoomImagesOut,
    FitToScreen,
    OriginalSize,
    SwitchOriginalSizeOrFitToScreen,
    ShowExifViewShortCut,
    ShowExposurePixels,
    ToggleFullScreen,
    // Images
    Pick,
    Reject,
    Restore,
    RejectResolve,
    NextGroup,
    PreviousGroup,
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

/// Builds the main menu bar: File, Edit, View (tag 21: the modes 210-213, the sub-modes 214-217,
/// zoom, panels and the full-screen item tagged 1) and Images (tag 22, which receives the reveal,
/// export and share items) and Help. The maker's product links (tag 28) have no items here, so
/// that menu is not built.
///
/// Every item carries its command and its tag (0 when it has none) as properties; the caller
/// connects the items to its commands. Plain-letter mode keys are shown in the titles only: the
/// window handles those keys itself, so typing them in a text field never switches modes.
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
};
