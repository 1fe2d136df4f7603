#include "KTExifViewController.h"

#include "KTEntitiesManager.h"
#include "KTHistogramView.h"
#include "KTImageExifView.h"
#include "KTImageDocument.h"
#include "KTImageMO.h"
#include "KTRecordDeletion.h"
#include "KTThumbnailEntity.h"
#include "KTViewAdditions.h"

#include <QEvent>
#include <QFileInfo>
#include <QVBoxLayout>

KTExifViewController::KTExifViewController(const KTImageViewServices &services, QObject *parent)
    : QObject(parent), m_services(services)
{
    m_deletionObserver = observeRecordDeletion(
        this, [this]() -> const KTRecordRef<KTImageMO> & { return m_imageMO; },
        [this] { setImageMO(nullptr); });
    m_exifView = new KTImageExifView;
    m_histogramView = new KTHistogramView(m_exifView->histogramView());
    auto *fill = new QVBoxLayout(m_exifView->histogramView());
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_histogramView);
    m_exifView->installEventFilter(this);
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
    return m_services.entities();
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

bool KTExifViewController::eventFilter(QObject *watched, QEvent *event)
{
    // The panel is compared last: while it is destroyed it is a plain widget, which the guard
    // cannot be cast to.
    if (event->type() == QEvent::Show && m_updateOnShow && watched == m_exifView)
        updateView();
    return QObject::eventFilter(watched, event);
}

void KTExifViewController::updateView()
{
    // A request still pending is withdrawn whatever comes next, so its preview never lands on
    // another record's panel.
    entities().cancelCallbackWithID(m_callbackId);
    m_callbackId.reset();
    if (m_document)
        disconnect(m_document.get(), nullptr, this, nullptr);
    m_document.reset();
    m_preview.reset();
    m_updateOnShow = isHiddenOrHasHiddenAncestor(m_exifView);
    if (m_updateOnShow)
        return;
    m_exifView->setFileURL({});
    m_exifView->setMetadata({});
    m_exifView->setColorSpaceName({});
    m_histogramView->setImage({});
    if (!m_imageMO || m_imageMO->path().isEmpty())
        return;
    // The file's properties come from the record's document, read once for every view of it.
    m_document = KTImageDocument::forImage(m_imageMO, m_services);
    connect(m_document.get(), &KTImageDocument::propertiesLoaded, this, &KTExifViewController::fillPanel);
    QPointer<KTExifViewController> guard(this);
    const auto token = entities().obtainEntityOfClass<KTThumbnailEntity>(
        m_imageMO->uuid(), m_imageMO->path(), {{kThumbnailSizeKey, kPreviewSize}},
        [guard](const std::shared_ptr<KTThumbnailEntity> &entity) {
            if (!guard)
                return;
            guard->m_callbackId.reset();
            guard->m_preview = entity ? entity->image() : QImage();
            guard->fillPanel();
        });
    if (token)
        m_callbackId = token;
}

void KTExifViewController::fillPanel()
{
    // The values appear together, once the preview has answered and the file has been read.
    if (!m_imageMO || !m_document || !m_document->hasProperties() || !m_preview)
        return;
    const KTImageDocument::Properties &properties = m_document->properties();
    m_exifView->setMetadata(properties.metadata);
    m_exifView->setFileURL(m_document->imageURL());
    m_exifView->setColorSpaceName(properties.colorSpaceName);
    if (!m_preview->isNull())
        m_histogramView->setImage(*m_preview);
}

void KTExifViewController::setDrawsShadow(bool draws)
{
    m_drawsShadow = draws;
    m_exifView->setDrawsShadow(draws);
    m_exifView->update();
}
