#pragma once

#include <QVariant>

/// The ladder of thumbnail sizes, so that nearby view sizes share one thumbnail and one file.
///
/// Threading: a pure function; safe on any thread.
class KTThumbnailEntityHelper
{
public:
    /// The smallest of 100, 300, 900, 2700, ... (each step three times the last) that is not
    /// below `size`; 100 for anything up to 100 and for a value that is not a number.
    static double apropriateSizeForSize(const QVariant &size);
};
