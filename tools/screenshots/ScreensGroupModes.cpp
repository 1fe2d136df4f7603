// The group review modes in the main window: the similar groups in each sub-mode, during a group
// switch and with the resolved-group message; the time groups in each sub-mode.

#include "KTScreenRegistry.h"
#include "KTScreenReviewWindow.h"
#include "KTScreenSession.h"

#include "KTAbstractButton.h"
#include "KTAnimations.h"
#include "KTGroupModeController.h"
#include "KTModeActions.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTResolveGroupViewController.h"
#include "KTUndoManager.h"

#include <QApplication>
#include <QDeadlineTimer>

#include <functional>

namespace {

/// The main window over the session showing the group mode `uiMode`; `prepare` puts the mode
/// into the state to show, `afterShow` runs once it is on screen and settled.
QImage captureGroupMode(KTScreenContext &context, const QString &uiMode,
                        const std::function<void(KTGroupModeController &)> &prepare,
                        const std::function<void(KTGroupModeController &)> &afterShow = {})
{
    if (!context.session())
        return {};
    KTScreenReviewWindow window(context.session()->storage(), uiMode);
    auto *mode = dynamic_cast<KTGroupModeController *>(window.mode());
    if (mode) {
        mode->setIsNavigationBarVisible(true);
        prepare(*mode);
        window.controller().validateTopBar();
    }
    return context.capture(window.window(), [&] {
        if (!mode)
            return;
        settlePictures(window.window());
        if (afterShow)
            afterShow(*mode);
    });
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
            mode.actions().action(KTModeCommand::ResolveGroup)->trigger();
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
