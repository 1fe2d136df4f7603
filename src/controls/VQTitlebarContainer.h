#pragma once

#include <QPointF>
#include <QWidget>

/// The title strip of a KTWindow: holds the window's title-bar view (which fills it) and, in
/// full screen, the custom window buttons. A drag that starts on it, or on anything in it that
/// leaves the mouse alone, moves the window: through the window system when it can, otherwise
/// by following the pointer until the button is released.
///
/// Threading: main thread only.
class VQTitlebarContainer : public QWidget
{
    Q_OBJECT
public:
    explicit VQTitlebarContainer(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
    bool m_moving = false;
    bool m_systemMove = false;
    QPointF m_pressPosition;
    QPointF m_lastPosition;
};
