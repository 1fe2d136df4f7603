#include "KTAppDelegate.h"
#include "KTUserDefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(KTAppDelegateTest, SeedingWritesOnlyAbsentKeys)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath("d.ini"));
    defaults.setBool(false, kLightroomSyncOptionRejects);

    KTAppDelegate::seedLaunchDefaults(defaults);
    EXPECT_TRUE(defaults.hasStoredValue(kLightroomSyncOptionPicks));
    EXPECT_TRUE(defaults.boolForKey(kLightroomSyncOptionPicks));
    EXPECT_FALSE(defaults.boolForKey(kLightroomSyncOptionRejects));
    EXPECT_TRUE(defaults.hasStoredValue(kShowRAWandJPEGAsOneFileOption));
    EXPECT_FALSE(defaults.boolForKey(kShowRAWandJPEGAsOneFileOption));

    // A user's later choice survives the next launch.
    defaults.setBool(true, kShowRAWandJPEGAsOneFileOption);
    defaults.setBool(false, kLightroomSyncOptionPicks);
    KTAppDelegate::seedLaunchDefaults(defaults);
    EXPECT_TRUE(defaults.boolForKey(kShowRAWandJPEGAsOneFileOption));
    EXPECT_FALSE(defaults.boolForKey(kLightroomSyncOptionPicks));
}
