#include "KTApplicationStart.h"

#include "KTAnalysisSessionHooks.h"
#include "KTAppDelegate.h"
#include "KTApplicationLook.h"
#include "KTCoreDataMigrationWindow.h"
#include "KTDialogPictures.h"
#include "KTDuplicatesSeeker.h"
#include "KTExternalImagesManager.h"
#include "KTExternalStatusHooks.h"
#include "KTFocusMaskDefaults.h"
#include "KTImageStorage.h"
#include "KTImageUtils.h"
#include "KTMainWindowController.h"
#include "KTNamedImages.h"
#include "KTReviewModeFactory.h"

#include <QApplication>
#include <QIcon>
#include <QThread>

void KTApplicationStart::nameApplication()
{
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vireoscope"));
    QApplication::setDesktopFileName(QStringLiteral("vireoscope"));
}

KTApplicationStart::KTApplicationStart(QStringList paths, const QString &serverName)
    : m_paths(std::move(paths)), m_instance(serverName)
{}

KTApplicationStart::~KTApplicationStart()
{
    if (!m_delegate)
        return;
    m_delegate.reset();
    // The main window and its modes go while the QApplication is whole.
    KTMainWindowController::destroySharedController();
}

bool KTApplicationStart::handOffToRunningInstance()
{
    if (m_instance.sendToRunningInstance(m_paths))
        return true;
    // Another start may have begun listening between the two calls: it takes the paths then.
    return !m_instance.listen() && m_instance.sendToRunningInstance(m_paths);
}

void KTApplicationStart::launch()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    Q_ASSERT_X(!m_delegate, "KTApplicationStart", "The application is launched once per process.");
    KTApplicationLook::apply();
    KTImageUtils::raiseImageAllocationLimit();
    KTFocusMaskDefaults::registerDefaults();
    KTDialogPictures::registerPictures();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(
        KTNamedImages::shared().image(KTDialogPictures::kApplicationIcon, QSizeF(256, 256), 1.0))));

    // The catalogue shows this window while it migrates an older session (when it first opens).
    KTCoreDataMigrationWindow::installAsMigrationWindow();

    // The catalogue sits below the similarity search, so the search is installed into it here.
    KTImageStorage &storage = *KTImageStorage::sharedStorage();
    KTAnalysisSessionHooks::install(storage);
    KTDuplicatesSeeker::installInto(storage);
    // The same holds for the external catalogues and their status flows.
    KTExternalStatusHooks::install(storage, KTExternalImagesManager::sharedManager());

    // The review modes come from the modes layer, which sits below the main window.
    KTMainWindowController::setModeControllerFactory(&KTReviewModeFactory::make);

    m_delegate = std::make_unique<KTAppDelegate>();
    m_delegate->setLaunchPaths(m_paths);
    QObject::connect(&m_instance, &KTSingleInstance::pathsReceived, m_delegate.get(),
                     &KTAppDelegate::handOff);
    m_delegate->applicationDidFinishLaunching();
}
