#include "KTLightroomCatalog.h"

#include "KTCatalogFixtures.h"
#include "KTExternalCatalogTypes.h"
#include "KTSqliteDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const KTLightroomCatalog::CollectionNames kNames{
    QStringLiteral("Vireoscope Picks"), QStringLiteral("Vireoscope Rejects"),
    QStringLiteral("Vireoscope Picked"), QStringLiteral("Vireoscope Rejected")};

class KTLightroomCatalogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = KTCatalogFixtures::createLightroomCatalog(m_dir.path());
        ASSERT_TRUE(m_database.open(m_path, KTSqliteDatabase::Mode::ReadWrite));
    }

    QVariant scalar(const QString &sql) { return m_database.scalar(sql).value_or(QVariant()); }
    double counter()
    {
        return scalar("SELECT value FROM Adobe_variablesTable WHERE name = 'Adobe_entityIDCounter'")
            .toDouble();
    }

    QTemporaryDir m_dir;
    QString m_path;
    KTSqliteDatabase m_database;
};

} // namespace

TEST_F(KTLightroomCatalogTest, NewTopLevelCollectionTakesTheCounterPlusOne)
{
    KTLightroomCatalog catalog(m_database, kNames);
    const auto id = catalog.createLightroomCollectionNamed(QStringLiteral("Vireoscope Picks"));
    ASSERT_TRUE(id.has_value()) << catalog.errorMessage().toStdString();
    EXPECT_EQ(*id, QStringLiteral("1235.0"));
    EXPECT_EQ(scalar("SELECT genealogy FROM AgLibraryCollection WHERE id_local = 1235").toString(),
              "/41235.0");
    EXPECT_EQ(scalar("SELECT name FROM AgLibraryCollection WHERE id_local = 1235").toString(),
              "Vireoscope Picks");
    EXPECT_EQ(scalar("SELECT parent IS NULL FROM AgLibraryCollection WHERE id_local = 1235").toInt(), 1);
    EXPECT_EQ(counter(), 1236.0);
    // Written back to its own row by name; the row at id_local 1 is another variable.
    EXPECT_EQ(scalar("SELECT value FROM Adobe_variablesTable WHERE id_local = 1").toString(), "0500025");
}

TEST_F(KTLightroomCatalogTest, CollectionInASetCarriesTheSetInItsGenealogy)
{
    KTLightroomCatalog catalog(m_database, kNames);
    const auto id = catalog.createLightroomCollectionNamed(QStringLiteral("Inner"), QStringLiteral("500"));
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(scalar("SELECT parent FROM AgLibraryCollection WHERE id_local = 1235").toInt(), 500);
    EXPECT_EQ(scalar("SELECT genealogy FROM AgLibraryCollection WHERE id_local = 1235").toString(),
              "/4500/41235.0");
    EXPECT_EQ(counter(), 1237.0);
}

TEST_F(KTLightroomCatalogTest, CollectionsOfEarlierVersionsAreRenamedAndKeepTheirMembers)
{
    ASSERT_TRUE(
        m_database.execute("INSERT INTO AgLibraryCollection VALUES (600, 'com.adobe.ag.library.collection', "
                           "'/3600', NULL, 'Vireoscope Picked', NULL, 0);"
                           "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES (600, 110);"));
    KTLightroomCatalog catalog(m_database, kNames);
    ASSERT_TRUE(catalog.renameSelectedAndRejectedCollections());
    EXPECT_EQ(scalar("SELECT name FROM AgLibraryCollection WHERE id_local = 600").toString(),
              "Vireoscope Picks");
    EXPECT_EQ(catalog.lightroomCollectionIDForName(QStringLiteral("Vireoscope Picks"), false).value_or(""),
              "600");
    EXPECT_EQ(catalog.imageIDsInLightroomCollectionWithID("600").value_or(QStringList()), QStringList{"110"});
}

TEST_F(KTLightroomCatalogTest, TheLastCollectionOfADuplicatedNameIsUsed)
{
    ASSERT_TRUE(m_database.execute(
        "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES (600, 'Vireoscope Picks', 'x'), "
        "(601, 'Vireoscope Picks', 'x');"));
    KTLightroomCatalog catalog(m_database, kNames);
    EXPECT_EQ(catalog.lightroomCollectionIDForName(QStringLiteral("Vireoscope Picks"), true).value_or(""),
              "601");
    EXPECT_EQ(counter(), 1234.0);
}

TEST_F(KTLightroomCatalogTest, AddingSkipsMembersAndCountsOnlyInsertedRows)
{
    KTLightroomCatalog catalog(m_database, kNames);
    // 101 is already in Family; 999 is not in the catalogue; 104 is listed twice.
    ASSERT_TRUE(catalog.addImagesWithIDs({"101", "104", "999", "104", "105"}, QStringLiteral("Family")));
    EXPECT_EQ(catalog.imageIDsInLightroomCollectionWithID("500").value_or(QStringList()),
              (QStringList{"101", "102", "103", "104", "105"}));
    EXPECT_EQ(counter(), 1236.0);
}

TEST_F(KTLightroomCatalogTest, PickFlagWritesRespectLightroomsOwnRejection)
{
    ASSERT_TRUE(m_database.execute("UPDATE Adobe_images SET pick = -1.0 WHERE id_local IN (101, 103);"
                                   "UPDATE Adobe_images SET pick = 1.0 WHERE id_local = 104;"));
    KTLightroomCatalog catalog(m_database, kNames);
    // Picking an image that Lightroom has rejected leaves it rejected.
    ASSERT_TRUE(catalog.markLightroomImagesAsFlagged({"101", "102"}));
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 101").toDouble(), -1.0);
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 102").toDouble(), 1.0);
    // Unpicking only clears the flag the session set; a rejection made in Lightroom stays.
    ASSERT_TRUE(catalog.unmarkLightroomImagesAsFlagged({"101", "102", "104"}));
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 101").toDouble(), -1.0);
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 102").toDouble(), 0.0);
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 104").toDouble(), 0.0);
    ASSERT_TRUE(catalog.unmarkLighroomImagesAsInTrash({"103"}));
    EXPECT_EQ(scalar("SELECT pick FROM Adobe_images WHERE id_local = 103").toDouble(), 0.0);
}

TEST_F(KTLightroomCatalogTest, CounterMissingOrZeroRefusesBeforeAnyInsert)
{
    for (const char *setup : {"DELETE FROM Adobe_variablesTable WHERE id_local = 7",
                              "UPDATE Adobe_variablesTable SET value = 0 WHERE id_local = 7"}) {
        SCOPED_TRACE(setup);
        ASSERT_TRUE(m_database.execute("BEGIN"));
        ASSERT_TRUE(m_database.execute(setup));
        KTLightroomCatalog catalog(m_database, kNames);
        EXPECT_FALSE(catalog.writeDecision(kSyncStatusPickBit, true, {"101"}, true));
        EXPECT_EQ(catalog.errorMessage(), "Current counter must be greater than zero");
        EXPECT_EQ(scalar("SELECT count(*) FROM AgLibraryCollection").toInt(), 2);
        EXPECT_EQ(scalar("SELECT count(*) FROM AgLibraryCollectionImage").toInt(), 3);
        EXPECT_FALSE(catalog.createLightroomCollectionNamed(QStringLiteral("X")).has_value());
        EXPECT_EQ(scalar("SELECT count(*) FROM AgLibraryCollection").toInt(), 2);
        ASSERT_TRUE(m_database.execute("ROLLBACK"));
    }
}

TEST_F(KTLightroomCatalogTest, PresenceHonoursTheImagesTouchTime)
{
    KTLightroomCatalog catalog(m_database, kNames);
    const QHash<QString, double> touchTimes{{"101", 500000000.0}};
    const auto held = catalog.imageIDsInCollectionWithImages(touchTimes, {"101", "102", "999"}, {});
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(*held, QStringList{"102"});
    const auto inFamily = catalog.imageIDsInCollectionWithImages({}, {"101", "104"}, "500");
    EXPECT_EQ(inFamily.value_or(QStringList()), QStringList{"101"});
    // A missing collection reads as empty, not as a failure.
    EXPECT_EQ(catalog.imageIDsInSelectedCollectionWithImages({}, {"101"}).value_or(QStringList{"x"}),
              QStringList());
}
