#include "KTLocalizedTextField.h"

#include "KTColor.h"
#include "KTLocalization.h"

KTLocalizedTextField::KTLocalizedTextField(QWidget *parent) : KTLocalizedTextField(QString(), parent) {}

KTLocalizedTextField::KTLocalizedTextField(const QString &text, QWidget *parent) : QLabel(parent)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, KTPalette::kText);
    setPalette(colours);
    setTextFormat(Qt::PlainText);
    setStringValue(text);
}

void KTLocalizedTextField::setStringValue(const QString &value)
{
    m_stringValue = value;
    setText(ktLocalizedString(value));
}
