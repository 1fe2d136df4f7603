#include "KTIndicatorImagePainters.h"

#include "KTNamedImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

enum class Part
{
    Left,
    Center,
    Right
};

/// A part of a horizontal pill: the pill reaches past the part's open sides and is clipped to
/// the part, so the three parts side by side make one seamless shape of any height.
QPainterPath pillPart(const QSizeF &size, Part part)
{
    const double w = size.width();
    const double h = size.height();
    const double radius = h / 2;
    QRectF body(0, 0, w, h);
    if (part != Part::Left)
        body.setLeft(-2 * radius - 2);
    if (part != Part::Right)
        body.setRight(w + 2 * radius + 2);
    QPainterPath path;
    path.addRoundedRect(body, radius, radius);
    return path;
}

void paintTrack(QPainter &p, const QSizeF &size, Part part)
{
    p.setClipRect(QRectF(QPointF(0, 0), size));
    const QPainterPath shape = pillPart(size, part);
    p.fillPath(shape, QColor(16, 16, 16));
    // An inner shadow along the top and a faint lit edge along the bottom make it read as a groove.
    p.setClipPath(shape, Qt::IntersectClip);
    p.fillRect(QRectF(-20, 0, size.width() + 40, 1), QColor(0, 0, 0, 110));
    p.fillRect(QRectF(-20, size.height() - 1, size.width() + 40, 1), QColor(255, 255, 255, 16));
}

void paintFill(QPainter &p, const QSizeF &size)
{
    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0, QColor(206, 206, 206));
    fill.setColorAt(1, QColor(168, 168, 168));
    p.fillRect(QRectF(QPointF(0, 0), size), fill);
    p.fillRect(QRectF(0, 0, size.width(), 1), QColor(255, 255, 255, 70));
}

/// Diagonal stripes with a period of 12 along x and y, so a 24-pixel tile repeats seamlessly in
/// both directions.
void paintStripes(QPainter &p, const QSizeF &size)
{
    p.fillRect(QRectF(QPointF(0, 0), size), QColor(52, 52, 52));
    const double period = 12;
    const double h = size.height();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(78, 78, 78));
    for (double x = -h - period; x < size.width() + period; x += period) {
        p.drawPolygon(QPolygonF{QPointF(x, 0), QPointF(x + period / 2, 0), QPointF(x + period / 2 - h, h),
                                QPointF(x - h, h)});
    }
}

/// Frame `frame` of the spinner: twelve fins, the brightest at frame x 30 degrees clockwise from
/// twelve o'clock, the ones behind it fading.
void paintSpinnerFrame(QPainter &p, const QSizeF &size, int frame)
{
    const double s = std::min(size.width(), size.height());
    p.translate(size.width() / 2, size.height() / 2);
    QPen pen(Qt::NoPen);
    pen.setWidthF(0.0859375 * s * 1.4);
    pen.setCapStyle(Qt::RoundCap);
    for (int fin = 0; fin < 12; ++fin) {
        const int behind = (frame - fin + 12) % 12;
        QColor colour(210, 210, 210);
        colour.setAlphaF(float(std::max(std::pow(0.85, 2 * behind), 0.15)));
        pen.setStyle(Qt::SolidLine);
        pen.setColor(colour);
        p.save();
        p.rotate(fin * 30.0);
        p.setPen(pen);
        p.drawLine(QPointF(0, -0.234375 * s), QPointF(0, -0.421875 * s));
        p.restore();
    }
}

/// The scroller knob: a 9-wide bar with round ends; the caps are the ends' halves.
const QColor kKnob(96, 96, 96);

void paintKnobCap(QPainter &p, const QSizeF &size, bool top)
{
    const double w = size.width();
    p.setClipRect(QRectF(QPointF(0, 0), size));
    QPainterPath path;
    const QRectF body = top ? QRectF(0, 0, w, size.height() + w) : QRectF(0, -w, w, size.height() + w);
    path.addRoundedRect(body, w / 2, w / 2);
    p.fillPath(path, kKnob);
}

} // namespace

void registerIndicatorPainters(KTNamedImages &images)
{
    for (int frame = 0; frame < 12; ++frame) {
        images.registerPainter(
            QStringLiteral("spinner%1").arg(frame, 2, 10, QLatin1Char('0')), {16, 16},
            [frame](QPainter &p, const QSizeF &size) { paintSpinnerFrame(p, size, frame); });
    }

    images.registerPainter(QStringLiteral("loader_left"), {6, 12},
                           [](QPainter &p, const QSizeF &size) { paintTrack(p, size, Part::Left); });
    images.registerPainter(QStringLiteral("loader_center"), {1, 12},
                           [](QPainter &p, const QSizeF &size) { paintTrack(p, size, Part::Center); });
    images.registerPainter(QStringLiteral("loader_right"), {6, 12},
                           [](QPainter &p, const QSizeF &size) { paintTrack(p, size, Part::Right); });
    images.registerPainter(QStringLiteral("loader_fill_center"), {1, 12}, paintFill);
    images.registerPainter(QStringLiteral("loader_anim"), {24, 24}, paintStripes);

    images.registerPainter(QStringLiteral("scroller_back"), {15, 16}, [](QPainter &p, const QSizeF &size) {
        p.fillRect(QRectF(QPointF(0, 0), size), QColor(255, 255, 255, 9));
    });
    images.registerPainter(QStringLiteral("scroller_center"), {9, 1}, [](QPainter &p, const QSizeF &size) {
        p.fillRect(QRectF(QPointF(0, 0), size), kKnob);
    });
    images.registerPainter(QStringLiteral("scroller_top"), {9, 5},
                           [](QPainter &p, const QSizeF &size) { paintKnobCap(p, size, true); });
    images.registerPainter(QStringLiteral("scroller_bottom"), {9, 5},
                           [](QPainter &p, const QSizeF &size) { paintKnobCap(p, size, false); });

    // The main window's title strip: a dark grey ramp with a lit top edge and a dark bottom line.
    images.registerPainter(QStringLiteral("toolbar_top"), {1, 56}, [](QPainter &p, const QSizeF &size) {
        QLinearGradient ramp(0, 0, 0, size.height());
        ramp.setColorAt(0, QColor(50, 50, 50));
        ramp.setColorAt(1, QColor(38, 38, 38));
        p.fillRect(QRectF(QPointF(0, 0), size), ramp);
        p.fillRect(QRectF(0, 0, size.width(), 1), QColor(255, 255, 255, 18));
        p.fillRect(QRectF(0, size.height() - 1, size.width(), 1), QColor(12, 12, 12));
    });

    images.registerPainter(QStringLiteral("rate"), {14, 14}, [](QPainter &p, const QSizeF &size) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(118, 118, 118));
        p.drawEllipse(QPointF(size.width() / 2, size.height() / 2), 1.6, 1.6);
    });
}
