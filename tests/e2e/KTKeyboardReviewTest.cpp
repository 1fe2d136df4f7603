#include "KTEndToEndTest.h"

#include "KTBurstFixture.h"
#include "KTDuplicatesImagesModeController.h"
#include "KTImageCompareView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTMainWindowController.h"

#include <QSet>

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
    EXPECT_EQ(left->scalePercent(), right->scalePercent());
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
