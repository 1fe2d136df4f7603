#include "KTFilteredImageLists.h"

#include "KTCatalogModel.h"
#include "KTCatalogNotifications.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTListsFixtures.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

const QDateTime kBase = QDateTime::fromMSecsSinceEpoch(1600000000000, Qt::UTC);

QStringList namesOf(const QList<KTImageMO *> &images)
{
    QStringList names;
    for (const KTImageMO *image : images)
        names.append(image->name());
    return names;
}

// Every registered list equals a fresh fetch with its filter.
void expectListsMatchFetches(KTFilteredImageLists &lists, const QString &when)
{
    for (const QString &filterID : lists.filterIDs()) {
        const QList<KTImageMO *> kept = lists.imagesFilteredByFilterWithID(filterID);
        const QList<KTImageMO *> fetched = lists.obtainImagesFilteredByFilterWithID(filterID).value();
        ASSERT_EQ(kept, fetched) << qPrintable(filterID) << " after " << qPrintable(when)
                                 << "\nkept:    " << qPrintable(namesOf(kept).join(','))
                                 << "\nfetched: " << qPrintable(namesOf(fetched).join(','));
    }
}

// Images "a" to "e" of one folder; "b", "c" and "d" form a group. "Active" lists the images that
// are not rejected by name; "Resolved" lists every image by resolve date, then name.
struct MergeSession : KTListsSession
{
    MergeSession()
    {
        folder = addFolder();
        group = context->insert<KTImageGroupMO>(kImageGroupEntityName);
        for (const char *name : {"a", "b", "c", "d", "e"}) {
            KTImageMO *image = addImage(QLatin1String(name), folder);
            images.insert(QLatin1String(name), image);
        }
        for (const char *name : {"b", "c", "d"})
            images[QLatin1String(name)]->setGroup(group);
        process();
        lists().setFilter(
            makeFilter(KTKeyPath(kImageRejectedValueKey) != true, {KTSortDescriptor(kImageNameValueKey)}),
            QStringLiteral("Active"));
        lists().setFilter(makeFilter(KTPredicate::alwaysTrue(), {KTSortDescriptor(kImageResolveDateValueKey),
                                                                 KTSortDescriptor(kImageNameValueKey)}),
                          QStringLiteral("Resolved"));
    }
    KTImageMO *operator[](const char *name) { return images.value(QLatin1String(name)); }

    KTFolderMO *folder = nullptr;
    KTImageGroupMO *group = nullptr;
    QHash<QString, KTImageMO *> images;
};

struct MergeCase
{
    const char *name;
    std::function<void(MergeSession &)> edit;
    QStringList active;   // names in "Active" afterwards
    int activePosts;      // notifications of "Active" for the change
    QStringList resolved; // names in "Resolved" afterwards
    int resolvedPosts;
    // What the last notification of "Active" names: "+" joined, "-" left, "~" moved.
    const char *activeChange = "";
};

QString changeOf(const QVariantMap &userInfo)
{
    QStringList change;
    for (const KTImageMO *image : KTFilteredListChangedInfo::joinedImages(userInfo))
        change.append(QLatin1Char('+') + image->name());
    for (const KTImageMO *image : KTFilteredListChangedInfo::leftImages(userInfo))
        change.append(QLatin1Char('-') + image->name());
    for (const KTImageMO *image : KTFilteredListChangedInfo::movedImages(userInfo))
        change.append(QLatin1Char('~') + image->name());
    return change.join(QLatin1Char(' '));
}

const MergeCase kMergeCases[] = {
    {"InsertGoesInOrder",
     [](MergeSession &s) { s.addImage(QStringLiteral("c2"), s.folder); },
     {"a", "b", "c", "c2", "d", "e"},
     1,
     {"a", "b", "c", "c2", "d", "e"},
     1,
     "+c2"},
    {"DeleteLeaves",
     [](MergeSession &s) { s.context->deleteObject(s["c"]); },
     {"a", "b", "d", "e"},
     1,
     {"a", "b", "d", "e"},
     1,
     "-c"},
    {"UpdateThatKeepsOrderPostsNothing",
     [](MergeSession &s) {
         s["c"]->setSize(42);
         s["c"]->setName(QStringLiteral("c1"));
     },
     {"a", "b", "c1", "d", "e"},
     0,
     {"a", "b", "c1", "d", "e"},
     0},
    {"RenameToTheEndMoves",
     [](MergeSession &s) { s["a"]->setName(QStringLiteral("z")); },
     {"b", "c", "d", "e", "z"},
     1,
     {"b", "c", "d", "e", "z"},
     1,
     "~z"},
    {"ResolveDateOnAWholeGroupMovesItUnderAResolveDateSort",
     [](MergeSession &s) {
         for (KTImageMO *image : s.group->images())
             image->setResolveDate(kBase);
     },
     {"a", "b", "c", "d", "e"},
     0,
     {"a", "e", "b", "c", "d"},
     1},
    {"ResolveDatesInReverseOrderSortEachMemberBack",
     [](MergeSession &s) {
         s["b"]->setResolveDate(kBase.addSecs(3));
         s["c"]->setResolveDate(kBase.addSecs(2));
         s["d"]->setResolveDate(kBase.addSecs(1));
     },
     {"a", "b", "c", "d", "e"},
     0,
     {"a", "e", "d", "c", "b"},
     1},
    {"RejectLeavesTheFilter",
     [](MergeSession &s) { s["b"]->setRejected(true); },
     {"a", "c", "d", "e"},
     1,
     {"a", "b", "c", "d", "e"},
     0,
     "-b"},
    {"RejectAndRenameInOneChangeLeavesOnce",
     [](MergeSession &s) {
         s["b"]->setRejected(true);
         s["a"]->setName(QStringLiteral("dd"));
         s.addImage(QStringLiteral("aa"), s.folder);
     },
     {"aa", "c", "d", "dd", "e"},
     1,
     {"aa", "b", "c", "d", "dd", "e"},
     1,
     "+aa -b ~dd"},
    {"NilToNoIsNoChangeOfMembership",
     [](MergeSession &s) { s["b"]->setRejected(false); },
     {"a", "b", "c", "d", "e"},
     0,
     {"a", "b", "c", "d", "e"},
     0},
    {"PathChangeKeepsOneEntry",
     [](MergeSession &s) { s["c"]->setPath(QStringLiteral("/elsewhere/c.CR2")); },
     {"a", "b", "c", "d", "e"},
     0,
     {"a", "b", "c", "d", "e"},
     0},
};

class FilteredListsMerge : public ::testing::TestWithParam<MergeCase>
{
};

} // namespace

TEST_P(FilteredListsMerge, ListEqualsAFreshFetchAndPostsOncePerChange)
{
    const MergeCase &c = GetParam();
    MergeSession session;
    KTNotificationRecorder recorder(&session.catalogue);
    c.edit(session);
    session.process();
    EXPECT_EQ(namesOf(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Active"))), c.active);
    EXPECT_EQ(namesOf(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Resolved"))), c.resolved);
    EXPECT_EQ(recorder.count(QStringLiteral("Active")), c.activePosts);
    EXPECT_EQ(recorder.count(QStringLiteral("Resolved")), c.resolvedPosts);
    const QVariantMap change = recorder.userInfo(QStringLiteral("Active"));
    EXPECT_EQ(KTFilteredListChangedInfo::isMerge(change), c.activePosts > 0);
    EXPECT_EQ(changeOf(change), QLatin1String(c.activeChange));
    expectListsMatchFetches(session.lists(), QLatin1String(c.name));
}

INSTANTIATE_TEST_SUITE_P(Cases, FilteredListsMerge, ::testing::ValuesIn(kMergeCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A record that leaves and enters again keeps the list in order; an image unrejected after the
// list was fetched comes back at its place.
TEST(KTFilteredImageListsTest, RecordLeavingAndEnteringReturnsToItsPlace)
{
    MergeSession session;
    session["c"]->setRejected(true);
    session.process();
    session["c"]->setRejected(std::nullopt);
    session.process();
    EXPECT_EQ(namesOf(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Active"))),
              (QStringList{"a", "b", "c", "d", "e"}));
}

TEST(KTFilteredImageListsTest, NilBooleansCountAsNoForEveryModeFilter)
{
    KTListsSession session;
    KTFolderMO *folder = session.addFolder();
    auto *group = session.context->insert<KTImageGroupMO>(kImageGroupEntityName);
    auto *timeGroup = session.context->insert<KTTimeGroupMO>(kTimeGroupEntityName);
    KTImageMO *unset = session.addImage(QStringLiteral("unset"), folder);
    unset->setGroup(group);
    unset->setTimeGroup(timeGroup);
    session.process();
    for (const auto &[filterID, filter] : reviewModeFilters())
        session.lists().setFilter(filter, filterID);

    struct Expectation
    {
        const char *filterID;
        bool member;
    };
    const Expectation expectations[] = {
        {"All", true}, {"Rejected", false}, {"Picked", false}, {"Grouped", true}, {"Timeline", true}};
    for (const Expectation &e : expectations)
        EXPECT_EQ(session.lists().imagesFilteredByFilterWithID(QLatin1String(e.filterID)).contains(unset),
                  e.member)
            << e.filterID;

    // NO is no different from nil: nothing moves, nothing is posted.
    KTNotificationRecorder recorder(&session.catalogue);
    unset->setRejected(false);
    unset->setPicked(false);
    session.process();
    for (const Expectation &e : expectations) {
        EXPECT_EQ(session.lists().imagesFilteredByFilterWithID(QLatin1String(e.filterID)).contains(unset),
                  e.member)
            << e.filterID;
        EXPECT_EQ(recorder.count(QLatin1String(e.filterID)), 0) << e.filterID;
    }
}

TEST(KTFilteredImageListsTest, RecordsWithoutPathAreSkippedWithTheirLogLine)
{
    MergeSession session;
    KTLogCapture log;
    KTImageMO *pathless = session.context->insert<KTImageMO>(kImageEntityName);
    pathless->setName(QStringLiteral("b2"));
    session.process();
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: image path should not be nil")));

    session["c"]->setPath(QString());
    session["c"]->setName(QStringLiteral("zz"));
    session.process();
    EXPECT_TRUE(log.contains(QStringLiteral("Error: image path should not be nil.")));

    session.context->deleteObject(pathless);
    session.process();
    EXPECT_TRUE(log.contains(QStringLiteral("Error: Image path should not be nil")));
    EXPECT_FALSE(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Active")).contains(pathless));
}

// Paths identify records: a second record with a path the list holds is not taken in.
TEST(KTFilteredImageListsTest, UpdatedRecordWithAPathTheListHoldsIsAnInconsistency)
{
    MergeSession session;
    KTImageMO *twin = session.addImage(QStringLiteral("twin"), session.folder);
    twin->setRejected(true);
    session.process();
    KTLogCapture log;
    twin->setPath(session["c"]->path());
    twin->setRejected(false);
    session.process();
    EXPECT_TRUE(log.contains(QStringLiteral("Error: Inconsistency in filter with ID Active")));
    EXPECT_FALSE(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Active")).contains(twin));
}

TEST(KTFilteredImageListsTest, RegisteringPostsOnceWithTheListFetchedAndAgainWhenReplaced)
{
    MergeSession session;
    KTNotificationRecorder recorder(&session.catalogue);
    qsizetype seen = -1;
    KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        QStringLiteral("Picks"), &session.catalogue, [&](const KTNotification &) {
            seen = session.lists().imagesFilteredByFilterWithID(QStringLiteral("Picks")).size();
        });
    session["a"]->setPicked(true);
    session.process();
    recorder.clear();

    const QVariantMap picks = makeFilter(KTKeyPath(kImagePickedValueKey) == true, {});
    session.lists().setFilter(picks, QStringLiteral("Picks"));
    EXPECT_EQ(recorder.names(), QStringList{"Picks"});
    EXPECT_EQ(seen, 1);
    EXPECT_FALSE(KTFilteredListChangedInfo::isMerge(recorder.userInfo(QStringLiteral("Picks"))))
        << "a list fetched anew names no change";

    KTLogCapture log;
    session.lists().setFilter(makeFilter(KTPredicate::alwaysTrue(), {}), QStringLiteral("Picks"));
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: Filter with id: Picks already setted.")));
    EXPECT_EQ(recorder.count(QStringLiteral("Picks")), 2);
    EXPECT_EQ(seen, 5);
    EXPECT_TRUE(session.lists().filterForID(QStringLiteral("Picks")).has_value());

    session.lists().removeFilterWithID(QStringLiteral("Picks"));
    EXPECT_FALSE(session.lists().filterForID(QStringLiteral("Picks")).has_value());
    EXPECT_EQ(recorder.count(QStringLiteral("Picks")), 2);
}

TEST(KTFilteredImageListsTest, CountOfAStoreEvaluablePredicateEqualsTheListLength)
{
    MergeSession session;
    session["a"]->setRejected(true);
    session["d"]->setRejected(true);
    session.process();
    session.lists().setFilter(makeFilter(KTKeyPath(kImageRejectedValueKey) == true, {}, false),
                              QStringLiteral("Rejected"));
    EXPECT_EQ(session.lists().countForImagesFilteredByFilterWithID(QStringLiteral("Rejected")), 2u);
    EXPECT_EQ(session.lists().imagesFilteredByFilterWithID(QStringLiteral("Rejected")).size(), 2);
    // The kept list's size follows the merges without a fetch.
    EXPECT_EQ(session.lists().keptCountForFilterWithID(QStringLiteral("Rejected")), 2);
    session["a"]->setRejected(false);
    session.process();
    EXPECT_EQ(session.lists().keptCountForFilterWithID(QStringLiteral("Rejected")), 1);
    EXPECT_EQ(session.lists().countForImagesFilteredByFilterWithID(QStringLiteral("Rejected")), 1u);
    EXPECT_EQ(session.lists().keptCountForFilterWithID(QStringLiteral("Unknown")), std::nullopt);
}

TEST(KTFilteredImageListsTest, MergeGuardsLogAndPostNothing)
{
    MergeSession session;
    session.lists().setFilter({{kFilterSortDescriptorsKey, QVariant::fromValue(QList<KTSortDescriptor>{})}},
                              QStringLiteral("NoPredicate"));
    KTNotificationRecorder recorder(&session.catalogue);
    KTLogCapture log;
    const QList<KTImageMO *> some{session["a"]};
    EXPECT_FALSE(session.lists().validateImagesFilteredByFilterWithID(QString(), some, {}, {}));
    EXPECT_FALSE(
        session.lists().validateImagesFilteredByFilterWithID(QStringLiteral("Unknown"), some, {}, {}));
    EXPECT_FALSE(
        session.lists().validateImagesFilteredByFilterWithID(QStringLiteral("NoPredicate"), some, {}, {}));
    EXPECT_TRUE(log.contains(QStringLiteral("Error: filter id should not be nil")));
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: filter for id Unknown does not specified.")));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Warning: predicate for filter with id NoPredicate does not specified")));
    EXPECT_TRUE(recorder.names().isEmpty());
}

// Thousands of random edits, on the main thread and through child contexts' saves: after each
// one every registered list is what a fresh fetch gives.
TEST(KTFilteredImageListsTest, RandomEditsKeepEveryListEqualToAFreshFetch)
{
    KTListsSession session;
    std::mt19937 random(20261210);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<KTFolderMO *> folders{session.addFolder(), session.addFolder(kFolderTypeLightroom5)};
    std::vector<KTImageGroupMO *> groups;
    std::vector<KTTimeGroupMO *> timeGroups;
    for (int i = 0; i < 8; ++i)
        groups.push_back(session.context->insert<KTImageGroupMO>(kImageGroupEntityName));
    for (int i = 0; i < 4; ++i)
        timeGroups.push_back(session.context->insert<KTTimeGroupMO>(kTimeGroupEntityName));
    // Few distinct names and dates, so that many records tie on their sort keys.
    const auto randomName = [&] { return QStringLiteral("IMG_%1").arg(pick(40)); };
    const auto randomDate = [&] { return pick(4) == 0 ? QDateTime() : kBase.addSecs(pick(20)); };
    const auto randomFlag = [&] {
        const int v = pick(3);
        return v == 0 ? std::optional<bool>() : std::optional<bool>(v == 1);
    };
    const auto populate = [&](KTImageMO *image) {
        image->setRejected(randomFlag());
        image->setPicked(randomFlag());
        image->setResolveDate(randomDate());
        image->setTimeStamp(randomDate());
        if (pick(2))
            image->setGroup(groups[std::size_t(pick(int(groups.size())))]);
        image->setTimeGroup(timeGroups[std::size_t(pick(int(timeGroups.size())))]);
        if (image->folder() && image->folder()->type() != kFolderTypeFileSystem)
            image->setExternalGUID(QStringLiteral("GUID-%1").arg(session.created));
    };
    for (int i = 0; i < 60; ++i)
        populate(session.addImage(randomName(), folders[std::size_t(pick(2))]));
    session.process();
    for (const auto &[filterID, filter] : reviewModeFilters())
        session.lists().setFilter(filter, filterID);

    const auto liveImages = [&] { return session.context->fetchAs<KTImageMO>({kImageEntityName, {}, {}}); };
    // One random edit of `image` (in whichever context it belongs to).
    const auto edit = [&](KTImageMO *image, int kind) {
        switch (kind) {
        case 0:
            image->setPicked(randomFlag());
            break;
        case 1:
            image->setRejected(randomFlag());
            image->setResolveDate(randomDate());
            break;
        case 2:
            image->setName(randomName());
            break;
        case 3:
            image->setGroup(pick(3) == 0 ? nullptr
                                         : static_cast<KTImageGroupMO *>(image->context()->objectWithId(
                                               groups[std::size_t(pick(int(groups.size())))]->objectID())));
            break;
        default:
            image->setTimeStamp(randomDate());
            break;
        }
    };

    for (int step = 0; step < 2000; ++step) {
        const int action = pick(12);
        QList<KTImageMO *> images = liveImages();
        if (action == 0 || images.size() < 20) {
            populate(session.addImage(randomName(), folders[std::size_t(pick(2))]));
        } else if (action == 1) {
            session.context->deleteObject(images[pick(int(images.size()))]);
        } else if (action == 2) {
            // A whole group resolved at once, as the similar-groups mode does.
            const QDateTime date = randomDate();
            for (KTImageMO *image : groups[std::size_t(pick(int(groups.size())))]->images()) {
                image->setResolveDate(date);
                if (pick(2))
                    image->setRejected(true);
            }
        } else if (action == 3) {
            // A background job edits, inserts and deletes in a child context and saves.
            QList<KTObjectID> ids;
            for (int k = 0; k < 6; ++k)
                ids.append(images[pick(int(images.size()))]->objectID());
            const int insertName = pick(40);
            auto child = KTObjectContext::makeChildContext(session.context);
            std::atomic<bool> done{false};
            std::vector<int> kinds;
            for (int k = 0; k < 6; ++k)
                kinds.push_back(pick(5));
            child->perform([&] {
                for (int k = 0; k < 5; ++k)
                    edit(child->objectWithIdAs<KTImageMO>(ids[k]), kinds[std::size_t(k)]);
                child->deleteObject(child->objectWithId(ids[5]));
                auto *inserted = child->insert<KTImageMO>(kImageEntityName);
                inserted->setName(QStringLiteral("IMG_%1").arg(insertName));
                inserted->setPath(QStringLiteral("/child/%1.CR2").arg(step));
                inserted->setPicked(true);
                child->save();
                done = true;
            });
            ASSERT_TRUE(waitUntil([&] { return done.load(); }));
            child.reset();
        } else {
            edit(images[pick(int(images.size()))], pick(5));
        }
        session.process();
        expectListsMatchFetches(session.lists(), QStringLiteral("step %1 (action %2)").arg(step).arg(action));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}
