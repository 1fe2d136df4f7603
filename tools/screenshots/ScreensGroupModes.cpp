// The group review modes in the main window: the similar groups in each sub-mode, during a group
// switch and with the resolved-group message; the time groups in each sub-mode.

#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTFakeModeController.h"
#include "KTGroupModeController.h"
#include "KTGrouppedImagesCellView.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCompareView.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTMainWindowController.h"
#include "KTResolveGroupViewController.h"
#include "KTReviewModeFactory.h"
#include "KTTipsWindow.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>

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

bool cellsLoaded(const KTImageCollectionView *grid)
{
    if (!grid || !grid->isVisible())
        return true;
    for (const KTImageCollectionViewCell *cell : grid->visibleCells())
        if (!cell->imageView()->previewDidLoad() && !cell->imageView()->isFileMissing())
            return false;
    return true;
}

bool viewerLoaded(const KTImageView *viewer)
{
    return !viewer || !viewer->isVisible() || !viewer->imageMO() || !viewer->previewImage().isNull() ||
           !viewer->image().isNull();
}

/// Waits until the grids on screen show their thumbnails and the viewers their previews.
void settleGroupMode(KTGroupModeController &mode)
{
    settle([&mode] {
        for (const KTGrouppedImagesCellView *row : mode.groupsView()->visibleCells())
            if (!cellsLoaded(row))
                return false;
        return cellsLoaded(mode.groupView()) && cellsLoaded(mode.groupNavigationView()) &&
               viewerLoaded(mode.imageView()) && viewerLoaded(mode.compareView()->leftImageView()) &&
               viewerLoaded(mode.compareView()->rightImageView());
    });
}

/// The real modes where they exist, the stand-ins for the others.
std::unique_ptr<KTBaseUIModeController> makeMode(const QString &uiMode)
{
    std::unique_ptr<KTBaseUIModeController> mode = KTReviewModeFactory::make(uiMode);
    return mode ? std::move(mode) : KTFakeModeController::make(uiMode);
}

/// The main window over the session showing the group mode `uiMode`; `prepare` puts the mode
/// into the state to show, `afterShow` runs once it is on screen and settled.
QImage captureGroupMode(KTScreenContext &context, const QString &uiMode,
                        const std::function<void(KTGroupModeController &)> &prepare,
                        const std::function<void(KTGroupModeController &)> &afterShow = {})
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
        auto *mode = dynamic_cast<KTGroupModeController *>(controller.activeModeViewController());
        if (mode) {
            mode->setIsNavigationBarVisible(true);
            prepare(*mode);
            controller.validateTopBar();
        }
        image = context.capture(*controller.window(), [&] {
            if (!mode)
                return;
            settleGroupMode(*mode);
            if (afterShow)
                afterShow(*mode);
        });
    }
    KTMainWindowController::setModeControllerFactory({});
    return image;
}

/// The sub-mode `subMode` on the second group, with the EXIF panel wanted outside "Groups" and
/// two images selected in "Group".
void showSecondGroup(KTGroupModeController &mode, const QString &subMode)
{
    KTAbstractButton exifSwitch;
    exifSwitch.setPushed(subMode != kUIModeGroups);
    mode.onShowExifView(&exifSwitch);
    mode.switchToUIMode(kUIModeGroups);
    if (mode.numberOfGroupsInList() > 1)
        mode.switchToGroupAtIndex(1, KTGroupSwitchAnimation::None);
    const QList<KTImageMO *> images = mode.images();
    if (images.size() > 2 && subMode == kUIModeGroup)
        mode.setSelectedImages({images.at(0), images.at(2)}, images.at(2), false);
    mode.switchToUIMode(subMode);
}

QImage similar(KTScreenContext &context, const QString &subMode)
{
    return captureGroupMode(context, QStringLiteral("Duplicates"),
                            [&](KTGroupModeController &mode) { showSecondGroup(mode, subMode); });
}

} // namespace

KT_SCREEN(modes_similar_groups)
{
    return similar(context, kUIModeGroups);
}

KT_SCREEN(modes_similar_group)
{
    return similar(context, kUIModeGroup);
}

KT_SCREEN(modes_similar_image)
{
    return similar(context, kUIModeImage);
}

KT_SCREEN(modes_similar_compare)
{
    return similar(context, kUIModeCompare);
}

// Halfway through the slide to the next group: the old group leaves upwards as the new one rises.
KT_SCREEN(modes_similar_group_switch)
{
    return captureGroupMode(
        context, QStringLiteral("Duplicates"),
        [](KTGroupModeController &mode) { showSecondGroup(mode, kUIModeImage); },
        [](KTGroupModeController &mode) {
            KTAnimations::setEnabled(true);
            mode.onNextGroup(nullptr);
            QDeadlineTimer half(230);
            while (!half.hasExpired())
                QApplication::processEvents(QEventLoop::AllEvents, 10);
            KTAnimations::setEnabled(false);
        });
}

// The resolved-group message over the group that was just resolved, at its fullest. The
// resolution is undone afterwards, so the later screens see the session as it was.
KT_SCREEN(modes_similar_resolved)
{
    const QImage image = captureGroupMode(
        context, QStringLiteral("Duplicates"),
        [](KTGroupModeController &mode) { showSecondGroup(mode, kUIModeImage); },
        [](KTGroupModeController &mode) {
            KTAnimations::setEnabled(true);
            mode.onResolveGroup(nullptr);
            KTResolveGroupViewController *overlay = KTResolveGroupViewController::sharedController();
            settle([overlay] { return overlay->alphaValue() >= 0.97; }, 2000);
            KTAnimations::setEnabled(false);
        });
    if (KTUndoManager *undo = context.session() ? context.session()->storage().undoManager() : nullptr) {
        if (undo->canUndo())
            undo->undo();
        context.session()->storage().processPendingChanges();
    }
    return image;
}

namespace {

QImage timeline(KTScreenContext &context, const QString &subMode)
{
    return captureGroupMode(context, QStringLiteral("AllImages"),
                            [&](KTGroupModeController &mode) { showSecondGroup(mode, subMode); });
}

} // namespace

KT_SCREEN(modes_timeline_groups)
{
    return timeline(context, kUIModeGroups);
}

KT_SCREEN(modes_timeline_group)
{
    return timeline(context, kUIModeGroup);
}

KT_SCREEN(modes_timeline_image)
{
    return timeline(context, kUIModeImage);
}

KT_SCREEN(modes_timeline_compare)
{
    return timeline(context, kUIModeCompare);
}
