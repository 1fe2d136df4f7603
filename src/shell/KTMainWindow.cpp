#include "KTMainWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QScreen>

#include <algorithm>
#include <utility>

KTMainWindow::KTMainWindow(QWidget *parent) : KTWindow(parent) {}

KTMainWindow::~KTMainWindow() = default;

bool KTMainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        const auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture && magnify) {
            magnify(gesture->value());
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::WindowActivate) {
        // By now the window manager has framed the window: its frame is known.
        // Its size is fitted again unless it was resized since it was shown.
        fitToScreen(std::exchange(m_sizeToFitAtActivation, std::nullopt) == size());
        emit becameKey();
    }
    if (event->type() == QEvent::ScreenChangeInternal)
        fitToScreen(true);
    return KTWindow::event(event);
}

void KTMainWindow::closeEvent(QCloseEvent *event)
{
    if (shouldClose && !shouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit willClose();
}

void KTMainWindow::keyPressEvent(QKeyEvent *event)
{
    if ((keyEquivalent && keyEquivalent(*event)) || (keyDown && keyDown(*event))) {
        event->accept();
        return;
    }
    KTWindow::keyPressEvent(event);
}

void KTMainWindow::changeEvent(QEvent *event)
{
    KTWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        emit miniaturized();
}

void KTMainWindow::setPreferredMinimumSize(const QSize &size)
{
    m_preferredMinimumSize = size;
    fitToScreen(false);
}

QSize KTMainWindow::minimumSizeFitting(const QSize &preferred, const QSize &available, const QSize &frame)
{
    const QSize room = (available - frame).expandedTo(QSize(1, 1));
    return preferred.boundedTo(room);
}

QRect KTMainWindow::geometryFitting(const QRect &geometry, const QRect &available, const QMargins &frame)
{
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize room = (available.size() - frameSize).expandedTo(QSize(1, 1));
    if (geometry.width() <= room.width() && geometry.height() <= room.height())
        return geometry;
    QRect fitted(geometry.topLeft(), geometry.size().boundedTo(room));
    const int left = available.left() + frame.left();
    const int top = available.top() + frame.top();
    fitted.moveTo(
        std::clamp(fitted.x(), left, std::max(left, available.right() + 1 - frame.right() - fitted.width())),
        std::clamp(fitted.y(), top,
                   std::max(top, available.bottom() + 1 - frame.bottom() - fitted.height())));
    return fitted;
}

void KTMainWindow::showEvent(QShowEvent *event)
{
    KTWindow::showEvent(event);
    const bool first = !std::exchange(m_shownOnce, true);
    fitToScreen(first);
    if (first)
        m_sizeToFitAtActivation = size();
}

void KTMainWindow::fitToScreen(bool boundSize)
{
    if (!m_preferredMinimumSize.isValid())
        return;
    const QScreen *display = screen();
    if (!display) {
        setMinimumSize(m_preferredMinimumSize);
        return;
    }
    const QRect available = display->availableGeometry();
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
                         std::max(0, outer.right() - inner.right()),
                         std::max(0, outer.bottom() - inner.bottom()));
    setMinimumSize(minimumSizeFitting(m_preferredMinimumSize, available.size(),
                                      QSize(frame.left() + frame.right(), frame.top() + frame.bottom())));
    // A window larger than its screen (its default size at a large scale factor) would hide its
    // bottom bar: it shrinks onto the screen.
    if (!boundSize)
        return;
    const QRect fitted = geometryFitting(inner, available, frame);
    if (fitted != inner)
        setGeometry(fitted);
}
