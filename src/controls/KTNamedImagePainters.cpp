#include "KTNamedImagePainters.h"

#include "KTColor.h"
#include "KTNamedImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

enum class Part
{
    Left,
    Center,
    Right
};

/// The look of one three-part set: a rounded body with a border, a raised (highlight) or
/// pressed (inner shadow) top edge.
struct PartStyle
{
    double radius = 4;
    QColor top;
    QColor bottom;
    QColor border = KTPalette::kLine;
    bool pressed = false;
    /// A divider line at the right edge of the part.
    bool separator = false;
    /// A drop-down chevron in the part.
    bool chevron = false;
};

void paintPart(QPainter &p, const QSizeF &size, Part part, const PartStyle &style)
{
    const double w = size.width();
    const double h = size.height();
    // The body is one rounded rectangle that reaches past the part's open sides, clipped to the
    // part, so the three parts side by side make one seamless shape.
    const double reach = 2 * style.radius + 2;
    QRectF body(0, 0, w, h);
    if (part != Part::Left)
        body.setLeft(-reach);
    if (part != Part::Right)
        body.setRight(w + reach);
    p.setClipRect(QRectF(0, 0, w, h));
    const QRectF edge = body.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(edge, style.radius, style.radius);

    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0, style.top);
    fill.setColorAt(1, style.bottom);
    p.fillPath(shape, fill);

    p.save();
    p.setClipPath(shape, Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    if (style.pressed)
        p.fillRect(QRectF(body.left(), 1, body.width(), 1.5), QColor(0, 0, 0, 90));
    else
        p.fillRect(QRectF(body.left(), 1, body.width(), 1), QColor(255, 255, 255, 22));
    if (style.separator)
        p.fillRect(QRectF(w - 1, 0, 1, h), style.border);
    p.restore();

    p.setPen(QPen(style.border, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);

    if (style.chevron) {
        const double cx = w / 2 - 2;
        const double cy = h / 2;
        QPen pen(style.pressed ? KTPalette::kAccent : QColor(200, 200, 200), 1.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        p.drawPolyline(
            QPolygonF{QPointF(cx - 3.5, cy - 1.5), QPointF(cx, cy + 2), QPointF(cx + 3.5, cy - 1.5)});
    }
}

void add(KTNamedImages &images, const QString &name, QSizeF natural, Part part, PartStyle style)
{
    images.registerPainter(
        name, natural, [part, style](QPainter &p, const QSizeF &size) { paintPart(p, size, part, style); });
}

PartStyle raised(double radius)
{
    return {radius, QColor(60, 60, 60), QColor(46, 46, 46)};
}

PartStyle sunken(double radius)
{
    PartStyle style{radius, QColor(26, 26, 26), QColor(32, 32, 32)};
    style.pressed = true;
    return style;
}

/// "<base>_left", "<base>_center", "<base>_right" and the on forms named by `onName` from each
/// part name.
void addButtonSet(KTNamedImages &images, const QString &base, double height, double radius, double capWidth,
                  double rightCapWidth, bool chevron, const std::function<QString(const QString &)> &onName)
{
    for (const bool on : {false, true}) {
        PartStyle style = on ? sunken(radius) : raised(radius);
        const auto name = [&](const char *part) {
            const QString plain = base + QLatin1Char('_') + QLatin1String(part);
            return on ? onName(plain) : plain;
        };
        add(images, name("left"), {capWidth, height}, Part::Left, style);
        add(images, name("center"), {1, height}, Part::Center, style);
        style.chevron = chevron;
        add(images, name("right"), {rightCapWidth, height}, Part::Right, style);
    }
}

} // namespace

void registerBuiltInPainters(KTNamedImages &images)
{
    const auto suffixOn = [](const QString &name) { return name + QStringLiteral("_on"); };
    // Buttons with their on form as "<part>_on" ("btn_left_on").
    addButtonSet(images, QStringLiteral("btn"), 24, 4, 6, 6, false, suffixOn);
    addButtonSet(images, QStringLiteral("dropdown"), 24, 4, 6, 20, true, suffixOn);
    addButtonSet(images, QStringLiteral("button"), 24, 4, 6, 6, false, suffixOn);
    // The round toolbar button, whose on form is a base of its own ("round_btn_on_left").
    addButtonSet(images, QStringLiteral("round_btn"), 28, 13.5, 14, 14, false, [](const QString &name) {
        QString on = name;
        return on.replace(QStringLiteral("round_btn_"), QStringLiteral("round_btn_on_"));
    });

    // The tab strip: "tab_select_<part>" and "tab_select_on_<part>". A middle segment is
    // left + centre + right, where the right part carries the divider; the last segment uses the
    // plain left part as its centre, so that part is a uniform strip.
    for (const bool on : {false, true}) {
        const QString base = on ? QStringLiteral("tab_select_on_") : QStringLiteral("tab_select_");
        PartStyle style = on ? sunken(4) : PartStyle{4, QColor(54, 54, 54), QColor(42, 42, 42)};
        const double h = 22;
        add(images, base + "round_left", {6, h}, Part::Left, style);
        add(images, base + "left", {2, h}, Part::Center, style);
        add(images, base + "center", {1, h}, Part::Center, style);
        add(images, base + "round_right", {6, h}, Part::Right, style);
        style.separator = true;
        add(images, base + "right", {2, h}, Part::Center, style);
    }
}
