#pragma once

#include "KTImageSource.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <memory>

/// The one place where an image file becomes pixels or facts: its properties dictionary, pixel
/// size and orientation, scaled upright thumbnails, full images, and the previews and full
/// developments of camera RAW files through LibRaw. RAW entry points never judge a file by its
/// name: they try LibRaw first and fall back to Qt's readers when LibRaw cannot open the file
/// (the thumbnails skip LibRaw for a file whose content is JPEG or PNG).
///
/// Decoded images are QImage, always upright. Thumbnail data is JPEG bytes (quality 100); bitmap
/// data made from LibRaw's RGB output (tiffDataFromBitmapRGB) is an uncompressed RGB TIFF.
/// Untrusted input (truncated, corrupt or non-image files) gives an empty result and a log line;
/// a PNG whose chunks claim more than its file holds, and an image that would need more than
/// 2 GiB decoded, are refused before any reader allocates for them.
///
/// Threading: every function may run on any thread and many at once; each call has its own
/// readers and LibRaw object. Full-size RAW work (getLibrawFillsizeThumbnail and the functions
/// built on it) runs one unit at a time in the process on the RAW queue, and the caller blocks
/// until its own unit is done: never call those on the main thread.
class KTImageUtils
{
public:
    /// Whether a result keeps the stored orientation or is turned upright.
    enum class Transform
    {
        Stored,
        Upright,
    };

    /// Raises Qt's process-wide allocation limit for its readers (128 MiB, which refuses a
    /// 50-megapixel file) to the limit of 2 GiB that every decode here checks for itself before
    /// it reads: large enough for a 151-megapixel 16-bit TIFF or a 530-megapixel 8-bit panorama.
    /// Call once at start-up, before any decoding.
    static void raiseImageAllocationLimit();

    // Properties, size and orientation; the readings are KTImageProperties'.

    /// A source over the file at `path`; null, after logging "Failed to create CGImageSource
    /// from path ...", when the path is empty or no readable file is there.
    static std::unique_ptr<KTImageSource> newCGImageSourceFromPath(const QString &path);

    /// Stores the properties of the source's image in `metadataDictionary` (empty when none):
    /// for a file, KTImageProperties' full dictionary; for bytes in memory, only the pixel size
    /// and orientation that the image's header gives.
    static void getMetadataFromSource(const KTImageSource &source, QVariantMap &metadataDictionary);

    /// The properties of the file's image; empty when the path is empty, no file is there or
    /// it holds no readable image.
    static QVariantMap metadataDictionaryFromPath(const QString &path);

    /// Reads pixel width, height and orientation from a properties dictionary; each pointer may
    /// be null. Each key is taken from the top level, else {TIFF}, else {Exif}; the width and
    /// height fall back to the Exif pixel dimensions; a missing value reads 0. The orientation
    /// is not clamped.
    static void getWidth(double *width, double *height, int *orientation, const QVariantMap &metadata);
    /// The same for the file at `path` (metadataDictionaryFromPath first).
    static void getWidth(double *width, double *height, int *orientation, const QString &path);

    /// The orientation 1 to 8: the top level's when valid, else {TIFF}'s when valid, else 1.
    static int imageOrientationFromMetadata(const QVariantMap &metadata);

    /// The pixel size (zero for an empty dictionary); with Transform::Upright, width and height
    /// change places for the orientations 5 to 8.
    static QSizeF imageSizeFromMetadata(const QVariantMap &metadata,
                                        Transform applyingTransform = Transform::Stored);
    /// The pixel size as displayed: width and height exchanged for the orientations 5 to 8.
    static QSizeF imageSizeConsideringOrientationFromMetadata(const QVariantMap &metadata);

    // Images and thumbnails.

    /// A thumbnail whose longest side is `maxPixelSize` (never larger than the image), decoded
    /// at the size needed where the reader can (JPEG decodes scaled). With Transform::Upright
    /// it is turned by its own orientation, or by the source's fallback orientation when it has
    /// none. A null image, logged, when the source does not decode. `maxPixelSize` must be > 0.
    static QImage newCGImageThumbnailFromImageSource(const KTImageSource &source, double maxPixelSize,
                                                     Transform withTransform);

    /// The upright thumbnail of any image file with the longest side `size`: from a RAW file's
    /// embedded preview when it has one, else from the image itself (a RAW file without a usable
    /// preview is developed). A file whose content is JPEG or PNG is never opened as RAW. Null
    /// when nothing decodes.
    static QImage thumbnailFromImageAtPath(const QString &path, double size);
    /// The thumbnail's JPEG bytes (quality 100); empty, logged, when it cannot be encoded.
    static QByteArray thumbnailJPEGDataFromImage(const QImage &thumbnail);
    /// thumbnailFromImageAtPath as JPEG bytes; empty when nothing decodes.
    static QByteArray thumbnailJPEGDataFromImageAtPath(const QString &path, double size);

    /// A RAW file's embedded preview: its JPEG bytes as they are, or a bitmap preview as TIFF
    /// data. Empty for a file LibRaw cannot open or without a usable preview.
    static QByteArray thumbnailDataFromRawQuick(const QString &path);

    /// Uncompressed 8-bit RGB TIFF data (sRGB) of `width` x `height` packed RGB pixels (rows of
    /// width*3 bytes). Empty for a zero size or when the image cannot be allocated.
    static QByteArray tiffDataFromBitmapRGB(const uchar *bitmapRGB, quint32 width, quint32 height);

    /// The full-size image of a RAW file: the embedded preview when it is as wide as the image,
    /// else a full development (camera white balance and colour matrix). JPEG bytes set
    /// `requiresSizeCorrection` (the preview may be stored sideways without a tag of its own);
    /// a development gives TIFF data and leaves it false. Either pointer may be null; `data` is
    /// left empty when LibRaw cannot open or process the file. Blocks; runs on the RAW queue.
    static void getLibrawFillsizeThumbnail(QByteArray *data, bool *requiresSizeCorrection,
                                           const QString &path);

    /// The upright full-size image of a RAW file (see getLibrawFillsizeThumbnail); null for a
    /// file that is not RAW or cannot be processed. Blocks; runs on the RAW queue.
    static QImage fullSizeThumbnailFromRaw(const QString &path);

    /// fullSizeThumbnailFromRaw, else the file read by Qt's readers (imageFromPath). Blocks.
    static QImage imageFromRawQuick(const QString &path);

    /// The file read by Qt's readers at its full pixel size, upright; null (logged) when it
    /// does not decode.
    static QImage imageFromPath(const QString &path);

    /// The upright image of a file whose content is JPEG, decoded at the smallest DCT scale (M/8
    /// of the stored size, M = 1 to 8) whose width and height both reach `minimumSide`, or whole
    /// when even 7/8 is short of it. Null, without a log line, for any other file (RAW files and
    /// other formats take the thumbnail route) and for one that does not decode.
    static QImage jpegImageCoveringSide(const QString &path, int minimumSide);
};
