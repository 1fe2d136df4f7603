#include "KTThumbnailEntityHelper.h"

#include <cmath>

double KTThumbnailEntityHelper::apropriateSizeForSize(const QVariant &size)
{
    bool isNumber = false;
    const double requested = size.toDouble(&isNumber);
    double step = 100.0;
    if (!isNumber || !std::isfinite(requested))
        return step;
    while (requested > step)
        step = std::round(step * 3.0);
    return step;
}
