#include "KTFraction.h"

#include <cmath>

double ktFraction(double value, double minimum, double maximum)
{
    const double range = maximum - minimum;
    if (!(range > 0) || !std::isfinite(range) || !std::isfinite(value))
        return 0;
    return (value - minimum) / range;
}
