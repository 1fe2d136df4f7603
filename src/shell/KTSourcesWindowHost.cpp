#include "KTSourcesWindowHost.h"

#include "KTImageSourcesWindow.h"
#include "KTMainToolbar.h"
#include "KTMainWindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QThread>
#include <QWindow>

#include <cmath>
#include <utility>

KTSourcesWindowHost::KTSourcesWindowHost(KTImageStorage *storage, KTMainWindow *window,
                                         KTMainToolbar *toolbar, QObject *parent)
    : QObject(parent), m_window(window), m_toolbar(toolbar),
      m_controller(std::make_unique<KTImageSourcesWindowController>(window))
{
    Q_ASSERT(window);
    m_controller->setImageStorage(storage);
    m_controller->setDelegate(this);
    window->installEventFilter(this);
}

KTSourcesWindowHost::~KTSourcesWindowHost()
{
    if (m_window)
        m_window->removeEventFilter(this);
    // The controller deletes its window when the main window has not already.
    m_controller.reset();
}

void KTSourcesWindowHost::addWindowAction(QAction *action)
{
    if (action)
        m_controller->window()->addAction(action);
}

void KTSourcesWindowHost::setHeldBack(bool heldBack)
{
    m_heldBack = heldBack;
    if (!heldBack && std::exchange(m_showWaits, false))
        showWithPaths(std::exchange(m_waitingPaths, {}));
}

void KTSourcesWindowHost::showWithPaths(const QStringList &paths)
{
    open(std::nullopt, paths);
}

void KTSourcesWindowHost::reopenWithLastChoice()
{
    open(m_lastChoice, {});
}

void KTSourcesWindowHost::open(const std::optional<KTImageSourcesWindowController::Choice> &choice,
                               const QStringList &paths)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (!m_window)
        return;
    // The quick tips come first: the sources window would cover them.
    if (m_heldBack) {
        m_showWaits = true;
        m_waitingPaths += paths;
        return;
    }
    KTImageSourcesWindow *sources = m_controller->window();
    // A second request (the set-up can ask twice, a second start hands more paths over) must not
    // empty what the user has chosen since the first.
    if (!isOpen()) {
        m_controller->reset();
        if (choice)
            m_controller->restoreChoice(*choice);
        frameDidChange();
        // Made with the main window as parent, it is transient for it; set it here too, as the
        // platform window may have been made again since.
        sources->winId();
        if (QWindow *handle = sources->windowHandle())
            handle->setTransientParent(m_window->windowHandle());
        sources->show();
        if (m_toolbar)
            m_toolbar->disableButtons();
    }
    bringToFront();
    if (!paths.isEmpty())
        m_controller->addPaths(paths);
}

void KTSourcesWindowHost::close()
{
    m_standingAside = false;
    // A start that waits for image lists must not begin a session the user turned away from.
    m_controller->cancelCurrentTask();
    m_controller->window()->hide();
    m_controller->hideIMediaBrowser();
    if (m_toolbar)
        m_toolbar->enableButtons();
}

bool KTSourcesWindowHost::isOpen() const
{
    return m_standingAside || isVisible();
}

bool KTSourcesWindowHost::isVisible() const
{
    return m_controller->window()->isVisible();
}

void KTSourcesWindowHost::bringToFront()
{
    if (!isVisible())
        return;
    KTImageSourcesWindow *sources = m_controller->window();
    sources->raise();
    sources->activateWindow();
}

void KTSourcesWindowHost::frameDidChange()
{
    if (!m_window)
        return;
    const int top = int(std::lround(m_window->sheetTopY()));
    m_controller->window()->setGeometry(
        QRect(m_window->mapToGlobal(QPoint(0, top)), QSize(m_window->width(), m_window->height() - top)));
}

bool KTSourcesWindowHost::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_window.data() &&
        (type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowStateChange) && isOpen())
        frameDidChange();
    return QObject::eventFilter(watched, event);
}

void KTSourcesWindowHost::imageSourcesWindowControllerWantsToStartSession(
    KTImageSourcesWindowController *controller)
{
    if (!m_startSession || m_standingAside)
        return;
    KTSessionFlow::Sources sources;
    sources.folders = controller->sessionFolders();
    sources.externalApplicationSources = controller->externalApplicationsImages().values();
    sources.externalItemsCount = controller->externalItemsCount();
    sources.shouldGenerateThumbnails = controller->shouldGenerateThumbnails();
    m_lastChoice = controller->choice();
    // The count shows its progress on the main window: the sources window steps aside meanwhile
    // and keeps the user's choice for a start that does not go through.
    m_standingAside = true;
    controller->window()->hide();
    const QPointer<KTSourcesWindowHost> self(this);
    m_startSession(sources, [self](KTSessionFlow::StartOutcome outcome) {
        if (self)
            self->startDidEnd(outcome);
    });
}

void KTSourcesWindowHost::startDidEnd(KTSessionFlow::StartOutcome outcome)
{
    if (!m_standingAside)
        return;
    if (outcome == KTSessionFlow::StartOutcome::Started) {
        close();
        return;
    }
    m_standingAside = false;
    KTImageSourcesWindow *sources = m_controller->window();
    frameDidChange();
    sources->show();
    bringToFront();
}

void KTSourcesWindowHost::imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *)
{
    close();
    if (m_didClose)
        m_didClose();
}
