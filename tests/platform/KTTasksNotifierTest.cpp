#include "KTDispatch.h"
#include "KTNotificationCenter.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"

#include <QThread>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Recorder
{
    std::vector<KTNotification> heard;
    std::vector<KTObserverToken> tokens;

    Recorder()
    {
        for (const QString &name : {kTaskDidStartNotification, kTaskDidFinishNotification, kTaskStepsDidExecuteNotification,
                                    kTaskProgresDidUpdate, kNumberOfTaskStepsDidCalculateNotification}) {
            tokens.push_back(KTNotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this](const KTNotification &n) { heard.push_back(n); }));
        }
    }
};

} // namespace

TEST(KTTasksNotifierTest, StartIsDeliveredOnALaterTurnWithExactlyItsKeys)
{
    Recorder recorder;
    QObject sender;
    KTTasksNotifier::sharedNotifier().taskDidStart(kLoadImagesTaskName, &sender,
                                                   KTTaskDidStartInfo::cancelable());
    KTTasksNotifier::sharedNotifier().taskDidStart(kValidateTaskName, &sender);
    EXPECT_TRUE(recorder.heard.empty());

    drainMainQueue();
    ASSERT_EQ(recorder.heard.size(), 2u);
    EXPECT_EQ(recorder.heard[0].name, "TaskDidStart");
    EXPECT_EQ(recorder.heard[0].object, &sender);
    EXPECT_EQ(recorder.heard[0].userInfo,
              (QVariantMap{{"TaskName", "Loading Images"}, {"TasCancelableState", true}}));
    EXPECT_EQ(recorder.heard[1].userInfo, (QVariantMap{{"TaskName", "Validating"}}));
}

TEST(KTTasksNotifierTest, BlockQueuedBeforeFinishRunsBeforeObserversHearIt)
{
    Recorder recorder;
    bool blockRan = false;
    bool blockRanBeforeFinish = false;
    auto token = KTNotificationCenter::defaultCenter().addObserver(
        kTaskDidFinishNotification, nullptr, [&](const KTNotification &) { blockRanBeforeFinish = blockRan; });

    postToMain([&] { blockRan = true; });
    KTTasksNotifier::sharedNotifier().taskDidFinish(kCleanSessionTaskName, nullptr);
    drainMainQueue();
    EXPECT_TRUE(blockRanBeforeFinish);
}

TEST(KTTasksNotifierTest, EventsFromABackgroundThreadArriveInCallOrder)
{
    Recorder recorder;
    QObject sender;
    QThread *thread = QThread::create([&] {
        auto &notifier = KTTasksNotifier::sharedNotifier();
        notifier.taskDidStart(kMovingItemsTaskName, &sender);
        notifier.numberOfTaskStepsDidCalculate(3, &sender);
        notifier.stepsDidExecute(1, &sender);
        notifier.taskProgressDidUpdate(50.0, &sender);
        notifier.taskDidFinish(kMovingItemsTaskName, &sender, KTTaskDidFinishInfo::validated(false));
    });
    thread->start();
    thread->wait();
    delete thread;
    ASSERT_TRUE(waitUntil([&] { return recorder.heard.size() == 5; }));

    const std::vector<std::pair<QString, QVariantMap>> expected = {
        {"TaskDidStart", {{"TaskName", "Moving Images"}}},
        {"TaskStepsDidCalculate", {{"NumberOfTaskStepsForChecking", 3}}},
        {"StepDidExecute", {{"NumberOfExecutedSteps", 1}}},
        {"TaskProgressDidUpdate", {{"ProgressValue", 50.0}}},
        {"TaskDidFinish", {{"TaskName", "Moving Images"}, {"hasInvalidSourcesKey", false}}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recorder.heard[i].name, expected[i].first);
        EXPECT_EQ(recorder.heard[i].userInfo, expected[i].second) << expected[i].first.toStdString();
        EXPECT_EQ(recorder.heard[i].object, &sender);
    }
}

// A worker that reports after its sender was destroyed on the main thread reads nothing of the
// sender: the notification arrives without one.
TEST(KTTasksNotifierTest, WorkerReportingAfterItsSenderIsGoneReportsWithoutOne)
{
    Recorder recorder;
    auto *sender = new QObject;
    const KTTaskSender carried(sender);
    delete sender;
    std::thread([carried] { KTTasksNotifier::sharedNotifier().stepsDidExecute(1, carried); }).join();
    drainMainQueue();
    ASSERT_EQ(recorder.heard.size(), 1u);
    EXPECT_EQ(recorder.heard[0].object, nullptr);
}

TEST(KTTasksNotifierTest, SenderDestroyedBeforeDeliveryArrivesAsNull)
{
    Recorder recorder;
    auto *sender = new QObject;
    KTTasksNotifier::sharedNotifier().taskDidStart(kAddSourcesTaskName, sender);
    delete sender;
    drainMainQueue();
    ASSERT_EQ(recorder.heard.size(), 1u);
    EXPECT_EQ(recorder.heard[0].object, nullptr);
}

// What the notifier posts is what the typed readers of the task bus answer; a payload of another
// shape reads as nothing.
TEST(KTTasksNotifierTest, TypedReadersAnswerWhatTheNotifierPosted)
{
    Recorder recorder;
    QObject sender;
    auto &notifier = KTTasksNotifier::sharedNotifier();
    notifier.taskDidStart(kLoadImagesTaskName, &sender, KTTaskDidStartInfo::cancelable());
    notifier.taskDidStart(kValidateTaskName, &sender);
    notifier.numberOfTaskStepsDidCalculate(20'000, &sender);
    notifier.stepsDidExecute(3, &sender);
    notifier.taskProgressDidUpdate(42.5, &sender);
    notifier.taskDidFinish(kValidateTaskName, &sender, KTTaskDidFinishInfo::validated(true));
    notifier.taskDidFinish(kLoadImagesTaskName, &sender);
    drainMainQueue();
    ASSERT_EQ(recorder.heard.size(), 7u);
    const auto &heard = recorder.heard;

    EXPECT_EQ(heard[0].name, KTTaskDidStartInfo::name());
    EXPECT_EQ(KTTaskDidStartInfo::taskName(heard[0].userInfo), kLoadImagesTaskName);
    EXPECT_TRUE(KTTaskDidStartInfo::isCancelable(heard[0].userInfo));
    EXPECT_FALSE(KTTaskDidStartInfo::isCancelable(heard[1].userInfo));
    EXPECT_EQ(heard[2].name, KTTaskStepsDidCalculateInfo::name());
    EXPECT_EQ(KTTaskStepsDidCalculateInfo::numberOfTaskSteps(heard[2].userInfo), 20'000);
    EXPECT_EQ(heard[3].name, KTTaskStepsDidExecuteInfo::name());
    EXPECT_EQ(KTTaskStepsDidExecuteInfo::numberOfExecutedSteps(heard[3].userInfo), 3);
    EXPECT_EQ(heard[4].name, KTTaskProgressDidUpdateInfo::name());
    EXPECT_DOUBLE_EQ(KTTaskProgressDidUpdateInfo::progressValue(heard[4].userInfo), 42.5);
    EXPECT_EQ(heard[5].name, KTTaskDidFinishInfo::name());
    EXPECT_EQ(KTTaskDidFinishInfo::taskName(heard[5].userInfo), kValidateTaskName);
    EXPECT_EQ(KTTaskDidFinishInfo::hasInvalidSources(heard[5].userInfo), true);
    EXPECT_EQ(KTTaskDidFinishInfo::hasInvalidSources(heard[6].userInfo), std::nullopt);

    const QVariantMap foreign{{kTaskNameKey, 5},
                              {kTaskCancelableStateKey, QStringLiteral("yes")},
                              {kNumberOfExecutedStepsKey, QStringLiteral("many")},
                              {kHasInvalidSourcesKey, 1}};
    EXPECT_TRUE(KTTaskNameInfo::taskName(foreign).isEmpty());
    EXPECT_FALSE(KTTaskDidStartInfo::isCancelable(foreign));
    EXPECT_EQ(KTTaskStepsDidExecuteInfo::numberOfExecutedSteps(foreign), 0);
    EXPECT_EQ(KTTaskDidFinishInfo::hasInvalidSources(foreign), std::nullopt);
}
