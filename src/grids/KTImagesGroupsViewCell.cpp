#include "KTImagesGroupsViewCell.h"

#include "KTColor.h"
#include "KTGridServices.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageStorage.h"

#include <QPainter>
#include <QPainterPath>

KTImagesGroupsViewCell::KTImagesGroupsViewCell(QWidget *parent)
    : KTGrouppedImagesCellView(parent), m_selectionColor(ktColor(255, 162, 0))
{}

void KTImagesGroupsViewCell::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QRectF KTImagesGroupsViewCell::selectionRect() const
{
    return QRectF(0, 0, width(), height());
}

KTImageCollectionViewCell *KTImagesGroupsViewCell::cellAtIndex(qsizetype index)
{
    KTImageCollectionViewCell *cell = KTGrouppedImagesCellView::cellAtIndex(index);
    if (cell) {
        cell->setHideSelection(true);
        cell->setIsSelected(false);
        cell->setIsActive(false);
    }
    return cell;
}

unsigned KTImagesGroupsViewCell::cellTypeForIndex(qsizetype index) const
{
    return KTGrouppedImagesCellView::cellTypeForIndex(index) | KTImageCollectionViewCell::GroupOrBrowserList |
           KTImageCollectionViewCell::SelectableList;
}

void KTImagesGroupsViewCell::onTrashClicked(KTImageCollectionViewCell *cell)
{
    KTImageMO *record = cell->imageMO();
    KTImageStorage *storage = KTGridServices::imageStorage();
    if (record && storage)
        storage->moveImagesToTrash({record});
}

void KTImagesGroupsViewCell::onFlagClicked(KTImageCollectionViewCell *) {}

void KTImagesGroupsViewCell::drawInRect(QPainter &painter, const QRectF &dirty)
{
    KTGrouppedImagesCellView::drawInRect(painter, dirty);
    const double h = height();
    const auto up = [h](double x, double y) { return QPointF(x, h - y); };
    if (!m_cellBordersHidden) {
        const QRectF b(0, 0, width(), height());
        QPainterPath border;
        border.moveTo(up(b.left() + 0.5, b.bottom()));
        border.lineTo(up(b.left() + 0.5, 0.5));
        border.lineTo(up(b.right() - 0.5, 0.5));
        border.lineTo(up(b.right() - 0.5, b.bottom()));
        if (isTopCell())
            border.lineTo(up(b.left() + 0.5, b.bottom() - 0.5));
        painter.setPen(QPen(borderColor(), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(border);
    }
    if (m_selected) {
        const QRectF selection = KTGridGeometry::flipped(selectionRect(), h);
        painter.fillRect(selection, QColor(49, 49, 49));
        painter.setPen(QPen(m_selectionColor, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
