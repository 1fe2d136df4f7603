#include "KTTimeWeakeningFactorView.h"

#include "KTColor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace {

const QString kXKey = QStringLiteral("X");
const QString kYKey = QStringLiteral("Y");

const QColor kGround(26, 26, 26);
const QColor kGridLine(44, 44, 44);
const QColor kPointColour(66, 133, 244);
const QColor kCurveColour(140, 180, 250);

} // namespace

KTTimeWeakeningFactorView::KTTimeWeakeningFactorView(QWidget *parent) : KTDrawView(parent) {}

QList<QPointF> KTTimeWeakeningFactorView::weakeningFactorPoints() const
{
    QList<QPointF> sorted = m_points;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    return sorted;
}

bool KTTimeWeakeningFactorView::setWeakeningFactorPoints(const QList<QPointF> &points)
{
    if (points.size() > kMaxPoints)
        return false;
    m_points = points;
    m_draggingPointIndex = kNotFound;
    update();
    return true;
}

QVariantList KTTimeWeakeningFactorView::weakeningFactorPointsDictionaryRepresentation() const
{
    QVariantList dictionaries;
    for (const QPointF &point : weakeningFactorPoints())
        dictionaries.append(QVariantMap{{kXKey, point.x()}, {kYKey, point.y()}});
    return dictionaries;
}

bool KTTimeWeakeningFactorView::setWeakeningFactorPointsDictionaryRepresentation(
    const QVariantList &dictionaries)
{
    QList<QPointF> points;
    for (const QVariant &item : dictionaries) {
        const QVariantMap dictionary = item.toMap();
        points.append(QPointF(dictionary.value(kXKey).toDouble(), dictionary.value(kYKey).toDouble()));
    }
    return setWeakeningFactorPoints(points);
}

QRectF KTTimeWeakeningFactorView::rectForPoint(const QPointF &point, const QSizeF &bounds)
{
    const double half = kPointSize / 2;
    return QRectF(point.x() * bounds.width() - half, point.y() * bounds.height() - half, kPointSize,
                  kPointSize);
}

int KTTimeWeakeningFactorView::indexOfPointUnderMouse(const QPointF &location) const
{
    for (int i = 0; i < m_points.size(); ++i) {
        const QRectF square = rectForPoint(m_points[i], size());
        // Half-open on the far edges, as a point-in-rectangle test is.
        if (location.x() >= square.left() && location.x() < square.right() && location.y() >= square.top() &&
            location.y() < square.bottom())
            return i;
    }
    return kNotFound;
}

QSize KTTimeWeakeningFactorView::sizeHint() const
{
    return {320, 140};
}

QPointF KTTimeWeakeningFactorView::toViewCoordinates(const QPointF &position) const
{
    return {position.x(), height() - position.y()};
}

void KTTimeWeakeningFactorView::drawInRect(QPainter &painter, const QRectF &)
{
    painter.fillRect(rect(), kGround);
    // Quarter lines, so a point's place in the square can be read.
    painter.setPen(QPen(kGridLine, 1.0));
    for (int i = 1; i < 4; ++i) {
        const double x = std::round(width() * i / 4.0) + 0.5;
        const double y = std::round(height() * i / 4.0) + 0.5;
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
    painter.setPen(QPen(KTPalette::kLine, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    // The curve the search follows between the points (the factor is 1 outside them).
    const QList<QPointF> curve = weakeningFactorPoints();
    if (curve.size() >= 2) {
        QPolygonF line;
        for (const QPointF &point : curve)
            line.append(QPointF(point.x() * width(), height() - point.y() * height()));
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(kCurveColour, 1.5));
        painter.drawPolyline(line);
        painter.restore();
    }
    painter.setPen(Qt::NoPen);
    for (const QPointF &point : std::as_const(m_points)) {
        const QRectF square = rectForPoint(point, size());
        // The square in y-up coordinates, drawn at qtY = height - y - h.
        painter.fillRect(
            QRectF(square.x(), height() - square.y() - square.height(), square.width(), square.height()),
            kPointColour);
    }
}

void KTTimeWeakeningFactorView::mousePressEvent(QMouseEvent *event)
{
    const QPointF location = toViewCoordinates(event->position());
    if (event->button() == Qt::RightButton) {
        removePointAt(location);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        KTDrawView::mousePressEvent(event);
        return;
    }
    m_draggingPointIndex = indexOfPointUnderMouse(location);
    if (m_draggingPointIndex == kNotFound) {
        // The record of the search holds no more points; the click adds none, and drags move none.
        if (m_points.size() >= kMaxPoints)
            return;
        m_points.append(QPointF(location.x() / width(), location.y() / height()));
        m_draggingPointIndex = int(m_points.size()) - 1;
        m_dragOffset = QPointF(0, 0);
        update();
        return;
    }
    const QPointF &point = m_points[m_draggingPointIndex];
    m_dragOffset = QPointF(point.x() * width() - location.x(), point.y() * height() - location.y());
}

void KTTimeWeakeningFactorView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The press of a double click changes nothing; the first click already chose its point.
    event->ignore();
}

void KTTimeWeakeningFactorView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_draggingPointIndex < 0 ||
        m_draggingPointIndex >= m_points.size())
        return;
    const QPointF location = toViewCoordinates(event->position());
    const QPointF moved(std::clamp((location.x() + m_dragOffset.x()) / width(), 0.0, 1.0),
                        std::clamp((location.y() + m_dragOffset.y()) / height(), 0.0, 1.0));
    m_points[m_draggingPointIndex] = moved;
    update();
}

void KTTimeWeakeningFactorView::removePointAt(const QPointF &location)
{
    const int index = indexOfPointUnderMouse(location);
    if (index == kNotFound)
        return;
    m_points.removeAt(index);
    // A drag that outlives its point moves nothing; one of a later point follows it to its new
    // index.
    if (index == m_draggingPointIndex)
        m_draggingPointIndex = kNotFound;
    else if (index < m_draggingPointIndex)
        --m_draggingPointIndex;
    update();
}
