#include "KTMainWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QScreen>

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
        fitToScreen();
        emit becameKey();
    }
    if (event->type() == QEvent::ScreenChangeInternal)
        fitToScreen();
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
    fitToScreen();
}

QSize KTMainWindow::minimumSizeFitting(const QSize &preferred, const QSize &available, const QSize &frame)
{
    const QSize room = (available - frame).expandedTo(QSize(1, 1));
    return preferred.boundedTo(room);
}

void KTMainWindow::showEvent(QShowEvent *event)
{
    KTWindow::showEvent(event);
    fitToScreen();
}

void KTMainWindow::fitToScreen()
{
    if (!m_preferredMinimumSize.isValid())
        return;
    const QScreen *display = screen();
    if (!display) {
        setMinimumSize(m_preferredMinimumSize);
        return;
    }
    const QSize available = display->availableGeometry().size();
    const QSize frame = (frameGeometry().size() - geometry().size()).expandedTo(QSize(0, 0));
    setMinimumSize(minimumSizeFitting(m_preferredMinimumSize, available, frame));
}
