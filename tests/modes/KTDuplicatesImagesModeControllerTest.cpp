#include "KTDuplicatesImagesModeController.h"

#include "KTAbstractButton.h"
#include "KTAccuracyPopoverWindowController.h"
#include "KTAnimations.h"
#include "KTBadgeButton.h"
#include "KTButton.h"
#include "KTDuplicatesSearchSettingsController.h"
#include "KTGatedQueue.h"
#include "KTGroupModeTest.h"
#include "KTImageCompareView.h"
#include "KTImageGroupMO.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTImagesGroupsView.h"
#include "KTMultipleLabelsView.h"
#include "KTNotificationCenter.h"
#include "KTOnOffButton.h"
#include "KTProgressWindowController.h"
#include "KTResizablePopUpButton.h"
#include "KTResolveGroupViewController.h"
#include "KTSearchSettings.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace {

/// Counts the starts and ends of one task name, whoever posts them.
class TaskCounter
{
public:
    explicit TaskCounter(const QString &task)
    {
        KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
        m_started =
            center.addObserver(kTaskDidStartNotification, nullptr, [this, task](const KTNotification &n) {
                if (n.userInfo.value(kTaskNameKey).toString() == task)
                    ++started;
            });
        m_finished =
            center.addObserver(kTaskDidFinishNotification, nullptr, [this, task](const KTNotification &n) {
                if (n.userInfo.value(kTaskNameKey).toString() == task)
                    ++finished;
            });
    }
    /// Turns the event loop until `expected` tasks have finished, and the queued selection reset
    /// after them has run.
    bool settle(int expected)
    {
        const bool done =
            waitUntil([this, expected] { return finished >= expected; }, std::chrono::seconds(60));
        drainMainQueue();
        QTest::qWait(10);
        return done;
    }
    int started = 0;
    int finished = 0;

private:
    KTObserverToken m_started;
    KTObserverToken m_finished;
};

void postTaskDidFinish(const QString &task)
{
    KTNotificationCenter::defaultCenter().post(kTaskDidFinishNotification, nullptr, {{kTaskNameKey, task}});
}

class KTDuplicatesImagesModeControllerTest : public KTGroupModeTest<KTDuplicatesImagesModeController>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.load(KTBurstModesSession::defaultPhotos()));
        mode = std::make_unique<KTDuplicatesImagesModeController>();
        mode->setModeButton(&modeButton);
        window = std::make_unique<KTModeWindow>(session, *mode);
        window->showMode();
        // The similar groups of the generated session, in the mode's order (date created, then
        // name): every burst but the repeat of scene 0 two hours later, which the one-hour search
        // window keeps apart.
        ASSERT_EQ(groups(),
                  (QList<Ids>{Ids{"s00-b0-0", "s00-b0-1", "s00-b0-2"},
                              Ids{"s01-b0-0", "s01-b0-1", "s01-b0-2", "s01-b0-3"},
                              Ids{"s02-b0-0", "s02-b0-1", "s02-b0-2", "s02-b0-3", "s02-b0-4"},
                              Ids{"s03-b0-0", "s03-b0-1", "s03-b0-2", "s03-b0-3", "s03-b0-4", "s03-b0-5"},
                              Ids{"s04-b0-0", "s04-b0-1", "s04-b0-2"},
                              Ids{"s00-b1-0", "s00-b1-1", "s00-b1-2", "s00-b1-3"}}));
    }

    void TearDown() override { KTAnimations::setEnabled(false); }

    /// The burst of each listed group ("s03-b0").
    Ids bursts() const
    {
        Ids result;
        for (const Ids &group : groups())
            result.append(group.value(0).left(6));
        return result;
    }

    KTButton modeButton;
};

// While the mode is on screen the groups keep their places through picks, rejects and
// resolutions, even when their first image or size changes; shown again, they are sorted afresh.
TEST_F(KTDuplicatesImagesModeControllerTest, GroupsKeepTheirPlacesWhileShownAndAreSortedAfreshWhenShownAgain)
{
    // Largest group first.
    mode->switchSortKeyButton()->selectItemWithTag(3);
    mode->onSwitchSortKey(mode->switchSortKeyButton());
    mode->switchSortOrderButton()->setPushed(true);
    mode->onSwitchSortOrder(mode->switchSortOrderButton());
    EXPECT_EQ(session.defaults().stringForKey(QStringLiteral("Duplicates_sortKey")), QStringLiteral("size"));
    const auto sizes = [this] {
        QList<quint64> result;
        for (const KTSimilarGroupRecord &record : mode->grouppedImages())
            result.append(record.groupSize);
        return result;
    };
    QList<quint64> sorted = sizes();
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    ASSERT_EQ(sizes(), sorted);
    EXPECT_EQ(bursts().first(), QStringLiteral("s03-b0")) << "six shots";
    const Ids before = bursts();

    // Rejecting four of its shots, picking, and resolving another group move nothing.
    reject({"s03-b0-0", "s03-b0-1", "s03-b0-2", "s03-b0-3"});
    image("s02-b0-0")->setPicked(true);
    session.process();
    mode->switchToUIMode(kUIModeGroups);
    mode->switchToGroupAtIndex(bursts().indexOf(QStringLiteral("s04-b0")), KTGroupSwitchAnimation::None);
    mode->onResolveGroup(nullptr);
    Ids expected = before;
    expected.removeAll(QStringLiteral("s04-b0"));
    EXPECT_EQ(bursts(), expected);
    EXPECT_EQ(groups().first().size(), 2);
    EXPECT_TRUE(mode->outOfDateSortOrder());

    // Hidden and shown again: sorted by the sizes of now.
    window->hideMode();
    window->showMode();
    sorted = sizes();
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    EXPECT_EQ(sizes(), sorted);
    EXPECT_EQ(bursts().last(), QStringLiteral("s03-b0")) << "two shots left";
    EXPECT_FALSE(mode->outOfDateSortOrder());
}

TEST_F(KTDuplicatesImagesModeControllerTest, HiddenModeRebuildsItsListForTheBadgeOnly)
{
    EXPECT_EQ(modeButton.badge(), QStringLiteral("6"));
    window->hideMode();
    const int listChanges = window->delegate.listChanges;
    reject({"s00-b0-0", "s00-b0-1", "s00-b0-2"});
    EXPECT_EQ(modeButton.badge(), QStringLiteral("5"));
    EXPECT_EQ(mode->numberOfGroupsInList(), 5);
    EXPECT_EQ(window->delegate.listChanges, listChanges) << "neither the views nor the delegate while hidden";
    window->showMode();
    EXPECT_GT(window->delegate.listChanges, listChanges);
    EXPECT_EQ(mode->groupsView()->numberOfCells(), 5);
}

// The selected group is found again by its identifier, its images by their paths.
TEST_F(KTDuplicatesImagesModeControllerTest, SelectionFollowsItsGroupAndImagesThroughRebuilds)
{
    mode->setSelectedImages(imagesOf({"s02-b0-1", "s02-b0-3"}), image("s02-b0-3"), false);
    mode->switchToUIMode(kUIModeGroup);
    EXPECT_EQ(*mode->selectedGroupIndex(), 2);
    EXPECT_EQ(selection(), (Ids{"s02-b0-1", "s02-b0-3"}));
    EXPECT_EQ(active(), QStringLiteral("s02-b0-3"));

    // Newest first: the group moves, and stays selected with the same images.
    mode->switchSortOrderButton()->setPushed(true);
    mode->onSwitchSortOrder(mode->switchSortOrderButton());
    EXPECT_EQ(*mode->selectedGroupIndex(), 3);
    EXPECT_EQ(selection(), (Ids{"s02-b0-3", "s02-b0-1"}));
    EXPECT_EQ(active(), QStringLiteral("s02-b0-3"));
    EXPECT_EQ(mode->groupView()->selection(), mode->selectedImagesIndexes());

    // A selected image leaves: the other stays, and becomes active.
    reject({"s02-b0-3"});
    EXPECT_EQ(selection(), Ids{"s02-b0-1"});
    EXPECT_EQ(active(), QStringLiteral("s02-b0-1"));

    // The group leaves: its position is kept, now the next group, on its first image.
    reject({"s02-b0-0", "s02-b0-1", "s02-b0-2", "s02-b0-4"});
    EXPECT_EQ(*mode->selectedGroupIndex(), 3);
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s01-b0-3"));
    EXPECT_EQ(selection(), Ids{"s01-b0-3"});

    // The end of a search or an import selects the first group.
    for (const QString &task : {kSearchDuplicatesTaskName, kLoadImagesTaskName}) {
        mode->switchToGroupAtIndex(2, KTGroupSwitchAnimation::None);
        postTaskDidFinish(task);
        drainMainQueue();
        EXPECT_EQ(*mode->selectedGroupIndex(), 0) << task.toStdString();
        EXPECT_EQ(selection(), Ids{heads().first()});
    }
}

TEST_F(KTDuplicatesImagesModeControllerTest, UpDownAndTheGroupCommandsMoveBetweenGroups)
{
    mode->switchToUIMode(kUIModeGroups);
    QTest::keyClick(mode->groupsView(), Qt::Key_Down);
    QTest::keyClick(mode->groupsView(), Qt::Key_Down);
    EXPECT_EQ(*mode->selectedGroupIndex(), 2);
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s02-b0-0"));
    QTest::keyClick(mode->groupsView(), Qt::Key_Up);
    EXPECT_EQ(*mode->selectedGroupIndex(), 1);
    EXPECT_EQ(mode->shareButton()->badgeString(), QStringLiteral("4")) << "the whole group";

    // The list wraps at both ends.
    mode->switchToGroupAtIndex(0, KTGroupSwitchAnimation::None);
    mode->onPreviousGroup(nullptr);
    EXPECT_EQ(*mode->selectedGroupIndex(), 5);
    mode->onNextGroup(nullptr);
    EXPECT_EQ(*mode->selectedGroupIndex(), 0);
    EXPECT_EQ(mode->groupsView()->selectedGroupIndex(), 0);

    // Inside a group the next group starts on its first image.
    mode->switchToUIMode(kUIModeGroup);
    mode->setSelectedImages(imagesOf({"s00-b0-2"}), image("s00-b0-2"), false);
    mode->onNextGroup(nullptr);
    EXPECT_EQ(selection(), Ids{"s01-b0-0"});
    EXPECT_EQ(mode->groupView()->activeIndex(), 0);
    mode->onNextImage(nullptr);
    mode->onNextImage(nullptr);
    EXPECT_EQ(selection(), Ids{"s01-b0-2"});
    mode->onPrevImage(nullptr);
    EXPECT_EQ(selection(), Ids{"s01-b0-1"});
}

TEST_F(KTDuplicatesImagesModeControllerTest, CompareRefusesAGroupOfOneImage)
{
    reject({"s02-b0-1", "s02-b0-2", "s02-b0-3", "s02-b0-4"});
    auto alerts = KTScriptedAlertPresenter::install();
    show(1, kUIModeCompare);
    ASSERT_EQ(mode->UIMode(), kUIModeCompare);
    mode->onNextGroup(nullptr);
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown().front().messageText, QStringLiteral("Could not switch to next group"));
    EXPECT_EQ(alerts->shown().front().informativeText,
              QStringLiteral("Compare mode could not present group with images count less than 2"));
    EXPECT_EQ(*mode->selectedGroupIndex(), 1);
    EXPECT_EQ(mode->UIMode(), kUIModeCompare);
    // Outside "Compare" the same group is shown.
    mode->switchToUIMode(kUIModeImage);
    mode->onNextGroup(nullptr);
    EXPECT_EQ(selectedGroup(), Ids{"s02-b0-0"});
    EXPECT_EQ(alerts->shown().size(), 1u);
    EXPECT_FALSE(mode->compareViewModeButton()->isButtonEnabled());
}

// Resolving the group on screen shows the message and then moves to the neighbour: the next
// group, the previous one from the last, nowhere in "Groups" (the position then holds the next
// group). "Compare" goes to "Image" first when the neighbour has one image left.
TEST_F(KTDuplicatesImagesModeControllerTest, ResolvingMovesToTheNeighbourInEverySubMode)
{
    struct Case
    {
        QString subMode;
        bool lastGroup;
        bool neighbourOfOneImage;
        QString expectedSubMode;
    };
    // Each case resolves one of the six groups.
    const Case cases[] = {
        {kUIModeGroup, false, false, kUIModeGroup},  {kUIModeCompare, false, false, kUIModeCompare},
        {kUIModeImage, true, false, kUIModeImage},   {kUIModeGroups, false, false, kUIModeGroups},
        {kUIModeCompare, false, true, kUIModeImage},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(
            (c.subMode + (c.lastGroup ? " last" : "") + (c.neighbourOfOneImage ? " neighbour of one" : ""))
                .toStdString());
        const qsizetype count = mode->numberOfGroupsInList();
        ASSERT_GE(count, 2);
        const qsizetype index = c.lastGroup ? count - 1 : 0;
        const qsizetype neighbour = c.lastGroup ? index - 1 : index + 1;
        if (c.neighbourOfOneImage) {
            Ids extra = groups().at(neighbour);
            extra.removeFirst();
            reject(extra);
        }
        show(index, c.subMode);
        ASSERT_EQ(mode->UIMode(), c.subMode);
        const Ids resolved = selectedGroup();
        const QString expectedHead = groups().at(neighbour).first();
        image(resolved.at(1))->setPicked(true);
        session.process();

        mode->onResolveGroup(nullptr);
        EXPECT_EQ(mode->numberOfGroupsInList(), count - 1);
        EXPECT_FALSE(heads().contains(resolved.first()));
        EXPECT_EQ(selectedGroup().value(0), expectedHead);
        EXPECT_EQ(selection().value(0), expectedHead) << "on its first image";
        EXPECT_EQ(active(), expectedHead);
        EXPECT_EQ(mode->UIMode(), c.expectedSubMode);
        EXPECT_FALSE(image(resolved.at(1))->rejected().value_or(false)) << "the pick stays";
        EXPECT_TRUE(image(resolved.at(0))->rejected().value_or(false));
        EXPECT_TRUE(mode->flagImagesButton()->isButtonEnabled());
        EXPECT_FALSE(mode->isShowingResolvedMessage());
    }
}

TEST_F(KTDuplicatesImagesModeControllerTest, ResolvingTheOnlyGroupLeavesAnEmptyList)
{
    reject({"s00-b0-0", "s00-b0-1", "s00-b0-2", "s02-b0-0", "s02-b0-1", "s02-b0-2", "s02-b0-3",
            "s02-b0-4", "s03-b0-0", "s03-b0-1", "s03-b0-2", "s03-b0-3", "s03-b0-4", "s03-b0-5",
            "s04-b0-0", "s04-b0-1", "s04-b0-2", "s00-b1-0", "s00-b1-1", "s00-b1-2", "s00-b1-3"});
    ASSERT_EQ(mode->numberOfGroupsInList(), 1);
    show(0, kUIModeImage);
    mode->onResolveGroup(nullptr);
    EXPECT_EQ(mode->numberOfGroupsInList(), 0);
    EXPECT_EQ(mode->UIMode(), kUIModeGroups);
    EXPECT_TRUE(mode->images().isEmpty());
    EXPECT_EQ(mode->activeImageMO(), nullptr);
    EXPECT_TRUE(selection().isEmpty());
    EXPECT_FALSE(mode->resolveGroupButton()->isButtonEnabled());
    EXPECT_FALSE(mode->nextGroupButton()->isButtonEnabled());
    EXPECT_FALSE(mode->compareViewModeButton()->isButtonEnabled());
    EXPECT_FALSE(mode->exifPanelShouldBeShown());
    EXPECT_TRUE(modeButton.badge().isEmpty());
    EXPECT_FALSE(mode->canResolve());
    for (KTAbstractButton *button :
         {mode->groupsModeButton(), mode->groupModeButton(), mode->switchSortOrderButton()})
        EXPECT_FALSE(button->isButtonEnabled()) << button->objectName().toStdString();
    EXPECT_FALSE(mode->switchSortKeyButton()->isButtonEnabled());
    EXPECT_FALSE(mode->groupsInfo()->isVisibleTo(mode->view()));
    // A search can still be run again with another accuracy or time range.
    EXPECT_TRUE(mode->accuracyButton()->isButtonEnabled());
    EXPECT_TRUE(mode->timeRangeButton()->isButtonEnabled());
}

// Rejecting the unpicked images of a group without a pick empties it, and the catalogue resolves
// and deletes it; the list is rebuilt meanwhile and its selection moves on. The resolution that
// follows must not reach the next group.
TEST_F(KTDuplicatesImagesModeControllerTest, DeleteUnpickedAndResolveNeverTouchesAnotherGroup)
{
    for (const bool withPick : {false, true}) {
        SCOPED_TRACE(withPick ? "with a pick" : "without a pick");
        show(1, kUIModeGroup);
        const Ids doomed = selectedGroup();
        const Ids next = groups().at(2);
        if (withPick) {
            image(doomed.last())->setPicked(true);
            session.process();
        }
        mode->onDeleteGroup(mode->deleteUnflaggedImagesButton());
        EXPECT_FALSE(heads().contains(doomed.first()));
        for (const QString &id : next)
            EXPECT_FALSE(image(id)->rejected().value_or(false)) << id.toStdString();
        EXPECT_TRUE(heads().contains(next.first()));
        EXPECT_EQ(image(doomed.last())->rejected().value_or(false), !withPick);
        EXPECT_TRUE(image(doomed.first())->rejected().value_or(false));
    }
}

TEST_F(KTDuplicatesImagesModeControllerTest, NotDuplicateAndDeleteGroupByTheirSubModes)
{
    // Not duplicate takes the selection out of its group; in "Compare" the active image alone.
    show(2, kUIModeGroup);
    mode->setSelectedImages(imagesOf({"s02-b0-1", "s02-b0-2"}), image("s02-b0-1"), false);
    mode->onNotDuplicate(mode->notDuplicateButton());
    for (const char *id : {"s02-b0-1", "s02-b0-2"}) {
        EXPECT_EQ(image(id)->group(), nullptr) << id;
        EXPECT_TRUE(image(id)->resolveDate().isValid()) << id;
        EXPECT_FALSE(image(id)->rejected().value_or(false)) << id;
    }
    EXPECT_EQ(groups().at(2), (Ids{"s02-b0-0", "s02-b0-3", "s02-b0-4"}));
    show(3, kUIModeCompare);
    EXPECT_EQ(selection().size(), 2);
    mode->onNotDuplicate(nullptr);
    EXPECT_EQ(groups().at(3).size(), 5);
    EXPECT_EQ(image(QStringLiteral("s03-b0-0"))->group(), nullptr);

    // Delete group in "Groups": without a pick every image is rejected and the group dropped
    // unresolved; with one, the pick stays and the group is resolved.
    show(0, kUIModeGroups);
    mode->onDeleteGroup(mode->deleteGroupButton());
    for (const char *id : {"s00-b0-0", "s00-b0-1", "s00-b0-2"})
        EXPECT_TRUE(image(id)->rejected().value_or(false)) << id;
    EXPECT_EQ(heads().first(), QStringLiteral("s01-b0-0"));
    image(QStringLiteral("s01-b0-2"))->setPicked(true);
    session.process();
    mode->onDeleteGroup(mode->deleteGroupButton());
    EXPECT_FALSE(image(QStringLiteral("s01-b0-2"))->rejected().value_or(false));
    for (const char *id : {"s01-b0-0", "s01-b0-1", "s01-b0-3"})
        EXPECT_TRUE(image(id)->rejected().value_or(false)) << id;
    EXPECT_EQ(heads().first(), QStringLiteral("s02-b0-0"));
}

// Entering "Compare" pairs the active image with the group's first (or second) one; the
// comparison view shows the pair and the side clicked carries the active image.
TEST_F(KTDuplicatesImagesModeControllerTest, ComparisonViewFollowsTheSelectionBothWays)
{
    show(3, kUIModeImage);
    mode->setSelectedImages(imagesOf({"s03-b0-0"}), image("s03-b0-0"), false);
    mode->switchToUIMode(kUIModeCompare);
    KTImageCompareView *compare = mode->compareView();
    EXPECT_EQ(selection(), (Ids{"s03-b0-0", "s03-b0-1"}));
    EXPECT_EQ(compare->selectedImageView()->imageMO(), image("s03-b0-0"));
    EXPECT_EQ(compare->unselectedImageView()->imageMO(), image("s03-b0-1"));

    // The strip chooses another pair.
    KTImageGroupNavigationView *strip = mode->groupNavigationView();
    strip->selectIndexes({2, 4}, 4);
    mode->imageListViewSelectionDidChange(strip);
    EXPECT_EQ(compare->selectedImageView()->imageMO(), image("s03-b0-4"));
    EXPECT_EQ(compare->unselectedImageView()->imageMO(), image("s03-b0-2"));

    // A click on the other side makes its image active.
    KTImageView *other = compare->unselectedImageView();
    QTest::mouseClick(other, Qt::LeftButton, {}, other->rect().center());
    EXPECT_EQ(active(), QStringLiteral("s03-b0-2"));
    EXPECT_EQ(strip->activeIndex(), 2);
    EXPECT_EQ(compare->selectedImageView()->imageMO(), image("s03-b0-2"));

    // Picks in "Compare" go to the active image alone, and leaving keeps it alone selected.
    mode->flagImagesButton()->setPushed(true);
    mode->onFlag(mode->flagImagesButton());
    EXPECT_TRUE(image(QStringLiteral("s03-b0-2"))->picked().value_or(false));
    EXPECT_FALSE(image(QStringLiteral("s03-b0-4"))->picked().value_or(false));
    mode->switchToUIMode(kUIModeImage);
    EXPECT_EQ(selection(), Ids{"s03-b0-2"});
    EXPECT_EQ(mode->imageView()->imageMO(), image("s03-b0-2"));
}

// With the message on screen the list is held back: commands that act on the resolved group are
// off, a change elsewhere waits, and the move follows when the message has gone.
TEST_F(KTDuplicatesImagesModeControllerTest, ResolvedMessageHoldsTheListBackForItsSecond)
{
    show(1, kUIModeImage);
    KTAnimations::setEnabled(true);
    mode->onResolveGroup(nullptr);
    ASSERT_TRUE(mode->isShowingResolvedMessage());
    EXPECT_FALSE(mode->canResolve());
    EXPECT_EQ(mode->selectedGroupMO(), nullptr) << "the resolved record is deleted";
    for (KTAbstractButton *button :
         {mode->resolveGroupButton(), mode->deleteUnflaggedImagesButton(), mode->notDuplicateButton(),
          mode->trashGroupButton(), static_cast<KTAbstractButton *>(mode->flagImagesButton())})
        EXPECT_FALSE(button->isButtonEnabled()) << button->objectName().toStdString();
    EXPECT_FALSE(mode->imageView()->pickedAndRejectedButtonsEnabled());
    mode->onDeleteGroup(nullptr);
    mode->onNotDuplicate(nullptr);
    EXPECT_FALSE(image("s02-b0-0")->rejected().value_or(false));
    reject({"s03-b0-0"});
    EXPECT_EQ(mode->numberOfGroupsInList(), 6) << "still counts the resolved group";
    EXPECT_EQ(groups().at(3).size(), 6);

    ASSERT_TRUE(waitUntil([&] { return !mode->isShowingResolvedMessage() && !mode->isSwitchingGroups(); },
                          std::chrono::seconds(5)));
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s02-b0-0"));
    EXPECT_EQ(mode->numberOfGroupsInList(), 5);
    EXPECT_EQ(groups().at(2).size(), 5);
    EXPECT_TRUE(mode->canResolve());
    EXPECT_TRUE(mode->flagImagesButton()->isButtonEnabled());
    EXPECT_TRUE(mode->trashGroupButton()->isButtonEnabled());
    EXPECT_TRUE(mode->imageView()->pickedAndRejectedButtonsEnabled());

    // A group switch during the message replaces the move.
    mode->onResolveGroup(nullptr);
    ASSERT_TRUE(mode->isShowingResolvedMessage());
    mode->onPreviousGroup(nullptr);
    ASSERT_TRUE(waitUntil([&] { return !mode->isShowingResolvedMessage() && !mode->isSwitchingGroups(); },
                          std::chrono::seconds(5)));
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s00-b0-0"));
    EXPECT_EQ(heads(), (Ids{"s00-b0-0", "s03-b0-1", "s04-b0-0", "s00-b1-0"}));

    // The end of a session clearing lets go of the held list at once.
    show(1, kUIModeImage);
    mode->onResolveGroup(nullptr);
    ASSERT_TRUE(mode->isShowingResolvedMessage());
    postTaskDidFinish(kCleanSessionTaskName);
    EXPECT_FALSE(mode->isShowingResolvedMessage());
    EXPECT_EQ(mode->numberOfGroupsInList(), 3);
    ASSERT_TRUE(waitUntil([&] { return !KTResolveGroupViewController::sharedController()->isShown(); },
                          std::chrono::seconds(5)));
    EXPECT_EQ(heads(), (Ids{"s00-b0-0", "s04-b0-0", "s00-b1-0"}));
    EXPECT_TRUE(mode->flagImagesButton()->isButtonEnabled());
}

TEST_F(KTDuplicatesImagesModeControllerTest, AccuracyPopoverRerunsTheSearchAndTheListFollows)
{
    show(3, kUIModeGroups);
    TaskCounter searches(kSearchDuplicatesTaskName);
    mode->accuracyWindowControllerDidSelectAccuracyLevel(3);
    EXPECT_EQ(searches.started, 0) << "the level in force";

    mode->accuracyWindowControllerDidSelectAccuracyLevel(1);
    EXPECT_EQ(mode->accuracyLevel(), 1);
    EXPECT_EQ(session.defaults().objectForKey(QStringLiteral("Duplicates_accuracyLevel")).toInt(), 1);
    EXPECT_EQ(mode->accuracyButton()->title(), mode->accuracyWindowController()->accuracyLevelName());
    const std::unique_ptr<KTSearchSettings> lowest = loadSettingsFromFile(presetPathForIndex(0));
    ASSERT_TRUE(lowest);
    EXPECT_EQ(
        KTDuplicatesSearchSettingsController::sharedController().searchSettingsPtr()->overalMatchingLevel,
        lowest->overalMatchingLevel);
    ASSERT_TRUE(searches.settle(1));
    EXPECT_EQ(searches.started, 1);
    // The list is the new search's, sorted afresh, and the selection stays on the group that
    // holds the image it was on, not the first one.
    EXPECT_EQ(mode->numberOfGroupsInList(), qsizetype(session.storage().groups().size()));
    EXPECT_EQ(active(), QStringLiteral("s03-b0-0"));
    EXPECT_TRUE(groups().value(*mode->selectedGroupIndex()).contains(QStringLiteral("s03-b0-0")));
    EXPECT_FALSE(mode->outOfDateSortOrder());
    EXPECT_TRUE(session.storage().groups().contains(mode->selectedGroupMO()));

    // In "Group" the selected images come back too, and so does the sub-mode.
    show(3, kUIModeGroup);
    mode->setSelectedImages(imagesOf({"s03-b0-2", "s03-b0-4"}), image("s03-b0-4"), false);
    mode->accuracyWindowControllerDidSelectAccuracyLevel(3);
    ASSERT_TRUE(searches.settle(2));
    EXPECT_EQ(mode->UIMode(), kUIModeGroup);
    EXPECT_EQ(active(), QStringLiteral("s03-b0-4"));
    EXPECT_EQ(selection(), (Ids{"s03-b0-2", "s03-b0-4"}));
}

// Applying the expert window's settings keeps the place too; when no group holds the image any
// more (it was rejected meanwhile) the same position is kept.
TEST_F(KTDuplicatesImagesModeControllerTest, AppliedSettingsKeepTheGroupOrItsPosition)
{
    TaskCounter searches(kSearchDuplicatesTaskName);
    show(4, kUIModeImage);
    ASSERT_EQ(active(), QStringLiteral("s04-b0-0"));
    mode->applySettings();
    ASSERT_TRUE(searches.settle(1));
    EXPECT_EQ(active(), QStringLiteral("s04-b0-0"));
    EXPECT_TRUE(groups().value(*mode->selectedGroupIndex()).contains(QStringLiteral("s04-b0-0")));
    EXPECT_EQ(mode->UIMode(), kUIModeImage);

    show(2, kUIModeGroups);
    mode->applySettings();
    reject({"s02-b0-0", "s02-b0-1", "s02-b0-2", "s02-b0-3", "s02-b0-4"});
    ASSERT_TRUE(searches.settle(2));
    ASSERT_GT(mode->numberOfGroupsInList(), 2);
    EXPECT_EQ(*mode->selectedGroupIndex(), 2);
    EXPECT_FALSE(active().startsWith(QStringLiteral("s02"))) << active().toStdString();
}

// Cancelling the search that a choice started puts the previous level and range back: in the
// popovers, on the buttons and in what the mode stores.
TEST_F(KTDuplicatesImagesModeControllerTest, CancelledSearchRestoresTheLevelAndTheRange)
{
    TaskCounter searches(kSearchDuplicatesTaskName);
    const QString levelName = mode->accuracyButton()->title();
    KTAccuracyPopoverWindowController *accuracy = mode->accuracyWindowController();
    accuracy->onSelectAccuracy(accuracy->buttonForLevel(5));
    EXPECT_EQ(mode->accuracyLevel(), 5);
    KTNotificationCenter::defaultCenter().post(kProgressDidCancelNotification, nullptr);
    EXPECT_EQ(mode->accuracyLevel(), 3);
    EXPECT_EQ(mode->accuracyButton()->title(), levelName);
    EXPECT_EQ(session.defaults().objectForKey(QStringLiteral("Duplicates_accuracyLevel")).toInt(), 3);
    ASSERT_TRUE(searches.settle(1));

    // The time range: 10 seconds chosen, then cancelled back to unlimited.
    KTTimeRangePopoverWindowController *range = mode->timeRangePopover();
    EXPECT_EQ(mode->timeRange(), 0.0);
    EXPECT_TRUE(mode->timeRangeButton()->title().isEmpty());
    EXPECT_FALSE(mode->timeRangeButton()->pictogram().isNull()) << "unlimited shows the infinity pictogram";
    const int started = searches.started;
    range->onChangeTimeRange(range->buttonsContainer()->buttons().at(1));
    EXPECT_EQ(mode->timeRange(), 10.0);
    EXPECT_EQ(mode->timeRangeButton()->title(), QStringLiteral("10 sec"));
    EXPECT_TRUE(mode->timeRangeButton()->pictogram().isNull());
    EXPECT_TRUE(waitUntil([&] { return searches.started == started + 1; })) << "a search with the new range";
    KTNotificationCenter::defaultCenter().post(kProgressDidCancelNotification, nullptr);
    EXPECT_EQ(mode->timeRange(), 0.0);
    EXPECT_EQ(session.defaults().objectForKey(QStringLiteral("Duplicates_timeRange")).toDouble(), 0.0);
    EXPECT_TRUE(mode->timeRangeButton()->title().isEmpty());
    ASSERT_TRUE(searches.settle(2));

    // Opening the popover again shows the stored range.
    mode->timeRangeButton()->setPushed(true);
    mode->onShowHideTimeRangePopover(mode->timeRangeButton());
    EXPECT_EQ(range->timeRange(), 0.0);
    mode->timeRangeButton()->setPushed(false);
    mode->onShowHideTimeRangePopover(mode->timeRangeButton());
    EXPECT_FALSE(range->isShown());
}

// With the focus mask on, opening a group scores its images' focus off the main thread.
// The focus mask of the group grid is drawn from thumbnails: moving between groups with it on
// decodes no image of the group at full size (no sharpness scoring on the shared thumbnail queue).
TEST_F(KTDuplicatesImagesModeControllerTest, GroupsWithTheFocusMaskOnAreNotScoredAtFullSize)
{
    KTGatedQueue gate;
    mode->setLoadingThumbnailsQueue(&gate.queue);
    session.defaults().setObject(true, QStringLiteral("showsFocusMask"));
    ASSERT_TRUE(mode->showsFocusMask());
    KTLogCapture log;
    show(2, kUIModeGroup);
    mode->onNextGroup(nullptr);
    gate.open();
    mode->setLoadingThumbnailsQueue(&session.thumbnailQueue());
    EXPECT_TRUE(waitUntil([&] { return gate.queue.operationCount() == 0; }));
    EXPECT_FALSE(log.contains(QStringLiteral("Most focused image#")));
}

// Copy takes what the sub-mode shows: the selection inside a group, the whole group in "Groups".
TEST_F(KTDuplicatesImagesModeControllerTest, CopyTakesTheSelectionOrTheWholeGroup)
{
    show(2, kUIModeGroup);
    mode->setSelectedImages(imagesOf({"s02-b0-1", "s02-b0-3"}), image("s02-b0-3"), false);
    const struct
    {
        QString subMode;
        Ids copied;
    } cases[] = {
        {kUIModeGroup, {"s02-b0-1", "s02-b0-3"}},
        {kUIModeImage, {"s02-b0-1", "s02-b0-3"}},
        {kUIModeGroups, {"s02-b0-0", "s02-b0-1", "s02-b0-2", "s02-b0-3", "s02-b0-4"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.subMode.toStdString());
        mode->switchToUIMode(c.subMode);
        QGuiApplication::clipboard()->clear();
        mode->copyImagesToPasteboard();
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        QList<QUrl> expected;
        for (const QString &id : c.copied)
            expected.append(QUrl::fromLocalFile(image(id)->path()));
        EXPECT_EQ(data->urls(), expected);
    }
}

// The sub-mode rules: "Compare" needs two images, an empty list shows "Groups" and the space key
// walks "Groups", "Group" and "Image".
TEST_F(KTDuplicatesImagesModeControllerTest, SubModesFollowTheContentAndTheSpaceKey)
{
    show(0, kUIModeGroups);
    const QList<QString> walk{kUIModeGroup, kUIModeImage, kUIModeGroup};
    for (const QString &expected : walk) {
        QTest::keyClick(mode->view()->focusWidget() ? mode->view()->focusWidget() : mode->view(),
                        Qt::Key_Space);
        EXPECT_EQ(mode->UIMode(), expected);
    }
    mode->switchToUIMode(kUIModeCompare);
    QTest::keyClick(mode->groupNavigationView(), Qt::Key_Space);
    EXPECT_EQ(mode->UIMode(), kUIModeCompare);
    EXPECT_EQ(session.defaults().stringForKey(QStringLiteral("Duplicates_UIMode")), kUIModeCompare);

    // A double click on an image of the group grid opens one image or, with two selected, a pair.
    mode->switchToUIMode(kUIModeGroup);
    mode->groupView()->selectIndexes({0, 1}, 1);
    mode->imageListViewSelectionDidChange(mode->groupView());
    mode->imageListViewCellWasDoubleClickedAtIndex(mode->groupView(), 1);
    EXPECT_EQ(mode->UIMode(), kUIModeCompare);

    // Rejecting one of the two images of a compared group falls back to "Image".
    reject({"s00-b0-0"});
    mode->switchToUIMode(kUIModeCompare);
    reject({"s00-b0-2"});
    EXPECT_EQ(mode->UIMode(), kUIModeImage);
    EXPECT_EQ(selection(), Ids{"s00-b0-1"});
}

} // namespace

// Each button of the review that shows only a picture says what it does, and those with a key
// name the key (the README's).
TEST_F(KTDuplicatesImagesModeControllerTest, PictureButtonsHaveToolTipsNamingTheirKeys)
{
    show(1, kUIModeImage);
    int pictureButtons = 0;
    for (const KTAbstractButton *button : mode->view()->findChildren<KTAbstractButton *>()) {
        // Titled buttons say it themselves; the slider's end pictures are no buttons to press.
        if (!button->title().trimmed().isEmpty() || button->testAttribute(Qt::WA_TransparentForMouseEvents))
            continue;
        ++pictureButtons;
        EXPECT_FALSE(button->toolTip().isEmpty())
            << button->metaObject()->className() << " " << qPrintable(button->objectName()) << " in "
            << qPrintable(button->parentWidget()->objectName()) << " "
            << button->parentWidget()->metaObject()->className();
    }
    EXPECT_GT(pictureButtons, 5);
    const struct
    {
        const QWidget *button;
        const char *key;
    } keyed[] = {
        {mode->view()->findChild<QWidget *>(QStringLiteral("prevGroupButton")), "Ctrl+["},
        {mode->view()->findChild<QWidget *>(QStringLiteral("nextGroupButton")), "Ctrl+]"},
        {mode->view()->findChild<QWidget *>(QStringLiteral("resolveGroupButton")), "Ctrl+Return"},
        {mode->flagImagesButton(), "Ctrl+P"},
        {mode->imageView()->flagButton(), "Ctrl+P"},
        {mode->imageView()->rejectButton(), "Ctrl+R"},
    };
    for (const auto &k : keyed) {
        ASSERT_NE(k.button, nullptr) << k.key;
        EXPECT_TRUE(k.button->toolTip().contains(QLatin1String(k.key))) << qPrintable(k.button->toolTip());
    }
}

// A search or an import that ends while "Compare" shows leaves it comparing the pair the
// selection holds (the search for a new accuracy in the group of the compared images, the import
// in the first group); a click on the other side then selects within it (it asserted on a pair
// from the list before).
TEST_F(KTDuplicatesImagesModeControllerTest, CompareAfterASearchOrAnImportShowsThePairSelected)
{
    TaskCounter searches(kSearchDuplicatesTaskName);
    const struct
    {
        std::function<void()> end;
        bool keepsTheGroup;
    } ends[] = {
        {[&] {
             mode->accuracyWindowControllerDidSelectAccuracyLevel(1);
             ASSERT_TRUE(searches.settle(1));
         },
         true},
        {[] {
             postTaskDidFinish(kLoadImagesTaskName);
             drainMainQueue();
         },
         false},
    };
    for (const auto &[end, keepsTheGroup] : ends) {
        show(2, kUIModeCompare);
        mode->setSelectedImages(imagesOf({"s02-b0-2", "s02-b0-4"}), image("s02-b0-4"), false);
        ASSERT_EQ(selection().size(), 2);
        end();
        ASSERT_EQ(mode->UIMode(), kUIModeCompare);
        if (keepsTheGroup)
            EXPECT_TRUE(groups().value(*mode->selectedGroupIndex()).contains(QStringLiteral("s02-b0-4")));
        else
            EXPECT_EQ(*mode->selectedGroupIndex(), 0);
        KTImageCompareView *compare = mode->compareView();
        KTImageMO *shownActive = compare->selectedImageView()->imageMO();
        KTImageMO *shownOther = compare->unselectedImageView()->imageMO();
        ASSERT_TRUE(shownActive && shownOther);
        EXPECT_EQ(mode->activeImageMO(), shownActive);
        Ids shown = KTBurstModesSession::ids({shownActive, shownOther});
        Ids selected = selection();
        std::sort(shown.begin(), shown.end());
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, shown);
        EXPECT_TRUE(mode->images().contains(shownActive) && mode->images().contains(shownOther));

        KTImageView *other = compare->unselectedImageView();
        QTest::mouseClick(other, Qt::LeftButton, {}, other->rect().center());
        EXPECT_EQ(mode->activeImageMO(), shownOther);
        EXPECT_EQ(selection().size(), 2);
    }
}
