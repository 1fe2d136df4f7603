#include "KTImageCollectionViewCellMouseEventHandlingView.h"

#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMark.h"

#include <QContextMenuEvent>
#include <QPaintEvent>
#include <QPainter>

#include <optional>

KTImageCollectionViewCellMouseEventHandlingView::KTImageCollectionViewCellMouseEventHandlingView(
    KTImageCollectionViewCell *cell, QWidget *parent)
    : QWidget(parent), m_cell(cell)
{
    // Transparent: the views below show through its marks.
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

void KTImageCollectionViewCellMouseEventHandlingView::addMark(const KTImageCollectionViewCellMark *mark)
{
    m_marks.append(mark);
}

void KTImageCollectionViewCellMouseEventHandlingView::paintEvent(QPaintEvent *event)
{
    // A painter only when a mark is to be drawn here.
    std::optional<QPainter> painter;
    for (const KTImageCollectionViewCellMark *mark : std::as_const(m_marks)) {
        if (!mark->isVisible() || !event->rect().intersects(mark->geometry()))
            continue;
        if (!painter)
            painter.emplace(this);
        mark->draw(*painter);
    }
}
