#include "KTBackgroundGradientView.h"

#include <QLinearGradient>
#include <QPainter>

KTBackgroundGradientView::KTBackgroundGradientView(QWidget *parent) : QWidget(parent) {}

void KTBackgroundGradientView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    const double w = bounds.width();
    const double h = bounds.height();
    const QPointF c = bounds.center();
    // Each shade runs from an edge to 0.2 of the size past the centre and paints only that span,
    // so nothing is drawn beyond its end.
    const auto shade = [&](QPointF from, QPointF to, const QRectF &span) {
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0.0, QColor::fromRgbF(0, 0, 0, 0.25f));
        gradient.setColorAt(1.0, QColor(0, 0, 0, 0));
        painter.fillRect(span, gradient);
    };
    shade({0, c.y()}, {c.x() + 0.2 * w, c.y()}, QRectF(0, 0, c.x() + 0.2 * w, h));
    shade({w, c.y()}, {c.x() - 0.2 * w, c.y()}, QRectF(c.x() - 0.2 * w, 0, w - (c.x() - 0.2 * w), h));
    shade({c.x(), 0}, {c.x(), c.y() + 0.2 * h}, QRectF(0, 0, w, c.y() + 0.2 * h));
    shade({c.x(), h}, {c.x(), c.y() - 0.2 * h}, QRectF(0, c.y() - 0.2 * h, w, h - (c.y() - 0.2 * h)));
}
