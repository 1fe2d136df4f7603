#include "KTModeButton.h"

KTModeButton::KTModeButton(QWidget *parent) : KTButton(parent)
{
    setButtonType(Toggle);
}

bool KTModeButton::acceptsActivation() const
{
    return KTButton::acceptsActivation() && state() != 1;
}
