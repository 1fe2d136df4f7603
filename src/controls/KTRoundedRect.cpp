#include "KTRoundedRect.h"

#include <cmath>

QRectF KTRoundedRect(const QRectF &rect)
{
    return {std::round(rect.x()), std::round(rect.y()), std::round(rect.width()), std::round(rect.height())};
}
