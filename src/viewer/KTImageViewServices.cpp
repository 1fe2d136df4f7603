#include "KTImageViewServices.h"

#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageStorage.h"
#include "KTImageUtils.h"

#include <QPointer>
#include <QTimer>

#include <cmath>

KTEntitiesManager &KTImageViewServices::entities() const
{
    return entitiesManager ? *entitiesManager : KTEntitiesManager::sharedManager();
}

KTFocusedRegionsManager &KTImageViewServices::focusedRegions() const
{
    return focusedRegionsManager ? *focusedRegionsManager : KTFocusedRegionsManager::sharedManager();
}

KTImageStorage *KTImageViewServices::catalogue() const
{
    return storage ? storage : KTImageStorage::sharedStorage();
}

QImage KTImageViewServices::decode(const QString &path) const
{
    return decoder ? decoder(path) : KTImageUtils::imageFromRawQuick(path);
}

void KTImageViewServices::schedule(QObject *receiver, double seconds, std::function<void()> job) const
{
    if (scheduler) {
        scheduler(receiver, seconds, std::move(job));
        return;
    }
    QTimer::singleShot(int(std::lround(seconds * 1000)), receiver, std::move(job));
}

void KTImageViewServices::runInBackground(std::function<void()> work, std::function<void()> then) const
{
    if (worker) {
        worker(std::move(work), std::move(then));
        return;
    }
    KTConcurrentQueue::global().async([work = std::move(work), then = std::move(then)]() mutable {
        work();
        postToMain(std::move(then));
    });
}
