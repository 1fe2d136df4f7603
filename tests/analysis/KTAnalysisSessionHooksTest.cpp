#include "KTAnalysisSessionHooks.h"

#include "KTCatalogModel.h"
#include "KTEntitiesManager.h"
#include "KTImageHashesManager.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTThumbnailEntity.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(KTAnalysisSessionHooksTest, RemovedImagesAndClearedSessionsTakeTheirHashesWithThem)
{
    QTemporaryDir dir;
    KTImageStorage storage({dir.filePath("app"), dir.filePath("old")});
    auto context = storage.managedObjectContext();
    ASSERT_NE(context, nullptr);
    KTSessionHooks previous;
    bool resetAsked = false;
    previous.resetImagesSyncing = [&] { resetAsked = true; };
    storage.setSessionHooks(previous);
    KTAnalysisSessionHooks::install(storage);
    storage.sessionHooks().resetImagesSyncing(); // hooks installed by others stay
    EXPECT_TRUE(resetAsked);

    KTImageHashesManager &hashes = KTImageHashesManager::sharedManager();
    hashes.storeHash("h1", "/photos/one.jpg");
    hashes.storeHash("h2", "/photos/two.jpg");
    auto *one = context->insert<KTImageMO>(kImageEntityName);
    one->setPath("/photos/one.jpg");
    context->insert<KTImageMO>(kImageEntityName)->setPath("/photos/two.jpg");

    storage.deleteImage(one, KTImageStorage::DeleteImageFiles::Yes);
    EXPECT_FALSE(hashes.hashForKey("/photos/one.jpg"));
    EXPECT_TRUE(hashes.hashForKey("/photos/two.jpg"));

    // A thumbnail of the session in memory; its key's uuid is never asked for again.
    KTEntitiesManager &entities = KTEntitiesManager::sharedManager();
    entities.entitiesCache().setObject(QStringLiteral("uuid_KTThumbnailEntity"),
                                       std::make_shared<KTThumbnailEntity>(QByteArray("jpeg"), 100.0));

    KTTaskRecorder tasks(&storage);
    storage.cleanSession();
    ASSERT_TRUE(
        waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kCleanSessionTaskName) > 0; }));
    EXPECT_FALSE(hashes.hashForKey("/photos/two.jpg"));
    EXPECT_EQ(entities.entitiesCache().count(), 0);
}
