// Ten sessions in a row in the application's own main window (offscreen), each walked as a user
// walks it before the next replaces it: every mode and sub-mode with the EXIF panel, compare and
// the focus mask on, a pick, a reject and a selection in each (KTWindowWalk); then File > New
// Session, the rejects kept, a new folder dropped onto the sources window and Start. Each session
// has a few hundred generated photos of its own.
//
// Counters: cleared_records_held_after_N, the records of the main context that are deleted but
// still held once the N-th clearing has freed its records (target: 0); handles_answering, the
// handles to the records of every replaced session (images, similar and time groups, taken while
// the session was on screen) that still answer after its clearing (target: 0); the peak resident
// memory after each session. Time: the whole run, imports included.

#include "KTAlert.h"
#include "KTApplicationStart.h"
#include "KTBenchMemory.h"
#include "KTBurstFixture.h"
#include "KTDispatch.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindow.h"
#include "KTMainWindowController.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTProgressWindowController.h"
#include "KTRecordRef.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTimeGroupMO.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"
#include "KTWindowWalk.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kSessions = 10;

/// Keeps the rejects when a new session asks about them; the first button for anything else.
class KeepRejects : public KTAlertPresenter
{
public:
    KTAlertResponse runModal(const KTAlert &alert) override
    {
        const bool rejectsQuestion = alert.buttons.size() == 3;
        return {rejectsQuestion ? KTAlert::kAlternateReturn : alert.returnCodeForButton(0), false};
    }
};

QString writeShoot(const QString &root, int number)
{
    KTBurstFixtureOptions options;
    options.width = 96;
    options.height = 64;
    options.scenes = 40;
    options.singles = 40;
    options.lookAlikes = 0;
    options.sameSpots = 0;
    options.seed = unsigned(500 + number);
    const QString folder = QDir(root).filePath(QStringLiteral("Shoot%1").arg(number));
    QDir().mkpath(folder);
    writeBurstFixture(makeBurstFixture(options), folder);
    return folder;
}

/// The records the main context holds that are deleted: what a clearing leaves behind.
double deletedButHeld(KTObjectContext &context)
{
    qsizetype live = 0;
    for (int entity = 0; entity < context.model().entityCount(); ++entity)
        live += context.count({context.model().entity(entity).name(), {}, {}});
    return double(qsizetype(context.heldObjectCount()) - live);
}

class Run
{
public:
    explicit Run(benchmark::State &state) : m_state(state) {}

    bool isIdle() const
    {
        KTMainWindowController *window = KTMainWindowController::sharedController();
        const QWidget *active = QApplication::activeWindow();
        return window && window->tasks().isEmpty() && !window->progressWindowController()->isSheetShown() &&
               active && active->isVisible();
    }

    bool startAndWait()
    {
        KTMainWindowController &window = *KTMainWindowController::sharedController();
        const int loads = m_loads;
        QWidget *sources = window.imageSourcesController()->window();
        sources->activateWindow();
        KTWindowWalk::waitFor([&] { return QApplication::activeWindow() == sources; });
        QTest::keyClick(sources, Qt::Key_Return);
        return KTWindowWalk::waitFor([&] { return m_loads > loads && isIdle(); }, std::chrono::minutes(5));
    }

    bool replaceWith(const QString &folder)
    {
        KTMainWindowController &window = *KTMainWindowController::sharedController();
        KTWindowWalk::press(window, Qt::Key_N, Qt::ControlModifier);
        if (!KTWindowWalk::waitFor([&] { return window.isImageSourcesWindowVisible(); }))
            return false;
        if (!KTWindowWalk::dropOntoSourcesWindow(window, folder))
            return false;
        return startAndWait();
    }

    void go()
    {
        QTemporaryDir photos;
        KTUserDefaults::standardUserDefaults().setBool(false, kKTShowTipsKey);
        const auto previous = KTAlertPresenter::install(std::make_shared<KeepRejects>());
        const KTObserverToken ends = KTNotificationCenter::defaultCenter().addObserver(
            KTTaskDidFinishInfo::name(), nullptr, [this](const KTNotification &notification) {
                const QString task = KTTaskDidFinishInfo::taskName(notification.userInfo);
                if (task == kLoadImagesTaskName)
                    ++m_loads;
                // The free is posted right after the end is posted: this job runs after it.
                if (task == kCleanSessionTaskName)
                    postToMain([this] { noteClearing(); });
            });

        KTApplicationStart::nameApplication();
        KTApplicationStart start(
            {writeShoot(photos.path(), 1)},
            QStringLiteral("vireoscope-bench-%1").arg(QCoreApplication::applicationPid()));
        if (start.handOffToRunningInstance()) {
            m_state.SkipWithError("another instance took the start");
            return;
        }
        start.launch();
        KTMainWindowController *window = nullptr;
        if (!KTWindowWalk::waitFor([&] {
                window = KTMainWindowController::sharedController();
                return window && window->isImageSourcesWindowVisible();
            }) ||
            !startAndWait()) {
            m_state.SkipWithError("the first session did not load");
            return;
        }
        double handlesAnswering = 0;
        for (int session = 1; session <= kSessions; ++session) {
            const QString failure = KTWindowWalk::walkEveryMode(*window);
            if (!failure.isEmpty()) {
                m_state.SkipWithError(qPrintable(failure));
                return;
            }
            KTWindowWalk::waitFor([&] { return isIdle(); });
            m_state.counters["peak_MB_after_" + std::to_string(session)] = peakResidentMegabytes();
            if (session == kSessions)
                break;
            KTImageStorage &storage = *KTImageStorage::sharedStorage();
            const KTRecordList<KTImageMO> images(storage.images());
            const KTRecordList<KTImageGroupMO> groups(storage.groups());
            const KTRecordList<KTTimeGroupMO> timeGroups(storage.timeGroups());
            if (!replaceWith(writeShoot(photos.path(), session + 1))) {
                m_state.SkipWithError("a new session did not load");
                return;
            }
            handlesAnswering += double(images.size() + groups.size() + timeGroups.size());
        }
        m_state.counters["handles_answering"] = handlesAnswering;
        m_state.counters["images_of_last_session"] = double(KTImageStorage::sharedStorage()->images().size());
        KTAlertPresenter::install(previous);
    }

private:
    void noteClearing()
    {
        ++m_clearings;
        const auto context = KTImageStorage::sharedStorage()->managedObjectContext();
        m_state.counters["cleared_records_held_after_" + std::to_string(m_clearings)] =
            deletedButHeld(*context);
    }

    benchmark::State &m_state;
    int m_loads = 0;
    int m_clearings = 0;
};

} // namespace

static void BM_TenSessionsWalkedInTheWindow(benchmark::State &state)
{
    for (auto _ : state)
        Run(state).go();
}
// The application lives once per process: one iteration.
BENCHMARK(BM_TenSessionsWalkedInTheWindow)->Iterations(1)->Unit(benchmark::kSecond);
