#pragma once

#include "KTAbstractSliderCell.h"

#include <QRect>

/// A slider that never shows tick marks, whatever its tick position says. It draws a thin dark
/// groove, lit up to the knob, and a round light knob where the style places the handle, so
/// clicks and drags work as on any slider.
///
/// Threading: main thread only.
class KTSliderCell : public KTAbstractSliderCell
{
    Q_OBJECT
public:
    explicit KTSliderCell(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);

    /// Tick marks are placed nowhere: an empty rectangle for every index.
    QRect rectOfTickMarkAtIndex(int index) const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
