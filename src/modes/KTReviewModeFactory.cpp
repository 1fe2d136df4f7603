#include "KTReviewModeFactory.h"

#include "KTDuplicatesImagesModeController.h"
#include "KTRedjectedImagesModeController.h"
#include "KTSelectedImagesModeController.h"
#include "KTTimelineImagesModeController.h"
#include "KTUniquesImagesModeController.h"

std::unique_ptr<KTBaseUIModeController> KTReviewModeFactory::make(const QString &uiMode)
{
    if (uiMode == QLatin1String("AllImages"))
        return std::make_unique<KTTimelineImagesModeController>();
    if (uiMode == QLatin1String("Duplicates"))
        return std::make_unique<KTDuplicatesImagesModeController>();
    if (uiMode == QLatin1String("Favorites"))
        return std::make_unique<KTSelectedImagesModeController>();
    if (uiMode == QLatin1String("Trash"))
        return std::make_unique<KTRedjectedImagesModeController>();
    if (uiMode == QLatin1String("LeftImages"))
        return std::make_unique<KTUniquesImagesModeController>();
    return nullptr;
}
