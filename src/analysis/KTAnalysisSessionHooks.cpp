#include "KTAnalysisSessionHooks.h"

#include "KTEntitiesManager.h"
#include "KTImageHashesManager.h"
#include "KTImageStorage.h"
#include "KTSimilarFinder.h"

void KTAnalysisSessionHooks::install(KTImageStorage &storage)
{
    KTSessionHooks hooks = storage.sessionHooks();
    hooks.resetSimilarFinder = [] {
        // reset() only queues the work on the finder's own queue, so the main thread never waits.
        KTSimilarFinder::sharedInstance().reset();
        // Entity keys carry the records' uuids, new every session: the thumbnails a cleared
        // session left in memory would never be asked for again.
        KTEntitiesManager::sharedManager().entitiesCache().removeAllObjects();
    };
    hooks.cleanHashes = [] { KTImageHashesManager::sharedManager().cleanHashes(); };
    hooks.deleteHashForImagePath = [](const QString &imagePath) {
        KTImageHashesManager::sharedManager().deleteHashForImagePath(imagePath);
    };
    storage.setSessionHooks(std::move(hooks));
}
