// Regrouping the timeline of 20,000 images at a new interval, from the choice in the time-range
// popover until the new list is painted: the catalogue's regrouping in the background, its save
// into the main context, the mode's rebuild and the paint (target: under 300 ms). Wall time, as
// the user waits for all of it; the intervals alternate between 5 minutes and 60 seconds.
// Also, in "Groups" at 5 minutes, main-thread time to step to the next time group until it is
// painted (target: under 30 ms), and in "Group" main-thread time to reject the selected shot until
// the group without it is painted (target: under 5 ms; the reject is undone between steps).

#include "KTAnimations.h"
#include "KTCatalogNotifications.h"
#include "KTGridBenchSession.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTTimelineImagesModeController.h"
#include "KTUndoManager.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QWidget>

namespace {

constexpr int kImages = 20000;

/// Turns the event loop until the catalogue has posted a change of its time groups.
bool waitForTimeGroups(KTImageStorage &storage, const std::function<void()> &start)
{
    bool changed = false;
    const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        kTimeGroupsDidChangeNotification, &storage, [&](const KTNotification &) { changed = true; });
    start();
    QDeadlineTimer deadline(60000);
    while (!changed && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return changed;
}

/// Gives the session's images shooting times and groups them at five minutes; false when the
/// grouping did not finish.
bool groupByTime(KTGridBenchSession &session)
{
    // Bursts of ten shots 3 s apart, two minutes between bursts, half an hour every hundred
    // shots, a new day every two thousand.
    QDateTime time(QDate(2026, 6, 1), QTime(7, 0));
    for (qsizetype i = 0; i < session.images().size(); ++i) {
        if (i % 2000 == 0 && i > 0)
            time = QDateTime(time.date().addDays(1), QTime(7, 0));
        else if (i % 100 == 0 && i > 0)
            time = time.addSecs(1800);
        else if (i % 10 == 0 && i > 0)
            time = time.addSecs(120);
        else if (i > 0)
            time = time.addSecs(3);
        session.images().at(i)->setTimeStamp(time);
    }
    session.storage().processPendingChanges();
    return waitForTimeGroups(session.storage(), [&] { session.storage().groupImagesByTimeInterval(300); });
}

/// The session grouped at five minutes and the mode shown on it in a window.
struct TimelineBench
{
    TimelineBench()
    {
        KTAnimations::setEnabled(false);
        grouped = groupByTime(session);
        if (!grouped)
            return;
        auto *layout = new QGridLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(mode.view(), 0, 0);
        mode.setImageStorage(&session.storage());
        window.resize(1280, 800);
        window.show();
        mode.refresh();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    KTGridBenchSession session{kImages};
    KTTimelineImagesModeController mode;
    QWidget window;
    bool grouped = false;
};

void BM_RegroupAtANewInterval(benchmark::State &state)
{
    TimelineBench bench;
    if (!bench.grouped) {
        state.SkipWithError("the first grouping did not finish");
        return;
    }
    KTGridBenchSession &session = bench.session;
    KTTimelineImagesModeController &mode = bench.mode;
    QWidget &window = bench.window;

    KTTimeRangePopoverWindowController *popover = mode.timeRangePopover();
    const QList<KTAbstractButton *> buttons = popover->buttonsContainer()->buttons();
    const int oneMinute = int(popover->timeRangesStrings().indexOf(QStringLiteral("60 sec")));
    const int fiveMinutes = int(popover->timeRangesStrings().indexOf(QStringLiteral("5 min")));
    KTStepTimes times;
    bool toOneMinute = true;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const bool regrouped = waitForTimeGroups(session.storage(), [&] {
            popover->onChangeTimeRange(buttons.at(toOneMinute ? oneMinute : fiveMinutes));
        });
        window.repaint();
        const qint64 elapsed = clock.nsecsElapsed();
        if (!regrouped) {
            state.SkipWithError("a regrouping did not finish");
            break;
        }
        times.add(std::chrono::nanoseconds(elapsed));
        state.SetIterationTime(double(elapsed) / 1e9);
        toOneMinute = !toOneMinute;
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    times.report(state);
    state.counters["groups"] = double(mode.numberOfGroupsInList());
}
BENCHMARK(BM_RegroupAtANewInterval)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_NextTimeGroupInGroups(benchmark::State &state)
{
    TimelineBench bench;
    if (!bench.grouped) {
        state.SkipWithError("the grouping did not finish");
        return;
    }
    bench.mode.switchToUIMode(kUIModeGroups);
    QApplication::processEvents();
    KTStepTimes times;
    measureSteps(state, times, [&] {
        bench.mode.onNextGroup(nullptr);
        bench.window.repaint();
    });
    state.counters["groups"] = double(bench.mode.numberOfGroupsInList());
}
BENCHMARK(BM_NextTimeGroupInGroups)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_RejectInGroup(benchmark::State &state)
{
    TimelineBench bench;
    if (!bench.grouped) {
        state.SkipWithError("the grouping did not finish");
        return;
    }
    KTTimelineImagesModeController &mode = bench.mode;
    KTImageStorage &storage = bench.session.storage();
    mode.switchToUIMode(kUIModeGroup);
    QApplication::processEvents();
    KTStepTimes times;
    qsizetype group = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A group further on each time, its first shot selected.
        group = (group + 7) % mode.numberOfGroupsInList();
        mode.switchToGroupAtIndex(group, KTGroupSwitchAnimation::None);
        KTImageMO *first = mode.imagesForGroup(group).constFirst();
        mode.setSelectedImages({first}, first, false);
        bench.window.repaint();
        QApplication::processEvents();
        state.ResumeTiming();

        const auto start = KTStepTimes::Clock::now();
        mode.rejectSelectedImages();
        bench.window.repaint();
        const auto elapsed = KTStepTimes::Clock::now() - start;
        times.add(elapsed);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());

        state.PauseTiming();
        QApplication::processEvents();
        storage.undoManager()->undo();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    times.report(state);
    state.counters["groups"] = double(mode.numberOfGroupsInList());
}
BENCHMARK(BM_RejectInGroup)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace
