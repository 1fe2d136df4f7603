#pragma once

#include "KTSliderCell.h"

/// A slider over a range of doubles. The knob moves in `steps` even steps from the minimum to
/// the maximum; a value set in code is kept exactly as given (clamped to the range), so a value
/// read from a file comes back unchanged, while a value set by the user is the step under the
/// knob.
///
/// Threading: main thread only.
class KTValueSlider : public KTSliderCell
{
    Q_OBJECT
    Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY doubleValueChanged USER true)
public:
    explicit KTValueSlider(double minimum, double maximum, int steps, QWidget *parent = nullptr);

    double minimumValue() const { return m_minimum; }
    double maximumValue() const { return m_maximum; }
    double doubleValue() const { return m_value; }
    /// Takes `value` clamped to the range (NaN counts as the minimum) and moves the knob to the
    /// nearest step.
    void setDoubleValue(double value);

signals:
    /// The value changed, by the user or in code.
    void doubleValueChanged(double value);

private:
    double valueOfStep(int step) const;
    int stepOfValue(double value) const;

    double m_minimum;
    double m_maximum;
    int m_steps;
    double m_value;
    bool m_settingValue = false;
};
