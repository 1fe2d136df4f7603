#pragma once

#include "KTControl.h"

#include <QString>

/// One of the custom close, minimise and zoom buttons of KTWindowWithCustomButtons: a 12 x 12
/// picture that shows its alternate ("_on") form while the pointer is over the group of the
/// three buttons.
///
/// Threading: main thread only.
class KTWindowButton : public KTControl
{
    Q_OBJECT
public:
    enum ButtonType : unsigned
    {
        CloseButton = 0,
        MinimizeButton = 1,
        ZoomButton = 2,
    };

    /// A button of `type`; a type other than the three logs "Unsupported button type" and makes
    /// a usable button without pictures.
    explicit KTWindowButton(unsigned type, QWidget *parent = nullptr);

    unsigned buttonType() const { return m_buttonType; }

    bool isAlternateState() const { return m_alternateState; }
    /// Shows the alternate picture (true) or the normal one; nothing when unchanged.
    void setIsAlternateState(bool alternate);

    /// KTNamedImages names of the normal and the hover picture.
    QString buttonImage() const { return m_buttonImage; }
    void setButtonImage(const QString &name);
    QString buttonAlternateImage() const { return m_buttonAlternateImage; }
    void setButtonAlternateImage(const QString &name);
    /// Picks the picture that shows for the current state.
    void validateImage();
    /// The name of the picture shown now.
    QString image() const { return m_image; }

    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    unsigned m_buttonType;
    bool m_alternateState = false;
    QString m_buttonImage;
    QString m_buttonAlternateImage;
    QString m_image;
};
