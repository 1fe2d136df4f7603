#include "KTUtils.h"

#include <QLocale>

#include <cmath>

QString KTUtils::stringFromByteCount(qint64 count)
{
    return QLocale().formattedDataSize(count, 1, QLocale::DataSizeSIFormat);
}

QString KTUtils::stringFromByteCountInWholeUnits(qint64 count)
{
    struct Unit
    {
        qint64 below;
        qint64 divisor;
        const char *name;
    };
    // Counts from 10^9 up to 10^12 - 1 are gigabytes; the thresholds are those of the platform's
    // decimal file sizes.
    static constexpr Unit kUnits[] = {
        {1000, 1, "Bytes"},
        {1000000, 1000, "KB"},
        {1000000000, 1000000, "MB"},
        {1000000000000, 1000000000, "GB"},
    };
    for (const Unit &unit : kUnits) {
        if (count < unit.below)
            return QStringLiteral("%1 %2").arg(count / unit.divisor).arg(QLatin1String(unit.name));
    }
    return QStringLiteral("%1 TB").arg(count / 1000000000000);
}

double KTUtils::round(double x, unsigned numbersAfterPoint)
{
    Q_ASSERT_X(numbersAfterPoint <= 10, "KTUtils::round", "Cannot round with such precision");
    if (numbersAfterPoint > 10)
        return x;
    const double scale = std::pow(10.0, double(numbersAfterPoint));
    return std::trunc(x * scale + 0.5) / scale;
}

QString KTUtils::stringEnumerationFromArray(const QStringList &items)
{
    QString result;
    for (qsizetype i = 0; i < items.size(); ++i) {
        result += items[i];
        if (i + 2 < items.size())
            result += tr(", ");
        else if (i + 2 == items.size())
            result += tr(" and ");
    }
    return result;
}

QString KTUtils::totalImagesString(qint64 images, qint64 bytes)
{
    const QString total =
        images == 1 ? tr("Total: 1 image - %1") : tr("Total: %n images - %1", nullptr, int(images));
    return total.arg(stringFromByteCount(bytes));
}
