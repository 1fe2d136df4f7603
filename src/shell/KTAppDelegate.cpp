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
#include "KTUserDefaults.h"

#include <QApplication>
#include <QFileInfo>
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
    const std::function<void(KTMainWindowController::TerminateReply)> &reply)
{
    mainWindowController()->saveChangesAndReplyToTerminate(reply);
}

void KTAppDelegate::applicationWillTerminate()
{
    mainWindowController()->saveSelectionStateInActiveViewController();
}

void KTAppDelegate::terminate()
{
    const QPointer<KTAppDelegate> self(this);
    applicationShouldTerminate([self](KTMainWindowController::TerminateReply reply) {
        if (!self || reply != KTMainWindowController::TerminateReply::TerminateNow)
            return;
        self->applicationWillTerminate();
        KTApplicationTerminator::shared().terminate(0);
    });
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
    QStringList accepted;
    if (paths.size() == 1) {
        accepted = paths;
    } else {
        for (const QString &path : paths) {
            if (KTImageSourcesWindowController::isPathExternalLibraryPath(path))
                return;
        }
        for (const QString &path : paths) {
            if (QFileInfo(path).isDir())
                accepted.append(path);
        }
    }
    if (accepted.isEmpty())
        return;
    KTMainWindowController *controller = mainWindowController();
    if (controller->isWindowLoaded())
        controller->showSourcesControllerWithPaths(accepted);
    else
        controller->setPathsToLoadAfterLaunch(accepted);
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
