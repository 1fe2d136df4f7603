#include "KTFocusedRegionsManager.h"

#include "KTCatalogModel.h"
#include "KTCatalogNotifications.h"
#include "KTCreateFocusedRegionsStorageOperation.h"
#include "KTFilesManager.h"
#include "KTGatedQueue.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTLoadFocusedRegionsStorageFromFileOperation.h"
#include "KTObjectContext.h"
#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <type_traits>

namespace {

using Storage = std::shared_ptr<KTFocusedRegionsStorage>;

/// Records what one handler received.
struct Answer
{
    int calls = 0;
    Storage storage;
    bool shouldCache = false;

    KTFocusedRegionsManager::Handler handler()
    {
        return [this](const Storage &received, bool cache) {
            ++calls;
            storage = received;
            shouldCache = cache;
        };
    }
};

class KTFocusedRegionsManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        // The session store makes the application-support folder; the cache folders live in it.
        ASSERT_TRUE(QDir().mkpath(KTFilesManager::sharedManager().applicationFilesDirectoryPath()));
        m_imagePath = m_folder.filePath(QStringLiteral("photo.jpg"));
        ASSERT_TRUE(writeJpegWithExif(m_imagePath, {}, QSize(300, 200)));
        m_uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_storagePath = KTFocusedRegionsManager::focusedRegionsStoragePathForImageMO(m_uuid);
    }

    QTemporaryDir m_folder;
    QString m_imagePath;
    QString m_uuid;
    QString m_storagePath;
};

/// Waits for `operation` to finish on its queue without processing any event of this thread.
bool finishesWithoutEvents(const KTOperation &operation)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!operation.isFinished()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST_F(KTFocusedRegionsManagerTest, ViewsAskingTogetherShareOneBuildAndTheNextAskIsACacheHit)
{
    KTGatedQueue gated;
    KTFocusedRegionsManager manager(gated.queue);
    Answer first;
    Answer second;
    const auto token = manager.obtainFocusedRegionStorage(first.handler(), m_uuid, m_imagePath);
    const auto joined = manager.obtainFocusedRegionStorage(second.handler(), m_uuid, m_imagePath);
    ASSERT_TRUE(token && joined);
    EXPECT_EQ(token->operation, joined->operation);
    EXPECT_EQ(token->imageID, m_uuid);
    EXPECT_EQ(token->operation->queueOperation()->queuePriority(), KTOperation::Priority::Normal);
    gated.open();
    ASSERT_TRUE(waitUntil([&] { return first.calls == 1 && second.calls == 1; }));
    ASSERT_TRUE(first.storage);
    EXPECT_EQ(first.storage, second.storage);
    EXPECT_TRUE(first.shouldCache);
    EXPECT_TRUE(QFile::exists(m_storagePath));

    Answer cached;
    EXPECT_FALSE(manager.obtainFocusedRegionStorage(cached.handler(), m_uuid, m_imagePath));
    EXPECT_EQ(cached.calls, 1);
    EXPECT_EQ(cached.storage, first.storage);
    EXPECT_FALSE(cached.shouldCache);
}

// A request after the cancel gets an operation of its own, also when the cancelled one had
// already run and its delivery is still on its way to the main thread.
TEST_F(KTFocusedRegionsManagerTest, WithdrawnLoadDropsToNormalAndAnOverlaySwitchCancelsIt)
{
    ASSERT_TRUE(KTFocusedRegionsStorage::initWithImageAtPath(m_imagePath)->writeToFile(m_storagePath));
    for (const bool ranBeforeTheCancel : {false, true}) {
        SCOPED_TRACE(ranBeforeTheCancel);
        KTGatedQueue gated;
        KTFocusedRegionsManager manager(gated.queue);
        Answer withdrawn;
        const auto token = manager.obtainFocusedRegionStorage(withdrawn.handler(), m_uuid, m_imagePath);
        ASSERT_TRUE(token);
        ASSERT_EQ(
            std::shared_ptr<KTFocusedRegionsStorageOperation>(manager.loadFromDiskOperations().value(m_uuid)),
            token->operation);
        EXPECT_EQ(token->operation->queueOperation()->queuePriority(), KTOperation::Priority::High);
        if (ranBeforeTheCancel) {
            // The load runs and posts its delivery, which stays queued: no event is processed
            // until the next request has been answered.
            gated.open();
            ASSERT_TRUE(finishesWithoutEvents(*token->operation->queueOperation()));
        }

        manager.cancelObtaining(token);
        manager.cancelObtaining(std::nullopt);
        EXPECT_EQ(token->operation->queueOperation()->queuePriority(), KTOperation::Priority::Normal);
        EXPECT_FALSE(token->operation->queueOperation()->isCancelled());
        manager.setFocusedRegionsVisible(true);
        EXPECT_TRUE(token->operation->queueOperation()->isCancelled());

        Answer later;
        const auto again = manager.obtainFocusedRegionStorage(later.handler(), m_uuid, m_imagePath);
        ASSERT_TRUE(again);
        EXPECT_NE(again->operation, token->operation);
        gated.open();
        ASSERT_TRUE(waitUntil([&] { return later.calls == 1; }));
        ASSERT_TRUE(later.storage);
        EXPECT_EQ(later.storage->originalImageSize(), QSizeF(300, 200));
        EXPECT_EQ(withdrawn.calls, 0);
        drainMainQueue();
    }
}

TEST_F(KTFocusedRegionsManagerTest, OverlaysAreNeverOnTogetherAndObserversHearBoth)
{
    KTGatedQueue gated;
    KTFocusedRegionsManager manager(gated.queue);
    QSignalSpy regions(&manager, &KTFocusedRegionsManager::focusedRegionsVisibleChanged);
    QSignalSpy lattice(&manager, &KTFocusedRegionsManager::focusPointLatticeVisibleChanged);
    manager.setFocusedRegionsVisible(true);
    manager.setFocusedRegionsVisible(true);
    EXPECT_EQ(regions.count(), 1);
    manager.setProperty("focusPointLatticeVisible", true);
    EXPECT_FALSE(manager.isFocusedRegionsVisible());
    EXPECT_TRUE(manager.property("focusPointLatticeVisible").toBool());
    ASSERT_EQ(regions.count(), 2);
    EXPECT_FALSE(regions.last().at(0).toBool());
    ASSERT_EQ(lattice.count(), 1);
    EXPECT_TRUE(lattice.last().at(0).toBool());
}

// The manager reads the records that the catalogue's "ImagesChanged" carries: its handler takes
// exactly what the typed reader answers, so a payload of another shape does not compile.
static_assert(
    std::is_invocable_v<decltype(&KTFocusedRegionsManager::imagesDidChange), KTFocusedRegionsManager &,
                        decltype(KTImagesChangedInfo::deletedImages(QVariantMap()))>);

TEST_F(KTFocusedRegionsManagerTest, ImageDeletedFromTheCatalogueLosesItsFileAndIsBuiltAnewWhenAskedAgain)
{
    KTImageStorage catalogue(
        {m_folder.filePath(QStringLiteral("app")), m_folder.filePath(QStringLiteral("old"))});
    const std::shared_ptr<KTObjectContext> context = catalogue.managedObjectContext();
    ASSERT_TRUE(context);
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath(m_imagePath);
    auto *kept = context->insert<KTImageMO>(kImageEntityName);
    kept->setPath(m_folder.filePath(QStringLiteral("other.jpg")));
    catalogue.processPendingChanges();
    const QString uuid = image->uuid();
    ASSERT_FALSE(uuid.isEmpty());
    const QString path = KTFocusedRegionsManager::focusedRegionsStoragePathForImageMO(uuid);
    const QString keptPath = KTFocusedRegionsManager::focusedRegionsStoragePathForImageMO(kept->uuid());

    KTGatedQueue gated;
    gated.open();
    KTFocusedRegionsManager manager(gated.queue);
    Answer built;
    manager.obtainFocusedRegionStorage(built.handler(), uuid, m_imagePath);
    ASSERT_TRUE(waitUntil([&] { return built.calls == 1; }));
    ASSERT_TRUE(QFile::exists(path));
    writeFile(keptPath, "regions");

    catalogue.deleteImage(image, KTImageStorage::DeleteImageFiles::No);
    catalogue.processPendingChanges();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(keptPath));

    manager.cache().removeAllObjects();
    Answer rebuilt;
    const auto token = manager.obtainFocusedRegionStorage(rebuilt.handler(), uuid, m_imagePath);
    ASSERT_TRUE(token);
    EXPECT_EQ(std::shared_ptr<KTFocusedRegionsStorageOperation>(manager.createOperations().value(uuid)),
              token->operation);
    ASSERT_TRUE(waitUntil([&] { return rebuilt.calls == 1; }));
    EXPECT_TRUE(QFile::exists(path));
    QFile::remove(path);
    QFile::remove(keptPath);
}

// A build cancelled after it wrote its file deletes the file, unless a newer build for the same
// image is registered: that one writes the same path, and its file must stay.
TEST_F(KTFocusedRegionsManagerTest, CancelledBuildDeletesItsFileOnlyWithoutANewerBuild)
{
    for (const bool hasNewer : {false, true}) {
        SCOPED_TRACE(hasNewer);
        KTOperationQueue queue;
        auto operation =
            KTCreateFocusedRegionsStorageOperation::initWithImageAtPath(m_imagePath, m_storagePath);
        operation->setHasNewerOperation([hasNewer] { return hasNewer; });
        queue.addOperation(operation->queueOperation());
        // The build and write are done; the delivery waits on the main queue.
        std::async(std::launch::async, [&] { operation->queueOperation()->waitUntilFinished(); }).get();
        ASSERT_TRUE(QFile::exists(m_storagePath));
        operation->queueOperation()->cancel();
        drainMainQueue();
        EXPECT_EQ(QFile::exists(m_storagePath), hasNewer);
    }
}

TEST_F(KTFocusedRegionsManagerTest, DamagedFileIsRemovedAndTheNextAskBuildsAgain)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_storagePath).path()));
    QFile damaged(m_storagePath);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a focused regions file");
    damaged.close();

    KTGatedQueue gated;
    gated.open();
    KTFocusedRegionsManager manager(gated.queue);
    KTLogCapture log;
    Answer loaded;
    manager.obtainFocusedRegionStorage(loaded.handler(), m_uuid, m_imagePath);
    ASSERT_TRUE(waitUntil([&] { return loaded.calls == 1; }));
    EXPECT_FALSE(loaded.storage);
    EXPECT_FALSE(QFile::exists(m_storagePath));
    EXPECT_TRUE(log.contains(QStringLiteral("unreadable focused regions file")));

    Answer rebuilt;
    manager.obtainFocusedRegionStorage(rebuilt.handler(), m_uuid, m_imagePath);
    ASSERT_TRUE(waitUntil([&] { return rebuilt.calls == 1; }));
    EXPECT_TRUE(rebuilt.storage);
    EXPECT_TRUE(QFile::exists(m_storagePath));
}
