#include "KTCatalogModel.h"

#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// A saved session: one folder source with three images, two of them in a similar group and all
// three in one time group.
struct Session : ::testing::Test
{
    void SetUp() override
    {
        context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        folder = context->insert<KTFolderMO>(kFolderEntityName);
        folder->setType(kFolderTypeFileSystem);
        group = context->insert<KTImageGroupMO>(kImageGroupEntityName);
        timeGroup = context->insert<KTTimeGroupMO>(kTimeGroupEntityName);
        for (const char *name : {"a", "b", "c"}) {
            auto *image = context->insert<KTImageMO>(kImageEntityName);
            image->setPath(QStringLiteral("/photos/%1.jpg").arg(name));
            image->setName(name);
            image->setFolder(folder);
            image->setTimeGroup(timeGroup);
            images.append(image);
        }
        group->addImages({images[0], images[1]});
        EXPECT_TRUE(context->save());
        token =
            context->addObjectsDidChangeObserver([this](const KTObjectsDidChange &change) { last = change; });
    }

    std::shared_ptr<KTObjectContext> context;
    KTFolderMO *folder = nullptr;
    KTImageGroupMO *group = nullptr;
    KTTimeGroupMO *timeGroup = nullptr;
    QList<KTImageMO *> images;
    KTObjectsDidChange last;
    KTObservationToken token;
};

QList<KTStoreObject *> objects(std::initializer_list<KTStoreObject *> list)
{
    return QList<KTStoreObject *>(list);
}

} // namespace

TEST_F(Session, DeletingAGroupLeavesItsImagesWithoutGroup)
{
    context->deleteObject(group);
    context->processPendingChanges();
    EXPECT_EQ(images[0]->group(), nullptr);
    EXPECT_EQ(images[1]->group(), nullptr);
    EXPECT_EQ(last.deleted, objects({group}));
    EXPECT_EQ(last.updated, objects({images[0], images[1]}));
    EXPECT_EQ(context->count({kImageEntityName, {}, {}}), 3);
}

TEST_F(Session, DeletingATimeGroupLeavesItsImagesWithoutTimeGroup)
{
    context->deleteObject(timeGroup);
    context->processPendingChanges();
    EXPECT_EQ(context->count({kImageEntityName, KTKeyPath(kImageTimeGroupValueKey).isNotNil(), {}}), 0);
    EXPECT_EQ(last.updated, objects({images[0], images[1], images[2]}));
}

TEST_F(Session, DeletingAnImageRemovesItFromFolderGroupAndTimeGroup)
{
    context->deleteObject(images[0]);
    context->processPendingChanges();
    EXPECT_EQ(folder->images(), (QList<KTImageMO *>{images[1], images[2]}));
    EXPECT_EQ(group->images(), QList<KTImageMO *>{images[1]});
    EXPECT_EQ(timeGroup->images(), (QList<KTImageMO *>{images[1], images[2]}));
    EXPECT_EQ(last.deleted, objects({images[0]}));
    EXPECT_EQ(last.updated, objects({folder, group, timeGroup}));
    // The handler still reads what it needs from the deleted record.
    EXPECT_EQ(images[0]->path(), QStringLiteral("/photos/a.jpg"));
    EXPECT_EQ(images[0]->group(), group);
}

TEST_F(Session, DeletingASourceDoesNotCascade)
{
    context->deleteObject(folder);
    EXPECT_EQ(context->count({kImageEntityName, {}, {}}), 3);
    EXPECT_EQ(images[2]->folder(), nullptr);
}

// A background job regroups an image while the user picks it: both decisions survive.
TEST_F(Session, ChildGroupChangeAndMainPickBothSurvive)
{
    auto child = KTObjectContext::makeChildContext(context);
    const KTObjectID imageId = images[2]->objectID();
    const KTObjectID groupId = group->objectID();
    std::atomic<int> step{0};
    child->perform([&] {
        auto *image = child->objectWithIdAs<KTImageMO>(imageId);
        image->setGroup(child->objectWithIdAs<KTImageGroupMO>(groupId));
        step = 1;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 1; }));
    images[2]->setPicked(true);
    images[0]->setRejected(true);

    child->perform([&] {
        EXPECT_TRUE(child->save());
        step = 2;
    });
    ASSERT_TRUE(waitUntil([&] { return step.load() == 2; }));
    EXPECT_EQ(images[2]->picked(), std::optional<bool>(true));
    EXPECT_EQ(images[2]->group(), group);
    EXPECT_EQ(images[0]->rejected(), std::optional<bool>(true));
    EXPECT_EQ(group->images(), (QList<KTImageMO *>{images[0], images[1], images[2]}));
}

// The predicates of the catalogue, its review modes and its jobs, on the three states of the
// decision attributes.
TEST_F(Session, CatalogueFiltersSelectTheRightImages)
{
    images[0]->setPicked(true);
    images[0]->setRejected(false);
    images[1]->setRejected(true);
    images[1]->setSyncStatusBitmask(16 | 32);
    images[2]->setExternalGUID("guid-c");
    images[2]->setPicked(false);
    images[2]->setTimeGroup(nullptr);

    const KTKeyPath rejected(kImageRejectedValueKey), picked(kImagePickedValueKey);
    const KTKeyPath bits(kImageSyncStatusBitmaskValueKey);
    const struct
    {
        KTPredicate predicate;
        const char *expected;
    } cases[] = {
        {rejected != true, "a,c"},
        {(picked == true) && (rejected != true), "a"},
        {rejected == true, "b"},
        {(picked != true) && (rejected != true), "c"},
        {KTKeyPath(kImageTimeGroupValueKey).isNotNil() && (rejected != true), "a"},
        {KTKeyPath(kImageExternalGUIDValueKey).isNotNil(), "c"},
        {bits.maskEquals(16, 16) || bits.maskEquals(32, 32), "b"},
        {KTKeyPath("group.groupID") == group->groupID(), "a,b"},
        {KTKeyPath("folder.type") == kFolderTypeFileSystem, "a,b,c"},
        {!KTKeyPath("folder.type").like(kFolderTypeFileSystem), ""},
    };
    for (const auto &c : cases) {
        QStringList names;
        for (KTImageMO *image :
             context->fetchAs<KTImageMO>({kImageEntityName, c.predicate, {KTSortDescriptor("name")}}))
            names.append(image->name());
        EXPECT_EQ(names.join(','), QString::fromLatin1(c.expected)) << c.predicate.format().toStdString();
    }
}

TEST_F(Session, IdentifiersAreGivenOnceAtInsertAndTravelWithAChildSave)
{
    EXPECT_EQ(images[0]->uuid().size(), 36);
    EXPECT_NE(images[0]->uuid(), images[1]->uuid());
    EXPECT_FALSE(group->groupID().isEmpty());
    EXPECT_FALSE(timeGroup->groupID().isEmpty());

    auto child = KTObjectContext::makeChildContext(context);
    QString uuid, groupID;
    KTObjectID imageId, groupId;
    std::atomic<bool> done{false};
    child->perform([&] {
        auto *image = child->insert<KTImageMO>(kImageEntityName);
        auto *newGroup = child->insert<KTImageGroupMO>(kImageGroupEntityName);
        image->setOriginalFileExists(true);
        uuid = image->uuid();
        groupID = newGroup->groupID();
        imageId = image->objectID();
        groupId = newGroup->objectID();
        child->save();
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done.load(); }));
    auto *image = context->objectWithIdAs<KTImageMO>(imageId);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->uuid(), uuid);
    EXPECT_EQ(context->objectWithIdAs<KTImageGroupMO>(groupId)->groupID(), groupID);
    EXPECT_EQ(image->originalFileExists(), std::optional<bool>(true));
}

TEST_F(Session, GroupSortsItsImagesByAnyKey)
{
    images[0]->setSize(300);
    images[1]->setSize(100);
    EXPECT_EQ(group->imagesSortedByKey(kImageSizeValueKey, KTSortOrder::Ascending),
              (QList<KTImageMO *>{images[1], images[0]}));
    EXPECT_EQ(group->imagesSortedByKey(kImageNameValueKey, KTSortOrder::Descending),
              (QList<KTImageMO *>{images[1], images[0]}));
}
