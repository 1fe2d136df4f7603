#include "KTAbstractBackgroundView.h"

#include <QPainter>

KTAbstractBackgroundView::KTAbstractBackgroundView(QWidget *parent) : QWidget(parent) {}

void KTAbstractBackgroundView::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void KTAbstractBackgroundView::paintEvent(QPaintEvent *)
{
    if (m_backgroundColor.isValid())
        QPainter(this).fillRect(rect(), m_backgroundColor);
}
