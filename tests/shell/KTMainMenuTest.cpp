#include "KTShellFixture.h"

#include "KTHelpPage.h"
#include "KTImageGroupMO.h"
#include "KTMainMenu.h"
#include "KTBrokenImagesWindowController.h"
#include "KTProgressWindowController.h"
#include "KTShareManager.h"
#include "KTTimeGroupMO.h"
#include "KTUserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <set>

namespace {

using C = KTMenuCommand;

/// A folder session with three grouped images (one picked) and two rejected ones.
class MenuWorld : public KTShellWorld
{
public:
    MenuWorld()
    {
        KTFolderMO *folder = addFolderSource();
        auto *group = context()->insert<KTImageGroupMO>(kImageGroupEntityName);
        auto *timeGroup = context()->insert<KTTimeGroupMO>(kTimeGroupEntityName);
        for (const char *name : {"a", "b", "c"}) {
            KTImageMO *image = addImage(folder, QString::fromLatin1(name));
            image->setGroup(group);
            image->setTimeGroup(timeGroup);
            grouped.append(image);
        }
        grouped.first()->setPicked(true);
        for (const char *name : {"x", "y"})
            addImage(folder, QString::fromLatin1(name))->setRejected(true);
        process();
        launchAndSettle();
    }
    QAction *item(C command, int tag = 0)
    {
        for (QAction *action : KTMainMenu::commandItems(window().menuBar())) {
            if (KTMainMenu::command(action) == command && (tag == 0 || KTMainMenu::tag(action) == tag))
                return action;
        }
        ADD_FAILURE() << "no menu item " << int(command);
        return nullptr;
    }
    /// The menu as the user sees it on opening: every item validated, and the names of those
    /// that are visible and enabled.
    QStringList enabledItems(const QList<std::pair<QString, QAction *>> &items)
    {
        QStringList names;
        for (const auto &[name, action] : items) {
            const bool enabled = commands().validateMenuItem(action);
            if (enabled && action->isVisible())
                names.append(name);
        }
        return names;
    }
    void show(const QString &uiMode, const QString &subMode)
    {
        modes().switchToUIMode(uiMode);
        mode(uiMode)->subMode = subMode;
    }

    QList<KTImageMO *> grouped;
};

class KTMainMenuTest : public ::testing::Test, public MenuWorld
{
};

} // namespace

// What each mode offers on opening the menu, by sub-mode and by what it lists.
TEST_F(KTMainMenuTest, TheValidationTableFollowsTheActiveMode)
{
    const QList<std::pair<QString, QAction *>> items{
        {"pick", item(C::Pick)},
        {"reject", item(C::Reject)},
        {"restore", item(C::Restore)},
        {"resolve", item(C::RejectResolve)},
        {"next", item(C::NextGroup)},
        {"previous", item(C::PreviousGroup)},
        {"fit-or-actual", item(C::SwitchOriginalSizeOrFitToScreen)},
        {"select-all", item(C::SelectAll)},
        {"view-type", item(C::SetViewType, kGroupsViewTag)},
        {"zoom", item(C::ZoomImagesIn)},
        {"fit", item(C::FitToScreen)},
        {"exif", item(C::ShowExifViewShortCut)},
        {"new-session", item(C::StartNewSession)},
        {"copy-picks", item(C::CopyFavorites)},
        {"move-rejects", item(C::MoveArchived)},
    };
    const QStringList always{"view-type", "zoom", "fit", "exif", "new-session", "copy-picks", "move-rejects"};
    const struct
    {
        QString mode;
        QString subMode;
        QStringList enabled;
    } cases[] = {
        {"Duplicates", "Groups", QStringList{"pick", "reject", "resolve", "next", "previous"} + always},
        {"Duplicates", "Compare",
         QStringList{"pick", "reject", "resolve", "next", "previous", "fit-or-actual"} + always},
        {"AllImages", "Image",
         QStringList{"pick", "reject", "resolve", "next", "previous", "fit-or-actual", "select-all"} +
             always},
        {"Favorites", "List", QStringList{"pick", "reject", "select-all"} + always},
        {"Trash", "Image", QStringList{"restore", "fit-or-actual", "select-all"} + always},
    };
    for (const auto &row : cases) {
        show(row.mode, row.subMode);
        QStringList expected = row.enabled;
        std::sort(expected.begin(), expected.end());
        QStringList enabled = enabledItems(items);
        std::sort(enabled.begin(), enabled.end());
        EXPECT_EQ(enabled, expected) << qPrintable(row.mode + " " + row.subMode);
    }

    // The resolve item names what it does.
    show("Duplicates", "Group");
    commands().validateMenuItem(item(C::RejectResolve));
    EXPECT_EQ(item(C::RejectResolve)->text(), "Resolve Group");
    show("AllImages", "Groups");
    commands().validateMenuItem(item(C::RejectResolve));
    EXPECT_EQ(item(C::RejectResolve)->text(), "Reject Unselected");

    // What the modes answer, and what the catalogue holds, switch items off.
    show("Duplicates", "Group");
    KTFakeModeController *similar = mode("Duplicates");
    similar->canResolveAnswer = false;
    similar->canSwitchGroupsAnswer = false;
    similar->canZoomAnswer = false;
    similar->canScaleAnswer = false;
    storage->setNewSession(true);
    EXPECT_EQ(enabledItems(items), (QStringList{"pick", "reject", "select-all", "view-type", "exif",
                                                "copy-picks", "move-rejects"}));
    storage->setNewSession(false);

    for (KTImageMO *image : storage->images()) {
        image->setPicked(false);
        image->setRejected(false);
    }
    process();
    show("Favorites", "List");
    EXPECT_EQ(enabledItems(items), (QStringList{"select-all", "zoom", "fit", "exif", "new-session"}));

    // Modes and sub-modes carry their check marks.
    show("AllImages", "Compare");
    commands().validateMenuItem(item(C::SetUIMode, kAllImagesModeTag));
    commands().validateMenuItem(item(C::SetUIMode, kTrashModeTag));
    commands().validateMenuItem(item(C::SetViewType, kCompareViewTag));
    EXPECT_TRUE(item(C::SetUIMode, kAllImagesModeTag)->isChecked());
    EXPECT_FALSE(item(C::SetUIMode, kTrashModeTag)->isChecked());
    EXPECT_TRUE(item(C::SetViewType, kCompareViewTag)->isChecked());
}

TEST_F(KTMainMenuTest, CommandsReachTheActiveMode)
{
    const struct
    {
        QString mode;
        QString subMode;
        C command;
        QString receiver;
        QString call;
    } cases[] = {
        {"Duplicates", "Group", C::Pick, "Duplicates", "flagActiveSelectedImages:true"},
        {"Duplicates", "Group", C::Reject, "Duplicates", "rejectSelectedImages"},
        {"Duplicates", "Group", C::CopyImages, "Duplicates", "copyImagesToPasteboard"},
        {"Duplicates", "Group", C::SelectAll, "Duplicates", "selectAllImagesInGroup"},
        {"Duplicates", "Group", C::DeselectAll, "Duplicates", "deselectAllImagesInGroup"},
        {"Duplicates", "Image", C::ZoomImagesIn, "Duplicates", "onZoomViewIn"},
        {"Duplicates", "Image", C::ZoomImagesOut, "Duplicates", "onZoomViewOut"},
        {"Duplicates", "Image", C::FitToScreen, "Duplicates", "onFit"},
        {"Duplicates", "Image", C::OriginalSize, "Duplicates", "onActualSize"},
        {"Duplicates", "Image", C::SwitchOriginalSizeOrFitToScreen, "Duplicates", "onFitOrActualSize"},
        {"Duplicates", "Group", C::NextGroup, "Duplicates", "onNextGroup"},
        {"Duplicates", "Group", C::PreviousGroup, "Duplicates", "onPreviousGroup"},
        {"Duplicates", "Group", C::RejectResolve, "Duplicates", "onResolveGroup"},
        {"AllImages", "Group", C::RejectResolve, "AllImages", "onRejectNotSelected"},
        {"AllImages", "Group", C::ShowExposurePixels, "AllImages", "onShowExposurePixels"},
        {"AllImages", "Group", C::ShowDuplicatesSearchSettings, "Duplicates", "onShowSearchSettings"},
        {"Trash", "List", C::Restore, "Trash", "onPutBack"},
        {"AllImages", "Group", C::CopyFavorites, "Favorites", "onCopy"},
        {"AllImages", "Group", C::CopyArchived, "Trash", "onCopy"},
    };
    for (const auto &row : cases) {
        show(row.mode, row.subMode);
        KTFakeModeController *receiver = mode(row.receiver);
        const int before = receiver->count(row.call);
        commands().performMenuItem(item(row.command));
        EXPECT_EQ(receiver->count(row.call), before + 1) << qPrintable(row.mode + " " + row.call);
    }

    // The pick item turns the pick over.
    show("Duplicates", "Group");
    mode("Duplicates")->picked = true;
    commands().performMenuItem(item(C::Pick));
    EXPECT_EQ(mode("Duplicates")->calls.last(), "flagActiveSelectedImages:false");
    // A command whose item is disabled does nothing, whatever brought it (a shortcut).
    show("Trash", "List");
    const int calls = int(mode("Trash")->calls.size());
    commands().performMenuItem(item(C::Reject));
    commands().performMenuItem(item(C::NextGroup));
    EXPECT_EQ(int(mode("Trash")->calls.size()), calls);
    // The EXIF shortcut pushes the toolbar button and hands it to the mode.
    show("Duplicates", "Image");
    window().toolbar()->showExifButton()->setPushed(false);
    commands().performMenuItem(item(C::ShowExifViewShortCut));
    EXPECT_TRUE(window().toolbar()->showExifButton()->isPushed());
    EXPECT_EQ(mode("Duplicates")->calls.last(), "onShowExifView");
}

TEST(KTMainMenuTableTest, MovingPicksOrRejectsAsksFirst)
{
    for (const auto &[command, receiver] :
         {std::pair{C::MoveFavorites, "Favorites"}, {C::MoveArchived, "Trash"}}) {
        for (const int answer : {KTAlert::kDefaultReturn, KTAlert::kAlternateReturn}) {
            MenuWorld world;
            world.alerts->answer(answer);
            world.commands().performMenuItem(world.item(command));
            ASSERT_EQ(world.alerts->shown.size(), 1u);
            const KTAlert &alert = world.alerts->shown.front();
            EXPECT_EQ(alert.messageText,
                      "Moving images to other location will remove them from their original "
                      "locations and current session. Do you want to continue?");
            EXPECT_TRUE(alert.informativeText.isEmpty());
            EXPECT_EQ(alert.buttons, (QStringList{"Yes", "No"}));
            EXPECT_EQ(world.mode(receiver)->count("onMove"), answer == KTAlert::kDefaultReturn ? 1 : 0)
                << receiver;
        }
    }
}

// Every key of the menu, once: no two visible items share a shortcut in any mode.
TEST_F(KTMainMenuTest, ShortcutsAreListedOnceAndNeverClash)
{
    const std::map<QString, QString> expected{
        {"New Session...", "Ctrl+N"},
        {"Preferences...", "Ctrl+,"},
        {"Close Window", "Ctrl+W"},
        {"Quit Vireoscope", "Ctrl+Q"},
        {"Undo", "Ctrl+Z"},
        {"Redo", "Ctrl+Shift+Z"},
        {"Copy", "Ctrl+C"},
        {"Select All", "Ctrl+A"},
        {"Deselect All", "Ctrl+D"},
        {"Grid", "Ctrl+1"},
        {"Group", "Ctrl+2"},
        {"Single Image", "Ctrl+3"},
        {"Compare", "Ctrl+4"},
        {"Zoom In", "Ctrl+="},
        {"Zoom Out", "Ctrl+-"},
        {"Fit to Screen", "Ctrl+0"},
        {"Actual Size", "Ctrl+Alt+0"},
        {"Switch Between Fit and Actual Size", "Ctrl+Alt+F"},
        {"Show EXIF Panel", "Ctrl+I"},
        {"Show Clipped Exposure", "Ctrl+E"},
        {"Enter Full Screen", "F11"},
        {"Pick", "Ctrl+P"},
        {"Reject", "Ctrl+R"},
        {"Restore", "Ctrl+Shift+R"},
        {"Resolve Group", "Ctrl+Return"},
        {"Next Group", "Ctrl+]"},
        {"Previous Group", "Ctrl+["},
        {"Copy Picks to Folder...", "Ctrl+Shift+C"},
        {"Move Picks to Folder...", "Ctrl+Shift+M"},
        {"Similarity Settings...", "Ctrl+Alt+S"},
        {"Getting Started", "F1"},
    };
    modes().switchToUIMode(QStringLiteral("Duplicates"));
    std::map<QString, QString> listed;
    for (QAction *action : KTMainMenu::commandItems(window().menuBar())) {
        if (!action->shortcut().isEmpty())
            listed[action->text()] = action->shortcut().toString();
    }
    EXPECT_EQ(listed, expected);

    for (const char *uiMode : {"Duplicates", "AllImages", "Favorites", "Trash"}) {
        modes().switchToUIMode(QString::fromLatin1(uiMode));
        std::set<QString> seen;
        for (QAction *action : KTMainMenu::commandItems(window().menuBar())) {
            if (action->shortcut().isEmpty() || !action->isVisible())
                continue;
            EXPECT_TRUE(seen.insert(action->shortcut().toString()).second)
                << uiMode << ": " << qPrintable(action->shortcut().toString()) << " twice";
        }
    }
}

// The Help menu has no address that would not answer: Getting Started (F1) opens the help page
// shipped with the program.
TEST_F(KTMainMenuTest, GettingStartedOpensTheShippedHelpPage)
{
    QMenu *help = nullptr;
    for (QAction *menu : window().menuBar()->actions()) {
        if (menu->menu() && menu->text() == QStringLiteral("&Help"))
            help = menu->menu();
    }
    ASSERT_NE(help, nullptr);
    QStringList titles;
    for (QAction *action : help->actions()) {
        if (!action->isSeparator())
            titles.append(action->text());
    }
    EXPECT_EQ(titles, (QStringList{"Quick Tips", "Getting Started", "About Vireoscope"}));

    QList<QUrl> opened;
    KTUrlRecorder desktop(QStringLiteral("file"), [&](const QUrl &url) { opened.append(url); });
    QAction *gettingStarted = item(C::Help);
    ASSERT_NE(gettingStarted, nullptr);
    ASSERT_TRUE(commands().validateMenuItem(gettingStarted));
    gettingStarted->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], KTHelpPage::url());
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("vireoscope/help.html")));
}

TEST_F(KTMainMenuTest, TheImagesMenuStartsWithRevealExportAndShare)
{
    QMenu *menu = KTMainMenu::itemWithTag(window().menuBar(), kShareMenuTag)->menu();
    const QList<QAction *> actions = menu->actions();
    ASSERT_GE(actions.size(), 6);
    EXPECT_EQ(actions.at(0)->text(), "Show in File Manager");
    EXPECT_TRUE(actions.at(1)->isSeparator());
    EXPECT_NE(actions.at(2)->menu(), nullptr);
    EXPECT_NE(actions.at(3)->menu(), nullptr);
    EXPECT_TRUE(actions.at(4)->isSeparator());
    EXPECT_EQ(KTMainMenu::command(actions.at(5)), C::Pick);
}

// The share items take the selected images whose files exist; with pairs shown as one, the JPEG
// twin comes first for reveal and share, and export wants exactly one file.
TEST_F(KTMainMenuTest, ShareItemsTakeTheSelectedFilesThatExist)
{
    KTUserDefaults::standardUserDefaults().setBool(true, QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    KTImageMO *pair = grouped.at(0);
    pair->setDuplicateImagePath(pair->path() + QStringLiteral(".jpg"));
    KTImageMO *missing = grouped.at(2);
    missing->setOriginalFileExists(false);
    show("Duplicates", "Group");
    QMenu *menu = KTMainMenu::itemWithTag(window().menuBar(), kShareMenuTag)->menu();
    QAction *reveal = menu->actions().at(0);
    QAction *exportItem = menu->actions().at(2);

    const struct
    {
        QList<int> selection;
        QStringList withPairs;
        QStringList withoutPairs;
        bool revealEnabled;
        bool exportEnabled;
    } cases[] = {
        {{}, {}, {}, false, false},
        {{0}, {pair->duplicateImagePath(), pair->path()}, {pair->path()}, true, true},
        {{2}, {}, {}, false, false},
        {{0, 1},
         {pair->duplicateImagePath(), pair->path(), grouped.at(1)->path()},
         {pair->path(), grouped.at(1)->path()},
         true,
         false},
    };
    for (const auto &row : cases) {
        mode("Duplicates")->selectedIndexes = row.selection;
        EXPECT_EQ(commands().sharedImagesPaths(true), row.withPairs);
        EXPECT_EQ(commands().sharedImagesPaths(false), row.withoutPairs);
        KTShareManager::validate(reveal);
        KTShareManager::validate(exportItem);
        EXPECT_EQ(reveal->isEnabled(), row.revealEnabled) << row.selection.size();
        // The export submenu opens only where this desktop has an application to export to.
        const QList<QAction *> targets = exportItem->menu()->actions();
        if (std::any_of(targets.begin(), targets.end(),
                        [](QAction *target) { return target->isVisible(); })) {
            EXPECT_EQ(exportItem->isEnabled(), row.exportEnabled) << row.selection.size();
        }
    }
}

TEST_F(KTMainMenuTest, MovingImagesRunsTheProgressSheet)
{
    KTProgressWindowController *sheet = window().progressWindowController();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->presentingWindow(), window().window());
    KTBaseUIModeController *picks = mode("Favorites");
    window().baseUIModeControllerStartedMovingImages(picks, true, 4);
    EXPECT_TRUE(sheet->isSheetShown());
    EXPECT_EQ(sheet->tasks(), QStringList{"Moving photos..."});
    window().baseUIModeControllerMovedImage(picks);
    window().baseUIModeControllerMovedImage(picks);
    window().baseUIModeControllerFinishedMovingImages(picks);
    EXPECT_FALSE(sheet->isSheetShown());

    window().baseUIModeControllerStartedMovingImages(picks, false, 2);
    EXPECT_EQ(sheet->tasks(), QStringList{"Copying photos..."});
    window().baseUIModeControllerFinishedMovingImages(picks);
    EXPECT_FALSE(sheet->isSheetShown());
}

// Ctrl+Q quits while a sheet has the keyboard (the window under it takes no input then): the
// progress sheet of a running task, and the missing-images sheet.
TEST_F(KTMainMenuTest, CtrlQQuitsWhileASheetHasTheKeyboard)
{
    const auto quitFrom = [&](QWidget *sheet) {
        sheet->activateWindow();
        QApplication::setActiveWindow(sheet);
        EXPECT_EQ(QApplication::activeWindow(), sheet);
        QSignalSpy quit(&window(), &KTMainWindowController::terminateRequested);
        QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);
        return quit.count();
    };
    KTProgressWindowController *progress = window().progressWindowController();
    ASSERT_NE(progress, nullptr);
    window().baseUIModeControllerStartedMovingImages(mode("Favorites"), true, 4);
    ASSERT_TRUE(progress->isSheetShown());
    EXPECT_EQ(quitFrom(progress->window()), 1);
    window().baseUIModeControllerFinishedMovingImages(mode("Favorites"));

    window().showBrokenImagesWindowWithImages({{QStringLiteral("a.jpg"), QStringLiteral("gone")}});
    ASSERT_NE(window().currentBrokenImagesWindowController(), nullptr);
    EXPECT_EQ(quitFrom(window().currentBrokenImagesWindowController()), 1);
}
