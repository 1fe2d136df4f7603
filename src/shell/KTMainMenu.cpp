#include "KTMainMenu.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

const char kCommandProperty[] = "ktMenuCommand";
const char kTagProperty[] = "ktMenuTag";

struct Item
{
    QString title;
    KTMenuCommand command = KTMenuCommand::None;
    QKeySequence shortcut;
    int tag = 0;
    /// A freedesktop theme icon for a standard action.
    const char *themeIcon = nullptr;
    bool checkable = false;
};

QAction *addItem(QMenu *menu, const Item &item)
{
    QAction *action = menu->addAction(item.title);
    action->setProperty(kCommandProperty, int(item.command));
    KTMainMenu::setTag(action, item.tag);
    if (!item.shortcut.isEmpty())
        action->setShortcut(item.shortcut);
    if (item.themeIcon)
        action->setIcon(QIcon::fromTheme(QLatin1String(item.themeIcon)));
    action->setCheckable(item.checkable);
    return action;
}

void addItems(QMenu *menu, std::initializer_list<Item> items)
{
    for (const Item &item : items) {
        if (item.title.isEmpty())
            menu->addSeparator();
        else
            addItem(menu, item);
    }
}

QMenu *addMenu(QMenuBar *menuBar, const QString &title, int tag = 0)
{
    QMenu *menu = menuBar->addMenu(title);
    KTMainMenu::setTag(menu->menuAction(), tag);
    return menu;
}

/// A mode's title with its plain key shown where menus show shortcuts (after a tab), without
/// making the key a shortcut.
QString withKeyHint(const QString &title, const QString &key)
{
    return title + QLatin1Char('\t') + key;
}

} // namespace

void KTMainMenu::build(QMenuBar *menuBar)
{
    using C = KTMenuCommand;
    const Item separator;
    const auto ctrl = [](const char *keys) {
        return QKeySequence(QLatin1String("Ctrl+") + QLatin1String(keys));
    };

    addItems(addMenu(menuBar, tr("&File")),
             {
                 {tr("New Session..."), C::StartNewSession, ctrl("N"), 0, "document-new"},
                 separator,
                 {tr("Preferences..."), C::ShowPreferencesWindow, ctrl(","), 0, "preferences-system"},
                 separator,
                 {tr("Close Window"), C::CloseWindow, ctrl("W"), 0, "window-close"},
                 {tr("Quit Vireoscope"), C::Quit, ctrl("Q"), 0, "application-exit"},
             });

    addItems(addMenu(menuBar, tr("&Edit")),
             {
                 {tr("Undo"), C::Undo, ctrl("Z"), 0, "edit-undo"},
                 {tr("Redo"), C::Redo, ctrl("Shift+Z"), 0, "edit-redo"},
                 separator,
                 {tr("Copy"), C::CopyImages, ctrl("C"), 0, "edit-copy"},
                 separator,
                 {tr("Select All"), C::SelectAll, ctrl("A"), 0, "edit-select-all"},
                 {tr("Deselect All"), C::DeselectAll, ctrl("D")},
             });

    QMenu *view = addMenu(menuBar, tr("&View"), kViewMenuTag);
    addItems(
        view,
        {
            {withKeyHint(tr("Similar Groups"), QStringLiteral("S")),
             C::SetUIMode,
             {},
             kDuplicatesModeTag,
             nullptr,
             true},
            {withKeyHint(tr("Timeline"), QStringLiteral("T")),
             C::SetUIMode,
             {},
             kAllImagesModeTag,
             nullptr,
             true},
            {withKeyHint(tr("Picks"), QStringLiteral("P")),
             C::SetUIMode,
             {},
             kFavoritesModeTag,
             nullptr,
             true},
            {withKeyHint(tr("Rejects"), QStringLiteral("J")), C::SetUIMode, {}, kTrashModeTag, nullptr, true},
            separator,
            {tr("Grid"), C::SetViewType, ctrl("1"), kGroupsViewTag, nullptr, true},
            {tr("Group"), C::SetViewType, ctrl("2"), kGroupViewTag, nullptr, true},
            // Its key becomes Ctrl+2 in the modes without the Group view (see the main
            // window's View menu adjustments).
            {tr("Single Image"), C::SetViewType, ctrl("3"), kImageViewTag, nullptr, true},
            {tr("Compare"), C::SetViewType, ctrl("4"), kCompareViewTag, nullptr, true},
            separator,
            {tr("Zoom In"), C::ZoomImagesIn, ctrl("="), 0, "zoom-in"},
            {tr("Zoom Out"), C::ZoomImagesOut, ctrl("-"), 0, "zoom-out"},
            {tr("Fit to Screen"), C::FitToScreen, ctrl("0"), 0, "zoom-fit-best"},
            {tr("Actual Size"), C::OriginalSize, ctrl("Alt+0"), 0, "zoom-original"},
            {tr("Switch Between Fit and Actual Size"), C::SwitchOriginalSizeOrFitToScreen, ctrl("Alt+F")},
            separator,
            {tr("Show EXIF Panel"), C::ShowExifViewShortCut, ctrl("I")},
            {tr("Show Clipped Exposure"), C::ShowExposurePixels, ctrl("E")},
            separator,
            {tr("Enter Full Screen"), C::ToggleFullScreen, QKeySequence(Qt::Key_F11), kFullScreenMenuItemTag,
             "view-fullscreen"},
        });

    addItems(addMenu(menuBar, tr("&Images"), kShareMenuTag),
             {
                 {tr("Pick"), C::Pick, ctrl("P")},
                 {tr("Reject"), C::Reject, ctrl("R")},
                 {tr("Restore"), C::Restore, ctrl("Shift+R")},
                 {tr("Resolve Group"), C::RejectResolve, ctrl("Return")},
                 separator,
                 {tr("Next Group"), C::NextGroup, ctrl("]"), 0, "go-next"},
                 {tr("Previous Group"), C::PreviousGroup, ctrl("["), 0, "go-previous"},
                 separator,
                 {tr("Copy Picks to Folder..."), C::CopyFavorites, ctrl("Shift+C")},
                 {tr("Move Picks to Folder..."), C::MoveFavorites, ctrl("Shift+M")},
                 {tr("Copy Rejects to Folder..."), C::CopyArchived},
                 {tr("Move Rejects to Folder..."), C::MoveArchived},
                 separator,
                 {tr("Similarity Settings..."), C::ShowDuplicatesSearchSettings, ctrl("Alt+S")},
             });

    addItems(addMenu(menuBar, tr("&Help")),
             {
                 {tr("Quick Tips"), C::ShowQuickTips},
                 {tr("Getting Started"), C::Help, QKeySequence(Qt::Key_F1), 0, "help-contents"},
                 separator,
                 {tr("About Vireoscope"), C::About, {}, 0, "help-about"},
             });
}

KTMenuCommand KTMainMenu::command(const QAction *item)
{
    const QVariant value = item ? item->property(kCommandProperty) : QVariant();
    return value.isValid() ? KTMenuCommand(value.toInt()) : KTMenuCommand::None;
}

int KTMainMenu::tag(const QAction *item)
{
    return item ? item->property(kTagProperty).toInt() : 0;
}

void KTMainMenu::setTag(QAction *item, int tag)
{
    item->setProperty(kTagProperty, tag);
}

QAction *KTMainMenu::itemWithTag(const QMenuBar *menuBar, int tag)
{
    for (QAction *item : menuBar->actions()) {
        if (KTMainMenu::tag(item) == tag)
            return item;
    }
    return nullptr;
}

QAction *KTMainMenu::itemWithTag(const QMenu *menu, int tag)
{
    for (QAction *item : menu->actions()) {
        if (KTMainMenu::tag(item) == tag)
            return item;
    }
    return nullptr;
}

QList<QAction *> KTMainMenu::commandItems(const QMenuBar *menuBar)
{
    QList<QAction *> items;
    std::function<void(const QMenu *)> walk = [&](const QMenu *menu) {
        for (QAction *item : menu->actions()) {
            if (command(item) != KTMenuCommand::None)
                items.append(item);
            if (item->menu())
                walk(item->menu());
        }
    };
    for (QAction *menuItem : menuBar->actions()) {
        if (menuItem->menu())
            walk(menuItem->menu());
    }
    return items;
}
