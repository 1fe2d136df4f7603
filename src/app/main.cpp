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
#include "KTSingleInstance.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    qSetMessagePattern(
        QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{if-warning}W %{endif}%{if-critical}C "
                       "%{endif}%{message}"));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vireoscope"));
    QApplication::setDesktopFileName(QStringLiteral("vireoscope"));

    // Folders and catalogues to open: the arguments (a file manager's "Open With" passes them).
    QStringList paths = QApplication::arguments();
    paths.removeFirst();

    // One application per user session: a later start hands its paths to the first and ends.
    KTSingleInstance instance;
    if (instance.sendToRunningInstance(paths))
        return 0;
    if (!instance.listen() && instance.sendToRunningInstance(paths))
        return 0;

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

    KTAppDelegate delegate;
    delegate.setLaunchPaths(paths);
    QObject::connect(&instance, &KTSingleInstance::pathsReceived, &delegate, &KTAppDelegate::handOff);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
