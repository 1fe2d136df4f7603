#include "KTImageBrowserView.h"

#include "KTImageCollectionViewCell.h"
#include "KTViewAdditions.h"

KTImageBrowserView::KTImageBrowserView(QWidget *parent) : KTImageListView(parent)
{
    setLowLeftMargins({lowLeftMargins().width(), 20});
}

void KTImageBrowserView::setZoomValue(double zoom)
{
    if (zoom == m_zoomValue)
        return;
    m_zoomValue = zoom;
    if (!isHiddenOrHasHiddenAncestor(this))
        layoutCells();
}

void KTImageBrowserView::adjustSize()
{
    KTGridGeometry &geometry = mutableGridGeometry();
    geometry.visibleWidth = visibleArea().width();
    geometry.visibleHeight = visibleArea().height();
    m_maxNumberOfColumns = geometry.columnsForProposedCellSize(minimumCellSize());
    const qsizetype steps = KTGridGeometry::numberOfZoomSteps(m_maxNumberOfColumns, m_minNumberOfColumns);
    if (steps != m_numberOfZoomSteps) {
        m_numberOfZoomSteps = steps;
        emit numberOfZoomStepsChanged(steps);
    }
    KTImageListView::adjustSize();
}

double KTImageBrowserView::calculateProposedCellSize()
{
    if (m_numberOfZoomSteps < 2)
        return minimumCellSize();
    const KTGridGeometry &geometry = this->gridGeometry();
    const qsizetype columns =
        KTGridGeometry::columnsForZoom(m_zoomValue, m_numberOfZoomSteps, m_maxNumberOfColumns);
    return (geometry.visibleWidth - geometry.leftMargin - geometry.rightMargin) / double(columns) -
           geometry.horizontalSpace;
}

unsigned KTImageBrowserView::cellTypeForIndex(qsizetype index) const
{
    return KTImageListView::cellTypeForIndex(index) | KTImageCollectionViewCell::GroupOrBrowserList;
}
