#pragma once

#include "KTDrawView.h"

#include <QStaticText>

/// The number of a thumbnail cell: small secondary text on a dark tag, so it reads over a photo.
/// Cheaper than a label: its size comes from one measurement per text.
///
/// Threading: main thread only.
class KTImageCollectionViewCellNumberField : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTImageCollectionViewCellNumberField(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    /// Sets the text and resizes the field to fit it.
    void setText(const QString &text);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    QString m_text;
    QStaticText m_staticText;
};
