#include "KTGridBackground.h"

#include "KTFont.h"
#include "KTNamedImages.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

void KTGridBackground::draw(QPainter &painter, const QRectF &dirty, const QRectF &bounds,
                            qreal devicePixelRatio) const
{
    if (!pattern.isEmpty()) {
        const QImage tile = KTNamedImages::shared().image(pattern, devicePixelRatio);
        if (!tile.isNull())
            painter.fillRect(dirty, QBrush(tile));
    }
    if (color.isValid())
        painter.fillRect(dirty, color);
    if (gradient.isValid() && bounds.width() > 0) {
        QLinearGradient band(bounds.left(), 0, bounds.right(), 0);
        QColor clear = gradient;
        clear.setAlpha(0);
        band.setColorAt(0, gradient);
        band.setColorAt(0.5, clear);
        band.setColorAt(1, gradient);
        painter.fillRect(dirty, band);
    }
}

void KTGridBackground::drawEmptyMessage(QPainter &painter, const QRectF &bounds, const QString &message)
{
    if (message.isEmpty())
        return;
    const QFont font = ktFont(QStringLiteral("Helvetica"), 32);
    const QRectF limit(0, 0, bounds.width() * 0.3, bounds.height() * 0.3);
    const QRectF size = QFontMetricsF(font).boundingRect(limit, Qt::TextWordWrap, message);
    QRectF target(QPointF(), size.size());
    target.moveCenter(bounds.center());
    painter.setFont(font);
    painter.setPen(QColor(83, 83, 83));
    painter.drawText(target, Qt::AlignCenter | Qt::TextWordWrap, message);
}
