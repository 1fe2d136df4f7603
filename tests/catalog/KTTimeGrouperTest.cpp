#include "KTTimeGrouper.h"

#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTaskRecorder.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTTimeGroupMO.h"

#include <QDateTime>
#include <QObject>

#include <gtest/gtest.h>

#include <optional>

namespace {

QDateTime local(int month, int dayOfMonth, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(2024, month, dayOfMonth), QTime(hour, minute, second, msec), Qt::LocalTime);
}

struct RuleCase
{
    const char *name;
    QDateTime previous;
    double previousExposure;
    QDateTime next;
    double exposure;
    double interval;
    bool joins;
};

// The images of each time group by name, groups ordered by their first image's name; the group
// of the images without a time stamp is marked with a leading "-".
QStringList partition(KTObjectContext &context)
{
    QStringList groups;
    for (KTTimeGroupMO *group : context.fetchAs<KTTimeGroupMO>({kTimeGroupEntityName, {}, {}})) {
        QStringList names;
        for (KTImageMO *image : group->images())
            names.append(image->name());
        names.sort();
        groups.append((group->timestampIsAbsent().value_or(false) ? QStringLiteral("-") : QString()) +
                      names.join(QLatin1Char(',')));
    }
    groups.sort();
    return groups;
}

KTImageMO *addImage(KTObjectContext &context, const QString &name, const QDateTime &timeStamp,
                    std::optional<double> exposure = std::nullopt)
{
    auto *image = context.insert<KTImageMO>(kImageEntityName);
    image->setName(name);
    image->setPath(QStringLiteral("/photos/") + name + QStringLiteral(".jpg"));
    image->setTimeStamp(timeStamp);
    image->setExposureTime(exposure);
    return image;
}

} // namespace

TEST(KTTimeGrouperTest, GroupingRule)
{
    const QDateTime noon = local(5, 6, 12, 0, 0);
    const RuleCase cases[] = {
        {"same shot joins even with interval 0", noon, 0.01, noon, 0.01, 0, true},
        {"same shot without exposures joins", noon, 0, noon, 0, 0, true},
        {"equal stamps, earlier exposure longer than interval", noon, 2, noon, 1, 1, false},
        {"equal stamps, earlier exposure within interval", noon, 2, noon, 1, 2, true},
        {"30 s exposure, next shot 1 s later: gap 29 s", noon, 30, noon.addSecs(1), 0, 28, false},
        {"30 s exposure, gap of 29 s within 29", noon, 30, noon.addSecs(1), 0, 29, true},
        {"gap exactly the interval joins", noon, 0, noon.addSecs(10), 0, 10, true},
        {"gap just over the interval", noon, 0, noon.addMSecs(10001), 0, 10, false},
        {"only the earlier exposure counts", noon, 0, noon.addSecs(10), 100, 10, true},
        {"across local midnight", local(5, 6, 23, 59, 55), 0, local(5, 7, 0, 0, 5), 0, 3600, false},
        {"same day of another month", local(5, 6, 12, 0, 0), 0, local(6, 6, 12, 0, 0), 0, 40 * 86400.0, true},
        {"within the interval on the same day", local(5, 6, 0, 0, 1), 0, local(5, 6, 23, 59, 59), 0, 86400,
         true},
    };
    for (const RuleCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            KTTimeGrouper::joinsPreviousShot(c.previous, c.previousExposure, c.next, c.exposure, c.interval),
            c.joins);
    }
}

TEST(KTTimeGrouperTest, RebuildChainsShotsAndCollectsImagesWithoutTimeStamp)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    const QDateTime start = local(3, 10, 9, 0, 0);
    // Inserted out of time order: the grouping sorts by time stamp.
    addImage(*context, "c", start.addSecs(120));
    addImage(*context, "a", start);
    addImage(*context, "b", start.addSecs(60));       // a chain: each within 60 s of the one before
    addImage(*context, "d", start.addSecs(400), 0.5); // 280 s after c
    addImage(*context, "e", start.addSecs(400), 0.5); // the same shot as d
    addImage(*context, "f", local(3, 11, 9, 0, 0));   // the next day
    addImage(*context, "x", QDateTime());
    addImage(*context, "y", QDateTime(), 1.0);

    QObject sender;
    KTTaskRecorder tasks(&sender);
    KTTimeGrouper::groupImagesByTimeInterval(60, *context, &sender);
    EXPECT_EQ(partition(*context), (QStringList{"-x,y", "a,b,c", "d,e", "f"}));
    // Timed groups keep the model default (nil); only the absent group says YES.
    EXPECT_EQ(
        context->count({kTimeGroupEntityName, KTKeyPath(kTimeGroupTimestampIsAbsentValueKey).isNil(), {}}),
        3);

    drainMainQueue();
    EXPECT_EQ(tasks.trail(),
              (QStringList{"TaskDidStart:Grouping Images By Time", "TaskDidFinish:Grouping Images By Time"}));
    EXPECT_FALSE(tasks.events().front().userInfo.value(kTaskCancelableStateKey).toBool());
}

TEST(KTTimeGrouperTest, RebuildReplacesEveryGroupWithNewIdentifiers)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    addImage(*context, "a", local(1, 2, 3, 4, 5));
    addImage(*context, "b", local(1, 2, 3, 4, 6));
    KTTimeGrouper::groupImagesByTimeInterval(10, *context, nullptr);
    const QList<KTTimeGroupMO *> first = context->fetchAs<KTTimeGroupMO>({kTimeGroupEntityName, {}, {}});
    ASSERT_EQ(first.size(), 1);
    const QString firstID = first.front()->groupID();

    KTLogCapture log;
    KTTimeGrouper::groupImagesByTimeInterval(10, *context, nullptr);
    const QList<KTTimeGroupMO *> second = context->fetchAs<KTTimeGroupMO>({kTimeGroupEntityName, {}, {}});
    ASSERT_EQ(second.size(), 1);
    EXPECT_TRUE(first.front()->isDeleted());
    EXPECT_NE(second.front()->groupID(), firstID);
    EXPECT_EQ(second.front()->images().size(), 2);
    EXPECT_FALSE(log.contains("has time group after cleaning time groups"));
}

// Shots with equal time stamps keep their insertion (object id) order, which decides whose
// exposure counts: the partition never depends on hash or memory order.
TEST(KTTimeGrouperTest, EqualTimeStampsKeepInsertionOrder)
{
    const QDateTime t = local(8, 1, 10, 0, 0);
    const auto groupsFor = [&](const QStringList &order) {
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        for (const QString &name : order) {
            if (name == QLatin1String("p"))
                addImage(*context, "p", t); // no exposure
            else if (name == QLatin1String("q"))
                addImage(*context, "q", t, 5.0);
            else
                addImage(*context, "r", t.addSecs(3));
        }
        KTTimeGrouper::groupImagesByTimeInterval(2, *context, nullptr);
        return partition(*context);
    };
    // p, q, r: q's gap to p is p's exposure (0); r's gap to q is |5 - 3| = 2.
    EXPECT_EQ(groupsFor({"p", "q", "r"}), (QStringList{"p,q,r"}));
    // q, p, r: p's gap to q is q's 5 s exposure; r's gap to p is 3 s.
    EXPECT_EQ(groupsFor({"q", "p", "r"}), (QStringList{"p", "q", "r"}));
}

TEST(KTTimeGrouperTest, EmptyCatalogueStillAnnouncesTheTask)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    QObject sender;
    KTTaskRecorder tasks(&sender);
    KTTimeGrouper::groupImagesByTimeInterval(60, *context, &sender);
    EXPECT_EQ(context->count({kTimeGroupEntityName, {}, {}}), 0);
    drainMainQueue();
    EXPECT_EQ(tasks.count(kTaskDidStartNotification, kGrouppingImagesByTimeTaskName), 1);
    EXPECT_EQ(tasks.count(kTaskDidFinishNotification, kGrouppingImagesByTimeTaskName), 1);
}

TEST(KTTimeGrouperTest, BackgroundRebuildLandsInTheMainContext)
{
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    addImage(*context, "a", local(1, 2, 3, 4, 5));
    addImage(*context, "b", local(1, 2, 9, 4, 5));
    addImage(*context, "n", QDateTime());
    context->save();
    // The previous partition is replaced, not added to.
    KTTimeGrouper::groupImagesByTimeInterval(0, *context, nullptr);
    context->save();

    QObject sender;
    KTTaskRecorder tasks(&sender);
    KTLogCapture log;
    KTTimeGrouper::groupImagesByTimeInterval(24 * 3600.0, context, &sender);
    ASSERT_TRUE(waitUntil(
        [&] { return tasks.count(kTaskDidFinishNotification, kGrouppingImagesByTimeTaskName) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return partition(*context) == QStringList({"-n", "a,b"}); }));
    EXPECT_FALSE(log.contains("has time group after cleaning time groups"));
}
