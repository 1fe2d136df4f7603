#include "KTImageImporter.h"

#include "KTCatalogModel.h"
#include "KTDecodingFixtures.h"
#include "KTFilesManager.h"
#include "KTFolderMO.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTTestFiles.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

KTExifFields shotFields(const std::string &date, const std::string &model = "Tiny DNG")
{
    KTExifFields fields{{"Exif.Image.Make", "Vireo"}, {"Exif.Photo.DateTimeOriginal", date}};
    if (!model.empty())
        fields.push_back({"Exif.Image.Model", model});
    return fields;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writePng(const QString &path)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image.save(path, "PNG");
}

/// A main context with folder sources, the hooks of the catalogue recorded, and a run of the
/// importer that waits for "Loading Images" to finish.
struct ImportFixture
{
    QTemporaryDir dir;
    std::shared_ptr<KTObjectContext> context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    KTCancelablePerformer performer;
    KTTaskRecorder tasks{&performer};
    KTImageImporter::Settings settings;
    KTImageImporter::Hooks hooks;
    QList<QVariantMap> externalImages;
    int cleanSessions = 0;
    int noImagesParsed = 0;
    int noSimilarGroupsFound = 0;
    std::atomic<int> statusSnapshots{0};
    std::atomic<int> mainThreadRecordWork{0};

    ImportFixture()
    {
        hooks.cleanSession = [this](const std::function<void()> &completion) {
            ++cleanSessions;
            if (completion)
                completion();
        };
        hooks.noImagesParsed = [this] { ++noImagesParsed; };
        hooks.noSimilarGroupsFound = [this] { ++noSimilarGroupsFound; };
        hooks.storeImageStatuses = [this](const QList<KTImageMO *> &) {
            ++statusSnapshots;
            if (QThread::currentThread() == qApp->thread())
                ++mainThreadRecordWork;
        };
    }

    QString path(const QString &relative) const { return dir.filePath(relative); }
    /// Makes the parent folders of `relative` and returns its absolute path.
    QString file(const QString &relative) const
    {
        const QString absolute = path(relative);
        QDir().mkpath(QFileInfo(absolute).path());
        return absolute;
    }
    KTFolderMO *addSource(const QString &relative, const QString &type = kFolderTypeFileSystem)
    {
        auto *folder = context->insert<KTFolderMO>(kFolderEntityName);
        folder->setPath(type == kFolderTypeFileSystem ? file(relative + "/") : relative);
        folder->setType(type);
        context->save();
        return folder;
    }
    void run()
    {
        KTImageImporter importer(&performer, &performer, settings, hooks);
        importer.setExternalApplicationImages(externalImages);
        importer.loadImages(context);
        ASSERT_TRUE(
            waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == 1; }));
        drainMainQueue();
    }
    QList<KTImageMO *> images() const
    {
        return context->fetchAs<KTImageMO>({kImageEntityName, {}, {KTSortDescriptor(kImagePathValueKey)}});
    }
    /// Each image as its path relative to the folder, plus "+<twin>" for a paired JPEG.
    QStringList imported() const
    {
        QStringList result;
        const QDir root(dir.path());
        for (KTImageMO *image : images()) {
            QString entry = root.relativeFilePath(image->path());
            if (!image->duplicateImagePath().isEmpty())
                entry += "+" + root.relativeFilePath(image->duplicateImagePath());
            result.append(entry);
        }
        return result;
    }
};

} // namespace

TEST(KTImageImporterTest, AcceptedExtensionsAreTheRasterTypesThisBuildDecodesAndEveryRawType)
{
    const QSet<QString> &accepted = KTImageImporter::acceptedExtensions();
    const QList<QByteArray> decodable = QImageReader::supportedImageFormats();
    const std::pair<const char *, const char *> raster[] = {
        {"jpg", "jpeg"},  {"jpeg", "jpeg"}, {"jpe", "jpeg"}, {"png", "png"},  {"tif", "tiff"},
        {"tiff", "tiff"}, {"bmp", "bmp"},   {"gif", "gif"},  {"webp", "webp"}};
    for (const auto &[extension, format] : raster)
        EXPECT_EQ(accepted.contains(extension), decodable.contains(format)) << extension;
    for (const char *always : {"jpg", "jpeg", "jpe", "png", "x3f", "cr2", "nef", "dng", "arw"})
        EXPECT_TRUE(accepted.contains(always)) << always;
    for (const char *never : {"txt", "svg", "ico", "xcf", "JPG", "heic", ""})
        EXPECT_FALSE(accepted.contains(never)) << never;
}

// The walk: nested folders and upper-case extensions count; hidden names, hidden folders, links
// to folders, pipes, foreign types and folders named like images do not; a dangling link is
// logged and skipped.
TEST(KTImageImporterTest, FolderWalkKeepsOnlyVisibleImageFiles)
{
    ImportFixture f;
    const QString top = f.file("top/");
    for (const char *name :
         {"top/a.jpg", "top/B.JPG", "top/notes.txt", "top/noext", "top/.hidden.jpg", "top/.cache/x.jpg",
          "top/sub/deeper/d.jpeg", "top/folder.jpg/e.png", "top/raw/IMG.NEF"}) {
        QFile file(f.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
    }
    ASSERT_EQ(::symlink(QFile::encodeName(f.path("top/sub")).constData(),
                        QFile::encodeName(f.path("top/link-to-sub")).constData()),
              0);
    ASSERT_EQ(::symlink(QFile::encodeName(f.path("top/a.jpg")).constData(),
                        QFile::encodeName(f.path("top/link.jpg")).constData()),
              0);
    ASSERT_EQ(::symlink("nowhere.jpg", QFile::encodeName(f.path("top/dangling.jpg")).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(f.path("top/pipe.jpg")).constData(), 0600), 0);

    KTLogCapture log;
    QStringList found = KTImageImporter::imagePathsInFolder(top);
    for (QString &path : found)
        path = QDir(top).relativeFilePath(path);
    EXPECT_EQ(found, (QStringList{"B.JPG", "a.jpg", "folder.jpg/e.png", "link.jpg", "raw/IMG.NEF",
                                  "sub/deeper/d.jpeg"}));
    EXPECT_TRUE(log.contains("Error retreiving value for NSURLIsDirectoryKey for URL " +
                             QUrl::fromLocalFile(f.path("top/dangling.jpg")).toString()));

    EXPECT_TRUE(KTImageImporter::imagePathsInFolder(f.path("missing")).isEmpty());
    EXPECT_TRUE(log.contains("Error enumerating directory at URL " +
                             QUrl::fromLocalFile(f.path("missing")).toString() +
                             "url. Error No such file or directory"));
}

TEST(KTImageImporterTest, InsertsRecordsWithTheImportDefaultsAndGroupsThemByTime)
{
    ImportFixture f;
    KTFolderMO *source = f.addSource("photos");
    ASSERT_TRUE(writeJpegWithExif(f.file("photos/IMG_1.jpg"), shotFields("2024:05:06 07:08:09")));
    ASSERT_TRUE(writeJpegWithExif(f.file("photos/day2/IMG_2.JPG"), shotFields("2024:05:06 07:08:10")));
    ASSERT_TRUE(writePng(f.file("photos/day2/plain.png")));
    // Neither a hidden image nor a foreign file is imported.
    ASSERT_TRUE(writeJpegWithExif(f.file("photos/.hidden.jpg"), shotFields("2024:05:06 07:08:09")));
    ASSERT_TRUE(QFile(f.file("photos/notes.txt")).open(QIODevice::WriteOnly));
    std::atomic<int> readsOnMain{0};
    f.hooks.readAttributes = [&](const QString &path) {
        if (QThread::currentThread() == qApp->thread())
            ++readsOnMain;
        return KTFilesManager::imageAttributesAtPath(path);
    };
    f.settings.timeLineInterval = 60;
    f.run();

    EXPECT_EQ(f.imported(),
              (QStringList{"photos/IMG_1.jpg", "photos/day2/IMG_2.JPG", "photos/day2/plain.png"}));
    for (KTImageMO *image : f.images()) {
        SCOPED_TRACE(image->path().toStdString());
        EXPECT_EQ(image->name(), QFileInfo(image->path()).completeBaseName());
        EXPECT_EQ(image->imageID(), KTFilesManager::fileNumberForPath(image->path()));
        EXPECT_EQ(image->imageIndex(), -1);
        EXPECT_EQ(image->originalFileExists(), true);
        EXPECT_EQ(image->syncStatusBitmask(), 0);
        EXPECT_EQ(image->picked(), false);
        EXPECT_EQ(image->rejected(), false);
        EXPECT_FALSE(image->uuid().isEmpty());
        EXPECT_EQ(image->folder(), source);
        EXPECT_EQ(image->size(), quint64(QFileInfo(image->path()).size()));
        EXPECT_TRUE(image->modificationDate().isValid());
        EXPECT_TRUE(image->timeGroup());
    }
    const QList<KTImageMO *> images = f.images();
    EXPECT_EQ(images[0]->timeStamp(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    EXPECT_EQ(images[0]->timeGroup(), images[1]->timeGroup());
    EXPECT_FALSE(images[2]->timeStamp().isValid());
    EXPECT_EQ(images[2]->timeGroup()->timestampIsAbsent(), true);
    EXPECT_EQ(f.context->count({kTimeGroupEntityName, {}, {}}), 2);

    EXPECT_EQ(readsOnMain, 0);
    EXPECT_EQ(f.statusSnapshots, 1);
    EXPECT_EQ(f.mainThreadRecordWork, 0);
    EXPECT_EQ(f.cleanSessions, 0);
    EXPECT_EQ(f.noImagesParsed, 0);
    const QStringList trail = f.tasks.trail();
    EXPECT_EQ(trail, (QStringList{"TaskDidStart:Loading Images", "TaskStepsDidCalculate", "StepDidExecute",
                                  "StepDidExecute", "StepDidExecute", "TaskDidStart:Grouping Images By Time",
                                  "TaskDidFinish:Grouping Images By Time", "TaskDidFinish:Loading Images"}));
    EXPECT_EQ(f.tasks.events().front().userInfo.value(kTaskCancelableStateKey), QVariant(true));
    EXPECT_EQ(f.tasks.events()[1].userInfo.value(kNumberOfTaskStepsForCheckingKey).toInt(), 3);
}

// A second load over the same catalogue adds no second record and keeps what the user decided.
TEST(KTImageImporterTest, AnExistingRecordKeepsItsValues)
{
    ImportFixture f;
    f.addSource("photos");
    ASSERT_TRUE(writeJpegWithExif(f.file("photos/IMG_1.jpg"), shotFields("2024:05:06 07:08:09")));
    f.run();
    ASSERT_EQ(f.images().size(), 1);
    f.images().front()->setPicked(true);
    f.context->save();
    f.tasks.clear();
    f.run();
    ASSERT_EQ(f.images().size(), 1);
    EXPECT_EQ(f.images().front()->picked(), true);
}

TEST(KTImageImporterTest, RawAndJpegPairing)
{
    enum Kind
    {
        Dng,
        Jpeg,
        JpegWithoutModel,
        JpegOneSecondLater,
        Png
    };
    struct Case
    {
        const char *name;
        std::vector<std::pair<const char *, Kind>> files;
        KTRawJpegPairing pairing;
        QStringList expected;
    };
    const Case cases[] = {
        {"a twin pair is one image",
         {{"IMG_0001.DNG", Dng}, {"IMG_0001.JPG", Jpeg}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.DNG+p/IMG_0001.JPG"}},
        {"the option off keeps both",
         {{"IMG_0001.DNG", Dng}, {"IMG_0001.JPG", Jpeg}},
         KTRawJpegPairing::Separate,
         {"p/IMG_0001.DNG", "p/IMG_0001.JPG"}},
        {"shot a second apart",
         {{"IMG_0001.DNG", Dng}, {"IMG_0001.JPG", JpegOneSecondLater}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.DNG", "p/IMG_0001.JPG"}},
        {"camera model missing on one side",
         {{"IMG_0001.DNG", Dng}, {"IMG_0001.JPG", JpegWithoutModel}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.DNG", "p/IMG_0001.JPG"}},
        {"three namesakes are never paired",
         {{"IMG_0001.DNG", Dng}, {"IMG_0001.JPG", Jpeg}, {"IMG_0001.png", Png}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.DNG", "p/IMG_0001.JPG", "p/IMG_0001.png"}},
        {"two JPEGs, neither RAW",
         {{"IMG_0001.JPG", Jpeg}, {"IMG_0001.JPEG", Jpeg}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.JPEG", "p/IMG_0001.JPG"}},
        {"base names differ in case",
         {{"IMG_0001.DNG", Dng}, {"img_0001.jpg", Jpeg}},
         KTRawJpegPairing::OneFile,
         {"p/IMG_0001.DNG", "p/img_0001.jpg"}},
        {"twins in different folders",
         {{"a/IMG_0001.DNG", Dng}, {"b/IMG_0001.JPG", Jpeg}},
         KTRawJpegPairing::OneFile,
         {"p/a/IMG_0001.DNG", "p/b/IMG_0001.JPG"}},
    };
    const std::string date = "2023:01:02 03:04:05"; // writeTinyDng's shot time
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ImportFixture f;
        f.addSource("p");
        for (const auto &[name, kind] : c.files) {
            const QString path = f.file(QStringLiteral("p/") + name);
            bool written = false;
            switch (kind) {
            case Dng:
                written = writeTinyDng(path);
                break;
            case Jpeg:
                written = writeJpegWithExif(path, shotFields(date));
                break;
            case JpegWithoutModel:
                written = writeJpegWithExif(path, shotFields(date, ""));
                break;
            case JpegOneSecondLater:
                written = writeJpegWithExif(path, shotFields("2023:01:02 03:04:06"));
                break;
            case Png:
                written = writePng(path);
                break;
            }
            ASSERT_TRUE(written) << name;
        }
        f.settings.pairing = c.pairing;
        f.run();
        EXPECT_EQ(f.imported(), c.expected);
    }
}

// Cancelled while reading attributes: nothing is inserted, the catalogue keeps its sources, no
// time grouping runs, and the session is cleared.
TEST(KTImageImporterTest, CancelDuringTheAttributeReadingInsertsNothing)
{
    ImportFixture f;
    f.addSource("many");
    const QString first = f.file("many/IMG_000.jpg");
    ASSERT_TRUE(writeJpegWithExif(first, shotFields("2024:01:01 10:00:00")));
    for (int i = 1; i < 60; ++i)
        ASSERT_TRUE(
            QFile::copy(first, f.file(QStringLiteral("many/IMG_%1.jpg").arg(i, 3, 10, QLatin1Char('0')))));
    std::atomic<int> reads{0};
    f.hooks.readAttributes = [&](const QString &path) {
        if (++reads == 5)
            f.performer.cancelCurrentTask();
        return KTFilesManager::imageAttributesAtPath(path);
    };
    f.run();

    EXPECT_LT(reads, 60);
    EXPECT_EQ(f.context->count({kImageEntityName, {}, {}}), 0);
    EXPECT_EQ(f.context->count({kTimeGroupEntityName, {}, {}}), 0);
    EXPECT_EQ(f.context->count({kFolderEntityName, {}, {}}), 1);
    EXPECT_FALSE(f.context->hasChanges());
    EXPECT_EQ(f.cleanSessions, 1);
    EXPECT_EQ(f.statusSnapshots, 0);
    EXPECT_EQ(f.tasks.count(kTaskDidStartNotification, kGrouppingImagesByTimeTaskName), 0);
    EXPECT_EQ(f.tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName), 1);
}

// Cancelled during the similarity search: the inserted records are saved (the session clearing
// removes them), the time grouping is skipped and "no similar groups" is not claimed.
TEST(KTImageImporterTest, CancelDuringTheSimilaritySearchSkipsTheTimeGrouping)
{
    ImportFixture f;
    f.addSource("p");
    ASSERT_TRUE(writeJpegWithExif(f.file("p/a.jpg"), shotFields("2024:01:01 10:00:00")));
    ASSERT_TRUE(writeJpegWithExif(f.file("p/b.jpg"), shotFields("2024:01:01 10:00:01")));
    f.settings.findDuplicatesForAddedImages = true;
    f.hooks.findSimilars = [&](const QVariant &, double, KTObjectContext &) {
        f.performer.cancelCurrentTask();
    };
    f.run();

    EXPECT_EQ(f.context->count({kImageEntityName, {}, {}}), 2);
    EXPECT_EQ(f.context->count({kTimeGroupEntityName, {}, {}}), 0);
    EXPECT_EQ(f.cleanSessions, 1);
    EXPECT_EQ(f.noSimilarGroupsFound, 0);
    EXPECT_EQ(f.statusSnapshots, 0);
}

TEST(KTImageImporterTest, SimilaritySearchRunsInTheLoadingContextOrIsSkippedWithALog)
{
    ImportFixture f;
    f.addSource("p");
    ASSERT_TRUE(writeJpegWithExif(f.file("p/a.jpg"), shotFields("2024:01:01 10:00:00")));
    f.settings.findDuplicatesForAddedImages = true;
    f.settings.accuracyLevel = 3;
    f.settings.timeRange = 30;
    QVariant seenLevel;
    double seenRange = -1;
    qsizetype seenImages = -1;
    f.hooks.findSimilars = [&](const QVariant &level, double range, KTObjectContext &context) {
        seenLevel = level;
        seenRange = range;
        seenImages = context.count({kImageEntityName, {}, {}});
    };
    f.run();
    EXPECT_EQ(seenLevel, QVariant(3));
    EXPECT_EQ(seenRange, 30);
    EXPECT_EQ(seenImages, 1);
    EXPECT_EQ(f.noSimilarGroupsFound, 1);
    EXPECT_EQ(f.context->count({kTimeGroupEntityName, {}, {}}), 1);

    ImportFixture unwired;
    unwired.addSource("p");
    ASSERT_TRUE(writeJpegWithExif(unwired.file("p/a.jpg"), shotFields("2024:01:01 10:00:00")));
    unwired.settings.findDuplicatesForAddedImages = true;
    KTLogCapture log;
    unwired.run();
    EXPECT_TRUE(log.contains("The similarity search is not connected"));
    EXPECT_EQ(unwired.noSimilarGroupsFound, 0);
    EXPECT_EQ(unwired.context->count({kImageEntityName, {}, {}}), 1);
}

TEST(KTImageImporterTest, NoImageFoundWarnsThenClearsTheSessionThenTellsTheCatalogue)
{
    ImportFixture f;
    f.addSource("empty");
    QFile(f.file("empty/notes.txt")).open(QIODevice::WriteOnly);
    auto alerts = KTScriptedAlertPresenter::install();
    std::vector<std::string> order;
    f.hooks.cleanSession = [&](const std::function<void()> &completion) {
        order.push_back("clean");
        completion();
    };
    f.hooks.noImagesParsed = [&] { order.push_back("noImagesParsed"); };
    f.run();
    ASSERT_TRUE(waitUntil([&] { return order.size() == 2; }));

    EXPECT_EQ(order, (std::vector<std::string>{"clean", "noImagesParsed"}));
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown()[0].messageText, "Warning:");
    EXPECT_EQ(alerts->shown()[0].informativeText, "Sorry, no images found at selected location(s).");
    EXPECT_EQ(alerts->shown()[0].buttons, QStringList{"OK"});
    EXPECT_EQ(f.tasks.count(kNumberOfTaskStepsDidCalculateNotification, QString()), 0);
    EXPECT_EQ(f.tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName), 1);
}

// The catalogue pass: the file of an iPhoto image is its original, and its identifier goes to
// the record of that file even when its "path" names another imported file.
TEST(KTImageImporterTest, CatalogueImagesGetTheirExternalIdentifiers)
{
    ImportFixture f;
    f.addSource("library-node", kFolderTypeiPhoto);
    for (const char *name : {"lib/original.jpg", "lib/edited.jpg", "lib/third.jpg"})
        ASSERT_TRUE(writeJpegWithExif(f.file(name), shotFields("2024:01:01 10:00:00")));
    f.externalImages = {
        QVariantMap{{"nodeId", "library-node"},
                    {"imagesArray",
                     QVariantList{
                         QVariantMap{{"GUID", "G1"},
                                     {"OriginalPath", f.path("lib/original.jpg")},
                                     {"path", f.path("lib/edited.jpg")}},
                         QVariantMap{{"VersionUUID", "V2"}, {"path", f.path("lib/edited.jpg")}},
                         QVariantMap{{"idLocal", 42}, {"collectionID", 7}, {"path", f.path("lib/third.jpg")}},
                         QVariantMap{{"GUID", "G4"}, {"path", f.path("lib/missing.jpg")}},
                     }}}};
    KTLogCapture log;
    f.run();

    QStringList identifiers;
    for (KTImageMO *image : f.images())
        identifiers.append(QFileInfo(image->path()).fileName() + "=" + image->externalGUID() + "/" +
                           image->externalCollectionID());
    EXPECT_EQ(identifiers, (QStringList{"edited.jpg=V2/", "original.jpg=G1/", "third.jpg=42/7"}));
    EXPECT_TRUE(log.contains("file not exists at path " + f.path("lib/missing.jpg")));
    EXPECT_TRUE(log.contains("Images paths count 3 differ from images count 4"));
    EXPECT_TRUE(log.contains("No image. Image dictionary"));
    EXPECT_EQ(f.tasks.events()[1].userInfo.value(kNumberOfTaskStepsForCheckingKey).toInt(), 4);
}

// A file found by the walk whose attributes cannot be read (still there, or gone meanwhile) is
// not imported and is reported once, with its reason, on the main thread.
TEST(KTImageImporterTest, FilesWhoseAttributesCannotBeReadAreReportedWithTheirReason)
{
    ImportFixture f;
    f.addSource("photos");
    for (const char *name : {"a.jpg", "locked.jpg", "vanished.jpg"})
        ASSERT_TRUE(
            writeJpegWithExif(f.file(QStringLiteral("photos/") + name), shotFields("2024:05:06 07:08:09")));
    f.hooks.readAttributes = [&](const QString &path) {
        if (path.endsWith("locked.jpg"))
            return QVariantMap();
        if (path.endsWith("vanished.jpg")) {
            QFile::remove(path);
            return QVariantMap();
        }
        return KTFilesManager::imageAttributesAtPath(path);
    };
    QList<QList<KTBrokenImage>> reports;
    bool reportedOnMain = true;
    f.hooks.failedToLoadImages = [&](const QList<KTBrokenImage> &broken) {
        reportedOnMain = reportedOnMain && QThread::currentThread() == qApp->thread();
        reports.append(broken);
    };
    f.run();

    EXPECT_EQ(f.imported(), QStringList{"photos/a.jpg"});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reportedOnMain);
    EXPECT_EQ(reports[0], (QList<KTBrokenImage>{{"locked.jpg", "The file could not be read."},
                                                {"vanished.jpg", "The file is no longer there."}}));
}

TEST(KTImageImporterTest, ACatalogueWhoseFilesAreAllMissingIsReported)
{
    ImportFixture f;
    f.addSource("lr-node", kFolderTypeLightroom5);
    f.externalImages = {QVariantMap{
        {"nodeId", "lr-node"}, {"imagesArray", QVariantList{QVariantMap{{"path", f.path("gone.jpg")}}}}}};
    auto alerts = KTScriptedAlertPresenter::install();
    f.run();
    ASSERT_TRUE(waitUntil([&] { return alerts->shown().size() == 2; }));
    EXPECT_EQ(alerts->shown()[0].messageText, "Failed to load images. Please check if all images exist.");
    EXPECT_TRUE(alerts->shown()[0].informativeText.isEmpty());
    EXPECT_EQ(alerts->shown()[1].informativeText, "Sorry, no images found at selected location(s).");
}

// Files under image names that no reader takes (empty, noise, cut before their description) would
// be records that can be neither seen nor compared, and so would images that decode to nothing
// (cut in their pixels, without any, too large to decode): they are reported, each with its reason, and left
// out. An image without any metadata, and whole images with bytes after their end (a trailer,
// padding, progressive scans), are imported.
TEST(KTImageImporterTest, FilesThatAreNoReadableImageAreReportedAndNotImported)
{
    ImportFixture f;
    f.addSource("card");
    ASSERT_TRUE(writeJpegWithExif(f.file("card/good.jpg"), shotFields("2024:05:06 07:08:09")));
    ASSERT_TRUE(writePng(f.file("card/plain.png")));
    ASSERT_TRUE(
        writeJpegWithExif(f.file("card/large.jpg"), shotFields("2024:05:06 07:08:10"), QSize(800, 600)));
    const QByteArray large = readBytes(f.path("card/large.jpg"));
    ASSERT_TRUE(writeTinyDng(f.file("card/whole.dng")));
    const QByteArray dng = readBytes(f.path("card/whole.dng"));
    QByteArray progressive;
    {
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        ASSERT_TRUE(writer.write(makePhotoLikeImage({320, 240})));
    }
    const QByteArray png = makePng(makePhotoLikeImage({64, 48}));
    // Nothing but EXIF, whose pixel dimension is beyond int, before the end marker.
    ASSERT_TRUE(writeExifOnlyJpeg(f.file("exif-only.jpg"), {{"Exif.Photo.PixelXDimension", "4096798768"}}));
    const QByteArray exifOnly = readBytes(f.path("exif-only.jpg"));
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) % 251);
    const std::pair<const char *, QByteArray> written[] = {
        {"card/empty.jpg", {}},
        {"card/noise.jpg", noise},
        {"card/cut-in-ifd.dng", dng.left(40)},
        {"card/text.nef", "not a raw file"},
        {"card/half.jpg", large.left(large.size() / 2)},
        {"card/progressive-cut.jpg", progressive.left(progressive.size() * 2 / 3)},
        {"card/cut-at-a-chunk.png", png.left(png.size() - 12)},
        {"card/cut-in-a-chunk.png", png.left(png.size() - 20)},
        {"card/huge.png", makePngClaimingSize({100000, 100000})},
        {"card/exif-only.jpg", exifOnly},
        {"card/exif-only-cut.jpg", exifOnly.chopped(2)},
        {"card/trailer.jpg", large + QByteArray("MOTION-PHOTO\xff\xd9-trailer", 22)},
        {"card/padded.jpg", large + QByteArray(300, '\0')},
        {"card/progressive.jpg", progressive + QByteArray(64, '\0')},
    };
    for (const auto &[name, bytes] : written)
        ASSERT_TRUE(writeFileBytes(f.file(name), bytes)) << name;
    QList<KTBrokenImage> reported;
    f.hooks.failedToLoadImages = [&](const QList<KTBrokenImage> &images) { reported += images; };
    f.run();

    EXPECT_EQ(f.imported(),
              (QStringList{"card/good.jpg", "card/large.jpg", "card/padded.jpg", "card/plain.png",
                           "card/progressive.jpg", "card/trailer.jpg", "card/whole.dng"}));
    const QString unreadable = QStringLiteral("The file could not be read.");
    const QString endsEarly = QStringLiteral("Damaged: the image data ends early.");
    EXPECT_EQ(reported, (QList<KTBrokenImage>{{"cut-at-a-chunk.png", endsEarly},
                                              {"cut-in-a-chunk.png", endsEarly},
                                              {"cut-in-ifd.dng", unreadable},
                                              {"empty.jpg", unreadable},
                                              {"exif-only-cut.jpg", endsEarly},
                                              {"exif-only.jpg", "Damaged: the file holds no image data."},
                                              {"half.jpg", endsEarly},
                                              {"huge.png", "Its size exceeds the 2 GiB decoding limit."},
                                              {"noise.jpg", unreadable},
                                              {"progressive-cut.jpg", endsEarly},
                                              {"text.nef", unreadable}}));
}

// A folder under a source that cannot be looked into is reported with why, beside the files, and
// the rest of the source is imported. (As root no permission keeps a folder shut: a path longer
// than the system takes does.)
TEST(KTImageImporterTest, FoldersThatCannotBeReadAreReported)
{
    ImportFixture f;
    f.addSource("card");
    ASSERT_TRUE(writeJpegWithExif(f.file("card/good.jpg"), shotFields("2024:05:06 07:08:09")));
    const QString deepName(250, QLatin1Char('d'));
    KTDeepFolders deep(f.path("card"), deepName, 20);
    ASSERT_TRUE(deep.made());
    QStringList expectedBroken;
    if (::geteuid() != 0) {
        ASSERT_TRUE(QDir().mkpath(f.path("card/private")));
        ASSERT_EQ(::chmod(QFile::encodeName(f.path("card/private")).constData(), 0), 0);
        expectedBroken.append(QStringLiteral("private: Unreadable folder: Permission denied."));
    }
    expectedBroken.append(deepName + QStringLiteral(": Unreadable folder: File name too long."));
    QList<KTBrokenImage> reported;
    f.hooks.failedToLoadImages = [&](const QList<KTBrokenImage> &images) { reported += images; };
    KTLogCapture log;
    f.run();
    ::chmod(QFile::encodeName(f.path("card/private")).constData(), 0700);

    EXPECT_EQ(f.imported(), QStringList{"card/good.jpg"});
    QStringList broken;
    for (const KTBrokenImage &entry : std::as_const(reported)) {
        EXPECT_EQ(entry.kind, KTBrokenImage::Kind::Folder);
        broken.append(entry.name + QStringLiteral(": ") + entry.reason);
    }
    broken.sort();
    EXPECT_EQ(broken, expectedBroken);
}
