#include "KTSourcesTableView.h"

#include "KTAbstractButton.h"
#include "KTSourceCellView.h"
#include "KTTableRowView.h"

#include "KTNotificationCenter.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class ListDataSource : public KTSourcesTableDataSource
{
public:
    int numberOfRowsInTableView(KTSourcesTableView *) override { return int(rows.size()); }
    KTSourceCell tableViewCellForRow(KTSourcesTableView *, int row) override { return rows.at(row); }

    QList<KTSourceCell> rows;
};

/// Counts "deleteImageSourceNotification" posts and keeps their objects.
class DeletePosts
{
public:
    DeletePosts()
        : m_token(KTNotificationCenter::defaultCenter().addObserver(
              QStringLiteral("deleteImageSourceNotification"), nullptr,
              [this](const KTNotification &notification) { objects.append(notification.object); }))
    {}
    QList<QObject *> objects;

private:
    KTObserverToken m_token;
};

struct ShownTable
{
    ShownTable()
    {
        source.rows = {{"~/Pictures/A", "source_folder"},
                       {"/media/disk/B", "source_folder"},
                       {"Lightroom 5: Catalog/Family", "source_lightroom"}};
        table.setDataSource(&source);
        table.resize(400, 200);
        table.reloadData();
        table.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&table));
    }

    ListDataSource source;
    KTSourcesTableView table;
};

} // namespace

TEST(KTSourcesTableViewTest, EachRowIsARowViewWithItsIndexAndCell)
{
    ShownTable shown;
    KTSourcesTableView &table = shown.table;
    ASSERT_EQ(table.numberOfRows(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        ASSERT_NE(table.rowViewAtRow(row), nullptr);
        EXPECT_EQ(table.rowViewAtRow(row)->rowIndex(), row);
        ASSERT_NE(table.cellViewAtRow(row), nullptr);
        EXPECT_EQ(table.cellViewAtRow(row)->text(), shown.source.rows.at(row).text);
        EXPECT_EQ(table.cellViewAtRow(row)->imageName(), shown.source.rows.at(row).imageName);
        EXPECT_EQ(table.rowViewAtRow(row)->height(), KTSourcesTableView::kRowHeight);
    }
    EXPECT_EQ(table.rowViewAtRow(3), nullptr);

    // The row views show the selection; a reload starts without one.
    table.selectRowIndexes({0, 2});
    EXPECT_EQ(table.selectedRowIndexes(), (QList<int>{0, 2}));
    EXPECT_TRUE(table.rowViewAtRow(0)->isSelected());
    EXPECT_FALSE(table.rowViewAtRow(1)->isSelected());
    EXPECT_TRUE(table.rowViewAtRow(2)->deleteSourceButton()->isVisible());
    shown.source.rows.removeLast();
    table.reloadData();
    EXPECT_EQ(table.numberOfRows(), 2);
    EXPECT_TRUE(table.selectedRowIndexes().isEmpty());
    EXPECT_FALSE(table.rowViewAtRow(0)->isSelected());
}

// The row views lie over the cells, yet clicks select rows as in any table.
TEST(KTSourcesTableViewTest, ClicksOnRowsSelectThem)
{
    ShownTable shown;
    KTSourcesTableView &table = shown.table;
    const auto clickRow = [&](int row, Qt::KeyboardModifiers modifiers) {
        KTTableRowView *rowView = table.rowViewAtRow(row);
        QTest::mouseClick(rowView, Qt::LeftButton, modifiers, QPoint(40, rowView->height() / 2));
    };
    clickRow(1, Qt::NoModifier);
    EXPECT_EQ(table.selectedRowIndexes(), QList<int>{1});
    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(table.selectedRowIndexes(), (QList<int>{1, 2}));
    EXPECT_TRUE(table.rowViewAtRow(2)->isSelected());
    clickRow(0, Qt::NoModifier);
    EXPECT_EQ(table.selectedRowIndexes(), QList<int>{0});
}

TEST(KTSourcesTableViewTest, DeleteAndBackspacePostTheDeleteNotification)
{
    ShownTable shown;
    KTSourcesTableView &table = shown.table;
    table.setFocus();
    struct Case
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool posts;
    };
    const Case cases[] = {
        {Qt::Key_Backspace, Qt::ControlModifier, true}, {Qt::Key_Delete, Qt::ControlModifier, true},
        {Qt::Key_Backspace, Qt::NoModifier, true},      {Qt::Key_Delete, Qt::NoModifier, true},
        {Qt::Key_Delete, Qt::ShiftModifier, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        DeletePosts posts;
        // Nothing is selected: the table still posts, and the window then has nothing to delete.
        QTest::keyClick(&table, c.key, c.modifiers);
        EXPECT_EQ(posts.objects, c.posts ? QList<QObject *>{&table} : QList<QObject *>{});
    }
    // Other keys keep the table's own handling.
    table.selectRowIndexes({0});
    table.setCurrentIndex(table.model()->index(0, 0));
    QTest::keyClick(&table, Qt::Key_Down);
    EXPECT_EQ(table.selectedRowIndexes(), QList<int>{1});
}
