#pragma once

#include "KTDrawView.h"

/// The selection background of a thumbnail cell: fills its bounds with the colour of its
/// selection type. It is hidden while there is nothing to fill, so an unselected cell costs no
/// paint.
///
/// Threading: main thread only.
class KTImageCollectionViewCellSelectionView : public KTDrawView
{
    Q_OBJECT
public:
    enum SelectionType : unsigned
    {
        CompareActive = 0,
        CompareInactive = 1,
        MainActive = 2,
        MainInactive = 3,
        NotSelected = 4,
    };

    explicit KTImageCollectionViewCellSelectionView(QWidget *parent = nullptr);

    unsigned selectionType() const { return m_selectionType; }
    /// A change asks for redisplay.
    void setSelectionType(unsigned type);
    /// The fill of a type; transparent for NotSelected and unknown types.
    static QColor colorForSelectionType(unsigned type);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;

private:
    unsigned m_selectionType = NotSelected;
};
