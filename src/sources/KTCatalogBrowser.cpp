#include "KTCatalogBrowser.h"

#include "KTCatalogBrowserWindow.h"

#include "KTDispatch.h"
#include "KTExternalCatalogTypes.h"
#include "KTOperationQueue.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QThreadPool>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

void assertMainThread()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

} // namespace

KTCatalogBrowser::KTCatalogBrowser(QObject *parent) : QObject(parent) {}

KTCatalogBrowser::~KTCatalogBrowser()
{
    delete m_window.data();
}

void KTCatalogBrowser::clear()
{
    assertMainThread();
    const QList<Catalog> removed = std::exchange(m_catalogs, {});
    const bool hadCurrent = !m_currentNodeIdentifier.isEmpty();
    m_currentNodeIdentifier.clear();
    emit catalogsChanged();
    if (hadCurrent)
        emit currentNodeChanged();
    for (const Catalog &catalog : removed) {
        if (catalog.isPopulating && m_delegate)
            m_delegate->catalogBrowserDidPopulateNode(this, catalog.path);
    }
}

void KTCatalogBrowser::addCatalogAtPath(const QString &path)
{
    assertMainThread();
    if (path.isEmpty())
        return;
    auto found = std::find_if(m_catalogs.begin(), m_catalogs.end(),
                              [&path](const Catalog &catalog) { return catalog.path == path; });
    if (found == m_catalogs.end()) {
        m_catalogs.append(Catalog{path});
        found = m_catalogs.end() - 1;
    }
    populate(*found);
}

void KTCatalogBrowser::reload()
{
    assertMainThread();
    // populate() may call the delegate, which may change the list: work from the paths.
    QStringList paths;
    for (const Catalog &catalog : std::as_const(m_catalogs))
        paths.append(catalog.path);
    for (const QString &path : paths)
        addCatalogAtPath(path);
}

bool KTCatalogBrowser::isPopulating() const
{
    return std::any_of(m_catalogs.cbegin(), m_catalogs.cend(),
                       [](const Catalog &catalog) { return catalog.isPopulating; });
}

void KTCatalogBrowser::populate(Catalog &catalog)
{
    const bool wasPopulating = catalog.isPopulating;
    catalog.isPopulating = true;
    catalog.errorMessage.clear();
    catalog.readToken = m_nextReadToken++;
    const QString path = catalog.path;
    const quint64 token = catalog.readToken;
    emit catalogsChanged();
    // A catalogue read again while its first reading runs stays one populating node.
    if (!wasPopulating && m_delegate)
        m_delegate->catalogBrowserWillPopulateNode(this, path);

    QPointer<KTCatalogBrowser> self(this);
    QThreadPool::globalInstance()->start([self, path, token] {
        const KTCatalogReader reader(path);
        const KTCatalogReader::NodesResult result = reader.nodes();
        const QString importSource =
            result.ok && !result.nodes.isEmpty() ? result.nodes.first().importSource : reader.importSource();
        postToMain([self, path, token, result, importSource] {
            if (self)
                self->didReadCatalog(path, token, result, importSource);
        });
    });
}

void KTCatalogBrowser::didReadCatalog(const QString &path, quint64 token,
                                      const KTCatalogReader::NodesResult &result, const QString &importSource)
{
    const auto found = std::find_if(m_catalogs.begin(), m_catalogs.end(), [&](const Catalog &catalog) {
        return catalog.path == path && catalog.readToken == token;
    });
    if (found == m_catalogs.end())
        return;
    found->isPopulating = false;
    found->importSource = result.ok ? importSource : QString();
    found->errorMessage = result.ok ? QString() : result.errorMessage;
    found->nodes = result.ok ? result.nodes : QList<KTCatalogNode>();
    emit catalogsChanged();
    if (!m_currentNodeIdentifier.isEmpty() && m_currentNodeIdentifier != path &&
        catalogPathOfNode(m_currentNodeIdentifier) == path && !nodeWithIdentifier(m_currentNodeIdentifier)) {
        m_currentNodeIdentifier.clear();
        emit currentNodeChanged();
    }
    if (m_delegate)
        m_delegate->catalogBrowserDidPopulateNode(this, path);
}

std::optional<KTCatalogNode> KTCatalogBrowser::nodeWithIdentifier(const QString &identifier) const
{
    for (const Catalog &catalog : m_catalogs) {
        for (const KTCatalogNode &node : catalog.nodes) {
            if (node.identifier == identifier)
                return node;
        }
    }
    return std::nullopt;
}

std::optional<KTCatalogNode> KTCatalogBrowser::currentNode() const
{
    return nodeWithIdentifier(m_currentNodeIdentifier);
}

void KTCatalogBrowser::setCurrentNodeIdentifier(const QString &identifier)
{
    assertMainThread();
    const bool isRoot = std::any_of(m_catalogs.cbegin(), m_catalogs.cend(),
                                    [&](const Catalog &catalog) { return catalog.path == identifier; });
    const QString current = isRoot || nodeWithIdentifier(identifier) ? identifier : QString();
    if (current == m_currentNodeIdentifier)
        return;
    m_currentNodeIdentifier = current;
    emit currentNodeChanged();
}

QString KTCatalogBrowser::topLevelNodeName(const KTCatalogNode &node) const
{
    return rootNodeName(catalogPathOfNode(node.identifier), node.importSource);
}

QString KTCatalogBrowser::rootNodeName(const QString &catalogPath, const QString &importSource)
{
    QString kind;
    if (importSource == kSourceTypeLightroom4)
        kind = tr("Lightroom 4");
    else if (importSource == kSourceTypeLightroom5)
        kind = tr("Lightroom 5");
    else if (!importSource.isEmpty())
        kind = importSource;
    else {
        const QString suffix = QFileInfo(catalogPath).suffix().toLower();
        kind = suffix == QLatin1String("photolibrary") ? tr("iPhoto")
               : suffix == QLatin1String("aplibrary")  ? tr("Aperture")
                                                       : tr("Lightroom");
    }
    return tr("%1: %2").arg(kind, QFileInfo(catalogPath).completeBaseName());
}

QString KTCatalogBrowser::importSourceFromNode(const KTCatalogNode &node)
{
    return node.importSource.startsWith(QLatin1String("Lightroom")) ? QStringLiteral("Lightroom")
                                                                    : node.importSource;
}

QString KTCatalogBrowser::catalogPathOfNode(const QString &identifier)
{
    const qsizetype hash = identifier.lastIndexOf(QLatin1Char('#'));
    return hash < 0 ? identifier : identifier.left(hash);
}

std::shared_ptr<KTOperation> KTCatalogBrowser::createOperationForLoadImagesListFromNodeIdentifier(
    const QString &nodeIdentifier, std::function<void(const QVariantMap &imagesList)> completion) const
{
    return KTCatalogReader(catalogPathOfNode(nodeIdentifier))
        .createOperationForLoadImagesListFromNodeIdentifier(nodeIdentifier, std::move(completion));
}

KTCatalogBrowserWindow *KTCatalogBrowser::window()
{
    assertMainThread();
    if (!m_window)
        m_window = new KTCatalogBrowserWindow(this);
    return m_window;
}

void KTCatalogBrowser::showWindow(QWidget *nextTo)
{
    KTCatalogBrowserWindow *panel = window();
    // Transient for the window it serves, the window manager keeps the panel above it, also when
    // that window comes to the front.
    if (nextTo && !panel->isVisible()) {
        panel->winId();
        if (QWindow *handle = panel->windowHandle())
            handle->setTransientParent(nextTo->window()->windowHandle());
    }
    if (!panel->isVisible() && nextTo) {
        // Over the right part of the window it serves, below its heading, so both stay in view.
        const QRect frame = nextTo->window()->frameGeometry();
        QPoint position(frame.right() - panel->width() - 24, frame.top() + 112);
        if (const QScreen *screen = nextTo->screen()) {
            const QRect available = screen->availableGeometry();
            position.setX(std::clamp(position.x(), available.left(),
                                     std::max(available.left(), available.right() - panel->width())));
            position.setY(std::clamp(position.y(), available.top(),
                                     std::max(available.top(), available.bottom() - panel->height())));
        }
        panel->move(position);
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void KTCatalogBrowser::hideWindow()
{
    if (m_window)
        m_window->hide();
}

bool KTCatalogBrowser::isWindowVisible() const
{
    return m_window && m_window->isVisible();
}

void KTCatalogBrowser::setImportButtonEnabled(bool enabled)
{
    if (m_importButtonEnabled == enabled)
        return;
    m_importButtonEnabled = enabled;
    emit importButtonEnabledChanged();
}

void KTCatalogBrowser::importCurrentNode()
{
    if (m_importButtonEnabled && currentNode() && m_delegate)
        m_delegate->catalogBrowserWantsToAddCurrentNode(this);
}

void KTCatalogBrowser::windowWillClose()
{
    if (m_delegate)
        m_delegate->catalogBrowserWillClose(this);
}
