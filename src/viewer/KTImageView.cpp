#include "KTImageView.h"

#include "KTAnimations.h"
#include "KTBinding.h"
#include "KTDispatch.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusedRegionsManager.h"
#include "KTFullSizeImageCache.h"
#include "KTImageDocument.h"
#include "KTImageMO.h"
#include "KTImageSelectionView.h"
#include "KTLoadingBadge.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTObjectContext.h"
#include "KTOnOffButton.h"
#include "KTRecordDeletion.h"
#include "KTShareMenu.h"
#include "KTSharedPaths.h"
#include "KTSpinner.h"
#include "KTUserDefaults.h"
#include "KTViewAdditions.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QNativeGestureEvent>
#include <QVariantAnimation>

#include <cmath>

namespace {

/// A layer picture of one uniform colour: painted as a fill, whatever its size.
QImage uniformImage(const QColor &color)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace

KTImageView::KTImageView(QWidget *parent) : KTImageView(KTImageViewServices{}, parent) {}

KTImageView::KTImageView(KTImageViewServices services, QWidget *parent)
    : KTDrawView(parent), m_services(std::move(services))
{
    initialize();
}

KTImageView::~KTImageView()
{
    stopObserving();
    if (m_imageMO && m_imageMO->isMonitoringFileSystem())
        m_imageMO->stopMonitoringFileSystem();
}

KTFullSizeImageCache &KTImageView::imageCache()
{
    return KTImageDocument::imageCache();
}

void KTImageView::initialize()
{
    m_selectable = false;

    m_layers.setContents(Layer::Shadow, uniformImage(KTImageLayerStack::veilColor()));
    m_layers.setContents(Layer::TrashStatus, uniformImage(KTImageLayerStack::veilColor()));
    for (Layer hidden : {Layer::InstantZoom, Layer::FocusPointLattice, Layer::TrashStatus,
                         Layer::ExposurePixels, Layer::FocusMask, Layer::Overlay})
        m_layers.setHidden(hidden, true);
    m_geometry.setViewSize(size());
    m_geometry.setBackingScale(devicePixelRatioF());
    m_presentationFrame = m_geometry.containerFrame();

    m_selectionView = new KTImageSelectionView(this);
    m_selectionView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_selectionView->setGeometry(rect());
    m_selectionView->setVisible(m_selectable);

    bindPropertyToDefaultsKey(this, kShowsFocusMaskDefaultsKey);
    m_reloadFocusMaskObserver = KTNotificationCenter::defaultCenter().addObserver(
        kReloadFocusMaskNotificationName, nullptr,
        [guard = QPointer<KTImageView>(this)](const KTNotification &) {
            if (guard)
                guard->displayFocusMask();
        });
    m_imagesChangedObserver = observeRecordDeletion(
        this, [this]() -> const KTRecordRef<KTImageMO> & { return m_imageMO; },
        [this] { setImageMO(nullptr); });
    m_showsRejectedStatus = true;
    m_isFitToScreen = true;

    KTFocusedRegionsManager &regions = m_services.focusedRegions();
    m_focusPictures =
        new KTFocusPictures(regions,
                            {m_layers, [this] { return m_geometry.imageSize() * m_geometry.fitScale(); },
                             [this] { return !isHiddenOrHasHiddenAncestor(this); },
                             [this](bool started) { started ? showProgress() : hideProgress(); }},
                            this);
    connect(&regions, &KTFocusedRegionsManager::focusedRegionsVisibleChanged, this,
            [this, &regions] { setFocusedRegionsVisible(regions.isFocusedRegionsVisible()); });
    connect(&regions, &KTFocusedRegionsManager::focusPointLatticeVisibleChanged, this,
            [this, &regions] { setFocusPointLatticeVisible(regions.isFocusPointLatticeVisible()); });

    m_progressIndicator = new KTSpinner(this);
    m_progressIndicator->resize(m_progressIndicator->sizeHint());
    m_progressIndicator->hide();

    m_buttons = new KTImageDecisionButtons(this, [this] { return m_services.catalogue(); });
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    placeChildren();
}

// ---- The record ----

void KTImageView::setImageMO(KTImageMO *image)
{
    Q_ASSERT(isMainThread());
    if (image == m_imageMO && !m_imageMO.isGone())
        return;
    const KTVisibleGeometry previousGeometry = geometryInfo();

    stopObserving();
    if (m_imageMO && m_imageMO->isMonitoringFileSystem())
        m_imageMO->stopMonitoringFileSystem();
    if (m_document)
        disconnect(m_document.get(), nullptr, this, nullptr);
    m_imageMO = image;
    // The document of the record every view of it shares; the one of the record shown before
    // goes with its last holder, and its requests with it.
    m_document = KTImageDocument::forImage(image, m_services);
    m_geometryAwaitingProperties.reset();
    if (image)
        image->startMonitoringFileSystem();

    m_lowResPreviewImage = QImage();
    setLayerContents(Layer::LowResPreview, {});
    adjustOverlayLayerVisibility();
    startObserving(image);
    m_path = image ? image->path() : QString();
    m_image = QImage();
    setLayerContents(Layer::Image, {});
    adjustLayersBounds();

    m_focusPictures->setRecord(image ? image->uuid() : QString(), m_path);
    for (Layer overlay : {Layer::ExposurePixels, Layer::FocusMask}) {
        setLayerHidden(overlay, true);
        setLayerContents(overlay, {});
    }

    ++m_previewGeneration;
    m_previewImage = QImage();
    setLayerContents(Layer::Preview, {});
    setLoadingViewVisible(false);
    followDocument();
    // The records around the last one go; the record just shown has found its document among
    // those read ahead.
    m_readAheadImages.clear();
    m_readAheadDocuments.clear();

    if (m_isFitToScreen || previousGeometry.isEmpty() || !m_isZoomLock)
        fitToScreenWithAnimation(KTAnimated::No);
    else if (m_document && !m_document->hasProperties())
        // The part to keep is placed once the image's size is known.
        m_geometryAwaitingProperties = previousGeometry;
    else
        adjustGeometry(previousGeometry);

    updateScalePercent();
    adjustImageLayerVisibility();
    adjustTrashStatusVisibility();
    m_buttons->setRecord(image);
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
    update();

    emit imageMOChanged();
}

void KTImageView::followDocument()
{
    KTImageDocument *document = m_document.get();
    if (!document)
        return;
    connect(document, &KTImageDocument::propertiesLoaded, this, &KTImageView::propertiesDidLoad);
    connect(document, &KTImageDocument::lowResPreviewLoaded, this,
            [this] { showLowResPreviewImage(m_document->lowResPreview()); });
    connect(document, &KTImageDocument::previewLoaded, this,
            [this] { showPreviewImage(m_document->preview()); });
    connect(document, &KTImageDocument::imageLoaded, this,
            [this] { displayFullSizeImage(m_document->image()); });
    connect(document, &KTImageDocument::imageLoadingChanged, this,
            [this](bool loading) { setLoadingViewVisible(loading); });
    // What another view of the record loaded already shows at once.
    if (!document->image().isNull()) {
        displayFullSizeImage(document->image());
        return;
    }
    if (!m_path.isEmpty() && !KTImageDocument::imageCache().cachedFullSizeImageForPath(m_path).isNull()) {
        reloadImageAsync(Load::Now);
        return;
    }
    if (!document->lowResPreview().isNull())
        showLowResPreviewImage(document->lowResPreview());
    else
        reloadLowResPreviewImage();
    if (!document->preview().isNull())
        showPreviewImage(document->preview());
    reloadPreviewImage();
    setLoadingViewVisible(document->isLoadingImage());
}

void KTImageView::propertiesDidLoad()
{
    const KTVisibleGeometry before = geometryInfo();
    adjustLayersBounds();
    if (const std::optional<KTVisibleGeometry> kept = std::exchange(m_geometryAwaitingProperties, {}))
        adjustGeometry(*kept);
    else if (m_isFitToScreen || before.isEmpty())
        fitToScreenWithAnimation(KTAnimated::No);
    else
        // The zoom and the part shown stay what they were for the picture's size it had so far.
        adjustGeometry(before);
    updateScalePercent();
    adjustImageLayerVisibility();
    reloadFocusedRegionsIfNeed();
    reloadFocusPointLatticeIfNeed();
    emit metadataChanged();
}

QVariantMap KTImageView::metadata() const
{
    return m_document ? m_document->properties().metadata : QVariantMap();
}

void KTImageView::startObserving(KTImageMO *image)
{
    KTObjectContext *context = image ? image->context() : nullptr;
    if (!context || !context->isMainContext())
        return;
    m_recordObservers.push_back(
        context->observe(image, QStringLiteral("rejected"), [this](const KTValueChange &) {
            adjustTrashStatusVisibility();
            adjustRejectButtonVisibility();
        }));
    m_recordObservers.push_back(
        context->observe(image, QStringLiteral("originalFileExists"), [this](const KTValueChange &) {
            adjustOverlayLayerVisibility();
            adjustFlagButtonVisibility();
            adjustRejectButtonVisibility();
            fitToScreenAnimated(KTAnimated::No);
            if (recordFileExists()) {
                if (m_lowResPreviewImage.isNull())
                    reloadLowResPreviewImage();
                if (m_previewImage.isNull())
                    reloadPreviewImage();
            }
        }));
    m_recordObservers.push_back(context->observe(
        image, QStringLiteral("picked"), [this](const KTValueChange &) { adjustFlagButtonVisibility(); }));
    // The pick button's visibility is set when observing starts.
    adjustFlagButtonVisibility();
}

void KTImageView::stopObserving()
{
    m_recordObservers.clear();
}

bool KTImageView::recordFileExists() const
{
    return m_imageMO && m_imageMO->originalFileExists().value_or(false);
}

// ---- Stages ----

void KTImageView::adjustLayersBounds()
{
    setLayersBounds(m_document ? m_document->properties().layerSize : QSizeF());
}

void KTImageView::setLayersBounds(const QSizeF &size)
{
    m_geometry.setImageSize(size);
    m_geometry.adjustPosition();
    syncPresentation(KTAnimated::No);
}

void KTImageView::adjustLayersBoundsFromImage(const QImage &image)
{
    if (!metadata().isEmpty() || image.isNull())
        return;
    const QSizeF size = image.deviceIndependentSize();
    if (size.isEmpty() || QRectF(QPointF(), m_geometry.imageSize()).contains(QRectF(QPointF(), size)))
        return;
    setLayersBounds(size);
    fitToScreenAnimated(KTAnimated::No);
}

void KTImageView::reloadLowResPreviewImage()
{
    if (m_document)
        m_document->loadLowResPreview();
}

void KTImageView::showLowResPreviewImage(const QImage &image)
{
    if (image.isNull())
        return;
    m_lowResPreviewImage = image;
    setLayerContents(Layer::LowResPreview, image);
    adjustLayersBoundsFromImage(image);
}

void KTImageView::reloadPreviewImage()
{
    ++m_previewGeneration;
    if (!m_imageMO || m_path.isEmpty() || !m_document)
        return;
    const double size = std::max(width(), height());
    // Read ahead or kept in memory: painted at once, nothing to wait for.
    if (m_document->hasPreviewInMemory(size)) {
        m_document->loadPreview(size);
        return;
    }
    const QString uuid = m_imageMO->uuid();
    const quint64 generation = m_previewGeneration;
    // A record shown for less than the delay gets no view-sized preview.
    schedule(kPreviewDelay, [this, uuid, generation] {
        if (!m_imageMO || m_imageMO->uuid() != uuid || generation != m_previewGeneration || !m_document)
            return;
        m_document->loadPreview(std::max(width(), height()));
    });
}

void KTImageView::showPreviewImage(const QImage &image)
{
    if (image.isNull())
        return;
    m_previewImage = image;
    setLayerContents(Layer::Preview, image);
    adjustImageLayerVisibility();
    adjustLayersBoundsFromImage(image);
    scheduleReadAhead();
}

void KTImageView::setReadAheadImages(const QList<KTImageMO *> &images)
{
    m_readAheadImages.clear();
    for (KTImageMO *image : images) {
        if (image && image != m_imageMO)
            m_readAheadImages.emplace_back(image);
    }
    // A preview on screen already: the read-ahead waits for the preview's delay from now.
    if (!m_previewImage.isNull())
        scheduleReadAhead();
}

void KTImageView::scheduleReadAhead()
{
    if (m_readAheadImages.empty() || !m_imageMO)
        return;
    // Only for a record still shown after the preview's wait: fast steps read nothing ahead.
    const QString uuid = m_imageMO->uuid();
    const quint64 generation = m_previewGeneration;
    schedule(kPreviewDelay, [this, uuid, generation] {
        if (m_imageMO && m_imageMO->uuid() == uuid && generation == m_previewGeneration)
            readAhead();
    });
}

void KTImageView::readAhead()
{
    if (!isShown())
        return;
    const double size = std::max(width(), height());
    std::vector<std::shared_ptr<KTImageDocument>> documents;
    for (const KTRecordRef<KTImageMO> &image : m_readAheadImages) {
        if (!image || image->path().isEmpty())
            continue;
        std::shared_ptr<KTImageDocument> document = KTImageDocument::forImage(image, m_services);
        document->loadPreview(size, KTImageDocument::Priority::ReadAhead);
        documents.push_back(std::move(document));
    }
    // Documents of records no longer around go, with their requests.
    m_readAheadDocuments = std::move(documents);
}

void KTImageView::adjustImageLayerVisibility()
{
    if (!layer(Layer::Image).contents.isNull())
        return;
    // The exposure and focus-mask overlays are computed from the full-size image, which fit zoom
    // alone never loads; a hidden view loads it when it is shown again.
    if (m_showsExposurePixels || m_showsFocusMask) {
        if (isShown())
            reloadImage();
        return;
    }
    const double boundsWidth = m_geometry.imageSize().width();
    if (m_previewImage.isNull() || boundsWidth <= 0)
        return;
    const double ratio = m_previewImage.deviceIndependentSize().width() / boundsWidth;
    if (m_geometry.scale() > ratio)
        reloadImage();
}

bool KTImageView::isLoadingFullSize() const
{
    return m_document && m_document->isLoadingImage();
}

void KTImageView::reloadImageAsync(Load when)
{
    if (m_document)
        m_document->loadImage(when);
}

void KTImageView::displayFullSizeImage(const QImage &image)
{
    if (image.isNull())
        return;
    m_image = image;
    setLayerContents(Layer::Image, image);
    setLoadingViewVisible(false);
    if (m_showsExposurePixels)
        displayExposurePixels();
    if (m_showsFocusMask)
        displayFocusMask();
}

// ---- Geometry ----

bool KTImageView::isAnimating() const
{
    return m_frameAnimation && m_frameAnimation->state() == QAbstractAnimation::Running;
}

void KTImageView::syncPresentation(KTAnimated animated, KTAnimated buttons)
{
    const QRectF target = m_geometry.containerFrame();
    if (animated == KTAnimated::Yes && KTAnimations::isEnabled() && m_presentationFrame != target &&
        isVisible()) {
        if (!m_frameAnimation) {
            m_frameAnimation = new QVariantAnimation(this);
            connect(m_frameAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
                m_presentationFrame = value.toRectF();
                update();
            });
        }
        m_frameAnimation->stop();
        m_frameAnimation->setStartValue(m_presentationFrame);
        m_frameAnimation->setEndValue(target);
        KTAnimations::start(m_frameAnimation, kZoomAnimationDuration);
    } else {
        if (m_frameAnimation)
            m_frameAnimation->stop();
        m_presentationFrame = target;
    }
    updateFlagAndTrashButtonFrames(buttons);
    updateCursor();
    update();
}

void KTImageView::setIsFitToScreen(bool fit)
{
    if (fit == m_isFitToScreen)
        return;
    m_isFitToScreen = fit;
    KTNotificationCenter::defaultCenter().post(kZoomDidChangeNotification, this);
}

void KTImageView::updateScalePercent()
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_scalePercent = m_geometry.zoomPercent();
    emit scalePercentChanged();
    KTNotificationCenter::defaultCenter().post(kZoomDidChangeNotification, this);
}

void KTImageView::finishZoomCommand(KTAnimated animated)
{
    m_geometry.adjustPosition();
    syncPresentation(animated);
    setIsFitToScreen(false);
    updateScalePercent();
    adjustImageLayerVisibility();
    notifyAboutVisibleGeometryChanges(animated);
}

void KTImageView::setScale(double scale, KTAnimated animated)
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_geometry.setScale(scale);
    syncPresentation(animated);
}

void KTImageView::setScaleWithUnmovedPoint(double scale, const QPointF &viewPoint, KTAnimated animated)
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_geometry.scaleAboutViewPoint(scale, viewPoint);
    syncPresentation(animated);
}

void KTImageView::fitToScreenWithAnimation(KTAnimated animated)
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_geometry.fit();
    syncPresentation(animated);
}

void KTImageView::fitToScreenAnimated(KTAnimated animated)
{
    if (!m_imageMO)
        return;
    fitToScreenWithAnimation(animated);
    setIsFitToScreen(true);
    updateScalePercent();
    adjustImageLayerVisibility();
    notifyAboutVisibleGeometryChanges(animated);
}

void KTImageView::actualSizeWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated)
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_geometry.scaleAboutViewPoint(m_geometry.actualSizeScale(), viewPoint);
    finishZoomCommand(animated);
}

void KTImageView::actualSize()
{
    actualSizeWithUnmovedPoint(m_geometry.viewCenter(), KTAnimated::Yes);
}

void KTImageView::scale(double factor, KTAnimated animated)
{
    m_geometry.setBackingScale(devicePixelRatioF());
    m_geometry.scaleAboutViewPoint(m_geometry.scaleForFactor(factor), m_geometry.viewCenter());
    finishZoomCommand(animated);
}

void KTImageView::zoomInWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated)
{
    if (!recordFileExists())
        return;
    if (const auto target = m_geometry.zoomInTarget())
        setScaleWithUnmovedPoint(*target, viewPoint, animated);
}

void KTImageView::zoomOutWithUnmovedPoint(const QPointF &viewPoint, KTAnimated animated)
{
    if (!recordFileExists())
        return;
    if (const auto target = m_geometry.zoomOutTarget())
        setScaleWithUnmovedPoint(*target, viewPoint, animated);
}

void KTImageView::zoomIn()
{
    zoomInWithUnmovedPoint(m_geometry.viewCenter(), KTAnimated::No);
    finishZoomCommand(KTAnimated::No);
}

void KTImageView::zoomOut()
{
    zoomOutWithUnmovedPoint(m_geometry.viewCenter(), KTAnimated::No);
    finishZoomCommand(KTAnimated::No);
}

void KTImageView::setPosition(const QPointF &position, KTAnimated animated)
{
    m_geometry.setPosition(position);
    syncPresentation(animated);
}

void KTImageView::adjustPositionAnimated(KTAnimated animated)
{
    m_geometry.adjustPosition();
    syncPresentation(animated);
}

void KTImageView::moveByVect(const QPointF &vector, KTAnimated animated)
{
    m_geometry.moveBy(vector);
    syncPresentation(animated);
}

void KTImageView::setAnchorPoint(const QPointF &anchorPoint)
{
    m_geometry.setAnchorPoint(anchorPoint);
    syncPresentation(KTAnimated::No);
}

void KTImageView::adjustGeometry(const KTVisibleGeometry &geometry)
{
    const KTAnimated animated = geometry.didAnimate ? KTAnimated::Yes : KTAnimated::No;
    setIsFitToScreen(false);
    m_geometry.setBackingScale(devicePixelRatioF());
    if (m_geometry.adjustGeometry(geometry)) {
        syncPresentation(animated, animated);
        updateScalePercent();
        adjustImageLayerVisibility();
    } else {
        updateFlagAndTrashButtonFrames(animated);
    }
    updateCursor();
}

void KTImageView::notifyAboutVisibleGeometryChanges(KTAnimated animated)
{
    KTVisibleGeometry geometry = geometryInfo();
    geometry.didAnimate = animated == KTAnimated::Yes;
    KTNotificationCenter::defaultCenter().post(kVisibleGeometryDidChange, this, geometry.toUserInfo());
    updateCursor();
}

void KTImageView::frameDidChange()
{
    m_geometry.setViewSize(size());
    m_geometry.setBackingScale(devicePixelRatioF());
    // A fitted view stays fitted whatever the zoom lock, which carries the zoom from one image to
    // the next and not across a change of the window's size; the new fit is reported, so the
    // zoom shown beside the view follows it.
    if (m_isFitToScreen) {
        fitToScreenWithAnimation(KTAnimated::No);
        if (m_imageMO)
            updateScalePercent();
    } else {
        adjustPositionAnimated(KTAnimated::No);
    }
    reloadPreviewImage();
    placeChildren();
    update();
}

QRectF KTImageView::visibleImageRect() const
{
    return m_geometry.toQt(m_presentationFrame).intersected(QRectF(rect()));
}

QPointF KTImageView::viewPoint(const QPointF &widgetPoint) const
{
    return m_geometry.fromQt(widgetPoint);
}

void KTImageView::updateCursor()
{
    const bool overImage = m_pointer && visibleImageRect().contains(*m_pointer);
    if (overImage)
        setCursor(m_mouseDown ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    else
        unsetCursor();
}

// ---- Painting ----

double KTImageView::missingFileFontSize(const QString &text, double width, double height)
{
    return KTImageLayerStack::missingFileFontSize(text, width, height);
}

void KTImageView::drawInRect(QPainter &painter, const QRectF &)
{
    m_layers.paint(painter, m_geometry.toQt(m_presentationFrame), size(), devicePixelRatioF(), isAnimating());
    emit painted();
}

void KTImageView::setLayerContents(Layer layer, const QImage &contents)
{
    m_layers.setContents(layer, contents);
}

bool KTImageView::isPaintingScaledCopy(Layer layer) const
{
    return m_layers.isPaintingScaledCopy(
        layer, (m_geometry.toQt(m_presentationFrame).size() * devicePixelRatioF()).toSize());
}

void KTImageView::setLayerHidden(Layer layer, bool hidden)
{
    m_layers.setHidden(layer, hidden);
}

void KTImageView::schedule(double seconds, std::function<void()> job)
{
    m_services.schedule(this, seconds, std::move(job));
}

void KTImageView::placeChildren()
{
    m_selectionView->setGeometry(rect());
    setCenter(m_progressIndicator, QRectF(rect()).center());
    if (m_loadingView)
        m_loadingView->place();
    updateFlagAndTrashButtonFrames(KTAnimated::No);
}

// ---- Overlays ----

void KTImageView::setShowsExposurePixels(bool shows)
{
    if (shows == m_showsExposurePixels)
        return;
    m_showsExposurePixels = shows;
    if (!shows) {
        setLayerHidden(Layer::ExposurePixels, true);
        return;
    }
    displayExposurePixels();
    adjustImageLayerVisibility();
}

void KTImageView::setShowsFocusMask(bool shows)
{
    if (shows == m_showsFocusMask)
        return;
    m_showsFocusMask = shows;
    emit showsFocusMaskChanged(shows);
    if (!shows) {
        setLayerHidden(Layer::FocusMask, true);
        return;
    }
    displayFocusMask();
    adjustImageLayerVisibility();
}

void KTImageView::displayExposurePixels()
{
    displayPixelOverlay(PixelOverlay::Exposure);
}

void KTImageView::displayFocusMask()
{
    displayPixelOverlay(PixelOverlay::FocusMask);
}

QString KTImageView::focusMaskCacheKeyForImageWithID(const QString &imageID)
{
    return KTImagePixelOverlays::focusMaskCacheKeyForImageWithID(imageID);
}

bool KTImageView::isShown() const
{
    return !isHiddenOrHasHiddenAncestor(this);
}

void KTImageView::displayPixelOverlay(PixelOverlay overlay)
{
    if (!m_imageMO)
        return;
    // A hidden view makes its overlays when it is shown again (viewDidUnhide()).
    bool &awaitsShow = overlay == PixelOverlay::Exposure ? m_exposurePixelsAwaitsShow : m_focusMaskAwaitsShow;
    if (!isShown()) {
        awaitsShow = true;
        return;
    }
    const QString notedPath = m_path;
    const std::optional<quint64> fileNumber = m_imageMO->imageID();
    const QString imageID = fileNumber ? QString::number(*fileNumber) : QString();
    schedule(kOverlayDelay, [this, notedPath, imageID, overlay] {
        // The overlay is made from the full-size image; a view that has none yet computes it when
        // the image arrives (displayFullSizeImage()).
        if (m_path != notedPath || m_image.isNull())
            return;
        if (!isShown()) {
            (overlay == PixelOverlay::Exposure ? m_exposurePixelsAwaitsShow : m_focusMaskAwaitsShow) = true;
            return;
        }
        const auto kind = overlay == PixelOverlay::Exposure ? KTImagePixelOverlays::Kind::ExposurePixels
                                                            : KTImagePixelOverlays::Kind::FocusMask;
        m_pixelOverlays.compute(
            kind, m_image, notedPath, imageID, this, [this, notedPath, overlay](const QImage &result) {
                if (m_path != notedPath)
                    return;
                const Layer target =
                    overlay == PixelOverlay::Exposure ? Layer::ExposurePixels : Layer::FocusMask;
                setLayerContents(target, result);
                setLayerHidden(target, overlay == PixelOverlay::Exposure ? !m_showsExposurePixels
                                                                         : !m_showsFocusMask);
                if (overlay == PixelOverlay::FocusMask)
                    m_layers.setOpacity(Layer::FocusMask, KTUserDefaults::standardUserDefaults().floatForKey(
                                                              kFocusMaskOpacityDefaultsKey));
            });
    });
}

void KTImageView::setShowsRejectedStatus(bool shows)
{
    m_showsRejectedStatus = shows;
    adjustTrashStatusVisibility();
}

void KTImageView::adjustTrashStatusVisibility()
{
    setLayerHidden(Layer::TrashStatus,
                   !(m_imageMO && m_imageMO->rejected().value_or(false) && m_showsRejectedStatus));
}

void KTImageView::adjustOverlayLayerVisibility()
{
    setLayerHidden(Layer::Overlay, !m_imageMO || recordFileExists());
    if (!layer(Layer::Overlay).hidden)
        update();
}

void KTImageView::setProgressQueryCount(quint64 count)
{
    if (count == m_progressQueryCount)
        return;
    m_progressQueryCount = count;
    adjustProgressIndicatorVisibility();
}

void KTImageView::adjustProgressIndicatorVisibility()
{
    m_progressIndicator->setVisible(m_progressQueryCount > 0);
    if (m_progressQueryCount > 0)
        m_progressIndicator->raise();
}

QWidget *KTImageView::loadingView()
{
    if (!m_loadingView) {
        m_loadingView = new KTLoadingBadge(this);
        m_loadingView->hide();
        placeChildren();
    }
    return m_loadingView;
}

bool KTImageView::isLoadingViewVisible() const
{
    return m_loadingView && !m_loadingView->isHidden();
}

void KTImageView::setLoadingViewVisible(bool visible)
{
    if (!visible && !m_loadingView)
        return;
    QWidget *badge = loadingView();
    badge->setVisible(visible);
    if (visible)
        badge->raise();
}

// ---- Buttons, selection and menu ----

void KTImageView::updateFlagAndTrashButtonFrames(KTAnimated animated)
{
    if (!m_buttons)
        return;
    m_buttons->place(m_geometry.toQt(m_geometry.flagButtonFrame(flagButton()->size())).toRect(),
                     m_geometry.toQt(m_geometry.rejectButtonFrame(rejectButton()->size())).toRect(),
                     animated);
}

bool KTImageView::isMouseAboveImage() const
{
    return m_pointer && m_geometry.toQt(m_presentationFrame).contains(*m_pointer) &&
           QRectF(rect()).contains(*m_pointer);
}

void KTImageView::adjustFlagButtonVisibility()
{
    m_buttons->adjustFlagVisibility(isMouseAboveImage());
}

void KTImageView::adjustRejectButtonVisibility()
{
    m_buttons->adjustRejectVisibility(isMouseAboveImage());
}

void KTImageView::setShowPickRejectButtons(bool show)
{
    m_buttons->setSwitchedOn(show, isMouseAboveImage());
    update();
}

bool KTImageView::pickedAndRejectedButtonsEnabled() const
{
    return m_buttons->isEnabled();
}

void KTImageView::setPickedAndRejectedButtonsEnabled(bool enabled)
{
    m_buttons->setEnabled(enabled);
}

void KTImageView::setSelectable(bool selectable)
{
    m_selectable = selectable;
    m_selectionView->setVisible(selectable);
}

bool KTImageView::isSelected() const
{
    return m_selectionView->isSelected();
}

void KTImageView::setSelected(bool selected)
{
    m_selectionView->setSelected(selected);
    m_selectionView->update();
}

void KTImageView::deleteSimilarImagesAtSamePath()
{
    if (!m_imageMO)
        return;
    if (KTImageStorage *storage = m_services.catalogue())
        storage->moveImagesLocatedInSameFolderToTrashWithImage(m_imageMO);
}

QMenu *KTImageView::menuForEvent(const QPoint &position)
{
    if (!m_geometry.containerFrame().contains(viewPoint(position)) || !m_imageMO)
        return nullptr;
    auto *menu = new QMenu(this);
    // The paths are read when an item asks for them, from whatever the view shows then.
    const QPointer<KTImageView> weak(this);
    const auto shown = [weak] {
        return weak ? QList<KTImageMO *>{weak->m_imageMO.get()} : QList<KTImageMO *>();
    };
    KTShareMenu::addItems(menu,
                          {KTSharedPaths::producer(shown, KTPairedPaths::Include),
                           KTSharedPaths::producer(shown, KTPairedPaths::Exclude)},
                          KTShareMenu::PhotoManagers::Hidden);
    menu->addSeparator();
    QAction *rejectFolder = menu->addAction(tr("Reject All Photos at Same Location"));
    rejectFolder->setObjectName(QStringLiteral("deleteSimilarImagesAtSamePath"));
    connect(rejectFolder, &QAction::triggered, this, &KTImageView::deleteSimilarImagesAtSamePath);
    rejectFolder->setEnabled(!m_imageMO->rejected().value_or(false));
    KTShareManager::validateMenu(menu);
    return menu;
}
