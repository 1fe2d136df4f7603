#include "KTThumbnailEntity.h"

#include "KTFirstThumbnailStore.h"
#include "KTImageUtils.h"
#include "KTThumbnailEntityHelper.h"

namespace {

const QString kJpegDataKey = QStringLiteral("JpegData");
const QString kThumbnailSizeFileKey = QStringLiteral("ThumbnailSize");

} // namespace

KTThumbnailEntity::KTThumbnailEntity(QByteArray jpegData, double size)
    : m_jpegData(std::move(jpegData)), m_size(size),
      m_image(m_jpegData.isEmpty() ? QImage() : QImage::fromData(m_jpegData, "JPEG"))
{}

KTThumbnailEntity::KTThumbnailEntity(QByteArray jpegData, double size, const QImage &image)
    : m_jpegData(std::move(jpegData)), m_size(size)
{
    if (m_jpegData.isEmpty())
        return;
    m_image = pictureAsDecoded(image);
    if (m_image.isNull())
        m_image = QImage::fromData(m_jpegData, "JPEG");
}

KTThumbnailEntity::KTThumbnailEntity(const QImage &picture, double size)
    : m_size(size), m_image(pictureAsDecoded(picture)), m_encodesLater(!m_image.isNull())
{
    Q_ASSERT_X(m_encodesLater, "KTThumbnailEntity", "The picture should be opaque and not indexed.");
}

QImage KTThumbnailEntity::pictureAsDecoded(const QImage &image)
{
    // Decoding gives 32-bit RGB, or 8-bit grey for a grey JPEG; an opaque picture in another
    // format is converted, and one with alpha (which the JPEG loses) must be read back from data.
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_Grayscale8)
        return image;
    if (!image.isNull() && !image.hasAlphaChannel() && image.format() != QImage::Format_Indexed8)
        return image.convertToFormat(QImage::Format_RGB32);
    return {};
}

QString KTThumbnailEntity::entityPathSuffixForAdditionalParameters(const QVariantMap &parameters)
{
    Q_ASSERT_X(parameters.contains(kThumbnailSizeKey), "KTThumbnailEntity",
               "Thumbnail size should be specified");
    return QString::number(
        KTThumbnailEntityHelper::apropriateSizeForSize(parameters.value(kThumbnailSizeKey)), 'f', 0);
}

std::shared_ptr<KTThumbnailEntity> KTThumbnailEntity::initWithImageAtPath(const QString &imagePath,
                                                                          const QVariantMap &parameters)
{
    Q_ASSERT_X(!imagePath.isEmpty(), "KTThumbnailEntity", "Path should be specified.");
    Q_ASSERT_X(parameters.contains(kThumbnailSizeKey), "KTThumbnailEntity",
               "Thumbnail size should be specified.");
    const double size = KTThumbnailEntityHelper::apropriateSizeForSize(parameters.value(kThumbnailSizeKey));
    // A photo whose signature was just decoded left its smallest thumbnail behind.
    QByteArray data = KTFirstThumbnailStore::sharedStore().takeJPEGData(imagePath, size);
    if (!data.isEmpty())
        return std::make_shared<KTThumbnailEntity>(std::move(data), size);
    const QImage thumbnail = KTImageUtils::thumbnailFromImageAtPath(imagePath, size);
    if (thumbnail.isNull())
        return nullptr;
    // The picture is kept, so the views can have it before its encoding; a picture that the
    // JPEG would change (its alpha) is encoded now and shown as the data decodes.
    const QImage picture = pictureAsDecoded(thumbnail);
    if (!picture.isNull())
        return std::make_shared<KTThumbnailEntity>(picture, size);
    data = KTImageUtils::thumbnailJPEGDataFromImage(thumbnail);
    if (data.isEmpty())
        return nullptr;
    return std::make_shared<KTThumbnailEntity>(std::move(data), size, thumbnail);
}

std::shared_ptr<KTThumbnailEntity> KTThumbnailEntity::initWithContentsOfFile(const QString &path)
{
    const std::optional<QCborMap> map = mapWithContentsOfFile(path, currentVersion());
    if (!map)
        return nullptr;
    const QCborValue data = map->value(kJpegDataKey);
    const QCborValue size = map->value(kThumbnailSizeFileKey);
    if (!data.isByteArray() || !(size.isDouble() || size.isInteger()))
        return nullptr;
    return std::make_shared<KTThumbnailEntity>(data.toByteArray(), size.toDouble());
}

QByteArray KTThumbnailEntity::JPEGData() const
{
    if (m_encodesLater)
        std::call_once(m_encoded, [this] { m_jpegData = KTImageUtils::thumbnailJPEGDataFromImage(m_image); });
    return m_jpegData;
}

int64_t KTThumbnailEntity::cost() const
{
    if (m_size <= kMinThumbnailSize)
        return 0;
    // The data of a picture encoded later may be being written on another thread right now.
    return int64_t(m_image.sizeInBytes()) + (m_encodesLater ? 0 : int64_t(m_jpegData.size()));
}

bool KTThumbnailEntity::encode(QCborMap &map) const
{
    const QByteArray data = JPEGData();
    if (data.isEmpty())
        return false;
    map.insert(kJpegDataKey, data);
    map.insert(kThumbnailSizeFileKey, m_size);
    return true;
}
