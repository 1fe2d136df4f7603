#include "KTPreferencesWindowController.h"

#include "KTAbstractButton.h"
#include "KTExternalImagesManager.h"
#include "KTImageStorage.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTUserDefaults.h"

#include <QCheckBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct PreferencesFixture
{
    PreferencesFixture()
    {
        // As the launch seeds them on a fresh account.
        defaults.setBool(true, kLightroomSyncOptionPicksKey);
        defaults.setBool(true, kLightroomSyncOptionRejectsKey);
        defaults.setBool(false, KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);
    }
    ~PreferencesFixture()
    {
        KTUserDefaults::standardUserDefaults().removeObjectForKey(
            KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);
    }

    QTemporaryDir dir;
    KTUserDefaults defaults{dir.filePath("defaults.ini")};
    KTImageStorage storage{{dir.filePath("app"), dir.filePath("old")}};
};

} // namespace

TEST(KTPreferencesWindowControllerTest, AFreshAccountShowsBothSyncOptionsOnAndSeparateFiles)
{
    PreferencesFixture f;
    KTPreferencesWindowController preferences(&f.storage, f.defaults);
    EXPECT_TRUE(preferences.lightroomSyncOptionPicksButton()->isChecked());
    EXPECT_TRUE(preferences.lightroomSyncOptionRejectsButton()->isChecked());
    EXPECT_EQ(preferences.selectedSegment(), KTPreferencesWindowController::kSeparateFilesSegment);
    const QList<KTAbstractButton *> segments =
        preferences.showRAWandJPEGOptionSegmentedController()->buttons();
    EXPECT_TRUE(segments[0]->isPushed());
    EXPECT_FALSE(segments[1]->isPushed());
}

// Each control stores its option at once; the RAW+JPEG choice also reaches the catalogue, for the
// next load.
TEST(KTPreferencesWindowControllerTest, ChangesAreStoredAtOnceAndThePairingReachesTheCatalogue)
{
    PreferencesFixture f;
    KTPreferencesWindowController preferences(&f.storage, f.defaults);
    ASSERT_FALSE(f.storage.showsRawAndJPEGAsOneFile());

    preferences.lightroomSyncOptionRejectsButton()->click();
    EXPECT_FALSE(f.defaults.boolForKey(kLightroomSyncOptionRejectsKey));
    EXPECT_TRUE(f.defaults.boolForKey(kLightroomSyncOptionPicksKey));

    preferences.showRAWandJPEGOptionSegmentedController()->buttons()[1]->click();
    EXPECT_EQ(preferences.selectedSegment(), KTPreferencesWindowController::kOneImageSegment);
    EXPECT_TRUE(f.defaults.boolForKey(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey));
    EXPECT_TRUE(f.storage.showsRawAndJPEGAsOneFile());
    const QList<KTAbstractButton *> segments =
        preferences.showRAWandJPEGOptionSegmentedController()->buttons();
    EXPECT_FALSE(segments[0]->isPushed());
    EXPECT_TRUE(segments[1]->isPushed());

    // A click on the segment already chosen keeps it chosen.
    segments[1]->click();
    EXPECT_TRUE(segments[1]->isPushed());
    EXPECT_TRUE(f.storage.showsRawAndJPEGAsOneFile());

    // A window opened later shows what was stored.
    KTPreferencesWindowController reopened(&f.storage, f.defaults);
    EXPECT_EQ(reopened.selectedSegment(), KTPreferencesWindowController::kOneImageSegment);
    EXPECT_FALSE(reopened.lightroomSyncOptionRejectsButton()->isChecked());
}
