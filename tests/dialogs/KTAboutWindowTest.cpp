#include "KTAboutWindow.h"

#include <QLayout>

#include <gtest/gtest.h>

TEST(KTAboutWindowTest, TheBuildFollowsTheVersionOnItsLine)
{
    KTAboutWindow window("1.2", "345");
    window.layout()->activate();
    EXPECT_EQ(window.versionLabel()->text(), "Version 1.2");
    EXPECT_EQ(window.buildNumberLabel()->text(), "(Build 345)");
    const QRect version = window.versionLabel()->geometry();
    const QRect build = window.buildNumberLabel()->geometry();
    EXPECT_EQ(build.center().y(), version.center().y());
    EXPECT_GT(build.left(), version.right());
    EXPECT_LE(build.left() - version.right(), 8);
    EXPECT_EQ(window.logoTextField()->text(), "Vireoscope");
}

TEST(KTAboutWindowTest, CreditsAreInAlphabeticalOrderWhateverTheStoredOrder)
{
    EXPECT_EQ(KTAboutWindow::creditsText({"sqlite", "Qt", "libRaw", "Exiv2", "zlib", "Boost"}),
              "Boost, Exiv2, libRaw, Qt, sqlite, zlib");
    KTAboutWindow window;
    EXPECT_EQ(window.namesTextView()->text(),
              "Exiv2 (GNU GPL 2 or later), LibRaw (GNU LGPL 2.1 or CDDL 1.0), Qt (GNU LGPL 3), "
              "SQLite (public domain)");
    EXPECT_EQ(window.versionLabel()->text(), "Version " + KTAboutWindow::shortVersionString());
}
