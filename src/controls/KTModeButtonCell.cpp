#include "KTModeButtonCell.h"

#include "KTControl.h"

KTModeButtonCell::KTModeButtonCell(KTControl *control) : QObject(control), m_control(control)
{
    connect(control, &KTControl::pressed, this, [this] { highlight(true); });
    connect(control, &KTControl::released, this, [this] { highlight(false); });
}

void KTModeButtonCell::highlight(bool flag)
{
    if (m_control)
        m_control->setAlphaValue(flag ? 0.5 : 1.0);
}
