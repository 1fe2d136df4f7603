#include "KTAppDelegate.h"
#include "KTExternalImagesManager.h"
#include "KTExternalStatusFlows.h"
#include "KTFocusMaskDefaults.h"
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
    // The session catalogue reaches the external catalogues only through the flows installed here.
    KTExternalStatusSync::install(
        std::make_shared<KTExternalStatusFlows>(KTExternalImagesManager::sharedManager()));

    KTAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
