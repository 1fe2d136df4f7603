#include "KTImageCollectionView.h"

#include "KTColor.h"
#include "KTDispatch.h"
#include "KTFocusedRegionsManager.h"
#include "KTGridServices.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellsManager.h"
#include "KTImageMO.h"
#include "KTLocalization.h"

#include <QCursor>
#include <QPainter>

namespace {

bool intersects(const QRectF &a, const QRectF &b)
{
    return a.intersects(b);
}

} // namespace

KTImageCollectionView::KTImageCollectionView(QWidget *parent) : KTDrawView(parent)
{
    KTFocusedRegionsManager &regions = KTGridServices::focusedRegionsManager();
    m_focusedRegionsVisible = regions.isFocusedRegionsVisible();
    m_focusPointLatticeVisible = regions.isFocusPointLatticeVisible();
    m_focusedRegionsConnection = connect(&regions, &KTFocusedRegionsManager::focusedRegionsVisibleChanged,
                                         this, &KTImageCollectionView::setFocusedRegionsVisible);
    m_latticeConnection = connect(&regions, &KTFocusedRegionsManager::focusPointLatticeVisibleChanged, this,
                                  &KTImageCollectionView::setFocusPointLatticeVisible);
}

KTImageCollectionView::~KTImageCollectionView()
{
    // The cells outlive every grid: take them out before the widget tree goes.
    KTImageCollectionViewCellsManager::sharedManager().releaseCellsOfView(this);
    m_visibleCells.clear();
    m_cellsByIndex.clear();
}

void KTImageCollectionView::setLowLeftMargins(const QSizeF &margins)
{
    m_geometry.leftMargin = margins.width();
    m_geometry.bottomMargin = margins.height();
}

void KTImageCollectionView::setTopRightMargins(const QSizeF &margins)
{
    m_geometry.rightMargin = margins.width();
    m_geometry.topMargin = margins.height();
}

void KTImageCollectionView::setIntercellSpace(const QSizeF &space)
{
    m_geometry.horizontalSpace = space.width();
    m_geometry.verticalSpace = space.height();
}

void KTImageCollectionView::setBackgroundColor(const QColor &color)
{
    m_background.color = color;
    update();
}

void KTImageCollectionView::setBackgroundPattern(const QString &name)
{
    m_background.pattern = name;
    update();
}

void KTImageCollectionView::setGradientColor(const QColor &color)
{
    m_background.gradient = color;
    update();
}

QString KTImageCollectionView::emptyMessage() const
{
    if (m_emptyMessage.isEmpty() && !m_name.isEmpty())
        m_emptyMessage = ktLocalizedString(QStringLiteral("%1 is empty")).arg(m_name);
    return m_emptyMessage;
}

void KTImageCollectionView::setVisibleArea(const QRectF &area)
{
    m_visibleArea = area;
    m_geometry.visibleWidth = area.width();
    m_geometry.visibleHeight = area.height();
}

qsizetype KTImageCollectionView::calculateNumberOfCells()
{
    return 0;
}

KTImageMO *KTImageCollectionView::imageMOAtIndex(qsizetype)
{
    return nullptr;
}

double KTImageCollectionView::calculateProposedCellSize()
{
    return m_minimumCellSize;
}

void KTImageCollectionView::adjustSize()
{
    m_geometry.visibleWidth = m_visibleArea.width();
    m_geometry.visibleHeight = m_visibleArea.height();
    m_geometry.adjust(calculateProposedCellSize());
}

void KTImageCollectionView::dropAllCells()
{
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells)) {
        cell->setImageMO(nullptr);
        pool.hideCell(cell);
    }
    m_visibleCells.clear();
    m_cellsByIndex.clear();
}

void KTImageCollectionView::forgetIndexOfCell(KTImageCollectionViewCell *cell)
{
    const auto it = m_cellsByIndex.find(qsizetype(cell->index()));
    if (it != m_cellsByIndex.end() && it.value() == cell)
        m_cellsByIndex.erase(it);
}

void KTImageCollectionView::reloadData()
{
    Q_ASSERT_X(isMainThread(), "reloadData", "Should be main thread");
    dropAllCells();
    m_geometry.numberOfCells = std::max<qsizetype>(calculateNumberOfCells(), 0);
    adjustSize();
    update();
}

void KTImageCollectionView::pushOverlaySwitches(KTImageCollectionViewCell *cell) const
{
    cell->setHideGroupsStatus(m_hideGroupsStatus);
    cell->setShowsExposurePixels(m_showsExposurePixels);
    cell->setShowsFocusMask(m_showsFocusMask);
    cell->setFocusedRegionsVisible(m_focusedRegionsVisible && showsFocusedRegions());
    cell->setFocusPointLatticeVisible(m_focusPointLatticeVisible && showsFocusPointLattice());
}

KTImageCollectionViewCell *KTImageCollectionView::cell()
{
    if (m_geometry.numberOfRows == 0 || m_geometry.numberOfColumns == 0)
        return nullptr;
    KTImageCollectionViewCell *result = nullptr;
    if (!m_leavingCells.empty()) {
        // A cell that left the visible area in this layout, already attached and shown here:
        // binding moves it from its old record to the new one, and cellAtIndex() gives it its
        // type in one step.
        result = m_leavingCells.back();
        m_leavingCells.pop_back();
    } else {
        result = KTImageCollectionViewCellsManager::sharedManager().cell();
        result->setCellType(KTImageCollectionViewCell::PlainGridCell);
    }
    result->setPickedAndRejectButtonsEnabled(true);
    pushOverlaySwitches(result);
    return result;
}

KTImageCollectionViewCell *KTImageCollectionView::cellForImageMO(KTImageMO *record)
{
    return bindCellForImageMO(record, std::nullopt);
}

KTImageCollectionViewCell *KTImageCollectionView::bindCellForImageMO(KTImageMO *record,
                                                                     std::optional<qsizetype> index)
{
    Q_ASSERT_X(isMainThread(), "cellForImageMO", "The thread for cellForImageMO: should be main");
    if (!record || record->path().isEmpty())
        return nullptr;
    const QString path = record->path();
    if (KTImageCollectionViewCell *existing = m_visibleCells.value(path)) {
        // The cell may have let go of a deleted record of the same path.
        existing->setImageMO(record);
        return existing;
    }
    KTImageCollectionViewCell *made = cell();
    if (!made)
        return nullptr;
    prepareCell(made);
    // Placed first, the cell's repaints for the new record fall where the scroll has already
    // exposed the view, and Qt drops them, instead of each view queueing its own at its old
    // place.
    if (index)
        placeCell(made, *index);
    made->setImageMO(record);
    m_visibleCells.insert(path, made);
    return made;
}

void KTImageCollectionView::prepareCell(KTImageCollectionViewCell *cell)
{
    QWidget *root = cell->rootView();
    if (root->parentWidget() == this)
        return;
    cell->setDelegate(this);
    root->setParent(this);
    cell->setLoadPreviewsQueue(m_loadingThumbnailsQueue);
}

KTImageCollectionViewCell *KTImageCollectionView::cellAtIndex(qsizetype index)
{
    if (m_geometry.numberOfColumns == 0 || index < 0)
        return nullptr;
    KTImageCollectionViewCell *result = bindCellForImageMO(imageMOAtIndex(index), index);
    if (!result)
        return nullptr;
    if (qsizetype(result->index()) != index)
        forgetIndexOfCell(result);
    result->setIndex(unsigned(index));
    m_cellsByIndex.insert(index, result);
    result->setCellType(cellTypeForIndex(index));
    return result;
}

unsigned KTImageCollectionView::cellTypeForIndex(qsizetype index) const
{
    unsigned type = KTImageCollectionViewCell::PlainGridCell;
    if (m_geometry.numberOfColumns > 0 && index % m_geometry.numberOfColumns == 0)
        type |= KTImageCollectionViewCell::FirstColumn;
    if (index < m_geometry.numberOfColumns)
        type |= KTImageCollectionViewCell::FirstRow;
    return type;
}

QRectF KTImageCollectionView::frameForCellAtIndex(qsizetype index) const
{
    return m_geometry.frameForCellAtIndex(index, height());
}

std::vector<qsizetype> KTImageCollectionView::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    return m_geometry.indexesOfCellsThatIntersectRect(rect);
}

QRectF KTImageCollectionView::qtFrameForCellAtIndex(qsizetype index) const
{
    return KTGridGeometry::flipped(frameForCellAtIndex(index), height());
}

void KTImageCollectionView::layoutCellsInNewVisibleRect(const QRectF &rect)
{
    Q_ASSERT_X(isMainThread(), "layoutCellsInNewVisibleRect",
               "The thread for layoutCellsInNewVisibleRect should be main");
    const QRectF previous = m_visibleArea;
    // A cell still in the previous rectangle survives this layout; after a change of geometry it
    // moves to its index's new frame. The others keep their record and stay shown until the new
    // indexes have taken what they need (cell() hands them out first): hiding a cell and showing
    // it again costs more than binding it.
    for (auto it = m_visibleCells.begin(); it != m_visibleCells.end();) {
        KTImageCollectionViewCell *cell = it.value();
        const auto index = qsizetype(cell->index());
        const QRectF frame = frameForCellAtIndex(index);
        if (!rect.isEmpty() && index < m_geometry.numberOfCells &&
            (intersects(frame, previous) || intersects(frame, rect))) {
            placeCell(cell, index);
            ++it;
            continue;
        }
        forgetIndexOfCell(cell);
        m_leavingCells.push_back(cell);
        it = m_visibleCells.erase(it);
    }

    const QRectF bounds(0, 0, width(), height());
    if (rect.intersects(bounds)) {
        const QPointF mouse = mapFromGlobal(QCursor::pos());
        for (qsizetype index : indexesOfCellsThatIntersectRect(rect)) {
            // A cell already showing this index keeps its record and state; only its type may
            // change with the columns. New ones are set up.
            KTImageCollectionViewCell *cell = m_cellsByIndex.value(index);
            if (cell) {
                cell->setCellType(cellTypeForIndex(index));
            } else {
                cell = cellAtIndex(index);
                if (!cell)
                    continue;
                placeCell(cell, index);
            }
            QWidget *root = cell->rootView();
            root->show();
            cell->mouseEventHandlingView()->setMouseInBounds(QRectF(root->geometry()).contains(mouse) &&
                                                             underMouse());
        }
    }
    // What no new index took goes back to the pool.
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    for (KTImageCollectionViewCell *cell : m_leavingCells) {
        cell->setImageMO(nullptr);
        pool.hideCell(cell);
    }
    m_leavingCells.clear();
    m_visibleArea = rect;
}

void KTImageCollectionView::placeCell(KTImageCollectionViewCell *cell, qsizetype index)
{
    const QRect frame =
        KTGridGeometry::flipped(KTGridGeometry::roundRect(frameForCellAtIndex(index)), height()).toRect();
    QWidget *root = cell->rootView();
    if (root->geometry() != frame)
        root->setGeometry(frame);
}

void KTImageCollectionView::enumerateVisibleCellsUsingBlock(
    const std::function<void(KTImageCollectionViewCell *, bool &)> &block)
{
    bool stop = false;
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells)) {
        block(cell, stop);
        if (stop)
            break;
    }
}

void KTImageCollectionView::setShowsExposurePixels(bool shows)
{
    if (shows == m_showsExposurePixels)
        return;
    m_showsExposurePixels = shows;
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells))
        cell->setShowsExposurePixels(shows);
}

void KTImageCollectionView::setShowsFocusMask(bool shows)
{
    if (shows == m_showsFocusMask)
        return;
    m_showsFocusMask = shows;
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells))
        cell->setShowsFocusMask(shows);
}

void KTImageCollectionView::setFocusedRegionsVisible(bool visible)
{
    if (visible == m_focusedRegionsVisible)
        return;
    m_focusedRegionsVisible = visible;
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells))
        cell->setFocusedRegionsVisible(visible && showsFocusedRegions());
}

void KTImageCollectionView::setFocusPointLatticeVisible(bool visible)
{
    if (visible == m_focusPointLatticeVisible)
        return;
    m_focusPointLatticeVisible = visible;
    for (KTImageCollectionViewCell *cell : std::as_const(m_visibleCells))
        cell->setFocusPointLatticeVisible(visible && showsFocusPointLattice());
}

void KTImageCollectionView::onTrashClicked(KTImageCollectionViewCell *)
{
    qWarning("%s should be subclassed", "onTrashClicked:");
}

void KTImageCollectionView::onFlagClicked(KTImageCollectionViewCell *)
{
    qWarning("%s should be subclassed", "onFlagClicked:");
}

void KTImageCollectionView::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    update();
}

void KTImageCollectionView::drawInRect(QPainter &painter, const QRectF &dirty)
{
    m_background.draw(painter, dirty, QRectF(rect()), devicePixelRatioF());
    if (numberOfCells() == 0)
        KTGridBackground::drawEmptyMessage(painter, QRectF(rect()), emptyMessage());
}
