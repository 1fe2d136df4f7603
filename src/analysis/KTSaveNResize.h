#pragma once

#include <QImage>
#include <QSizeF>

/// Redraws images at another size, for the signature maker and the focused-regions storage,
/// which scale their working images with it.
///
/// Threading: plain functions without shared state; callers run them on many threads at once.
class KTSaveNResize
{
public:
    /// A new image of `size` (rounded to whole pixels) holding the whole of `image` stretched
    /// to it: the aspect ratio is not kept. A null image, after logging "Invalid Image", when
    /// `image` is null; a null image when `size` is empty.
    static QImage imageResize(const QImage &image, QSizeF size);
};
