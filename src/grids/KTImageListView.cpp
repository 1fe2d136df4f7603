#include "KTImageListView.h"

#include "KTColor.h"
#include "KTDispatch.h"
#include "KTGridServices.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageListViewDataSource.h"
#include "KTImageListViewDelegate.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTKeyEquivalent.h"
#include "KTScrollHost.h"
#include "KTViewAdditions.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QString kCopiedFilesType = QStringLiteral("x-special/gnome-copied-files");

bool hasModifier(Qt::KeyboardModifiers modifiers, Qt::KeyboardModifier modifier)
{
    return modifiers.testFlag(modifier);
}

/// The list's keys, as the arrows and Delete carry no other meaning here.
enum class ListKey
{
    None,
    Left,
    Up,
    Right,
    Down,
    DeleteToTrash,
    DeleteToSystemTrash,
    CommandKey
};

ListKey classify(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = keyEquivalentModifiers(event.modifiers());
    const bool commandShift = modifiers == (kCommandModifier | Qt::ShiftModifier);
    // The shifted Delete is tried first: the plain rule would take it otherwise.
    if (commandShift && (event.key() == Qt::Key_Delete || event.key() == Qt::Key_Backspace))
        return ListKey::DeleteToSystemTrash;
    switch (event.key()) {
    case Qt::Key_Left:
        return ListKey::Left;
    case Qt::Key_Up:
        return ListKey::Up;
    case Qt::Key_Right:
        return ListKey::Right;
    case Qt::Key_Down:
        return ListKey::Down;
    case Qt::Key_Delete:
        return ListKey::DeleteToTrash;
    default:
        break;
    }
    return hasModifier(modifiers, kCommandModifier) ? ListKey::CommandKey : ListKey::None;
}

std::unique_ptr<QMimeData> fileURLsMimeData(const QList<QUrl> &urls)
{
    auto data = std::make_unique<QMimeData>();
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}

} // namespace

KTImageListView::KTImageListView(QWidget *parent) : KTImageCollectionView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // Opaque, so that scrolling moves the pixels already drawn and paints only what comes in.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundColor(KTPalette::kPanel);
}

KTImageListView::~KTImageListView() = default;

void KTImageListView::setDataSource(KTImageListViewDataSource *dataSource)
{
    m_dataSource.set(dataSource);
}

void KTImageListView::setDelegate(KTImageListViewDelegate *delegate)
{
    m_delegate.set(delegate);
}

qsizetype KTImageListView::calculateNumberOfCells()
{
    KTImageListViewDataSource *source = m_dataSource.get();
    return source ? std::max<qsizetype>(source->numberOfImages(this), 0) : 0;
}

KTImageMO *KTImageListView::imageMOAtIndex(qsizetype index)
{
    KTImageListViewDataSource *source = m_dataSource.get();
    if (!source || index < 0 || index >= numberOfCells())
        return nullptr;
    return source->imageMOAtIndex(index, this);
}

KTImageCollectionViewCell *KTImageListView::cellAtIndex(qsizetype index)
{
    KTImageCollectionViewCell *cell = KTImageCollectionView::cellAtIndex(index);
    if (!cell)
        return nullptr;
    cell->setIsSelected(m_selection.count(index) > 0);
    cell->setIsActive(m_activeIndex == index);
    cell->setShowsTrashStatus(m_showsRejectedStatus);
    // A cell that comes into view takes the list's current button switches.
    cell->setShowPickRejectButtons(m_showPickRejectButtons);
    cell->setPickedAndRejectButtonsEnabled(m_pickedAndRejectButtonsEnabled);
    return cell;
}

unsigned KTImageListView::cellTypeForIndex(qsizetype index) const
{
    return KTImageCollectionView::cellTypeForIndex(index) | KTImageCollectionViewCell::SelectableList;
}

void KTImageListView::reloadData()
{
    m_activeImageMO = nullptr;
    KTImageCollectionView::reloadData();
    validateSelection();
    relayout();
}

QList<KTImageMO *> KTImageListView::selectedImages()
{
    QList<KTImageMO *> images;
    for (qsizetype index : m_selection)
        if (KTImageMO *record = imageMOAtIndex(index))
            images.append(record);
    return images;
}

std::optional<qsizetype> KTImageListView::firstSelected() const
{
    return m_selection.empty() ? std::nullopt : std::optional<qsizetype>(*m_selection.begin());
}

std::optional<qsizetype> KTImageListView::lastSelected() const
{
    return m_selection.empty() ? std::nullopt : std::optional<qsizetype>(*m_selection.rbegin());
}

// ---- Layout inside the scroll view ----

QRectF KTImageListView::documentVisibleRect() const
{
    if (KTScrollHost *host = scrollHost())
        return host->documentVisibleRect();
    return QRectF(0, 0, width(), height());
}

void KTImageListView::relayout()
{
    const QSize size = viewSize().toSize();
    if (size != this->size() && !size.isEmpty())
        resize(size);
    if (!isHiddenOrHasHiddenAncestor(this))
        layoutCellsInNewVisibleRect(documentVisibleRect());
    update();
}

void KTImageListView::layoutCells()
{
    setVisibleArea(documentVisibleRect());
    adjustSize();
    relayout();
}

void KTImageListView::clipViewBoundsDidChange()
{
    if (!isHiddenOrHasHiddenAncestor(this))
        layoutCellsInNewVisibleRect(documentVisibleRect());
    if (!m_doesNotUpdateVisibleAmount)
        updateVisibleAmount();
}

void KTImageListView::clipViewFrameDidChange()
{
    if (isHiddenOrHasHiddenAncestor(this))
        return;
    layoutCells();
    adjustVisibleAmount();
}

void KTImageListView::viewDidUnhide()
{
    KTImageCollectionView::viewDidUnhide();
    layoutCells();
}

void KTImageListView::updateVisibleAmount()
{
    const QRectF visible = documentVisibleRect();
    if (height() > 0)
        m_visibleAmount = (visible.y() + visible.height() / 2) / height();
}

void KTImageListView::adjustVisibleAmount()
{
    KTScrollHost *host = scrollHost();
    if (!host)
        return;
    m_doesNotUpdateVisibleAmount = true;
    const QRectF visible = documentVisibleRect();
    const double frameHeight = height();
    if (frameHeight > visible.height()) {
        const double y = m_visibleAmount * frameHeight - visible.height() / 2;
        if (y > 0 && y + visible.height() < frameHeight)
            host->scrollToPoint(QPointF(visible.x(), std::floor(y)));
    }
    m_doesNotUpdateVisibleAmount = false;
}

void KTImageListView::scrollCellToVisibleAtIndex(qsizetype index)
{
    scrollCellToVisibleAtIndex(index, Qt::Vertical);
}

void KTImageListView::scrollCellToVisibleAtIndex(qsizetype index, Qt::Orientation orientation)
{
    KTScrollHost *host = scrollHost();
    if (!host || !imageMOAtIndex(index))
        return;
    QRectF frame = frameForCellAtIndex(index);
    if (frame.isNull())
        frame = frameForCellAtIndex(0);
    const QRectF bounds = host->documentVisibleRect();
    if (bounds.contains(frame))
        return;
    // The least scroll along `orientation` that shows the whole cell.
    if (orientation == Qt::Vertical) {
        const double y = bounds.y() > frame.y() ? frame.y() : frame.bottom() - bounds.height();
        host->scrollToPoint(QPointF(bounds.x(), std::round(y)));
    } else {
        const double x = bounds.x() > frame.x() ? frame.x() : frame.right() - bounds.width();
        host->scrollToPoint(QPointF(std::round(x), bounds.y()));
    }
}

// ---- Selection ----

void KTImageListView::selectIndexes(const std::set<qsizetype> &indexes, std::optional<qsizetype> activeIndex)
{
    m_selection = indexes;
    m_activeIndex = activeIndex;
    validateSelection();
    updateSelection();
}

std::optional<qsizetype> KTImageListView::selectedCellIndex() const
{
    if (m_activeIndex && m_selection.count(*m_activeIndex))
        return m_activeIndex;
    return std::nullopt;
}

void KTImageListView::scrollSelectedCellToVisible()
{
    if (const std::optional<qsizetype> index = selectedCellIndex())
        scrollCellToVisibleAtIndex(*index);
}

bool KTImageListView::validateSelection()
{
    const qsizetype n = numberOfCells();
    bool changed = false;
    const auto trim = [&] {
        const auto tooLarge = m_selection.lower_bound(n);
        if (tooLarge != m_selection.end()) {
            m_selection.erase(tooLarge, m_selection.end());
            changed = true;
        }
    };
    if ((!m_compareMode && n == 0) || (m_compareMode && n < 2)) {
        changed = !m_selection.empty() || m_activeIndex.has_value();
        m_selection.clear();
        m_activeIndex.reset();
    } else if (!m_compareMode) {
        trim();
        if (m_selection.empty()) {
            m_selection.insert(0);
            changed = true;
        }
        if (!m_activeIndex || !m_selection.count(*m_activeIndex)) {
            m_activeIndex = firstSelected();
            changed = true;
        }
    } else {
        trim();
        if (m_activeIndex && !m_selection.count(*m_activeIndex)) {
            m_activeIndex.reset();
            changed = true;
        }
        switch (m_selection.size()) {
        case 0:
            m_selection = {0, 1};
            m_activeIndex = 0;
            changed = true;
            break;
        case 1: {
            const qsizetype only = *m_selection.begin();
            m_activeIndex = only;
            m_selection.insert(only == 0 ? 1 : 0);
            changed = true;
            break;
        }
        case 2:
            if (!m_activeIndex) {
                m_activeIndex = firstSelected();
                changed = true;
            }
            break;
        default: {
            if (!m_activeIndex)
                m_activeIndex = firstSelected();
            qsizetype other = -1;
            for (qsizetype index : m_selection)
                if (index != *m_activeIndex) {
                    other = index;
                    break;
                }
            m_selection = {*m_activeIndex, other};
            changed = true;
            break;
        }
        }
    }
    if (!changed)
        return false;
    m_anchorIndex.reset();
    if (!isHiddenOrHasHiddenAncestor(this))
        for (qsizetype index : indexesOfCellsThatIntersectRect(documentVisibleRect()))
            cellAtIndex(index);
    return true;
}

void KTImageListView::updateSelection()
{
    if (isHiddenOrHasHiddenAncestor(this))
        return;
    for (qsizetype index : indexesOfCellsThatIntersectRect(documentVisibleRect()))
        cellAtIndex(index);
}

void KTImageListView::informDelegateAboutChangedSelection()
{
    if (KTImageListViewDelegate *delegate = m_delegate.get())
        delegate->imageListViewSelectionDidChange(this);
}

void KTImageListView::selectAllImages()
{
    const qsizetype n = numberOfCells();
    m_selection.clear();
    for (qsizetype index = 0; index < n; ++index)
        m_selection.insert(m_selection.end(), index);
    if (!m_activeIndex || !m_selection.count(*m_activeIndex))
        m_activeIndex = firstSelected();
    updateSelection();
}

void KTImageListView::deselectAllImages()
{
    m_selection.clear();
    if (numberOfCells() == 0) {
        m_activeIndex.reset();
    } else {
        if (!m_activeIndex || *m_activeIndex >= numberOfCells())
            m_activeIndex = 0;
        m_selection.insert(*m_activeIndex);
    }
    updateSelection();
}

void KTImageListView::finishMove(std::optional<qsizetype> indexToShow)
{
    if (!indexToShow)
        return;
    scrollCellToVisibleAtIndex(*indexToShow);
    updateSelection();
    informDelegateAboutChangedSelection();
}

bool KTImageListView::moveInCompareMode(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction)
{
    const qsizetype n = numberOfCells();
    if (n < 2)
        return false;
    if (!m_activeIndex || m_selection.size() != 2)
        validateSelection();
    const qsizetype a = *m_activeIndex;
    const qsizetype b = *m_selection.begin() == a ? *m_selection.rbegin() : *m_selection.begin();
    const bool command = hasModifier(modifiers, kCommandModifier);
    qsizetype moving = command ? a : b;
    const qsizetype fixed = command ? b : a;
    const qsizetype smallest = fixed == 0 ? 1 : 0;
    const qsizetype largest = fixed == n - 1 ? n - 2 : n - 1;
    for (qsizetype step = 0; step < steps; ++step) {
        qsizetype candidate = moving + direction;
        if (candidate == fixed)
            candidate += direction;
        if (candidate < 0 || candidate >= n) {
            // A single step wraps around; a longer one stops at the end.
            const bool towardsStart = direction < 0;
            if (steps == 1)
                moving = towardsStart ? largest : smallest;
            else
                moving = towardsStart ? smallest : largest;
            break;
        }
        moving = candidate;
    }
    Q_ASSERT_X(moving != fixed, "selectLeftWithEvent", "Unexpected situation.");
    if (command) {
        m_selection = {moving, b};
        m_activeIndex = moving;
    } else {
        m_selection = {a, moving};
        m_activeIndex = a;
    }
    finishMove(moving);
    return true;
}

void KTImageListView::selectLeftWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, -1);
}

void KTImageListView::selectRightWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, +1);
}

// Left and right are mirror images: `direction` is -1 towards the first image, +1 towards the last.
void KTImageListView::moveSelection(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction)
{
    const qsizetype n = numberOfCells();
    if (n == 0 || steps < 1)
        return;
    if (m_compareMode) {
        moveInCompareMode(modifiers, steps, direction);
        return;
    }
    const bool forward = direction > 0;
    const qsizetype end = forward ? n - 1 : 0;
    const auto nearEnd = [&] { return forward ? *firstSelected() : *lastSelected(); };
    const auto farEnd = [&] { return forward ? *lastSelected() : *firstSelected(); };
    std::optional<qsizetype> show;
    if (m_selection.empty()) {
        m_selection = {end};
        validateSelection();
        show = end;
    } else if (hasModifier(modifiers, Qt::ShiftModifier)) {
        // The anchor is the moving end: it grows the selection away from the active image and
        // shrinks it on the way back.
        if (!m_anchorIndex)
            m_anchorIndex = farEnd();
        for (qsizetype step = 0; step < steps; ++step) {
            qsizetype anchor = *m_anchorIndex;
            const bool growing =
                !m_activeIndex || (forward ? anchor >= *m_activeIndex : anchor <= *m_activeIndex);
            if (growing) {
                if (anchor == end)
                    break;
                anchor += direction;
                m_selection.insert(anchor);
            } else {
                m_selection.erase(anchor);
                anchor += direction;
                if (!m_selection.count(anchor))
                    anchor = nearEnd();
                if (anchor == *m_activeIndex)
                    anchor = farEnd();
            }
            m_anchorIndex = anchor;
        }
        validateSelection();
        show = m_anchorIndex;
    } else if (hasModifier(modifiers, kCommandModifier)) {
        // The active image steps through the selection and wraps round within it.
        for (qsizetype step = 0; step < steps; ++step) {
            if (!m_activeIndex) {
                m_activeIndex = farEnd();
                break;
            }
            if (forward) {
                const auto above = m_selection.upper_bound(*m_activeIndex);
                m_activeIndex = above == m_selection.end() ? std::nullopt : std::optional<qsizetype>(*above);
            } else {
                const auto below = m_selection.lower_bound(*m_activeIndex);
                m_activeIndex =
                    below == m_selection.begin() ? std::nullopt : std::optional<qsizetype>(*std::prev(below));
            }
        }
        if (!m_activeIndex)
            m_activeIndex = nearEnd();
        validateSelection();
        m_anchorIndex.reset();
        show = m_activeIndex;
    } else {
        // A single step wraps round the ends of the list; a row step stops at them.
        const qsizetype from = farEnd();
        const qsizetype target = from + direction * steps;
        const qsizetype moved = target < 0 || target > n - 1 ? (steps == 1 ? n - 1 - end : end) : target;
        m_selection = {moved};
        validateSelection();
        m_anchorIndex.reset();
        show = moved;
    }
    finishMove(show);
}

void KTImageListView::updateSelectionForClickedIndex(qsizetype clicked, Qt::KeyboardModifiers modifiers)
{
    const qsizetype active = m_activeIndex.value_or(clicked);
    const bool shift = hasModifier(modifiers, Qt::ShiftModifier);
    const bool command = hasModifier(modifiers, kCommandModifier);
    if (m_compareMode) {
        if (m_selection.size() != 2)
            validateSelection();
        if (m_selection.size() == 2 && m_activeIndex) {
            const qsizetype a = *m_activeIndex;
            const qsizetype b = *m_selection.begin() == a ? *m_selection.rbegin() : *m_selection.begin();
            if (clicked != a) {
                m_selection = {clicked, clicked == b ? a : b};
                m_activeIndex = clicked;
            }
        }
        if (m_selection.size() != 2)
            qWarning("Invalid selection for compare mode.");
    } else if (shift && command) {
        for (qsizetype index = std::min(clicked, active); index <= std::max(clicked, active); ++index)
            m_selection.insert(index);
    } else if (command) {
        if (!m_selection.erase(clicked))
            m_selection.insert(clicked);
    } else if (shift) {
        m_selection.clear();
        for (qsizetype index = std::min(clicked, active); index <= std::max(clicked, active); ++index)
            m_selection.insert(index);
    } else if (m_selection.count(clicked)) {
        m_activeIndex = clicked;
    } else {
        m_selection = {clicked};
    }
    m_anchorIndex.reset();
    validateSelection();
    updateSelection();
    scrollCellToVisibleAtIndex(clicked);
}

void KTImageListView::mouseClickedInCell(KTImageCollectionViewCell *cell, Qt::KeyboardModifiers modifiers)
{
    updateSelectionForClickedIndex(qsizetype(cell->index()), modifiers);
    informDelegateAboutChangedSelection();
}

void KTImageListView::mouseDoubleClickedInCell(KTImageCollectionViewCell *cell,
                                               Qt::KeyboardModifiers modifiers)
{
    updateSelectionForClickedIndex(qsizetype(cell->index()), modifiers);
    if (KTImageListViewDelegate *delegate = m_delegate.get())
        delegate->imageListViewCellWasDoubleClickedAtIndex(this, qsizetype(cell->index()));
}

// ---- Keys ----

bool KTImageListView::wantsKey(const QKeyEvent &event)
{
    switch (classify(event)) {
    case ListKey::None:
        return false;
    case ListKey::CommandKey: {
        const QString key = keyEquivalent(event);
        if (key != QLatin1String("a") && key != QLatin1String("d"))
            return false;
        KTImageListViewDelegate *delegate = m_delegate.get();
        return delegate && delegate->canImageListPerformKeyDownWithKeyEquivalent(key);
    }
    default:
        return true;
    }
}

bool KTImageListView::performKeyDown(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = keyEquivalentModifiers(event.modifiers());
    switch (classify(event)) {
    case ListKey::Left:
        selectLeftWithModifiers(modifiers, 1);
        return true;
    case ListKey::Up:
        selectLeftWithModifiers(modifiers, std::max<qsizetype>(numberOfColumns(), 1));
        return true;
    case ListKey::Right:
        selectRightWithModifiers(modifiers, 1);
        return true;
    case ListKey::Down:
        selectRightWithModifiers(modifiers, std::max<qsizetype>(numberOfColumns(), 1));
        return true;
    case ListKey::DeleteToTrash:
        deleteSelectedImagesToTrash();
        return true;
    case ListKey::DeleteToSystemTrash:
        deleteSelectedImagesToSystemTrash();
        return true;
    case ListKey::CommandKey: {
        KTImageListViewDelegate *delegate = m_delegate.get();
        const QString key = keyEquivalent(event);
        if (!delegate || !delegate->canImageListPerformKeyDownWithKeyEquivalent(key))
            return false;
        if (key == QLatin1String("a"))
            selectAllImages();
        else if (key == QLatin1String("d"))
            deselectAllImages();
        informDelegateAboutChangedSelection();
        return true;
    }
    case ListKey::None:
        break;
    }
    return false;
}

bool KTImageListView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && wantsKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return KTImageCollectionView::event(event);
}

void KTImageListView::keyPressEvent(QKeyEvent *event)
{
    if (performKeyDown(*event))
        event->accept();
    else
        KTImageCollectionView::keyPressEvent(event);
}

// ---- Mouse and drag out ----

KTImageCollectionViewCell *KTImageListView::cellAtPosition(const QPointF &position) const
{
    for (QWidget *hit = childAt(position.toPoint()); hit && hit != this; hit = hit->parentWidget())
        if (auto *hover = qobject_cast<KTImageCollectionViewCellMouseEventHandlingView *>(hit))
            return hover->cell();
    return nullptr;
}

void KTImageListView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_dragImage = QImage();
    if (event->button() != Qt::LeftButton)
        return;
    KTImageCollectionViewCell *cell = cellAtPosition(event->position());
    if (!cell)
        return;
    m_activeImageMO = cell->imageMO();
    mouseClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
    const KTImageCollectionViewCellImageView *imageView = cell->imageView();
    m_dragImage = imageView->imageForDragging();
    const QRectF drawn = imageView->rectForDraw();
    m_dragRect = QRectF(imageView->mapTo(this, drawn.topLeft().toPoint()), drawn.size());
    m_mouseClickLocation = event->position();
}

void KTImageListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_dragImage = QImage();
    if (event->button() != Qt::LeftButton)
        return;
    if (KTImageCollectionViewCell *cell = cellAtPosition(event->position())) {
        m_activeImageMO = cell->imageMO();
        mouseDoubleClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
    }
}

void KTImageListView::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragImage = QImage();
    KTImageCollectionView::mouseReleaseEvent(event);
}

void KTImageListView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragImage.isNull() || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF delta = event->position() - m_mouseClickLocation;
    if (std::hypot(delta.x(), delta.y()) <= kDragThreshold)
        return;
    std::unique_ptr<QMimeData> data = mimeDataForDrag();
    const qsizetype count = data->urls().size();
    const QImage picture = count >= 2 ? addBadge(QString::number(count), m_dragImage) : m_dragImage;
    const QPoint hotSpot = (m_mouseClickLocation - m_dragRect.topLeft()).toPoint();
    // One press starts at most one drag.
    m_dragImage = QImage();
    beginDraggingSession(std::move(data), picture, hotSpot);
}

void KTImageListView::beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture,
                                           const QPoint &hotSpot)
{
    auto *drag = new QDrag(this);
    drag->setMimeData(data.release());
    drag->setPixmap(QPixmap::fromImage(picture));
    drag->setHotSpot(hotSpot);
    drag->exec(Qt::CopyAction);
}

QList<QUrl> KTImageListView::selectedImagesURLs()
{
    QList<QUrl> urls;
    if (m_compareMode) {
        // The image last pressed counts only while it is one of the pair on screen.
        KTImageMO *record = nullptr;
        for (KTImageMO *selected : selectedImages())
            if (selected == m_activeImageMO)
                record = selected;
        if (!record && m_activeIndex)
            record = imageMOAtIndex(*m_activeIndex);
        if (record && !record->path().isEmpty())
            urls.append(QUrl::fromLocalFile(record->path()));
        return urls;
    }
    for (KTImageMO *record : selectedImages())
        if (!record->path().isEmpty())
            urls.append(QUrl::fromLocalFile(record->path()));
    return urls;
}

std::unique_ptr<QMimeData> KTImageListView::mimeDataForDrag()
{
    return fileURLsMimeData(selectedImagesURLs());
}

qsizetype KTImageListView::addSelectedImagesToPasteboard(QClipboard *clipboard)
{
    const QList<QUrl> urls = selectedImagesURLs();
    if (urls.isEmpty() || !clipboard)
        return urls.size();
    std::unique_ptr<QMimeData> data = fileURLsMimeData(urls);
    // File managers of the desktop paste files from this list.
    QByteArray copied("copy");
    for (const QUrl &url : urls)
        copied += '\n' + url.toEncoded();
    data->setData(kCopiedFilesType, copied);
    clipboard->setMimeData(data.release());
    return urls.size();
}

qsizetype KTImageListView::copySelectedImagesToPasteboard()
{
    return addSelectedImagesToPasteboard(QGuiApplication::clipboard());
}

QImage KTImageListView::addBadge(const QString &text, const QImage &image)
{
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(image.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QPointF(), image);

    // Laid out with y up from the picture's lower edge, as the badge is described; `up` turns a
    // height above the lower edge into Qt's y.
    const QSizeF size = image.deviceIndependentSize();
    const auto up = [&size](double y) { return size.height() - y; };
    const QFontMetricsF metrics(painter.font());
    const double textWidth = metrics.horizontalAdvance(text);
    const double textHeight = metrics.height();
    const double r = (textHeight + 6) * 0.5;
    const double e = std::max(0.0, textWidth + 6 - 2 * r);
    const QPointF right(size.width() - 2 - r, up(r + 2));
    const QPointF left(right.x() - e, right.y());
    QPainterPath pill;
    pill.moveTo(right.x(), right.y() + r);
    pill.arcTo(QRectF(right.x() - r, right.y() - r, 2 * r, 2 * r), -90, 180);
    pill.lineTo(left.x(), left.y() - r);
    pill.arcTo(QRectF(left.x() - r, left.y() - r, 2 * r, 2 * r), 90, 180);
    pill.closeSubpath();
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(Qt::red);
    painter.drawPath(pill);
    painter.setPen(Qt::white);
    const QPointF origin(right.x() - e * 0.5 - textWidth * 0.5, up(r + 2 - textHeight * 0.5) - textHeight);
    painter.drawText(QRectF(origin, QSizeF(textWidth, textHeight)), Qt::AlignCenter, text);
    return result;
}

// ---- Actions ----

void KTImageListView::changeRejected(const QList<KTImageMO *> &images, bool rejected)
{
    KTImageStorage *storage = KTGridServices::imageStorage();
    if (images.isEmpty() || !storage)
        return;
    if (rejected) {
        storage->moveImagesToTrash(images);
    } else {
        for (KTImageMO *record : images)
            record->setRejected(false);
        storage->processPendingChanges();
    }
}

void KTImageListView::onTrashClicked(KTImageCollectionViewCell *cell)
{
    KTImageMO *record = cell->imageMO();
    if (!record)
        return;
    const bool reject = !record->rejected().value_or(false);
    QList<KTImageMO *> images{record};
    if (!m_compareMode && m_selection.count(qsizetype(cell->index())))
        for (KTImageMO *selected : selectedImages())
            if (!images.contains(selected))
                images.append(selected);
    changeRejected(images, reject);
}

void KTImageListView::onFlagClicked(KTImageCollectionViewCell *cell)
{
    setPropertyForSelectedImagesWithKeypath(QStringLiteral("picked"), cell);
}

void KTImageListView::setPropertyForSelectedImagesWithKeypath(const QString &keyPath,
                                                              KTImageCollectionViewCell *cell)
{
    KTImageMO *source = cell->imageMO();
    if (source && !m_compareMode && m_selection.count(qsizetype(cell->index()))) {
        QList<KTImageMO *> rejected;
        for (KTImageMO *record : selectedImages()) {
            if (keyPath == QLatin1String("rejected"))
                rejected.append(record);
            else
                record->setValue(keyPath, source->value(keyPath));
        }
        if (!rejected.isEmpty())
            changeRejected(rejected, true);
    }
    if (KTImageStorage *storage = KTGridServices::imageStorage())
        storage->processPendingChanges();
}

void KTImageListView::deleteSelectedImagesToTrash()
{
    KTImageMO *active = m_activeIndex ? imageMOAtIndex(*m_activeIndex) : nullptr;
    if (!active)
        return;
    changeRejected(selectedImages(), !active->rejected().value_or(false));
}

void KTImageListView::deleteSelectedImagesToSystemTrash()
{
    const QList<KTImageMO *> images = selectedImages();
    if (KTImageStorage *storage = KTGridServices::imageStorage(); storage && !images.isEmpty())
        storage->moveImagesToSystemTrash(images);
}

void KTImageListView::putBackSelectedImages()
{
    for (KTImageMO *record : selectedImages())
        record->setRejected(std::nullopt);
    if (KTImageStorage *storage = KTGridServices::imageStorage())
        storage->processPendingChanges();
}

void KTImageListView::setShowPickRejectButtons(bool shows)
{
    if (shows == m_showPickRejectButtons)
        return;
    m_showPickRejectButtons = shows;
    for (qsizetype index : indexesOfCellsThatIntersectRect(documentVisibleRect()))
        if (KTImageCollectionViewCell *cell = cellAtIndex(index))
            cell->setShowPickRejectButtons(shows);
}

void KTImageListView::setPickedAndRejectButtonsEnabled(bool enabled)
{
    if (enabled == m_pickedAndRejectButtonsEnabled)
        return;
    m_pickedAndRejectButtonsEnabled = enabled;
    for (qsizetype index : indexesOfCellsThatIntersectRect(documentVisibleRect()))
        if (KTImageCollectionViewCell *cell = cellAtIndex(index))
            cell->setPickedAndRejectButtonsEnabled(enabled);
}
