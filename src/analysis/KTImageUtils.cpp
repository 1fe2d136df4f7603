#include "KTImageUtils.h"

#include "KTImageFileCheck.h"
#include "KTImageProperties.h"
#include "KTSerialQueue.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageWriter>
#include <QTransform>

#include <libraw/libraw.h>

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

// LibRaw reads files larger than this through its big-file stream.
constexpr INT64 kRawBufferLimit = 262144000;
// The most one decode may allocate for its image. It fits the largest photos we decode at full
// size: a 151-megapixel medium-format frame even as a 16-bit TIFF (8 bytes a pixel, 1.2 GB), and
// 8-bit stitched panoramas up to about 530 megapixels (4 bytes a pixel). JPEG thumbnails decode
// scaled, so they stay small whatever the panorama.
constexpr int kAllocationLimitMB = KTImageFileCheck::kDecodeAllocationLimitMB;
constexpr int kThumbnailJPEGQuality = 100;

/// What LibRaw gave: a JPEG stream as it is, or an RGB bitmap; at most one of them is set.
struct KTRawImage
{
    QByteArray jpeg;
    QImage bitmap;
    int orientation = 1; // the RAW file's own, for a JPEG preview without a tag
    bool isRaw = false;  // LibRaw opened the file
};

/// EXIF orientation as the reader's transformation of the stored image.
QImageIOHandler::Transformations transformationFromOrientation(int orientation)
{
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

int orientationFromTransformation(QImageIOHandler::Transformations transformation)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        if (transformationFromOrientation(orientation) == transformation)
            return orientation;
    }
    return 1;
}

/// Turns a stored image upright as its EXIF orientation says: mirror first, then a quarter turn.
QImage orientedImage(const QImage &image, int orientation)
{
    const QImageIOHandler::Transformations t = transformationFromOrientation(orientation);
    if (t == QImageIOHandler::TransformationNone)
        return image;
    if (t == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    QImage result =
        image.mirrored(t & QImageIOHandler::TransformationMirror, t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90)
        result = result.transformed(QTransform().rotate(90));
    return result;
}

KTSerialQueue &rawQueue()
{
    // Created on first use and never destroyed: full-size RAW work may still run at exit.
    static auto *queue = new KTSerialQueue(QStringLiteral("com.brontwell.vireoscope.rawprocessing"));
    return *queue;
}

/// LibRaw's `flip` as an EXIF orientation.
int orientationFromLibRawFlip(int flip)
{
    static constexpr int kOrientations[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return (flip >= 0 && flip < 8) ? kOrientations[flip] : 1;
}

bool isSigmaX3F(const QString &path)
{
    return path.endsWith(QStringLiteral(".x3f"), Qt::CaseInsensitive);
}

/// A LibRaw object with the file opened; null when LibRaw cannot open it. Files that are
/// simply not RAW (every JPEG passes through here) are not logged.
std::unique_ptr<LibRaw> openRaw(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    // LibRaw is several hundred kilobytes: too large for the stacks of pool threads.
    auto raw = std::make_unique<LibRaw>(0);
    const int result = raw->open_file(QFile::encodeName(path).constData(), kRawBufferLimit);
    if (result == LIBRAW_SUCCESS)
        return raw;
    if (isSigmaX3F(path))
        qWarning().noquote() << "Sigma X3F files are not supported, no image from" << path;
    else if (result != LIBRAW_FILE_UNSUPPORTED)
        qWarning().noquote() << "LibRaw can't open" << path << ":" << libraw_strerror(result);
    return nullptr;
}

/// Takes LibRaw's memory image (freed here on every path) as JPEG bytes or an RGB888 image.
KTRawImage takeMemoryImage(libraw_processed_image_t *image, const QString &path)
{
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> owner(
        image, &LibRaw::dcraw_clear_mem);
    KTRawImage result;
    result.isRaw = true;
    if (!image)
        return result;
    if (image->type == LIBRAW_IMAGE_JPEG) {
        result.jpeg = QByteArray(reinterpret_cast<const char *>(image->data), qsizetype(image->data_size));
        return result;
    }
    const qint64 rowBytes = qint64(image->width) * 3;
    if (image->type != LIBRAW_IMAGE_BITMAP || image->colors != 3 || image->bits != 8 || rowBytes == 0 ||
        qint64(image->data_size) < rowBytes * image->height) {
        qWarning().noquote() << "LibRaw gave an unusable image for" << path << ": type" << image->type
                             << "colors" << image->colors << "bits" << image->bits;
        return result;
    }
    QImage bitmap(image->width, image->height, QImage::Format_RGB888);
    if (bitmap.isNull()) {
        qWarning().noquote() << "No memory for the RAW image of" << path;
        return result;
    }
    for (int y = 0; y < bitmap.height(); ++y)
        memcpy(bitmap.scanLine(y), image->data + y * rowBytes, size_t(rowBytes));
    bitmap.setColorSpace(QColorSpace::SRgb);
    result.bitmap = bitmap;
    return result;
}

/// The embedded preview of an opened RAW file, as stored (not turned upright).
KTRawImage takePreview(LibRaw &raw, const QString &path)
{
    KTRawImage preview;
    const int unpacked = raw.unpack_thumb();
    if (unpacked == LIBRAW_SUCCESS) {
        int error = LIBRAW_SUCCESS;
        preview = takeMemoryImage(raw.dcraw_make_mem_thumb(&error), path);
        if (error != LIBRAW_SUCCESS)
            qWarning().noquote() << "LibRaw can't make the preview of" << path << ":"
                                 << libraw_strerror(error);
    } else if (unpacked != LIBRAW_NO_THUMBNAIL) {
        qWarning().noquote() << "LibRaw can't read the preview of" << path << ":"
                             << libraw_strerror(unpacked);
    }
    preview.isRaw = true;
    preview.orientation = orientationFromLibRawFlip(raw.imgdata.sizes.flip);
    return preview;
}

/// True for a file whose content starts as a JPEG or a PNG does: such a file is never RAW, and
/// opening it with LibRaw would only cost its allocations.
bool isPlainJpegOrPng(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    return head.startsWith("\xff\xd8\xff") || head.startsWith("\x89PNG\r\n\x1a\n");
}

/// The embedded preview of a RAW file, on the calling thread.
KTRawImage rawPreview(const QString &path)
{
    const std::unique_ptr<LibRaw> raw = openRaw(path);
    return raw ? takePreview(*raw, path) : KTRawImage();
}

/// The full-size image of a RAW file: the preview when it is as wide as the image, else a full
/// development. The extraction runs on the RAW queue and the caller blocks; opening the file
/// does not, so files that are not RAW never wait behind another file's development.
KTRawImage rawFullSize(const QString &path)
{
    const std::unique_ptr<LibRaw> raw = openRaw(path);
    if (!raw)
        return {};
    KTRawImage result;
    rawQueue().sync([&result, &raw, &path] {
        if (raw->imgdata.thumbnail.twidth == raw->imgdata.sizes.iwidth) {
            result = takePreview(*raw, path);
            // A bitmap preview is stored as the sensor saw it; a development comes out upright.
            if (!result.bitmap.isNull())
                result.bitmap = orientedImage(result.bitmap, result.orientation);
            return;
        }
        raw->imgdata.params.use_camera_wb = 1;
        raw->imgdata.params.use_camera_matrix = 1;
        int error = raw->unpack();
        if (error == LIBRAW_SUCCESS)
            error = raw->dcraw_process();
        libraw_processed_image_t *image = nullptr;
        if (error == LIBRAW_SUCCESS)
            image = raw->dcraw_make_mem_image(&error);
        if (error != LIBRAW_SUCCESS)
            qWarning().noquote() << "LibRaw can't develop" << path << ":" << libraw_strerror(error);
        result = takeMemoryImage(image, path);
        result.orientation = orientationFromLibRawFlip(raw->imgdata.sizes.flip);
    });
    return result;
}

/// The size whose longest side is `maxPixelSize`, or `size` itself when it is not larger.
QSize boundedSize(QSize size, double maxPixelSize)
{
    const int longest = std::max(size.width(), size.height());
    if (longest <= maxPixelSize)
        return size;
    const double scale = maxPixelSize / longest;
    return QSize(std::max(1, int(std::lround(size.width() * scale))),
                 std::max(1, int(std::lround(size.height() * scale))));
}

/// The whole DCT scale M/8 (M = 1 to 7) of a JPEG of `stored` pixels that is the smallest to
/// cover `target`; invalid when none does or the smallest is not whole (Qt's reader would then
/// decode a pixel more and scale it all again).
QSize jpegScaleCovering(QSize stored, QSize target)
{
    for (int m = 1; m < 8; ++m) {
        const qint64 width = qint64(stored.width()) * m;
        const qint64 height = qint64(stored.height()) * m;
        if (width / 8 < target.width() || height / 8 < target.height())
            continue;
        if (width % 8 != 0 || height % 8 != 0)
            return {};
        return QSize(int(width / 8), int(height / 8));
    }
    return {};
}

/// An uninitialised image to decode into whose pixels are advised to be backed by huge pages: the
/// decode then takes a page fault for every 2 MB it fills instead of every 4 KB, which on a busy or
/// virtual machine costs as much as the decode itself. Null for a size too small to gain from it,
/// or an invalid one.
QImage newDecodeTarget(QSize size, QImage::Format format)
{
    constexpr size_t kHugePageSize = size_t(2) << 20;
    if (size.isEmpty() || format == QImage::Format_Invalid)
        return {};
    const qsizetype bytesPerLine =
        (qsizetype(size.width()) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    if (bytes < 2 * kHugePageSize)
        return {};
    const size_t rounded = (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
    void *pixels = std::aligned_alloc(kHugePageSize, rounded);
    if (!pixels)
        return {};
    madvise(pixels, rounded, MADV_HUGEPAGE);
    QImage image(
        static_cast<uchar *>(pixels), size.width(), size.height(), bytesPerLine, format,
        [](void *allocation) { std::free(allocation); }, pixels);
    if (image.isNull())
        std::free(pixels);
    return image;
}

QImage scaledToLongestSide(const QImage &image, double maxPixelSize)
{
    const QSize target = boundedSize(image.size(), maxPixelSize);
    return target == image.size() ? image
                                  : image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

/// False, after a log line, for a source no reader may see: a PNG whose chunks claim more than
/// the file holds.
bool isReadable(const KTImageSource &source)
{
    if (source.hasPlausibleChunks())
        return true;
    qWarning().noquote() << "Can't decode" << source.description()
                         << ": refused, its PNG chunks claim more than the file holds";
    return false;
}

/// False, after a log line, when the image the reader is set to decode would take more than
/// kAllocationLimitMB. Qt's own limit is process-wide; this one is checked for each decode
/// before anything is allocated.
bool fitsAllocationLimit(QImageReader &reader, const QString &description)
{
    const QSize stored = reader.size();
    if (!stored.isValid())
        return true; // the read itself fails
    // Only JPEG decodes at a reduced size, by libjpeg's scaling of at most 1/8; the other readers
    // decode the full image and scale it afterwards.
    const QSize scaled = reader.scaledSize();
    const QSize decoded = scaled.isValid() && reader.format() == "jpeg"
                              ? QSize(std::max(scaled.width(), (stored.width() + 7) / 8),
                                      std::max(scaled.height(), (stored.height() + 7) / 8))
                                    .boundedTo(stored)
                              : stored;
    const QImage::Format format = reader.imageFormat();
    const int bitsPerPixel =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    const double bytes = double(decoded.width()) * double(decoded.height()) * std::max(bitsPerPixel, 8) / 8;
    if (bytes <= double(kAllocationLimitMB) * 1024 * 1024)
        return true;
    qWarning().noquote() << "Can't decode" << description << ": refused, a" << stored.width() << "x"
                         << stored.height() << "image needs more than" << kAllocationLimitMB << "MB";
    return false;
}

/// Decodes a source, scaled down to `maxPixelSize` when given, turned upright when asked: by the
/// image's own orientation, else by the source's fallback orientation.
QImage decodeSource(const KTImageSource &source, std::optional<double> maxPixelSize,
                    KTImageUtils::Transform transform)
{
    if (!isReadable(source))
        return {};
    const std::unique_ptr<KTImageSource::Reader> reader = source.newReader();
    reader->reader.setAutoTransform(transform == KTImageUtils::Transform::Upright);
    // Knowing the stored size up front lets the reader decode at the size needed (JPEG uses its
    // scaled IDCT) instead of decoding everything and throwing most of it away.
    const QSize stored = maxPixelSize ? reader->reader.size() : QSize();
    // A JPEG is decoded at the whole DCT scale that covers the thumbnail and reduced from there
    // in one pass: cheaper than Qt's reader, which reduces inside the decode.
    const QSize dctScale = stored.isValid() && reader->reader.format() == "jpeg"
                               ? jpegScaleCovering(stored, boundedSize(stored, *maxPixelSize))
                               : QSize();
    if (dctScale.isValid())
        reader->reader.setScaledSize(dctScale);
    else if (stored.isValid())
        reader->reader.setScaledSize(boundedSize(stored, *maxPixelSize));
    if (!fitsAllocationLimit(reader->reader, source.description()))
        return {};
    // Qt's JPEG reader decodes into the image it is given when its size and format match: the
    // DCT-scaled size, or the stored size for a whole decode.
    QImage image;
    if (reader->reader.format() == "jpeg" && (dctScale.isValid() || !maxPixelSize))
        image = newDecodeTarget(dctScale.isValid() ? dctScale : reader->reader.size(),
                                reader->reader.imageFormat());
    const bool read = reader->reader.read(&image);
    if (!read || image.isNull()) {
        qWarning().noquote() << "Can't decode" << source.description() << ":" << reader->reader.errorString();
        return {};
    }
    if (maxPixelSize && (!stored.isValid() || dctScale.isValid()))
        image = scaledToLongestSide(image, *maxPixelSize);
    if (transform == KTImageUtils::Transform::Upright &&
        reader->reader.transformation() == QImageIOHandler::TransformationNone)
        image = orientedImage(image, source.fallbackOrientation());
    return image;
}

/// The thumbnail of a RAW file's development, for files whose preview is missing or unusable.
QImage thumbnailFromRawDevelopment(const QString &path, double maxPixelSize)
{
    const KTRawImage full = rawFullSize(path);
    if (!full.bitmap.isNull())
        return scaledToLongestSide(full.bitmap, maxPixelSize);
    if (full.jpeg.isEmpty())
        return {};
    KTImageSource source = KTImageSource::fromData(full.jpeg);
    source.setFallbackOrientation(full.orientation);
    return decodeSource(source, maxPixelSize, KTImageUtils::Transform::Upright);
}

/// Uncompressed TIFF data of an RGB888 image, row by row whatever its padding.
QByteArray tiffData(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    if (!writer.write(image)) {
        qWarning().noquote() << "Can't write TIFF data:" << writer.errorString();
        return {};
    }
    return data;
}

QByteArray jpegData(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kThumbnailJPEGQuality);
    if (!writer.write(image)) {
        qWarning().noquote() << "Can't encode a thumbnail as JPEG:" << writer.errorString();
        return {};
    }
    return data;
}

} // namespace

void KTImageUtils::raiseImageAllocationLimit()
{
    QImageReader::setAllocationLimit(kAllocationLimitMB);
}

std::unique_ptr<KTImageSource> KTImageUtils::newCGImageSourceFromPath(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable()) {
        qWarning().noquote() << QStringLiteral("Failed to create CGImageSource from path %1").arg(path);
        return nullptr;
    }
    return std::make_unique<KTImageSource>(KTImageSource::fromPath(path));
}

void KTImageUtils::getMetadataFromSource(const KTImageSource &source, QVariantMap &metadataDictionary)
{
    if (!source.isInMemory()) {
        metadataDictionary = KTImageProperties::propertiesAtPath(source.path());
        return;
    }
    // Bytes in memory have no metadata reader: their header gives the size and orientation.
    metadataDictionary.clear();
    if (!isReadable(source))
        return;
    const std::unique_ptr<KTImageSource::Reader> reader = source.newReader();
    const QSize size = reader->reader.size();
    if (!size.isValid())
        return;
    metadataDictionary.insert(kImagePropertyPixelWidth, size.width());
    metadataDictionary.insert(kImagePropertyPixelHeight, size.height());
    metadataDictionary.insert(kImagePropertyOrientation,
                              orientationFromTransformation(reader->reader.transformation()));
}

QVariantMap KTImageUtils::metadataDictionaryFromPath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    const std::unique_ptr<KTImageSource> source = newCGImageSourceFromPath(path);
    if (!source)
        return {};
    QVariantMap metadata;
    getMetadataFromSource(*source, metadata);
    return metadata;
}

void KTImageUtils::getWidth(double *width, double *height, int *orientation, const QVariantMap &metadata)
{
    KTImageProperties::getWidthHeightOrientation(width, height, orientation, metadata);
}

void KTImageUtils::getWidth(double *width, double *height, int *orientation, const QString &path)
{
    getWidth(width, height, orientation, metadataDictionaryFromPath(path));
}

int KTImageUtils::imageOrientationFromMetadata(const QVariantMap &metadata)
{
    return KTImageProperties::imageOrientation(metadata);
}

QSizeF KTImageUtils::imageSizeFromMetadata(const QVariantMap &metadata, Transform applyingTransform)
{
    return KTImageProperties::imageSize(metadata, applyingTransform == Transform::Upright
                                                      ? KTImageProperties::SizeTransform::Apply
                                                      : KTImageProperties::SizeTransform::None);
}

QSizeF KTImageUtils::imageSizeConsideringOrientationFromMetadata(const QVariantMap &metadata)
{
    return KTImageProperties::imageSizeConsideringOrientation(metadata);
}

QImage KTImageUtils::newCGImageThumbnailFromImageSource(const KTImageSource &source, double maxPixelSize,
                                                        Transform withTransform)
{
    Q_ASSERT_X(maxPixelSize > 0, "newCGImageThumbnailFromImageSource",
               "MaxPixelSize is equal or less than 0");
    if (!(maxPixelSize > 0))
        return {};
    return decodeSource(source, maxPixelSize, withTransform);
}

QImage KTImageUtils::thumbnailFromImageAtPath(const QString &path, double size)
{
    const KTRawImage preview = isPlainJpegOrPng(path) ? KTRawImage() : rawPreview(path);
    QImage thumbnail;
    if (!preview.bitmap.isNull()) {
        thumbnail = orientedImage(scaledToLongestSide(preview.bitmap, size), preview.orientation);
    } else {
        std::unique_ptr<KTImageSource> source;
        if (!preview.jpeg.isEmpty()) {
            source = std::make_unique<KTImageSource>(KTImageSource::fromData(preview.jpeg));
            source->setFallbackOrientation(preview.orientation);
        } else {
            source = newCGImageSourceFromPath(path);
        }
        if (source)
            thumbnail = newCGImageThumbnailFromImageSource(*source, size, Transform::Upright);
        // Qt's readers cannot develop RAW data: a RAW file without a usable preview is developed.
        if (thumbnail.isNull() && preview.isRaw)
            thumbnail = thumbnailFromRawDevelopment(path, size);
    }
    if (thumbnail.isNull())
        qWarning().noquote() << "No thumbnail for" << path;
    return thumbnail;
}

QByteArray KTImageUtils::thumbnailJPEGDataFromImage(const QImage &thumbnail)
{
    return jpegData(thumbnail);
}

QByteArray KTImageUtils::thumbnailJPEGDataFromImageAtPath(const QString &path, double size)
{
    const QImage thumbnail = thumbnailFromImageAtPath(path, size);
    return thumbnail.isNull() ? QByteArray() : thumbnailJPEGDataFromImage(thumbnail);
}

QByteArray KTImageUtils::thumbnailDataFromRawQuick(const QString &path)
{
    const KTRawImage preview = rawPreview(path);
    // The bitmap's rows are padded to four bytes: it is written as the image it is, never as
    // packed RGB.
    if (!preview.bitmap.isNull())
        return tiffData(preview.bitmap);
    return preview.jpeg;
}

QByteArray KTImageUtils::tiffDataFromBitmapRGB(const uchar *bitmapRGB, quint32 width, quint32 height)
{
    if (!bitmapRGB || width == 0 || height == 0 || width > quint32(INT_MAX / 3) || height > quint32(INT_MAX))
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB888);
    if (image.isNull()) {
        qWarning() << "No memory for a" << width << "x" << height << "bitmap";
        return {};
    }
    const qsizetype rowBytes = qsizetype(width) * 3;
    for (int y = 0; y < image.height(); ++y)
        memcpy(image.scanLine(y), bitmapRGB + y * rowBytes, size_t(rowBytes));
    image.setColorSpace(QColorSpace::SRgb);
    return tiffData(image);
}

void KTImageUtils::getLibrawFillsizeThumbnail(QByteArray *data, bool *requiresSizeCorrection,
                                              const QString &path)
{
    const KTRawImage full = rawFullSize(path);
    if (data) {
        *data = !full.bitmap.isNull() ? tiffData(full.bitmap) : full.jpeg;
    }
    if (requiresSizeCorrection)
        *requiresSizeCorrection = !full.jpeg.isEmpty();
}

QImage KTImageUtils::fullSizeThumbnailFromRaw(const QString &path)
{
    const KTRawImage full = rawFullSize(path);
    // LibRaw's development is already upright.
    if (!full.bitmap.isNull())
        return full.bitmap;
    if (full.jpeg.isEmpty())
        return {};
    // A JPEG preview is read at full size and turned by the RAW file's orientation when it
    // carries none of its own.
    KTImageSource source = KTImageSource::fromData(full.jpeg);
    source.setFallbackOrientation(full.orientation);
    return decodeSource(source, std::nullopt, Transform::Upright);
}

QImage KTImageUtils::imageFromRawQuick(const QString &path)
{
    QImage image = fullSizeThumbnailFromRaw(path);
    return image.isNull() ? imageFromPath(path) : image;
}

QImage KTImageUtils::imageFromPath(const QString &path)
{
    return decodeSource(KTImageSource::fromPath(path), std::nullopt, Transform::Upright);
}

QImage KTImageUtils::jpegImageCoveringSide(const QString &path, int minimumSide)
{
    const std::unique_ptr<KTImageSource::Reader> reader = KTImageSource::fromPath(path).newReader();
    // By content: a RAW file named .jpg is not a JPEG, and a JPEG is never a RAW file.
    reader->reader.setDecideFormatFromContent(true);
    if (reader->reader.format() != "jpeg")
        return {};
    reader->reader.setAutoTransform(true);
    const QSize stored = reader->reader.size();
    if (!stored.isValid())
        return {};
    // Qt's reader takes the scale M/8 from the size asked for; a size rounded down never makes it
    // pick a larger M, and when M/8 of the stored size is whole it decodes exactly that size.
    for (int m = 1; m < 8; ++m) {
        const QSize scaled(int(qint64(stored.width()) * m / 8), int(qint64(stored.height()) * m / 8));
        if (std::min(scaled.width(), scaled.height()) >= minimumSide) {
            reader->reader.setScaledSize(scaled);
            break;
        }
    }
    return reader->reader.read();
}
