#include "KTShellFixture.h"

#include "KTAnalysisSessionHooks.h"
#include "KTBurstFixture.h"
#include "KTDuplicatesSeeker.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTMainMenu.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTipsWindow.h"
#include "KTUndoManager.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

class SourcesWorld : public KTShellWorld
{
public:
    KTImageSourcesWindowController &sources() { return *window().imageSourcesController(); }
    QString folder(const QString &name)
    {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    QAction *item(KTMenuCommand command)
    {
        for (QAction *action : KTMainMenu::commandItems(window().menuBar())) {
            if (KTMainMenu::command(action) == command)
                return action;
        }
        return nullptr;
    }
};

class KTSourcesWindowFlowTest : public ::testing::Test, public SourcesWorld
{
};

} // namespace

// With no session the sources window opens shortly after the window, over its content; the
// set-up's second request to show it keeps what the user chose in between.
TEST_F(KTSourcesWindowFlowTest, ALaunchWithoutSourcesOpensTheSourcesWindowOnce)
{
    launch();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    ASSERT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
    const QString chosen = folder(QStringLiteral("Chosen"));
    sources().addPaths({chosen});
    // The set-up's new-session request (0.3 s) finds the window open.
    QTest::qWait(600);
    EXPECT_EQ(sources().imageSources(), QStringList{chosen});

    QWidget *sourcesWindow = sources().window();
    const int top = int(window().window()->sheetTopY());
    EXPECT_EQ(sourcesWindow->parentWidget(), window().window());
    EXPECT_EQ(sourcesWindow->geometry().topLeft(), window().window()->mapToGlobal(QPoint(0, top)));
    EXPECT_EQ(sourcesWindow->width(), window().window()->width());
    EXPECT_FALSE(window().toolbar()->newSessionButton()->isEnabled());
    // While it covers the window, the session's commands are off; select-all keeps its rule.
    EXPECT_FALSE(window().validateMenuItem(item(KTMenuCommand::StartNewSession)));
    EXPECT_FALSE(window().validateMenuItem(item(KTMenuCommand::SetUIMode)));
    EXPECT_TRUE(window().validateMenuItem(item(KTMenuCommand::SelectAll)));
    QTest::keyClick(window().window(), Qt::Key_P);
    EXPECT_EQ(window().UIMode(), "Sources");

    window().window()->resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(sourcesWindow->size(), QSize(1000, 700 - top));

    sources().onCloseWindow();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(sourcesWindow->parentWidget(), nullptr);
    EXPECT_TRUE(window().toolbar()->newSessionButton()->isEnabled());
}

TEST_F(KTSourcesWindowFlowTest, FoldersGivenAtLaunchFillTheSourcesWindow)
{
    const QString given = folder(QStringLiteral("Given"));
    controller = std::make_unique<KTMainWindowController>(storage.get());
    controller->setPathsToLoadAfterLaunch({given});
    launch();
    ASSERT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
    EXPECT_EQ(sources().imageSources(), QStringList{given});
}

// The road of a session through the sources window, the real catalogue and the bus: Start, the
// sources are added, the load with the similarity search and the time grouping, the similar groups.
TEST_F(KTSourcesWindowFlowTest, AFullSessionFromTwoFoldersReachesTheSimilarGroups)
{
    KTAnalysisSessionHooks::install(*storage);
    KTDuplicatesSeeker::installInto(*storage);
    KTBurstFixtureOptions options;
    options.width = 96;
    options.height = 64;
    options.scenes = 3;
    options.singles = 2;
    options.lookAlikes = 0;
    options.sameSpots = 0;
    const QString first = dir.filePath(QStringLiteral("Harbour"));
    const QString second = dir.filePath(QStringLiteral("Market"));
    writeBurstFixture(makeBurstFixture(options), first);
    options.seed += 7;
    writeBurstFixture(makeBurstFixture(options), second);

    launch();
    ASSERT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
    KTTaskRecorder tasks(storage.get());
    sources().addPaths({first, second});
    sources().onStartSession();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    EXPECT_TRUE(storage->newSession());
    ASSERT_TRUE(waitUntil(
        [&] {
            return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == 1 &&
                   window().tasks().isEmpty();
        },
        std::chrono::seconds(120)));
    drainMainQueue();

    EXPECT_EQ(window().UIMode(), "Duplicates");
    EXPECT_EQ(storage->sources().size(), 2);
    EXPECT_EQ(storage->images().size(), KTMainWindowController::countSourcesForSources({first, second}));
    EXPECT_FALSE(storage->groups().isEmpty());
    EXPECT_FALSE(storage->timeGroups().isEmpty());
    EXPECT_FALSE(storage->newSession());
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kGrouppingImagesByTimeTaskName), 1);
    for (const char *uiMode : {"Duplicates", "AllImages", "Favorites", "Trash"})
        EXPECT_EQ(mode(QString::fromLatin1(uiMode))->count("resetUI"), 1) << uiMode;
    EXPECT_TRUE(mode("Duplicates")->view()->isVisible());
    EXPECT_FALSE(mode("Duplicates")->images().isEmpty());
    EXPECT_FALSE(storage->undoManager()->canUndo());
    EXPECT_TRUE(window().toolbar()->newSessionButton()->isEnabled());
    EXPECT_TRUE(alerts->shown.empty());
}

TEST_F(KTSourcesWindowFlowTest, TheChainReopensTheSourcesWindowWhereTheSessionCannotGoOn)
{
    addFolderSource();
    launchAndSettle();
    // A clearing that ends after a cancelled load: back to the sources.
    storage->cancelCurrentTask();
    KTTasksNotifier::sharedNotifier().taskDidStart(kCleanSessionTaskName, storage.get());
    KTTasksNotifier::sharedNotifier().taskDidFinish(kCleanSessionTaskName, storage.get());
    drainMainQueue();
    EXPECT_TRUE(window().isImageSourcesWindowVisible());
    sources().onCloseWindow();

    // Unavailable sources: "New session".
    alerts->answer(KTAlert::kDefaultReturn);
    KTTasksNotifier::sharedNotifier().taskDidStart(kValidateTaskName, storage.get());
    KTTasksNotifier::sharedNotifier().taskDidFinish(kValidateTaskName, storage.get(),
                                                    KTTaskDidFinishInfo::validated(true));
    drainMainQueue();
    EXPECT_TRUE(window().isImageSourcesWindowVisible());
    sources().onCloseWindow();

    // A new session of folders without rejects.
    window().onStartNewSession();
    EXPECT_TRUE(window().isImageSourcesWindowVisible());
    // A drop while it is open is ignored.
    window().showSourcesControllerWithPaths({folder(QStringLiteral("Dropped"))});
    EXPECT_TRUE(sources().imageSources().isEmpty());
}

// The quick tips run over the window; a sources window asked for meanwhile would cover them, so
// it opens when they close.
TEST_F(KTSourcesWindowFlowTest, TheSourcesWindowWaitsForTheQuickTips)
{
    launch();
    ASSERT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
    sources().onCloseWindow();
    const QString dropped = folder(QStringLiteral("Dropped"));
    bool sourcesShownOverTips = true;
    QTimer::singleShot(0, [&] {
        window().showImageSourcesWindowWithPaths({dropped});
        sourcesShownOverTips = window().isImageSourcesWindowVisible();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *tips = qobject_cast<KTTipsWindow *>(top); tips && tips->isVisible())
                tips->closeOverlay();
        }
    });
    window().onShowQuickTips();
    EXPECT_FALSE(sourcesShownOverTips);
    EXPECT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(sources().imageSources(), QStringList{dropped});
}
