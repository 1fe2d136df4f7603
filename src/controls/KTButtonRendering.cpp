#include "KTButtonRendering.h"

#include "KTFont.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QFont systemFont()
{
    return ktFont(QApplication::font().family(), 13);
}

QImage blankLike(const QImage &image, const QSizeF &size)
{
    const qreal ratio = image.devicePixelRatio();
    QImage result(
        QSize(int(std::ceil(size.width() * ratio - 1e-6)), int(std::ceil(size.height() * ratio - 1e-6))),
        QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(ratio);
    result.fill(Qt::transparent);
    return result;
}

/// Draws `text` with the bottom-left corner of its line box at y-up `at` in an image of height `h`.
void drawLine(QPainter &painter, const QString &text, const QFont &font, const QPointF &at, double h,
              const QColor &color, std::optional<QPointF> shadowOffset)
{
    const QFontMetricsF metrics(font);
    const double top = h - at.y() - metrics.height();
    const QPointF baseline(at.x(), top + metrics.ascent());
    painter.setFont(font);
    if (shadowOffset) {
        painter.setPen(QColor(0, 0, 0, 140));
        painter.drawText(baseline + QPointF(shadowOffset->x(), -shadowOffset->y()), text);
    }
    painter.setPen(color);
    painter.drawText(baseline, text);
}

} // namespace

QImage imageByAddingTitle(const QString &title, const QImage &image, int layout,
                          const std::optional<QFont> &font, const QColor &color, const QPointF &offset,
                          bool shadow)
{
    if (image.isNull() || title.isEmpty())
        return image;
    const QFont textFont = font.value_or(systemFont());
    const QSizeF size = image.deviceIndependentSize();
    QImage result = blankLike(image, size);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);

    const QFontMetricsF metrics(textFont);
    const double tw = metrics.horizontalAdvance(title);
    const double th = metrics.height();
    double x = offset.x();
    double y = offset.y();
    if (layout & KTTitleCentredHorizontally)
        x = offset.x() + (size.width() - tw) / 2;
    if (layout & KTTitleCentredVertically)
        y = offset.y() + (size.height() - offset.y()) / 2 - th / 2;
    drawLine(painter, title, textFont, {std::floor(x), std::floor(y)}, size.height(),
             color.isValid() ? color : QColor(Qt::black),
             shadow ? std::optional<QPointF>(QPointF(0, -0.7)) : std::nullopt);
    return result;
}

QImage imageByAddingTitleAndSubtitle(const QString &title, const QString &subtitle, const QImage &image,
                                     int layout, const std::optional<QFont> &font, double titleFontSize,
                                     double subtitleFontSize, const QColor &color, const QPointF &offset)
{
    if (image.isNull() || title.isEmpty())
        return image;
    const QFont base = font.value_or(systemFont());
    const QFont titleFont = ktFont(base.family(), titleFontSize > 0 ? titleFontSize : 12);
    const QFont subtitleFont = ktFont(base.family(), subtitleFontSize > 0 ? subtitleFontSize : 12);
    const double divisor = base.family() == QLatin1String("BebasNeue") ? 2.0 : 1.0;
    const QColor textColor = color.isValid() ? color : QColor(Qt::black);

    const QSizeF size = image.deviceIndependentSize();
    const double w = size.width();
    const double h = size.height();
    QImage result = blankLike(image, size);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);

    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    const double tw = titleMetrics.horizontalAdvance(title);
    const double th = titleMetrics.height();
    const double sw = subtitleMetrics.horizontalAdvance(subtitle);
    const double sh = subtitleMetrics.height();
    const bool centred = layout & KTTitleCentredHorizontally;
    const QPointF titleAt(centred ? offset.x() + (w - offset.x()) / 2 - tw / 2 : offset.x(),
                          h - th / divisor - 10.0);
    const QPointF subtitleAt(centred ? offset.x() + (w - offset.x()) / 2 - sw / 2 : offset.x(),
                             (h - th) - sh / divisor - 3.0);
    const QPointF shadow(0, -0.7);
    drawLine(painter, title, titleFont, titleAt, h, textColor, shadow);
    drawLine(painter, subtitle, subtitleFont, subtitleAt, h, textColor, shadow);
    return result;
}

QSizeF badgeSize(const QString &badge)
{
    const QFontMetricsF metrics(ktFont(QStringLiteral("Helvetica"), 12));
    return {std::floor(metrics.horizontalAdvance(badge) + 10.0), std::floor(metrics.height() + 2.0)};
}

QImage imageByAddingBadge(const QString &badge, const QImage &image, const QPointF &position,
                          const QSizeF &bounds)
{
    if (image.isNull() || badge.isEmpty())
        return image;
    const QFont font = ktFont(QStringLiteral("Helvetica"), 12);
    const QFontMetricsF metrics(font);
    const double tw = metrics.horizontalAdvance(badge);
    const double th = metrics.height();
    const QSizeF pill = badgeSize(badge);
    const double bw = pill.width();
    const double bh = pill.height();

    QImage result = blankLike(image, bounds);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF input = image.deviceIndependentSize();
    // Centred horizontally, aligned to the top.
    painter.drawImage(QPointF(std::floor((bounds.width() - input.width()) / 2), 0), image);

    // The badge's bottom-left corner, pulled inside; then from y-up to the image's rows.
    const double x = std::min(position.x(), bounds.width() - bw - 2.0);
    const double y = std::min(position.y(), bounds.height() - bh - 2.0);
    const QRectF rect(x, bounds.height() - y - bh, bw, bh);
    QPainterPath shape;
    shape.addRoundedRect(rect.adjusted(1, 1, -1, -1), 7, 7);
    painter.fillPath(shape.translated(0, 1), QColor(0, 0, 0, 110));
    painter.fillPath(shape, QColor(255, 66, 0));
    const double textX = std::floor(std::ceil(bw / 2) - tw / 2);
    const double textY = std::floor(std::ceil(bh / 2) - th / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(rect.left() + textX, rect.top() + (bh - textY - th) + metrics.ascent()), badge);
    return result;
}
