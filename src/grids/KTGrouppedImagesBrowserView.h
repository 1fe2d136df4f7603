#pragma once

#include "KTGridDragSource.h"
#include "KTGrouppedImagesView.h"
#include "KTImageCollectionViewCellDelegate.h"
#include "KTImageSelection.h"
#include "KTRecordRef.h"

#include <QImage>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class KTGrouppedImagesBrowserViewCell;
class KTGrouppedImagesBrowserViewDelegate;
class QKeyEvent;
class QMimeData;

/// A browser of every image of a set of groups as one selection: the rows are groups (optionally
/// headed by their capture date and, at a new day, a day band), and the selection is any set of
/// images across them, addressed by flat index (position among all images, group after group).
/// Clicks, arrow keys that move across rows and from group to group, Select All / Deselect All,
/// Delete and the system trash, the pick and reject buttons, and drags out work as in the image
/// lists. Days are calendar dates in the local time zone.
///
/// Up and Down step to the image above or below in the same column, from the last row of a group
/// to the next group's first (and round from the last group to the first); an empty group is
/// passed over.
///
/// Threading: main thread only.
class KTGrouppedImagesBrowserView : public KTGrouppedImagesView, public KTImageCollectionViewCellDelegate
{
    Q_OBJECT
public:
    explicit KTGrouppedImagesBrowserView(QWidget *parent = nullptr);
    ~KTGrouppedImagesBrowserView() override;

    KTGrouppedImagesBrowserViewDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTGrouppedImagesBrowserViewDelegate *delegate);
    bool showsRejectedStatus() const { return m_showsRejectedStatus; }
    void setShowsRejectedStatus(bool shows) { m_showsRejectedStatus = shows; }
    bool isShowDateTitles() const { return m_showDateTitles; }
    /// A different value reloads the browser.
    void setShowDateTitles(bool show);

    /// Per group: (first flat index, number of images).
    const std::vector<std::pair<qsizetype, qsizetype>> &indexesRanges() const { return m_ranges; }
    const std::set<qsizetype> &selection() const { return m_selection.indexes(); }
    std::optional<qsizetype> activeIndex() const { return m_selection.active(); }
    std::optional<qsizetype> anchorIndex() const { return m_selection.anchor(); }
    /// The columns every row shares.
    qsizetype numberOfColumns() const;
    /// Whether group `index` carries a day band (with date titles on).
    bool showsDaySectionForGroupAtIndex(qsizetype index) const;

    void reloadData() override;
    void layoutGroupsCellsInNewVisibleRect(const QRectF &rect) override;

    void selectIndexes(const std::set<qsizetype> &indexes, std::optional<qsizetype> active);
    void selectAllImages();
    void deselectAllImages();
    QList<KTImageMO *> selectedImages() const;
    KTImageMO *imageMOAtIndex(qsizetype flatIndex) const;
    /// The frame of a flat index in the browser (y up); the zero rectangle for a bad index.
    QRectF frameForImageCellAtIndex(qsizetype flatIndex) const;
    void scrollCellToVisibleAtIndex(qsizetype flatIndex);
    void scrollSelectedCellToVisible();
    /// The image above / below in the same column (see the class comment); none without one.
    std::optional<qsizetype> indexOfImageUpperImageAtIndex(qsizetype flatIndex) const;
    std::optional<qsizetype> indexOfImageUnderImageAtIndex(qsizetype flatIndex) const;
    bool validateSelection();
    /// Hands every row on screen its part of the selection.
    void adjustSelection();
    void informDelegateAboutChangedSelection();
    void selectLeftWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps);
    void selectRightWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps);
    bool performKeyDown(const QKeyEvent &event);
    bool wantsKey(const QKeyEvent &event) const;
    /// The flat index of a thumbnail cell of one of the rows; none (logged) when it is not one.
    std::optional<qsizetype> flatIndexOfCell(const KTImageCollectionViewCell *cell) const;
    /// The selection of a click on `cell`; the cell's flat index, none when it is not one.
    std::optional<qsizetype> updateSelectionForClickedCell(KTImageCollectionViewCell *cell,
                                                           Qt::KeyboardModifiers modifiers);
    void mouseClickedInCell(KTImageCollectionViewCell *cell, Qt::KeyboardModifiers modifiers);
    void mouseDoubleClickedInCell(KTImageCollectionViewCell *cell, Qt::KeyboardModifiers modifiers);

    void putSelectedImagesToTrash(bool rejected);
    void deleteSelectedImagesToTrash();
    void deleteSelectedImagesToSystemTrash();
    void onTrashClicked(KTImageCollectionViewCell *cell) override;
    void onFlagClicked(KTImageCollectionViewCell *cell) override;

protected:
    KTGrouppedImagesCellView *newCell() override;
    KTGroupRowLayout rowLayoutForGroupAtIndex(qsizetype index) const override;
    void prepareRow(KTGrouppedImagesCellView *row, qsizetype index) override;
    /// Starts the platform drag; tests replace it to see what would leave.
    virtual void beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture,
                                      const QPoint &hotSpot);
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    /// Where a flat index lies: its group, the group's range, and its column and row in the group.
    struct GridPosition
    {
        qsizetype group;
        qsizetype location;
        qsizetype length;
        qsizetype columns;
        qsizetype column;
        qsizetype row;
    };
    std::optional<GridPosition> gridPositionOfIndex(qsizetype flatIndex) const;
    void finishMove(std::optional<qsizetype> indexToShow);
    void moveSelection(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction);
    std::optional<qsizetype> groupOfIndex(qsizetype flatIndex) const;
    /// The next group with images from `group` in `direction`, round the ends; none when every
    /// other group is empty.
    std::optional<qsizetype> nonEmptyGroupFrom(qsizetype group, qsizetype direction) const;
    void pushSelection(KTGrouppedImagesBrowserViewCell *row) const;

    KTWeakDelegate<KTGrouppedImagesBrowserViewDelegate> m_delegate;
    bool m_showsRejectedStatus = true;
    bool m_showDateTitles = false;
    // Every listed image, group after group; a gone one reads as null until the next reload.
    QList<KTRecordRef<KTImageMO>> m_allImages;
    std::vector<std::pair<qsizetype, qsizetype>> m_ranges;
    std::vector<qsizetype> m_groupsIndexesForImages;
    std::vector<bool> m_daySections;
    KTImageSelection m_selection;
    bool m_doesNotScrollSelectedCellToVisible = false;

    KTGridDragSource m_drag;
};
