#include "KTAttributedTextField.h"

#include "KTColor.h"
#include "KTLocalization.h"
#include "KTTextGeometrics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

KTAttributedTextField::KTAttributedTextField(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, KTPalette::kText);
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::PlaceholderText, KTPalette::kSecondaryText);
    setPalette(colours);
    connect(this, &QLineEdit::textEdited, this, [this] { update(); });
}

KTAttributedTextField::KTAttributedTextField(const QString &text, const KTTextAttributes &attributes,
                                             const QString &placeholder, QWidget *parent)
    : KTAttributedTextField(parent)
{
    m_attributes = attributes;
    if (attributes.font)
        setFont(*attributes.font);
    setText(text);
    setPlaceholderText(placeholder);
    customInitialization();
    localizePlaceholder();
}

void KTAttributedTextField::setStringValue(const QString &value)
{
    setText(ktLocalizedString(value));
    m_initialized = false;
    customInitialization();
    update();
}

void KTAttributedTextField::setTextAttributes(const KTTextAttributes &attributes)
{
    m_attributes = attributes;
    if (attributes.font)
        setFont(*attributes.font);
    update();
}

void KTAttributedTextField::setTextColor(const QColor &color)
{
    // With no text yet the colour is kept for the text to come.
    m_attributes.foregroundColor = color;
    update();
}

QColor KTAttributedTextField::textColor() const
{
    return palette().color(QPalette::Text);
}

void KTAttributedTextField::localizePlaceholder()
{
    if (!placeholderText().isEmpty())
        setPlaceholderText(ktLocalizedString(placeholderText()));
}

QSizeF KTAttributedTextField::textSize() const
{
    return KTTextGeometrics::sizeForWidth(text(), width(), height(), m_attributes.font.value_or(font()));
}

void KTAttributedTextField::customInitialization()
{
    if (m_initialized || text().isEmpty())
        return;
    KTTextAttributes own;
    if (!m_noNeedShadow)
        own.shadow = KTTextShadow::controlShadow();
    if (m_underlineText) {
        own.underline = true;
        own.underlineColor = textColor();
    }
    // What the text was given wins over the field's own styling.
    m_attributes = m_attributes.unitedWith(own);
    setText(ktLocalizedString(text()));
    m_initialized = true;
}

void KTAttributedTextField::paintEvent(QPaintEvent *event)
{
    // Editing, and the placeholder, are the line edit's own.
    if (hasFocus() || text().isEmpty()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 0, -2, 0);
    drawAttributedText(painter, QRectF(contents), text(), m_attributes, font(), textColor(), alignment());
}

void KTAttributedTextField::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (auto *delegate = dynamic_cast<KTAttributedTextFieldDelegate *>(m_delegate.data())) {
        event->accept();
        delegate->doubleClickFromTextField(this);
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}
