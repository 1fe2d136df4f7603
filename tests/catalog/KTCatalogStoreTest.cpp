#include "KTCatalogStore.h"

#include "KTSessionFixtures.h"
#include "KTCatalogModel.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTSqliteDatabase.h"
#include "KTTimeGroupMO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A main context whose saves go to a store file, as the catalogue's do.
struct StoredSession
{
    explicit StoredSession(const QString &path) : store(KTCatalogModel::sharedModel())
    {
        opened = store.open(path, KTCatalogStore::Access::ReadWrite, &error);
        std::vector<KTRecordValues> records;
        if (opened)
            opened = store.readAllRecords(&records, &error);
        context->loadStoredObjects(std::move(records));
        context->setSaveHandler([this](const KTChangeSet &changes, QString *) {
            // The context hands its changes over, like into a base context; the write may fail.
            store.addChanges(changes);
            return true;
        });
    }
    bool save()
    {
        context->save();
        return store.writePendingChanges(&error);
    }

    KTCatalogStore store;
    std::shared_ptr<KTObjectContext> context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    bool opened = false;
    KTError error;
};

QStringList describeStore(const QString &path)
{
    StoredSession session(path);
    EXPECT_TRUE(session.opened) << session.error.localizedDescription.toStdString();
    return describeCatalog(*session.context);
}

} // namespace

TEST(KTCatalogStoreTest, SessionComesBackIdenticalAfterSavesOfInsertsUpdatesAndDeletes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
    QStringList expected;
    {
        StoredSession session(path);
        ASSERT_TRUE(session.opened);
        fillCatalog(*session.context, 20000);
        ASSERT_TRUE(session.save()) << session.error.localizedDescription.toStdString();
        expected = describeCatalog(*session.context);
    }
    ASSERT_EQ(expected.size(), 20000 + 4 + 2858 + 400);
    EXPECT_EQ(describeStore(path), expected);
    EXPECT_TRUE(expected[0].contains(QStringLiteral("modificationDate=QDateTime:2020-09-13T12:26:40.123Z")))
        << expected[0].toStdString();

    {
        // Set values to nil and back, move links, delete a group (its images stay) and images.
        StoredSession session(path);
        auto images = session.context->fetchAs<KTImageMO>({kImageEntityName, {}, {}});
        images[0]->setPicked(std::nullopt);
        images[1]->setPicked(true);
        images[2]->setTimeStamp(QDateTime::fromMSecsSinceEpoch(1, Qt::UTC));
        images[3]->setGroup(nullptr);
        session.context->deleteObject(images[0]->group());
        session.context->deleteObject(images[5]);
        ASSERT_TRUE(session.save());
        expected = describeCatalog(*session.context);
    }
    EXPECT_EQ(describeStore(path), expected);
}

TEST(KTCatalogStoreTest, FailedWriteKeepsEveryChangeForTheNextWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
    StoredSession session(path);
    fillCatalog(*session.context, 30);
    ASSERT_TRUE(session.save());
    const QStringList before = describeCatalog(*session.context);

    auto images = session.context->fetchAs<KTImageMO>({kImageEntityName, {}, {}});
    images[0]->setPicked(false);
    session.context->deleteObject(images[1]);
    session.context->insert<KTImageMO>(kImageEntityName)->setPath(QStringLiteral("/new.jpg"));
    // The second record of the transaction fails, as a full disk would.
    session.store.setRecordWriteHook([](qsizetype written) { return written < 1; });
    EXPECT_FALSE(session.save());
    EXPECT_FALSE(session.context->hasChanges());    // handed over to the store ...
    EXPECT_TRUE(session.store.hasPendingChanges()); // ... which keeps them
    EXPECT_EQ(describeStore(path), before);         // nothing of the failed transaction is on disk

    images[2]->setName(QStringLiteral("renamed"));
    session.store.setRecordWriteHook({});
    ASSERT_TRUE(session.save());
    EXPECT_FALSE(session.store.hasPendingChanges());
    EXPECT_EQ(describeStore(path), describeCatalog(*session.context));
}

// A delete kept pending by a failed write, undone and redone before the next write: the record
// must still leave the file, not come back with the next session.
TEST(KTCatalogStoreTest, DeleteRedoneAfterAFailedWriteStillReachesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
    StoredSession session(path);
    fillCatalog(*session.context, 10);
    ASSERT_TRUE(session.save());

    KTImageMO *image = session.context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}).first();
    session.context->deleteObject(image);
    session.store.setRecordWriteHook([](qsizetype) { return false; });
    EXPECT_FALSE(session.save());
    session.context->undeleteObject(image);
    EXPECT_FALSE(session.save());
    session.context->deleteObject(image);
    session.store.setRecordWriteHook({});
    ASSERT_TRUE(session.save()) << session.error.localizedDescription.toStdString();

    const QStringList expected = describeCatalog(*session.context);
    EXPECT_EQ(describeStore(path), expected);
}

TEST(KTCatalogStoreTest, FilesThatAreNotAStoreOfThisVersionDoNotOpen)
{
    QTemporaryDir dir;
    struct Case
    {
        const char *name;
        std::function<void(const QString &)> make;
    };
    const Case cases[] = {
        {"garbage",
         [](const QString &path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(QByteArray(8192, '\x5a'));
         }},
        {"newer schema",
         [](const QString &path) {
             KTSqliteDatabase db;
             ASSERT_TRUE(db.open(path, KTSqliteDatabase::Mode::ReadWriteCreate));
             ASSERT_TRUE(db.execute(QStringLiteral("PRAGMA user_version = 99")));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        c.make(path);
        const QByteArray original = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        KTCatalogStore store(KTCatalogModel::sharedModel());
        KTError error;
        EXPECT_FALSE(store.open(path, KTCatalogStore::Access::ReadWrite, &error));
        EXPECT_EQ(error.domain, kCatalogStoreErrorDomain);
        EXPECT_FALSE(error.localizedDescription.isEmpty());
        EXPECT_FALSE(store.isOpen());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), original); // left as it was
    }
}

// A file of an older schema: the "Image" table lacks a column and "TimeGroup" is missing.
TEST(KTCatalogStoreTest, OlderFileGainsTheMissingTablesAndColumns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.storedata"));
    {
        KTSqliteDatabase db;
        ASSERT_TRUE(db.open(path, KTSqliteDatabase::Mode::ReadWriteCreate));
        ASSERT_TRUE(db.execute(QStringLiteral(
            "CREATE TABLE \"Image\" (\"Z_PK\" INTEGER PRIMARY KEY, \"path\" TEXT, \"picked\" INTEGER);"
            "INSERT INTO \"Image\" VALUES (7, '/a.jpg', 1);")));
    }
    KTCatalogStore reader(KTCatalogModel::sharedModel());
    std::vector<KTRecordValues> records;
    ASSERT_TRUE(reader.open(path, KTCatalogStore::Access::ReadOnly));
    ASSERT_TRUE(reader.readAllRecords(&records)); // read as far as its columns go
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].objectID.row, 7);
    reader.close();

    StoredSession session(path);
    ASSERT_TRUE(session.opened) << session.error.localizedDescription.toStdString();
    auto *image = session.context->objectWithIdAs<KTImageMO>(records[0].objectID);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->path(), QStringLiteral("/a.jpg"));
    EXPECT_EQ(image->picked(), std::optional<bool>(true));
    image->setDuplicateImagePath(QStringLiteral("/a.cr2"));
    session.context->insert<KTTimeGroupMO>(kTimeGroupEntityName);
    ASSERT_TRUE(session.save());
    EXPECT_EQ(describeStore(path), describeCatalog(*session.context));
}

TEST(KTCatalogStoreTest, MigrationReplacesTheStoreOnlyWithACompleteCopy)
{
    QTemporaryDir dir;
    const QString legacy = dir.filePath(QStringLiteral("Halvard.storedata"));
    const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
    QStringList legacySession;
    {
        StoredSession session(legacy);
        fillCatalog(*session.context, 40);
        ASSERT_TRUE(session.save());
        legacySession = describeCatalog(*session.context);
    }
    {
        StoredSession session(path);
        fillCatalog(*session.context, 3);
        ASSERT_TRUE(session.save());
    }
    const QStringList existing = describeStore(path);

    const QString garbage = dir.filePath(QStringLiteral("garbage.storedata"));
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x01'));
    }
    KTError error;
    EXPECT_FALSE(KTCatalogStore::migrateStore(garbage, path, KTCatalogModel::sharedModel(), &error));
    EXPECT_FALSE(error.localizedDescription.isEmpty());
    EXPECT_EQ(describeStore(path), existing);

    ASSERT_TRUE(KTCatalogStore::migrateStore(legacy, path, KTCatalogModel::sharedModel(), &error))
        << error.localizedDescription.toStdString();
    EXPECT_EQ(describeStore(path), legacySession);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.migrating*")}, QDir::Files), QStringList());
}

// A writer killed in the middle of its transaction, or right after it, leaves a store that opens
// with the previous or the new session, never a broken one.
TEST(KTCatalogStoreTest, WriterKilledDuringOrAfterASaveLeavesAConsistentStore)
{
    constexpr int kPrevious = 10;
    constexpr int kAdded = 20000;
    struct Case
    {
        const char *mode;
        qsizetype expectedImages;
    };
    const Case cases[] = {{"mid-write", kPrevious}, {"after-save", kPrevious + kAdded}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
        {
            StoredSession session(path);
            fillCatalog(*session.context, kPrevious);
            ASSERT_TRUE(session.save());
        }
        QProcess writer;
        writer.start(QStringLiteral(KT_STORE_WRITER_HELPER),
                     {path, QString::fromLatin1(c.mode), QString::number(kAdded)});
        ASSERT_TRUE(writer.waitForStarted());
        QByteArray said;
        while (!said.contains('\n') && writer.waitForReadyRead(60000))
            said += writer.readAllStandardOutput();
        ASSERT_EQ(said.trimmed(), QByteArray(c.mode));
        if (QByteArray(c.mode) == "mid-write") {
            // The transaction has outgrown the page cache: part of it is in the journal file.
            EXPECT_GT(QFileInfo(path + QStringLiteral("-wal")).size(), 1 << 20);
        }
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished());

        StoredSession session(path);
        ASSERT_TRUE(session.opened) << session.error.localizedDescription.toStdString();
        EXPECT_EQ(session.context->count({kImageEntityName, {}, {}}), c.expectedImages);
        KTSqliteDatabase db;
        ASSERT_TRUE(db.open(path, KTSqliteDatabase::Mode::ReadOnly));
        EXPECT_EQ(db.scalar(QStringLiteral("PRAGMA integrity_check")).value_or(QVariant()).toString(),
                  QStringLiteral("ok"));
    }
}
