#include "KTSessionImport.h"

#include "KTImageStorage.h"
#include "KTNotificationCenter.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

bool waitForTask(const QString &name, int seconds, const std::function<void()> &start)
{
    bool finished = false;
    const KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
        KTTaskDidFinishInfo::name(), nullptr, [&](const KTNotification &notification) {
            if (KTTaskDidFinishInfo::taskName(notification.userInfo) == name)
                finished = true;
        });
    start();
    QDeadlineTimer deadline(seconds * 1000);
    while (!finished && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    return finished;
}

bool importFolders(KTImageStorage &storage, const QStringList &folders, int seconds, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!waitForTask(kAddSourcesTaskName, seconds, [&] { storage.addSourcesForPaths(folders, {}); }))
        return fail(QStringLiteral("adding the sources did not finish"));
    storage.setFindDuplicatesForAddedImages(true);
    storage.setAccuracyLevel(3);
    storage.setTimeRange(3600);
    storage.setTimeLineInterval(60);
    if (!waitForTask(kLoadImagesTaskName, seconds, [&] { storage.loadImages(); }))
        return fail(QStringLiteral("loading the images did not finish"));
    return true;
}
