#include "VQTitlebarContainer.h"

#include "KTSystemMove.h"

#include <QApplication>
#include <QMouseEvent>

VQTitlebarContainer::VQTitlebarContainer(QWidget *parent) : QWidget(parent) {}

void VQTitlebarContainer::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_moving = false;
    m_systemMove = false;
    m_pressPosition = m_lastPosition = event->globalPosition();
    event->accept();
}

void VQTitlebarContainer::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !event->buttons().testFlag(Qt::LeftButton) || window()->isFullScreen()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    const QPointF position = event->globalPosition();
    if (!m_moving) {
        // A click, or the jitter of a double click, moves nothing.
        if ((position - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        m_moving = true;
        m_systemMove = ktStartSystemMove(this);
    }
    if (m_systemMove)
        return;
    QWidget *moved = window();
    moved->move(moved->pos() + (position - m_lastPosition).toPoint());
    m_lastPosition = position;
}

void VQTitlebarContainer::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = m_moving = m_systemMove = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}
