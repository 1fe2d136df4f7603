#include "KTAnalysisSessionHooks.h"
#include "KTAppDelegate.h"
#include "KTCoreDataMigrationWindow.h"
#include "KTDuplicatesSeeker.h"
#include "KTExternalImagesManager.h"
#include "KTExternalStatusHooks.h"
#include "KTFocusMaskDefaults.h"
#include "KTImageStorage.h"
#include "KTImageUtils.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{if-warning}W %{endif}%{if-critical}C "
                                      "%{endif}%{message}"));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vireoscope"));

    KTImageUtils::raiseImageAllocationLimit();
    KTFocusMaskDefaults::registerDefaults();

    // The catalogue shows this window while it migrates an older session (when it first opens).
    KTCoreDataMigrationWindow::installAsMigrationWindow();

    KTAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    // The catalogue sits below the similarity search, so the search is installed into it here.
    KTImageStorage &storage = *KTImageStorage::sharedStorage();
    KTAnalysisSessionHooks::install(storage);
    KTDuplicatesSeeker::installInto(storage);
    // The same holds for the external catalogues and their status flows.
    KTExternalStatusHooks::install(storage, KTExternalImagesManager::sharedManager());
    return QApplication::exec();
}
