#include "KTExposurePixelsView.h"

#include "KTPixelUtils.h"

KTSpecialPixelsView::PixelsFunction KTExposurePixelsView::specialPixelsFunction() const
{
    return [](const QImage &thumbnail) { return KTPixelUtils::exposurePixelsImageFromImage(thumbnail); };
}
