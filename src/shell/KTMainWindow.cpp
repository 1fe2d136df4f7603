#include "KTMainWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QNativeGestureEvent>

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
    if (event->type() == QEvent::WindowActivate)
        emit becameKey();
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
