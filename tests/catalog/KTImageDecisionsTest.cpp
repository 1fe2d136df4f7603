#include "KTImageDecisions.h"

#include "KTAlert.h"
#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTPredicate.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTSessionFixtures.h"
#include "KTTestSupport.h"
#include "KTUndoManager.h"
#include "KTWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>

namespace {

class ImageDecisions : public ::testing::Test
{
public:
    ImageDecisions()
        : storage({dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))}),
          context(storage.managedObjectContext())
    {
        resolutions = KTNotificationCenter::defaultCenter().addObserver(
            kImageGroupHasBeenResolvedNotification, &storage, [this](const KTNotification &notification) {
                auto *group = KTImageGroupResolvedInfo::resolvedGroup(notification.userInfo);
                // The group is still alive while observers hear of it.
                resolved.append(group && !group->isDeleted() ? group->groupID() : QStringLiteral("dead"));
            });
    }

    KTImageMO *image(const QString &name, std::optional<bool> picked = {}, std::optional<bool> rejected = {})
    {
        auto *record = context->insert<KTImageMO>(kImageEntityName);
        record->setPath(name.startsWith('/') ? name : dir.filePath(name));
        record->setName(QFileInfo(name).baseName());
        record->setPicked(picked);
        record->setRejected(rejected);
        return record;
    }
    KTImageGroupMO *group(const QString &id, const QList<KTImageMO *> &images)
    {
        auto *record = context->insert<KTImageGroupMO>(kImageGroupEntityName);
        record->setGroupID(id);
        record->addImages(images);
        return record;
    }
    QString writeFile(const QString &name)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("pixels");
        return file.fileName();
    }
    QTemporaryDir dir;
    KTRecordingErrorSeams errors;
    KTImageStorage storage;
    std::shared_ptr<KTObjectContext> context;
    QStringList resolved;
    KTObserverToken resolutions;
};

bool isTrue(std::optional<bool> value)
{
    return value.value_or(false);
}

} // namespace

TEST_F(ImageDecisions, ResolvingKeepsPickedImagesAndRejectsTheRest)
{
    KTImageMO *picked = image("picked.jpg", true);
    KTImageMO *pickedRejected = image("picked-rejected.jpg", true, true);
    KTImageMO *undecided = image("undecided.jpg");
    KTImageMO *unpicked = image("unpicked.jpg", false);
    KTImageGroupMO *mixed = group("mixed", {picked, pickedRejected, undecided, unpicked});
    KTImageMO *allPicked1 = image("all1.jpg", true);
    KTImageMO *allPicked2 = image("all2.jpg", true);
    KTImageGroupMO *allPicked = group("all-picked", {allPicked1, allPicked2});

    storage.resolveGroups({mixed, allPicked});

    EXPECT_EQ(resolved, (QStringList{"mixed", "all-picked"}));
    EXPECT_TRUE(mixed->isDeleted());
    EXPECT_TRUE(allPicked->isDeleted());
    EXPECT_FALSE(isTrue(picked->rejected()));
    EXPECT_TRUE(isTrue(picked->picked()));
    EXPECT_TRUE(isTrue(pickedRejected->rejected()));
    EXPECT_TRUE(isTrue(undecided->rejected()));
    EXPECT_TRUE(isTrue(unpicked->rejected()));
    EXPECT_FALSE(isTrue(allPicked1->rejected()));
    for (KTImageMO *record : {picked, pickedRejected, undecided, unpicked, allPicked1, allPicked2})
        EXPECT_TRUE(record->resolveDate().isValid()) << record->path().toStdString();
}

// A review mode may still hold a group that was resolved meanwhile: its record is deleted but
// keeps its last images. Resolving, deleting or ungrouping through it again must not decide for
// those images a second time.
TEST_F(ImageDecisions, GroupOperationsIgnoreDeletedRecords)
{
    KTImageMO *picked = image("picked.jpg", true);
    KTImageMO *kept = image("kept.jpg");
    KTImageGroupMO *gone = group("gone", {picked, kept});
    storage.resolveGroups({gone});
    ASSERT_TRUE(gone->isDeleted());
    kept->setRejected(false);
    kept->setResolveDate({});
    resolved.clear();

    storage.resolveGroups({gone});
    storage.deleteGroups({gone});
    EXPECT_TRUE(resolved.isEmpty());
    EXPECT_FALSE(isTrue(kept->rejected()));
    EXPECT_FALSE(isTrue(picked->rejected()));
    EXPECT_FALSE(kept->resolveDate().isValid());

    KTImageMO *removed = image("removed.jpg");
    KTImageGroupMO *still = group("still", {removed, image("other.jpg")});
    context->deleteObject(removed);
    storage.deleteImagesFromGroups({removed});
    EXPECT_FALSE(removed->resolveDate().isValid());
    EXPECT_FALSE(still->isDeleted());
}

TEST_F(ImageDecisions, DeletingGroupsRejectsPickedImagesTooWithoutResolutionNotice)
{
    KTImageMO *picked = image("picked.jpg", true);
    KTImageMO *other = image("other.jpg");
    KTImageGroupMO *doomed = group("doomed", {picked, other});

    storage.deleteGroups({doomed});

    EXPECT_TRUE(doomed->isDeleted());
    EXPECT_TRUE(resolved.isEmpty());
    EXPECT_TRUE(isTrue(picked->rejected()));
    EXPECT_TRUE(isTrue(picked->picked()));
    EXPECT_TRUE(isTrue(other->rejected()));
}

TEST_F(ImageDecisions, RejectingSettlesOnlyGroupsWithoutUnrejectedImages)
{
    const QDateTime earlier = QDateTime::currentDateTime().addDays(-1);
    KTImageMO *alreadyRejected = image("old.jpg", {}, true);
    alreadyRejected->setResolveDate(earlier);
    KTImageMO *rejectedMember = image("rejected.jpg", {}, true);
    KTImageMO *last = image("last.jpg");
    KTImageGroupMO *settling = group("settling", {rejectedMember, last});
    KTImageMO *first = image("first.jpg");
    KTImageMO *remaining = image("remaining.jpg");
    KTImageGroupMO *staying = group("staying", {first, remaining});

    storage.moveImagesToTrash({alreadyRejected, rejectedMember, last, first});

    EXPECT_EQ(alreadyRejected->resolveDate(), earlier);
    EXPECT_TRUE(isTrue(last->rejected()));
    EXPECT_TRUE(last->resolveDate().isValid());
    EXPECT_EQ(resolved, (QStringList{"settling"}));
    EXPECT_TRUE(settling->isDeleted());
    EXPECT_FALSE(staying->isDeleted());
    EXPECT_FALSE(isTrue(remaining->rejected()));
}

TEST_F(ImageDecisions, TakingImagesOutOfGroupsResolvesSettledGroupsAndDissolvesGroupsOfOne)
{
    // A group left with two images stays; one left with rejected images only is resolved; one
    // left with a single unrejected image is no group any more, and that image stays undecided.
    KTImageMO *a = image("a.jpg");
    KTImageMO *b = image("b.jpg");
    KTImageMO *c = image("c.jpg");
    KTImageGroupMO *keepsTwo = group("keeps-two", {a, b, c});
    KTImageMO *rejected = image("rejected.jpg", {}, true);
    KTImageMO *unrejected = image("unrejected.jpg");
    KTImageGroupMO *settles = group("settles", {rejected, unrejected});
    KTImageMO *leaving = image("leaving.jpg");
    KTImageMO *left = image("left.jpg");
    KTImageGroupMO *pair = group("pair", {leaving, left});

    storage.deleteImagesFromGroups({a, unrejected, leaving});

    EXPECT_EQ(a->group(), nullptr);
    EXPECT_TRUE(a->resolveDate().isValid());
    EXPECT_FALSE(isTrue(a->rejected()));
    EXPECT_FALSE(keepsTwo->isDeleted());
    EXPECT_EQ(keepsTwo->images(), (QList<KTImageMO *>{b, c}));
    EXPECT_EQ(resolved, (QStringList{"settles"}));
    EXPECT_TRUE(settles->isDeleted());
    EXPECT_FALSE(isTrue(unrejected->rejected()));
    EXPECT_TRUE(pair->isDeleted());
    EXPECT_EQ(left->group(), nullptr);
    EXPECT_FALSE(isTrue(left->rejected()));
    EXPECT_FALSE(left->resolveDate().isValid());
    EXPECT_EQ(storage.groups(), QList<KTImageGroupMO *>{keepsTwo});
}

// However one image of a pair leaves the catalogue, the other is not listed as a similar "group"
// of one: it keeps its decision (picked or not) and leaves the group, which ends unresolved.
TEST_F(ImageDecisions, RemovingOneImageOfAPairLeavesNoGroupOfOne)
{
    const struct
    {
        const char *way;
        std::function<void(KTImageStorage &, KTImageMO *)> remove;
    } ways[] = {
        {"trash",
         [](KTImageStorage &catalogue, KTImageMO *image) {
             bool done = false;
             catalogue.moveImagesToSystemTrash({image}, [&] { done = true; });
             ASSERT_TRUE(waitUntil([&] { return done; }));
         }},
        {"record deleted",
         [](KTImageStorage &catalogue, KTImageMO *image) { catalogue.deleteImagesFromDB({image}); }},
    };
    storage.setFileRecycler([](const QString &, QString *) { return true; });
    auto alerts = KTScriptedAlertPresenter::install();
    for (const auto &way : ways) {
        for (const bool pickedLeft : {false, true}) {
            SCOPED_TRACE(std::string(way.way) + (pickedLeft ? ", the other picked" : ""));
            KTImageMO *removed = image("removed.jpg");
            KTImageMO *other = image("other.jpg", pickedLeft ? std::optional<bool>(true) : std::nullopt);
            KTImageGroupMO *pair = group("pair", {removed, other});
            drainMainQueue();
            resolved.clear();
            alerts->answer(KTAlert::kDefaultReturn);

            way.remove(storage, removed);

            EXPECT_TRUE(removed->isDeleted());
            EXPECT_TRUE(pair->isDeleted());
            EXPECT_TRUE(storage.groups().isEmpty());
            EXPECT_EQ(other->group(), nullptr);
            EXPECT_FALSE(isTrue(other->rejected()));
            EXPECT_EQ(isTrue(other->picked()), pickedLeft);
            EXPECT_TRUE(resolved.isEmpty());
            context->deleteObject(other);
            drainMainQueue();
        }
    }
}

// A resolved (or deleted) group comes back when one of its images is undecided again: restored
// from the rejects or unpicked. It holds again every image it held that has no group now, each
// with its own decision, under its old identifier.
TEST_F(ImageDecisions, RestoringAnImageOfAnEndedGroupBringsTheGroupBack)
{
    const struct
    {
        const char *how;
        bool deleteInsteadOfResolve;
    } endings[] = {{"resolved", false}, {"deleted", true}};
    for (const auto &ending : endings) {
        SCOPED_TRACE(ending.how);
        KTImageMO *pick = image("pick.jpg", true);
        KTImageMO *b = image("b.jpg");
        KTImageMO *c = image("c.jpg");
        KTImageGroupMO *similar = group("similar", {pick, b, c});
        if (ending.deleteInsteadOfResolve)
            storage.deleteGroups({similar});
        else
            storage.resolveGroups({similar});
        ASSERT_TRUE(similar->isDeleted());
        ASSERT_TRUE(isTrue(b->rejected()));

        // As the rejects' Restore does it.
        b->setRejected(false);
        storage.processPendingChanges();

        ASSERT_EQ(storage.groups().size(), 1);
        KTImageGroupMO *back = storage.groups().first();
        EXPECT_EQ(back->groupID(), QStringLiteral("similar"));
        EXPECT_EQ(back->images(), (QList<KTImageMO *>{pick, b, c}));
        EXPECT_FALSE(isTrue(b->rejected()));
        EXPECT_TRUE(isTrue(c->rejected()));
        EXPECT_EQ(isTrue(pick->rejected()), ending.deleteInsteadOfResolve);
        EXPECT_TRUE(isTrue(pick->picked()));

        // Restoring a second image of it changes the group no further; it can be resolved again.
        c->setRejected(false);
        storage.processPendingChanges();
        EXPECT_EQ(storage.groups(), QList<KTImageGroupMO *>{back});
        EXPECT_EQ(back->images().size(), 3);
        storage.resolveGroups({back});
        EXPECT_TRUE(storage.groups().isEmpty());
        EXPECT_EQ(c->resolvedGroupID(), QStringLiteral("similar"));
        for (KTImageMO *record : {pick, b, c})
            context->deleteObject(record);
        drainMainQueue();
    }
}

TEST_F(ImageDecisions, RestoringAnImageWhoseCompanionsAreGoneMakesNoGroup)
{
    KTImageMO *a = image("a.jpg");
    KTImageMO *b = image("b.jpg");
    KTImageGroupMO *pair = group("pair", {a, b});
    storage.resolveGroups({pair});
    storage.deleteImagesFromDB({a});

    b->setRejected(false);
    storage.processPendingChanges();

    EXPECT_TRUE(storage.groups().isEmpty());
    EXPECT_EQ(b->group(), nullptr);
    EXPECT_TRUE(b->resolvedGroupID().isEmpty());
}

// The restore and the group it brings back are one step for undo.
TEST_F(ImageDecisions, UndoingARestoreEndsTheGroupItBroughtBack)
{
    KTImageMO *a = image("a.jpg");
    KTImageMO *b = image("b.jpg");
    KTImageGroupMO *pair = group("pair", {a, b});
    storage.resolveGroups({pair});
    drainMainQueue();
    storage.cleanUndoStack();

    a->setRejected(false);
    storage.processPendingChanges();
    ASSERT_EQ(storage.groups().size(), 1);
    drainMainQueue();
    storage.undoManager()->undo();
    storage.processPendingChanges();

    EXPECT_TRUE(isTrue(a->rejected()));
    EXPECT_TRUE(storage.groups().isEmpty());
    EXPECT_EQ(a->group(), nullptr);
    EXPECT_EQ(a->resolvedGroupID(), QStringLiteral("pair"));

    storage.undoManager()->redo();
    storage.processPendingChanges();
    EXPECT_EQ(storage.groups().size(), 1);
}

TEST_F(ImageDecisions, PickRejectAndResolveCanBeUndone)
{
    KTImageMO *a = image("a.jpg");
    KTImageMO *b = image("b.jpg");
    KTImageGroupMO *similar = group("similar", {a, b});
    drainMainQueue();
    storage.cleanUndoStack();
    KTUndoManager &undo = *storage.undoManager();

    a->setPicked(true);
    drainMainQueue();
    undo.undo();
    EXPECT_FALSE(a->picked().has_value());

    storage.moveImagesToTrash({b});
    drainMainQueue();
    undo.undo();
    EXPECT_FALSE(isTrue(b->rejected()));
    EXPECT_FALSE(b->resolveDate().isValid());

    a->setPicked(true);
    drainMainQueue();
    storage.resolveGroups({similar});
    EXPECT_TRUE(similar->isDeleted());
    drainMainQueue();
    undo.undo();
    EXPECT_FALSE(similar->isDeleted());
    EXPECT_EQ(a->group(), similar);
    EXPECT_EQ(b->group(), similar);
    EXPECT_FALSE(isTrue(b->rejected()));
    EXPECT_TRUE(isTrue(a->picked()));
}

TEST_F(ImageDecisions, RejectingAFolderAsksAndCountsOnlyListedImagesOfThatExactFolder)
{
    KTImageMO *a = image("/photos/trip/a.jpg");
    KTImageMO *b = image("/photos/trip/b.cr2");
    KTImageMO *sub = image("/photos/trip/sub/c.jpg");
    KTImageMO *elsewhere = image("/photos/tripx/d.jpg");
    KTImageMO *unlisted = image("/photos/trip/e.jpg");
    storage.changeHandler().setImagesFilter(KTKeyPath("path") != QStringLiteral("/photos/trip/e.jpg"));
    auto alerts = KTScriptedAlertPresenter::install();

    alerts->answer(KTAlert::kAlternateReturn);
    storage.moveImagesLocatedInSameFolderToTrashWithImage(a);
    EXPECT_FALSE(isTrue(a->rejected()));

    alerts->answer(KTAlert::kDefaultReturn);
    storage.moveImagesLocatedInSameFolderToTrashWithImage(b);
    EXPECT_TRUE(isTrue(a->rejected()));
    EXPECT_TRUE(isTrue(b->rejected()));
    EXPECT_FALSE(isTrue(sub->rejected()));
    EXPECT_FALSE(isTrue(elsewhere->rejected()));
    EXPECT_FALSE(isTrue(unlisted->rejected()));

    const std::vector<KTAlert> shown = alerts->shown();
    ASSERT_EQ(shown.size(), 2u);
    const KTAlert &alert = shown[1];
    EXPECT_EQ(alert.messageText, QStringLiteral("2 photos in \"/photos/trip\" will be rejected."));
    EXPECT_EQ(alert.informativeText, QStringLiteral("Are you sure?"));
    EXPECT_EQ(alert.buttons, (QStringList{"Yes", "No"}));
    EXPECT_EQ(alert.returnCodeForButton(0), KTAlert::kDefaultReturn);
    EXPECT_EQ(alert.returnCodeForButton(1), KTAlert::kAlternateReturn);
}

// The questions count in the singular for one image and in the plural for more.
TEST_F(ImageDecisions, QuestionsCountOneImageInTheSingular)
{
    auto alerts = KTScriptedAlertPresenter::install();
    KTImageMO *one = image("/photos/one/a.jpg");
    KTImageMO *a = image("/photos/two/a.jpg");
    KTImageMO *b = image("/photos/two/b.jpg");
    const struct
    {
        std::function<void()> ask;
        const char *question;
    } cases[] = {
        {[&] { storage.moveImagesToSystemTrash({one}); },
         "1 image will be moved to the Trash. Are you sure?"},
        {[&] {
             storage.moveImagesToSystemTrash({a, b});
         },
         "2 images will be moved to the Trash. Are you sure?"},
        {[&] { storage.moveImagesLocatedInSameFolderToTrashWithImage(one); },
         "1 photo in \"/photos/one\" will be rejected."},
        {[&] { storage.moveImagesLocatedInSameFolderToTrashWithImage(a); },
         "2 photos in \"/photos/two\" will be rejected."},
    };
    for (const auto &c : cases) {
        alerts->answer(KTAlert::kAlternateReturn);
        c.ask();
        ASSERT_FALSE(alerts->shown().empty());
        EXPECT_EQ(alerts->shown().back().messageText, QString::fromUtf8(c.question));
    }
}

TEST_F(ImageDecisions, TrashingMovesBothFilesOfAPairAndRejectsCatalogueImagesInTheirCatalogue)
{
    KTImageMO *pair = image(QFileInfo(writeFile("pair.cr2")).fileName());
    pair->setDuplicateImagePath(writeFile("pair.jpg"));
    KTImageMO *single = image(QFileInfo(writeFile("single.jpg")).fileName());
    KTImageMO *external = image("/catalogue/masters/e.jpg");
    external->setExternalGUID(QStringLiteral("GUID-1"));
    KTImageMO *kept = image("kept.jpg");
    KTImageGroupMO *similar = group("similar", {pair, kept});
    KTSessionHooks hooks;
    QList<KTImageMO *> markedRejected;
    hooks.markImagesAsRejected = [&](const QList<KTImageMO *> &images) {
        EXPECT_FALSE(storage.undoManager()->isUndoRegistrationEnabled());
        markedRejected += images;
        return QSet<KTImageMO *>{};
    };
    storage.setSessionHooks(hooks);
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kDefaultReturn);
    kept->setRejected(true);
    drainMainQueue();
    ASSERT_TRUE(storage.undoManager()->canUndo());

    bool done = false;
    storage.moveImagesToSystemTrash({pair, single, external}, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));

    const QString trash = KTWorkspace::homeTrashPath() + QStringLiteral("/files/");
    for (const char *name : {"pair.cr2", "pair.jpg", "single.jpg"}) {
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(name))) << name;
        EXPECT_TRUE(QFileInfo::exists(trash + name)) << name;
        QFile::remove(trash + name);
    }
    EXPECT_EQ(markedRejected, QList<KTImageMO *>{external});
    for (KTImageMO *record : {pair, single, external})
        EXPECT_TRUE(record->isDeleted());
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_TRUE(similar->isDeleted()); // settled: its remaining image is rejected
    EXPECT_EQ(resolved, (QStringList{"similar"}));
    EXPECT_FALSE(storage.undoManager()->canUndo());
    const std::vector<KTAlert> shown = alerts->shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].messageText, QStringLiteral("3 images will be moved to the Trash. Are you sure?"));
    EXPECT_EQ(shown[0].buttons, (QStringList{"Ok", "Cancel"}));
    EXPECT_EQ(shown[0].returnCodeForButton(1), KTAlert::kAlternateReturn);
}

TEST_F(ImageDecisions, FilesThatCannotBeTrashedKeepTheirRecordsAndAreReportedOnce)
{
    KTImageMO *locked = image("locked.jpg");
    KTImageMO *pairWithLockedJpeg = image("pair.cr2");
    pairWithLockedJpeg->setDuplicateImagePath(dir.filePath("locked-twin.jpg"));
    KTImageMO *movable = image("free.jpg");
    KTImageMO *external = image("/catalogue/e.jpg");
    external->setExternalGUID(QStringLiteral("GUID-2")); // no status bridge installed
    QStringList recycled;
    storage.setFileRecycler([&](const QString &path, QString *error) {
        recycled.append(QFileInfo(path).fileName());
        if (path.contains("locked")) {
            *error = QStringLiteral("refused");
            return false;
        }
        return true;
    });
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kDefaultReturn);
    KTLogCapture log;

    bool done = false;
    storage.moveImagesToSystemTrash({locked, pairWithLockedJpeg, movable, external}, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));

    EXPECT_EQ(recycled, (QStringList{"locked.jpg", "pair.cr2", "locked-twin.jpg", "free.jpg"}));
    EXPECT_FALSE(locked->isDeleted());
    EXPECT_FALSE(pairWithLockedJpeg->isDeleted());
    EXPECT_FALSE(external->isDeleted());
    EXPECT_TRUE(movable->isDeleted());
    EXPECT_TRUE(log.contains(QStringLiteral("refused")));
    const std::vector<KTAlert> shown = alerts->shown();
    ASSERT_EQ(shown.size(), 2u);
    const KTAlert &failure = shown[1];
    EXPECT_EQ(failure.messageText, QStringLiteral("Some images could not be trashed."));
    EXPECT_EQ(failure.informativeText,
              QStringLiteral("You have not permissions for move some images to system trash. Update "
                             "perminissions and try again."));
    EXPECT_EQ(failure.buttons, QStringList{"OK"});
}

// A new session cleared and freed the records while their files were still being trashed.
TEST_F(ImageDecisions, TrashFinishingAfterTheSessionWasClearedTouchesNoFreedRecord)
{
    KTImageMO *photo = image("photo.jpg");
    photo->setFolder(context->insert<KTFolderMO>(kFolderEntityName));
    ASSERT_TRUE(context->save());
    std::atomic<bool> recycling = false;
    std::atomic<bool> release = false;
    storage.setFileRecycler([&](const QString &, QString *) {
        recycling = true;
        while (!release)
            QThread::yieldCurrentThread();
        return true;
    });
    auto alerts = KTScriptedAlertPresenter::install();
    alerts->answer(KTAlert::kDefaultReturn);
    bool done = false;
    storage.moveImagesToSystemTrash({photo}, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return recycling.load(); }));

    bool cleared = false;
    storage.cleanSessionWithCompletionBlock([&] { cleared = true; });
    ASSERT_TRUE(waitUntil([&] { return cleared; }));
    ASSERT_TRUE(waitUntil([&] { return context->count({kImageEntityName, {}, {}}) == 0; }));
    drainMainQueue();

    release = true;
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(context->count({kImageEntityName, {}, {}}), 0);
}

TEST_F(ImageDecisions, CancellingOrAnEmptyTrashChangesNoFileOrRecord)
{
    const QString path = writeFile("photo.jpg");
    KTImageMO *photo = image("photo.jpg");
    photo->setRejected(true);
    drainMainQueue();
    auto alerts = KTScriptedAlertPresenter::install();

    alerts->answer(KTAlert::kAlternateReturn);
    bool done = false;
    storage.moveImagesToSystemTrash({photo}, [&] { done = true; });
    drainMainQueue();
    EXPECT_FALSE(done);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(photo->isDeleted());
    EXPECT_TRUE(storage.undoManager()->canUndo());

    // An empty set asks nothing and still clears the undo stack.
    storage.moveImagesToSystemTrash({}, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(alerts->shown().size(), 1u);
    EXPECT_FALSE(storage.undoManager()->canUndo());
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(ImageDecisions, DeletingRecordsKeepsFilesSettlesGroupsAndClearsUndo)
{
    const QString path = writeFile("gone.jpg");
    KTImageMO *gone = image("gone.jpg");
    KTImageMO *rejected = image("rejected.jpg", {}, true);
    KTImageGroupMO *similar = group("similar", {gone, rejected});
    drainMainQueue();

    storage.deleteImagesFromDB({gone});

    EXPECT_TRUE(gone->isDeleted());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(similar->isDeleted());
    EXPECT_FALSE(storage.undoManager()->canUndo());
}
