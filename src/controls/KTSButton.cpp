#include "KTSButton.h"

#include "KTColor.h"
#include "KTLocalization.h"
#include "KTNamedImages.h"
#include "KTThreePartImage.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

void setOpacity(QWidget *widget, double opacity)
{
    if (!widget)
        return;
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

} // namespace

KTSButton::KTSButton(QWidget *parent) : KTSButton(QString(), parent) {}

KTSButton::KTSButton(const QString &title, QWidget *parent) : KTControl(parent), m_title(title)
{
    QTimer::singleShot(0, this, [this] { initialize(); });
}

QImage KTSButton::named(const QString &name) const
{
    return KTNamedImages::shared().image(name, std::max<qreal>(devicePixelRatioF(), 1.0));
}

QColor KTSButton::buttonFontColor() const
{
    return m_buttonFontColor.isValid() ? m_buttonFontColor : QColor::fromRgbF(0.95f, 0.95f, 0.95f, 1.0f);
}

QColor KTSButton::selectedButtonFontColor() const
{
    return m_selectedButtonFontColor.isValid() ? m_selectedButtonFontColor : buttonFontColor();
}

void KTSButton::initialize()
{
    const qreal ratio = std::max<qreal>(devicePixelRatioF(), 1.0);
    const QSizeF frame = size();
    delete m_iconImageView;
    const QImage icon = named(m_iconImageName);
    if (!m_iconImageName.isEmpty() && !icon.isNull()) {
        m_iconImageView = new QLabel(this);
        m_iconImageView->setPixmap(QPixmap::fromImage(icon));
        const QSize iconSize = icon.deviceIndependentSize().toSize();
        // At the origin, which is the bottom-left corner in the button's y-up geometry.
        m_iconImageView->setGeometry(0, int(frame.height()) - iconSize.height(), iconSize.width(),
                                     iconSize.height());
        m_iconImageView->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_iconImageView->show();
    }
    setTitle(m_title);
    setAlternateTitle(m_alternateTitle.isEmpty() ? m_title : m_alternateTitle);
    // The enabled state is left as it is: a button disabled right after it was made stays
    // disabled when the deferred set-up runs.

    delete m_arrowView;
    if (m_dropDown) {
        const QImage arrow = named(QStringLiteral("dropdown_arrow"));
        const QSizeF arrowSize = arrow.isNull() ? QSizeF() : arrow.deviceIndependentSize();
        m_arrowView = new QLabel(this);
        if (!arrow.isNull())
            m_arrowView->setPixmap(QPixmap::fromImage(arrow));
        const double x = frame.width() - 10.0 - arrowSize.width();
        const double y = std::ceil(float((frame.height() - arrowSize.height()) * 0.5)) + 1.0;
        m_arrowView->setGeometry(
            QRectF(x, frame.height() - y - arrowSize.height(), arrowSize.width(), arrowSize.height())
                .toRect());
        m_arrowView->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_arrowView->show();
    }

    if (!m_image.isNull()) {
        m_defaultImage = m_image;
    } else if (!m_threePartImageName.isEmpty()) {
        const KTThreePartNames normal = KTThreePartNames::fromBase(m_threePartImageName);
        if (normal.allExist()) {
            m_image = threePartImage(normal, frame, ratio);
            m_defaultImage = m_image;
            const KTThreePartNames on = normal.withSuffix(QStringLiteral("_on"));
            m_alternateImage = threePartImage(on.allExist() ? on : normal, frame, ratio);
        }
    } else {
        m_image = threePartImage(
            {QStringLiteral("button_left"), QStringLiteral("button_center"), QStringLiteral("button_right")},
            frame, ratio);
        m_defaultImage = m_image;
    }
    m_initialized = true;
    validateState();
}

void KTSButton::layOutTitle(const QString &text, bool alternate)
{
    double indent = m_dropDown ? 10.0 : m_horizontalOffset;
    Qt::Alignment alignment = m_dropDown ? Qt::AlignLeft : (m_alignment & Qt::AlignHorizontal_Mask);
    if (m_iconImageView && !text.isEmpty() && alignment == Qt::AlignHCenter) {
        const double w = width();
        const double h = height();
        const float tw = float(QFontMetricsF(font()).horizontalAdvance(text));
        alignment = Qt::AlignLeft;
        const QSize icon = m_iconImageView->size();
        const float ih = std::floor(float(icon.width()) * 0.5f);
        const double x = std::ceil(m_horizontalOffset + w * 0.5 - tw * 0.5 - ih) + 1.0;
        double y = std::round(float(h * 0.5 - icon.height() * 0.5 - m_baselineOffset));
        if (!alternate)
            y -= 2.0;
        m_iconImageView->move(int(x), int(h - y - icon.height()));
        indent = ih + m_horizontalOffset + std::round((w - tw) * 0.5) + 2.0;
    }
    m_titleIndent = indent;
    m_titleAlignment = alignment;
    update();
}

void KTSButton::setTitle(const QString &title)
{
    m_title = title;
    m_displayedTitle = ktLocalizedString(title);
    layOutTitle(m_displayedTitle, false);
}

void KTSButton::setAlternateTitle(const QString &title)
{
    m_alternateTitle = title;
    m_displayedAlternateTitle = ktLocalizedString(title);
    layOutTitle(m_displayedAlternateTitle, true);
}

void KTSButton::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    update();
    emit stateChanged(state);
}

void KTSButton::setButtonEnabled(bool enabled)
{
    if (enabled == m_isEnabledInternally)
        return;
    m_isHighlighted = false;
    m_isEnabledInternally = enabled;
    if (!enabled)
        cancelTracking();
    validateState();
}

void KTSButton::highlightOnMouse(bool highlighted)
{
    if (!m_isEnabledInternally || highlighted == m_isHighlighted)
        return;
    m_isHighlighted = highlighted;
    validateState();
}

void KTSButton::validateState()
{
    if (!m_initialized)
        return;
    if (m_isEnabledInternally) {
        setOpacity(m_iconImageView, 1.0);
        superSetEnabled(true);
        setAlphaValue(1.0);
        if (m_isHighlighted) {
            const QImage highlighted = named(m_highlightedImageName);
            if (!highlighted.isNull())
                m_shownImage = highlighted;
            else
                m_isHighlighted = false;
        } else {
            m_shownImage = m_defaultImage;
        }
    } else {
        setOpacity(m_iconImageView, 0.5);
        const QImage disabled = named(m_disabledImageName);
        if (!disabled.isNull()) {
            m_shownImage = disabled;
        } else {
            // The plain background, dimmed by the disabled widget, also for a button disabled
            // before its set-up ran.
            m_shownImage = m_defaultImage;
            superSetEnabled(false);
        }
    }
    update();
}

void KTSButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !acceptsActivation())
        return;
    if (m_hasMomentaryStyle) {
        setState(1);
        setDown(true);
        return;
    }
    if (m_momentaryAction) {
        click();
        return;
    }
    highlightOnMouse(false);
    KTControl::mousePressEvent(event);
}

void KTSButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!acceptsActivation() || m_momentaryAction) {
        cancelTracking();
        return;
    }
    if (m_hasMomentaryStyle && m_state == 1) {
        setState(0);
        setDown(false);
    }
    KTControl::mouseReleaseEvent(event);
}

void KTSButton::activate()
{
    if (m_momentaryAction)
        setState(m_state == 1 ? 0 : 1);
}

QSize KTSButton::sizeHint() const
{
    if (!m_defaultImage.isNull())
        return m_defaultImage.deviceIndependentSize().toSize();
    const double text = QFontMetricsF(font()).horizontalAdvance(m_displayedTitle);
    return {int(std::ceil(text + 32 + (m_dropDown ? 16 : 0))), 24};
}

void KTSButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(alphaValue() * (isEnabled() ? 1.0 : 0.45));
    const bool on = m_state == 1;
    // While pressed: the on picture, or the shown one darkened when there is none.
    const bool pressed = isDown() && !on;
    const QImage picture = (on || pressed) && !m_alternateImage.isNull() ? m_alternateImage : m_shownImage;
    if (pressed && m_alternateImage.isNull() && !picture.isNull()) {
        QImage darker = picture;
        QPainter shade(&darker);
        shade.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        shade.fillRect(QRectF(QPointF(), darker.deviceIndependentSize()), QColor(0, 0, 0, 70));
        shade.end();
        painter.drawImage(QPointF(0, 0), darker);
    } else if (!picture.isNull()) {
        painter.drawImage(QPointF(0, 0), picture);
    }

    const QString &text = on ? m_displayedAlternateTitle : m_displayedTitle;
    if (text.isEmpty())
        return;
    QFont textFont = font();
    textFont.setUnderline(m_underlineText);
    const QFontMetricsF metrics(textFont);
    const double tw = metrics.horizontalAdvance(text);
    double x = m_titleIndent;
    if (m_titleAlignment == Qt::AlignHCenter)
        x = m_titleIndent + (width() - m_titleIndent - tw) / 2;
    else if (m_titleAlignment == Qt::AlignRight)
        x = width() - tw;
    // Centred vertically on the line box, then raised by the baseline offset (y-up).
    const double baseline =
        std::round((height() - metrics.height()) / 2 + metrics.ascent() - m_baselineOffset);
    painter.setFont(textFont);
    painter.setPen(QColor(0, 0, 0, 128));
    painter.drawText(QPointF(std::round(x) + m_shadowOffset.width(), baseline - m_shadowOffset.height()),
                     text);
    painter.setPen(on ? selectedButtonFontColor() : buttonFontColor());
    painter.drawText(QPointF(std::round(x), baseline), text);
}
