#include "KTExifViewController.h"

#include "KTEntitiesManager.h"
#include "KTHistogramView.h"
#include "KTImageExifView.h"
#include "KTImageMO.h"
#include "KTImageUtils.h"
#include "KTRecordDeletion.h"
#include "KTThumbnailEntity.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QVBoxLayout>

namespace {

/// The name shown for a preview that carries no colour space: it is then read as sRGB.
QString colorSpaceName(const QImage &image)
{
    const QColorSpace space = image.colorSpace();
    return space.isValid() && !space.description().isEmpty() ? space.description()
                                                             : QStringLiteral("sRGB IEC61966-2.1");
}

} // namespace

KTExifViewController::KTExifViewController(KTEntitiesManager *entities, QObject *parent)
    : QObject(parent), m_entities(entities)
{
    m_deletionObserver = observeRecordDeletion(
        this, [this]() -> const KTRecordRef<KTImageMO> & { return m_imageMO; },
        [this] { setImageMO(nullptr); });
    m_exifView = new KTImageExifView;
    m_histogramView = new KTHistogramView(m_exifView->histogramView());
    auto *fill = new QVBoxLayout(m_exifView->histogramView());
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_histogramView);
}

KTExifViewController::~KTExifViewController()
{
    entities().cancelCallbackWithID(m_callbackId);
    if (m_exifView && !m_exifView->parent())
        delete m_exifView;
}

KTImageExifView *KTExifViewController::exifView() const
{
    return m_exifView;
}

KTHistogramView *KTExifViewController::histogramView() const
{
    return m_histogramView;
}

KTEntitiesManager &KTExifViewController::entities() const
{
    return m_entities ? *m_entities : KTEntitiesManager::sharedManager();
}

void KTExifViewController::setImageMO(KTImageMO *image)
{
    if (image == m_imageMO && !m_imageMO.isGone())
        return;
    // Two records without a path are not the same image.
    const QString path = image ? image->path() : QString();
    if (m_imageMO && !path.isEmpty() && path == m_imageMO->path())
        return;
    m_imageMO = image;
    if (image && !QFileInfo::exists(path))
        m_imageMO = nullptr;
    updateView();
}

void KTExifViewController::updateView()
{
    m_exifView->setFileURL({});
    m_exifView->setMetadata({});
    m_exifView->setColorSpaceName({});
    m_histogramView->setImage({});
    // A pending request is withdrawn whatever comes next, so its preview never lands on another
    // record's panel.
    entities().cancelCallbackWithID(m_callbackId);
    m_callbackId.reset();
    if (!m_imageMO || m_imageMO->path().isEmpty())
        return;
    QPointer<KTExifViewController> guard(this);
    const auto token = entities().obtainEntityOfClass<KTThumbnailEntity>(
        m_imageMO->uuid(), m_imageMO->path(), {{kThumbnailSizeKey, kPreviewSize}},
        [guard](const std::shared_ptr<KTThumbnailEntity> &entity) {
            if (!guard)
                return;
            guard->m_callbackId.reset();
            if (!guard->m_imageMO)
                return;
            const QString path = guard->m_imageMO->path();
            guard->m_exifView->setMetadata(KTImageUtils::metadataDictionaryFromPath(path));
            guard->m_exifView->setFileURL(QUrl::fromLocalFile(path));
            const QImage preview = entity ? entity->image() : QImage();
            if (!preview.isNull()) {
                guard->m_exifView->setColorSpaceName(colorSpaceName(preview));
                guard->m_histogramView->setImage(preview);
            }
        });
    if (token)
        m_callbackId = token;
}

void KTExifViewController::setDrawsShadow(bool draws)
{
    m_drawsShadow = draws;
    m_exifView->setDrawsShadow(draws);
    m_exifView->update();
}
