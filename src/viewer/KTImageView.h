#pragma once

#include "KTDrawView.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusPictures.h"
#include "KTImageDecisionButtons.h"
#include "KTImageDocument.h"
#include "KTImageLayerStack.h"
#include "KTImagePixelOverlays.h"
#include "KTImageViewServices.h"
#include "KTNotificationCenter.h"
#include "KTObservationToken.h"
#include "KTRecordRef.h"
#include "KTViewerGeometry.h"
#include "KTZoomProtocol.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class KTFullSizeImageCache;
class KTImageMO;
class KTLoadingBadge;
class KTImageSelectionView;
class KTOnOffButton;
class KTOverlayImageCache;
class KTSpinner;
class QMenu;
class QVariantAnimation;

/// Shows one image record at any zoom: the view of the review modes' "Image" sub-mode and each
/// side of the comparison view.
///
/// Pictures arrive in stages, each drawn over the last: the 100-pixel thumbnail at once, a
/// preview of the view's size when the record is still shown 0.1 s later, and the full-size
/// image only when the zoom needs more pixels than the preview holds (or at once from the
/// process-wide cache of the five last full-size images). The view is drawn as a stack of layers
/// (shadow, thumbnail, preview, image, focused regions, focus-point lattice, rejected veil,
/// exposure pixels, focus mask, missing-file message), each a picture with a hidden flag and an
/// opacity; the image layers share the container's frame, which the zoom and the pan place
/// (KTViewerGeometry, y upwards, converted to the widget once per paint). Changes of scale or
/// position that animate do so for 0.2 s from where the screen is.
///
/// The view follows its record: the veil, the hover pick and reject buttons and the missing-file
/// message change as soon as "picked", "rejected" or "originalFileExists" change anywhere; the
/// record's file is monitored while it is shown. A record deleted from the catalogue is let go.
///
/// Threading: main thread only. Full-size decodes run one at a time on the view's own queue
/// (work not started is withdrawn when another decode is asked for), bitmap preparation on the
/// preparators' shared serial queue, overlays on the global concurrent queue; results come back
/// through the main queue and are dropped when the view shows another file meanwhile or is gone.
/// Thumbnail, preview and focused-region callbacks come on the main thread. Destroying the view
/// waits for nothing.
class KTImageView : public KTDrawView, public KTZoomProtocol
{
    Q_OBJECT
    Q_PROPERTY(bool showsFocusMask READ showsFocusMask WRITE setShowsFocusMask NOTIFY showsFocusMaskChanged)

public:
    /// The layers, back to front, and what each shows.
    using Layer = KTImageLayerStack::Layer;
    using LayerState = KTImageLayerStack::LayerState;
    static constexpr int kLayerCount = KTImageLayerStack::kLayerCount;
    static constexpr double kMissingFileFontSize = KTImageLayerStack::kMissingFileFontSize;
    static constexpr double kMissingFileSmallestFontSize = KTImageLayerStack::kMissingFileSmallestFontSize;

    /// The size of the thumbnail stage.
    static constexpr double kLowResPreviewSize = KTImageDocument::kLowResPreviewSize;
    /// The wait before the preview stage and before an overlay computation, in seconds.
    static constexpr double kPreviewDelay = 0.1;
    static constexpr double kOverlayDelay = 0.2;
    /// The wait before an asynchronous full-size load, in seconds.
    static constexpr double kReloadImageDelay = KTImageDocument::kReloadImageDelay;
    /// Zoom and pan animations, and the buttons' frame animation, in seconds.
    static constexpr double kZoomAnimationDuration = 0.2;
    static constexpr double kButtonsAnimationDuration = KTImageDecisionButtons::kAnimationDuration;
    /// Count limit of each overlay cache, and of the shared full-size cache.
    static constexpr int kOverlayCacheLimit = 10;
    static constexpr int kFullSizeCacheLimit = KTImageDocument::kFullSizeCacheLimit;

    explicit KTImageView(QWidget *parent = nullptr);
    /// A view that takes its thumbnails, focused regions, decodes, timers and catalogue from
    /// `services` (tests script them).
    explicit KTImageView(KTImageViewServices services, QWidget *parent = nullptr);
    /// Stops following the record and monitoring its file; pending work is dropped.
    ~KTImageView() override;

    /// The full-size images of all views, keyed by path (five at most).
    static KTFullSizeImageCache &imageCache();

    // ---- The record ----

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Shows `image` (null clears the view). The record already shown changes nothing.
    void setImageMO(KTImageMO *image);
    /// What the view shows of the record: its properties and the pictures of its stages, shared
    /// with the other views of the record. Null while no record is shown.
    KTImageDocument *document() const { return m_document.get(); }
    /// The record's path when it was shown; every asynchronous result is compared with it.
    QString path() const { return m_path; }
    /// The file's image properties; empty when the file could not be read, and until the
    /// document has read them (metadataChanged()).
    QVariantMap metadata() const;
    /// The full-size image once loaded and prepared, else null.
    QImage image() const { return m_image; }
    QImage previewImage() const { return m_previewImage; }
    QImage lowResPreviewImage() const { return m_lowResPreviewImage; }

    // ---- Stages ----

    /// Asks the document for the 100-pixel thumbnail.
    void reloadLowResPreviewImage();
    /// Asks the document for the view-sized preview after 0.1 s, when the same record is still
    /// shown (a record shown for less gets none), or at once when the preview is in memory.
    void reloadPreviewImage();
    using Load = KTImageDocument::Load;
    /// reloadImageAsync(Load::AfterDelay).
    void reloadImage() { reloadImageAsync(Load::AfterDelay); }
    /// Loads the full-size image through the document: from the shared cache at once, else
    /// decoded once for every view of the record. Nothing without a path or while the file is
    /// missing.
    void reloadImageAsync(Load when);
    /// Starts the full-size stage when the zoom shows more pixels than the preview holds, or
    /// when an overlay computed from the full-size image is on and the view is shown.
    void adjustImageLayerVisibility();
    /// The records around the one shown (the previous and the next one of the list it is
    /// stepped through), read ahead: once the shown record has had its preview on screen for
    /// the preview's wait, their documents are made and their previews asked for at low
    /// priority, so that stepping to one of them paints its preview at once. Showing another
    /// record forgets them; a record shown for less than the wait reads nothing ahead.
    void setReadAheadImages(const QList<KTImageMO *> &images);
    /// The documents read ahead and held for the records around the one shown.
    const std::vector<std::shared_ptr<KTImageDocument>> &readAheadDocuments() const
    {
        return m_readAheadDocuments;
    }
    /// True while a full-size decode is queued or running.
    bool isLoadingFullSize() const;

    // ---- Layers ----

    const LayerState &layer(Layer layer) const { return m_layers.layer(layer); }
    /// The container's frame on screen now (mid-animation included), y upwards.
    QRectF presentationFrame() const { return m_presentationFrame; }
    /// The container's model frame, y upwards; the comparison view reads it.
    QRectF selectionRect() const { return m_geometry.containerFrame(); }
    /// The model geometry (named apart from QWidget::geometry, the widget's frame).
    const KTViewerGeometry &viewerGeometry() const { return m_geometry; }
    bool isAnimating() const;
    /// Whether the layer is painted from a copy shrunk to its on-screen size (made in the
    /// background for pictures drawn much smaller than they are).
    bool isPaintingScaledCopy(Layer layer) const;
    /// The point size the missing-file message is drawn in for a view `width` points wide.
    static double missingFileFontSize(const QString &text, double width, double height);

    // ---- Zoom (KTZoomProtocol and the steps behind it) ----

    bool isFitToScreen() const override { return m_isFitToScreen; }
    void setIsFitToScreen(bool fit);
    void fitToScreen() override { fitToScreenAnimated(KTAnimated::Yes); }
    void fitToScreenAnimated(KTAnimated animated) override;
    void actualSize() override;
    void zoomIn() override;
    void zoomOut() override;
    void scale(double factor, KTAnimated animated) override;
    std::optional<double> scalePercent() const override { return m_scalePercent; }

    /// The fit scale of the current image in this view.
    double scaleToFit() const { return m_geometry.fitScale(); }
    double minScale() const { return m_geometry.minScale(); }
    void setScale(double scale, KTAnimated animated);
    void setScaleWithUnmovedPoint(double scale, const QPointF &viewPoint, KTAnimated animated);
    void zoomInWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated);
    void zoomOutWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated);
    void actualSizeWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated);
    /// Scale and position only: fit mode, the percent and the geometry are left alone.
    void fitToScreenWithAnimation(KTAnimated animated);
    /// Reports the zoom: scalePercent() and kZoomDidChangeNotification.
    void updateScalePercent();

    // ---- Pan and geometry sync ----

    void setPosition(const QPointF &position, KTAnimated animated);
    void adjustPositionAnimated(KTAnimated animated);
    void moveByVect(const QPointF &vector, KTAnimated animated);
    /// Moves the anchor to a unit point of the image; the image does not move.
    void setAnchorPoint(const QPointF &anchorPoint);
    bool isZoomLock() const { return m_isZoomLock; }
    void setIsZoomLock(bool zoomLock) { m_isZoomLock = zoomLock; }
    KTVisibleGeometry geometryInfo() const { return m_geometry.geometryInfo(); }
    /// Shows the record's part of this image; ends fit mode. Posts nothing.
    void adjustGeometry(const KTVisibleGeometry &geometry);
    /// Posts kVisibleGeometryDidChange with the current geometry.
    void notifyAboutVisibleGeometryChanges(KTAnimated animated);

    // ---- Overlays ----

    bool showsExposurePixels() const { return m_showsExposurePixels; }
    /// Switches the exposure overlay; switching it on also starts the full-size stage, since the
    /// overlay is computed from the full-size image. A hidden view computes and decodes nothing
    /// for its overlays: it makes them when it is shown again.
    void setShowsExposurePixels(bool shows);
    bool showsFocusMask() const { return m_showsFocusMask; }
    /// The same for the focus mask (bound to the "showsFocusMask" user default).
    void setShowsFocusMask(bool shows);
    void displayExposurePixels();
    void displayFocusMask();
    /// The focus-mask cache key: the file number, then each focus-mask setting ("_" and its value,
    /// or "_R1", "_R2", "_RS", "_T" when the setting holds no value).
    static QString focusMaskCacheKeyForImageWithID(const QString &imageID);
    const KTOverlayImageCache &exposurePixelsCache() const
    {
        return m_pixelOverlays.cache(KTImagePixelOverlays::Kind::ExposurePixels);
    }
    const KTOverlayImageCache &focusMaskPixelsCache() const
    {
        return m_pixelOverlays.cache(KTImagePixelOverlays::Kind::FocusMask);
    }

    /// The camera's focused regions (in place of the photo) and focus-point lattice (over it),
    /// following the shared focused-regions manager's switches.
    bool isFocusedRegionsVisible() const { return m_focusPictures->isRegionsVisible(); }
    void setFocusedRegionsVisible(bool visible) { m_focusPictures->setRegionsVisible(visible); }
    bool isFocusPointLatticeVisible() const { return m_focusPictures->isLatticeVisible(); }
    void setFocusPointLatticeVisible(bool visible) { m_focusPictures->setLatticeVisible(visible); }
    void reloadFocusedRegionsIfNeed() { m_focusPictures->reloadRegionsIfNeed(); }
    void reloadFocusPointLatticeIfNeed() { m_focusPictures->reloadLatticeIfNeed(); }
    void cancelObtainingFocusedRegions() { m_focusPictures->cancelRegions(); }
    void cancelObtainingFocusPointLattice() { m_focusPictures->cancelLattice(); }
    bool hasPendingFocusedRegionsRequest() const { return m_focusPictures->hasPendingRegionsRequest(); }
    bool hasPendingFocusPointLatticeRequest() const { return m_focusPictures->hasPendingLatticeRequest(); }

    bool showsRejectedStatus() const { return m_showsRejectedStatus; }
    void setShowsRejectedStatus(bool shows);
    quint64 progressQueryCount() const { return m_progressQueryCount; }
    void showProgress() { setProgressQueryCount(m_progressQueryCount + 1); }
    void hideProgress() { setProgressQueryCount(m_progressQueryCount > 0 ? m_progressQueryCount - 1 : 0); }
    void setProgressQueryCount(quint64 count);
    /// The view's own spinner (focus data loading) and the "Loading..." badge (full-size decode).
    KTSpinner *progressIndicator() const { return m_progressIndicator; }
    QWidget *loadingView();
    bool isLoadingViewVisible() const;

    // ---- Buttons, selection and menu ----

    KTOnOffButton *flagButton() const { return m_buttons->flagButton(); }
    KTOnOffButton *rejectButton() const { return m_buttons->rejectButton(); }
    bool showPickRejectButtons() const { return m_buttons->isSwitchedOn(); }
    void setShowPickRejectButtons(bool show);
    bool showsPickedAndRejectedButtons() const { return m_buttons->switchFollowsPointer(); }
    void setShowsPickedAndRejectedButtons(bool shows) { m_buttons->setSwitchFollowsPointer(shows); }
    bool pickedAndRejectedButtonsEnabled() const;
    void setPickedAndRejectedButtonsEnabled(bool enabled);
    /// Whether the pointer is over the visible part of the image (on screen now).
    bool isMouseAboveImage() const;
    void adjustFlagButtonVisibility();
    void adjustRejectButtonVisibility();
    bool selectable() const { return m_selectable; }
    void setSelectable(bool selectable);
    bool isSelected() const;
    void setSelected(bool selected);
    KTImageSelectionView *selectionView() const { return m_selectionView; }
    /// Device RGB (240, 155, 25)/255 unless one was set.
    QColor selectionColor() const
    {
        return m_selectionColor.isValid() ? m_selectionColor : kDefaultSelectionColor;
    }
    void setSelectionColor(const QColor &color) { m_selectionColor = color; }
    /// The context menu for a click at `position` (widget coordinates): null outside the image.
    /// The caller owns the menu.
    QMenu *menuForEvent(const QPoint &position);
    /// Pick button action: the record is picked when the button shows it unpicked, and the other
    /// way round.
    void onFlagButton() { m_buttons->onFlagButton(); }
    /// Reject button action: rejects through the catalogue, or puts the record back.
    void onRedjectButton() { m_buttons->onRejectButton(); }
    /// Rejects every image in the record's folder after the catalogue's confirmation.
    void deleteSimilarImagesAtSamePath();

signals:
    void imageMOChanged();
    /// The document's properties arrived (the layers took the image's size).
    void metadataChanged();
    void scalePercentChanged();
    void showsFocusMaskChanged(bool shows);
    /// Every repaint of the view's pictures (tests and benchmarks wait for it).
    void painted();

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void viewDidHide() override;
    void viewDidUnhide() override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void initialize();
    void startObserving(KTImageMO *image);
    void stopObserving();

    // Stages.
    void followDocument();
    void propertiesDidLoad();
    void adjustLayersBounds();
    void setLayersBounds(const QSizeF &size);
    void adjustLayersBoundsFromImage(const QImage &image);
    void showLowResPreviewImage(const QImage &image);
    void showPreviewImage(const QImage &image);
    void displayFullSizeImage(const QImage &image);
    void scheduleReadAhead();
    void readAhead();

    // Geometry.
    /// Brings the on-screen frame to the model frame (animated from where the screen is, or at
    /// once) and places the buttons, with `buttons` as their animation flag.
    void syncPresentation(KTAnimated animated, KTAnimated buttons = KTAnimated::No);
    void finishZoomCommand(KTAnimated animated);
    void updateCursor();
    QRectF visibleImageRect() const;
    QPointF viewPoint(const QPointF &widgetPoint) const;
    void frameDidChange();

    // Overlays.
    enum class PixelOverlay
    {
        Exposure,
        FocusMask,
    };
    void displayPixelOverlay(PixelOverlay overlay);
    /// Whether the view and its ancestors are shown (not whether it is on screen).
    bool isShown() const;
    void adjustTrashStatusVisibility();
    void adjustOverlayLayerVisibility();
    void adjustProgressIndicatorVisibility();
    void setLoadingViewVisible(bool visible);
    void placeChildren();

    // Buttons.
    void updateFlagAndTrashButtonFrames(KTAnimated animated);

    void setLayerContents(Layer layer, const QImage &contents);
    void setLayerHidden(Layer layer, bool hidden);
    void schedule(double seconds, std::function<void()> job);
    bool recordFileExists() const;

    KTImageViewServices m_services;
    KTImageLayerStack m_layers{[this] { update(); }};
    KTViewerGeometry m_geometry;
    QRectF m_presentationFrame;
    QVariantAnimation *m_frameAnimation = nullptr;

    KTRecordRef<KTImageMO> m_imageMO;
    std::shared_ptr<KTImageDocument> m_document;
    /// The zoom-locked part to show once the document knows the image's size.
    std::optional<KTVisibleGeometry> m_geometryAwaitingProperties;
    std::vector<KTObservationToken> m_recordObservers;
    QString m_path;
    QImage m_image;
    QImage m_previewImage;
    QImage m_lowResPreviewImage;
    quint64 m_previewGeneration = 0;
    std::vector<KTRecordRef<KTImageMO>> m_readAheadImages;
    std::vector<std::shared_ptr<KTImageDocument>> m_readAheadDocuments;

    bool m_showsRejectedStatus = true;
    bool m_isFitToScreen = true;
    std::optional<double> m_scalePercent;
    bool m_isZoomLock = false;
    bool m_mouseDown = false;
    QPointF m_lastDragPoint;
    std::optional<QPointF> m_pointer;

    bool m_showsExposurePixels = false;
    bool m_showsFocusMask = false;
    /// Overlays asked for while the view was hidden: made when it is shown again.
    bool m_exposurePixelsAwaitsShow = false;
    bool m_focusMaskAwaitsShow = false;
    KTFocusPictures *m_focusPictures = nullptr;
    KTImagePixelOverlays m_pixelOverlays{kOverlayCacheLimit};
    quint64 m_progressQueryCount = 0;
    KTSpinner *m_progressIndicator = nullptr;
    KTLoadingBadge *m_loadingView = nullptr;

    KTImageDecisionButtons *m_buttons = nullptr;
    bool m_selectable = false;
    KTImageSelectionView *m_selectionView = nullptr;
    QColor m_selectionColor;
    static inline const QColor kDefaultSelectionColor =
        QColor::fromRgbF(240 / 255.0, 155 / 255.0, 25 / 255.0);

    KTObserverToken m_reloadFocusMaskObserver;
    KTObserverToken m_imagesChangedObserver;
};
