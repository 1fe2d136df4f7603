#include "KTInfoStrings.h"

#include "KTDictionaryExif.h"
#include "KTFilesManager.h"
#include "KTImageUtils.h"

#include <QLocale>

namespace KTInfoStrings {

QString byteCount(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString pixelSize(const QVariantMap &properties)
{
    if (properties.isEmpty())
        return {};
    const QSizeF size = KTImageUtils::imageSizeConsideringOrientationFromMetadata(properties);
    if (size.isEmpty())
        return {};
    return QStringLiteral("%1x%2").arg(qint64(size.width())).arg(qint64(size.height()));
}

QString fileCreationDate(const QString &path)
{
    if (path.isEmpty())
        return {};
    return KTDictionaryExif::mediumDateString(KTFilesManager::fileCreationDate(path));
}

QString cameraLine(const QVariantMap &properties)
{
    if (properties.isEmpty())
        return {};
    QStringList items;
    if (const QString iso = KTDictionaryExif::ISO(properties); !iso.isNull())
        items.append(QStringLiteral("ISO %1").arg(iso));
    if (const QString focal = KTDictionaryExif::focalLengthTrimmed(properties); !focal.isNull())
        items.append(QStringLiteral("%1mm").arg(focal));
    if (const QString exposure = KTDictionaryExif::exposureTimeString(properties); !exposure.isNull())
        items.append(exposure);
    if (const QString aperture = KTDictionaryExif::fNumberString(properties); !aperture.isEmpty())
        items.append(QStringLiteral("f/%1").arg(aperture));
    return items.join(QStringLiteral(", "));
}

} // namespace KTInfoStrings
