#pragma once

#include <QLabel>

/// A one-line text whose value is shown localised (the value itself is the key, see
/// ktLocalizedString), in the user interface's text colour.
///
/// Threading: main thread only.
class KTLocalizedTextField : public QLabel
{
    Q_OBJECT
public:
    explicit KTLocalizedTextField(QWidget *parent = nullptr);
    explicit KTLocalizedTextField(const QString &text, QWidget *parent = nullptr);

    /// The value as set (before localisation).
    QString stringValue() const { return m_stringValue; }
    void setStringValue(const QString &value);

private:
    QString m_stringValue;
};
