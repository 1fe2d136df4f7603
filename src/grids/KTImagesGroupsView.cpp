#include "KTImagesGroupsView.h"

#include "KTGridKeys.h"
#include "KTImageListView.h"
#include "KTImageMO.h"
#include "KTImagesGroupsViewCell.h"
#include "KTImagesGroupsViewDelegate.h"
#include "KTScrollHost.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <cmath>

namespace {

bool isUpOrDown(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Up || event.key() == Qt::Key_Down;
}

} // namespace

KTImagesGroupsView::KTImagesGroupsView(QWidget *parent) : KTGrouppedImagesView(parent) {}

void KTImagesGroupsView::setDelegate(KTImagesGroupsViewDelegate *delegate)
{
    m_delegate.set(delegate);
}

KTGrouppedImagesCellView *KTImagesGroupsView::newCell()
{
    return new KTImagesGroupsViewCell(this);
}

void KTImagesGroupsView::prepareRow(KTGrouppedImagesCellView *row, qsizetype index)
{
    if (auto *selectable = qobject_cast<KTImagesGroupsViewCell *>(row))
        selectable->setSelected(m_selectedGroupIndex == index);
}

void KTImagesGroupsView::resetCell(KTGrouppedImagesCellView *row)
{
    KTGrouppedImagesView::resetCell(row);
    if (auto *selectable = qobject_cast<KTImagesGroupsViewCell *>(row))
        selectable->setSelected(false);
}

void KTImagesGroupsView::setSelectedGroupIndex(std::optional<qsizetype> index)
{
    if (index == m_selectedGroupIndex)
        return;
    if (m_selectedGroupIndex)
        if (auto *row = qobject_cast<KTImagesGroupsViewCell *>(cellAtIndex(*m_selectedGroupIndex)))
            row->setSelected(false);
    m_selectedGroupIndex = index;
    if (index)
        if (auto *row = qobject_cast<KTImagesGroupsViewCell *>(cellAtIndex(*index)))
            row->setSelected(true);
}

void KTImagesGroupsView::reloadData()
{
    KTGrouppedImagesView::reloadData();
    if (m_selectedGroupIndex)
        if (auto *row = qobject_cast<KTImagesGroupsViewCell *>(cellAtIndex(*m_selectedGroupIndex)))
            row->setSelected(true);
    update();
}

void KTImagesGroupsView::notifyDelegateAboutSelectionDidChange()
{
    if (KTImagesGroupsViewDelegate *delegate = m_delegate.get())
        delegate->imagesGroupsViewSelectionDidChange(this);
}

std::optional<qsizetype> KTImagesGroupsView::groupUnderMouse(const QPointF &point) const
{
    const qsizetype n = numberOfCells();
    if (n == 0)
        return std::nullopt;
    const double y = point.y();
    const qsizetype last = n - 1;
    const QRectF lastFrame = frameForCellAtIndex(last);
    if (y < lastFrame.top())
        return std::nullopt;
    if (y <= lastFrame.bottom())
        return last;
    const QRectF firstFrame = frameForCellAtIndex(0);
    if (y > firstFrame.top())
        return y <= firstFrame.bottom() ? std::optional<qsizetype>(0) : std::nullopt;
    // Rows run down from the top: bisect for the row whose span holds y.
    qsizetype lo = 0;
    qsizetype hi = last;
    while (hi - lo >= 2) {
        const qsizetype mid = (lo + hi) / 2;
        const QRectF frame = frameForCellAtIndex(mid);
        if (frame.top() > y) {
            lo = mid;
        } else {
            hi = mid;
            if (y <= frame.bottom())
                return mid;
        }
    }
    return std::nullopt;
}

KTImagesGroupsViewCell *KTImagesGroupsView::cellUnderMouse(const QPointF &point) const
{
    const std::optional<qsizetype> group = groupUnderMouse(point);
    return group ? qobject_cast<KTImagesGroupsViewCell *>(cellAtIndex(*group)) : nullptr;
}

void KTImagesGroupsView::selectGroupUnder(const QPointF &position)
{
    const QPointF point(position.x(), height() - position.y());
    setFocus(Qt::MouseFocusReason);
    const std::optional<qsizetype> group = groupUnderMouse(point);
    if (!group)
        return;
    if (group != m_selectedGroupIndex) {
        setSelectedGroupIndex(group);
        notifyDelegateAboutSelectionDidChange();
    }
}

void KTImagesGroupsView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        selectGroupUnder(event->position());
}

void KTImagesGroupsView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    selectGroupUnder(event->position());
    const std::optional<qsizetype> group =
        groupUnderMouse(QPointF(event->position().x(), height() - event->position().y()));
    if (KTImagesGroupsViewDelegate *delegate = m_delegate.get(); delegate && group)
        delegate->imagesGroupsViewDoubleClickedInGroupAtIndex(this, *group);
}

bool KTImagesGroupsView::event(QEvent *event)
{
    if (claimShortcutOverride(event, isUpOrDown))
        return true;
    return KTGrouppedImagesView::event(event);
}

void KTImagesGroupsView::keyPressEvent(QKeyEvent *event)
{
    if (!isUpOrDown(*event)) {
        KTGrouppedImagesView::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!m_selectedGroupIndex || *m_selectedGroupIndex >= numberOfCells())
        return;
    const qsizetype selected = *m_selectedGroupIndex;
    const qsizetype target = event->key() == Qt::Key_Up ? selected - 1 : selected + 1;
    if (target < 0 || target >= numberOfCells())
        return;
    setSelectedGroupIndex(target);
    scrollSelectedGroupToVisible();
    notifyDelegateAboutSelectionDidChange();
}

void KTImagesGroupsView::scrollToShow(double y)
{
    KTScrollHost *host = scrollHost();
    if (!host)
        return;
    const QRectF visible = visibleArea();
    y = std::max(y, 0.0);
    if (y + visible.height() > height())
        y = height() - visible.height();
    host->scrollToPoint(QPointF(visible.x(), std::round(y)));
}

void KTImagesGroupsView::scrollSelectedGroupToVisible()
{
    if (!m_selectedGroupIndex || *m_selectedGroupIndex >= numberOfCells())
        return;
    const QRectF group = frameForCellAtIndex(*m_selectedGroupIndex);
    const QRectF visible = visibleArea();
    // A group even partly on screen (more than 2 points in) stays where it is.
    if (group.adjusted(2, 2, -2, -2).intersects(visible))
        return;
    scrollToShow(visible.y() > group.y() ? group.y() : group.bottom() - visible.height() + 1);
}

void KTImagesGroupsView::scrollSelectedGroupToCenter()
{
    if (!m_selectedGroupIndex || *m_selectedGroupIndex >= numberOfCells())
        return;
    const QRectF group = frameForCellAtIndex(*m_selectedGroupIndex);
    scrollToShow(group.center().y() - visibleArea().height() / 2);
}

qsizetype KTImagesGroupsView::addSelectedImagesToPasteboard(QClipboard *clipboard)
{
    const QList<QUrl> urls =
        m_selectedGroupIndex ? KTImageListView::fileURLsOfImages(imagesForGroupAtIndex(*m_selectedGroupIndex))
                             : QList<QUrl>{};
    if (clipboard)
        clipboard->setMimeData(
            KTImageListView::mimeDataForFiles(urls, KTImageListView::FilesUse::Clipboard).release());
    return urls.size();
}

qsizetype KTImagesGroupsView::copySelectedImagesToPasteboard()
{
    return addSelectedImagesToPasteboard(QGuiApplication::clipboard());
}
