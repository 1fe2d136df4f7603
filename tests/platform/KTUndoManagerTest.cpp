#include "KTUndoManager.h"

#include "KTObjectContext.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"
#include "KTTestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class UndoManager : public ::testing::Test
{
protected:
    UndoManager()
    {
        album = context->insertObject(kAlbum);
        album->setValue("title", "trip");
        for (const char *name : {"one", "two", "three"}) {
            KTStoreObject *photo = context->insertObject(kPhoto);
            photo->setValue("name", name);
            photos.append(photo);
        }
        photos[0]->setRelatedObject("album", album);
        photos[1]->setRelatedObject("album", album);
        drainMainQueue();
        undo.removeAllActions(); // the set-up is not undoable
    }

    QStringList albumOfEachPhoto() const
    {
        QStringList titles;
        for (KTStoreObject *photo : context->fetch({kPhoto, {}, {}})) {
            KTStoreObject *target = photo->relatedObject("album");
            titles.append(target ? target->value("title").toString() : QStringLiteral("-"));
        }
        return titles;
    }

    std::shared_ptr<KTObjectContext> context = KTObjectContext::makeMainContext(testObjectModel());
    KTUndoManager undo{context};
    KTStoreObject *album = nullptr;
    QList<KTStoreObject *> photos;
};

} // namespace

TEST_F(UndoManager, UndoAndRedoAChangeOfAValue)
{
    QSignalSpy checkpoints(&undo, &KTUndoManager::checkpoint);
    photos[0]->setValue("flag", true);
    drainMainQueue(); // the event's group closes
    EXPECT_EQ(checkpoints.count(), 2);
    ASSERT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_FALSE(photos[0]->value("flag").isValid());
    EXPECT_FALSE(undo.canUndo());
    ASSERT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_EQ(photos[0]->value("flag"), QVariant(true));
    // A new change after an undo drops the redo history.
    undo.undo();
    photos[1]->setValue("flag", false);
    EXPECT_FALSE(undo.canRedo());
}

TEST_F(UndoManager, UndoOfADeletionBringsTheRecordAndItsLinksBack)
{
    context->deleteObject(album);
    drainMainQueue();
    EXPECT_EQ(albumOfEachPhoto(), (QStringList{"-", "-", "-"}));

    undo.undo();
    EXPECT_EQ(albumOfEachPhoto(), (QStringList{"trip", "trip", "-"}));
    EXPECT_FALSE(album->isDeleted()); // the same record, not a copy
    EXPECT_EQ(context->fetch({kAlbum, {}, {}}), QList<KTStoreObject *>{album});
    EXPECT_EQ(album->relatedObjects("photos"), (QList<KTStoreObject *>{photos[0], photos[1]}));

    undo.redo();
    EXPECT_EQ(context->count({kAlbum, {}, {}}), 0);
    EXPECT_EQ(albumOfEachPhoto(), (QStringList{"-", "-", "-"}));
    undo.undo();
    EXPECT_EQ(albumOfEachPhoto(), (QStringList{"trip", "trip", "-"}));
}

TEST_F(UndoManager, UndoOfAnInsertAndItsRedoKeepTheValues)
{
    KTStoreObject *photo = context->insertObject(kPhoto);
    photo->setValue("name", "four");
    photo->setRelatedObject("album", album);
    drainMainQueue();
    undo.undo();
    EXPECT_EQ(context->count({kPhoto, {}, {}}), 3);
    EXPECT_EQ(album->relatedObjects("photos").size(), 2);
    undo.redo();
    const QList<KTStoreObject *> all = context->fetch({kPhoto, {}, {}});
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all.last()->value("name"), QVariant("four"));
    EXPECT_EQ(all.last()->relatedObject("album"), album);
}

TEST_F(UndoManager, ChangesOfOneEventOrOneExplicitGroupUndoTogether)
{
    photos[0]->setValue("rank", qint64(1));
    photos[1]->setValue("rank", qint64(2));
    drainMainQueue();
    undo.beginUndoGrouping();
    photos[0]->setValue("name", "first");
    drainMainQueue(); // the group spans events
    photos[1]->setValue("name", "second");
    undo.endUndoGrouping();
    drainMainQueue();

    undo.undo();
    EXPECT_EQ(photos[0]->value("name"), QVariant("one"));
    EXPECT_EQ(photos[1]->value("name"), QVariant("two"));
    EXPECT_EQ(photos[1]->value("rank"), QVariant(qint64(2)));
    undo.undo();
    EXPECT_FALSE(photos[0]->value("rank").isValid());
    EXPECT_FALSE(photos[1]->value("rank").isValid());
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(UndoManager, UnregisteredChangesAndChildSavesAreNotUndoable)
{
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    photos[0]->setValue("flag", true);
    undo.enableUndoRegistration();
    photos[1]->setValue("flag", true);
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());

    auto child = KTObjectContext::makeChildContext(context);
    const KTObjectID id = photos[2]->objectID();
    std::atomic<bool> saved = false;
    child->perform([&] {
        child->objectWithId(id)->setValue("name", "from a job");
        child->save();
        saved = true;
    });
    ASSERT_TRUE(waitUntil([&] { return saved.load(); }));
    drainMainQueue();
    EXPECT_EQ(photos[2]->value("name"), QVariant("from a job"));
    EXPECT_FALSE(undo.canUndo());

    photos[0]->setValue("rank", qint64(5));
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(UndoManager, StepsOfARecordThatNoLongerExistsAreSkipped)
{
    photos[0]->setValue("rank", qint64(3));
    photos[1]->setValue("rank", qint64(4));
    drainMainQueue();
    undo.disableUndoRegistration();
    context->deleteObject(photos[0]);
    undo.enableUndoRegistration();
    undo.undo();
    EXPECT_FALSE(photos[1]->value("rank").isValid());
    EXPECT_EQ(context->count({kPhoto, {}, {}}), 2);
}
