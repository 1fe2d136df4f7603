#include "KTAbstractProgressIndicator.h"

#include "KTFraction.h"
#include "KTViewAdditions.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kStoppedAlpha = 0.15;
} // namespace

KTAbstractProgressIndicator::KTAbstractProgressIndicator(QWidget *parent) : KTDrawView(parent)
{
    m_finColors.resize(m_numFins);
    // 600 ms per turn of the circle, one fin per step.
    m_timer.setInterval(600 / m_numFins);
    connect(&m_timer, &QTimer::timeout, this, &KTAbstractProgressIndicator::updateFrame);
}

KTAbstractProgressIndicator::~KTAbstractProgressIndicator()
{
    m_timer.stop();
}

void KTAbstractProgressIndicator::startAnimation()
{
    if (!m_indeterminate || m_animating)
        return;
    actuallyStartAnimation();
}

void KTAbstractProgressIndicator::stopAnimation()
{
    actuallyStopAnimation();
}

void KTAbstractProgressIndicator::setStyle(int style)
{
    Q_UNUSED(style);
    Q_ASSERT_X(style == kSpinningStyle, "KTAbstractProgressIndicator::setStyle",
               "Non-spinning styles not available.");
}

void KTAbstractProgressIndicator::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    generateFinColorsStartAtPosition(m_position);
    update();
}

void KTAbstractProgressIndicator::setBackgroundColor(const QColor &color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    update();
}

void KTAbstractProgressIndicator::setDrawsBackground(bool draws)
{
    m_drawsBackground = draws;
    update();
}

void KTAbstractProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    m_displayedWhenStopped = displayed;
    if (m_animating)
        return;
    if (displayed && isHidden())
        show();
    else if (!displayed && !isHidden())
        hide();
}

void KTAbstractProgressIndicator::setUsesThreadedAnimation(bool threaded)
{
    if (threaded == m_usesThreadedAnimation)
        return;
    m_usesThreadedAnimation = threaded;
    if (m_animating) {
        stopAnimation();
        startAnimation();
    }
}

void KTAbstractProgressIndicator::setIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    if (!indeterminate && m_animating)
        stopAnimation();
    update();
}

void KTAbstractProgressIndicator::setDoubleValue(double value)
{
    if (m_indeterminate)
        setIndeterminate(false);
    m_doubleValue = value;
    update();
}

void KTAbstractProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

double KTAbstractProgressIndicator::determinateFraction() const
{
    // A maximum of 0 (a job of zero steps) shows an empty pie rather than dividing by it.
    return std::clamp(ktFraction(m_doubleValue, 0.0, m_maxValue), 0.0, 1.0);
}

double KTAbstractProgressIndicator::finAlpha(int index) const
{
    if (index < 0 || index >= m_finColors.size() || !m_finColors[index].isValid())
        return 0.0;
    return m_finColors[index].alphaF();
}

void KTAbstractProgressIndicator::updateFrame()
{
    m_position = m_position <= 0 ? m_numFins - 1 : m_position - 1;
    const double minAlpha = m_displayedWhenStopped ? kStoppedAlpha : 0.01;
    for (QColor &fin : m_finColors) {
        const double alpha = fin.isValid() ? fin.alphaF() : 0.0;
        fin = m_color;
        fin.setAlphaF(float(std::max(alpha * 0.85, minAlpha)));
    }
    m_finColors[m_position] = m_color;
    update();
}

void KTAbstractProgressIndicator::generateFinColorsStartAtPosition(int)
{
    for (QColor &fin : m_finColors) {
        if (!fin.isValid())
            continue;
        const float alpha = fin.alphaF();
        fin = m_color;
        fin.setAlphaF(alpha);
    }
}

void KTAbstractProgressIndicator::actuallyStartAnimation()
{
    actuallyStopAnimation();
    m_animating = true;
    m_position = 1;
    if (!m_displayedWhenStopped)
        show();
    updateTimer();
}

void KTAbstractProgressIndicator::actuallyStopAnimation()
{
    m_animating = false;
    if (!m_displayedWhenStopped)
        hide();
    updateTimer();
    update();
}

void KTAbstractProgressIndicator::updateTimer()
{
    const bool run = m_animating && isVisible() && !isHiddenOrHasHiddenAncestor(this);
    if (run && !m_timer.isActive())
        m_timer.start();
    else if (!run)
        m_timer.stop();
}

void KTAbstractProgressIndicator::viewDidHide()
{
    KTDrawView::viewDidHide();
    m_timer.stop();
}

void KTAbstractProgressIndicator::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    updateTimer();
}

bool KTAbstractProgressIndicator::event(QEvent *event)
{
    const bool handled = KTDrawView::event(event);
    if (event->type() == QEvent::ParentChange) {
        // Taken out of its window, the indicator stops for good; moved into another while
        // running, it goes on there.
        if (!parentWidget())
            actuallyStopAnimation();
        else if (m_animating)
            actuallyStartAnimation();
    }
    return handled;
}

void KTAbstractProgressIndicator::drawInRect(QPainter &painter, const QRectF &)
{
    const double size = std::min(width(), height());
    if (m_drawsBackground)
        painter.fillRect(rect(), m_backgroundColor);
    if (size <= 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() * 0.5, height() * 0.5);

    if (m_indeterminate) {
        QPen pen;
        pen.setWidthF(0.0859375 * size);
        pen.setCapStyle(Qt::RoundCap);
        QColor stopped = m_color;
        stopped.setAlphaF(float(kStoppedAlpha));
        for (int fin = 0; fin < m_numFins; ++fin) {
            // A fin the steps have not reached yet shows as a stopped one.
            const QColor &colour = m_animating && m_finColors[fin].isValid() ? m_finColors[fin] : stopped;
            pen.setColor(colour);
            painter.setPen(pen);
            painter.drawLine(QPointF(0, -0.234375 * size), QPointF(0, -0.421875 * size));
            // Fin i lies i steps anticlockwise from twelve o'clock (y points down here).
            painter.rotate(-360.0 / m_numFins);
        }
        return;
    }

    const double lineWidth = 1 + 0.01 * size;
    const double radius = (size - lineWidth) / 2.1;
    painter.setPen(QPen(m_color, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0, 0), radius, radius);
    const double fraction = determinateFraction();
    if (fraction <= 0)
        return;
    QPainterPath pie;
    pie.moveTo(0, 0);
    pie.arcTo(QRectF(-radius, -radius, 2 * radius, 2 * radius), 90, -360.0 * fraction);
    pie.closeSubpath();
    painter.fillPath(pie, m_color);
}
