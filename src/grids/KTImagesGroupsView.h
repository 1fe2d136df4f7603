#pragma once

#include "KTGrouppedImagesView.h"

#include <QPointF>

#include <optional>

class KTImagesGroupsViewCell;
class KTImagesGroupsViewDelegate;
class QClipboard;

/// The group list of the review modes: one selected group, chosen by a click or the Up and Down
/// keys, scrolled into view or to the centre on request, copied to the clipboard as files, and a
/// delegate told of selection changes and double clicks. "No group" is an empty optional.
///
/// Keys: while the list has the focus it claims Up and Down before the window's menu shortcuts
/// (ShortcutOverride), as the image lists do with their keys.
///
/// Threading: main thread only.
class KTImagesGroupsView : public KTGrouppedImagesView
{
    Q_OBJECT
public:
    explicit KTImagesGroupsView(QWidget *parent = nullptr);

    KTImagesGroupsViewDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTImagesGroupsViewDelegate *delegate);

    std::optional<qsizetype> selectedGroupIndex() const { return m_selectedGroupIndex; }
    /// Moves the selection mark; neither scrolls nor tells the delegate.
    void setSelectedGroupIndex(std::optional<qsizetype> index);

    /// Rebuilds the rows; the selected group stays selected.
    void reloadData() override;
    /// Scrolls when the selected group is not even partly visible.
    void scrollSelectedGroupToVisible();
    /// Scrolls the selected group's centre to the middle of the view (within the ends).
    void scrollSelectedGroupToCenter();
    void notifyDelegateAboutSelectionDidChange();
    /// The group whose row spans height `point.y()` (y up); none between rows or outside them.
    std::optional<qsizetype> groupUnderMouse(const QPointF &point) const;
    /// The row of the group under `point`, when it is on screen.
    KTImagesGroupsViewCell *cellUnderMouse(const QPointF &point) const;

    /// The selected group's files on `clipboard` (cleared also when there is none); the count.
    qsizetype addSelectedImagesToPasteboard(QClipboard *clipboard);
    qsizetype copySelectedImagesToPasteboard();

protected:
    KTGrouppedImagesCellView *newCell() override;
    void prepareRow(KTGrouppedImagesCellView *row, qsizetype index) override;
    void resetCell(KTGrouppedImagesCellView *row) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void scrollToShow(double y);
    void selectGroupUnder(const QPointF &position);

    KTWeakDelegate<KTImagesGroupsViewDelegate> m_delegate;
    std::optional<qsizetype> m_selectedGroupIndex;
};
