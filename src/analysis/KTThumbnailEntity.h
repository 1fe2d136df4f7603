#pragma once

#include "KTEntity.h"

#include <QByteArray>
#include <QImage>

#include <mutex>

/// The additional-parameters key of the requested thumbnail size (a number, pixels).
inline const QString kThumbnailSizeKey = QStringLiteral("ThumbnailSize");
/// The smallest ladder size; thumbnails of this size cost nothing in the memory cache.
inline constexpr double kMinThumbnailSize = 100.0;

/// The upright thumbnail of an image file at one ladder size (KTThumbnailEntityHelper), as JPEG
/// bytes and decoded. Files hold "Version" 1, and "JpegData" with "ThumbnailSize" when there is
/// data.
///
/// The JPEG data is decoded once, when the entity is read (on the operation queue's thread for the
/// entities manager); an entity made from an image keeps its picture and encodes the data only
/// when first asked for it (when its file is written, after the views have the picture). Views
/// that paint it on every frame never decode.
///
/// Threading: immutable once made, except for that one encoding, which runs once whichever
/// threads ask; may be read from any thread.
class KTThumbnailEntity : public KTEntity
{
public:
    /// Decodes `jpegData` before it returns; keep it off the main thread for large data.
    KTThumbnailEntity(QByteArray jpegData, double size);
    /// Takes `image`, the picture `jpegData` was encoded from, instead of decoding the data again
    /// (the data is decoded when the image is null or has another pixel format than decoding
    /// gives).
    KTThumbnailEntity(QByteArray jpegData, double size, const QImage &image);
    /// Takes `picture`, upright and opaque in the format decoding gives (pictureAsDecoded), and
    /// encodes its data when JPEGData() is first called.
    KTThumbnailEntity(const QImage &picture, double size);

    /// `image` in the pixel format decoding its JPEG data gives (32-bit RGB, or 8-bit grey for a
    /// grey picture); null for an image whose JPEG would decode to other pixels (one with alpha,
    /// which the JPEG loses, or an indexed one) and for a null image.
    static QImage pictureAsDecoded(const QImage &image);

    static QString className() { return QStringLiteral("KTThumbnailEntity"); }
    static int64_t currentVersion() { return 1; }
    /// The ladder size of the parameters' "ThumbnailSize" as "%0.0f" ("300"). A missing size is
    /// a programming error (asserted); release builds then use the smallest size.
    static QString entityPathSuffixForAdditionalParameters(const QVariantMap &parameters);

    /// Decodes the image at the ladder size for the parameters' "ThumbnailSize". Null when the
    /// image cannot be read. Blocks for the decode; never call it on the main thread. An opaque
    /// thumbnail is not encoded yet (see JPEGData()).
    static std::shared_ptr<KTThumbnailEntity> initWithImageAtPath(const QString &imagePath,
                                                                  const QVariantMap &parameters);
    /// The entity of a file written by writeToFile; null when the file is missing, foreign or of
    /// another version.
    static std::shared_ptr<KTThumbnailEntity> initWithContentsOfFile(const QString &path);

    /// Empty when the entity has no picture. The first call on an entity made from a picture
    /// encodes it and blocks for that; keep it off the main thread for a large one.
    QByteArray JPEGData() const;
    double size() const { return m_size; }

    /// 0 at the smallest size (those are bounded by the cache's count limit), else the bytes of
    /// the JPEG data plus those of the decoded image. The data of an entity made from a picture
    /// is not counted: the cache takes the cost before the data is encoded.
    int64_t cost() const override;

    /// The decoded thumbnail, decoded when the entity was made; null when the data is empty or
    /// not a JPEG. Never decodes, so it is cheap on every repaint.
    QImage image() const { return m_image; }

protected:
    int64_t version() const override { return currentVersion(); }
    bool encode(QCborMap &map) const override;

private:
    mutable QByteArray m_jpegData;
    double m_size = 0;
    QImage m_image;
    // Set for an entity made from a picture: its data is encoded once, on first demand.
    bool m_encodesLater = false;
    mutable std::once_flag m_encoded;
};
