#include "KTWindowWalk.h"

#include "KTAbstractButton.h"
#include "KTBaseUIModeController.h"
#include "KTDropView.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <algorithm>

namespace KTWindowWalk {

namespace {

bool anyImage(bool (*test)(const KTImageMO &))
{
    const QList<KTImageMO *> images = KTImageStorage::sharedStorage()->images();
    return std::any_of(images.begin(), images.end(), [test](const KTImageMO *image) { return test(*image); });
}

bool isPicked(const KTImageMO &image)
{
    return image.picked().value_or(false);
}

bool isRejected(const KTImageMO &image)
{
    return image.rejected().value_or(false);
}

} // namespace

bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void press(KTMainWindowController &window, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // A window that has just closed may still be the active one, or none may be, until the
    // platform's activation of the next one arrives; shortcuts answer only in the active window.
    waitFor([] {
        const QWidget *active = QApplication::activeWindow();
        return active && active->isVisible();
    });
    QWidget *target = QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    if (!target)
        target = window.window();
    QTest::keyClick(target, key, modifiers);
    QCoreApplication::processEvents();
}

bool dropOntoSourcesWindow(KTMainWindowController &window, const QString &folder)
{
    if (!window.isImageSourcesWindowVisible())
        return false;
    KTDropView *target = window.imageSourcesController()->window()->dropView();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder)});
    const QPointF at = QRectF(target->rect()).center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QString walkEveryMode(KTMainWindowController &window)
{
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        press(window, k, modifiers);
    };
    key(Qt::Key_S);
    key(Qt::Key_2, Qt::ControlModifier);
    key(Qt::Key_P, Qt::ControlModifier);
    if (!anyImage(isPicked))
        key(Qt::Key_P, Qt::ControlModifier);
    key(Qt::Key_Right);
    key(Qt::Key_R, Qt::ControlModifier);
    if (!anyImage(isRejected))
        key(Qt::Key_R, Qt::ControlModifier);
    if (!anyImage(isPicked) || !anyImage(isRejected))
        return QStringLiteral("no pick and reject in the similar groups");
    for (const Qt::Key mode : {Qt::Key_T, Qt::Key_P, Qt::Key_J, Qt::Key_S}) {
        key(mode);
        for (const Qt::Key subMode : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4}) {
            key(subMode, Qt::ControlModifier);
            KTBaseUIModeController *active = window.activeModeViewController();
            if (!active)
                return QStringLiteral("no mode on screen in %1").arg(window.UIMode());
            if (active->exifPanelShouldBeShown() && !active->isExifPanelVisible())
                key(Qt::Key_I, Qt::ControlModifier);
            KTAbstractButton *focusMask = window.toolbar()->showFocusMaskButton();
            if (focusMask && focusMask->isVisible() && focusMask->isEnabled() && !focusMask->isPushed()) {
                QTest::mouseClick(focusMask, Qt::LeftButton, Qt::NoModifier, focusMask->rect().center());
                QCoreApplication::processEvents();
            }
            key(Qt::Key_Right);
            key(Qt::Key_Right, Qt::ShiftModifier);
        }
    }
    key(Qt::Key_1, Qt::ControlModifier);
    if (window.UIMode() != kDuplicatesUIMode)
        return QStringLiteral("the walk ended in %1, not in the similar groups").arg(window.UIMode());
    return {};
}

} // namespace KTWindowWalk
