#include "KTHistogramView.h"

#include <QPainter>

KTHistogramView::KTHistogramView(QWidget *parent) : QWidget(parent) {}

void KTHistogramView::setImage(const QImage &image)
{
    m_image = image;
    m_histogram = KTHistogram::count(image);
    m_chart = QImage();
    update();
}

void KTHistogramView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_chart = QImage();
}

void KTHistogramView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * ratio).toSize();
    // The chart is kept until the image or the size changes.
    if (m_chart.isNull() || m_chart.size() != device) {
        m_chart = m_histogram.chart(device);
        m_chart.setDevicePixelRatio(ratio);
    }
    if (!m_chart.isNull())
        QPainter(this).drawImage(QPointF(0, 0), m_chart);
}
