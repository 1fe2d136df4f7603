#pragma once

#include "KTObservationToken.h"
#include "KTRecordRef.h"
#include "KTWeakDelegate.h"

#include <QObject>
#include <QRectF>

#include <memory>

class KTAbstractButton;
class KTImageCollectionViewCellDelegate;
class KTImageCollectionViewCellImageView;
class KTImageCollectionViewCellMark;
class KTImageCollectionViewCellMouseEventHandlingView;
class KTImageCollectionViewCellNumberField;
class KTImageCollectionViewCellRootView;
class KTImageCollectionViewCellSelectionView;
class KTImageCollectionViewImageFlagStatusView;
class KTImageMO;
class KTOperationQueue;

/// One thumbnail of a grid: not a view itself but the owner of a small tree of views (the root
/// view the grid places, the selection background, the picture with its overlays, the hover area
/// and the pick and reject buttons) and of the marks the hover area draws over the picture in one
/// pass (the pick frame, the number, the group mark). It shows one image record and follows its
/// "picked", "rejected" and "group" keys; the buttons show on hover (the pick button of a picked
/// image and the reject button of a rejected one stay, as its mark) and their state always
/// follows the record (a click changes the record, never the button).
///
/// Cells come from the shared pool (KTImageCollectionViewCellsManager) and go back to it; a grid
/// gives a cell a record, an index and a type, and takes the record away (null) when the cell
/// leaves it, which also lets the picture view drop the record.
///
/// Geometry of the buttons and the pick frame follows the drawn thumbnail; it is computed with
/// y up in the root view and converted once.
///
/// Threading: main thread only.
class KTImageCollectionViewCell : public QObject
{
    Q_OBJECT
public:
    /// Bits of cellType().
    enum CellType : unsigned
    {
        FirstColumn = 1,
        FirstRow = 2,
        GroupOrBrowserList = 4,
        PlainGridCell = 8,
        NavigationCell = 16,
        SelectableList = 128,
        CompareColors = 256,
    };

    KTImageCollectionViewCell();
    ~KTImageCollectionViewCell() override;

    KTImageCollectionViewCellRootView *rootView() const { return m_rootView; }
    KTImageCollectionViewCellImageView *imageView() const { return m_imageView; }
    KTImageCollectionViewCellSelectionView *selectionView() const { return m_selectionView; }
    KTImageCollectionViewCellMouseEventHandlingView *mouseEventHandlingView() const { return m_mouseView; }
    KTAbstractButton *trashButton() const { return m_trashButton; }
    KTAbstractButton *flagButton() const { return m_flagButton; }
    KTImageCollectionViewCellMark *groupsStateView() const { return m_groupsStateView.get(); }
    KTImageCollectionViewCellNumberField *cellNumberField() const { return m_numberField.get(); }
    KTImageCollectionViewImageFlagStatusView *flagStatusView() const { return m_flagStatusView.get(); }

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Shows `record` (null: none; the picture view lets go of the record too).
    void setImageMO(KTImageMO *record);
    unsigned index() const { return m_index; }
    /// The number field shows index + 1.
    void setIndex(unsigned index);
    unsigned cellType() const { return m_cellType; }
    void setCellType(unsigned type);

    bool isSelected() const { return m_isSelected; }
    void setIsSelected(bool selected);
    bool isActive() const { return m_isActive; }
    void setIsActive(bool active);
    bool hideSelection() const { return m_hideSelection; }
    void setHideSelection(bool hide);
    bool hideGroupsStatus() const { return m_hideGroupsStatus; }
    void setHideGroupsStatus(bool hide);

    bool showsExposurePixels() const { return m_showsExposurePixels; }
    void setShowsExposurePixels(bool shows);
    bool showsFocusMask() const { return m_showsFocusMask; }
    void setShowsFocusMask(bool shows);
    bool isFocusedRegionsVisible() const { return m_focusedRegionsVisible; }
    void setFocusedRegionsVisible(bool visible);
    bool isFocusPointLatticeVisible() const { return m_focusPointLatticeVisible; }
    void setFocusPointLatticeVisible(bool visible);
    /// Rejected thumbnails drawn dimmed.
    bool showsTrashStatus() const { return m_showsTrashStatus; }
    void setShowsTrashStatus(bool shows);
    bool showPickRejectButtons() const { return m_showPickRejectButtons; }
    void setShowPickRejectButtons(bool shows);
    /// True only when both buttons are enabled.
    bool pickedAndRejectButtonsEnabled() const;
    void setPickedAndRejectButtonsEnabled(bool enabled);
    /// Accepted and ignored: the value stays false.
    bool loadsLargePreviewAfterlowRes() const { return false; }
    void setLoadsLargePreviewAfterlowRes(bool) {}

    /// Stored for the grid; thumbnails are loaded by the entities manager's own queue.
    KTOperationQueue *loadPreviewsQueue() const { return m_loadPreviewsQueue; }
    void setLoadPreviewsQueue(KTOperationQueue *queue) { m_loadPreviewsQueue = queue; }

    KTImageCollectionViewCellDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTImageCollectionViewCellDelegate *delegate);

    /// The last button frames placed (root view coordinates, y down).
    QRectF trashButtonFrame() const { return m_trashButtonFrame; }
    QRectF flagButtonFrame() const { return m_flagButtonFrame; }

    /// The selection type of the current state (see KTImageCollectionViewCellSelectionView).
    unsigned selectionTypeForState() const;

    /// The reject button's action: tells the delegate.
    void onTrashClicked();
    /// The pick button's action: turns the record's "picked" over, then tells the delegate.
    void onFlagClicked();

    /// Places the pick frame and the buttons around the drawn thumbnail.
    void adjustGeometry();

signals:
    void cellTypeChanged(unsigned type);

private:
    void adjustSelection();
    void updateTrashButtonState();
    void updateFlagButtonState();
    void adjustFlagStatusView();
    void updateGroupsState();
    void updateNumberField();
    bool isPicked() const;
    bool isRejected() const;

    KTImageCollectionViewCellRootView *m_rootView;
    KTImageCollectionViewCellSelectionView *m_selectionView;
    KTImageCollectionViewCellImageView *m_imageView;
    KTImageCollectionViewCellMouseEventHandlingView *m_mouseView;
    KTAbstractButton *m_trashButton;
    KTAbstractButton *m_flagButton;
    // Drawn by the hover view, in this order.
    std::unique_ptr<KTImageCollectionViewImageFlagStatusView> m_flagStatusView;
    std::unique_ptr<KTImageCollectionViewCellNumberField> m_numberField;
    std::unique_ptr<KTImageCollectionViewCellMark> m_groupsStateView;

    KTRecordRef<KTImageMO> m_imageMO;
    KTObservationToken m_recordObservation;
    unsigned m_index = 0;
    unsigned m_cellType = 0;
    bool m_isSelected = false;
    bool m_isActive = false;
    bool m_hideSelection = false;
    bool m_hideGroupsStatus = false;
    bool m_showsExposurePixels = false;
    bool m_showsFocusMask = false;
    bool m_focusedRegionsVisible = false;
    bool m_focusPointLatticeVisible = false;
    bool m_showsTrashStatus = false;
    bool m_showPickRejectButtons = true;
    KTOperationQueue *m_loadPreviewsQueue = nullptr;
    KTWeakDelegate<KTImageCollectionViewCellDelegate> m_delegate;
    QRectF m_trashButtonFrame;
    QRectF m_flagButtonFrame;
};
