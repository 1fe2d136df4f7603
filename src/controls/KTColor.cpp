#include "KTColor.h"

#include <algorithm>

QColor ktColor(double red, double green, double blue, double alpha)
{
    const auto channel = [](double value) { return std::clamp(value / 255.0, 0.0, 1.0); };
    return QColor::fromRgbF(float(channel(red)), float(channel(green)), float(channel(blue)),
                            float(std::clamp(alpha, 0.0, 1.0)));
}

QColor compareSelectionColorActive()
{
    return ktColor(13, 132, 130, 1.0);
}

QColor compareSelectionColorInactive()
{
    return ktColor(138, 42, 34, 1.0);
}

QColor mainSelectionColorActive()
{
    return ktColor(74, 74, 74, 1.0);
}

QColor mainSelectionColorInactive()
{
    return ktColor(53, 53, 53, 1.0);
}
