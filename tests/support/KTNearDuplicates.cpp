#include "KTNearDuplicates.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

float linearFromSrgb(float v)
{
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float srgbFromLinear(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

const std::array<float, 256> &linearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[std::size_t(i)] = linearFromSrgb(float(i) / 255.0f);
        return t;
    }();
    return table;
}

uchar byteFromLinear(float v)
{
    return uchar(std::lround(srgbFromLinear(v) * 255.0f));
}

/// Applies `gain(x, y, linear luminance)` to every pixel's linear RGB.
template <typename Gain> QImage scaledInLinearLight(const QImage &image, Gain gain)
{
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    const auto &linear = linearTable();
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const float r = linear[qRed(line[x])], g = linear[qGreen(line[x])], b = linear[qBlue(line[x])];
            const float k = gain(x, y, 0.2126f * r + 0.7152f * g + 0.0722f * b);
            line[x] = qRgb(byteFromLinear(r * k), byteFromLinear(g * k), byteFromLinear(b * k));
        }
    }
    return result;
}

/// A box blur of radius `r` along rows then columns, three times (close to a Gaussian).
void blurField(std::vector<float> &field, int width, int height, int r)
{
    std::vector<float> line(std::size_t(std::max(width, height)));
    const auto pass = [&](int count, int length, auto at) {
        for (int k = 0; k < count; ++k) {
            double sum = 0;
            for (int i = -r; i <= r; ++i)
                sum += at(k, std::clamp(i, 0, length - 1));
            for (int i = 0; i < length; ++i) {
                line[std::size_t(i)] = float(sum / (2 * r + 1));
                sum += at(k, std::min(i + r + 1, length - 1)) - at(k, std::max(i - r, 0));
            }
            for (int i = 0; i < length; ++i)
                at(k, i) = line[std::size_t(i)];
        }
    };
    for (int round = 0; round < 3; ++round) {
        pass(height, width, [&](int y, int x) -> float & { return field[std::size_t(y) * width + x]; });
        pass(width, height, [&](int x, int y) -> float & { return field[std::size_t(y) * width + x]; });
    }
}

QByteArray encodedJpeg(const QImage &image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    return writer.write(image) ? data : QByteArray();
}

QString exifTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

} // namespace

QImage exposureShifted(const QImage &image, double ev)
{
    const float gain = float(std::pow(2.0, ev));
    return scaledInLinearLight(image, [gain](int, int, float) { return gain; });
}

QImage toneMapped(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    const auto &linear = linearTable();
    std::vector<float> logLuminance(std::size_t(width) * std::size_t(height));
    double mean = 0;
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const float l = 0.2126f * linear[qRed(line[x])] + 0.7152f * linear[qGreen(line[x])] +
                            0.0722f * linear[qBlue(line[x])];
            const float v = std::log2(l + 1e-4f);
            logLuminance[std::size_t(y) * width + x] = v;
            mean += v;
        }
    }
    mean /= double(logLuminance.size());
    std::vector<float> base = logLuminance;
    blurField(base, width, height, std::max(1, std::max(width, height) / 24));
    // The base keeps half of its spread around the mean, the detail is lifted a little, and the
    // whole is brought half a stop up, as an HDR mode's output usually is.
    return scaledInLinearLight(rgb, [&](int x, int y, float) {
        const std::size_t i = std::size_t(y) * width + x;
        const float detail = logLuminance[i] - base[i];
        const float target = float(mean) + 0.5f * (base[i] - float(mean)) + 1.2f * detail + 0.5f;
        return std::exp2(target - logLuminance[i]);
    });
}

QImage greyscaled(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Grayscale8);
}

QImage cropped(const QImage &image, double fraction)
{
    const int dx = int(std::lround(image.width() * fraction / 2));
    const int dy = int(std::lround(image.height() * fraction / 2));
    return image.copy(dx, dy, image.width() - 2 * dx, image.height() - 2 * dy);
}

QImage storedForOrientation(const QImage &upright, int orientation)
{
    // Each tag's reader transform undone: mirror first, then turn, as the tag applies them in the
    // other order.
    switch (orientation) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.transformed(QTransform().rotate(180));
    case 4:
        return upright.mirrored(false, true);
    case 5:
        return upright.transformed(QTransform().rotate(270)).mirrored(false, true);
    case 6:
        return upright.transformed(QTransform().rotate(270));
    case 7:
        return upright.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8:
        return upright.transformed(QTransform().rotate(90));
    default:
        return upright;
    }
}

QImage toneCurved(const QImage &image, float (*curve)(float, float), float amount)
{
    std::array<uchar, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = uchar(std::lround(std::clamp(curve(float(i) / 255.0f, amount), 0.0f, 1.0f) * 255.0f));
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = qRgb(table[std::size_t(qRed(line[x]))], table[std::size_t(qGreen(line[x]))],
                           table[std::size_t(qBlue(line[x]))]);
    }
    return result;
}

QImage saturationChanged(const QImage &image, float amount)
{
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    const auto channel = [amount](int value, float luma) {
        return std::clamp(int(std::lround(luma + (float(value) - luma) * (1.0f + amount))), 0, 255);
    };
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const float luma = 0.299f * float(qRed(line[x])) + 0.587f * float(qGreen(line[x])) +
                               0.114f * float(qBlue(line[x]));
            line[x] = qRgb(channel(qRed(line[x]), luma), channel(qGreen(line[x]), luma),
                           channel(qBlue(line[x]), luma));
        }
    }
    return result;
}

QImage overlaid(const QImage &image, KTOverlay overlay)
{
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font;
    font.setPixelSize(std::max(8, result.height() / 28));
    font.setBold(overlay == KTOverlay::DateStamp);
    painter.setFont(font);
    const int margin = std::max(2, result.height() / 40);
    const QString text = overlay == KTOverlay::DateStamp ? QStringLiteral("'24 6 1  10:00")
                                                         : QStringLiteral("Summer walk, June 2024");
    QRect box = painter.fontMetrics().boundingRect(text).adjusted(-margin / 2, 0, margin / 2, 0);
    if (overlay == KTOverlay::DateStamp) {
        box.moveBottomRight(QPoint(result.width() - margin, result.height() - margin));
        painter.setPen(QColor(255, 140, 40));
    } else {
        box.moveBottomLeft(QPoint(margin, result.height() - margin));
        painter.fillRect(box, QColor(0, 0, 0, 150));
        painter.setPen(Qt::white);
    }
    painter.drawText(box, Qt::AlignCenter, text);
    painter.end();
    return result;
}

QImage shifted(const QImage &image, int dx, int dy)
{
    return image.copy(dx, dy, image.width() - dx, image.height() - dy);
}

QImage subjectMoved(const QImage &image)
{
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    const QRect subject(result.width() / 3, result.height() / 4, result.width() / 3, result.height() / 2);
    const QImage patch = result.copy(subject);
    QPainter painter(&result);
    painter.drawImage(subject.topLeft() + QPoint(result.width() / 6, 0), patch);
    return result;
}

QStringList nearDuplicateKinds()
{
    QStringList kinds{QStringLiteral("ev-1"), QStringLiteral("ev-1/3"), QStringLiteral("ev+1/3"),
                      QStringLiteral("ev+1"), QStringLiteral("hdr"),    QStringLiteral("grey"),
                      QStringLiteral("q70"),  QStringLiteral("crop2")};
    for (int orientation = 1; orientation <= 8; ++orientation)
        kinds.append(QStringLiteral("orient%1").arg(orientation));
    kinds.append(QStringLiteral("mirror"));
    return kinds;
}

std::vector<KTNearDuplicate> nearDuplicatesOf(const QImage &upright)
{
    std::vector<KTNearDuplicate> variants;
    const QStringList kinds = nearDuplicateKinds();
    int bracket = 0;
    for (double ev : {-1.0, -1.0 / 3, 1.0 / 3, 1.0}) {
        KTNearDuplicate v;
        v.kind = kinds.at(qsizetype(variants.size()));
        v.stored = exposureShifted(upright, ev);
        v.secondsLater = ++bracket;
        v.ev = ev;
        variants.push_back(v);
    }
    variants.push_back({kinds.at(4), toneMapped(upright), 1, 92, ++bracket, 0, false});
    variants.push_back({kinds.at(5), greyscaled(upright), 1, 92, 0, 0, false});
    variants.push_back({kinds.at(6), upright, 1, 70, 0, 0, false});
    variants.push_back({kinds.at(7), cropped(upright, 0.02), 1, 92, 0, 0, false});
    for (int orientation = 1; orientation <= 8; ++orientation)
        variants.push_back({kinds.at(7 + orientation), storedForOrientation(upright, orientation),
                            orientation, 92, 0, 0, false});
    variants.push_back({kinds.at(16), upright.mirrored(true, false), 1, 92, 0, 0, true});
    return variants;
}

bool writeNearDuplicate(const QString &path, const KTNearDuplicate &variant, const QString &originalPath,
                        const QDateTime &shot)
{
    const QByteArray jpeg = encodedJpeg(variant.stored, variant.quality);
    if (jpeg.isEmpty())
        return false;
    try {
        Exiv2::ExifData exif;
        if (!originalPath.isEmpty()) {
            auto original = Exiv2::ImageFactory::open(QFile::encodeName(originalPath).toStdString());
            original->readMetadata();
            exif = original->exifData();
        }
        Exiv2::ExifThumb(exif).erase();
        exif["Exif.Image.Orientation"] = uint16_t(variant.orientation);
        exif["Exif.Photo.PixelXDimension"] = uint32_t(variant.stored.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(variant.stored.height());
        if (variant.undated) {
            for (const char *key : {"Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized", "Exif.Image.DateTime"}) {
                const auto found = exif.findKey(Exiv2::ExifKey(key));
                if (found != exif.end())
                    exif.erase(found);
            }
        } else {
            const std::string time = exifTime(shot).toStdString();
            exif["Exif.Photo.DateTimeOriginal"] = time;
            exif["Exif.Image.DateTime"] = time;
        }
        if (variant.ev != 0) {
            const auto found = exif.findKey(Exiv2::ExifKey("Exif.Photo.ExposureTime"));
            if (found != exif.end() && found->count() > 0) {
                const Exiv2::Rational r = found->toRational();
                if (r.second > 0)
                    exif["Exif.Photo.ExposureTime"] =
                        Exiv2::URational(uint32_t(std::lround(r.first * std::pow(2.0, variant.ev) * 1000)),
                                         uint32_t(r.second) * 1000);
            }
            exif["Exif.Photo.ExposureBiasValue"] = Exiv2::Rational(int32_t(std::lround(variant.ev * 3)), 3);
        }
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                                               long(jpeg.size()));
        image->setExifData(exif);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.open();
        const Exiv2::DataBuf data = io.read(long(io.size()));
        io.close();
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(reinterpret_cast<const char *>(data.pData_), data.size_) == data.size_;
    } catch (const std::exception &) {
        return false;
    }
}

bool copyWithShotTime(const QString &originalPath, const QString &path, const QDateTime &shot)
{
    QFile::remove(path);
    if (!QFile::copy(originalPath, path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        exif["Exif.Photo.DateTimeOriginal"] = exifTime(shot).toStdString();
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

std::vector<KTNearDuplicate> renditionsOf(const QImage &upright)
{
    const auto gamma = [](float v, float g) { return std::pow(v, g); };
    const auto contrast = [](float v, float k) { return 0.5f + (v - 0.5f) * (1.0f + k); };
    // Blacks lifted to `lift` and the mid-tones raised: a brighter, flatter rendering.
    const auto flat = [](float v, float lift) { return lift + (1.0f - lift) * std::pow(v, 0.85f); };
    const int few = std::max(2, upright.width() / 300);
    std::vector<KTNearDuplicate> renditions{
        {QStringLiteral("gamma0.8"), toneCurved(upright, gamma, 0.8f)},
        {QStringLiteral("gamma1.25"), toneCurved(upright, gamma, 1.25f)},
        {QStringLiteral("contrast+10"), toneCurved(upright, contrast, 0.1f)},
        {QStringLiteral("contrast-10"), toneCurved(upright, contrast, -0.1f)},
        {QStringLiteral("sat+10"), saturationChanged(upright, 0.1f)},
        {QStringLiteral("sat-10"), saturationChanged(upright, -0.1f)},
        {QStringLiteral("flat"), toneCurved(upright, flat, 0.06f)},
        {QStringLiteral("stamp"), overlaid(upright, KTOverlay::DateStamp)},
        {QStringLiteral("label"), overlaid(upright, KTOverlay::Label)},
        {QStringLiteral("crop1"), cropped(upright, 0.01)},
        {QStringLiteral("crop3"), cropped(upright, 0.03)},
        {QStringLiteral("shift"), shifted(upright, few, few)},
    };
    for (KTNearDuplicate &rendition : renditions)
        rendition.undated = true;
    return renditions;
}
