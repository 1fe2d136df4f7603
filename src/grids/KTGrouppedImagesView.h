#pragma once

#include "KTDrawView.h"
#include "KTGridBackground.h"
#include "KTGridGeometry.h"
#include "KTWeakDelegate.h"

#include <QHash>
#include <QList>

#include <vector>

class KTGrouppedImagesCellView;
class KTGrouppedImagesViewDataSource;
class KTImageMO;
class KTOperationQueue;
class KTScrollHost;

/// The scrolling list of image groups of the similar-groups and timeline modes: one row per group,
/// each a small thumbnail grid, stacked from the top (y up: group 0 has the largest y). It computes
/// every row's frame from the rows' pure geometry (KTGridGeometry::groupRow) for the current width
/// and zoom, and puts row widgets only where groups meet the visible part of its KTGridScrollView:
/// rows that leave go back to a pool with their cells, rows that come are taken from it, so
/// scrolling 2,000 groups keeps a screenful of rows and cells. It keeps the relative scroll
/// position across resizes and draws its background and an empty-list message.
///
/// Subclasses choose the row class (newCell()), each group's row layout (a header above the
/// thumbnails), and set a row up for its group (prepareRow()).
///
/// Threading: main thread only.
class KTGrouppedImagesView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTGrouppedImagesView(QWidget *parent = nullptr);
    ~KTGrouppedImagesView() override;

    KTGrouppedImagesViewDataSource *dataSource() const { return m_dataSource.get(); }
    void setDataSource(KTGrouppedImagesViewDataSource *dataSource);

    /// Width: left margin, height: bottom margin (1, 1).
    QSizeF groupsLowLeftMargins() const { return m_lowLeftMargins; }
    void setGroupsLowLeftMargins(const QSizeF &margins) { m_lowLeftMargins = margins; }
    /// Width: right margin, height: top margin (1, 1).
    QSizeF groupsTopRightMargins() const { return m_topRightMargins; }
    void setGroupsTopRightMargins(const QSizeF &margins) { m_topRightMargins = margins; }
    double intergroupVerticalSpace() const { return m_intergroupSpace; }
    void setIntergroupVerticalSpace(double space) { m_intergroupSpace = space; }

    double zoomValue() const { return m_zoomValue; }
    /// 0 the most columns, 1 the fewest; a change lays every row out again.
    void setZoomValue(double zoom);
    /// The number of column counts the zoom offers at the current width (a slider's tick marks).
    qsizetype numberOfZoomSteps() const { return m_numberOfZoomSteps; }

    KTOperationQueue *loadingThumbnailsQueue() const { return m_loadingThumbnailsQueue; }
    void setLoadingThumbnailsQueue(KTOperationQueue *queue) { m_loadingThumbnailsQueue = queue; }
    KTGridBackground background() const { return m_background; }
    void setBackground(const KTGridBackground &background);
    QString emptyMessage() const { return m_emptyMessage; }
    void setEmptyMessage(const QString &message);

    /// The number of groups (rows).
    qsizetype numberOfCells() const { return qsizetype(m_counts.size()); }
    qsizetype numberOfGroups();
    QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index);
    /// The size the list wants: the visible width and the rows' height (at least the visible one).
    QSizeF viewSize() const { return m_viewSize; }
    /// The visible part of the list (y up), the zero rectangle without a scroll view.
    QRectF visibleArea() const;

    KTScrollHost *scrollHost() const { return m_scrollHost; }
    void setScrollHost(KTScrollHost *host) { m_scrollHost = host; }

    /// Asks the data source again and rebuilds every row.
    virtual void reloadData();
    /// Recomputes the frames, resizes the list and lays the rows out.
    void adjustUI();
    /// Computes every row's frame, the zoom steps and the view size.
    void adjustSize();
    /// Shows the rows that meet `rect` (y up) and puts the others back.
    virtual void layoutGroupsCellsInNewVisibleRect(const QRectF &rect);

    /// The row showing group `index`, or null when the group is not on screen.
    KTGrouppedImagesCellView *cellAtIndex(qsizetype index) const;
    /// The frame of group `index` (y up); the zero rectangle beyond the end.
    QRectF frameForCellAtIndex(qsizetype index) const;
    /// The groups whose frames meet `rect`, ascending.
    std::vector<qsizetype> indexesOfGroupsWhatVisibleInRect(const QRectF &rect) const;
    /// The rows on screen, by group.
    const QHash<qsizetype, KTGrouppedImagesCellView *> &visibleCells() const { return m_visibleRows; }
    /// Rows waiting in the pool.
    qsizetype numberOfPooledCells() const { return m_pool.size(); }
    /// Every row widget made so far (on screen or pooled).
    qsizetype numberOfRowsMade() const { return m_rowsMade; }

    void clipViewBoundsDidChange();
    void clipViewFrameDidChange();
    double visibleAmount() const { return m_visibleAmount; }
    void updateVisibleAmount();
    void adjustVisibleAmount();

signals:
    void numberOfZoomStepsChanged(qsizetype steps);

protected:
    /// A new row of this list's kind.
    virtual KTGrouppedImagesCellView *newCell();
    /// The layout of group `index`'s row (its margins and header).
    virtual KTGroupRowLayout rowLayoutForGroupAtIndex(qsizetype index) const;
    /// Sets a row up for group `index` before it loads its images.
    virtual void prepareRow(KTGrouppedImagesCellView *row, qsizetype index);
    /// Takes a row off screen: its cells go back to the pool.
    virtual void resetCell(KTGrouppedImagesCellView *row);
    /// The images of each group as counted at the last reload.
    const std::vector<qsizetype> &groupCounts() const { return m_counts; }
    /// The width every row is laid out for.
    double rowWidth() const { return m_rowWidth; }

    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidUnhide() override;

private:
    KTGrouppedImagesCellView *takeRow();
    void resizeToViewSize();
    void placeRow(KTGrouppedImagesCellView *row, const QRectF &visible);

    KTWeakDelegate<KTGrouppedImagesViewDataSource> m_dataSource;
    QSizeF m_lowLeftMargins{1, 1};
    QSizeF m_topRightMargins{1, 1};
    double m_intergroupSpace = 0;
    double m_zoomValue = 0;
    qsizetype m_numberOfZoomSteps = 0;
    KTOperationQueue *m_loadingThumbnailsQueue = nullptr;
    KTGridBackground m_background;
    QString m_emptyMessage;
    KTScrollHost *m_scrollHost = nullptr;

    std::vector<qsizetype> m_counts;
    std::vector<QRectF> m_frames;
    QSizeF m_viewSize;
    double m_rowWidth = 0;
    bool m_shouldLayoutAllGroupsCells = false;
    QRectF m_laidOutArea;
    QHash<qsizetype, KTGrouppedImagesCellView *> m_visibleRows;
    QList<KTGrouppedImagesCellView *> m_pool;
    qsizetype m_rowsMade = 0;
    double m_visibleAmount = 0;
    bool m_doesNotUpdateVisibleAmount = false;
    bool m_defersLayout = false;
};
