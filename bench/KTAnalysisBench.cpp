// The "Analyzing Images" phase on camera-sized JPEGs: signatures made from the files with a cold
// cache, at the "normal" preset, over all cores (the finder's own pool) and one photo at a time on
// the calling thread; and the first thumbnail entity of a photo, made fresh and made after the
// photo's signature.
//
// The photos: every JPEG of the folder VS_BENCH_PHOTOS (tests/data-tools/make-calibration-set.sh
// writes 200 copies of a 24-megapixel camera JPEG there); without it, 200 copies of one generated
// 6000 x 4000 JPEG. CPU figures are the process's user and system time per photo.

#include "KTDecodingFixtures.h"
#include "KTFirstThumbnailStore.h"
#include "KTImageSignature.h"
#include "KTSearchSettings.h"
#include "KTSignatureMaker.h"
#include "KTSimilarFinder.h"
#include "KTThumbnailEntity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

namespace {

constexpr int kGeneratedPhotos = 200;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Photos
{
    QTemporaryDir dir;
    QStringList paths;
    bool generated = false;

    Photos()
    {
        const QString folder = qEnvironmentVariable("VS_BENCH_PHOTOS");
        if (!folder.isEmpty()) {
            const QDir source(folder);
            for (const QString &name : source.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                                                        QDir::Files, QDir::Name))
                paths.append(source.filePath(name));
            return;
        }
        generated = true;
        const QString first = dir.filePath(QStringLiteral("photo-000.jpg"));
        writeFileBytes(first, makeJpegWithExif(makePhotoLikeImage({6000, 4000}), 1, 92));
        paths.append(first);
        for (int i = 1; i < kGeneratedPhotos; ++i) {
            const QString path = dir.filePath(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
            QFile::copy(first, path);
            paths.append(path);
        }
    }
};

const Photos &photos()
{
    static const Photos p;
    return p;
}

KTSearchSettings normalSettings()
{
    return *loadSettingsFromFile(presetPathForIndex(2));
}

void BM_AnalyzingPhase(benchmark::State &state)
{
    const Photos &p = photos();
    if (p.paths.isEmpty()) {
        state.SkipWithError("no photos");
        return;
    }
    const KTSearchSettings settings = normalSettings();
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir cache;
        KTSimilarFinder finder(cache.path());
        for (int i = 0; i < p.paths.size(); ++i)
            finder.addPhotoWithID(QStringLiteral("photo-%1").arg(i), p.paths.at(i));
        state.ResumeTiming();
        const double before = processCpuSeconds();
        finder.clasterizeWithSettings(
            settings, 0, [](const KTSimilarFinder::Clusters &) {},
            [](const QString &, std::atomic_bool *, double) {});
        cpu += processCpuSeconds() - before;
        state.PauseTiming();
        finder.waitForDiskOperations();
        state.ResumeTiming();
    }
    state.counters["photos"] = double(p.paths.size());
    state.counters["generated"] = p.generated ? 1 : 0;
    state.counters["cpu_ms_per_photo"] =
        benchmark::Counter(cpu * 1000.0 / double(p.paths.size()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AnalyzingPhase)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// What the phase does for one photo, on the calling thread: the pixels and the metadata.
void BM_SignatureOnePhoto(benchmark::State &state)
{
    const Photos &p = photos();
    if (p.paths.isEmpty()) {
        state.SkipWithError("no photos");
        return;
    }
    const KTSearchSettings settings = normalSettings();
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        auto signature = CreateHashFromImagePath(p.paths.first(), settings, KTSignaturePreview::Yes);
        FillSignatureMetadataFromFile(signature.get(), p.paths.first());
        cpu += processCpuSeconds() - before;
        if (!signature)
            state.SkipWithError("no signature");
        benchmark::DoNotOptimize(signature.get());
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000.0, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SignatureOnePhoto)->Unit(benchmark::kMillisecond)->Iterations(20);

// The 100-pixel thumbnail entity that the grids ask for first: made from the file, and made
// right after the photo's signature (which leaves the thumbnail behind).
void BM_FirstThumbnailEntity(benchmark::State &state)
{
    const Photos &p = photos();
    if (p.paths.isEmpty()) {
        state.SkipWithError("no photos");
        return;
    }
    const bool afterSignature = state.range(0) != 0;
    const KTSearchSettings settings = normalSettings();
    const QVariantMap parameters{{kThumbnailSizeKey, kMinThumbnailSize}};
    for (auto _ : state) {
        state.PauseTiming();
        KTFirstThumbnailStore::sharedStore().clear();
        if (afterSignature)
            CreateHashFromImagePath(p.paths.first(), settings, KTSignaturePreview::Yes);
        state.ResumeTiming();
        const auto entity = KTThumbnailEntity::initWithImageAtPath(p.paths.first(), parameters);
        if (!entity)
            state.SkipWithError("no entity");
        benchmark::DoNotOptimize(entity.get());
    }
}
BENCHMARK(BM_FirstThumbnailEntity)
    ->ArgName("afterSignature")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
