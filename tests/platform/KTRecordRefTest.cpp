#include "KTRecordRef.h"

#include "KTObjectContext.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"
#include "KTTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct RecordRefs : ::testing::Test
{
    void SetUp() override
    {
        context = KTObjectContext::makeMainContext(testObjectModel());
        for (const char *name : {"p1", "p2", "p3"}) {
            KTStoreObject *photo = context->insertObject(kPhoto);
            photo->setValue("name", name);
            photos.append(photo);
        }
        EXPECT_TRUE(context->save());
    }

    QStringList names(const QList<KTStoreObject *> &records) const
    {
        QStringList result;
        for (const KTStoreObject *record : records)
            result.append(record->value("name").toString());
        return result;
    }

    std::shared_ptr<KTObjectContext> context;
    QList<KTStoreObject *> photos;
};

} // namespace

// A handle answers its record while it lives, null while it is deleted (an undo brings it back),
// and null for ever once it is freed or its context is gone; its id stays readable throughout.
TEST_F(RecordRefs, HandleAnswersNullOnceTheRecordIsDeletedOrFreed)
{
    const KTObjectID id = photos[0]->objectID();
    const KTRecordRef<KTStoreObject> ref(photos[0]);
    const KTRecordRef<KTStoreObject> copy = ref;
    EXPECT_EQ(ref.get(), photos[0]);
    EXPECT_EQ(copy, photos[0]);
    EXPECT_FALSE(ref.isGone());
    EXPECT_EQ(KTRecordRef<KTStoreObject>().get(), nullptr);
    EXPECT_FALSE(KTRecordRef<KTStoreObject>().isGone());

    context->deleteObject(photos[0]);
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_TRUE(copy.isGone());
    context->undeleteObject(photos[0]);
    EXPECT_EQ(ref.get(), photos[0]);

    context->deleteObject(photos[0]);
    context->processPendingChanges();
    ASSERT_EQ(context->releaseDeletedObjects(), 1u);
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_EQ(ref.id(), id);

    const KTRecordRef<KTStoreObject> survivor(photos[1]);
    context.reset();
    EXPECT_EQ(survivor.get(), nullptr);
    EXPECT_TRUE(survivor.isGone());
}

// A child context's records die with the child: a handle made inside a perform block answers
// null afterwards.
TEST_F(RecordRefs, HandleOfAChildRecordAnswersNullOnceTheChildIsGone)
{
    auto child = KTObjectContext::makeChildContext(context);
    KTRecordRef<KTStoreObject> ref;
    std::atomic<bool> found{false};
    child->perform([&] {
        ref = child->objectWithId(photos[1]->objectID());
        found = ref.get() != nullptr;
    });
    ASSERT_TRUE(waitUntil([&] { return found.load(); }));
    child.reset();
    ASSERT_TRUE(waitUntil([&] { return ref.isGone(); }));
    EXPECT_EQ(ref.id(), photos[1]->objectID());
}

// A list answers its live records in order, leaves out the deleted and the freed, and takes back
// a record an undo brings back.
TEST_F(RecordRefs, ListAnswersTheLiveRecordsInOrder)
{
    const KTRecordList<KTStoreObject> list(QList<KTStoreObject *>{photos[2], photos[0], photos[1]});
    EXPECT_EQ(names(list.records()), (QStringList{"p3", "p1", "p2"}));

    context->deleteObject(photos[0]);
    EXPECT_EQ(names(list.records()), (QStringList{"p3", "p2"}));
    EXPECT_EQ(list.size(), 2);
    context->undeleteObject(photos[0]);
    EXPECT_EQ(names(list), (QStringList{"p3", "p1", "p2"}));

    context->deleteObject(photos[2]);
    context->deleteObject(photos[1]);
    context->processPendingChanges();
    ASSERT_EQ(context->releaseDeletedObjects(), 2u);
    EXPECT_EQ(names(list.records()), QStringList{"p1"});

    KTRecordList<KTStoreObject> assigned;
    assigned = QList<KTStoreObject *>{photos[0]};
    EXPECT_EQ(assigned.records(), QList<KTStoreObject *>{photos[0]});
    assigned.clear();
    EXPECT_TRUE(assigned.isEmpty());
}

// A free asked for while observers are still being told of deletes (from a nested event loop of
// one of them) waits until that delivery has ended: the report's records stay readable.
TEST_F(RecordRefs, FreeAskedForDuringADeliveryWaitsUntilItEnds)
{
    const KTRecordRef<KTStoreObject> ref(photos[0]);
    std::size_t freedInside = 99;
    QString readAfterwards;
    KTObservationToken token = context->addObjectsDidChangeObserver([&](const KTObjectsDidChange &change) {
        if (change.deleted.isEmpty())
            return;
        freedInside = context->releaseDeletedObjects();
        readAfterwards = change.deleted.front()->value("name").toString();
    });
    context->deleteObject(photos[0]);
    context->processPendingChanges();
    EXPECT_EQ(freedInside, 0u);
    EXPECT_EQ(readAfterwards, QStringLiteral("p1"));
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_EQ(context->heldObjectCount(), 2u);
}
