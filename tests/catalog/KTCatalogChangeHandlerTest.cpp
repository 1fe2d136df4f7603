#include "KTCatalogChangeHandler.h"

#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTListsFixtures.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"
#include "KTUndoManager.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace {

QStringList keysOf(const QVariantMap &map)
{
    QStringList keys = map.keys();
    keys.sort();
    return keys;
}

} // namespace

TEST(KTCatalogChangeHandlerTest, InsertPostsImagesAndSourcesChangesThenTheLists)
{
    KTListsSession session;
    session.lists().setFilter(makeFilter(KTPredicate::alwaysTrue(), {}), QStringLiteral("All"));
    KTNotificationRecorder recorder(&session.catalogue);
    KTFolderMO *folder = session.addFolder();
    KTImageMO *image = session.addImage(QStringLiteral("a"), folder);
    session.process();

    EXPECT_EQ(recorder.names(),
              (QStringList{"imagesListDidChange", "ImagesChanged", "SourcesChanged", "All"}));
    EXPECT_TRUE(recorder.allOnMainThread());
    const QVariantMap changed = recorder.userInfo(QStringLiteral("ImagesChanged"));
    EXPECT_EQ(keysOf(changed),
              (QStringList{"AddedSources", "AdedImages", "DeletedImages", "DeletedSources"}));
    EXPECT_EQ(KTImagesChangedInfo::addedImages(changed), QList<KTImageMO *>{image});
    EXPECT_TRUE(KTImagesChangedInfo::deletedImages(changed).isEmpty());
    EXPECT_EQ(KTImagesChangedInfo::addedSources(changed), QList<KTFolderMO *>{folder});
    EXPECT_EQ(KTSourcesChangedInfo::addedSources(recorder.userInfo(QStringLiteral("SourcesChanged"))),
              QList<KTFolderMO *>{folder});
    EXPECT_EQ(keysOf(recorder.userInfo(QStringLiteral("SourcesChanged"))),
              (QStringList{"AddedSources", "DeletedSources"}));
    EXPECT_EQ(recorder.userInfo(QStringLiteral("imagesListDidChange")),
              (QVariantMap{{QStringLiteral("cleanImageListKey"), true}}));
    EXPECT_TRUE(
        KTImagesListDidChangeInfo::cleanImageList(recorder.userInfo(QStringLiteral("imagesListDidChange"))));
}

TEST(KTCatalogChangeHandlerTest, DeletingASourceWithItsImagesPostsInOrderOnce)
{
    KTListsSession session;
    KTFolderMO *folder = session.addFolder();
    KTImageMO *a = session.addImage(QStringLiteral("a"), folder);
    KTImageMO *b = session.addImage(QStringLiteral("b"), folder);
    session.process();
    session.lists().setFilter(makeFilter(KTPredicate::alwaysTrue(), {}), QStringLiteral("All"));
    KTNotificationRecorder recorder(&session.catalogue);

    session.context->deleteObject(a);
    session.context->deleteObject(b);
    session.context->deleteObject(folder);
    session.process();
    EXPECT_EQ(recorder.names(),
              (QStringList{"imagesListDidChange", "ImagesChanged", "SourcesChanged", "All"}));
    const QVariantMap changed = recorder.userInfo(QStringLiteral("ImagesChanged"));
    EXPECT_EQ(KTImagesChangedInfo::deletedImages(changed), (QList<KTImageMO *>{a, b}));
    EXPECT_EQ(KTImagesChangedInfo::deletedSources(changed), QList<KTFolderMO *>{folder});
    EXPECT_EQ(KTSourcesChangedInfo::deletedSources(recorder.userInfo(QStringLiteral("SourcesChanged"))),
              QList<KTFolderMO *>{folder});
    EXPECT_TRUE(session.lists().imagesFilteredByFilterWithID(QStringLiteral("All")).isEmpty());
}

TEST(KTCatalogChangeHandlerTest, UpdatesAndGroupChangesPostTheirOwnNotificationsOnly)
{
    KTListsSession session;
    KTImageMO *image = session.addImage(QStringLiteral("a"));
    session.process();
    KTNotificationRecorder recorder(&session.catalogue);

    session.context->insert<KTImageGroupMO>(kImageGroupEntityName);
    session.process();
    EXPECT_EQ(recorder.names(), QStringList{"imageGroupsDidChange"});

    recorder.clear();
    session.context->insert<KTTimeGroupMO>(kTimeGroupEntityName);
    session.process();
    EXPECT_EQ(recorder.names(), QStringList{"timeGroupsDidChange"});

    recorder.clear();
    image->setName(QStringLiteral("b"));
    session.process();
    EXPECT_EQ(recorder.names(), QStringList{"ImagesUpdated"});
    EXPECT_EQ(KTImagesUpdatedInfo::updatedImages(recorder.userInfo(QStringLiteral("ImagesUpdated"))),
              QList<KTImageMO *>{image});
}

// An observer written against another shape of a payload (uuid strings instead of records, a
// number instead of a group) reads nothing rather than garbage.
TEST(KTCatalogChangeHandlerTest, TypedReadersAnswerEmptyForAPayloadOfAnotherShape)
{
    const QVariantMap foreign{{kDeletedImagesKey, QStringList{QStringLiteral("uuid")}},
                              {kAddedSourcesKey, QVariantList{1, 2}},
                              {kUpdatedImagesKey, QStringLiteral("x")},
                              {kResolvedGroupKey, 7}};
    EXPECT_TRUE(KTImagesChangedInfo::deletedImages(foreign).isEmpty());
    EXPECT_TRUE(KTImagesChangedInfo::addedImages(foreign).isEmpty());
    EXPECT_TRUE(KTSourcesChangedInfo::addedSources(foreign).isEmpty());
    EXPECT_TRUE(KTImagesUpdatedInfo::updatedImages(foreign).isEmpty());
    EXPECT_EQ(KTImageGroupResolvedInfo::resolvedGroup(foreign), nullptr);
    EXPECT_FALSE(KTImagesListDidChangeInfo::cleanImageList({}));
}

TEST(KTCatalogChangeHandlerTest, CachedListsAreDroppedOnInsertAndOnADifferentSetting)
{
    KTListsSession session;
    KTFolderMO *older = session.addFolder();
    older->setAddedDate(QDateTime::fromSecsSinceEpoch(10));
    KTFolderMO *newer = session.addFolder();
    newer->setAddedDate(QDateTime::fromSecsSinceEpoch(20));
    KTImageMO *a = session.addImage(QStringLiteral("a"));
    KTImageMO *b = session.addImage(QStringLiteral("b"));
    session.process();

    KTCatalogChangeHandler &handler = *session.handler;
    EXPECT_EQ(handler.images(), (QList<KTImageMO *>{b, a})); // by name, descending by default
    EXPECT_EQ(handler.sources(), (QList<KTFolderMO *>{older, newer}));
    KTImageMO *c = session.addImage(QStringLiteral("c"));
    session.process();
    EXPECT_EQ(handler.images(), (QList<KTImageMO *>{c, b, a}));

    KTNotificationRecorder recorder(&session.catalogue);
    handler.setSortImagesAscending(false);
    handler.setImagesSortDescriptionKey(kImageNameValueKey);
    EXPECT_TRUE(recorder.names().isEmpty());
    handler.setSortImagesAscending(true);
    const KTPredicate notB = KTKeyPath(kImageNameValueKey) != QStringLiteral("b");
    handler.setImagesFilter(notB);
    handler.setImagesFilter(notB);
    EXPECT_EQ(recorder.count(QStringLiteral("imagesListDidChange")), 2);
    EXPECT_EQ(handler.images(), (QList<KTImageMO *>{a, c}));
}

// The change handler runs on the main thread inside the child's save, so a background job sees
// the lists and notifications current when save() returns.
TEST(KTCatalogChangeHandlerTest, ChildSavePostsOnTheMainThreadBeforeItReturns)
{
    KTListsSession session;
    KTImageMO *image = session.addImage(QStringLiteral("a"));
    session.process();
    session.lists().setFilter(makeFilter(KTKeyPath(kImagePickedValueKey) == true, {}),
                              QStringLiteral("Picked"));
    KTNotificationRecorder recorder(&session.catalogue);
    std::atomic<int> picksPosted{0};
    KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        QStringLiteral("Picked"), &session.catalogue, [&](const KTNotification &) { ++picksPosted; });

    auto child = KTObjectContext::makeChildContext(session.context);
    std::atomic<int> postedWhenSaved{-1};
    child->perform([&] {
        child->objectWithIdAs<KTImageMO>(image->objectID())->setPicked(true);
        child->save();
        postedWhenSaved = picksPosted.load();
    });
    ASSERT_TRUE(waitUntil([&] { return postedWhenSaved.load() >= 0; }));
    EXPECT_EQ(postedWhenSaved.load(), 1);
    EXPECT_EQ(recorder.names(), (QStringList{"Picked", "ImagesUpdated"}));
    EXPECT_TRUE(recorder.allOnMainThread());
    EXPECT_EQ(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Picked")),
              QList<KTImageMO *>{image});
}

struct SyncBitCase
{
    const char *name;
    bool catalogueImage; // of an external-catalogue source, with an externalGUID
    std::function<void(KTImageMO *)> edit;
    qint64 bitmask;    // afterwards, from 4 (a bit that is not ours)
    int updatedRounds; // "ImagesUpdated" notifications of the change
};

class SyncBits : public ::testing::TestWithParam<SyncBitCase>
{
};

TEST_P(SyncBits, DecisionsOnCatalogueImagesSetTheirBitOutsideTheUndoHistory)
{
    const SyncBitCase &c = GetParam();
    KTListsSession session;
    KTUndoManager undo(session.context);
    KTFolderMO *folder = session.addFolder(c.catalogueImage ? kFolderTypeLightroom5 : kFolderTypeFileSystem);
    KTImageMO *image = session.addImage(QStringLiteral("a"), folder);
    if (c.catalogueImage)
        image->setExternalGUID(QStringLiteral("GUID-1"));
    image->setSyncStatusBitmask(4);
    session.process();
    undo.removeAllActions();
    KTNotificationRecorder recorder(&session.catalogue);

    c.edit(image);
    session.process();
    EXPECT_EQ(image->syncStatusBitmask(), std::optional<qint64>(c.bitmask));
    EXPECT_EQ(recorder.count(QStringLiteral("ImagesUpdated")), c.updatedRounds);
    // Undoing the decision reverts it and leaves the mark.
    undo.undo();
    session.process();
    EXPECT_EQ(image->syncStatusBitmask(), std::optional<qint64>(c.bitmask));
    EXPECT_FALSE(undo.canUndo());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SyncBits,
    ::testing::Values(
        SyncBitCase{"Reject", true, [](KTImageMO *i) { i->setRejected(true); }, 4 | 16, 2},
        SyncBitCase{"PickFromNilToNo", true, [](KTImageMO *i) { i->setPicked(false); }, 4 | 32, 2},
        SyncBitCase{"PickAndReject", true,
                    [](KTImageMO *i) {
                        i->setPicked(true);
                        i->setRejected(false);
                    },
                    4 | 16 | 32, 2},
        SyncBitCase{"OtherAttribute", true, [](KTImageMO *i) { i->setName(QStringLiteral("b")); }, 4, 1},
        SyncBitCase{"FolderImage", false, [](KTImageMO *i) { i->setRejected(true); }, 4, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(KTCatalogChangeHandlerTest, MarkedImagesGoToTheSyncQueueAndAMissingRecordIsLogged)
{
    KTListsSession session;
    KTFolderMO *folder = session.addFolder(kFolderTypeAperture);
    KTImageMO *image = session.addImage(QStringLiteral("a"), folder);
    image->setExternalGUID(QStringLiteral("GUID-1"));
    session.process();
    QList<KTImageMO *> queued;
    session.handler->syncStatusTracker().setSyncQueue(
        [&](const QList<KTImageMO *> &images) { queued += images; });

    image->setPicked(true);
    session.process();
    EXPECT_EQ(queued, QList<KTImageMO *>{image});

    // An image that joins a catalogue source was never recorded: logged, recorded, not marked.
    KTImageMO *joining = session.addImage(QStringLiteral("j"), session.addFolder());
    session.process();
    KTLogCapture log;
    joining->setFolder(folder);
    joining->setExternalGUID(QStringLiteral("GUID-2"));
    joining->setRejected(true);
    session.process();
    EXPECT_TRUE(log.contains(QStringLiteral("Error: Autosync parameters for image %1 should be initialized.")
                                 .arg(joining->path())));
    EXPECT_TRUE(session.handler->syncStatusTracker().hasAutosyncParameters(joining->uuid()));
    EXPECT_EQ(joining->syncStatusBitmask().value_or(0), 0);
}

TEST(KTCatalogChangeHandlerTest, TheCatalogueObservesItsMainContext)
{
    QTemporaryDir dir;
    KTImageStorage storage({dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))});
    ASSERT_TRUE(storage.managedObjectContext());
    storage.setFilter(makeFilter(KTKeyPath(kImageRejectedValueKey) == true, {}, false),
                      QStringLiteral("Rejected"));
    KTNotificationRecorder recorder(&storage);
    auto *image = storage.managedObjectContext()->insert<KTImageMO>(kImageEntityName);
    image->setPath(QStringLiteral("/photos/a.CR2"));
    image->setRejected(true);
    storage.processPendingChanges();
    EXPECT_EQ(recorder.names(), (QStringList{"imagesListDidChange", "ImagesChanged", "Rejected"}));
    EXPECT_EQ(storage.imagesFilteredByFilterWithID(QStringLiteral("Rejected")), QList<KTImageMO *>{image});
    EXPECT_EQ(storage.countForImagesFilteredByFilterWithID(QStringLiteral("Rejected")), 1u);
    EXPECT_EQ(storage.images(), QList<KTImageMO *>{image});
}
