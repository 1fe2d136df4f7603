// The main window: each review mode over the generated session, the window before a session
// exists, and every menu of the menu bar opened over it.

#include "KTScreenMainWindow.h"
#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTFakeModeController.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainMenu.h"
#include "KTMainWindowController.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr QSize kWindowSize(1280, 800);

/// A main window over `storage` with the stand-in review modes (the real modes are not built
/// yet), showing `uiMode` with a few images selected.
std::unique_ptr<KTMainWindowController> mainWindow(KTImageStorage &storage, const QString &uiMode)
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setBool(false, kKTShowTipsKey);
    defaults.setObject(uiMode, kUIModeKey);
    KTMainWindowController::setModeControllerFactory(&KTFakeModeController::make);
    auto controller = std::make_unique<KTMainWindowController>(&storage);
    controller->showWindow();
    controller->window()->resize(kWindowSize);
    if (KTFakeModeController *mode = KTFakeModeController::made(uiMode)) {
        mode->selectedIndexes = {1, 2};
        mode->activeIndex = 1;
        controller->validateTopBar();
    }
    return controller;
}

QImage captureMainWindow(KTScreenContext &context, const QString &uiMode)
{
    if (!context.session())
        return {};
    std::unique_ptr<KTMainWindowController> controller = mainWindow(context.session()->storage(), uiMode);
    const QImage image = context.capture(*controller->window());
    KTMainWindowController::setModeControllerFactory({});
    return image;
}

/// The window with the menu of `tag` (or the `index`-th menu when the tag is 0) opened below its
/// title, as the user sees it: the menu validated on opening.
QImage captureMenu(KTScreenContext &context, int tag, int index = 0)
{
    if (!context.session())
        return {};
    std::unique_ptr<KTMainWindowController> controller =
        mainWindow(context.session()->storage(), QStringLiteral("Duplicates"));
    QMenuBar *menuBar = controller->menuBar();
    QAction *menuItem = tag ? KTMainMenu::itemWithTag(menuBar, tag) : menuBar->actions().value(index);
    if (!menuItem || !menuItem->menu())
        return {};
    QMenu *menu = menuItem->menu();
    QImage menuImage;
    QPoint menuOrigin;
    QImage window = context.capture(*controller->window(), [&] {
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
    KTMainWindowController::setModeControllerFactory({});
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

// The first launch: no session, the sources window over the timeline's empty view.
KT_SCREEN(shell_main_no_session)
{
    QTemporaryDir folder;
    KTImageStorage storage(
        {folder.filePath(QStringLiteral("support")), folder.filePath(QStringLiteral("legacy"))});
    std::unique_ptr<KTMainWindowController> controller = mainWindow(storage, QStringLiteral("Duplicates"));
    QImage image;
    context.capture(*controller->window(), [&] {
        controller->showImageSourcesWindow();
        // The sources window is a window of its own over the main window's content.
        image = captureWithWindowsOver(*controller->window(),
                                       QList<QWidget *>{controller->imageSourcesController()->window()});
    });
    controller.reset();
    KTMainWindowController::setModeControllerFactory({});
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
