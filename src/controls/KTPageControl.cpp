#include "KTPageControl.h"

#include "KTNamedImages.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

KTPageControl::KTPageControl(QWidget *parent) : QWidget(parent) {}

void KTPageControl::setNumberOfItems(int count)
{
    if (count == m_numberOfItems)
        return;
    m_numberOfItems = count;
    emit numberOfItemsChanged(count);
    updateGeometry();
    update();
}

void KTPageControl::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    emit selectedIndexChanged(index);
    update();
}

QImage KTPageControl::backgroundImage() const
{
    if (m_backgroundImage.isNull())
        m_backgroundImage = KTNamedImages::shared().image(QStringLiteral("page_off"),
                                                          std::max<qreal>(devicePixelRatioF(), 1.0));
    return m_backgroundImage;
}

QImage KTPageControl::selectedBackgroundImage() const
{
    if (m_selectedBackgroundImage.isNull())
        m_selectedBackgroundImage = KTNamedImages::shared().image(QStringLiteral("page_on"),
                                                                  std::max<qreal>(devicePixelRatioF(), 1.0));
    return m_selectedBackgroundImage;
}

QRectF KTPageControl::rectForItemIndex(int index) const
{
    const QSizeF dot = backgroundImage().deviceIndependentSize();
    return {index * (dot.width() + kSpacing), 0, dot.width(), dot.height()};
}

QRectF KTPageControl::widgetRectForItemIndex(int index) const
{
    const QRectF rect = rectForItemIndex(index);
    return {rect.x(), height() - rect.y() - rect.height(), rect.width(), rect.height()};
}

QSize KTPageControl::sizeHint() const
{
    const QSizeF dot = backgroundImage().deviceIndependentSize();
    const int n = std::max(0, m_numberOfItems);
    const double width = n > 0 ? n * dot.width() + (n - 1) * kSpacing : 0;
    return {int(std::ceil(width)), int(std::ceil(dot.height()))};
}

void KTPageControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = 0; i < m_numberOfItems; ++i)
        painter.drawImage(widgetRectForItemIndex(i),
                          i == m_selectedIndex ? selectedBackgroundImage() : backgroundImage());
}

void KTPageControl::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    for (int i = 0; i < m_numberOfItems; ++i) {
        if (widgetRectForItemIndex(i).contains(event->position())) {
            setSelectedIndex(i);
            emit clicked();
            return;
        }
    }
}
