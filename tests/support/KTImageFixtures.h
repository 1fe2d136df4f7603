#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <string>
#include <utility>
#include <vector>

// Builders of real image files for tests and benchmarks. Each writes one file and returns false
// when it could not.

/// EXIF entries as Exiv2 keys and values in Exiv2's text notation, e.g.
/// {"Exif.Image.Make", "Canon"}, {"Exif.Photo.ExposureTime", "1/250"},
/// {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"}.
using KTExifFields = std::vector<std::pair<std::string, std::string>>;

enum class KTExifThumbnail
{
    None,
    /// A 160 x 120 JPEG in IFD1, as cameras write.
    Embedded
};

/// Writes a JPEG of `size` to `path`: a smooth gradient, so it compresses well, carrying `exif`
/// (no EXIF segment at all when empty and without thumbnail).
bool writeJpegWithExif(const QString &path, const KTExifFields &exif = {}, QSize size = QSize(64, 48),
                       KTExifThumbnail thumbnail = KTExifThumbnail::None);

/// Writes `picture` as a JPEG to `path`, carrying `exif` as writeJpegWithExif does.
bool writePictureWithExif(const QString &path, const QImage &picture, const KTExifFields &exif,
                          KTExifThumbnail thumbnail = KTExifThumbnail::None);
/// Writes a JPEG cut down to its start, its EXIF segment holding `exif` and its end: no image
/// data, so a size can come only from the EXIF pixel dimensions.
bool writeExifOnlyJpeg(const QString &path, const KTExifFields &exif);

/// One autofocus point of a Canon AF record: its centre in AF-image units from the image centre
/// (y upwards), its size, and whether it is in focus and whether it is selected.
struct KTCanonAFPoint
{
    int x, y, width, height;
    bool inFocus;
    bool selected;
};

/// 1,000 points, all selected and a third in focus, on a 6000 x 4000 AF image: first one in each
/// corner (lower left, lower right, upper left, upper right), then 996 in a cluster right of and
/// above the centre. No window of 0.8 of the image holds two corners.
std::vector<KTCanonAFPoint> clusterAndCornersAFPoints();

/// A Canon AF record ("Exif.Canon.AFInfo") of `points` on an AF image of `afWidth` x `afHeight`,
/// in Exiv2's text notation: as many points as the record's 16-bit count holds.
std::string canonAFInfo(const std::vector<KTCanonAFPoint> &points, int afWidth = 600, int afHeight = 400);

/// The EXIF a camera writes into its JPEGs: make, model, orientation, resolution, software, the
/// three dates, exposure, aperture, ISO, focal length, exposure program and bias, flash, metering,
/// lens, and the pixel dimensions `size`.
KTExifFields cameraExifFields(QSize size = QSize(6000, 4000));

/// What writeTinyDng puts into the file's metadata.
struct KTTinyDngFields
{
    std::string make = "Vireo";
    std::string model = "Tiny DNG";
    std::string dateTimeOriginal = "2023:01:02 03:04:05";
    /// Seconds as numerator / denominator.
    std::pair<unsigned, unsigned> exposureTime = {1, 125};
    /// 1 to 8, in IFD0.
    unsigned orientation = 1;
};

/// Writes a DNG of about 9 KB that LibRaw opens, unpacks, processes and takes a thumbnail from:
/// IFD0 is an uncompressed 32 x 24 RGB preview with Make, Model, Orientation and the DNG tags;
/// its sub-IFD holds the raw image, 64 x 48 16-bit RGGB samples (a gradient); the Exif IFD holds
/// DateTimeOriginal and ExposureTime.
bool writeTinyDng(const QString &path, const KTTinyDngFields &fields = {});

/// The raw and preview sizes of writeTinyDng.
inline constexpr QSize kTinyDngRawSize(64, 48);
inline constexpr QSize kTinyDngPreviewSize(32, 24);
