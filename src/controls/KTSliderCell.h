#pragma once

#include "KTAbstractSliderCell.h"

#include <QRect>

/// A slider that never shows tick marks, whatever its tick position says.
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
