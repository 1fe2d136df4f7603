#pragma once

#include <QLineEdit>

/// A one-line text field whose text sits vertically centred on the font's line height, and whose
/// editing (cursor, selection) happens in that same place, since the field edits in place.
///
/// Threading: main thread only.
class KTVertCenteredTextFieldCell : public QLineEdit
{
    Q_OBJECT
public:
    explicit KTVertCenteredTextFieldCell(QWidget *parent = nullptr);

    /// Where the text goes in `bounds`: the field's own text rectangle moved to
    /// y = floor((bounds height - line height) / 2), measured from 0, and 2 pixels taller.
    QRectF drawingRectForBounds(const QRectF &bounds) const;
    /// The same for a text rectangle `textRect` and a font line height `lineHeight`.
    static QRectF drawingRectForBounds(const QRectF &bounds, const QRectF &textRect, double lineHeight);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeText();
};
