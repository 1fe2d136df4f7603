#pragma once

#include <cstddef>
#include <cstdint>

// Whole-buffer image operations that the pixel kernels build on: scaling, tent and general
// convolution, colour matrix, contrast stretch and histogram, over 8-bit buffers of 1 or 4
// interleaved channels without row padding. All arithmetic is integer, so results are exact and
// the same on every machine and run. Each operation refuses bad arguments with an error code
// instead of touching memory; the kernels turn a code into their own assertion.
//
// Threading: stateless; any number of threads may run them on different buffers.

/// Result of a vector operation; 0 is success.
enum KTVectorError : long
{
    KTVectorNoError = 0,
    KTVectorInvalidSize = 1,   // a width or height of 0
    KTVectorNullPointer = 2,   // a buffer or kernel is missing
    KTVectorInvalidKernel = 3, // an even side, a side too large, or weights that could overflow
    KTVectorOverlap = 4,       // source and destination overlap where they must not
    KTVectorInvalidChannels = 5,
    KTVectorInvalidParameter = 6,
};

/// Separable filter of scaleImage.
enum class KTScaleFilter
{
    Tent,
    Lanczos3,
};

/// Largest tent side tentConvolve accepts; bigger sides could overflow its integer sums.
inline constexpr uint32_t kMaxTentSide = 1023;

/// Rescales src (srcWidth by srcHeight) into dst (dstWidth by dstHeight). The filter is widened
/// by the shrink factor when shrinking (area-like), samples beyond the border clamp to it, taps
/// are 14-bit fixed point and the result is rounded half up and saturated. src and dst must not
/// overlap.
KTVectorError scaleImage(const uint8_t *src, size_t srcWidth, size_t srcHeight, uint8_t *dst, size_t dstWidth,
                         size_t dstHeight, size_t channels, KTScaleFilter filter);

/// Tent convolution of odd sides (at most kMaxTentSide) with edge extension: the weights are
/// (r + 1 - |i|) per axis and each output is the weighted sum over the weight total, rounded half
/// up. Every channel is filtered. src and dst must not overlap.
KTVectorError tentConvolve(const uint8_t *src, uint8_t *dst, size_t width, size_t height, size_t channels,
                           uint32_t kernelWidth, uint32_t kernelHeight);

/// General convolution of a grey buffer with odd-sided 16-bit weights (kernel row by row, applied
/// unflipped), divisor 1, edge extension and saturation to 0..255. The absolute weights times 255
/// must fit 32 bits. src and dst must not overlap.
KTVectorError convolvePlanar8(const uint8_t *src, uint8_t *dst, size_t width, size_t height,
                              const int16_t *kernel, uint32_t kernelWidth, uint32_t kernelHeight);

/// out channel c = (sum over input channels i of pixel(i) times matrix[i * 4 + c]) / divisor,
/// the division truncating toward zero, saturated to 0..255, for each of `pixelCount` 4-byte
/// pixels. divisor is positive. src and dst may be the same buffer.
KTVectorError matrixMultiplyRGBA(const uint8_t *src, uint8_t *dst, size_t pixelCount,
                                 const int16_t matrix[16], int32_t divisor);

/// Spreads the used range of each channel over 0..255 by rank: a value goes to 255 times the share
/// of the channel's pixels above the lowest value that lie at or below it, rounded half up, so the
/// lowest value gives 0, the highest 255, and any order-keeping tone curve the same result. A
/// channel with a single value is left unchanged. src and dst may be the same buffer.
KTVectorError contrastStretch(const uint8_t *src, uint8_t *dst, size_t width, size_t height, size_t channels);

/// The 256-bin histogram of a width by height grey region whose rows lie rowBytes apart.
KTVectorError histogramPlanar8(const uint8_t *src, size_t rowBytes, size_t width, size_t height,
                               uint64_t histogram[256]);
