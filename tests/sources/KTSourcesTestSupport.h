#pragma once

#include "KTCatalogBrowserDelegate.h"
#include "KTImageSourcesWindowControllerDelegate.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class QMimeData;

/// Sets $HOME for its lifetime (the sources window shows the home folder as "~").
class KTHomeOverride
{
public:
    explicit KTHomeOverride(const QString &home);
    ~KTHomeOverride();
    KTHomeOverride(const KTHomeOverride &) = delete;
    KTHomeOverride &operator=(const KTHomeOverride &) = delete;

private:
    std::optional<QByteArray> m_previous;
};

/// What the sources window's delegate was told, with what the controller answered at that moment.
class KTRecordingSourcesDelegate : public QObject, public KTImageSourcesWindowControllerDelegate
{
    Q_OBJECT
public:
    struct Start
    {
        QStringList imageSources;
        QStringList sessionFolders;
        QVariantMap externalApplicationsImages;
        qint64 externalItemsCount = 0;
        bool shouldGenerateThumbnails = false;
    };

    void imageSourcesWindowControllerWantsToStartSession(KTImageSourcesWindowController *controller) override;
    void imageSourcesWindowControllerWantsToCloseWindow(KTImageSourcesWindowController *controller) override;

    std::vector<Start> starts;
    int closes = 0;
};

/// What a catalogue browser told its delegate, in order ("will:<id>", "did:<id>", "add", "close").
class KTRecordingBrowserDelegate : public KTCatalogBrowserDelegate
{
public:
    void catalogBrowserWillPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) override;
    void catalogBrowserDidPopulateNode(KTCatalogBrowser *browser, const QString &nodeIdentifier) override;
    void catalogBrowserWantsToAddCurrentNode(KTCatalogBrowser *browser) override;
    void catalogBrowserWillClose(KTCatalogBrowser *browser) override;

    QStringList calls;
};

/// A drag of these local paths, as the desktop makes it.
std::unique_ptr<QMimeData> fileDrag(const QStringList &paths);
/// A drag of a catalogue browser node.
std::unique_ptr<QMimeData> nodeDrag(const QString &nodeIdentifier);
/// Makes the folder (and its parents) and returns its path.
QString makeFolder(const QString &path);
