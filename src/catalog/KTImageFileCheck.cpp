#include "KTImageFileCheck.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace {

quint32 bigEndian32(const uchar *bytes)
{
    return (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8) |
           quint32(bytes[3]);
}

enum class JpegData
{
    NotJpeg,
    Complete,
    EndsEarly,
    NoFrame, // whole, but a scan or the end comes before any frame header: nothing to decode
};

// The start-of-frame markers; C4 (DHT), C8 (JPG) and CC (DAC) share the range but start none.
bool isFrameMarker(uchar marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

/// Walks the segments of JPEG bytes and the compressed data of their scans up to the end marker.
/// A file whose segments up to the first scan are whole and that ends with the end marker is whole
/// without reading its compressed data. Malformed bytes that are not a cut count as complete: the
/// decoder judges them.
JpegData jpegData(const uchar *bytes, qint64 size)
{
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return JpegData::NotJpeg;
    const bool endsWithEndMarker = size >= 4 && bytes[size - 2] == 0xFF && bytes[size - 1] == 0xD9;
    qint64 offset = 2;
    bool scanned = false;
    bool framed = false;
    for (;;) {
        if (scanned) {
            // Compressed data: 0xFF is followed by 0x00 (a stuffed byte), a restart marker or fill,
            // or it starts the next segment.
            const auto *found =
                static_cast<const uchar *>(std::memchr(bytes + offset, 0xFF, size_t(size - offset)));
            if (!found || found + 1 >= bytes + size)
                return JpegData::EndsEarly;
            offset = found - bytes;
            const uchar next = bytes[offset + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                offset += 2;
                continue;
            }
            if (next == 0xFF) {
                ++offset;
                continue;
            }
            scanned = false;
        }
        if (offset + 2 > size)
            return JpegData::EndsEarly;
        if (bytes[offset] != 0xFF)
            return JpegData::Complete;
        uchar marker = bytes[offset + 1];
        while (marker == 0xFF) {
            if (++offset + 2 > size)
                return JpegData::EndsEarly;
            marker = bytes[offset + 1];
        }
        offset += 2;
        if (marker == 0xD9)
            return framed ? JpegData::Complete : JpegData::NoFrame;
        framed = framed || isFrameMarker(marker);
        // Markers without a segment: TEM and the restart markers.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (offset + 2 > size)
            return JpegData::EndsEarly;
        const qint64 length = (qint64(bytes[offset]) << 8) | bytes[offset + 1];
        if (length < 2)
            return JpegData::Complete;
        if (offset + length > size)
            return JpegData::EndsEarly;
        offset += length;
        if (marker == 0xDA) {
            if (!framed)
                return JpegData::NoFrame;
            if (endsWithEndMarker)
                return JpegData::Complete;
            scanned = true;
        }
    }
}

/// Bytes of the smallest decode of the image `reader` is set on: a JPEG decodes its thumbnails at
/// an eighth of its size at the least, every other format at its full size.
double smallestDecodeBytes(QImageReader &reader)
{
    const QSize stored = reader.size();
    if (!stored.isValid())
        return 0;
    const QSize decoded =
        reader.format() == "jpeg" ? QSize((stored.width() + 7) / 8, (stored.height() + 7) / 8) : stored;
    const QImage::Format format = reader.imageFormat();
    const int bitsPerPixel =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    return double(decoded.width()) * double(decoded.height()) * std::max(bitsPerPixel, 8) / 8;
}

} // namespace

KTImageFileCheck::PngChunks KTImageFileCheck::pngChunks(const uchar *bytes, qint64 size)
{
    static constexpr uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < qint64(sizeof kSignature) || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
        return PngChunks::NotPng;
    qint64 offset = sizeof kSignature;
    // Length and type; the data and a four-byte CRC follow.
    while (offset + 8 <= size) {
        const quint32 length = bigEndian32(bytes + offset);
        // The format's own bound on a chunk, then what is left of the file.
        if (length > 0x7fffffffu || qint64(length) + 12 > size - offset)
            return PngChunks::Overrun;
        if (std::memcmp(bytes + offset + 4, "IEND", 4) == 0)
            return PngChunks::Complete;
        offset += qint64(length) + 12;
    }
    return PngChunks::EndsEarly;
}

KTImageFileCheck::Problem KTImageFileCheck::problemAtPath(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Problem::None;
    const qint64 size = file.size();
    // Mapped, so that only the pages that are looked at are read.
    const uchar *bytes = size > 0 ? file.map(0, size) : nullptr;
    QByteArray read;
    if (!bytes && size > 0) {
        read = file.readAll();
        bytes = reinterpret_cast<const uchar *>(read.constData());
    }
    if (bytes) {
        const PngChunks chunks = pngChunks(bytes, size);
        if (chunks == PngChunks::EndsEarly || chunks == PngChunks::Overrun)
            return Problem::DataEndsEarly;
        if (chunks == PngChunks::NotPng) {
            const JpegData jpeg = jpegData(bytes, size);
            if (jpeg == JpegData::EndsEarly)
                return Problem::DataEndsEarly;
            if (jpeg == JpegData::NoFrame)
                return Problem::NoImageData;
        }
    }
    QImageReader reader(path);
    if (smallestDecodeBytes(reader) > double(kDecodeAllocationLimitMB) * 1024 * 1024)
        return Problem::TooLargeToDecode;
    return Problem::None;
}

QString KTImageFileCheck::reason(Problem problem)
{
    switch (problem) {
    case Problem::None:
        break;
    case Problem::DataEndsEarly:
        return tr("Damaged: the image data ends early.");
    case Problem::NoImageData:
        return tr("Damaged: the file holds no image data.");
    case Problem::TooLargeToDecode:
        return tr("Its size exceeds the 2 GiB decoding limit.");
    }
    return {};
}
