#include "KTEndToEndTest.h"

#include "KTBurstFixture.h"
#include "KTDuplicatesImagesModeController.h"
#include "KTImageCompareView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTLevelIndicator.h"
#include "KTGroupModeController.h"
#include "KTMainMenu.h"
#include "KTMainWindowController.h"
#include "KTModeActions.h"
#include "KTModeChrome.h"
#include "KTTasksNotifier.h"
#include "KTWindowSystem.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <map>

namespace {

class KTKeyboardReviewTest : public KTEndToEndTest
{
protected:
    /// Presses `key` until the active image is `name`, at most `limit` times; true when it is.
    bool pressUntilActive(Qt::Key key, const QString &name, int limit)
    {
        for (int i = 0; i <= limit; ++i) {
            const QStringList selected = selectedNames();
            if (!selected.isEmpty() && selected.first() == name)
                return true;
            press(key);
        }
        return false;
    }
    static QSet<QString> asSet(const QStringList &names) { return {names.cbegin(), names.cend()}; }
    /// A click on `widget`, then a drag across it, as a user's mouse makes them.
    static void clickAndDrag(QWidget *widget)
    {
        const QPoint middle = widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, middle);
        QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, middle);
        QTest::mouseMove(widget, middle - QPoint(60, 40));
        QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, middle - QPoint(60, 40));
        QCoreApplication::processEvents();
    }
};

} // namespace

// A review from the keyboard alone: through the groups, into a group and one image, the sharp
// shot of a burst picked and its group resolved (the rest rejected), two images of the next group
// compared with their zoom locked together, and a pick undone and redone.
TEST_F(KTKeyboardReviewTest, GroupsPickResolveCompareUndoAndRedo)
{
    // Two scenes; in the first burst every shot but "s00-b0-1" is out of focus.
    std::vector<KTBurstPhoto> photos = makeBurstFixture(KTSessionPhotos::burstOptions(2, 1, 31));
    for (KTBurstPhoto &photo : photos) {
        if (photo.id.startsWith(QLatin1String("s00-b0-")) && photo.id != QLatin1String("s00-b0-1")) {
            photo.image =
                photo.image.scaled(photo.image.size() / 6, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .scaled(photo.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
    }
    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writePhotos(photos, card);
    const QString sharp = QStringLiteral("s00-b0-1.jpg");

    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    ASSERT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    auto *similar = dynamic_cast<KTDuplicatesImagesModeController *>(&activeMode());
    ASSERT_NE(similar, nullptr);
    ASSERT_EQ(similar->UIMode(), kUIModeGroups);
    const qsizetype groups = similar->numberOfGroupsInList();
    ASSERT_EQ(groups, 2);

    // Through the groups and back.
    const QStringList first = selectedNames();
    ASSERT_FALSE(first.isEmpty());
    press(Qt::Key_BracketRight, Qt::ControlModifier);
    const QStringList second = selectedNames();
    EXPECT_TRUE(asSet(first).intersect(asSet(second)).isEmpty());
    press(Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(selectedNames(), first);

    // Into the sharp shot's group, to the shot, and the shot alone.
    ASSERT_TRUE(nextGroupUntilItHolds(sharp, int(groups)));
    const QStringList burst = selectedNames();
    press(Qt::Key_2, Qt::ControlModifier);
    ASSERT_EQ(similar->UIMode(), kUIModeGroup);
    ASSERT_TRUE(pressUntilActive(Qt::Key_Right, sharp, int(burst.size())));
    EXPECT_EQ(selectedNames(), QStringList{sharp});
    press(Qt::Key_3, Qt::ControlModifier);
    ASSERT_EQ(similar->UIMode(), kUIModeImage);
    EXPECT_EQ(selectedNames(), QStringList{sharp});
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(pickedNames(), QStringList{sharp});

    // Resolving keeps the pick and rejects the rest of the group, which leaves the list.
    press(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitUntilIdle());
    QStringList rest = burst;
    rest.removeAll(sharp);
    rest.sort();
    EXPECT_EQ(rejectedNames(), rest);
    EXPECT_EQ(pickedNames(), QStringList{sharp});
    ASSERT_EQ(similar->numberOfGroupsInList(), groups - 1);

    // Two images of the remaining group side by side; zooming one zooms both.
    press(Qt::Key_4, Qt::ControlModifier);
    ASSERT_EQ(similar->UIMode(), kUIModeCompare);
    const QStringList compared = selectedNames();
    ASSERT_EQ(compared.size(), 2);
    EXPECT_FALSE(asSet(compared).intersects(asSet(burst)));
    KTImageCompareView *compare = similar->compareView();
    ASSERT_NE(compare, nullptr);
    EXPECT_TRUE(compare->isZoomLock());
    KTImageView *left = compare->leftImageView();
    KTImageView *right = compare->rightImageView();
    ASSERT_TRUE(waitUntil([&] { return left->scalePercent() && right->scalePercent(); }));
    const double fitted = *compare->selectedImageView()->scalePercent();
    press(Qt::Key_Equal, Qt::ControlModifier);
    press(Qt::Key_Equal, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return *compare->selectedImageView()->scalePercent() > fitted; }));
    // The locked side follows the visible part, so the two scales agree to rounding.
    EXPECT_NEAR(*left->scalePercent(), *right->scalePercent(), 1e-9 * *left->scalePercent());
    const KTVisibleGeometry shown = left->geometryInfo();
    EXPECT_LT(shown.visiblePart, 1.0);
    EXPECT_NEAR(right->geometryInfo().visiblePart, shown.visiblePart, 1e-6);
    EXPECT_NEAR(right->geometryInfo().anchorPoint.x(), shown.anchorPoint.x(), 1e-6);
    EXPECT_NEAR(right->geometryInfo().anchorPoint.y(), shown.anchorPoint.y(), 1e-6);

    // A pick of the active image, undone and redone.
    QStringList picks{compared.first(), sharp};
    picks.sort();
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(pickedNames(), picks);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pickedNames(), QStringList{sharp});
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pickedNames(), picks);
    EXPECT_EQ(rejectedNames(), rest);
}

// A review with the mouse and the keyboard together: after a click or a drag on the photo the
// arrows still move between the images, zoomed in or not; the viewer's bare keys zoom and never
// rate, even after a click on the rating; in the timeline the arrows walk on through the time
// groups.
TEST_F(KTKeyboardReviewTest, AMouseThenKeyboardReview)
{
    // Photos larger than the window, so that the viewer can zoom in and pan.
    KTBurstFixtureOptions options = KTSessionPhotos::burstOptions(2, 2, 43);
    options.width = 1800;
    options.height = 1200;
    const QString card = folder(QStringLiteral("Card"));
    const QStringList paths = KTSessionPhotos::writePhotos(makeBurstFixture(options), card);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    ASSERT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    press(Qt::Key_3, Qt::ControlModifier);
    KTBaseUIModeController &similar = activeMode();
    ASSERT_EQ(similar.UIMode(), kUIModeImage);
    KTImageView *photo = similar.imageView();
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().has_value(); }));
    const QStringList first = selectedNames();
    ASSERT_EQ(first.size(), 1);

    clickAndDrag(photo);
    press(Qt::Key_Right);
    const QStringList second = selectedNames();
    ASSERT_EQ(second.size(), 1);
    EXPECT_NE(second, first);
    clickAndDrag(photo);
    press(Qt::Key_Left);
    EXPECT_EQ(selectedNames(), first);

    // Zoomed in, a drag pans the photo and the arrows still move on.
    press(Qt::Key_Plus);
    ASSERT_TRUE(waitUntil([&] { return !photo->isFitToScreen(); }));
    const QPointF anchor = photo->geometryInfo().anchorPoint;
    clickAndDrag(photo);
    EXPECT_NE(photo->geometryInfo().anchorPoint, anchor);
    press(Qt::Key_Right);
    EXPECT_EQ(selectedNames(), second);

    // A click on the rating, then "1": actual size, and the rating is what the click made it.
    KTLevelIndicator *rating = similar.chrome().ratingIndicator();
    ASSERT_NE(rating, nullptr);
    click(rating);
    const int rated = rating->integerValue();
    press(Qt::Key_1);
    EXPECT_DOUBLE_EQ(photo->scalePercent().value_or(0), 100);
    EXPECT_EQ(rating->integerValue(), rated);
    press(Qt::Key_0);
    EXPECT_TRUE(photo->isFitToScreen());

    // In the timeline's single image the right arrow reaches every photo, group after group.
    press(Qt::Key_T);
    press(Qt::Key_3, Qt::ControlModifier);
    auto &timeline = dynamic_cast<KTGroupModeController &>(activeMode());
    ASSERT_EQ(timeline.UIMode(), kUIModeImage);
    ASSERT_GE(timeline.numberOfGroupsInList(), 2);
    // Round the groups to the first, which shows its first photo.
    for (qsizetype i = 0; i < timeline.numberOfGroupsInList() && timeline.selectedGroupIndex() != 0; ++i)
        press(Qt::Key_BracketRight, Qt::ControlModifier);
    for (qsizetype i = 0; i < timeline.numberOfGroupsInList(); ++i)
        press(Qt::Key_BracketRight, Qt::ControlModifier);
    ASSERT_EQ(timeline.selectedGroupIndex(), 0);
    clickAndDrag(timeline.imageView());
    QSet<QString> seen{selectedNames().value(0)};
    for (qsizetype i = 1; i < paths.size(); ++i) {
        press(Qt::Key_Right);
        seen.insert(selectedNames().value(0));
    }
    EXPECT_EQ(seen.size(), paths.size());
}

// Every key means one thing in every mode and sub-mode (no two commands share a shortcut, which
// would make both do nothing), and the README's key table lists each key of the modes.
TEST_F(KTKeyboardReviewTest, EveryKeyMeansOneThingAndTheReadmeListsTheKeysOfTheModes)
{
    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writeBursts(card, 2, 1, 5);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    // A pick and a reject, so that every mode has a photo to show.
    press(Qt::Key_2, Qt::ControlModifier);
    press(Qt::Key_P, Qt::ControlModifier);
    press(Qt::Key_Right);
    press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(pickedNames().size(), 1);
    ASSERT_EQ(rejectedNames().size(), 1);

    QFile readme(QStringLiteral(VS_README));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("## Keys of the review"));
    ASSERT_GE(start, 0);
    const QString table = text.mid(start, text.indexOf(QStringLiteral("\n## "), start + 1) - start);
    const auto listed = [&](const QString &key) {
        const QString edge = QStringLiteral("(^|[\\s|,/(])");
        const QString end = QStringLiteral("($|[\\s|,/)])");
        return table.contains(QRegularExpression(edge + QRegularExpression::escape(key) + end));
    };

    for (const Qt::Key modeKey : {Qt::Key_S, Qt::Key_T, Qt::Key_P, Qt::Key_J}) {
        press(modeKey);
        KTBaseUIModeController &mode = activeMode();
        const bool groups = modeKey == Qt::Key_S || modeKey == Qt::Key_T;
        const QStringList subModes =
            groups ? QStringList{kUIModeGroups, kUIModeGroup, kUIModeImage, kUIModeCompare}
                   : QStringList{kUIModeList, kUIModeImage};
        for (const QString &subMode : subModes) {
            mode.switchToUIMode(subMode);
            ASSERT_EQ(mode.UIMode(), subMode);
            const std::string where = (mainWindow().UIMode() + QLatin1Char(' ') + subMode).toStdString();
            // The window's items and the mode's commands as the menus show them, and the mode's keys.
            std::map<QString, QStringList> owners;
            QSet<QAction *> actions;
            for (QAction *item : KTMainMenu::commandItems(window().menuBar()))
                actions.insert(item);
            for (QAction *menu : window().menuBar()->actions()) {
                if (menu->menu()) {
                    for (QAction *item : menu->menu()->actions()) {
                        if (item->isVisible())
                            actions.insert(item);
                    }
                }
            }
            for (QAction *action : mode.view()->actions())
                actions.insert(action);
            for (QAction *action : actions) {
                for (const QKeySequence &shortcut : action->shortcuts())
                    owners[shortcut.toString(QKeySequence::PortableText)].append(action->text());
            }
            for (const auto &[key, names] : owners)
                EXPECT_EQ(names.size(), 1)
                    << where << " " << key.toStdString() << ": " << names.join(", ").toStdString();
            // The first shortcut of each of the mode's actions is its documented key; the others
            // are its other spellings ("=" for "+", the keypad's digits).
            for (QAction *action : mode.view()->actions()) {
                if (!action->shortcut().isEmpty()) {
                    EXPECT_TRUE(listed(action->shortcut().toString(QKeySequence::PortableText)))
                        << where << " " << action->text().toStdString() << " "
                        << action->shortcut().toString().toStdString();
                }
            }
        }
        // "Grid" is the list of groups in the group modes and the list of photos in the others.
        press(Qt::Key_1, Qt::ControlModifier);
        EXPECT_EQ(mode.UIMode(), groups ? kUIModeGroups : kUIModeList);
    }
}

// The same review under a real window system with a window manager, where a click moves the
// keyboard focus as it does for a user: the X server's pointer clicks and drags on the photo, its
// keyboard presses the arrows and the viewer's zoom keys. The test starts Xvfb and openbox itself
// and runs the application there in a process of its own; without them it is skipped.
TEST_F(KTKeyboardReviewTest, ClickAndDragOnThePhotoThenArrowsUnderAWindowManager)
{
    KT_RUN_UNDER_NEW_WINDOW_SYSTEM();

    KTBurstFixtureOptions options = KTSessionPhotos::burstOptions(2, 2, 43);
    options.width = 1800;
    options.height = 1200;
    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writePhotos(makeBurstFixture(options), card);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window(); }));
    ASSERT_TRUE(waitUntil([&] { return xActiveWindowId() == quint64(window().winId()); }));
    xKey(QStringLiteral("ctrl+3"));
    ASSERT_TRUE(waitUntil([&] { return activeMode().UIMode() == kUIModeImage; }));
    KTImageView *photo = activeMode().imageView();
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().has_value(); }));
    const QStringList first = selectedNames();
    ASSERT_EQ(first.size(), 1);
    const QPoint middle = photo->mapToGlobal(photo->rect().center());
    const QPoint aside = middle - QPoint(120, 80);

    // A click, then the right arrow; a drag, then the left arrow.
    xClickAt(middle);
    xKey(QStringLiteral("Right"));
    ASSERT_TRUE(waitUntil([&] { return selectedNames() != first; })) << "the arrow after a click";
    const QStringList second = selectedNames();
    ASSERT_EQ(second.size(), 1);
    xDrag(middle, aside);
    xKey(QStringLiteral("Left"));
    EXPECT_TRUE(waitUntil([&] { return selectedNames() == first; })) << "the arrow after a drag";

    // The bare zoom keys, after a click: "+" zooms in, "1" shows the actual size, where a drag
    // pans the photo and the right arrow still moves on; "0" fits.
    xClickAt(middle);
    // Fitted once the photo's size is read (a larger photo than the window).
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().value_or(100) < 100; }));
    const double fitted = *photo->scalePercent();
    xKey(QStringLiteral("plus"));
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().value_or(0) > fitted; })) << "+ zooms in";
    xKey(QStringLiteral("1"));
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().value_or(0) == 100; })) << "1: actual size";
    const QPointF anchor = photo->geometryInfo().anchorPoint;
    // Away from the click before: a press at its place within the double-click interval would be
    // a double click, which fits the photo.
    xDrag(middle + QPoint(60, 40), aside);
    EXPECT_TRUE(waitUntil([&] { return photo->geometryInfo().anchorPoint != anchor; })) << "a drag pans";
    xKey(QStringLiteral("Right"));
    EXPECT_TRUE(waitUntil([&] { return selectedNames() == second; })) << "the arrow while zoomed in";
    xClickAt(middle);
    xKey(QStringLiteral("0"));
    EXPECT_TRUE(waitUntil([&] { return photo->isFitToScreen(); })) << "0: fit";
}

// A relaunch that brings back a session in the single image, under a real window system: the
// check of the sources shows its progress sheet for a moment at launch, and afterwards the keys
// work without a click, the arrows and the window's own shortcuts alike.
TEST_F(KTKeyboardReviewTest, KeysWorkAfterARelaunchIntoTheSingleImageUnderAWindowManager)
{
    KT_RUN_UNDER_NEW_WINDOW_SYSTEM();

    if (launchNumber() == 2) {
        launch();
        ASSERT_TRUE(waitForTaskEnd(kValidateTaskName));
        ASSERT_TRUE(waitUntilIdle());
        ASSERT_TRUE(waitUntil([&] { return xActiveWindowId() == quint64(window().winId()); }));
        ASSERT_EQ(activeMode().UIMode(), kUIModeImage);
        const QStringList shown = selectedNames();
        ASSERT_EQ(shown.size(), 1);
        xKey(QStringLiteral("Right"));
        EXPECT_TRUE(waitUntil([&] { return selectedNames() != shown; })) << "the arrow after the relaunch";
        xKey(QStringLiteral("ctrl+1"));
        EXPECT_TRUE(waitUntil([&] { return activeMode().UIMode() == kUIModeGroups; })) << "Ctrl+1";
        return;
    }

    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writeBursts(card, 2, 1, 17);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    ASSERT_TRUE(waitUntil([&] { return xActiveWindowId() == quint64(window().winId()); }));
    xKey(QStringLiteral("ctrl+3"));
    ASSERT_TRUE(waitUntil([&] { return activeMode().UIMode() == kUIModeImage; }));
    ASSERT_TRUE(quit());
    ASSERT_TRUE(launchAgain());
}
