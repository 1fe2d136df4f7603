#include "KTUIImageView.h"

#include "KTSystemMove.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

KTUIImageView::KTUIImageView(QWidget *parent) : KTDrawView(parent) {}

void KTUIImageView::setImage(const QImage &image)
{
    m_image = image;
    updateGeometry();
    update();
}

QSize KTUIImageView::sizeHint() const
{
    return m_image.isNull() ? QSize(16, 16) : m_image.deviceIndependentSize().toSize();
}

void KTUIImageView::drawInRect(QPainter &painter, const QRectF &)
{
    if (m_image.isNull())
        return;
    const QSizeF natural = m_image.deviceIndependentSize();
    const double scale = std::min({1.0, width() / natural.width(), height() / natural.height()});
    const QSizeF drawn = natural * scale;
    const QPointF origin(std::round((width() - drawn.width()) * 0.5),
                         std::round((height() - drawn.height()) * 0.5));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(origin, drawn), m_image);
}

void KTUIImageView::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && mouseDownCanMoveWindow())
        ktStartSystemMove(this);
}

void KTUIImageView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void KTUIImageView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}
