#pragma once

#include "KTGridDragSource.h"
#include "KTImageCollectionView.h"
#include "KTImageSelection.h"
#include "KTRecordRef.h"
#include "KTWeakDelegate.h"

#include <QImage>
#include <QUrl>

#include <memory>
#include <optional>
#include <set>

class KTImageListViewDataSource;
class KTImageListViewDelegate;
class QClipboard;
class QKeyEvent;
class QMimeData;

/// A thumbnail grid made selectable: shows the images of a data source inside a KTGridScrollView,
/// keeps a selection with one active image, moves it with the arrow keys, the mouse and Select
/// All / Deselect All, and hands images to the catalogue: the pick and reject buttons of the
/// cells, Delete (reject or restore the selection), Ctrl+Shift+Delete or Ctrl+Shift+Backspace
/// (move the selection to the system trash), drag out as files and copy to the clipboard.
///
/// Selection: outside compare mode a list with images always has a selection that holds the
/// active index; in compare mode (two images side by side) exactly two indexes are selected, one
/// of them active; an empty list has no selection and no active index. Indexes are signed; "no
/// index" is an empty std::optional, never a value an index computation could reach.
///
/// Keys (Ctrl stands for the Command key). The list answers its keys before the window's menu
/// shortcuts: it accepts the ShortcutOverride of every key it will act on (the arrows, Delete,
/// Ctrl+Shift+Backspace, and Ctrl+A / Ctrl+D while the delegate allows them), so a menu item
/// with the same shortcut does not fire while the list has the focus; every other key, Ctrl+C
/// included, goes to the menus. So the main window needs no forwarding of these keys to the
/// active mode, and a mode that refuses "a" or "d" (compare) leaves those to the menu.
///
/// Drags leave the application as file URLs (text/uri-list). A drop target inside the
/// application can tell such a drag by its source (QDropEvent::source()) and refuse it.
///
/// Threading: main thread only.
class KTImageListView : public KTImageCollectionView
{
    Q_OBJECT
public:
    explicit KTImageListView(QWidget *parent = nullptr);
    ~KTImageListView() override;

    KTImageListViewDataSource *dataSource() const { return m_dataSource.get(); }
    void setDataSource(KTImageListViewDataSource *dataSource);
    KTImageListViewDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTImageListViewDelegate *delegate);

    /// Rejected thumbnails dimmed (on by default).
    bool showsRejectedStatus() const { return m_showsRejectedStatus; }
    void setShowsRejectedStatus(bool shows) { m_showsRejectedStatus = shows; }
    bool isCompareMode() const { return m_compareMode; }
    void setCompareMode(bool compare) { m_compareMode = compare; }
    bool showPickRejectButtons() const { return m_showPickRejectButtons; }
    void setShowPickRejectButtons(bool shows);
    bool pickedAndRejectButtonsEnabled() const { return m_pickedAndRejectButtonsEnabled; }
    void setPickedAndRejectButtonsEnabled(bool enabled);

    const std::set<qsizetype> &selection() const { return m_selection.indexes(); }
    std::optional<qsizetype> activeIndex() const { return m_selection.active(); }
    std::optional<qsizetype> anchorIndex() const { return m_selection.anchor(); }
    /// The selected records in index order (places without a record are skipped).
    QList<KTImageMO *> selectedImages();
    /// The record of the cell last pressed with the mouse (cleared by reloadData()).
    KTImageMO *activeImageMO() const { return m_activeImageMO; }

    qsizetype calculateNumberOfCells() override;
    KTImageMO *imageMOAtIndex(qsizetype index) override;
    KTImageCollectionViewCell *cellAtIndex(qsizetype index) override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    /// Reloads the cells, checks the selection against the new count and lays out again.
    void reloadData() override;
    void imagesListDidChange() { reloadData(); }

    /// Replaces the selection (the owner's call: the delegate is not told).
    void selectIndexes(const std::set<qsizetype> &indexes, std::optional<qsizetype> activeIndex);
    void selectAllImages();
    void deselectAllImages();
    /// The active index when it is selected.
    std::optional<qsizetype> selectedCellIndex() const;
    void scrollSelectedCellToVisible();
    /// Scrolls the least that shows the whole cell; nothing without an image at `index`.
    virtual void scrollCellToVisibleAtIndex(qsizetype index);
    void scrollCellToVisibleAtIndex(qsizetype index, Qt::Orientation orientation);
    /// Restores the selection's rules (see the class comment); true when it changed anything.
    bool validateSelection();
    /// Re-applies selection, active and rejected state to the visible cells.
    void updateSelection();
    void informDelegateAboutChangedSelection();
    void selectLeftWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps);
    void selectRightWithModifiers(Qt::KeyboardModifiers modifiers, qsizetype steps);
    /// Acts on a key; false when the key is not the list's.
    bool performKeyDown(const QKeyEvent &event);
    /// Whether performKeyDown() would act on the key (used to claim it before the menus).
    bool wantsKey(const QKeyEvent &event);
    /// Selection by a click on the cell at `index` with `modifiers`.
    void updateSelectionForClickedIndex(qsizetype index, Qt::KeyboardModifiers modifiers);
    void mouseClickedInCell(KTImageCollectionViewCell *cell, Qt::KeyboardModifiers modifiers);
    void mouseDoubleClickedInCell(KTImageCollectionViewCell *cell, Qt::KeyboardModifiers modifiers);

    // Layout inside the scroll view.
    void layoutCells();
    void relayout();
    void clipViewBoundsDidChange();
    void clipViewFrameDidChange();
    double visibleAmount() const { return m_visibleAmount; }
    void updateVisibleAmount();
    void adjustVisibleAmount();

    // Drag out, copy and the actions.
    /// The file URLs of the selection; in compare mode only the image last pressed (when it is
    /// one of the two shown, else the active one).
    QList<QUrl> selectedImagesURLs();
    /// Puts the selection's files on `clipboard` (file URLs, and the copied-files list file
    /// managers paste); nothing is touched without a file. Returns the number of files.
    qsizetype addSelectedImagesToPasteboard(QClipboard *clipboard);
    qsizetype copySelectedImagesToPasteboard();
    /// The drag's data: the selection's file URLs.
    std::unique_ptr<QMimeData> mimeDataForDrag();
    /// What file URLs are put on: a drag carries the URLs, the clipboard also the copied-files list
    /// that the desktop's file managers paste.
    enum class FilesUse
    {
        Drag,
        Clipboard
    };
    /// The data of `urls` for `use` (no URLs: empty data, which clears a clipboard).
    static std::unique_ptr<QMimeData> mimeDataForFiles(const QList<QUrl> &urls, FilesUse use);
    /// The file URLs of `images` that have a path, in order.
    static QList<QUrl> fileURLsOfImages(const QList<KTImageMO *> &images);
    /// Rejects `images` through the catalogue (or takes their reject back) and saves; each record
    /// once.
    static void changeRejected(const QList<KTImageMO *> &images, bool rejected);
    /// `image` with a red pill holding `text` at its lower right.
    static QImage addBadge(const QString &text, const QImage &image);
    /// The picture of a drag of `count` files: `image`, with the count badge from two files on.
    static QImage dragPicture(const QImage &image, qsizetype count);
    /// Whether a press has moved far enough (more than kDragThreshold) to start a drag.
    static bool isDragDistance(const QPointF &delta);

    void onTrashClicked(KTImageCollectionViewCell *cell) override;
    void onFlagClicked(KTImageCollectionViewCell *cell) override;
    /// Gives the selection the cell's value at `keyPath` ("picked"; "rejected" rejects them
    /// together) when the cell is selected, else changes nothing but the cell's own record.
    void setPropertyForSelectedImagesWithKeypath(const QString &keyPath, KTImageCollectionViewCell *cell);
    /// Delete: rejects the selection, or restores it when the active image is rejected.
    void deleteSelectedImagesToTrash();
    /// Moves the selection's files to the system trash (the catalogue asks first).
    void deleteSelectedImagesToSystemTrash();
    /// Clears "rejected" (to no value) on the selection.
    void putBackSelectedImages();

    /// Distance the mouse must move, beyond which a press becomes a drag.
    static constexpr double kDragThreshold = 5.0;

protected:
    /// Starts the platform drag; tests replace it to see what would leave.
    virtual void beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture,
                                      const QPoint &hotSpot);
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void viewDidUnhide() override;
    /// The visible part, y up: the scroll host's, or the whole view without one.
    QRectF documentVisibleRect() const;

private:
    void finishMove(std::optional<qsizetype> indexToShow);
    void moveSelection(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction);
    void moveInCompareMode(Qt::KeyboardModifiers modifiers, qsizetype steps, qsizetype direction);
    /// Compare mode's rule: exactly two selected indexes, one of them active.
    bool validateComparedPair(qsizetype count);

    KTWeakDelegate<KTImageListViewDataSource> m_dataSource;
    KTWeakDelegate<KTImageListViewDelegate> m_delegate;
    bool m_showsRejectedStatus = true;
    bool m_compareMode = false;
    bool m_showPickRejectButtons = true;
    bool m_pickedAndRejectButtonsEnabled = true;
    KTImageSelection m_selection;
    double m_visibleAmount = 0;
    bool m_doesNotUpdateVisibleAmount = false;

    KTGridDragSource m_drag;
    KTRecordRef<KTImageMO> m_activeImageMO;
};
