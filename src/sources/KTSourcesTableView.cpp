#include "KTSourcesTableView.h"

#include "KTScroller.h"
#include "KTSourceCellView.h"
#include "KTTableRowView.h"

#include "KTNotificationCenter.h"

#include <QAbstractListModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

/// Rows without data: each row's content is its row view.
class KTSourcesTableView::Model : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setRowCount(int rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    QVariant data(const QModelIndex &, int) const override { return {}; }

private:
    int m_rows = 0;
};

namespace {

/// The row views paint the rows, selection included.
class KTNoPaintDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *, const QStyleOptionViewItem &, const QModelIndex &) const override {}
};

} // namespace

KTSourcesTableView::KTSourcesTableView(QWidget *parent) : QTableView(parent), m_model(new Model(this))
{
    setModel(m_model);
    setItemDelegate(new KTNoPaintDelegate(this));
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setWordWrap(false);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new KTScroller(Qt::Vertical, this));
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setDragEnabled(false);
    // No background: the panel below shows through.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    clear.setColor(QPalette::Window, Qt::transparent);
    setPalette(clear);
    setFocusPolicy(Qt::StrongFocus);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KTSourcesTableView::updateRowSelection);
}

KTSourcesTableView::~KTSourcesTableView() = default;

void KTSourcesTableView::reloadData()
{
    KTSourcesTableDataSource *source = m_dataSource.get();
    const int rows = source ? std::max(0, source->numberOfRowsInTableView(this)) : 0;
    // The reset deletes the previous row views.
    m_rowViews.clear();
    m_model->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const KTSourceCell cell = source->tableViewCellForRow(this, row);
        auto *rowView = new KTTableRowView;
        rowView->setRowIndex(row);
        auto *layout = new QVBoxLayout(rowView);
        layout->setContentsMargins(rowView->contentsMargins());
        auto *cellView = new KTSourceCellView(rowView);
        cellView->setText(cell.text);
        cellView->setImageName(cell.imageName);
        layout->addWidget(cellView);
        setIndexWidget(m_model->index(row), rowView);
        m_rowViews.append(rowView);
    }
    updateRowSelection();
}

int KTSourcesTableView::numberOfRows() const
{
    return m_model->rowCount();
}

QList<int> KTSourcesTableView::selectedRowIndexes() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void KTSourcesTableView::selectRowIndexes(const QList<int> &rows)
{
    QItemSelection selection;
    for (const int row : rows) {
        if (row >= 0 && row < numberOfRows())
            selection.select(m_model->index(row), m_model->index(row));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

KTTableRowView *KTSourcesTableView::rowViewAtRow(int row) const
{
    return row >= 0 && row < m_rowViews.size() ? m_rowViews.at(row) : nullptr;
}

KTSourceCellView *KTSourcesTableView::cellViewAtRow(int row) const
{
    KTTableRowView *rowView = rowViewAtRow(row);
    return rowView ? rowView->findChild<KTSourceCellView *>() : nullptr;
}

void KTSourcesTableView::keyPressEvent(QKeyEvent *event)
{
    // Delete and Backspace delete the selected sources, as Ctrl with either does; the table has no
    // use of its own for them.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier) &&
        (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        KTNotificationCenter::defaultCenter().post(QString::fromLatin1(kDeleteImageSourceNotification), this);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void KTSourcesTableView::updateRowSelection()
{
    for (int row = 0; row < m_rowViews.size(); ++row) {
        if (KTTableRowView *rowView = m_rowViews.at(row))
            rowView->setSelected(selectionModel()->isRowSelected(row, {}));
    }
}
