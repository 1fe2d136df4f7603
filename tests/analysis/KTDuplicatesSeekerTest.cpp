// The similarity search over the session catalogue, end to end: bursts written as JPEG files,
// imported through KTImageStorage::loadImages with the seeker installed, grouped into "Group"
// records and time groups.

#include "KTDuplicatesSeeker.h"

#include "KTBurstFixture.h"
#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImagesSimilarityLevelsManager.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTSimilarFinder.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>

namespace {

const QStringList kPhases = {QStringLiteral("Analyzing Images"), QStringLiteral("Comparing Images"),
                             QStringLiteral("Finalizing")};

/// "s03-b0-2.jpg" -> "s03-b0": the scene and burst a photo was shot in; "" for a single.
QString burstOf(const KTImageMO *image)
{
    const QString name = QFileInfo(image->path()).completeBaseName();
    return name.startsWith(QLatin1Char('u')) ? QString() : name.section(QLatin1Char('-'), 0, 1);
}

/// A catalogue in a temporary folder with one folder source of bursts, the seeker installed over
/// a finder whose cache is in the same folder, and every notification recorded in order.
class DuplicatesSeeker : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_photos = new QTemporaryDir;
        KTBurstFixtureOptions options;
        options.scenes = 4;
        options.singles = 3;
        options.lookAlikes = 0;
        options.sameSpots = 0;
        for (const QString &path : writeBurstFixture(makeBurstFixture(options), s_photos->path()))
            ASSERT_FALSE(path.isEmpty());
        // A JPEG whose segments are whole and end with its end marker (so it is imported), but
        // whose frame is of the lossless process, which no decoder here reads: it has no
        // signature, so it takes no part in the search.
        QFile broken(s_photos->filePath(QStringLiteral("u-broken.jpg")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(
            QByteArray("\xFF\xD8\xFF\xC3\x00\x0B\x08\x00\x10\x00\x10\x01\x01\x11\x00\xFF\xDA\x00\x02", 19) +
            QByteArray(2040, '\x5a') + QByteArray("\xFF\xD9"));
    }
    static void TearDownTestSuite() { delete s_photos; }

    DuplicatesSeeker()
    {
        storage.setFindDuplicatesForAddedImages(true);
        storage.setAccuracyLevel(3);
        // The repeat of a scene two hours later stays apart from its first burst.
        storage.setTimeRange(3600);
        storage.setTimeLineInterval(10);
        storage.setCleanSessionHandler([this](std::function<void()> completion) {
            ++cleanSessions;
            if (completion)
                completion();
        });
        noGroups = KTNotificationCenter::defaultCenter().addObserver(
            QStringLiteral("NoSimilarGroupsFound"), &storage,
            [this](const KTNotification &) { ++noGroupsFound; });
        auto *source = context()->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(s_photos->path());
        source->setType(kFolderTypeFileSystem);
    }

    std::shared_ptr<KTObjectContext> context() { return storage.managedObjectContext(); }
    template <typename T> QList<T *> all(const QString &entity)
    {
        return context()->fetchAs<T>({entity, {}, {}});
    }

    void load()
    {
        const int before = tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName);
        storage.loadImages();
        ASSERT_TRUE(waitUntil(
            [&] { return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == before + 1; },
            std::chrono::seconds(60)));
        drainMainQueue();
    }
    void search(const QVariant &level)
    {
        const int before = tasks.count(kTaskDidFinishNotification, kSearchDuplicatesTaskName);
        storage.findImagesDuplicatesWithSimilarityLevel(level, 3600);
        ASSERT_TRUE(waitUntil(
            [&] { return tasks.count(kTaskDidFinishNotification, kSearchDuplicatesTaskName) == before + 1; },
            std::chrono::seconds(60)));
        drainMainQueue();
    }

    /// The groups as sets of bursts, one entry per group.
    std::vector<std::set<QString>> groupedBursts()
    {
        std::vector<std::set<QString>> result;
        for (KTImageGroupMO *group : all<KTImageGroupMO>(kImageGroupEntityName)) {
            std::set<QString> bursts;
            for (KTImageMO *image : group->images())
                bursts.insert(burstOf(image));
            result.push_back(bursts);
        }
        return result;
    }

    /// Walks the task starts and ends as a stack: every end closes the last open task of its
    /// name, and nothing stays open. Returns the open-task path at each start, "Loading Images >
    /// Comparing Images" and so on.
    QStringList nestedStarts()
    {
        QStringList stack;
        QStringList starts;
        for (const KTTaskRecorder::Event &event : tasks.events()) {
            const QString name = event.userInfo.value(kTaskNameKey).toString();
            if (event.notification == kTaskDidStartNotification) {
                stack.append(name);
                starts.append(stack.join(QStringLiteral(" > ")));
            } else if (event.notification == kTaskDidFinishNotification) {
                EXPECT_FALSE(stack.isEmpty()) << qPrintable(name);
                if (!stack.isEmpty()) {
                    EXPECT_EQ(stack.takeLast(), name);
                }
            }
        }
        EXPECT_TRUE(stack.isEmpty()) << qPrintable(stack.join(", "));
        return starts;
    }

    static QTemporaryDir *s_photos;
    QTemporaryDir dir;
    KTImageStorage storage{{dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))}};
    KTSimilarFinder finder{dir.filePath(QStringLiteral("Hashes"))};
    KTDuplicatesSeeker *seeker = KTDuplicatesSeeker::installInto(storage, &finder);
    KTTaskRecorder tasks{nullptr};
    KTObserverToken noGroups;
    int noGroupsFound = 0;
    int cleanSessions = 0;
};

QTemporaryDir *DuplicatesSeeker::s_photos = nullptr;

} // namespace

TEST_F(DuplicatesSeeker, ImportTurnsEachBurstIntoOneGroupAndNestsThePhaseTasks)
{
    load();

    const auto images = all<KTImageMO>(kImageEntityName);
    EXPECT_TRUE(std::any_of(images.begin(), images.end(),
                            [](KTImageMO *image) { return image->path().endsWith("u-broken.jpg"); }));
    std::set<QString> bursts;
    for (KTImageMO *image : images) {
        if (!burstOf(image).isEmpty())
            bursts.insert(burstOf(image));
        EXPECT_NE(image->timeGroup(), nullptr) << qPrintable(image->path());
    }
    ASSERT_GE(bursts.size(), 4u);
    const auto groups = groupedBursts();
    EXPECT_EQ(groups.size(), bursts.size());
    for (const auto &group : groups) {
        EXPECT_EQ(group.size(), 1u) << "a group mixes bursts";
        EXPECT_EQ(group.count(QString()), 0u) << "a single shot or the broken file was grouped";
    }
    EXPECT_FALSE(all<KTTimeGroupMO>(kTimeGroupEntityName).isEmpty());
    EXPECT_EQ(noGroupsFound, 0);
    EXPECT_FALSE(seeker->duplicatesSearchDidStart());

    const QString loading = kLoadImagesTaskName;
    EXPECT_EQ(nestedStarts(),
              (QStringList{loading, loading + " > Analyzing Images", loading + " > Comparing Images",
                           loading + " > Finalizing", loading + " > Grouping Images By Time"}));
    // Each phase: a cancelable start, 100 steps, then absolute progress up to 100.
    const auto &events = tasks.events();
    for (const QString &phase : kPhases) {
        auto start = std::find_if(events.begin(), events.end(), [&](const KTTaskRecorder::Event &e) {
            return e.notification == kTaskDidStartNotification && e.userInfo.value(kTaskNameKey) == phase;
        });
        ASSERT_NE(start, events.end()) << qPrintable(phase);
        EXPECT_TRUE(start->userInfo.value(kTaskCancelableStateKey).toBool());
        ASSERT_NE(start + 1, events.end());
        EXPECT_EQ(start[1].notification, kNumberOfTaskStepsDidCalculateNotification);
        EXPECT_EQ(start[1].userInfo.value(kNumberOfTaskStepsForCheckingKey).toInt(), 100);
        double last = -1;
        for (auto it = start + 2; it != events.end() && it->notification == kTaskProgresDidUpdate; ++it) {
            const double value = it->userInfo.value(kProgressValueKey).toDouble();
            EXPECT_GE(value, 0);
            EXPECT_LE(value, 100);
            last = value;
        }
        EXPECT_EQ(last, 100) << qPrintable(phase);
    }
}

// The search stops, the load goes on: every image is in, in a time group, in no similar group,
// and every task that started has ended.
TEST_F(DuplicatesSeeker, CancelDuringComparisonLeavesAConsistentCatalogue)
{
    seeker->setProgressHook([this](const QString &phase, double) {
        if (phase == kComparingImagesTaskName)
            seeker->cancelCurrentTask();
    });
    load();

    EXPECT_FALSE(all<KTImageMO>(kImageEntityName).isEmpty());
    for (KTImageMO *image : all<KTImageMO>(kImageEntityName)) {
        EXPECT_EQ(image->group(), nullptr);
        EXPECT_NE(image->timeGroup(), nullptr);
    }
    EXPECT_TRUE(all<KTImageGroupMO>(kImageGroupEntityName).isEmpty());
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, QStringLiteral("Finalizing")), 0);
    EXPECT_EQ(tasks.count(kTaskDidFinishNotification, kComparingImagesTaskName), 1);
    nestedStarts();
    EXPECT_FALSE(seeker->duplicatesSearchDidStart());

    // A search cancelled from the review modes leaves the groups shown before it.
    seeker->setProgressHook({});
    search(3);
    const auto before = groupedBursts();
    ASSERT_FALSE(before.empty());
    seeker->setProgressHook([this](const QString &phase, double) {
        if (phase == kComparingImagesTaskName)
            seeker->cancelCurrentTask();
    });
    search(3);
    EXPECT_EQ(groupedBursts(), before);
    nestedStarts();

    // A later load is not stopped by the earlier cancel.
    seeker->setProgressHook({});
    load();
    EXPECT_EQ(groupedBursts().size(), before.size());
}

TEST_F(DuplicatesSeeker, TwoQuickStartsRunOneSearch)
{
    load();
    tasks.clear();
    const auto groupIDs = [this] {
        QSet<QString> ids;
        for (KTImageGroupMO *group : all<KTImageGroupMO>(kImageGroupEntityName))
            ids.insert(group->groupID());
        return ids;
    };
    const QSet<QString> loaded = groupIDs();

    storage.findImagesDuplicatesWithSimilarityLevel(3, 3600);
    storage.findImagesDuplicatesWithSimilarityLevel(3, 3600);
    ASSERT_TRUE(
        waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kSearchDuplicatesTaskName) >= 1; },
                  std::chrono::seconds(60)));
    drainMainQueue();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kSearchDuplicatesTaskName), 1);
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, QStringLiteral("Analyzing Images")), 1);
    const QSet<QString> searched = groupIDs();
    EXPECT_EQ(searched.size(), loaded.size());
    EXPECT_FALSE(searched.intersects(loaded)) << "the groups were rebuilt";
    EXPECT_EQ(nestedStarts().first(), kSearchDuplicatesTaskName);
}

// The seeker is destroyed on the main thread while its search compares: the search reads only the
// state it was given (a use after free under the address sanitizer otherwise), stops as cancelled
// without saving, and ends its tasks without a sender. A later load searches nothing.
TEST_F(DuplicatesSeeker, SeekerDestroyedDuringASearchIsNotTouchedAndSavesNothing)
{
    load();
    const auto before = groupedBursts();
    ASSERT_FALSE(before.empty());
    tasks.clear();
    std::atomic_bool destroyed{false};
    seeker->setProgressHook([this, &destroyed](const QString &phase, double) {
        if (phase == kComparingImagesTaskName && !destroyed.exchange(true))
            runOnMainSync([this] {
                delete seeker;
                seeker = nullptr;
            });
    });
    storage.findImagesDuplicatesWithSimilarityLevel(3, 3600);
    ASSERT_TRUE(
        waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kSearchDuplicatesTaskName) == 1; },
                  std::chrono::seconds(60)));
    drainMainQueue();
    ASSERT_TRUE(destroyed.load());
    EXPECT_EQ(groupedBursts(), before);
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, QStringLiteral("Finalizing")), 0);
    nestedStarts();

    tasks.clear();
    load();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, QStringLiteral("Analyzing Images")), 0);
    EXPECT_EQ(groupedBursts(), before);
}

TEST_F(DuplicatesSeeker, PickedAndRejectedImagesTakeNoPartAndTheLevelChoosesTheSettings)
{
    load();
    ASSERT_FALSE(groupedBursts().empty());

    struct Case
    {
        QVariant level;
        bool manual;
    };
    for (const Case &c : {Case{QVariant(), true}, Case{0, true}, Case{6, true}, Case{3, false}}) {
        KTLogCapture log;
        search(c.level);
        EXPECT_EQ(log.contains(QStringLiteral("Manual search settings")), c.manual)
            << c.level.toString().toStdString();
        // The manual settings start as the "normal" preset.
        EXPECT_FALSE(groupedBursts().empty()) << c.level.toString().toStdString();
    }

    const auto images = all<KTImageMO>(kImageEntityName);
    for (qsizetype k = 0; k < images.size(); ++k) {
        if (k % 2)
            images[k]->setPicked(true);
        else
            images[k]->setRejected(true);
    }
    tasks.clear();
    search(3);
    EXPECT_TRUE(all<KTImageGroupMO>(kImageGroupEntityName).isEmpty());
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, QStringLiteral("Analyzing Images")), 0);
}

TEST(KTDuplicatesSeekerTest, ResetDropsTheLevelsStoreAndDeletesItsFile)
{
    QTemporaryDir dir;
    KTSimilarFinder finder(dir.filePath(QStringLiteral("Hashes")));
    const QString path = dir.filePath(QStringLiteral("ImagesSimilarityLevels.data"));
    KTDuplicatesSeeker seeker(&finder, path);

    // A folder in place of the file: an empty store, and the folder stays.
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_TRUE(seeker.imagesSimilarityLevels()->imagesLevels().empty());
    seeker.reset();
    EXPECT_TRUE(QFileInfo(path).isDir());
    ASSERT_TRUE(QDir(path).removeRecursively());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><array><array><array>"
               "<integer>1</integer></array></array></array></plist>");
    file.close();
    const auto store = seeker.imagesSimilarityLevels();
    EXPECT_EQ(store->numberOfLevels(), 5u);
    EXPECT_EQ(store->imagesLevels().size(), 1u);
    seeker.reset();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_NE(seeker.imagesSimilarityLevels(), store);
}
