#include "KTMainMenu.h"

#include "KTModeActions.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

const char kCommandProperty[] = "ktMenuCommand";
const char kTagProperty[] = "ktMenuTag";
const char kModeCommandProperty[] = "ktModeCommand";
const char kHiddenWithoutModeProperty[] = "ktHiddenWithoutMode";

struct Item
{
    QString title;
    KTMenuCommand command = KTMenuCommand::None;
    QKeySequence shortcut;
    int tag = 0;
    /// A freedesktop theme icon for a standard action.
    const char *themeIcon = nullptr;
    bool checkable = false;
    /// The place of a mode command instead of a command of the window.
    std::optional<KTModeCommand> modeCommand;
    bool hiddenWithoutMode = false;
};

/// The place of a mode command: its title, disabled until a mode's action takes the place. Its
/// key is the mode's action's, so the place has none (two actions never share a key).
Item place(const QString &title, KTModeCommand command, bool hiddenWithoutMode = false)
{
    Item item;
    item.title = title;
    item.modeCommand = command;
    item.hiddenWithoutMode = hiddenWithoutMode;
    return item;
}

QAction *addItem(QMenu *menu, const Item &item)
{
    QAction *action = menu->addAction(item.title);
    if (item.modeCommand) {
        action->setProperty(kModeCommandProperty, int(*item.modeCommand));
        action->setProperty(kHiddenWithoutModeProperty, item.hiddenWithoutMode);
        action->setEnabled(false);
        action->setVisible(!item.hiddenWithoutMode);
        return action;
    }
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
    using M = KTModeCommand;
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

    addItems(addMenu(menuBar, tr("&Edit")), {
                                                {tr("Undo"), C::Undo, ctrl("Z"), 0, "edit-undo"},
                                                {tr("Redo"), C::Redo, ctrl("Shift+Z"), 0, "edit-redo"},
                                                separator,
                                                place(tr("Copy"), M::Copy),
                                                separator,
                                                place(tr("Select All"), M::SelectAll),
                                                place(tr("Deselect All"), M::DeselectAll),
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
            // The sub-modes of the mode on screen (the lists have Grid and Single Image only).
            place(tr("Grid"), M::ShowGroups, true),
            place(tr("Group"), M::ShowGroup, true),
            place(tr("Single Image"), M::ShowImage, true),
            place(tr("Compare"), M::ShowCompare, true),
            separator,
            place(tr("Zoom In"), M::ZoomIn),
            place(tr("Zoom Out"), M::ZoomOut),
            place(tr("Fit to Screen"), M::FitToScreen),
            place(tr("Actual Size"), M::ActualSize),
            place(tr("Switch Between Fit and Actual Size"), M::SwitchFitAndActualSize),
            separator,
            {tr("Show EXIF Panel"), C::ShowExifViewShortCut, ctrl("I"), 0, nullptr, true},
            place(tr("Show Clipped Exposure"), M::ShowExposurePixels),
            separator,
            {tr("Enter Full Screen"), C::ToggleFullScreen, QKeySequence(Qt::Key_F11), kFullScreenMenuItemTag,
             "view-fullscreen"},
        });

    addItems(addMenu(menuBar, tr("&Images"), kShareMenuTag),
             {
                 place(tr("Pick"), M::Pick),
                 place(tr("Reject"), M::Reject),
                 place(tr("Restore"), M::Restore),
                 place(tr("Resolve Group"), M::ResolveGroup, true),
                 separator,
                 place(tr("Next Group"), M::NextGroup, true),
                 place(tr("Previous Group"), M::PreviousGroup, true),
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

std::optional<KTModeCommand> KTMainMenu::modeCommand(const QAction *item)
{
    const QVariant value = item ? item->property(kModeCommandProperty) : QVariant();
    return value.isValid() ? std::optional<KTModeCommand>(KTModeCommand(value.toInt())) : std::nullopt;
}

bool KTMainMenu::hidesWithoutModeAction(const QAction *item)
{
    return item && item->property(kHiddenWithoutModeProperty).toBool();
}

QList<QAction *> KTMainMenu::modeCommandPlaces(const QMenuBar *menuBar)
{
    QList<QAction *> places;
    for (QAction *menuItem : menuBar->actions()) {
        if (!menuItem->menu())
            continue;
        for (QAction *item : menuItem->menu()->actions()) {
            if (modeCommand(item))
                places.append(item);
        }
    }
    return places;
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
