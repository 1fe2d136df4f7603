#include "KTTimeGrouper.h"

#include "KTCatalogModel.h"
#include "KTDateDay.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"
#include "KTTimeGroupMO.h"

#include <QObject>
#include <QPointer>
#include <QtDebug>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

/// Exact equality in practice: the relative test only matters below the smallest normal double,
/// and 0 never equals a non-zero value.
bool doublesEqual(double a, double b)
{
    if (a == b)
        return true;
    const double difference = std::fabs(a - b);
    if (a == 0.0 || b == 0.0 || difference < DBL_MIN)
        return false;
    return difference / (std::fabs(a) + std::fabs(b)) < DBL_MIN;
}

double secondsSince1970(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0;
}

struct Shot
{
    KTImageMO *image;
    QDateTime timeStamp;
    qint64 msecs;
    double exposure;
};

} // namespace

bool KTTimeGrouper::joinsPreviousShot(const QDateTime &previousTimeStamp, double previousExposure,
                                      const QDateTime &timeStamp, double exposure, double interval)
{
    const double previousSeconds = secondsSince1970(previousTimeStamp);
    const double seconds = secondsSince1970(timeStamp);
    if (doublesEqual(previousSeconds, seconds) && doublesEqual(previousExposure, exposure))
        return true;
    const bool previousIsEarlier = previousSeconds <= seconds;
    const double earlierSeconds = previousIsEarlier ? previousSeconds : seconds;
    const double earlierExposure = previousIsEarlier ? previousExposure : exposure;
    const double laterSeconds = previousIsEarlier ? seconds : previousSeconds;
    const double gap = std::fabs(earlierExposure + earlierSeconds - laterSeconds);
    return gap <= interval && day(timeStamp) == day(previousTimeStamp);
}

void KTTimeGrouper::groupImagesByTimeInterval(double interval,
                                              const std::shared_ptr<KTObjectContext> &mainContext,
                                              const KTTaskSender &sender)
{
    Q_ASSERT(mainContext && mainContext->isMainContext());
    auto child = KTObjectContext::makeChildContext(mainContext);
    child->perform([interval, child = child.get(), sender] {
        groupImagesByTimeInterval(interval, *child, sender);
        QString error;
        if (!child->save(&error))
            qWarning().noquote() << "Warning: time groups were not saved:" << error;
    });
}

void KTTimeGrouper::groupImagesByTimeInterval(double interval, KTObjectContext &context,
                                              const KTTaskSender &sender)
{
    KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
    notifier.taskDidStart(kGrouppingImagesByTimeTaskName, sender);

    for (KTStoreObject *group : context.fetch({kTimeGroupEntityName, {}, {}}))
        context.deleteObject(group);

    // Fetched in object-id order; the stable sort below keeps that order among equal time
    // stamps, so the partition never depends on hashing or memory.
    const QList<KTImageMO *> images = context.fetchAs<KTImageMO>({kImageEntityName, {}, {}});
    std::vector<Shot> shots;
    QList<KTImageMO *> withoutTimeStamp;
    shots.reserve(size_t(images.size()));
    for (KTImageMO *image : images) {
        if (image->timeGroup())
            qWarning().noquote() << QStringLiteral(
                                        "Error: image at path %1 has time group after cleaning time groups.")
                                        .arg(image->path());
        const QDateTime timeStamp = image->timeStamp();
        if (timeStamp.isValid())
            shots.push_back(
                {image, timeStamp, timeStamp.toMSecsSinceEpoch(), image->exposureTime().value_or(0.0)});
        else
            withoutTimeStamp.append(image);
    }
    std::stable_sort(shots.begin(), shots.end(),
                     [](const Shot &a, const Shot &b) { return a.msecs < b.msecs; });

    KTTimeGroupMO *group = nullptr;
    const Shot *previous = nullptr;
    for (const Shot &shot : shots) {
        if (!previous || !joinsPreviousShot(previous->timeStamp, previous->exposure, shot.timeStamp,
                                            shot.exposure, interval))
            group = context.insert<KTTimeGroupMO>(kTimeGroupEntityName);
        shot.image->setTimeGroup(group);
        previous = &shot;
    }

    if (!withoutTimeStamp.isEmpty()) {
        auto *absent = context.insert<KTTimeGroupMO>(kTimeGroupEntityName);
        absent->addImages(withoutTimeStamp);
        absent->setTimestampIsAbsent(true);
    }

    notifier.taskDidFinish(kGrouppingImagesByTimeTaskName, sender);
}
