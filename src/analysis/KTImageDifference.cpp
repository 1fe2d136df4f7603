#include "KTImageDifference.h"

#include "KTKernelAssert.h"
#include "KTVectorImage.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
__m128i load(const void *p)
{
    return _mm_loadu_si128(static_cast<const __m128i *>(p));
}

uint64_t sumLanes(__m128i acc)
{
    return uint64_t(_mm_cvtsi128_si64(acc)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
}

// Keeps red, green and blue of four pixels and clears the fourth byte, which takes no part.
__m128i colourMask()
{
    return _mm_set1_epi32(0x00FFFFFF);
}
#endif

// Sum of a pixel sum over the rows of `roi`, one call per row, or one call when the rows are
// contiguous.
template <typename Pixel, typename Sum>
uint64_t sumOverRect(const Pixel *a, const Pixel *b, int width, RDRect roi, Sum sum)
{
    const size_t stride = size_t(width);
    const size_t first = size_t(roi.y) * stride + size_t(roi.x);
    if (roi.x == 0 && roi.width == width)
        return sum(a + first, b + first, size_t(roi.height) * stride);
    uint64_t total = 0;
    for (int y = 0; y < roi.height; ++y)
        total += sum(a + first + size_t(y) * stride, b + first + size_t(y) * stride, size_t(roi.width));
    return total;
}

float percentOf(uint64_t sum, RDRect roi)
{
    const float denominator = float(int64_t(roi.height) * roi.width) * 255.0f;
    return float(sum) / denominator * 100.0f;
}

} // namespace

void contrastStrechImage(const void *src, void *dst, size_t width, size_t height, size_t channelNum)
{
    KT_KERNEL_ASSERT(channelNum == 1 || channelNum == 4,
                     "constrastStrechImage(...) ERROR! channelNum #%lu isn't supported", channelNum);
    // The stretch maps through a table built before anything is written, so in-place use is safe.
    const KTVectorError error = contrastStretch(static_cast<const uint8_t *>(src),
                                                static_cast<uint8_t *>(dst), width, height, channelNum);
    KT_KERNEL_ASSERT(error == KTVectorNoError,
                     "contrastStrechImage(...) ERROR! vImageContrastStretch(...) return %lu",
                     static_cast<unsigned long>(error));
}

float getImageDifference(const void *a, const void *b, int width, int height, RDRect roi, KTImageType type)
{
    KT_KERNEL_ASSERT(roi.x >= 0 && roi.y >= 0 && roi.width >= 0 && roi.height >= 0 &&
                         int64_t(roi.x) + roi.width <= width && int64_t(roi.y) + roi.height <= height,
                     "getImageDifference(...) ERROR! roi rect isn't correct");
    // The range is checked on the exact sum: above 2^24 pixel sums the single-precision quotient
    // can land a hair above the maximum (black against white over 387 by 57 pixels gives
    // 300.00003), which is rounding, not a fault, and is clamped to the maximum.
    const uint64_t area = uint64_t(roi.width) * uint64_t(roi.height);
    if (type == KTImageRGBA) {
        const uint64_t sum = sumOverRect(static_cast<const KTPixelRGBA *>(a),
                                         static_cast<const KTPixelRGBA *>(b), width, roi, sumAbsDiffRGB);
        KT_KERNEL_ASSERT(sum <= 3 * 255 * area, "getImageDifference(...) KTImageRGBA diff > 300.0f");
        return std::min(percentOf(sum, roi), 300.0f);
    }
    if (type == KTImageGray) {
        const uint64_t sum = sumOverRect(static_cast<const KTPixelGray *>(a),
                                         static_cast<const KTPixelGray *>(b), width, roi, sumAbsDiffGray);
        KT_KERNEL_ASSERT(sum <= 255 * area, "getImageDifference(...) KTImageGray diff > 100.0f");
        return std::min(percentOf(sum, roi), 100.0f);
    }
    return 0.0f;
}

void absDiffSum(const KTPixelRGBA *a, const KTPixelRGBA *b, uint32_t *out, int width, int height)
{
    const size_t count = size_t(width) * size_t(height);
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i ones = _mm_set1_epi16(1);
    for (; i + 4 <= count; i += 4) {
        const __m128i pa = load(a + i);
        const __m128i pb = load(b + i);
        const __m128i d =
            _mm_and_si128(_mm_or_si128(_mm_subs_epu8(pa, pb), _mm_subs_epu8(pb, pa)), colourMask());
        // 16-bit lanes hold red + green and blue + 0 of each pixel; the multiply-add joins them.
        const __m128i pairs = _mm_add_epi16(_mm_and_si128(d, lowBytes), _mm_srli_epi16(d, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_madd_epi16(pairs, ones));
    }
#endif
    absDiffSumReference(a + i, b + i, out + i, count - i);
}

float getImageDifferenceIntegral(const uint64_t *integral, int width, int height, RDRect roi)
{
    return percentOf(getSumFromIntegralImage(integral, size_t(width), size_t(height), roi), roi);
}

uint64_t sumAbsDiffRGB(const KTPixelRGBA *a, const KTPixelRGBA *b, size_t count)
{
    size_t i = 0;
    uint64_t sum = 0;
#if defined(__SSE2__)
    // Two accumulators of 64-bit lanes keep two SADs in flight; 64 bits never overflow here.
    __m128i acc0 = _mm_setzero_si128();
    __m128i acc1 = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i a0 = _mm_and_si128(load(a + i), colourMask());
        const __m128i b0 = _mm_and_si128(load(b + i), colourMask());
        const __m128i a1 = _mm_and_si128(load(a + i + 4), colourMask());
        const __m128i b1 = _mm_and_si128(load(b + i + 4), colourMask());
        acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(a0, b0));
        acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(a1, b1));
    }
    if (i + 4 <= count) {
        acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(_mm_and_si128(load(a + i), colourMask()),
                                                _mm_and_si128(load(b + i), colourMask())));
        i += 4;
    }
    sum = sumLanes(_mm_add_epi64(acc0, acc1));
#endif
    return sum + sumAbsDiffRGBReference(a + i, b + i, count - i);
}

uint64_t sumAbsDiffGray(const KTPixelGray *a, const KTPixelGray *b, size_t count)
{
    size_t i = 0;
    uint64_t sum = 0;
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16)
        acc = _mm_add_epi64(acc, _mm_sad_epu8(load(a + i), load(b + i)));
    sum = sumLanes(acc);
#endif
    return sum + sumAbsDiffGrayReference(a + i, b + i, count - i);
}

uint64_t sumAbsDiffRGBReference(const KTPixelRGBA *a, const KTPixelRGBA *b, size_t count)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += uint64_t(std::abs(a[i].red - b[i].red) + std::abs(a[i].green - b[i].green) +
                        std::abs(a[i].blue - b[i].blue));
    return sum;
}

uint64_t sumAbsDiffGrayReference(const KTPixelGray *a, const KTPixelGray *b, size_t count)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += uint64_t(std::abs(a[i] - b[i]));
    return sum;
}

void absDiffSumReference(const KTPixelRGBA *a, const KTPixelRGBA *b, uint32_t *out, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = uint32_t(std::abs(a[i].red - b[i].red) + std::abs(a[i].green - b[i].green) +
                          std::abs(a[i].blue - b[i].blue));
}
