#include "KTImageCollectionViewCellRootView.h"

KTImageCollectionViewCellRootView::KTImageCollectionViewCellRootView(KTImageCollectionViewCell *cell,
                                                                     QWidget *parent)
    : KTDrawView(parent), m_cell(cell)
{}

void KTImageCollectionViewCellRootView::setCellType(unsigned type)
{
    if (type == m_cellType)
        return;
    m_cellType = type;
    update();
}
