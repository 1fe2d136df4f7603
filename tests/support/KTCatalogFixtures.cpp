#include "KTCatalogFixtures.h"

#include "KTSqliteDatabase.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const char *const kLightroomSchema = R"sql(
CREATE TABLE Adobe_variablesTable (id_local INTEGER PRIMARY KEY, id_global UNIQUE NOT NULL, name, type,
    value NOT NULL DEFAULT '');
CREATE TABLE AgLibraryRootFolder (id_local INTEGER PRIMARY KEY, id_global UNIQUE NOT NULL,
    absolutePath UNIQUE NOT NULL DEFAULT '', name NOT NULL DEFAULT '', relativePathFromCatalog);
CREATE TABLE AgLibraryFolder (id_local INTEGER PRIMARY KEY, id_global UNIQUE NOT NULL, parentId INTEGER,
    pathFromRoot NOT NULL DEFAULT '', rootFolder INTEGER NOT NULL DEFAULT 0, visibility INTEGER);
CREATE TABLE AgLibraryFile (id_local INTEGER PRIMARY KEY, id_global UNIQUE NOT NULL, baseName NOT NULL DEFAULT '',
    extension NOT NULL DEFAULT '', folder INTEGER NOT NULL DEFAULT 0, idx_filename NOT NULL DEFAULT '');
CREATE TABLE Adobe_images (id_local INTEGER PRIMARY KEY, id_global UNIQUE NOT NULL, captureTime,
    pick NOT NULL DEFAULT 0, rating, rootFile INTEGER NOT NULL DEFAULT 0, touchTime NOT NULL DEFAULT 0);
CREATE TABLE AgLibraryCollection (id_local INTEGER PRIMARY KEY, creationId NOT NULL DEFAULT '',
    genealogy NOT NULL DEFAULT '', imageCount, name NOT NULL DEFAULT '', parent INTEGER,
    systemOnly NOT NULL DEFAULT '');
CREATE TABLE AgLibraryCollectionImage (id_local INTEGER PRIMARY KEY, collection INTEGER NOT NULL DEFAULT 0,
    image INTEGER NOT NULL DEFAULT 0, pick NOT NULL DEFAULT 0, positionInCollection);
INSERT INTO AgLibraryFolder VALUES (11, 'F11', NULL, '', 1, NULL);
INSERT INTO AgLibraryFolder VALUES (12, 'F12', 11, 'Trip/', 1, NULL);
INSERT INTO AgLibraryCollection VALUES (500, 'com.adobe.ag.library.collection', '/3500', NULL, 'Family', NULL, 0);
INSERT INTO AgLibraryCollection VALUES (501, 'com.adobe.ag.library.smart_collection', '/3501', NULL, 'Recent', NULL, 0);
INSERT INTO AgLibraryCollectionImage (collection, image, pick, positionInCollection) VALUES (500, 101, 0, 'z1');
INSERT INTO AgLibraryCollectionImage (collection, image, pick, positionInCollection) VALUES (500, 102, 0, 'z2');
INSERT INTO AgLibraryCollectionImage (collection, image, pick, positionInCollection) VALUES (500, 103, 0, 'z3');
)sql";

const char *const kAppleSchema = R"sql(
CREATE TABLE RKFolder (modelId INTEGER PRIMARY KEY AUTOINCREMENT, uuid varchar, folderType integer, name varchar,
    versionCount integer);
CREATE TABLE RKMaster (modelId INTEGER PRIMARY KEY AUTOINCREMENT, uuid varchar, projectUuid varchar,
    imagePath varchar, fileName varchar, isInTrash integer);
CREATE TABLE RKVersion (modelId INTEGER PRIMARY KEY AUTOINCREMENT, uuid varchar, masterUuid varchar,
    projectUuid varchar, name varchar, isFlagged integer, isInTrash integer);
CREATE TABLE RKVersion_RidIndexes (modelId INTEGER PRIMARY KEY, rid varchar);
CREATE TABLE RKAdminData (modelId INTEGER PRIMARY KEY, propertyName varchar, propertyValue varchar);
INSERT INTO RKFolder (uuid, folderType, name, versionCount) VALUES ('P1', 2, 'Summer', 20);
INSERT INTO RKFolder (uuid, folderType, name, versionCount) VALUES ('P2', 2, 'Winter', 10);
INSERT INTO RKVersion_RidIndexes (rid) VALUES ('a'), ('b');
INSERT INTO RKAdminData (propertyName, propertyValue) VALUES ('checksum', '1'), ('rebuild', '0');
)sql";

} // namespace

QString KTCatalogFixtures::createLightroomCatalog(const QString &folder, double counter,
                                                  const QString &fileName, const QString &dbVersion)
{
    const QString path = QDir(folder).filePath(fileName);
    QString sql = QString::fromUtf8(kLightroomSchema);
    sql += QStringLiteral("INSERT INTO AgLibraryRootFolder VALUES (1, 'R1', '%1/', 'Photos', NULL);\n")
               .arg(QDir(folder).filePath(QStringLiteral("Photos")));
    sql +=
        QStringLiteral("INSERT INTO Adobe_variablesTable VALUES (1, 'G1', 'Adobe_DBVersion', NULL, '%1');\n")
            .arg(dbVersion);
    if (counter >= 0) {
        sql += QStringLiteral(
                   "INSERT INTO Adobe_variablesTable VALUES (7, 'G7', 'Adobe_entityIDCounter', NULL, %1);\n")
                   .arg(QString::asprintf("%.1f", counter));
    }
    for (int n = 1; n <= kImageCount; ++n) {
        const qint64 image = kFirstImageID + n - 1;
        const qint64 file = 200 + n;
        sql += QStringLiteral(
                   "INSERT INTO AgLibraryFile VALUES (%1, 'FILE%1', 'IMG_%2', 'JPG', %3, 'img_%2.jpg');\n")
                   .arg(file)
                   .arg(n, 4, 10, QLatin1Char('0'))
                   .arg(n <= 20 ? 11 : 12);
        sql += QStringLiteral("INSERT INTO Adobe_images VALUES (%1, 'IMAGE%1', NULL, 0, NULL, %2, %3);\n")
                   .arg(image)
                   .arg(file)
                   .arg(400000000 + n);
    }
    execute(path, sql);
    return path;
}

QString KTCatalogFixtures::createAppleLibrary(const QString &folder, const QString &kind, const QString &name)
{
    const QString extension =
        kind == QLatin1String("iPhoto") ? QStringLiteral("photolibrary") : QStringLiteral("aplibrary");
    const QString library = QDir(folder).filePath(name + QLatin1Char('.') + extension);
    EXPECT_TRUE(QDir().mkpath(QDir(library).filePath(QStringLiteral("Database"))));
    EXPECT_TRUE(QDir().mkpath(QDir(library).filePath(QStringLiteral("Masters/2013/07"))));

    QString sql = QString::fromUtf8(kAppleSchema);
    for (int n = 1; n <= kImageCount; ++n) {
        const QString version =
            n == kImageCount ? QStringLiteral("uuid") : QStringLiteral("V%1").arg(n, 2, 10, QLatin1Char('0'));
        const int masterNumber = n == 1 ? 1 : n - 1;
        const QString master = QStringLiteral("M%1").arg(masterNumber, 2, 10, QLatin1Char('0'));
        const QString project = n <= 20 ? QStringLiteral("P1") : QStringLiteral("P2");
        if (n != 2) {
            sql += QStringLiteral(
                       "INSERT INTO RKMaster (uuid, projectUuid, imagePath, fileName, isInTrash) VALUES "
                       "('%1', '%2', '2013/07/IMG_%3.JPG', 'IMG_%3.JPG', 0);\n")
                       .arg(master, project)
                       .arg(masterNumber, 4, 10, QLatin1Char('0'));
        }
        sql += QStringLiteral(
                   "INSERT INTO RKVersion (uuid, masterUuid, projectUuid, name, isFlagged, isInTrash) VALUES "
                   "('%1', '%2', '%3', 'IMG_%4', 0, 0);\n")
                   .arg(version, master, project)
                   .arg(n, 4, 10, QLatin1Char('0'));
    }
    execute(appleDatabasePath(library), sql);
    return library;
}

QString KTCatalogFixtures::appleMediaSource(const QString &libraryPath)
{
    return QDir(libraryPath).filePath(QStringLiteral("Database"));
}

QString KTCatalogFixtures::appleDatabasePath(const QString &libraryPath)
{
    return QDir(libraryPath).filePath(QStringLiteral("Database/Library.apdb"));
}

void KTCatalogFixtures::execute(const QString &databasePath, const QString &sql)
{
    KTSqliteDatabase database;
    ASSERT_TRUE(database.open(databasePath, KTSqliteDatabase::Mode::ReadWriteCreate))
        << database.lastError().toStdString();
    // A fixture needs no durability: without a sync per statement a catalogue is built at once.
    ASSERT_TRUE(database.execute(QStringLiteral("PRAGMA synchronous = OFF")));
    ASSERT_TRUE(database.execute(sql)) << database.lastError().toStdString();
}

QVariant KTCatalogFixtures::scalar(const QString &databasePath, const QString &sql)
{
    KTSqliteDatabase database;
    if (!database.open(databasePath, KTSqliteDatabase::Mode::ReadOnly))
        return {};
    return database.scalar(sql).value_or(QVariant());
}

QByteArray KTCatalogFixtures::fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void KTCatalogFixtures::corrupt(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(4096, 'x'));
}

KTCatalogWriteLock::KTCatalogWriteLock(const QString &databasePath)
    : m_database(std::make_unique<KTSqliteDatabase>())
{
    m_locked =
        m_database->open(databasePath, KTSqliteDatabase::Mode::ReadWrite) && m_database->beginTransaction();
}

KTCatalogWriteLock::~KTCatalogWriteLock()
{
    if (m_locked)
        m_database->rollback();
}
