#pragma once

#include "KTSliderCell.h"

/// The thumbnail zoom slider of the review modes: a double value between a minimum and a maximum
/// (0.0 and 1.0 in every mode), and a number of tick marks that the mode takes from its grid's
/// zoom steps. The ticks are not drawn; they set the step of the zoom keys.
///
/// doubleValueChanged() is emitted when the user moves the knob, never for setDoubleValue().
///
/// It is 140 wide where the toolbar has room and gives way down to 60 where it has not, so that
/// the fixed controls beside it never overlap in a narrow window.
///
/// Threading: main thread only.
class KTZoomSlider : public KTSliderCell
{
    Q_OBJECT
public:
    explicit KTZoomSlider(QWidget *parent = nullptr);

    double minValue() const { return m_minValue; }
    double maxValue() const { return m_maxValue; }
    /// Sets both ends (min below max) and clamps the value into them.
    void setRange(double minValue, double maxValue);
    double doubleValue() const { return m_value; }
    /// Clamped to the range; emits nothing.
    void setDoubleValue(double value);
    int numberOfTickMarks() const { return m_numberOfTickMarks; }
    void setNumberOfTickMarks(int count) { m_numberOfTickMarks = count; }

    static constexpr int kPreferredWidth = 140;
    static constexpr int kMinimumWidth = 60;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void doubleValueChanged(double value);

private:
    /// Positions of the underlying integer slider across the range.
    static constexpr int kResolution = 1000;
    void showValue();

    double m_minValue = 0.0;
    double m_maxValue = 1.0;
    double m_value = 0.0;
    int m_numberOfTickMarks = 0;
    bool m_showing = false;
};
