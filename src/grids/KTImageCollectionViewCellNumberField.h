#pragma once

#include "KTImageCollectionViewCellMark.h"

#include <QList>
#include <QPointF>
#include <QStaticText>

/// The number of a thumbnail cell: small secondary text on a dark tag, so it reads over a photo.
/// A mark of the cell (see KTImageCollectionViewCellMark), cheaper than a label: a number is laid
/// out from the font's digit glyphs (measured once) and drawn from pictures of them (drawn once
/// per colour and pixel ratio), other text from one measurement per text.
///
/// Threading: main thread only.
class KTImageCollectionViewCellNumberField : public KTImageCollectionViewCellMark
{
public:
    explicit KTImageCollectionViewCellNumberField(QWidget *canvas);

    QString text() const { return m_text; }
    /// Sets the text and resizes the field to fit it (its top left stays).
    void setText(const QString &text);

    void draw(QPainter &painter) const override;

private:
    QString m_text;
    double m_textWidth = 0;
    bool m_usesDigitGlyphs = false;
    QList<QPointF> m_positions;
    QStaticText m_staticText;
};
