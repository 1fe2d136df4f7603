#pragma once

#include <QColor>
#include <QWidget>

class KTImageCollectionViewCell;

/// The view a thumbnail cell places in its grid; every other view of the cell lies inside it.
/// It draws nothing itself (a plain widget, so its paints cost nothing) and keeps the cell's type
/// bits.
///
/// Threading: main thread only.
class KTImageCollectionViewCellRootView : public QWidget
{
    Q_OBJECT
public:
    explicit KTImageCollectionViewCellRootView(KTImageCollectionViewCell *cell, QWidget *parent = nullptr);

    /// The cell that owns this view (the pool keeps cells as long as the process runs).
    KTImageCollectionViewCell *cell() const { return m_cell; }
    unsigned cellType() const { return m_cellType; }
    void setCellType(unsigned type) { m_cellType = type; }
    QColor borderLineColor() const { return m_borderLineColor; }
    void setBorderLineColor(const QColor &color) { m_borderLineColor = color; }

private:
    KTImageCollectionViewCell *m_cell;
    unsigned m_cellType = 0;
    QColor m_borderLineColor;
};
