#pragma once

#include "KTImageProcessing.h"

// Contrast stretch and the image differences of the similarity search.
//
// The difference sums are the hot path of the search (one call per pair of photos), so they run
// over packed bytes with SSE2 where the target has it; the sums are exact integers, identical to
// the scalar references kept below for the tests. Threading and conventions: as
// KTImageProcessing.h.

/// Spreads the used range of every channel (all four bytes of RGBA) over 0..255 by rank (see
/// contrastStretch), so that renditions of a photo through different tone curves stretch alike;
/// a channel with one value throughout is left unchanged. channelNum 1 or 4:
/// "constrastStrechImage(...) ERROR! channelNum #%lu isn't supported" otherwise; an empty image
/// fails "contrastStrechImage(...) ERROR! vImageContrastStretch(...) return %lu".
void contrastStrechImage(const void *src, void *dst, size_t width, size_t height, size_t channelNum);

/// The difference of two width by height images over `roi`, in percent of the largest possible:
/// the sum S of absolute differences (red, green and blue for KTImageRGBA, the fourth byte
/// ignored; the grey value for KTImageGray), as float, divided by roi.height * roi.width * 255.0f,
/// times 100. So 0..100 for grey and 0..300 for RGBA (exact up to 2^24 / 765 pixels, beyond which
/// a rounding above the maximum is clamped to it). Any other type gives 0.0. The rectangle must
/// lie inside the image: "getImageDifference(...) ERROR! roi rect isn't correct" otherwise.
float getImageDifference(const void *a, const void *b, int width, int height, RDRect roi, KTImageType type);

/// Writes |red difference| + |green difference| + |blue difference| (0..765) of every pixel.
void absDiffSum(const KTPixelRGBA *a, const KTPixelRGBA *b, uint32_t *out, int width, int height);

/// getImageDifference for KTImageRGBA over `roi`, from the integral image of absDiffSum: the same
/// value for the same rectangle. The rectangle is checked by getSumFromIntegralImage.
float getImageDifferenceIntegral(const uint64_t *integral, int width, int height, RDRect roi);

/// Sum of |red| + |green| + |blue| differences over `count` consecutive pixels.
uint64_t sumAbsDiffRGB(const KTPixelRGBA *a, const KTPixelRGBA *b, size_t count);
/// Sum of absolute differences over `count` consecutive grey values.
uint64_t sumAbsDiffGray(const KTPixelGray *a, const KTPixelGray *b, size_t count);

/// Plain-loop references of the vector sums above, for the tests.
uint64_t sumAbsDiffRGBReference(const KTPixelRGBA *a, const KTPixelRGBA *b, size_t count);
uint64_t sumAbsDiffGrayReference(const KTPixelGray *a, const KTPixelGray *b, size_t count);
void absDiffSumReference(const KTPixelRGBA *a, const KTPixelRGBA *b, uint32_t *out, size_t count);
