#include "KTFilesManager.h"

#include "KTImageFixtures.h"
#include "KTTestFiles.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

KTFilesManager &manager()
{
    return KTFilesManager::sharedManager();
}

// The session store makes the application-support folder before anything asks for a cache folder.
void makeApplicationFolder()
{
    ASSERT_TRUE(QDir().mkpath(manager().applicationFilesDirectoryPath()));
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void setModificationTime(const QString &path, const QDateTime &time)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

} // namespace

TEST(KTFilesManagerTest, ApplicationFoldersAreNamedByTheBundleIdentifier)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_EQ(manager().applicationFilesDirectoryPath(), data + "/com.brontwell.vireoscope");
    EXPECT_EQ(manager().oldApplicationFilesDirectoryPath(), data + "/com.brontwell.vireoscope_1.0.0");
    EXPECT_EQ(manager().imagesSimilarityLevelsDataFilePath(),
              data + "/com.brontwell.vireoscope/ImagesSimilarityLevels.data");
    EXPECT_FALSE(QFileInfo::exists(manager().imagesSimilarityLevelsDataFilePath()));
}

TEST(KTFilesManagerTest, FolderGettersCreateTheirFolderOnceAndKeepThePath)
{
    makeApplicationFolder();
    const QString root = manager().applicationFilesDirectoryPath() + "/";
    struct Case
    {
        QString (KTFilesManager::*getter)();
        const char *name;
    };
    const Case cases[] = {
        {&KTFilesManager::thumbnailsDirectoryPath, "Thumbnails"},
        {&KTFilesManager::thumbnailsLargeDirectoryPath, "ThumbnailsLarge"},
        {&KTFilesManager::thumbnailsSmallDirectoryPath, "ThumbnailsSmall"},
        {&KTFilesManager::hashesDirectoryPath, "Hashes"},
        {&KTFilesManager::focusMaskPixelsDirectoryPath, "FocusMaksPixels"},
        {&KTFilesManager::focusedRegionsDirectoryPath, "FocusedRegions"},
        {&KTFilesManager::entitiesDirectoryPath, "Entities"},
    };
    for (const auto &c : cases) {
        const QString first = (manager().*c.getter)();
        EXPECT_EQ(first, root + c.name);
        EXPECT_TRUE(QFileInfo(first).isDir()) << c.name;
        EXPECT_EQ((manager().*c.getter)(), first) << c.name;
    }
}

TEST(KTFilesManagerTest, OnlyTheEntitiesFolderIsRecreatedWhenRemovedFromOutside)
{
    makeApplicationFolder();
    const QString entities = manager().entitiesDirectoryPath();
    const QString hashes = manager().hashesDirectoryPath();
    ASSERT_TRUE(QDir(entities).removeRecursively());
    ASSERT_TRUE(QDir(hashes).removeRecursively());

    EXPECT_EQ(manager().entitiesDirectoryPath(), entities);
    EXPECT_TRUE(QFileInfo(entities).isDir());
    EXPECT_EQ(manager().hashesDirectoryPath(), hashes);
    EXPECT_FALSE(QFileInfo::exists(hashes));
    ASSERT_TRUE(manager().deleteAndRecreateImageFoldersWithError());
}

TEST(KTFilesManagerTest, ClearingRemovesTheImageFoldersAndTheNextRequestMakesThemAfresh)
{
    makeApplicationFolder();
    writeFile(manager().hashesDirectoryPath() + "/123", "signature");
    writeFile(manager().entitiesDirectoryPath() + "/456", "entity");
    writeFile(manager().focusedRegionsDirectoryPath() + "/uuid", "regions");
    writeFile(manager().imagesSimilarityLevelsDataFilePath(), "levels");

    QString error;
    EXPECT_TRUE(manager().deleteAndRecreateImageFoldersWithError(&error));
    EXPECT_TRUE(error.isEmpty());
    const QString root = manager().applicationFilesDirectoryPath();
    for (const char *name : {"Thumbnails", "ThumbnailsLarge", "ThumbnailsSmall", "Hashes", "Entities"})
        EXPECT_FALSE(QFileInfo::exists(root + "/" + name)) << name;
    // Not the clearing's business.
    EXPECT_TRUE(QFileInfo::exists(manager().focusedRegionsDirectoryPath() + "/uuid"));
    EXPECT_TRUE(QFileInfo::exists(manager().imagesSimilarityLevelsDataFilePath()));

    EXPECT_TRUE(QFileInfo(manager().hashesDirectoryPath()).isDir());
    EXPECT_TRUE(entries(manager().hashesDirectoryPath()).isEmpty());
    QFile::remove(manager().imagesSimilarityLevelsDataFilePath());
}

TEST(KTFilesManagerTest, PerImageCachePathsAreNamedByTheFileNumber)
{
    makeApplicationFolder();
    QTemporaryDir dir;
    const QString image = dir.filePath("IMG_0001.JPG");
    writeFile(image, "image");
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(image).constData(), &info), 0);
    const QString number = QString::number(info.st_ino);

    EXPECT_EQ(KTFilesManager::fileNumberForPath(image), quint64(info.st_ino));
    EXPECT_EQ(manager().thumbnailPathForImageAtPath(image),
              manager().thumbnailsDirectoryPath() + "/" + number);
    EXPECT_EQ(manager().thumbnailLargePathForImageAtPath(image),
              manager().thumbnailsLargeDirectoryPath() + "/" + number);
    EXPECT_EQ(manager().thumbnailSmallPathForImageAtPath(image),
              manager().thumbnailsSmallDirectoryPath() + "/" + number);
    EXPECT_EQ(manager().hashPathForImageAtPath(image), manager().hashesDirectoryPath() + "/" + number);
    EXPECT_EQ(manager().thumbnailSmallPathForImageAtPath(image, {{"NSFileSystemFileNumber", quint64(77)}}),
              manager().thumbnailsSmallDirectoryPath() + "/77");
    EXPECT_EQ(KTFilesManager::fileAttributesAtPath(image).value("NSFileSystemFileNumber").toULongLong(),
              quint64(info.st_ino));
    EXPECT_EQ(manager().lowResImagePathFromPath(image),
              manager().thumbnailsSmallDirectoryPath() + "/IMG_0001.JPG");
    EXPECT_EQ(manager().focusedRegionsCachePathForImageWidthUIID("A-B"),
              manager().focusedRegionsDirectoryPath() + "/A-B");

    // No file, no number: never the folder itself, which a writer would then try to replace.
    const QString missing = dir.filePath("gone.jpg");
    EXPECT_FALSE(KTFilesManager::fileNumberForPath(missing).has_value());
    EXPECT_TRUE(manager().hashPathForImageAtPath(missing).isEmpty());
}

TEST(KTFilesManagerTest, ReplaceSwapsInACopyAndKeepsTheSourceAndItsModificationTime)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("source/a.jpg");
    const QString destination = dir.filePath("a.jpg");
    QDir().mkpath(dir.filePath("source"));
    writeFile(source, "new content");
    writeFile(destination, "old");
    const QDateTime shot(QDate(2020, 2, 3), QTime(4, 5, 6));
    setModificationTime(source, shot);

    KTFilesManager::replaceFileAtPath(destination, source);

    EXPECT_EQ(readFile(destination), "new content");
    EXPECT_EQ(readFile(source), "new content");
    EXPECT_EQ(QFileInfo(destination).lastModified(), shot);
    EXPECT_EQ(entries(dir.path()), QStringList{"a.jpg"}); // no temporary left behind
}

// Replacing a file by itself used to remove it before copying it onto itself.
TEST(KTFilesManagerTest, ReplacingAFileWithItselfLeavesItIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, "precious");
    ASSERT_TRUE(QFile::link(path, dir.filePath("link.jpg")));

    KTLogCapture log;
    for (const QString &other : {path, dir.path() + "/./a.jpg", dir.filePath("link.jpg")}) {
        KTFilesManager::replaceFileAtPath(path, other);
        EXPECT_EQ(readFile(path), "precious") << other.toStdString();
    }
    EXPECT_TRUE(log.contains("with itself"));
    EXPECT_EQ(entries(dir.path()), (QStringList{"a.jpg", "link.jpg"}));
}

TEST(KTFilesManagerTest, AFailedReplaceLeavesTheDestinationIntact)
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("a.jpg");
    writeFile(destination, "precious");
    QDir().mkpath(dir.filePath("folder"));

    KTLogCapture log;
    for (const QString &source : {dir.filePath("missing.jpg"), dir.filePath("folder")}) {
        KTFilesManager::replaceFileAtPath(destination, source);
        EXPECT_EQ(readFile(destination), "precious") << source.toStdString();
    }
    EXPECT_TRUE(log.contains("Failed to copy/move file with error"));
    EXPECT_EQ(entries(dir.path()), QStringList{"a.jpg"});
}

TEST(KTFilesManagerTest, UniqueNameCopyTakesTheFirstFreeNameFromTheSourceName)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("from"));
    QDir().mkpath(dir.filePath("to"));
    const QString source = dir.filePath("from/IMG_0001.CR2");
    writeFile(source, "raw");
    writeFile(dir.filePath("to/IMG_0001.CR2"), "first");
    writeFile(dir.filePath("to/IMG_0001_1.CR2"), "second");
    const QDateTime shot(QDate(2021, 7, 8), QTime(9, 10, 11));
    setModificationTime(source, shot);

    // The base comes from the source even when the destination names something else.
    KTFilesManager::copyFileWithUniqueNameAtPath(source, dir.filePath("to/IMG_0001.CR2"));
    KTFilesManager::copyFileWithUniqueNameAtPath(source, dir.filePath("to/IMG_0001_1.CR2"));
    KTFilesManager::copyFileWithUniqueNameAtPath(source, dir.filePath("to/fresh.CR2"));

    EXPECT_EQ(entries(dir.filePath("to")), (QStringList{"IMG_0001.CR2", "IMG_0001_1.CR2", "IMG_0001_2.CR2",
                                                        "IMG_0001_3.CR2", "fresh.CR2"}));
    EXPECT_EQ(readFile(dir.filePath("to/IMG_0001.CR2")), "first");
    EXPECT_EQ(readFile(dir.filePath("to/IMG_0001_1.CR2")), "second");
    EXPECT_EQ(readFile(dir.filePath("to/IMG_0001_2.CR2")), "raw");
    EXPECT_EQ(readFile(dir.filePath("to/fresh.CR2")), "raw");
    EXPECT_EQ(QFileInfo(dir.filePath("to/IMG_0001_2.CR2")).lastModified(), shot);
    EXPECT_EQ(readFile(source), "raw");

    const QString bare = dir.filePath("from/README");
    writeFile(bare, "text");
    writeFile(dir.filePath("to/README"), "other");
    KTFilesManager::copyFileWithUniqueNameAtPath(bare, dir.filePath("to/README"));
    EXPECT_EQ(readFile(dir.filePath("to/README_1")), "text");
}

TEST(KTFilesManagerTest, AFailedUniqueNameCopyLeavesNothingBehind)
{
    QTemporaryDir dir;
    KTLogCapture log;
    KTFilesManager::copyFileWithUniqueNameAtPath(dir.filePath("missing.jpg"), dir.filePath("copy.jpg"));
    EXPECT_TRUE(log.contains("Failed to copy/move file with error"));
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

// A file that appears at the chosen name while the copy or move runs is never overwritten: the
// name is claimed when the file lands, and the next candidate is taken.
TEST(KTFilesManagerTest, AFileThatAppearsAtTheDestinationMeanwhileIsNeverOverwritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("to"));
    const QString folder = dir.filePath("to");
    using Transfer =
        QString (*)(const QString &, const QString &, const KTFilesManager::FreeNameCandidates &, QString *);
    const std::pair<const char *, Transfer> transfers[] = {{"copy", &KTFilesManager::copyFileToFreeName},
                                                           {"move", &KTFilesManager::moveFileToFreeName}};
    for (const auto &[name, transfer] : transfers) {
        SCOPED_TRACE(name);
        const QString source = dir.filePath(QStringLiteral("%1.jpg").arg(name));
        writeFile(source, "image");
        const QString first = folder + QStringLiteral("/%1.jpg").arg(name);
        const QString second = folder + QStringLiteral("/%1 2.jpg").arg(name);
        const auto candidates = [&](quint64 n) -> QString {
            if (n == 0) {
                writeFile(first, "arrived meanwhile");
                return first;
            }
            return n == 1 ? second : QString();
        };
        QString error;
        EXPECT_EQ(transfer(source, folder, candidates, &error), second);
        EXPECT_EQ(readFile(first), "arrived meanwhile");
        EXPECT_EQ(readFile(second), "image");
        EXPECT_EQ(QFileInfo::exists(source), QLatin1String(name) == QLatin1String("copy"));
        // Every candidate taken: a failure with its reason, and nothing left behind.
        const QString again = dir.filePath(QStringLiteral("again-%1.jpg").arg(name));
        writeFile(again, "again");
        EXPECT_TRUE(transfer(
                        again, folder, [&](quint64 n) { return n == 0 ? first : QString(); }, &error)
                        .isEmpty());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(again));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST(KTFilesManagerTest, ConflictAlertActsOnTheAnswerAndReportsIt)
{
    using Answer = KTFilesManager::ConflictAnswer;
    struct Case
    {
        int returnCode;
        bool applyToAll;
        Answer expected;
        const char *destinationAfter;
        bool uniqueCopyMade;
    };
    const Case cases[] = {
        {KTAlert::kDefaultReturn, false, Answer::Cancel, "old", false},
        {KTAlert::kDefaultReturn, true, Answer::Cancel, "old", false},
        {KTAlert::kAlternateReturn, false, Answer::AskAgain, "new", false},
        {KTAlert::kAlternateReturn, true, Answer::ReplaceAll, "new", false},
        {KTAlert::kOtherReturn, false, Answer::AskAgain, "old", true},
        {KTAlert::kOtherReturn, true, Answer::UseUniqueNamesAll, "old", true},
        {42, true, Answer::AskAgain, "old", false},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("from"));
        const QString source = dir.filePath("from/photo.jpg");
        const QString destination = dir.filePath("photo.jpg");
        writeFile(source, "new");
        writeFile(destination, "old");
        auto presenter = KTScriptedAlertPresenter::install();
        presenter->answer(c.returnCode, c.applyToAll);

        EXPECT_EQ(manager().askUserToReplaceFileAtPath(destination, source), c.expected) << c.returnCode;
        EXPECT_EQ(readFile(destination), c.destinationAfter) << c.returnCode;
        EXPECT_EQ(QFileInfo::exists(dir.filePath("photo_1.jpg")), c.uniqueCopyMade) << c.returnCode;
        EXPECT_EQ(readFile(source), "new");

        ASSERT_EQ(presenter->shown().size(), 1u);
        const KTAlert alert = presenter->shown().front();
        EXPECT_EQ(alert.messageText,
                  QString::fromUtf8("An item named \"photo.jpg\"  already exists in this location. "
                                    "Do you want to replace it with the one you’re moving?"));
        EXPECT_EQ(alert.buttons, (QStringList{"Cancel", "Replace", "Use unique names"}));
        EXPECT_EQ(alert.buttonCodes, KTAlert::ButtonCodes::Classic);
        EXPECT_TRUE(alert.informativeText.isEmpty());
        EXPECT_TRUE(alert.showsSuppressionButton);
        EXPECT_EQ(alert.suppressionButtonTitle, "Apply to all");
    }
}

TEST(KTFilesManagerTest, ImageAttributesCarryTheMetadataThatIsThere)
{
    QTemporaryDir dir;
    const std::string longModel(200, 'M');
    const QDateTime shot(QDate(2024, 5, 6), QTime(7, 8, 9));
    const QDateTime tiffDate(QDate(2024, 1, 2), QTime(3, 4, 5));
    struct Case
    {
        const char *name;
        KTExifFields exif;
        QDateTime creation; // null: the file's own creation date
        QDateTime timeStamp;
        double exposure; // 0: absent
        QString maker;
        QString model;
    };
    const Case cases[] = {
        {"full.jpg",
         {{"Exif.Image.Make", "Canon"},
          {"Exif.Image.Model", "EOS R5"},
          {"Exif.Image.DateTime", "2024:01:02 03:04:05"},
          {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
          {"Exif.Photo.ExposureTime", "1/250"}},
         shot,
         shot,
         0.004,
         "Canon",
         "EOS R5"},
        {"tiff-date-only.jpg", {{"Exif.Image.DateTime", "2024:01:02 03:04:05"}}, tiffDate, {}, 0, {}, {}},
        {"no-exif.jpg", {}, {}, {}, 0, {}, {}},
        {"long-model.jpg",
         {{"Exif.Image.Model", longModel}},
         {},
         {},
         0,
         {},
         QString::fromStdString(longModel)},
        {"bad-date.jpg",
         {{"Exif.Photo.DateTimeOriginal", "2024:13:45 99:00:00"}, {"Exif.Image.Make", "Nikon"}},
         {},
         {},
         0,
         "Nikon",
         {}},
        {"slow.jpg", {{"Exif.Photo.ExposureTime", "2/1"}}, {}, {}, 2.0, {}, {}},
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeJpegWithExif(path, c.exif)) << c.name;
        const QVariantMap file = KTFilesManager::fileAttributesAtPath(path);
        const QVariantMap a = KTFilesManager::imageAttributesAtPath(path);

        EXPECT_EQ(a.value("NSFileModificationDate"), file.value("NSFileModificationDate")) << c.name;
        EXPECT_EQ(a.value("NSFileSize").toULongLong(), quint64(QFileInfo(path).size())) << c.name;
        EXPECT_EQ(a.value("NSFileCreationDate").toDateTime(),
                  c.creation.isValid() ? c.creation : file.value("NSFileCreationDate").toDateTime())
            << c.name;
        EXPECT_EQ(a.value("KTImageIsRaw"), QVariant(false)) << c.name;
        EXPECT_EQ(a.value("TimeStamp").toDateTime(), c.timeStamp) << c.name;
        EXPECT_EQ(a.contains("ExposureTime"), c.exposure != 0) << c.name;
        EXPECT_DOUBLE_EQ(a.value("ExposureTime").toDouble(), c.exposure) << c.name;
        EXPECT_EQ(a.value("CameraMaker").toString(), c.maker) << c.name;
        EXPECT_EQ(a.value("CameraModel").toString(), c.model) << c.name;
        EXPECT_EQ(a.contains("CameraModel"), !c.model.isEmpty()) << c.name;
        EXPECT_EQ(a.contains("TimeStamp"), c.timeStamp.isValid()) << c.name;
    }
}

TEST(KTFilesManagerTest, ImageAttributesOfATinyDngMarkItRaw)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("IMG_0002.DNG");
    ASSERT_TRUE(writeTinyDng(path));
    const QVariantMap a = KTFilesManager::imageAttributesAtPath(path);
    const QDateTime shot(QDate(2023, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(a.value("KTImageIsRaw"), QVariant(true));
    EXPECT_EQ(a.value("CameraMaker").toString(), "Vireo");
    EXPECT_EQ(a.value("CameraModel").toString(), "Tiny DNG");
    EXPECT_EQ(a.value("TimeStamp").toDateTime(), shot);
    EXPECT_EQ(a.value("NSFileCreationDate").toDateTime(), shot);
    EXPECT_DOUBLE_EQ(a.value("ExposureTime").toDouble(), 1.0 / 125);
}

// Files that are cut short, empty or no image at all still give their dates and size.
TEST(KTFilesManagerTest, BrokenFilesGiveTheFileAttributesAlone)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.jpg");
    ASSERT_TRUE(
        writeJpegWithExif(good, cameraExifFields(QSize(64, 48)), QSize(64, 48), KTExifThumbnail::Embedded));
    const QByteArray jpeg = readFile(good);
    const QString dng = dir.filePath("good.dng");
    ASSERT_TRUE(writeTinyDng(dng));
    const QByteArray raw = readFile(dng);

    struct Case
    {
        const char *name;
        QByteArray content;
        bool isRaw;
    };
    const Case cases[] = {
        {"empty.jpg", {}, false},
        {"soi-only.jpg", jpeg.left(2), false},
        {"cut-in-exif.jpg", jpeg.left(60), false},
        {"garbage.jpg", QByteArray(4096, '\x5a'), false},
        {"text.cr2", "not a raw file", true},
        {"cut-in-ifd.dng", raw.left(40), true},
        {"notes.txt", "hello", false},
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(c.name);
        writeFile(path, c.content);
        const QVariantMap a = KTFilesManager::imageAttributesAtPath(path);
        EXPECT_EQ(QStringList(a.keys()),
                  (QStringList{"KTImageIsRaw", "NSFileCreationDate", "NSFileModificationDate", "NSFileSize"}))
            << c.name;
        EXPECT_EQ(a.value("KTImageIsRaw").toBool(), c.isRaw) << c.name;
        EXPECT_EQ(a.value("NSFileSize").toLongLong(), c.content.size()) << c.name;
        EXPECT_EQ(a.value("NSFileCreationDate"),
                  KTFilesManager::fileAttributesAtPath(path).value("NSFileCreationDate"))
            << c.name;
    }
    // A JPEG cut in its pixels still has its metadata.
    const QString whole = dir.filePath("whole.jpg");
    ASSERT_TRUE(writeJpegWithExif(whole, cameraExifFields(QSize(800, 600)), QSize(800, 600)));
    const QByteArray large = readFile(whole);
    const QString half = dir.filePath("half.jpg");
    writeFile(half, large.left(large.size() / 2));
    EXPECT_EQ(KTFilesManager::imageAttributesAtPath(half).value("CameraMaker").toString(), "Canon");

    EXPECT_TRUE(KTFilesManager::imageAttributesAtPath(dir.filePath("missing.jpg")).isEmpty());
    EXPECT_TRUE(KTFilesManager::imageAttributesAtPath(QString()).isEmpty());
}

// Many Linux file systems keep no birth time (procfs never does): the creation date is then the
// modification time, never nothing; where one is kept, it is the birth time.
TEST(KTFilesManagerTest, CreationDateIsTheBirthTimeElseTheModificationTime)
{
    const QString noBirthTime = QStringLiteral("/proc/self/status");
    ASSERT_FALSE(QFileInfo(noBirthTime).birthTime().isValid())
        << "the fixture's file system keeps birth times";
    const QDateTime created = KTFilesManager::fileCreationDate(noBirthTime);
    ASSERT_TRUE(created.isValid());
    EXPECT_EQ(created.toMSecsSinceEpoch(), QFileInfo(noBirthTime).lastModified().toMSecsSinceEpoch());
    EXPECT_EQ(KTFilesManager::fileAttributesAtPath(noBirthTime).value("NSFileCreationDate").toDateTime(),
              created);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    writeFile(path, "jpeg");
    const QDateTime birth = QFileInfo(path).birthTime();
    if (birth.isValid()) {
        EXPECT_EQ(KTFilesManager::fileCreationDate(path).toMSecsSinceEpoch(), birth.toMSecsSinceEpoch());
    }
    EXPECT_FALSE(KTFilesManager::fileCreationDate(dir.filePath(QStringLiteral("missing.jpg"))).isValid());
}
