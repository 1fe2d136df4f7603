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
    // Decoding gives 32-bit RGB, or 8-bit grey for a grey JPEG; an opaque picture in another
    // format is converted, and one with alpha (which the JPEG lost) is read back from the data.
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_Grayscale8)
        m_image = image;
    else if (!image.isNull() && !image.hasAlphaChannel() && image.format() != QImage::Format_Indexed8)
        m_image = image.convertToFormat(QImage::Format_RGB32);
    else
        m_image = QImage::fromData(m_jpegData, "JPEG");
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
    // The picture just encoded is kept: decoding the data again would cost as much as a preview's
    // encoding.
    QImage thumbnail;
    data = KTImageUtils::thumbnailJPEGDataFromImageAtPath(imagePath, size, &thumbnail);
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

int64_t KTThumbnailEntity::cost() const
{
    return m_size <= kMinThumbnailSize ? 0 : int64_t(m_jpegData.size()) + int64_t(m_image.sizeInBytes());
}

void KTThumbnailEntity::encode(QCborMap &map) const
{
    if (m_jpegData.isEmpty())
        return;
    map.insert(kJpegDataKey, m_jpegData);
    map.insert(kThumbnailSizeFileKey, m_size);
}
