#pragma once

#include "KTImageCollectionView.h"
#include "KTRecordRef.h"

#include <QColor>
#include <QList>
#include <QPointer>

class KTGrouppedImagesView;

/// One row of a group list: the images of one group as a small thumbnail grid whose column count
/// the list's zoom chooses, with room for a header above the thumbnails (subclasses draw it).
/// The list places rows only for the groups on screen and hands each row the visible part of it,
/// so only the thumbnails on screen have cells. Rows are pooled by the list and given another
/// group as the list scrolls.
///
/// Geometry, y up inside the row: KTGridGeometry::groupRow() of the row's layout, the cells moved
/// down by the header.
///
/// Threading: main thread only.
class KTGrouppedImagesCellView : public KTImageCollectionView
{
    Q_OBJECT
public:
    explicit KTGrouppedImagesCellView(QWidget *parent = nullptr);

    /// The layout of a plain row: margins 5, one point between cells, at least three columns.
    static KTGroupRowLayout defaultLayout();

    bool isTopCell() const { return m_topCell; }
    void setTopCell(bool top) { m_topCell = top; }
    KTGrouppedImagesView *dataSource() const;
    void setDataSource(KTGrouppedImagesView *list);
    qsizetype groupIndex() const { return m_groupIndex; }
    void setGroupIndex(qsizetype index) { m_groupIndex = index; }
    double zoomValue() const { return m_zoomValue; }
    void setZoomValue(double zoom) { m_zoomValue = zoom; }
    qsizetype numberOfZoomSteps() const;
    qsizetype maxNumberOfColumns() const;
    qsizetype minNumberOfColumns() const { return m_layout.minNumberOfColumns; }
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color) { m_borderColor = color; }

    const KTGroupRowLayout &rowLayout() const { return m_layout; }
    void setRowLayout(const KTGroupRowLayout &layout);
    /// The height of the header above the thumbnails.
    double additionalOffset() const { return m_layout.additionalOffset; }
    /// The width the row is laid out for.
    double rowWidth() const { return m_rowWidth; }

    /// Takes its group's images from the list and computes its grid for `width`; the cells of
    /// a previous group go back to the pool.
    void reloadRow(double width);
    /// Lays the row out again for `width` (and the zoom and layout set before): a row whose group
    /// still has the same images keeps its cells bound, and the next layout moves them to their
    /// new frames; otherwise as reloadRow().
    void relayoutRow(double width);
    /// The row's images, null where one is gone since the row was loaded.
    QList<KTImageMO *> images() const { return recordPointers(m_images); }

    qsizetype calculateNumberOfCells() override;
    KTImageMO *imageMOAtIndex(qsizetype index) override;
    void adjustSize() override;
    QRectF frameForCellAtIndex(qsizetype index) const override;
    std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const override;

private:
    bool m_topCell = false;
    QPointer<KTGrouppedImagesView> m_dataSource;
    qsizetype m_groupIndex = 0;
    double m_zoomValue = 0;
    QColor m_borderColor = Qt::black;
    KTGroupRowLayout m_layout = defaultLayout();
    double m_rowWidth = 0;
    QList<KTRecordRef<KTImageMO>> m_images;
};
