#include "KTZoomSlider.h"

#include <algorithm>
#include <cmath>

KTZoomSlider::KTZoomSlider(QWidget *parent) : KTSliderCell(Qt::Horizontal, parent)
{
    QSlider::setRange(0, kResolution);
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (m_showing)
            return;
        m_value = m_minValue + (m_maxValue - m_minValue) * position / kResolution;
        emit doubleValueChanged(m_value);
    });
}

void KTZoomSlider::setRange(double minValue, double maxValue)
{
    Q_ASSERT(minValue < maxValue);
    m_minValue = minValue;
    m_maxValue = maxValue;
    setDoubleValue(m_value);
}

void KTZoomSlider::setDoubleValue(double value)
{
    m_value = std::clamp(value, m_minValue, m_maxValue);
    showValue();
}

void KTZoomSlider::showValue()
{
    m_showing = true;
    setValue(int(std::lround((m_value - m_minValue) / (m_maxValue - m_minValue) * kResolution)));
    m_showing = false;
}

QSize KTZoomSlider::sizeHint() const
{
    return {kPreferredWidth, KTSliderCell::sizeHint().height()};
}

QSize KTZoomSlider::minimumSizeHint() const
{
    return {kMinimumWidth, KTSliderCell::minimumSizeHint().height()};
}
