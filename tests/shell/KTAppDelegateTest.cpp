#include "KTAppDelegate.h"

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

// Before the window is made, accepted paths wait for it; the rules decide which are accepted.
TEST(KTAppDelegateTableTest, OpenedPathsFollowTheDropRules)
{
    const struct
    {
        const char *name;
        QStringList folders;
        QStringList files;
        QStringList order;
        bool active;
        QStringList expected;
    } cases[] = {
        {"one folder", {"A"}, {}, {"A"}, true, {"A"}},
        {"one file", {}, {"photo.jpg"}, {"photo.jpg"}, true, {"photo.jpg"}},
        {"one catalogue",
         {},
         {"Lightroom Catalog.lrcat"},
         {"Lightroom Catalog.lrcat"},
         true,
         {"Lightroom Catalog.lrcat"}},
        {"folders keep their order, files drop",
         {"A", "B"},
         {"photo.jpg"},
         {"B", "photo.jpg", "A"},
         true,
         {"B", "A"}},
        {"two files", {}, {"a.jpg", "b.jpg"}, {"a.jpg", "b.jpg"}, true, {}},
        {"a catalogue among several", {"A"}, {"Library.LRCAT"}, {"A", "Library.LRCAT"}, true, {}},
        {"while minimised", {"A"}, {}, {"A"}, false, {}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        DelegateWorld world;
        for (const QString &name : row.folders)
            world.folder(name);
        for (const QString &name : row.files)
            world.file(name);
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
