#pragma once

#include "KTLocalizedTextField.h"

/// A text that wraps long values at word boundaries.
///
/// Threading: main thread only.
class KTMultiLineTextField : public KTLocalizedTextField
{
    Q_OBJECT
public:
    explicit KTMultiLineTextField(QWidget *parent = nullptr);
    explicit KTMultiLineTextField(const QString &text, QWidget *parent = nullptr);
};
