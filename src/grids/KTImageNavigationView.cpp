#include "KTImageNavigationView.h"

#include "KTImageCollectionViewCell.h"

KTImageNavigationView::KTImageNavigationView(QWidget *parent) : KTImageListView(parent)
{
    setMinimumCellSize(20);
}

void KTImageNavigationView::adjustSize()
{
    KTGridGeometry &geometry = mutableGridGeometry();
    geometry.visibleWidth = visibleArea().width();
    geometry.visibleHeight = visibleArea().height();
    geometry.adjustSingleRow();
}

unsigned KTImageNavigationView::cellTypeForIndex(qsizetype) const
{
    return KTImageCollectionViewCell::NavigationCell | KTImageCollectionViewCell::SelectableList;
}

void KTImageNavigationView::scrollCellToVisibleAtIndex(qsizetype index)
{
    KTImageListView::scrollCellToVisibleAtIndex(index, Qt::Horizontal);
}
