#include "KTGridGeometry.h"

#include <algorithm>
#include <cmath>

qsizetype KTGridGeometry::columnsForProposedCellSize(double proposed) const
{
    const double w = visibleWidth;
    if (w <= leftMargin + rightMargin || !(proposed > 0))
        return 1;
    const double columns =
        std::floor((w - (rightMargin + leftMargin) + horizontalSpace) / (horizontalSpace + proposed));
    return columns >= 1 ? qsizetype(columns) : 1;
}

double KTGridGeometry::cellSizeForProposedCellSize(double proposed) const
{
    const qsizetype columns = columnsForProposedCellSize(proposed);
    if (columns == 0)
        return 0;
    const double free = visibleWidth - (leftMargin + rightMargin) - double(columns) * horizontalSpace;
    return free > 0 ? std::floor(free / double(columns)) : 0;
}

qsizetype KTGridGeometry::rowsForProposedCellSize(double proposed) const
{
    const qsizetype columns = columnsForProposedCellSize(proposed);
    if (columns == 0 || numberOfCells <= 0)
        return 0;
    return (numberOfCells + columns - 1) / columns;
}

QSizeF KTGridGeometry::docSizeForProposedCellSize(double proposed) const
{
    const double side = cellSizeForProposedCellSize(proposed);
    const double rows = double(rowsForProposedCellSize(proposed));
    return {visibleWidth, (verticalSpace + side) * rows + topMargin + bottomMargin};
}

QSizeF KTGridGeometry::viewSizeForProposedCellSize(double proposed) const
{
    QSizeF size = docSizeForProposedCellSize(proposed);
    size.setHeight(std::max(size.height(), visibleHeight));
    return size;
}

void KTGridGeometry::adjust(double proposed)
{
    adjustWithCellSize(proposed, cellSizeForProposedCellSize(proposed));
}

void KTGridGeometry::adjustWithCellSize(double proposed, double side)
{
    cellSize = side;
    numberOfColumns = columnsForProposedCellSize(proposed);
    numberOfRows = rowsForProposedCellSize(proposed);
    docSize = QSizeF(visibleWidth, (verticalSpace + side) * double(numberOfRows) + topMargin + bottomMargin);
    viewSize = QSizeF(docSize.width(), std::max(docSize.height(), visibleHeight));
}

double KTGridGeometry::groupCellSizeForProposedCellSize(double proposed) const
{
    if (rowsForProposedCellSize(proposed) == 1 && numberOfCells > 0) {
        const double across =
            (visibleWidth - leftMargin - rightMargin) / double(numberOfCells) - horizontalSpace;
        const double high = visibleHeight - bottomMargin - topMargin - verticalSpace;
        return std::max(0.0, std::round(std::min(across, high)));
    }
    return std::round(cellSizeForProposedCellSize(proposed));
}

double KTGridGeometry::groupProposedCellSize(double minimumCellSize) const
{
    const auto docHeight = [this](double proposed) {
        return (verticalSpace + groupCellSizeForProposedCellSize(proposed)) *
                   double(rowsForProposedCellSize(proposed)) +
               topMargin + bottomMargin;
    };
    double lo = minimumCellSize;
    if (docHeight(lo) >= visibleHeight)
        return lo;
    double hi = std::min(visibleWidth - leftMargin - rightMargin, visibleHeight - bottomMargin - topMargin);
    if (docHeight(hi) <= visibleHeight)
        return hi;
    while (hi - lo > 1) {
        const double mid = (lo + hi) / 2;
        if (docHeight(mid) > visibleHeight)
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}

void KTGridGeometry::adjustGroup(double minimumCellSize)
{
    const double proposed = groupProposedCellSize(minimumCellSize);
    adjustWithCellSize(proposed, groupCellSizeForProposedCellSize(proposed));
}

QRectF KTGridGeometry::groupFrameForCellAtIndex(qsizetype index, double boundsWidth) const
{
    if (index < 0 || numberOfColumns <= 0 || numberOfRows <= 0)
        return {};
    const qsizetype row = index / numberOfColumns;
    const qsizetype column = index % numberOfColumns;
    const double side = cellSize;
    const double sx = horizontalSpace;
    const double sy = verticalSpace;
    double x0 = leftMargin;
    if (row == numberOfRows - 1) {
        const qsizetype k = numberOfCells - (numberOfRows - 1) * numberOfColumns;
        x0 = (boundsWidth - leftMargin - rightMargin - double(k) * (side + sx)) / 2 + leftMargin;
    }
    const double x = x0 + double(column) * (side + sx) + sx / 2;
    const double hv = viewSize.height();
    const double rows = double(numberOfRows);
    const double gap = std::max(0.0, (hv - bottomMargin - topMargin - rows * (side + sy)) / rows);
    const double y = hv - topMargin - double(row) * (side + gap + sy) - side - gap / 2 - sy / 2;
    return {x, y, side, side};
}

std::vector<qsizetype> KTGridGeometry::groupIndexesOfCellsThatIntersectRect(const QRectF &rect,
                                                                            double boundsWidth) const
{
    // A group holds few images: every frame is tested, so the answer matches the frames exactly.
    std::vector<qsizetype> indexes;
    for (qsizetype index = 0; index < numberOfCells; ++index)
        if (groupFrameForCellAtIndex(index, boundsWidth).intersects(rect))
            indexes.push_back(index);
    return indexes;
}

void KTGridGeometry::adjustSingleRow()
{
    cellSize = std::max(0.0, visibleHeight - topMargin - bottomMargin);
    numberOfColumns = numberOfCells;
    numberOfRows = numberOfCells > 0 ? 1 : 0;
    docSize = QSizeF(double(numberOfColumns) * (horizontalSpace + cellSize) + leftMargin + rightMargin,
                     visibleHeight);
    viewSize = QSizeF(std::max(visibleWidth, docSize.width()), docSize.height());
}

QRectF KTGridGeometry::frameForCellAtIndex(qsizetype index, double boundsHeight) const
{
    if (index < 0 || numberOfColumns <= 0)
        return {};
    const qsizetype column = index % numberOfColumns;
    const qsizetype row = index / numberOfColumns;
    const double side = cellSize;
    const double x = leftMargin + double(column) * (side + horizontalSpace) + horizontalSpace * 0.5;
    const double y =
        boundsHeight - topMargin - double(row) * (side + verticalSpace) - side - verticalSpace * 0.5;
    return {x, y, side, side};
}

std::vector<qsizetype> KTGridGeometry::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    std::vector<qsizetype> indexes;
    if (numberOfColumns <= 0 || numberOfCells <= 0)
        return indexes;
    const double side = cellSize;
    const double ps = side + horizontalSpace;
    const double pt = side + verticalSpace;
    if (!(ps > 0) || !(pt > 0))
        return indexes;
    const double hv = viewSize.height();
    const qsizetype lastColumn = numberOfColumns - 1;
    const qsizetype lastRow = std::max<qsizetype>(numberOfRows - 1, 0);

    const double a = rect.x() - leftMargin - side - horizontalSpace * 0.5;
    const qsizetype firstColumn = a > 0 ? std::min(qsizetype(std::ceil(a / ps)), lastColumn) : 0;
    const double b = rect.x() + rect.width() - leftMargin - horizontalSpace * 0.5;
    const qsizetype endColumn = b > 0 ? std::min(qsizetype(std::floor(b / ps)), lastColumn) : 0;
    const double c = hv - topMargin - side - verticalSpace * 0.5 - rect.y() - rect.height();
    const qsizetype firstRow = c > 0 ? std::min(qsizetype(std::ceil(c / pt)), lastRow) : 0;
    const double e = hv - topMargin - verticalSpace * 0.5 - rect.y();
    const qsizetype endRow = e > 0 ? std::min(qsizetype(std::floor(e / pt)), lastRow) : 0;

    for (qsizetype row = firstRow; row <= endRow; ++row)
        for (qsizetype column = firstColumn; column <= endColumn; ++column) {
            const qsizetype index = row * numberOfColumns + column;
            if (index < numberOfCells)
                indexes.push_back(index);
        }
    return indexes;
}

QRectF KTGridGeometry::roundRect(const QRectF &rect)
{
    return {std::floor(rect.x()), std::floor(rect.y()), std::floor(rect.width()), std::floor(rect.height())};
}

QRectF KTGridGeometry::flipped(const QRectF &rect, double height)
{
    return {rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height()};
}

qsizetype KTGridGeometry::numberOfZoomSteps(qsizetype maxColumns, qsizetype minColumns)
{
    return minColumns < maxColumns ? maxColumns - minColumns + 1 : 1;
}

qsizetype KTGridGeometry::columnsForZoom(double zoomValue, qsizetype steps, qsizetype maxColumns)
{
    if (steps < 2)
        return std::max<qsizetype>(maxColumns, 1);
    const double zoom = std::clamp(zoomValue, 0.0, 1.0);
    const double step = 1.0 / double(steps - 1);
    const qsizetype k = std::min(qsizetype(std::floor((zoom + 0.000001) / step)), steps - 1);
    return std::clamp<qsizetype>(maxColumns - k, 1, maxColumns);
}

KTGridGeometry KTGridGeometry::groupRow(const KTGroupRowLayout &layout, double width, qsizetype count,
                                        double zoomValue)
{
    KTGridGeometry row;
    row.visibleWidth = width;
    row.visibleHeight = 0;
    row.leftMargin = layout.leftMargin;
    row.bottomMargin = layout.bottomMargin;
    row.rightMargin = layout.rightMargin;
    row.topMargin = layout.topMargin;
    row.horizontalSpace = layout.horizontalSpace;
    row.verticalSpace = layout.verticalSpace;
    row.numberOfCells = count;
    const qsizetype maxColumns = row.columnsForProposedCellSize(layout.minimumCellSize);
    const qsizetype steps = numberOfZoomSteps(maxColumns, layout.minNumberOfColumns);
    double proposed = layout.minimumCellSize;
    if (steps >= 2) {
        const qsizetype columns = columnsForZoom(zoomValue, steps, maxColumns);
        proposed =
            (width - (layout.leftMargin + layout.rightMargin)) / double(columns) - layout.horizontalSpace;
    }
    row.adjust(proposed);
    row.docSize.rheight() += layout.additionalOffset;
    row.viewSize = row.docSize;
    return row;
}

qsizetype KTGridGeometry::groupRowMaxColumns(const KTGroupRowLayout &layout, double width)
{
    return groupRow(layout, width, 0, 0).columnsForProposedCellSize(layout.minimumCellSize);
}

qsizetype KTGridGeometry::groupRowZoomSteps(const KTGroupRowLayout &layout, double width)
{
    return numberOfZoomSteps(groupRowMaxColumns(layout, width), layout.minNumberOfColumns);
}

QRectF KTGridGeometry::centredLastLineFrameForCellAtIndex(qsizetype index, double boundsWidth,
                                                          double boundsHeight) const
{
    const qsizetype columns = numberOfColumns;
    if (index < 0 || columns <= 0)
        return {};
    const double side = cellSize;
    const qsizetype column = index % columns;
    const qsizetype line = index / columns;
    double offset = 0;
    if (line + 1 == numberOfRows) {
        const qsizetype remainder = numberOfCells % columns;
        const qsizetype k = remainder == 0 ? columns : remainder;
        offset = (boundsWidth - leftMargin - rightMargin - double(k) * (side + horizontalSpace)) / 2;
    }
    const double x = offset + leftMargin + horizontalSpace / 2 + double(column) * (side + horizontalSpace);
    const double y =
        boundsHeight - topMargin - side - verticalSpace / 2 - double(line) * (side + verticalSpace);
    return {x, y, side, side};
}

double KTGridGeometry::visibleAmount(const QRectF &visible, double height)
{
    return height > 0 ? (visible.y() + visible.height() / 2) / height : 0;
}

std::optional<double> KTGridGeometry::scrollYForVisibleAmount(double amount, const QRectF &visible,
                                                              double height)
{
    if (!(height > visible.height()))
        return std::nullopt;
    const double y = amount * height - visible.height() / 2;
    if (y > 0 && y + visible.height() < height)
        return std::floor(y);
    return std::nullopt;
}
