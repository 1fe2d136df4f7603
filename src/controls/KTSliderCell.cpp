#include "KTSliderCell.h"

#include <QStyleOptionSlider>
#include <QStylePainter>

KTSliderCell::KTSliderCell(Qt::Orientation orientation, QWidget *parent) : KTAbstractSliderCell(orientation, parent)
{}

QRect KTSliderCell::rectOfTickMarkAtIndex(int) const
{
    return {};
}

void KTSliderCell::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.tickPosition = NoTicks;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}
