#include "KTCatalogReader.h"
#include "KTExternalImagesManager.h"

#include "KTCatalogFixtures.h"
#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageImporter.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTSqliteDatabase.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace {

QStringList namesOf(const QList<KTCatalogNode> &nodes)
{
    QStringList names;
    for (const KTCatalogNode &node : nodes)
        names.append(node.name);
    return names;
}

const KTCatalogNode *nodeNamed(const QList<KTCatalogNode> &nodes, const QString &name)
{
    for (const KTCatalogNode &node : nodes) {
        if (node.name == name)
            return &node;
    }
    return nullptr;
}

/// Runs the session import over one catalogue image list, as a catalogue session's loading
/// does, with a small JPEG at each listed file; returns "<file name>=<externalGUID>/<collection>"
/// per record, sorted by path.
QStringList importedIdentifiers(const QVariantMap &imagesList)
{
    const QString fileKey = imagesList.value("importSource") == "iPhoto" ? "OriginalPath" : "path";
    for (const QVariant &item : imagesList.value("imagesArray").toList()) {
        const QString path = item.toMap().value(fileKey).toString();
        QDir().mkpath(QFileInfo(path).path());
        QImage pixels(8, 8, QImage::Format_RGB32);
        pixels.fill(Qt::gray);
        EXPECT_TRUE(pixels.save(path, "JPG")) << path.toStdString();
    }

    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *source = context->insert<KTFolderMO>(kFolderEntityName);
    source->setPath(imagesList.value("nodeId").toString());
    source->setType(imagesList.value("importSource").toString());
    source->setMediaSource(imagesList.value("mediaSource").toString());
    context->save();

    KTCancelablePerformer performer;
    KTTaskRecorder tasks(&performer);
    KTImageImporter::Hooks hooks;
    hooks.cleanSession = [](const std::function<void()> &completion) {
        if (completion)
            completion();
    };
    KTImageImporter importer(&performer, &performer, {}, hooks);
    importer.setExternalApplicationImages({imagesList});
    importer.loadImages(context);
    EXPECT_TRUE(waitUntil([&] { return tasks.count(kTaskDidFinishNotification, kLoadImagesTaskName) == 1; }));
    drainMainQueue();

    QStringList identifiers;
    for (const KTImageMO *image :
         context->fetchAs<KTImageMO>({kImageEntityName, {}, {KTSortDescriptor(kImagePathValueKey)}})) {
        EXPECT_EQ(image->folder(), source);
        identifiers.append(QFileInfo(image->path()).fileName() + "=" + image->externalGUID() + "/" +
                           image->externalCollectionID());
    }
    return identifiers;
}

} // namespace

TEST(KTCatalogReaderTest, LightroomFoldersAndCollectionsDeliverTheirImageLists)
{
    QTemporaryDir dir;
    const QString catalog = KTCatalogFixtures::createLightroomCatalog(dir.path());
    KTCatalogReader reader(catalog);
    EXPECT_EQ(reader.importSource(), "Lightroom5");

    const KTCatalogReader::NodesResult result = reader.nodes();
    ASSERT_TRUE(result.ok) << result.errorMessage.toStdString();
    // The smart collection is not offered.
    EXPECT_EQ(namesOf(result.nodes), (QStringList{"Family", "Photos", "Photos/Trip"}));
    const KTCatalogNode *trip = nodeNamed(result.nodes, "Photos/Trip");
    ASSERT_NE(trip, nullptr);
    EXPECT_EQ(trip->countOfBindableObjects, 10);
    EXPECT_EQ(trip->topLevelNodeName, "Lightroom Catalog");
    EXPECT_EQ(trip->kind, KTCatalogNode::Kind::Folder);

    const auto list = reader.imagesListForNode(trip->identifier);
    ASSERT_TRUE(list.ok) << list.errorMessage.toStdString();
    EXPECT_EQ(list.imagesList.value("nodeId").toString(), trip->identifier);
    EXPECT_EQ(list.imagesList.value("importSource").toString(), "Lightroom5");
    EXPECT_EQ(list.imagesList.value("mediaSource").toString(), catalog);
    EXPECT_EQ(list.imagesList.value("importSourceName").toString(), "Photos/Trip");
    EXPECT_EQ(list.imagesList.value("topLevelNodeName").toString(), "Lightroom Catalog");
    const QVariantList images = list.imagesList.value("imagesArray").toList();
    ASSERT_EQ(images.size(), 10);
    const QVariantMap first = images.first().toMap();
    EXPECT_EQ(first.value("path").toString(), QDir(dir.path()).filePath("Photos/Trip/IMG_0021.JPG"));
    EXPECT_EQ(first.value("idLocal").toLongLong(), 121);
    EXPECT_EQ(first.value("collectionID").toLongLong(), 12);
    EXPECT_FALSE(first.contains("GUID"));
    EXPECT_FALSE(first.contains("VersionUUID"));

    const KTCatalogNode *family = nodeNamed(result.nodes, "Family");
    ASSERT_NE(family, nullptr);
    const auto familyList = reader.imagesListForNode(family->identifier);
    ASSERT_TRUE(familyList.ok);
    const QVariantList familyImages = familyList.imagesList.value("imagesArray").toList();
    ASSERT_EQ(familyImages.size(), 3);
    EXPECT_EQ(familyImages[2].toMap().value("path").toString(),
              QDir(dir.path()).filePath("Photos/IMG_0003.JPG"));
    EXPECT_EQ(familyImages[2].toMap().value("collectionID").toLongLong(), 500);
}

TEST(KTCatalogReaderTest, LightroomVersionComesFromTheCatalogue)
{
    QTemporaryDir dir;
    struct Case
    {
        QString dbVersion;
        QString importSource;
    };
    for (const Case &c :
         {Case{"0400020", "Lightroom4"}, Case{"0500025", "Lightroom5"}, Case{"0300025", ""}}) {
        const QString catalog =
            KTCatalogFixtures::createLightroomCatalog(dir.path(), 1234, c.dbVersion + ".lrcat", c.dbVersion);
        EXPECT_EQ(KTCatalogReader(catalog).importSource(), c.importSource);
    }
    EXPECT_FALSE(KTCatalogReader(dir.filePath("0300025.lrcat")).nodes().ok);
}

// The major version comes from the version table alone: a catalogue without a version, a file
// that is no database and a missing file are no version at all, the last two with a reason.
TEST(KTCatalogReaderTest, LightroomMajorVersionIsReadFromTheVersionTable)
{
    QTemporaryDir dir;
    const QString lightroom3 = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "3.lrcat", "0300025");
    const QString lightroom5 = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "5.lrcat");
    const QString unversioned = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "none.lrcat");
    KTCatalogFixtures::execute(unversioned,
                               "DELETE FROM Adobe_variablesTable WHERE name = 'Adobe_DBVersion'");
    const QString garbage = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "garbage.lrcat");
    KTCatalogFixtures::corrupt(garbage);
    struct Case
    {
        QString path;
        int major;
        bool hasReason;
    };
    for (const Case &c : {Case{lightroom3, 3, false}, Case{lightroom5, 5, false}, Case{unversioned, 0, false},
                          Case{garbage, 0, true}, Case{dir.filePath("missing.lrcat"), 0, true}}) {
        SCOPED_TRACE(c.path.toStdString());
        QString reason = "stale";
        EXPECT_EQ(KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(c.path, &reason), c.major);
        EXPECT_EQ(!reason.isEmpty(), c.hasReason) << reason.toStdString();
    }
    EXPECT_EQ(KTCatalogReader(unversioned).importSource(), "");
    const auto unreadable = KTCatalogReader(garbage).nodes();
    EXPECT_FALSE(unreadable.ok);
    EXPECT_TRUE(unreadable.errorMessage.contains("cannot be read")) << unreadable.errorMessage.toStdString();
}

// A catalogue another program holds locked is still read (as its file stands), its version and
// its nodes; and reading a catalogue kept in WAL mode, refused or not, leaves no -wal or -shm
// file of ours beside it.
TEST(KTCatalogReaderTest, ALockedCatalogueIsReadAndNoSideFilesStay)
{
    QTemporaryDir dir;
    const QString locked = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1, "Locked.lrcat");
    {
        KTSqliteDatabase holder;
        ASSERT_TRUE(holder.open(locked, KTSqliteDatabase::Mode::ReadWrite));
        ASSERT_TRUE(holder.execute("BEGIN EXCLUSIVE"));
        QString reason;
        EXPECT_EQ(KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(locked, &reason), 5)
            << reason.toStdString();
        const KTCatalogReader::NodesResult nodes = KTCatalogReader(locked).nodes();
        EXPECT_TRUE(nodes.ok) << nodes.errorMessage.toStdString();
        EXPECT_FALSE(nodes.nodes.isEmpty());
        holder.execute("ROLLBACK");
    }

    for (const char *version : {"0600008", "0500025"}) {
        SCOPED_TRACE(version);
        const QString catalog = KTCatalogFixtures::createLightroomCatalog(
            dir.path(), 1, QString::fromLatin1(version) + ".lrcat", QString::fromLatin1(version));
        KTCatalogFixtures::execute(catalog, "PRAGMA journal_mode = WAL");
        ASSERT_FALSE(QFile::exists(catalog + "-wal"));
        KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(catalog);
        KTCatalogReader(catalog).nodes();
        EXPECT_FALSE(QFile::exists(catalog + "-wal"));
        EXPECT_FALSE(QFile::exists(catalog + "-shm"));
    }
}

TEST(KTCatalogReaderTest, LibraryProjectsDeliverTheirVersions)
{
    QTemporaryDir dir;
    for (const QString kind : {"iPhoto", "Aperture"}) {
        SCOPED_TRACE(kind.toStdString());
        const QString library = KTCatalogFixtures::createAppleLibrary(dir.path(), kind, kind + " Library");
        KTCatalogFixtures::execute(KTCatalogFixtures::appleDatabasePath(library),
                                   "UPDATE RKVersion SET isInTrash = 1 WHERE uuid = 'V22'");
        KTCatalogReader reader(library);
        EXPECT_EQ(reader.importSource(), kind);
        const auto result = reader.nodes();
        ASSERT_TRUE(result.ok) << result.errorMessage.toStdString();
        EXPECT_EQ(namesOf(result.nodes), (QStringList{"Summer", "Winter"}));
        const KTCatalogNode *winter = nodeNamed(result.nodes, "Winter");
        ASSERT_NE(winter, nullptr);
        EXPECT_EQ(winter->countOfBindableObjects, 9);

        const auto list = reader.imagesListForNode(winter->identifier);
        ASSERT_TRUE(list.ok);
        EXPECT_EQ(list.imagesList.value("importSource").toString(), kind);
        const QString mediaSource = list.imagesList.value("mediaSource").toString();
        EXPECT_TRUE(QFileInfo::exists(mediaSource));
        EXPECT_EQ(mediaSource, KTCatalogFixtures::appleMediaSource(library));
        const QVariantList images = list.imagesList.value("imagesArray").toList();
        ASSERT_EQ(images.size(), 9);
        const QVariantMap first = images.first().toMap();
        EXPECT_EQ(first.value("VersionUUID").toString(), "V21");
        EXPECT_EQ(first.value("path").toString(), QDir(library).filePath("Masters/2013/07/IMG_0020.JPG"));
        EXPECT_EQ(first.contains("OriginalPath"), kind == "iPhoto");
    }
}

TEST(KTCatalogReaderTest, CataloguesOfTheWrongShapeAreRefusedWithAReason)
{
    QTemporaryDir dir;
    const QString noFiles = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1234, "a.lrcat");
    KTCatalogFixtures::execute(noFiles, "DROP TABLE AgLibraryFile");
    const QString noColumn = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1234, "b.lrcat");
    KTCatalogFixtures::execute(noColumn, "ALTER TABLE AgLibraryFolder DROP COLUMN pathFromRoot");
    const QString corrupt = KTCatalogFixtures::createLightroomCatalog(dir.path(), 1234, "c.lrcat");
    KTCatalogFixtures::corrupt(corrupt);
    const QString library = KTCatalogFixtures::createAppleLibrary(dir.path(), "Aperture");
    KTCatalogFixtures::execute(KTCatalogFixtures::appleDatabasePath(library), "DROP TABLE RKAdminData");

    struct Case
    {
        QString path;
        QString message;
    };
    for (const Case &c :
         {Case{noFiles, "has no table AgLibraryFile"},
          Case{noColumn, "has no column pathFromRoot in table AgLibraryFolder"},
          Case{corrupt, "cannot be read: file is not a database"}, Case{library, "has no table RKAdminData"},
          Case{dir.filePath("none.aplibrary"), "was not found"}}) {
        SCOPED_TRACE(c.path.toStdString());
        const auto result = KTCatalogReader(c.path).nodes();
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.nodes.isEmpty());
        EXPECT_TRUE(result.errorMessage.contains(c.message)) << result.errorMessage.toStdString();
    }
}

TEST(KTCatalogReaderTest, OperationDeliversTheListOnItsQueue)
{
    QTemporaryDir dir;
    const QString catalog = KTCatalogFixtures::createLightroomCatalog(dir.path());
    KTCatalogReader reader(catalog);
    const auto nodes = reader.nodes();
    ASSERT_TRUE(nodes.ok);
    std::atomic<int> count{-1};
    std::atomic<int> unknownDelivered{-1};
    KTOperationQueue queue;
    queue.addOperation(reader.createOperationForLoadImagesListFromNodeIdentifier(
        nodes.nodes.first().identifier,
        [&count](const QVariantMap &list) { count = int(list.value("imagesArray").toList().size()); }));
    queue.addOperation(reader.createOperationForLoadImagesListFromNodeIdentifier(
        catalog + "#folder:999",
        [&unknownDelivered](const QVariantMap &list) { unknownDelivered = list.isEmpty() ? 1 : 0; }));
    ASSERT_TRUE(waitUntil([&] { return count >= 0 && unknownDelivered >= 0; }));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(unknownDelivered, 1);
}

// The lists the reader delivers start sessions whose records carry the catalogue identifiers
// that the status sync goes by.
TEST(KTCatalogReaderTest, ImageListsImportIntoASessionWithTheirIdentifiers)
{
    QTemporaryDir dir;
    {
        KTCatalogReader reader(KTCatalogFixtures::createLightroomCatalog(dir.path()));
        const auto nodes = reader.nodes();
        const KTCatalogNode *family = nodeNamed(nodes.nodes, "Family");
        ASSERT_NE(family, nullptr);
        const auto list = reader.imagesListForNode(family->identifier);
        ASSERT_TRUE(list.ok) << list.errorMessage.toStdString();
        EXPECT_EQ(importedIdentifiers(list.imagesList),
                  (QStringList{"IMG_0001.JPG=101/500", "IMG_0002.JPG=102/500", "IMG_0003.JPG=103/500"}));
    }
    {
        KTCatalogReader reader(KTCatalogFixtures::createAppleLibrary(dir.path(), "iPhoto"));
        const auto nodes = reader.nodes();
        const KTCatalogNode *winter = nodeNamed(nodes.nodes, "Winter");
        ASSERT_NE(winter, nullptr);
        const auto list = reader.imagesListForNode(winter->identifier);
        ASSERT_TRUE(list.ok) << list.errorMessage.toStdString();
        QStringList expected;
        for (int n = 21; n <= 29; ++n)
            expected.append(QStringLiteral("IMG_%1.JPG=V%2/").arg(n - 1, 4, 10, QLatin1Char('0')).arg(n));
        expected.append("IMG_0029.JPG=uuid/");
        EXPECT_EQ(importedIdentifiers(list.imagesList), expected);
    }
}
