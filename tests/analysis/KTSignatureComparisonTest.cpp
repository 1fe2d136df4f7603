#include "KTSignatureComparison.h"
#include "KTSignatureTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

KTSearchSettings withPoints(KTSearchSettings settings, std::vector<std::pair<double, double>> points)
{
    settings.weakCount = int(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        settings.weakTimeRanges[k] = points[k].first;
        settings.weakTimeKoeff[k] = points[k].second;
    }
    return settings;
}

} // namespace

TEST(KTSignatureComparisonTest, WeakeningFactorFollowsThePointsAndIsOneOutsideThem)
{
    const auto settings = withPoints(plainSettings(8, 80), {{0, 0.8}, {4, 1.0}});
    struct Case
    {
        double gap;
        float factor;
    } cases[] = {{0, 0.8f}, {1800, 0.9f}, {3600, 1.0f}, {3601, 1.0f}, {-1, 1.0f}};
    for (const Case &c : cases)
        EXPECT_FLOAT_EQ(KTSimilarityRules::weakeningFactor(settings, c.gap), c.factor) << c.gap;

    EXPECT_EQ(KTSimilarityRules::weakeningFactor(plainSettings(8, 80), 10), 1.0f) << "no points";
    EXPECT_EQ(KTSimilarityRules::weakeningFactor(withPoints(plainSettings(8, 80), {{1, 0.5}}), 900), 1.0f)
        << "a single point makes no segment";
}

// Two points at the same X would divide 0 by 0; the segment is skipped and the next one counts.
TEST(KTSignatureComparisonTest, ZeroWidthWeakeningSegmentIsSkipped)
{
    const auto settings = withPoints(plainSettings(8, 80), {{0, 0.5}, {0, 0.7}, {2, 0.9}});
    const float factor = KTSimilarityRules::weakeningFactor(settings, 0);
    EXPECT_FALSE(std::isnan(factor));
    EXPECT_FLOAT_EQ(factor, 0.7f);
    EXPECT_FLOAT_EQ(KTSimilarityRules::weakeningFactor(settings, 900), 0.8f);
}

TEST(KTSignatureComparisonTest, TimeGapRunsFromTheEndOfTheEarlierExposure)
{
    EXPECT_DOUBLE_EQ(getImageTimeDiff(100, 0.5, 110, 2), 9.5);
    EXPECT_DOUBLE_EQ(getImageTimeDiff(110, 2, 100, 0.5), 9.5);
    // On a tie the second counts as the earlier; an absent exposure enters as -1.
    EXPECT_DOUBLE_EQ(getImageTimeDiff(100, 0.5, 100, 3), 3);
    EXPECT_DOUBLE_EQ(getImageTimeDiff(100, -1, 105, 1), 6);
}

TEST(KTSignatureComparisonTest, TimeRangeRefusesOnlyDatedPairsBeyondIt)
{
    const auto settings = plainSettings(8, 50);
    auto a = uniformSignature(8, 100, 1000, 0);
    struct Case
    {
        double shotA;
        double shotB;
        double range;
        int result;
    } cases[] = {
        {1000, 1100, 100, 5}, // a gap equal to the range is not refused
        {1000, 1101, 100, 0}, // beyond it is
        {1000, 1e9, 0, 5},    // a range of 0 never refuses
        {-1, 1e9, 100, 5},    // undated photos meet everyone
        {1000, -1, 100, 5},
    };
    for (const Case &c : cases) {
        auto first = uniformSignature(8, 100, c.shotA, 0);
        auto second = uniformSignature(8, 100, c.shotB, 0);
        EXPECT_EQ(CompareHashes(*first, *second, settings, nullptr, 0, c.range), c.result)
            << c.shotA << " " << c.shotB << " " << c.range;
    }
}

// Matching 80, minimum 70, f = 0.8: the requirement is max(70, 64) = 70 percent.
TEST(KTSignatureComparisonTest, MinimumLevelFloorsTheWeakenedRequirement)
{
    const auto settings = withPoints(plainSettings(10, 80, 70), {{0, 0.8}, {4, 1.0}});
    const uint64_t onePercent = 10 * 10 * 255 / 100;
    for (auto [percent, expected] : {std::pair{30, 5}, std::pair{31, 0}}) {
        auto a = uniformSignature(10, 0, 5000, 0);
        auto b = uniformSignature(10, 0, 5000, 0);
        addDifference(*b, uint64_t(percent) * onePercent);
        EXPECT_EQ(CompareHashes(*a, *b, settings, nullptr, 0, 0), expected) << percent;
    }
}

TEST(KTSignatureComparisonTest, ZoneRuleNeedsThreePassingZones)
{
    KTSearchSettings settings = plainSettings(16, 90);
    settings.isUseZone = true;
    settings.zoneSensitivity = 0.5; // zones of 12 x 12 at offsets 0 and 4
    auto paint = [](KTImageSignature &signature, int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                for (int c = 0; c < 3; ++c)
                    signature.pixels[4 * (y * 16 + x) + c] = 255;
            }
        }
    };
    std::vector<uint8_t> scratch(kCompareHashesScratchSize);
    auto base = uniformSignature(16, 0);

    auto corner = uniformSignature(16, 0);
    paint(*corner, 0, 0, 4, 4); // only zone 0 sees it
    EXPECT_EQ(CompareHashes(*base, *corner, settings, scratch.data(), scratch.size(), 0), 5);
    EXPECT_EQ(CompareHashes(*base, *corner, settings, nullptr, 0, 0), 5) << "own scratch";

    auto band = uniformSignature(16, 0);
    paint(*band, 0, 0, 16, 4); // zones 0 and 1
    EXPECT_EQ(CompareHashes(*base, *band, settings, scratch.data(), scratch.size(), 0), 0);

    // Out-of-range sensitivities are clamped: a negative one behaves as 0 (whole thumbnail).
    settings.zoneSensitivity = -3;
    EXPECT_EQ(CompareHashes(*base, *corner, settings, scratch.data(), scratch.size(), 0), 0);
}

TEST(KTSignatureComparisonTest, IdenticalThumbnailsMatchEvenAtFullStrictness)
{
    auto settings = plainSettings(128, 100, 100);
    auto a = uniformSignature(128, 77);
    auto b = uniformSignature(128, 77);
    b->pixels[3] = 0; // the fourth byte takes no part
    EXPECT_EQ(CompareHashes(*a, *b, settings, nullptr, 0, 0), 5);
    settings.isUseZone = true;
    settings.zoneSensitivity = 1;
    EXPECT_EQ(CompareHashes(*a, *b, settings, nullptr, 0, 0), 5);
}
