#include "KTImageCollectionViewCellImageView.h"

#include "KTAbstractProgressIndicator.h"
#include "KTColor.h"
#include "KTDispatch.h"
#include "KTEntitiesManager.h"
#include "KTExposurePixelsView.h"
#include "KTFocusPixelsView.h"
#include "KTFocusPointLatticeView.h"
#include "KTFocusedRegionsView.h"
#include "KTFont.h"
#include "KTGridServices.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTLocalization.h"
#include "KTMenuPresenter.h"
#include "KTObjectContext.h"
#include "KTShareMenu.h"
#include "KTSharedPaths.h"
#include "KTThumbnailEntity.h"
#include "KTThumbnailPainting.h"
#include "KTViewAdditions.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>

#include <cmath>

namespace {

constexpr int kSpinnerSide = 16;
constexpr double kShadowBlur = 3.0;

bool fileExists(const KTImageMO *record)
{
    return record && record->originalFileExists().value_or(false);
}

} // namespace

KTImageCollectionViewCellImageView::KTImageCollectionViewCellImageView(QWidget *parent)
    : KTDrawView(parent), m_margins(kThumbnailMargin, kThumbnailMargin),
      m_progressIndicator(new KTAbstractProgressIndicator(this)),
      m_exposurePixelsView(new KTExposurePixelsView(this)), m_focusPixelsView(new KTFocusPixelsView(this)),
      m_focusedRegionsView(new KTFocusedRegionsView(this)),
      m_focusPointLatticeView(new KTFocusPointLatticeView(this))
{
    m_progressIndicator->setColor(KTPalette::kSecondaryText);
    m_progressIndicator->resize(kSpinnerSide, kSpinnerSide);
    m_progressIndicator->hide();
    // Every display switch starts off, so the overlays start hidden.
    for (QWidget *overlay :
         {static_cast<QWidget *>(m_exposurePixelsView), static_cast<QWidget *>(m_focusPixelsView),
          static_cast<QWidget *>(m_focusedRegionsView), static_cast<QWidget *>(m_focusPointLatticeView)})
        overlay->hide();
    m_reloadPreviewTimer.setSingleShot(true);
    connect(&m_reloadPreviewTimer, &QTimer::timeout, this, [this] {
        if (!m_previewDue)
            return;
        // A wait restarted meanwhile moved the deadline on: wait for the rest.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*m_previewDue - PreviewClock::now());
        if (left.count() > 0) {
            m_reloadPreviewTimer.start(left);
            return;
        }
        m_previewDue.reset();
        reloadPreviewTimerAction();
    });
}

KTImageCollectionViewCellImageView::~KTImageCollectionViewCellImageView()
{
    setImageMO(nullptr);
}

void KTImageCollectionViewCellImageView::setImageMO(KTImageMO *record)
{
    Q_ASSERT(isMainThread());
    if (record == m_imageMO && !m_imageMO.isGone())
        return;
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    // A deleted record has already ended its monitoring.
    if (m_imageMO && !m_imageMO->isDeleted())
        m_imageMO->stopMonitoringFileSystem();
    m_recordObservation.reset();
    // The old record's answers must never reach the new one.
    entities.cancelCallbackWithID(m_lowResCallbackID);
    entities.cancelCallbackWithID(m_callbackID);
    m_lowResCallbackID.reset();
    m_callbackID.reset();
    m_previewDue.reset();
    ++m_generation;

    m_imageMO = record;
    m_focusedRegionsView->setImageMO(record);
    m_focusPointLatticeView->setImageMO(record);
    if (record) {
        record->startMonitoringFileSystem();
        observeRecord();
    }
    setRejected(record && record->rejected().value_or(false));
    m_lowResPreviewDidLoad = false;
    m_previewDidLoad = false;
    if (record) {
        // The old picture goes without being shown as gone: a cached thumbnail answers inside
        // the request, and a cell moved from one record to another then lays out once.
        m_image = QImage();
        reloadLowResPreview();
        reloadPreview();
    }
    if (!record || m_image.isNull())
        showImage({});
    update();
}

void KTImageCollectionViewCellImageView::observeRecord()
{
    KTObjectContext *context = m_imageMO->context();
    if (!context)
        return;
    const int rejected = m_imageMO->entity().propertyIndex(QStringLiteral("rejected"));
    m_recordObservation =
        context->observe(m_imageMO, {QStringLiteral("rejected"), QStringLiteral("originalFileExists")},
                         [this, rejected](const KTValueChange &change) {
                             if (change.property == rejected)
                                 setRejected(m_imageMO && m_imageMO->rejected().value_or(false));
                             else
                                 recordFileExistenceDidChange();
                         });
}

void KTImageCollectionViewCellImageView::recordFileExistenceDidChange()
{
    update();
    if (fileExists(m_imageMO)) {
        reloadLowResPreviewIfNeed();
        reloadPreviewIfNeed();
    }
}

void KTImageCollectionViewCellImageView::setImage(const QImage &image)
{
    Q_ASSERT_X(isMainThread(), "setImage", "Setting image must be performed on main thread");
    const bool same = image.isNull() ? m_image.isNull() : image.cacheKey() == m_image.cacheKey();
    if (!same)
        showImage(image);
}

void KTImageCollectionViewCellImageView::showImage(const QImage &image)
{
    m_image = image;
    setRectForDraw(calculateRectForDraw());
    m_exposurePixelsView->setImage(image);
    m_focusPixelsView->setImage(image);
    updateSpinner();
    update();
}

void KTImageCollectionViewCellImageView::updateSpinner()
{
    // The spinner turns while a record's thumbnail is on its way; a view without a record shows
    // nothing at all.
    if (!m_image.isNull() || !m_imageMO) {
        m_progressIndicator->stopAnimation();
        m_progressIndicator->hide();
    } else {
        m_progressIndicator->show();
        m_progressIndicator->startAnimation();
    }
}

QRectF KTImageCollectionViewCellImageView::calculateRectForDraw() const
{
    return thumbnailFitRect(m_image.deviceIndependentSize(), QRectF(rect()), m_margins);
}

void KTImageCollectionViewCellImageView::setRectForDraw(const QRectF &rect)
{
    if (rect == m_rectForDraw)
        return;
    m_rectForDraw = rect;
    emit rectForDrawChanged();
}

bool KTImageCollectionViewCellImageView::isFileMissing() const
{
    return !fileExists(m_imageMO);
}

void KTImageCollectionViewCellImageView::setShowsExposurePixels(bool shows)
{
    if (shows == m_showsExposurePixels)
        return;
    m_showsExposurePixels = shows;
    m_exposurePixelsView->setVisible(shows);
}

void KTImageCollectionViewCellImageView::setShowsFocusMask(bool shows)
{
    if (shows == m_showsFocusMask)
        return;
    m_showsFocusMask = shows;
    m_focusPixelsView->setVisible(shows);
}

void KTImageCollectionViewCellImageView::setFocusedRegionsVisible(bool visible)
{
    if (visible == m_focusedRegionsVisible)
        return;
    m_focusedRegionsVisible = visible;
    m_focusedRegionsView->setVisible(visible);
}

void KTImageCollectionViewCellImageView::setFocusPointLatticeVisible(bool visible)
{
    if (visible == m_focusPointLatticeVisible)
        return;
    m_focusPointLatticeVisible = visible;
    m_focusPointLatticeView->setVisible(visible);
}

void KTImageCollectionViewCellImageView::setShowsRejectedStatus(bool shows)
{
    if (shows == m_showsRejectedStatus)
        return;
    m_showsRejectedStatus = shows;
    update();
}

void KTImageCollectionViewCellImageView::setRejected(bool rejected)
{
    if (rejected == m_rejected)
        return;
    m_rejected = rejected;
    update();
}

void KTImageCollectionViewCellImageView::reloadLowResPreview()
{
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    entities.cancelCallbackWithID(m_lowResCallbackID);
    m_lowResCallbackID.reset();
    if (!m_imageMO || m_imageMO->path().isEmpty())
        return;
    const auto callback = [view = QPointer<KTImageCollectionViewCellImageView>(this),
                           generation = m_generation](const std::shared_ptr<KTThumbnailEntity> &entity) {
        if (!view || view->m_generation != generation)
            return;
        view->m_lowResCallbackID.reset();
        if (!entity)
            return;
        // A size-matched thumbnail that came first is never replaced by the small one.
        if (view->m_image.isNull())
            view->setImage(entity->image());
        view->m_lowResPreviewDidLoad = true;
    };
    m_lowResCallbackID = entities.obtainEntityOfClass<KTThumbnailEntity>(
        m_imageMO->uuid(), m_imageMO->path(), {{kThumbnailSizeKey, kMinThumbnailSize}}, callback);
    adjustCallbackStatusWithID(m_lowResCallbackID);
}

void KTImageCollectionViewCellImageView::reloadPreview()
{
    KTGridServices::entitiesManager().cancelCallbackWithID(m_callbackID);
    m_callbackID.reset();
    if (!m_imageMO) {
        m_previewDue.reset();
        return;
    }
    // A deadline moved rather than a timer restarted: a cell is bound again at every scroll step,
    // and each restart would unregister and register a timer.
    m_previewDue = PreviewClock::now() + std::chrono::milliseconds(kPreviewDelayMs);
    if (!m_reloadPreviewTimer.isActive())
        m_reloadPreviewTimer.start(kPreviewDelayMs);
}

void KTImageCollectionViewCellImageView::reloadLowResPreviewIfNeed()
{
    if (!m_lowResPreviewDidLoad)
        reloadLowResPreview();
}

void KTImageCollectionViewCellImageView::reloadPreviewIfNeed()
{
    if (!m_previewDidLoad)
        reloadPreview();
}

void KTImageCollectionViewCellImageView::reloadPreviewTimerAction()
{
    if (!m_imageMO || m_imageMO->path().isEmpty())
        return;
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    entities.cancelCallbackWithID(m_callbackID);
    m_callbackID.reset();
    // In device pixels, so that a 2x screen gets a thumbnail as sharp as its pixels.
    const double size = std::max(width(), height()) * devicePixelRatioF();
    const auto callback = [view = QPointer<KTImageCollectionViewCellImageView>(this),
                           generation = m_generation](const std::shared_ptr<KTThumbnailEntity> &entity) {
        if (!view || view->m_generation != generation)
            return;
        view->m_callbackID.reset();
        if (!entity)
            return;
        const QImage image = entity->image();
        if (!image.isNull())
            view->setImage(image);
        view->m_previewDidLoad = true;
    };
    m_callbackID = entities.obtainEntityOfClass<KTThumbnailEntity>(m_imageMO->uuid(), m_imageMO->path(),
                                                                   {{kThumbnailSizeKey, size}}, callback);
    adjustCallbackStatusWithID(m_callbackID);
}

void KTImageCollectionViewCellImageView::adjustCallbackStatusWithID(
    const std::optional<KTEntitiesManagerCallbackID> &token)
{
    if (!token)
        return;
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    if (isHiddenOrHasHiddenAncestor(this))
        entities.deactivateCallbackWithID(token);
    else
        entities.activateCallbackWithID(token);
}

void KTImageCollectionViewCellImageView::viewDidHide()
{
    adjustCallbackStatusWithID(m_lowResCallbackID);
    adjustCallbackStatusWithID(m_callbackID);
}

void KTImageCollectionViewCellImageView::viewDidUnhide()
{
    adjustCallbackStatusWithID(m_lowResCallbackID);
    adjustCallbackStatusWithID(m_callbackID);
}

void KTImageCollectionViewCellImageView::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    for (QWidget *overlay :
         {static_cast<QWidget *>(m_exposurePixelsView), static_cast<QWidget *>(m_focusPixelsView),
          static_cast<QWidget *>(m_focusedRegionsView), static_cast<QWidget *>(m_focusPointLatticeView)})
        overlay->setGeometry(rect());
    const QRect spinner(0, 0, kSpinnerSide, kSpinnerSide);
    m_progressIndicator->setGeometry(spinner.translated(rect().center() - spinner.center()));
    setRectForDraw(calculateRectForDraw());
    reloadPreview();
}

void KTImageCollectionViewCellImageView::drawInRect(QPainter &painter, const QRectF &)
{
    Q_ASSERT(isMainThread());
    if (!m_image.isNull() && m_image.width() > 0 && m_image.height() > 0 && !m_rectForDraw.isEmpty()) {
        // The shadow falls one point below the picture (y down here).
        drawThumbnailWithShadow(painter, m_image, m_rectForDraw, kShadowBlur, QPointF(0, 1),
                                m_rejected && m_showsRejectedStatus ? 0.5 : 1.0);
    } else {
        painter.fillRect(rect(), QColor(128, 128, 128));
    }

    if (isFileMissing()) {
        painter.fillRect(rect(), QColor(128, 128, 128, 128));
        const QString text = ktLocalizedString(QStringLiteral("Image is deleted or missing"));
        const QFont font = ktFont(QStringLiteral("Helvetica"), width() / 14.15);
        const QFontMetricsF metrics(font);
        const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size),
                         Qt::AlignCenter | Qt::TextDontClip, text);
    }
}

QImage KTImageCollectionViewCellImageView::imageForDragging() const
{
    if (m_rectForDraw.isEmpty() || m_image.isNull())
        return {};
    const qreal ratio = devicePixelRatioF();
    QImage result((m_rectForDraw.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(ratio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(), m_rectForDraw.size()), m_image);
    return result;
}

QMenu *KTImageCollectionViewCellImageView::menuForEvent(const QPointF &position)
{
    if (!m_rectForDraw.contains(position))
        return nullptr;
    auto *menu = new QMenu;
    const QPointer<KTImageCollectionViewCellImageView> view(this);
    // The paths are read when an item asks for them, from whatever the view shows then.
    const auto shown = [view] {
        return view ? QList<KTImageMO *>{view->m_imageMO.get()} : QList<KTImageMO *>();
    };
    KTShareMenu::addItems(menu,
                          {KTSharedPaths::producer(shown, KTPairedPaths::Include),
                           KTSharedPaths::producer(shown, KTPairedPaths::Exclude)},
                          KTShareMenu::PhotoManagers::Hidden);
    menu->addSeparator();
    QAction *reject = menu->addAction(tr("Reject All Photos at Same Location"));
    reject->setObjectName(QStringLiteral("deleteSimilarImagesAtSamePath"));
    const auto validateReject = [view, reject] {
        reject->setEnabled(view && view->m_imageMO && !view->m_imageMO->rejected().value_or(false));
    };
    validateReject();
    connect(menu, &QMenu::aboutToShow, reject, validateReject);
    connect(reject, &QAction::triggered, this,
            &KTImageCollectionViewCellImageView::deleteSimilarImagesAtSamePath);
    KTShareManager::validateMenu(menu);
    return menu;
}

bool KTImageCollectionViewCellImageView::popUpContextMenu(const QPointF &position,
                                                          const QPoint &globalPosition)
{
    QMenu *menu = menuForEvent(position);
    if (!menu)
        return false;
    KTMenuPresenter::popUp(menu, globalPosition, nullptr);
    menu->deleteLater();
    return true;
}

void KTImageCollectionViewCellImageView::contextMenuEvent(QContextMenuEvent *event)
{
    if (popUpContextMenu(event->pos(), event->globalPos()))
        event->accept();
    else
        event->ignore();
}

void KTImageCollectionViewCellImageView::deleteSimilarImagesAtSamePath()
{
    if (!m_imageMO)
        return;
    if (KTImageStorage *storage = KTGridServices::imageStorage())
        storage->moveImagesLocatedInSameFolderToTrashWithImage(m_imageMO);
}
