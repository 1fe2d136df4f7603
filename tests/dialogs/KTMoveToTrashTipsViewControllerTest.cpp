#include "KTMoveToTrashTipsViewController.h"

#include "KTDialogPictures.h"
#include "KTExternalImagesManager.h"
#include "KTNamedImages.h"
#include "KTPopoverManager.h"
#include "KTSButton.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList texts(const KTMoveToTrashTipsViewController &tips)
{
    return {tips.topHeaderText(), tips.topDetailedText(), tips.bottomHeaderText(), tips.bottomDetailedText()};
}

} // namespace

TEST(KTMoveToTrashTipsViewControllerTest, EachCatalogueKindGetsItsOwnStepsAndPicture)
{
    const QString lightroomHeader =
        "Vireoscope doesn't delete your rejected photos.\nYou'll need to do that in Lightroom.";
    const QString apertureHeader =
        "Preview rejected images in Vireoscope.\nDelete them completely in Aperture.";
    const struct
    {
        int type;
        QString picture;
        QString header;
        QString application;
    } cases[] = {
        {1, KTDialogPictures::kLightroomRejectedTip, lightroomHeader, "Lightroom"},
        {2, KTDialogPictures::kLightroomRejectedTip, lightroomHeader, "Lightroom"},
        {3, KTDialogPictures::kIPhotoRejectedTip, QString(apertureHeader).replace("Aperture", "iPhoto"),
         "iPhoto"},
        {4, KTDialogPictures::kApertureRejectedTip, apertureHeader, "Aperture"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        KTMoveToTrashTipsViewController tips([&] { return c.type; });
        EXPECT_EQ(tips.tipImageName(), c.picture);
        EXPECT_TRUE(KTNamedImages::shared().contains(c.picture));
        EXPECT_EQ(tips.topHeaderText(), c.header);
        EXPECT_EQ(tips.bottomHeaderText(), "How to delete rejected images:");
        const QString all = texts(tips).join('\n');
        EXPECT_TRUE(tips.bottomDetailedText().contains("launch " + c.application));
        if (c.type == 3) {
            EXPECT_FALSE(all.contains("Aperture")) << "iPhoto reads the Aperture texts with its own name";
            EXPECT_TRUE(tips.topDetailedText().contains("moved to the iPhoto trash"));
        }
    }
}

TEST(KTMoveToTrashTipsViewControllerTest, TheLightroomStepsNameTheCollectionTheSyncWrites)
{
    const QString collection = KTExternalImagesManager::sharedManager().rejectedCollectionName();
    ASSERT_EQ(collection, "Vireoscope Rejects");
    KTMoveToTrashTipsViewController tips([] { return 2; });
    const QString steps = tips.bottomDetailedText();
    EXPECT_EQ(steps.count("\"" + collection + "\""), 2) << steps.toStdString();
    EXPECT_FALSE(steps.contains("Rejected\""));
}

TEST(KTMoveToTrashTipsViewControllerTest, AFoldersSessionLeavesThePanelAsItWas)
{
    int type = 0;
    KTMoveToTrashTipsViewController tips([&] { return type; });
    EXPECT_EQ(texts(tips), QStringList(4, QString()));
    EXPECT_TRUE(tips.tipImageName().isEmpty());
    type = 4;
    tips.reload();
    const QStringList aperture = texts(tips);
    type = 0;
    tips.reload();
    EXPECT_EQ(texts(tips), aperture);
    EXPECT_EQ(tips.tipImageName(), KTDialogPictures::kApertureRejectedTip);
}

TEST(KTMoveToTrashTipsViewControllerTest, TheCloseButtonDismissesThePopover)
{
    QWidget window;
    window.resize(640, 480);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    KTMoveToTrashTipsViewController tips([] { return 1; });
    tips.showFromView(&window);
    ASSERT_TRUE(KTPopoverManager::sharedManager().isShown());
    tips.closeButton()->click();
    EXPECT_FALSE(KTPopoverManager::sharedManager().isShown());
}
