#pragma once

/// (value - minimum) / (maximum - minimum), the share of a range that a value has reached; 0 when
/// the range is empty or reversed, or when a value is not a number, so no caller ever draws NaN.
double ktFraction(double value, double minimum, double maximum);
