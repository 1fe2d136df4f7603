#include "KTAbstractSliderCell.h"

KTAbstractSliderCell::KTAbstractSliderCell(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{}
