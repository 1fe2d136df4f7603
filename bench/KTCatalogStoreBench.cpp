// Start-up cost of the session store: opening a 20,000-image store (with its folders, groups and
// time groups) and having every record in the main context, as the catalogue does on the main
// thread before the first window shows. Target: under 500 ms.

#include "KTSessionFixtures.h"
#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kImages = 20000;

// A catalogue folder holding a saved session of kImages images, made once.
const KTImageStorage::Locations &sessionLocations()
{
    static QTemporaryDir s_dir;
    static const KTImageStorage::Locations s_locations = [] {
        KTImageStorage::Locations locations{s_dir.filePath(QStringLiteral("support")),
                                            s_dir.filePath(QStringLiteral("legacy"))};
        KTImageStorage storage(locations);
        fillCatalog(*storage.managedObjectContext(), kImages);
        if (!storage.saveChangesOrReturnError())
            qFatal("The benchmark's session could not be saved.");
        return locations;
    }();
    return s_locations;
}

} // namespace

// The whole opening of the catalogue: the store file, every record read, the main context.
static void BM_OpenCatalogueIntoMainContext(benchmark::State &state)
{
    const KTImageStorage::Locations &locations = sessionLocations();
    for (auto _ : state) {
        auto storage = std::make_unique<KTImageStorage>(locations);
        benchmark::DoNotOptimize(storage->managedObjectContext().get());
        state.PauseTiming(); // closing is not part of the start-up
        storage.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenCatalogueIntoMainContext)->Unit(benchmark::kMillisecond);

// The two halves of the opening, to see where the time goes.
static void BM_ReadAllRecords(benchmark::State &state)
{
    const QString path =
        sessionLocations().applicationFilesDirectoryPath + QStringLiteral("/Vireoscope.storedata");
    for (auto _ : state) {
        KTCatalogStore store(KTCatalogModel::sharedModel());
        std::vector<KTRecordValues> records;
        store.open(path, KTCatalogStore::Access::ReadWrite);
        store.readAllRecords(&records);
        benchmark::DoNotOptimize(records.data());
    }
}
BENCHMARK(BM_ReadAllRecords)->Unit(benchmark::kMillisecond);

static void BM_LoadRecordsIntoMainContext(benchmark::State &state)
{
    const QString path =
        sessionLocations().applicationFilesDirectoryPath + QStringLiteral("/Vireoscope.storedata");
    KTCatalogStore store(KTCatalogModel::sharedModel());
    std::vector<KTRecordValues> records;
    store.open(path, KTCatalogStore::Access::ReadOnly);
    store.readAllRecords(&records);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<KTRecordValues> copy = records;
        state.ResumeTiming();
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        context->loadStoredObjects(std::move(copy));
        state.PauseTiming();
        context.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadRecordsIntoMainContext)->Unit(benchmark::kMillisecond);
