#include "KTDialogPictures.h"

#include "KTColor.h"
#include "KTFont.h"
#include "KTNamedImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <QTransform>

#include <array>
#include <cmath>
#include <functional>
#include <mutex>

namespace {

// ---- Generated photos ----

/// A landscape standing in for a photo: a sky, a far ridge and near ground, sometimes a sun.
struct Scene
{
    QColor skyTop;
    QColor skyBottom;
    QColor far;
    QColor near;
    double horizon;
    bool sun;
};

const std::array<Scene, 6> kScenes{{
    {{86, 126, 166}, {172, 194, 210}, {70, 96, 122}, {36, 56, 76}, 0.56, false},       // harbour
    {{146, 176, 196}, {214, 220, 212}, {104, 128, 90}, {60, 86, 54}, 0.60, true},      // hills
    {{190, 146, 104}, {226, 198, 152}, {148, 96, 64}, {94, 60, 44}, 0.62, false},      // market
    {{68, 68, 110}, {220, 150, 112}, {62, 54, 72}, {30, 28, 38}, 0.66, true},          // dusk
    {{158, 180, 204}, {226, 232, 238}, {190, 198, 210}, {146, 156, 170}, 0.58, false}, // snow
    {{116, 148, 138}, {188, 204, 186}, {56, 84, 62}, {34, 52, 40}, 0.50, false},       // forest
}};

/// Paints scene `scene`; `shift` (0 to 1) moves the horizon and the sun a little, so the shots of
/// one burst look alike but not the same.
void paintPhoto(QPainter &p, const QRectF &r, int scene, double shift = 0.0)
{
    const Scene &s = kScenes[size_t(scene) % kScenes.size()];
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, s.skyTop);
    sky.setColorAt(1, s.skyBottom);
    p.fillRect(r, sky);
    if (s.sun) {
        p.setBrush(QColor(248, 236, 204));
        const double radius = r.height() * 0.09;
        p.drawEllipse(QPointF(r.left() + r.width() * (0.70 + shift * 0.06), r.top() + r.height() * 0.28),
                      radius, radius);
    }
    const double h = r.top() + r.height() * (s.horizon + shift * 0.04);
    QPainterPath far;
    far.moveTo(r.left(), h);
    far.cubicTo(r.left() + r.width() * 0.30, h - r.height() * 0.20, r.left() + r.width() * 0.55,
                h + r.height() * 0.06, r.right(), h - r.height() * 0.10);
    far.lineTo(r.bottomRight());
    far.lineTo(r.bottomLeft());
    far.closeSubpath();
    p.fillPath(far, s.far);
    const double n = h + r.height() * 0.17;
    QPainterPath near;
    near.moveTo(r.left(), n);
    near.cubicTo(r.left() + r.width() * 0.40, n - r.height() * 0.09, r.left() + r.width() * 0.70,
                 n + r.height() * 0.07, r.right(), n - r.height() * 0.02);
    near.lineTo(r.bottomRight());
    near.lineTo(r.bottomLeft());
    near.closeSubpath();
    p.fillPath(near, s.near);
    p.restore();
}

// ---- Small parts ----

/// Device pixels per logical pixel where `p` paints now, its scaling included.
qreal ratioOf(const QPainter &p)
{
    const QTransform transform = p.worldTransform();
    const qreal scale = std::max(std::abs(transform.m11()), std::abs(transform.m22()));
    return (p.device() ? p.device()->devicePixelRatioF() : 1.0) * (scale > 0 ? scale : 1.0);
}

/// One of the control pictograms (drawn on a 16 px grid) at `size` for that grid, centred on
/// `centre`; a smaller picture such as the drop-down arrow keeps its proportions.
void paintPictogram(QPainter &p, const QString &name, const QPointF &centre, double size = 16)
{
    const QSizeF drawn = KTNamedImages::shared().naturalSize(name) * (size / 16.0);
    if (drawn.isEmpty())
        return;
    const QImage image = KTNamedImages::shared().image(name, drawn, ratioOf(p));
    p.drawImage(QPointF(centre.x() - drawn.width() / 2, centre.y() - drawn.height() / 2), image);
}

/// A line standing for text.
void paintTextBar(QPainter &p, const QRectF &r, const QColor &colour = KTPalette::kSecondaryText)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.restore();
}

/// A raised button; `on` shows it pushed.
void paintPill(QPainter &p, const QRectF &r, bool on = false)
{
    p.save();
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, on ? QColor(40, 40, 40) : QColor(58, 58, 58));
    fill.setColorAt(1, on ? QColor(34, 34, 34) : QColor(46, 46, 46));
    p.setPen(QPen(KTPalette::kLine, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.restore();
}

/// The ring that points the reader at the subject of a tip.
void paintHighlight(QPainter &p, const QRectF &r, double radius = 6)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    QColor glow = KTPalette::kAccent;
    glow.setAlphaF(0.25f);
    p.setPen(QPen(glow, 5));
    p.drawRoundedRect(r.adjusted(-3, -3, 3, 3), radius + 3, radius + 3);
    p.setPen(QPen(KTPalette::kAccent, 1.5));
    p.drawRoundedRect(r.adjusted(-3, -3, 3, 3), radius + 3, radius + 3);
    p.restore();
}

/// The mouse pointer with its tip at `tip`.
void paintCursor(QPainter &p, const QPointF &tip)
{
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(0, 17);
    arrow.lineTo(4.2, 13);
    arrow.lineTo(7.2, 19.5);
    arrow.lineTo(9.8, 18.3);
    arrow.lineTo(6.9, 12);
    arrow.lineTo(12, 12);
    arrow.closeSubpath();
    p.save();
    p.translate(tip);
    p.setPen(QPen(QColor(10, 10, 10), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(arrow);
    p.restore();
}

/// A key of the keyboard, with `legend` when given.
void paintKey(QPainter &p, const QRectF &r, const QString &legend = {})
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 12, 12));
    p.drawRoundedRect(r.translated(0, 2), 5, 5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(78, 78, 78));
    fill.setColorAt(1, QColor(62, 62, 62));
    p.setBrush(fill);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    if (!legend.isEmpty()) {
        p.setPen(KTPalette::kText);
        p.setFont(ktSmallFont());
        p.drawText(r, Qt::AlignCenter, legend);
    } else {
        // The space bar's mark.
        p.setPen(QPen(KTPalette::kSecondaryText, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF c = r.center();
        p.drawPolyline(QPolygonF{QPointF(c.x() - 10, c.y() - 2), QPointF(c.x() - 10, c.y() + 3),
                                 QPointF(c.x() + 10, c.y() + 3), QPointF(c.x() + 10, c.y() - 2)});
    }
    p.restore();
}

/// A folder, `r` its bounds.
void paintFolder(QPainter &p, const QRectF &r)
{
    p.save();
    QPainterPath path;
    const double tab = r.height() * 0.18;
    path.moveTo(r.left(), r.top() + tab);
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.right(), r.top() + tab * 2);
    path.lineTo(r.left() + r.width() * 0.45, r.top() + tab * 2);
    path.lineTo(r.left() + r.width() * 0.36, r.top());
    path.lineTo(r.left() + r.width() * 0.06, r.top());
    path.closeSubpath();
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(112, 128, 146));
    fill.setColorAt(1, QColor(82, 96, 112));
    p.setPen(QPen(QColor(22, 26, 30), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
    p.setPen(QPen(QColor(150, 164, 180), 1));
    p.drawLine(QPointF(r.left() + 1.5, r.top() + tab * 2 + 1.5),
               QPointF(r.right() - 1.5, r.top() + tab * 2 + 1.5));
    p.restore();
}

/// A photo catalogue: a bound book of small photos.
void paintCatalogue(QPainter &p, const QRectF &r)
{
    p.save();
    p.setPen(QPen(QColor(16, 16, 16), 1));
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(84, 84, 84));
    fill.setColorAt(1, QColor(64, 64, 64));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    const double gap = r.width() * 0.08;
    const double w = (r.width() - gap * 3) / 2;
    const double h = (r.height() - gap * 3) / 2;
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(r.left() + gap + (i % 2) * (w + gap), r.top() + gap + (i / 2) * (h + gap), w, h);
        paintPhoto(p, cell, i + 1);
    }
    p.restore();
}

/// A trash can.
void paintTrash(QPainter &p, const QRectF &r, const QColor &colour = QColor(190, 190, 190))
{
    p.save();
    p.setPen(QPen(colour, std::max(1.5, r.width() / 16), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const double lid = r.top() + r.height() * 0.2;
    p.drawLine(QPointF(r.left(), lid), QPointF(r.right(), lid));
    p.drawLine(QPointF(r.left() + r.width() * 0.36, r.top()), QPointF(r.left() + r.width() * 0.64, r.top()));
    QPainterPath body;
    body.moveTo(r.left() + r.width() * 0.1, lid);
    body.lineTo(r.left() + r.width() * 0.18, r.bottom());
    body.lineTo(r.right() - r.width() * 0.18, r.bottom());
    body.lineTo(r.right() - r.width() * 0.1, lid);
    p.drawPath(body);
    for (double x : {0.38, 0.62})
        p.drawLine(QPointF(r.left() + r.width() * x, lid + r.height() * 0.18),
                   QPointF(r.left() + r.width() * x, r.bottom() - r.height() * 0.14));
    p.restore();
}

/// An arrow from `from` to `to`, curving a little.
void paintArrow(QPainter &p, const QPointF &from, const QPointF &to, double bend = 0.0)
{
    p.save();
    QPen pen(KTPalette::kAccent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF middle = (from + to) / 2 + QPointF(0, bend);
    QPainterPath path(from);
    path.quadTo(middle, to);
    p.drawPath(path);
    const QPointF direction = to - middle;
    const double length = std::hypot(direction.x(), direction.y());
    if (length > 0) {
        const QPointF unit = direction / length;
        const QPointF normal(-unit.y(), unit.x());
        p.drawPolyline(QPolygonF{to - unit * 7 + normal * 5, to, to - unit * 7 - normal * 5});
    }
    p.restore();
}

// ---- Thumbnail cells ----

enum CellFlag
{
    CellPlain = 0,
    CellSelected = 1,
    CellPicked = 2,
    CellRejected = 4,
    CellHovered = 8,
};

/// A round dark button with a pictogram, as the cells show them.
void paintCellButton(QPainter &p, const QPointF &centre, const QString &pictogram)
{
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.setBrush(QColor(24, 24, 24, 215));
    p.drawEllipse(centre, 10, 10);
    p.restore();
    paintPictogram(p, pictogram, centre, 14);
}

/// A thumbnail cell: a plate, the photo fitted inside a 5-point margin, the decisions' marks.
void paintCell(QPainter &p, const QRectF &r, int scene, double shift, int flags)
{
    p.save();
    p.setPen(Qt::NoPen);
    if (flags & CellSelected) {
        p.setBrush(mainSelectionColorActive());
        p.drawRoundedRect(r, 4, 4);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
    const QRectF inner = r.adjusted(5, 5, -5, -5);
    QSizeF photo(3, 2);
    photo.scale(inner.size(), Qt::KeepAspectRatio);
    const QRectF photoRect(inner.center() - QPointF(photo.width() / 2, photo.height() / 2), photo);
    paintPhoto(p, photoRect, scene, shift);
    if (flags & CellRejected) {
        p.fillRect(photoRect, QColor(20, 20, 20, 110));
    }
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(photoRect.adjusted(0.5, 0.5, -0.5, -0.5));
    p.restore();

    const QPointF leftButton(photoRect.left() + 14, photoRect.top() + 14);
    const QPointF rightButton(photoRect.right() - 14, photoRect.top() + 14);
    if (flags & CellPicked)
        paintCellButton(p, leftButton, QStringLiteral("flag_on"));
    else if (flags & CellHovered)
        paintCellButton(p, leftButton, QStringLiteral("flag"));
    if (flags & CellRejected)
        paintCellButton(p, rightButton, QStringLiteral("cross_on"));
    else if (flags & CellHovered)
        paintCellButton(p, rightButton, QStringLiteral("cross"));
}

/// A similar group as a stack of its shots, with its count.
void paintStack(QPainter &p, const QRectF &r, int scene, int count, bool selected)
{
    p.save();
    if (selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(mainSelectionColorActive());
        p.drawRoundedRect(r, 4, 4);
    }
    const QRectF inner = r.adjusted(10, 12, -12, -8);
    for (int layer = 2; layer >= 0; --layer) {
        const QRectF card = inner.translated(layer * 4, -layer * 4);
        p.setPen(QPen(QColor(14, 14, 14), 1));
        p.setBrush(QColor(46, 46, 46));
        p.drawRect(card.adjusted(-1.5, -1.5, 1.5, 1.5));
        paintPhoto(p, card, scene, layer * 0.3);
    }
    // The count, on a small dark pill.
    const QString text = QString::number(count);
    p.setFont(ktSmallFont());
    const QRectF badge(inner.right() - 22, inner.bottom() - 18, 20, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 190));
    p.drawRoundedRect(badge, 7, 7);
    p.setPen(KTPalette::kText);
    p.drawText(badge, Qt::AlignCenter, text);
    p.restore();
}

// ---- The main window ----

enum Mode
{
    NoMode = -1,
    TimelineMode = 0,
    SimilarsMode = 1,
    PicksMode = 2,
    RejectsMode = 3,
};

/// Our main window in small: the title strip with the four mode buttons (`active` pushed) and
/// a toolbar line; returns the content area.
QRectF paintWindow(QPainter &p, const QRectF &r, int active)
{
    p.save();
    // A soft shadow under the window.
    for (int i = 1; i <= 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 18));
        p.drawRoundedRect(r.adjusted(-i, -i + 2, i, i + 2), 6 + i, 6 + i);
    }
    QPainterPath frame;
    frame.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.fillPath(frame, KTPalette::kWindow);
    p.setClipPath(frame);
    const QRectF strip(r.left(), r.top(), r.width(), 30);
    QLinearGradient stripFill(strip.topLeft(), strip.bottomLeft());
    stripFill.setColorAt(0, QColor(46, 46, 46));
    stripFill.setColorAt(1, QColor(38, 38, 38));
    p.fillRect(strip, stripFill);
    p.fillRect(QRectF(r.left(), strip.bottom() - 1, r.width(), 1), KTPalette::kLine);
    // The mode buttons, one segmented row in the middle of the strip.
    const double segment = 54;
    const QRectF row(r.center().x() - segment * 2, strip.top() + 6, segment * 4, 18);
    paintPill(p, row);
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(row.left() + i * segment, row.top(), segment, row.height());
        if (i == active) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(28, 28, 28));
            p.drawRoundedRect(cell.adjusted(1, 1, -1, -1), 3, 3);
        }
        if (i > 0)
            p.fillRect(QRectF(cell.left(), cell.top() + 1, 1, cell.height() - 2), KTPalette::kLine);
        paintTextBar(p, QRectF(cell.center().x() - 14, cell.center().y() - 1.5, 28, 3),
                     i == active ? KTPalette::kAccent : KTPalette::kSecondaryText);
    }
    p.fillRect(QRectF(r.left(), strip.bottom(), r.width(), r.bottom() - strip.bottom()), KTPalette::kWindow);
    p.setClipping(false);
    p.setPen(QPen(QColor(8, 8, 8), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    p.restore();
    return QRectF(r.left() + 1, strip.bottom(), r.width() - 2, r.bottom() - strip.bottom() - 1);
}

/// A panel's background strip at the top of the content, for the mode's tools.
QRectF paintToolbar(QPainter &p, const QRectF &content)
{
    const QRectF bar(content.left(), content.top(), content.width(), 28);
    p.fillRect(bar, KTPalette::kPanel);
    p.fillRect(QRectF(bar.left(), bar.bottom() - 1, bar.width(), 1), KTPalette::kLine);
    return bar;
}

/// A toolbar button with a pictogram.
QRectF paintToolButton(QPainter &p, const QPointF &topLeft, const QString &pictogram, double width = 40)
{
    const QRectF r(topLeft, QSizeF(width, 20));
    paintPill(p, r);
    paintPictogram(p, pictogram, r.center());
    return r;
}

// ---- The pages ----

const QRectF kWindowRect(20, 14, 520, 272);

/// "Where to Start?": drop a folder on the sources block, or add one, then start.
void paintWhereToStart(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, NoMode);
    const QRectF zone(content.left() + 60, content.top() + 22, content.width() - 120, 138);
    p.save();
    QPen dashed(QColor(110, 110, 110), 1.5, Qt::DashLine, Qt::RoundCap);
    dashed.setDashPattern({4, 3});
    p.setPen(dashed);
    p.setBrush(KTPalette::kPanel);
    p.drawRoundedRect(zone, 12, 12);
    p.restore();
    // Two folders already among the sources, and one on its way in.
    for (int i = 0; i < 2; ++i) {
        const QRectF row(zone.left() + 18, zone.top() + 16 + i * 30, 180, 22);
        paintFolder(p, QRectF(row.left(), row.top() + 2, 24, 18));
        paintTextBar(p, QRectF(row.left() + 34, row.center().y() - 2, 90 - i * 24, 4), KTPalette::kText);
    }
    const QRectF dragged(zone.right() - 96, zone.top() + 56, 58, 44);
    paintFolder(p, dragged);
    paintCursor(p, dragged.center() + QPointF(6, 6));
    paintArrow(p, QPointF(kWindowRect.right() - 10, content.top() + 8),
               QPointF(dragged.right() + 8, dragged.top() + 4), -14);
    // Add Folder, Add Catalog, Start.
    const double y = zone.bottom() + 22;
    const QRectF addFolder(zone.left(), y, 112, 24);
    const QRectF addCatalogue(addFolder.right() + 10, y, 112, 24);
    const QRectF start(zone.right() - 124, y, 124, 24);
    paintPill(p, addFolder);
    paintFolder(p, QRectF(addFolder.left() + 12, addFolder.top() + 6, 16, 12));
    paintTextBar(p, QRectF(addFolder.left() + 36, addFolder.center().y() - 1.5, 60, 3), KTPalette::kText);
    paintPill(p, addCatalogue);
    paintCatalogue(p, QRectF(addCatalogue.left() + 12, addCatalogue.top() + 5, 15, 14));
    paintTextBar(p, QRectF(addCatalogue.left() + 36, addCatalogue.center().y() - 1.5, 60, 3),
                 KTPalette::kText);
    paintPill(p, start);
    paintTextBar(p, QRectF(start.left() + 18, start.center().y() - 1.5, 88, 3), KTPalette::kAccent);
    paintHighlight(p, start, 4);
}

/// "Import from Libraries": a catalogue goes into the sources.
void paintImportFromLibraries(QPainter &p, const QSizeF &)
{
    const QRectF window(170, 14, 370, 272);
    const QRectF content = paintWindow(p, window, NoMode);
    paintCatalogue(p, QRectF(28, 92, 92, 92));
    paintArrow(p, QPointF(128, 138), QPointF(window.left() + 34, content.top() + 48), -30);
    const QRectF list(content.left() + 24, content.top() + 24, content.width() - 48, 130);
    p.fillRect(list, KTPalette::kPanel);
    for (int i = 0; i < 3; ++i) {
        const QRectF row(list.left(), list.top() + 8 + i * 36, list.width(), 32);
        if (i == 0)
            p.fillRect(row.adjusted(4, 0, -4, 0), mainSelectionColorActive());
        const QRectF icon(row.left() + 14, row.top() + 6, 20, 20);
        if (i == 0)
            paintCatalogue(p, icon);
        else
            paintFolder(p, icon.adjusted(0, 2, 2, -1));
        paintTextBar(p, QRectF(row.left() + 46, row.center().y() - 5, 130 - i * 20, 4), KTPalette::kText);
        paintTextBar(p, QRectF(row.left() + 46, row.center().y() + 3, 80, 3), QColor(96, 96, 96));
    }
    const double y = list.bottom() + 22;
    const QRectF addCatalogue(list.left(), y, 120, 24);
    paintPill(p, addCatalogue);
    paintCatalogue(p, QRectF(addCatalogue.left() + 12, addCatalogue.top() + 5, 15, 14));
    paintTextBar(p, QRectF(addCatalogue.left() + 36, addCatalogue.center().y() - 1.5, 66, 3),
                 KTPalette::kText);
    paintHighlight(p, addCatalogue, 4);
    const QRectF start(list.right() - 120, y, 120, 24);
    paintPill(p, start);
    paintTextBar(p, QRectF(start.left() + 18, start.center().y() - 1.5, 84, 3), KTPalette::kAccent);
}

/// "Similars View": the groups as stacks; Space opens the selected one.
void paintSimilarsView(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, SimilarsMode);
    paintToolbar(p, content);
    const double w = 118;
    const double h = 80;
    const int counts[] = {4, 3, 6, 2, 5, 3, 2, 4};
    for (int i = 0; i < 8; ++i) {
        const QRectF cell(content.left() + 18 + (i % 4) * (w + 8), content.top() + 36 + (i / 4) * (h + 8), w,
                          h);
        paintStack(p, cell, i, counts[i], i == 5);
    }
    // Space opens the selected group.
    const QRectF key(content.center().x() - 46, content.bottom() - 30, 92, 22);
    paintKey(p, key);
}

/// "Custom Accuracy": the accuracy levels and the time range in their popover.
void paintCustomAccuracy(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, SimilarsMode);
    const QRectF bar = paintToolbar(p, content);
    for (int i = 0; i < 8; ++i) {
        const QRectF cell(content.left() + 18 + (i % 4) * 126, content.top() + 38 + (i / 4) * 104, 118, 92);
        paintStack(p, cell, i + 2, 2 + i % 3, false);
    }
    p.fillRect(content.adjusted(0, bar.height(), 0, 0), QColor(0, 0, 0, 120));
    const QRectF button =
        paintToolButton(p, QPointF(content.left() + 14, bar.top() + 4), QStringLiteral("dropdown_arrow"), 56);
    paintHighlight(p, button, 4);
    // The popover under the button.
    const QRectF popover(content.left() + 14, bar.bottom() + 12, 300, 118);
    p.save();
    QPainterPath shape;
    shape.addRoundedRect(popover, 6, 6);
    QPainterPath arrow;
    arrow.moveTo(button.center().x() - 8, popover.top());
    arrow.lineTo(button.center().x(), popover.top() - 8);
    arrow.lineTo(button.center().x() + 8, popover.top());
    arrow.closeSubpath();
    shape = shape.united(arrow);
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(QColor(44, 44, 44));
    p.drawPath(shape);
    p.restore();
    // Five levels, "high" chosen.
    const double segment = 52;
    const QRectF levels(popover.left() + 20, popover.top() + 22, segment * 5, 22);
    paintPill(p, levels);
    for (int i = 0; i < 5; ++i) {
        const QRectF cell(levels.left() + i * segment, levels.top(), segment, levels.height());
        if (i == 3) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(26, 26, 26));
            p.drawRoundedRect(cell.adjusted(1, 1, -1, -1), 3, 3);
        }
        if (i > 0)
            p.fillRect(QRectF(cell.left(), cell.top() + 1, 1, cell.height() - 2), KTPalette::kLine);
        // More dots for a stricter level.
        const QColor dot = i == 3 ? KTPalette::kAccent : KTPalette::kSecondaryText;
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        for (int d = 0; d <= i; ++d)
            p.drawEllipse(QPointF(cell.center().x() + (d - i / 2.0) * 7, cell.center().y()), 2, 2);
    }
    // The time range below it, the last segment any time.
    const QRectF range(levels.left(), levels.bottom() + 24, segment * 5, 22);
    paintPill(p, range);
    for (int i = 0; i < 5; ++i) {
        const QRectF cell(range.left() + i * segment, range.top(), segment, range.height());
        if (i == 1) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(26, 26, 26));
            p.drawRoundedRect(cell.adjusted(1, 1, -1, -1), 3, 3);
        }
        if (i > 0)
            p.fillRect(QRectF(cell.left(), cell.top() + 1, 1, cell.height() - 2), KTPalette::kLine);
        if (i == 4)
            paintPictogram(p, QStringLiteral("infinity"), cell.center());
        else
            paintTextBar(p, QRectF(cell.center().x() - 12, cell.center().y() - 1.5, 24, 3),
                         i == 1 ? KTPalette::kAccent : KTPalette::kSecondaryText);
    }
}

/// "Groups of Similars": one group open; the pointer on the pick button of a shot.
void paintGroupsOfSimilars(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, SimilarsMode);
    paintToolbar(p, content);
    const double w = 160;
    const double h = 118;
    const double top = content.top() + 56;
    const int flags[] = {CellPicked, CellHovered, CellRejected};
    QRectF hovered;
    for (int i = 0; i < 3; ++i) {
        const QRectF cell(content.left() + 18 + i * (w + 8), top, w, h);
        paintCell(p, cell, 1, i * 0.35, flags[i]);
        if (i == 1)
            hovered = cell;
    }
    // Where the pick button of the hovered shot is (see paintCell).
    QSizeF photo(3, 2);
    photo.scale(hovered.adjusted(5, 5, -5, -5).size(), Qt::KeepAspectRatio);
    const QPointF photoTopLeft(hovered.center().x() - photo.width() / 2,
                               hovered.center().y() - photo.height() / 2);
    const QPointF pick = photoTopLeft + QPointF(14, 14);
    paintHighlight(p, QRectF(pick - QPointF(10, 10), QSizeF(20, 20)), 10);
    paintCursor(p, pick + QPointF(3, 4));
}

/// "Select Multiple Images": two shots chosen with Ctrl held, then Resolve Group.
void paintSelectMultiple(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, SimilarsMode);
    const QRectF bar = paintToolbar(p, content);
    const double w = 118;
    const double h = 92;
    const int flags[] = {CellSelected | CellPicked, CellPlain, CellSelected | CellPicked, CellPlain};
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(content.left() + 18 + i * (w + 8), content.top() + 60, w, h);
        paintCell(p, cell, 5, i * 0.25, flags[i]);
    }
    // Resolve Group: a check mark on the toolbar's right.
    const QRectF resolve(bar.right() - 104, bar.top() + 4, 90, 20);
    paintPill(p, resolve);
    p.save();
    p.setPen(QPen(KTPalette::kText, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c(resolve.left() + 18, resolve.center().y());
    p.drawPolyline(QPolygonF{c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(5, -4)});
    p.restore();
    paintTextBar(p, QRectF(resolve.left() + 30, resolve.center().y() - 1.5, 48, 3), KTPalette::kText);
    paintHighlight(p, resolve, 4);
    const QRectF key(content.left() + 18, content.bottom() - 44, 56, 28);
    paintKey(p, key, QStringLiteral("Ctrl"));
    paintCursor(p, QPointF(content.left() + 18 + 2 * (w + 8) + w * 0.55, content.top() + 60 + h * 0.6));
}

/// "Timeline View": days of shots; the range menu chosen.
void paintTimelineView(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, TimelineMode);
    const QRectF bar = paintToolbar(p, content);
    const QRectF range(bar.right() - 96, bar.top() + 4, 82, 20);
    paintPill(p, range);
    paintTextBar(p, QRectF(range.left() + 12, range.center().y() - 1.5, 40, 3), KTPalette::kText);
    paintPictogram(p, QStringLiteral("dropdown_arrow"), QPointF(range.right() - 14, range.center().y()));
    paintHighlight(p, range, 4);
    double top = bar.bottom() + 10;
    for (int day = 0; day < 2; ++day) {
        paintTextBar(p, QRectF(content.left() + 18, top + 4, 96, 4), KTPalette::kText);
        paintTextBar(p, QRectF(content.left() + 122, top + 4.5, 40, 3));
        p.fillRect(QRectF(content.left() + 18, top + 14, content.width() - 36, 1), QColor(44, 44, 44));
        const double w = 76;
        for (int i = 0; i < 6; ++i) {
            const QRectF cell(content.left() + 14 + i * (w + 6), top + 20, w, 62);
            paintCell(p, cell, day * 3 + i / 2, (i % 2) * 0.4, (day == 0 && i == 2) ? CellPicked : CellPlain);
        }
        top += 100;
    }
}

/// "Picks View": the picks, and Export with Move and Copy.
void paintPicksView(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, PicksMode);
    const QRectF bar = paintToolbar(p, content);
    const double w = 94;
    for (int i = 0; i < 10; ++i) {
        const QRectF cell(content.left() + 14 + (i % 5) * (w + 6), bar.bottom() + 14 + (i / 5) * 80, w, 72);
        paintCell(p, cell, i % 6, 0.2, CellPicked | ((i == 1 || i == 2) ? CellSelected : 0));
    }
    const QRectF exportButton =
        paintToolButton(p, QPointF(bar.right() - 58, bar.top() + 4), QStringLiteral("share"));
    paintHighlight(p, exportButton, 4);
    // Its popover: Move and Copy.
    const QRectF popover(exportButton.right() - 150, exportButton.bottom() + 12, 150, 44);
    p.save();
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(QColor(44, 44, 44));
    p.drawRoundedRect(popover, 6, 6);
    p.restore();
    for (int i = 0; i < 2; ++i) {
        const QRectF button(popover.left() + 10 + i * 68, popover.top() + 11, 62, 22);
        paintPill(p, button);
        paintTextBar(p, QRectF(button.center().x() - 16, button.center().y() - 1.5, 32, 3), KTPalette::kText);
    }
}

/// "Rejects View": the rejects, and Restore.
void paintRejectsView(QPainter &p, const QSizeF &)
{
    const QRectF content = paintWindow(p, kWindowRect, RejectsMode);
    const QRectF bar = paintToolbar(p, content);
    const double w = 94;
    for (int i = 0; i < 10; ++i) {
        const QRectF cell(content.left() + 14 + (i % 5) * (w + 6), bar.bottom() + 14 + (i / 5) * 80, w, 72);
        paintCell(p, cell, (i + 2) % 6, 0.6, CellRejected | (i == 3 ? CellSelected : 0));
    }
    const QRectF restore =
        paintToolButton(p, QPointF(bar.right() - 58, bar.top() + 4), QStringLiteral("put_back"));
    paintHighlight(p, restore, 4);
    paintToolButton(p, QPointF(bar.right() - 106, bar.top() + 4), QStringLiteral("share"));
}

// ---- The move-to-trash tips ----

/// A photo manager's window in small: a list of albums on the left (`chosen` highlighted, with
/// `chosenMark` drawn in its row), a grid of rejected shots on the right; returns the grid area.
QRectF paintCatalogueApplication(QPainter &p, const QRectF &r, int chosen,
                                 const std::function<void(const QRectF &row)> &chosenMark)
{
    p.save();
    QPainterPath frame;
    frame.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.fillPath(frame, QColor(36, 36, 36));
    p.setClipPath(frame);
    const QRectF sidebar(r.left(), r.top(), 132, r.height());
    p.fillRect(sidebar, QColor(26, 26, 26));
    p.fillRect(QRectF(sidebar.right(), r.top(), 1, r.height()), KTPalette::kLine);
    for (int i = 0; i < 5; ++i) {
        const QRectF row(sidebar.left() + 6, r.top() + 10 + i * 23, sidebar.width() - 12, 20);
        if (i == chosen) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 70, 70));
            p.drawRoundedRect(row, 3, 3);
            chosenMark(row);
            paintTextBar(p, QRectF(row.left() + 26, row.center().y() - 2, 70, 4), KTPalette::kText);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(80, 80, 80));
            p.drawRoundedRect(QRectF(row.left() + 8, row.center().y() - 4, 8, 8), 2, 2);
            paintTextBar(p, QRectF(row.left() + 26, row.center().y() - 1.5, 56 - (i % 3) * 10, 3));
        }
    }
    p.setClipping(false);
    p.setPen(QPen(QColor(8, 8, 8), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);
    p.restore();
    return QRectF(sidebar.right() + 12, r.top() + 12, r.right() - sidebar.right() - 24, r.height() - 24);
}

void paintRejectedGrid(QPainter &p, const QRectF &grid, int columns)
{
    const double w = (grid.width() - (columns - 1) * 6) / columns;
    for (int i = 0; i < columns * 2; ++i) {
        const QRectF cell(grid.left() + (i % columns) * (w + 6), grid.top() + (i / columns) * 58, w, 54);
        paintCell(p, cell, i % 6, 0.5, CellRejected);
    }
}

/// Lightroom: the rejects collection chosen, its shots on their way to the trash.
void paintLightroomRejected(QPainter &p, const QSizeF &size)
{
    const QRectF window(8, 8, size.width() - 92, size.height() - 16);
    const QRectF grid = paintCatalogueApplication(p, window, 2, [&](const QRectF &row) {
        paintPictogram(p, QStringLiteral("cross_on"), QPointF(row.left() + 12, row.center().y()), 12);
    });
    paintRejectedGrid(p, grid, 3);
    paintArrow(p, QPointF(window.right() - 8, window.center().y() - 6),
               QPointF(size.width() - 68, size.height() / 2 - 6), -16);
    paintTrash(p, QRectF(size.width() - 62, size.height() / 2 - 20, 36, 42), KTPalette::kReject);
}

/// iPhoto and Aperture: the trash chosen, its menu open on Empty Trash.
void paintTrashRejected(QPainter &p, const QSizeF &size)
{
    const QRectF window(8, 8, size.width() - 16, size.height() - 16);
    QRectF trashRow;
    const QRectF grid = paintCatalogueApplication(p, window, 1, [&](const QRectF &row) {
        trashRow = row;
        paintTrash(p, QRectF(row.left() + 6, row.top() + 3, 12, 14), KTPalette::kText);
    });
    paintRejectedGrid(p, grid, 4);
    // The context menu of the trash, "Empty Trash" chosen.
    const QRectF menu(trashRow.left() + 60, trashRow.center().y() - 8, 120, 70);
    p.save();
    p.setPen(QPen(QColor(8, 8, 8), 1));
    p.setBrush(QColor(52, 52, 52));
    p.drawRoundedRect(menu, 5, 5);
    for (int i = 0; i < 3; ++i) {
        const QRectF item(menu.left() + 4, menu.top() + 5 + i * 20, menu.width() - 8, 20);
        if (i == 1) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(96, 70, 30));
            p.drawRoundedRect(item, 3, 3);
        }
        paintTextBar(p, QRectF(item.left() + 10, item.center().y() - 1.5, i == 1 ? 62 : 44, 3),
                     i == 1 ? KTPalette::kAccent : KTPalette::kSecondaryText);
    }
    p.restore();
    paintCursor(p, QPointF(menu.left() + 84, menu.top() + 32));
}

// ---- The application's icon ----

/// A loupe over two prints: choosing among near-identical shots.
void paintApplicationIcon(QPainter &p, const QSizeF &size)
{
    const double s = std::min(size.width(), size.height());
    p.save();
    p.scale(s / 96.0, s / 96.0);
    QLinearGradient plate(0, 4, 0, 92);
    plate.setColorAt(0, QColor(66, 66, 66));
    plate.setColorAt(1, QColor(34, 34, 34));
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(4.5, 4.5, 87, 87), 20, 20);
    // The back print, turned a little.
    p.save();
    p.translate(44, 46);
    p.rotate(-9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 214, 214));
    p.drawRect(QRectF(-28, -22, 52, 40));
    paintPhoto(p, QRectF(-25, -19, 46, 34), 0, 0.4);
    p.restore();
    // The front print.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 236, 236));
    p.drawRect(QRectF(30, 32, 52, 40));
    paintPhoto(p, QRectF(33, 35, 46, 34), 1, 0.0);
    // The loupe.
    p.setBrush(QColor(255, 255, 255, 40));
    p.setPen(QPen(KTPalette::kAccent, 5));
    p.drawEllipse(QPointF(38, 40), 17, 17);
    p.setPen(QPen(KTPalette::kAccent, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(51, 53), QPointF(64, 66));
    p.restore();
}

} // namespace

QString KTDialogPictures::tipImageName(int page)
{
    return QStringLiteral("tip_%1").arg(page);
}

void KTDialogPictures::registerPictures()
{
    static std::once_flag once;
    std::call_once(once, [] {
        KTNamedImages &images = KTNamedImages::shared();
        // The pages are drawn at their natural size; another size scales the drawing.
        const auto scaled = [](QSizeF natural, KTNamedImages::Painter painter) -> KTNamedImages::Painter {
            return [natural, painter](QPainter &p, const QSizeF &size) {
                p.save();
                p.scale(size.width() / natural.width(), size.height() / natural.height());
                painter(p, natural);
                p.restore();
            };
        };
        const std::pair<int, KTNamedImages::Painter> tips[] = {
            {2, paintWhereToStart},   {3, paintImportFromLibraries}, {4, paintSimilarsView},
            {5, paintCustomAccuracy}, {6, paintGroupsOfSimilars},    {7, paintSelectMultiple},
            {8, paintTimelineView},   {9, paintPicksView},           {10, paintRejectsView},
        };
        for (const auto &[page, painter] : tips)
            images.registerPainter(tipImageName(page), kTipPictureSize, scaled(kTipPictureSize, painter));
        images.registerPainter(kLightroomRejectedTip, kTrashTipPictureSize,
                               scaled(kTrashTipPictureSize, paintLightroomRejected));
        images.registerPainter(kIPhotoRejectedTip, kTrashTipPictureSize,
                               scaled(kTrashTipPictureSize, paintTrashRejected));
        images.registerPainter(kApertureRejectedTip, kTrashTipPictureSize,
                               scaled(kTrashTipPictureSize, paintTrashRejected));
        images.registerPainter(kApplicationIcon, kApplicationIconSize, paintApplicationIcon);
    });
}
