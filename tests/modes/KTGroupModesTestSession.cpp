#include "KTGroupModesTestSession.h"

#include "KTAnalysisSessionHooks.h"
#include "KTDuplicatesSeeker.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

std::vector<KTBurstPhoto> KTBurstModesSession::defaultPhotos()
{
    KTBurstFixtureOptions options;
    options.scenes = 5;
    options.singles = 3;
    options.lookAlikes = 0;
    options.sameSpots = 0;
    return makeBurstFixture(options);
}

bool KTBurstModesSession::load(const std::vector<KTBurstPhoto> &photos, const Load &load)
{
    const std::vector<QString> written =
        writeBurstFixture(photos, QDir(folder()).filePath(QStringLiteral("Photos")));
    for (const QString &path : written) {
        if (path.isEmpty())
            return false;
    }
    KTImageStorage &catalogue = storage();
    KTAnalysisSessionHooks::install(catalogue);
    KTDuplicatesSeeker::installInto(catalogue);
    addSource();
    catalogue.setFindDuplicatesForAddedImages(true);
    catalogue.setAccuracyLevel(load.accuracyLevel);
    catalogue.setTimeRange(load.timeRange);
    catalogue.setTimeLineInterval(load.timeLineInterval);
    bool finished = false;
    const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        kTaskDidFinishNotification, nullptr, [&](const KTNotification &notification) {
            if (notification.userInfo.value(kTaskNameKey).toString() == kLoadImagesTaskName)
                finished = true;
        });
    catalogue.loadImages();
    const bool done = waitUntil([&] { return finished; }, std::chrono::seconds(120));
    drainMainQueue();
    return done && !catalogue.images().isEmpty();
}

KTImageMO *KTBurstModesSession::image(const QString &id) const
{
    const QString wanted = path(id);
    for (KTImageMO *record : storage().images()) {
        if (record->path() == wanted)
            return record;
    }
    return nullptr;
}

QStringList KTBurstModesSession::ids(const QList<KTImageMO *> &images)
{
    QStringList result;
    for (const KTImageMO *image : images)
        result.append(QFileInfo(image->path()).completeBaseName());
    return result;
}
