#include "KTGridGeometry.h"

#include <gtest/gtest.h>

namespace {

KTGridGeometry grid(double width, qsizetype cells, double height = 600)
{
    KTGridGeometry geometry;
    geometry.visibleWidth = width;
    geometry.visibleHeight = height;
    geometry.numberOfCells = cells;
    return geometry;
}

} // namespace

TEST(KTGridGeometryTest, ColumnsAndCellSideAtWidths)
{
    const struct
    {
        double width;
        double proposed;
        double space;
        qsizetype columns;
        double side;
    } cases[] = {
        {1920, 150, 0, 12, 159},                         // cells stretch to fill: floor(1916 / 12)
        {1000, 150, 0, 6, 166},  {1000, 150, 1, 6, 165}, // floor((996 - 6) / 6)
        {4, 150, 0, 1, 0},                               // exactly the two margins
        {100, 0, 0, 1, 96},                              // no proposed side
        {100, 150, 0, 1, 96},                            // too narrow for one proposed cell
        {5, 150, 3, 1, 0},                               // the side would be negative
    };
    for (const auto &c : cases) {
        KTGridGeometry geometry = grid(c.width, 10);
        geometry.horizontalSpace = c.space;
        geometry.adjust(c.proposed);
        EXPECT_EQ(geometry.numberOfColumns, c.columns) << c.width << " " << c.proposed;
        EXPECT_EQ(geometry.cellSize, c.side) << c.width << " " << c.proposed;
    }
}

TEST(KTGridGeometryTest, RowsAndSizesIncludingTheEmptyGridAndThePartialLastRow)
{
    const struct
    {
        double width;
        qsizetype cells;
        qsizetype rows;
        QSizeF doc;
        QSizeF view;
    } cases[] = {
        {454, 0, 0, {454, 4}, {454, 600}},   // empty: the margins only, the view as high as visible
        {454, 7, 3, {454, 454}, {454, 600}}, // 3 columns of 150: the last row holds one
        {454, 12, 4, {454, 604}, {454, 604}},
    };
    for (const auto &c : cases) {
        KTGridGeometry geometry = grid(c.width, c.cells);
        geometry.adjust(150);
        EXPECT_EQ(geometry.numberOfRows, c.rows) << c.cells;
        EXPECT_EQ(geometry.docSize, c.doc) << c.cells;
        EXPECT_EQ(geometry.viewSize, c.view) << c.cells;
    }
}

TEST(KTGridGeometryTest, FramesRunRowMajorFromTheTopWithYUp)
{
    KTGridGeometry geometry = grid(454, 7);
    geometry.adjust(150);
    const double height = geometry.viewSize.height();
    EXPECT_EQ(geometry.frameForCellAtIndex(0, height), QRectF(2, 448, 150, 150));
    EXPECT_EQ(geometry.frameForCellAtIndex(1, height), QRectF(152, 448, 150, 150));
    EXPECT_EQ(geometry.frameForCellAtIndex(6, height), QRectF(2, 148, 150, 150)); // column 0 of row 2
    EXPECT_EQ(geometry.frameForCellAtIndex(-1, height), QRectF());
    EXPECT_EQ(KTGridGeometry::flipped(QRectF(2, 448, 150, 150), height), QRectF(2, 2, 150, 150));
    KTGridGeometry empty;
    EXPECT_EQ(empty.frameForCellAtIndex(0, 100), QRectF());
}

// 20,000 cells in 12 columns of 159 points: the visible range at the top, in the middle, across
// a row boundary, at the bottom (the partial last row) and for an empty rectangle.
TEST(KTGridGeometryTest, VisibleIndexesAtScrollPositions)
{
    KTGridGeometry geometry = grid(1920, 20000, 1080);
    geometry.adjust(150);
    ASSERT_EQ(geometry.numberOfColumns, 12);
    ASSERT_EQ(geometry.numberOfRows, 1667);
    const double h = geometry.viewSize.height();
    const auto range = [&](double top, double visible) {
        const std::vector<qsizetype> indexes =
            geometry.indexesOfCellsThatIntersectRect(QRectF(0, h - top - visible, 1920, visible));
        return indexes.empty() ? std::pair<qsizetype, qsizetype>(-1, -1)
                               : std::pair<qsizetype, qsizetype>(indexes.front(), indexes.back());
    };
    EXPECT_EQ(range(0, 1080), std::make_pair(qsizetype(0), qsizetype(7 * 12 - 1))); // rows 0 to 6
    // Inside row 100, then across its lower edge (cells touching the rectangle's edge count too).
    EXPECT_EQ(range(2 + 159 * 100 + 1, 157), std::make_pair(qsizetype(1200), qsizetype(1211)));
    EXPECT_EQ(range(2 + 159 * 100 + 100, 157), std::make_pair(qsizetype(1200), qsizetype(1223)));
    EXPECT_EQ(range(h - 159, 159), std::make_pair(qsizetype(19992), qsizetype(19999))); // 8 in the last row
    EXPECT_TRUE(geometry.indexesOfCellsThatIntersectRect(QRectF()).size() <= 1);
}

TEST(KTGridGeometryTest, ZoomStepsAndColumnsIncludingOutOfRangeAndExactTicks)
{
    // A browser whose minimum side gives 9 columns and keeps at least 3: 7 steps.
    const qsizetype steps = KTGridGeometry::numberOfZoomSteps(9, 3);
    EXPECT_EQ(steps, 7);
    const struct
    {
        double zoom;
        qsizetype columns;
    } cases[] = {
        {0.0, 9},     {1.0, 3},     {0.5, 6},  {1.0 / 6, 8},
        {5.0 / 6, 4}, {2.0 / 6, 7}, {-0.5, 9}, {1.5, 3}, // outside 0..1
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTGridGeometry::columnsForZoom(c.zoom, steps, 9), c.columns) << c.zoom;
    EXPECT_EQ(KTGridGeometry::numberOfZoomSteps(3, 3), 1);
    EXPECT_EQ(KTGridGeometry::numberOfZoomSteps(2, 3), 1);
    EXPECT_EQ(KTGridGeometry::columnsForZoom(0.7, 1, 2), 2);
    EXPECT_EQ(KTGridGeometry::columnsForZoom(0.7, 0, 0), 1); // never a division by zero
}

TEST(KTGridGeometryTest, GroupViewFitsWithoutScrollingAndCentresTheLastRow)
{
    // Two images in a wide, low area: one row as high as the area less the margins.
    KTGridGeometry pair = grid(1000, 2, 300);
    pair.leftMargin = pair.rightMargin = pair.topMargin = pair.bottomMargin = 5;
    pair.adjustGroup(150);
    EXPECT_EQ(pair.numberOfRows, 1);
    EXPECT_EQ(pair.cellSize, 290);
    // The single row is centred.
    EXPECT_EQ(pair.groupFrameForCellAtIndex(0, 1000).x(), 210);

    // Seven images in three columns: the last row's one image is centred.
    KTGridGeometry seven = grid(620, 7, 620);
    seven.leftMargin = seven.rightMargin = seven.topMargin = seven.bottomMargin = 5;
    seven.adjustGroup(150);
    ASSERT_EQ(seven.numberOfColumns, 3);
    ASSERT_EQ(seven.numberOfRows, 3);
    const QRectF last = seven.groupFrameForCellAtIndex(6, 620);
    EXPECT_DOUBLE_EQ(last.center().x(), 310);
    EXPECT_LE(seven.docSize.height(), 620);
    // Exactly the cells whose frames meet a rectangle.
    const std::vector<qsizetype> hit =
        seven.groupIndexesOfCellsThatIntersectRect(QRectF(300, 0, 20, 20), 620);
    EXPECT_EQ(hit, std::vector<qsizetype>{6});

    // Too tall even at the minimum side: laid out from it, and scrolls.
    KTGridGeometry tall = grid(460, 40, 300);
    tall.adjustGroup(150);
    EXPECT_EQ(tall.numberOfColumns, 3);
    EXPECT_GT(tall.docSize.height(), 300);
}

TEST(KTGridGeometryTest, NavigationStripIsOneRowAsHighAsTheVisibleArea)
{
    KTGridGeometry strip = grid(500, 12, 100);
    strip.adjustSingleRow();
    EXPECT_EQ(strip.cellSize, 96);
    EXPECT_EQ(strip.numberOfRows, 1);
    EXPECT_EQ(strip.numberOfColumns, 12);
    EXPECT_EQ(strip.docSize, QSizeF(12 * 96 + 4, 100));
    EXPECT_EQ(strip.viewSize, QSizeF(12 * 96 + 4, 100));
    KTGridGeometry empty = grid(500, 0, 100);
    empty.adjustSingleRow();
    EXPECT_EQ(empty.numberOfRows, 0);
    EXPECT_EQ(empty.viewSize, QSizeF(500, 100));
}
