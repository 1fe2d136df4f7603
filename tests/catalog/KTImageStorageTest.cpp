#include "KTImageStorage.h"

#include "KTAlert.h"
#include "KTSessionFixtures.h"
#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTMigrationWindowPresenter.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTRecordRef.h"
#include "KTTasksNotifier.h"
#include "KTNotificationCenter.h"
#include "KTSqliteDatabase.h"
#include "KTTestSupport.h"
#include "KTUndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <limits>

namespace {

// Shows nothing: turns the event loop until the catalogue ends the modal session.
class RecordingMigrationWindow : public KTMigrationWindowPresenter
{
public:
    void runModal(const std::function<void(std::function<void()> endModal)> &start) override
    {
        ++shown;
        auto ended = std::make_shared<std::atomic<bool>>(false);
        start([ended] {
            ended->store(true);
            postToMain([] {}); // wakes the loop below
        });
        while (!ended->load())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    int shown = 0;
};

class ImageStorage : public ::testing::Test
{
public:
    ImageStorage()
    {
        migrationWindow = std::make_shared<RecordingMigrationWindow>();
        previousWindow = KTMigrationWindowPresenter::install(migrationWindow);
    }
    ~ImageStorage() override { KTMigrationWindowPresenter::install(previousWindow); }

    KTImageStorage::Locations locations() const
    {
        return {dir.filePath(QStringLiteral("com.brontwell.vireoscope")),
                dir.filePath(QStringLiteral("com.brontwell.vireoscope_1.0.0"))};
    }
    QString storePath() const { return locations().applicationFilesDirectoryPath + "/Vireoscope.storedata"; }
    QString legacyStorePath() const
    {
        return locations().oldApplicationFilesDirectoryPath + "/Halvard.storedata";
    }

    // Writes a store of `images` images at `path` and returns its description.
    static QStringList writeStore(const QString &path, int images)
    {
        QDir().mkpath(QFileInfo(path).path());
        KTCatalogStore store(KTCatalogModel::sharedModel());
        EXPECT_TRUE(store.open(path, KTCatalogStore::Access::ReadWrite));
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        fillCatalog(*context, images);
        context->setSaveHandler([&](const KTChangeSet &changes, QString *) { return store.save(changes); });
        EXPECT_TRUE(context->save());
        return describeCatalog(*context);
    }

    static void writeGarbage(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x7f'));
    }

    QTemporaryDir dir;
    KTRecordingErrorSeams errors;
    std::shared_ptr<RecordingMigrationWindow> migrationWindow;
    std::shared_ptr<KTMigrationWindowPresenter> previousWindow;
};

} // namespace

TEST_F(ImageStorage, FirstStartMakesTheFolderAndAnEmptyStore)
{
    KTImageStorage storage(locations());
    ASSERT_NE(storage.managedObjectContext(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(storePath()));
    EXPECT_EQ(storage.managedObjectContext()->count({kImageEntityName, {}, {}}), 0);
    EXPECT_TRUE(errors.presented().empty());
    EXPECT_FALSE(storage.hasChanges());
    EXPECT_NE(storage.undoManager(), nullptr);
}

TEST_F(ImageStorage, AStoreThatCannotBeOpenedIsReportedAndEndsTheApplication)
{
    struct Case
    {
        const char *name;
        std::function<void(ImageStorage &)> prepare;
        int firstCode;
    };
    const Case cases[] = {
        {"file in place of the folder",
         [](ImageStorage &t) {
             QFile file(t.locations().applicationFilesDirectoryPath);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         101},
        {"garbage store", [](ImageStorage &t) { writeGarbage(t.storePath()); }, 26 /* SQLITE_NOTADB */},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        KTRecordingErrorSeams seams;
        c.prepare(*this);
        KTLogCapture log;
        KTImageStorage storage(locations());

        EXPECT_EQ(storage.managedObjectContext(), nullptr);
        ASSERT_EQ(seams.presented().size(), 2u);
        EXPECT_EQ(seams.presented()[0].code, c.firstCode);
        if (c.firstCode == 101) {
            EXPECT_EQ(seams.presented()[0].localizedDescription,
                      QStringLiteral("Expected a folder to store application data, found a file (%1).")
                          .arg(locations().applicationFilesDirectoryPath));
        }
        const KTError &last = seams.presented()[1];
        EXPECT_EQ(last.domain, QStringLiteral("YOUR_ERROR_DOMAIN"));
        EXPECT_EQ(last.code, 9999);
        EXPECT_EQ(last.localizedDescription, QStringLiteral("Failed to initialize the store"));
        EXPECT_EQ(last.userInfo.value("NSLocalizedFailureReason"),
                  QVariant(QStringLiteral("There was an error building up the data file.")));
        EXPECT_TRUE(log.contains(QStringLiteral("Error: Could not initialize persistent store coordinator")));
        EXPECT_EQ(seams.terminations(), 1);

        // Without a main context every method is harmless, and nothing is opened again.
        KTError error;
        EXPECT_FALSE(storage.saveChangesOrReturnError(&error));
        EXPECT_FALSE(storage.hasChanges());
        EXPECT_EQ(storage.undoManager(), nullptr);
        storage.cleanUndoStack();
        storage.processPendingChanges();
        storage.autosaveTimerAction();
        storage.waitForStoreWrites();
        EXPECT_EQ(seams.presented().size(), 2u);
    }
}

TEST_F(ImageStorage, ProceedMigratesTheLegacySessionAndRemovesItsFolder)
{
    const QStringList legacySession = writeStore(legacyStorePath(), 25);
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kFirstButtonReturn);
    {
        KTImageStorage storage(locations());
        ASSERT_NE(storage.managedObjectContext(), nullptr);
        EXPECT_EQ(describeCatalog(*storage.managedObjectContext()), legacySession);
    }
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown()[0].messageText,
              QStringLiteral(
                  "Vireoscope needs to update your session to 1.1.0 version. It may take a long time, do "
                  "you wish to proceed or to start new session?"));
    EXPECT_EQ(alerts->shown()[0].buttons, (QStringList{"Proceed", "New Session"}));
    EXPECT_EQ(migrationWindow->shown, 1);
    EXPECT_FALSE(QFileInfo::exists(locations().oldApplicationFilesDirectoryPath));

    // The next start finds the migrated session and asks nothing.
    KTImageStorage again(locations());
    EXPECT_EQ(describeCatalog(*again.managedObjectContext()), legacySession);
    EXPECT_EQ(alerts->shown().size(), 1u);
    EXPECT_TRUE(errors.presented().empty());
}

TEST_F(ImageStorage, NewSessionLeavesTheLegacySessionBehind)
{
    writeStore(legacyStorePath(), 5);
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kFirstButtonReturn + 1);
    KTImageStorage storage(locations());
    ASSERT_NE(storage.managedObjectContext(), nullptr);
    EXPECT_EQ(storage.managedObjectContext()->count({kImageEntityName, {}, {}}), 0);
    EXPECT_EQ(migrationWindow->shown, 0);
    EXPECT_FALSE(QFileInfo::exists(locations().oldApplicationFilesDirectoryPath));
}

TEST_F(ImageStorage, UnreadableLegacyStoreKeepsItsFolderAndEndsTheApplication)
{
    writeGarbage(legacyStorePath());
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kFirstButtonReturn);
    KTImageStorage storage(locations());
    EXPECT_EQ(storage.managedObjectContext(), nullptr);
    EXPECT_EQ(migrationWindow->shown, 1);
    EXPECT_TRUE(QFileInfo::exists(legacyStorePath()));
    EXPECT_FALSE(QFileInfo::exists(storePath()));
    ASSERT_EQ(errors.presented().size(), 2u);
    EXPECT_EQ(errors.presented()[0].domain, kCatalogStoreErrorDomain);
    EXPECT_EQ(errors.terminations(), 1);
}

namespace {

// The images of a session with their folders and the sizes of their groups, by path: what the
// user sees of it, whatever the record ids.
QStringList sessionImages(KTObjectContext &context)
{
    QStringList lines;
    for (KTImageMO *image : context.fetchAs<KTImageMO>({kImageEntityName, {}, {}}))
        lines.append(
            QStringLiteral("%1 in %2, group of %3")
                .arg(image->path(), image->folder() ? image->folder()->path() : QStringLiteral("nil"))
                .arg(image->group() ? image->group()->images().size() : 0));
    lines.sort();
    return lines;
}

} // namespace

// The first image and the folder it belongs to of a saved session carry an id of every range a
// damaged or hostile file may hold. Ids the store could have written (any positive 64-bit id) are
// kept as they are; one it never gives (zero or below) is given a free id, with a warning, and
// the image's link to its folder follows. The session opens whole, from its store and through the
// legacy migration alike, new records get sound ids, and the repaired ids are written back.
TEST_F(ImageStorage, EveryRecordOpensWhateverItsId)
{
    const struct
    {
        const char *name;
        qint64 row;
        bool kept;
    } cases[] = {
        {"negative", -1, false},
        {"zero", 0, false},
        {"smallest 64-bit", std::numeric_limits<qint64>::min(), false},
        {"largest 64-bit", std::numeric_limits<qint64>::max(), true},
        {"just above 2^53", (qint64(1) << 53) + 1, true},
        {"400,000,000", 400000000, true},
    };
    const int imageEntity = KTCatalogModel::sharedModel()->entity(kImageEntityName)->index();
    for (const auto &c : cases) {
        for (const bool legacy : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (legacy ? ", legacy store" : ", store"));
            QDir(dir.path()).removeRecursively();
            QDir().mkpath(dir.path());
            const QString path = legacy ? legacyStorePath() : storePath();
            writeStore(path, 3);
            QStringList saved;
            {
                KTCatalogStore store(KTCatalogModel::sharedModel());
                std::vector<KTRecordValues> records;
                ASSERT_TRUE(store.open(path, KTCatalogStore::Access::ReadOnly));
                ASSERT_TRUE(store.readAllRecords(&records));
                auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
                context->loadStoredObjects(std::move(records));
                saved = sessionImages(*context);
            }
            {
                KTSqliteDatabase db;
                ASSERT_TRUE(db.open(path, KTSqliteDatabase::Mode::ReadWrite));
                for (const QString &statement :
                     {QStringLiteral("UPDATE Image SET Z_PK = %1 WHERE Z_PK = 1"),
                      QStringLiteral("UPDATE Folder SET Z_PK = %1 WHERE Z_PK = 1"),
                      QStringLiteral("UPDATE Image SET folder = %1 WHERE folder = 1")})
                    ASSERT_TRUE(db.execute(statement.arg(c.row))) << db.lastError().toStdString();
            }
            auto alerts = KTScriptedAlertPresenter::install();
            alerts->answer(KTAlert::kFirstButtonReturn);
            KTRecordingErrorSeams seams;
            {
                KTLogCapture log;
                KTImageStorage storage(locations());
                auto context = storage.managedObjectContext();
                ASSERT_NE(context, nullptr);
                EXPECT_TRUE(seams.presented().empty());
                EXPECT_EQ(sessionImages(*context), saved);
                EXPECT_EQ(context->count({kFolderEntityName, {}, {}}), 4);
                EXPECT_EQ(context->objectWithId({imageEntity, c.row}) != nullptr, c.kept);
                EXPECT_EQ(log.contains(QStringLiteral("Warning: ")), !c.kept);
                fillCatalog(*context, 2);
                for (KTImageMO *image : context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}))
                    EXPECT_GT(image->objectID().row, 0);
                saved = sessionImages(*context);
                ASSERT_EQ(saved.size(), 5);
                ASSERT_TRUE(storage.saveChangesOrReturnError());
            }
            KTLogCapture log;
            KTImageStorage again(locations());
            ASSERT_NE(again.managedObjectContext(), nullptr);
            EXPECT_EQ(sessionImages(*again.managedObjectContext()), saved);
            EXPECT_FALSE(log.contains(QStringLiteral("Warning: ")));
            EXPECT_TRUE(seams.presented().empty());
        }
    }
}

TEST_F(ImageStorage, SavedSessionComesBackAndSavesWithoutChangesTouchNothing)
{
    QStringList saved;
    {
        KTImageStorage storage(locations());
        auto context = storage.managedObjectContext();
        fillCatalog(*context, 200);
        EXPECT_TRUE(storage.hasChanges());
        KTError error;
        ASSERT_TRUE(storage.saveChangesOrReturnError(&error)) << error.localizedDescription.toStdString();
        EXPECT_FALSE(storage.hasChanges());
        saved = describeCatalog(*context);

        qsizetype written = 0;
        storage.setStoreRecordWriteHook([&written](qsizetype) {
            ++written;
            return true;
        });
        EXPECT_TRUE(storage.saveChangesOrReturnError());
        EXPECT_EQ(written, 0);
    }
    KTImageStorage again(locations());
    EXPECT_EQ(describeCatalog(*again.managedObjectContext()), saved);
    // The file-existence flag lives in the record object only: read from the store, never checked.
    auto images = again.managedObjectContext()->fetchAs<KTImageMO>({kImageEntityName, {}, {}});
    EXPECT_EQ(images.first()->originalFileExists(), std::nullopt);
}

TEST_F(ImageStorage, FailedWriteKeepsTheChangesForTheNextSave)
{
    QStringList expected;
    {
        KTImageStorage storage(locations());
        auto context = storage.managedObjectContext();
        fillCatalog(*context, 20);
        storage.setStoreRecordWriteHook([](qsizetype written) { return written < 3; });
        KTError error;
        EXPECT_FALSE(storage.saveChangesOrReturnError(&error));
        EXPECT_FALSE(error.localizedDescription.isEmpty());
        EXPECT_FALSE(context->hasChanges());
        EXPECT_TRUE(storage.hasChanges()); // the writer still holds them

        context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}).first()->setPicked(true);
        storage.setStoreRecordWriteHook({});
        ASSERT_TRUE(storage.saveChangesOrReturnError(&error));
        EXPECT_FALSE(storage.hasChanges());
        expected = describeCatalog(*context);
    }
    KTImageStorage again(locations());
    EXPECT_EQ(describeCatalog(*again.managedObjectContext()), expected);
}

TEST_F(ImageStorage, AutosaveWritesEditsAndIdleTicksWriteNothing)
{
    KTImageStorage storage(locations());
    storage.startAutosaving();
    ASSERT_NE(storage.autosaveTimer(), nullptr);
    EXPECT_EQ(storage.autosaveTimer()->interval(), 60000);
    EXPECT_TRUE(storage.autosaveTimer()->isActive());

    std::atomic<qsizetype> written = 0;
    storage.setStoreRecordWriteHook([&written](qsizetype) {
        ++written;
        return true;
    });
    fillCatalog(*storage.managedObjectContext(), 10);
    KTLogCapture log;
    storage.autosaveTimerAction();
    storage.waitForStoreWrites();
    EXPECT_TRUE(log.contains(QStringLiteral("Perform autosaving.")));
    EXPECT_GT(written.load(), 0);
    EXPECT_FALSE(storage.hasChanges());

    written = 0;
    storage.autosaveTimerAction();
    storage.autosaveTimerAction();
    storage.waitForStoreWrites();
    EXPECT_EQ(written.load(), 0);
}

TEST_F(ImageStorage, UndoBringsBackAPickAndADeletedGroupWithItsImages)
{
    QString groupID;
    {
        KTImageStorage storage(locations());
        auto context = storage.managedObjectContext();
        fillCatalog(*context, 7);
        ASSERT_TRUE(storage.saveChangesOrReturnError());
        storage.cleanUndoStack();
        auto images = context->fetchAs<KTImageMO>({kImageEntityName, {}, {}});
        KTImageGroupMO *group = images[0]->group();
        ASSERT_NE(group, nullptr);
        groupID = group->groupID();
        const QList<KTImageMO *> members = group->images();
        ASSERT_EQ(members.size(), 3);

        images[1]->setPicked(true);
        drainMainQueue();
        context->deleteObject(group);
        drainMainQueue();
        EXPECT_EQ(images[0]->group(), nullptr);

        KTUndoManager *undo = storage.undoManager();
        undo->undo();
        ASSERT_NE(images[0]->group(), nullptr);
        EXPECT_EQ(images[0]->group()->groupID(), groupID);
        EXPECT_EQ(images[0]->group()->images(), members);
        undo->undo();
        EXPECT_EQ(images[1]->picked(), std::nullopt);
        undo->redo();
        EXPECT_EQ(images[1]->picked(), std::optional<bool>(true));
        ASSERT_TRUE(storage.saveChangesOrReturnError());
    }
    KTImageStorage again(locations());
    auto groups = again.managedObjectContext()->fetchAs<KTImageGroupMO>({kImageGroupEntityName, {}, {}});
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->groupID(), groupID);
    EXPECT_EQ(groups[0]->images().size(), 3);
}

// The Edit menu and the toolbar's undo and redo buttons follow these signals alone: each change of
// what can be undone or redone, and of the names shown, is announced once, when it happens.
TEST_F(ImageStorage, UndoSignalsFollowAPickItsUndoAndItsRedo)
{
    KTImageStorage storage(locations());
    auto context = storage.managedObjectContext();
    fillCatalog(*context, 2);
    drainMainQueue();
    storage.cleanUndoStack();
    KTUndoManager *undo = storage.undoManager();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->undoMenuItemTitle(), QStringLiteral("Undo"));
    QSignalSpy canUndo(undo, &KTUndoManager::canUndoChanged);
    QSignalSpy canRedo(undo, &KTUndoManager::canRedoChanged);
    QSignalSpy undoName(undo, &KTUndoManager::undoActionNameChanged);
    QSignalSpy redoName(undo, &KTUndoManager::redoActionNameChanged);
    const auto values = [](const QSignalSpy &spy) {
        QVariantList seen;
        for (const QVariantList &arguments : spy)
            seen.append(arguments.at(0));
        return seen;
    };

    KTImageMO *image = context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}).first();
    const std::optional<bool> before = image->picked();
    const bool pick = !before.value_or(false);
    image->setPicked(pick);
    undo->setActionName(QStringLiteral("Pick"));
    image->setTouchTime(QDateTime::currentDateTime()); // the same event: one step, one signal
    EXPECT_EQ(values(canUndo), QVariantList{true});
    EXPECT_EQ(values(undoName), QVariantList{QStringLiteral("Pick")});
    EXPECT_EQ(undo->undoMenuItemTitle(), QStringLiteral("Undo Pick"));
    drainMainQueue(); // the event's group closes; nothing a menu shows changes
    EXPECT_EQ(canUndo.count(), 1);

    undo->undo();
    EXPECT_EQ(image->picked(), before);
    EXPECT_EQ(values(canUndo), (QVariantList{true, false}));
    EXPECT_EQ(values(canRedo), QVariantList{true});
    EXPECT_EQ(values(undoName), (QVariantList{QStringLiteral("Pick"), QString()}));
    EXPECT_EQ(values(redoName), QVariantList{QStringLiteral("Pick")});
    EXPECT_EQ(undo->redoMenuItemTitle(), QStringLiteral("Redo Pick"));

    undo->redo();
    EXPECT_EQ(image->picked(), std::optional<bool>(pick));
    EXPECT_EQ(values(canUndo), (QVariantList{true, false, true}));
    EXPECT_EQ(values(canRedo), (QVariantList{true, false}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Pick"));
    EXPECT_TRUE(undo->redoActionName().isEmpty());

    storage.cleanUndoStack();
    EXPECT_EQ(values(canUndo), (QVariantList{true, false, true, false}));
    EXPECT_EQ(canRedo.count(), 2);
}

// A new session must not keep the last one's records: once every observer has heard the end of
// "Clearing Session" (and could still read the cleared records until then), they are freed, and
// the store still learns that they are gone. A holder between a change and its reload holds the
// free off until it lets go; a handle answers null from the delete on.
TEST_F(ImageStorage, ClearingFreesTheClearedRecordsAfterItsEndIsHeard)
{
    for (const bool holdsTheFree : {false, true}) {
        SCOPED_TRACE(holdsTheFree);
        {
            KTImageStorage storage(locations());
            auto context = storage.managedObjectContext();
            fillCatalog(*context, 30);
            ASSERT_TRUE(storage.saveChangesOrReturnError());
            KTImageMO *image = context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}).first();
            const KTRecordRef<KTImageMO> handle(image);
            const std::size_t held = context->heldObjectCount();
            ASSERT_GT(held, 30u);

            QString pathHeardAtTheEnd;
            std::size_t heldAtTheEnd = 0;
            bool finished = false;
            const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
                KTTaskDidFinishInfo::name(), &storage, [&](const KTNotification &notification) {
                    if (KTTaskDidFinishInfo::taskName(notification.userInfo) != kCleanSessionTaskName)
                        return;
                    finished = true;
                    heldAtTheEnd = context->heldObjectCount();
                    pathHeardAtTheEnd = image->path();
                });
            std::shared_ptr<void> hold = holdsTheFree ? storage.holdClearedRecords() : nullptr;
            storage.cleanSession();
            ASSERT_TRUE(waitUntil([&] { return finished; }));
            EXPECT_EQ(heldAtTheEnd, held);
            EXPECT_FALSE(pathHeardAtTheEnd.isEmpty());
            EXPECT_EQ(handle.get(), nullptr);
            drainMainQueue();
            if (holdsTheFree) {
                EXPECT_EQ(context->heldObjectCount(), held);
                hold.reset();
                EXPECT_EQ(context->heldObjectCount(), held) << "freed under whoever dropped the hold";
                drainMainQueue();
            }
            EXPECT_EQ(context->heldObjectCount(), 0u);
            EXPECT_TRUE(handle.isGone());
            EXPECT_TRUE(storage.images().isEmpty());
            ASSERT_TRUE(storage.saveChangesOrReturnError());
        }
        KTImageStorage again(locations());
        EXPECT_EQ(again.managedObjectContext()->heldObjectCount(), 0u);
    }
}
