#include "KTWindowWithCustomButtons.h"

#include "KTWindowButton.h"

KTWindowWithCustomButtons::KTWindowWithCustomButtons(QWidget *parent)
    : QWidget(parent), m_closeButton(new KTWindowButton(KTWindowButton::CloseButton, this)),
      m_hideButton(new KTWindowButton(KTWindowButton::MinimizeButton, this)),
      m_zoomButton(new KTWindowButton(KTWindowButton::ZoomButton, this))
{
    // The group's own rectangle is the union of the three buttons, the area whose hover
    // switches all of them.
    m_closeButton->move(0, 0);
    m_hideButton->move(kButtonSeparation, 0);
    m_zoomButton->move(2 * kButtonSeparation, 0);
    setFixedSize(2 * kButtonSeparation + m_zoomButton->width(), m_zoomButton->height());
    setAttribute(Qt::WA_Hover);

    connect(m_closeButton, &KTWindowButton::clicked, this, [this] { window()->close(); });
    connect(m_hideButton, &KTWindowButton::clicked, this, [this] { window()->showMinimized(); });
    connect(m_zoomButton, &KTWindowButton::clicked, this, [this] {
        QWidget *target = window();
        target->setWindowState(target->windowState() ^ Qt::WindowFullScreen);
    });
}

KTWindowButton *KTWindowWithCustomButtons::standardWindowButton(int kind) const
{
    switch (kind) {
    case KTWindowButton::CloseButton:
        return m_closeButton;
    case KTWindowButton::MinimizeButton:
        return m_hideButton;
    case KTWindowButton::ZoomButton:
        return m_zoomButton;
    default:
        return nullptr;
    }
}

void KTWindowWithCustomButtons::enterEvent(QEnterEvent *event)
{
    setAlternateState(true);
    QWidget::enterEvent(event);
}

void KTWindowWithCustomButtons::leaveEvent(QEvent *event)
{
    setAlternateState(false);
    QWidget::leaveEvent(event);
}

void KTWindowWithCustomButtons::setAlternateState(bool alternate)
{
    m_alternateState = alternate;
    for (KTWindowButton *button : {m_closeButton, m_hideButton, m_zoomButton})
        button->setIsAlternateState(alternate);
}
