#include "KTDictionaryExif.h"

#include "KTImageProperties.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace {

QVariantMap exifOf(const QVariantMap &properties)
{
    return properties.value(kImagePropertyExifDictionary).toMap();
}

QVariantMap tiffOf(const QVariantMap &properties)
{
    return properties.value(kImagePropertyTIFFDictionary).toMap();
}

QString dpiString(const QVariant &value)
{
    float dpi = value.isValid() ? value.toFloat() : 0.0f;
    if (dpi == 0.0f)
        dpi = 72.0f;
    return QString::asprintf("%.1f", double(dpi));
}

// The locale's short format with a four-digit year and seconds: the medium style.
QString mediumFormat(const QLocale &locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (!time.contains(QLatin1String("ss")))
        time.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return date + QLatin1Char(' ') + time;
}

// The value as an int when it is a finite number within `minimum` to INT_MAX: converting any
// other double to int is undefined, and damaged or hostile files carry such values.
std::optional<int> intInRange(double value, double minimum)
{
    if (!(value >= minimum && value <= double(std::numeric_limits<int>::max())))
        return std::nullopt;
    return int(value);
}

} // namespace

QDateTime KTDictionaryExif::dateFromExifString(const QString &text)
{
    QDateTime date = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return date.isValid() ? date : QDateTime();
}

QDateTime KTDictionaryExif::timeStamp(const QVariantMap &properties)
{
    const QVariant original = exifOf(properties).value(kImagePropertyExifDateTimeOriginal);
    return original.isValid() ? dateFromExifString(original.toString()) : QDateTime();
}

QDateTime KTDictionaryExif::creationDate(const QVariantMap &properties)
{
    const QDateTime stamp = timeStamp(properties);
    if (stamp.isValid())
        return stamp;
    const QVariant tiffDate = tiffOf(properties).value(kImagePropertyTIFFDateTime);
    if (!tiffDate.isValid())
        return {};
    const QDateTime date = dateFromExifString(tiffDate.toString());
    if (!date.isValid())
        qWarning().noquote() << QStringLiteral("error parsing TIFF date %1").arg(tiffDate.toString());
    return date;
}

QString KTDictionaryExif::dateString(const QVariantMap &properties)
{
    return mediumDateString(creationDate(properties));
}

QString KTDictionaryExif::mediumDateString(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    const QLocale locale;
    return locale.toString(date, mediumFormat(locale));
}

QString KTDictionaryExif::shortDateString(const QVariantMap &properties)
{
    const QDateTime date = creationDate(properties);
    return date.isValid() ? QLocale().toString(date.toLocalTime(), QLocale::ShortFormat) : QString();
}

std::optional<double> KTDictionaryExif::exposureTime(const QVariantMap &properties)
{
    const QVariant value = exifOf(properties).value(kImagePropertyExifExposureTime);
    if (!value.isValid())
        return std::nullopt;
    return value.toDouble();
}

QString KTDictionaryExif::exposureTimeString(const QVariantMap &properties)
{
    const std::optional<double> time = exposureTime(properties);
    const float t = time ? float(*time) : 0.0f;
    if (t == 0.0f)
        return {};
    if (t >= 1.0f)
        return QString::asprintf("%.0f ", double(t)) + tr("sec");
    return QString::asprintf("1/%.0f ", double(roundf(1.0f / t))) + tr("sec");
}

QString KTDictionaryExif::fNumberString(const QVariantMap &properties)
{
    const QVariant value = exifOf(properties).value(kImagePropertyExifFNumber);
    return value.isValid() ? QString::asprintf("%0.1f", double(value.toFloat())) : QString();
}

QString KTDictionaryExif::ISO(const QVariantMap &properties)
{
    const QVariantList ratings = exifOf(properties).value(kImagePropertyExifISOSpeedRatings).toList();
    return ratings.isEmpty() ? QString() : ratings.first().toString();
}

QString KTDictionaryExif::focalLengthTrimmed(const QVariantMap &properties)
{
    const QVariant value = exifOf(properties).value(kImagePropertyExifFocalLength);
    if (!value.isValid())
        return {};
    const double length = value.toDouble();
    const std::optional<int> whole = intInRange(length, double(std::numeric_limits<int>::min()));
    if (!whole)
        return {};
    if (length == std::round(length))
        return QString::asprintf("%d", *whole);
    return QString::asprintf("%.1f", length);
}

QString KTDictionaryExif::exposureBias(const QVariantMap &properties)
{
    const double bias = exifOf(properties).value(kImagePropertyExifExposureBiasValue).toDouble();
    if (bias * 1000.0 == 0.0)
        return QStringLiteral("0 EV");
    return QString::asprintf("%+.1f EV", bias);
}

QString KTDictionaryExif::flashFiredString(const QVariantMap &properties)
{
    const QVariant value = exifOf(properties).value(kImagePropertyExifFlash);
    if (!value.isValid())
        return {};
    return (value.toLongLong() & 1) ? QStringLiteral("YES") : QStringLiteral("NO");
}

QString KTDictionaryExif::exposureProgramString(const QVariantMap &properties)
{
    const QVariant value = exifOf(properties).value(kImagePropertyExifExposureProgram);
    if (!value.isValid())
        return {};
    switch (value.toInt()) {
    case 0:
        return tr("Not defined");
    case 1:
        return tr("Manual");
    case 2:
        return tr("Normal program");
    case 3:
        return tr("Aperture priority");
    case 4:
        return tr("Shutter priority");
    case 5:
        return tr("Creative program");
    case 6:
        return tr("Action program");
    case 7:
        return tr("Portrait mode");
    case 8:
        return tr("Landscape mode");
    default:
        return {};
    }
}

QString KTDictionaryExif::cameraMaker(const QVariantMap &properties)
{
    return tiffOf(properties).value(kImagePropertyTIFFMake).toString();
}

QString KTDictionaryExif::cameraModel(const QVariantMap &properties)
{
    return tiffOf(properties).value(kImagePropertyTIFFModel).toString();
}

QString KTDictionaryExif::lensModel(const QVariantMap &properties)
{
    return properties.value(kImagePropertyExifAuxDictionary)
        .toMap()
        .value(kImagePropertyExifAuxLensModel)
        .toString();
}

QString KTDictionaryExif::colorModel(const QVariantMap &properties)
{
    return properties.value(kImagePropertyColorModel).toString();
}

QString KTDictionaryExif::dpiWidthString(const QVariantMap &properties)
{
    return dpiString(properties.value(kImagePropertyDPIWidth));
}

QString KTDictionaryExif::dpiHeightString(const QVariantMap &properties)
{
    return dpiString(properties.value(kImagePropertyDPIHeight));
}

QString KTDictionaryExif::imageSize(const QVariantMap &properties)
{
    // A dimension that is no pixel count (negative, not a number, beyond int) is unknown, as a
    // missing one is: 0.
    const QSizeF size = KTImageProperties::imageSizeConsideringOrientation(properties);
    return QString::asprintf("%d x %d", intInRange(size.width(), 0).value_or(0),
                             intInRange(size.height(), 0).value_or(0));
}
