#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

/// The parameters of one row of a group list: a small grid of one group's images, with room for
/// a header above the thumbnails (`additionalOffset`), whose column count a zoom value chooses
/// between the most columns of `minimumCellSize` and `minNumberOfColumns`.
struct KTGroupRowLayout
{
    double leftMargin = 5;
    double bottomMargin = 5;
    double rightMargin = 5;
    double topMargin = 5;
    double horizontalSpace = 1;
    double verticalSpace = 1;
    double minimumCellSize = 150;
    qsizetype minNumberOfColumns = 3;
    double additionalOffset = 0;

    friend bool operator==(const KTGroupRowLayout &, const KTGroupRowLayout &) = default;
};

/// The layout of a thumbnail grid, in the grid's own coordinates with y growing upwards: row 0 is
/// at the top, index i lies in column i mod columns and row i div columns. A value type, so the
/// rules can be checked without any widget; the views convert its rectangles once, at the edge
/// (Qt y = view height - y - height).
///
/// The parameters are the width (and height) available to the columns, the margins, the space
/// between cells and the number of cells; from a proposed cell side the grid derives its columns,
/// the actual side (cells stretch to fill the width, a whole number of points), its rows and the
/// size of the document and of the view.
struct KTGridGeometry
{
    // Parameters.
    double visibleWidth = 0;
    double visibleHeight = 0;
    double leftMargin = 2;
    double bottomMargin = 2;
    double rightMargin = 2;
    double topMargin = 2;
    double horizontalSpace = 0;
    double verticalSpace = 0;
    qsizetype numberOfCells = 0;

    // Results of adjust().
    double cellSize = 0;
    qsizetype numberOfColumns = 0;
    qsizetype numberOfRows = 0;
    QSizeF docSize;
    QSizeF viewSize;

    /// At least 1: floor((W - (R + L) + s) / (s + p)), and 1 when the width is not above the two
    /// margins, the proposed side is not positive, or nothing fits.
    qsizetype columnsForProposedCellSize(double proposed) const;
    /// floor((W - L - R - c s) / c) for c columns; 0 when that is not positive.
    double cellSizeForProposedCellSize(double proposed) const;
    qsizetype rowsForProposedCellSize(double proposed) const;
    /// (W, rows (t + side) + T + B).
    QSizeF docSizeForProposedCellSize(double proposed) const;
    /// The document size with its height raised to the visible height.
    QSizeF viewSizeForProposedCellSize(double proposed) const;
    /// Computes the five results from one proposed side.
    void adjust(double proposed);
    /// adjust() with `side` standing for the side the rule would give.
    void adjustWithCellSize(double proposed, double side);

    /// The frame of cell `index` in a view `boundsHeight` high; the zero rectangle without columns
    /// or for a negative index.
    QRectF frameForCellAtIndex(qsizetype index, double boundsHeight) const;
    /// The indexes whose cells meet `rect` (in a view of viewSize's height), ascending.
    std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const;

    // The group view: every cell of one group as large as fits without scrolling.

    /// A single row grows to fill the width or the height: min((W - L - R) / n - s, H - B - T - t);
    /// otherwise the grid's side. Rounded to the nearest whole number.
    double groupCellSizeForProposedCellSize(double proposed) const;
    /// The largest side (within one point) at which every row fits the visible height; the
    /// minimum side when even that does not fit (the group then scrolls).
    double groupProposedCellSize(double minimumCellSize) const;
    /// adjust() with the group view's side.
    void adjustGroup(double minimumCellSize);
    /// Rows spread evenly over the height, the last row centred, in a view `boundsWidth` wide.
    QRectF groupFrameForCellAtIndex(qsizetype index, double boundsWidth) const;
    std::vector<qsizetype> groupIndexesOfCellsThatIntersectRect(const QRectF &rect, double boundsWidth) const;

    // The navigation strip: one row of cells as high as the visible height less the margins.
    void adjustSingleRow();

    // Group rows.

    /// The grid of a group row `width` wide holding `count` images at `zoomValue` (0 the most
    /// columns): a row is never stretched to a visible height, and its view and document heights
    /// include the header.
    static KTGridGeometry groupRow(const KTGroupRowLayout &layout, double width, qsizetype count,
                                   double zoomValue);
    /// The most columns of the minimum side in a row `width` wide.
    static qsizetype groupRowMaxColumns(const KTGroupRowLayout &layout, double width);
    /// The number of column counts a zoom offers for rows `width` wide.
    static qsizetype groupRowZoomSteps(const KTGroupRowLayout &layout, double width);
    /// The frame of a cell of the similar-groups row: the grid's frame, with the last (or only)
    /// line centred between the margins; y up in a row `boundsWidth` by `boundsHeight`.
    QRectF centredLastLineFrameForCellAtIndex(qsizetype index, double boundsWidth, double boundsHeight) const;

    /// Each of x, y, width and height rounded down to a whole number.
    static QRectF roundRect(const QRectF &rect);
    /// `rect` given with y up in a view `height` high, as Qt's y-down rectangle, and back.
    static QRectF flipped(const QRectF &rect, double height);

    /// Where the centre line of `visible` lies as a fraction of a view `height` high.
    static double visibleAmount(const QRectF &visible, double height);
    /// The y (whole points) that puts the centre line of `visible` back at `amount` of a view
    /// `height` high; none when that would scroll past either end.
    static std::optional<double> scrollYForVisibleAmount(double amount, const QRectF &visible, double height);

    /// How many column counts a zoom slider offers between `minColumns` and `maxColumns`: the
    /// difference plus one, and 1 when the range is empty.
    static qsizetype numberOfZoomSteps(qsizetype maxColumns, qsizetype minColumns);
    /// The column count of `zoomValue` (0 the most columns, 1 the fewest) over `steps` steps from
    /// `maxColumns` down. Zoom values are clamped to 0..1 and nudged by a millionth, so an exact
    /// tick lands on its own step; the result lies in 1..maxColumns.
    static qsizetype columnsForZoom(double zoomValue, qsizetype steps, qsizetype maxColumns);
};
