#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

/// Formatting of byte counts, rounded numbers and lists for the information strips and panels.
///
/// Threading: any thread.
class KTUtils
{
    Q_DECLARE_TR_FUNCTIONS(KTUtils)

public:
    /// A file size as the desktop shows one, in decimal units ("999 bytes", "1.5 MB").
    static QString stringFromByteCount(qint64 count);
    /// The same in whole units, truncated: up to 999 "Bytes", then "KB", "MB", "GB" and from
    /// 10^12 "TB" ("1999999" gives "1 MB").
    static QString stringFromByteCountInWholeUnits(qint64 count);
    /// x rounded half up to `numbersAfterPoint` decimals: (x * 10^n + 0.5) truncated toward zero,
    /// divided by 10^n (so -1.26 gives -1.2 at one decimal). `numbersAfterPoint` must be at most
    /// 10; a larger value asserts and answers x unchanged.
    static double round(double x, unsigned numbersAfterPoint);
    /// The totals of a list of images for the bars of the review modes: "Total: 1 image - 2.5 MB",
    /// "Total: 12 images - 30 MB".
    static QString totalImagesString(qint64 images, qint64 bytes);
    /// "a", "a and b", "a, b and c"; an empty list gives an empty string.
    static QString stringEnumerationFromArray(const QStringList &items);
};
