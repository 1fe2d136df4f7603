#include "KTImageSelectionView.h"

#include "KTColor.h"
#include "KTRoundedRect.h"

#include <QPainter>

KTImageSelectionView::KTImageSelectionView(QWidget *parent) : KTDrawView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KTImageSelectionView::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QColor KTImageSelectionView::triangleColor() const
{
    return m_selected ? compareSelectionColorActive() : compareSelectionColorInactive();
}

QPainterPath KTImageSelectionView::trianglePathForBounds(const QRectF &bounds)
{
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(0, bounds.height());
    path.lineTo(bounds.width(), 0);
    path.closeSubpath();
    return path;
}

void KTImageSelectionView::drawInRect(QPainter &painter, const QRectF &)
{
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_selected) {
        painter.setPen(QPen(QColor(128, 128, 128), 6.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(KTRoundedRect(QRectF(rect())).adjusted(3, 3, -3, -3));
    }
    // The triangle is defined y-up in its own 50 x 50 layer at the bottom-left corner: flip it
    // once into widget coordinates.
    painter.save();
    painter.translate(0, height());
    painter.scale(1, -1);
    painter.fillPath(trianglePathForBounds(QRectF(0, 0, kTriangleSize, kTriangleSize)), triangleColor());
    painter.restore();
}
