#include "KTPopoverWindowController.h"

#include "KTPopoverManager.h"
#include "KTPopoverView.h"
#include "KTProgressWindowController.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

KTPopoverWindowController::KTPopoverWindowController(QWidget *parent) : QWidget(parent) {}

KTPopoverWindowController::~KTPopoverWindowController()
{
    closePopover();
}

void KTPopoverWindowController::showRelativeToView(QWidget *anchor, Completion completion)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    m_completionBlock = std::move(completion);
    m_shown = true;
    const QPointer<KTPopoverWindowController> self(this);
    KTPopoverManager::sharedManager().showPopoverView(this, anchor, KTPopoverManager::Below, 0.0, [self] {
        if (!self)
            return;
        self->m_shown = false;
        if (auto block = std::exchange(self->m_completionBlock, nullptr))
            block();
    });
}

void KTPopoverWindowController::closePopover()
{
    if (!m_shown)
        return;
    KTPopoverManager &manager = KTPopoverManager::sharedManager();
    if (manager.popoverView() && manager.popoverView()->contentView() == this)
        manager.dismissPopover();
    m_shown = false;
}

bool KTPopoverWindowController::isShown() const
{
    return m_shown;
}

void KTPopoverWindowController::watchProgressSheet()
{
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    m_finishObserver = center.addObserver(kProgressDidFinishNotification, nullptr,
                                          [this](const KTNotification &) { stopWatchingProgressSheet(); });
    m_cancelObserver =
        center.addObserver(kProgressDidCancelNotification, nullptr, [this](const KTNotification &) {
            stopWatchingProgressSheet();
            progressDidCancel();
        });
}

void KTPopoverWindowController::stopWatchingProgressSheet()
{
    m_finishObserver.reset();
    m_cancelObserver.reset();
}
