#include "KTTimelineImagesModeController.h"

#include "KTAbstractButton.h"
#include "KTGridScrollView.h"
#include "KTGroupModeTest.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageMO.h"
#include "KTCatalogNotifications.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTMultipleLabelsView.h"
#include "KTNotificationCenter.h"
#include "KTProgressWindowController.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeLineImagesGroupsView.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"
#include "KTUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace {

/// The bursts shot over two months: one on 5 May in the evening and one across midnight into 6
/// May (the catalogue's grouping splits it at the day); on 6 June (the same day of another month)
/// one in the morning and two three minutes apart at noon; one and three singles on 7 June; and a
/// photo without a shooting time.
std::vector<KTBurstPhoto> photosOverTwoMonths()
{
    std::vector<KTBurstPhoto> photos = KTBurstModesSession::defaultPhotos();
    const auto at = [](int month, int day, int hour, int minute, int second) {
        return QDateTime(QDate(2026, month, day), QTime(hour, minute, second));
    };
    const QMap<QString, QDateTime> starts{
        {QStringLiteral("s00-b0"), at(5, 5, 22, 0, 0)}, {QStringLiteral("s00-b1"), at(5, 5, 23, 59, 58)},
        {QStringLiteral("s01-b0"), at(6, 6, 9, 0, 0)},  {QStringLiteral("s02-b0"), at(6, 6, 12, 0, 0)},
        {QStringLiteral("s03-b0"), at(6, 6, 12, 3, 0)}, {QStringLiteral("s04-b0"), at(6, 7, 18, 0, 0)},
        {QStringLiteral("u0"), at(6, 7, 18, 30, 0)},    {QStringLiteral("u1"), at(6, 7, 19, 30, 0)},
        {QStringLiteral("u2"), at(6, 7, 20, 30, 0)},
    };
    for (KTBurstPhoto &photo : photos) {
        const QString burst = photo.id.startsWith(QLatin1Char('u')) ? photo.id : photo.id.left(6);
        const int shot = photo.id.startsWith(QLatin1Char('u')) ? 0 : photo.id.mid(7).toInt();
        photo.shotTime = starts.value(burst).addSecs(shot);
    }
    return photos;
}

class KTTimelineImagesModeControllerTest : public KTGroupModeTest<KTTimelineImagesModeController>
{
protected:
    void SetUp() override
    {
        // A photo without a shooting time: no EXIF at all.
        QDir().mkpath(QDir(session.folder()).filePath(QStringLiteral("Photos")));
        QImage plain(120, 90, QImage::Format_RGB32);
        plain.fill(QColor(90, 120, 150));
        ASSERT_TRUE(plain.save(session.path(QStringLiteral("nostamp")), "JPEG"));
        ASSERT_TRUE(session.load(photosOverTwoMonths(), {3, 3600, 300}));
        showMode();
    }

    /// Chooses the time range labelled `label` in the popover, as a click does, and waits for the
    /// catalogue's regrouping to reach the list.
    bool chooseTimeRange(const QString &label)
    {
        KTTimeRangePopoverWindowController *popover = mode->timeRangePopover();
        const qsizetype index = popover->timeRangesStrings().indexOf(label);
        if (index < 0)
            return false;
        // The task ends on the regrouping queue; the new groups reach the list when they are saved
        // into the catalogue.
        bool finished = false;
        bool groupsChanged = false;
        KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
        const KTObserverToken task =
            center.addObserver(kTaskDidFinishNotification, nullptr, [&](const KTNotification &notification) {
                if (notification.userInfo.value(kTaskNameKey).toString() == kGrouppingImagesByTimeTaskName)
                    finished = true;
            });
        const KTObserverToken change =
            center.addObserver(kTimeGroupsDidChangeNotification, &session.storage(),
                               [&](const KTNotification &) { groupsChanged = finished; });
        popover->onChangeTimeRange(popover->buttonsContainer()->buttons().at(index));
        const bool done = waitUntil([&] { return groupsChanged; }, std::chrono::seconds(30));
        drainMainQueue();
        return done;
    }
};

// The groups follow the shooting time; a day band opens each calendar day, so 6 June after 6 May
// is another day; the images without a shooting time come last.
TEST_F(KTTimelineImagesModeControllerTest, GroupsInShootingOrderWithABandForEachCalendarDay)
{
    EXPECT_EQ(heads(), (Ids{"s00-b0-0", "s00-b1-0", "s00-b1-2", "s01-b0-0", "s02-b0-0", "s04-b0-0", "u0",
                            "u1", "u2", "nostamp"}));
    EXPECT_EQ(groups().at(1), (Ids{"s00-b1-0", "s00-b1-1"})) << "before midnight";
    EXPECT_EQ(groups().at(4).size(), 11) << "two bursts three minutes apart";
    EXPECT_EQ(groups().at(4).at(5), QStringLiteral("s03-b0-0"));
    KTTimeLineImagesGroupsView *list = mode->timeLineView();
    QList<bool> bands;
    QList<bool> lastOfDay;
    for (qsizetype i = 0; i < mode->numberOfGroupsInList(); ++i) {
        bands.append(list->showsDaySectionForGroupAtIndex(i));
        lastOfDay.append(list->isLastInDayGroupAtIndex(i));
    }
    EXPECT_EQ(bands, (QList<bool>{true, false, true, true, false, true, false, false, false, false}));
    EXPECT_EQ(lastOfDay, (QList<bool>{false, true, true, false, true, false, false, false, true, false}));
    EXPECT_TRUE(mode->modeButtonBadge().isEmpty());
    EXPECT_EQ(mode->imagesFilterID(), QStringLiteral("KTTimelineImagesModeController"));

    // A rejected image leaves the timeline; a group left empty leaves the list.
    session.storage().moveImagesToTrash({image("nostamp")});
    EXPECT_EQ(heads().last(), QStringLiteral("u2"));
}

// The groups bar totals every listed image and its bytes, and follows the list when an image
// leaves it.
TEST_F(KTTimelineImagesModeControllerTest, GroupsBarTotalsFollowTheList)
{
    show(4, kUIModeGroups);
    const auto expected = [&] {
        int count = 0;
        qint64 bytes = 0;
        for (const Ids &group : groups()) {
            for (const QString &id : group) {
                ++count;
                bytes += qint64(image(id)->size().value_or(0));
            }
        }
        return QStringLiteral("Total: %1 images - %2").arg(count).arg(KTUtils::stringFromByteCount(bytes));
    };
    ASSERT_GT(image("s02-b0-1")->size().value_or(0), 0U);
    const QString before = expected();
    EXPECT_EQ(mode->groupsInfo()->strings().value(0), before);

    session.storage().moveImagesToTrash({image("s02-b0-1")});
    session.process();
    EXPECT_NE(expected(), before);
    EXPECT_EQ(mode->groupsInfo()->strings().value(0), expected());
}

// A reject in "Group" makes only its time group again: every other group keeps its very list
// (the same objects, in the same order), the group list and the grid show the change, the
// selection stays at the rejected shot's place, and an undo brings the shot back where it was.
TEST_F(KTTimelineImagesModeControllerTest, RejectTouchesOnlyItsTimeGroupAndUndoBringsItBack)
{
    const struct
    {
        const char *rejected;
        qsizetype group;
        const char *selectedAfter;
        qsizetype groupsAfter;
    } cases[] = {
        {"s02-b0-1", 4, "s02-b0-2", 10}, // inside a burst
        {"s02-b0-0", 4, "s02-b0-1", 10}, // the group's first shot: a later start, the same place
        {"u1", 7, "u2", 9},              // a group's only shot: the group leaves the list
        {"nostamp", 9, "s00-b0-0", 9},   // the images without a shooting time, last
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rejected);
        const QList<Ids> before = groups();
        ASSERT_EQ(before.size(), 10);
        ASSERT_TRUE(before.at(c.group).contains(QLatin1String(c.rejected)));
        std::vector<const KTImageMO *const *> lists;
        for (qsizetype i = 0; i < mode->numberOfGroupsInList(); ++i)
            lists.push_back(mode->imagesForGroup(i).constData());
        const auto othersKeepTheirLists = [&](bool removed) {
            for (qsizetype i = 0; i < qsizetype(lists.size()); ++i) {
                if (i == c.group)
                    continue;
                EXPECT_EQ(mode->imagesForGroup(removed && i > c.group ? i - 1 : i).constData(),
                          lists.at(size_t(i)))
                    << "group " << i;
            }
        };
        const auto totals = [&] {
            qsizetype count = 0;
            qint64 bytes = 0;
            for (const Ids &group : groups()) {
                count += group.size();
                for (const QString &id : group)
                    bytes += qint64(image(id)->size().value_or(0));
            }
            return QStringLiteral("Total: %1 images - %2")
                .arg(count)
                .arg(KTUtils::stringFromByteCount(bytes));
        };
        show(c.group, kUIModeGroup);
        mode->setSelectedImages({image(c.rejected)}, image(c.rejected), false);

        mode->rejectSelectedImages();
        QList<Ids> expected = before;
        expected[c.group].removeOne(QLatin1String(c.rejected));
        if (expected.at(c.group).isEmpty())
            expected.removeAt(c.group);
        EXPECT_EQ(groups(), expected);
        ASSERT_EQ(mode->numberOfGroupsInList(), c.groupsAfter);
        othersKeepTheirLists(c.groupsAfter < 10);
        EXPECT_EQ(selection(), Ids{c.selectedAfter});
        EXPECT_EQ(mode->groupView()->numberOfCells(), mode->images().size());
        EXPECT_EQ(mode->groupView()->selection(), mode->selectedImagesIndexes());
        mode->switchToUIMode(kUIModeGroups);
        EXPECT_EQ(mode->groupsView()->numberOfGroups(), c.groupsAfter);
        EXPECT_EQ(mode->groupsInfo()->strings().value(0), totals());

        session.storage().undoManager()->undo();
        session.process();
        EXPECT_FALSE(image(c.rejected)->rejected().value_or(false));
        EXPECT_EQ(groups(), before);
        othersKeepTheirLists(false);
        EXPECT_EQ(mode->groupsView()->numberOfGroups(), 10);
        EXPECT_EQ(mode->groupsInfo()->strings().value(0), totals());
    }
}

// The groups bar counts a group of one image in the singular and a larger one in the plural.
TEST_F(KTTimelineImagesModeControllerTest, GroupsBarCountsOneImageInTheSingular)
{
    const qsizetype single = heads().indexOf(QStringLiteral("u0"));
    ASSERT_GE(single, 0);
    ASSERT_EQ(groups().at(single).size(), 1);
    show(int(single), kUIModeGroups);
    EXPECT_EQ(mode->groupsInfo()->strings().value(1), QStringLiteral("Group of 1 image"));
    show(1, kUIModeGroups);
    EXPECT_EQ(mode->groupsInfo()->strings().value(1), QStringLiteral("Group of 2 images"));
}

// A new interval regroups the catalogue and selects the first group; the images stay selected
// by path where they still are in it.
TEST_F(KTTimelineImagesModeControllerTest, ChangingTheIntervalRegroupsAndKeepsTheSelectedImages)
{
    EXPECT_EQ(mode->timeRange(), 300.0);
    EXPECT_EQ(mode->timeRangeButton()->title(), QStringLiteral("5 min"));
    show(0, kUIModeImage);
    mode->setSelectedImages({image("s00-b0-2")}, image("s00-b0-2"), false);
    ASSERT_EQ(selection(), Ids{"s00-b0-2"});

    ASSERT_TRUE(chooseTimeRange(QStringLiteral("2 sec")));
    EXPECT_EQ(mode->timeRange(), 2.0);
    EXPECT_EQ(session.defaults().objectForKey(QStringLiteral("Timeline_timeRange")).toDouble(), 2.0);
    EXPECT_EQ(mode->timeRangeButton()->title(), QStringLiteral("2 sec"));
    EXPECT_EQ(heads(), (Ids{"s00-b0-0", "s00-b1-0", "s00-b1-2", "s01-b0-0", "s02-b0-0", "s03-b0-0",
                            "s04-b0-0", "u0", "u1", "u2", "nostamp"}))
        << "the noon bursts apart";
    EXPECT_EQ(*mode->selectedGroupIndex(), 0);
    EXPECT_EQ(selection(), Ids{"s00-b0-2"});
    EXPECT_EQ(mode->imageView()->imageMO(), image("s00-b0-2"));
    EXPECT_EQ(mode->UIMode(), kUIModeImage);
}

// A regroup cancelled from the progress sheet puts the popover back on the previous range; the
// mode stores that range again and the button shows it.
TEST_F(KTTimelineImagesModeControllerTest, CancelledRegroupRestoresTheStoredRange)
{
    KTTimeRangePopoverWindowController *popover = mode->timeRangePopover();
    ASSERT_EQ(popover->timeRangesStrings(),
              (QStringList{"2 sec", "10 sec", "30 sec", "60 sec", "5 min", "10 min", "20 min"}));
    popover->onChangeTimeRange(popover->buttonsContainer()->buttons().at(3));
    EXPECT_EQ(mode->timeRange(), 60.0);
    KTNotificationCenter::defaultCenter().post(kProgressDidCancelNotification, nullptr);
    EXPECT_EQ(popover->timeRange(), 300.0);
    EXPECT_EQ(mode->timeRange(), 300.0);
    EXPECT_EQ(session.defaults().objectForKey(QStringLiteral("Timeline_timeRange")).toDouble(), 300.0);
    EXPECT_EQ(mode->timeRangeButton()->title(), QStringLiteral("5 min"));
    EXPECT_TRUE(waitUntil([&] { return mode->numberOfGroupsInList() == 11; })) << "the regroup itself ran";
}

TEST_F(KTTimelineImagesModeControllerTest, RejectUnselectedRejectsTheUnpickedImagesOfTheGroup)
{
    show(4, kUIModeGroups);
    image("s02-b0-1")->setPicked(true);
    image("s03-b0-4")->setPicked(true);
    session.process();
    EXPECT_TRUE(mode->canRejectNotSelected());
    EXPECT_TRUE(mode->rejectNotSelectedButtonControl()->isButtonEnabled());
    mode->onRejectNotSelected(mode->rejectNotSelectedButtonControl());
    EXPECT_EQ(groups().at(4), (Ids{"s02-b0-1", "s03-b0-4"}));
    EXPECT_TRUE(image("s02-b0-0")->rejected().value_or(false));
    EXPECT_FALSE(image("s00-b0-0")->rejected().value_or(false)) << "other groups stay";
    EXPECT_TRUE(QFileInfo::exists(image("s02-b0-0")->path())) << "the files stay";
    // Every image left is picked: nothing to reject, the button off.
    EXPECT_FALSE(mode->canRejectNotSelected());
    EXPECT_FALSE(mode->rejectNotSelectedButtonControl()->isButtonEnabled());
    mode->onRejectNotSelected(nullptr);
    EXPECT_EQ(groups().at(4).size(), 2);
    // An unpick turns it back on.
    image("s03-b0-4")->setPicked(false);
    session.process();
    EXPECT_TRUE(waitUntil([&] { return mode->rejectNotSelectedButtonControl()->isButtonEnabled(); }));
}

// The list is walked across its day bands; the selected group is kept by position; the next
// group starts on its first image while a group chosen in the list keeps the image position.
TEST_F(KTTimelineImagesModeControllerTest, NavigationAcrossDaysKeepsTheGroupByPosition)
{
    show(2, kUIModeImage);
    mode->setSelectedImages({image("s00-b1-3")}, image("s00-b1-3"), false);
    mode->onNextGroup(nullptr);
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s01-b0-0")) << "from 6 May to 6 June";
    EXPECT_EQ(selection(), Ids{"s01-b0-0"});
    EXPECT_EQ(mode->groupsView()->selectedGroupIndex(), 3) << "the list follows in every sub-mode";
    mode->onPreviousGroup(nullptr);
    mode->onPreviousGroup(nullptr);
    mode->onPreviousGroup(nullptr);
    EXPECT_EQ(*mode->selectedGroupIndex(), 0);
    mode->onPreviousGroup(nullptr);
    EXPECT_EQ(selectedGroup(), Ids{"nostamp"}) << "the last group";
    mode->onNextGroup(nullptr);
    EXPECT_EQ(*mode->selectedGroupIndex(), 0);

    // Chosen in the list, the next group keeps the third position.
    show(4, kUIModeGroup);
    mode->setSelectedImages({image("s02-b0-2")}, image("s02-b0-2"), false);
    mode->switchToUIMode(kUIModeGroups);
    mode->groupsView()->setSelectedGroupIndex(0);
    mode->imagesGroupsViewSelectionDidChange(mode->groupsView());
    mode->imagesGroupsViewDoubleClickedInGroupAtIndex(mode->groupsView(), 0);
    EXPECT_EQ(mode->UIMode(), kUIModeGroup);
    EXPECT_EQ(selection(), Ids{"s00-b0-2"});

    // The selected group's images all leave: the same position holds the next group; past the
    // end, the first group.
    show(1, kUIModeGroup);
    session.storage().moveImagesToTrash(imagesOf({"s00-b1-0", "s00-b1-1"}));
    EXPECT_EQ(*mode->selectedGroupIndex(), 1);
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s00-b1-2"));
    show(mode->numberOfGroupsInList() - 1, kUIModeGroup);
    session.storage().moveImagesToTrash({image("nostamp")});
    EXPECT_EQ(*mode->selectedGroupIndex(), 0);
    EXPECT_EQ(selection(), Ids{"s00-b0-0"});
}

// In the single image the arrows walk on past the ends of a time group (most groups hold one
// shot), and keep doing so after a click or a drag on the photo, with the photo zoomed in or not.
TEST_F(KTTimelineImagesModeControllerTest, ArrowsInTheSingleImageCrossTheGroupsEndsAfterAClickOnThePhoto)
{
    const QList<Ids> all = groups();
    qsizetype burst = 0;
    while (burst + 2 < all.size() && all.at(burst).size() < 2)
        ++burst;
    ASSERT_GE(all.at(burst).size(), 2);
    show(burst, kUIModeImage);
    const QString last = all.at(burst).last();
    mode->setSelectedImages({image(last)}, image(last), false);
    window->clickAndDrag(mode->imageView());

    window->press(Qt::Key_Right);
    EXPECT_EQ(*mode->selectedGroupIndex(), burst + 1);
    EXPECT_EQ(selection(), Ids{all.at(burst + 1).first()});
    window->press(Qt::Key_Left);
    EXPECT_EQ(*mode->selectedGroupIndex(), burst);
    EXPECT_EQ(selection(), Ids{last});

    // Zoomed in, the arrows still move on (the photo pans with the mouse).
    window->press(Qt::Key_Plus);
    window->clickAndDrag(mode->imageView());
    EXPECT_FALSE(mode->imageView()->isFitToScreen());
    window->press(Qt::Key_Right);
    EXPECT_EQ(selection(), Ids{all.at(burst + 1).first()});
    // Inside a group the arrows step through its shots.
    show(burst, kUIModeImage);
    window->clickAndDrag(mode->imageView());
    window->press(Qt::Key_Right);
    EXPECT_EQ(selection(), Ids{all.at(burst).at(1)});
}

// A hidden timeline lets go of a cleared session's records (they are freed once the clearing has
// ended) and shows the empty session when it comes back, whatever sub-mode it was left in.
TEST_F(KTTimelineImagesModeControllerTest, HiddenModeLetsGoOfAClearedSession)
{
    for (const QString &subMode : {kUIModeGroups, kUIModeImage}) {
        SCOPED_TRACE(subMode.toStdString());
        if (mode->numberOfGroupsInList() == 0) {
            ASSERT_TRUE(session.load(photosOverTwoMonths(), {3, 3600, 300}));
        }
        window->showMode();
        show(4, subMode);
        ASSERT_FALSE(mode->images().isEmpty());
        window->hideMode();
        bool cleared = false;
        bool finished = false;
        const KTObserverToken task = KTNotificationCenter::defaultCenter().addObserver(
            kTaskDidFinishNotification, nullptr, [&](const KTNotification &notification) {
                if (notification.userInfo.value(kTaskNameKey).toString() == kCleanSessionTaskName)
                    finished = true;
            });
        session.storage().cleanSessionWithCompletionBlock([&] { cleared = true; });
        ASSERT_TRUE(waitUntil([&] { return cleared && finished; }, std::chrono::seconds(30)));
        drainMainQueue();
        EXPECT_EQ(mode->numberOfGroupsInList(), 0);
        EXPECT_TRUE(mode->images().isEmpty());
        window->showMode();
        EXPECT_EQ(mode->UIMode(), kUIModeGroups);
        EXPECT_EQ(mode->groupsView()->numberOfGroups(), 0);
    }
}

// The selected group is stored at quit and comes back at the next start; the time range and the
// comparison's zoom lock are stored per mode.
TEST_F(KTTimelineImagesModeControllerTest, StoredGroupAndSettingsComeBackAtTheNextStart)
{
    show(5, kUIModeGroups);
    mode->setIsCompareZoomLock(false);
    mode->saveSelections();
    window.reset();
    mode.reset();
    session.restartDefaults();
    mode = std::make_unique<KTTimelineImagesModeController>();
    EXPECT_EQ(*mode->selectedGroupIndex(), 5);
    EXPECT_FALSE(mode->isCompareZoomLock());
    window = std::make_unique<KTModeWindow>(session, *mode);
    window->showMode();
    EXPECT_EQ(selectedGroup().first(), QStringLiteral("s04-b0-0"));
    EXPECT_EQ(mode->UIMode(), kUIModeGroups);
}

} // namespace

namespace {

/// One time group of 60 shots a second apart: more cells than the group grid shows at once.
class KTTimelineLargeGroupTest : public KTGroupModeTest<KTTimelineImagesModeController>
{
protected:
    void SetUp() override
    {
        const KTBurstPhoto model = KTBurstModesSession::defaultPhotos().front();
        std::vector<KTBurstPhoto> photos;
        for (int shot = 0; shot < 60; ++shot) {
            KTBurstPhoto photo = model;
            photo.id = QStringLiteral("p%1").arg(shot, 2, 10, QLatin1Char('0'));
            photo.shotTime = QDateTime(QDate(2026, 5, 5), QTime(10, 0, 0)).addSecs(shot);
            photos.push_back(photo);
        }
        ASSERT_TRUE(session.load(photos, {3, 3600, 300}));
        showMode();
    }
};

} // namespace

// The user scrolled to the bottom of a large group and picks and rejects there: the grid reloads
// under the pointer and stays where it was, it does not run back to the selected first cell.
TEST_F(KTTimelineLargeGroupTest, ReloadOfTheGroupGridKeepsItsScroll)
{
    show(0, kUIModeGroup);
    ASSERT_EQ(mode->images().size(), 60);
    ASSERT_EQ(mode->selectedImagesIndexes(), (std::set<qsizetype>{0}));
    QScrollBar *scroller = mode->groupScrollView()->verticalScrollBar();
    ASSERT_GT(scroller->maximum(), 0) << "the grid must scroll for this test";
    scroller->setValue(scroller->maximum());

    image(QStringLiteral("p59"))->setPicked(true);
    drainMainQueue();
    EXPECT_EQ(scroller->value(), scroller->maximum()) << "a pick";
    reject({QStringLiteral("p58")});
    drainMainQueue();
    ASSERT_EQ(mode->images().size(), 59) << "the reject reloaded the group";
    EXPECT_GT(scroller->value(), 0) << "a reject";
    EXPECT_EQ(scroller->value(), scroller->maximum());
    mode->refresh();
    EXPECT_EQ(scroller->value(), scroller->maximum()) << "a refresh of the controls";

    // Coming back to the grid from another sub-mode still shows the selection.
    mode->switchToUIMode(kUIModeImage);
    mode->switchToUIMode(kUIModeGroup);
    EXPECT_LT(scroller->value(), scroller->maximum());
}
