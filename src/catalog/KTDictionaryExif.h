#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>

/// Dates, exposure values and display strings read from an image-properties dictionary (see
/// KTImageProperties). A missing value gives a null QDateTime, a null QString or no value; nothing
/// fails.
///
/// Dates in EXIF and TIFF have the form "yyyy:MM:dd HH:mm:ss" in the process's time zone; one
/// that does not parse, or that falls in a daylight-saving gap, reads as null.
///
/// Threading: reentrant.
class KTDictionaryExif
{
    Q_DECLARE_TR_FUNCTIONS(KTDictionaryExif)

public:
    /// The Exif DateTimeOriginal.
    static QDateTime timeStamp(const QVariantMap &properties);
    /// timeStamp, else the {TIFF} DateTime (a TIFF date that does not parse is logged).
    static QDateTime creationDate(const QVariantMap &properties);
    /// creationDate in the locale's medium date and time styles.
    static QString dateString(const QVariantMap &properties);
    /// creationDate in the locale's short date and time styles.
    static QString shortDateString(const QVariantMap &properties);
    /// `date` in the medium date and time styles of dateString; empty for an invalid date.
    static QString mediumDateString(const QDateTime &date);

    /// Exif exposure time in seconds.
    static std::optional<double> exposureTime(const QVariantMap &properties);
    /// "1/250 sec" below a second, "2 sec" from a second up; null for 0 or no value.
    static QString exposureTimeString(const QVariantMap &properties);
    static QString fNumberString(const QVariantMap &properties);
    static QString ISO(const QVariantMap &properties);
    static QString focalLengthTrimmed(const QVariantMap &properties);
    /// "+0.7 EV", "-0.3 EV", and "0 EV" for zero or no value.
    static QString exposureBias(const QVariantMap &properties);
    /// "YES" when the flash fired, else "NO"; null without a value.
    static QString flashFiredString(const QVariantMap &properties);
    static QString exposureProgramString(const QVariantMap &properties);

    static QString cameraMaker(const QVariantMap &properties);
    static QString cameraModel(const QVariantMap &properties);
    static QString lensModel(const QVariantMap &properties);
    static QString colorModel(const QVariantMap &properties);
    /// "%.1f" of the resolution, with 72.0 for zero or no value.
    static QString dpiWidthString(const QVariantMap &properties);
    static QString dpiHeightString(const QVariantMap &properties);
    /// "W x H" of the displayed size, "0 x 0" without one.
    static QString imageSize(const QVariantMap &properties);

    /// Parses "yyyy:MM:dd HH:mm:ss" as local time; null when it does not parse.
    static QDateTime dateFromExifString(const QString &text);
};
