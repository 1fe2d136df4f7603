#include "KTLevelIndicatorCell.h"

void KTLevelIndicatorCell::setLevelIndicatorStyle(int style)
{
    if (style == m_style)
        return;
    m_style = style;
    if (m_controlView)
        m_controlView->update();
}

void KTLevelIndicatorCell::setDisplayDots(bool display)
{
    if (display == m_displayDots)
        return;
    m_displayDots = display;
    if (m_controlView)
        m_controlView->update();
}
