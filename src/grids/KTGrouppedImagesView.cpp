#include "KTGrouppedImagesView.h"

#include "KTColor.h"
#include "KTDispatch.h"
#include "KTGrouppedImagesCellView.h"
#include "KTGrouppedImagesViewDataSource.h"
#include "KTScrollHost.h"
#include "KTViewAdditions.h"

#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>

KTGrouppedImagesView::KTGrouppedImagesView(QWidget *parent) : KTDrawView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Opaque, so that scrolling moves the pixels already drawn and paints only what comes in.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_background.color = KTPalette::kPanel;
}

KTGrouppedImagesView::~KTGrouppedImagesView() = default;

void KTGrouppedImagesView::setDataSource(KTGrouppedImagesViewDataSource *dataSource)
{
    m_dataSource.set(dataSource);
}

void KTGrouppedImagesView::setBackground(const KTGridBackground &background)
{
    m_background = background;
    update();
}

void KTGrouppedImagesView::setEmptyMessage(const QString &message)
{
    m_emptyMessage = message;
    update();
}

qsizetype KTGrouppedImagesView::numberOfGroups()
{
    KTGrouppedImagesViewDataSource *source = m_dataSource.get();
    return source ? std::max<qsizetype>(source->numberOfGroups(this), 0) : 0;
}

QList<KTImageMO *> KTGrouppedImagesView::imagesForGroupAtIndex(qsizetype index)
{
    KTGrouppedImagesViewDataSource *source = m_dataSource.get();
    return source ? source->imagesForGroupAtIndex(index, this) : QList<KTImageMO *>();
}

QRectF KTGrouppedImagesView::visibleArea() const
{
    return m_scrollHost ? m_scrollHost->documentVisibleRect() : QRectF();
}

KTGrouppedImagesCellView *KTGrouppedImagesView::newCell()
{
    return new KTGrouppedImagesCellView(this);
}

KTGroupRowLayout KTGrouppedImagesView::rowLayoutForGroupAtIndex(qsizetype) const
{
    return KTGrouppedImagesCellView::defaultLayout();
}

void KTGrouppedImagesView::prepareRow(KTGrouppedImagesCellView *, qsizetype) {}

void KTGrouppedImagesView::resetCell(KTGrouppedImagesCellView *row)
{
    row->hide();
    row->setDataSource(nullptr);
    row->reloadRow(0);
    row->setVisibleArea({});
}

void KTGrouppedImagesView::reloadData()
{
    Q_ASSERT(isMainThread());
    for (KTGrouppedImagesCellView *row : std::as_const(m_visibleRows)) {
        resetCell(row);
        m_pool.append(row);
    }
    m_visibleRows.clear();
    const qsizetype groups = numberOfGroups();
    m_counts.assign(std::size_t(groups), 0);
    for (qsizetype index = 0; index < groups; ++index)
        m_counts[std::size_t(index)] = imagesForGroupAtIndex(index).size();
    adjustUI();
}

void KTGrouppedImagesView::adjustUI()
{
    adjustSize();
    resizeToViewSize();
    if (!isHiddenOrHasHiddenAncestor(this))
        layoutGroupsCellsInNewVisibleRect(visibleArea());
    update();
}

void KTGrouppedImagesView::resizeToViewSize()
{
    const QSize size = m_viewSize.toSize();
    if (!size.isEmpty() && size != this->size())
        resize(size);
}

void KTGrouppedImagesView::adjustSize()
{
    const QRectF visible = visibleArea();
    const double left = m_lowLeftMargins.width();
    const double bottom = m_lowLeftMargins.height();
    const double right = m_topRightMargins.width();
    const double top = m_topRightMargins.height();
    const double space = m_intergroupSpace;
    m_rowWidth = std::max(0.0, visible.width() - (left + right));

    std::vector<double> heights(m_counts.size());
    double total = 0;
    for (std::size_t index = 0; index < m_counts.size(); ++index) {
        heights[index] = KTGridGeometry::groupRow(rowLayoutForGroupAtIndex(qsizetype(index)), m_rowWidth,
                                                  m_counts[index], m_zoomValue)
                             .viewSize.height();
        total += heights[index];
    }
    double height = m_counts.empty() ? 0 : bottom + top + total + double(m_counts.size()) * space;
    height = std::max(height, visible.height());

    m_frames.clear();
    m_frames.reserve(m_counts.size());
    double y = height - top - space / 2;
    for (double rowHeight : heights) {
        y -= rowHeight;
        m_frames.emplace_back(left, y, m_rowWidth, rowHeight);
        y -= space;
    }
    const qsizetype steps = KTGridGeometry::groupRowZoomSteps(rowLayoutForGroupAtIndex(0), m_rowWidth);
    if (steps != m_numberOfZoomSteps) {
        m_numberOfZoomSteps = steps;
        emit numberOfZoomStepsChanged(steps);
    }
    m_viewSize = QSizeF(visible.width(), height);
    m_shouldLayoutAllGroupsCells = true;
}

KTGrouppedImagesCellView *KTGrouppedImagesView::takeRow()
{
    if (!m_pool.isEmpty())
        return m_pool.takeLast();
    ++m_rowsMade;
    KTGrouppedImagesCellView *row = newCell();
    row->hide();
    return row;
}

std::vector<qsizetype> KTGrouppedImagesView::indexesOfGroupsWhatVisibleInRect(const QRectF &rect) const
{
    std::vector<qsizetype> indexes;
    if (rect.isEmpty() || m_frames.empty())
        return indexes;
    // Frames run down from the top: the first frame whose bottom lies below the rectangle's top
    // starts the range.
    const auto first = std::partition_point(m_frames.begin(), m_frames.end(), [&rect](const QRectF &frame) {
        return frame.y() >= rect.bottom();
    });
    for (auto it = first; it != m_frames.end() && it->bottom() > rect.y(); ++it)
        if (it->intersects(rect))
            indexes.push_back(qsizetype(it - m_frames.begin()));
    return indexes;
}

QRectF KTGrouppedImagesView::frameForCellAtIndex(qsizetype index) const
{
    return index >= 0 && index < qsizetype(m_frames.size()) ? m_frames[std::size_t(index)] : QRectF();
}

KTGrouppedImagesCellView *KTGrouppedImagesView::cellAtIndex(qsizetype index) const
{
    return m_visibleRows.value(index);
}

void KTGrouppedImagesView::placeRow(KTGrouppedImagesCellView *row, const QRectF &visible)
{
    const QRectF frame = frameForCellAtIndex(row->groupIndex());
    const QRect qtFrame = KTGridGeometry::flipped(frame, height()).toRect();
    if (row->geometry() != qtFrame)
        row->setGeometry(qtFrame);
    // The visible part in the row's own coordinates (y up from its bottom edge).
    const QRectF part = visible.intersected(frame).translated(-frame.topLeft());
    row->layoutCellsInNewVisibleRect(part);
    row->show();
}

void KTGrouppedImagesView::layoutGroupsCellsInNewVisibleRect(const QRectF &rect)
{
    Q_ASSERT(isMainThread());
    const bool relayoutAll = m_shouldLayoutAllGroupsCells;
    m_shouldLayoutAllGroupsCells = false;

    // Rows that neither the new nor the previous rectangle meets go back to the pool.
    for (auto it = m_visibleRows.begin(); it != m_visibleRows.end();) {
        const qsizetype group = it.key();
        const QRectF frame = frameForCellAtIndex(group);
        const bool stays = group < numberOfCells() && !rect.isEmpty() &&
                           (frame.intersects(rect) || (!relayoutAll && frame.intersects(m_laidOutArea)));
        if (stays) {
            ++it;
            continue;
        }
        resetCell(it.value());
        m_pool.append(it.value());
        it = m_visibleRows.erase(it);
    }
    if (relayoutAll)
        for (KTGrouppedImagesCellView *row : std::as_const(m_visibleRows)) {
            row->setZoomValue(m_zoomValue);
            row->setRowLayout(rowLayoutForGroupAtIndex(row->groupIndex()));
            // Cells stay bound where their record stays visible, as they do while scrolling.
            row->relayoutRow(m_rowWidth);
        }

    for (qsizetype group : indexesOfGroupsWhatVisibleInRect(rect)) {
        if (m_visibleRows.contains(group))
            continue;
        KTGrouppedImagesCellView *row = takeRow();
        row->setTopCell(group == 0);
        row->setLoadingThumbnailsQueue(m_loadingThumbnailsQueue);
        row->setGroupIndex(group);
        row->setDataSource(this);
        row->setZoomValue(m_zoomValue);
        row->setRowLayout(rowLayoutForGroupAtIndex(group));
        prepareRow(row, group);
        row->reloadRow(m_rowWidth);
        m_visibleRows.insert(group, row);
    }
    for (KTGrouppedImagesCellView *row : std::as_const(m_visibleRows))
        placeRow(row, rect);
    m_laidOutArea = rect;
}

void KTGrouppedImagesView::setZoomValue(double zoom)
{
    if (zoom == m_zoomValue)
        return;
    m_zoomValue = zoom;
    adjustUI();
}

void KTGrouppedImagesView::clipViewBoundsDidChange()
{
    if (!m_defersLayout && !isHiddenOrHasHiddenAncestor(this))
        layoutGroupsCellsInNewVisibleRect(visibleArea());
    if (!m_doesNotUpdateVisibleAmount)
        updateVisibleAmount();
}

void KTGrouppedImagesView::clipViewFrameDidChange()
{
    if (isHiddenOrHasHiddenAncestor(this))
        return;
    {
        // The rows are laid out once, where the list ends up: laid out at the passing position of
        // the new height first, the groups shown would leave and come back, each cell rebound.
        const QScopedValueRollback defer(m_defersLayout, true);
        adjustSize();
        resizeToViewSize();
        if (!m_doesNotUpdateVisibleAmount)
            adjustVisibleAmount();
    }
    layoutGroupsCellsInNewVisibleRect(visibleArea());
    update();
}

void KTGrouppedImagesView::updateVisibleAmount()
{
    m_visibleAmount = KTGridGeometry::visibleAmount(visibleArea(), height());
}

void KTGrouppedImagesView::adjustVisibleAmount()
{
    if (!m_scrollHost)
        return;
    m_doesNotUpdateVisibleAmount = true;
    const QRectF visible = visibleArea();
    if (const std::optional<double> y =
            KTGridGeometry::scrollYForVisibleAmount(m_visibleAmount, visible, height()))
        m_scrollHost->scrollToPoint(QPointF(visible.x(), *y));
    m_doesNotUpdateVisibleAmount = false;
}

void KTGrouppedImagesView::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    adjustUI();
}

void KTGrouppedImagesView::drawInRect(QPainter &painter, const QRectF &dirty)
{
    m_background.draw(painter, dirty, QRectF(rect()), devicePixelRatioF());
    if (numberOfCells() == 0)
        KTGridBackground::drawEmptyMessage(painter, QRectF(rect()), m_emptyMessage);
}
