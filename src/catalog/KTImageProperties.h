#pragma once

#include <QSize>
#include <QString>
#include <QVariantMap>

// Keys of the image-properties dictionary. Top level:
inline const QString kImagePropertyOrientation = QStringLiteral("Orientation");
inline const QString kImagePropertyPixelWidth = QStringLiteral("PixelWidth");
inline const QString kImagePropertyPixelHeight = QStringLiteral("PixelHeight");
inline const QString kImagePropertyColorModel = QStringLiteral("ColorModel");
/// The description of the colour profile the file carries, when it carries one.
inline const QString kImagePropertyProfileName = QStringLiteral("ProfileName");
inline const QString kImagePropertyDPIWidth = QStringLiteral("DPIWidth");
inline const QString kImagePropertyDPIHeight = QStringLiteral("DPIHeight");
inline const QString kImagePropertyTIFFDictionary = QStringLiteral("{TIFF}");
inline const QString kImagePropertyExifDictionary = QStringLiteral("{Exif}");
inline const QString kImagePropertyExifAuxDictionary = QStringLiteral("{ExifAux}");
// {TIFF}:
inline const QString kImagePropertyTIFFMake = QStringLiteral("Make");
inline const QString kImagePropertyTIFFModel = QStringLiteral("Model");
inline const QString kImagePropertyTIFFDateTime = QStringLiteral("DateTime");
inline const QString kImagePropertyTIFFSoftware = QStringLiteral("Software");
inline const QString kImagePropertyTIFFOrientation = QStringLiteral("Orientation");
// {Exif}:
inline const QString kImagePropertyExifDateTimeOriginal = QStringLiteral("DateTimeOriginal");
inline const QString kImagePropertyExifDateTimeDigitized = QStringLiteral("DateTimeDigitized");
inline const QString kImagePropertyExifExposureTime = QStringLiteral("ExposureTime");
inline const QString kImagePropertyExifFNumber = QStringLiteral("FNumber");
inline const QString kImagePropertyExifISOSpeedRatings = QStringLiteral("ISOSpeedRatings");
inline const QString kImagePropertyExifFocalLength = QStringLiteral("FocalLength");
inline const QString kImagePropertyExifExposureBiasValue = QStringLiteral("ExposureBiasValue");
inline const QString kImagePropertyExifFlash = QStringLiteral("Flash");
inline const QString kImagePropertyExifExposureProgram = QStringLiteral("ExposureProgram");
inline const QString kImagePropertyExifPixelXDimension = QStringLiteral("PixelXDimension");
inline const QString kImagePropertyExifPixelYDimension = QStringLiteral("PixelYDimension");
inline const QString kImagePropertyExifLensModel = QStringLiteral("LensModel");
/// EXIF ColorSpace: 1 sRGB, 65535 uncalibrated (2, Adobe RGB, from some cameras).
inline const QString kImagePropertyExifColorSpace = QStringLiteral("ColorSpace");
// {ExifAux}:
inline const QString kImagePropertyExifAuxLensModel = QStringLiteral("LensModel");
inline const QString kImagePropertyExifAuxSerialNumber = QStringLiteral("SerialNumber");

/// Reads the metadata of an image file into the image-properties dictionary: pixel size,
/// orientation, colour model and resolution at the top level, and the "{TIFF}", "{Exif}" and
/// "{ExifAux}" sub-dictionaries kept apart. Metadata comes from Exiv2 for JPEG, TIFF, PNG, WebP and
/// RAW files alike; a RAW file that Exiv2 cannot read is asked of LibRaw. Pixels are never decoded.
///
/// Also holds the pure readings of such a dictionary (size and orientation), shared by the
/// decoding and the display strings.
///
/// Threading: every function is reentrant and may run on many threads at once.
class KTImageProperties
{
public:
    /// The properties of image 0 of the file at `path`. An empty map when the path is empty, no
    /// file is there, or the file is no image any reader knows; never throws.
    static QVariantMap propertiesAtPath(const QString &path);

    /// True when the file name's extension is one of the camera RAW extensions (dng and x3f
    /// included), whatever its case.
    static bool isRawPath(const QString &path);
    /// The RAW extensions, lower case, without the dot.
    static const QStringList &rawExtensions();

    /// Reads width, height and orientation: each of the five keys (orientation, pixel width and
    /// height, Exif pixel X and Y dimensions) is taken from the first of the top level, {TIFF} and
    /// {Exif} that has it; the width falls back to the Exif X dimension and the height to the Y
    /// dimension; absent values, and sides that are no pixel count (negative, not a number,
    /// beyond int), read 0. Null pointers are skipped.
    static void getWidthHeightOrientation(double *width, double *height, int *orientation,
                                          const QVariantMap &properties);

    /// The orientation 1 to 8: the top level's when valid, else {TIFF}'s when valid, else 1.
    static int imageOrientation(const QVariantMap &properties);
    enum class SizeTransform
    {
        None,
        Apply
    };
    /// The stored pixel size; zero for an empty dictionary. With SizeTransform::Apply, width and
    /// height change places when the orientation read by getWidthHeightOrientation is 5 or more.
    static QSizeF imageSize(const QVariantMap &properties, SizeTransform transform = SizeTransform::None);
    /// The displayed size: width and height change places for orientations 5 to 8.
    static QSizeF imageSizeConsideringOrientation(const QVariantMap &properties);
};
