#include "KTAppDelegate.h"

#include "KTAbstractButton.h"
#include "KTAbstractScroller.h"
#include "KTError.h"
#include "KTExternalImagesManager.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindow.h"
#include "KTPushNotification.h"
#include "KTShareManager.h"
#include "KTTerminationSignals.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QSessionManager>
#include <QThread>

KTAppDelegate::KTAppDelegate(QObject *parent) : QObject(parent) {}

KTAppDelegate::~KTAppDelegate() = default;

KTMainWindowController *KTAppDelegate::mainWindowController() const
{
    return m_mainWindowController ? m_mainWindowController.data()
                                  : KTMainWindowController::sharedController();
}

void KTAppDelegate::seedLaunchDefaults(KTUserDefaults &defaults)
{
    const std::pair<QString, bool> seeds[] = {
        {kLightroomSyncOptionPicksKey, true},
        {kLightroomSyncOptionRejectsKey, true},
        {KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey, false},
    };
    for (const auto &[key, value] : seeds) {
        if (!defaults.hasStoredValue(key))
            defaults.setBool(value, key);
    }
    defaults.synchronize();
}

void KTAppDelegate::applicationDidFinishLaunching()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    m_canHandleDragOnIcon = true;
    KTAbstractButton::setDefaultTextOffset(QPointF(0.0, 1.0));
    KTAbstractButton::setDefaultFontName(QStringLiteral("Helvetica"));
    KTAbstractButton::setDefaultFontSize(13.0);
    KTAbstractScroller::setDefaultScrollerImagesName(QStringLiteral("scroller_vert"));
    KTShareManager::excludeExportItems({kKTExportToPhotoshop, kKTExportToPhotoshopElements,
                                        kKTExportToAperture, kKTExportToIPhoto, kKTExportToLightroom});
    KTShareManager::configureShareMenuItemsOrderWithServices(
        {kKTShareServiceFlickr, kKTShareServiceFacebook, kKTShareServiceTwitter, kKTShareServiceEmail});
    seedLaunchDefaults(KTUserDefaults::standardUserDefaults());
    // The application ends with its main window (see mainWindowWillClose()), after the rate
    // window that the close may offer.
    QApplication::setQuitOnLastWindowClosed(false);

    // Paths given at start arrive before the main window is made, as drops on an icon do.
    if (!m_launchPaths.isEmpty())
        openFiles(m_launchPaths);

    KTMainWindowController *controller = mainWindowController();
    controller->showWindow();
    KTPushNotification::start();

    connect(controller->window(), &KTMainWindow::miniaturized, this, &KTAppDelegate::applicationDidMinimize);
    connect(controller->window(), &KTMainWindow::willClose, this, &KTAppDelegate::mainWindowWillClose);
    connect(controller, &KTMainWindowController::terminateRequested, this, &KTAppDelegate::terminate);
    // The desktop's log-out, a closed terminal or Ctrl+C: save and write back as for Quit, without
    // questions nobody would answer.
    m_terminationSignals = std::make_unique<KTTerminationSignals>();
    connect(m_terminationSignals.get(), &KTTerminationSignals::terminationRequested, this,
            [this] { mainWindowController()->terminate(KTCatalogWriteBack::Asking::Never); });
    // The session manager asks for the data before it ends the session; it may or may not end the
    // application after, so the session is saved and written back here and the application stays.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        mainWindowController()->writeBack().saveChangesAndContinue([](bool) {},
                                                                   KTCatalogWriteBack::Asking::Never);
    });
    // The application ends with its main window; the close has saved already.
    connect(controller, &KTMainWindowController::windowDidClose, this,
            [] { KTApplicationTerminator::shared().terminate(0); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            applicationDidBecomeActive();
    });
}

bool KTAppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    KTMainWindowController *controller = mainWindowController();
    if (!hasVisibleWindows)
        controller->showWindow();
    else if (KTMainWindow *window = controller->window()) {
        // As the desktop activates a running application that is started again.
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    }
    return true;
}

void KTAppDelegate::applicationShouldTerminate(
    const std::function<void(KTCatalogWriteBack::TerminateReply)> &reply)
{
    mainWindowController()->writeBack().saveChangesAndReplyToTerminate(reply);
}

void KTAppDelegate::applicationWillTerminate()
{
    mainWindowController()->saveSelectionStateInActiveViewController();
}

void KTAppDelegate::terminate()
{
    mainWindowController()->terminate();
}

bool KTAppDelegate::openFile(const QString &path)
{
    openFiles({path});
    return true;
}

void KTAppDelegate::openFiles(const QStringList &paths)
{
    Q_ASSERT_X(!paths.isEmpty(), "openFiles", "Paths array is empty");
    if (paths.isEmpty() || !m_canHandleDragOnIcon)
        return;
    // Every path goes to the sources window, which takes what it can and names the rest with
    // the reason: a path dropped here silently would leave the user guessing.
    KTMainWindowController *controller = mainWindowController();
    if (controller->isWindowLoaded())
        controller->showSourcesControllerWithPaths(paths);
    else
        controller->setPathsToLoadAfterLaunch(paths);
}

void KTAppDelegate::handOff(const QStringList &paths)
{
    KTMainWindowController *controller = mainWindowController();
    const bool visible = controller->window() && controller->window()->isVisible();
    applicationShouldHandleReopen(visible);
    if (!paths.isEmpty())
        openFiles(paths);
}

void KTAppDelegate::applicationDidMinimize()
{
    m_canHandleDragOnIcon = false;
}

void KTAppDelegate::applicationDidBecomeActive()
{
    m_canHandleDragOnIcon = true;
}

void KTAppDelegate::mainWindowWillClose()
{
    mainWindowController()->saveSelectionStateInActiveViewController();
    m_canHandleDragOnIcon = false;
}
