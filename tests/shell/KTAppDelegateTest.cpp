#include "KTAppDelegate.h"

#include "KTCatalogFixtures.h"

#include "KTAbstractButton.h"
#include "KTExternalImagesManager.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTShareManager.h"
#include "KTShellFixture.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DelegateWorld : public KTShellWorld
{
public:
    DelegateWorld()
    {
        controller = std::make_unique<KTMainWindowController>(storage.get());
        delegate.setMainWindowController(controller.get());
    }
    QString folder(const QString &name)
    {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    QString file(const QString &name)
    {
        writeFile(dir.filePath(name), "x");
        return dir.filePath(name);
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    KTAppDelegate delegate;
};

class KTAppDelegateTest : public ::testing::Test, public DelegateWorld
{
};

} // namespace

TEST(KTAppDelegateSeedTest, SeedingWritesOnlyAbsentKeys)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath("d.ini"));
    defaults.setBool(false, kLightroomSyncOptionRejectsKey);

    KTAppDelegate::seedLaunchDefaults(defaults);
    EXPECT_TRUE(defaults.hasStoredValue(kLightroomSyncOptionPicksKey));
    EXPECT_TRUE(defaults.boolForKey(kLightroomSyncOptionPicksKey));
    EXPECT_FALSE(defaults.boolForKey(kLightroomSyncOptionRejectsKey));
    EXPECT_TRUE(defaults.hasStoredValue(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey));
    EXPECT_FALSE(defaults.boolForKey(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey));

    // A user's later choice survives the next launch.
    defaults.setBool(true, KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);
    defaults.setBool(false, kLightroomSyncOptionPicksKey);
    KTAppDelegate::seedLaunchDefaults(defaults);
    EXPECT_TRUE(defaults.boolForKey(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey));
    EXPECT_FALSE(defaults.boolForKey(kLightroomSyncOptionPicksKey));
}

// Before the window is made, the paths handed to the application wait for it as they are: the
// sources window decides what it takes and names the rest. Minimised, the application takes none.
TEST(KTAppDelegateTableTest, OpenedPathsWaitForTheWindowWhole)
{
    const struct
    {
        const char *name;
        QStringList order;
        bool active;
        QStringList expected;
    } cases[] = {
        {"one folder", {"A"}, true, {"A"}},
        {"a file, a missing path, a catalogue and folders",
         {"B", "photo.jpg", "Library.LRCAT", "missing", "A"},
         true,
         {"B", "photo.jpg", "Library.LRCAT", "missing", "A"}},
        {"while minimised", {"A"}, false, {}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        DelegateWorld world;
        world.folder("A");
        world.folder("B");
        world.file("photo.jpg");
        world.file("Library.LRCAT");
        QStringList paths;
        for (const QString &name : row.order)
            paths.append(world.dir.filePath(name));
        QStringList expected;
        for (const QString &name : row.expected)
            expected.append(world.dir.filePath(name));
        world.delegate.applicationDidBecomeActive();
        if (!row.active)
            world.delegate.applicationDidMinimize();
        world.delegate.openFiles(paths);
        EXPECT_EQ(world.controller->pathsToLoadAfterLaunch(), expected);
    }
}

// Whatever the application is handed and cannot use is named with the reason, at the first start
// as at a second one while the sources window is open; what it can use joins the window.
TEST_F(KTAppDelegateTest, PathsTheSourcesWindowCannotTakeAreNamedWithTheReason)
{
    const QString shoot = folder("Shoot");
    const QString photo = file("photo.jpg");
    const QString missing = dir.filePath("missing");
    controller->setScheduler(timers.scheduler());
    delegate.setLaunchPaths({missing, photo, shoot});
    delegate.applicationDidFinishLaunching();
    timers.advance(1000);
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(window().imageSourcesController()->imageSources(), QStringList{shoot});
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_EQ(alerts->shown.front().messageText, "These 2 items cannot be added to the sources.");
    EXPECT_EQ(
        alerts->shown.front().informativeText,
        QStringLiteral("“%1” does not exist.\n“%2” is neither a folder nor a catalog.").arg(missing, photo));

    // A second start hands over a catalogue of a Lightroom the sync cannot write.
    const QString six = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1234, "Six.lrcat", "0600008");
    alerts->shown.clear();
    window().imageSourcesController()->reset();
    delegate.handOff({six});
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_EQ(alerts->shown.front().messageText, "Your version of Lightroom catalog is not supported.");
    EXPECT_TRUE(alerts->shown.front().informativeText.contains(six));
    EXPECT_TRUE(alerts->shown.front().informativeText.contains("Lightroom 6"));
}

TEST_F(KTAppDelegateTest, TheLaunchSetsTheLookSeedsTheDefaultsAndOpensTheGivenFolders)
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);
    const QString photos = folder("Photos");
    delegate.setLaunchPaths({photos});
    delegate.applicationDidFinishLaunching();

    EXPECT_TRUE(delegate.canHandleDragOnIcon());
    EXPECT_TRUE(window().isWindowLoaded());
    EXPECT_TRUE(window().window()->isVisible());
    EXPECT_EQ(window().pathsToLoadAfterLaunch(), QStringList{photos});
    EXPECT_EQ(KTAbstractButton::defaultFont().family(), "Helvetica");
    EXPECT_EQ(KTAbstractButton::defaultTextOffset(), QPointF(0, 1));
    EXPECT_EQ(KTShareManager::excludedExportItems(),
              (QStringList{kKTExportToPhotoshop, kKTExportToPhotoshopElements, kKTExportToAperture,
                           kKTExportToIPhoto, kKTExportToLightroom}));
    EXPECT_TRUE(defaults.hasStoredValue(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    // Minimised, the application takes no paths until it is active again.
    emit window().window()->miniaturized();
    EXPECT_FALSE(delegate.canHandleDragOnIcon());
    delegate.applicationDidBecomeActive();
    EXPECT_TRUE(delegate.canHandleDragOnIcon());
}

// Once the window exists, a drop goes to the sources flow: with rejects waiting, the question
// comes first; while a task runs the drop is ignored.
TEST_F(KTAppDelegateTest, ADropOnARunningSessionAsksAboutTheRejectsFirst)
{
    KTFolderMO *source = addFolderSource();
    for (int i = 0; i < 3; ++i)
        addImage(source, QStringLiteral("IMG_%1").arg(i))->setRejected(true);
    process();
    launchAndSettle();
    delegate.applicationDidBecomeActive();

    KTTasksNotifier::sharedNotifier().taskDidStart(kDeleteSourcesTaskName, storage.get());
    drainMainQueue();
    delegate.openFiles({folder("Dropped")});
    EXPECT_TRUE(alerts->shown.empty());
    KTTasksNotifier::sharedNotifier().taskDidFinish(kDeleteSourcesTaskName, storage.get());
    drainMainQueue();

    alerts->answer(KTAlert::kOtherReturn);
    delegate.openFiles({folder("Dropped")});
    ASSERT_EQ(alerts->shown.size(), 1u);
    EXPECT_TRUE(alerts->shown.front().messageText.startsWith("There are 3 images in the Rejects."));
    EXPECT_FALSE(window().isImageSourcesWindowVisible());

    // Keeping the rejects opens the sources window with the dropped folder.
    alerts->answer(KTAlert::kAlternateReturn);
    delegate.openFiles({folder("Dropped")});
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(window().imageSourcesController()->imageSources(), QStringList{folder("Dropped")});
    EXPECT_EQ(mode("Trash")->count("onMoveToSystemTrash"), 0);
}

TEST_F(KTAppDelegateTest, AnotherStartShowsTheClosedWindowAgain)
{
    launchAndSettle();
    window().window()->hide();
    delegate.handOff({});
    EXPECT_TRUE(window().window()->isVisible());
}

TEST_F(KTAppDelegateTest, QuitAsksTheWindowAndStoresTheSelection)
{
    catalogueSession(kFolderTypeLightroom5);
    KTUserDefaults::standardUserDefaults().setObject(QStringLiteral("Duplicates"), kUIModeKey);
    launchAndSettle();
    storage->images().first()->setPicked(true);
    process();
    // The catalogue's application runs: the user cancels, the application stays.
    manager.setApplicationRunningCheck([](const QString &) { return true; });
    writeFile(catalog + ".lock", {});
    alerts->answer(KTAlert::kFirstButtonReturn + 1);
    delegate.terminate();
    EXPECT_EQ(seams.terminations(), 0);
    EXPECT_EQ(mode("Duplicates")->count("saveSelections"), 0);

    alerts->answer(KTAlert::kFirstButtonReturn + 2);
    delegate.terminate();
    EXPECT_EQ(seams.terminations(), 1);
    EXPECT_EQ(mode("Duplicates")->count("saveSelections"), 1);
}
