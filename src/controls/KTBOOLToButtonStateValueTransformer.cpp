#include "KTBOOLToButtonStateValueTransformer.h"

QVariant KTBOOLToButtonStateValueTransformer::transformedValue(const QVariant &value)
{
    const bool on = value.isValid() && value.canConvert<bool>() && value.toBool();
    return QVariant(on ? 1 : 0);
}
