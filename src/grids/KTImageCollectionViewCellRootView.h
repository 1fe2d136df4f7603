#pragma once

#include "KTDrawView.h"

#include <QColor>

class KTImageCollectionViewCell;

/// The view a thumbnail cell places in its grid; every other view of the cell lies inside it.
/// It draws nothing itself and keeps the cell's type bits.
///
/// Threading: main thread only.
class KTImageCollectionViewCellRootView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTImageCollectionViewCellRootView(KTImageCollectionViewCell *cell, QWidget *parent = nullptr);

    /// The cell that owns this view (the pool keeps cells as long as the process runs).
    KTImageCollectionViewCell *cell() const { return m_cell; }
    unsigned cellType() const { return m_cellType; }
    /// A change asks for redisplay.
    void setCellType(unsigned type);
    QColor borderLineColor() const { return m_borderLineColor; }
    void setBorderLineColor(const QColor &color) { m_borderLineColor = color; }

private:
    KTImageCollectionViewCell *m_cell;
    unsigned m_cellType = 0;
    QColor m_borderLineColor;
};
