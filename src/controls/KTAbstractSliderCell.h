#pragma once

#include <QSlider>

/// The slider base of the framework: a plain slider.
///
/// Threading: main thread only.
class KTAbstractSliderCell : public QSlider
{
    Q_OBJECT
public:
    explicit KTAbstractSliderCell(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);
};
