#include "KTPopoverManager.h"

#include "KTPopoverView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindowStateChangeEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

KTPopoverManager &KTPopoverManager::sharedManager()
{
    static auto *manager = new KTPopoverManager;
    return *manager;
}

KTPopoverManager::KTPopoverManager(QObject *parent) : QObject(parent)
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            dismissPopover();
    });
}

KTPopoverManager::~KTPopoverManager()
{
    dismissPopover();
}

QRect KTPopoverManager::popoverGeometry(const QRect &anchor, const QSize &size, int position, double offset,
                                        const QRect &screen)
{
    const QPointF middle = QRectF(anchor).center();
    double x = middle.x() - size.width() / 2.0 + offset;
    double y = 0;
    switch (position) {
    case Above:
        y = anchor.top() - size.height();
        break;
    case Centered:
        y = middle.y() - size.height() / 2.0;
        break;
    default:
        y = anchor.bottom() + 1;
        break;
    }
    QRect result(int(std::lround(x)), int(std::lround(y)), size.width(), size.height());
    if (!screen.isEmpty()) {
        result.moveLeft(std::clamp(result.left(), screen.left(),
                                   std::max(screen.left(), screen.right() - size.width() + 1)));
        result.moveTop(std::clamp(result.top(), screen.top(),
                                  std::max(screen.top(), screen.bottom() - size.height() + 1)));
    }
    return result;
}

void KTPopoverManager::showPopoverView(QWidget *content, QWidget *anchor, int position, double offset,
                                       std::function<void()> closeHandler)
{
    dismissPopover();
    if (!content || !anchor)
        return;
    auto *view = new KTPopoverView(content);
    view->setArrowEdge(position == Below   ? KTPopoverView::ArrowTop
                       : position == Above ? KTPopoverView::ArrowBottom
                                           : KTPopoverView::ArrowNone);
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    const QScreen *screen = anchor->screen();
    const QRect geometry = popoverGeometry(anchorRect, view->size(), position, offset,
                                           screen ? screen->availableGeometry() : QRect());
    // The arrow points at the anchor's middle wherever the frame ended up.
    view->setArrowOffset(QRectF(anchorRect).center().x() - QRectF(geometry).center().x());
    view->setGeometry(geometry);
    m_view = view;
    m_closeHandler = std::move(closeHandler);
    m_anchorWindow = anchor->window();
    if (m_anchorWindow)
        m_anchorWindow->installEventFilter(this);
    connect(view, &KTPopoverView::closed, this, &KTPopoverManager::popoverClosed);
    view->show();
}

void KTPopoverManager::dismissPopover()
{
    if (m_view)
        m_view->close();
    popoverClosed();
}

bool KTPopoverManager::isShown() const
{
    return m_view && m_view->isVisible();
}

KTPopoverView *KTPopoverManager::popoverView() const
{
    return m_view;
}

void KTPopoverManager::popoverClosed()
{
    if (m_anchorWindow)
        m_anchorWindow->removeEventFilter(this);
    m_anchorWindow = nullptr;
    if (m_view) {
        disconnect(m_view, nullptr, this, nullptr);
        m_view->deleteLater();
        m_view = nullptr;
    }
    // Taken out first, so a handler that shows another popover keeps that one's handler.
    if (auto handler = std::exchange(m_closeHandler, nullptr))
        handler();
}

bool KTPopoverManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_anchorWindow && event->type() == QEvent::WindowStateChange) {
        const bool wasFull =
            static_cast<QWindowStateChangeEvent *>(event)->oldState().testFlag(Qt::WindowFullScreen);
        const bool isFull = m_anchorWindow->windowState().testFlag(Qt::WindowFullScreen);
        if (wasFull != isFull)
            dismissPopover();
    }
    return QObject::eventFilter(watched, event);
}
