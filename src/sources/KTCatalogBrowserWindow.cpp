#include "KTCatalogBrowserWindow.h"

#include "KTCatalogBrowser.h"
#include "KTDropView.h"

#include "KTColor.h"
#include "KTExternalCatalogTypes.h"
#include "KTFont.h"
#include "KTNamedImages.h"
#include "KTSButton.h"
#include "KTScroller.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>

/// The nodes as items; a node that can be chosen drags out as its identifier.
class KTCatalogBrowserWindow::Model : public QStandardItemModel
{
public:
    using QStandardItemModel::QStandardItemModel;

    QStringList mimeTypes() const override
    {
        return {kNodeIdentifierPasteboardType, kImageListPasteboardType};
    }

    QMimeData *mimeData(const QModelIndexList &indexes) const override
    {
        for (const QModelIndex &index : indexes) {
            if (index.column() != 0 || !(flags(index) & Qt::ItemIsDragEnabled))
                continue;
            const QByteArray identifier = index.data(kNodeIdentifierRole).toString().toUtf8();
            auto *data = new QMimeData;
            data->setData(kNodeIdentifierPasteboardType, identifier);
            data->setData(kImageListPasteboardType, identifier);
            return data;
        }
        return nullptr;
    }

    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
};

namespace {

constexpr int kIconSize = 16;

QIcon namedIcon(const QString &name, qreal ratio)
{
    return QIcon(
        QPixmap::fromImage(KTNamedImages::shared().image(name, QSizeF(kIconSize, kIconSize), ratio)));
}

QString rootImageName(const KTCatalogBrowser::Catalog &catalog)
{
    const QString name = KTCatalogBrowser::rootNodeName(catalog.path, catalog.importSource).toLower();
    if (name.startsWith(QLatin1String("iphoto")))
        return QStringLiteral("source_iphoto");
    if (name.startsWith(QLatin1String("aperture")))
        return QStringLiteral("source_aperture");
    return QStringLiteral("source_lightroom");
}

QStandardItem *headingItem(const QString &text, const QIcon &icon, const QString &identifier)
{
    auto *item = new QStandardItem(icon, text);
    item->setData(identifier, KTCatalogBrowserWindow::kNodeIdentifierRole);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QList<QStandardItem *> nodeRow(const KTCatalogNode &node, const QIcon &icon)
{
    auto *name = new QStandardItem(icon, node.name);
    name->setData(node.identifier, KTCatalogBrowserWindow::kNodeIdentifierRole);
    name->setToolTip(node.name);
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    auto *count = new QStandardItem(QLocale().toString(node.countOfBindableObjects));
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    count->setFlags(name->flags());
    count->setData(node.identifier, KTCatalogBrowserWindow::kNodeIdentifierRole);
    return {name, count};
}

QLabel *smallLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(ktSmallFont());
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
    label->setPalette(palette);
    return label;
}

} // namespace

KTCatalogBrowserWindow::KTCatalogBrowserWindow(KTCatalogBrowser *browser)
    : QWidget(nullptr, Qt::Tool), m_browser(browser), m_model(new Model(this)),
      m_nodesView(new QTreeView(this)), m_statusLabel(smallLabel(this)),
      m_addButton(new KTSButton(tr("Add"), this))
{
    setWindowTitle(tr("Catalog Browser"));
    resize(380, 400);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, KTPalette::kWindow);
    dark.setColor(QPalette::Base, KTPalette::kPanel);
    dark.setColor(QPalette::Text, KTPalette::kText);
    dark.setColor(QPalette::WindowText, KTPalette::kText);
    dark.setColor(QPalette::Highlight, KTPalette::kHover);
    dark.setColor(QPalette::HighlightedText, KTPalette::kText);
    setPalette(dark);

    m_nodesView->setModel(m_model);
    m_nodesView->setHeaderHidden(true);
    m_nodesView->setRootIsDecorated(true);
    m_nodesView->setUniformRowHeights(true);
    m_nodesView->setIconSize(QSize(kIconSize, kIconSize));
    m_nodesView->setFont(ktBodyFont());
    m_nodesView->setFrameShape(QFrame::NoFrame);
    m_nodesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_nodesView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nodesView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_nodesView->setDragEnabled(true);
    m_nodesView->setDragDropMode(QAbstractItemView::DragOnly);
    m_nodesView->setDefaultDropAction(Qt::CopyAction);
    m_nodesView->setVerticalScrollBar(new KTScroller(Qt::Vertical, m_nodesView));
    m_nodesView->setAccessibleName(tr("Catalog nodes"));
    connect(m_nodesView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!m_rebuilding && m_browser)
                    m_browser->setCurrentNodeIdentifier(
                        current.siblingAtColumn(0).data(kNodeIdentifierRole).toString());
            });
    connect(m_nodesView, &QAbstractItemView::activated, this, [this] {
        if (m_browser)
            m_browser->importCurrentNode();
    });

    m_addButton->setFixedSize(88, 24);
    m_addButton->setToolTip(tr("Add the chosen folder, collection or project to the sources"));
    connect(m_addButton, &KTControl::clicked, this, [this] {
        if (m_browser)
            m_browser->importCurrentNode();
    });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    column->addWidget(m_nodesView, 1);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(12);
    bottom->addWidget(m_statusLabel, 1);
    bottom->addWidget(m_addButton, 0, Qt::AlignBottom);
    column->addLayout(bottom);

    connect(browser, &KTCatalogBrowser::catalogsChanged, this, &KTCatalogBrowserWindow::rebuild);
    connect(browser, &KTCatalogBrowser::currentNodeChanged, this, [this] {
        selectCurrentNode();
        updateAddButton();
    });
    connect(browser, &KTCatalogBrowser::importButtonEnabledChanged, this,
            &KTCatalogBrowserWindow::updateAddButton);
    rebuild();
}

KTCatalogBrowserWindow::~KTCatalogBrowserWindow() = default;

QStandardItemModel *KTCatalogBrowserWindow::nodesModel() const
{
    return m_model;
}

void KTCatalogBrowserWindow::rebuild()
{
    if (!m_browser)
        return;
    m_rebuilding = true;
    m_model->clear();
    m_model->setColumnCount(2);
    const qreal ratio = devicePixelRatioF();
    const QIcon folderIcon = namedIcon(QStringLiteral("source_folder"), ratio);
    const QIcon collectionIcon = namedIcon(QStringLiteral("source_collection"), ratio);
    for (const KTCatalogBrowser::Catalog &catalog : m_browser->catalogs()) {
        QStandardItem *root = headingItem(KTCatalogBrowser::rootNodeName(catalog.path, catalog.importSource),
                                          namedIcon(rootImageName(catalog), ratio), catalog.path);
        root->setToolTip(catalog.path);
        QFont bold = ktBodyFont();
        bold.setBold(true);
        root->setFont(bold);
        m_model->appendRow({root, headingItem({}, {}, catalog.path)});
        const bool isLightroom = catalog.importSource.startsWith(QLatin1String("Lightroom"));
        QStandardItem *folders = nullptr;
        QStandardItem *collections = nullptr;
        for (const KTCatalogNode &node : catalog.nodes) {
            QStandardItem *parent = root;
            if (isLightroom && node.kind == KTCatalogNode::Kind::Collection) {
                if (!collections) {
                    collections = headingItem(tr("Collections"), {}, {});
                    root->appendRow({collections, headingItem({}, {}, {})});
                }
                parent = collections;
            } else if (isLightroom) {
                if (!folders) {
                    folders = headingItem(tr("Folders"), {}, {});
                    root->appendRow({folders, headingItem({}, {}, {})});
                }
                parent = folders;
            }
            parent->appendRow(
                nodeRow(node, node.kind == KTCatalogNode::Kind::Collection ? collectionIcon : folderIcon));
        }
    }
    m_nodesView->expandAll();
    m_nodesView->header()->setStretchLastSection(false);
    m_nodesView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_nodesView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    selectCurrentNode();
    m_rebuilding = false;
    updateStatus();
    updateAddButton();
}

void KTCatalogBrowserWindow::selectCurrentNode()
{
    if (!m_browser)
        return;
    const QString identifier = m_browser->currentNodeIdentifier();
    QModelIndex found;
    const std::function<void(const QModelIndex &)> search = [&](const QModelIndex &parent) {
        for (int row = 0; row < m_model->rowCount(parent) && !found.isValid(); ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            if (!identifier.isEmpty() && index.data(kNodeIdentifierRole).toString() == identifier)
                found = index;
            else
                search(index);
        }
    };
    search({});
    if (found == m_nodesView->currentIndex().siblingAtColumn(0))
        return;
    const bool rebuilding = std::exchange(m_rebuilding, true);
    if (found.isValid())
        m_nodesView->setCurrentIndex(found);
    else
        m_nodesView->selectionModel()->clear();
    m_rebuilding = rebuilding;
}

void KTCatalogBrowserWindow::updateAddButton()
{
    m_addButton->setButtonEnabled(m_browser && m_browser->isImportButtonEnabled() &&
                                  m_browser->currentNode());
}

void KTCatalogBrowserWindow::updateStatus()
{
    if (!m_browser)
        return;
    const QList<KTCatalogBrowser::Catalog> &catalogs = m_browser->catalogs();
    QStringList errors;
    for (const KTCatalogBrowser::Catalog &catalog : catalogs) {
        if (!catalog.errorMessage.isEmpty())
            errors.append(catalog.errorMessage);
    }
    QPalette palette = m_statusLabel->palette();
    palette.setColor(QPalette::WindowText,
                     errors.isEmpty() ? KTPalette::kSecondaryText : QColor(236, 120, 110));
    m_statusLabel->setPalette(palette);
    if (m_browser->isPopulating())
        m_statusLabel->setText(tr("Reading the catalog…"));
    else if (!errors.isEmpty())
        m_statusLabel->setText(errors.join(QLatin1Char('\n')));
    else if (catalogs.isEmpty())
        m_statusLabel->setText(tr("No catalog is open."));
    else
        m_statusLabel->setText(
            tr("Choose a folder, collection or project, then press Add or drag it to the sources."));
}

void KTCatalogBrowserWindow::closeEvent(QCloseEvent *event)
{
    if (m_browser)
        m_browser->windowWillClose();
    event->accept();
}

void KTCatalogBrowserWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), KTPalette::kWindow);
}
