#include "KTExternalStatusHooks.h"

#include "KTAlert.h"
#include "KTCatalogFixtures.h"
#include "KTCatalogModel.h"
#include "KTCatalogReader.h"
#include "KTExternalImagesManager.h"
#include "KTExternalStatusBridge.h"
#include "KTExternalStatusFlows.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// A catalogue session over the Lightroom fixture's "Family" collection, started through the
/// catalogue with the hooks installed.
class ExternalStatusHooks : public ::testing::Test
{
public:
    ExternalStatusHooks()
    {
        previousSync = KTExternalStatusSync::install(nullptr);
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionPicksKey);
        KTUserDefaults::standardUserDefaults().setBool(true, kLightroomSyncOptionRejectsKey);
        manager.setApplicationRunningCheck(
            [this](const QString &bundleID) { return running.contains(bundleID); });
        manager.setBusyTimeoutMs(50);
        flows = KTExternalStatusHooks::install(storage, manager);
    }
    ~ExternalStatusHooks() override
    {
        // The watched paths live in the process's defaults; leave none for the next catalogue.
        storage.resetImagesSyncing();
        KTExternalStatusSync::install(previousSync);
    }

    void startSession()
    {
        KTCatalogReader reader(catalog);
        const auto nodes = reader.nodes();
        const auto family = std::find_if(nodes.nodes.cbegin(), nodes.nodes.cend(),
                                         [](const KTCatalogNode &node) { return node.name == "Family"; });
        ASSERT_NE(family, nodes.nodes.cend());
        const auto list = reader.imagesListForNode(family->identifier);
        ASSERT_TRUE(list.ok);
        imagesList = list.imagesList;
        storage.addSourcesForPaths({}, {list.imagesList});
        ASSERT_TRUE(waitUntil([&] { return context()->count({kFolderEntityName, {}, {}}) == 1; }));
        source = context()->fetchAs<KTFolderMO>({kFolderEntityName, {}, {}}).first();
    }
    KTImageMO *addImage(const QString &guid)
    {
        auto *image = context()->insert<KTImageMO>(kImageEntityName);
        image->setFolder(source);
        image->setExternalGUID(guid);
        image->setPath(dir.filePath(guid + ".jpg"));
        return image;
    }
    std::shared_ptr<KTObjectContext> context() { return storage.managedObjectContext(); }
    QString rejects()
    {
        return KTCatalogFixtures::scalar(
                   catalog, "SELECT group_concat(ci.image) FROM AgLibraryCollectionImage ci JOIN "
                            "AgLibraryCollection c ON c.id_local = ci.collection WHERE c.name = "
                            "'Vireoscope Rejects'")
            .toString();
    }
    /// Trashes through the catalogue, answering its question with Ok; returns the alerts' titles.
    QStringList trash(const QList<KTImageMO *> &images)
    {
        auto alerts = KTScriptedAlertPresenter::install();
        alerts->answer(KTAlert::kDefaultReturn);
        alerts->answer(KTAlert::kDefaultReturn);
        bool done = false;
        storage.moveImagesToSystemTrash(images, [&] { done = true; });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        QStringList titles;
        for (const KTAlert &alert : alerts->shown())
            titles.append(alert.messageText);
        return titles;
    }

    QTemporaryDir dir;
    KTImageStorage storage{{dir.filePath("support"), dir.filePath("legacy")}};
    QString catalog = KTCatalogFixtures::createLightroomCatalog(dir.path());
    KTExternalImagesManager manager;
    QStringList running;
    std::shared_ptr<KTExternalStatusSync> previousSync;
    std::shared_ptr<KTExternalStatusFlows> flows;
    KTFolderMO *source = nullptr;
    QVariantMap imagesList;
};

} // namespace

TEST_F(ExternalStatusHooks, ANewCatalogueSessionIsTheOnlyWatchedPath)
{
    QFile(dir.filePath("older.lrcat")).open(QIODevice::WriteOnly);
    storage.addExternalSourcePath(dir.filePath("older.lrcat"));
    EXPECT_EQ(storage.externalStatus().numberOfWatchedPaths(), 1);
    startSession();
    EXPECT_EQ(storage.externalStatus().externalSourcesPaths(), QStringList{catalog});
    EXPECT_EQ(storage.externalStatus().numberOfWatchedPaths(), 1);
    EXPECT_EQ(KTExternalStatusSync::installed(), flows);
}

// A catalogue image is trashed by its reject in the catalogue. While the catalogue cannot be
// written, the image is reported and stays in the session with its decision.
TEST_F(ExternalStatusHooks, CatalogueImagesStayInTheSessionUntilTheirRejectIsWritten)
{
    startSession();
    KTImageMO *image = addImage("101");
    running = {"com.adobe.Lightroom5"};
    QFile(catalog + ".lock").open(QIODevice::WriteOnly);
    const QByteArray before = KTCatalogFixtures::fileBytes(catalog);

    EXPECT_EQ(trash({image}).last(), "Some images could not be trashed.");
    EXPECT_FALSE(image->isDeleted());
    EXPECT_EQ(KTCatalogFixtures::fileBytes(catalog), before);

    QFile::remove(catalog + ".lock");
    EXPECT_EQ(trash({image}).size(), 1); // only the question
    EXPECT_TRUE(image->isDeleted());
    EXPECT_EQ(rejects(), "101");
}

// The import hands the images that the catalogue rejects to the catalogue's own reject, and the
// snapshot then holds the imported state.
TEST_F(ExternalStatusHooks, ImportRejectsThroughTheCatalogue)
{
    startSession();
    KTImageMO *image = addImage("102");
    KTImageMO *other = addImage("103");
    storage.storeImageStatuses({image, other});
    KTCatalogFixtures::execute(catalog,
                               "INSERT INTO AgLibraryCollection (id_local, name, creationId) VALUES (700, "
                               "'Vireoscope Rejects', 'com.adobe.ag.library.collection');"
                               "INSERT INTO AgLibraryCollectionImage (collection, image) VALUES (700, 102);");
    storage.cleanUndoStack();
    EXPECT_EQ(awaitCompletion<bool>([&](auto done) {
                  storage.importImagesStatuses({image, other}, done);
              }),
              true);
    EXPECT_EQ(image->rejected(), true);
    EXPECT_TRUE(image->resolveDate().isValid());
    EXPECT_EQ(other->rejected(), std::nullopt);
    EXPECT_FALSE(storage.hasStatusChanges());
    EXPECT_FALSE(storage.undoManager()->canUndo());
}

// The whole road of a catalogue session: its images load with their identifiers and a snapshot,
// a pick in the session marks the image, and the write pass carries the pick to the catalogue.
TEST_F(ExternalStatusHooks, APickInACatalogueSessionReachesTheCatalogue)
{
    startSession();
    for (const QVariant &item : imagesList.value("imagesArray").toList()) {
        const QString path = item.toMap().value("path").toString();
        QDir().mkpath(QFileInfo(path).path());
        QImage pixels(8, 8, QImage::Format_RGB32);
        pixels.fill(Qt::gray);
        ASSERT_TRUE(pixels.save(path, "JPG"));
    }
    KTTaskRecorder tasks(&storage);
    storage.loadImages();
    ASSERT_TRUE(waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == 1; }));
    drainMainQueue();
    const QList<KTImageMO *> images = storage.images();
    ASSERT_EQ(images.size(), 3);
    EXPECT_FALSE(storage.hasStatusChanges());

    KTImageMO *image = images.first();
    image->setPicked(true);
    storage.processPendingChanges();
    EXPECT_EQ(image->syncStatusBitmask(), 32);
    EXPECT_TRUE(storage.hasStatusChanges());

    EXPECT_EQ(
        awaitCompletion<bool>([&](auto done) { storage.syncImagesStatuses(storage.images(), false, done); }),
        true);
    EXPECT_EQ(KTCatalogFixtures::scalar(catalog,
                                        "SELECT group_concat(ci.image) FROM AgLibraryCollectionImage ci JOIN "
                                        "AgLibraryCollection c ON c.id_local = ci.collection WHERE c.name = "
                                        "'Vireoscope Picks'")
                  .toString(),
              image->externalGUID());
    EXPECT_FALSE(storage.hasStatusChanges());
}
