#pragma once

#include <QPointer>
#include <QWidget>

class KTCatalogBrowser;
class KTSButton;
class QLabel;
class QStandardItemModel;
class QTreeView;

/// The floating panel of the catalogue browser: a tree of the catalogues (root nodes) with their
/// folders and collections or projects and each node's count of images, a status line (reading,
/// or why a catalogue offers nothing), and the Add button. A node can be dragged out: the drag
/// carries the node's identifier under the browser's node type and its image list type, and
/// offers copying only. Return on a node, or a double click, adds it as the Add button does.
///
/// Closing the panel hides it and tells the browser; the browser owns and deletes it.
///
/// Threading: main thread only.
class KTCatalogBrowserWindow : public QWidget
{
    Q_OBJECT
public:
    /// Identifier of the node of an item (a root's is its catalogue's path).
    static constexpr int kNodeIdentifierRole = Qt::UserRole + 1;

    explicit KTCatalogBrowserWindow(KTCatalogBrowser *browser);
    ~KTCatalogBrowserWindow() override;

    QTreeView *nodesView() const { return m_nodesView; }
    QStandardItemModel *nodesModel() const;
    KTSButton *addButton() const { return m_addButton; }
    QLabel *statusLabel() const { return m_statusLabel; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    class Model;
    void rebuild();
    void selectCurrentNode();
    void updateAddButton();
    void updateStatus();

    QPointer<KTCatalogBrowser> m_browser;
    Model *m_model;
    QTreeView *m_nodesView;
    QLabel *m_statusLabel;
    KTSButton *m_addButton;
    bool m_rebuilding = false;
};
