#include "KTSignatureComparison.h"

#include "KTImageDifference.h"
#include "KTImageProcessing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace KTSimilarityRules {

float weakeningFactor(const KTSearchSettings &settings, double gap)
{
    const int count = settings.clampedWeakCount();
    for (int k = 1; k < count; ++k) {
        const double x0 = settings.weakTimeRanges[k - 1] * 900.0;
        const double x1 = settings.weakTimeRanges[k] * 900.0;
        // Two points with the same X make no segment: its slope would be 0 / 0.
        if (x1 == x0)
            continue;
        if (x0 <= gap && gap <= x1) {
            const double y0 = settings.weakTimeKoeff[k - 1];
            const double y1 = settings.weakTimeKoeff[k];
            const float slope = float((y1 - y0) / (x1 - x0));
            return float(y0 + double(slope) * (gap - x0));
        }
    }
    return 1.0f;
}

TimeVerdict timeVerdict(const KTSearchSettings &settings, double shotTimeA, double exposureTimeA,
                        double shotTimeB, double exposureTimeB, double timeRange)
{
    TimeVerdict verdict;
    if (!(shotTimeA >= 0.0 && shotTimeB >= 0.0))
        return verdict;
    const double gap = getImageTimeDiff(shotTimeA, exposureTimeA, shotTimeB, exposureTimeB);
    if (gap > timeRange && timeRange != 0.0) {
        verdict.refused = true;
        return verdict;
    }
    verdict.factor = weakeningFactor(settings, gap);
    return verdict;
}

bool isSimilarByDifference(float difference, float factor, const KTSearchSettings &settings)
{
    const float required =
        std::max(float(settings.minimumMatchingLevel), factor * float(settings.overalMatchingLevel));
    return 100.0f - difference >= required;
}

bool isSimilarBySum(uint64_t sum, int side, float factor, const KTSearchSettings &settings)
{
    // The same single-precision steps as getImageDifference.
    const float denominator = float(side) * float(side) * 255.0f;
    return isSimilarByDifference(float(sum) / denominator * 100.0f, factor, settings);
}

ZoneGeometry zoneGeometry(int side, const KTSearchSettings &settings)
{
    const int half = side / 2;
    const int extent = int((1.0 - settings.clampedZoneSensitivity()) * half);
    return {half - extent, half + extent};
}

float zoneThreshold(float factor, const KTSearchSettings &settings)
{
    return float(100.0 - double(factor) * settings.overalMatchingLevel);
}

bool isZonePassing(uint64_t sum, int zoneSide, float threshold)
{
    // An empty zone gives 0 / 0, which is no number and fails.
    const float denominator = float(zoneSide) * float(zoneSide) * 255.0f;
    const float difference = float(sum) / denominator * 100.0f;
    return difference <= threshold;
}

bool isSimilarByZoneSums(const uint64_t (&zoneSums)[4], int zoneSide, float factor,
                         const KTSearchSettings &settings)
{
    const float threshold = zoneThreshold(factor, settings);
    int failed = 0;
    for (uint64_t sum : zoneSums) {
        if (!isZonePassing(sum, zoneSide, threshold))
            ++failed;
    }
    return failed < 2;
}

} // namespace KTSimilarityRules

double getImageTimeDiff(double shotTimeA, double exposureTimeA, double shotTimeB, double exposureTimeB)
{
    const bool aIsEarlier = shotTimeA < shotTimeB;
    const double earlierEnd = aIsEarlier ? shotTimeA + exposureTimeA : shotTimeB + exposureTimeB;
    const double laterStart = aIsEarlier ? shotTimeB : shotTimeA;
    return std::fabs(earlierEnd - laterStart);
}

double getImageTimeDiff(const KTImageSignature &a, const KTImageSignature &b)
{
    return getImageTimeDiff(a.shotTime, a.exposureTime, b.shotTime, b.exposureTime);
}

int CompareHashes(const KTImageSignature &a, const KTImageSignature &b, const KTSearchSettings &settings,
                  void *scratch, std::size_t scratchSize, double timeRange)
{
    const auto verdict = KTSimilarityRules::timeVerdict(settings, a.shotTime, a.exposureTime, b.shotTime,
                                                        b.exposureTime, timeRange);
    if (verdict.refused)
        return 0;
    const int side = int(std::min(a.size, KTImageSignature::kMaxSize));
    if (side <= 0)
        return 0;
    const auto *pixelsA = reinterpret_cast<const KTPixelRGBA *>(a.pixels);
    const auto *pixelsB = reinterpret_cast<const KTPixelRGBA *>(b.pixels);

    if (!settings.isUseZone) {
        const float difference = getImageDifference(pixelsA, pixelsB, side, side,
                                                    createRect(0, 0, side, side), KTImageType(a.imageType));
        return KTSimilarityRules::isSimilarByDifference(difference, verdict.factor, settings) ? 5 : 0;
    }

    const auto zones = KTSimilarityRules::zoneGeometry(side, settings);
    // Zones of side 0 (a thumbnail of one pixel) are no rectangles: every zone fails.
    if (zones.zoneSide <= 0)
        return 0;
    const std::size_t pixelCount = std::size_t(side) * std::size_t(side);
    std::vector<uint32_t> ownDifference;
    std::vector<uint64_t> ownIntegral;
    uint32_t *difference = nullptr;
    uint64_t *integral = nullptr;
    auto *buffer = static_cast<uint8_t *>(scratch);
    // An odd side puts the integral entries off their 8-byte alignment; such a call allocates.
    const bool aligned = buffer &&
                         reinterpret_cast<std::uintptr_t>(buffer + 4 * pixelCount) % alignof(uint64_t) == 0 &&
                         reinterpret_cast<std::uintptr_t>(buffer) % alignof(uint32_t) == 0;
    if (scratchSize != 0 && scratchSize >= 12 * pixelCount && aligned) {
        difference = reinterpret_cast<uint32_t *>(buffer);
        integral = reinterpret_cast<uint64_t *>(buffer + 4 * pixelCount);
    } else {
        ownDifference.resize(pixelCount);
        ownIntegral.resize(pixelCount);
        difference = ownDifference.data();
        integral = ownIntegral.data();
    }
    absDiffSum(pixelsA, pixelsB, difference, side, side);
    fillIntegralImage_uint32(difference, integral, std::size_t(side), std::size_t(side));

    const float threshold = KTSimilarityRules::zoneThreshold(verdict.factor, settings);
    const int origins[4][2] = {{0, 0}, {zones.offset, 0}, {0, zones.offset}, {zones.offset, zones.offset}};
    int failed = 0;
    for (const auto &origin : origins) {
        const float zoneDifference = getImageDifferenceIntegral(
            integral, side, side, createRect(origin[0], origin[1], zones.zoneSide, zones.zoneSide));
        if (!(zoneDifference <= threshold))
            ++failed;
    }
    return failed < 2 ? 5 : 0;
}
