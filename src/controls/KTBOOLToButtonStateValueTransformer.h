#pragma once

#include <QMetaType>
#include <QVariant>

/// Turns a boolean into a button state: 1 (on) for a value that reads as true, 0 (off) for
/// anything else, an invalid value included. One way only.
class KTBOOLToButtonStateValueTransformer
{
public:
    static QMetaType transformedValueClass() { return QMetaType::fromType<int>(); }
    static bool allowsReverseTransformation() { return false; }
    static QVariant transformedValue(const QVariant &value);
};
