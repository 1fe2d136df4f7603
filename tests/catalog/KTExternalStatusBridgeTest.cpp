#include "KTExternalStatusBridge.h"

#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTDispatch.h"
#include "KTExternalStatusSync.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTSessionFixtures.h"
#include "KTTestSupport.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// Answers as told and records each call with the undo state it was made in.
class FakeStatusSync : public KTExternalStatusSync
{
public:
    explicit FakeStatusSync(KTUndoManager *undoManager) : m_undoManager(undoManager) {}

    void syncImagesStatuses(const QList<KTImageMO *> &images, Completion completion) override
    {
        answerLater(call("sync", images), std::move(completion));
    }
    void importImagesStatuses(const QList<KTImageMO *> &images, Completion completion) override
    {
        answerLater(call("import", images), std::move(completion));
    }
    void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &images) override
    {
        call("overwrite", images);
    }
    int externalCatalogTypeFromImageMO(const KTImageMO *image) const override
    {
        asked.append(image);
        return 2;
    }
    bool isExternalAppRunningForImage(const KTImageMO *image) const override
    {
        asked.append(image);
        return true;
    }
    QString runningExternalAppNameForImage(const KTImageMO *image) const override
    {
        asked.append(image);
        return "Lightroom 5";
    }

    bool result = true;
    /// What the flow does to the records.
    std::function<void(const QList<KTImageMO *> &)> edit;
    QStringList calls;
    mutable QList<const KTImageMO *> asked;

private:
    // Like the real flows, the answer never comes inside the call.
    static void answerLater(bool result, Completion completion)
    {
        if (completion)
            postToMain([result, completion] { completion(result); });
    }
    bool call(const QString &name, const QList<KTImageMO *> &images)
    {
        calls.append(name + (m_undoManager->isUndoRegistrationEnabled() ? " with undo" : ""));
        if (edit)
            edit(images);
        return result;
    }
    KTUndoManager *m_undoManager;
};

/// A main context with a plain folder and a Lightroom source, the bridge over it and a fake sync
/// installed for the test's lifetime.
class ExternalStatusBridge : public ::testing::Test
{
public:
    ExternalStatusBridge()
    {
        previousSync = KTExternalStatusSync::install(sync);
        folder = addSource(kFolderTypeFileSystem);
        lightroom = addSource(kFolderTypeLightroom5);
        plain = addImage(folder, QString());
        first = addImage(lightroom, "101");
        second = addImage(lightroom, "102");
        undoManager.removeAllActions();
    }
    ~ExternalStatusBridge() override { KTExternalStatusSync::install(previousSync); }

    KTFolderMO *addSource(const QString &type)
    {
        auto *source = context->insert<KTFolderMO>(kFolderEntityName);
        source->setType(type);
        return source;
    }
    KTImageMO *addImage(KTFolderMO *source, const QString &guid)
    {
        auto *image = context->insert<KTImageMO>(kImageEntityName);
        image->setFolder(source);
        image->setExternalGUID(guid);
        return image;
    }
    QList<KTImageMO *> all() const { return {plain, first, second}; }

    QTemporaryDir dir;
    KTUserDefaults defaults{dir.filePath("defaults.ini")};
    std::shared_ptr<KTObjectContext> context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    KTUndoManager undoManager{context};
    QList<KTImageMO *> imagesList;
    KTExternalStatusBridge bridge{context, &undoManager, [this] { return imagesList; }, defaults};
    std::shared_ptr<FakeStatusSync> sync = std::make_shared<FakeStatusSync>(&undoManager);
    std::shared_ptr<KTExternalStatusSync> previousSync;
    KTFolderMO *folder = nullptr;
    KTFolderMO *lightroom = nullptr;
    KTImageMO *plain = nullptr;
    KTImageMO *first = nullptr;
    KTImageMO *second = nullptr;
};

} // namespace

TEST_F(ExternalStatusBridge, SnapshotTellsWhetherADecisionChanged)
{
    EXPECT_FALSE(bridge.hasChanges()); // empty list
    imagesList = all();
    EXPECT_TRUE(bridge.hasChanges()); // no entries yet
    first->setRejected(true);
    bridge.storeImageStatuses(all());
    EXPECT_FALSE(bridge.hasChanges());

    plain->setPicked(false); // nil and NO are the same decision
    EXPECT_FALSE(bridge.hasChanges());
    plain->setPicked(true);
    EXPECT_TRUE(bridge.hasChanges());
    plain->setPicked(std::nullopt);
    first->setRejected(std::nullopt);
    EXPECT_TRUE(bridge.hasChanges());
    first->setRejected(true);
    EXPECT_FALSE(bridge.hasChanges());
    imagesList.append(addImage(lightroom, "103"));
    EXPECT_TRUE(bridge.hasChanges());
}

// Each forwarder replaces the snapshot with the given images only as the table says; a replaced
// snapshot covers only the subset, so the images outside it count as changed.
TEST_F(ExternalStatusBridge, ForwardersReplaceTheSnapshotOnlyAfterASuccess)
{
    using Completion = KTExternalStatusBridge::Completion;
    struct Case
    {
        const char *name;
        std::function<void(KTExternalStatusBridge &, const QList<KTImageMO *> &, Completion)> call;
        bool syncResult;
        bool snapshotReplaced;
    };
    const Case cases[] = {
        {"sync", [](auto &b, const auto &images, Completion done) { b.syncImagesStatuses(images, done); },
         true, false},
        {"sync", [](auto &b, const auto &images, Completion done) { b.syncImagesStatuses(images, done); },
         false, false},
        {"sync",
         [](auto &b, const auto &images, Completion done) { b.syncImagesStatuses(images, false, done); },
         true, true},
        {"sync",
         [](auto &b, const auto &images, Completion done) { b.syncImagesStatuses(images, true, done); },
         false, false},
        {"import", [](auto &b, const auto &images, Completion done) { b.importImagesStatuses(images, done); },
         true, true},
        {"import", [](auto &b, const auto &images, Completion done) { b.importImagesStatuses(images, done); },
         false, false},
    };
    imagesList = all();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " answering " << c.syncResult);
        bridge.storeImageStatuses(all());
        sync->calls.clear();
        sync->result = c.syncResult;
        EXPECT_EQ(awaitCompletion<bool>([&](Completion done) {
                      c.call(bridge, {first, second}, done);
                  }),
                  c.syncResult);
        EXPECT_EQ(sync->calls, QStringList{c.name}); // made with undo registration off
        EXPECT_EQ(bridge.hasChanges(), c.snapshotReplaced);
        EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
    }
    bridge.storeImageStatuses(all());
    bridge.overwriteImagesStatusesFromHalvard({first, second});
    EXPECT_TRUE(bridge.hasChanges());
}

TEST_F(ExternalStatusBridge, StatusesWrittenByASyncAreNotUndoable)
{
    sync->edit = [](const QList<KTImageMO *> &images) {
        for (KTImageMO *image : images)
            image->setSyncStatusBitmask(0);
    };
    first->setSyncStatusBitmask(48);
    undoManager.removeAllActions();
    bridge.syncImagesStatuses({first});
    drainMainQueue();
    EXPECT_EQ(first->syncStatusBitmask(), 0);
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(ExternalStatusBridge, WithoutInstalledFlowsNothingIsForwarded)
{
    KTExternalStatusSync::install(nullptr);
    imagesList = all();
    bridge.storeImageStatuses({first});
    KTLogCapture log;
    EXPECT_EQ(awaitCompletion<bool>([&](auto done) { bridge.syncImagesStatuses(all(), false, done); }),
              false);
    EXPECT_EQ(awaitCompletion<bool>([&](auto done) { bridge.importImagesStatuses(all(), done); }), false);
    EXPECT_TRUE(bridge.hasChanges()); // the old snapshot stays
    EXPECT_TRUE(log.contains("importImagesStatuses: no external catalogue sync is available"));
    EXPECT_EQ(bridge.externalCatalogType(), 0);
    EXPECT_FALSE(bridge.isExternalAppRunning());
}

TEST_F(ExternalStatusBridge, QueriesAboutExternalSourcesAndImages)
{
    addSource(kFolderTypeiPhoto); // a catalogue source without images
    EXPECT_TRUE(bridge.hasExternalSources());
    EXPECT_EQ(bridge.imagesFromExternalSources(), (QList<KTImageMO *>{first, second}));
    EXPECT_EQ(KTExternalStatusBridge::externalImagesFromImages({plain, second, first}),
              (QList<KTImageMO *>{second, first}));

    // The catalogue questions go by the last image of the list.
    EXPECT_EQ(bridge.externalCatalogType(), 0);
    EXPECT_FALSE(bridge.isExternalAppRunning());
    imagesList = all();
    EXPECT_EQ(bridge.externalCatalogType(), 2);
    EXPECT_TRUE(bridge.isExternalAppRunning());
    EXPECT_EQ(bridge.runningExternalAppName(), "Lightroom 5");
    EXPECT_EQ(sync->asked, (QList<const KTImageMO *>{second, second, second}));
}

TEST_F(ExternalStatusBridge, WithoutExternalSourcesNoApplicationIsAsked)
{
    auto session = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *source = session->insert<KTFolderMO>(kFolderEntityName);
    source->setType(kFolderTypeFileSystem);
    auto *image = session->insert<KTImageMO>(kImageEntityName);
    image->setFolder(source);
    KTExternalStatusBridge folderBridge(
        session, &undoManager, [&] { return QList<KTImageMO *>{image}; }, defaults);
    EXPECT_FALSE(folderBridge.hasExternalSources());
    EXPECT_TRUE(folderBridge.imagesFromExternalSources().isEmpty());
    EXPECT_FALSE(folderBridge.isExternalAppRunning());
    EXPECT_TRUE(folderBridge.runningExternalAppName().isEmpty());
    EXPECT_TRUE(sync->asked.isEmpty());
}

TEST_F(ExternalStatusBridge, CataloguePathsAreWatchedAndKeptInTheDefaults)
{
    const QString catalog = dir.filePath("Catalog.lrcat");
    const QString library = dir.filePath("Library.photolibrary");
    QDir().mkpath(library);
    QFile(catalog).open(QIODevice::WriteOnly);

    bridge.addExternalSourcePath(catalog);
    bridge.addExternalSourcePath(catalog);
    bridge.addExternalSourcePath(library);
    EXPECT_EQ(bridge.externalSourcesPaths(), (QStringList{catalog, library}));
    EXPECT_EQ(bridge.numberOfWatchedPaths(), 2);

    // A catalogue opened later watches the stored paths again.
    ASSERT_TRUE(defaults.flush());
    KTUserDefaults reread(dir.filePath("defaults.ini"));
    EXPECT_EQ(reread.stringArrayForKey(kMediaSourcesDefaultsKey), (QStringList{catalog, library}));
    KTExternalStatusBridge later(context, &undoManager, {}, reread);
    later.setUp();
    EXPECT_EQ(later.externalSourcesPaths(), (QStringList{catalog, library}));
    EXPECT_EQ(later.numberOfWatchedPaths(), 2);

    // A new session leaves an empty list in the defaults, not a missing one.
    later.resetImagesSyncing();
    EXPECT_EQ(later.numberOfWatchedPaths(), 0);
    EXPECT_TRUE(later.externalSourcesPaths().isEmpty());
    ASSERT_TRUE(reread.flush());
    KTUserDefaults afterReset(dir.filePath("defaults.ini"));
    EXPECT_TRUE(afterReset.hasStoredValue(kMediaSourcesDefaultsKey));
    EXPECT_TRUE(afterReset.stringArrayForKey(kMediaSourcesDefaultsKey).isEmpty());
}

// The catalogue takes the snapshot of a stored session when it opens it, so an untouched session
// has no changes to synchronise.
TEST(ExternalStatusOfTheCatalogue, OpeningAStoredSessionTakesTheSnapshot)
{
    QTemporaryDir dir;
    const KTImageStorage::Locations locations{dir.filePath("support"), dir.filePath("legacy")};
    {
        QDir().mkpath(locations.applicationFilesDirectoryPath);
        KTCatalogStore store(KTCatalogModel::sharedModel());
        ASSERT_TRUE(store.open(locations.applicationFilesDirectoryPath + "/" + kStoreFileName,
                               KTCatalogStore::Access::ReadWrite));
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        fillCatalog(*context, 12);
        context->setSaveHandler([&](const KTChangeSet &changes, QString *) { return store.save(changes); });
        ASSERT_TRUE(context->save());
    }
    KTImageStorage storage(locations);
    ASSERT_TRUE(storage.managedObjectContext());
    EXPECT_TRUE(storage.hasExternalSources());
    EXPECT_FALSE(storage.hasStatusChanges());
    KTImageMO *image = storage.managedObjectContext()->fetchAs<KTImageMO>({kImageEntityName, {}, {}}).first();
    image->setPicked(!image->picked().value_or(false));
    EXPECT_TRUE(storage.hasStatusChanges());
    storage.waitForStoreWrites();
}
