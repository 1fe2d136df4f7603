#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTImageSelectionView.h"
#include "KTTableRowView.h"

#include "KTNotificationCenter.h"
#include "KTWidgetRendering.h"

#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

/// `widget` painted over an opaque grey, as a table's background would show through.
QImage renderOverTable(QWidget &widget)
{
    return renderWidget(widget, QColor(40, 40, 40));
}

const QColor kOrange = ktColor(255, 162, 0);

} // namespace

TEST(KTTableRowViewTest, ASelectedRowShowsItsFrameAndDeleteButton)
{
    QWidget table;
    auto *row = new KTTableRowView(&table);
    row->resize(300, 32);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    EXPECT_FALSE(row->deleteSourceButton()->isVisible());
    EXPECT_EQ(renderOverTable(*row).pixelColor(150, 0), QColor(40, 40, 40)) << "no background of its own";

    row->setSelected(true);
    EXPECT_TRUE(row->deleteSourceButton()->isVisible());
    const QRect button = row->deleteSourceButton()->geometry();
    EXPECT_EQ(button.right(), 300 - 8 - 1);
    EXPECT_EQ(button.center().y(), 15);
    // A layout on the row keeps clear of the button.
    auto *layout = new QVBoxLayout(row);
    auto *content = new QWidget(row);
    layout->setContentsMargins(row->contentsMargins());
    layout->addWidget(content);
    layout->activate();
    EXPECT_LE(content->geometry().right(), button.left());

    row->setSelected(false);
    EXPECT_FALSE(row->deleteSourceButton()->isVisible());
}

TEST(KTTableRowViewTest, TheDeleteButtonPostsTheNotificationWithItselfAsObject)
{
    KTTableRowView row;
    row.setSelected(true);
    std::vector<QObject *> senders;
    KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        QStringLiteral("deleteImageSourceNotification"), nullptr,
        [&](const KTNotification &notification) { senders.push_back(notification.object); });
    row.deleteSourceButton()->click();
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], row.deleteSourceButton());
}

// Each row paints the frame for its own size, so a short and a tall row both show a 2-pixel
// orange border around a dimmed centre.
TEST(KTTableRowViewTest, RowsOfDifferentHeightsEachShowAFrameOfTheirOwnSize)
{
    for (const int height : {20, 48, 31}) {
        KTTableRowView row;
        row.resize(200, height);
        row.setSelected(true);
        const QImage picture = renderOverTable(row);
        for (const QPoint edge : {QPoint(100, 0), QPoint(100, 1), QPoint(100, height - 1),
                                  QPoint(100, height - 2), QPoint(0, height / 2), QPoint(1, height / 2)})
            EXPECT_EQ(picture.pixelColor(edge), kOrange) << "height " << height << " at " << edge.y();
        const QColor centre = picture.pixelColor(60, height / 2);
        EXPECT_EQ(centre, QColor(28, 28, 28)) << "black at 0.3 over the table, height " << height;
        EXPECT_EQ(picture.pixelColor(100, height - 3), centre) << "height " << height;
    }
}

TEST(KTImageSelectionViewTest, TheTriangleTakesTheCompareColoursAndOnlyTheSelectedImageIsFramed)
{
    KTImageSelectionView mark;
    mark.resize(200, 150);
    EXPECT_TRUE(mark.testAttribute(Qt::WA_TransparentForMouseEvents)) << "clicks reach the image below";
    EXPECT_FALSE(mark.isSelected());

    QImage picture = renderWidget(mark);
    EXPECT_EQ(picture.pixelColor(4, 145), compareSelectionColorInactive()) << "bottom-left corner";
    EXPECT_EQ(qAlpha(picture.pixel(45, 105)), 0) << "outside the 50-pixel legs";
    EXPECT_EQ(qAlpha(picture.pixel(1, 1)), 0) << "no frame while unselected";

    mark.setSelected(true);
    EXPECT_EQ(mark.triangleColor(), compareSelectionColorActive());
    picture = renderWidget(mark);
    EXPECT_EQ(picture.pixelColor(10, 140), compareSelectionColorActive());
    EXPECT_EQ(picture.pixelColor(100, 1), QColor(128, 128, 128)) << "the frame starts at the edge";
    EXPECT_EQ(picture.pixelColor(100, 5), QColor(128, 128, 128)) << "and is 6 pixels wide";
    EXPECT_EQ(qAlpha(picture.pixel(100, 7)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(100, 75)), 0) << "the image shows through";
}
