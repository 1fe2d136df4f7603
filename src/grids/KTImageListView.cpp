#include "KTImageListView.h"

#include "KTColor.h"
#include "KTDispatch.h"
#include "KTGridDragSource.h"
#include "KTGridKeys.h"
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
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QString kCopiedFilesType = QStringLiteral("x-special/gnome-copied-files");

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
    cell->setIsSelected(m_selection.contains(index));
    cell->setIsActive(m_selection.active() == index);
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
    for (qsizetype index : m_selection.indexes())
        if (KTImageMO *record = imageMOAtIndex(index))
            images.append(record);
    return images;
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
    m_visibleAmount = KTGridGeometry::visibleAmount(documentVisibleRect(), height());
}

void KTImageListView::adjustVisibleAmount()
{
    KTScrollHost *host = scrollHost();
    if (!host)
        return;
    m_doesNotUpdateVisibleAmount = true;
    const QRectF visible = documentVisibleRect();
    if (const std::optional<double> y =
            KTGridGeometry::scrollYForVisibleAmount(m_visibleAmount, visible, height()))
        host->scrollToPoint(QPointF(visible.x(), *y));
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
    m_selection.set(indexes, activeIndex);
    validateSelection();
    updateSelection();
}

std::optional<qsizetype> KTImageListView::selectedCellIndex() const
{
    const std::optional<qsizetype> active = m_selection.active();
    return active && m_selection.contains(*active) ? active : std::nullopt;
}

void KTImageListView::scrollSelectedCellToVisible()
{
    if (const std::optional<qsizetype> index = selectedCellIndex())
        scrollCellToVisibleAtIndex(*index);
}

bool KTImageListView::validateSelection()
{
    const qsizetype n = numberOfCells();
    const bool changed = m_compareMode ? validateComparedPair(n) : m_selection.validate(n);
    if (changed && !isHiddenOrHasHiddenAncestor(this))
        for (qsizetype index : indexesOfCellsThatIntersectRect(documentVisibleRect()))
            cellAtIndex(index);
    return changed;
}

bool KTImageListView::validateComparedPair(qsizetype n)
{
    std::set<qsizetype> &selected = m_selection.mutableIndexes();
    std::optional<qsizetype> active = m_selection.active();
    bool changed = false;
    if (n < 2) {
        changed = !selected.empty() || active.has_value();
        selected.clear();
        active.reset();
    } else {
        const auto tooLarge = selected.lower_bound(n);
        if (tooLarge != selected.end()) {
            selected.erase(tooLarge, selected.end());
            changed = true;
        }
        if (active && !selected.count(*active)) {
            active.reset();
            changed = true;
        }
        if (selected.empty()) {
            selected = {0, 1};
            active = 0;
            changed = true;
        } else if (selected.size() == 1) {
            const qsizetype only = *selected.begin();
            active = only;
            selected.insert(only == 0 ? 1 : 0);
            changed = true;
        } else if (selected.size() == 2) {
            if (!active) {
                active = *selected.begin();
                changed = true;
            }
        } else {
            if (!active)
                active = *selected.begin();
            const qsizetype other =
                *selected.begin() != *active ? *selected.begin() : *std::next(selected.begin());
            selected = {*active, other};
            changed = true;
        }
    }
    m_selection.setActive(active);
    if (changed)
        m_selection.setAnchor(std::nullopt);
    return changed;
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
    m_selection.selectAll(numberOfCells());
    updateSelection();
}

void KTImageListView::deselectAllImages()
{
    m_selection.deselectAll(numberOfCells());
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

void KTImageListView::moveInCompareMode(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction)
{
    const qsizetype n = numberOfCells();
    if (n < 2)
        return;
    if (!m_selection.active() || m_selection.indexes().size() != 2)
        validateSelection();
    const qsizetype a = *m_selection.active();
    const qsizetype b = *m_selection.first() == a ? *m_selection.last() : *m_selection.first();
    const bool command = modifiers.testFlag(kCommandModifier);
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
    if (command)
        m_selection.set({moving, b}, moving);
    else
        m_selection.set({a, moving}, a);
    finishMove(moving);
}

void KTImageListView::selectLeftWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, -1);
}

void KTImageListView::selectRightWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps)
{
    moveSelection(modifiers, steps, +1);
}

void KTImageListView::moveSelection(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction)
{
    if (m_compareMode) {
        moveInCompareMode(modifiers, steps, direction);
        return;
    }
    const std::optional<qsizetype> show = m_selection.move(numberOfCells(), modifiers, steps, direction);
    if (show)
        finishMove(show);
    else
        updateSelection();
}

void KTImageListView::updateSelectionForClickedIndex(qsizetype clicked, Qt::KeyboardModifiers modifiers)
{
    if (m_compareMode) {
        if (m_selection.indexes().size() != 2)
            validateSelection();
        if (m_selection.indexes().size() == 2 && m_selection.active()) {
            const qsizetype a = *m_selection.active();
            const qsizetype b = *m_selection.first() == a ? *m_selection.last() : *m_selection.first();
            if (clicked != a)
                m_selection.set({clicked, clicked == b ? a : b}, clicked);
        }
        if (m_selection.indexes().size() != 2)
            qWarning("Invalid selection for compare mode.");
        m_selection.setAnchor(std::nullopt);
        validateSelection();
    } else {
        m_selection.click(numberOfCells(), clicked, modifiers);
    }
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
    switch (gridKeyForEvent(event)) {
    case KTGridKey::None:
        return false;
    case KTGridKey::CommandKey: {
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
    switch (gridKeyForEvent(event)) {
    case KTGridKey::Left:
        selectLeftWithModifiers(modifiers, 1);
        return true;
    case KTGridKey::Up:
        selectLeftWithModifiers(modifiers, std::max<qsizetype>(numberOfColumns(), 1));
        return true;
    case KTGridKey::Right:
        selectRightWithModifiers(modifiers, 1);
        return true;
    case KTGridKey::Down:
        selectRightWithModifiers(modifiers, std::max<qsizetype>(numberOfColumns(), 1));
        return true;
    case KTGridKey::DeleteToTrash:
        deleteSelectedImagesToTrash();
        return true;
    case KTGridKey::DeleteToSystemTrash:
        deleteSelectedImagesToSystemTrash();
        return true;
    case KTGridKey::CommandKey: {
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
    case KTGridKey::None:
        break;
    }
    return false;
}

bool KTImageListView::event(QEvent *event)
{
    if (claimShortcutOverride(event, [this](const QKeyEvent &key) { return wantsKey(key); }))
        return true;
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

void KTImageListView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_drag.disarm();
    if (event->button() != Qt::LeftButton)
        return;
    KTImageCollectionViewCell *cell =
        KTImageCollectionViewCellMouseEventHandlingView::cellAt(this, event->position());
    if (!cell)
        return;
    m_activeImageMO = cell->imageMO();
    mouseClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
    m_drag.arm(this, cell, event->position());
}

void KTImageListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_drag.disarm();
    if (event->button() != Qt::LeftButton)
        return;
    if (KTImageCollectionViewCell *cell =
            KTImageCollectionViewCellMouseEventHandlingView::cellAt(this, event->position())) {
        m_activeImageMO = cell->imageMO();
        mouseDoubleClickedInCell(cell, keyEquivalentModifiers(event->modifiers()));
    }
}

void KTImageListView::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag.disarm();
    KTImageCollectionView::mouseReleaseEvent(event);
}

void KTImageListView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_drag.shouldStart(event->position()))
        return;
    std::unique_ptr<QMimeData> data = mimeDataForDrag();
    const QImage picture = m_drag.picture(data->urls().size());
    beginDraggingSession(std::move(data), picture, m_drag.hotSpot());
}

void KTImageListView::beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture,
                                           const QPoint &hotSpot)
{
    KTGridDragSource::exec(this, std::move(data), picture, hotSpot);
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
        if (!record && m_selection.active())
            record = imageMOAtIndex(*m_selection.active());
        return fileURLsOfImages(record ? QList<KTImageMO *>{record} : QList<KTImageMO *>{});
    }
    return fileURLsOfImages(selectedImages());
}

QList<QUrl> KTImageListView::fileURLsOfImages(const QList<KTImageMO *> &images)
{
    QList<QUrl> urls;
    for (KTImageMO *record : images)
        if (record && !record->path().isEmpty())
            urls.append(QUrl::fromLocalFile(record->path()));
    return urls;
}

std::unique_ptr<QMimeData> KTImageListView::mimeDataForDrag()
{
    return mimeDataForFiles(selectedImagesURLs(), FilesUse::Drag);
}

std::unique_ptr<QMimeData> KTImageListView::mimeDataForFiles(const QList<QUrl> &urls, FilesUse use)
{
    auto data = std::make_unique<QMimeData>();
    if (urls.isEmpty())
        return data;
    data->setUrls(urls);
    if (use == FilesUse::Clipboard) {
        // File managers of the desktop paste files from this list.
        QByteArray copied("copy");
        for (const QUrl &url : urls)
            copied += '\n' + url.toEncoded();
        data->setData(kCopiedFilesType, copied);
    }
    return data;
}

qsizetype KTImageListView::addSelectedImagesToPasteboard(QClipboard *clipboard)
{
    const QList<QUrl> urls = selectedImagesURLs();
    if (!urls.isEmpty() && clipboard)
        clipboard->setMimeData(mimeDataForFiles(urls, FilesUse::Clipboard).release());
    return urls.size();
}

qsizetype KTImageListView::copySelectedImagesToPasteboard()
{
    return addSelectedImagesToPasteboard(QGuiApplication::clipboard());
}

bool KTImageListView::isDragDistance(const QPointF &delta)
{
    return std::hypot(delta.x(), delta.y()) > kDragThreshold;
}

QImage KTImageListView::dragPicture(const QImage &image, qsizetype count)
{
    return count >= 2 ? addBadge(QString::number(count), image) : image;
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
    QList<KTImageMO *> records;
    for (KTImageMO *record : images)
        if (record && !records.contains(record))
            records.append(record);
    KTImageStorage *storage = KTGridServices::imageStorage();
    if (records.isEmpty() || !storage)
        return;
    if (rejected) {
        storage->moveImagesToTrash(records);
    } else {
        for (KTImageMO *record : records)
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
    if (!m_compareMode && m_selection.contains(qsizetype(cell->index())))
        images.append(selectedImages());
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
    if (source && !m_compareMode && m_selection.contains(qsizetype(cell->index()))) {
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
    KTImageMO *active = m_selection.active() ? imageMOAtIndex(*m_selection.active()) : nullptr;
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
