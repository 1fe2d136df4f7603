#include "KTWindowButton.h"

#include "KTNamedImages.h"

#include <QPainter>

KTWindowButton::KTWindowButton(unsigned type, QWidget *parent) : KTControl(parent), m_buttonType(type)
{
    setFixedSize(12, 12);
    setFocusPolicy(Qt::NoFocus);
    switch (type) {
    case CloseButton:
        m_buttonImage = QStringLiteral("close");
        setAccessibleName(tr("Close"));
        break;
    case MinimizeButton:
        m_buttonImage = QStringLiteral("mini");
        setAccessibleName(tr("Minimize"));
        break;
    case ZoomButton:
        m_buttonImage = QStringLiteral("full");
        setAccessibleName(tr("Full Screen"));
        break;
    default:
        qWarning("Unsupported button type");
        break;
    }
    if (!m_buttonImage.isEmpty())
        m_buttonAlternateImage = m_buttonImage + QStringLiteral("_on");
    validateImage();
}

void KTWindowButton::setIsAlternateState(bool alternate)
{
    if (alternate == m_alternateState)
        return;
    m_alternateState = alternate;
    validateImage();
}

void KTWindowButton::setButtonImage(const QString &name)
{
    m_buttonImage = name;
    validateImage();
}

void KTWindowButton::setButtonAlternateImage(const QString &name)
{
    m_buttonAlternateImage = name;
    validateImage();
}

void KTWindowButton::validateImage()
{
    m_image = m_alternateState ? m_buttonAlternateImage : m_buttonImage;
    update();
}

void KTWindowButton::paintEvent(QPaintEvent *)
{
    const QImage picture = KTNamedImages::shared().image(m_image, QSizeF(size()), devicePixelRatioF());
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.setOpacity(paintOpacity() * (isDown() ? 0.75 : 1.0));
    painter.drawImage(QRectF(rect()), picture);
}
