#include "KTBackgroundView.h"

#include "KTColor.h"
#include "KTNamedImages.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cmath>

KTBackgroundView::KTBackgroundView(QWidget *parent) : QWidget(parent) {}

void KTBackgroundView::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void KTBackgroundView::setBackgroundImage(const QImage &image)
{
    const bool same = image.cacheKey() == m_backgroundImage.cacheKey();
    m_backgroundImage = image;
    if (!same)
        update();
}

void KTBackgroundView::setPatternImageName(const QString &name)
{
    if (name == m_patternImageName)
        return;
    m_patternImageName = name;
    update();
}

void KTBackgroundView::setContentMode(int mode)
{
    if (mode == m_contentMode)
        return;
    m_contentMode = mode;
    emit contentModeChanged(mode);
    if (!m_backgroundImage.isNull())
        update();
}

QRectF KTBackgroundView::imageRect(const QSizeF &imageSize, const QSizeF &bounds, int mode)
{
    QSizeF size = bounds;
    if ((mode == ScaleAspectFit || mode == ScaleAspectFill) && imageSize.width() > 0 &&
        imageSize.height() > 0) {
        const double sx = bounds.width() / imageSize.width();
        const double sy = bounds.height() / imageSize.height();
        const double scale = mode == ScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
        size = imageSize * scale;
    }
    // Centring is symmetric, so the rounded offset from the top equals the one from the bottom.
    const double x = std::round((bounds.width() - size.width()) * 0.5);
    const double y = std::round((bounds.height() - size.height()) * 0.5);
    return {QPointF(x, y), size};
}

void KTBackgroundView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRectF dirty(event->rect());
    if (!m_backgroundColor.isValid() && !m_patternImageName.isEmpty()) {
        const QImage pattern = KTNamedImages::shared().image(m_patternImageName, devicePixelRatioF());
        if (!pattern.isNull()) {
            if (m_drawPatternToImage) {
                QImage canvas(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
                canvas.setDevicePixelRatio(devicePixelRatioF());
                canvas.fill(Qt::transparent);
                QPainter(&canvas).fillRect(rect(), QBrush(pattern));
                painter.drawImage(QPointF(0, 0), canvas);
            } else {
                painter.fillRect(dirty, QBrush(pattern));
            }
        }
    }
    if (m_backgroundColor.isValid())
        painter.fillRect(dirty, m_backgroundColor);
    if (m_drawsSelectionFrame) {
        painter.setPen(QPen(ktColor(201, 174, 110), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (m_backgroundImage.isNull() && !m_backgroundImageName.isEmpty())
        setBackgroundImage(KTNamedImages::shared().image(m_backgroundImageName, devicePixelRatioF()));
    if (!m_backgroundImage.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(imageRect(m_backgroundImage.deviceIndependentSize(), size(), m_contentMode),
                          m_backgroundImage);
    }
}

void KTBackgroundView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier)) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, event->position().toPoint(),
                                    event->globalPosition().toPoint(), event->modifiers());
        QApplication::sendEvent(this, &menuEvent);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && m_canMoveWindow && window()->windowHandle()) {
        if (window()->windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}
