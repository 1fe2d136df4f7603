#include "KTShellFixture.h"

#include "KTAnalysisSessionHooks.h"
#include "KTBurstFixture.h"
#include "KTDuplicatesSeeker.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTMainMenu.h"
#include "KTProgressWindowController.h"
#include "KTSButton.h"
#include "KTSourcesTableView.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTipsWindow.h"
#include "KTUndoManager.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <condition_variable>
#include <mutex>

namespace {

class SourcesWorld : public KTShellWorld
{
public:
    KTImageSourcesWindowController &sources() { return *window().imageSourcesController(); }
    QWidget *sourcesWindow() { return sources().window(); }
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
    /// Launches without a session and waits for the sources window the set-up opens.
    void launchToTheSourcesWindow()
    {
        launch();
        timers.advance(100);
        ASSERT_TRUE(window().isImageSourcesWindowVisible());
    }
    void activate(QWidget *widget)
    {
        widget->activateWindow();
        EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == widget; }));
    }
};

class KTSourcesWindowFlowTest : public ::testing::Test, public SourcesWorld
{
};

/// An image count that waits at a gate until the test opens it (or the start is cancelled).
struct KTGatedCount
{
    std::mutex mutex;
    std::condition_variable condition;
    bool open = false;
    bool reached = false;

    KTSessionFlow::ImageCounter counter()
    {
        return [this](const QStringList &folders, const std::function<bool()> &isCancelled) {
            std::unique_lock lock(mutex);
            reached = true;
            condition.wait_for(lock, std::chrono::seconds(30), [&] { return open || isCancelled(); });
            return KTSessionFlow::countSourcesForSources(folders, isCancelled);
        };
    }
    bool hasReached()
    {
        std::lock_guard lock(mutex);
        return reached;
    }
    void arm(bool startOpen)
    {
        std::lock_guard lock(mutex);
        open = startOpen;
        reached = false;
    }
    void release()
    {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        condition.notify_all();
    }
    ~KTGatedCount() { release(); }
};

} // namespace

// With no session the sources window opens shortly after the window, over its content; the
// set-up's second request to show it keeps what the user chose in between.
TEST_F(KTSourcesWindowFlowTest, ALaunchWithoutSourcesOpensTheSourcesWindowOnce)
{
    launch();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    timers.advance(100);
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    const QString chosen = folder(QStringLiteral("Chosen"));
    sources().addPaths({chosen});
    // The set-up's new-session request (0.3 s) finds the window open.
    timers.advance(500);
    EXPECT_EQ(sources().imageSources(), QStringList{chosen});

    const int top = int(window().window()->sheetTopY());
    EXPECT_EQ(sourcesWindow()->geometry().topLeft(), window().window()->mapToGlobal(QPoint(0, top)));
    EXPECT_EQ(sourcesWindow()->width(), window().window()->width());
    // While it covers the window, the session's commands are off and no mode's command is shown.
    EXPECT_FALSE(commands().validateMenuItem(item(KTMenuCommand::SetUIMode)));
    for (const QAction *place : KTMainMenu::modeCommandPlaces(window().menuBar()))
        EXPECT_FALSE(place->isEnabled()) << qPrintable(place->text());
    EXPECT_FALSE(window().toolbar()->duplicatesModeButton()->isEnabled());
    QTest::keyClick(window().window(), Qt::Key_P);
    EXPECT_EQ(window().UIMode(), "Sources");

    window().window()->resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(sourcesWindow()->size(), QSize(1000, 700 - top));

    sources().onCloseWindow();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    EXPECT_TRUE(window().toolbar()->duplicatesModeButton()->isEnabled());
}

// The sources window belongs to the main window and stays above it: a click on the main window
// (its menu bar) cannot bury it for good, since New Session, from the toolbar or the File menu,
// brings it back to the front; and Quit answers in it.
TEST_F(KTSourcesWindowFlowTest, TheSourcesWindowStaysReachableFromTheMainWindow)
{
    launchToTheSourcesWindow();
    ASSERT_NE(sourcesWindow()->windowHandle(), nullptr);
    EXPECT_EQ(sourcesWindow()->windowHandle()->transientParent(), window().window()->windowHandle());
    EXPECT_EQ(sourcesWindow()->parentWidget(), window().window());

    for (const char *route : {"toolbar", "menu"}) {
        SCOPED_TRACE(route);
        activate(window().window());
        if (QString::fromLatin1(route) == "toolbar") {
            EXPECT_TRUE(window().toolbar()->newSessionButton()->isEnabled());
            QTest::mouseClick(window().toolbar()->newSessionButton(), Qt::LeftButton);
        } else {
            ASSERT_TRUE(commands().validateMenuItem(item(KTMenuCommand::StartNewSession)));
            item(KTMenuCommand::StartNewSession)->trigger();
        }
        EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == sourcesWindow(); }));
        EXPECT_TRUE(window().isImageSourcesWindowVisible());
    }

    QSignalSpy quit(&window(), &KTMainWindowController::terminateRequested);
    QTest::keyClick(sourcesWindow(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(KTSourcesWindowFlowTest, FoldersGivenAtLaunchFillTheSourcesWindow)
{
    const QString given = folder(QStringLiteral("Given"));
    controller = std::make_unique<KTMainWindowController>(storage.get());
    controller->setPathsToLoadAfterLaunch({given});
    launch();
    timers.advance(300);
    ASSERT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(sources().imageSources(), QStringList{given});
}

// The road of a session through the sources window, the real catalogue and the bus: Start, the
// images counted, the sources added, the load with the similarity search and the time grouping,
// the similar groups.
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

    launchToTheSourcesWindow();
    KTTaskRecorder tasks(storage.get());
    sources().addPaths({first, second});
    sources().onStartSession();
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    ASSERT_TRUE(waitUntil([&] { return storage->newSession(); }));
    ASSERT_TRUE(waitUntil(
        [&] {
            return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == 1 &&
                   window().tasks().isEmpty();
        },
        std::chrono::seconds(120)));
    drainMainQueue();

    EXPECT_EQ(window().UIMode(), "Duplicates");
    EXPECT_EQ(storage->sources().size(), 2);
    EXPECT_EQ(storage->images().size(), KTSessionFlow::countSourcesForSources({first, second}));
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
    EXPECT_FALSE(window().isImageSourcesWindowVisible());
    EXPECT_TRUE(alerts->shown.empty());
}

// Walking the folders of a start runs off the main thread under the progress sheet, which offers
// Cancel; the window answers meanwhile. Cancelled or refused for disk space, the start gives the
// sources window back as the user left it, and the catalogue is untouched.
TEST_F(KTSourcesWindowFlowTest, ACountThatIsCancelledOrRefusedGivesTheSourcesBack)
{
    const QString shoot = folder(QStringLiteral("Shoot"));
    // One image, so the signatures need room.
    QFile image(QDir(shoot).filePath(QStringLiteral("IMG_0001.jpg")));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.close();
    launchToTheSourcesWindow();
    KTGatedCount gate;
    flow().setImageCounter(gate.counter());
    for (const char *ending : {"cancel", "no disk space"}) {
        SCOPED_TRACE(ending);
        const bool cancel = QString::fromLatin1(ending) == "cancel";
        flow().setFreeDiskSpace([cancel](const QString &) { return cancel ? qint64(1) << 40 : 0; });
        gate.arm(!cancel);
        alerts->shown.clear();
        sources().addPaths({shoot});
        sources().onStartSession();

        ASSERT_TRUE(waitUntil([&] { return gate.hasReached() || !cancel; }));
        if (cancel) {
            // A timer of the main queue keeps firing while the folders are walked.
            int ticks = 0;
            QTimer ticker;
            QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
            ticker.start(5);
            ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));
            KTProgressWindowController *sheet = window().progressWindowController();
            ASSERT_TRUE(waitUntil([&] { return sheet->isSheetShown(); }));
            EXPECT_EQ(sheet->tasks(), QStringList{kCountingImagesTaskName});
            ASSERT_TRUE(sheet->isCancelButtonShown());
            EXPECT_FALSE(window().isImageSourcesWindowVisible());
            sheet->onCancel();
        }
        ASSERT_TRUE(waitUntil([&] { return window().isImageSourcesWindowVisible(); }));
        drainMainQueue();
        EXPECT_EQ(alerts->shown.size(), cancel ? 0u : 1u);
        EXPECT_EQ(sources().imageSources(), QStringList{shoot});
        EXPECT_EQ(sources().window()->tableView()->numberOfRows(), 1);
        EXPECT_TRUE(sources().window()->startSessionButton()->isButtonEnabled());
        EXPECT_TRUE(sources().window()->noSourcesTextField()->isHidden());
        EXPECT_TRUE(storage->sources().isEmpty());
        EXPECT_FALSE(storage->newSession());
        EXPECT_FALSE(window().progressWindowController()->isSheetShown());
        gate.release();
    }
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
    // A drop on the icon while it is open joins it.
    const QString dropped = folder(QStringLiteral("Dropped"));
    window().showSourcesControllerWithPaths({dropped});
    EXPECT_EQ(sources().imageSources(), QStringList{dropped});
}

// The quick tips run over the window; a sources window asked for meanwhile would cover them, so
// it opens when they close.
TEST_F(KTSourcesWindowFlowTest, TheSourcesWindowWaitsForTheQuickTips)
{
    launchToTheSourcesWindow();
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
    window().presentQuickTips();
    EXPECT_FALSE(sourcesShownOverTips);
    EXPECT_TRUE(window().isImageSourcesWindowVisible());
    EXPECT_EQ(sources().imageSources(), QStringList{dropped});
}
