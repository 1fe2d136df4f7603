#include "KTTimelineImagesModeController.h"

#include "KTImageMO.h"
#include "KTImageStorage.h"

#include <algorithm>

KTTimelineImagesModeController::KTTimelineImagesModeController(QObject *parent)
    : KTBaseImagesGroupsController(parent)
{
    initialize();
}

KTTimelineImagesModeController::~KTTimelineImagesModeController() = default;

QString KTTimelineImagesModeController::modeID() const
{
    return QStringLiteral("Timeline");
}

KTPredicate KTTimelineImagesModeController::imagesFilterPredicate() const
{
    return KTKeyPath(QStringLiteral("timeGroup")).isNotNil() &&
           (KTKeyPath(QStringLiteral("rejected")) != true);
}

bool KTTimelineImagesModeController::canRejectNotSelected() const
{
    const QList<KTImageMO *> group = imagesForSelectedGroup();
    return std::any_of(group.begin(), group.end(),
                       [](const KTImageMO *image) { return !image->picked().value_or(false); });
}

void KTTimelineImagesModeController::onRejectNotSelected(QObject *)
{
    QList<KTImageMO *> unpicked;
    for (KTImageMO *image : imagesForSelectedGroup()) {
        if (!image->picked().value_or(false))
            unpicked.append(image);
    }
    if (KTImageStorage *storage = imageStorage())
        storage->moveImagesToTrash(unpicked);
}
