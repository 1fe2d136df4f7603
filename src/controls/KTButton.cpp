#include "KTButton.h"

#include "KTButtonRendering.h"
#include "KTKeyEquivalent.h"
#include "KTThreePartImage.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

KTButton::KTButton(QWidget *parent) : KTControl(parent) {}

void KTButton::initialize()
{
    if (m_usesThreePartImage)
        initializeThreePartImage();
    if (m_usesThreePartDropdownImage)
        initializeThreePartDropdownImage();
    if (!m_titleColor.isValid())
        m_titleColor = Qt::white;
    if (!m_alternateTitleColor.isValid())
        m_alternateTitleColor = QColor(255, 255, 0);
    if (m_initialButtonImage.isNull())
        m_initialButtonImage = m_image;
    if (m_initialButtonAlternateImage.isNull())
        m_initialButtonAlternateImage = m_alternateImage;
    updateImage();
    updateAlternateImage();
    setButtonTitle(m_platformTitle);
    m_platformTitle.clear();
    setButtonAlternateTitle(m_platformAlternateTitle);
    m_platformAlternateTitle.clear();
    // Later renderings draw the shadow; the ones above used the configured setting.
    m_needsShadow = true;
}

void KTButton::initializeThreePartImage()
{
    initializeThreePartImageWithPartNames(
        {QStringLiteral("btn_left"), QStringLiteral("btn_center"), QStringLiteral("btn_right")});
}

void KTButton::initializeThreePartDropdownImage()
{
    initializeThreePartImageWithPartNames({QStringLiteral("dropdown_left"), QStringLiteral("dropdown_center"),
                                           QStringLiteral("dropdown_right")});
}

void KTButton::initializeThreePartImageWithPartNames(const QStringList &names)
{
    Q_ASSERT_X(!names.isEmpty(), "KTButton", "Nil part names image");
    Q_ASSERT_X(names.size() == 3, "KTButton", "Part names image must contain names of 3 parts of image");
    if (names.size() != 3)
        return;
    const KTThreePartNames parts{names[0], names[1], names[2]};
    const qreal ratio = devicePixelRatioF();
    setImage(threePartImage(parts, size(), ratio));
    setAlternateImage(threePartImage(parts.withSuffix(QStringLiteral("_on")), size(), ratio));
}

QImage KTButton::renderImage(bool alternate) const
{
    const QImage &initial = alternate ? m_initialButtonAlternateImage : m_initialButtonImage;
    const QString &title = alternate ? m_buttonAlternateTitle : m_buttonTitle;
    const QString &subtitle = alternate ? m_alternateSubtitle : m_subtitle;
    const QSizeF bounds = size();
    const QSizeF initialSize = initial.deviceIndependentSize();
    // Where the background goes: centred, in y-up coordinates.
    const double x0 = std::floor(bounds.width() / 2 - initialSize.width() / 2);
    const double y0 = std::floor(bounds.height() / 2 - initialSize.height() / 2);

    QImage canvas(QSize(int(std::ceil(bounds.width() * devicePixelRatioF())),
                        int(std::ceil(bounds.height() * devicePixelRatioF()))),
                  QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(devicePixelRatioF());
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage(QPointF(x0, bounds.height() - y0 - initialSize.height()), initial);
    }

    QImage result;
    if (!title.isEmpty() && !subtitle.isEmpty()) {
        result = imageByAddingTitleAndSubtitle(
            title, subtitle, initial, alternate ? m_alternateTitleLayout : m_titleLayout, font(),
            m_titleFontSize, m_subtitleFontSize, alternate ? m_alternateTitleColor : m_titleColor,
            alternate ? m_alternateTitleOffset : m_titleOffset);
    } else if (!title.isEmpty()) {
        result = imageByAddingTitle(title, canvas, alternate ? m_alternateTitleLayout : m_titleLayout, font(),
                                    alternate ? m_alternateTitleColor : m_titleColor,
                                    alternate ? m_alternateTitleOffset : m_titleOffset, m_needsShadow);
    } else {
        result = canvas;
    }
    if (!m_badge.isEmpty()) {
        result = imageByAddingBadge(
            m_badge, result,
            QPointF(x0 + initialSize.width() - 15.0, result.deviceIndependentSize().height()), bounds);
    }
    return result;
}

void KTButton::updateImage()
{
    if (m_initialButtonImage.isNull())
        return;
    setImage(renderImage(false));
}

void KTButton::updateAlternateImage()
{
    if (m_initialButtonAlternateImage.isNull())
        return;
    setAlternateImage(renderImage(true));
    if (m_state == 1) {
        // Observers of the state learn that the on picture changed.
        setState(0);
        setState(1);
    }
}

void KTButton::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    update();
    emit stateChanged(state);
}

void KTButton::setImage(const QImage &image)
{
    m_image = image;
    updateGeometry();
    update();
}

void KTButton::setAlternateImage(const QImage &image)
{
    m_alternateImage = image;
    update();
}

void KTButton::setButtonTitle(const QString &title)
{
    if (title == m_buttonTitle)
        return;
    m_buttonTitle = title;
    updateImage();
}

void KTButton::setButtonAlternateTitle(const QString &title)
{
    if (title == m_buttonAlternateTitle)
        return;
    m_buttonAlternateTitle = title;
    updateAlternateImage();
}

void KTButton::setSubtitle(const QString &subtitle)
{
    if (subtitle == m_subtitle)
        return;
    m_subtitle = subtitle;
    updateImage();
}

void KTButton::setAlternateSubtitle(const QString &subtitle)
{
    if (subtitle == m_alternateSubtitle)
        return;
    m_alternateSubtitle = subtitle;
    updateAlternateImage();
}

void KTButton::setBadge(const QString &badge)
{
    if (badge == m_badge)
        return;
    m_badge = badge;
    updateImage();
    updateAlternateImage();
}

void KTButton::setNeedsShadow(bool needsShadow)
{
    if (needsShadow == m_needsShadow)
        return;
    m_needsShadow = needsShadow;
    updateImage();
    updateAlternateImage();
}

bool KTButton::performKeyEquivalent(const QKeyEvent &event)
{
    if (::keyEquivalentModifiers(event.modifiers()))
        return KTControl::performKeyEquivalent(event);
    const QString key = ::keyEquivalent(event);
    const QKeyEvent plain(event.type(), event.key(), event.modifiers(), key, event.isAutoRepeat(),
                          event.count());
    return KTControl::performKeyEquivalent(plain);
}

QSize KTButton::sizeHint() const
{
    if (!m_image.isNull())
        return m_image.deviceIndependentSize().toSize();
    return {80, 24};
}

void KTButton::activate()
{
    if (m_buttonType == Toggle)
        setState(m_state == 1 ? 0 : 1);
}

QImage KTButton::shownImage() const
{
    if ((m_state == 1 || isDown()) && !m_alternateImage.isNull())
        return m_alternateImage;
    return m_image;
}

void KTButton::paintEvent(QPaintEvent *)
{
    const QImage picture = shownImage();
    if (picture.isNull())
        return;
    QPainter painter(this);
    painter.setOpacity(paintOpacity());
    const QSizeF size = picture.deviceIndependentSize();
    const QPointF at(std::floor((width() - size.width()) / 2), std::floor((height() - size.height()) / 2));
    if (isHovered() && !isDown() && m_state != 1 && acceptsActivation()) {
        // Hover lightens the picture's own pixels.
        QImage lit = picture;
        QPainter lighten(&lit);
        lighten.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        lighten.fillRect(QRectF(QPointF(), size), QColor(255, 255, 255, 16));
        lighten.end();
        painter.drawImage(at, lit);
        return;
    }
    painter.drawImage(at, picture);
}
