// Cost of the catalogue's in-memory store at session size: a background job inserting a whole
// import and saving it into the main context, and a filtered, sorted fetch over the session.

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>

namespace {

constexpr int kImages = 20000;

// What the import reads from the files, made once so the figures are the store's alone.
struct FileNames
{
    QStringList paths;
    QStringList names;
};

const FileNames &fileNames()
{
    static const FileNames s_names = [] {
        FileNames names;
        for (int i = 0; i < kImages; ++i) {
            names.names.append(QStringLiteral("IMG_%1").arg(i, 5, 10, QLatin1Char('0')));
            names.paths.append(QStringLiteral("/Volumes/Photos/2024/%1.CR2").arg(names.names.last()));
        }
        return names;
    }();
    return s_names;
}

void fillImage(KTImageMO *image, KTFolderMO *folder, int i)
{
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC);
    image->setPath(fileNames().paths[i]);
    image->setName(fileNames().names[i]);
    image->setModificationDate(base.addSecs(i));
    image->setCreationDate(base.addSecs(i));
    image->setTimeStamp(base.addSecs(i / 3));
    image->setSize(quint64(20000000 + i));
    image->setImageID(quint64(100000 + i));
    image->setImageIndex(-1);
    image->setExposureTime(1.0 / 250);
    image->setSyncStatusBitmask(0);
    image->setOriginalFileExists(true);
    image->setRejected(i % 3 == 0 ? std::optional<bool>(true) : std::nullopt);
    image->setPicked(i % 5 == 0 ? std::optional<bool>(true) : std::optional<bool>(false));
    image->setFolder(folder);
}

// Turns the event loop, sleeping between events, until the job is done (the job posts an empty
// job to the main queue after setting `done`, so the last wait always wakes).
// CPU time of the calling thread, so the job's share can be told apart from the machine's load.
double threadCpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void runMainLoopUntil(const std::atomic<bool> &done)
{
    while (!done.load())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

// Insert 20,000 images in a child context and save them into the main context (its change
// report delivered), as the import does.
static void BM_ChildInsertAndSaveIntoMain(benchmark::State &state)
{
    fileNames();
    double childCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto main = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        auto folder = main->insert<KTFolderMO>(kFolderEntityName);
        folder->setPath(QStringLiteral("/Volumes/Photos/2024"));
        main->save();
        qsizetype reported = 0;
        auto token = main->addObjectsDidChangeObserver(
            [&](const KTObjectsDidChange &change) { reported += change.inserted.size(); });
        auto child = KTObjectContext::makeChildContext(main);
        const KTObjectID folderId = folder->objectID();
        std::atomic<bool> done{false};
        state.ResumeTiming();

        child->perform([&] {
            const double cpuAtStart = threadCpuMilliseconds();
            auto *childFolder = child->objectWithIdAs<KTFolderMO>(folderId);
            for (int i = 0; i < kImages; ++i)
                fillImage(child->insert<KTImageMO>(kImageEntityName), childFolder, i);
            child->save();
            childCpu += threadCpuMilliseconds() - cpuAtStart;
            done = true;
            postToMain([] {});
        });
        runMainLoopUntil(done);

        state.PauseTiming();
        if (reported != kImages)
            state.SkipWithError("the save did not report every image");
        child.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    // The CPU column is the main thread's (applying the save and reporting it); this is the job's.
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpu / double(state.iterations()));
}
BENCHMARK(BM_ChildInsertAndSaveIntoMain)->Unit(benchmark::kMillisecond)->UseRealTime();

// The review modes' list: not rejected, in the modes' sort order, over 20,000 images.
static void BM_FetchWithPredicateAndSort(benchmark::State &state)
{
    auto main = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto folder = main->insert<KTFolderMO>(kFolderEntityName);
    for (int i = 0; i < kImages; ++i)
        fillImage(main->insert<KTImageMO>(kImageEntityName), folder, (i * 7919) % kImages);
    main->save();
    const KTFetchRequest request{kImageEntityName,
                                 KTKeyPath(kImageRejectedValueKey) != true,
                                 {KTSortDescriptor(kImageNameValueKey, KTSortOrder::Descending),
                                  KTSortDescriptor(kImageCreationDateValueKey, KTSortOrder::Descending),
                                  KTSortDescriptor(kImageSizeValueKey, KTSortOrder::Descending),
                                  KTSortDescriptor(kImageResolveDateValueKey),
                                  KTSortDescriptor(kImageModificationDateValueKey, KTSortOrder::Descending)}};
    qsizetype found = 0;
    for (auto _ : state) {
        found = main->fetch(request).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["records"] = double(found);
}
BENCHMARK(BM_FetchWithPredicateAndSort)->Unit(benchmark::kMillisecond);
