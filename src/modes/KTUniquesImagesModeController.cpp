#include "KTUniquesImagesModeController.h"

#include "KTImageMO.h"

KTUniquesImagesModeController::KTUniquesImagesModeController(QObject *parent)
    : KTSimpleImageModeController(kLeftImagesFilterID,
                                  KTPredicate::fromCallback([](const KTStoreObject &object) {
                                      const auto *image = dynamic_cast<const KTImageMO *>(&object);
                                      return image && image->group() && !image->rejected().value_or(false) &&
                                             !image->picked().value_or(false);
                                  }),
                                  parent)
{
    setEmptyMessage(tr("No unique images"));
}
