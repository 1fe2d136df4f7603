#include "KTHelpPage.h"

#include "KTAlert.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QThread>

QString KTHelpPage::pathForProgramFolder(const QString &programFolder)
{
    // The program is installed in <prefix>/bin and its page in <prefix>/share.
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../") + kInstalledPath);
    if (QFileInfo(installed).isFile())
        return installed;
    const QString buildTree = QStringLiteral(VS_BUILD_TREE_HELP_PAGE);
    return QFileInfo(buildTree).isFile() ? buildTree : QString();
}

QUrl KTHelpPage::url()
{
    const QString path = pathForProgramFolder(QCoreApplication::applicationDirPath());
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

bool KTHelpPage::open()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    const QUrl page = url();
    if (!page.isEmpty() && QDesktopServices::openUrl(page))
        return true;
    KTAlert alert;
    alert.messageText = tr("The help page could not be opened.");
    alert.informativeText =
        page.isEmpty() ? tr("It is installed with the program as %1 beside its folder.").arg(kInstalledPath)
                       : tr("No application of the desktop opens %1.").arg(page.toLocalFile());
    alert.buttons = {tr("OK")};
    KTAlertPresenter::shared().runModal(alert);
    return false;
}
