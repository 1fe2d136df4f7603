#include "KTSearchSettings.h"

#include "KTHashing.h"
#include "KTPropertyList.h"

#include <QDebug>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "The record's byte form is little-endian.");

namespace {

const QString kPictureSizeKey = QStringLiteral("PictureSize");
const QString kIsUseBlurKey = QStringLiteral("IsUseBlur");
const QString kBlurRadiusKey = QStringLiteral("BlurRadius");
const QString kIsUseHistEqKey = QStringLiteral("IsUseHistEqKey");
const QString kIsUseContrastScretchingKey = QStringLiteral("IsUseContrastScretching");
const QString kIsUseColorKey = QStringLiteral("IsUseColor");
const QString kIsUseZoneKey = QStringLiteral("IsUseZone");
const QString kUseZoneSensitivityKey = QStringLiteral("UseZoneSensitivity");
const QString kMatchingLevelKey = QStringLiteral("MatchingLevel");
const QString kMinimumMatchingLevelKey = QStringLiteral("MinimumMatchingLevel");
const QString kColorSensitivityKey = QStringLiteral("ColorSensitivity");
const QString kWeakeningFactorPointsKey = QStringLiteral("WeakeningFactorPoints");
const QString kXKey = QStringLiteral("X");
const QString kYKey = QStringLiteral("Y");

// Offsets of the 384-byte record.
constexpr int kImageSizeOffset = 0;
constexpr int kIsUseHistEqOffset = 4;
constexpr int kIsUseContrastOffset = 5;
constexpr int kIsUseBlurOffset = 6;
constexpr int kIsUseColorOffset = 7;
constexpr int kBlurRadiusOffset = 8;
constexpr int kColorSensitivityOffset = 16;
constexpr int kIsUseZoneOffset = 24;
constexpr int kZoneSensitivityOffset = 32;
constexpr int kWeakCountOffset = 40;
constexpr int kWeakTimeRangesOffset = 48;
constexpr int kWeakTimeKoeffOffset = 208;
constexpr int kOveralMatchingLevelOffset = 368;
constexpr int kMinimumMatchingLevelOffset = 376;
static_assert(kWeakTimeKoeffOffset == kWeakTimeRangesOffset + 8 * KTSearchSettings::kMaxWeakPoints);
static_assert(kOveralMatchingLevelOffset == kWeakTimeKoeffOffset + 8 * KTSearchSettings::kMaxWeakPoints);
static_assert(kMinimumMatchingLevelOffset + 8 == KTSearchSettings::kByteSize);

template <typename T> void put(QByteArray &buffer, int offset, T value)
{
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}

void putBool(QByteArray &buffer, int offset, bool value)
{
    buffer[offset] = value ? char(1) : char(0);
}

} // namespace

QByteArray KTSearchSettings::bytes() const
{
    QByteArray buffer(kByteSize, '\0');
    put(buffer, kImageSizeOffset, imageSize);
    putBool(buffer, kIsUseHistEqOffset, isUseHistEq);
    putBool(buffer, kIsUseContrastOffset, isUseContrastScretching);
    putBool(buffer, kIsUseBlurOffset, isUseBlur);
    putBool(buffer, kIsUseColorOffset, isUseColor);
    put(buffer, kBlurRadiusOffset, blurRadius);
    put(buffer, kColorSensitivityOffset, colorSensitivity);
    putBool(buffer, kIsUseZoneOffset, isUseZone);
    put(buffer, kZoneSensitivityOffset, zoneSensitivity);
    put(buffer, kWeakCountOffset, weakCount);
    for (int i = 0; i < kMaxWeakPoints; ++i) {
        put(buffer, kWeakTimeRangesOffset + 8 * i, weakTimeRanges[i]);
        put(buffer, kWeakTimeKoeffOffset + 8 * i, weakTimeKoeff[i]);
    }
    put(buffer, kOveralMatchingLevelOffset, overalMatchingLevel);
    put(buffer, kMinimumMatchingLevelOffset, minimumMatchingLevel);
    return buffer;
}

QString KTSearchSettings::digest() const
{
    return md5String(bytes());
}

double KTSearchSettings::clampedZoneSensitivity() const
{
    // A NaN compares false both ways and would pass a plain clamp; it counts as 0.
    if (!(zoneSensitivity >= 0.0))
        return 0.0;
    return std::min(zoneSensitivity, 1.0);
}

uint32_t KTSearchSettings::clampedBlurSide() const
{
    if (!(blurRadius >= 1.0))
        return 0;
    return uint32_t(std::min(std::trunc(blurRadius), double(std::max(imageSize, 0))));
}

int KTSearchSettings::clampedWeakCount() const
{
    return std::clamp(weakCount, 0, kMaxWeakPoints);
}

QVariantMap KTSearchSettings::toPropertyList() const
{
    QVariantMap plist;
    plist.insert(kPictureSizeKey, qlonglong(imageSize));
    plist.insert(kIsUseBlurKey, isUseBlur);
    plist.insert(kBlurRadiusKey, blurRadius);
    plist.insert(kIsUseHistEqKey, isUseHistEq);
    plist.insert(kIsUseContrastScretchingKey, isUseContrastScretching);
    plist.insert(kIsUseColorKey, isUseColor);
    plist.insert(kIsUseZoneKey, isUseZone);
    plist.insert(kUseZoneSensitivityKey, zoneSensitivity);
    plist.insert(kMatchingLevelKey, overalMatchingLevel);
    plist.insert(kMinimumMatchingLevelKey, minimumMatchingLevel);
    plist.insert(kColorSensitivityKey, colorSensitivity);
    QVariantList points;
    for (int i = 0; i < clampedWeakCount(); ++i)
        points.append(QVariantMap{{kXKey, weakTimeRanges[i]}, {kYKey, weakTimeKoeff[i]}});
    plist.insert(kWeakeningFactorPointsKey, points);
    return plist;
}

QString presetPathForIndex(int index)
{
    if (index < 0 || index >= int(KTSimilarFinderModes.size()))
        return {};
    return QStringLiteral(":/presets/%1.plist").arg(QLatin1String(KTSimilarFinderModes[index]));
}

std::unique_ptr<KTSearchSettings> settingsFromPropertyList(const QVariantMap &plist)
{
    auto settings = std::make_unique<KTSearchSettings>();
    // The size is read as an unsigned value and kept in 32 bits, as the record stores it.
    settings->imageSize = int32_t(uint32_t(plist.value(kPictureSizeKey).toULongLong()));
    settings->isUseBlur = plist.value(kIsUseBlurKey).toBool();
    settings->blurRadius = plist.value(kBlurRadiusKey).toDouble();
    settings->isUseHistEq = plist.value(kIsUseHistEqKey).toBool();
    settings->isUseContrastScretching = plist.value(kIsUseContrastScretchingKey).toBool();
    settings->isUseColor = plist.value(kIsUseColorKey).toBool();
    settings->isUseZone = plist.value(kIsUseZoneKey).toBool();
    settings->zoneSensitivity = plist.value(kUseZoneSensitivityKey).toDouble();
    settings->overalMatchingLevel = plist.value(kMatchingLevelKey).toDouble();
    settings->minimumMatchingLevel = plist.value(kMinimumMatchingLevelKey).toDouble();
    settings->colorSensitivity = plist.value(kColorSensitivityKey).toDouble();

    const QVariantList points = plist.value(kWeakeningFactorPointsKey).toList();
    if (points.size() > KTSearchSettings::kMaxWeakPoints) {
        qWarning().noquote() << QStringLiteral(
                                    "loadSettingsFromFile: WeakCount contain too lot of points(%1) <max%2>")
                                    .arg(points.size())
                                    .arg(KTSearchSettings::kMaxWeakPoints);
        return nullptr;
    }
    settings->weakCount = int32_t(points.size());
    for (int i = 0; i < points.size(); ++i) {
        const QVariantMap point = points.at(i).toMap();
        settings->weakTimeRanges[i] = point.value(kXKey).toDouble();
        settings->weakTimeKoeff[i] = point.value(kYKey).toDouble();
    }
    return settings;
}

std::unique_ptr<KTSearchSettings> loadSettingsFromFile(const QString &path)
{
    const auto root = KTPropertyList::readFile(path);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        qWarning().noquote() << QStringLiteral("Failed to initialize dictionary from path %1").arg(path);
        return nullptr;
    }
    return settingsFromPropertyList(root->toMap());
}

bool saveSettingsToFile(const KTSearchSettings &settings, const QString &path)
{
    return KTPropertyList::writeFile(settings.toPropertyList(), path);
}

void printKTSearchSettings(const KTSearchSettings &settings, FILE *out)
{
    std::fprintf(out, "ImageSize %d\n", settings.imageSize);
    std::fprintf(out, "HistEq %d\n", int(settings.isUseHistEq));
    std::fprintf(out, "Contrast %d\n", int(settings.isUseContrastScretching));
    std::fprintf(out, "Blur %d\n", int(settings.isUseBlur));
    std::fprintf(out, "Radius %f\n", settings.blurRadius);
    std::fprintf(out, "Color %d\n", int(settings.isUseColor));
    std::fprintf(out, "Zone %d\n", int(settings.isUseZone));
    std::fprintf(out, "ZoneSens %f\n", settings.zoneSensitivity);
    std::fprintf(out, "WeakCount %d\n", settings.weakCount);
    std::fprintf(out, "WeakTimeRanges: ");
    for (double value : settings.weakTimeRanges)
        std::fprintf(out, "%f ", value);
    std::fprintf(out, "\nWeakTimeKoeff: ");
    for (double value : settings.weakTimeKoeff)
        std::fprintf(out, "%f ", value);
    std::fprintf(out, "\n");
    std::fprintf(out, "Matching %f\n", settings.overalMatchingLevel);
    std::fprintf(out, "MinMatching %f\n", settings.minimumMatchingLevel);
    std::fprintf(out, "ColorSens %f\n", settings.colorSensitivity);
}
