#include "KTShellFixture.h"

#include "KTCatalogFixtures.h"
#include "KTExternalStatusFlows.h"
#include "KTImageFixtures.h"
#include "KTBrokenImagesWindowController.h"
#include "KTCatalogNotifications.h"
#include "KTImageInfoView.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTProgressWindowController.h"
#include "KTSButton.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTUndoManager.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <condition_variable>

namespace {

class ChainWorld : public KTShellWorld
{
public:
    /// Posts a task's start or end on the bus, as the catalogue does, and delivers it.
    void start(const QString &name, QObject *sender = nullptr)
    {
        KTTasksNotifier::sharedNotifier().taskDidStart(name, sender ? sender : storage.get());
        drainMainQueue();
    }
    void finish(const QString &name, const QVariantMap &userInfo = {}, QObject *sender = nullptr)
    {
        KTTasksNotifier::sharedNotifier().taskDidFinish(name, sender ? sender : storage.get(), userInfo);
        drainMainQueue();
    }
    /// Waits until the chain has no running task and the catalogue's task of `name` has ended
    /// `count` times.
    bool waitForChain(KTTaskRecorder &tasks, const QString &name, int count = 1, int seconds = 120)
    {
        const bool ended = waitUntil(
            [&] {
                return tasks.count(kTaskDidFinishNotification, name) >= count && window().tasks().isEmpty();
            },
            std::chrono::seconds(seconds));
        drainMainQueue();
        return ended;
    }
};

class KTSessionChainTest : public ::testing::Test, public ChainWorld
{
};

class CatalogueWorld : public ChainWorld
{
};

class KTExternalQuestionTest : public ::testing::Test, public CatalogueWorld
{
};

/// A similarity search that holds its first run at a gate until the test opens it.
struct KTGatedSearch
{
    std::mutex mutex;
    std::condition_variable condition;
    bool open = false;
    bool reached = false;
    int runs = 0;

    void install(KTImageStorage &storage)
    {
        KTImageStorage::DuplicatesSearch search;
        search.find = [](const QVariant &, double) {};
        search.findInContext = [this](const QVariant &, double, KTObjectContext &) {
            std::unique_lock lock(mutex);
            ++runs;
            reached = true;
            condition.wait(lock, [this] { return open; });
        };
        search.reset = [] {};
        storage.setDuplicatesSearch(std::move(search));
    }
    bool hasReached()
    {
        std::lock_guard lock(mutex);
        return reached;
    }
    void release()
    {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        condition.notify_all();
    }
    ~KTGatedSearch() { release(); }
};

QString folderWithPhotos(const QString &parent, const QString &name, int count)
{
    const QString folder = QDir(parent).filePath(name);
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(writeJpegWithExif(QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(i))));
    return folder;
}

} // namespace

TEST_F(KTSessionChainTest, OnlyTheEndOfTheOutermostTaskActs)
{
    addImage(addFolderSource(), QStringLiteral("a"));
    process();
    launchAndSettle();
    storage->setNewSession(true);

    QObject seeker;
    start(kLoadImagesTaskName);
    start(kSearchDuplicatesTaskName, &seeker);
    start(QStringLiteral("Analyzing Images"), &seeker);
    EXPECT_EQ(window().tasks(),
              (QStringList{kLoadImagesTaskName, kSearchDuplicatesTaskName, "Analyzing Images"}));
    finish(QStringLiteral("Analyzing Images"), {}, &seeker);
    finish(kSearchDuplicatesTaskName, {}, &seeker);
    EXPECT_TRUE(storage->newSession());
    EXPECT_EQ(window().tasks(), QStringList{kLoadImagesTaskName});

    finish(kLoadImagesTaskName);
    EXPECT_FALSE(storage->newSession());
    EXPECT_TRUE(window().tasks().isEmpty());

    // The end of a clearing takes the cleared records out of the active mode's info strip.
    KTImageInfoView *info = mode(window().UIMode())->infoView();
    info->setImageMO(storage->images().value(0));
    ASSERT_NE(info->imageMO(), nullptr);
    start(kCleanSessionTaskName);
    finish(kCleanSessionTaskName);
    EXPECT_EQ(info->imageMO(), nullptr);

    // A finish out of order is logged and still pops the stack.
    KTLogCapture log;
    start(kValidateTaskName);
    finish(kDeleteSourcesTaskName);
    EXPECT_TRUE(
        log.contains("The finished task Deleting Sources should be equal to last started task Validating"));
    EXPECT_TRUE(window().tasks().isEmpty());
}

TEST(KTSessionChainTableTest, TheEndOfAValidationLeadsOn)
{
    const struct
    {
        const char *name;
        bool hasSources;
        bool invalid;
        int answer;
        int alerts;
        int terminations;
        bool newSessionAfter;
        bool sourcesWindow;
    } cases[] = {
        // First, so that its main window is the process's first: the sheet's order on the bus is
        // set when the first one is made.
        {"invalid, new session", true, true, KTAlert::kDefaultReturn, 1, 0, true, true},
        // No sources: the new-session flow, even when the sources were reported invalid.
        {"no sources", false, true, KTAlert::kDefaultReturn, 0, 0, true, true},
        {"valid sources", true, false, KTAlert::kDefaultReturn, 0, 0, false, false},
        {"invalid, close", true, true, KTAlert::kAlternateReturn, 1, 1, true, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        ChainWorld world;
        if (row.hasSources)
            world.addFolderSource();
        world.launchAndSettle();
        world.storage->setNewSession(true);
        world.alerts->shown.clear();
        // The alert never shows over the progress sheet of the validation that led to it.
        QStringList sheetUnderTheAlert{QStringLiteral("not asked")};
        world.alerts->answer([&](const KTAlert &) {
            sheetUnderTheAlert = world.window().progressWindowController()->tasks();
            return row.answer;
        });
        world.start(kValidateTaskName);
        world.finish(kValidateTaskName, KTTaskDidFinishInfo::validated(row.invalid));
        EXPECT_EQ(int(world.alerts->shown.size()), row.alerts);
        if (row.alerts) {
            EXPECT_EQ(sheetUnderTheAlert, QStringList{});
        }
        if (row.alerts) {
            const KTAlert &alert = world.alerts->shown.front();
            EXPECT_EQ(alert.messageText,
                      "Some of picture sources are unavailable." + QString(69, ' ') +
                          "Please connect your external devices and relaunch Vireoscope or "
                          "start New Session.");
            EXPECT_EQ(alert.buttons, (QStringList{"New session", "Close"}));
        }
        EXPECT_EQ(world.seams.terminations(), row.terminations);
        EXPECT_EQ(world.storage->newSession(), row.newSessionAfter);
        EXPECT_EQ(world.window().isImageSourcesWindowVisible(), row.sourcesWindow);
    }
}

TEST(KTExternalQuestionTableTest, ChangesInTheCatalogueAreAskedAboutByCase)
{
    const struct
    {
        const char *type;
        bool newSession;
        QString message;
        QString informative;
        QStringList buttons;
    } cases[] = {
        {"Lightroom5",
         true,
         "We found images in your collections: Vireoscope Picks and Vireoscope Rejects. These are the images "
         "from your previous session and it is highly recommended to move them to a different place. Would "
         "you "
         "like Vireoscope to clean up those collections now, or launch a session with those images included.",
         {},
         {"Launch Session", "Clean Up Now"}},
        {"iPhoto",
         true,
         "You have flagged and trashed images in your catalog. Vireoscope can move \"Flagged\" images to "
         "Picks "
         "View, and \"Trashed\" images to Rejects View. Alternatively Vireoscope can ignore your catalog "
         "flags and "
         "import these and other images together. What would you like to do?",
         {},
         {"Move to Picks & Rejects", "Ignore Flags & Import All"}},
        {"Lightroom5",
         false,
         "It looks like you've made changes in your Lightroom 5 catalog.",
         "Do you want to sync these changes with Vireoscope?",
         {"Yes, Sync", "No, Don't Sync"}},
        {"Aperture",
         false,
         "It looks like you've made changes in your Aperture library.",
         "Do you want to sync these changes with Vireoscope?",
         {"Yes, Sync", "No, Don't Sync"}},
    };
    for (const auto &row : cases) {
        for (const int answer : {KTAlert::kFirstButtonReturn, KTAlert::kFirstButtonReturn + 1}) {
            SCOPED_TRACE(
                QStringLiteral("%1 %2 %3").arg(row.type).arg(row.newSession).arg(answer).toStdString());
            CatalogueWorld world;
            const QList<KTImageMO *> images = world.catalogueSession(QString::fromLatin1(row.type));
            world.launchAndSettle();
            world.alerts->shown.clear();
            world.storage->setNewSession(row.newSession);
            world.pickInCatalogue(QString::fromLatin1(row.type));

            world.alerts->answer(answer);
            bool done = false;
            world.writeBack().checkExternalImagesForUpdatesAndShowAlert([&done] { done = true; });
            ASSERT_TRUE(waitUntil([&] { return done; }));
            const std::vector<KTAlert> &shown = world.alerts->shown;
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown.front().messageText, row.message);
            EXPECT_EQ(shown.front().informativeText, row.informative);
            EXPECT_EQ(shown.front().buttons, row.buttons);
            if (answer == KTAlert::kFirstButtonReturn) {
                // The catalogue's flags win.
                EXPECT_EQ(images.at(1)->picked(), true);
            } else {
                // The session's state is marked to be written back.
                EXPECT_NE(images.at(1)->picked(), true);
                EXPECT_EQ(images.at(1)->syncStatusBitmask().value_or(0) & 48, 48);
            }
        }
    }
}

TEST_F(KTExternalQuestionTest, AnUnchangedCatalogueImportsWithoutAsking)
{
    const QList<KTImageMO *> images = catalogueSession(kFolderTypeLightroom5);
    images.first()->setPicked(true);
    process();
    launchAndSettle();
    alerts->shown.clear();
    bool done = false;
    writeBack().checkExternalImagesForUpdatesAndShowAlert([&done] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_TRUE(alerts->shown.empty());
    // The session is as the catalogue is: nothing changed, nothing to write.
    EXPECT_TRUE(images.at(1)->syncStatusBitmask().value_or(0) == 0);
}

// A new session started while a load runs must not clear the catalogue under it: the load is
// cancelled, and the new sources are added once the chain has ended.
TEST_F(KTSessionChainTest, ANewSessionWaitsForTheRunningLoadToEnd)
{
    KTGatedSearch search;
    search.install(*storage);
    const QString first = folderWithPhotos(dir.path(), QStringLiteral("First"), 4);
    const QString second = folderWithPhotos(dir.path(), QStringLiteral("Second"), 3);
    launchAndSettle();
    // The set-up opened the sources window; the sessions start here without it.
    window().closeImageSourcesWindow();
    KTTaskRecorder tasks(storage.get());

    KTSessionFlow::Sources sources;
    sources.folders = {first};
    ASSERT_EQ(startSession(sources), KTSessionFlow::StartOutcome::Started);
    ASSERT_TRUE(waitUntil([&] { return search.hasReached(); }));

    sources.folders = {second};
    ASSERT_EQ(startSession(sources), KTSessionFlow::StartOutcome::Started);
    EXPECT_TRUE(flow().hasPendingSessionStart());
    EXPECT_TRUE(storage->isCurrentTaskCanceled());
    search.release();
    ASSERT_TRUE(waitForChain(tasks, kLoadImagesTaskName, 2));

    EXPECT_FALSE(flow().hasPendingSessionStart());
    ASSERT_EQ(storage->sources().size(), 1);
    EXPECT_EQ(storage->sources().first()->path(), second);
    ASSERT_EQ(storage->images().size(), 3);
    for (KTImageMO *image : storage->images()) {
        ASSERT_NE(image->folder(), nullptr) << qPrintable(image->path());
        EXPECT_EQ(image->folder()->path(), second);
    }
    // The cancelled load's clearing did not open the sources window over the new session, and
    // the new session's search (which found no group) led on to the timeline.
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(window().UIMode(), "AllImages");
    EXPECT_EQ(search.runs, 2);
}

TEST_F(KTSessionChainTest, MissingImagesShowInOneSheetUntilItIsDismissed)
{
    addFolderSource();
    launchAndSettle();
    const QList<KTBrokenImage> first{{"a.jpg", "gone"}};
    const QList<KTBrokenImage> second{{"b.jpg", "unreadable"}, {"c.jpg", "unreadable"}};
    const auto report = [&](const QList<KTBrokenImage> &list) {
        KTNotificationCenter::defaultCenter().post(KTFailedToLoadSomeImagesInfo::name(), storage.get(),
                                                   KTFailedToLoadSomeImagesInfo::userInfo(list));
        drainMainQueue();
    };
    report(first);
    KTBrokenImagesWindowController *sheet = window().currentBrokenImagesWindowController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isSheetShown());
    EXPECT_EQ(sheet->brokenImages(), first);
    // A second report while the sheet is up fills the same sheet.
    report(second);
    EXPECT_EQ(window().currentBrokenImagesWindowController(), sheet);
    EXPECT_EQ(sheet->brokenImages(), second);

    sheet->onOKButton();
    EXPECT_EQ(window().currentBrokenImagesWindowController(), nullptr);
    report(first);
    ASSERT_NE(window().currentBrokenImagesWindowController(), nullptr);
    EXPECT_EQ(window().currentBrokenImagesWindowController()->brokenImages(), first);
}

// A load cancelled from the progress sheet clears the half-made session and gives the sources
// window back with the folders the user had chosen, ready to start again.
TEST_F(KTSessionChainTest, ACancelledLoadReturnsToTheSourcesWindowWithTheChosenFolders)
{
    KTGatedSearch search;
    search.install(*storage);
    const QString first = folderWithPhotos(dir.path(), QStringLiteral("First"), 2);
    const QString second = folderWithPhotos(dir.path(), QStringLiteral("Second"), 2);
    launchAndSettle();
    KTImageSourcesWindowController &sources = *window().imageSourcesController();
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    KTTaskRecorder tasks(storage.get());
    sources.addPaths({first, second});
    sources.onStartSession();
    ASSERT_TRUE(waitUntil([&] { return search.hasReached(); }));
    EXPECT_FALSE(window().isImageSourcesWindowVisible());

    window().progressWindowController()->onCancel();
    search.release();
    ASSERT_TRUE(waitForChain(tasks, kCleanSessionTaskName));
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(sources.imageSources(), (QStringList{first, second}));
    EXPECT_TRUE(sources.window()->startSessionButton()->isButtonEnabled());
    EXPECT_TRUE(storage->sources().isEmpty());
}
