#include "KTGrouppedImagesCellView.h"

#include "KTGrouppedImagesView.h"
#include "KTImageMO.h"

KTGrouppedImagesCellView::KTGrouppedImagesCellView(QWidget *parent) : KTImageCollectionView(parent)
{
    setRowLayout(defaultLayout());
}

KTGroupRowLayout KTGrouppedImagesCellView::defaultLayout()
{
    return {};
}

KTGrouppedImagesView *KTGrouppedImagesCellView::dataSource() const
{
    return m_dataSource;
}

void KTGrouppedImagesCellView::setDataSource(KTGrouppedImagesView *list)
{
    m_dataSource = list;
}

void KTGrouppedImagesCellView::setRowLayout(const KTGroupRowLayout &layout)
{
    m_layout = layout;
    setLowLeftMargins({layout.leftMargin, layout.bottomMargin});
    setTopRightMargins({layout.rightMargin, layout.topMargin});
    setIntercellSpace({layout.horizontalSpace, layout.verticalSpace});
    setMinimumCellSize(layout.minimumCellSize);
}

qsizetype KTGrouppedImagesCellView::numberOfZoomSteps() const
{
    return KTGridGeometry::groupRowZoomSteps(m_layout, m_rowWidth);
}

qsizetype KTGrouppedImagesCellView::maxNumberOfColumns() const
{
    return KTGridGeometry::groupRowMaxColumns(m_layout, m_rowWidth);
}

void KTGrouppedImagesCellView::reloadRow(double width)
{
    m_rowWidth = width;
    m_images = makeRecordRefs(m_dataSource ? m_dataSource->imagesForGroupAtIndex(m_groupIndex)
                                           : QList<KTImageMO *>());
    reloadData();
}

void KTGrouppedImagesCellView::relayoutRow(double width)
{
    const QList<KTImageMO *> images =
        m_dataSource ? m_dataSource->imagesForGroupAtIndex(m_groupIndex) : QList<KTImageMO *>();
    if (images != this->images()) {
        reloadRow(width);
        return;
    }
    m_rowWidth = width;
    adjustSize();
    update();
}

qsizetype KTGrouppedImagesCellView::calculateNumberOfCells()
{
    return m_images.size();
}

KTImageMO *KTGrouppedImagesCellView::imageMOAtIndex(qsizetype index)
{
    return index >= 0 && index < m_images.size() ? m_images.at(index) : nullptr;
}

void KTGrouppedImagesCellView::adjustSize()
{
    mutableGridGeometry() = KTGridGeometry::groupRow(m_layout, m_rowWidth, numberOfCells(), m_zoomValue);
}

QRectF KTGrouppedImagesCellView::frameForCellAtIndex(qsizetype index) const
{
    return gridGeometry().frameForCellAtIndex(index, height() - m_layout.additionalOffset);
}

std::vector<qsizetype> KTGrouppedImagesCellView::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    // The grid's own rule measures from the top of the row's view: lifting the rectangle by the
    // header matches the moved frames.
    return gridGeometry().indexesOfCellsThatIntersectRect(rect.translated(0, m_layout.additionalOffset));
}
