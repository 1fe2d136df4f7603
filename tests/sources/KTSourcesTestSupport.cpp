#include "KTSourcesTestSupport.h"

#include "KTDropView.h"
#include "KTImageSourcesWindowController.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

KTHomeOverride::KTHomeOverride(const QString &home)
{
    if (qEnvironmentVariableIsSet("HOME"))
        m_previous = qgetenv("HOME");
    qputenv("HOME", home.toLocal8Bit());
}

KTHomeOverride::~KTHomeOverride()
{
    if (m_previous)
        qputenv("HOME", *m_previous);
    else
        qunsetenv("HOME");
}

void KTRecordingSourcesDelegate::imageSourcesWindowControllerWantsToStartSession(
    KTImageSourcesWindowController *controller)
{
    starts.push_back({controller->imageSources(), controller->sessionFolders(),
                      controller->externalApplicationsImages(), controller->externalItemsCount(),
                      controller->shouldGenerateThumbnails()});
}

void KTRecordingSourcesDelegate::imageSourcesWindowControllerWantsToCloseWindow(
    KTImageSourcesWindowController *)
{
    ++closes;
}

void KTRecordingBrowserDelegate::catalogBrowserWillPopulateNode(KTCatalogBrowser *,
                                                                const QString &nodeIdentifier)
{
    calls.append(QStringLiteral("will:") + nodeIdentifier);
}

void KTRecordingBrowserDelegate::catalogBrowserDidPopulateNode(KTCatalogBrowser *,
                                                               const QString &nodeIdentifier)
{
    calls.append(QStringLiteral("did:") + nodeIdentifier);
}

void KTRecordingBrowserDelegate::catalogBrowserWantsToAddCurrentNode(KTCatalogBrowser *)
{
    calls.append(QStringLiteral("add"));
}

void KTRecordingBrowserDelegate::catalogBrowserWillClose(KTCatalogBrowser *)
{
    calls.append(QStringLiteral("close"));
}

std::unique_ptr<QMimeData> fileDrag(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> nodeDrag(const QString &nodeIdentifier)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(kNodeIdentifierPasteboardType, nodeIdentifier.toUtf8());
    return data;
}

QString makeFolder(const QString &path)
{
    QDir().mkpath(path);
    return QDir::cleanPath(path);
}
