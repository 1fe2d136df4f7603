#include "KTCompactSignatures.h"
#include "KTSignatureComparison.h"
#include "KTSignatureTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <utility>

namespace {

using Pairs = std::set<std::pair<uint32_t, uint32_t>>;

// Every similar pair by the plain rules, positions in `order`.
Pairs referencePairs(const std::vector<std::unique_ptr<KTImageSignature>> &signatures,
                     const std::vector<uint32_t> &order, const KTSearchSettings &settings, double timeRange)
{
    Pairs pairs;
    std::vector<uint8_t> scratch(kCompareHashesScratchSize);
    for (uint32_t i = 0; i < order.size(); ++i) {
        for (uint32_t j = i + 1; j < order.size(); ++j) {
            if (CompareHashes(*signatures[order[i]], *signatures[order[j]], settings, scratch.data(),
                              scratch.size(), timeRange))
                pairs.insert({i, j});
        }
    }
    return pairs;
}

Pairs fastPairs(const std::vector<std::unique_ptr<KTImageSignature>> &signatures,
                const std::vector<uint32_t> &order, const KTSearchSettings &settings, double timeRange,
                KTCompactSignatures::Prefilter prefilter)
{
    KTCompactSignatures compact(settings, signatures.size());
    for (std::size_t slot = 0; slot < signatures.size(); ++slot)
        compact.store(slot, *signatures[slot]);
    compact.setOrder(order);
    Pairs pairs;
    uint32_t previousBase = 0;
    bool first = true;
    for (const auto &row : compact.compare(timeRange, nullptr, {}, prefilter)) {
        EXPECT_GE(row.size(), 2u);
        EXPECT_TRUE(first || row.front() > previousBase) << "rows sorted by base";
        first = false;
        previousBase = row.front();
        for (std::size_t k = 1; k < row.size(); ++k)
            pairs.insert({row.front(), row[k]});
    }
    return pairs;
}

// Random thumbnails that are copies of a few originals with noise of chosen strength, so pairs
// fall on both sides of every threshold; some are undated, times spread over hours.
std::vector<std::unique_ptr<KTImageSignature>> randomSignatures(int side, int count, uint32_t seed)
{
    uint32_t state = seed;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::vector<std::unique_ptr<KTImageSignature>> originals;
    for (int k = 0; k < 4; ++k) {
        auto signature = uniformSignature(side, 0);
        for (int p = 0; p < side * side * 4; ++p)
            signature->pixels[p] = uint8_t(next());
        originals.push_back(std::move(signature));
    }
    std::vector<std::unique_ptr<KTImageSignature>> signatures;
    for (int k = 0; k < count; ++k) {
        auto signature = KTImageSignature::create();
        *signature = *originals[next() % originals.size()];
        const int noise = int(next() % 160);
        for (int p = 0; p < side * side * 4; ++p) {
            const int value = signature->pixels[p] + int(next() % uint32_t(2 * noise + 1)) - noise;
            signature->pixels[p] = uint8_t(std::clamp(value, 0, 255));
        }
        signature->shotTime = next() % 5 == 0 ? -1.0 : double(1'000'000 + next() % 20000);
        signature->exposureTime = next() % 7 == 0 ? -1.0 : 0.01 * (next() % 300);
        signatures.push_back(std::move(signature));
    }
    return signatures;
}

std::vector<uint32_t> timeOrder(const std::vector<std::unique_ptr<KTImageSignature>> &signatures)
{
    std::vector<uint32_t> order(signatures.size());
    for (uint32_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        auto key = [](double t) { return t >= 0 ? t : -1.0; };
        return key(signatures[a]->shotTime) < key(signatures[b]->shotTime);
    });
    return order;
}

struct Variant
{
    const char *name;
    int side;
    bool zones;
    double zoneSensitivity;
    double matching;
    double minimum;
    double timeRange;
    bool weakening;
};

const Variant kVariants[] = {
    {"whole", 16, false, 0, 70, 60, 0, false},
    {"whole odd side, weakening", 13, false, 0, 75, 65, 0, true},
    {"whole, time range", 16, false, 0, 70, 0, 3600, true},
    {"zones", 16, true, 0.5, 70, 0, 0, false},
    {"zones odd side, time range", 15, true, 0.3, 72, 0, 1800, true},
    {"zones of a quarter", 12, true, 1.0, 65, 0, 0, false},
};

KTSearchSettings settingsOf(const Variant &variant)
{
    KTSearchSettings settings = plainSettings(variant.side, variant.matching, variant.minimum);
    settings.isUseZone = variant.zones;
    settings.zoneSensitivity = variant.zoneSensitivity;
    if (variant.weakening) {
        settings.weakCount = 3;
        settings.weakTimeRanges = {0, 1, 4};
        settings.weakTimeKoeff = {0.85, 0.9, 1.0};
    }
    return settings;
}

} // namespace

// The fast comparison (SIMD sums, nine-block zones, the block-sum prefilter, early row stops by
// time) must find exactly the pairs that the plain rules find.
TEST(KTCompactSignaturesTest, FindsExactlyThePairsOfThePlainRulesOnRandomData)
{
    for (const Variant &variant : kVariants) {
        const auto settings = settingsOf(variant);
        const auto signatures = randomSignatures(variant.side, 90, 7u + uint32_t(variant.side));
        const auto order = timeOrder(signatures);
        const Pairs expected = referencePairs(signatures, order, settings, variant.timeRange);
        EXPECT_FALSE(expected.empty()) << variant.name;
        EXPECT_LT(expected.size(), 90u * 89u / 2u) << variant.name;
        for (auto prefilter : {KTCompactSignatures::Prefilter::On, KTCompactSignatures::Prefilter::Off})
            EXPECT_EQ(fastPairs(signatures, order, settings, variant.timeRange, prefilter), expected)
                << variant.name;
    }
}

TEST(KTCompactSignaturesTest, FindsExactlyThePairsOfThePlainRulesOnPhotoLikeData)
{
    const auto photos = makeBurstFixture();
    for (const Variant &variant : kVariants) {
        auto settings = settingsOf(variant);
        settings.overalMatchingLevel += 18; // photo-like thumbnails differ far less than noise
        const auto signatures = fixtureSignatures(photos, settings);
        const auto order = timeOrder(signatures);
        const Pairs expected = referencePairs(signatures, order, settings, variant.timeRange);
        EXPECT_FALSE(expected.empty()) << variant.name;
        EXPECT_EQ(
            fastPairs(signatures, order, settings, variant.timeRange, KTCompactSignatures::Prefilter::On),
            expected)
            << variant.name;
    }
}

// Without the time-sorted order a row may not stop early; the pairs stay right all the same.
TEST(KTCompactSignaturesTest, UnsortedOrderWithTimeRangeStillFindsEveryPair)
{
    const auto settings = settingsOf(kVariants[2]);
    const auto signatures = randomSignatures(16, 60, 99);
    std::vector<uint32_t> order(signatures.size());
    for (uint32_t k = 0; k < order.size(); ++k)
        order[k] = uint32_t(order.size()) - 1 - k;
    EXPECT_EQ(fastPairs(signatures, order, settings, 3600, KTCompactSignatures::Prefilter::On),
              referencePairs(signatures, order, settings, 3600));
}

TEST(KTCompactSignaturesTest, StopSkipsRowsNotYetStarted)
{
    const auto settings = plainSettings(8, 0);
    std::vector<std::unique_ptr<KTImageSignature>> signatures;
    for (int k = 0; k < 200; ++k)
        signatures.push_back(uniformSignature(8, 10));
    KTCompactSignatures compact(settings, signatures.size());
    for (std::size_t slot = 0; slot < signatures.size(); ++slot)
        compact.store(slot, *signatures[slot]);
    compact.setOrder(timeOrder(signatures));
    std::atomic_bool stop{true};
    std::atomic<int> reports{0};
    EXPECT_TRUE(compact.compare(0, &stop, [&](std::size_t) { ++reports; }).empty());
    EXPECT_EQ(reports.load(), 0);
}
