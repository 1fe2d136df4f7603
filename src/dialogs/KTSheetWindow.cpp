#include "KTSheetWindow.h"

#include "KTWindow.h"

#include <QApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cmath>

KTSheetWindow::KTSheetWindow(QWidget *parent) : KTTopBarLessWindow(parent)
{
    setModal(false);
    setWindowModality(Qt::WindowModal);
}

KTSheetWindow::~KTSheetWindow()
{
    if (m_presentingWindow)
        m_presentingWindow->removeEventFilter(this);
}

double KTSheetWindow::sheetTopY(const QWidget *window)
{
    if (const auto *custom = qobject_cast<const KTWindow *>(window))
        return custom->sheetTopY();
    return 0.0;
}

void KTSheetWindow::beginSheet(QWidget *window)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    QWidget *presenting = window ? window->window() : nullptr;
    if (!presenting)
        return;
    if (m_presentingWindow != presenting) {
        if (m_presentingWindow)
            m_presentingWindow->removeEventFilter(this);
        m_presentingWindow = presenting;
        presenting->installEventFilter(this);
    }
    // The window system keeps a transient window above its parent, and window modality takes
    // the input away from that window alone, not from the rest of the application.
    presenting->winId();
    winId();
    if (QWindow *handle = windowHandle())
        handle->setTransientParent(presenting->windowHandle());
    if (!testAttribute(Qt::WA_Resized))
        adjustSize();
    positionSheet();
    if (!isVisible()) {
        // The window that had the activation gets it back at the end: the presenting window, or
        // one over it such as the sources window.
        QWidget *active = QApplication::activeWindow();
        m_activeBeforeSheet = active != this ? active : nullptr;
        show();
    }
    raise();
}

void KTSheetWindow::endSheet()
{
    hide();
    if (QWidget *previous = windowToReactivate())
        previous->activateWindow();
}

QWidget *KTSheetWindow::windowToReactivate() const
{
    if (m_activeBeforeSheet && m_activeBeforeSheet->isVisible())
        return m_activeBeforeSheet;
    return m_presentingWindow;
}

void KTSheetWindow::positionSheet()
{
    if (!m_presentingWindow)
        return;
    const QPoint origin = m_presentingWindow->mapToGlobal(QPoint(0, 0));
    const int x = origin.x() + int(std::lround((m_presentingWindow->width() - width()) * 0.5));
    const int y = origin.y() + int(std::lround(sheetTopY(m_presentingWindow)));
    move(x, y);
}

void KTSheetWindow::reject() {}

bool KTSheetWindow::event(QEvent *event)
{
    // The window system can activate a sheet after it was hidden (shown and hidden before the
    // window manager mapped it). The application's active window is then a hidden sheet and the
    // keys go to it, while the window system keeps the focus on the presenting window, so no
    // later activation comes to mend it: the sheet hands both back to the window that had them
    // (windowToReactivate()).
    if (!isVisible() && m_presentingWindow && m_presentingWindow->isVisible()) {
        switch (event->type()) {
        case QEvent::WindowActivate:
            QTimer::singleShot(0, this, &KTSheetWindow::returnStrayActivation);
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (QWidget *window = windowToReactivate(); window && window->isVisible()) {
                QWidget *target = window->focusWidget();
                QCoreApplication::sendEvent(target ? target : window, event);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return KTTopBarLessWindow::event(event);
}

void KTSheetWindow::returnStrayActivation()
{
    QWidget *previous = windowToReactivate();
    if (isVisible() || QApplication::activeWindow() != this || !previous || !previous->isVisible())
        return;
    QApplication::setActiveWindow(previous);
    // The window manager gives the focus back to the presenting window; another window asks for
    // it again.
    if (previous != m_presentingWindow)
        previous->activateWindow();
}

bool KTSheetWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_presentingWindow && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        positionSheet();
    return KTTopBarLessWindow::eventFilter(watched, event);
}

void KTSheetWindow::resizeEvent(QResizeEvent *event)
{
    KTTopBarLessWindow::resizeEvent(event);
    positionSheet();
}
