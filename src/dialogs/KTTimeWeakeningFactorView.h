#pragma once

#include "KTDrawView.h"

#include <QList>
#include <QPointF>
#include <QVariantList>

/// The editor of the time-weakening curve of the similarity search: points in the unit square,
/// X the time between two shots as a share of the search's time axis, Y the factor on the
/// matching level at that distance. A click on empty ground adds a point there, a drag moves the
/// point last clicked or added (kept inside the square), a right click removes the point under
/// it. The curve holds at most kMaxPoints points (what a search settings record holds): a click
/// that would add one more adds nothing.
///
/// Coordinates are y-up: (0, 0) is the lower-left corner of the view. Each point is drawn and
/// hit as a 10 x 10 square centred on it; where squares overlap, the point added first is hit. A
/// line joins the points in the order of X: the curve the search interpolates.
///
/// Threading: main thread only.
class KTTimeWeakeningFactorView : public KTDrawView
{
    Q_OBJECT
public:
    static constexpr int kMaxPoints = 20;
    static constexpr double kPointSize = 10.0;
    static constexpr int kNotFound = -1;

    explicit KTTimeWeakeningFactorView(QWidget *parent = nullptr);

    /// The curve in insertion order.
    QList<QPointF> points() const { return m_points; }
    /// The curve sorted by X ascending (points of equal X keep their insertion order).
    QList<QPointF> weakeningFactorPoints() const;
    /// Replaces the curve (coordinates are kept as given, even outside 0..1) and redraws; no
    /// point is dragged until the next click. False,
    /// changing nothing, for more than kMaxPoints points.
    bool setWeakeningFactorPoints(const QList<QPointF> &points);
    /// The sorted curve as {"X": double, "Y": double} dictionaries, the settings files' form.
    QVariantList weakeningFactorPointsDictionaryRepresentation() const;
    /// One point per dictionary, from its "X" and "Y", in the list's order; false, changing
    /// nothing, for more than kMaxPoints dictionaries.
    bool setWeakeningFactorPointsDictionaryRepresentation(const QVariantList &dictionaries);

    /// The square of `point` in a view of `bounds`, y-up: lower-left corner at
    /// (x * width - 5, y * height - 5).
    static QRectF rectForPoint(const QPointF &point, const QSizeF &bounds);
    /// The first point, in insertion order, whose square holds `location` (y-up view
    /// coordinates); kNotFound when none does.
    int indexOfPointUnderMouse(const QPointF &location) const;
    /// The point that drags move; kNotFound when none may move.
    int draggingPointIndex() const { return m_draggingPointIndex; }

    QSize sizeHint() const override;

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    /// `position` (Qt widget coordinates) in the view's y-up coordinates.
    QPointF toViewCoordinates(const QPointF &position) const;
    void removePointAt(const QPointF &location);

    QList<QPointF> m_points;
    int m_draggingPointIndex = 0;
    QPointF m_dragOffset;
};
