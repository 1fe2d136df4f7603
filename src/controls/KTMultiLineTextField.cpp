#include "KTMultiLineTextField.h"

KTMultiLineTextField::KTMultiLineTextField(QWidget *parent) : KTMultiLineTextField(QString(), parent) {}

KTMultiLineTextField::KTMultiLineTextField(const QString &text, QWidget *parent)
    : KTLocalizedTextField(text, parent)
{
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}
