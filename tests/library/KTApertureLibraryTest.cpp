#include "KTApertureLibrary.h"

#include "KTCatalogFixtures.h"
#include "KTSqliteDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class KTApertureLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString library =
            KTCatalogFixtures::createAppleLibrary(m_dir.path(), QStringLiteral("Aperture"));
        ASSERT_TRUE(m_database.open(KTCatalogFixtures::appleDatabasePath(library),
                                    KTSqliteDatabase::Mode::ReadWrite));
    }

    int intOf(const QString &sql) { return m_database.scalar(sql).value_or(QVariant(-1)).toInt(); }
    int versionCount(const char *project)
    {
        return intOf(QStringLiteral("SELECT versionCount FROM RKFolder WHERE uuid = '%1'").arg(project));
    }
    int masterInTrash(const char *master)
    {
        return intOf(QStringLiteral("SELECT isInTrash FROM RKMaster WHERE uuid = '%1'").arg(master));
    }

    QTemporaryDir m_dir;
    KTSqliteDatabase m_database;
};

} // namespace

// Each step trashes or restores versions and states the project counts afterwards: a count follows
// the versions that actually change, so repeating a write does not make it drift.
TEST_F(KTApertureLibraryTest, ProjectCountFollowsVersionsEnteringAndLeavingTheTrash)
{
    KTApertureLibrary library(m_database);
    struct Step
    {
        bool trashed;
        QStringList ids;
        int p1, p2;
    };
    const Step steps[] = {
        {true, {"V03", "V04"}, 18, 10},       // two versions of one project
        {true, {"V03", "V04"}, 18, 10},       // again: nothing enters the trash
        {true, {"V05", "V25", "V04"}, 17, 9}, // across projects; V04 is in already
        {false, {"V03"}, 18, 9},              // leaving raises the count
        {false, {"V03", "V10"}, 18, 9},       // V03 is out already, V10 never was in
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.ids.join(',').toStdString());
        ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(step.trashed, step.ids))
            << library.errorMessage().toStdString();
        EXPECT_EQ(versionCount("P1"), step.p1);
        EXPECT_EQ(versionCount("P2"), step.p2);
    }
}

TEST_F(KTApertureLibraryTest, ProjectCountNeverGoesBelowZero)
{
    ASSERT_TRUE(m_database.execute("UPDATE RKFolder SET versionCount = 1 WHERE uuid = 'P2'"));
    KTApertureLibrary library(m_database);
    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(true, {"V21", "V22", "V23"}));
    EXPECT_EQ(versionCount("P2"), 0);
}

TEST_F(KTApertureLibraryTest, SharedMasterIsTrashedOnlyWithAllItsVersions)
{
    KTApertureLibrary library(m_database);
    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(true, {"V01"}));
    EXPECT_EQ(intOf("SELECT isInTrash FROM RKVersion WHERE uuid = 'V01'"), 1);
    EXPECT_EQ(masterInTrash("M01"), 0);

    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(true, {"V02"}));
    EXPECT_EQ(masterInTrash("M01"), 1);

    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(false, {"V01"}));
    EXPECT_EQ(masterInTrash("M01"), 0);
    EXPECT_EQ(intOf("SELECT isInTrash FROM RKVersion WHERE uuid = 'V02'"), 1);

    // A master of its own follows its one version.
    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(true, {"V05"}));
    EXPECT_EQ(masterInTrash("M04"), 1);
}

TEST_F(KTApertureLibraryTest, WritesTouchOnlyTheListedVersionsAndEmptyTheIndexes)
{
    KTApertureLibrary library(m_database);
    // "uuid" is a version's identifier that reads like a column name.
    ASSERT_TRUE(library.markApertureOriPhotoImagesAsFlagged(true, {"uuid", "V07"}));
    EXPECT_EQ(intOf("SELECT count(*) FROM RKVersion WHERE isFlagged > 0"), 2);
    EXPECT_EQ(intOf("SELECT isFlagged FROM RKVersion WHERE uuid = 'uuid'"), 1);
    EXPECT_EQ(intOf("SELECT count(*) FROM RKVersion_RidIndexes"), 0);
    EXPECT_EQ(intOf("SELECT count(*) FROM RKAdminData"), 0);
    EXPECT_EQ(versionCount("P1"), 20);

    ASSERT_TRUE(library.markApertureOriPhotoImagesAsTrashed(true, {"masterUuid", "projectUuid"}));
    EXPECT_EQ(intOf("SELECT count(*) FROM RKVersion WHERE isInTrash > 0"), 0);
    EXPECT_EQ(intOf("SELECT count(*) FROM RKMaster WHERE isInTrash > 0"), 0);
}

TEST_F(KTApertureLibraryTest, StatesCountAnyPositiveValueAsSet)
{
    ASSERT_TRUE(m_database.execute("UPDATE RKVersion SET isFlagged = 2 WHERE uuid = 'V01';"
                                   "UPDATE RKVersion SET isInTrash = 2 WHERE uuid = 'V02';"));
    KTApertureLibrary library(m_database);
    const auto states = library.versionStates({"V01", "V02", "V03", "gone"});
    ASSERT_TRUE(states.has_value());
    EXPECT_EQ(states->size(), 3);
    EXPECT_TRUE(states->value("V01").isFlagged);
    EXPECT_FALSE(states->value("V01").isInTrash);
    EXPECT_TRUE(states->value("V02").isInTrash);
    EXPECT_FALSE(states->contains("gone"));
}
