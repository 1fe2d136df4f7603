#include "KTObjectContext.h"

#include "KTDispatch.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"
#include "KTTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A main context with two saved albums and three saved photos, and a log of its change reports.
struct MainContext : ::testing::Test
{
    void SetUp() override
    {
        reports.clear();
        photos.clear();
        context = KTObjectContext::makeMainContext(testObjectModel());
        album1 = context->insertObject(kAlbum);
        album1->setValue("title", "one");
        album2 = context->insertObject(kAlbum);
        album2->setValue("title", "two");
        for (const char *name : {"p1", "p2", "p3"}) {
            KTStoreObject *photo = context->insertObject(kPhoto);
            photo->setValue("name", name);
            photo->setRelatedObject("album", album1);
            photos.append(photo);
        }
        EXPECT_TRUE(context->save());
        token = context->addObjectsDidChangeObserver(
            [this](const KTObjectsDidChange &change) { reports.append(describe(change)); });
    }

    static QString names(const QList<KTStoreObject *> &objects)
    {
        QStringList result;
        for (KTStoreObject *object : objects)
            result.append(
                object->value(object->entity().propertyIndex("name") >= 0 ? "name" : "title").toString());
        return result.join(QLatin1Char(','));
    }
    static QString describe(const KTObjectsDidChange &change)
    {
        return QStringLiteral("+[%1] ~[%2] -[%3]")
            .arg(names(change.inserted), names(change.updated), names(change.deleted));
    }

    std::shared_ptr<KTObjectContext> context;
    KTStoreObject *album1 = nullptr;
    KTStoreObject *album2 = nullptr;
    QList<KTStoreObject *> photos;
    QStringList reports;
    KTObservationToken token;
};

} // namespace

TEST_F(MainContext, ChangeReportsFollowTheCoalescingRules)
{
    const struct
    {
        const char *scenario;
        std::function<void(MainContext &)> edit;
        const char *expected; // empty: no report at all
    } cases[] = {
        {"inserted then updated",
         [](MainContext &t) {
             KTStoreObject *p = t.context->insertObject(kPhoto);
             p->setValue("name", "new");
             p->setValue("rank", qint64(1));
         },
         "+[new] ~[] -[]"},
        {"updated then deleted",
         [](MainContext &t) {
             t.photos[0]->setValue("rank", qint64(3));
             t.context->deleteObject(t.photos[0]);
         },
         "+[] ~[one] -[p1]"},
        {"inserted then deleted",
         [](MainContext &t) { t.context->deleteObject(t.context->insertObject(kPhoto)); }, ""},
        {"equal value", [](MainContext &t) { t.photos[1]->setValue("name", "p2"); }, ""},
        {"transient value", [](MainContext &t) { t.photos[1]->setValue("shown", true); }, ""},
        {"relationship change updates both sides and the old target",
         [](MainContext &t) { t.photos[1]->setRelatedObject("album", t.album2); }, "+[] ~[p2,one,two] -[]"},
        {"deleting an album nullifies its photos", [](MainContext &t) { t.context->deleteObject(t.album1); },
         "+[] ~[p1,p2,p3] -[one]"},
        {"deleting a photo updates its album", [](MainContext &t) { t.context->deleteObject(t.photos[2]); },
         "+[] ~[one] -[p3]"},
    };
    for (const auto &c : cases) {
        SetUp();
        c.edit(*this);
        context->processPendingChanges();
        EXPECT_EQ(reports, c.expected[0] ? QStringList{QString::fromLatin1(c.expected)} : QStringList())
            << c.scenario;
    }
}

TEST_F(MainContext, DeletedRecordStaysReadableAndIsNoLongerFound)
{
    KTStoreObject *photo = photos[0];
    const KTObjectID id = photo->objectID();
    context->deleteObject(album1);
    context->deleteObject(photo);

    EXPECT_TRUE(photo->isDeleted());
    EXPECT_EQ(photo->value("name").toString(), QStringLiteral("p1"));
    EXPECT_EQ(context->objectWithId(id), nullptr);
    EXPECT_EQ(context->objectWithId(KTObjectID{id.entity, 999}), nullptr);
    EXPECT_EQ(context->count({kPhoto, {}, {}}), 2);
    // Nullify, no cascade: the other photos stay, without album.
    EXPECT_EQ(photos[1]->relatedObject("album"), nullptr);
    EXPECT_TRUE(album1->relatedObjects("photos").contains(photos[1])); // its last value
    EXPECT_TRUE(album2->relatedObjects("photos").isEmpty());
}

TEST_F(MainContext, ReportsAreCoalescedUntilTheEndOfTheEvent)
{
    photos[0]->setValue("rank", qint64(1));
    KTStoreObject *inserted = context->insertObject(kPhoto);
    inserted->setValue("name", "p4");
    photos[1]->setValue("flag", false);
    EXPECT_TRUE(reports.isEmpty());
    drainMainQueue();
    EXPECT_EQ(reports, QStringList{"+[p4] ~[p1,p2] -[]"});
}

TEST_F(MainContext, EditsMadeByAnObserverAreDeliveredInFurtherRounds)
{
    auto chained = context->addObjectsDidChangeObserver([this](const KTObjectsDidChange &change) {
        if (change.updated.contains(photos[0]))
            photos[1]->setValue("rank", qint64(7));
    });
    photos[0]->setValue("rank", qint64(1));
    context->processPendingChanges();
    EXPECT_EQ(reports, (QStringList{"+[] ~[p1] -[]", "+[] ~[p2] -[]"}));
}

TEST_F(MainContext, AnObserverThatAlwaysEditsIsStoppedAndLogged)
{
    qint64 rank = 0;
    auto restless = context->addObjectsDidChangeObserver(
        [&](const KTObjectsDidChange &) { photos[0]->setValue("rank", ++rank); });
    KTLogCapture log;
    photos[0]->setValue("rank", qint64(-1));
    context->processPendingChanges();
    EXPECT_EQ(reports.size(), 100);
    EXPECT_TRUE(log.contains("rounds"));
    restless.reset();
    drainMainQueue();
}

TEST_F(MainContext, KeyObserversFireOnRealChangesOnly)
{
    QStringList heard;
    auto onName = context->observe(photos[0], "name", [&](const KTValueChange &change) {
        heard.append(change.oldValue.toString() + "->" + change.newValue.toString());
    });
    auto onShown = context->observe(photos[0], "shown", [&](const KTValueChange &change) {
        heard.append("shown=" + change.newValue.toString());
    });
    auto onPhotos =
        context->observe(album2, "photos", [&](const KTValueChange &) { heard.append("album2.photos"); });
    // One registration for several keys hears each of them, and says which.
    auto onTwo = context->observe(photos[1], QStringList{"name", "rank"}, [&](const KTValueChange &change) {
        heard.append("two." + photos[1]->entity().property(change.property).name);
    });

    photos[0]->setValue("name", "p1"); // equal: silent
    photos[0]->setValue("name", "renamed");
    photos[0]->setValue("shown", true); // transient: heard, yet no update
    photos[0]->setRelatedObject("album", album2);
    onName.reset();
    photos[0]->setValue("name", "again");
    photos[1]->setValue("rank", qint64(7));
    photos[1]->setValue("shown", true);
    photos[1]->setValue("name", "second");
    onTwo.reset();
    photos[1]->setValue("name", "silent");

    EXPECT_EQ(heard, (QStringList{"p1->renamed", "shown=true", "album2.photos", "two.rank", "two.name"}));
    context->processPendingChanges();
    EXPECT_EQ(reports, QStringList{"+[] ~[again,silent,one,two] -[]"});
}

TEST_F(MainContext, UndoRecorderSeesEveryStoredChangeWhileRegistrationIsOn)
{
    QStringList steps;
    context->setUndoRecorder([&](const KTRecordedChange &change) {
        const char *kinds[] = {"insert", "update", "delete"};
        QString step = QString::fromLatin1(kinds[int(change.kind)]);
        if (change.property >= 0)
            step += " " + change.object->entity().property(change.property).name;
        steps.append(step);
    });
    photos[0]->setValue("rank", qint64(2));
    photos[0]->setValue("shown", true);
    context->disableUndoRegistration();
    context->disableUndoRegistration();
    photos[0]->setValue("rank", qint64(3));
    context->enableUndoRegistration();
    EXPECT_FALSE(context->isUndoRegistrationEnabled());
    photos[0]->setValue("rank", qint64(4));
    context->enableUndoRegistration();
    context->deleteObject(album1);
    context->insertObject(kAlbum);

    EXPECT_EQ(steps, (QStringList{"update rank", "update album", "update album", "update album", "delete",
                                  "insert"}));
}

TEST_F(MainContext, ReplayingTheRecordedStepsBackwardsUndoesADelete)
{
    std::vector<KTRecordedChange> steps;
    context->setUndoRecorder([&](const KTRecordedChange &change) { steps.push_back(change); });
    std::vector<KTChangeSet> written;
    context->setSaveHandler([&](const KTChangeSet &changes, QString *) {
        written.push_back(changes);
        return true;
    });
    photos[0]->setValue("rank", qint64(4));
    context->deleteObject(album1);
    context->save(); // the delete reached the store
    reports.clear();

    context->disableUndoRegistration();
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->kind == KTRecordedChange::Kind::Deleted)
            context->undeleteObject(step->object);
        else if (step->kind == KTRecordedChange::Kind::Updated)
            step->object->setValue(step->property, step->oldValue);
    }
    context->enableUndoRegistration();
    context->save();

    EXPECT_FALSE(album1->isDeleted());
    EXPECT_EQ(context->objectWithId(album1->objectID()), album1);
    EXPECT_EQ(album1->relatedObjects("photos"), photos);
    EXPECT_EQ(photos[0]->value("rank"), QVariant());
    EXPECT_EQ(reports, QStringList{"+[one] ~[p1,p2,p3] -[]"});
    ASSERT_EQ(written.size(), 2u);
    ASSERT_EQ(written[1].inserted.size(), 1u); // deleted in the store, so inserted again
    EXPECT_EQ(written[1].inserted[0].objectID, album1->objectID());
    EXPECT_EQ(written[1].updated.size(), 3u);
}

TEST_F(MainContext, SaveHandsOnlyTheChangedKeysToTheWriterAndKeepsThemOnFailure)
{
    std::vector<KTChangeSet> written;
    bool accept = false;
    context->setSaveHandler([&](const KTChangeSet &changes, QString *error) {
        written.push_back(changes);
        *error = QStringLiteral("disk full");
        return accept;
    });
    EXPECT_FALSE(context->hasChanges());
    EXPECT_TRUE(context->save()); // nothing to write: the writer is not called
    EXPECT_TRUE(written.empty());

    photos[0]->setValue("rank", qint64(9));
    photos[0]->setValue("shown", true);
    context->deleteObject(photos[1]);
    KTStoreObject *inserted = context->insertObject(kPhoto);
    inserted->setValue("name", "p4");
    context->deleteObject(context->insertObject(kPhoto));

    QString error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(error, QStringLiteral("disk full"));
    EXPECT_TRUE(context->hasChanges());
    accept = true;
    EXPECT_TRUE(context->save());
    EXPECT_FALSE(context->hasChanges());

    ASSERT_EQ(written.size(), 2u);
    const KTChangeSet &changes = written.back();
    const KTEntityDescription &photo = *testObjectModel()->entity(kPhoto);
    ASSERT_EQ(changes.inserted.size(), 1u);
    EXPECT_EQ(changes.inserted[0].objectID, inserted->objectID());
    ASSERT_EQ(changes.inserted[0].values.size(), 1u);
    EXPECT_EQ(changes.inserted[0].values[0].property, photo.propertyIndex("name"));
    // The album lost a member too, but to-many sides are not written.
    ASSERT_EQ(changes.updated.size(), 1u);
    ASSERT_EQ(changes.updated[0].values.size(), 1u);
    EXPECT_EQ(changes.updated[0].values[0].property, photo.propertyIndex("rank"));
    EXPECT_EQ(changes.updated[0].values[0].value.toLongLong(), 9);
    EXPECT_EQ(changes.deleted, std::vector<KTObjectID>{photos[1]->objectID()});
}

// Freed deleted records leave nothing behind that could reach them (lookups, fetches, key
// observations, a child's copy), and their deletes still reach the store with the next save.
TEST_F(MainContext, ReleasedDeletedRecordsAreFreedAndTheirDeletesStillSaved)
{
    std::vector<KTChangeSet> written;
    context->setSaveHandler([&](const KTChangeSet &changes, QString *) {
        written.push_back(changes);
        return true;
    });
    const std::size_t held = context->heldObjectCount();
    const KTObjectID savedPhoto = photos[0]->objectID();
    const KTObjectID savedAlbum = album2->objectID();
    int heard = 0;
    KTObservationToken observation =
        context->observe(photos[0], QStringLiteral("name"), [&](const KTValueChange &) { ++heard; });
    context->deleteObject(photos[0]);
    context->deleteObject(album2);
    context->deleteObject(context->insertObject(kPhoto)); // never saved: nothing to write for it
    EXPECT_EQ(context->heldObjectCount(), held + 1);

    EXPECT_EQ(context->releaseDeletedObjects(), 3u);
    EXPECT_EQ(context->heldObjectCount(), held - 2);
    EXPECT_EQ(reports.size(), 1); // the deletes were reported before the records went
    EXPECT_EQ(context->objectWithId(savedPhoto), nullptr);
    EXPECT_EQ(context->count({kPhoto, {}, {}}), 2);
    observation.reset();
    EXPECT_EQ(heard, 0);

    auto child = KTObjectContext::makeChildContext(context);
    std::atomic<bool> childFoundIt{true};
    std::atomic<int> childPhotos{0};
    child->perform([&] {
        childFoundIt = child->objectWithId(savedPhoto) != nullptr;
        childPhotos = int(child->count({kPhoto, {}, {}}));
    });
    ASSERT_TRUE(waitUntil([&] { return childPhotos > 0; }));
    EXPECT_FALSE(childFoundIt);
    EXPECT_EQ(childPhotos, 2);

    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(context->save());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].deleted, (std::vector<KTObjectID>{savedPhoto, savedAlbum}));
    EXPECT_TRUE(written[0].inserted.empty());
    EXPECT_EQ(context->releaseDeletedObjects(), 0u);
}

TEST_F(MainContext, LoadedRecordsAreNoChange)
{
    const KTEntityDescription &photo = *testObjectModel()->entity(kPhoto);
    const KTObjectID id{photo.index(), 500};
    context->loadStoredObjects(
        {KTRecordValues{id,
                        {{photo.propertyIndex("name"), QString("stored")},
                         {photo.propertyIndex("album"), QVariant::fromValue(album2->objectID())}}}});
    drainMainQueue();
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_FALSE(context->hasChanges());
    KTStoreObject *loaded = context->objectWithId(id);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->relatedObject("album"), album2);
    EXPECT_EQ(album2->relatedObjects("photos"), QList<KTStoreObject *>{loaded});
    // New ids continue after the loaded ones.
    EXPECT_GT(context->insertObject(kPhoto)->objectID().row, 500);
}

TEST_F(MainContext, ChildSeesUnsavedParentStateAndItsOwnEditsOnly)
{
    KTStoreObject *unsaved = context->insertObject(kPhoto);
    unsaved->setValue("name", "unsaved");
    photos[0]->setValue("rank", qint64(5));
    const KTObjectID unsavedId = unsaved->objectID();
    const KTObjectID deletedId = photos[2]->objectID();
    context->deleteObject(photos[2]);

    auto child = KTObjectContext::makeChildContext(context);
    std::atomic<bool> done{false};
    QString seen;
    child->perform([&] {
        KTStoreObject *copy = child->objectWithId(unsavedId);
        QStringList names;
        for (KTStoreObject *photo : child->fetch({kPhoto, {}, {KTSortDescriptor("name")}}))
            names.append(photo->value("name").toString() + ":" + photo->value("rank").toString());
        seen = QStringLiteral("%1 %2 %3")
                   .arg(copy ? copy->value("name").toString() : "none", names.join(','),
                        child->objectWithId(deletedId) ? "deleted-found" : "deleted-gone");
        copy->setValue("name", "child-renamed");
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done.load(); }));
    EXPECT_EQ(seen, QStringLiteral("unsaved p1:5,p2:,unsaved: deleted-gone"));
    EXPECT_EQ(unsaved->value("name").toString(), QStringLiteral("unsaved")); // the child edits its copy
}

TEST_F(MainContext, ChildSaveMergesPerKeyAndReportsBeforeItReturns)
{
    auto child = KTObjectContext::makeChildContext(context);
    const KTObjectID photoId = photos[0]->objectID();
    const KTObjectID album2Id = album2->objectID();
    std::atomic<int> step{0};
    KTObjectID insertedId;
    QStringList reportsAtSaveReturn;

    child->perform([&] {
        KTStoreObject *photo = child->objectWithId(photoId);
        photo->setRelatedObject("album", child->objectWithId(album2Id));
        KTStoreObject *inserted = child->insertObject(kPhoto);
        inserted->setValue("name", "from-child");
        inserted->setValue("shown", true);
        inserted->setRelatedObject("album", child->objectWithId(album2Id));
        insertedId = inserted->objectID();
        step = 1;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 1; }));
    // The user decides while the job holds its copy.
    photos[0]->setValue("flag", true);
    context->processPendingChanges();
    reports.clear();

    child->perform([&] {
        EXPECT_TRUE(child->save());
        runOnMainSync([&] { reportsAtSaveReturn = reports; });
        step = 2;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 2; }));

    EXPECT_EQ(photos[0]->value("flag"), QVariant(true));
    EXPECT_EQ(photos[0]->relatedObject("album"), album2);
    KTStoreObject *inserted = context->objectWithId(insertedId);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->value("shown"), QVariant(true));
    EXPECT_EQ(album2->relatedObjects("photos"), (QList<KTStoreObject *>{photos[0], inserted}));
    EXPECT_EQ(reportsAtSaveReturn, QStringList{"+[from-child] ~[p1,one,two] -[]"});
}

TEST_F(MainContext, ParentDeletesWinOverChildChanges)
{
    auto child = KTObjectContext::makeChildContext(context);
    const KTObjectID p1 = photos[0]->objectID(), p2 = photos[1]->objectID(), p3 = photos[2]->objectID();
    const KTObjectID a2 = album2->objectID();
    std::atomic<int> step{0};
    KTObjectID insertedId;
    child->perform([&] {
        child->objectWithId(p1)->setValue("name", "child-edit");
        child->objectWithId(p2)->setValue("rank", qint64(2));
        child->deleteObject(child->objectWithId(p3));
        KTStoreObject *inserted = child->insertObject(kPhoto);
        inserted->setRelatedObject("album", child->objectWithId(a2));
        insertedId = inserted->objectID();
        step = 1;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 1; }));
    context->deleteObject(photos[0]);
    context->deleteObject(album2);
    photos[2]->setValue("rank", qint64(3));

    KTLogCapture log;
    child->perform([&] {
        EXPECT_TRUE(child->save());
        step = 2;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 2; }));

    EXPECT_EQ(context->objectWithId(p1), nullptr);
    EXPECT_EQ(photos[0]->value("name").toString(), QStringLiteral("p1"));
    EXPECT_EQ(photos[1]->value("rank").toLongLong(), 2);
    EXPECT_EQ(context->objectWithId(p3), nullptr); // the child's delete wins over the main edit
    KTStoreObject *inserted = context->objectWithId(insertedId);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->relatedObject("album"), nullptr);
    EXPECT_TRUE(log.contains("dropped a child's change of record " + p1.toString()));
}

TEST_F(MainContext, ChildDeleteOfAnAlbumDoesNotOverwriteTheParentsLinks)
{
    // The child deletes album1 after copying p1; the main context meanwhile moves p2 to album2.
    // The save must delete album1 without pushing stale "album = nil" values for its photos.
    auto child = KTObjectContext::makeChildContext(context);
    const KTObjectID p1 = photos[0]->objectID(), a1 = album1->objectID();
    std::atomic<int> step{0};
    child->perform([&] {
        KTStoreObject *photo = child->objectWithId(p1);
        child->deleteObject(child->objectWithId(a1));
        EXPECT_EQ(photo->relatedObject("album"), nullptr);
        step = 1;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 1; }));
    photos[1]->setRelatedObject("album", album2);
    child->perform([&] {
        // A photo copied after the delete does not see the deleted album either.
        EXPECT_EQ(child->objectWithId(photos[2]->objectID())->relatedObject("album"), nullptr);
        EXPECT_TRUE(child->save());
        step = 2;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 2; }));
    EXPECT_TRUE(album1->isDeleted());
    EXPECT_EQ(photos[0]->relatedObject("album"), nullptr);
    EXPECT_EQ(photos[1]->relatedObject("album"), album2);
}

TEST_F(MainContext, PerformAndWaitFromAWorkerReadsTheParent)
{
    auto child = KTObjectContext::makeChildContext(context);
    std::atomic<qsizetype> counted{-1};
    std::thread worker([&] { child->performAndWait([&] { counted = child->count({kPhoto, {}, {}}); }); });
    EXPECT_TRUE(waitUntil([&] { return counted.load() >= 0; }));
    worker.join();
    EXPECT_EQ(counted.load(), 3);
}

TEST(KTObjectContextDeathTest, MainContextAssertsTheMainThread)
{
#ifdef QT_NO_DEBUG
    GTEST_SKIP() << "assertions are compiled out";
#endif
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    EXPECT_DEATH(std::thread([&] { context->insertObject(kPhoto); }).join(),
                 "Managed object context should be used only on main thread.");
}

// Several jobs save ranks, inserts and deletes while the main thread flags photos and deletes a
// few: no race, no deadlock, and no decision of the main thread is lost.
TEST(KTObjectContextConcurrencyTest, ChildrenSaveWhileMainEdits)
{
    constexpr int kPhotos = 400, kChildren = 4, kRounds = 20, kDeletedFrom = 380;
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    QList<KTStoreObject *> photos;
    for (int i = 0; i < kPhotos; ++i) {
        KTStoreObject *photo = context->insertObject(kPhoto);
        photo->setValue("name", QStringLiteral("p%1").arg(i));
        photo->setValue("rank", qint64(i));
        photos.append(photo);
    }
    ASSERT_TRUE(context->save());
    int reported = 0;
    auto token = context->addObjectsDidChangeObserver([&](const KTObjectsDidChange &) { ++reported; });

    std::atomic<int> finished{0};
    for (int c = 0; c < kChildren; ++c) {
        auto child = KTObjectContext::makeChildContext(context);
        child->perform([child, c, &finished] {
            KTStoreObject *previous = nullptr;
            for (int round = 0; round < kRounds; ++round) {
                const QList<KTStoreObject *> found = child->fetch({kPhoto, KTKeyPath("name").like("p*"), {}});
                for (KTStoreObject *photo : found) {
                    if (photo->value("name").toString().mid(1).toInt() % kChildren == c)
                        photo->setValue("rank", qint64(1000 + round));
                }
                if (previous)
                    child->deleteObject(previous);
                previous = child->insertObject(kPhoto);
                previous->setValue("name", QStringLiteral("c%1-%2").arg(c).arg(round));
                EXPECT_TRUE(child->save());
            }
            ++finished;
        });
    }
    int next = 0;
    const bool done = waitUntil(
        [&] {
            if (next == kDeletedFrom / 2)
                for (int i = kDeletedFrom; i < kPhotos; ++i)
                    context->deleteObject(photos[i]);
            if (next < kDeletedFrom)
                photos[next++]->setValue("flag", true);
            return finished.load() == kChildren && next == kDeletedFrom;
        },
        std::chrono::seconds(60));
    ASSERT_TRUE(done);
    context->processPendingChanges();

    EXPECT_GT(reported, 0);
    EXPECT_EQ(context->count({kPhoto, KTKeyPath("name").like("c*"), {}}), kChildren);
    for (int i = 0; i < kDeletedFrom; ++i) {
        EXPECT_EQ(photos[i]->value("flag"), QVariant(true)) << i;
        EXPECT_EQ(photos[i]->value("rank").toLongLong(), 1000 + kRounds - 1) << i;
    }
    EXPECT_EQ(context->count({kPhoto, KTKeyPath("name").like("p*"), {}}), kDeletedFrom);
    drainMainQueue();
}
