#pragma once

#include "KTLocalizedTextField.h"

#include <QColor>

#include <optional>

/// A file-system path on one line that behaves like a link. A path too long for the field
/// loses its beginning ("…/Shoot/IMG_0001.CR2") so the end stays visible; the last component is
/// drawn in its own colour, the rest in the field's. The path is underlined while the pointer is
/// over it, and a click shows the item in the file manager (through KTShareSystem, opening its
/// folder when no file manager answers). An empty path shows nothing and a click on it does
/// nothing.
///
/// Threading: main thread only.
class KTPathTextField : public KTLocalizedTextField
{
    Q_OBJECT
public:
    enum class Underline
    {
        No,
        Yes,
    };

    explicit KTPathTextField(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    /// Shows `path` (not localised), underlined or not.
    void setStringValue(const QString &path, Underline underline = Underline::No);
    bool isUnderlined() const { return m_underlined; }

    /// The colour of the last component; grey 163 unless set.
    QColor lastPathComponentColor() const;
    /// A different colour shows the path again without underline.
    void setLastPathComponentColor(const QColor &color);

    /// The text as shown at the current width (elided at its start when too long).
    QString displayedText() const;
    /// Where the last component lies in displayedText(): start and length (0, 0 for none).
    std::pair<qsizetype, qsizetype> lastComponentRange() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    /// The start of the last component in `path` (after trailing slashes are set aside).
    static qsizetype lastComponentStart(const QString &path, qsizetype *end);

    QString m_path;
    bool m_underlined = false;
    std::optional<QColor> m_lastPathComponentColor;
};
