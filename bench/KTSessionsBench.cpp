// Memory across sessions: ten new sessions of 20,000 images in one process. Each session is put
// into the catalogue's main context (folders, images, similar and time groups), saved, then
// cleared as a new session clears the last one. Target: the peak memory after the tenth session
// stays within 15 % of the peak after the first.

#include "KTBenchMemory.h"
#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTSessionFixtures.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
        for (int session = 0; session < kSessions; ++session) {
            fillCatalog(*context, kImages);
            storage.processPendingChanges();
            if (!storage.saveChangesOrReturnError())
                state.SkipWithError("the session could not be saved");
            clearSession(storage);
            afterLast = peakResidentMegabytes();
            if (session == 0)
                afterFirst = afterLast;
        }
        state.counters["peak_MB_after_1"] = afterFirst;
        state.counters["peak_MB_after_10"] = afterLast;
        state.counters["growth_pct"] = afterFirst > 0 ? 100.0 * (afterLast / afterFirst - 1.0) : 0.0;
        state.counters["records_held_after_10"] = double(context->heldObjectCount());
    }
}
BENCHMARK(BM_TenSessionsOf20000Images)->Iterations(1)->Unit(benchmark::kSecond);
