#include "KTImageGroupView.h"

#include "KTColor.h"
#include "KTImageCollectionViewCell.h"

#include <QPainter>

KTImageGroupView::KTImageGroupView(QWidget *parent) : KTImageListView(parent)
{
    setName(QStringLiteral("Group"));
    setLowLeftMargins({5, 5});
    setTopRightMargins({5, 5});
}

void KTImageGroupView::adjustSize()
{
    KTGridGeometry &geometry = mutableGridGeometry();
    geometry.visibleWidth = visibleArea().width();
    geometry.visibleHeight = visibleArea().height();
    geometry.adjustGroup(minimumCellSize());
}

unsigned KTImageGroupView::cellTypeForIndex(qsizetype) const
{
    // The first-row and first-column bits do not apply to a group.
    return KTImageCollectionViewCell::GroupOrBrowserList | KTImageCollectionViewCell::PlainGridCell |
           KTImageCollectionViewCell::SelectableList;
}

QRectF KTImageGroupView::frameForCellAtIndex(qsizetype index) const
{
    return gridGeometry().groupFrameForCellAtIndex(index, width());
}

std::vector<qsizetype> KTImageGroupView::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    return gridGeometry().groupIndexesOfCellsThatIntersectRect(rect, width());
}

void KTImageGroupView::drawInRect(QPainter &painter, const QRectF &dirty)
{
    KTImageListView::drawInRect(painter, dirty);
    painter.setPen(QPen(ktColor(255, 162, 0), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5));
}
