#include "KTSignatureComparison.h"

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

bool isSimilarBySum(uint64_t sum, int side, float factor, const KTSearchSettings &settings)
{
    const float denominator = float(side) * float(side) * 255.0f;
    const float difference = float(sum) / denominator * 100.0f;
    const float required =
        std::max(float(settings.minimumMatchingLevel), factor * float(settings.overalMatchingLevel));
    return 100.0f - difference >= required;
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

namespace {

// The plain forms of the difference measures: a per-pixel sum of the three colour differences,
// its integral image and rectangle sums. The search's fast path is checked against these.
void absDiffSumRGBA(const uint8_t *a, const uint8_t *b, uint32_t *out, int side)
{
    for (int p = 0; p < side * side; ++p) {
        const uint8_t *pa = a + 4 * p;
        const uint8_t *pb = b + 4 * p;
        out[p] = uint32_t(std::abs(pa[0] - pb[0]) + std::abs(pa[1] - pb[1]) + std::abs(pa[2] - pb[2]));
    }
}

void fillIntegral(const uint32_t *src, uint64_t *dst, int side)
{
    for (int y = 0; y < side; ++y) {
        uint64_t rowSum = 0;
        for (int x = 0; x < side; ++x) {
            rowSum += src[y * side + x];
            dst[y * side + x] = rowSum + (y > 0 ? dst[(y - 1) * side + x] : 0);
        }
    }
}

uint64_t rectSum(const uint64_t *integral, int side, int x, int y, int width, int height)
{
    const int x2 = x + width - 1;
    const int y2 = y + height - 1;
    auto at = [&](int cx, int cy) -> uint64_t { return cx < 0 || cy < 0 ? 0 : integral[cy * side + cx]; };
    return at(x2, y2) - at(x - 1, y2) - at(x2, y - 1) + at(x - 1, y - 1);
}

} // namespace

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

    if (!settings.isUseZone) {
        uint64_t sum = 0;
        for (int p = 0; p < side * side; ++p) {
            for (int c = 0; c < 3; ++c)
                sum += uint64_t(std::abs(a.pixels[4 * p + c] - b.pixels[4 * p + c]));
        }
        return KTSimilarityRules::isSimilarBySum(sum, side, verdict.factor, settings) ? 5 : 0;
    }

    const auto zones = KTSimilarityRules::zoneGeometry(side, settings);
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
    absDiffSumRGBA(a.pixels, b.pixels, difference, side);
    fillIntegral(difference, integral, side);

    uint64_t sums[4] = {};
    if (zones.zoneSide > 0) {
        const int origins[4][2] = {
            {0, 0}, {zones.offset, 0}, {0, zones.offset}, {zones.offset, zones.offset}};
        for (int z = 0; z < 4; ++z)
            sums[z] = rectSum(integral, side, origins[z][0], origins[z][1], zones.zoneSide, zones.zoneSide);
    }
    return KTSimilarityRules::isSimilarByZoneSums(sums, zones.zoneSide, verdict.factor, settings) ? 5 : 0;
}
