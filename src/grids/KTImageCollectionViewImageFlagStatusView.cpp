#include "KTImageCollectionViewImageFlagStatusView.h"

#include "KTColor.h"

#include <QPainter>

KTImageCollectionViewImageFlagStatusView::KTImageCollectionViewImageFlagStatusView(QWidget *parent)
    : KTDrawView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KTImageCollectionViewImageFlagStatusView::drawInRect(QPainter &painter, const QRectF &)
{
    const QRectF bounds = rect();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ktColor(240, 155, 25), 2.0));
    painter.drawRect(bounds.adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawRect(bounds.adjusted(2.5, 2.5, -2.5, -2.5));
}
