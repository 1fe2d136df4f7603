#pragma once

#include "KTEntity.h"

#include <QByteArray>
#include <QImage>

/// The additional-parameters key of the requested thumbnail size (a number, pixels).
inline const QString kThumbnailSizeKey = QStringLiteral("ThumbnailSize");
/// The smallest ladder size; thumbnails of this size cost nothing in the memory cache.
inline constexpr double kMinThumbnailSize = 100.0;

/// The upright thumbnail of an image file at one ladder size (KTThumbnailEntityHelper), as JPEG
/// bytes and decoded. Files hold "Version" 1, and "JpegData" with "ThumbnailSize" when there is
/// data.
///
/// The JPEG data is decoded once, when the entity is read (on the operation queue's thread for the
/// entities manager); an entity made from an image keeps the picture it encoded. Views that paint
/// it on every frame never decode.
///
/// Threading: immutable once made; may be read from any thread.
class KTThumbnailEntity : public KTEntity
{
public:
    /// Decodes `jpegData` before it returns; keep it off the main thread for large data.
    KTThumbnailEntity(QByteArray jpegData, double size);
    /// Takes `image`, the picture `jpegData` was encoded from, instead of decoding the data again
    /// (the data is decoded when the image is null or has another pixel format than decoding
    /// gives).
    KTThumbnailEntity(QByteArray jpegData, double size, const QImage &image);

    static QString className() { return QStringLiteral("KTThumbnailEntity"); }
    static int64_t currentVersion() { return 1; }
    /// The ladder size of the parameters' "ThumbnailSize" as "%0.0f" ("300"). A missing size is
    /// a programming error (asserted); release builds then use the smallest size.
    static QString entityPathSuffixForAdditionalParameters(const QVariantMap &parameters);

    /// Decodes the image at the ladder size for the parameters' "ThumbnailSize". Null when the
    /// image cannot be read. Blocks for the decode; never call it on the main thread.
    static std::shared_ptr<KTThumbnailEntity> initWithImageAtPath(const QString &imagePath,
                                                                  const QVariantMap &parameters);
    /// The entity of a file written by writeToFile; null when the file is missing, foreign or of
    /// another version.
    static std::shared_ptr<KTThumbnailEntity> initWithContentsOfFile(const QString &path);

    const QByteArray &JPEGData() const { return m_jpegData; }
    double size() const { return m_size; }

    /// 0 at the smallest size (those are bounded by the cache's count limit), else the bytes of
    /// the JPEG data plus those of the decoded image.
    int64_t cost() const override;

    /// The decoded thumbnail, decoded when the entity was made; null when the data is empty or
    /// not a JPEG. Never decodes, so it is cheap on every repaint.
    QImage image() const { return m_image; }

protected:
    int64_t version() const override { return currentVersion(); }
    void encode(QCborMap &map) const override;

private:
    QByteArray m_jpegData;
    double m_size = 0;
    QImage m_image;
};
