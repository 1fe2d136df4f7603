// The catalogue's import, time grouping, moving and copying entry points over a catalogue in a
// temporary folder. The similarity search is not installed here (it lives in the layer above);
// tests/analysis/KTDuplicatesSeekerTest.cpp runs the import with it.

#include "KTImageStorage.h"

#include "KTAlert.h"
#include "KTCatalogModel.h"
#include "KTCatalogNotifications.h"
#include "KTFolderMO.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestFiles.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kPairingOption = QStringLiteral("kShowRAWandJPEGAsOneFileOption");

class ImageStorageImport : public ::testing::Test
{
protected:
    ~ImageStorageImport() override
    {
        KTUserDefaults::standardUserDefaults().removeObjectForKey(kPairingOption);
    }

    QString file(const QString &relative) const
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        return path;
    }
    std::shared_ptr<KTObjectContext> context() { return storage.managedObjectContext(); }
    void addSource(const QString &path, const QString &type)
    {
        auto *source = context()->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(path);
        source->setType(type);
    }
    QList<KTImageMO *> images()
    {
        return context()->fetchAs<KTImageMO>({kImageEntityName, {}, {KTSortDescriptor(kImagePathValueKey)}});
    }
    bool waitForTask(const QString &name, int count = 1)
    {
        const bool done = waitUntil([&] { return tasks.count(kTaskDidFinishNotification, name) == count; });
        drainMainQueue();
        return done;
    }

    QTemporaryDir dir;
    KTImageStorage storage{{dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))}};
    KTTaskRecorder tasks{&storage};
};

} // namespace

// RAW+JPEG twins follow the user default read at the call, the catalogue's image list is imported
// and then dropped, and every image gets a time group even without a similarity search.
TEST_F(ImageStorageImport, LoadPairsTwinsByTheDefaultAndDropsTheCatalogueListAfterARun)
{
    const KTExifFields twinFields{{"Exif.Image.Make", "Vireo"},
                                  {"Exif.Image.Model", "Tiny DNG"},
                                  {"Exif.Photo.DateTimeOriginal", "2023:01:02 03:04:05"}};
    ASSERT_TRUE(writeTinyDng(file("p/IMG_0001.DNG")));
    ASSERT_TRUE(writeJpegWithExif(file("p/IMG_0001.JPG"), twinFields));
    ASSERT_TRUE(writeJpegWithExif(file("lib/a.jpg"), twinFields));
    addSource(dir.filePath("p"), kFolderTypeFileSystem);
    addSource(QStringLiteral("lr-node"), kFolderTypeLightroom5);
    storage.setExternalApplicationImages({QVariantMap{
        {"nodeId", "lr-node"},
        {"imagesArray", QVariantList{QVariantMap{{"GUID", "G1"}, {"path", file("lib/a.jpg")}}}}}});
    storage.setFindDuplicatesForAddedImages(true);
    KTUserDefaults::standardUserDefaults().setBool(true, kPairingOption);

    KTLogCapture log;
    storage.loadImages();
    ASSERT_TRUE(waitForTask(kLoadImagesTaskName));

    QStringList loaded;
    for (KTImageMO *image : images()) {
        loaded.append(QDir(dir.path()).relativeFilePath(image->path()) + "|" +
                      QFileInfo(image->duplicateImagePath()).fileName() + "|" + image->externalGUID());
        EXPECT_NE(image->timeGroup(), nullptr);
    }
    EXPECT_EQ(loaded, (QStringList{"lib/a.jpg||G1", "p/IMG_0001.DNG|IMG_0001.JPG|"}));
    EXPECT_TRUE(storage.externalApplicationImages().isEmpty());
    EXPECT_TRUE(log.contains("The similarity search is not connected"));
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kGrouppingImagesByTimeTaskName), 1);

    // The option off: a second load of the same folder keeps the DNG's twin path, but inserts the
    // JPEG as an image of its own.
    KTUserDefaults::standardUserDefaults().setBool(false, kPairingOption);
    storage.loadImages();
    ASSERT_TRUE(waitForTask(kLoadImagesTaskName, 2));
    EXPECT_EQ(images().size(), 3);
}

// A file listed by the external catalogue that is gone is reported to the main window, with the
// catalogue as the object, before the load's finish; the files that were there are loaded.
TEST_F(ImageStorageImport, FilesThatCouldNotBeReadArePostedBeforeTheLoadFinishes)
{
    const KTExifFields fields{{"Exif.Photo.DateTimeOriginal", "2023:01:02 03:04:05"}};
    ASSERT_TRUE(writeJpegWithExif(file("lib/here.jpg"), fields));
    addSource(QStringLiteral("lr-node"), kFolderTypeLightroom5);
    storage.setExternalApplicationImages({QVariantMap{
        {"nodeId", "lr-node"},
        {"imagesArray", QVariantList{QVariantMap{{"GUID", "G1"}, {"path", file("lib/here.jpg")}},
                                     QVariantMap{{"GUID", "G2"}, {"path", file("lib/gone.jpg")}}}}}});
    std::vector<KTNotification> reports;
    int finishesBeforeReport = -1;
    KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        KTFailedToLoadSomeImagesInfo::name(), nullptr, [&](const KTNotification &note) {
            reports.push_back(note);
            finishesBeforeReport = tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName);
        });

    storage.loadImages();
    ASSERT_TRUE(waitForTask(kLoadImagesTaskName));

    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].object, &storage);
    EXPECT_EQ(finishesBeforeReport, 0);
    // The dictionaries the main window reads, under the keys the missing-images sheet shows.
    const QVariantList expected{
        QVariantMap{{"name", "gone.jpg"}, {"thumbnailLoadFailureReasonKey", "The file is no longer there."}}};
    EXPECT_EQ(reports[0].userInfo.value("brokenImages").toList(), expected);
    EXPECT_EQ(KTFailedToLoadSomeImagesInfo::brokenImages(reports[0].userInfo),
              (QList<KTBrokenImage>{{"gone.jpg", "The file is no longer there."}}));
    ASSERT_EQ(images().size(), 1);
    EXPECT_EQ(QFileInfo(images()[0]->path()).fileName(), QStringLiteral("here.jpg"));
}

TEST_F(ImageStorageImport, AnEmptySourceClearsTheSessionThenPostsNoImagesParsed)
{
    QDir().mkpath(dir.filePath("empty"));
    addSource(dir.filePath("empty"), kFolderTypeFileSystem);
    auto alerts = KTScriptedAlertPresenter::install();
    QStringList order;
    storage.setCleanSessionHandler([&](std::function<void()> completion) {
        order.append("clean");
        completion();
    });
    const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        KTImageStorage::kNoImagesParsedNotificationName, &storage,
        [&](const KTNotification &) { order.append("NoImagesParsed"); });

    storage.loadImages();
    ASSERT_TRUE(waitUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QStringList{"clean", "NoImagesParsed"}));
    EXPECT_EQ(alerts->shown().size(), 1u);
}

TEST_F(ImageStorageImport, CopyKeepsTheRecordsAndMoveDeletesThemAndClearsTheUndoStack)
{
    QDir().mkpath(dir.filePath("to"));
    QList<KTImageMO *> added;
    for (const char *name : {"a.jpg", "b.jpg"}) {
        writeFile(file(QStringLiteral("from/") + name), name);
        auto *image = context()->insert<KTImageMO>(kImageEntityName);
        image->setPath(dir.filePath(QStringLiteral("from/") + name));
        added.append(image);
    }
    drainMainQueue();
    ASSERT_TRUE(storage.undoManager()->canUndo());

    // The task announces its end before its context is saved and the undo stack cleared, so the
    // checks wait for those two steps as well.
    storage.copyImages(added, dir.filePath("to"));
    ASSERT_TRUE(waitForTask(kCopyItemsTaskName));
    ASSERT_TRUE(waitUntil([&] { return !storage.undoManager()->canUndo(); }));
    EXPECT_EQ(images().size(), 2);
    EXPECT_EQ(QDir(dir.filePath("to")).entryList(QDir::Files), (QStringList{"a.jpg", "b.jpg"}));

    // "a.jpg" is there already: the user is asked and chooses unique names.
    const std::shared_ptr<KTScriptedAlertPresenter> alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kOtherReturn);
    std::optional<KTImageMover::Report> report;
    storage.moveImages({added[0]}, dir.filePath("to"), [&](const KTImageMover::Report &r) { report = r; });
    ASSERT_TRUE(waitForTask(kMovingItemsTaskName));
    ASSERT_TRUE(waitUntil([&] { return images().size() == 1 && report; }));
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_TRUE(alerts->shown().front().messageText.contains(QStringLiteral("\"a.jpg\"")));
    EXPECT_EQ(report->transferred, 1);
    EXPECT_EQ(report->folder, dir.filePath("to"));
    EXPECT_EQ(images()[0]->path(), dir.filePath("from/b.jpg"));
    EXPECT_EQ(QDir(dir.filePath("to")).entryList(QDir::Files), (QStringList{"a.jpg", "a_1.jpg", "b.jpg"}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("from/a.jpg")));
    EXPECT_EQ(tasks.count(kNumberOfTaskStepsDidCalculateNotification, QString()), 2);

    // A destination that is not a folder: nothing is announced.
    storage.copyImages(images(), dir.filePath("from/b.jpg"));
    drainMainQueue();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kCopyItemsTaskName), 1);

    // The time grouping entry point rebuilds in a child and saves into the main context.
    storage.groupImagesByTimeInterval(10);
    ASSERT_TRUE(waitForTask(kGrouppingImagesByTimeTaskName));
    ASSERT_TRUE(waitUntil([&] { return images()[0]->timeGroup() != nullptr; }));
}
