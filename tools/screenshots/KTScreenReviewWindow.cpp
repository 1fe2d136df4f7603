#include "KTScreenReviewWindow.h"

#include "KTImageCollectionViewCellImageView.h"
#include "KTImageView.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"
#include "KTReviewModeFactory.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>

namespace {

constexpr QSize kWindowSize(1280, 800);

bool isOnScreen(const QWidget *widget)
{
    return widget->isVisibleTo(widget->window()) && !widget->visibleRegion().isEmpty();
}

bool picturesLoaded(const QWidget &window)
{
    for (const auto *cell : window.findChildren<KTImageCollectionViewCellImageView *>()) {
        if (isOnScreen(cell) && cell->imageMO() && !cell->previewDidLoad() && !cell->isFileMissing())
            return false;
    }
    for (const auto *viewer : window.findChildren<KTImageView *>()) {
        if (isOnScreen(viewer) && viewer->imageMO() && viewer->previewImage().isNull() &&
            viewer->image().isNull())
            return false;
    }
    return true;
}

} // namespace

KTScreenReviewWindow::KTScreenReviewWindow(KTImageStorage &storage, const QString &uiMode)
{
    QCursor::setPos(-1000, -1000);
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setBool(false, kKTShowTipsKey);
    defaults.setObject(uiMode, kUIModeKey);
    KTMainWindowController::setModeControllerFactory(&KTReviewModeFactory::make);
    m_controller = std::make_unique<KTMainWindowController>(&storage);
    m_controller->showWindow();
    m_controller->window()->resize(kWindowSize);
}

KTScreenReviewWindow::~KTScreenReviewWindow()
{
    m_controller.reset();
    KTMainWindowController::setModeControllerFactory({});
}

QWidget &KTScreenReviewWindow::window() const
{
    return *m_controller->window();
}

KTBaseUIModeController *KTScreenReviewWindow::mode() const
{
    return m_controller->activeModeViewController();
}

void settle(const std::function<bool()> &done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    QApplication::processEvents();
}

void settlePictures(const QWidget &window)
{
    settle([&window] { return picturesLoaded(window); });
}
