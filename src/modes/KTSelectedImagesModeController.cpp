#include "KTSelectedImagesModeController.h"

KTSelectedImagesModeController::KTSelectedImagesModeController(QObject *parent)
    : KTSimpleImageModeController(kFavoriteImagesFilterID,
                                  (KTKeyPath(QStringLiteral("picked")) == true) &&
                                      (KTKeyPath(QStringLiteral("rejected")) != true),
                                  parent)
{
    setEmptyMessage(tr("No Picked Images"));
}
