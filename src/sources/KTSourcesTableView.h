#pragma once

#include "KTSourcesTableDataSource.h"
#include "KTWeakDelegate.h"

#include <QList>
#include <QPointer>
#include <QTableView>

class KTSourceCellView;
class KTTableRowView;

/// The table of the sources window: one row per source, each a KTTableRowView (selection frame
/// and delete button) holding a KTSourceCellView, filled from the data source at reloadData().
/// It draws no background of its own, so the panel below shows through. Several rows can be
/// selected; Delete and Backspace, alone or with Ctrl, post "deleteImageSourceNotification" with
/// the table as object (also with nothing selected) and go no further; every other key is the
/// table's.
///
/// Threading: main thread only.
class KTSourcesTableView : public QTableView
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 40;

    explicit KTSourcesTableView(QWidget *parent = nullptr);
    ~KTSourcesTableView() override;

    /// Not owned.
    KTSourcesTableDataSource *dataSource() const { return m_dataSource.get(); }
    void setDataSource(KTSourcesTableDataSource *dataSource) { m_dataSource = dataSource; }

    /// Asks the data source for every row again and makes fresh row views; the selection is
    /// cleared, since the rows it named may have gone.
    void reloadData();
    int numberOfRows() const;
    /// The selected rows, ascending.
    QList<int> selectedRowIndexes() const;
    void selectRowIndexes(const QList<int> &rows);

    /// The row view of `row`, or null when there is none.
    KTTableRowView *rowViewAtRow(int row) const;
    KTSourceCellView *cellViewAtRow(int row) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    class Model;
    void updateRowSelection();

    KTWeakDelegate<KTSourcesTableDataSource> m_dataSource;
    Model *m_model;
    QList<QPointer<KTTableRowView>> m_rowViews;
};
