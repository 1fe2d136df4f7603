#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

/// What the grids and group lists draw behind their content: a tiled pattern (a KTNamedImages
/// name), a colour, and a band of `gradient` along both side edges that fades to nothing at the
/// centre; each only when set.
struct KTGridBackground
{
    QString pattern;
    QColor color;
    QColor gradient;

    void draw(QPainter &painter, const QRectF &dirty, const QRectF &bounds, qreal devicePixelRatio) const;
    /// `message` in the grids' large grey, centred in `bounds` within 30 % of its size.
    static void drawEmptyMessage(QPainter &painter, const QRectF &bounds, const QString &message);
};
