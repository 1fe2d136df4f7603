#include "KTImageCollectionViewCellRootView.h"

KTImageCollectionViewCellRootView::KTImageCollectionViewCellRootView(KTImageCollectionViewCell *cell,
                                                                     QWidget *parent)
    : QWidget(parent), m_cell(cell)
{
    setAttribute(Qt::WA_NoSystemBackground);
}
