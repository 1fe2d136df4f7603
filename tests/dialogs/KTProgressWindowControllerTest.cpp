#include "KTProgressWindowController.h"

#include "KTAbstractButton.h"
#include "KTCancelTaskProtocol.h"
#include "KTProgressIndicator.h"
#include "KTSheetWindow.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTWindow.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

/// A task sender that counts the cancels it hears.
class CancelableTask : public QObject, public KTCancelTaskProtocol
{
public:
    void cancelCurrentTask() override { ++cancels; }
    int cancels = 0;
};

/// Counts the sheet's own broadcasts.
struct SheetBroadcasts
{
    int finishes = 0;
    int cancels = 0;
    KTObserverToken finish = KTNotificationCenter::defaultCenter().addObserver(
        kProgressDidFinishNotification, nullptr, [this](const KTNotification &) { ++finishes; });
    KTObserverToken cancel = KTNotificationCenter::defaultCenter().addObserver(
        kProgressDidCancelNotification, nullptr, [this](const KTNotification &) { ++cancels; });
};

/// A stand-in main window with its title strip, shown, and a progress sheet presented on it.
struct SheetFixture
{
    SheetFixture()
    {
        window.resize(900, 600);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        sheet.setPresentingWindow(&window);
        sheet.setClock([this] { return seconds; });
    }
    ~SheetFixture() { drainMainQueue(); }

    /// Runs `posts` on a worker thread, as the catalogue and the search do, then delivers them.
    static void fromWorker(const std::function<void(KTTasksNotifier &)> &posts)
    {
        std::thread worker([&] { posts(KTTasksNotifier::sharedNotifier()); });
        worker.join();
        drainMainQueue();
    }

    KTWindow window;
    KTProgressWindowController sheet;
    double seconds = 0.0;
};

const QVariantMap kCancelable = KTTaskDidStartInfo::cancelable();

} // namespace

// The load with the search's nested phases: the innermost title shows, the bar is determinate
// only once the current task announced its steps, Cancel shows while the innermost task is
// cancelable, and the sheet ends (announcing it once) with the outermost task.
TEST(KTProgressWindowControllerTest, NestedPhasesOfTheLoadShowTheInnermostTaskAndComeBackOut)
{
    SheetFixture f;
    SheetBroadcasts broadcasts;
    CancelableTask catalogue;
    CancelableTask seeker;
    QStringList trail;
    // Registered after the sheet, so it sees the sheet as each notification left it.
    std::vector<KTObserverToken> observers;
    for (const QString &name :
         {KTTaskDidStartInfo::name(), KTTaskDidFinishInfo::name(), KTTaskStepsDidCalculateInfo::name()}) {
        observers.push_back(
            KTNotificationCenter::defaultCenter().addObserver(name, nullptr, [&](const KTNotification &) {
                trail.append(QStringLiteral("%1 | %2 | %3%4%5")
                                 .arg(f.sheet.progressLabel()->text())
                                 .arg(f.sheet.tasks().size())
                                 .arg(f.sheet.isCancelButtonShown() ? "cancel" : "-")
                                 .arg(f.sheet.progressIndicator()->isIndeterminate() ? " stripes" : " bar")
                                 .arg(f.sheet.isSheetShown() ? "" : " hidden"));
            }));
    }

    SheetFixture::fromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidStart(kLoadImagesTaskName, &catalogue, kCancelable);
        bus.numberOfTaskStepsDidCalculate(4, &catalogue);
        bus.stepsDidExecute(1, &catalogue);
        bus.taskDidStart(kSearchDuplicatesTaskName, &seeker, kCancelable);
        for (const QString &phase :
             {QStringLiteral("Analyzing Images"), kComparingImagesTaskName, QStringLiteral("Finalizing")}) {
            bus.taskDidStart(phase, &seeker, kCancelable);
            bus.numberOfTaskStepsDidCalculate(100, &seeker);
            bus.taskProgressDidUpdate(50.0, &seeker);
            bus.taskDidFinish(phase, &seeker);
        }
        bus.taskDidFinish(kSearchDuplicatesTaskName, &seeker);
        bus.taskDidStart(kGrouppingImagesByTimeTaskName, &catalogue);
        bus.taskDidFinish(kGrouppingImagesByTimeTaskName, &catalogue);
        bus.taskDidFinish(kLoadImagesTaskName, &catalogue);
    });

    const QStringList expected{
        "Loading Images | 1 | cancel stripes",
        "Loading Images | 1 | cancel bar",
        "Searching Similars | 2 | cancel stripes",
        "Analyzing Images | 3 | cancel stripes",
        "Analyzing Images | 3 | cancel bar",
        "Searching Similars | 2 | cancel stripes",
        "Comparing Images | 3 | cancel stripes",
        "Comparing Images | 3 | cancel bar",
        "Searching Similars | 2 | cancel stripes",
        "Finalizing | 3 | cancel stripes",
        "Finalizing | 3 | cancel bar",
        "Searching Similars | 2 | cancel stripes",
        "Loading Images | 1 | cancel stripes",
        "Grouping Images By Time | 2 | - stripes",
        "Loading Images | 1 | cancel stripes",
        "Loading Images | 0 | - stripes hidden",
    };
    EXPECT_EQ(trail, expected);
    EXPECT_EQ(broadcasts.finishes, 1);
    EXPECT_TRUE(f.sheet.tasksCancelableStatuses().isEmpty());
    EXPECT_TRUE(f.sheet.tasksPerformers().isEmpty());
}

TEST(KTProgressWindowControllerTest, SheetHangsFromTheTitleStripCentredAndFollowsTheWindow)
{
    SheetFixture f;
    f.sheet.beginProgressSheetWithTitle(QStringLiteral("Moving photos..."));
    KTSheetWindow *sheet = f.sheet.window();
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(QApplication::activeModalWidget(), sheet);
    const auto expectedTopLeft = [&] {
        const QPoint strip = f.window.mapToGlobal(QPoint(0, int(f.window.sheetTopY())));
        return QPoint(strip.x() + (f.window.width() - sheet->width()) / 2, strip.y());
    };
    EXPECT_EQ(f.window.sheetTopY(), KTWindow::kDefaultTitleBarHeight);
    EXPECT_EQ(sheet->pos(), expectedTopLeft());

    f.window.move(f.window.pos() + QPoint(40, 30));
    f.window.resize(1000, 640);
    drainMainQueue();
    EXPECT_EQ(sheet->pos(), expectedTopLeft());

    f.sheet.stopProgressSheet();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_NE(QApplication::activeModalWidget(), sheet);
}

// Nested tasks often share a sender: each sender that can cancel hears Cancel once, one that
// cannot is left alone, and the sheet stays until the cancelled tasks report their end.
TEST(KTProgressWindowControllerTest, CancelReachesEachCancelableSenderOnceAndWaitsForTheirEnd)
{
    SheetFixture f;
    SheetBroadcasts broadcasts;
    QObject sourcesWindow;
    CancelableTask catalogue;
    CancelableTask seeker;
    SheetFixture::fromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidStart(kValidateTaskName, &sourcesWindow);
        bus.taskDidStart(kLoadImagesTaskName, &catalogue, kCancelable);
        bus.taskDidStart(kSearchDuplicatesTaskName, &seeker, kCancelable);
        bus.taskDidStart(QStringLiteral("Analyzing Images"), &seeker, kCancelable);
        bus.taskDidStart(QStringLiteral("Without a sender"), nullptr, kCancelable);
    });
    ASSERT_TRUE(f.sheet.isCancelButtonShown());

    f.sheet.cancelButton()->click();

    EXPECT_EQ(catalogue.cancels, 1);
    EXPECT_EQ(seeker.cancels, 1);
    EXPECT_EQ(broadcasts.cancels, 1);
    EXPECT_EQ(broadcasts.finishes, 0);
    EXPECT_TRUE(f.sheet.isSheetShown());
    EXPECT_EQ(f.sheet.tasks().size(), 5);

    SheetFixture::fromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidFinish(QStringLiteral("Without a sender"), nullptr);
        bus.taskDidFinish(QStringLiteral("Analyzing Images"), &seeker);
        bus.taskDidFinish(kSearchDuplicatesTaskName, &seeker);
        bus.taskDidFinish(kLoadImagesTaskName, &catalogue);
    });
    // The validation underneath cannot be cancelled: no button while it is the innermost task.
    EXPECT_FALSE(f.sheet.isCancelButtonShown());
    EXPECT_TRUE(f.sheet.isSheetShown());
    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.taskDidFinish(kValidateTaskName, &sourcesWindow); });
    EXPECT_FALSE(f.sheet.isSheetShown());
    EXPECT_EQ(broadcasts.finishes, 1);
}

// The estimate sees the bar as it stood before each step: with 100 steps of one a second it is
// first renewed at the sixth step (value 5), then every fifth. A stall renewed by time keeps the
// text shown; the label shows only for a task with steps, and only while allowed.
TEST(KTProgressWindowControllerTest, RemainingTimeFollowsTheStepsAndTheLabelSwitch)
{
    SheetFixture f;
    CancelableTask catalogue;
    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.taskDidStart(kLoadImagesTaskName, &catalogue); });
    EXPECT_FALSE(f.sheet.isRemainingTimeLabelShown());

    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.numberOfTaskStepsDidCalculate(100, &catalogue); });
    EXPECT_TRUE(f.sheet.isRemainingTimeLabelShown());
    const auto step = [&](double seconds, qint64 delta) {
        f.seconds = seconds;
        SheetFixture::fromWorker([&](KTTasksNotifier &bus) { bus.stepsDidExecute(delta, &catalogue); });
        return f.sheet.remainingTimeLabel()->text();
    };
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(step(i, 1), "Calculating remaining time...") << i;
    // Value 5 after 6 s: 95 steps at 6/5 s each.
    EXPECT_EQ(step(6, 1), "About one minute remaining");
    EXPECT_EQ(f.sheet.progressIndicator()->value(), 6.0);
    // 1 step in 6 s from (6 s, value 5), 94 left.
    EXPECT_EQ(step(12, 0), "About 9 minutes remaining");
    // Nothing moved since: renewed by time with no rate, the text stays.
    EXPECT_EQ(step(20, 0), "About 9 minutes remaining");
    EXPECT_EQ(step(21, 5), "About 9 minutes remaining");
    // From the moved reference point (20 s, value 6): 5 steps in 2 s, 89 left.
    EXPECT_EQ(step(22, 1), "Less than a minute remaining");

    f.sheet.setShowsTimeLabel(false);
    EXPECT_FALSE(f.sheet.isRemainingTimeLabelShown());
    EXPECT_EQ(step(23, 1), "Less than a minute remaining");
    EXPECT_FALSE(f.sheet.isRemainingTimeLabelShown());
    f.sheet.setShowsTimeLabel(true);
    EXPECT_TRUE(f.sheet.isRemainingTimeLabelShown());

    // A nested task without steps hides the estimate.
    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.taskDidStart(kGrouppingImagesByTimeTaskName, &catalogue); });
    EXPECT_FALSE(f.sheet.isRemainingTimeLabelShown());
    f.sheet.setShowsTimeLabel(false);
    f.sheet.setShowsTimeLabel(true);
    EXPECT_FALSE(f.sheet.isRemainingTimeLabelShown());
    SheetFixture::fromWorker([&](KTTasksNotifier &bus) {
        bus.taskDidFinish(kGrouppingImagesByTimeTaskName, &catalogue);
        bus.taskDidFinish(kLoadImagesTaskName, &catalogue);
    });
}

// The main window's move and copy flow drives the sheet directly; a finish the bus delivers with
// nothing running ends nothing and announces nothing.
TEST(KTProgressWindowControllerTest, DirectMoveFlowAndAStrayFinish)
{
    SheetFixture f;
    SheetBroadcasts broadcasts;
    f.sheet.beginProgressSheetWithTitle(QStringLiteral("Moving photos..."));
    EXPECT_EQ(f.sheet.progressLabel()->text(), "Moving photos...");
    EXPECT_FALSE(f.sheet.isCancelButtonShown());
    f.sheet.setNumberOfTaskSteps(3);
    for (int i = 0; i < 3; ++i)
        f.sheet.setProgress(1.0);
    EXPECT_FALSE(f.sheet.progressIndicator()->isIndeterminate());
    EXPECT_EQ(f.sheet.progressIndicator()->value(), 3.0);
    EXPECT_EQ(f.sheet.progressIndicator()->maxValue(), 3.0);
    f.sheet.stopProgressSheet();
    EXPECT_EQ(broadcasts.finishes, 1);
    EXPECT_TRUE(f.sheet.tasks().isEmpty());
    EXPECT_FALSE(f.sheet.isSheetShown());

    SheetFixture::fromWorker([&](KTTasksNotifier &bus) { bus.taskDidFinish(kLoadImagesTaskName, nullptr); });
    EXPECT_EQ(broadcasts.finishes, 1);
    EXPECT_FALSE(f.sheet.isSheetShown());
}

// The write-back to a catalogue drives the sheet directly while tasks of the bus may run (a
// change check, a load): ending it ends only its own row, so a running task keeps its title and its
// Cancel, and the popovers that wait for the end do not hear one yet. A bus finish never takes the
// direct row.
TEST(KTProgressWindowControllerTest, EndingADirectTaskKeepsTheRunningTasks)
{
    SheetFixture f;
    SheetBroadcasts broadcasts;
    CancelableTask catalogue;
    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.taskDidStart(kLoadImagesTaskName, &catalogue, kCancelable); });
    f.sheet.beginProgressSheetWithTitle(QStringLiteral("Writing Picks and Rejects"));
    EXPECT_FALSE(f.sheet.isCancelButtonShown());

    f.sheet.stopProgressSheet();
    EXPECT_EQ(f.sheet.tasks(), QStringList{kLoadImagesTaskName});
    EXPECT_EQ(f.sheet.progressLabel()->text(), kLoadImagesTaskName);
    EXPECT_TRUE(f.sheet.isCancelButtonShown());
    EXPECT_TRUE(f.sheet.isSheetShown());
    EXPECT_EQ(broadcasts.finishes, 0);
    f.sheet.cancelButton()->click();
    EXPECT_EQ(catalogue.cancels, 1);

    f.sheet.beginProgressSheetWithTitle(QStringLiteral("Writing Picks and Rejects"));
    SheetFixture::fromWorker(
        [&](KTTasksNotifier &bus) { bus.taskDidFinish(kLoadImagesTaskName, &catalogue); });
    EXPECT_EQ(f.sheet.tasks(), QStringList{"Writing Picks and Rejects"});
    EXPECT_EQ(broadcasts.finishes, 0);
    f.sheet.stopProgressSheet();
    EXPECT_FALSE(f.sheet.isSheetShown());
    EXPECT_EQ(broadcasts.finishes, 1);
}

// Background work may still report while the application ends, after the main window has gone: its
// tasks are tracked without a sheet, and their ends still come out even.
TEST(KTProgressWindowControllerTest, TasksAfterThePresentingWindowHasGoneShowNoSheet)
{
    SheetBroadcasts broadcasts;
    KTProgressWindowController sheet;
    auto window = std::make_unique<KTWindow>();
    sheet.setPresentingWindow(window.get());
    window.reset();

    SheetFixture::fromWorker([&](KTTasksNotifier &bus) { bus.taskDidStart(kValidateTaskName, nullptr); });
    EXPECT_EQ(sheet.tasks(), QStringList{kValidateTaskName});
    EXPECT_FALSE(sheet.isSheetShown());
    SheetFixture::fromWorker([&](KTTasksNotifier &bus) { bus.taskDidFinish(kValidateTaskName, nullptr); });
    EXPECT_TRUE(sheet.tasks().isEmpty());
    EXPECT_EQ(broadcasts.finishes, 1);
}
