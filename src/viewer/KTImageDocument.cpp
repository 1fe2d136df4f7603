#include "KTImageDocument.h"

#include "KTDictionaryExif.h"
#include "KTDispatch.h"
#include "KTEntitiesManager.h"
#include "KTFullSizeImageCache.h"
#include "KTImageDecodeQueue.h"
#include "KTImageMO.h"
#include "KTImageProperties.h"
#include "KTImageUtils.h"
#include "KTInfoStrings.h"
#include "KTThumbnailEntity.h"

#include <QFileInfo>
#include <QHash>
#include <QPointer>

namespace {

struct Registered
{
    std::weak_ptr<KTImageDocument> document;
    const KTImageDocument *address = nullptr;
};

/// The living documents by record. A record freed while its document lives may leave its
/// address to a new record: a look-up checks that the document still holds that very record.
QHash<const KTImageMO *, Registered> &registry()
{
    static QHash<const KTImageMO *, Registered> s_documents;
    return s_documents;
}

QString colorSpaceName(const QVariantMap &metadata)
{
    const QString profile = metadata.value(kImagePropertyProfileName).toString();
    if (!profile.isEmpty())
        return profile;
    const QVariant space =
        metadata.value(kImagePropertyExifDictionary).toMap().value(kImagePropertyExifColorSpace);
    if (!space.isValid())
        return {};
    switch (space.toInt()) {
    case 1:
        return QStringLiteral("sRGB IEC61966-2.1");
    case 2:
        return QStringLiteral("Adobe RGB (1998)");
    case 0xFFFF:
        return KTImageDocument::tr("Uncalibrated");
    default:
        return {};
    }
}

QStringList infoBarStrings(const QVariantMap &metadata)
{
    QStringList strings;
    const auto add = [&strings](const QString &value, const QString &format = QStringLiteral("%1")) {
        if (!value.isEmpty())
            strings.append(format.arg(value));
    };
    add(KTDictionaryExif::shortDateString(metadata));
    add(KTDictionaryExif::imageSize(metadata));
    add(KTDictionaryExif::ISO(metadata), QStringLiteral("ISO %1"));
    add(KTDictionaryExif::focalLengthTrimmed(metadata), QStringLiteral("%1mm"));
    add(KTDictionaryExif::fNumberString(metadata), QStringLiteral("f/%1"));
    add(KTDictionaryExif::exposureTimeString(metadata));
    return strings;
}

} // namespace

std::shared_ptr<KTImageDocument> KTImageDocument::forImage(KTImageMO *image,
                                                           const KTImageViewServices &services)
{
    Q_ASSERT(isMainThread());
    if (!image)
        return nullptr;
    const auto found = registry().constFind(image);
    if (found != registry().constEnd()) {
        if (std::shared_ptr<KTImageDocument> document = found->document.lock();
            document && document->imageMO() == image)
            return document;
    }
    std::shared_ptr<KTImageDocument> document(new KTImageDocument(image, services));
    registry().insert(image, {document, document.get()});
    document->startReadingProperties();
    return document;
}

KTFullSizeImageCache &KTImageDocument::imageCache()
{
    static KTFullSizeImageCache cache(kFullSizeCacheLimit, kFullSizeCacheByteLimit);
    return cache;
}

KTImageDocument::Properties KTImageDocument::readProperties(const QString &path)
{
    Properties properties;
    if (path.isEmpty())
        return properties;
    properties.metadata = KTImageUtils::metadataDictionaryFromPath(path);
    const QVariantMap &metadata = properties.metadata;
    if (metadata.isEmpty())
        return properties;
    QSizeF size = KTImageUtils::imageSizeFromMetadata(metadata, KTImageUtils::Transform::Upright);
    // A side the file does not tell still gets a picture of some size.
    if (size.width() <= 0)
        size.setWidth(300);
    if (size.height() <= 0)
        size.setHeight(300);
    properties.layerSize = size;
    properties.pixelSize = KTInfoStrings::pixelSize(metadata);
    properties.date = KTDictionaryExif::dateString(metadata);
    if (properties.date.isEmpty())
        properties.date = KTInfoStrings::fileCreationDate(path);
    properties.cameraLine = KTInfoStrings::cameraLine(metadata);
    properties.infoBarStrings = infoBarStrings(metadata);
    properties.colorSpaceName = colorSpaceName(metadata);
    return properties;
}

KTImageDocument::KTImageDocument(KTImageMO *image, const KTImageViewServices &services)
    : m_services(services), m_imageMO(image), m_path(image->path()), m_uuid(image->uuid())
{
    m_imageName = m_path.isEmpty() ? QString() : QFileInfo(m_path).fileName();
    m_imageURL = m_path.isEmpty() ? QUrl() : QUrl::fromLocalFile(m_path);
}

KTImageDocument::~KTImageDocument()
{
    cancelLoadingLowResPreview();
    cancelLoadingPreview();
    for (auto it = registry().begin(); it != registry().end(); ++it) {
        if (it->address == this) {
            registry().erase(it);
            break;
        }
    }
}

void KTImageDocument::startReadingProperties()
{
    if (m_path.isEmpty()) {
        m_hasProperties = true;
        return;
    }
    auto result = std::make_shared<Properties>();
    const QPointer<KTImageDocument> guard(this);
    m_services.runInBackground([result, path = m_path] { *result = readProperties(path); },
                               [guard, result] {
                                   if (!guard)
                                       return;
                                   guard->m_properties = std::move(*result);
                                   guard->m_hasProperties = true;
                                   emit guard->propertiesLoaded();
                               });
}

bool KTImageDocument::recordFileExists() const
{
    return m_imageMO && m_imageMO->originalFileExists().value_or(false);
}

// ---- The thumbnail and the preview ----

void KTImageDocument::requestPicture(double size, std::optional<KTEntitiesManagerCallbackID> &pending,
                                     void (*arrived)(KTImageDocument &, const QImage &))
{
    const QPointer<KTImageDocument> guard(this);
    std::optional<KTEntitiesManagerCallbackID> *slot = &pending;
    const auto token = m_services.entities().obtainEntityOfClass<KTThumbnailEntity>(
        m_uuid, m_path, {{kThumbnailSizeKey, size}},
        [guard, slot, arrived](const std::shared_ptr<KTThumbnailEntity> &entity) {
            if (!guard)
                return;
            slot->reset();
            // The manager answers nothing when no thumbnail can be made: the views keep what
            // they show. The entity was decoded when it was made or read, off the main thread.
            if (entity && !entity->image().isNull())
                arrived(*guard, entity->image());
        });
    // A cache hit has answered before the call returned, and gave no token.
    if (token)
        pending = token;
}

void KTImageDocument::loadLowResPreview()
{
    if (!m_lowResPreview.isNull() || m_lowResPreviewRequest || m_path.isEmpty())
        return;
    requestPicture(kLowResPreviewSize, m_lowResPreviewRequest,
                   [](KTImageDocument &document, const QImage &image) {
                       document.m_lowResPreview = image;
                       emit document.lowResPreviewLoaded();
                   });
}

void KTImageDocument::cancelLoadingLowResPreview()
{
    m_services.entities().cancelCallbackWithID(m_lowResPreviewRequest);
    m_lowResPreviewRequest.reset();
}

void KTImageDocument::loadPreview(double size, Priority priority)
{
    if (m_path.isEmpty() || size <= 0)
        return;
    if (!m_preview.isNull() && std::max(m_preview.width(), m_preview.height()) >= size)
        return;
    if (m_previewRequest && m_previewRequestSize >= size) {
        if (priority == Priority::Shown && m_previewRequestPriority == Priority::ReadAhead) {
            m_services.entities().activateCallbackWithID(m_previewRequest);
            m_previewRequestPriority = Priority::Shown;
        }
        return;
    }
    cancelLoadingPreview();
    m_previewRequestSize = size;
    m_previewRequestPriority = priority;
    requestPicture(size, m_previewRequest, [](KTImageDocument &document, const QImage &image) {
        // A smaller answer (another view's, from the cache) does not replace a larger picture.
        if (!document.m_preview.isNull() && image.width() < document.m_preview.width())
            return;
        document.m_preview = image;
        emit document.previewLoaded();
    });
    if (m_previewRequest && priority == Priority::ReadAhead)
        m_services.entities().deactivateCallbackWithID(m_previewRequest);
}

bool KTImageDocument::hasPreviewInMemory(double size) const
{
    if (m_path.isEmpty() || size <= 0)
        return false;
    if (!m_preview.isNull() && std::max(m_preview.width(), m_preview.height()) >= size)
        return true;
    const QString key = KTEntitiesManager::keyForEntityOfClass(KTEntityClass::of<KTThumbnailEntity>(), m_uuid,
                                                               {{kThumbnailSizeKey, size}});
    // A look-up that finds it also marks it as just used: it is about to be asked for.
    return m_services.entities().entitiesCache().objectForKey(key) != nullptr;
}

void KTImageDocument::cancelLoadingPreview()
{
    m_services.entities().cancelCallbackWithID(m_previewRequest);
    m_previewRequest.reset();
    m_previewRequestSize = 0;
}

// ---- The full-size image ----

void KTImageDocument::loadImage(Load when)
{
    if (!m_image.isNull() || m_path.isEmpty() || !recordFileExists())
        return;
    if (when == Load::Now) {
        decodeImage();
        return;
    }
    const QPointer<KTImageDocument> guard(this);
    m_services.schedule(this, kReloadImageDelay, [guard] {
        if (guard)
            guard->decodeImage();
    });
}

void KTImageDocument::decodeImage()
{
    // A decode on its way serves a burst of zoom steps, and every view of the record.
    if (!m_image.isNull() || m_pendingDecodes > 0)
        return;
    const QImage cached = imageCache().cachedFullSizeImageForPath(m_path);
    if (!cached.isNull()) {
        displayImage(cached);
        return;
    }
    if (!m_decodeQueue)
        m_decodeQueue = std::make_unique<KTImageDecodeQueue>();
    ++m_pendingDecodes;
    emit imageLoadingChanged(true);
    const QPointer<KTImageDocument> guard(this);
    m_decodeQueue->add([guard, path = m_path, services = m_services] {
        const QImage decoded = services.decode(path);
        postToMain([guard, decoded] {
            if (!guard)
                return;
            --guard->m_pendingDecodes;
            if (decoded.isNull()) {
                // A decode that gave nothing: the badge goes, the preview stays.
                emit guard->imageLoadingChanged(false);
                return;
            }
            guard->displayImage(decoded);
        });
    });
}

void KTImageDocument::displayImage(const QImage &image)
{
    m_preparator.setImage(image);
    const QPointer<KTImageDocument> guard(this);
    m_preparator.prapareImage([guard](const QImage &prepared) {
        if (!guard)
            return;
        imageCache().cacheFullSizeImage(prepared, guard->m_path);
        guard->m_image = prepared;
        emit guard->imageLoaded();
        emit guard->imageLoadingChanged(false);
    });
}
