#include "KTShellFixture.h"

#include "KTHelpPage.h"
#include "KTImageGroupMO.h"
#include "KTMainMenu.h"
#include "KTBrokenImagesWindowController.h"
#include "KTModeActions.h"
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

#include <functional>
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
    /// What the menus show at the place of a mode command: the mode's action, or the place's own
    /// item; null when neither is visible.
    QAction *shownAt(KTModeCommand command)
    {
        for (QAction *menuItem : window().menuBar()->actions()) {
            if (!menuItem->menu())
                continue;
            for (QAction *action : menuItem->menu()->actions()) {
                if (!action->isVisible())
                    continue;
                KTBaseUIModeController *active = modes().activeModeViewController();
                if (KTMainMenu::modeCommand(action) == command ||
                    (active && active->actions().action(command) == action))
                    return action;
            }
        }
        return nullptr;
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

// The mode on screen lends the menus its commands. A place whose command the mode lacks stays,
// disabled, or is hidden where the command belongs to some modes only; with no session every
// place is empty, so nothing acts on nothing (Copy, Zoom In, Show Clipped Exposure included).
TEST_F(KTMainMenuTest, TheMenusShowTheCommandsOfTheModeOnScreen)
{
    using M = KTModeCommand;
    const std::set<M> hiddenWithout{M::ShowGroups,   M::ShowGroup, M::ShowImage,    M::ShowCompare,
                                    M::ResolveGroup, M::NextGroup, M::PreviousGroup};
    const std::set<M> every{M::Copy,
                            M::SelectAll,
                            M::DeselectAll,
                            M::ShowGroups,
                            M::ShowImage,
                            M::ZoomIn,
                            M::ZoomOut,
                            M::FitToScreen,
                            M::ActualSize,
                            M::SwitchFitAndActualSize,
                            M::ShowExposurePixels};
    const struct
    {
        QString mode;
        std::set<M> offered;
    } cases[] = {
        {"Duplicates",
         {M::Pick, M::Reject, M::ShowGroup, M::ShowCompare, M::ResolveGroup, M::NextGroup, M::PreviousGroup}},
        {"AllImages",
         {M::Pick, M::Reject, M::ShowGroup, M::ShowCompare, M::ResolveGroup, M::NextGroup, M::PreviousGroup}},
        {"Favorites", {M::Pick, M::Reject}},
        {"Trash", {M::Restore}},
        {"Sources", {}},
    };
    for (const auto &row : cases) {
        modes().switchToUIMode(row.mode);
        KTBaseUIModeController *active = modes().activeModeViewController();
        ASSERT_EQ(active == nullptr, row.mode == "Sources");
        for (int n = int(M::Copy); n <= int(M::PreviousGroup); ++n) {
            const auto command = M(n);
            const bool offered = active && (every.count(command) || row.offered.count(command));
            QAction *shown = shownAt(command);
            const std::string where = row.mode.toStdString() + " command " + std::to_string(n);
            if (offered) {
                ASSERT_NE(shown, nullptr) << where;
                EXPECT_EQ(shown, active->actions().action(command)) << where;
                EXPECT_TRUE(shown->isEnabled()) << where;
            } else if (hiddenWithout.count(command)) {
                EXPECT_EQ(shown, nullptr) << where;
            } else {
                ASSERT_NE(shown, nullptr) << where;
                EXPECT_FALSE(shown->isEnabled()) << where << " has nothing to act on";
            }
        }
    }

    // What a mode cannot do now it shows disabled, from its own state.
    modes().switchToUIMode("Duplicates");
    mode("Duplicates")->commandsAvailable = false;
    mode("Duplicates")->validateActions();
    EXPECT_FALSE(shownAt(M::Pick)->isEnabled());
    mode("Duplicates")->commandsAvailable = true;

    // The window's own items: the modes and the EXIF panel carry their check marks.
    show("AllImages", "Compare");
    mode("AllImages")->exifVisible = true;
    commands().validateMenuItem(item(C::SetUIMode, kAllImagesModeTag));
    commands().validateMenuItem(item(C::SetUIMode, kTrashModeTag));
    commands().validateMenuItem(item(C::ShowExifViewShortCut));
    EXPECT_TRUE(item(C::SetUIMode, kAllImagesModeTag)->isChecked());
    EXPECT_FALSE(item(C::SetUIMode, kTrashModeTag)->isChecked());
    EXPECT_TRUE(item(C::ShowExifViewShortCut)->isChecked());
    mode("AllImages")->exifVisible = false;
    commands().validateMenuItem(item(C::ShowExifViewShortCut));
    EXPECT_FALSE(item(C::ShowExifViewShortCut)->isChecked());

    // New session, and copying or moving the picks and the rejects, follow the catalogue.
    storage->setNewSession(true);
    EXPECT_FALSE(commands().validateMenuItem(item(C::StartNewSession)));
    storage->setNewSession(false);
    EXPECT_TRUE(commands().validateMenuItem(item(C::StartNewSession)));
    EXPECT_TRUE(commands().validateMenuItem(item(C::CopyFavorites)));
    EXPECT_TRUE(commands().validateMenuItem(item(C::MoveArchived)));
    for (KTImageMO *image : storage->images()) {
        image->setPicked(false);
        image->setRejected(false);
    }
    process();
    EXPECT_FALSE(commands().validateMenuItem(item(C::CopyFavorites)));
    EXPECT_FALSE(commands().validateMenuItem(item(C::MoveArchived)));

    // As the picks and the rejects come and go, the items are enabled when their menu opens
    // exactly while there is something to copy or move.
    const auto openedEnabled = [&](C command) {
        QAction *action = item(command);
        for (QAction *menuItem : window().menuBar()->actions()) {
            if (QMenu *menu = menuItem->menu(); menu && menu->actions().contains(action))
                emit menu->aboutToShow();
        }
        return action->isEnabled();
    };
    KTImageMO *a = grouped.at(0);
    KTImageMO *b = grouped.at(1);
    const struct
    {
        const char *step;
        std::function<void()> edit;
        bool picks;
        bool rejects;
    } steps[] = {
        {"a picked", [&] { a->setPicked(true); }, true, false},
        {"b rejected", [&] { b->setRejected(true); }, true, true},
        {"the pick rejected", [&] { a->setRejected(true); }, false, true},
        {"both restored",
         [&] {
             a->setRejected(false);
             b->setRejected(false);
         },
         true, false},
        {"a unpicked", [&] { a->setPicked(false); }, false, false},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.step);
        step.edit();
        process();
        EXPECT_EQ(openedEnabled(C::CopyFavorites), step.picks);
        EXPECT_EQ(openedEnabled(C::MoveFavorites), step.picks);
        EXPECT_EQ(openedEnabled(C::CopyArchived), step.rejects);
        EXPECT_EQ(openedEnabled(C::MoveArchived), step.rejects);
    }
}

TEST_F(KTMainMenuTest, CommandsReachTheActiveMode)
{
    using M = KTModeCommand;
    // A mode command's item is the mode's own action: triggering it runs the mode's command.
    for (const auto &[uiMode, command] : {std::pair{"Duplicates", M::Pick},
                                          {"Duplicates", M::ResolveGroup},
                                          {"AllImages", M::NextGroup},
                                          {"Favorites", M::ZoomIn},
                                          {"Trash", M::Restore},
                                          {"AllImages", M::ShowExposurePixels}}) {
        modes().switchToUIMode(QString::fromLatin1(uiMode));
        QAction *shown = shownAt(command);
        ASSERT_NE(shown, nullptr) << uiMode;
        const QString call = KTFakeModeController::commandCall(command);
        const int before = mode(uiMode)->count(call);
        shown->trigger();
        EXPECT_EQ(mode(uiMode)->count(call), before + 1) << uiMode;
    }
    // A command the mode cannot run does nothing, whatever brought it (a key pressed before the
    // item was disabled).
    modes().switchToUIMode("Trash");
    mode("Trash")->commandsAvailable = false;
    const int calls = int(mode("Trash")->calls.size());
    mode("Trash")->actions().action(M::Restore)->trigger();
    EXPECT_EQ(int(mode("Trash")->calls.size()), calls);
    mode("Trash")->commandsAvailable = true;

    // The window's commands that reach a mode of their own.
    const struct
    {
        C command;
        QString receiver;
        QString call;
    } cases[] = {
        {C::ShowDuplicatesSearchSettings, "Duplicates", "onShowSearchSettings"},
        {C::CopyFavorites, "Favorites", "onCopy"},
        {C::CopyArchived, "Trash", "onCopy"},
    };
    show("AllImages", "Group");
    for (const auto &row : cases) {
        KTFakeModeController *receiver = mode(row.receiver);
        const int before = receiver->count(row.call);
        commands().performMenuItem(item(row.command));
        EXPECT_EQ(receiver->count(row.call), before + 1) << qPrintable(row.call);
    }
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

// The window's own keys, once each (the modes' keys are their actions': see the modes' tests and
// the end-to-end keyboard test, which holds both together).
TEST_F(KTMainMenuTest, TheWindowsOwnShortcutsAreListedOnce)
{
    const std::map<QString, QString> expected{
        {"New Session...", "Ctrl+N"},
        {"Preferences...", "Ctrl+,"},
        {"Close Window", "Ctrl+W"},
        {"Quit Vireoscope", "Ctrl+Q"},
        {"Undo", "Ctrl+Z"},
        {"Redo", "Ctrl+Shift+Z"},
        {"Show EXIF Panel", "Ctrl+I"},
        {"Enter Full Screen", "F11"},
        {"Copy Picks to Folder...", "Ctrl+Shift+C"},
        {"Move Picks to Folder...", "Ctrl+Shift+M"},
        {"Similarity Settings...", "Ctrl+Alt+S"},
        {"Getting Started", "F1"},
    };
    std::map<QString, QString> listed;
    for (QAction *action : KTMainMenu::commandItems(window().menuBar())) {
        if (!action->shortcut().isEmpty())
            listed[action->text()] = action->shortcut().toString();
    }
    EXPECT_EQ(listed, expected);
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
    EXPECT_EQ(actions.at(5), mode("Duplicates")->actions().action(KTModeCommand::Pick));
}

// The share items take the selected images whose files exist (with pairs shown as one, a pair
// is one image); export wants exactly one.
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
        bool revealEnabled;
        bool exportEnabled;
    } cases[] = {
        {{}, false, false},
        {{0}, true, true},
        {{2}, false, false},
        {{0, 1}, true, false},
    };
    for (const auto &row : cases) {
        mode("Duplicates")->selectedIndexes = row.selection;
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
