#include "KTSliderCell.h"

#include "KTColor.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace {
constexpr double kGrooveThickness = 4;
constexpr double kKnobDiameter = 13;
} // namespace

KTSliderCell::KTSliderCell(Qt::Orientation orientation, QWidget *parent)
    : KTAbstractSliderCell(orientation, parent)
{}

QRect KTSliderCell::rectOfTickMarkAtIndex(int) const
{
    return {};
}

void KTSliderCell::paintEvent(QPaintEvent *)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.tickPosition = NoTicks;
    // The knob goes where the style's handle is, so the style's hit-testing matches the picture.
    const QRectF handle(style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this));
    const bool horizontal = orientation() == Qt::Horizontal;
    const double diameter = std::min({kKnobDiameter, double(horizontal ? height() : width())});
    const QPointF centre = handle.center();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    const double inset = diameter / 2;
    const QRectF groove =
        horizontal ? QRectF(inset, centre.y() - kGrooveThickness / 2, width() - 2 * inset, kGrooveThickness)
                   : QRectF(centre.x() - kGrooveThickness / 2, inset, kGrooveThickness, height() - 2 * inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(14, 14, 14));
    painter.drawRoundedRect(groove, kGrooveThickness / 2, kGrooveThickness / 2);
    // The part from the minimum end to the knob is lit (the minimum is at the bottom when vertical).
    const QRectF lit = horizontal
                           ? QRectF(groove.left(), groove.top(), centre.x() - groove.left(), groove.height())
                           : QRectF(groove.left(), centre.y(), groove.width(), groove.bottom() - centre.y());
    painter.setBrush(QColor(150, 150, 150));
    painter.drawRoundedRect(lit, kGrooveThickness / 2, kGrooveThickness / 2);

    painter.setPen(QPen(KTPalette::kLine, 1.0));
    painter.setBrush(isSliderDown() ? QColor(236, 236, 236) : QColor(204, 204, 204));
    painter.drawEllipse(centre, diameter / 2 - 0.5, diameter / 2 - 0.5);
}
