// Memory across sessions: ten new sessions of 20,000 images in one process. Each session is put
// into the catalogue's main context (folders, images, similar and time groups), saved, then
// cleared as a new session clears the last one. Target: the peak memory after the tenth session
// stays within 15 % of the peak after the first. Each clearing must leave no record alive:
// records_alive_after_N counts the record objects the main context still holds (deleted ones
// included) once the N-th clearing has ended and its records were freed; a handle held across
// the clearing (as the views and modes hold theirs) must not keep any.

#include "KTBenchMemory.h"
#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTRecordRef.h"
#include "KTSessionFixtures.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kImages = 20000;
constexpr int kSessions = 10;

void clearSession(KTImageStorage &storage)
{
    bool finished = false;
    const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        KTTaskDidFinishInfo::name(), &storage, [&](const KTNotification &notification) {
            finished =
                finished || KTTaskDidFinishInfo::taskName(notification.userInfo) == kCleanSessionTaskName;
        });
    storage.cleanSession();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // The records are freed on the turn after the end is heard.
    QCoreApplication::processEvents();
}

} // namespace

static void BM_TenSessionsOf20000Images(benchmark::State &state)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        KTImageStorage storage(
            {dir.filePath(QStringLiteral("support")), dir.filePath(QStringLiteral("legacy"))});
        const std::shared_ptr<KTObjectContext> context = storage.managedObjectContext();
        double afterFirst = 0;
        double afterLast = 0;
        double aliveHandles = 0;
        for (int session = 0; session < kSessions; ++session) {
            fillCatalog(*context, kImages);
            storage.processPendingChanges();
            if (!storage.saveChangesOrReturnError())
                state.SkipWithError("the session could not be saved");
            // What a window on screen holds across the clearing: every image, through handles.
            const KTRecordList<KTImageMO> onScreen(storage.images());
            clearSession(storage);
            state.counters["records_alive_after_" + std::to_string(session + 1)] =
                double(context->heldObjectCount());
            aliveHandles += double(onScreen.size());
            afterLast = peakResidentMegabytes();
            if (session == 0)
                afterFirst = afterLast;
        }
        state.counters["handles_answering_after_clearings"] = aliveHandles;
        state.counters["peak_MB_after_1"] = afterFirst;
        state.counters["peak_MB_after_10"] = afterLast;
        state.counters["growth_pct"] = afterFirst > 0 ? 100.0 * (afterLast / afterFirst - 1.0) : 0.0;
        state.counters["records_held_after_10"] = double(context->heldObjectCount());
    }
}
BENCHMARK(BM_TenSessionsOf20000Images)->Iterations(1)->Unit(benchmark::kSecond);
