// The comparison phase of the similarity search over photo-like signatures at the "normal" preset,
// without a time range, with and without the block-sum prefilter.

#include "KTBurstFixture.h"
#include "KTCompactSignatures.h"
#include "KTSearchSettings.h"
#include "KTSignatureMaker.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

namespace {

// Builds `count` signatures in batches of fixture photos, keeping only their compact form, so the
// peak memory is that of the search rather than of the fixture's images.
std::unique_ptr<KTCompactSignatures> makeSignatures(const KTSearchSettings &settings, std::size_t count)
{
    auto compact = std::make_unique<KTCompactSignatures>(settings, count);
    std::vector<uint32_t> order;
    unsigned batch = 0;
    while (order.size() < count) {
        KTBurstFixtureOptions options;
        options.scenes = 60;
        options.singles = 120;
        options.lookAlikes = 10;
        options.width = 96;
        options.height = 72;
        options.seed = 1000 + batch;
        for (const KTBurstPhoto &photo : makeBurstFixture(options)) {
            if (order.size() == count)
                break;
            auto signature = KTImageSignature::create();
            CreateHashFromCGImageRef(photo.image, *signature, settings);
            // Each batch is another day, so batches do not share their moments.
            signature->shotTime = double(photo.shotTime.toSecsSinceEpoch()) + 86400.0 * batch;
            signature->exposureTime = photo.exposureTime;
            compact->store(order.size(), *signature);
            order.push_back(uint32_t(order.size()));
        }
        ++batch;
    }
    compact->setOrder(std::move(order));
    return compact;
}

void BM_CompareSignatures(benchmark::State &state)
{
    const auto settings = loadSettingsFromFile(presetPathForIndex(2));
    const auto count = std::size_t(state.range(0));
    const auto prefilter =
        state.range(1) ? KTCompactSignatures::Prefilter::On : KTCompactSignatures::Prefilter::Off;
    const auto compact = makeSignatures(*settings, count);
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto result = compact->compare(0, nullptr, {}, prefilter);
        rows = result.size();
        benchmark::DoNotOptimize(rows);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["rows"] = double(rows);
    state.counters["pairs"] = double(count) * double(count - 1) / 2;
    state.counters["compactMB"] = double(compact->memoryBytes()) / 1e6;
    state.counters["peakRssMB"] = double(usage.ru_maxrss) / 1e3;
}

} // namespace

BENCHMARK(BM_CompareSignatures)
    ->ArgNames({"photos", "prefilter"})
    ->Args({10000, 1})
    ->Args({10000, 0})
    ->Args({20000, 1})
    ->Args({20000, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
