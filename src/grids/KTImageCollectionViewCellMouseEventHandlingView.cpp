#include "KTImageCollectionViewCellMouseEventHandlingView.h"

#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"

#include <QContextMenuEvent>

KTImageCollectionViewCellMouseEventHandlingView::KTImageCollectionViewCellMouseEventHandlingView(
    KTImageCollectionViewCell *cell, QWidget *parent)
    : QWidget(parent), m_cell(cell)
{
    // Transparent and never painted: the views below show through.
    setAttribute(Qt::WA_NoSystemBackground);
}

KTImageCollectionViewCell *KTImageCollectionViewCellMouseEventHandlingView::cellAt(const QWidget *view,
                                                                                   const QPointF &position)
{
    QWidget *hit = view->childAt(position.toPoint());
    // A press on a button belongs to the button; only the hover area itself stands for the cell.
    if (auto *hover = qobject_cast<KTImageCollectionViewCellMouseEventHandlingView *>(hit))
        return hover->cell();
    return nullptr;
}

void KTImageCollectionViewCellMouseEventHandlingView::setMouseInBounds(bool inBounds)
{
    if (inBounds == m_mouseInBounds)
        return;
    m_mouseInBounds = inBounds;
    emit mouseInBoundsChanged();
}

void KTImageCollectionViewCellMouseEventHandlingView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setMouseInBounds(true);
}

void KTImageCollectionViewCellMouseEventHandlingView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setMouseInBounds(false);
}

void KTImageCollectionViewCellMouseEventHandlingView::contextMenuEvent(QContextMenuEvent *event)
{
    KTImageCollectionViewCellImageView *imageView = m_cell ? m_cell->imageView() : nullptr;
    if (imageView && imageView->popUpContextMenu(imageView->mapFromGlobal(QPointF(event->globalPos())),
                                                 event->globalPos()))
        event->accept();
    else
        event->ignore();
}
