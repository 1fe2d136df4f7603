#include "KTExternalStatusFlows.h"

#include "KTCatalogFixtures.h"
#include "KTCatalogModel.h"
#include "KTExternalImagesManager.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QFile>
#include <QTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kReject = 16;
constexpr qint64 kPick = 32;

/// A main context holding one Lightroom 5 source and one iPhoto source over fixture catalogues,
/// and the flows over a manager whose "running applications" the test sets.
class KTExternalStatusFlowsTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionPicksKey);
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionRejectsKey);
        m_manager.setApplicationRunningCheck(
            [this](const QString &bundleID) { return m_running.contains(bundleID); });
        m_manager.setBusyTimeoutMs(50);
        m_catalog = KTCatalogFixtures::createLightroomCatalog(m_dir.path());
        m_library = KTCatalogFixtures::createAppleLibrary(m_dir.path(), QStringLiteral("iPhoto"));
        m_libraryDatabase = KTCatalogFixtures::appleDatabasePath(m_library);
        m_lightroom = addSource(kFolderTypeLightroom5, m_catalog);
        m_iPhoto = addSource(kFolderTypeiPhoto, KTCatalogFixtures::appleMediaSource(m_library));
        m_flows.setMoveImagesToTrash([this](const QList<KTImageMO *> &images) {
            m_trashed.append(images);
            for (KTImageMO *image : images)
                image->setRejected(true);
        });
    }

    KTFolderMO *addSource(const QString &type, const QString &mediaSource)
    {
        auto *folder = m_context->insert<KTFolderMO>(kFolderEntityName);
        folder->setType(type);
        folder->setPath(mediaSource + "#node");
        folder->setMediaSource(mediaSource);
        return folder;
    }
    KTImageMO *addImage(KTFolderMO *folder, const QString &guid, std::optional<bool> picked,
                        std::optional<bool> rejected, qint64 bits = 0)
    {
        auto *image = m_context->insert<KTImageMO>(kImageEntityName);
        image->setFolder(folder);
        image->setExternalGUID(guid);
        image->setPath(m_dir.filePath(guid + ".jpg"));
        image->setPicked(picked);
        image->setRejected(rejected);
        if (bits)
            image->setSyncStatusBitmask(bits);
        return image;
    }
    static qint64 bitsOf(const KTImageMO *image) { return image->syncStatusBitmask().value_or(0); }

    // The flows answer later, on the main thread: these wait for the answer.
    std::optional<bool> sync(const QList<KTImageMO *> &images)
    {
        return awaitCompletion<bool>([&](auto done) { m_flows.syncImagesStatuses(images, done); });
    }
    std::optional<bool> import(const QList<KTImageMO *> &images)
    {
        return awaitCompletion<bool>([&](auto done) { m_flows.importImagesStatuses(images, done); });
    }
    KTExternalStatusFlows::ChangeCheck checkChanges(const QList<KTImageMO *> &images)
    {
        return awaitCompletion<KTExternalStatusFlows::ChangeCheck>(
                   [&](auto done) { m_flows.imagesUpdatedInExternalCatalogFromImages(images, done); })
            .value_or(KTExternalStatusFlows::ChangeCheck{{KTCatalogStatus::Failed, "no answer"}, {}});
    }

    QVariant lr(const QString &sql) { return KTCatalogFixtures::scalar(m_catalog, sql); }
    QVariant ip(const QString &sql) { return KTCatalogFixtures::scalar(m_libraryDatabase, sql); }
    QString membersOf(const QString &collection)
    {
        return lr(QStringLiteral(
                      "SELECT group_concat(image) FROM (SELECT ci.image FROM AgLibraryCollectionImage ci "
                      "JOIN AgLibraryCollection c ON c.id_local = ci.collection WHERE c.name = '%1' "
                      "ORDER BY ci.image)")
                      .arg(collection))
            .toString();
    }
    QString iPhotoMarks(const QString &uuid)
    {
        return ip(QStringLiteral("SELECT isFlagged || '/' || isInTrash FROM RKVersion WHERE uuid = '%1'")
                      .arg(uuid))
            .toString();
    }

    QTemporaryDir m_dir;
    std::shared_ptr<KTObjectContext> m_context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    KTExternalImagesManager m_manager;
    KTExternalStatusFlows m_flows{m_manager};
    QStringList m_running;
    QList<KTImageMO *> m_trashed;
    QString m_catalog;
    QString m_library;
    QString m_libraryDatabase;
    KTFolderMO *m_lightroom = nullptr;
    KTFolderMO *m_iPhoto = nullptr;
};

} // namespace

TEST_F(KTExternalStatusFlowsTest, LightroomWritePassChangeCheckAndImportRoundTrip)
{
    KTImageMO *rejected = addImage(m_lightroom, "101", std::nullopt, true, kReject);
    KTImageMO *picked = addImage(m_lightroom, "102", true, false, kPick);
    KTImageMO *undecided = addImage(m_lightroom, "103", std::nullopt, std::nullopt);
    KTImageMO *untouched = addImage(m_lightroom, "104", std::nullopt, std::nullopt);
    m_flows.overwriteImagesStatusesFromHalvard({undecided});
    EXPECT_EQ(bitsOf(undecided), kReject | kPick);

    const QList<KTImageMO *> session{rejected, picked, undecided, untouched};
    ASSERT_EQ(sync(session), true);
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
    EXPECT_EQ(membersOf("Vireoscope Picks"), "102");
    // Set decisions keep their bit for the next pass; cleared ones lose it.
    EXPECT_EQ(bitsOf(rejected), kReject);
    EXPECT_EQ(bitsOf(picked), kPick);
    EXPECT_EQ(bitsOf(undecided), 0);
    EXPECT_EQ(bitsOf(untouched), 0);

    // Behind the session's back: 101 leaves the rejects, 103 joins them, 105 is no longer held.
    KTImageMO *vanished = addImage(m_lightroom, "999", true, std::nullopt);
    KTCatalogFixtures::execute(m_catalog,
                               "DELETE FROM AgLibraryCollectionImage WHERE image IN (101, 103);"
                               "INSERT INTO AgLibraryCollectionImage (collection, image) SELECT "
                               "id_local, 103 FROM AgLibraryCollection WHERE name = 'Vireoscope Rejects';");
    // The iPhoto record in the list is not looked at while Lightroom records are there.
    KTImageMO *iPhotoImage = addImage(m_iPhoto, "V05", true, std::nullopt);
    const KTExternalStatusFlows::ChangeCheck check =
        checkChanges({rejected, picked, undecided, untouched, vanished, iPhotoImage});
    ASSERT_TRUE(check.outcome.succeeded());
    EXPECT_EQ(check.changedImages, (QList<KTImageMO *>{rejected, undecided}));
    EXPECT_TRUE(vanished->isDeleted());
    EXPECT_FALSE(iPhotoImage->isDeleted());

    ASSERT_EQ(import(check.changedImages), true);
    // The catalogue won: 101 is no longer rejected, 103 went through the session's reject.
    EXPECT_EQ(rejected->rejected(), false);
    EXPECT_EQ(m_trashed, QList<KTImageMO *>{undecided});
    EXPECT_EQ(undecided->rejected(), true);
    // The import's write pass left the catalogue as the session now is.
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "103");
    EXPECT_EQ(bitsOf(rejected), 0);
    EXPECT_EQ(bitsOf(undecided), kReject);
    EXPECT_TRUE(checkChanges(session).changedImages.isEmpty());
}

TEST_F(KTExternalStatusFlowsTest, IPhotoWritePassChangeCheckAndImportRoundTrip)
{
    KTImageMO *picked = addImage(m_iPhoto, "V01", true, std::nullopt, kPick);
    KTImageMO *rejected = addImage(m_iPhoto, "V03", std::nullopt, true, kReject);
    KTImageMO *plain = addImage(m_iPhoto, "V04", std::nullopt, std::nullopt);
    ASSERT_EQ(sync({picked, rejected, plain}), true);
    EXPECT_EQ(iPhotoMarks("V01"), "1/0");
    EXPECT_EQ(iPhotoMarks("V03"), "0/1");
    EXPECT_EQ(iPhotoMarks("V04"), "0/0");

    KTImageMO *vanished = addImage(m_iPhoto, "V99", std::nullopt, std::nullopt);
    KTCatalogFixtures::execute(m_libraryDatabase, "UPDATE RKVersion SET isFlagged = 2 WHERE uuid = 'V04';"
                                                  "UPDATE RKVersion SET isFlagged = 0 WHERE uuid = 'V01';");
    const QList<KTImageMO *> session{picked, rejected, plain, vanished};
    const KTExternalStatusFlows::ChangeCheck check = checkChanges(session);
    ASSERT_TRUE(check.outcome.succeeded());
    EXPECT_EQ(check.changedImages, (QList<KTImageMO *>{picked, plain}));
    EXPECT_TRUE(vanished->isDeleted());

    // The library wins for every record: flags come in, its trash goes through the session's reject.
    rejected->setRejected(false);
    ASSERT_EQ(import({picked, rejected, plain}), true);
    EXPECT_EQ(picked->picked(), false);
    EXPECT_EQ(plain->picked(), true);
    EXPECT_EQ(m_trashed, QList<KTImageMO *>{rejected});
    EXPECT_EQ(rejected->rejected(), true);
    EXPECT_TRUE(checkChanges({picked, rejected, plain}).changedImages.isEmpty());
}

// A refused or failed write returns NO, leaves the catalogue as it was, byte for byte, and keeps
// every bit for the next pass.
TEST_F(KTExternalStatusFlowsTest, RefusedOrFailedWritePassChangesNothing)
{
    struct Case
    {
        const char *name;
        std::function<std::shared_ptr<void>(KTExternalStatusFlowsTest &)> prepare;
    };
    const Case cases[] = {
        {"Lightroom runs with the catalogue open",
         [](KTExternalStatusFlowsTest &t) -> std::shared_ptr<void> {
             t.m_running = {"com.adobe.Lightroom5"};
             QFile(t.m_catalog + ".lock").open(QIODevice::WriteOnly);
             return std::shared_ptr<void>(nullptr, [&t](void *) {
                 t.m_running.clear();
                 QFile::remove(t.m_catalog + ".lock");
             });
         }},
        {"another connection holds the write lock",
         [](KTExternalStatusFlowsTest &t) -> std::shared_ptr<void> {
             return std::make_shared<KTCatalogWriteLock>(t.m_catalog);
         }},
        {"the catalogue lacks a table the write needs",
         [](KTExternalStatusFlowsTest &t) -> std::shared_ptr<void> {
             KTCatalogFixtures::execute(t.m_catalog, "DROP TABLE AgLibraryCollectionImage;");
             return nullptr;
         }},
        {"the catalogue is read-only",
         [](KTExternalStatusFlowsTest &t) -> std::shared_ptr<void> {
             QFile::setPermissions(t.m_catalog, QFile::ReadOwner);
             return std::shared_ptr<void>(nullptr, [&t](void *) {
                 QFile::setPermissions(t.m_catalog, QFile::ReadOwner | QFile::WriteOwner);
             });
         }},
    };
    KTImageMO *rejected = addImage(m_lightroom, "101", std::nullopt, true, kReject);
    KTImageMO *cleared = addImage(m_lightroom, "102", false, std::nullopt, kReject | kPick);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::shared_ptr<void> guard = c.prepare(*this);
        const QByteArray before = KTCatalogFixtures::fileBytes(m_catalog);
        EXPECT_EQ(sync({rejected, cleared}), false);
        EXPECT_EQ(KTCatalogFixtures::fileBytes(m_catalog), before);
        EXPECT_EQ(bitsOf(rejected), kReject);
        EXPECT_EQ(bitsOf(cleared), kReject | kPick);
    }
}

// The write pass waits for a locked catalogue on its own queue: the main thread keeps turning
// (a main-queue timer keeps firing) until the lock goes, and the pass then commits.
TEST_F(KTExternalStatusFlowsTest, WritePassWaitingForALockedCatalogueLeavesTheMainThreadResponsive)
{
    m_manager.setBusyTimeoutMs(30'000);
    KTImageMO *rejected = addImage(m_lightroom, "101", std::nullopt, true, kReject);
    auto lock = std::make_unique<KTCatalogWriteLock>(m_catalog);
    ASSERT_TRUE(lock->isLocked());

    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    std::optional<bool> synced;
    m_flows.syncImagesStatuses({rejected}, [&](bool succeeded) { synced = succeeded; });
    ASSERT_TRUE(waitUntil([&] { return ticks >= 20; }));
    EXPECT_FALSE(synced.has_value());
    EXPECT_TRUE(m_flows.hasPendingWork());

    lock.reset();
    ASSERT_TRUE(waitUntil([&] { return synced.has_value(); }));
    EXPECT_EQ(synced, true);
    EXPECT_FALSE(m_flows.hasPendingWork());
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
    EXPECT_EQ(bitsOf(rejected), kReject);
}

// What happens to the records while the queue writes is not lost: a decision changed meanwhile
// keeps its bit for the next pass, and a record deleted meanwhile is left alone.
TEST_F(KTExternalStatusFlowsTest, DecisionsChangedAndRecordsDeletedDuringAPassAreRespected)
{
    m_manager.setBusyTimeoutMs(30'000);
    KTImageMO *changed = addImage(m_lightroom, "101", false, std::nullopt, kPick);
    KTImageMO *deleted = addImage(m_lightroom, "102", std::nullopt, true, kReject);
    KTImageMO *steady = addImage(m_lightroom, "103", true, std::nullopt, kPick);
    auto lock = std::make_unique<KTCatalogWriteLock>(m_catalog);
    std::optional<bool> synced;
    m_flows.syncImagesStatuses({changed, deleted, steady}, [&](bool succeeded) { synced = succeeded; });
    drainMainQueue();
    changed->setPicked(true);
    m_context->deleteObject(deleted);
    lock.reset();
    ASSERT_TRUE(waitUntil([&] { return synced.has_value(); }));
    EXPECT_EQ(synced, true);
    EXPECT_EQ(bitsOf(changed), kPick); // the pass wrote "not picked"; "picked" is still to go
    EXPECT_EQ(bitsOf(steady), kPick);
    EXPECT_EQ(membersOf("Vireoscope Picks"), "103");

    ASSERT_EQ(sync({changed, steady}), true);
    EXPECT_EQ(membersOf("Vireoscope Picks"), "101,103");
}

// An unreadable catalogue tells nothing: the change check deletes no record and the import
// clears no decision.
TEST_F(KTExternalStatusFlowsTest, UnreadableCatalogueAbortsChangeCheckAndImport)
{
    for (KTFolderMO *source : {m_lightroom, m_iPhoto}) {
        SCOPED_TRACE(source->type().toStdString());
        KTCatalogFixtures::corrupt(source == m_lightroom ? m_catalog : m_libraryDatabase);
        KTImageMO *rejected = addImage(source, source == m_lightroom ? "101" : "V01", false, true);
        KTImageMO *picked = addImage(source, source == m_lightroom ? "102" : "V02", true, std::nullopt);
        const KTExternalStatusFlows::ChangeCheck check = checkChanges({rejected, picked});
        EXPECT_EQ(check.outcome.status, KTCatalogStatus::Failed);
        EXPECT_TRUE(check.changedImages.isEmpty());
        EXPECT_FALSE(rejected->isDeleted());
        EXPECT_FALSE(picked->isDeleted());

        EXPECT_EQ(import({rejected, picked}), false);
        EXPECT_EQ(rejected->rejected(), true);
        EXPECT_EQ(picked->picked(), true);
        EXPECT_EQ(bitsOf(rejected), 0);
        EXPECT_TRUE(m_trashed.isEmpty());
    }
}

TEST_F(KTExternalStatusFlowsTest, TrashRejectsCatalogueImagesInTheirCatalogues)
{
    KTImageMO *lightroomImage = addImage(m_lightroom, "101", std::nullopt, std::nullopt);
    KTImageMO *iPhotoImage = addImage(m_iPhoto, "V01", std::nullopt, std::nullopt);
    // An identifier without a catalogue source has nowhere to be rejected.
    auto *folder = m_context->insert<KTFolderMO>(kFolderEntityName);
    folder->setType(kFolderTypeFileSystem);
    KTImageMO *stray = addImage(folder, "555", std::nullopt, std::nullopt);

    EXPECT_EQ(m_flows.rejectImagesOrReturnImagesWhichCouldNotBeRejected({lightroomImage, stray, iPhotoImage}),
              QSet<KTImageMO *>{stray});
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
    EXPECT_EQ(iPhotoMarks("V01"), "0/1");
    EXPECT_EQ(bitsOf(lightroomImage), kReject);
    EXPECT_EQ(bitsOf(iPhotoImage), kReject);
    EXPECT_TRUE(m_flows.rejectImagesOrReturnImagesWhichCouldNotBeRejected({}).isEmpty());
}

// A catalogue image whose reject could not be written is not trashed: it comes back as a
// failure, so the caller keeps its record and the user's decision.
TEST_F(KTExternalStatusFlowsTest, CatalogueImagesWhoseRejectIsNotWrittenAreNotTrashed)
{
    KTImageMO *lightroomImage = addImage(m_lightroom, "101", std::nullopt, std::nullopt);
    KTImageMO *iPhotoImage = addImage(m_iPhoto, "V01", std::nullopt, std::nullopt);
    m_running = {"com.adobe.Lightroom5"};
    QFile(m_catalog + ".lock").open(QIODevice::WriteOnly);
    const QByteArray before = KTCatalogFixtures::fileBytes(m_catalog);

    // The Lightroom catalogue is busy; the iPhoto library is written.
    EXPECT_EQ(m_flows.rejectImagesOrReturnImagesWhichCouldNotBeRejected({lightroomImage, iPhotoImage}),
              QSet<KTImageMO *>{lightroomImage});
    EXPECT_EQ(KTCatalogFixtures::fileBytes(m_catalog), before);
    EXPECT_EQ(bitsOf(lightroomImage), 0);
    EXPECT_EQ(iPhotoMarks("V01"), "0/1");

    QFile::remove(m_catalog + ".lock");
    KTCatalogFixtures::corrupt(m_libraryDatabase);
    EXPECT_EQ(m_flows.rejectImagesOrReturnImagesWhichCouldNotBeRejected({lightroomImage, iPhotoImage}),
              QSet<KTImageMO *>{iPhotoImage});
    EXPECT_EQ(membersOf("Vireoscope Rejects"), "101");
}

TEST_F(KTExternalStatusFlowsTest, WritePassWithoutMarkedRecordsOpensNothing)
{
    KTImageMO *image = addImage(m_lightroom, "101", true, std::nullopt);
    KTCatalogFixtures::corrupt(m_catalog);
    EXPECT_EQ(sync({image}), true);
    EXPECT_EQ(sync({}), false);
    EXPECT_EQ(import({}), true);
}

TEST_F(KTExternalStatusFlowsTest, RecordQueriesFollowTheSource)
{
    KTImageMO *lightroomImage = addImage(m_lightroom, "101", std::nullopt, std::nullopt);
    KTImageMO *iPhotoImage = addImage(m_iPhoto, "V01", std::nullopt, std::nullopt);
    auto *older = addSource(kFolderTypeLightroom4, m_catalog);
    KTImageMO *olderImage = addImage(older, "102", std::nullopt, std::nullopt);
    EXPECT_EQ(KTExternalStatusFlows::lightroomImagesInArray({iPhotoImage, olderImage, lightroomImage}),
              (QList<KTImageMO *>{olderImage, lightroomImage}));
    EXPECT_EQ(m_flows.externalCatalogTypeFromImageMO(lightroomImage), 2);
    EXPECT_EQ(m_flows.externalCatalogTypeFromImageMO(iPhotoImage), 3);
    EXPECT_EQ(m_flows.externalCatalogTypeFromImageMO(nullptr), 0);

    m_running = {"com.adobe.Lightroom5"};
    EXPECT_EQ(m_flows.runningExternalAppNameForImage(lightroomImage), "Lightroom 5");
    EXPECT_FALSE(m_flows.isExternalAppRunningForImage(lightroomImage)); // no lock file
    QFile(m_catalog + ".lock").open(QIODevice::WriteOnly);
    EXPECT_TRUE(m_flows.isExternalAppRunningForImage(lightroomImage));
    EXPECT_TRUE(m_flows.runningExternalAppNameForImage(iPhotoImage).isEmpty());
}
