#include "KTImageView.h"

#include "KTAnimations.h"
#include "KTBinding.h"
#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTEntitiesManager.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusedRegionsManager.h"
#include "KTFont.h"
#include "KTFullSizeImageCache.h"
#include "KTImageDecodeQueue.h"
#include "KTImageMO.h"
#include "KTImageSelectionView.h"
#include "KTImageStorage.h"
#include "KTImageUtils.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTMenuPresenter.h"
#include "KTNamedImages.h"
#include "KTObjectContext.h"
#include "KTOnOffButton.h"
#include "KTOverlayImageCache.h"
#include "KTPixelUtils.h"
#include "KTRecordDeletion.h"
#include "KTScaledImageCache.h"
#include "KTShareMenu.h"
#include "KTSharedPaths.h"
#include "KTSpinner.h"
#include "KTThumbnailEntity.h"
#include "KTUserDefaults.h"
#include "KTViewAdditions.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenu>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

/// The grey of the shadow's body and of the rejected veil: 0.5 at alpha 0.5.
const QColor kVeilColor = QColor::fromRgbF(0.5, 0.5, 0.5, 0.5);
/// A layer picture of one uniform colour: painted as a fill, whatever its size.
QImage uniformImage(const QColor &color)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

/// The "Loading..." badge: white text on black at alpha 0.8, corner radius 4, 10 points of
/// padding, the text at least 40 points wide.
class LoadingBadge : public QWidget
{
public:
    static constexpr double kPadding = 10.0;
    static constexpr double kMinimumTextWidth = 40.0;
    static constexpr double kBottomOffset = 40.0;

    explicit LoadingBadge(QWidget *parent) : QWidget(parent), m_text(KTImageView::tr("Loading..."))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        m_font = ktFont(QStringLiteral("Helvetica"), 16);
        const QFontMetricsF metrics(m_font);
        const QSizeF text(std::max(kMinimumTextWidth, metrics.horizontalAdvance(m_text)), metrics.height());
        resize(QSizeF(text.width() + 2 * kPadding, text.height() + 2 * kPadding).toSize());
    }

    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.8));
        painter.drawRoundedRect(QRectF(rect()), 4, 4);
        painter.setFont(m_font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(rect()), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
    QFont m_font;
};

QFont missingFileFont(double size)
{
    return ktFont(QStringLiteral("Helvetica"), size);
}

/// The pixels whose centres lie in `rect`: what a fill of `rect` without antialiasing covers.
QRect pixelsOf(const QRectF &rect)
{
    const auto edge = [](double at) { return int(std::ceil(at - 0.5)); };
    return QRect(QPoint(edge(rect.left()), edge(rect.top())),
                 QPoint(edge(rect.right()) - 1, edge(rect.bottom()) - 1));
}

/// Fills `region` with a translucent `color` in bands of a few dozen device rows. Qt's raster
/// engine hands a translucent fill of about a hundred rows or more to its thread pool; for the
/// thin sides of a shadow, waking the pool costs far more than the fill, and on a busy machine
/// the paint then waits for threads that are not running.
void fillThinRegion(QPainter &painter, const QRegion &region, const QColor &color, qreal devicePixelRatio)
{
    const int band = std::max(1, int(64 / devicePixelRatio));
    for (const QRect &rect : region) {
        for (int top = rect.top(); top <= rect.bottom(); top += band)
            painter.fillRect(QRect(rect.left(), top, rect.width(), std::min(band, rect.bottom() + 1 - top)),
                             color);
    }
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
    cancelReloadingLowResPreview();
    cancelReloadingPreview();
    m_services.focusedRegions().cancelObtaining(m_focusedRegionCallbackID);
    m_services.focusedRegions().cancelObtaining(m_focusPointLatticeCallbackID);
}

KTFullSizeImageCache &KTImageView::imageCache()
{
    static KTFullSizeImageCache cache(kFullSizeCacheLimit);
    return cache;
}

void KTImageView::initialize()
{
    m_showPickRejectButtons = true;
    m_selectable = false;

    for (auto &scaled : m_scaledLayers)
        scaled = std::make_unique<KTScaledImageCache>([this] { update(); });
    m_layers[int(Layer::Shadow)].contents = uniformImage(kVeilColor);
    m_layers[int(Layer::TrashStatus)].contents = uniformImage(kVeilColor);
    for (Layer hidden : {Layer::InstantZoom, Layer::FocusPointLattice, Layer::TrashStatus,
                         Layer::ExposurePixels, Layer::FocusMask, Layer::Overlay})
        m_layers[int(hidden)].hidden = true;
    m_geometry.setViewSize(size());
    m_geometry.setBackingScale(devicePixelRatioF());
    m_presentationFrame = m_geometry.containerFrame();

    m_selectionView = new KTImageSelectionView(this);
    m_selectionView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_selectionView->setGeometry(rect());
    m_selectionView->setVisible(m_selectable);

    m_exposurePixelsCache = std::make_shared<KTOverlayImageCache>(kOverlayCacheLimit);
    m_focusMaskPixelsCache = std::make_shared<KTOverlayImageCache>(kOverlayCacheLimit);
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
    connect(&regions, &KTFocusedRegionsManager::focusedRegionsVisibleChanged, this,
            [this, &regions] { setFocusedRegionsVisible(regions.isFocusedRegionsVisible()); });
    connect(&regions, &KTFocusedRegionsManager::focusPointLatticeVisibleChanged, this,
            [this, &regions] { setFocusPointLatticeVisible(regions.isFocusPointLatticeVisible()); });

    m_progressIndicator = new KTSpinner(this);
    m_progressIndicator->resize(m_progressIndicator->sizeHint());
    m_progressIndicator->hide();

    configureButtons();
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
    m_imageMO = image;
    if (image)
        image->startMonitoringFileSystem();

    m_lowResPreviewImage = QImage();
    setLayerContents(Layer::LowResPreview, {});
    adjustOverlayLayerVisibility();
    startObserving(image);
    m_path = image ? image->path() : QString();

    m_image = QImage();
    setLayerContents(Layer::Image, {});
    m_imageURL = m_path.isEmpty() ? QUrl() : QUrl::fromLocalFile(m_path);
    m_imageName = m_path.isEmpty() ? QString() : QFileInfo(m_path).fileName();
    m_metadata = m_path.isEmpty() ? QVariantMap() : KTImageUtils::metadataDictionaryFromPath(m_path);
    adjustLayersBounds();

    cancelObtainingFocusedRegions();
    cancelObtainingFocusPointLattice();
    setLayerContents(Layer::InstantZoom, {});
    setLayerContents(Layer::FocusPointLattice, {});
    // A picture of the previous record's regions no longer covers the photo.
    for (Layer picture : {Layer::Image, Layer::Preview, Layer::LowResPreview})
        setLayerHidden(picture, false);
    reloadFocusedRegionsIfNeed();
    reloadFocusPointLatticeIfNeed();
    for (Layer overlay : {Layer::ExposurePixels, Layer::FocusMask}) {
        setLayerHidden(overlay, true);
        setLayerContents(overlay, {});
    }

    cancelReloadingLowResPreview();
    cancelReloadingPreview();
    m_previewImage = QImage();
    setLayerContents(Layer::Preview, {});

    if (!m_path.isEmpty() && !imageCache().cachedFullSizeImageForPath(m_path).isNull()) {
        reloadImageAsync(Load::Now);
    } else {
        reloadLowResPreviewImage();
        reloadPreviewImage();
    }

    if (m_isFitToScreen || previousGeometry.isEmpty() || !m_isZoomLock)
        fitToScreenWithAnimation(KTAnimated::No);
    else
        adjustGeometry(previousGeometry);

    updateScalePercent();
    adjustImageLayerVisibility();
    adjustTrashStatusVisibility();
    rebindButtons();
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
    update();

    emit imageMOChanged();
    emit imageURLChanged();
    emit imageNameChanged();
    emit metadataChanged();
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
    QSizeF size;
    if (!m_metadata.isEmpty()) {
        size = KTImageUtils::imageSizeFromMetadata(m_metadata, KTImageUtils::Transform::Upright);
        if (size.width() <= 0)
            size.setWidth(300);
        if (size.height() <= 0)
            size.setHeight(300);
    }
    setLayersBounds(size);
}

void KTImageView::setLayersBounds(const QSizeF &size)
{
    m_geometry.setImageSize(size);
    m_geometry.adjustPosition();
    syncPresentation(KTAnimated::No);
}

void KTImageView::adjustLayersBoundsFromImage(const QImage &image)
{
    if (!m_metadata.isEmpty() || image.isNull())
        return;
    const QSizeF size = image.deviceIndependentSize();
    if (size.isEmpty() || QRectF(QPointF(), m_geometry.imageSize()).contains(QRectF(QPointF(), size)))
        return;
    setLayersBounds(size);
    fitToScreenAnimated(KTAnimated::No);
}

void KTImageView::reloadLowResPreviewImage()
{
    cancelReloadingLowResPreview();
    if (!m_imageMO || m_path.isEmpty())
        return;
    QPointer<KTImageView> guard(this);
    const auto token = m_services.entities().obtainEntityOfClass<KTThumbnailEntity>(
        m_imageMO->uuid(), m_path, {{kThumbnailSizeKey, kLowResPreviewSize}},
        [guard](const std::shared_ptr<KTThumbnailEntity> &entity) {
            if (!guard)
                return;
            guard->m_reloadLowResPreviewCallbackID.reset();
            // The manager answers nothing when no thumbnail can be made: the view keeps what it shows.
            if (!entity)
                return;
            const QImage image = entity->image();
            guard->m_lowResPreviewImage = image;
            guard->setLayerContents(Layer::LowResPreview, image);
            guard->adjustLayersBoundsFromImage(image);
        });
    if (token)
        m_reloadLowResPreviewCallbackID = token;
}

void KTImageView::cancelReloadingLowResPreview()
{
    m_services.entities().cancelCallbackWithID(m_reloadLowResPreviewCallbackID);
    m_reloadLowResPreviewCallbackID.reset();
}

void KTImageView::reloadPreviewImage()
{
    cancelReloadingPreview();
    if (!m_imageMO || m_path.isEmpty())
        return;
    const QString uuid = m_imageMO->uuid();
    const quint64 generation = m_previewGeneration;
    schedule(kPreviewDelay, [this, uuid, generation] {
        if (!m_imageMO || m_imageMO->uuid() != uuid || generation != m_previewGeneration)
            return;
        const double size = std::max(width(), height());
        QPointer<KTImageView> guard(this);
        const auto token = m_services.entities().obtainEntityOfClass<KTThumbnailEntity>(
            uuid, m_path, {{kThumbnailSizeKey, size}},
            [guard](const std::shared_ptr<KTThumbnailEntity> &entity) {
                if (!guard)
                    return;
                guard->m_reloadPreviewCallbackID.reset();
                if (!entity)
                    return;
                // The entity was decoded when it was made or read, off the main thread.
                guard->showPreviewImage(entity->image());
            });
        if (token)
            m_reloadPreviewCallbackID = token;
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
}

void KTImageView::cancelReloadingPreview()
{
    m_services.entities().cancelCallbackWithID(m_reloadPreviewCallbackID);
    m_reloadPreviewCallbackID.reset();
    // A delayed request not yet made is dropped as well.
    ++m_previewGeneration;
}

void KTImageView::adjustImageLayerVisibility()
{
    if (!layer(Layer::Image).contents.isNull())
        return;
    // The exposure and focus-mask overlays are computed from the full-size image, which fit zoom
    // alone never loads.
    if (m_showsExposurePixels || m_showsFocusMask) {
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
    return m_pendingDecodes > 0;
}

void KTImageView::reloadImageAsync(Load when)
{
    m_image = QImage();
    if (!m_imageMO || m_path.isEmpty() || !recordFileExists())
        return;
    const QString path = m_path;
    if (when == Load::Now)
        loadFullSizeImage(path);
    else
        schedule(kReloadImageDelay, [this, path] { loadFullSizeImage(path); });
}

KTImageDecodeQueue &KTImageView::reloadImageQueue()
{
    if (!m_reloadImageQueue)
        m_reloadImageQueue = std::make_unique<KTImageDecodeQueue>();
    return *m_reloadImageQueue;
}

void KTImageView::loadFullSizeImage(const QString &path)
{
    if (m_path != path)
        return;
    // A decode of this file is on its way already: a burst of zoom steps decodes once.
    if (m_pendingDecodes > 0 && m_decodingPath == path)
        return;
    m_pendingDecodes -= reloadImageQueue().cancelWaitingJobs();
    const QImage cached = imageCache().cachedFullSizeImageForPath(path);
    if (!cached.isNull()) {
        displayFullSizeImage(cached, path);
        return;
    }
    ++m_pendingDecodes;
    m_decodingPath = path;
    QPointer<KTImageView> guard(this);
    reloadImageQueue().add([guard, path, services = m_services] {
        postToMain([guard] {
            if (guard)
                guard->setLoadingViewVisible(true);
        });
        const QImage decoded = services.decode(path);
        postToMain([guard, path, decoded] {
            if (!guard)
                return;
            --guard->m_pendingDecodes;
            if (guard->m_path == path && !decoded.isNull())
                guard->displayFullSizeImage(decoded, path);
            else
                // A decode that gave nothing, or a file no longer shown: the badge goes, the
                // preview stays.
                guard->setLoadingViewVisible(false);
        });
    });
}

void KTImageView::displayFullSizeImage(const QImage &image, const QString &path)
{
    m_previewGenerator.setImage(image);
    m_previewGenerator.prapareImage([this, path](const QImage &prepared) {
        if (m_path != path)
            return;
        imageCache().cacheFullSizeImage(prepared, path);
        m_image = prepared;
        setLayerContents(Layer::Image, prepared);
        setLoadingViewVisible(false);
    });
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
    if (m_isFitToScreen && !m_isZoomLock) {
        fitToScreenWithAnimation(KTAnimated::No);
    } else {
        setIsFitToScreen(false);
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

// ---- Events ----

void KTImageView::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    frameDidChange();
}

bool KTImageView::event(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() != Qt::ZoomNativeGesture)
            return KTDrawView::event(event);
        event->accept();
        if (!recordFileExists())
            return true;
        const auto target = m_geometry.pinchTarget(float(gesture->value()));
        if (!target)
            return true;
        if (*target != m_geometry.scale()) {
            m_geometry.setBackingScale(devicePixelRatioF());
            m_geometry.scaleAboutViewPoint(*target, viewPoint(gesture->position()));
            m_geometry.adjustPosition();
            syncPresentation(KTAnimated::No);
            updateScalePercent();
            adjustImageLayerVisibility();
            notifyAboutVisibleGeometryChanges(KTAnimated::No);
        }
        setIsFitToScreen(false);
        return true;
    }
    return KTDrawView::event(event);
}

void KTImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        KTDrawView::mousePressEvent(event);
        return;
    }
    m_mouseDown = true;
    m_lastDragPoint = event->position();
    m_pointer = event->position();
    updateCursor();
    event->accept();
}

void KTImageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        KTDrawView::mouseDoubleClickEvent(event);
        return;
    }
    if (m_geometry.doubleClickFits(m_isFitToScreen))
        fitToScreen();
    else
        actualSizeWithUnmovedPoint(viewPoint(event->position()), KTAnimated::Yes);
    event->accept();
}

void KTImageView::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer = event->position();
    if (m_mouseDown && (event->buttons() & Qt::LeftButton)) {
        const QPointF delta = event->position() - m_lastDragPoint;
        m_lastDragPoint = event->position();
        moveByVect(QPointF(delta.x(), -delta.y()), KTAnimated::No);
        notifyAboutVisibleGeometryChanges(KTAnimated::No);
    }
    updateCursor();
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
    event->accept();
}

void KTImageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_mouseDown = false;
    updateCursor();
    KTDrawView::mouseReleaseEvent(event);
}

void KTImageView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const bool zoomModifier = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    switch (KTViewerGeometry::wheelAction(!event->pixelDelta().isNull(), zoomModifier,
                                          event->angleDelta().y(), event->phase() == Qt::ScrollMomentum)) {
    case KTViewerGeometry::WheelAction::Ignore:
        return;
    case KTViewerGeometry::WheelAction::Pan:
        moveByVect(QPointF(event->pixelDelta().x(), -event->pixelDelta().y()), KTAnimated::No);
        notifyAboutVisibleGeometryChanges(KTAnimated::No);
        return;
    case KTViewerGeometry::WheelAction::ZoomIn:
        zoomInWithUnmovedPoint(viewPoint(event->position()), KTAnimated::No);
        break;
    case KTViewerGeometry::WheelAction::ZoomOut:
        zoomOutWithUnmovedPoint(viewPoint(event->position()), KTAnimated::No);
        break;
    }
    finishZoomCommand(KTAnimated::No);
}

void KTImageView::keyPressEvent(QKeyEvent *event)
{
    // The zoom keys, with or without Ctrl: "+" (or "=") in, "-" out, "0" fit, "1" actual size.
    // Arrow keys are left to the parent: they move between images in the review modes.
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    case Qt::Key_0:
        fitToScreen();
        break;
    case Qt::Key_1:
        actualSize();
        break;
    default:
        KTDrawView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void KTImageView::enterEvent(QEnterEvent *event)
{
    m_pointer = event->position();
    KTDrawView::enterEvent(event);
    updateCursor();
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
}

void KTImageView::leaveEvent(QEvent *event)
{
    m_pointer.reset();
    KTDrawView::leaveEvent(event);
    adjustFlagButtonVisibility();
    adjustRejectButtonVisibility();
}

void KTImageView::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(menuForEvent(event->pos()));
    if (!menu) {
        event->ignore();
        return;
    }
    KTMenuPresenter::popUp(menu.get(), event->globalPos(), nullptr);
    event->accept();
}

void KTImageView::viewDidHide()
{
    KTDrawView::viewDidHide();
    cancelObtainingFocusedRegions();
}

void KTImageView::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    reloadFocusedRegionsIfNeed();
}

// ---- Painting ----

double KTImageView::missingFileFontSize(const QString &text, double width, double height)
{
    double size = kMissingFileFontSize;
    while (size > kMissingFileSmallestFontSize &&
           QFontMetricsF(missingFileFont(size)).boundingRect(QRectF(0, 0, width, height), 0, text).width() >
               width - 50)
        size -= 1;
    return size;
}

void KTImageView::drawMissingFileMessage(QPainter &painter)
{
    painter.fillRect(rect(), kVeilColor);
    const QString text = tr("Image is deleted or missing");
    const double width = this->width();
    const double height = this->height();
    const QFont font = missingFileFont(missingFileFontSize(text, width, height));
    const double textWidth = QFontMetricsF(font).horizontalAdvance(text);
    const double x = std::floor(width / 2 - textWidth / 2);
    // The baseline lies at half the height counted from the bottom.
    const QPointF baseline = m_geometry.toQt(QPointF(x, std::floor(height / 2)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(baseline + QPointF(1, 1), text);
    painter.setPen(Qt::white);
    painter.drawText(baseline, text);
}

void KTImageView::drawShadow(QPainter &painter, const QRectF &frame)
{
    // A soft shadow 4 points below the image, as rings around it: under an opaque picture the
    // inside is never seen, and filling it would blend the whole frame several times per paint.
    // Only what the view shows of each ring is filled.
    const QRegion image(pixelsOf(frame));
    const QRegion shown(rect());
    const QRectF shadow = frame.translated(0, 4);
    for (int spread = 4; spread >= 1; --spread) {
        const QRegion ring =
            (QRegion(pixelsOf(shadow.adjusted(-spread, -spread, spread, spread))) - image) & shown;
        fillThinRegion(painter, ring, QColor(0, 0, 0, 20), devicePixelRatioF());
    }
    // The shadow layer's own grey shows only until a picture covers it.
    const bool covered =
        std::any_of(m_layers.begin() + int(Layer::LowResPreview), m_layers.begin() + int(Layer::Image) + 1,
                    [](const LayerState &state) { return !state.hidden && !state.contents.isNull(); });
    if (!covered)
        painter.fillRect(frame, kVeilColor);
}

void KTImageView::drawInRect(QPainter &painter, const QRectF &)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame = m_geometry.toQt(m_presentationFrame);
    const qreal ratio = devicePixelRatioF();
    if (!frame.isEmpty()) {
        if (!layer(Layer::Shadow).hidden)
            drawShadow(painter, frame);
        // The pictures share the frame: under an opaque one nothing shows, so drawing starts there.
        int first = int(Layer::LowResPreview);
        for (int index = int(Layer::Image); index > first; --index) {
            const LayerState &state = m_layers[index];
            if (!state.hidden && !state.contents.isNull() && state.opacity >= 1 &&
                !state.contents.hasAlphaChannel())
                first = index;
        }
        for (int index = first; index <= int(Layer::FocusMask); ++index) {
            const LayerState &state = m_layers[index];
            if (state.hidden || state.contents.isNull() || state.opacity <= 0)
                continue;
            painter.setOpacity(state.opacity);
            if (state.contents.size() == QSize(1, 1)) {
                painter.fillRect(frame, state.contents.pixelColor(0, 0));
                continue;
            }
            const QImage scaled = m_scaledLayers[index]->scaledImage(
                state.contents, (frame.size() * ratio).toSize(),
                isAnimating() ? KTScaledImageCache::Request::Withheld : KTScaledImageCache::Request::Allowed);
            if (scaled.isNull()) {
                painter.drawImage(frame, state.contents);
            } else {
                // Whole device pixels, so the copy is painted as it is, without filtering.
                const QPointF origin(std::round(frame.x() * ratio) / ratio,
                                     std::round(frame.y() * ratio) / ratio);
                painter.drawImage(QRectF(origin, QSizeF(scaled.size()) / ratio), scaled);
            }
        }
        painter.setOpacity(1);
    }
    if (!layer(Layer::Overlay).hidden)
        drawMissingFileMessage(painter);
    emit painted();
}

void KTImageView::setLayerContents(Layer layer, const QImage &contents)
{
    m_layers[int(layer)].contents = contents;
    if (contents.isNull())
        m_scaledLayers[int(layer)]->clear();
    update();
}

bool KTImageView::isPaintingScaledCopy(Layer layer) const
{
    const QImage &contents = m_layers[int(layer)].contents;
    const QSize device = (m_geometry.toQt(m_presentationFrame).size() * devicePixelRatioF()).toSize();
    return m_scaledLayers[int(layer)]->hasCopyFor(contents, device);
}

void KTImageView::setLayerHidden(Layer layer, bool hidden)
{
    if (m_layers[int(layer)].hidden == hidden)
        return;
    m_layers[int(layer)].hidden = hidden;
    update();
}

void KTImageView::schedule(double seconds, std::function<void()> job)
{
    m_services.schedule(this, seconds, std::move(job));
}

void KTImageView::placeChildren()
{
    m_selectionView->setGeometry(rect());
    setCenter(m_progressIndicator, QRectF(rect()).center());
    if (m_loadingView) {
        const QSize badge = m_loadingView->size();
        m_loadingView->move(int(std::round(width() / 2.0 - badge.width() / 2.0)),
                            int(std::round(height() - LoadingBadge::kBottomOffset - badge.height())));
    }
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
    const KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    QString key = imageID;
    const std::pair<QString, QString> settings[] = {{kFocusMaskRadius1DefaultsKey, QStringLiteral("_R1")},
                                                    {kFocusMaskRadius2DefaultsKey, QStringLiteral("_R2")},
                                                    {kFocusMaskRegionSizeDefaultsKey, QStringLiteral("_RS")},
                                                    {kFocusMaskThresholdDefaultsKey, QStringLiteral("_T")}};
    for (const auto &[name, absent] : settings) {
        const QVariant value = defaults.objectForKey(name);
        key += value.isValid() ? QStringLiteral("_") + value.toString() : absent;
    }
    return key;
}

void KTImageView::displayPixelOverlay(PixelOverlay overlay)
{
    if (!m_imageMO)
        return;
    const QString notedPath = m_path;
    const std::optional<quint64> fileNumber = m_imageMO->imageID();
    const QString imageID = fileNumber ? QString::number(*fileNumber) : QString();
    schedule(kOverlayDelay, [this, notedPath, imageID, overlay] {
        if (m_path != notedPath)
            return;
        KTIndeterminateProgressIndicatorController::sharedController().startAnimation();
        const QImage source = m_image;
        const std::shared_ptr<KTOverlayImageCache> cache =
            overlay == PixelOverlay::Exposure ? m_exposurePixelsCache : m_focusMaskPixelsCache;
        QPointer<KTImageView> guard(this);
        KTConcurrentQueue::global().async([guard, source, cache, notedPath, imageID, overlay] {
            // Without a file number nothing is cached: the key would not tell files apart.
            QString key;
            if (!imageID.isEmpty())
                key = overlay == PixelOverlay::Exposure ? imageID : focusMaskCacheKeyForImageWithID(imageID);
            QImage result = cache->image(key, notedPath);
            if (result.isNull()) {
                result = overlay == PixelOverlay::Exposure
                             ? KTPixelUtils::exposurePixelsImageFromImage(source)
                             : KTPixelUtils::focusMaskImageFromImage(source);
                cache->insert(key, notedPath, result);
            }
            postToMain([guard, result, notedPath, overlay] {
                if (guard && guard->m_path == notedPath) {
                    const Layer target =
                        overlay == PixelOverlay::Exposure ? Layer::ExposurePixels : Layer::FocusMask;
                    guard->setLayerContents(target, result);
                    guard->setLayerHidden(target, overlay == PixelOverlay::Exposure
                                                      ? !guard->m_showsExposurePixels
                                                      : !guard->m_showsFocusMask);
                    if (overlay == PixelOverlay::FocusMask)
                        guard->m_layers[int(Layer::FocusMask)].opacity =
                            KTUserDefaults::standardUserDefaults().floatForKey(kFocusMaskOpacityDefaultsKey);
                }
                KTIndeterminateProgressIndicatorController::sharedController().stopAnimation();
            });
        });
    });
}

void KTImageView::setFocusedRegionsVisible(bool visible)
{
    if (visible == m_focusedRegionsVisible)
        return;
    m_focusedRegionsVisible = visible;
    if (visible) {
        showFocusedRegionsLayer();
        reloadFocusedRegionsIfNeed();
    } else {
        hideFocusedRegionsLayer();
        cancelObtainingFocusedRegions();
    }
}

void KTImageView::showFocusedRegionsLayer()
{
    setLayerHidden(Layer::InstantZoom, false);
    if (layer(Layer::InstantZoom).contents.isNull())
        return;
    for (Layer picture : {Layer::Image, Layer::Preview, Layer::LowResPreview})
        setLayerHidden(picture, true);
}

void KTImageView::hideFocusedRegionsLayer()
{
    setLayerHidden(Layer::InstantZoom, true);
    for (Layer picture : {Layer::Image, Layer::Preview, Layer::LowResPreview})
        setLayerHidden(picture, false);
}

void KTImageView::reloadFocusedRegionsIfNeed()
{
    reloadFocusPictureIfNeed(FocusPicture::Regions);
}

void KTImageView::cancelObtainingFocusedRegions()
{
    cancelObtainingFocusPicture(FocusPicture::Regions);
}

void KTImageView::setFocusPointLatticeVisible(bool visible)
{
    if (visible == m_focusPointLatticeVisible)
        return;
    m_focusPointLatticeVisible = visible;
    setLayerHidden(Layer::FocusPointLattice, !visible);
    if (visible)
        reloadFocusPointLatticeIfNeed();
    else
        cancelObtainingFocusPointLattice();
}

void KTImageView::reloadFocusPointLatticeIfNeed()
{
    reloadFocusPictureIfNeed(FocusPicture::Lattice);
}

void KTImageView::cancelObtainingFocusPointLattice()
{
    cancelObtainingFocusPicture(FocusPicture::Lattice);
}

std::optional<KTCallbackID> &KTImageView::focusPictureRequest(FocusPicture picture)
{
    return picture == FocusPicture::Regions ? m_focusedRegionCallbackID : m_focusPointLatticeCallbackID;
}

void KTImageView::reloadFocusPictureIfNeed(FocusPicture picture)
{
    // The lattice's request would need no record, but without one there is nothing to ask for.
    const bool on = picture == FocusPicture::Regions ? m_focusedRegionsVisible : m_focusPointLatticeVisible;
    const Layer target = picture == FocusPicture::Regions ? Layer::InstantZoom : Layer::FocusPointLattice;
    if (isHiddenOrHasHiddenAncestor(this) || !on || !layer(target).contents.isNull() ||
        focusPictureRequest(picture) || !m_imageMO)
        return;
    reloadFocusPicture(picture);
}

void KTImageView::reloadFocusPicture(FocusPicture picture)
{
    // An image of no size (a missing or unreadable file) has no fitted size to ask for.
    if (m_geometry.imageSize().isEmpty())
        return;
    const Layer target = picture == FocusPicture::Regions ? Layer::InstantZoom : Layer::FocusPointLattice;
    showProgress();
    setLayerContents(target, {});
    std::optional<KTCallbackID> &request = focusPictureRequest(picture);
    m_services.focusedRegions().cancelObtaining(request);
    request.reset();
    QPointer<KTImageView> guard(this);
    // The token stays after the answer, so no second request is made for the same record.
    request = m_services.focusedRegions().obtainFocusedRegionStorage(
        [guard, picture, target](const std::shared_ptr<KTFocusedRegionsStorage> &storage, bool) {
            if (!guard)
                return;
            const QSizeF fitted = guard->m_geometry.imageSize() * guard->m_geometry.fitScale();
            const QSizeF size(std::round(fitted.width()), std::round(fitted.height()));
            QImage contents;
            if (storage)
                contents = picture == FocusPicture::Regions
                               ? storage->apropriateFocusedRegionOfSize(size)
                               : storage->apropriateFocusPointLatticeOfSize(size);
            guard->setLayerContents(target, contents);
            // The regions replace the photo; the lattice lies over it.
            if (picture == FocusPicture::Regions && !contents.isNull() && !guard->layer(target).hidden)
                guard->showFocusedRegionsLayer();
            guard->hideProgress();
        },
        m_imageMO->uuid(), m_path);
}

void KTImageView::cancelObtainingFocusPicture(FocusPicture picture)
{
    std::optional<KTCallbackID> &request = focusPictureRequest(picture);
    m_services.focusedRegions().cancelObtaining(request);
    request.reset();
    hideProgress();
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
        m_loadingView = new LoadingBadge(this);
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

void KTImageView::configureButtons()
{
    const auto makeButton = [this](const QString &off, const QString &on) {
        auto *button = new KTOnOffButton(this);
        const qreal ratio = devicePixelRatioF();
        button->setImage(KTNamedImages::shared().image(off, ratio));
        button->updateImage();
        button->setAlternateImage(KTNamedImages::shared().image(on, ratio));
        button->updateAlternateImage();
        button->resize(KTNamedImages::shared().naturalSize(off).toSize());
        return button;
    };
    m_flagButton = makeButton(QStringLiteral("picked_btn_img"), QStringLiteral("picked_btn_img_on"));
    m_rejectButton = makeButton(QStringLiteral("reject_icon_small"), QStringLiteral("revert_btn_img"));
    m_flagButton->setToolTip(tr("Pick"));
    m_rejectButton->setToolTip(tr("Reject"));
    connect(m_flagButton, &KTControl::clicked, this, &KTImageView::onFlagButton);
    connect(m_rejectButton, &KTControl::clicked, this, &KTImageView::onRedjectButton);
    m_flagButtonAnimation = new QPropertyAnimation(m_flagButton, "geometry", this);
    m_rejectButtonAnimation = new QPropertyAnimation(m_rejectButton, "geometry", this);
    rebindButtons();
}

void KTImageView::rebindButtons()
{
    if (!m_imageMO || !m_imageMO->context() || !m_imageMO->context()->isMainContext())
        return;
    kt_bindStateToObject(m_flagButton, KTBindingSource(m_imageMO), QStringLiteral("picked"));
    kt_bindStateToObject(m_rejectButton, KTBindingSource(m_imageMO), QStringLiteral("rejected"));
}

void KTImageView::updateFlagAndTrashButtonFrames(KTAnimated animated)
{
    if (!m_flagButton)
        return;
    const auto place = [&](KTOnOffButton *button, QPropertyAnimation *animation, const QRectF &frame) {
        const QRect target = m_geometry.toQt(frame).toRect();
        animation->stop();
        if (animated == KTAnimated::Yes && KTAnimations::isEnabled() && button->geometry() != target) {
            animation->setStartValue(button->geometry());
            animation->setEndValue(target);
            KTAnimations::start(animation, kButtonsAnimationDuration);
        } else {
            button->setGeometry(target);
        }
    };
    place(m_flagButton, m_flagButtonAnimation, m_geometry.flagButtonFrame(m_flagButton->size()));
    place(m_rejectButton, m_rejectButtonAnimation, m_geometry.rejectButtonFrame(m_rejectButton->size()));
}

bool KTImageView::isMouseAboveImage() const
{
    return m_pointer && m_geometry.toQt(m_presentationFrame).contains(*m_pointer) &&
           QRectF(rect()).contains(*m_pointer);
}

bool KTImageView::pointerInsideContainer() const
{
    return isMouseAboveImage();
}

void KTImageView::adjustFlagButtonVisibility()
{
    const bool visible = m_showPickRejectButtons && recordFileExists() &&
                         !m_imageMO->rejected().value_or(false) &&
                         (isMouseAboveImage() || m_imageMO->picked().value_or(false));
    m_flagButton->setVisible(visible);
    if (visible)
        m_flagButton->raise();
}

void KTImageView::adjustRejectButtonVisibility()
{
    const bool visible = m_showPickRejectButtons && recordFileExists() &&
                         (isMouseAboveImage() || m_imageMO->rejected().value_or(false));
    m_rejectButton->setVisible(visible);
}

void KTImageView::setShowPickRejectButtons(bool show)
{
    if (show == m_showPickRejectButtons)
        return;
    m_showPickRejectButtons = show;
    adjustFlagAndTrashButtons();
    update();
}

void KTImageView::adjustFlagAndTrashButtons()
{
    // Only the switch and the pointer count here; the next pointer movement applies the record's
    // rules again.
    const bool visible = m_showsPickedAndRejectedButtons ? m_showPickRejectButtons && pointerInsideContainer()
                                                         : m_showPickRejectButtons;
    m_flagButton->setVisible(visible);
    m_rejectButton->setVisible(visible);
}

bool KTImageView::pickedAndRejectedButtonsEnabled() const
{
    return m_flagButton->isEnabled() && m_rejectButton->isEnabled();
}

void KTImageView::setPickedAndRejectedButtonsEnabled(bool enabled)
{
    m_flagButton->setEnabled(enabled);
    m_rejectButton->setEnabled(enabled);
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

void KTImageView::onFlagButton()
{
    if (!m_imageMO)
        return;
    // The button never turns itself (KTOnOffButton): a click asks for the state it does not show.
    m_imageMO->setPicked(m_flagButton->state() != 1);
}

void KTImageView::onRedjectButton()
{
    if (!m_imageMO)
        return;
    if (m_rejectButton->state() != 1) {
        if (KTImageStorage *storage = m_services.catalogue())
            storage->moveImagesToTrash({m_imageMO});
    } else {
        m_imageMO->setRejected(false);
    }
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
