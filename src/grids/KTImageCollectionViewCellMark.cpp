#include "KTImageCollectionViewCellMark.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

KTImageCollectionViewCellMark::KTImageCollectionViewCellMark(QWidget *canvas) : m_canvas(canvas) {}

KTImageCollectionViewCellMark::~KTImageCollectionViewCellMark() = default;

void KTImageCollectionViewCellMark::setGeometry(const QRect &geometry)
{
    if (geometry == m_geometry)
        return;
    update();
    m_geometry = geometry;
    update();
}

void KTImageCollectionViewCellMark::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (m_canvas)
        m_canvas->update(m_geometry);
}

void KTImageCollectionViewCellMark::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void KTImageCollectionViewCellMark::update()
{
    if (m_visible && m_canvas)
        m_canvas->update(m_geometry);
}

void KTImageCollectionViewCellMark::draw(QPainter &painter) const
{
    if (m_image.isNull() || m_geometry.isEmpty())
        return;
    const QSizeF natural = m_image.deviceIndependentSize();
    const double scale =
        std::min({1.0, m_geometry.width() / natural.width(), m_geometry.height() / natural.height()});
    const QSizeF drawn = natural * scale;
    const QPointF origin(m_geometry.x() + std::round((m_geometry.width() - drawn.width()) * 0.5),
                         m_geometry.y() + std::round((m_geometry.height() - drawn.height()) * 0.5));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(origin, drawn), m_image);
}
