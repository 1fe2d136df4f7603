#include "KTSessionSources.h"

#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTOperationQueue.h"
#include "KTSessionFixtures.h"
#include "KTSourceBookmarks.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"
#include "KTUndoManager.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
}

QString makeFolder(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
}

QList<KTFolderMO *> sourcesOf(KTObjectContext &context)
{
    return context.fetchAs<KTFolderMO>({kFolderEntityName, {}, {KTSortDescriptor(kFolderPathValueKey)}});
}

class SessionSources : public ::testing::Test
{
public:
    SessionSources()
        : storage({dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))}),
          context(storage.managedObjectContext()), tasks(&storage)
    {}
    ~SessionSources() override { KTSourceBookmarks::forgetBookmarks(); }

    bool waitForTask(const QString &name)
    {
        return waitUntil([&] { return tasks.count(kTaskDidFinishNotification, name) > 0; });
    }
    KTFolderMO *folderSource(const QString &path, const QString &sourceID = QString())
    {
        auto *source = context->insert<KTFolderMO>(kFolderEntityName);
        source->setPath(path);
        source->setType(kFolderTypeFileSystem);
        source->setSourceID(sourceID);
        source->setBookmark(KTSourceBookmarks::bookmarkForPath(path));
        return source;
    }

    QTemporaryDir dir;
    KTRecordingErrorSeams errors;
    KTImageStorage storage;
    std::shared_ptr<KTObjectContext> context;
    KTTaskRecorder tasks;
};

} // namespace

TEST_F(SessionSources, StartingASessionRecordsEachFolderOnceAndEachCatalogue)
{
    const QString folder = makeFolder(dir, "Trip");
    const QString library = dir.filePath("Catalog.lrcat");
    writeFile(library, "catalogue");
    const QVariantMap present{{"nodeId", "node-1"},
                              {"importSource", kFolderTypeLightroom3},
                              {"mediaSource", library},
                              {"importSourceName", "Trip"}};
    const QVariantMap missing{
        {"nodeId", "node-2"}, {"importSource", kFolderTypeiPhoto}, {"mediaSource", "/nowhere"}};
    int resets = 0;
    QStringList watched;
    KTSessionHooks hooks;
    hooks.resetImagesSyncing = [&] { ++resets; };
    hooks.addExternalSourcePath = [&](const QString &path) { watched.append(path); };
    storage.setSessionHooks(hooks);

    storage.addSourcesForPaths({folder, folder, "Pictures", ""}, {present, missing});
    ASSERT_TRUE(waitForTask(kAddSourcesTaskName));

    // An empty catalogue needs no clearing task.
    EXPECT_EQ(tasks.trail(), (QStringList{"TaskDidStart:Adding Sources", "TaskDidFinish:Adding Sources"}));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(watched, (QStringList{library, "/nowhere"}));
    EXPECT_EQ(storage.externalApplicationImages(), (QVariantList{present, missing}));
    const QList<KTFolderMO *> sources = sourcesOf(*context);
    ASSERT_EQ(sources.size(), 3);
    const KTFolderMO *trip = sources[0];
    EXPECT_EQ(trip->path(), folder);
    EXPECT_EQ(trip->type(), kFolderTypeFileSystem);
    EXPECT_FALSE(trip->sourceID().isEmpty());
    EXPECT_TRUE(trip->addedDate().isValid());
    EXPECT_FALSE(trip->bookmark().isEmpty());
    EXPECT_EQ(trip->bookmark(), KTSourceBookmarks::bookmarkForPath(folder));
    EXPECT_EQ(KTSourceBookmarks::securityBookmarksDictionary().value(folder).toByteArray(), trip->bookmark());
    EXPECT_EQ(sources[1]->path(), QStringLiteral("node-1"));
    EXPECT_EQ(sources[1]->type(), kFolderTypeLightroom3);
    EXPECT_EQ(sources[1]->mediaSource(), library);
    EXPECT_FALSE(sources[1]->sourceID().isEmpty());
    EXPECT_TRUE(sources[1]->bookmark().isNull());
    EXPECT_EQ(sources[2]->path(), QStringLiteral("node-2"));
    EXPECT_TRUE(sources[2]->sourceID().isNull());
}

TEST_F(SessionSources, FolderAndNodeNamesWithWildcardsAreSourcesOfTheirOwn)
{
    // Looked up as patterns, "a?b" and "a*b" would match "axb" and never be recorded.
    const QStringList folders{makeFolder(dir, "axb"), makeFolder(dir, "a?b"), makeFolder(dir, "a*b")};
    const QVariantMap plain{{"nodeId", "lib/x"}, {"importSource", kFolderTypeAperture}};
    const QVariantMap star{{"nodeId", "lib/*"}, {"importSource", kFolderTypeAperture}};

    storage.addSourcesForPaths(folders, {plain, star});
    ASSERT_TRUE(waitForTask(kAddSourcesTaskName));

    QStringList paths;
    for (const KTFolderMO *source : sourcesOf(*context))
        paths.append(source->path());
    EXPECT_EQ(paths,
              (QStringList{dir.filePath("a*b"), dir.filePath("a?b"), dir.filePath("axb"), "lib/*", "lib/x"}));
}

TEST_F(SessionSources, ValidationFindsFoldersAndCataloguesThatAreNoLongerWhatWasRecorded)
{
    struct Case
    {
        const char *name;
        // Makes one source in the context, then changes the disk under it.
        std::function<void(KTObjectContext &, const QTemporaryDir &)> prepare;
        bool invalid;
    };
    auto folder = [](KTObjectContext &context, const QString &path) {
        auto *source = context.insert<KTFolderMO>(kFolderEntityName);
        source->setPath(path);
        source->setType(kFolderTypeFileSystem);
        source->setBookmark(KTSourceBookmarks::bookmarkForPath(path));
        return source;
    };
    auto catalogue = [](KTObjectContext &context, const QString &mediaSource, const QString &sourceID) {
        auto *source = context.insert<KTFolderMO>(kFolderEntityName);
        source->setPath(QStringLiteral("node"));
        source->setType(kFolderTypeiPhoto);
        source->setMediaSource(mediaSource);
        source->setSourceID(sourceID);
        return source;
    };
    // A library folder "Lib" whose marker "Lib/.Lib" is made by `marker`.
    auto library = [catalogue](std::function<void(const QString &markerPath)> marker,
                               const QString &sourceID) {
        return [=](KTObjectContext &context, const QTemporaryDir &dir) {
            const QString path = makeFolder(dir, "Lib");
            catalogue(context, path, sourceID);
            if (marker)
                marker(path + "/.Lib");
        };
    };
    const Case cases[] = {
        {"unchanged folder",
         [&](KTObjectContext &c, const QTemporaryDir &d) { folder(c, makeFolder(d, "A")); }, false},
        {"deleted folder",
         [&](KTObjectContext &c, const QTemporaryDir &d) {
             folder(c, makeFolder(d, "A"));
             QDir(d.filePath("A")).removeRecursively();
         },
         true},
        {"folder replaced by a file",
         [&](KTObjectContext &c, const QTemporaryDir &d) {
             folder(c, makeFolder(d, "A"));
             QDir(d.filePath("A")).removeRecursively();
             writeFile(d.filePath("A"), "file");
         },
         true},
        {"folder moved away and another made in its place",
         [&](KTObjectContext &c, const QTemporaryDir &d) {
             folder(c, makeFolder(d, "A"));
             ASSERT_TRUE(QDir(d.path()).rename("A", "A-moved"));
             makeFolder(d, "A");
         },
         true},
        {"folder recorded without a bookmark, still a folder",
         [&](KTObjectContext &c, const QTemporaryDir &d) {
             folder(c, makeFolder(d, "A"))->setBookmark({});
             ASSERT_TRUE(QDir(d.path()).rename("A", "A-moved"));
             makeFolder(d, "A");
         },
         false},
        {"catalogue without media source",
         [&](KTObjectContext &c, const QTemporaryDir &) { catalogue(c, {}, {}); }, false},
        {"catalogue whose media source is gone",
         [&](KTObjectContext &c, const QTemporaryDir &d) { catalogue(c, d.filePath("gone.lrcat"), "ID"); },
         true},
        {"library without marker", library({}, "ID"), false},
        {"marker holding the source's id", library([](const QString &p) { writeFile(p, "ID"); }, "ID"),
         false},
        {"marker holding another id", library([](const QString &p) { writeFile(p, "OTHER"); }, "ID"), true},
        {"marker but no id", library([](const QString &p) { writeFile(p, "ID"); }, {}), true},
        {"FIFO in the marker's place",
         library([](const QString &p) { ::mkfifo(QFile::encodeName(p), 0600); }, "ID"), true},
        {"folder in the marker's place", library([](const QString &p) { QDir().mkpath(p); }, "ID"), true},
        {"link in the marker's place",
         library(
             [](const QString &p) {
                 writeFile(p + "-target", "ID");
                 QFile::link(p + "-target", p);
             },
             "ID"),
         true},
        {"file too large for a marker",
         library([](const QString &p) { writeFile(p, "ID" + QByteArray(5000, ' ')); }, "ID"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        auto caseContext = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        EXPECT_FALSE(KTSessionSources::hasInvalidSourcesInContext(*caseContext)); // empty
        c.prepare(*caseContext, caseDir);
        EXPECT_EQ(KTSessionSources::hasInvalidSourcesInContext(*caseContext), c.invalid);
    }
}

TEST_F(SessionSources, ValidatingReportsAReplacedFolderWhenTheTaskEnds)
{
    folderSource(makeFolder(dir, "A"));
    drainMainQueue();

    storage.validate();
    ASSERT_TRUE(waitForTask(kValidateTaskName));
    ASSERT_EQ(tasks.events().size(), 2u);
    EXPECT_FALSE(tasks.events()[0].userInfo.contains(kTaskCancelableStateKey));
    EXPECT_EQ(tasks.events()[1].userInfo.value(kHasInvalidSourcesKey), QVariant(false));

    ASSERT_TRUE(QDir(dir.path()).rename("A", "A-moved"));
    makeFolder(dir, "A");
    tasks.clear();
    storage.validate();
    ASSERT_TRUE(waitForTask(kValidateTaskName));
    EXPECT_EQ(tasks.events().back().userInfo.value(kHasInvalidSourcesKey), QVariant(true));
}

TEST_F(SessionSources, ClearingAnEmptyCatalogueReportsNoTaskButForgetsBookmarks)
{
    KTUserDefaults::standardUserDefaults().setObject(QVariantMap{{"/x", QByteArray("id")}},
                                                     kSecurityBookmarksDictionary);
    int finderResets = 0;
    int seekerResets = 0;
    KTSessionHooks hooks;
    hooks.resetSimilarFinder = [&] { ++finderResets; };
    hooks.resetDuplicatesSeeker = [&] { ++seekerResets; };
    storage.setSessionHooks(hooks);

    bool done = false;
    storage.cleanSessionWithCompletionBlock([&] { done = true; });
    EXPECT_FALSE(done); // queued, not called in place
    ASSERT_TRUE(waitUntil([&] { return done; }));
    drainMainQueue();

    EXPECT_TRUE(tasks.events().empty());
    EXPECT_FALSE(KTUserDefaults::standardUserDefaults().hasStoredValue(kSecurityBookmarksDictionary));
    EXPECT_EQ(finderResets, 1);
    EXPECT_EQ(seekerResets, 0);
}

TEST_F(SessionSources, ClearingRemovesEveryRecordAfterTheQueuedWorkAndKeepsTheFiles)
{
    const QString folder = makeFolder(dir, "Trip");
    const QString photo = folder + "/photo.jpg";
    writeFile(photo, "pixels");
    KTFolderMO *source = folderSource(folder, "ID-1");
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath(photo);
    image->setFolder(source);
    context->insert<KTImageGroupMO>(kImageGroupEntityName)->addImages({image});
    image->setTimeGroup(context->insert<KTTimeGroupMO>(kTimeGroupEntityName));
    drainMainQueue();

    // Work on the shared queue runs until cancelled; the clearing must wait for it.
    std::atomic<bool> workEnded{false};
    std::atomic<bool> workStarted{false};
    KTOperationQueue::sharedQueue().addOperationWithBlock([&](const KTOperation &operation) {
        workStarted = true;
        while (!operation.isCancelled())
            QThread::msleep(1);
        workEnded = true;
    });
    ASSERT_TRUE(waitUntil([&] { return workStarted.load(); }));
    std::atomic<int> hashResets{0};
    std::atomic<int> seekerResets{0};
    KTSessionHooks hooks;
    hooks.cleanHashes = [&] { ++hashResets; };
    hooks.resetDuplicatesSeeker = [&] { ++seekerResets; };
    storage.setSessionHooks(hooks);

    int finishesSeenByCompletion = -1;
    storage.cleanSessionWithCompletionBlock(
        [&] { finishesSeenByCompletion = tasks.count(kTaskDidFinishNotification, kCleanSessionTaskName); });
    ASSERT_TRUE(waitForTask(kCleanSessionTaskName));

    EXPECT_TRUE(workEnded);
    EXPECT_EQ(finishesSeenByCompletion, 0);
    EXPECT_EQ(tasks.trail(),
              (QStringList{"TaskDidStart:Clearing Session", "TaskDidFinish:Clearing Session"}));
    EXPECT_EQ(hashResets, 1);
    EXPECT_EQ(seekerResets, 1);
    for (const QString &entity :
         {kImageEntityName, kFolderEntityName, kImageGroupEntityName, kTimeGroupEntityName})
        EXPECT_EQ(context->count({entity, {}, {}}), 0) << entity.toStdString();
    EXPECT_TRUE(QFileInfo::exists(photo));
}

// Undo after a clearing must not bring a record of the cleared session back.
TEST_F(SessionSources, ClearingForgetsTheUndoHistoryOfTheClearedSession)
{
    auto *image = context->insert<KTImageMO>(kImageEntityName);
    image->setPath(dir.filePath("photo.jpg"));
    image->setFolder(folderSource(makeFolder(dir, "Trip")));
    auto *group = context->insert<KTImageGroupMO>(kImageGroupEntityName);
    group->addImages({image});
    drainMainQueue();
    storage.cleanUndoStack();
    storage.deleteGroups({group});
    drainMainQueue();
    ASSERT_TRUE(storage.undoManager()->canUndo());

    storage.cleanSession();
    ASSERT_TRUE(waitForTask(kCleanSessionTaskName));
    drainMainQueue();
    EXPECT_FALSE(storage.undoManager()->canUndo());
    storage.undoManager()->undo();
    drainMainQueue();
    for (const QString &entity : {kImageEntityName, kImageGroupEntityName})
        EXPECT_EQ(context->count({entity, {}, {}}), 0) << entity.toStdString();
}

TEST_F(SessionSources, ClearingDeletesOnlyMarkersThatHoldTheirSourcesId)
{
    struct Case
    {
        const char *name;
        std::function<void(const QString &markerPath)> make;
        bool deleted;
    };
    const Case cases[] = {
        {"marker holding the id", [](const QString &p) { writeFile(p, "ID"); }, true},
        {"user's file", [](const QString &p) { writeFile(p, "my notes"); }, false},
        {"user's folder", [](const QString &p) { QDir().mkpath(p); }, false},
        {"link to a file holding the id",
         [](const QString &p) {
             writeFile(p + "-target", "ID");
             QFile::link(p + "-target", p);
         },
         false},
        {"FIFO", [](const QString &p) { ::mkfifo(QFile::encodeName(p), 0600); }, false},
        {"large file starting with the id",
         [](const QString &p) { writeFile(p, "ID" + QByteArray(5000, '\n')); }, false},
    };
    QStringList markers;
    int index = 0;
    for (const Case &c : cases) {
        const QString folder = makeFolder(dir, QStringLiteral("Source%1").arg(index++));
        const QString marker = folder + "/." + QFileInfo(folder).fileName();
        c.make(marker);
        folderSource(folder, "ID");
        markers.append(marker);
    }
    drainMainQueue();

    storage.cleanSession();
    ASSERT_TRUE(waitForTask(kCleanSessionTaskName));

    for (qsizetype i = 0; i < markers.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        struct stat info;
        const bool exists = ::lstat(QFile::encodeName(markers[i]).constData(), &info) == 0;
        EXPECT_EQ(exists, !cases[i].deleted);
    }
    EXPECT_TRUE(QFileInfo::exists(markers[3] + "-target"));
    EXPECT_EQ(context->count({kFolderEntityName, {}, {}}), 0);
}
