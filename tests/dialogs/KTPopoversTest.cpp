// The accuracy and time-range popovers of the review modes and their common base.

#include "KTAccuracyPopoverWindowController.h"
#include "KTTimeRangePopoverWindowController.h"

#include "KTAbstractButton.h"
#include "KTPopoverManager.h"
#include "KTProgressWindowController.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class RecordingAccuracyDelegate : public QObject, public KTAccuracyPopoverWindowControllerDelegate
{
public:
    void accuracyWindowControllerDidSelectAccuracyLevel(unsigned level) override
    {
        calls.append(QStringLiteral("select %1").arg(level));
    }
    void accuracyWindowControllerDidCancelWithPreviousAccuracyLevel(unsigned level) override
    {
        calls.append(QStringLiteral("cancel %1").arg(level));
    }
    void accuracyWindowControllerWantsToShowExpertSettings() override
    {
        calls.append(QStringLiteral("expert"));
    }
    QStringList calls;
};

class RecordingTimeRangeDelegate : public QObject, public KTTimeRangePopoverDelegate
{
public:
    void timeRangeDidChange(KTTimeRangePopoverWindowController *popover) override
    {
        calls.append(QStringLiteral("change %1").arg(popover->timeRange()));
    }
    void timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover) override
    {
        calls.append(QStringLiteral("done %1").arg(popover->timeRange()));
    }
    QStringList calls;
};

/// A window with a toolbar button to hang popovers from.
struct AnchorWindow
{
    AnchorWindow()
    {
        window.resize(600, 400);
        anchor = new QWidget(&window);
        anchor->setGeometry(280, 10, 40, 24);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    QWidget *anchor = nullptr;
};

void postProgress(const QString &name)
{
    KTNotificationCenter::defaultCenter().post(name);
}

} // namespace

// A choice is told to the delegate and closes the popover. Cancelling the work from the progress
// sheet puts the previous level back and tells the delegate; once the sheet has ended (or been
// cancelled) the watch is over and later cancels change nothing.
TEST(KTPopoversTest, AccuracyChoiceRollsBackOnlyOnTheNextCancel)
{
    AnchorWindow w;
    RecordingAccuracyDelegate delegate;
    KTAccuracyPopoverWindowController popover;
    popover.setDelegate(&delegate);
    popover.setAccuracyLevel(3);
    EXPECT_EQ(popover.accuracyLevelName(), "Normal");

    int completions = 0;
    popover.showRelativeToView(w.anchor, [&] { ++completions; });
    ASSERT_TRUE(popover.isShown());
    EXPECT_TRUE(popover.buttonForLevel(3)->isPushed());
    popover.buttonForLevel(5)->click();
    EXPECT_EQ(delegate.calls, QStringList{"select 5"});
    EXPECT_FALSE(popover.isShown());
    EXPECT_EQ(completions, 1);
    // The mode takes the level and sets it back; the search it starts is then cancelled.
    popover.setAccuracyLevel(5);
    postProgress(kProgressDidCancelNotification);
    EXPECT_EQ(popover.accuracyLevel(), 3u);
    EXPECT_EQ(popover.accuracyLevelName(), "Normal");
    EXPECT_EQ(delegate.calls, (QStringList{"select 5", "cancel 3"}));
    postProgress(kProgressDidCancelNotification);
    EXPECT_EQ(delegate.calls.size(), 2);

    // This time the work finishes: the choice stays, and a later cancel is someone else's.
    popover.showRelativeToView(w.anchor);
    popover.buttonForLevel(1)->click();
    popover.setAccuracyLevel(1);
    postProgress(kProgressDidFinishNotification);
    EXPECT_FALSE(popover.isWatchingProgress());
    postProgress(kProgressDidCancelNotification);
    EXPECT_EQ(popover.accuracyLevel(), 1u);
    EXPECT_EQ(delegate.calls, (QStringList{"select 5", "cancel 3", "select 1"}));

    popover.showRelativeToView(w.anchor);
    popover.expertSettingsButton()->click();
    EXPECT_EQ(delegate.calls.last(), "expert");
    EXPECT_FALSE(popover.isShown());
    EXPECT_FALSE(popover.isWatchingProgress());
}

TEST(KTPopoversTest, AccuracyPopoverForgetsADelegateThatIsGone)
{
    AnchorWindow w;
    KTAccuracyPopoverWindowController popover;
    auto delegate = std::make_unique<RecordingAccuracyDelegate>();
    popover.setDelegate(delegate.get());
    delegate.reset();
    EXPECT_EQ(popover.delegate(), nullptr);
    popover.showRelativeToView(w.anchor);
    popover.buttonForLevel(2)->click();
    postProgress(kProgressDidCancelNotification);
    EXPECT_EQ(popover.accuracyLevel(), 3u);
}

TEST(KTPopoversTest, TimeRangeSelectsTheNearestRangeWithTiesToTheFirst)
{
    KTTimeRangePopoverWindowController popover;
    // Right after creation: the entry nearest to 0 (unlimited), but no button pushed yet.
    EXPECT_EQ(popover.timeRangeIndex(), 5);
    for (KTAbstractButton *button : popover.buttonsContainer()->buttons())
        EXPECT_FALSE(button->isPushed());
    EXPECT_FALSE(popover.timeRangeIcon().isNull());
    EXPECT_FALSE(popover.pushedTimeRangeIcon().isNull());

    struct Case
    {
        double seconds;
        int index;
        const char *label;
    };
    const Case cases[] = {
        {5, 0, "2 sec"}, {6, 0, "2 sec"}, {0, 5, ""}, {-3, 5, ""}, {700, 3, "10 min"}, {1e9, 4, "20 min"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        popover.setTimeRange(c.seconds);
        EXPECT_EQ(popover.timeRangeIndex(), c.index);
        EXPECT_EQ(popover.timeRangeString(), QString::fromUtf8(c.label));
        const QList<KTAbstractButton *> buttons = popover.buttonsContainer()->buttons();
        for (qsizetype i = 0; i < buttons.size(); ++i)
            EXPECT_EQ(buttons[i]->isPushed(), i == c.index) << i;
    }
    EXPECT_TRUE(popover.timeRangeIcon().isNull());

    KTTimeRangePopoverWindowController empty(QList<double>{}, QStringList{});
    empty.setTimeRange(30);
    EXPECT_EQ(empty.timeRange(), 0.0);
    EXPECT_TRUE(empty.timeRangeString().isNull());
}

TEST(KTPopoversTest, TimeRangeChoiceRollsBackOnCancel)
{
    AnchorWindow w;
    RecordingTimeRangeDelegate delegate;
    KTTimeRangePopoverWindowController popover({2, 10, 30}, {"2 sec", "10 sec", "30 sec"});
    popover.setDelegate(&delegate);
    popover.setTimeRange(10);
    delegate.calls.clear();

    popover.showRelativeToView(w.anchor);
    popover.buttonsContainer()->buttons()[2]->click();
    EXPECT_EQ(delegate.calls, (QStringList{"change 30", "done 30"}));
    EXPECT_FALSE(popover.isShown());
    EXPECT_TRUE(popover.buttonsContainer()->buttons()[2]->isPushed());

    postProgress(kProgressDidCancelNotification);
    EXPECT_EQ(popover.timeRange(), 10.0);
    EXPECT_TRUE(popover.buttonsContainer()->buttons()[1]->isPushed());
    EXPECT_FALSE(popover.buttonsContainer()->buttons()[2]->isPushed());
    EXPECT_EQ(delegate.calls, (QStringList{"change 30", "done 30", "change 10"}));
}

// Whatever closes a popover (its owner, another popover shown in its place), its completion
// runs once.
TEST(KTPopoversTest, CompletionRunsOnceWhateverClosesThePopover)
{
    AnchorWindow w;
    KTAccuracyPopoverWindowController accuracy;
    KTTimeRangePopoverWindowController range;
    int accuracyClosed = 0;
    int rangeClosed = 0;
    accuracy.showRelativeToView(w.anchor, [&] { ++accuracyClosed; });
    range.showRelativeToView(w.anchor, [&] { ++rangeClosed; });
    EXPECT_EQ(accuracyClosed, 1);
    EXPECT_FALSE(accuracy.isShown());
    accuracy.closePopover();
    EXPECT_EQ(accuracyClosed, 1);
    range.closePopover();
    range.closePopover();
    EXPECT_EQ(rangeClosed, 1);
    EXPECT_FALSE(KTPopoverManager::sharedManager().isShown());
}
