#include "KTExternalImagesManager.h"

#include "KTCatalogFixtures.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

KTExternalImage lightroomImage(const QString &id, const QString &catalog, std::optional<bool> picked,
                               std::optional<bool> rejected, quint64 bits)
{
    KTExternalImage image;
    image.externalGUID = id;
    image.sourceType = kSourceTypeLightroom5;
    image.mediaSource = catalog;
    image.picked = picked;
    image.rejected = rejected;
    image.syncStatusBitmask = bits;
    return image;
}

KTExternalImage appleImage(const QString &uuid, const QString &library, std::optional<bool> picked,
                           std::optional<bool> rejected, quint64 bits)
{
    KTExternalImage image;
    image.externalGUID = uuid;
    image.sourceType = kSourceTypeAperture;
    image.mediaSource = KTCatalogFixtures::appleMediaSource(library);
    image.picked = picked;
    image.rejected = rejected;
    image.syncStatusBitmask = bits;
    return image;
}

class KTExternalImagesManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionPicksKey);
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionRejectsKey);
        m_manager.setApplicationRunningCheck(
            [this](const QString &bundleID) { return m_running.contains(bundleID); });
        m_manager.setBusyTimeoutMs(50);
        m_catalog = KTCatalogFixtures::createLightroomCatalog(m_dir.path());
        m_library = KTCatalogFixtures::createAppleLibrary(m_dir.path(), QStringLiteral("Aperture"));
        m_libraryDatabase = KTCatalogFixtures::appleDatabasePath(m_library);
    }

    QVariant lr(const QString &sql) { return KTCatalogFixtures::scalar(m_catalog, sql); }
    QVariant ap(const QString &sql) { return KTCatalogFixtures::scalar(m_libraryDatabase, sql); }
    double pickOf(int id)
    {
        return lr(QStringLiteral("SELECT pick FROM Adobe_images WHERE id_local = %1").arg(id)).toDouble();
    }
    QString membersOf(const QString &collection)
    {
        return lr(QStringLiteral(
                      "SELECT group_concat(image) FROM (SELECT ci.image FROM AgLibraryCollectionImage ci "
                      "JOIN "
                      "AgLibraryCollection c ON c.id_local = ci.collection WHERE c.name = '%1' ORDER BY "
                      "ci.image)")
                      .arg(collection))
            .toString();
    }

    QTemporaryDir m_dir;
    KTExternalImagesManager m_manager;
    QStringList m_running;
    QString m_catalog;
    QString m_library;
    QString m_libraryDatabase;
};

} // namespace

TEST_F(KTExternalImagesManagerTest, CatalogueKindsOwnersAndBundles)
{
    struct Case
    {
        QString sourceType;
        KTExternalCatalogType type;
        QString appName;
        QString databaseBundle;
    };
    const Case cases[] = {
        {"Lightroom5", KTExternalCatalogType::Lightroom5, "Lightroom 5", "com.adobe.Lightroom5"},
        {"Lightroom4", KTExternalCatalogType::Lightroom4, "Lightroom 4", "com.adobe.Lightroom4"},
        {"iPhoto", KTExternalCatalogType::IPhoto, "iPhoto", "com.apple.iPhoto"},
        {"Aperture", KTExternalCatalogType::Aperture, "Aperture", "com.apple.Aperture"},
        // An older Lightroom is no catalogue kind, yet its last digit still names a database.
        {"Lightroom3", KTExternalCatalogType::None, "", "com.adobe.Lightroom3"},
        {"LIGHTROOM5", KTExternalCatalogType::None, "", "com.adobe.Lightroom5"},
        {"Lightroom", KTExternalCatalogType::None, "", ""},
        {"fileSystem", KTExternalCatalogType::None, "", ""},
        {"", KTExternalCatalogType::None, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sourceType.toStdString());
        const KTExternalCatalogType type =
            KTExternalImagesManager::externalCatalogTypeFromSourceType(c.sourceType);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(KTExternalImagesManager::appNameFromExternalCatalogType(type), c.appName);
        EXPECT_EQ(KTExternalImagesManager::appsBundleIDsForExternalCatalogType(type).size(),
                  c.appName.isEmpty() ? 0 : 1);
        EXPECT_EQ(KTExternalImagesManager::externalAppBundleIDFromSourceType(c.sourceType), c.databaseBundle);
    }
    EXPECT_EQ(KTExternalImagesManager::iAppDBPathFromMediaSource("/P/Lib.aplibrary/Database"),
              "/P/Lib.aplibrary/Database/Library.apdb");
    EXPECT_EQ(KTExternalImagesManager::databasePathWithBundleId("com.adobe.Lightroom4", "/c.lrcat"),
              "/c.lrcat");
}

TEST_F(KTExternalImagesManagerTest, NamesBitsAndTextForms)
{
    EXPECT_EQ(m_manager.selectedCollectionName(), "Vireoscope Picks");
    EXPECT_EQ(m_manager.rejectedCollectionName(), "Vireoscope Rejects");
    EXPECT_EQ(m_manager.selectedCollectionNameForPreviousVersion(), "Vireoscope Picked");
    EXPECT_EQ(m_manager.rejectedCollectionNameForPreviousVersion(), "Vireoscope Rejected");

    const QString text = KTExternalImagesManager::queryParamWithImageIDs({"12", "15"});
    EXPECT_EQ(text, "(\"12\",\"15\")");
    EXPECT_EQ(text.size(), 11);
    EXPECT_TRUE(KTExternalImagesManager::queryParamWithImageIDs({}).isNull());

    EXPECT_EQ(KTExternalImagesManager::syncStatusBitForKeyPath("rejected"), 16u);
    EXPECT_EQ(KTExternalImagesManager::syncStatusBitForKeyPath("picked"), 32u);
    EXPECT_EQ(KTExternalImagesManager::syncStatusBitForKeyPath("rating"), 0u);
    std::vector<KTExternalImage> images(2);
    images[0].syncStatusBitmask = 1 | 32;
    images[1].syncStatusBitmask = 4;
    KTExternalImagesManager::addSyncStatus(16, images);
    EXPECT_EQ(images[0].syncStatusBitmask, 1u | 16u | 32u);
    KTExternalImagesManager::clearSyncStatus(32, images);
    EXPECT_EQ(images[0].syncStatusBitmask, 1u | 16u);
    EXPECT_EQ(images[1].syncStatusBitmask, 4u | 16u);

    // The options are read afresh on every access.
    KTUserDefaults::standardUserDefaults().setBool(false, kLightroomSyncOptionRejectsKey);
    EXPECT_FALSE(m_manager.markLightroomImagesAsTrashed());
    EXPECT_TRUE(m_manager.markLightroomImagesAsFlagged());
}

TEST_F(KTExternalImagesManagerTest, LightroomIsBusyOnlyWhileRunningWithItsLockFile)
{
    const KTExternalImage image = lightroomImage("101", m_catalog, {}, {}, 0);
    struct Case
    {
        bool lightroomRuns;
        bool lockFile;
        bool busy;
    };
    for (const Case &c : {Case{false, false, false}, Case{false, true, false}, Case{true, false, false},
                          Case{true, true, true}}) {
        SCOPED_TRACE(testing::Message() << c.lightroomRuns << c.lockFile);
        m_running = c.lightroomRuns ? QStringList{"com.adobe.Lightroom5"} : QStringList{};
        QFile lock(m_catalog + ".lock");
        if (c.lockFile)
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        else
            lock.remove();
        EXPECT_EQ(m_manager.isExternalAppRunningForImage(image), c.busy);
        EXPECT_EQ(m_manager.runningExternalAppNameForImage(image), c.lightroomRuns ? "Lightroom 5" : "");
    }
    QFile::remove(m_catalog + ".lock");

    // iPhoto running counts as busy whatever library it has open; a folder image never is.
    m_running = {"com.apple.iPhoto"};
    KTExternalImage iphoto;
    iphoto.sourceType = kSourceTypeIPhoto;
    EXPECT_TRUE(m_manager.isExternalAppRunningForImage(iphoto));
    KTExternalImage folder;
    folder.sourceType = kSourceTypeFileSystem;
    EXPECT_FALSE(m_manager.isExternalAppRunningForImage(folder));
    EXPECT_FALSE(m_manager.isAnyApplicationWithBundleIDsIsRunning({}));
}

TEST_F(KTExternalImagesManagerTest, DefaultRunningCheckLooksForTheHostedExecutable)
{
    QTemporaryDir proc;
    ASSERT_TRUE(QDir(proc.path()).mkpath("42"));
    QFile comm(proc.filePath("42/comm"));
    ASSERT_TRUE(comm.open(QIODevice::WriteOnly));
    comm.write("Lightroom.exe\n");
    comm.close();
    EXPECT_TRUE(
        KTExternalImagesManager::isApplicationRunningInProcessList("com.adobe.Lightroom4", proc.path()));
    EXPECT_TRUE(
        KTExternalImagesManager::isApplicationRunningInProcessList("com.adobe.Lightroom5", proc.path()));
    EXPECT_FALSE(
        KTExternalImagesManager::isApplicationRunningInProcessList("com.apple.Aperture", proc.path()));
    EXPECT_FALSE(KTExternalImagesManager::isApplicationRunningInProcessList("", proc.path()));
}

// The write pass writes every marked decision, keeps the bits of set decisions and clears those of
// cleared ones; images without bits and the other bits are left alone. The catalogue's touchTime
// (positive) is newer than the images' unset one, and the write goes ahead all the same.
TEST_F(KTExternalImagesManagerTest, LightroomWritePassAndReadBack)
{
    KTCatalogFixtures::execute(m_catalog,
                               "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES "
                               "(700, 'Vireoscope Picks', 'com.adobe.ag.library.collection');"
                               "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES (700, 103);"
                               "UPDATE Adobe_images SET pick = 1.0 WHERE id_local = 103;");
    const std::vector<KTExternalImage> images = {
        lightroomImage("101", m_catalog, {}, true, 16 | 1),
        lightroomImage("102", m_catalog, true, false, 32),
        lightroomImage("103", m_catalog, false, false, 32 | 4),
        lightroomImage("104", m_catalog, true, true, 0),
    };
    const KTCatalogWriteResult result = m_manager.syncImagesStatuses(images);
    ASSERT_TRUE(result.succeeded()) << result.errorMessage.toStdString();
    EXPECT_EQ(result.syncStatusBitmasks, (std::vector<quint64>{16 | 1, 32, 4, 0}));

    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
    EXPECT_EQ(membersOf("Vireoscope Picks"), "102");
    EXPECT_EQ(pickOf(101), -1.0);
    EXPECT_EQ(pickOf(102), 1.0);
    EXPECT_EQ(pickOf(103), 0.0);
    EXPECT_EQ(pickOf(104), 0.0);
    // Rejects collection 1235 (+2), then one member each for rejects and picks.
    EXPECT_EQ(lr("SELECT value FROM Adobe_variablesTable WHERE name = 'Adobe_entityIDCounter'").toDouble(),
              1238.0);
    EXPECT_EQ(lr("SELECT value FROM Adobe_variablesTable WHERE id_local = 1").toString(), "0500025");

    // A second pass writes the set decisions again and inserts nothing new.
    std::vector<KTExternalImage> again = images;
    for (size_t i = 0; i < again.size(); ++i)
        again[i].syncStatusBitmask = result.syncStatusBitmasks[i];
    ASSERT_TRUE(m_manager.syncImagesStatuses(again).succeeded());
    EXPECT_EQ(lr("SELECT count(*) FROM AgLibraryCollectionImage").toInt(), 5);

    const KTCatalogReadResult read = m_manager.readImagesStatuses(images);
    ASSERT_TRUE(read.succeeded());
    ASSERT_EQ(read.states.size(), 4u);
    EXPECT_TRUE(read.states[0].isPresent && read.states[0].isRejected && !read.states[0].isPicked);
    EXPECT_TRUE(read.states[1].isPicked && !read.states[1].isRejected);
    EXPECT_FALSE(read.states[2].isPicked || read.states[2].isRejected);
}

TEST_F(KTExternalImagesManagerTest, PickFlagFollowsTheUsersOptionsButCollectionsAlwaysDo)
{
    KTUserDefaults::standardUserDefaults().setBool(false, kLightroomSyncOptionPicksKey);
    KTUserDefaults::standardUserDefaults().setBool(false, kLightroomSyncOptionRejectsKey);
    const auto result = m_manager.syncImagesStatuses(
        {lightroomImage("101", m_catalog, true, {}, 32), lightroomImage("102", m_catalog, false, true, 16)});
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(membersOf("Vireoscope Picks"), "101");
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "102");
    EXPECT_EQ(pickOf(101), 0.0);
    EXPECT_EQ(pickOf(102), 0.0);
}

// An image whose decision is unset but whose bit is set is only cleared: no collection is made,
// no row inserted and removed, the counter untouched.
TEST_F(KTExternalImagesManagerTest, UnsetDecisionCountsAsNo)
{
    KTCatalogFixtures::execute(m_catalog, "UPDATE Adobe_images SET pick = -1.0 WHERE id_local = 111");
    const auto result = m_manager.syncImagesStatuses(
        {lightroomImage("110", m_catalog, {}, {}, 32), lightroomImage("111", m_catalog, {}, {}, 16)});
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(result.syncStatusBitmasks, (std::vector<quint64>{0, 0}));
    EXPECT_EQ(lr("SELECT count(*) FROM AgLibraryCollection").toInt(), 2);
    EXPECT_EQ(lr("SELECT value FROM Adobe_variablesTable WHERE name = 'Adobe_entityIDCounter'").toDouble(),
              1234.0);
    EXPECT_EQ(pickOf(111), 0.0);
}

TEST_F(KTExternalImagesManagerTest, IdentifiersAreBoundNeverSpliced)
{
    const auto result = m_manager.syncImagesStatuses({lightroomImage("id_local", m_catalog, {}, true, 16),
                                                      lightroomImage("105", m_catalog, {}, true, 16)});
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(lr("SELECT count(*) FROM Adobe_images WHERE pick <> 0").toInt(), 1);
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "105");

    const auto flagged = m_manager.syncImagesStatuses({appleImage("uuid", m_library, true, {}, 32)});
    ASSERT_TRUE(flagged.succeeded());
    EXPECT_EQ(ap("SELECT group_concat(uuid) FROM RKVersion WHERE isFlagged > 0").toString(), "uuid");
}

// Every refused or failed write leaves the catalogue byte for byte as it was and keeps the bits.
TEST_F(KTExternalImagesManagerTest, RefusedOrFailedWritesChangeNothing)
{
    struct Case
    {
        const char *name;
        std::function<void()> setUp;
        KTCatalogStatus status;
        QString message;
    };
    std::unique_ptr<KTCatalogWriteLock> lock;
    const Case cases[] = {
        {"application running",
         [&] {
             m_running = {"com.adobe.Lightroom5"};
             QFile(m_catalog + ".lock").open(QIODevice::WriteOnly);
         },
         KTCatalogStatus::ApplicationRunning, ""},
        {"locked",
         [&] {
             lock = std::make_unique<KTCatalogWriteLock>(m_catalog);
             ASSERT_TRUE(lock->isLocked());
         },
         KTCatalogStatus::Busy, "database is locked"},
        {"read-only file",
         [&] { QFile::setPermissions(m_catalog, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther); },
         KTCatalogStatus::Failed, "is read-only"},
        {"corrupt file", [&] { KTCatalogFixtures::corrupt(m_catalog); }, KTCatalogStatus::Failed,
         "file is not a database"},
        {"missing column",
         [&] { KTCatalogFixtures::execute(m_catalog, "ALTER TABLE Adobe_images DROP COLUMN touchTime"); },
         KTCatalogStatus::Failed, "has no column touchTime in table Adobe_images"},
        {"missing counter",
         [&] {
             KTCatalogFixtures::execute(m_catalog, "DELETE FROM Adobe_variablesTable WHERE id_local = 7");
         },
         KTCatalogStatus::Failed, "Current counter must be greater than zero"},
        {"zero counter",
         [&] {
             KTCatalogFixtures::execute(m_catalog,
                                        "UPDATE Adobe_variablesTable SET value = 0 WHERE id_local = 7");
         },
         KTCatalogStatus::Failed, "Current counter must be greater than zero"},
        // A statement late in the write fails: everything before it in the same write is undone.
        {"failing statement",
         [&] {
             KTCatalogFixtures::execute(m_catalog,
                                        "CREATE TRIGGER refuse BEFORE UPDATE OF pick ON Adobe_images "
                                        "BEGIN SELECT RAISE(ABORT, 'pick is frozen'); END;");
         },
         KTCatalogStatus::Failed, "pick is frozen"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_catalog);
        QFile::remove(m_catalog + ".lock");
        m_running.clear();
        m_catalog = KTCatalogFixtures::createLightroomCatalog(m_dir.path());
        c.setUp();
        const QByteArray before = KTCatalogFixtures::fileBytes(m_catalog);

        const std::vector<KTExternalImage> images = {lightroomImage("101", m_catalog, {}, true, 16 | 1),
                                                     lightroomImage("102", m_catalog, true, {}, 32)};
        const KTCatalogWriteResult result = m_manager.syncImagesStatuses(images);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.errorMessage.contains(c.message)) << result.errorMessage.toStdString();
        EXPECT_EQ(result.syncStatusBitmasks, (std::vector<quint64>{16 | 1, 32}));
        lock.reset();
        EXPECT_EQ(KTCatalogFixtures::fileBytes(m_catalog), before);
        QFile::setPermissions(m_catalog, QFile::ReadOwner | QFile::WriteOwner);
    }
}

// A clearing write that fails keeps its bit, so the next pass tries again.
TEST_F(KTExternalImagesManagerTest, FailedClearKeepsItsBit)
{
    KTCatalogFixtures::execute(m_catalog, "UPDATE Adobe_images SET pick = -1.0 WHERE id_local = 103;"
                                          "CREATE TRIGGER refuse BEFORE UPDATE OF pick ON Adobe_images "
                                          "BEGIN SELECT RAISE(ABORT, 'pick is frozen'); END;");
    const QByteArray before = KTCatalogFixtures::fileBytes(m_catalog);
    const auto result = m_manager.syncImagesStatuses({lightroomImage("103", m_catalog, {}, false, 16)});
    EXPECT_EQ(result.status, KTCatalogStatus::Failed);
    EXPECT_EQ(result.syncStatusBitmasks, std::vector<quint64>{16});
    EXPECT_EQ(KTCatalogFixtures::fileBytes(m_catalog), before);
}

// The library's own statements share the write's transaction: a failure in the last undoes the
// version and master updates before it. A running owner blocks every write, lock file or not.
TEST_F(KTExternalImagesManagerTest, LibraryWritesAreAllOrNothing)
{
    KTCatalogFixtures::execute(m_libraryDatabase, "CREATE TRIGGER refuse BEFORE DELETE ON RKAdminData "
                                                  "BEGIN SELECT RAISE(ABORT, 'admin data is frozen'); END;");
    const QByteArray before = KTCatalogFixtures::fileBytes(m_libraryDatabase);
    const std::vector<KTExternalImage> images = {appleImage("V03", m_library, {}, true, 16),
                                                 appleImage("V04", m_library, {}, false, 16)};
    const auto failed = m_manager.syncImagesStatuses(images);
    EXPECT_EQ(failed.status, KTCatalogStatus::Failed);
    EXPECT_TRUE(failed.errorMessage.contains("admin data is frozen"));
    EXPECT_EQ(failed.syncStatusBitmasks, (std::vector<quint64>{16, 16}));
    EXPECT_EQ(KTCatalogFixtures::fileBytes(m_libraryDatabase), before);

    KTCatalogFixtures::execute(m_libraryDatabase, "DROP TRIGGER refuse");
    const QByteArray unlocked = KTCatalogFixtures::fileBytes(m_libraryDatabase);
    m_running = {"com.apple.Aperture"};
    EXPECT_EQ(m_manager.syncImagesStatuses(images).status, KTCatalogStatus::ApplicationRunning);
    EXPECT_EQ(KTCatalogFixtures::fileBytes(m_libraryDatabase), unlocked);
}

TEST_F(KTExternalImagesManagerTest, ReadsGoAheadWhileAnotherConnectionWrites)
{
    KTCatalogWriteLock lock(m_catalog);
    ASSERT_TRUE(lock.isLocked());
    m_running = {"com.adobe.Lightroom5"};
    QFile(m_catalog + ".lock").open(QIODevice::WriteOnly);
    const auto read = m_manager.readImagesStatuses({lightroomImage("101", m_catalog, {}, {}, 0)});
    ASSERT_TRUE(read.succeeded()) << read.errorMessage.toStdString();
    EXPECT_TRUE(read.states[0].isPresent);
}

TEST_F(KTExternalImagesManagerTest, MissingCatalogueIsNeitherCreatedNorEmpty)
{
    const QString missing = m_dir.filePath("gone.lrcat");
    const std::vector<KTExternalImage> images = {lightroomImage("101", missing, true, {}, 32)};
    const auto written = m_manager.syncImagesStatuses(images);
    EXPECT_EQ(written.status, KTCatalogStatus::Failed);
    EXPECT_EQ(written.syncStatusBitmasks, std::vector<quint64>{32});
    EXPECT_FALSE(QFile::exists(missing));

    const auto read = m_manager.readImagesStatuses(images);
    EXPECT_EQ(read.status, KTCatalogStatus::Failed);
    EXPECT_TRUE(read.states.empty());
}

// A catalogue that cannot be read is unknown, never empty: the change check then removes nothing.
TEST_F(KTExternalImagesManagerTest, ChangeCheckOnAnUnreadableCatalogueRemovesNothing)
{
    const std::vector<KTExternalImage> lightroom = {lightroomImage("101", m_catalog, {}, {}, 0)};
    const std::vector<KTExternalImage> aperture = {appleImage("V01", m_library, {}, {}, 0)};
    KTCatalogFixtures::corrupt(m_catalog);
    KTCatalogFixtures::corrupt(m_libraryDatabase);
    for (const auto *images : {&lightroom, &aperture}) {
        const KTCatalogChangeResult result = m_manager.imagesUpdatedInExternalCatalogFromImages(*images);
        EXPECT_EQ(result.status, KTCatalogStatus::Failed);
        EXPECT_TRUE(result.removedIndexes.empty());
        EXPECT_TRUE(result.changedIndexes.empty());
        EXPECT_FALSE(m_manager.readImagesStatuses(*images).succeeded());
    }
}

TEST_F(KTExternalImagesManagerTest, ChangeCheckFindsChangedAndVanishedImages)
{
    KTCatalogFixtures::execute(m_catalog,
                               "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES "
                               "(700, 'Vireoscope Picked', 'com.adobe.ag.library.collection');"
                               "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES (700, 102);"
                               "DELETE FROM Adobe_images WHERE id_local = 104;");
    const std::vector<KTExternalImage> lightroom = {
        lightroomImage("101", m_catalog, {}, {}, 0), lightroomImage("102", m_catalog, {}, {}, 0),
        lightroomImage("103", m_catalog, true, {}, 0), lightroomImage("104", m_catalog, {}, {}, 0)};
    const KTCatalogChangeResult result = m_manager.imagesUpdatedInExternalCatalogFromImages(lightroom);
    ASSERT_TRUE(result.succeeded()) << result.errorMessage.toStdString();
    EXPECT_EQ(result.changedIndexes, (std::vector<int>{1, 2}));
    EXPECT_EQ(result.removedIndexes, std::vector<int>{3});
    // The change check gives the collection of an earlier version the current name.
    EXPECT_EQ(lr("SELECT name FROM AgLibraryCollection WHERE id_local = 700").toString(), "Vireoscope Picks");

    KTCatalogFixtures::execute(m_libraryDatabase, "UPDATE RKVersion SET isInTrash = 3 WHERE uuid = 'V02';"
                                                  "DELETE FROM RKVersion WHERE uuid = 'V03';");
    const std::vector<KTExternalImage> aperture = {appleImage("V01", m_library, {}, {}, 0),
                                                   appleImage("V02", m_library, {}, {}, 0),
                                                   appleImage("V03", m_library, {}, {}, 0)};
    const KTCatalogChangeResult appleResult = m_manager.imagesUpdatedInExternalCatalogFromImages(aperture);
    ASSERT_TRUE(appleResult.succeeded());
    EXPECT_EQ(appleResult.changedIndexes, std::vector<int>{1});
    EXPECT_EQ(appleResult.removedIndexes, std::vector<int>{2});
}

TEST_F(KTExternalImagesManagerTest, ApertureWritePassAndImportRoundTrip)
{
    std::vector<KTExternalImage> images = {
        appleImage("V01", m_library, {}, true, 16), appleImage("V03", m_library, {}, true, 16),
        appleImage("V04", m_library, true, {}, 32), appleImage("V05", m_library, {}, {}, 0)};
    const KTCatalogWriteResult result = m_manager.syncImagesStatuses(images);
    ASSERT_TRUE(result.succeeded()) << result.errorMessage.toStdString();
    EXPECT_EQ(result.syncStatusBitmasks, (std::vector<quint64>{16, 16, 32, 0}));
    EXPECT_EQ(ap("SELECT versionCount FROM RKFolder WHERE uuid = 'P1'").toInt(), 18);
    // V01 shares its master with V02, which is not in the trash.
    EXPECT_EQ(ap("SELECT isInTrash FROM RKMaster WHERE uuid = 'M01'").toInt(), 0);
    EXPECT_EQ(ap("SELECT isInTrash FROM RKMaster WHERE uuid = 'M02'").toInt(), 1);

    // Writing the same decisions again does not lower the count again.
    for (size_t i = 0; i < images.size(); ++i)
        images[i].syncStatusBitmask = result.syncStatusBitmasks[i];
    ASSERT_TRUE(m_manager.syncImagesStatuses(images).succeeded());
    EXPECT_EQ(ap("SELECT versionCount FROM RKFolder WHERE uuid = 'P1'").toInt(), 18);

    // The import: the library wins, an isInTrash above 1 counts as trashed.
    KTCatalogFixtures::execute(m_libraryDatabase, "UPDATE RKVersion SET isInTrash = 2 WHERE uuid = 'V05'");
    std::vector<KTExternalImage> session = {appleImage("V01", m_library, {}, {}, 0),
                                            appleImage("V04", m_library, {}, true, 0),
                                            appleImage("V05", m_library, true, {}, 0)};
    const KTCatalogReadResult read = m_manager.readImagesStatuses(session);
    ASSERT_TRUE(read.succeeded());
    using Rejection = KTImportChange::Rejection;
    const KTImportChange first = KTExternalImagesManager::importChange(session[0], read.states[0]);
    EXPECT_EQ(first.rejection, Rejection::Reject);
    EXPECT_EQ(first.picked, false);
    const KTImportChange second = KTExternalImagesManager::importChange(session[1], read.states[1]);
    EXPECT_EQ(second.rejection, Rejection::Clear);
    EXPECT_EQ(second.picked, true);
    EXPECT_EQ(second.syncBitsToAdd, 0u);
    const KTImportChange third = KTExternalImagesManager::importChange(session[2], read.states[2]);
    EXPECT_EQ(third.rejection, Rejection::Reject);
    EXPECT_EQ(third.picked, false);
}

// The import round trip: the catalogue's collections decide and the import's bits drive a write
// pass. Only 101 still differs afterwards: the table rejects it but leaves it in the picks.
TEST_F(KTExternalImagesManagerTest, LightroomImportRoundTrip)
{
    KTCatalogFixtures::execute(m_catalog,
                               "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES "
                               "(700, 'Vireoscope Picks', 'com.adobe.ag.library.collection'), "
                               "(701, 'Vireoscope Rejects', 'com.adobe.ag.library.collection');"
                               "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES "
                               "(700, 101), (701, 101), (700, 102);");
    std::vector<KTExternalImage> session = {lightroomImage("101", m_catalog, {}, {}, 0),
                                            lightroomImage("102", m_catalog, false, true, 0),
                                            lightroomImage("103", m_catalog, {}, {}, 0)};
    const KTCatalogReadResult read = m_manager.readImagesStatuses(session);
    ASSERT_TRUE(read.succeeded()) << read.errorMessage.toStdString();
    std::vector<KTImportChange> changes;
    for (size_t i = 0; i < session.size(); ++i)
        changes.push_back(KTExternalImagesManager::importChange(session[i], read.states[i]));
    // In both collections and undecided in the session: rejected, with bit 16 only.
    EXPECT_EQ(changes[0].rejection, KTImportChange::Rejection::Reject);
    EXPECT_EQ(changes[0].syncBitsToAdd, 16u);
    EXPECT_EQ(changes[1].picked, true);
    EXPECT_EQ(changes[1].rejection, KTImportChange::Rejection::Clear);
    EXPECT_EQ(changes[1].syncBitsToAdd, 48u);
    EXPECT_FALSE(changes[2].isChanged);

    // What the flow does with the changes, then its write pass over the changed records.
    session[0].rejected = true;
    session[1].picked = true;
    session[1].rejected = false;
    std::vector<KTExternalImage> changed;
    for (size_t i = 0; i < 2; ++i) {
        session[i].syncStatusBitmask |= changes[i].syncBitsToAdd;
        changed.push_back(session[i]);
    }
    ASSERT_TRUE(m_manager.syncImagesStatuses(changed).succeeded());
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
    EXPECT_EQ(membersOf("Vireoscope Picks"), "101,102");
    EXPECT_EQ(pickOf(101), -1.0);
    EXPECT_EQ(pickOf(102), 1.0);
    const KTCatalogChangeResult check = m_manager.imagesUpdatedInExternalCatalogFromImages(session);
    ASSERT_TRUE(check.succeeded());
    EXPECT_EQ(check.changedIndexes, std::vector<int>{0});
}

TEST_F(KTExternalImagesManagerTest, LightroomImportTable)
{
    using R = KTImportChange::Rejection;
    struct Case
    {
        bool p, r, P, R;
        bool changed;
        std::optional<bool> picked;
        KTImportChange::Rejection rejection;
        quint64 bits;
    };
    const Case cases[] = {
        {false, false, false, false, false, {}, R::Unchanged, 0},
        {true, true, true, true, false, {}, R::Unchanged, 0},
        {false, false, true, false, true, true, R::Unchanged, 32},
        // In both collections and undecided in the session: rejected, with bit 16 only.
        {false, false, true, true, true, {}, R::Reject, 16},
        {true, false, false, false, true, false, R::Clear, 16},
        {true, false, false, true, true, false, R::Reject, 48},
        {false, true, true, false, true, true, R::Clear, 48},
        {true, true, false, false, true, false, R::Clear, 48},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.p << c.r << c.P << c.R);
        const KTImportChange change = KTExternalImagesManager::importChange(
            lightroomImage("101", m_catalog, c.p, c.r, 0), KTCatalogImageState{true, c.P, c.R});
        EXPECT_EQ(change.isChanged, c.changed);
        EXPECT_EQ(change.picked, c.picked);
        EXPECT_EQ(change.rejection, c.rejection);
        EXPECT_EQ(change.syncBitsToAdd, c.bits);
    }
}

TEST_F(KTExternalImagesManagerTest, RoutineSkipsFolderImagesAndGroupsByCatalogue)
{
    KTExternalImage folder;
    folder.sourceType = kSourceTypeFileSystem;
    folder.externalGUID = "7";
    KTExternalImage noID = lightroomImage("", m_catalog, {}, {}, 0);
    int calls = 0;
    const auto count = [&calls](const KTExternalImagesManager::Batch &, KTSqliteDatabase &, QString &,
                                bool &) {
        ++calls;
        return true;
    };
    EXPECT_EQ(
        m_manager.performDatabaseBlock(count, {folder, noID}, KTExternalImagesManager::Access::ReadWrite)
            .status,
        KTCatalogStatus::Done);
    EXPECT_EQ(calls, 0);

    const std::vector<KTExternalImage> mixed = {lightroomImage("101", m_catalog, {}, {}, 0), folder,
                                                appleImage("V01", m_library, {}, {}, 0),
                                                lightroomImage("102", m_catalog, {}, {}, 0)};
    const auto batches = KTExternalImagesManager::imagesGUIDsFromImages(mixed);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].imageIDs, (QStringList{"101", "102"}));
    EXPECT_EQ(batches[0].indexes, (std::vector<int>{0, 3}));
    EXPECT_EQ(batches[1].databasePath, m_libraryDatabase);
    EXPECT_TRUE(
        m_manager.performDatabaseBlock(count, mixed, KTExternalImagesManager::Access::ReadOnly).status ==
        KTCatalogStatus::Done);
    EXPECT_EQ(calls, 2);

    // A write whose last image's catalogue is busy touches no catalogue at all.
    m_running = {"com.adobe.Lightroom5"};
    QFile(m_catalog + ".lock").open(QIODevice::WriteOnly);
    EXPECT_EQ(m_manager.performDatabaseBlock(count, mixed, KTExternalImagesManager::Access::ReadWrite).status,
              KTCatalogStatus::ApplicationRunning);
    EXPECT_EQ(calls, 2);
    // Reads go ahead.
    EXPECT_EQ(m_manager.performDatabaseBlock(count, mixed, KTExternalImagesManager::Access::ReadOnly).status,
              KTCatalogStatus::Done);
}

// Identifiers are per catalogue: two catalogues of the same kind in one list are written apart.
TEST_F(KTExternalImagesManagerTest, TwoCataloguesOfOneKindAreWrittenEachToItsOwn)
{
    QDir(m_dir.path()).mkdir("other");
    const QString other = KTCatalogFixtures::createLightroomCatalog(m_dir.filePath("other"));
    const std::vector<KTExternalImage> images = {lightroomImage("101", m_catalog, true, {}, 32),
                                                 lightroomImage("102", other, true, {}, 32)};
    EXPECT_EQ(KTExternalImagesManager::imagesGUIDsFromImages(images).size(), 2u);
    const KTCatalogWriteResult result = m_manager.syncImagesStatuses(images);
    ASSERT_TRUE(result.succeeded()) << result.errorMessage.toStdString();
    EXPECT_EQ(pickOf(101), 1.0);
    EXPECT_EQ(pickOf(102), 0.0);
    EXPECT_EQ(membersOf("Vireoscope Picks"), "101");
    EXPECT_EQ(
        KTCatalogFixtures::scalar(other, "SELECT pick FROM Adobe_images WHERE id_local = 102").toDouble(),
        1.0);
    EXPECT_EQ(
        KTCatalogFixtures::scalar(other, "SELECT pick FROM Adobe_images WHERE id_local = 101").toDouble(),
        0.0);
}

// A busy catalogue anywhere in the list stops the write, not only when its image comes last.
TEST_F(KTExternalImagesManagerTest, BusyCatalogueAnywhereInTheListStopsTheWrite)
{
    m_running = {"com.adobe.Lightroom5"};
    QFile lock(m_catalog + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    const std::vector<KTExternalImage> images = {lightroomImage("101", m_catalog, true, {}, 32),
                                                 appleImage("V01", m_library, true, {}, 32)};
    int calls = 0;
    const auto count = [&calls](const KTExternalImagesManager::Batch &, KTSqliteDatabase &, QString &,
                                bool &) {
        ++calls;
        return true;
    };
    EXPECT_EQ(
        m_manager.performDatabaseBlock(count, images, KTExternalImagesManager::Access::ReadWrite).status,
        KTCatalogStatus::ApplicationRunning);
    EXPECT_EQ(calls, 0);
    const KTCatalogWriteResult result = m_manager.syncImagesStatuses(images);
    EXPECT_EQ(result.status, KTCatalogStatus::ApplicationRunning);
    EXPECT_EQ(result.syncStatusBitmasks, (std::vector<quint64>{32, 32}));
    EXPECT_EQ(pickOf(101), 0.0);
    EXPECT_EQ(ap("SELECT count(*) FROM RKVersion WHERE isFlagged = 1").toInt(), 0);
}
