#include "KTOnOffButton.h"

KTOnOffButton::KTOnOffButton(QWidget *parent) : KTButton(parent)
{
    setButtonType(MomentaryPush);
    setCursor(Qt::ArrowCursor);
}

void KTOnOffButton::initialize()
{
    KTButton::initialize();
    m_offStateImage = image();
    m_onStateImage = alternateImage();
    adjustImage();
}

void KTOnOffButton::updateImage()
{
    KTButton::updateImage();
    m_offStateImage = image();
    adjustImage();
}

void KTOnOffButton::updateAlternateImage()
{
    KTButton::updateAlternateImage();
    m_onStateImage = alternateImage();
    adjustImage();
}

void KTOnOffButton::setState(int state)
{
    KTButton::setState(state);
    adjustImage();
}

void KTOnOffButton::adjustImage()
{
    update();
}

void KTOnOffButton::actionSent()
{
    adjustImage();
}

QImage KTOnOffButton::shownImage() const
{
    const QImage &picture = state() == 1 ? m_onStateImage : m_offStateImage;
    return picture.isNull() ? KTButton::shownImage() : picture;
}
