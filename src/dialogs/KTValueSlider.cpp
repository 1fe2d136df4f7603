#include "KTValueSlider.h"

#include <algorithm>
#include <cmath>

KTValueSlider::KTValueSlider(double minimum, double maximum, int steps, QWidget *parent)
    : KTSliderCell(Qt::Horizontal, parent), m_minimum(minimum), m_maximum(std::max(maximum, minimum)),
      m_steps(std::max(steps, 1)), m_value(minimum)
{
    setRange(0, m_steps);
    setPageStep(std::max(1, m_steps / 10));
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, [this](int step) {
        // A step the program set carries the exact value already.
        if (m_settingValue)
            return;
        m_value = valueOfStep(step);
        emit doubleValueChanged(m_value);
    });
}

void KTValueSlider::setDoubleValue(double value)
{
    const double clamped = std::isnan(value) ? m_minimum : std::clamp(value, m_minimum, m_maximum);
    m_settingValue = true;
    setValue(stepOfValue(clamped));
    m_settingValue = false;
    if (clamped == m_value)
        return;
    m_value = clamped;
    emit doubleValueChanged(m_value);
}

double KTValueSlider::valueOfStep(int step) const
{
    if (step >= m_steps)
        return m_maximum;
    return m_minimum + (m_maximum - m_minimum) * step / m_steps;
}

int KTValueSlider::stepOfValue(double value) const
{
    if (m_maximum <= m_minimum)
        return 0;
    return int(std::lround((value - m_minimum) / (m_maximum - m_minimum) * m_steps));
}
