#include "KTImageCollectionViewCellSelectionView.h"

#include "KTColor.h"

#include <QPainter>

KTImageCollectionViewCellSelectionView::KTImageCollectionViewCellSelectionView(QWidget *parent)
    : KTDrawView(parent)
{
    setVisible(colorForSelectionType(m_selectionType).alpha() > 0);
}

void KTImageCollectionViewCellSelectionView::setSelectionType(unsigned type)
{
    if (type == m_selectionType)
        return;
    m_selectionType = type;
    setVisible(colorForSelectionType(type).alpha() > 0);
    update();
}

QColor KTImageCollectionViewCellSelectionView::colorForSelectionType(unsigned type)
{
    switch (type) {
    case CompareActive:
        return compareSelectionColorActive();
    case CompareInactive:
        return compareSelectionColorInactive();
    case MainActive:
        return mainSelectionColorActive();
    case MainInactive:
        return mainSelectionColorInactive();
    default:
        return Qt::transparent;
    }
}

void KTImageCollectionViewCellSelectionView::drawInRect(QPainter &painter, const QRectF &dirty)
{
    const QColor color = colorForSelectionType(m_selectionType);
    if (color.alpha() > 0)
        painter.fillRect(dirty, color);
}
