#include "KTGrouppedImagesBrowserView.h"

#include "KTDispatch.h"
#include "KTGridKeys.h"
#include "KTGridServices.h"
#include "KTGrouppedImagesBrowserViewCell.h"
#include "KTGrouppedImagesBrowserViewDelegate.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageListView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTKeyEquivalent.h"
#include "KTScrollHost.h"
#include "KTTimeLineImagesGroupsView.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <cmath>

namespace {

void logBadIndex(const char *message, qsizetype index = -1)
{
    if (index < 0)
        qWarning("%s", message);
    else
        qWarning(message, static_cast<long>(index));
}

} // namespace

KTGrouppedImagesBrowserView::KTGrouppedImagesBrowserView(QWidget *parent) : KTGrouppedImagesView(parent) {}

KTGrouppedImagesBrowserView::~KTGrouppedImagesBrowserView() = default;

void KTGrouppedImagesBrowserView::setDelegate(KTGrouppedImagesBrowserViewDelegate *delegate)
{
    m_delegate.set(delegate);
}

void KTGrouppedImagesBrowserView::setShowDateTitles(bool show)
{
    if (show == m_showDateTitles)
        return;
    m_showDateTitles = show;
    reloadData();
}

KTGrouppedImagesCellView *KTGrouppedImagesBrowserView::newCell()
{
    return new KTGrouppedImagesBrowserViewCell(this);
}

bool KTGrouppedImagesBrowserView::showsDaySectionForGroupAtIndex(qsizetype index) const
{
    return m_showDateTitles && index >= 0 && index < qsizetype(m_daySections.size()) &&
           m_daySections[std::size_t(index)];
}

KTGroupRowLayout KTGrouppedImagesBrowserView::rowLayoutForGroupAtIndex(qsizetype index) const
{
    return KTGrouppedImagesBrowserViewCell::browserLayout(m_showDateTitles,
                                                          showsDaySectionForGroupAtIndex(index));
}

qsizetype KTGrouppedImagesBrowserView::numberOfColumns() const
{
    if (m_ranges.empty())
        return 0;
    return KTGridGeometry::groupRow(rowLayoutForGroupAtIndex(0), rowWidth(), 1, zoomValue()).numberOfColumns;
}

void KTGrouppedImagesBrowserView::reloadData()
{
    m_allImages.clear();
    m_ranges.clear();
    m_groupsIndexesForImages.clear();
    const qsizetype groups = numberOfGroups();
    for (qsizetype group = 0; group < groups; ++group) {
        const QList<KTImageMO *> images = imagesForGroupAtIndex(group);
        if (images.isEmpty())
            logBadIndex("Error: Group %ld is empty.", group);
        m_ranges.emplace_back(m_allImages.size(), images.size());
        m_allImages.append(makeRecordRefs(images));
        m_groupsIndexesForImages.insert(m_groupsIndexesForImages.end(), std::size_t(images.size()), group);
    }

    // A day band opens each group whose day differs from the last image of the group before.
    m_daySections.assign(m_ranges.size(), false);
    for (std::size_t group = 0; group < m_ranges.size(); ++group) {
        const auto [location, length] = m_ranges[group];
        QDateTime reference;
        for (qsizetype index = location; index < location + length; ++index) {
            KTImageMO *record = m_allImages.at(index);
            if (!record)
                continue;
            if (!reference.isValid()) {
                reference = record->timeStamp();
            } else if (!KTTimeLineImagesGroupsView::isSameDay(reference, record->timeStamp())) {
                qWarning("Error: Images in group should be captured at one day");
                break;
            }
        }
        if (!reference.isValid())
            continue;
        if (group == 0) {
            m_daySections[group] = true;
            continue;
        }
        const auto [previousLocation, previousLength] = m_ranges[group - 1];
        const KTImageMO *previousLast =
            previousLength > 0 ? m_allImages.at(previousLocation + previousLength - 1) : nullptr;
        m_daySections[group] =
            !previousLast || !KTTimeLineImagesGroupsView::isSameDay(reference, previousLast->timeStamp());
    }

    KTGrouppedImagesView::reloadData();
    validateSelection();
    adjustSelection();
    scrollSelectedCellToVisible();
    update();
}

void KTGrouppedImagesBrowserView::prepareRow(KTGrouppedImagesCellView *row, qsizetype index)
{
    auto *browserRow = qobject_cast<KTGrouppedImagesBrowserViewCell *>(row);
    if (!browserRow)
        return;
    browserRow->setShowsRejectedStatus(m_showsRejectedStatus);
    browserRow->setShowDateTitle(m_showDateTitles);
    browserRow->setShowDaySection(showsDaySectionForGroupAtIndex(index));
    pushSelection(browserRow);
}

void KTGrouppedImagesBrowserView::layoutGroupsCellsInNewVisibleRect(const QRectF &rect)
{
    KTGrouppedImagesView::layoutGroupsCellsInNewVisibleRect(rect);
    adjustSelection();
}

void KTGrouppedImagesBrowserView::pushSelection(KTGrouppedImagesBrowserViewCell *row) const
{
    const qsizetype group = row->groupIndex();
    if (group >= qsizetype(m_ranges.size())) {
        qWarning("Error: Incosistency between indexesRanges and idx.");
        return;
    }
    const auto [location, length] = m_ranges[std::size_t(group)];
    std::set<qsizetype> inRow;
    const std::set<qsizetype> &selected = m_selection.indexes();
    for (auto it = selected.lower_bound(location); it != selected.end() && *it < location + length; ++it)
        inRow.insert(inRow.end(), *it - location);
    const std::optional<qsizetype> active = m_selection.active();
    row->setSelectedCellsIndexes(inRow, active && *active >= location && *active < location + length
                                            ? std::optional<qsizetype>(*active - location)
                                            : std::nullopt);
}

void KTGrouppedImagesBrowserView::adjustSelection()
{
    for (KTGrouppedImagesCellView *row : visibleCells())
        if (auto *browserRow = qobject_cast<KTGrouppedImagesBrowserViewCell *>(row))
            pushSelection(browserRow);
}

bool KTGrouppedImagesBrowserView::validateSelection()
{
    const bool changed = m_selection.validate(m_allImages.size());
    if (changed)
        adjustSelection();
    return changed;
}

void KTGrouppedImagesBrowserView::informDelegateAboutChangedSelection()
{
    if (KTGrouppedImagesBrowserViewDelegate *delegate = m_delegate.get())
        delegate->selectionDidChange(this);
}

void KTGrouppedImagesBrowserView::selectIndexes(const std::set<qsizetype> &indexes,
                                                std::optional<qsizetype> active)
{
    m_selection.set(indexes, active);
    validateSelection();
    adjustSelection();
}

void KTGrouppedImagesBrowserView::selectAllImages()
{
    m_selection.selectAll(m_allImages.size());
    adjustSelection();
}

void KTGrouppedImagesBrowserView::deselectAllImages()
{
    m_selection.deselectAll(m_allImages.size());
    adjustSelection();
}

QList<KTImageMO *> KTGrouppedImagesBrowserView::selectedImages() const
{
    QList<KTImageMO *> images;
    for (qsizetype index : m_selection.indexes())
        if (KTImageMO *record = imageMOAtIndex(index))
            images.append(record);
    return images;
}

KTImageMO *KTGrouppedImagesBrowserView::imageMOAtIndex(qsizetype flatIndex) const
{
    if (flatIndex < 0 || flatIndex >= m_allImages.size()) {
        logBadIndex("Error: Invalid index %ld", flatIndex);
        return nullptr;
    }
    return m_allImages.at(flatIndex);
}

std::optional<qsizetype> KTGrouppedImagesBrowserView::groupOfIndex(qsizetype flatIndex) const
{
    if (flatIndex < 0 || flatIndex >= qsizetype(m_groupsIndexesForImages.size()))
        return std::nullopt;
    return m_groupsIndexesForImages[std::size_t(flatIndex)];
}

QRectF KTGrouppedImagesBrowserView::frameForImageCellAtIndex(qsizetype flatIndex) const
{
    const std::optional<qsizetype> group = groupOfIndex(flatIndex);
    if (!group) {
        logBadIndex("Error: Invalid index %ld", flatIndex);
        return {};
    }
    const auto [location, length] = m_ranges[std::size_t(*group)];
    // Measured from the rows' geometry, so an image of a row not on screen has its frame too.
    const KTGroupRowLayout layout = rowLayoutForGroupAtIndex(*group);
    const KTGridGeometry row = KTGridGeometry::groupRow(layout, rowWidth(), length, zoomValue());
    const QRectF frame = frameForCellAtIndex(*group);
    return row.frameForCellAtIndex(flatIndex - location, frame.height() - layout.additionalOffset)
        .translated(frame.topLeft());
}

void KTGrouppedImagesBrowserView::scrollCellToVisibleAtIndex(qsizetype flatIndex)
{
    KTScrollHost *host = scrollHost();
    if (!host || !groupOfIndex(flatIndex))
        return;
    QRectF frame = frameForImageCellAtIndex(flatIndex);
    if (frame.isNull())
        frame = frameForImageCellAtIndex(0);
    const QRectF visible = visibleArea();
    if (visible.contains(frame))
        return;
    const double y = visible.y() > frame.y() ? frame.y() : frame.bottom() - visible.height();
    host->scrollToPoint(QPointF(visible.x(), std::round(y)));
}

void KTGrouppedImagesBrowserView::scrollSelectedCellToVisible()
{
    if (!m_doesNotScrollSelectedCellToVisible && m_selection.active())
        scrollCellToVisibleAtIndex(*m_selection.active());
}

std::optional<qsizetype> KTGrouppedImagesBrowserView::nonEmptyGroupFrom(qsizetype group,
                                                                        qsizetype direction) const
{
    const qsizetype groups = qsizetype(m_ranges.size());
    for (qsizetype step = 1; step < groups; ++step) {
        const qsizetype candidate = ((group + direction * step) % groups + groups) % groups;
        if (m_ranges[std::size_t(candidate)].second > 0)
            return candidate;
    }
    return std::nullopt;
}

std::optional<KTGrouppedImagesBrowserView::GridPosition>
KTGrouppedImagesBrowserView::gridPositionOfIndex(qsizetype flatIndex) const
{
    const std::optional<qsizetype> group = groupOfIndex(flatIndex);
    const qsizetype columns = numberOfColumns();
    if (!group || columns == 0) {
        qWarning("Error: Inconsistency between index and groupsIndexesForImages.");
        return std::nullopt;
    }
    const auto [location, length] = m_ranges[std::size_t(*group)];
    return GridPosition{*group,
                        location,
                        length,
                        columns,
                        (flatIndex - location) % columns,
                        (flatIndex - location) / columns};
}

std::optional<qsizetype> KTGrouppedImagesBrowserView::indexOfImageUpperImageAtIndex(qsizetype flatIndex) const
{
    const std::optional<GridPosition> at = gridPositionOfIndex(flatIndex);
    if (!at)
        return std::nullopt;
    if (at->row > 0)
        return at->location + at->columns * (at->row - 1) + at->column;
    // Into the last row of the group above (round to the last group), passing empty groups.
    const std::optional<qsizetype> target = nonEmptyGroupFrom(at->group, -1);
    if (!target)
        return std::nullopt;
    const auto [location, length] = m_ranges[std::size_t(*target)];
    const qsizetype lastRow = (length + at->columns - 1) / at->columns - 1;
    qsizetype k = at->columns * lastRow + at->column;
    if (k >= length)
        k = at->columns * lastRow + (length - 1) % at->columns;
    return location + k;
}

std::optional<qsizetype> KTGrouppedImagesBrowserView::indexOfImageUnderImageAtIndex(qsizetype flatIndex) const
{
    const std::optional<GridPosition> at = gridPositionOfIndex(flatIndex);
    if (!at)
        return std::nullopt;
    const qsizetype rows = (at->length + at->columns - 1) / at->columns;
    if (at->row + 1 < rows) {
        qsizetype k = at->columns * (at->row + 1) + at->column;
        if (k >= at->length)
            k = at->columns * (at->row + 1) + (at->length - 1) % at->columns;
        return at->location + k;
    }
    // Into the first row of the group below (round to the first group), passing empty groups.
    const std::optional<qsizetype> target = nonEmptyGroupFrom(at->group, +1);
    if (!target)
        return std::nullopt;
    const auto [location, length] = m_ranges[std::size_t(*target)];
    return location + (at->column < length ? at->column : (length - 1) % at->columns);
}

void KTGrouppedImagesBrowserView::finishMove(std::optional<qsizetype> indexToShow)
{
    adjustSelection();
    if (!indexToShow)
        return;
    scrollCellToVisibleAtIndex(*indexToShow);
    informDelegateAboutChangedSelection();
}

void KTGrouppedImagesBrowserView::moveSelection(Qt::KeyboardModifiers modifiers, qsizetype steps,
                                                qsizetype direction)
{
    finishMove(m_selection.move(m_allImages.size(), modifiers, steps, direction));
}

void KTGrouppedImagesBrowserView::selectLeftWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, -1);
}

void KTGrouppedImagesBrowserView::selectRightWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, +1);
}

bool KTGrouppedImagesBrowserView::wantsKey(const QKeyEvent &event) const
{
    switch (gridKeyForEvent(event)) {
    case KTGridKey::None:
        return false;
    case KTGridKey::CommandKey: {
        const QString key = keyEquivalent(event);
        return key == QLatin1String("a") || key == QLatin1String("d");
    }
    default:
        return true;
    }
}

bool KTGrouppedImagesBrowserView::performKeyDown(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = keyEquivalentModifiers(event.modifiers());
    const qsizetype count = m_allImages.size();
    const qsizetype columns = std::max<qsizetype>(numberOfColumns(), 1);
    // A plain Up or Down starts from the selection's edge; only a Shift run goes on from its anchor.
    const std::optional<qsizetype> anchor =
        modifiers.testFlag(Qt::ShiftModifier) ? m_selection.anchor() : std::optional<qsizetype>();
    switch (gridKeyForEvent(event)) {
    case KTGridKey::Left:
        selectLeftWithModifiers(modifiers, 1);
        return true;
    case KTGridKey::Up: {
        const std::optional<qsizetype> reference = anchor ? anchor : m_selection.first();
        const std::optional<qsizetype> upper =
            reference ? indexOfImageUpperImageAtIndex(*reference) : std::nullopt;
        // Round from the first group to the last, the step runs to the first image instead.
        const qsizetype steps = !upper ? columns : (*upper < *reference ? *reference - *upper : count);
        selectLeftWithModifiers(modifiers, steps);
        return true;
    }
    case KTGridKey::Right:
        selectRightWithModifiers(modifiers, 1);
        return true;
    case KTGridKey::Down: {
        const std::optional<qsizetype> reference = anchor ? anchor : m_selection.last();
        const std::optional<qsizetype> under =
            reference ? indexOfImageUnderImageAtIndex(*reference) : std::nullopt;
        const qsizetype steps = !under ? columns : (*under > *reference ? *under - *reference : count);
        selectRightWithModifiers(modifiers, steps);
        return true;
    }
    case KTGridKey::DeleteToTrash:
        deleteSelectedImagesToTrash();
        return true;
    case KTGridKey::DeleteToSystemTrash:
        deleteSelectedImagesToSystemTrash();
        return true;
    case KTGridKey::CommandKey: {
        const QString key = keyEquivalent(event);
        if (key == QLatin1String("a"))
            selectAllImages();
        else if (key == QLatin1String("d"))
            deselectAllImages();
        else
            return false;
        informDelegateAboutChangedSelection();
        return true;
    }
    case KTGridKey::None:
        break;
    }
    return false;
}

bool KTGrouppedImagesBrowserView::event(QEvent *event)
{
    if (claimShortcutOverride(event, [this](const QKeyEvent &key) { return wantsKey(key); }))
        return true;
    return KTGrouppedImagesView::event(event);
}

void KTGrouppedImagesBrowserView::keyPressEvent(QKeyEvent *event)
{
    if (performKeyDown(*event))
        event->accept();
    else
        KTGrouppedImagesView::keyPressEvent(event);
}

std::optional<qsizetype>
KTGrouppedImagesBrowserView::flatIndexOfCell(const KTImageCollectionViewCell *cell) const
{
    const auto fail = [](const char *message) {
        qWarning("%s", message);
        qWarning("Error: Could not evaluate index of clicked cell.");
        return std::optional<qsizetype>();
    };
    auto *row = qobject_cast<KTGrouppedImagesBrowserViewCell *>(cell->rootView()->parentWidget());
    if (!row)
        return fail("Error: cell container should be KTGrouppedImagesBrowserViewCell");
    if (row->groupIndex() >= qsizetype(m_ranges.size()))
        return fail("Error: group index is about of range");
    const auto [location, length] = m_ranges[std::size_t(row->groupIndex())];
    if (qsizetype(cell->index()) >= length)
        return fail("Error: inconsistency");
    return location + qsizetype(cell->index());
}

std::optional<qsizetype>
KTGrouppedImagesBrowserView::updateSelectionForClickedCell(KTImageCollectionViewCell *cell,
                                                           Qt::KeyboardModifiers modifiers)
{
    const std::optional<qsizetype> flat = flatIndexOfCell(cell);
    if (!flat)
        return std::nullopt;
    m_selection.click(m_allImages.size(), *flat, modifiers);
    adjustSelection();
    scrollCellToVisibleAtIndex(*flat);
    return flat;
}

void KTGrouppedImagesBrowserView::mouseClickedInCell(KTImageCollectionViewCell *cell,
                                                     Qt::KeyboardModifiers modifiers)
{
    if (updateSelectionForClickedCell(cell, modifiers))
        informDelegateAboutChangedSelection();
}

void KTGrouppedImagesBrowserView::mouseDoubleClickedInCell(KTImageCollectionViewCell *cell,
                                                           Qt::KeyboardModifiers modifiers)
{
    const std::optional<qsizetype> flat = updateSelectionForClickedCell(cell, modifiers);
    // Every index this view hands out is flat, the double-clicked one too.
    if (KTGrouppedImagesBrowserViewDelegate *delegate = m_delegate.get(); delegate && flat)
        delegate->doubleClickedImageAtIndex(*flat, this);
}

void KTGrouppedImagesBrowserView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_drag.disarm();
    if (event->button() != Qt::LeftButton)
        return;
    KTImageCollectionViewCell *cell =
        KTImageCollectionViewCellMouseEventHandlingView::cellAt(this, event->position());
    if (!cell)
        return;
    mouseClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
    m_drag.arm(this, cell, event->position());
}

void KTGrouppedImagesBrowserView::mouseDoubleClickEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_drag.disarm();
    if (event->button() != Qt::LeftButton)
        return;
    if (KTImageCollectionViewCell *cell =
            KTImageCollectionViewCellMouseEventHandlingView::cellAt(this, event->position()))
        mouseDoubleClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
}

void KTGrouppedImagesBrowserView::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag.disarm();
    KTGrouppedImagesView::mouseReleaseEvent(event);
}

void KTGrouppedImagesBrowserView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_drag.shouldStart(event->position()))
        return;
    const QList<QUrl> urls = KTImageListView::fileURLsOfImages(selectedImages());
    const QImage picture = m_drag.picture(urls.size());
    beginDraggingSession(KTImageListView::mimeDataForFiles(urls, KTImageListView::FilesUse::Drag), picture,
                         m_drag.hotSpot());
}

void KTGrouppedImagesBrowserView::beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture,
                                                       const QPoint &hotSpot)
{
    KTGridDragSource::exec(this, std::move(data), picture, hotSpot);
}

void KTGrouppedImagesBrowserView::putSelectedImagesToTrash(bool rejected)
{
    KTImageListView::changeRejected(selectedImages(), rejected);
}

void KTGrouppedImagesBrowserView::deleteSelectedImagesToTrash()
{
    const std::optional<qsizetype> active = m_selection.active();
    KTImageMO *record = active && *active < m_allImages.size() ? m_allImages.at(*active) : nullptr;
    if (record)
        putSelectedImagesToTrash(!record->rejected().value_or(false));
}

void KTGrouppedImagesBrowserView::deleteSelectedImagesToSystemTrash()
{
    const QList<KTImageMO *> images = selectedImages();
    if (KTImageStorage *storage = KTGridServices::imageStorage(); storage && !images.isEmpty())
        storage->moveImagesToSystemTrash(images);
}

void KTGrouppedImagesBrowserView::onTrashClicked(KTImageCollectionViewCell *cell)
{
    KTImageMO *record = cell->imageMO();
    if (!record)
        return;
    m_doesNotScrollSelectedCellToVisible = true;
    QList<KTImageMO *> images{record};
    if (cell->isSelected())
        images.append(selectedImages());
    KTImageListView::changeRejected(images, !record->rejected().value_or(false));
    m_doesNotScrollSelectedCellToVisible = false;
}

void KTGrouppedImagesBrowserView::onFlagClicked(KTImageCollectionViewCell *cell)
{
    KTImageMO *record = cell->imageMO();
    if (!record || !cell->isSelected())
        return;
    for (KTImageMO *selected : selectedImages())
        selected->setPicked(record->picked());
    if (KTImageStorage *storage = KTGridServices::imageStorage())
        storage->processPendingChanges();
}
