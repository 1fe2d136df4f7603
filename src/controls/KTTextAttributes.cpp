#include "KTTextAttributes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>

#include <cmath>

KTTextShadow KTTextShadow::controlShadow()
{
    return {QColor(0, 0, 0, 128), QPointF(1.0, -1.0)};
}

KTTextAttributes KTTextAttributes::unitedWith(const KTTextAttributes &fallback) const
{
    KTTextAttributes result = *this;
    if (!result.font)
        result.font = fallback.font;
    if (!result.foregroundColor)
        result.foregroundColor = fallback.foregroundColor;
    if (!result.shadow)
        result.shadow = fallback.shadow;
    if (!result.underline)
        result.underline = fallback.underline;
    if (!result.underlineColor)
        result.underlineColor = fallback.underlineColor;
    return result;
}

void drawAttributedText(QPainter &painter, const QRectF &rect, const QString &text,
                        const KTTextAttributes &attributes, const QFont &font, const QColor &color,
                        Qt::Alignment alignment)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    const QFont usedFont = attributes.font.value_or(font);
    const QColor foreground = attributes.foregroundColor.value_or(color);
    const QFontMetricsF metrics(usedFont);
    const double textWidth = metrics.horizontalAdvance(text);
    double x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - textWidth) / 2;
    double baseline = rect.top() + metrics.ascent();
    if (alignment & Qt::AlignBottom)
        baseline = rect.bottom() - metrics.descent();
    else if (!(alignment & Qt::AlignTop))
        baseline = rect.top() + std::round((rect.height() - metrics.height()) / 2) + metrics.ascent();

    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(usedFont);
    const bool underlined = attributes.underline.value_or(false);
    const auto pass = [&](const QPointF &at, const QColor &textColor, const QColor &lineColor) {
        painter.setPen(textColor);
        painter.drawText(at, text);
        if (underlined) {
            const double y = at.y() + std::max(1.0, metrics.underlinePos());
            painter.fillRect(QRectF(at.x(), y, textWidth, std::max(1.0, metrics.lineWidth())), lineColor);
        }
    };
    if (attributes.shadow) {
        // The offset is y-up.
        const QPointF offset(attributes.shadow->offset.x(), -attributes.shadow->offset.y());
        pass(QPointF(x, baseline) + offset, attributes.shadow->color, attributes.shadow->color);
    }
    pass(QPointF(x, baseline), foreground, attributes.underlineColor.value_or(foreground));
    painter.restore();
}
