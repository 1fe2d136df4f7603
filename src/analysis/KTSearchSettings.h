#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>

/// The parameters of one similarity search: the signature thumbnail's side, the pixel treatments
/// applied before comparison, the required similarity and its weakening by time gap.
///
/// The record's 384-byte little-endian form (bytes()) is a file-name format: its digest names the
/// signature cache files, so equal parameters must give equal bytes. That form is written field by
/// field into a zeroed buffer; the struct's own memory (padding included) is never hashed.
///
/// Threading: a plain value; a search reads it from many threads and nothing writes it meanwhile.
struct KTSearchSettings
{
    static constexpr int kMaxWeakPoints = 20;
    static constexpr int kByteSize = 384;
    static constexpr int kMaxImageSize = 128;

    int32_t imageSize = 0;
    bool isUseHistEq = false;
    bool isUseContrastScretching = false;
    bool isUseBlur = false;
    bool isUseColor = false;
    double blurRadius = 0.0;
    double colorSensitivity = 0.0;
    bool isUseZone = false;
    double zoneSensitivity = 0.0;
    int32_t weakCount = 0;
    std::array<double, kMaxWeakPoints> weakTimeRanges{};
    std::array<double, kMaxWeakPoints> weakTimeKoeff{};
    double overalMatchingLevel = 0.0;
    double minimumMatchingLevel = 0.0;

    /// The 384-byte record: fields at their fixed offsets, padding and unused slots zero.
    QByteArray bytes() const;
    /// The MD5 digest of bytes(), the name of this record's signature cache files.
    QString digest() const;

    /// True when imageSize is a side a signature can hold (1 to 128). A search refuses any other.
    bool hasValidImageSize() const { return imageSize >= 1 && imageSize <= kMaxImageSize; }
    /// zoneSensitivity clamped to 0..1; a value outside would make zones overrun the thumbnail.
    double clampedZoneSensitivity() const;
    /// The blur kernel side: the whole part of blurRadius, clamped to 0..imageSize so that a huge
    /// or negative radius cannot overflow the kernel arithmetic.
    uint32_t clampedBlurSide() const;
    /// weakCount clamped to 0..20.
    int clampedWeakCount() const;

    /// The property-list form of the record, with the keys the presets and settings files use.
    QVariantMap toPropertyList() const;
};

/// The preset names of the accuracy levels 1 to 5, by index (level minus 1).
inline constexpr std::array<const char *, 5> KTSimilarFinderModes = {"lowest", "low", "normal", "high",
                                                                     "highest"};

/// The resource path of the preset with index 0 to 4; empty for any other index.
QString presetPathForIndex(int index);

/// Reads the property list at `path` into a new zero-filled record: a missing key leaves its field
/// zero. Null after logging when the file is no dictionary ("Failed to initialize dictionary from
/// path %@") or holds more than 20 weakening points.
std::unique_ptr<KTSearchSettings> loadSettingsFromFile(const QString &path);
/// The record of a property-list dictionary; null after logging when it holds more than 20
/// weakening points.
std::unique_ptr<KTSearchSettings> settingsFromPropertyList(const QVariantMap &plist);
/// Writes the record's property list atomically; false when the file cannot be written.
bool saveSettingsToFile(const KTSearchSettings &settings, const QString &path);

/// A diagnostic dump, one labelled line per field, to `out` (standard output by default).
void printKTSearchSettings(const KTSearchSettings &settings, FILE *out = stdout);
