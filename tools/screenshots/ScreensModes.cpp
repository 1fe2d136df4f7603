// The list review modes in the main window (the picks and the rejects as a grid and one image at a
// time with the thumbnail strip), the remaining-images mode, and the resolved-group overlay.

#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTFakeModeController.h"
#include "KTImageBrowserView.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageMO.h"
#include "KTImageModeController.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTMainWindowController.h"
#include "KTResolveGroupViewController.h"
#include "KTReviewModeFactory.h"
#include "KTTipsWindow.h"
#include "KTUniquesImagesModeController.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr QSize kWindowSize(1280, 800);

/// Turns the event loop until `done` holds or `milliseconds` have passed.
void settle(const std::function<bool()> &done, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    QApplication::processEvents();
}

/// Waits until the grids on screen show their thumbnails and the viewer its preview.
void settleMode(KTBaseUIModeController &mode)
{
    settle([&mode] {
        auto *list = dynamic_cast<KTImageModeController *>(&mode);
        const QList<const KTImageCollectionView *> grids{list ? list->imageBrowserView() : nullptr,
                                                         mode.navigationView()};
        for (const KTImageCollectionView *grid : grids) {
            if (!grid || !grid->isVisible())
                continue;
            for (const KTImageCollectionViewCell *cell : grid->visibleCells())
                if (!cell->imageView()->previewDidLoad() && !cell->imageView()->isFileMissing())
                    return false;
        }
        KTImageView *viewer = mode.imageView();
        return !viewer || !viewer->isVisible() || !viewer->imageMO() || !viewer->previewImage().isNull() ||
               !viewer->image().isNull();
    });
}

/// The real list modes where they exist, the stand-ins for the group modes.
std::unique_ptr<KTBaseUIModeController> makeMode(const QString &uiMode)
{
    std::unique_ptr<KTBaseUIModeController> mode = KTReviewModeFactory::make(uiMode);
    return mode ? std::move(mode) : KTFakeModeController::make(uiMode);
}

/// The main window over the session showing `uiMode` in `subMode`, with the second and third images
/// selected (the third active) and the thumbnail strip and EXIF panel wanted.
QImage captureListMode(KTScreenContext &context, const QString &uiMode, const QString &subMode)
{
    if (!context.session())
        return {};
    QCursor::setPos(-1000, -1000);
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setBool(false, kKTShowTipsKey);
    defaults.setObject(uiMode, kUIModeKey);
    KTMainWindowController::setModeControllerFactory(&makeMode);
    QImage image;
    {
        KTMainWindowController controller(&context.session()->storage());
        controller.showWindow();
        controller.window()->resize(kWindowSize);
        KTBaseUIModeController *mode = controller.activeModeViewController();
        if (mode) {
            KTAbstractButton exifSwitch;
            exifSwitch.setPushed(true);
            mode->onShowExifView(&exifSwitch);
            auto *list = dynamic_cast<KTImageModeController *>(mode);
            if (list)
                list->setIsNavigationBarVisible(true);
            const QList<KTImageMO *> images = mode->images();
            if (images.size() > 2)
                mode->setSelectedImages({images.at(1), images.at(2)}, images.at(2), false);
            mode->switchToUIMode(subMode);
            controller.validateTopBar();
        }
        image = context.capture(*controller.window(), [&] {
            if (mode)
                settleMode(*mode);
        });
    }
    KTMainWindowController::setModeControllerFactory({});
    return image;
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
        settleMode(mode);
    });
}

// The overlay at its fullest, over the picks grid.
KT_SCREEN(modes_resolve_overlay)
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
        settleMode(*mode);
        KTAnimations::setEnabled(true);
        KTResolveGroupViewController::showInView(mode->view(), {});
        KTResolveGroupViewController *overlay = KTResolveGroupViewController::sharedController();
        settle([overlay] { return overlay->alphaValue() >= 0.97; }, 2000);
        KTAnimations::setEnabled(false);
    });
}
