// The comparison kernels of the similarity search, which run once per pair of photos.
// Items per second is comparisons per second on one core.

#include "KTImageDifference.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<KTPixelRGBA> noise(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<KTPixelRGBA> pixels(count);
    for (auto &p : pixels) {
        const uint32_t bits = generator();
        p = KTPixelRGBA{uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
    }
    return pixels;
}

} // namespace

static void BM_GetImageDifference(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto a = noise(size_t(n * n), 1);
    const auto b = noise(size_t(n * n), 2);
    const RDRect all = createRect(0, 0, n, n);
    for (auto _ : state)
        benchmark::DoNotOptimize(getImageDifference(a.data(), b.data(), n, n, all, KTImageRGBA));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetImageDifference)->Arg(64)->Arg(128);

static void BM_GetImageDifferenceScalarReference(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto a = noise(size_t(n * n), 1);
    const auto b = noise(size_t(n * n), 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(sumAbsDiffRGBReference(a.data(), b.data(), size_t(n * n)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetImageDifferenceScalarReference)->Arg(64)->Arg(128);

// The zone rule: per-pixel differences, their integral image, four overlapping zones.
static void BM_ZoneDifferences(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto a = noise(size_t(n * n), 1);
    const auto b = noise(size_t(n * n), 2);
    std::vector<uint32_t> diff(size_t(n * n));
    std::vector<uint64_t> integral(size_t(n * n));
    const int h = n / 2;
    const int e = int(0.5f * float(h));
    const int side = h + e;
    const int offset = h - e;
    const RDRect zones[] = {createRect(0, 0, side, side), createRect(offset, 0, side, side),
                            createRect(0, offset, side, side), createRect(offset, offset, side, side)};
    for (auto _ : state) {
        absDiffSum(a.data(), b.data(), diff.data(), n, n);
        fillIntegralImage_uint32(diff.data(), integral.data(), size_t(n), size_t(n));
        for (const auto &zone : zones)
            benchmark::DoNotOptimize(getImageDifferenceIntegral(integral.data(), n, n, zone));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ZoneDifferences)->Arg(64)->Arg(128);
