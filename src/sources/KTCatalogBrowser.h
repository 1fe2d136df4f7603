#pragma once

#include "KTCatalogBrowserDelegate.h"
#include "KTCatalogReader.h"
#include "KTWeakDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class KTCatalogBrowserWindow;
class KTOperation;
class QWidget;

/// Our browser of external catalogues, over KTCatalogReader: the catalogues added to it, each a
/// root node whose children are its folders and collections (Lightroom 4 and 5) or its projects
/// (iPhoto, Aperture), the node the user has chosen, and the floating panel
/// (KTCatalogBrowserWindow) in which the user browses them and adds a node or drags it out.
///
/// A node's identifier is KTCatalogReader's, unique across catalogues; a root node's identifier
/// is its catalogue's path. Reading a catalogue's nodes ("populating" its root) runs on a
/// background thread and reports to the delegate before and after; a catalogue that cannot be
/// offered (not a Lightroom 4 or 5 catalogue, or unreadable) keeps no nodes and its reason.
///
/// Nothing here grants access to files: the desktop needs no access rights for catalogues.
///
/// Threading: main thread only. The background readers hand their results back through the main
/// queue; a result for a catalogue that was removed or reread in the meantime is dropped.
class KTCatalogBrowser : public QObject
{
    Q_OBJECT
public:
    /// One catalogue in the browser.
    struct Catalog
    {
        QString path;
        /// "Lightroom4", "Lightroom5", "iPhoto" or "Aperture" once read; empty before, or when
        /// the catalogue was refused.
        QString importSource;
        bool isPopulating = false;
        /// Why the catalogue offers no nodes (empty when it was read).
        QString errorMessage;
        /// Folders and collections, or projects, in the reader's order.
        QList<KTCatalogNode> nodes;
        quint64 readToken = 0;
    };

    explicit KTCatalogBrowser(QObject *parent = nullptr);
    ~KTCatalogBrowser() override;

    /// Not owned.
    KTCatalogBrowserDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTCatalogBrowserDelegate *delegate) { m_delegate = delegate; }

    /// Forgets every catalogue and the current node. A catalogue still being read is reported
    /// populated at once; its result is dropped when it comes.
    void clear();
    /// Adds the catalogue (a .lrcat file, an iPhoto or Aperture library folder) as a root node
    /// and starts reading its nodes; a catalogue already there is read again. Returns at once.
    void addCatalogAtPath(const QString &path);
    /// Reads every catalogue's nodes again.
    void reload();

    const QList<Catalog> &catalogs() const { return m_catalogs; }
    /// True while any catalogue is being read.
    bool isPopulating() const;

    /// The node (not a root) with this identifier, when a catalogue of the browser offers it.
    std::optional<KTCatalogNode> nodeWithIdentifier(const QString &identifier) const;
    /// The node the user has selected in the panel; none for a root, a heading or nothing.
    std::optional<KTCatalogNode> currentNode() const;
    QString currentNodeIdentifier() const { return m_currentNodeIdentifier; }
    /// Selects the node (or a root, by its path) in the panel; unknown identifiers select nothing.
    void setCurrentNodeIdentifier(const QString &identifier);

    /// The name the panel shows for the catalogue a node belongs to: its kind and its name, as
    /// "Lightroom 5: Wedding" or "iPhoto: Family".
    QString topLevelNodeName(const KTCatalogNode &node) const;
    static QString rootNodeName(const QString &catalogPath, const QString &importSource);
    /// The import type name of a node: "Lightroom", "iPhoto" or "Aperture".
    static QString importSourceFromNode(const KTCatalogNode &node);
    /// The catalogue a node identifier belongs to (its part before the last '#').
    static QString catalogPathOfNode(const QString &identifier);

    /// An operation that reads the node's catalogue image list and calls `completion` with it,
    /// or with an empty map when the node cannot be read, on the thread that runs it; a cancelled
    /// operation does not call it. The caller queues it. Never null.
    std::shared_ptr<KTOperation> createOperationForLoadImagesListFromNodeIdentifier(
        const QString &nodeIdentifier, std::function<void(const QVariantMap &imagesList)> completion) const;

    // ---- The panel ----

    /// Whether the panel has been made.
    bool isWindowLoaded() const { return !m_window.isNull(); }
    /// The panel, made on first use.
    KTCatalogBrowserWindow *window();
    /// Shows the panel (beside `nextTo`'s window the first time, and kept above that window by the
    /// window manager) and makes it the active window.
    void showWindow(QWidget *nextTo);
    /// Hides the panel when it is loaded.
    void hideWindow();
    bool isWindowVisible() const;
    /// The panel's Add button follows this and the current node; on by default.
    bool isImportButtonEnabled() const { return m_importButtonEnabled; }
    void setImportButtonEnabled(bool enabled);
    /// The Add button's action: tells the delegate, when the button is on and a node is current.
    void importCurrentNode();
    /// The panel is closing by the user's hand: tells the delegate.
    void windowWillClose();

signals:
    /// A catalogue was added, removed, or its reading started or ended.
    void catalogsChanged();
    void currentNodeChanged();
    void importButtonEnabledChanged();

private:
    void populate(Catalog &catalog);
    void didReadCatalog(const QString &path, quint64 token, const KTCatalogReader::NodesResult &result,
                        const QString &importSource);

    KTWeakDelegate<KTCatalogBrowserDelegate> m_delegate;
    QList<Catalog> m_catalogs;
    QString m_currentNodeIdentifier;
    QPointer<KTCatalogBrowserWindow> m_window;
    bool m_importButtonEnabled = true;
    quint64 m_nextReadToken = 1;
};
