#include "KTRedjectedImagesModeController.h"

#include "KTBadgeButton.h"
#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTModesTestSession.h"
#include "KTPopoverManager.h"
#include "KTPopoverView.h"
#include "KTTestSupport.h"
#include "KTWorkspace.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

bool isInTrash(const QString &path)
{
    return QFileInfo::exists(
        QDir(KTWorkspace::homeTrashPath() + QStringLiteral("/files")).filePath(QFileInfo(path).fileName()));
}

TEST(KTRedjectedImagesModeControllerTest, RestoreShowsTheCountAndShrinksTheListAtOnce)
{
    KTModesTestSession session;
    const QList<KTImageMO *> rejected = session.addImages(7, QStringLiteral("R"), {std::nullopt, true});
    KTRedjectedImagesModeController mode;
    KTModeWindow window(session, mode);
    window.showMode();
    ASSERT_EQ(mode.images().size(), 7);
    EXPECT_EQ(mode.putBackButton()->title(), QStringLiteral("Restore"));
    EXPECT_EQ(mode.putBackButton()->badgeString(), QString());

    mode.setSelectedImages(rejected.mid(0, 5), rejected.at(0), false);
    EXPECT_EQ(mode.putBackButton()->badgeString(), QStringLiteral("5"));
    EXPECT_EQ(mode.putBackButton()->title(), QString());
    mode.onPutBack(mode.putBackButton());
    EXPECT_EQ(mode.images(), rejected.mid(5)) << "current before the command returned";
    EXPECT_EQ(rejected.at(0)->rejected(), false);
    // The selection keeps its positions, clipped to the two images left.
    EXPECT_EQ(mode.selectedImagesIndexes(), (std::set<qsizetype>{0, 1}));
    EXPECT_EQ(mode.putBackButton()->badgeString(), QStringLiteral("2"));
}

// The main window trashes the rejects of a mode that may never have been shown, or that was
// hidden since images were restored and rejected elsewhere: exactly the current rejects go.
TEST(KTRedjectedImagesModeControllerTest, MoveToTrashTakesTheCurrentRejectsWhateverTheModeLastShowed)
{
    for (const bool shownBefore : {false, true}) {
        KTModesTestSession session;
        auto alerts = KTScriptedAlertPresenter::install();
        const QList<KTImageMO *> rejected = session.addImages(3, QStringLiteral("R"), {std::nullopt, true});
        KTImageMO *kept = session.addImage(QStringLiteral("KEPT"));
        KTImageMO *later = session.addImage(QStringLiteral("LATER"));
        QList<QString> paths;
        for (KTImageMO *image : session.storage().images())
            paths.append(image->path());

        KTRedjectedImagesModeController mode;
        KTModeWindow window(session, mode);
        if (shownBefore) {
            window.showMode();
            EXPECT_EQ(mode.images().size(), 3);
            window.hideMode();
        }
        rejected.at(1)->setRejected(false);
        session.storage().moveImagesToTrash({later});
        EXPECT_EQ(mode.images().size(), shownBefore ? 3 : 0) << "the hidden mode's list is stale";

        mode.onMoveToSystemTrash(nullptr);
        ASSERT_EQ(alerts->shown().size(), 1u);
        EXPECT_TRUE(alerts->shown().front().messageText.startsWith(QStringLiteral("3 images")));
        EXPECT_TRUE(waitUntil([&] { return later->isDeleted(); }));
        for (KTImageMO *gone : {rejected.at(0), rejected.at(2), later}) {
            EXPECT_TRUE(gone->isDeleted()) << gone->name().toStdString();
            EXPECT_FALSE(QFileInfo::exists(gone->path()));
            EXPECT_TRUE(isInTrash(gone->path())) << gone->path().toStdString();
        }
        for (KTImageMO *stays : {rejected.at(1), kept}) {
            EXPECT_FALSE(stays->isDeleted()) << stays->name().toStdString();
            EXPECT_TRUE(QFileInfo::exists(stays->path()));
        }
    }
}

TEST(KTRedjectedImagesModeControllerTest, MoveToTrashInACatalogueSessionShowsTheTipsAndKeepsEveryFile)
{
    KTModesTestSession session;
    auto alerts = KTScriptedAlertPresenter::install();
    const QList<KTImageMO *> rejected = session.addImages(2, QStringLiteral("R"), {std::nullopt, true});
    session.addSource(kFolderTypeLightroom5);
    KTRedjectedImagesModeController mode;
    KTModeWindow window(session, mode);
    window.showMode();
    mode.onMoveToSystemTrash(mode.moveToTrashButton());
    EXPECT_TRUE(KTPopoverManager::sharedManager().isShown());
    EXPECT_TRUE(alerts->shown().empty());
    drainMainQueue();
    for (KTImageMO *image : rejected) {
        EXPECT_FALSE(image->isDeleted());
        EXPECT_TRUE(QFileInfo::exists(image->path()));
    }
    KTPopoverManager::sharedManager().dismissPopover();
}

TEST(KTRedjectedImagesModeControllerTest, CancelledMoveToTrashKeepsEverything)
{
    KTModesTestSession session;
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kAlternateReturn);
    const QList<KTImageMO *> rejected = session.addImages(2, QStringLiteral("R"), {std::nullopt, true});
    KTRedjectedImagesModeController mode;
    KTModeWindow window(session, mode);
    mode.onMoveToSystemTrash(nullptr);
    drainMainQueue();
    EXPECT_EQ(alerts->shown().size(), 1u);
    for (KTImageMO *image : rejected)
        EXPECT_TRUE(QFileInfo::exists(image->path()));
}

} // namespace
