#pragma once

#include "KTButton.h"

/// A two-state picture button: one picture while off, another while on, and the arrow cursor over
/// itself. Its state follows a record (pick, reject): a click sends the action and never turns the
/// state itself; the owner sets the state after the action, and the picture follows every state
/// change at once.
///
/// Made in code without initialize(), it keeps the pictures it is given: setImage() +
/// updateImage() records the off picture, setAlternateImage() + updateAlternateImage() the on one.
///
/// Threading: main thread only.
class KTOnOffButton : public KTButton
{
    Q_OBJECT
public:
    explicit KTOnOffButton(QWidget *parent = nullptr);

    void initialize() override;
    void updateImage() override;
    void updateAlternateImage() override;
    void setState(int state) override;
    /// Shows the on picture while the state is on, the off picture otherwise.
    void adjustImage();

    QImage offStateImage() const { return m_offStateImage; }
    QImage onStateImage() const { return m_onStateImage; }

protected:
    void actionSent() override;
    QImage shownImage() const override;

private:
    QImage m_offStateImage;
    QImage m_onStateImage;
};
