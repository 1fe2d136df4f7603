#pragma once

#include "KTControl.h"

#include <QColor>

/// A text button whose title is localised and drawn in a colour of its own (white by default),
/// in the default font.
///
/// Threading: main thread only.
class KTTextColorButton : public KTControl
{
    Q_OBJECT
public:
    explicit KTTextColorButton(QWidget *parent = nullptr);
    explicit KTTextColorButton(const QString &title, QWidget *parent = nullptr);

    /// Shows `title` localised (a text without a translation shows unchanged).
    void setTitle(const QString &title);
    /// The text as shown.
    QString title() const { return m_title; }
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QColor m_textColor = Qt::white;
};
