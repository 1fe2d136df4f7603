// Switching the main window from the picks mode to the rejects mode on a session of 20,000 images
// with 5,000 rejects, until the rejects are painted: the rejects mode was hidden while the lists
// changed, so it rebuilds its list, its path map and its grid when shown. Target: under 100 ms.
// Also, on the same session in the main window, the validation of the menu items that follows
// each mode switch (main-thread time; the switch itself is not timed).

#include "KTGridBenchSession.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowCommands.h"
#include "KTMainWindowController.h"
#include "KTModeSwitcher.h"
#include "KTRedjectedImagesModeController.h"
#include "KTReviewModeFactory.h"
#include "KTSelectedImagesModeController.h"

#include <QApplication>
#include <QGridLayout>
#include <QWidget>

namespace {

constexpr int kImages = 20000;
constexpr int kRejects = 5000;
constexpr int kPicks = 3000;

/// Shows one mode and hides the other as the main window does: hide first, show, refresh both.
void showMode(KTBaseUIModeController &shown, KTBaseUIModeController &hidden)
{
    hidden.view()->hide();
    shown.view()->show();
    hidden.refresh();
    shown.refresh();
}

/// Rejects kRejects images and picks kPicks others, spread over the session.
void decide(KTGridBenchSession &session)
{
    const QList<KTImageMO *> &images = session.images();
    for (int i = 0; i < kRejects; ++i)
        images.at(i * (kImages / kRejects))->setRejected(true);
    for (int i = 0; i < kPicks; ++i)
        images.at(i * (kImages / kPicks) + 1)->setPicked(true);
    session.storage().processPendingChanges();
}

void BM_SwitchFromPicksToRejects(benchmark::State &state)
{
    KTGridBenchSession session(kImages);
    const QList<KTImageMO *> &images = session.images();
    decide(session);

    KTSelectedImagesModeController picks;
    KTRedjectedImagesModeController rejects;
    QWidget window;
    auto *container = new QGridLayout(&window);
    container->setContentsMargins(0, 0, 0, 0);
    for (KTBaseUIModeController *mode : std::initializer_list<KTBaseUIModeController *>{&picks, &rejects}) {
        mode->view()->hide();
        container->addWidget(mode->view(), 0, 0);
        mode->setImageStorage(&session.storage());
    }
    window.resize(1280, 760);
    window.show();
    showMode(picks, rejects);
    QCoreApplication::processEvents();

    KTStepTimes times;
    // One image of the rejects changes state while the picks are on screen, so the rejects mode
    // has a pending rebuild when it is shown.
    KTImageMO *changing = images.at(1);
    bool reject = true;
    for (auto _ : state) {
        state.PauseTiming();
        showMode(picks, rejects);
        window.repaint();
        changing->setRejected(reject);
        reject = !reject;
        session.storage().processPendingChanges();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        const auto start = KTStepTimes::Clock::now();
        showMode(rejects, picks);
        window.repaint();
        const auto elapsed = KTStepTimes::Clock::now() - start;
        times.add(elapsed);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    times.report(state);
    state.counters["rejects"] = double(rejects.images().size());
}

void BM_MenuValidationAtAModeSwitch(benchmark::State &state)
{
    KTGridBenchSession session(kImages);
    decide(session);

    // The application's modes; the window's delayed steps (the sources window, the validation of
    // the sources) never run.
    KTMainWindowController::setModeControllerFactory(&KTReviewModeFactory::make);
    KTMainWindowController controller(&session.storage());
    controller.setScheduler([](int, QObject *, std::function<void()>) {});
    controller.showWindow();
    QCoreApplication::processEvents();

    KTStepTimes times;
    const QStringList uiModes{kFavoritesUIMode, kTrashUIMode};
    qsizetype next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        controller.modeSwitcher().switchToUIMode(uiModes.at(next));
        next = (next + 1) % uiModes.size();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        const auto start = KTStepTimes::Clock::now();
        controller.commands()->validateAllMenuItems();
        const auto elapsed = KTStepTimes::Clock::now() - start;
        times.add(elapsed);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    times.report(state);
    state.counters["picks"] = double(
        controller.modeSwitcher().filteredCount(controller.modeSwitcher().favoriteImagesModeController()));
}

} // namespace

BENCHMARK(BM_SwitchFromPicksToRejects)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuValidationAtAModeSwitch)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
