#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

class QFontMetricsF;

/// One text of the information strips and bars: a line in one font and colour, drawn
/// vertically centred and, when its frame is narrower than the text, shortened in the middle
/// (a file name keeps its start and its extension). The strip places its fields itself; the
/// bars use layouts, which read the field's size hint. A field lets the mouse through to what
/// lies under it unless it has a tool tip to show.
///
/// Threading: main thread only.
class KTInfoTextField : public QWidget
{
    Q_OBJECT
public:
    /// Where a text too long for the field is shortened.
    enum class Elision
    {
        /// As much of the start as of the end.
        Middle,
        /// The start only (a date keeps its day).
        KeepingTheStart,
        /// A short start and a longer end: names that differ only in their last characters (a
        /// camera's frame counter) stay told apart.
        KeepingTheEnd,
    };

    explicit KTInfoTextField(QWidget *parent = nullptr);

    /// The full text, as set (whatever part of it is drawn).
    QString stringValue() const { return m_text; }
    void setStringValue(const QString &text);
    QFont font() const { return m_font; }
    void setFont(const QFont &font);
    QColor textColor() const { return m_color; }
    void setTextColor(const QColor &color);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    Elision elision() const { return m_elision; }
    void setElision(Elision elision);
    /// `text` shortened with `elision` to at most `width` in `metrics`' font.
    static QString elidedText(const QString &text, Elision elision, const QFontMetricsF &metrics,
                              double width);

    /// The width of the whole text in the field's font.
    double textWidth() const;
    /// The width that shows the whole text, with the field's inset on each side.
    double fittingWidth() const;
    /// Whether the frame is too narrow for the whole text.
    bool isTruncated() const;
    /// The text as drawn in the current width.
    QString shownText() const;

    /// Space left and right of the text inside the field.
    static constexpr double kInset = 2.0;

    /// The whole text's size, for owners that use a layout.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    Elision m_elision = Elision::Middle;
};
