#pragma once

#include "KTButton.h"

/// A mode button: a click turns it on, never off; while it is on, presses and clicks are ignored
/// until code turns it off.
///
/// Threading: main thread only.
class KTModeButton : public KTButton
{
    Q_OBJECT
public:
    explicit KTModeButton(QWidget *parent = nullptr);

protected:
    bool acceptsActivation() const override;
};
