#pragma once

#include "KTDrawView.h"
#include "KTEntitiesManagerCallbackID.h"
#include "KTObservationToken.h"
#include "KTRecordRef.h"

#include <QImage>
#include <QTimer>

#include <chrono>
#include <optional>

class KTAbstractProgressIndicator;
class KTExposurePixelsView;
class KTFocusPixelsView;
class KTFocusPointLatticeView;
class KTFocusedRegionsView;
class KTImageMO;
class QMenu;

/// The picture area of a thumbnail cell: shows one image record's thumbnail fitted inside 5-point
/// margins with a soft shadow, dims it while the image is rejected (when asked to), veils it with
/// "Image is deleted or missing" while the file is gone, and carries the four overlays of the
/// cell (exposure, focus mask, focused regions, autofocus points), which cover it.
///
/// Loading runs in two stages from the thumbnail entities: the 100-point thumbnail at once (it is
/// cached and usually answers inside the request), then a thumbnail matched to the view's size
/// once the size and the record have been stable for 0.3 s. Each stage keeps at most one request;
/// a new record or none withdraws both, so a reused view never receives the old record's
/// picture. While the view is hidden its requests are marked unwanted (lower priority, loads from
/// file dropped).
///
/// The view holds its record, watches its "rejected" and "originalFileExists" keys and keeps one
/// file-monitoring start on it, all until it shows another record or none (also when destroyed).
///
/// Threading: main thread only; the entities manager calls back there.
class KTImageCollectionViewCellImageView : public KTDrawView
{
    Q_OBJECT
public:
    /// The quiet period before the size-matched thumbnail is asked for.
    static constexpr int kPreviewDelayMs = 300;

    explicit KTImageCollectionViewCellImageView(QWidget *parent = nullptr);
    ~KTImageCollectionViewCellImageView() override;

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Starts showing `record` (null: nothing, with no spinner and no request). The same record
    /// again does nothing.
    void setImageMO(KTImageMO *record);

    /// The thumbnail shown; null while none has arrived.
    QImage image() const { return m_image; }
    void setImage(const QImage &image);

    /// Where the thumbnail is drawn, in widget coordinates; the zero rectangle without one.
    QRectF rectForDraw() const { return m_rectForDraw; }
    QRectF calculateRectForDraw() const;
    QSizeF margins() const { return m_margins; }

    bool showsExposurePixels() const { return m_showsExposurePixels; }
    void setShowsExposurePixels(bool shows);
    bool showsFocusMask() const { return m_showsFocusMask; }
    void setShowsFocusMask(bool shows);
    bool isFocusedRegionsVisible() const { return m_focusedRegionsVisible; }
    void setFocusedRegionsVisible(bool visible);
    bool isFocusPointLatticeVisible() const { return m_focusPointLatticeVisible; }
    void setFocusPointLatticeVisible(bool visible);
    bool showsRejectedStatus() const { return m_showsRejectedStatus; }
    void setShowsRejectedStatus(bool shows);
    bool isRejected() const { return m_rejected; }
    void setRejected(bool rejected);
    /// True while the record does not report its file as present (also without a record): the
    /// view is veiled.
    bool isFileMissing() const;
    bool showGroupStatus() const { return m_showGroupStatus; }
    void setShowGroupStatus(bool shows) { m_showGroupStatus = shows; }

    bool lowResPreviewDidLoad() const { return m_lowResPreviewDidLoad; }
    bool previewDidLoad() const { return m_previewDidLoad; }
    const std::optional<KTEntitiesManagerCallbackID> &lowResCallbackID() const { return m_lowResCallbackID; }
    const std::optional<KTEntitiesManagerCallbackID> &callbackID() const { return m_callbackID; }
    /// True during the quiet period before the size-matched thumbnail is asked for.
    bool isPreviewTimerActive() const { return m_previewDue.has_value(); }

    /// Asks for the 100-point thumbnail (withdrawing the pending one).
    void reloadLowResPreview();
    /// Withdraws the pending size-matched request and restarts the 0.3 s wait.
    void reloadPreview();
    void reloadLowResPreviewIfNeed();
    void reloadPreviewIfNeed();
    /// The end of the wait: asks for the thumbnail of the view's size in device pixels.
    void reloadPreviewTimerAction();
    /// Marks the request wanted while the view is shown, unwanted while it is hidden.
    void adjustCallbackStatusWithID(const std::optional<KTEntitiesManagerCallbackID> &token);

    KTAbstractProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    KTExposurePixelsView *exposurePixelsView() const { return m_exposurePixelsView; }
    KTFocusPixelsView *focusPixelsView() const { return m_focusPixelsView; }
    KTFocusedRegionsView *focusedRegionsView() const { return m_focusedRegionsView; }
    KTFocusPointLatticeView *focusPointLatticeView() const { return m_focusPointLatticeView; }

    /// The thumbnail at the size it is drawn, without shadow or dimming; null when nothing is
    /// drawn.
    QImage imageForDragging() const;
    /// The context menu for a click at `position` (widget coordinates): reveal, export and share
    /// through KTShareManager, then "Reject All Photos at Same Location". Null outside the drawn
    /// thumbnail. The caller owns the menu; its entries stay safe after the view is gone.
    QMenu *menuForEvent(const QPointF &position);
    /// Shows that menu (through KTMenuPresenter) at `globalPosition`; false when there is none.
    bool popUpContextMenu(const QPointF &position, const QPoint &globalPosition);
    /// Asks, then rejects every image in the folder of the record.
    void deleteSimilarImagesAtSamePath();

signals:
    void rectForDrawChanged();

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void viewDidHide() override;
    void viewDidUnhide() override;

private:
    void showImage(const QImage &image);
    void setRectForDraw(const QRectF &rect);
    void observeRecord();
    void recordFileExistenceDidChange();
    void updateSpinner();

    KTRecordRef<KTImageMO> m_imageMO;
    KTObservationToken m_recordObservation;
    // Counts records shown, so a late answer for an earlier one is recognised.
    quint64 m_generation = 0;
    QImage m_image;
    QRectF m_rectForDraw;
    QSizeF m_margins;
    bool m_showsExposurePixels = false;
    bool m_showsFocusMask = false;
    bool m_focusedRegionsVisible = false;
    bool m_focusPointLatticeVisible = false;
    bool m_showsRejectedStatus = false;
    bool m_rejected = false;
    bool m_showGroupStatus = false;
    bool m_lowResPreviewDidLoad = false;
    bool m_previewDidLoad = false;
    std::optional<KTEntitiesManagerCallbackID> m_lowResCallbackID;
    std::optional<KTEntitiesManagerCallbackID> m_callbackID;
    using PreviewClock = std::chrono::steady_clock;
    /// The end of the quiet period; the timer fires at it or before (then it waits for the rest).
    std::optional<PreviewClock::time_point> m_previewDue;
    QTimer m_reloadPreviewTimer;

    KTAbstractProgressIndicator *m_progressIndicator;
    KTExposurePixelsView *m_exposurePixelsView;
    KTFocusPixelsView *m_focusPixelsView;
    KTFocusedRegionsView *m_focusedRegionsView;
    KTFocusPointLatticeView *m_focusPointLatticeView;
};
