#include "KTDecodingFixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

const QColor kQuadrantTopLeft(230, 20, 20);
const QColor kQuadrantTopRight(20, 200, 20);
const QColor kQuadrantBottomLeft(20, 20, 230);
const QColor kQuadrantBottomRight(240, 240, 240);

namespace {

enum TiffType : quint16
{
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kSRational = 10,
};

struct TiffEntry
{
    quint16 tag;
    quint16 type;
    quint32 count;
    QByteArray value; // little-endian, `count` items of `type`
};

void appendLE16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void appendLE32(QByteArray &out, quint32 v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((v >> shift) & 0xff));
}

void putLE32(QByteArray &out, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xff);
}

TiffEntry shorts(quint16 tag, std::initializer_list<quint16> values)
{
    TiffEntry e{tag, kShort, quint32(values.size()), {}};
    for (quint16 v : values)
        appendLE16(e.value, v);
    return e;
}

TiffEntry longs(quint16 tag, std::initializer_list<quint32> values)
{
    TiffEntry e{tag, kLong, quint32(values.size()), {}};
    for (quint32 v : values)
        appendLE32(e.value, v);
    return e;
}

TiffEntry bytes(quint16 tag, std::initializer_list<quint8> values)
{
    TiffEntry e{tag, kByte, quint32(values.size()), {}};
    for (quint8 v : values)
        e.value.append(char(v));
    return e;
}

TiffEntry ascii(quint16 tag, const char *text)
{
    QByteArray value(text);
    value.append('\0');
    return TiffEntry{tag, kAscii, quint32(value.size()), value};
}

TiffEntry srationals(quint16 tag, std::initializer_list<std::pair<qint32, qint32>> values)
{
    TiffEntry e{tag, kSRational, quint32(values.size()), {}};
    for (const auto &[num, den] : values) {
        appendLE32(e.value, quint32(num));
        appendLE32(e.value, quint32(den));
    }
    return e;
}

/// Appends an IFD at the (even) end of `file`, its long values right after it; returns its offset.
/// Offsets are relative to the start of `file`, which must begin with the TIFF header.
quint32 appendIfd(QByteArray &file, std::vector<TiffEntry> entries, quint32 nextIfd = 0)
{
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.tag < b.tag; });
    if (file.size() % 2)
        file.append('\0');
    const quint32 ifdOffset = quint32(file.size());
    quint32 valuesOffset = ifdOffset + 2 + 12 * quint32(entries.size()) + 4;
    QByteArray values;
    appendLE16(file, quint16(entries.size()));
    for (const TiffEntry &e : entries) {
        appendLE16(file, e.tag);
        appendLE16(file, e.type);
        appendLE32(file, e.count);
        if (e.value.size() <= 4) {
            QByteArray inline4 = e.value;
            inline4.resize(4, '\0');
            file.append(inline4);
        } else {
            appendLE32(file, valuesOffset + quint32(values.size()));
            values.append(e.value);
            if (values.size() % 2)
                values.append('\0');
        }
    }
    appendLE32(file, nextIfd);
    file.append(values);
    return ifdOffset;
}

QByteArray tiffHeader()
{
    QByteArray header("II*\0", 4);
    appendLE32(header, 0); // first IFD, patched once it is written
    return header;
}

QByteArray encodeJpeg(const QImage &image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image.convertToFormat(QImage::Format_RGB888));
    return data;
}

} // namespace

QImage makeQuadrantImage(QSize size)
{
    QImage image(size, QImage::Format_RGB888);
    const int halfW = size.width() / 2;
    const int halfH = size.height() / 2;
    QPainter painter(&image);
    painter.fillRect(0, 0, halfW, halfH, kQuadrantTopLeft);
    painter.fillRect(halfW, 0, size.width() - halfW, halfH, kQuadrantTopRight);
    painter.fillRect(0, halfH, halfW, size.height() - halfH, kQuadrantBottomLeft);
    painter.fillRect(halfW, halfH, size.width() - halfW, size.height() - halfH, kQuadrantBottomRight);
    return image;
}

QImage makePhotoLikeImage(QSize size)
{
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            // Broad gradients plus a fine texture: what a JPEG encoder meets in a photograph.
            const int texture = int((x * 7 + y * 13) % 23) - 11;
            row[3 * x] = uchar(std::clamp(x * 255 / size.width() + texture, 0, 255));
            row[3 * x + 1] = uchar(std::clamp(y * 255 / size.height() + texture, 0, 255));
            row[3 * x + 2] =
                uchar(std::clamp(128 + int(60 * std::sin(x * 0.01 + y * 0.02)) + texture, 0, 255));
        }
    }
    return image;
}

QByteArray makeJpegWithExif(const QImage &image, int orientation, int quality, const QImage &exifThumbnail)
{
    QByteArray jpeg = encodeJpeg(image, quality);
    if (orientation == 0 && exifThumbnail.isNull())
        return jpeg;

    QByteArray tiff = tiffHeader();
    quint32 ifd1 = 0;
    if (!exifThumbnail.isNull()) {
        const QByteArray thumb = encodeJpeg(exifThumbnail, 80);
        const quint32 thumbOffset = quint32(tiff.size());
        tiff.append(thumb);
        ifd1 = appendIfd(tiff, {shorts(0x0103, {6}), longs(0x0201, {thumbOffset}),
                                longs(0x0202, {quint32(thumb.size())})});
    }
    std::vector<TiffEntry> ifd0{ascii(0x010f, "Vireotest"), ascii(0x0110, "Camera")};
    if (orientation > 0)
        ifd0.push_back(shorts(0x0112, {quint16(orientation)}));
    putLE32(tiff, 4, appendIfd(tiff, ifd0, ifd1));

    QByteArray app1("\xff\xe1", 2);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = payload.size() + 2;
    app1.append(char(length >> 8));
    app1.append(char(length & 0xff));
    app1.append(payload);
    // Right after SOI, ahead of Qt's JFIF APP0: readers look for EXIF in any APPn position.
    jpeg.insert(2, app1);
    return jpeg;
}

QByteArray makeDng(const KTDngOptions &options)
{
    QByteArray file = tiffHeader();

    // CFA data: a flat mid-grey scene, slightly brighter towards the top-left corner.
    const int rw = options.rawSize.width();
    const int rh = options.rawSize.height();
    const quint32 rawOffset = quint32(file.size());
    for (int y = 0; y < rh; ++y) {
        for (int x = 0; x < rw; ++x)
            appendLE16(file, quint16(1000 + 2000 * (rw - x + rh - y) / (rw + rh)));
    }
    const quint32 rawBytes = quint32(file.size()) - rawOffset;

    const QImage preview = options.previewImage.isNull()
                               ? makeQuadrantImage(options.previewSize)
                               : options.previewImage.convertToFormat(QImage::Format_RGB888);
    QByteArray previewBytes;
    if (options.preview == KTDngPreview::Jpeg) {
        previewBytes = encodeJpeg(preview, 90);
    } else if (options.preview == KTDngPreview::Bitmap) {
        for (int y = 0; y < preview.height(); ++y)
            previewBytes.append(reinterpret_cast<const char *>(preview.constScanLine(y)),
                                preview.width() * 3);
    }
    const quint32 previewOffset = quint32(file.size());
    file.append(previewBytes);

    const std::vector<TiffEntry> rawEntries{
        longs(0x00fe, {0}),         longs(0x0100, {quint32(rw)}), longs(0x0101, {quint32(rh)}),
        shorts(0x0102, {16}),       shorts(0x0103, {1}),          shorts(0x0106, {32803}),
        longs(0x0111, {rawOffset}), shorts(0x0115, {1}),          longs(0x0116, {quint32(rh)}),
        longs(0x0117, {rawBytes}),  shorts(0x828d, {2, 2}),       bytes(0x828e, {0, 1, 1, 2}),
        shorts(0xc61a, {0}),        longs(0xc61d, {4095})};

    // A neutral colour matrix and white balance keep the development independent of camera tables.
    TiffEntry asShotNeutral{0xc628, 5, 3, {}};
    for (int i = 0; i < 3; ++i) {
        appendLE32(asShotNeutral.value, 1);
        appendLE32(asShotNeutral.value, 1);
    }
    std::vector<TiffEntry> ifd0{
        ascii(0x010f, "Vireotest"),
        ascii(0x0110, "DNG Camera"),
        shorts(0x0112, {quint16(options.orientation)}),
        bytes(0xc612, {1, 4, 0, 0}),
        ascii(0xc614, "Vireotest DNG Camera"),
        srationals(0xc621, {{1, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 1}}),
        asShotNeutral};
    if (options.preview == KTDngPreview::None) {
        // Without a preview the CFA data is IFD0's own image, as some converters write it.
        ifd0.insert(ifd0.end(), rawEntries.begin(), rawEntries.end());
    } else {
        const bool jpeg = options.preview == KTDngPreview::Jpeg;
        ifd0.insert(ifd0.end(), {longs(0x00fe, {1}), longs(0x0100, {quint32(preview.width())}),
                                 longs(0x0101, {quint32(preview.height())}), shorts(0x0102, {8, 8, 8}),
                                 shorts(0x0103, {quint16(jpeg ? 7 : 1)}),
                                 shorts(0x0106, {quint16(jpeg ? 6 : 2)}), longs(0x0111, {previewOffset}),
                                 shorts(0x0115, {3}), longs(0x0116, {quint32(preview.height())}),
                                 longs(0x0117, {quint32(previewBytes.size())}),
                                 longs(0x014a, {appendIfd(file, rawEntries)})});
    }
    putLE32(file, 4, appendIfd(file, ifd0));
    return file;
}

QByteArray makePng(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return png;
}

QByteArray makePngChunk(const QByteArray &type, const QByteArray &data)
{
    const auto bigEndian32 = [](quint32 value) {
        const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
        return QByteArray(bytes, 4);
    };
    quint32 crc = 0xffffffffu;
    for (const char byte : type + data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(~crc);
}

QByteArray makePngClaimingSize(QSize claimed)
{
    const QByteArray png = makePng(makeQuadrantImage({16, 16}));
    const qsizetype afterHeader = 8 + 25; // signature, IHDR
    QByteArray header(13, '\0');
    for (int i = 0; i < 4; ++i) {
        header[i] = char(quint32(claimed.width()) >> (24 - 8 * i));
        header[4 + i] = char(quint32(claimed.height()) >> (24 - 8 * i));
    }
    header[8] = 8; // bits per sample
    header[9] = 6; // RGBA
    return png.left(8) + makePngChunk("IHDR", header) + png.mid(afterHeader);
}

QByteArray makePngWithLyingChunk(bool beforeImageData)
{
    const QByteArray png = makePng(makeQuadrantImage({16, 16}));
    const qsizetype afterHeader = 8 + 25;  // signature, IHDR
    const qsizetype end = png.size() - 12; // IEND
    // 0x5601bb69 bytes claimed, 400 there.
    const QByteArray lying = QByteArray("\x56\x01\xbb\x69iTXtXML:com.adobe.xmp", 25) + QByteArray(400, 'x');
    return png.left(beforeImageData ? afterHeader : end) + lying;
}

bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
