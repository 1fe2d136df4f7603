// The list review modes in the main window (the picks and the rejects as a grid and one image at a
// time with the thumbnail strip), the remaining-images mode, the resolved-group overlay and the
// message of a finished copy.

#include "KTScreenRegistry.h"
#include "KTScreenReviewWindow.h"
#include "KTScreenSession.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTImageMO.h"
#include "KTImageModeController.h"
#include "KTImageMover.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTModeShareActions.h"
#include "KTResolveGroupViewController.h"
#include "KTReviewModeFactory.h"
#include "KTUniquesImagesModeController.h"

#include <QApplication>
#include <QCursor>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr QSize kWindowSize(1280, 800);

/// The main window over the session showing `uiMode` in `subMode`, with the second and third images
/// selected (the third active) and the thumbnail strip and EXIF panel wanted.
QImage captureListMode(KTScreenContext &context, const QString &uiMode, const QString &subMode)
{
    if (!context.session())
        return {};
    KTScreenReviewWindow window(context.session()->storage(), uiMode);
    if (KTBaseUIModeController *mode = window.mode()) {
        KTAbstractButton exifSwitch;
        exifSwitch.setPushed(true);
        mode->onShowExifView(&exifSwitch);
        if (auto *list = dynamic_cast<KTImageModeController *>(mode))
            list->setIsNavigationBarVisible(true);
        const QList<KTImageMO *> images = mode->images();
        if (images.size() > 2)
            mode->setSelectedImages({images.at(1), images.at(2)}, images.at(2), false);
        mode->switchToUIMode(subMode);
        window.controller().validateTopBar();
    }
    return context.capture(window.window(), [&] { settlePictures(window.window()); });
}

} // namespace

KT_SCREEN(modes_picks_grid)
{
    return captureListMode(context, QStringLiteral("Favorites"), kUIModeList);
}

KT_SCREEN(modes_picks_image)
{
    return captureListMode(context, QStringLiteral("Favorites"), kUIModeImage);
}

KT_SCREEN(modes_rejects_grid)
{
    return captureListMode(context, QStringLiteral("Trash"), kUIModeList);
}

KT_SCREEN(modes_rejects_image)
{
    return captureListMode(context, QStringLiteral("Trash"), kUIModeImage);
}

// The remaining-images mode, which the main window does not offer, on its own.
KT_SCREEN(modes_remaining_grid)
{
    if (!context.session())
        return {};
    QCursor::setPos(-1000, -1000);
    KTUniquesImagesModeController mode;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mode.view());
    mode.setImageStorage(&context.session()->storage());
    window.resize(kWindowSize.width(), 640);
    return context.capture(window, [&] {
        mode.refresh();
        settlePictures(window);
    });
}

namespace {

/// The picks grid at 900 x 600 with the overlay that `show` puts up, at its fullest.
QImage captureOverlayOverPicks(KTScreenContext &context, const std::function<void(QWidget *view)> &show)
{
    if (!context.session())
        return {};
    QCursor::setPos(-1000, -1000);
    std::unique_ptr<KTBaseUIModeController> mode = KTReviewModeFactory::make(QStringLiteral("Favorites"));
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mode->view());
    mode->setImageStorage(&context.session()->storage());
    window.resize(900, 600);
    return context.capture(window, [&] {
        mode->refresh();
        settlePictures(window);
        KTAnimations::setEnabled(true);
        show(mode->view());
        KTResolveGroupViewController *overlay = KTResolveGroupViewController::sharedController();
        settle([overlay] { return overlay->alphaValue() >= 0.97; }, 2000);
        KTAnimations::setEnabled(false);
    });
}

} // namespace

// The resolved-group overlay at its fullest, over the picks grid.
KT_SCREEN(modes_resolve_overlay)
{
    return captureOverlayOverPicks(context,
                                   [](QWidget *view) { KTResolveGroupViewController::showInView(view, {}); });
}

// The message of a finished copy at its fullest, over the picks grid.
KT_SCREEN(modes_copy_message)
{
    return captureOverlayOverPicks(context, [&context](QWidget *view) {
        KTImageMover::Report report;
        report.operation = KTImageMover::Operation::Copy;
        report.folder = QStringLiteral("/home/sam/Pictures/Picks from the weekend");
        report.transferred = int(context.session()
                                     ->storage()
                                     .imagesFilteredByFilterWithID(QStringLiteral("FavoriteImagesFilter"))
                                     .size());
        KTModeShareActions::reportTransfer(view, report);
    });
}
