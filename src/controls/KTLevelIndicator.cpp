#include "KTLevelIndicator.h"

#include "KTColor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

/// A five-pointed star filling most of `cell`.
QPainterPath starPath(const QRectF &cell)
{
    const QPointF centre = cell.center() + QPointF(0, 0.4);
    const double outer = cell.width() * 0.43;
    const double inner = outer * 0.45;
    QPainterPath path;
    for (int point = 0; point < 10; ++point) {
        const double radius = point % 2 ? inner : outer;
        const double angle = -std::numbers::pi / 2 + point * std::numbers::pi / 5;
        const QPointF at = centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        if (point == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    path.closeSubpath();
    return path;
}

} // namespace

KTLevelIndicator::KTLevelIndicator(QWidget *parent) : KTControl(parent), m_cell(this)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Rating"));
}

void KTLevelIndicator::setIntegerValue(int value)
{
    value = std::clamp(value, 0, kPositions);
    if (value == m_value)
        return;
    m_value = value;
    update();
    emit integerValueChanged(value);
}

QRectF KTLevelIndicator::positionRect(int index) const
{
    // The positions sit on the bottom edge (the rating's formula counts y upwards from there).
    return {kPositionSize * index, height() - kPositionSize, kPositionSize, kPositionSize};
}

QSize KTLevelIndicator::sizeHint() const
{
    return {int(kPositionSize * kPositions), int(kPositionSize)};
}

void KTLevelIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(paintOpacity());
    if (m_cell.levelIndicatorStyle() != KTLevelIndicatorCell::RatingLevelIndicatorStyle) {
        const QRectF bar(0, height() - kPositionSize + 4, kPositionSize * kPositions, kPositionSize - 8);
        painter.fillRect(bar, KTPalette::kPanel);
        painter.fillRect(QRectF(bar.topLeft(), QSizeF(bar.width() * m_value / kPositions, bar.height())),
                         KTPalette::kText);
        return;
    }
    for (int index = 0; index < kPositions; ++index) {
        const QRectF cell = positionRect(index);
        if (index < m_value)
            painter.fillPath(starPath(cell), KTPalette::kText);
        else if (m_cell.isHighlighted())
            painter.fillRect(QRectF(cell.center() - QPointF(1, 1), QSizeF(2, 2)), KTPalette::kDisabled);
    }
    if (m_inactiveDotsImage.isNull())
        return;
    for (int index = m_value; index < kPositions; ++index)
        painter.drawImage(positionRect(index), m_inactiveDotsImage);
}

void KTLevelIndicator::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !acceptsActivation())
        return;
    const int position =
        std::clamp(int(std::floor(event->position().x() / kPositionSize)) + 1, 1, kPositions);
    if (m_cell.levelIndicatorStyle() != KTLevelIndicatorCell::RatingLevelIndicatorStyle) {
        setIntegerValue(position);
        emit clicked();
        return;
    }
    rate(position);
}

void KTLevelIndicator::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void KTLevelIndicator::keyPressEvent(QKeyEvent *event)
{
    if (!acceptsActivation()) {
        KTControl::keyPressEvent(event);
        return;
    }
    int value = -1;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down)
        value = std::max(0, m_value - 1);
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up)
        value = std::min(kPositions, m_value + 1);
    else if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_5)
        value = event->key() - Qt::Key_0;
    if (value < 0) {
        KTControl::keyPressEvent(event);
        return;
    }
    event->accept();
    setIntegerValue(value);
    emit clicked();
}

void KTLevelIndicator::rate(int value)
{
    setIntegerValue(value == m_value ? 0 : value);
    emit clicked();
}
