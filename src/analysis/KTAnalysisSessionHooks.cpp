#include "KTAnalysisSessionHooks.h"

#include "KTImageHashesManager.h"
#include "KTImageStorage.h"
#include "KTSimilarFinder.h"

void KTAnalysisSessionHooks::install(KTImageStorage &storage)
{
    KTSessionHooks hooks = storage.sessionHooks();
    // reset() only queues the work on the finder's own queue, so the main thread never waits.
    hooks.resetSimilarFinder = [] { KTSimilarFinder::sharedInstance().reset(); };
    hooks.cleanHashes = [] { KTImageHashesManager::sharedManager().cleanHashes(); };
    hooks.deleteHashForImagePath = [](const QString &imagePath) {
        KTImageHashesManager::sharedManager().deleteHashForImagePath(imagePath);
    };
    storage.setSessionHooks(std::move(hooks));
}
