#pragma once

#include <QImage>
#include <QStringList>

#include <cstdint>

/// The diagnostic overlays laid over a photo, each of the photo's own pixel size: the exposure
/// overlay (clipped highlights red, crushed shadows blue) and the focus mask (sharp edges
/// green); and the sharpness score that picks the sharpest image of a group. The focus-mask
/// settings are read from the user defaults at every call (KTFocusMaskDefaults).
///
/// Threading: no shared state; every function may run on any thread, several at once. The
/// kernels spread their rows over the global concurrent queue and return when done.
class KTPixelUtils
{
public:
    /// The exposure overlay of `image`; null for a null image, or, logged, when the working
    /// bitmap cannot be had.
    static QImage exposurePixelsImageFromImage(const QImage &image);

    /// The focus mask of `image`: opaque green of the edge strength where the image is sharp,
    /// transparent elsewhere; null as for the exposure overlay.
    static QImage focusMaskImageFromImage(const QImage &image);

    /// A copy of `buffer` (RGBA bytes, premultiplied) as an image; null, after logging "Failed
    /// to create image from data", when the arguments describe no image.
    static QImage imageFromBuffer(const uint8_t *buffer, int width, int height, int bitsPerComponent,
                                  int bytesPerRow);

    /// Scores each image file by sharpness (mask sum per pixel at full size) and logs "Most
    /// focused image# n" with the 1-based position of the first best. An image that cannot be
    /// decoded scores 0. Returns the winner's 0-based index; 0 for an empty list or when every
    /// score is 0. Decodes every image in full, so it blocks for long: not on the main thread.
    static int findBestFromGroup(const QStringList &paths);
};
