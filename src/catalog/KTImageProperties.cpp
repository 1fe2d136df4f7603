#include "KTImageProperties.h"

#include <QColorSpace>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

// Exiv2 0.27 hands out std::auto_ptr; the deprecation is Exiv2's, not ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <libraw/libraw.h>

#include <cmath>
#include <limits>
#include <mutex>

namespace {

void setUpExiv2Once()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF();
        // Exiv2 warns about every oddity of camera files on stderr; failures reach us as exceptions.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

QVariant rationalToDouble(const Exiv2::Exifdatum &datum)
{
    const Exiv2::Rational r = datum.toRational();
    if (r.second == 0)
        return {};
    return double(r.first) / double(r.second);
}

QString stringValue(const Exiv2::Exifdatum &datum)
{
    // EXIF ASCII fields are NUL-padded and often blank-padded.
    return QString::fromStdString(datum.toString()).trimmed().remove(QChar(0));
}

const Exiv2::Exifdatum *find(const Exiv2::ExifData &exif, const char *key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() == 0)
        return nullptr;
    return &*it;
}

void putString(QVariantMap &map, const QString &name, const Exiv2::ExifData &exif, const char *key)
{
    if (const auto *d = find(exif, key)) {
        const QString value = stringValue(*d);
        if (!value.isEmpty())
            map.insert(name, value);
    }
}

void putInteger(QVariantMap &map, const QString &name, const Exiv2::ExifData &exif, const char *key)
{
    if (const auto *d = find(exif, key))
        map.insert(name, qlonglong(d->toLong()));
}

void putRational(QVariantMap &map, const QString &name, const Exiv2::ExifData &exif, const char *key)
{
    if (const auto *d = find(exif, key)) {
        const QVariant value = rationalToDouble(*d);
        if (value.isValid())
            map.insert(name, value);
    }
}

// The printed form of a datum found by one of Exiv2's easy-access lookups, which also search the
// maker notes.
template <typename Lookup> QString printed(const Exiv2::ExifData &exif, Lookup lookup)
{
    auto it = lookup(exif);
    if (it == exif.end())
        return {};
    return QString::fromStdString(it->print(&exif)).trimmed();
}

double resolutionInDpi(double value, qlonglong unit)
{
    return unit == 3 ? value * 2.54 : value;
}

// The top level with its non-empty sub-dictionaries.
QVariantMap assembled(QVariantMap top, const QVariantMap &tiff, const QVariantMap &exif, const QVariantMap &aux)
{
    if (!tiff.isEmpty())
        top.insert(kImagePropertyTIFFDictionary, tiff);
    if (!exif.isEmpty())
        top.insert(kImagePropertyExifDictionary, exif);
    if (!aux.isEmpty())
        top.insert(kImagePropertyExifAuxDictionary, aux);
    return top;
}

QVariantMap propertiesFromExif(const Exiv2::ExifData &exif)
{
    QVariantMap top;
    QVariantMap tiff;
    QVariantMap exifDict;
    QVariantMap aux;

    putString(tiff, kImagePropertyTIFFMake, exif, "Exif.Image.Make");
    putString(tiff, kImagePropertyTIFFModel, exif, "Exif.Image.Model");
    putString(tiff, kImagePropertyTIFFDateTime, exif, "Exif.Image.DateTime");
    putString(tiff, kImagePropertyTIFFSoftware, exif, "Exif.Image.Software");
    putInteger(tiff, kImagePropertyTIFFOrientation, exif, "Exif.Image.Orientation");
    if (tiff.contains(kImagePropertyTIFFOrientation))
        top.insert(kImagePropertyOrientation, tiff.value(kImagePropertyTIFFOrientation));

    putString(exifDict, kImagePropertyExifDateTimeOriginal, exif, "Exif.Photo.DateTimeOriginal");
    putString(exifDict, kImagePropertyExifDateTimeDigitized, exif, "Exif.Photo.DateTimeDigitized");
    putRational(exifDict, kImagePropertyExifExposureTime, exif, "Exif.Photo.ExposureTime");
    putRational(exifDict, kImagePropertyExifFNumber, exif, "Exif.Photo.FNumber");
    putRational(exifDict, kImagePropertyExifFocalLength, exif, "Exif.Photo.FocalLength");
    putRational(exifDict, kImagePropertyExifExposureBiasValue, exif, "Exif.Photo.ExposureBiasValue");
    putInteger(exifDict, kImagePropertyExifFlash, exif, "Exif.Photo.Flash");
    putInteger(exifDict, kImagePropertyExifExposureProgram, exif, "Exif.Photo.ExposureProgram");
    putInteger(exifDict, kImagePropertyExifPixelXDimension, exif, "Exif.Photo.PixelXDimension");
    putInteger(exifDict, kImagePropertyExifPixelYDimension, exif, "Exif.Photo.PixelYDimension");
    putString(exifDict, kImagePropertyExifLensModel, exif, "Exif.Photo.LensModel");
    putInteger(exifDict, kImagePropertyExifColorSpace, exif, "Exif.Photo.ColorSpace");

    auto iso = Exiv2::isoSpeed(exif);
    if (iso != exif.end() && iso->count() > 0) {
        QVariantList ratings;
        for (long i = 0; i < iso->count(); ++i)
            ratings.append(qlonglong(iso->toLong(i)));
        exifDict.insert(kImagePropertyExifISOSpeedRatings, ratings);
    }

    QString lens = exifDict.value(kImagePropertyExifLensModel).toString();
    if (lens.isEmpty())
        lens = printed(exif, Exiv2::lensName);
    if (!lens.isEmpty() && lens != QLatin1String("(0)"))
        aux.insert(kImagePropertyExifAuxLensModel, lens);
    const QString serial = printed(exif, Exiv2::serialNumber);
    if (!serial.isEmpty())
        aux.insert(kImagePropertyExifAuxSerialNumber, serial);

    if (const auto *x = find(exif, "Exif.Image.XResolution")) {
        const qlonglong unit =
            find(exif, "Exif.Image.ResolutionUnit") ? find(exif, "Exif.Image.ResolutionUnit")->toLong() : 2;
        const QVariant dpiX = rationalToDouble(*x);
        if (dpiX.isValid())
            top.insert(kImagePropertyDPIWidth, resolutionInDpi(dpiX.toDouble(), unit));
        if (const auto *y = find(exif, "Exif.Image.YResolution")) {
            const QVariant dpiY = rationalToDouble(*y);
            if (dpiY.isValid())
                top.insert(kImagePropertyDPIHeight, resolutionInDpi(dpiY.toDouble(), unit));
        }
    }
    if (const auto *photometric = find(exif, "Exif.Image.PhotometricInterpretation")) {
        const long value = photometric->toLong();
        top.insert(kImagePropertyColorModel, value <= 1 ? QStringLiteral("Gray") : QStringLiteral("RGB"));
    }

    return assembled(top, tiff, exifDict, aux);
}

// Reads what Exiv2 could not, for RAW formats it does not parse.
QVariantMap propertiesFromLibRaw(const QString &path)
{
    constexpr INT64 kMaxBufferSize = 262144000;
    auto raw = std::make_unique<LibRaw>(0);
    if (raw->open_file(QFile::encodeName(path).constData(), kMaxBufferSize) != LIBRAW_SUCCESS)
        return {};

    const auto &data = raw->imgdata;
    QVariantMap top;
    QVariantMap tiff;
    QVariantMap exif;
    QVariantMap aux;
    if (data.idata.make[0])
        tiff.insert(kImagePropertyTIFFMake, QString::fromLatin1(data.idata.make).trimmed());
    if (data.idata.model[0])
        tiff.insert(kImagePropertyTIFFModel, QString::fromLatin1(data.idata.model).trimmed());
    if (data.other.timestamp > 0) {
        const QDateTime shot = QDateTime::fromSecsSinceEpoch(qint64(data.other.timestamp));
        exif.insert(kImagePropertyExifDateTimeOriginal, shot.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
    }
    if (data.other.shutter > 0)
        exif.insert(kImagePropertyExifExposureTime, double(data.other.shutter));
    if (data.other.aperture > 0)
        exif.insert(kImagePropertyExifFNumber, double(data.other.aperture));
    if (data.other.focal_len > 0)
        exif.insert(kImagePropertyExifFocalLength, double(data.other.focal_len));
    if (data.other.iso_speed > 0)
        exif.insert(kImagePropertyExifISOSpeedRatings,
                    QVariantList{qlonglong(std::lround(data.other.iso_speed))});
    if (data.lens.Lens[0])
        aux.insert(kImagePropertyExifAuxLensModel, QString::fromLatin1(data.lens.Lens).trimmed());

    // LibRaw's flip: 3 is a half turn, 5 a quarter turn counter-clockwise, 6 clockwise.
    static constexpr int kOrientationForFlip[8] = {1, 1, 1, 3, 1, 8, 6, 1};
    const int flip = data.sizes.flip;
    const int orientation = flip >= 0 && flip < 8 ? kOrientationForFlip[flip] : 1;
    top.insert(kImagePropertyOrientation, orientation);
    tiff.insert(kImagePropertyTIFFOrientation, orientation);
    top.insert(kImagePropertyPixelWidth, int(data.sizes.width));
    top.insert(kImagePropertyPixelHeight, int(data.sizes.height));
    top.insert(kImagePropertyColorModel, QStringLiteral("RGB"));

    return assembled(top, tiff, exif, aux);
}

QVariant mergedValue(const QVariantMap &properties, const QString &key)
{
    if (properties.contains(key))
        return properties.value(key);
    const QVariantMap tiff = properties.value(kImagePropertyTIFFDictionary).toMap();
    if (tiff.contains(key))
        return tiff.value(key);
    return properties.value(kImagePropertyExifDictionary).toMap().value(key);
}

// A side in pixels as a number a decoder or a view can take: a damaged or hostile file's value
// that is no pixel count (negative, not a number, beyond int) reads 0, as an absent one does.
double pixelCount(const QVariant &value)
{
    const double count = value.isValid() ? value.toDouble() : 0.0;
    return count >= 0 && count <= double(std::numeric_limits<int>::max()) ? count : 0.0;
}

bool isValidOrientation(const QVariant &value)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= 1 && n <= 8;
}

} // namespace

QVariantMap KTImageProperties::propertiesAtPath(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return {};

    setUpExiv2Once();
    const bool raw = isRawPath(path);
    QVariantMap properties;
    bool exiv2Read = false;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString(), false);
        if (image.get()) {
            image->readMetadata();
            properties = propertiesFromExif(image->exifData());
            if (image->iccProfileDefined()) {
                const Exiv2::DataBuf *icc = image->iccProfile();
                const QColorSpace space = QColorSpace::fromIccProfile(
                    QByteArray(reinterpret_cast<const char *>(icc->pData_), int(icc->size_)));
                if (space.isValid() && !space.description().isEmpty())
                    properties.insert(kImagePropertyProfileName, space.description());
            }
            if (image->pixelWidth() > 0 && image->pixelHeight() > 0) {
                properties.insert(kImagePropertyPixelWidth, int(image->pixelWidth()));
                properties.insert(kImagePropertyPixelHeight, int(image->pixelHeight()));
            }
            exiv2Read = true;
        }
    } catch (const std::exception &error) {
        qDebug().noquote() << "Warning: cannot read metadata of" << path << ":" << error.what();
    }

    if (raw && (!exiv2Read || !properties.contains(kImagePropertyPixelWidth))) {
        QVariantMap fromLibRaw = propertiesFromLibRaw(path);
        if (!exiv2Read)
            return fromLibRaw;
        for (auto it = fromLibRaw.cbegin(); it != fromLibRaw.cend(); ++it) {
            if (!properties.contains(it.key()))
                properties.insert(it.key(), it.value());
        }
        return properties;
    }
    if (!exiv2Read)
        return {};

    if (!properties.contains(kImagePropertyPixelWidth)) {
        // Formats whose size Exiv2 does not report: the image reader reads only the header.
        QImageReader reader(path);
        const QSize size = reader.size();
        if (size.isValid()) {
            properties.insert(kImagePropertyPixelWidth, size.width());
            properties.insert(kImagePropertyPixelHeight, size.height());
        }
    }
    if (raw && !properties.contains(kImagePropertyColorModel))
        properties.insert(kImagePropertyColorModel, QStringLiteral("RGB"));
    return properties;
}

const QStringList &KTImageProperties::rawExtensions()
{
    static const QStringList extensions = {
        QStringLiteral("3fr"), QStringLiteral("ari"), QStringLiteral("arw"), QStringLiteral("bay"),
        QStringLiteral("cap"), QStringLiteral("cr2"), QStringLiteral("cr3"), QStringLiteral("crw"),
        QStringLiteral("dcr"), QStringLiteral("dcs"), QStringLiteral("dng"), QStringLiteral("drf"),
        QStringLiteral("eip"), QStringLiteral("erf"), QStringLiteral("fff"), QStringLiteral("gpr"),
        QStringLiteral("iiq"), QStringLiteral("k25"), QStringLiteral("kdc"), QStringLiteral("mdc"),
        QStringLiteral("mef"), QStringLiteral("mos"), QStringLiteral("mrw"), QStringLiteral("nef"),
        QStringLiteral("nrw"), QStringLiteral("orf"), QStringLiteral("pef"), QStringLiteral("ptx"),
        QStringLiteral("pxn"), QStringLiteral("raf"), QStringLiteral("raw"), QStringLiteral("rw2"),
        QStringLiteral("rwl"), QStringLiteral("rwz"), QStringLiteral("sr2"), QStringLiteral("srf"),
        QStringLiteral("srw"), QStringLiteral("x3f"),
    };
    return extensions;
}

bool KTImageProperties::isRawPath(const QString &path)
{
    static const QSet<QString> table(rawExtensions().cbegin(), rawExtensions().cend());
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return false;
    return table.contains(path.mid(dot + 1).toLower());
}

void KTImageProperties::getWidthHeightOrientation(double *width, double *height, int *orientation,
                                                  const QVariantMap &properties)
{
    if (width) {
        QVariant w = mergedValue(properties, kImagePropertyPixelWidth);
        if (!w.isValid())
            w = mergedValue(properties, kImagePropertyExifPixelXDimension);
        *width = pixelCount(w);
    }
    if (height) {
        QVariant h = mergedValue(properties, kImagePropertyPixelHeight);
        if (!h.isValid())
            h = mergedValue(properties, kImagePropertyExifPixelYDimension);
        *height = pixelCount(h);
    }
    if (orientation) {
        const QVariant o = mergedValue(properties, kImagePropertyOrientation);
        *orientation = o.isValid() ? o.toInt() : 0;
    }
}

int KTImageProperties::imageOrientation(const QVariantMap &properties)
{
    const QVariant top = properties.value(kImagePropertyOrientation);
    if (isValidOrientation(top))
        return top.toInt();
    const QVariant tiff =
        properties.value(kImagePropertyTIFFDictionary).toMap().value(kImagePropertyTIFFOrientation);
    if (isValidOrientation(tiff))
        return tiff.toInt();
    return 1;
}

QSizeF KTImageProperties::imageSize(const QVariantMap &properties, SizeTransform transform)
{
    if (properties.isEmpty())
        return {0, 0};
    double width = 0;
    double height = 0;
    int orientation = 0;
    getWidthHeightOrientation(&width, &height, &orientation, properties);
    if (transform == SizeTransform::Apply && orientation >= 5)
        std::swap(width, height);
    return {width, height};
}

QSizeF KTImageProperties::imageSizeConsideringOrientation(const QVariantMap &properties)
{
    QSizeF size = imageSize(properties);
    if (imageOrientation(properties) >= 5)
        size.transpose();
    return size;
}

#pragma GCC diagnostic pop
