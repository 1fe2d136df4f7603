#include "KTShellFixture.h"

#include "KTImageGroupMO.h"
#include "KTMainMenu.h"
#include "KTMainWindow.h"
#include "KTModeActions.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTimeGroupMO.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

namespace {

class KTMainWindowControllerTest : public KTShellFixture
{
public:
    /// Three images of one similar group and one time group in a folder session; `picked`
    /// picks them too.
    QList<KTImageMO *> addGroupedImages(bool picked = false)
    {
        KTFolderMO *folder = addFolderSource();
        auto *group = context()->insert<KTImageGroupMO>(kImageGroupEntityName);
        auto *timeGroup = context()->insert<KTTimeGroupMO>(kTimeGroupEntityName);
        QList<KTImageMO *> images;
        for (const char *name : {"a", "b", "c"}) {
            KTImageMO *image = addImage(folder, QString::fromLatin1(name));
            image->setGroup(group);
            image->setTimeGroup(timeGroup);
            image->setPicked(picked);
            images.append(image);
        }
        process();
        return images;
    }
    QAction *viewItem(int tag)
    {
        QMenu *view = KTMainMenu::itemWithTag(window().menuBar(), kViewMenuTag)->menu();
        return KTMainMenu::itemWithTag(view, tag);
    }
    bool isShown(const QString &uiMode) { return mode(uiMode)->view()->isVisible(); }
};

} // namespace

TEST_F(KTMainWindowControllerTest, AnEmptyCatalogueShowsTheTimelineInTheSourcesMode)
{
    controller = std::make_unique<KTMainWindowController>(storage.get());
    // Nothing stored yet: the similar groups, written at once.
    EXPECT_EQ(window().UIMode(), "Duplicates");
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().stringForKey(kUIModeKey), "Duplicates");

    KTTaskRecorder tasks(storage.get());
    launch();
    EXPECT_EQ(window().UIMode(), "Sources");
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().stringForKey(kUIModeKey), "Sources");
    EXPECT_EQ(window().activeModeViewController(), nullptr);
    EXPECT_TRUE(isShown("AllImages"));
    for (const char *other : {"Duplicates", "Favorites", "Trash"})
        EXPECT_FALSE(isShown(QString::fromLatin1(other))) << other;
    // Without sources there is nothing to validate.
    timers.advance(1000);
    drainMainQueue();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kValidateTaskName), 0);
}

TEST_F(KTMainWindowControllerTest, ALaunchWithSourcesRestoresTheModeAndValidatesAfterADelay)
{
    addFolderSource();
    KTUserDefaults::standardUserDefaults().setObject(QStringLiteral("Favorites"), kUIModeKey);
    KTTaskRecorder tasks(storage.get());
    launch();

    EXPECT_EQ(window().UIMode(), "Favorites");
    EXPECT_TRUE(isShown("Favorites"));
    EXPECT_FALSE(isShown("AllImages"));
    EXPECT_EQ(window().toolbar()->favoritesModeButton()->state(), 1);
    EXPECT_EQ(window().toolbar()->duplicatesModeButton()->state(), 0);
    EXPECT_EQ(mode("Favorites")->count("restoreAppLastLaunchSelection"), 1);
    // Each mode was set up by the main window, its own toolbar button included.
    EXPECT_EQ(mode("Favorites")->calls.mid(0, 6),
              (QStringList{"setLoadingThumbnailsQueue", "setShowPixelsButton", "setShowFocusMaskButton",
                           "setImageStorage", "setDelegate", "setModeButton"}));
    EXPECT_EQ(mode("Favorites")->modeButton(), window().toolbar()->favoritesModeButton());
    EXPECT_EQ(mode("Duplicates")->modeButton(), window().toolbar()->duplicatesModeButton());

    timers.advance(799);
    drainMainQueue();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kValidateTaskName), 0);
    timers.advance(1);
    ASSERT_TRUE(waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kValidateTaskName) == 1; }));
    drainMainQueue();
    EXPECT_TRUE(window().tasks().isEmpty());
    EXPECT_TRUE(alerts->shown.empty());
}

TEST_F(KTMainWindowControllerTest, TagsNameModesAndSubModes)
{
    const struct
    {
        int tag;
        QString mode;
    } cases[] = {{210, "Duplicates"}, {212, "Favorites"}, {213, "Trash"},  {214, "Groups"},
                 {215, "Group"},      {216, "Image"},     {217, "Compare"}};
    for (const auto &row : cases) {
        EXPECT_EQ(KTModeSwitcher::uiModeForTag(row.tag), row.mode) << row.tag;
        EXPECT_EQ(KTModeSwitcher::tagForUIMode(row.mode), row.tag) << qPrintable(row.mode);
    }
    // The timeline answers every other tag; "List" shares the grid's tag.
    EXPECT_EQ(KTModeSwitcher::uiModeForTag(211), "AllImages");
    EXPECT_EQ(KTModeSwitcher::uiModeForTag(999), "AllImages");
    EXPECT_EQ(KTModeSwitcher::tagForUIMode("AllImages"), 211);
    EXPECT_EQ(KTModeSwitcher::tagForUIMode("List"), 214);
    EXPECT_EQ(KTModeSwitcher::tagForUIMode("Sources"), 0);
    EXPECT_EQ(KTModeSwitcher::tagForUIMode("LeftImages"), 0);
}

TEST_F(KTMainWindowControllerTest, PlainModeKeysSwitchModesAndOthersGoToTheActiveMode)
{
    addGroupedImages();
    launch();
    QWidget *mainWindow = window().window();
    // A key of the mode's screen pressed where the mode's view has no focus still reaches it.
    int spaces = 0;
    mode("Duplicates")->actions().addKey(QStringLiteral("spaceKey"), {{}, {QKeySequence(Qt::Key_Space)}, [&] {
                                                                          ++spaces;
                                                                      }});

    QTest::keyClick(mainWindow, Qt::Key_T);
    EXPECT_EQ(window().UIMode(), "AllImages");
    QTest::keyClick(mainWindow, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(window().UIMode(), "AllImages");
    QTest::keyClick(mainWindow, Qt::Key_J);
    EXPECT_EQ(window().UIMode(), "Trash");
    EXPECT_EQ(window().toolbar()->trashModeButton()->state(), 1);
    EXPECT_EQ(window().toolbar()->allImagesModeButton()->state(), 0);
    QTest::keyClick(mainWindow, Qt::Key_P);
    EXPECT_EQ(window().UIMode(), "Favorites");
    QTest::keyClick(mainWindow, Qt::Key_S);
    EXPECT_EQ(window().UIMode(), "Duplicates");
    EXPECT_EQ(mode("Duplicates")->count("adjustUIVisibleElements"), 1);
    EXPECT_EQ(KTUserDefaults::standardUserDefaults().stringForKey(kUIModeKey), "Duplicates");

    QTest::keyClick(mainWindow, Qt::Key_Space);
    EXPECT_EQ(spaces, 1);
    modes().switchToUIMode(QStringLiteral("AllImages"));
    QTest::keyClick(mainWindow, Qt::Key_Space);
    EXPECT_EQ(spaces, 1);
}

// The selection goes with the user to the next mode: all of it, only the active image from the
// comparison, and from a grid of groups only the first image.
TEST_F(KTMainWindowControllerTest, SwitchingModesCarriesTheSelection)
{
    const QList<KTImageMO *> images = addGroupedImages(true);
    launch();
    const struct
    {
        QString from;
        QString subMode;
        QList<int> expectedSelection;
        int expectedActive;
    } cases[] = {
        {"Duplicates", "Group", {0, 1, 2}, 1},
        {"Duplicates", "Compare", {1}, 1},
        {"Duplicates", "Groups", {0}, 1},
        {"Favorites", "List", {0, 1, 2}, 1},
    };
    for (const auto &row : cases) {
        modes().switchToUIMode(row.from);
        KTFakeModeController *from = mode(row.from);
        from->subMode = row.subMode;
        from->selectedIndexes = {0, 1, 2};
        from->activeIndex = 1;
        modes().switchToUIMode(QStringLiteral("AllImages"));
        KTFakeModeController *timeline = mode("AllImages");
        EXPECT_EQ(timeline->selectedIndexes, row.expectedSelection) << qPrintable(row.from + row.subMode);
        EXPECT_EQ(timeline->activeImageMO(), images.at(row.expectedActive))
            << qPrintable(row.from + row.subMode);
    }
}

TEST_F(KTMainWindowControllerTest, APinchZoomsTheActiveListWithinItsRange)
{
    addGroupedImages();
    launch();
    KTFakeModeController *similar = mode("Duplicates");
    const struct
    {
        double start;
        double magnification;
        bool canZoom;
        double expected;
    } cases[] = {
        {0.5, 0.01, true, 0.5}, {0.5, -0.01, true, 0.5}, {0.5, 0.4, true, 0.7},  {0.5, -0.4, true, 0.3},
        {0.9, 3.0, true, 1.0},  {0.1, -3.0, true, 0.0},  {0.5, 0.4, false, 0.5},
    };
    for (const auto &row : cases) {
        similar->zoom = row.start;
        similar->canZoomListViewAnswer = row.canZoom;
        modes().magnify(row.magnification);
        EXPECT_DOUBLE_EQ(similar->zoom, row.expected) << row.start << " " << row.magnification;
    }
    modes().setImageListZoom(0.25, similar);
    EXPECT_DOUBLE_EQ(mode("AllImages")->zoom, 0.25);
    EXPECT_DOUBLE_EQ(mode("Trash")->zoom, 0.25);
    EXPECT_NE(similar->zoom, 0.25);
}

TEST_F(KTMainWindowControllerTest, TheFullScreenItemSaysWhatItWillDo)
{
    launch();
    emit window().window()->enteredFullScreen();
    EXPECT_EQ(viewItem(kFullScreenMenuItemTag)->text(), "Exit Full Screen");
    emit window().window()->exitedFullScreen();
    EXPECT_EQ(viewItem(kFullScreenMenuItemTag)->text(), "Enter Full Screen");
}

TEST_F(KTMainWindowControllerTest, UndoAndRedoFollowTheCatalogue)
{
    const QList<KTImageMO *> images = addGroupedImages();
    launch();
    // The set-up forgets what came before the window.
    EXPECT_TRUE(window().toolbar()->undoButton()->isEnabled());
    timers.advance(300);
    EXPECT_FALSE(window().toolbar()->undoButton()->isEnabled());
    EXPECT_FALSE(storage->undoManager()->canUndo());

    images.first()->setPicked(true);
    storage->undoManager()->setActionName(QStringLiteral("Pick"));
    process();
    ASSERT_TRUE(waitUntil([&] { return window().toolbar()->undoButton()->isEnabled(); }));
    EXPECT_FALSE(window().toolbar()->redoButton()->isEnabled());
    // The Edit menu names the step.
    QAction *undoItem = nullptr;
    for (QAction *item : KTMainMenu::commandItems(window().menuBar())) {
        if (KTMainMenu::command(item) == KTMenuCommand::Undo)
            undoItem = item;
    }
    ASSERT_NE(undoItem, nullptr);
    EXPECT_TRUE(commands().validateMenuItem(undoItem));
    EXPECT_EQ(undoItem->text(), storage->undoManager()->undoMenuItemTitle());
    EXPECT_EQ(undoItem->text(), "Undo Pick");

    commands().onUndo();
    EXPECT_EQ(images.first()->picked(), false);
    EXPECT_FALSE(window().toolbar()->undoButton()->isEnabled());
    EXPECT_TRUE(window().toolbar()->redoButton()->isEnabled());
    commands().onRedo();
    EXPECT_EQ(images.first()->picked(), true);
}

TEST_F(KTMainWindowControllerTest, TheExifButtonFollowsTheActiveMode)
{
    addGroupedImages();
    launch();
    KTFakeModeController *similar = mode("Duplicates");
    similar->exifShouldBeShown = false;
    window().controllerDidChangeUIMode(similar);
    EXPECT_FALSE(window().toolbar()->showExifButton()->isEnabled());

    similar->exifShouldBeShown = true;
    similar->exifVisible = true;
    // A list reload of a hidden mode does not touch the button.
    window().imagesListDidChange(mode("Trash"));
    EXPECT_FALSE(window().toolbar()->showExifButton()->isEnabled());
    window().imagesListDidChange(similar);
    EXPECT_TRUE(window().toolbar()->showExifButton()->isEnabled());
    EXPECT_TRUE(window().toolbar()->showExifButton()->isPushed());

    window().toolbar()->showExifButton()->click();
    EXPECT_EQ(similar->count("onShowExifView"), 1);
}

// At a scale factor of 2 a 1920 x 1080 screen offers 960 x 540: the window's minimum must fit it
// (less the window manager's frame), or the bottom bars are out of reach.
TEST(KTMainWindowTest, MinimumSizeFitsTheScreensAvailableArea)
{
    const struct
    {
        QSize available, frame, expected;
    } cases[] = {
        {{1920, 1080}, {0, 30}, {900, 600}},
        {{960, 540}, {0, 30}, {900, 510}},
        {{800, 600}, {0, 0}, {800, 600}},
        {{640, 20}, {10, 40}, {630, 1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTMainWindow::minimumSizeFitting({900, 600}, c.available, c.frame), c.expected)
            << c.available.width() << "x" << c.available.height();

    KTMainWindow window;
    window.setPreferredMinimumSize({900, 600});
    window.show();
    const QSize available = window.screen()->availableGeometry().size();
    EXPECT_LE(window.minimumWidth(), available.width());
    EXPECT_LE(window.minimumHeight(), available.height());
    const QSize frame = window.frameGeometry().size() - window.size();
    EXPECT_EQ(window.minimumSize(), QSize(900, 600).boundedTo(available - frame));
}

// The default size at a large scale factor (1280 x 800 on a 960 x 540 screen) shrinks onto the
// screen with its frame; a window that fits keeps its place and size.
TEST(KTMainWindowTest, AWindowLargerThanItsScreenShrinksOntoIt)
{
    const QMargins frame(1, 30, 1, 1);
    const struct
    {
        QRect geometry, available, expected;
    } cases[] = {
        {{321, 167, 1280, 800}, {0, 0, 1920, 1080}, {321, 167, 1280, 800}},
        {{2, 40, 1280, 800}, {0, 0, 960, 540}, {1, 30, 958, 509}},
        {{500, 400, 1280, 500}, {0, 24, 960, 516}, {1, 54, 958, 485}},
        {{100, 100, 800, 800}, {1920, 0, 1024, 768}, {1921, 30, 800, 737}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTMainWindow::geometryFitting(c.geometry, c.available, frame), c.expected)
            << c.geometry.width() << "x" << c.geometry.height() << " on " << c.available.width() << "x"
            << c.available.height();

    KTMainWindow window;
    window.setPreferredMinimumSize({900, 600});
    const QRect available = window.screen()->availableGeometry();
    window.resize(available.size() * 2);
    window.show();
    EXPECT_TRUE(available.contains(window.frameGeometry()));
}
