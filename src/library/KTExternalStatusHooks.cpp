#include "KTExternalStatusHooks.h"

#include "KTExternalStatusFlows.h"
#include "KTImageStorage.h"

#include <QPointer>

std::shared_ptr<KTExternalStatusFlows> KTExternalStatusHooks::install(KTImageStorage &storage,
                                                                      const KTExternalImagesManager &manager)
{
    auto flows = std::dynamic_pointer_cast<KTExternalStatusFlows>(KTExternalStatusSync::installed());
    if (!flows) {
        flows = std::make_shared<KTExternalStatusFlows>(manager);
        KTExternalStatusSync::install(flows);
    }
    const QPointer<KTImageStorage> catalogue(&storage);
    flows->setMoveImagesToTrash([catalogue](const QList<KTImageMO *> &images) {
        if (catalogue)
            catalogue->moveImagesToTrash(images);
    });

    KTSessionHooks hooks = storage.sessionHooks();
    hooks.resetImagesSyncing = [catalogue] {
        if (catalogue)
            catalogue->resetImagesSyncing();
    };
    hooks.addExternalSourcePath = [catalogue](const QString &mediaSourcePath) {
        if (catalogue)
            catalogue->addExternalSourcePath(mediaSourcePath);
    };
    // Held weakly: the flows belong to whoever installed them.
    hooks.markImagesAsRejected =
        [weakFlows = std::weak_ptr<KTExternalStatusFlows>(flows)](const QList<KTImageMO *> &images) {
            const auto flows = weakFlows.lock();
            return flows ? flows->rejectImagesOrReturnImagesWhichCouldNotBeRejected(images)
                         : QSet<KTImageMO *>(images.cbegin(), images.cend());
        };
    storage.setSessionHooks(std::move(hooks));
    return flows;
}
