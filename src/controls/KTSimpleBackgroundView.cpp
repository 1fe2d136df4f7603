#include "KTSimpleBackgroundView.h"

#include "KTNamedImages.h"

#include <QLinearGradient>
#include <QPainter>

KTSimpleBackgroundView::KTSimpleBackgroundView(QWidget *parent) : KTDrawView(parent) {}

void KTSimpleBackgroundView::setPatternImageName(const QString &name)
{
    m_patternImageName = name;
    update();
}

void KTSimpleBackgroundView::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void KTSimpleBackgroundView::setGradientColor(const QColor &color)
{
    m_gradientColor = color;
    update();
}

void KTSimpleBackgroundView::drawInRect(QPainter &painter, const QRectF &dirty)
{
    if (!m_patternImageName.isEmpty()) {
        const QImage pattern = KTNamedImages::shared().image(m_patternImageName, devicePixelRatioF());
        if (!pattern.isNull())
            painter.fillRect(dirty, QBrush(pattern));
    }
    if (m_backgroundColor.isValid())
        painter.fillRect(dirty, m_backgroundColor);
    if (m_gradientColor.isValid() && width() > 0) {
        // The middle stop is the gradient colour made transparent rather than transparent black,
        // so the halfway tones do not darken.
        QColor clear = m_gradientColor;
        clear.setAlpha(0);
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0.0, m_gradientColor);
        gradient.setColorAt(0.5, clear);
        gradient.setColorAt(1.0, m_gradientColor);
        painter.fillRect(dirty, gradient);
    }
}
