#include "KTEndToEndTest.h"

#include "KTAlert.h"
#include "KTBurstFixture.h"
#include "KTDuplicatesImagesModeController.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTRedjectedImagesModeController.h"

#include <QFileInfo>

namespace {

class KTGroupsAfterDecisionsTest : public KTEndToEndTest
{
protected:
    /// The file names of the images of each similar group of the catalogue, each list sorted.
    QList<QStringList> similarGroups() const
    {
        QList<QStringList> groups;
        for (KTImageGroupMO *group : catalogue().groups()) {
            QStringList names;
            for (const KTImageMO *member : group->images())
                names.append(QFileInfo(member->path()).fileName());
            names.sort();
            groups.append(names);
        }
        return groups;
    }
};

} // namespace

// Trashing one shot of a pair leaves no similar "group" of one: the other shot leaves the list,
// undecided. A group resolved in the similar groups comes back there, whole, when one of its
// rejects is restored in the rejects.
TEST_F(KTGroupsAfterDecisionsTest, TrashOneOfAPairAndRestoreFromAResolvedGroup)
{
    // Scene 0 shot twice, scene 1 in longer bursts.
    std::vector<KTBurstPhoto> photos = makeBurstFixture(KTSessionPhotos::burstOptions(2, 1, 7));
    std::erase_if(photos, [](const KTBurstPhoto &photo) {
        return photo.id.startsWith(QLatin1String("s00-")) && photo.id != QLatin1String("s00-b0-0") &&
               photo.id != QLatin1String("s00-b0-1");
    });
    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writePhotos(photos, card);

    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    auto *similar = dynamic_cast<KTDuplicatesImagesModeController *>(&activeMode());
    ASSERT_NE(similar, nullptr);
    ASSERT_EQ(similar->numberOfGroupsInList(), 2);
    const QStringList pair{QStringLiteral("s00-b0-0.jpg"), QStringLiteral("s00-b0-1.jpg")};
    ASSERT_TRUE(similarGroups().contains(pair));

    // Into the pair, and its active shot to the desktop's trash.
    ASSERT_TRUE(nextGroupUntilItHolds(pair.first(), 2));
    press(Qt::Key_2, Qt::ControlModifier);
    ASSERT_EQ(similar->UIMode(), kUIModeGroup);
    const QString trashed = selectedNames().value(0);
    ASSERT_TRUE(pair.contains(trashed));
    const QString other = pair.at(1 - pair.indexOf(trashed));
    alerts->answer(KTAlert::kDefaultReturn);
    press(Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return image(trashed) == nullptr; }));
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(similar->numberOfGroupsInList(), 1);
    ASSERT_EQ(similarGroups().size(), 1);
    EXPECT_FALSE(similarGroups().first().contains(other));
    ASSERT_NE(image(other), nullptr);
    EXPECT_EQ(image(other)->group(), nullptr);
    EXPECT_FALSE(image(other)->rejected().value_or(false));

    // The remaining group: its active shot picked, the group resolved.
    const QStringList burst = similarGroups().first();
    press(Qt::Key_1, Qt::ControlModifier);
    press(Qt::Key_2, Qt::ControlModifier);
    const QString pick = selectedNames().value(0);
    ASSERT_TRUE(burst.contains(pick));
    press(Qt::Key_P, Qt::ControlModifier);
    press(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(similar->numberOfGroupsInList(), 0);
    QStringList rejects = burst;
    rejects.removeAll(pick);
    EXPECT_EQ(rejectedNames(), rejects);

    // In the rejects, the active reject restored.
    press(Qt::Key_J);
    auto *rejectsMode = dynamic_cast<KTRedjectedImagesModeController *>(&activeMode());
    ASSERT_NE(rejectsMode, nullptr);
    const QString restored = selectedNames().value(0);
    ASSERT_TRUE(rejects.contains(restored));
    press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_FALSE(rejectedNames().contains(restored));

    // Back in the similar groups, the group is there again with its pick and its rejects.
    press(Qt::Key_S);
    ASSERT_EQ(&activeMode(), similar);
    EXPECT_EQ(similar->numberOfGroupsInList(), 1);
    EXPECT_EQ(similarGroups(), QList<QStringList>{burst});
    EXPECT_EQ(pickedNames(), QStringList{pick});
    rejects.removeAll(restored);
    EXPECT_EQ(rejectedNames(), rejects);
}
