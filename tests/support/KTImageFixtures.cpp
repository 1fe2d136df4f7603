#include "KTImageFixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>

// Exiv2 0.27 hands out std::auto_ptr; the deprecation is Exiv2's, not ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdint>

namespace {

QImage gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x * 255 / size.width(), y * 255 / size.height(), 128);
    }
    return image;
}

QByteArray jpegBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

// A little-endian TIFF directory. Values that do not fit its four-byte slot go into the data area
// written right after it.
class TiffDirectory
{
public:
    enum Type : uint16_t
    {
        Byte = 1,
        Ascii = 2,
        Short = 3,
        Long = 4,
        Rational = 5,
        SRational = 10
    };

    void add(uint16_t tag, Type type, uint32_t count, QByteArray bytes)
    {
        m_entries.push_back({tag, type, count, std::move(bytes)});
    }
    void addShorts(uint16_t tag, std::initializer_list<uint16_t> values)
    {
        QByteArray bytes;
        for (uint16_t v : values)
            bytes.append(reinterpret_cast<const char *>(&v), 2);
        add(tag, Short, uint32_t(values.size()), bytes);
    }
    void addLong(uint16_t tag, uint32_t value)
    {
        add(tag, Long, 1, QByteArray(reinterpret_cast<const char *>(&value), 4));
    }
    void setLong(uint16_t tag, uint32_t value)
    {
        for (Entry &e : m_entries) {
            if (e.tag == tag)
                e.bytes = QByteArray(reinterpret_cast<const char *>(&value), 4);
        }
    }
    void addBytes(uint16_t tag, std::initializer_list<uint8_t> values)
    {
        QByteArray bytes;
        for (uint8_t v : values)
            bytes.append(char(v));
        add(tag, Byte, uint32_t(values.size()), bytes);
    }
    void addAscii(uint16_t tag, const std::string &text)
    {
        add(tag, Ascii, uint32_t(text.size() + 1), QByteArray(text.c_str(), qsizetype(text.size() + 1)));
    }
    void addRationals(uint16_t tag, Type type, std::initializer_list<std::pair<int32_t, int32_t>> values)
    {
        QByteArray bytes;
        for (const auto &[n, d] : values) {
            bytes.append(reinterpret_cast<const char *>(&n), 4);
            bytes.append(reinterpret_cast<const char *>(&d), 4);
        }
        add(tag, type, uint32_t(values.size()), bytes);
    }

    uint32_t size() const
    {
        uint32_t size = 2 + 12 * uint32_t(m_entries.size()) + 4;
        for (const Entry &e : m_entries)
            size += e.bytes.size() > 4 ? uint32_t(e.bytes.size() + (e.bytes.size() & 1)) : 0;
        return size;
    }

    QByteArray serialize(uint32_t offset) const
    {
        std::vector<Entry> sorted = m_entries;
        std::sort(sorted.begin(), sorted.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        QByteArray head;
        QByteArray data;
        uint32_t dataOffset = offset + 2 + 12 * uint32_t(sorted.size()) + 4;
        appendLe(head, uint16_t(sorted.size()));
        for (const Entry &e : sorted) {
            appendLe(head, e.tag);
            appendLe(head, uint16_t(e.type));
            appendLe(head, e.count);
            if (e.bytes.size() <= 4) {
                head.append(e.bytes);
                head.append(QByteArray(4 - e.bytes.size(), '\0'));
            } else {
                appendLe(head, dataOffset + uint32_t(data.size()));
                data.append(e.bytes);
                if (e.bytes.size() & 1)
                    data.append('\0');
            }
        }
        appendLe(head, uint32_t(0));
        return head + data;
    }

private:
    struct Entry
    {
        uint16_t tag;
        Type type;
        uint32_t count;
        QByteArray bytes;
    };
    template <typename T> static void appendLe(QByteArray &out, T value)
    {
        value = qToLittleEndian(value);
        out.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    std::vector<Entry> m_entries;
};

} // namespace

bool writeJpegWithExif(const QString &path, const KTExifFields &exif, QSize size, KTExifThumbnail thumbnail)
{
    return writePictureWithExif(path, gradient(size), exif, thumbnail);
}

bool writePictureWithExif(const QString &path, const QImage &picture, const KTExifFields &exif,
                          KTExifThumbnail thumbnail)
{
    if (!picture.save(path, "JPEG", 90))
        return false;
    if (exif.empty() && thumbnail == KTExifThumbnail::None)
        return true;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData data;
        for (const auto &[key, value] : exif)
            data[key] = value;
        if (thumbnail == KTExifThumbnail::Embedded) {
            const QByteArray small = jpegBytes(gradient(QSize(160, 120)));
            Exiv2::ExifThumb(data).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(small.constData()),
                                                    long(small.size()));
        }
        image->setExifData(data);
        image->writeMetadata();
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

bool writeExifOnlyJpeg(const QString &path, const KTExifFields &exif)
{
    if (!writeJpegWithExif(path, exif))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray jpeg = file.readAll();
    file.close();
    const qsizetype app1 = jpeg.indexOf("\xff\xe1");
    if (app1 < 0 || app1 + 4 > jpeg.size())
        return false;
    const qsizetype length = (uchar(jpeg[app1 + 2]) << 8) | uchar(jpeg[app1 + 3]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray cut = QByteArray("\xff\xd8") + jpeg.mid(app1, 2 + length) + QByteArray("\xff\xd9");
    return file.write(cut) == cut.size();
}

std::vector<KTCanonAFPoint> clusterAndCornersAFPoints()
{
    std::vector<KTCanonAFPoint> points = {{-2950, -1950, 60, 40, true, true},
                                          {2950, -1950, 60, 40, true, true},
                                          {-2950, 1950, 60, 40, true, true},
                                          {2950, 1950, 60, 40, true, true}};
    for (int i = 0; points.size() < 1000; ++i)
        points.push_back({560 + (i % 12) * 8, 300 + (i / 12) * 2, 60, 40, i % 3 == 0, true});
    return points;
}

std::string canonAFInfo(const std::vector<KTCanonAFPoint> &points, int afWidth, int afHeight)
{
    const int count = int(points.size());
    std::vector<int> words = {0, 2, count, count, afWidth, afHeight, afWidth, afHeight};
    for (const auto &p : points)
        words.push_back(p.width);
    for (const auto &p : points)
        words.push_back(p.height);
    for (const auto &p : points)
        words.push_back(p.x);
    for (const auto &p : points)
        words.push_back(p.y);
    // The in-focus bits, then the selected bits, each 16 points to a word.
    const std::size_t maskWords = (points.size() + 15) / 16;
    for (const bool inFocus : {true, false}) {
        std::vector<int> mask(maskWords, 0);
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (inFocus ? points[i].inFocus : points[i].selected)
                mask[i / 16] |= 1 << (i % 16);
        }
        words.insert(words.end(), mask.begin(), mask.end());
    }
    words[0] = int(words.size()) * 2;
    std::string text;
    for (int word : words) {
        if (!text.empty())
            text += ' ';
        // Exiv2 reads the record as unsigned shorts.
        text += std::to_string(uint16_t(word));
    }
    return text;
}

KTExifFields cameraExifFields(QSize size)
{
    return {
        {"Exif.Image.Make", "Canon"},
        {"Exif.Image.Model", "Canon EOS 5D Mark IV"},
        {"Exif.Image.Orientation", "1"},
        {"Exif.Image.XResolution", "72/1"},
        {"Exif.Image.YResolution", "72/1"},
        {"Exif.Image.ResolutionUnit", "2"},
        {"Exif.Image.Software", "Firmware Version 1.3.3"},
        {"Exif.Image.DateTime", "2023:06:17 10:21:36"},
        {"Exif.Image.Artist", ""},
        {"Exif.Image.Copyright", ""},
        {"Exif.Photo.ExposureTime", "1/250"},
        {"Exif.Photo.FNumber", "56/10"},
        {"Exif.Photo.ExposureProgram", "3"},
        {"Exif.Photo.ISOSpeedRatings", "400"},
        {"Exif.Photo.ExifVersion", "48 50 51 48"},
        {"Exif.Photo.DateTimeOriginal", "2023:06:17 10:21:36"},
        {"Exif.Photo.DateTimeDigitized", "2023:06:17 10:21:36"},
        {"Exif.Photo.ShutterSpeedValue", "8/1"},
        {"Exif.Photo.ApertureValue", "5/1"},
        {"Exif.Photo.ExposureBiasValue", "-1/3"},
        {"Exif.Photo.MeteringMode", "5"},
        {"Exif.Photo.Flash", "16"},
        {"Exif.Photo.FocalLength", "105/1"},
        {"Exif.Photo.SubSecTimeOriginal", "42"},
        {"Exif.Photo.ColorSpace", "1"},
        {"Exif.Photo.PixelXDimension", std::to_string(size.width())},
        {"Exif.Photo.PixelYDimension", std::to_string(size.height())},
        {"Exif.Photo.FocalPlaneXResolution", "6720000/1419"},
        {"Exif.Photo.FocalPlaneYResolution", "4480000/947"},
        {"Exif.Photo.FocalPlaneResolutionUnit", "2"},
        {"Exif.Photo.ExposureMode", "0"},
        {"Exif.Photo.WhiteBalance", "0"},
        {"Exif.Photo.SceneCaptureType", "0"},
        {"Exif.Photo.BodySerialNumber", "012345678901"},
        {"Exif.Photo.LensSpecification", "24/1 105/1 0/1 0/1"},
        {"Exif.Photo.LensModel", "EF24-105mm f/4L IS USM"},
        {"Exif.Photo.LensSerialNumber", "0000c12345"},
    };
}

bool writeTinyDng(const QString &path, const KTTinyDngFields &fields)
{
    const int previewWidth = kTinyDngPreviewSize.width();
    const int previewHeight = kTinyDngPreviewSize.height();
    const int rawWidth = kTinyDngRawSize.width();
    const int rawHeight = kTinyDngRawSize.height();
    const uint32_t previewBytes = uint32_t(previewWidth * previewHeight * 3);
    const uint32_t rawBytes = uint32_t(rawWidth * rawHeight * 2);

    TiffDirectory preview;
    preview.addLong(254, 1); // NewSubfileType: reduced-resolution copy
    preview.addLong(256, uint32_t(previewWidth));
    preview.addLong(257, uint32_t(previewHeight));
    preview.addShorts(258, {8, 8, 8});
    preview.addShorts(259, {1});
    preview.addShorts(262, {2}); // RGB
    preview.addAscii(271, fields.make);
    preview.addAscii(272, fields.model);
    preview.addLong(273, 0); // StripOffsets, set below
    preview.addShorts(274, {uint16_t(fields.orientation)});
    preview.addShorts(277, {3});
    preview.addLong(278, uint32_t(previewHeight));
    preview.addLong(279, previewBytes);
    preview.addShorts(284, {1});
    preview.addLong(330, 0);   // SubIFDs, set below
    preview.addLong(34665, 0); // Exif IFD, set below
    preview.addBytes(50706, {1, 4, 0, 0});
    preview.addBytes(50707, {1, 1, 0, 0});
    preview.addAscii(50708, fields.make + " " + fields.model);
    preview.addRationals(50721, TiffDirectory::SRational,
                         {{10000, 10000},
                          {0, 10000},
                          {0, 10000},
                          {0, 10000},
                          {10000, 10000},
                          {0, 10000},
                          {0, 10000},
                          {0, 10000},
                          {10000, 10000}});
    preview.addRationals(50728, TiffDirectory::Rational, {{1, 2}, {1, 1}, {1, 2}});
    preview.addShorts(50778, {21}); // D65

    TiffDirectory raw;
    raw.addLong(254, 0);
    raw.addLong(256, uint32_t(rawWidth));
    raw.addLong(257, uint32_t(rawHeight));
    raw.addShorts(258, {16});
    raw.addShorts(259, {1});
    raw.addShorts(262, {32803}); // colour filter array
    raw.addLong(273, 0);
    raw.addShorts(277, {1});
    raw.addLong(278, uint32_t(rawHeight));
    raw.addLong(279, rawBytes);
    raw.addShorts(284, {1});
    raw.addShorts(33421, {2, 2});
    raw.addBytes(33422, {0, 1, 1, 2}); // RGGB
    raw.addLong(50714, 0);
    raw.addLong(50717, 65535);

    TiffDirectory exif;
    exif.addRationals(33434, TiffDirectory::Rational,
                      {{int32_t(fields.exposureTime.first), int32_t(fields.exposureTime.second)}});
    exif.addAscii(36867, fields.dateTimeOriginal);

    const uint32_t previewOffset = 8;
    const uint32_t rawIfdOffset = previewOffset + preview.size();
    const uint32_t exifOffset = rawIfdOffset + raw.size();
    const uint32_t previewPixels = exifOffset + exif.size();
    const uint32_t rawPixels = previewPixels + previewBytes;
    preview.setLong(273, previewPixels);
    preview.setLong(330, rawIfdOffset);
    preview.setLong(34665, exifOffset);
    raw.setLong(273, rawPixels);

    QByteArray file("II*\0", 4);
    const uint32_t first = qToLittleEndian(previewOffset);
    file.append(reinterpret_cast<const char *>(&first), 4);
    file += preview.serialize(previewOffset);
    file += raw.serialize(rawIfdOffset);
    file += exif.serialize(exifOffset);
    for (int y = 0; y < previewHeight; ++y) {
        for (int x = 0; x < previewWidth; ++x) {
            file.append(char(x * 255 / previewWidth));
            file.append(char(y * 255 / previewHeight));
            file.append(char(128));
        }
    }
    for (int y = 0; y < rawHeight; ++y) {
        for (int x = 0; x < rawWidth; ++x) {
            const uint16_t sample = qToLittleEndian(uint16_t(1000 + (x + y) * 400));
            file.append(reinterpret_cast<const char *>(&sample), 2);
        }
    }

    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

#pragma GCC diagnostic pop
