// The main window: each review mode over the generated session, the window before a session
// exists, and every menu of the menu bar opened over it.

#include "KTScreenMainWindow.h"
#include "KTScreenRegistry.h"
#include "KTScreenReviewWindow.h"
#include "KTScreenSession.h"

#include "KTGroupModeController.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainMenu.h"
#include "KTMainWindowController.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>

namespace {

/// Shows the mode of `window` in its grid: the modes remember the view the screens before left
/// them in.
void showGrid(KTScreenReviewWindow &window)
{
    if (KTBaseUIModeController *mode = window.mode()) {
        mode->switchToUIMode(dynamic_cast<KTGroupModeController *>(mode) ? kUIModeGroups : kUIModeList);
        window.controller().validateTopBar();
    }
}

/// The main window over the session showing `uiMode` in its grid, with its pictures loaded.
QImage captureMainWindow(KTScreenContext &context, const QString &uiMode)
{
    if (!context.session())
        return {};
    KTScreenReviewWindow window(context.session()->storage(), uiMode);
    showGrid(window);
    return context.capture(window.window(), [&] { settlePictures(window.window()); });
}

/// The same at the window's smallest size, where the bars are the most crowded.
QImage captureNarrowMainWindow(KTScreenContext &context, const QString &uiMode)
{
    if (!context.session())
        return {};
    KTScreenReviewWindow window(context.session()->storage(), uiMode);
    showGrid(window);
    window.window().resize(900, 600);
    return context.capture(window.window(), [&] { settlePictures(window.window()); });
}

/// The window with the menu of `tag` (or the `index`-th menu when the tag is 0) opened below its
/// title, as the user sees it: the menu validated on opening.
QImage captureMenu(KTScreenContext &context, int tag, int index = 0)
{
    if (!context.session())
        return {};
    KTScreenReviewWindow review(context.session()->storage(), QStringLiteral("Duplicates"));
    showGrid(review);
    KTMainWindowController *controller = &review.controller();
    QMenuBar *menuBar = controller->menuBar();
    QAction *menuItem = tag ? KTMainMenu::itemWithTag(menuBar, tag) : menuBar->actions().value(index);
    if (!menuItem || !menuItem->menu())
        return {};
    QMenu *menu = menuItem->menu();
    QImage menuImage;
    QPoint menuOrigin;
    QImage window = context.capture(*controller->window(), [&] {
        settlePictures(review.window());
        const QRect title = menuBar->actionGeometry(menuItem);
        menuOrigin = menuBar->mapTo(controller->window(), title.bottomLeft());
        menu->popup(menuBar->mapToGlobal(title.bottomLeft()));
        QApplication::processEvents();
        menuImage = menu->grab().toImage();
        menu->hide();
    });
    QPainter painter(&window);
    painter.drawImage(menuOrigin, menuImage);
    painter.end();
    return window;
}

} // namespace

KT_SCREEN(shell_main_similar_groups)
{
    return captureMainWindow(context, QStringLiteral("Duplicates"));
}

KT_SCREEN(shell_main_timeline)
{
    return captureMainWindow(context, QStringLiteral("AllImages"));
}

KT_SCREEN(shell_main_picks)
{
    return captureMainWindow(context, QStringLiteral("Favorites"));
}

KT_SCREEN(shell_main_rejects)
{
    return captureMainWindow(context, QStringLiteral("Trash"));
}

KT_SCREEN(shell_main_similar_narrow)
{
    return captureNarrowMainWindow(context, QStringLiteral("Duplicates"));
}

KT_SCREEN(shell_main_timeline_narrow)
{
    return captureNarrowMainWindow(context, QStringLiteral("AllImages"));
}

KT_SCREEN(shell_main_picks_narrow)
{
    return captureNarrowMainWindow(context, QStringLiteral("Favorites"));
}

KT_SCREEN(shell_main_rejects_narrow)
{
    return captureNarrowMainWindow(context, QStringLiteral("Trash"));
}

// The first launch: no session, the sources window over the timeline's empty view.
KT_SCREEN(shell_main_no_session)
{
    QTemporaryDir folder;
    KTImageStorage storage(
        {folder.filePath(QStringLiteral("support")), folder.filePath(QStringLiteral("legacy"))});
    KTScreenReviewWindow review(storage, QStringLiteral("Duplicates"));
    KTMainWindowController &controller = review.controller();
    QImage image;
    context.capture(review.window(), [&] {
        controller.showImageSourcesWindow();
        // The sources window is a window of its own over the main window's content.
        image = captureWithWindowsOver(review.window(),
                                       QList<QWidget *>{controller.imageSourcesController()->window()});
    });
    return image;
}

KT_SCREEN(shell_menu_file)
{
    return captureMenu(context, 0, 0);
}

KT_SCREEN(shell_menu_edit)
{
    return captureMenu(context, 0, 1);
}

KT_SCREEN(shell_menu_view)
{
    return captureMenu(context, kViewMenuTag);
}

KT_SCREEN(shell_menu_images)
{
    return captureMenu(context, kShareMenuTag);
}

KT_SCREEN(shell_menu_help)
{
    return captureMenu(context, 0, 4);
}
