#include "KTShellFixture.h"

#include "KTAppDelegate.h"

#include "KTCatalogFixtures.h"
#include "KTFilesManager.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageFixtures.h"
#include "KTProgressWindowController.h"
#include "KTRateWindow.h"
#include "KTSimilarFinder.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestFiles.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

constexpr qint64 kPickBit = 32;

class SaveQuitWorld : public KTShellWorld
{
public:
    QString picksInCatalogue()
    {
        return KTCatalogFixtures::scalar(
                   catalog, "SELECT group_concat(ci.image) FROM AgLibraryCollectionImage ci JOIN "
                            "AgLibraryCollection c ON c.id_local = ci.collection WHERE c.name = "
                            "'Vireoscope Picks'")
            .toString();
    }
    /// Reads the store on disk through a second catalogue over the same folder and shows `visit`
    /// the first image that `matches`; false when there is none.
    bool visitStoredImage(const std::function<bool(const KTImageMO &)> &matches,
                          const std::function<void(const KTImageMO &)> &visit)
    {
        storage->waitForStoreWrites();
        KTImageStorage reopened(
            {dir.filePath(QStringLiteral("support")), dir.filePath(QStringLiteral("legacy"))});
        for (KTImageMO *image :
             reopened.managedObjectContext()->fetchAs<KTImageMO>({kImageEntityName, {}, {}})) {
            if (matches(*image)) {
                visit(*image);
                return true;
            }
        }
        return false;
    }
    /// The sync bits of the image `guid` as the store on disk holds them.
    qint64 storedBits(const QString &guid)
    {
        qint64 bits = -1;
        if (!visitStoredImage([&](const KTImageMO &image) { return image.externalGUID() == guid; },
                              [&](const KTImageMO &image) { bits = image.syncStatusBitmask().value_or(0); }))
            ADD_FAILURE() << "no stored image " << qPrintable(guid);
        return bits;
    }
    /// A process list in which Lightroom runs while `lightroomRuns` holds, with the catalogue's
    /// lock file that a running Lightroom keeps.
    void fakeProcessList()
    {
        const QString proc = dir.filePath(QStringLiteral("proc"));
        manager.setApplicationRunningCheck([proc](const QString &bundleID) {
            return KTExternalImagesManager::isApplicationRunningInProcessList(bundleID, proc);
        });
        setLightroomRunning(true);
    }
    void setLightroomRunning(bool running)
    {
        const QString process = dir.filePath(QStringLiteral("proc/4242"));
        if (running) {
            QDir().mkpath(process);
            writeFile(process + QStringLiteral("/comm"), "Lightroom.exe\n");
            writeFile(catalog + QStringLiteral(".lock"), "");
        } else {
            QDir(process).removeRecursively();
            QFile::remove(catalog + QStringLiteral(".lock"));
        }
    }
    /// A folder session whose rejects mode lists `rejects` images.
    void folderSessionWithRejects(int rejects)
    {
        KTFolderMO *folder = addFolderSource();
        for (int i = 0; i < 5; ++i)
            addImage(folder, QStringLiteral("IMG_%1").arg(i))->setRejected(i < rejects);
        process();
    }
};

class KTSaveQuitTest : public ::testing::Test, public SaveQuitWorld
{
};

/// The application as the program runs it: the delegate launched over the world's main window,
/// Quit, the window's close and the termination signals wired as in the program.
class LaunchedWorld : public SaveQuitWorld
{
public:
    LaunchedWorld()
    {
        controller = std::make_unique<KTMainWindowController>(storage.get());
        controller->setScheduler(timers.scheduler());
        delegate.setMainWindowController(controller.get());
    }
    void launchTheApplication()
    {
        delegate.applicationDidFinishLaunching();
        settleLaunch();
    }
    /// Whether the image named `name` is picked in the store the next launch reads.
    bool storedPick(const QString &name)
    {
        bool picked = false;
        if (!visitStoredImage([&](const KTImageMO &image) { return image.name() == name; },
                              [&](const KTImageMO &image) { picked = image.picked().value_or(false); }))
            ADD_FAILURE() << "no stored image " << qPrintable(name);
        return picked;
    }

    KTAppDelegate delegate;
};

} // namespace

// The write-back clears the sync bits of what it wrote; saving before it only would leave the
// old bits in the store, and the next launch would write a cleared pick over the catalogue.
TEST_F(KTSaveQuitTest, QuitSavesWritesBackAndSavesAgain)
{
    const QList<KTImageMO *> images = catalogueSession(kFolderTypeLightroom5);
    launchAndSettle();
    images.first()->setPicked(true);
    process();
    ASSERT_TRUE(saveAndContinue());
    EXPECT_EQ(picksInCatalogue(), "101");

    images.first()->setPicked(false);
    process();
    EXPECT_EQ(images.first()->syncStatusBitmask().value_or(0), kPickBit);
    ASSERT_TRUE(storage->hasStatusChanges());
    // The catalogue is written off the main thread, under the progress sheet.
    std::optional<bool> shouldContinue;
    writeBack().saveChangesAndContinue([&](bool answer) { shouldContinue = answer; });
    KTProgressWindowController *sheet = window().progressWindowController();
    EXPECT_FALSE(shouldContinue.has_value());
    EXPECT_TRUE(sheet->isSheetShown());
    EXPECT_EQ(sheet->tasks(), QStringList{"Writing Picks and Rejects"});
    ASSERT_TRUE(waitUntil([&] { return shouldContinue.has_value(); }));
    EXPECT_TRUE(*shouldContinue);
    EXPECT_FALSE(sheet->isSheetShown());
    EXPECT_EQ(picksInCatalogue(), "");
    EXPECT_EQ(images.first()->syncStatusBitmask().value_or(0), 0);
    EXPECT_EQ(storedBits(QStringLiteral("101")), 0);
    EXPECT_TRUE(alerts->shown.empty());
}

// A catalogue that refuses the write keeps the decision's bit in the store for a later pass, and
// the user hears of it; the quit goes on.
TEST_F(KTSaveQuitTest, AFailedWriteBackKeepsTheBitsAndTellsTheUser)
{
    const QList<KTImageMO *> images = catalogueSession(kFolderTypeLightroom5);
    launchAndSettle();
    images.first()->setPicked(true);
    process();
    KTCatalogFixtures::corrupt(catalog);
    EXPECT_TRUE(saveAndContinue());
    ASSERT_EQ(alerts->messages(), QStringList{"Your picks and rejects could not be written to Lightroom 5."});
    EXPECT_EQ(alerts->shown.front().informativeText, "They are kept in this session.");
    EXPECT_EQ(images.first()->syncStatusBitmask().value_or(0), kPickBit);
    EXPECT_EQ(storedBits(QStringLiteral("101")), kPickBit);
}

// While the catalogue's application runs nothing is written; the user closes it and tries again,
// gives up the quit, or quits without writing.
TEST(KTSaveQuitTableTest, TheWriteBackWaitsForTheCatalogueApplication)
{
    const int tryAgain = KTAlert::kFirstButtonReturn;
    const int cancel = KTAlert::kFirstButtonReturn + 1;
    const int dontSave = KTAlert::kFirstButtonReturn + 2;
    const struct
    {
        const char *name;
        std::vector<int> answers;
        /// Lightroom is closed before this answer (-1: never).
        int closeBeforeAnswer;
        bool shouldContinue;
        QString picks;
    } cases[] = {
        {"try again until closed", {tryAgain, tryAgain, tryAgain}, 2, true, "101"},
        {"cancel", {tryAgain, cancel}, -1, false, ""},
        {"don't save", {dontSave}, -1, true, ""},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        SaveQuitWorld world;
        const QList<KTImageMO *> images = world.catalogueSession(kFolderTypeLightroom5);
        world.launchAndSettle();
        images.first()->setPicked(true);
        world.process();
        world.fakeProcessList();
        int shown = 0;
        for (int answer : row.answers) {
            const int index = shown++;
            world.alerts->answer([&world, &row, index, answer](const KTAlert &) {
                if (index == row.closeBeforeAnswer)
                    world.setLightroomRunning(false);
                return answer;
            });
        }
        EXPECT_EQ(world.saveAndContinue(), row.shouldContinue);
        EXPECT_EQ(int(world.alerts->shown.size()), int(row.answers.size()));
        for (const KTAlert &alert : world.alerts->shown) {
            EXPECT_EQ(alert.messageText,
                      "Attention! We can't save changes when Lightroom 5 is running. Please "
                      "close Lightroom 5 to avoid losing progress.");
            EXPECT_EQ(alert.buttons, (QStringList{"Try Again", "Cancel", "Don't Save"}));
        }
        EXPECT_EQ(world.picksInCatalogue(), row.picks);
    }
}

TEST_F(KTSaveQuitTest, AFolderSessionSavesWithoutAsking)
{
    folderSessionWithRejects(2);
    launchAndSettle();
    storage->images().first()->setPicked(true);
    process();
    EXPECT_TRUE(storage->hasChanges());
    std::optional<KTCatalogWriteBack::TerminateReply> reply;
    writeBack().saveChangesAndReplyToTerminate(
        [&](KTCatalogWriteBack::TerminateReply answer) { reply = answer; });
    EXPECT_EQ(reply, KTCatalogWriteBack::TerminateReply::TerminateNow);
    EXPECT_FALSE(storage->hasChanges());
    EXPECT_TRUE(alerts->shown.empty());
}

// Closing the window saves, then offers the rate window, then reports the close; a cancelled save
// keeps the window open and counts no close.
TEST_F(KTSaveQuitTest, ClosingTheWindowSavesAndCountsTheClose)
{
    const QList<KTImageMO *> images = catalogueSession(kFolderTypeLightroom5);
    launchAndSettle();
    images.first()->setPicked(true);
    process();
    fakeProcessList();
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(kRateWindowShareCountKey);
    QSignalSpy closed(&window(), &KTMainWindowController::windowDidClose);

    alerts->answer(KTAlert::kFirstButtonReturn + 1);
    window().window()->close();
    drainMainQueue();
    EXPECT_TRUE(window().window()->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(defaults.integerForKey(kRateWindowShareCountKey), 0);

    setLightroomRunning(false);
    window().window()->close();
    ASSERT_TRUE(closed.wait(5000));
    EXPECT_FALSE(window().window()->isVisible());
    EXPECT_EQ(defaults.integerForKey(kRateWindowShareCountKey), 1);
    EXPECT_EQ(picksInCatalogue(), "101");
}

TEST(KTSaveQuitTableTest, ANewSessionOfFoldersAsksAboutTheRejects)
{
    const struct
    {
        const char *name;
        int rejects;
        int answer;
        int questions;
        int trashed;
        bool sourcesWindow;
    } cases[] = {
        {"no rejects", 0, 0, 0, 0, true},
        {"trash and proceed", 3, KTAlert::kDefaultReturn, 1, 1, true},
        {"don't trash", 3, KTAlert::kAlternateReturn, 1, 0, true},
        {"cancel", 3, KTAlert::kOtherReturn, 1, 0, false},
        {"one reject", 1, KTAlert::kAlternateReturn, 1, 0, true},
    };
    const QString many =
        QStringLiteral("There are 3 images in the Rejects. To get rid of them completely, move "
                       "them to trash. Otherwise, the images will be restored. What would you "
                       "like to do?");
    const QString one =
        QStringLiteral("There is 1 image in the Rejects. To get rid of it completely, move it "
                       "to trash. Otherwise, the image will be restored. What would you like to "
                       "do?");
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        SaveQuitWorld world;
        world.folderSessionWithRejects(row.rejects);
        world.launchAndSettle();
        world.alerts->answer(row.answer);
        world.window().onStartNewSession();
        ASSERT_EQ(int(world.alerts->shown.size()), row.questions);
        if (row.questions) {
            const KTAlert &alert = world.alerts->shown.front();
            EXPECT_EQ(alert.messageText, row.rejects == 1 ? one : many);
            EXPECT_EQ(alert.buttons, (QStringList{"Trash & Proceed", "Don't Trash", "Cancel"}));
        }
        EXPECT_EQ(world.mode("Trash")->count("onMoveToSystemTrash"), row.trashed);
        EXPECT_EQ(world.window().isImageSourcesWindowVisible(), row.sourcesWindow);
    }
}

TEST_F(KTSaveQuitTest, ACatalogueSessionNeverAsksAboutTheRejects)
{
    const QList<KTImageMO *> images = catalogueSession(kFolderTypeLightroom5);
    launchAndSettle();
    images.first()->setRejected(true);
    process();
    ASSERT_EQ(storage->countForImagesFilteredByFilterWithID(QStringLiteral("TrashImagesFilter")), 1u);
    int answer = -2;
    window().askUserAboutTrashedImagesWithAlertBlock([&](int returnCode) { answer = returnCode; });
    EXPECT_EQ(answer, KTAlert::kAlternateReturn);
    // The new session first writes the reject to the catalogue, then opens the sources window.
    window().onStartNewSession();
    EXPECT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
    EXPECT_TRUE(alerts->shown.empty());
    EXPECT_EQ(mode("Trash")->count("onMoveToSystemTrash"), 0);
}

// The signatures go to the cache folder in the application's data: its file system is measured,
// and a session whose signatures would take more than 95 % of the free space is refused.
TEST_F(KTSaveQuitTest, TheDiskCheckMeasuresTheCacheFileSystem)
{
    launch();
    const QString hashes = KTFilesManager::sharedManager().hashesDirectoryPath();
    const qint64 count = 100'000;
    const qint64 needed = KTSimilarFinder::neededSizeInBytesOnDisk(hashes, count);
    QStringList measured;
    qint64 free = 0;
    flow().setFreeDiskSpace([&](const QString &path) {
        measured.append(path);
        return free;
    });
    const struct
    {
        qint64 free;
        bool accepted;
    } cases[] = {
        {qint64(needed / 0.95) + 4096, true},
        {qint64(needed / 0.95) - 4096, false},
        {0, false},
        {-1, false},
    };
    for (const auto &row : cases) {
        free = row.free;
        alerts->shown.clear();
        EXPECT_EQ(flow().validateRequiredDiskSpaceForItemsCount(count), row.accepted) << row.free;
        EXPECT_EQ(alerts->shown.size(), row.accepted ? 0u : 1u) << row.free;
    }
    EXPECT_EQ(measured.first(), hashes);
    EXPECT_EQ(
        alerts->messages().first(),
        QStringLiteral("Vireoscope requires at least %1 MB free space on your hard disk. To proceed, please "
                       "free up additional space or select fewer images to process.")
            .arg((needed + 999'999) / 1'000'000));
    // A refused start leaves the catalogue alone.
    free = 0;
    KTSessionFlow::Sources sources;
    sources.folders = {dir.path()};
    sources.externalItemsCount = 10;
    EXPECT_EQ(startSession(sources), KTSessionFlow::StartOutcome::Refused);
    EXPECT_FALSE(storage->newSession());
    EXPECT_TRUE(storage->sources().isEmpty());
}

// Counted as the load finds them: extensions in any case, hidden files and folders left out, an
// image under two sources counted once.
TEST(KTSessionCountTest, CountsTheImagesALoadWouldImport)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(QStringLiteral("a/nested"));
    root.mkpath(QStringLiteral("a/.hidden"));
    for (const char *name : {"a/1.jpg", "a/2.JPG", "a/3.Jpeg", "a/nested/4.jpg", "a/5.x3f", "a/6.X3F",
                             "a/7.CR2", "a/.8.jpg", "a/.hidden/9.jpg", "a/notes.txt", "a/nested/noextension"})
        writeFile(root.filePath(QString::fromLatin1(name)), "x");
    EXPECT_EQ(KTSessionFlow::countSourcesForSources({root.filePath("a")}), 7);
    EXPECT_EQ(KTSessionFlow::countSourcesForSources({root.filePath("a"), root.filePath("a/nested")}), 7);
    EXPECT_EQ(KTSessionFlow::countSourcesForSources({root.filePath("a/nested")}), 1);
    EXPECT_EQ(KTSessionFlow::countSourcesForSources({root.filePath("missing")}), 0);
}

// Every way the application ends goes through the one save (and, for a catalogue, write-back)
// before it ends: a pick made just before is in the store the next launch reads.
TEST(KTWaysOutTableTest, EveryWayOutKeepsThePickMadeJustBefore)
{
    enum class Way
    {
        QuitItem,
        CloseWindow,
        InvalidSourcesClose,
        Signal,
    };
    const struct
    {
        const char *name;
        Way way;
        int signalNumber;
    } cases[] = {
        {"File > Quit", Way::QuitItem, 0},
        {"closing the main window", Way::CloseWindow, 0},
        {"Close on the unavailable-sources alert", Way::InvalidSourcesClose, 0},
        {"SIGTERM at the desktop's log-out", Way::Signal, SIGTERM},
        {"SIGHUP", Way::Signal, SIGHUP},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        LaunchedWorld world;
        world.addImage(world.addFolderSource(), QStringLiteral("a"));
        world.process();
        ASSERT_TRUE(world.storage->saveChangesOrReturnError(nullptr));
        world.launchTheApplication();
        world.storage->images().first()->setPicked(true);
        world.process();

        switch (row.way) {
        case Way::QuitItem:
            for (QAction *item : KTMainMenu::commandItems(world.window().menuBar())) {
                if (KTMainMenu::command(item) == KTMenuCommand::Quit)
                    item->trigger();
            }
            break;
        case Way::CloseWindow:
            world.window().window()->close();
            break;
        case Way::InvalidSourcesClose:
            world.alerts->answer(KTAlert::kAlternateReturn);
            KTTasksNotifier::sharedNotifier().taskDidStart(kValidateTaskName, world.storage.get());
            KTTasksNotifier::sharedNotifier().taskDidFinish(kValidateTaskName, world.storage.get(),
                                                            KTTaskDidFinishInfo::validated(true));
            break;
        case Way::Signal:
            ASSERT_EQ(std::raise(row.signalNumber), 0);
            break;
        }
        ASSERT_TRUE(waitUntil([&] { return world.seams.terminations() == 1; }));
        drainMainQueue();
        EXPECT_EQ(world.seams.terminations(), 1);
        EXPECT_TRUE(world.storedPick(QStringLiteral("a")));
    }
}

// A catalogue session replaced by a new one (here by a second start with a folder) writes its
// picks to the catalogue before it is cleared, as a quit does.
TEST(KTWaysOutTableTest, ANewSessionOverACatalogueSessionWritesItsPicksBackFirst)
{
    LaunchedWorld world;
    const QList<KTImageMO *> images = world.catalogueSession(kFolderTypeLightroom5);
    world.launchTheApplication();
    images.first()->setPicked(true);
    world.process();
    const QString folder = world.dir.filePath(QStringLiteral("Next"));
    QDir().mkpath(folder);
    ASSERT_TRUE(writeJpegWithExif(QDir(folder).filePath(QStringLiteral("IMG_0001.jpg"))));

    world.delegate.handOff({folder});
    ASSERT_TRUE(world.window().isImageSourcesWindowVisible());
    world.window().imageSourcesController()->onStartSession();
    ASSERT_TRUE(waitUntil([&] { return world.storage->newSession(); }));
    EXPECT_EQ(world.picksInCatalogue(), "101");
    EXPECT_TRUE(world.alerts->shown.empty());
    // The new session loads to its end before the world goes.
    EXPECT_TRUE(waitUntil([&] { return !world.storage->newSession() && world.window().tasks().isEmpty(); }));
    drainMainQueue();
}
