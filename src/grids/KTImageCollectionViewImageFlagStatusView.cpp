#include "KTImageCollectionViewImageFlagStatusView.h"

#include "KTColor.h"

#include <QPainter>

void KTImageCollectionViewImageFlagStatusView::draw(QPainter &painter) const
{
    const QRectF bounds = geometry();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ktColor(240, 155, 25), 2.0));
    painter.drawRect(bounds.adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawRect(bounds.adjusted(2.5, 2.5, -2.5, -2.5));
    painter.restore();
}
