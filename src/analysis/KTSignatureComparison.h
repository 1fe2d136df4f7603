#pragma once

#include "KTImageSignature.h"
#include "KTSearchSettings.h"

#include <cstddef>
#include <cstdint>

/// The rules that decide whether two signatures are similar: a threshold on the difference of
/// their thumbnails, relaxed or tightened by a factor that depends on the time gap between the two
/// shots, and a hard time range. CompareHashes is the plain form of the rules; the search compares
/// with KTCompactSignatures, which takes the same decisions faster and is tested against it.
///
/// Threading: stateless; any number of calls run at once, each with its own scratch.

/// The scratch that CompareHashes needs for the zone rule at any side up to 128.
inline constexpr std::size_t kCompareHashesScratchSize = 1319520;

/// The gap in seconds from the end of the earlier exposure to the start of the later shot. The
/// earlier shot has the smaller shotTime; on a tie `b` counts as the earlier. An absent exposure
/// time (-1) enters the sum as it is.
double getImageTimeDiff(const KTImageSignature &a, const KTImageSignature &b);
/// The same for bare shot and exposure times.
double getImageTimeDiff(double shotTimeA, double exposureTimeA, double shotTimeB, double exposureTimeB);

/// 5 when the pair is similar, 0 when not. `timeRange` is in seconds, 0 for no limit. The zone
/// rule uses `scratch` when `scratchSize` is at least 12 N^2 bytes, else allocates for the call.
/// Both signatures must have the same size N, 1 to 128; the caller checks that (a signature from
/// KTImageSignature::fromBytes or the signature maker always holds).
int CompareHashes(const KTImageSignature &a, const KTImageSignature &b, const KTSearchSettings &settings,
                  void *scratch, std::size_t scratchSize, double timeRange);

namespace KTSimilarityRules {

/// The weakening factor f for a time gap in seconds, single-precision as the rule states. A
/// segment between two points with the same X is skipped (its slope would be NaN).
float weakeningFactor(const KTSearchSettings &settings, double gap);

/// Outcome of the time rules for a pair: refused outright, or compared with the factor.
struct TimeVerdict
{
    bool refused = false;
    float factor = 1.0f;
};
TimeVerdict timeVerdict(const KTSearchSettings &settings, double shotTimeA, double exposureTimeA,
                        double shotTimeB, double exposureTimeB, double timeRange);

/// The whole-thumbnail rule on a difference in percent: 100 - d at least the larger of the
/// minimum level and f x the matching level, all in single precision.
bool isSimilarByDifference(float difference, float factor, const KTSearchSettings &settings);
/// The whole-thumbnail rule on the exact sum of absolute colour differences over N x N pixels.
bool isSimilarBySum(uint64_t sum, int side, float factor, const KTSearchSettings &settings);

/// The four overlapping zones of an N x N thumbnail: zone 0 at (0, 0), 1 at (offset, 0),
/// 2 at (0, offset), 3 at (offset, offset), each zoneSide square.
struct ZoneGeometry
{
    int offset = 0;
    int zoneSide = 0;
};
ZoneGeometry zoneGeometry(int side, const KTSearchSettings &settings);

/// The threshold of the zone rule, 100 - f x overalMatchingLevel in single precision.
float zoneThreshold(float factor, const KTSearchSettings &settings);
/// True when a zone of the given side whose exact sum is `sum` passes `threshold`.
bool isZonePassing(uint64_t sum, int zoneSide, float threshold);

/// The zone rule on the exact sums of the four zones: similar when at least three pass.
bool isSimilarByZoneSums(const uint64_t (&zoneSums)[4], int zoneSide, float factor,
                         const KTSearchSettings &settings);

} // namespace KTSimilarityRules
