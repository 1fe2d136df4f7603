#pragma once

#include <QImage>
#include <QScrollBar>

/// A scroll bar drawn from pictures: the track "scroller_back" stretched over the whole bar and
/// a knob of "scroller_top", "scroller_center" and "scroller_bottom" (turned by 90 degrees for a
/// horizontal bar), as wide as the centre picture and centred across the track. The bar is as
/// wide as the track picture (15 pixels with our pictures, the knob 9).
///
/// It has no arrow buttons: a press on the knob drags it, a press beside it pages (repeating
/// while held); wheel and keys work as on any scroll bar.
///
/// Threading: main thread only.
class KTScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit KTScroller(Qt::Orientation orientation = Qt::Vertical, QWidget *parent = nullptr);

    /// The widths of the track and the knob pictures, shared by every scroller: read once, at
    /// the first call.
    static void getBackWidth(double *backWidth, double *thumbWidth);
    /// The width of every scroller: the track picture's.
    static double scrollerWidth();

    /// In a scroll area: whether it is the area's vertical scroll bar; elsewhere its orientation.
    bool isVertical() const;

    /// Where the knob is drawn, in widget coordinates; empty when there is nothing to scroll.
    QRectF knobRect() const;

    /// `image` turned a quarter turn anticlockwise (its top becomes its left), keeping its
    /// device pixel ratio; null for null.
    static QImage rotateImageToHorizontalOrientation(const QImage &image);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    /// Along the bar's length: the knob's start and length, and the length it travels over.
    struct Track
    {
        double start = 0;
        double knobLength = 0;
        double travel = 0;
    };
    Track track() const;
    double along(const QPointF &point) const;
    QImage horizontalPart(const QString &name, qreal ratio);

    double m_dragOffset = -1;
    /// Where a paging press is held, along the bar; paging stops once the knob reaches it.
    double m_pagePoint = -1;
    qreal m_rotatedRatio = 0;
    QImage m_topH;
    QImage m_centerH;
    QImage m_bottomH;
};
