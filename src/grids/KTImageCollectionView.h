#pragma once

#include "KTDrawView.h"
#include "KTGridBackground.h"
#include "KTGridGeometry.h"
#include "KTImageCollectionViewCellDelegate.h"

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class KTImageCollectionViewCell;
class KTImageMO;
class KTOperationQueue;
class KTScrollHost;

/// The base of every thumbnail grid: lays out square cells in rows and columns (KTGridGeometry,
/// y up), creates cells only for the indexes that meet the visible area, takes them from the
/// shared pool and gives them back, and draws the background and, while empty, a centred message.
/// It knows nothing of where its images come from: a subclass gives the number of cells and the
/// record of each index and decides when the visible area changes.
///
/// A cell leaving the visible area survives one more layout (so a cell scrolled just out of view
/// comes back without work), then loses its record and goes back to the pool. Cells are keyed by
/// their record's path; a record without a path has no cell.
///
/// Threading: main thread only (asserted where the cells change).
class KTImageCollectionView : public KTDrawView, public KTImageCollectionViewCellDelegate
{
    Q_OBJECT
public:
    explicit KTImageCollectionView(QWidget *parent = nullptr);
    ~KTImageCollectionView() override;

    // Geometry (set by adjustSize()).
    double cellSize() const { return m_geometry.cellSize; }
    qsizetype numberOfColumns() const { return m_geometry.numberOfColumns; }
    qsizetype numberOfRows() const { return m_geometry.numberOfRows; }
    QSizeF viewSize() const { return m_geometry.viewSize; }
    QSizeF docSize() const { return m_geometry.docSize; }
    const KTGridGeometry &gridGeometry() const { return m_geometry; }

    double minimumCellSize() const { return m_minimumCellSize; }
    void setMinimumCellSize(double size) { m_minimumCellSize = size; }
    /// Width: left margin; height: bottom margin.
    QSizeF lowLeftMargins() const { return {m_geometry.leftMargin, m_geometry.bottomMargin}; }
    void setLowLeftMargins(const QSizeF &margins);
    /// Width: right margin; height: top margin.
    QSizeF topRightMargins() const { return {m_geometry.rightMargin, m_geometry.topMargin}; }
    void setTopRightMargins(const QSizeF &margins);
    QSizeF intercellSpace() const { return {m_geometry.horizontalSpace, m_geometry.verticalSpace}; }
    void setIntercellSpace(const QSizeF &space);

    QColor backgroundColor() const { return m_background.color; }
    void setBackgroundColor(const QColor &color);
    /// A KTNamedImages name whose picture is tiled over the background.
    QString backgroundPattern() const { return m_background.pattern; }
    void setBackgroundPattern(const QString &name);
    /// A band of this colour along both side edges, fading to nothing at the centre.
    QColor gradientColor() const { return m_background.gradient; }
    void setGradientColor(const QColor &color);

    qsizetype numberOfCells() const { return m_geometry.numberOfCells; }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    /// The text drawn while the grid is empty; made once from name() ("%1 is empty") when unset.
    QString emptyMessage() const;
    void setEmptyMessage(const QString &message) { m_emptyMessage = message; }

    /// Handed to each cell (stored only: the thumbnails are loaded by the entities manager).
    KTOperationQueue *loadingThumbnailsQueue() const { return m_loadingThumbnailsQueue; }
    void setLoadingThumbnailsQueue(KTOperationQueue *queue) { m_loadingThumbnailsQueue = queue; }

    /// The rectangle (y up) the cells were last laid out for; its width is the columns' width.
    QRectF visibleArea() const { return m_visibleArea; }
    void setVisibleArea(const QRectF &area);

    bool hideGroupsStatus() const { return m_hideGroupsStatus; }
    void setHideGroupsStatus(bool hide) { m_hideGroupsStatus = hide; }
    bool showsExposurePixels() const { return m_showsExposurePixels; }
    void setShowsExposurePixels(bool shows);
    bool showsFocusMask() const { return m_showsFocusMask; }
    void setShowsFocusMask(bool shows);
    bool isFocusedRegionsVisible() const { return m_focusedRegionsVisible; }
    void setFocusedRegionsVisible(bool visible);
    bool isFocusPointLatticeVisible() const { return m_focusPointLatticeVisible; }
    void setFocusPointLatticeVisible(bool visible);
    /// Whether this kind of grid may show the focused regions and the autofocus points at all.
    virtual bool showsFocusedRegions() const { return true; }
    virtual bool showsFocusPointLattice() const { return true; }

    /// The scroll view around the grid (KTGridScrollView installs itself); null without one.
    KTScrollHost *scrollHost() const { return m_scrollHost; }
    void setScrollHost(KTScrollHost *host) { m_scrollHost = host; }

    // The grid's rules; subclasses override what they change.
    virtual qsizetype calculateNumberOfCells();
    virtual KTImageMO *imageMOAtIndex(qsizetype index);
    virtual double calculateProposedCellSize();
    /// Computes cell side, columns, rows, view and document size from one proposed side.
    virtual void adjustSize();
    /// Drops every cell, counts the cells again and recomputes the size.
    virtual void reloadData();

    /// A cell from the pool, set up for this grid; null while there are no rows or columns.
    KTImageCollectionViewCell *cell();
    /// The visible cell of `record`, made and registered when missing; null without a path.
    KTImageCollectionViewCell *cellForImageMO(KTImageMO *record);
    /// Attaches a cell to this grid (nothing for a cell already attached).
    virtual void prepareCell(KTImageCollectionViewCell *cell);
    /// The cell of an index with its index and type set; null without columns or record.
    virtual KTImageCollectionViewCell *cellAtIndex(qsizetype index);
    /// The type bits of the cell at `index` (KTImageCollectionViewCell::CellType), set in one
    /// step so a cell laid out again sees no passing change.
    virtual unsigned cellTypeForIndex(qsizetype index) const;
    /// The frame of a cell (y up); the zero rectangle without columns or for a negative index.
    virtual QRectF frameForCellAtIndex(qsizetype index) const;
    virtual std::vector<qsizetype> indexesOfCellsThatIntersectRect(const QRectF &rect) const;
    /// Drops, places and shows cells for a new visible rectangle (y up).
    virtual void layoutCellsInNewVisibleRect(const QRectF &rect);
    void enumerateVisibleCellsUsingBlock(
        const std::function<void(KTImageCollectionViewCell *, bool &stop)> &block);
    const QHash<QString, KTImageCollectionViewCell *> &visibleCells() const { return m_visibleCells; }
    /// The frame of an index in Qt's coordinates of this view.
    QRectF qtFrameForCellAtIndex(qsizetype index) const;

    // KTImageCollectionViewCellDelegate: here they only log; the selectable lists act.
    void onTrashClicked(KTImageCollectionViewCell *cell) override;
    void onFlagClicked(KTImageCollectionViewCell *cell) override;

protected:
    KTGridGeometry &mutableGridGeometry() { return m_geometry; }
    /// Gives every registered cell's record back and empties the visible cells.
    void dropAllCells();
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidUnhide() override;

private:
    void forgetIndexOfCell(KTImageCollectionViewCell *cell);
    /// cellForImageMO(), with a newly taken cell moved to the frame of `index` (when given)
    /// before it is bound.
    KTImageCollectionViewCell *bindCellForImageMO(KTImageMO *record, std::optional<qsizetype> index);
    /// Moves the cell's root view to the frame of `index`.
    void placeCell(KTImageCollectionViewCell *cell, qsizetype index);
    void pushOverlaySwitches(KTImageCollectionViewCell *cell) const;

    KTGridGeometry m_geometry;
    double m_minimumCellSize = 150;
    QHash<QString, KTImageCollectionViewCell *> m_visibleCells;
    // The same cells by index, so a layout that only moves the view passes them by.
    QHash<qsizetype, KTImageCollectionViewCell *> m_cellsByIndex;
    // During a layout: the cells that left the visible area, still bound, for cell() to reuse.
    std::vector<KTImageCollectionViewCell *> m_leavingCells;
    QRectF m_visibleArea;
    KTGridBackground m_background;
    QString m_name;
    mutable QString m_emptyMessage;
    KTOperationQueue *m_loadingThumbnailsQueue = nullptr;
    bool m_hideGroupsStatus = false;
    bool m_showsExposurePixels = false;
    bool m_showsFocusMask = false;
    bool m_focusedRegionsVisible = false;
    bool m_focusPointLatticeVisible = false;
    KTScrollHost *m_scrollHost = nullptr;
    QMetaObject::Connection m_focusedRegionsConnection;
    QMetaObject::Connection m_latticeConnection;
};
