#include "KTSimpleImageModeController.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTCatalogModel.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTModeShareActions.h"
#include "KTModesTestSession.h"
#include "KTTestSupport.h"
#include "KTMultipleLabelsView.h"
#include "KTObjectContext.h"
#include "KTRedjectedImagesModeController.h"
#include "KTSelectedImagesModeController.h"
#include "KTUniquesImagesModeController.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

QStringList names(const QList<KTImageMO *> &images)
{
    QStringList result;
    for (KTImageMO *image : images)
        result.append(image->name());
    result.sort();
    return result;
}

TEST(KTListModesTest, EachListFollowsPicksRejectsAndRestoresMadeElsewhere)
{
    KTModesTestSession session;
    KTImageGroupMO *group =
        session.storage().managedObjectContext()->insert<KTImageGroupMO>(kImageGroupEntityName);
    std::map<QString, KTImageMO *> image;
    const struct
    {
        const char *name;
        std::optional<bool> picked, rejected;
        bool grouped;
    } records[] = {
        {"A", true, std::nullopt, false},
        {"B", std::nullopt, true, true},
        {"C", std::nullopt, std::nullopt, true},
        {"D", true, true, false},
        {"E", false, false, false},
        {"F", true, false, true},
    };
    for (const auto &r : records) {
        KTImageMO *record = session.addImage(QString::fromLatin1(r.name), {r.picked, r.rejected});
        if (r.grouped)
            record->setGroup(group);
        image[QString::fromLatin1(r.name)] = record;
    }
    session.process();

    KTSelectedImagesModeController picks;
    KTUniquesImagesModeController remaining;
    KTRedjectedImagesModeController rejects;
    KTSimpleImageModeController notRejected;
    std::vector<std::unique_ptr<KTModeWindow>> windows;
    for (KTBaseUIModeController *mode :
         std::initializer_list<KTBaseUIModeController *>{&picks, &remaining, &rejects, &notRejected}) {
        windows.push_back(std::make_unique<KTModeWindow>(session, *mode, QSize(500, 400)));
        windows.back()->showMode();
    }
    EXPECT_EQ(names(picks.images()), (QStringList{"A", "F"})) << "a rejected pick is no pick";
    EXPECT_EQ(names(remaining.images()), QStringList{"C"});
    EXPECT_EQ(names(rejects.images()), (QStringList{"B", "D"}));
    EXPECT_EQ(names(notRejected.images()), (QStringList{"A", "C", "E", "F"}));

    image["C"]->setPicked(true);
    session.storage().moveImagesToTrash({image["A"]});
    image["B"]->setRejected(false);
    image["F"]->setPicked(false);
    session.process();
    EXPECT_EQ(names(picks.images()), QStringList{"C"});
    EXPECT_EQ(names(remaining.images()), (QStringList{"B", "F"}));
    EXPECT_EQ(names(rejects.images()), (QStringList{"A", "D"}));
    EXPECT_EQ(names(notRejected.images()), (QStringList{"B", "C", "E", "F"}));
}

TEST(KTListModesTest, RejectToggleFollowsTheActiveImage)
{
    KTModesTestSession session;
    const QList<KTImageMO *> images = session.addImages(4, QStringLiteral("IMG_"));
    KTSimpleImageModeController mode;
    KTModeWindow window(session, mode);
    window.showMode();

    // An active image not rejected: the whole selection is rejected, with its resolve date.
    images.at(1)->setRejected(true); // rejected behind the mode's back, not processed yet
    mode.setSelectedImages({images.at(0), images.at(1), images.at(2)}, images.at(0), false);
    mode.onToTrash(mode.trashButton());
    for (int i : {0, 1, 2})
        EXPECT_EQ(images.at(i)->rejected(), true) << i;
    EXPECT_TRUE(images.at(0)->resolveDate().isValid());
    EXPECT_EQ(mode.images(), QList<KTImageMO *>{images.at(3)});

    // An active image already rejected: the whole selection is restored.
    images.at(3)->setRejected(true);
    images.at(2)->setRejected(true);
    mode.setSelectedImages({images.at(3)}, images.at(3), false);
    mode.onToTrash(mode.trashButton());
    EXPECT_EQ(images.at(3)->rejected(), false);

    // A missing file decides nothing.
    session.process();
    KTImageMO *missing = session.addImage(QStringLiteral("MISSING"), {}, false);
    mode.setSelectedImages({missing, images.at(3)}, missing, false);
    mode.shareButton()->setPushed(true);
    mode.onToTrash(mode.trashButton());
    EXPECT_EQ(missing->rejected(), std::nullopt);
    EXPECT_EQ(images.at(3)->rejected(), false);
    EXPECT_FALSE(mode.shareButton()->isPushed());
}

// Move Picks chosen while another mode is on screen: the hidden picks mode's list waits for its
// next showing, and the panel and the move still take the picks made meanwhile.
TEST(KTListModesTest, AHiddenModeTransfersTheImagesItHoldsNow)
{
    KTModesTestSession session;
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("P"));
    session.process();
    KTSelectedImagesModeController picks;
    KTModeWindow window(session, picks);
    window.showMode();
    EXPECT_TRUE(picks.images().isEmpty());
    window.hideMode();
    images.at(0)->setPicked(true);
    images.at(2)->setPicked(true);
    session.process();

    qsizetype offered = -1;
    QString chosen;
    KTModeShareActions::setFolderPanel(
        [&](QWidget *, qsizetype count, bool, std::function<void(const QString &)> completion) {
            offered = count;
            completion(chosen);
        });
    chosen = QDir(session.folder()).filePath(QStringLiteral("Moved"));
    QDir().mkpath(chosen);
    picks.onMove(nullptr);
    KTModeShareActions::setFolderPanel({});
    EXPECT_EQ(offered, 2);
    EXPECT_TRUE(waitUntil([&] { return QDir(chosen).entryList(QDir::Files).size() == 2; }));
    EXPECT_EQ(QDir(chosen).entryList(QDir::Files), (QStringList{"P001.jpg", "P003.jpg"}));
}

// The picks and the rejects tell how many images they hold (in the singular for one, nothing
// for none), and a click on the sort-order button reverses their grid, not only their viewer.
TEST(KTListModesTest, PicksAndRejectsCountTheirImagesAndReverseTheirGrid)
{
    const struct
    {
        const char *mode;
        KTModesTestSession::Decisions decisions;
        std::function<std::unique_ptr<KTImageModeController>()> make;
        std::function<void(KTImageMO *)> leave;
    } cases[] = {
        {"picks",
         {true, std::nullopt},
         [] { return std::make_unique<KTSelectedImagesModeController>(); },
         [](KTImageMO *image) { image->setPicked(false); }},
        {"rejects",
         {std::nullopt, true},
         [] { return std::make_unique<KTRedjectedImagesModeController>(); },
         [](KTImageMO *image) { image->setRejected(false); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        KTModesTestSession session;
        const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("P"), c.decisions);
        session.process();
        std::unique_ptr<KTImageModeController> mode = c.make();
        KTModeWindow window(session, *mode);
        window.showMode();
        ASSERT_EQ(mode->UIMode(), kUIModeList);
        const auto totals = [&] { return mode->totalsInfo()->strings().join(QLatin1Char('|')); };
        EXPECT_TRUE(totals().startsWith(QStringLiteral("Total: 3 images - "))) << totals().toStdString();
        EXPECT_TRUE(mode->totalsInfo()->isVisibleTo(&window.window()));

        KTAbstractButton *order = mode->switchSortOrderButton();
        ASSERT_TRUE(order->isButtonEnabled());
        QTest::mouseClick(order, Qt::LeftButton);
        EXPECT_FALSE(mode->sortOrder());
        EXPECT_EQ(mode->images().first()->name(), QStringLiteral("P003"));
        QTest::mouseClick(order, Qt::LeftButton);
        EXPECT_EQ(mode->images().first()->name(), QStringLiteral("P001"));

        c.leave(images.at(0));
        session.process();
        EXPECT_TRUE(totals().startsWith(QStringLiteral("Total: 2 images - "))) << totals().toStdString();
        c.leave(images.at(1));
        session.process();
        EXPECT_TRUE(totals().startsWith(QStringLiteral("Total: 1 image - "))) << totals().toStdString();
        c.leave(images.at(2));
        session.process();
        EXPECT_EQ(totals(), QString());
    }
}

} // namespace
