#pragma once

#include "KTTextAttributes.h"

#include <QLineEdit>
#include <QPointer>

class KTAttributedTextField;

/// What a KTAttributedTextField tells the object set as its delegate.
class KTAttributedTextFieldDelegate
{
public:
    virtual ~KTAttributedTextFieldDelegate() = default;
    virtual void doubleClickFromTextField(KTAttributedTextField *field) = 0;
};

/// A text field that shows its text localised and styled: a soft dark shadow (unless
/// noNeedShadow) and an optional underline in the field's text colour, over the attributes the
/// text itself was given (font, colour, or a shadow or underline of its own, which win). The
/// placeholder is localised too. While it has focus the field edits its text plainly.
///
/// A double click goes to the delegate when there is one (a QObject that also derives from
/// KTAttributedTextFieldDelegate; not owned); otherwise the field selects a word as usual.
///
/// Threading: main thread only.
class KTAttributedTextField : public QLineEdit
{
    Q_OBJECT
public:
    explicit KTAttributedTextField(QWidget *parent = nullptr);
    /// A field as an interface would set it up: `text` with `attributes` as the attributes of
    /// its text and `placeholder`; the text is styled and both are localised at once.
    KTAttributedTextField(const QString &text, const KTTextAttributes &attributes, const QString &placeholder,
                          QWidget *parent = nullptr);

    QObject *textFieldDelegate() const { return m_delegate; }
    void setTextFieldDelegate(QObject *delegate) { m_delegate = delegate; }

    bool noNeedShadow() const { return m_noNeedShadow; }
    /// Stored; applies the next time the text is styled.
    void setNoNeedShadow(bool none) { m_noNeedShadow = none; }
    bool underlineText() const { return m_underlineText; }
    /// Stored; applies the next time the text is styled.
    void setUnderlineText(bool underline) { m_underlineText = underline; }

    /// Shows `value` localised and styles it.
    void setStringValue(const QString &value);
    QString stringValue() const { return text(); }
    /// The attributes the text is drawn with.
    KTTextAttributes textAttributes() const { return m_attributes; }
    /// Replaces the text's attributes as they are (not styled again).
    void setTextAttributes(const KTTextAttributes &attributes);
    /// Recolours the styled text; the field's own text colour (the palette's) is left alone.
    void setTextColor(const QColor &color);
    /// The field's own text colour: the underline colour of the styled text.
    QColor textColor() const;
    /// Replaces a non-empty placeholder by its localised text.
    void localizePlaceholder();

    /// The size of the styled text laid out in the field's width and height.
    QSizeF textSize() const;

protected:
    /// Builds the styled text once per text: the field's shadow and underline under the
    /// attributes the text already has. Nothing for an empty text.
    void customInitialization();
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QPointer<QObject> m_delegate;
    KTTextAttributes m_attributes;
    bool m_noNeedShadow = false;
    bool m_underlineText = false;
    bool m_initialized = false;
};
