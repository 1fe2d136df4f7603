// The similarity search over the session catalogue end to end, through KTImageStorage: 2,000
// photo-like JPEGs already imported, the seeker run at the "normal" level from the catalogue's
// entry point (child context, signatures, comparison, clustering, groups saved into the main
// context), with the main thread turning the event loop meanwhile. Cold: the signature cache is
// deleted before each run, so every photo is decoded; warm: every signature is read from it.

#include "KTBurstFixture.h"
#include "KTCatalogModel.h"
#include "KTDuplicatesSeeker.h"
#include "KTFolderMO.h"
#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTSimilarFinder.h"
#include "KTTasksNotifier.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

namespace {

constexpr std::size_t kPhotos = 2000;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void turnUntil(const bool &done)
{
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

/// 2,000 JPEGs of 320 x 240 in batches of bursts and single shots, each batch another day in its
/// own folder, imported into a catalogue with the seeker installed.
struct Session
{
    QTemporaryDir dir;
    std::unique_ptr<KTImageStorage> storage;
    std::unique_ptr<KTSimilarFinder> finder;
    KTDuplicatesSeeker *seeker = nullptr;
    bool ready = false;

    Session()
    {
        const QString photos = dir.filePath(QStringLiteral("photos"));
        std::size_t written = 0;
        for (unsigned batch = 0; written < kPhotos; ++batch) {
            KTBurstFixtureOptions options;
            options.width = 320;
            options.height = 240;
            options.scenes = 60;
            options.singles = 120;
            options.lookAlikes = 10;
            options.seed = 500 + batch;
            std::vector<KTBurstPhoto> fixture = makeBurstFixture(options);
            if (fixture.size() > kPhotos - written)
                fixture.resize(kPhotos - written);
            for (KTBurstPhoto &photo : fixture)
                photo.shotTime = photo.shotTime.addDays(batch);
            for (const QString &path :
                 writeBurstFixture(fixture, photos + QStringLiteral("/day%1").arg(batch))) {
                if (path.isEmpty())
                    return;
            }
            written += fixture.size();
        }

        storage = std::make_unique<KTImageStorage>(KTImageStorage::Locations{
            dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))});
        finder = std::make_unique<KTSimilarFinder>(cacheRoot());
        seeker = KTDuplicatesSeeker::installInto(*storage, finder.get());
        auto *source = storage->managedObjectContext()->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(photos);
        source->setType(kFolderTypeFileSystem);
        storage->setTimeLineInterval(10);
        storage->setAccuracyLevel(3);
        load();
        ready = storage->managedObjectContext()->count({kImageEntityName, {}, {}}) == qsizetype(kPhotos);
    }

    /// One "Loading Images" run, until it has ended.
    void load()
    {
        bool loaded = false;
        const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
            KTTaskDidFinishInfo::name(), storage.get(), [&](const KTNotification &notification) {
                loaded =
                    loaded || KTTaskDidFinishInfo::taskName(notification.userInfo) == kLoadImagesTaskName;
            });
        storage->loadImages();
        turnUntil(loaded);
    }
    QString cacheRoot() const { return dir.filePath(QStringLiteral("Hashes")); }

    /// One search from the catalogue's entry point, until "Searching Similars" has ended.
    void search()
    {
        bool finished = false;
        const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
            KTTaskDidFinishInfo::name(), seeker, [&](const KTNotification &notification) {
                finished = finished ||
                           KTTaskDidFinishInfo::taskName(notification.userInfo) == kSearchDuplicatesTaskName;
            });
        storage->findImagesDuplicatesWithSimilarityLevel(3, 0);
        turnUntil(finished);
    }
};

Session &session()
{
    static const auto s = std::make_unique<Session>();
    return *s;
}

void runSearches(benchmark::State &state, bool cold)
{
    Session &s = session();
    if (!s.ready) {
        state.SkipWithError("could not write or import the photos");
        return;
    }
    if (!cold)
        s.search(); // fills the cache
    double cpu = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            s.finder->deleteDiskCache();
            s.finder->waitForDiskOperations();
            state.ResumeTiming();
        }
        const double cpuBefore = processCpuSeconds();
        s.search();
        cpu += processCpuSeconds() - cpuBefore;
    }
    s.finder->waitForDiskOperations();
    state.counters["photos"] = double(kPhotos);
    state.counters["groups"] =
        double(s.storage->managedObjectContext()->count({kImageGroupEntityName, {}, {}}));
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

} // namespace

static void BM_SeekerOverCatalogueColdCache(benchmark::State &state)
{
    runSearches(state, true);
}
BENCHMARK(BM_SeekerOverCatalogueColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

static void BM_SeekerOverCatalogueWarmCache(benchmark::State &state)
{
    runSearches(state, false);
}
BENCHMARK(BM_SeekerOverCatalogueWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The whole import of the same folder again (its records exist) with the search on and a warm
// cache: attribute reading, record updates, the search, the time grouping and the save.
static void BM_LoadImagesWithSearchWarmCache(benchmark::State &state)
{
    Session &s = session();
    if (!s.ready) {
        state.SkipWithError("could not write or import the photos");
        return;
    }
    s.search(); // fills the cache
    s.storage->setFindDuplicatesForAddedImages(true);
    for (auto _ : state)
        s.load();
    s.storage->setFindDuplicatesForAddedImages(false);
    state.counters["groups"] =
        double(s.storage->managedObjectContext()->count({kImageGroupEntityName, {}, {}}));
}
BENCHMARK(BM_LoadImagesWithSearchWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
