#include "KTImageInfoViewsContainer.h"

#include "KTImageExifView.h"
#include "KTImageInfoView.h"

#include <QPainter>

KTImageInfoViewsContainer::KTImageInfoViewsContainer(QWidget *parent) : KTDrawView(parent) {}

void KTImageInfoViewsContainer::drawInRect(QPainter &painter, const QRectF &)
{
    // Everything above the transparent band at the bottom (y up: from 8 points to the top).
    painter.fillRect(QRectF(0, 0, width(), height() - kBackgroundTransparentAreaHeight),
                     KTImageExifView::backgroundColor());
    if (m_drawsSeparator && m_backgroundView) {
        const double x = m_backgroundView->geometry().right() + 1;
        painter.setPen(KTImageExifView::shadowBorderColor());
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
}
