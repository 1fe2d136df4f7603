#include "KTVectorImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

bool overlaps(const void *a, size_t aBytes, const void *b, size_t bBytes)
{
    const auto pa = reinterpret_cast<uintptr_t>(a);
    const auto pb = reinterpret_cast<uintptr_t>(b);
    return pa < pb + bBytes && pb < pa + aBytes;
}

// Taps of a separable scaling filter, flattened: output o reads the source samples index[k] with
// weights weight[k] for k in [start[o], start[o + 1]). The weights of one output sum to kScaleOne.
constexpr int kScaleBits = 14;
constexpr int32_t kScaleOne = 1 << kScaleBits;

struct ScaleTaps
{
    std::vector<size_t> start;
    std::vector<size_t> index;
    std::vector<int32_t> weight;
};

double filterValue(KTScaleFilter filter, double t)
{
    t = std::fabs(t);
    if (filter == KTScaleFilter::Tent)
        return t < 1.0 ? 1.0 - t : 0.0;
    if (t < 1e-12)
        return 1.0;
    if (t >= 3.0)
        return 0.0;
    const double pt = std::numbers::pi * t;
    return 3.0 * std::sin(pt) * std::sin(pt / 3.0) / (pt * pt);
}

ScaleTaps scaleTaps(size_t srcSize, size_t dstSize, KTScaleFilter filter)
{
    const double scale = double(srcSize) / double(dstSize);
    const double widen = std::max(1.0, scale);
    const double radius = (filter == KTScaleFilter::Tent ? 1.0 : 3.0) * widen;
    ScaleTaps taps;
    taps.start.reserve(dstSize + 1);
    std::vector<double> raw;
    for (size_t o = 0; o < dstSize; ++o) {
        taps.start.push_back(taps.index.size());
        const double center = (double(o) + 0.5) * scale - 0.5;
        const auto first = long(std::ceil(center - radius));
        const auto last = long(std::floor(center + radius));
        raw.clear();
        double total = 0.0;
        for (long i = first; i <= last; ++i) {
            raw.push_back(filterValue(filter, (double(i) - center) / widen));
            total += raw.back();
        }
        if (!(total > 0.0)) {
            // Cannot happen for these filters, but a nearest sample is the sound fallback.
            raw.assign(raw.size(), 0.0);
            raw[size_t(std::lround(center) - first)] = 1.0;
            total = 1.0;
        }
        // Round each weight, then give the rounding residue to the largest one, so every output
        // of a constant image is that constant.
        int32_t sum = 0;
        size_t largest = taps.weight.size();
        for (size_t k = 0; k < raw.size(); ++k) {
            const auto w = int32_t(std::lround(raw[k] / total * kScaleOne));
            const long i = std::clamp(first + long(k), 0L, long(srcSize) - 1);
            taps.index.push_back(size_t(i));
            taps.weight.push_back(w);
            sum += w;
            if (w > taps.weight[largest])
                largest = taps.weight.size() - 1;
        }
        taps.weight[largest] += kScaleOne - sum;
    }
    taps.start.push_back(taps.index.size());
    return taps;
}

// The checks every whole-image operation makes before touching memory.
KTVectorError checkImage(const uint8_t *src, const uint8_t *dst, size_t width, size_t height, size_t channels)
{
    if (channels != 1 && channels != 4)
        return KTVectorInvalidChannels;
    if (width == 0 || height == 0)
        return KTVectorInvalidSize;
    if (!src || !dst)
        return KTVectorNullPointer;
    return KTVectorNoError;
}

uint8_t saturate(int64_t value)
{
    return uint8_t(std::clamp<int64_t>(value, 0, 255));
}

// Vertical tent pass over the horizontal sums, with an accumulator wide enough for the kernel.
template <typename Acc>
void tentVertical(const std::vector<uint32_t> &rows, uint8_t *dst, size_t rowLength, size_t height,
                  const std::vector<uint32_t> &weights, uint64_t total)
{
    const auto radius = long(weights.size() / 2);
    std::vector<Acc> acc(rowLength);
    const Acc half = Acc(total / 2);
    const Acc divisor = Acc(total);
    for (size_t y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), Acc(0));
        for (size_t j = 0; j < weights.size(); ++j) {
            const long sy = std::clamp(long(y) + long(j) - radius, 0L, long(height) - 1);
            const uint32_t *row = rows.data() + size_t(sy) * rowLength;
            const Acc w = weights[j];
            for (size_t k = 0; k < rowLength; ++k)
                acc[k] += w * row[k];
        }
        uint8_t *out = dst + y * rowLength;
        for (size_t k = 0; k < rowLength; ++k)
            out[k] = uint8_t((acc[k] + half) / divisor);
    }
}

std::vector<uint32_t> tentWeights(uint32_t side)
{
    const uint32_t radius = side / 2;
    std::vector<uint32_t> weights(side);
    for (uint32_t i = 0; i < side; ++i)
        weights[i] = radius + 1 - (i > radius ? i - radius : radius - i);
    return weights;
}

// Copies `row` into `padded` with `pad` pixels on either side repeating the border pixels.
void extendRow(const uint8_t *row, size_t width, size_t channels, size_t pad, uint8_t *padded)
{
    for (size_t x = 0; x < pad; ++x) {
        std::copy_n(row, channels, padded + x * channels);
        std::copy_n(row + (width - 1) * channels, channels, padded + (pad + width + x) * channels);
    }
    std::copy_n(row, width * channels, padded + pad * channels);
}

} // namespace

KTVectorError scaleImage(const uint8_t *src, size_t srcWidth, size_t srcHeight, uint8_t *dst, size_t dstWidth,
                         size_t dstHeight, size_t channels, KTScaleFilter filter)
{
    if (const KTVectorError error = checkImage(src, dst, srcWidth, srcHeight, channels))
        return error;
    if (dstWidth == 0 || dstHeight == 0)
        return KTVectorInvalidSize;
    if (overlaps(src, srcWidth * srcHeight * channels, dst, dstWidth * dstHeight * channels))
        return KTVectorOverlap;

    const ScaleTaps across = scaleTaps(srcWidth, dstWidth, filter);
    const ScaleTaps down = scaleTaps(srcHeight, dstHeight, filter);
    const size_t dstRow = dstWidth * channels;

    // Horizontal pass into unrounded 32-bit sums, then the vertical pass rounds once.
    std::vector<int32_t> rows(srcHeight * dstRow);
    for (size_t y = 0; y < srcHeight; ++y) {
        const uint8_t *in = src + y * srcWidth * channels;
        int32_t *out = rows.data() + y * dstRow;
        for (size_t x = 0; x < dstWidth; ++x) {
            for (size_t c = 0; c < channels; ++c) {
                int32_t sum = 0;
                for (size_t k = across.start[x]; k < across.start[x + 1]; ++k)
                    sum += across.weight[k] * in[across.index[k] * channels + c];
                out[x * channels + c] = sum;
            }
        }
    }
    std::vector<int64_t> acc(dstRow);
    constexpr int shift = 2 * kScaleBits;
    for (size_t y = 0; y < dstHeight; ++y) {
        std::fill(acc.begin(), acc.end(), int64_t(0));
        for (size_t k = down.start[y]; k < down.start[y + 1]; ++k) {
            const int32_t *row = rows.data() + down.index[k] * dstRow;
            const int64_t w = down.weight[k];
            for (size_t i = 0; i < dstRow; ++i)
                acc[i] += w * row[i];
        }
        uint8_t *out = dst + y * dstRow;
        for (size_t i = 0; i < dstRow; ++i)
            out[i] = saturate((acc[i] + (int64_t(1) << (shift - 1))) >> shift);
    }
    return KTVectorNoError;
}

KTVectorError tentConvolve(const uint8_t *src, uint8_t *dst, size_t width, size_t height, size_t channels,
                           uint32_t kernelWidth, uint32_t kernelHeight)
{
    if (const KTVectorError error = checkImage(src, dst, width, height, channels))
        return error;
    if (kernelWidth % 2 == 0 || kernelHeight % 2 == 0 || kernelWidth > kMaxTentSide ||
        kernelHeight > kMaxTentSide)
        return KTVectorInvalidKernel;
    const size_t rowLength = width * channels;
    if (overlaps(src, rowLength * height, dst, rowLength * height))
        return KTVectorOverlap;

    const std::vector<uint32_t> across = tentWeights(kernelWidth);
    const std::vector<uint32_t> down = tentWeights(kernelHeight);
    const size_t pad = kernelWidth / 2;
    std::vector<uint8_t> padded((width + 2 * pad) * channels);
    std::vector<uint32_t> rows(rowLength * height, 0);
    for (size_t y = 0; y < height; ++y) {
        extendRow(src + y * rowLength, width, channels, pad, padded.data());
        uint32_t *out = rows.data() + y * rowLength;
        for (size_t i = 0; i < across.size(); ++i) {
            const uint8_t *in = padded.data() + i * channels;
            const uint32_t w = across[i];
            for (size_t k = 0; k < rowLength; ++k)
                out[k] += w * in[k];
        }
    }

    const uint64_t total = uint64_t(pad + 1) * (pad + 1) * (kernelHeight / 2 + 1) * (kernelHeight / 2 + 1);
    if (total * 255 + total / 2 <= std::numeric_limits<uint32_t>::max())
        tentVertical<uint32_t>(rows, dst, rowLength, height, down, total);
    else
        tentVertical<uint64_t>(rows, dst, rowLength, height, down, total);
    return KTVectorNoError;
}

KTVectorError convolvePlanar8(const uint8_t *src, uint8_t *dst, size_t width, size_t height,
                              const int16_t *kernel, uint32_t kernelWidth, uint32_t kernelHeight)
{
    if (width == 0 || height == 0)
        return KTVectorInvalidSize;
    if (!src || !dst || !kernel)
        return KTVectorNullPointer;
    if (kernelWidth % 2 == 0 || kernelHeight % 2 == 0)
        return KTVectorInvalidKernel;
    int64_t magnitude = 0;
    for (size_t i = 0; i < size_t(kernelWidth) * kernelHeight; ++i)
        magnitude += std::abs(int32_t(kernel[i]));
    if (magnitude * 255 > std::numeric_limits<int32_t>::max())
        return KTVectorInvalidKernel;
    if (overlaps(src, width * height, dst, width * height))
        return KTVectorOverlap;

    // Extend the image by the kernel's radii on every side once, so the sums need no clamping.
    const size_t padX = kernelWidth / 2;
    const size_t padY = kernelHeight / 2;
    const size_t paddedWidth = width + 2 * padX;
    std::vector<uint8_t> padded(paddedWidth * (height + 2 * padY));
    for (size_t y = 0; y < height + 2 * padY; ++y) {
        const size_t sy = size_t(std::clamp(long(y) - long(padY), 0L, long(height) - 1));
        extendRow(src + sy * width, width, 1, padX, padded.data() + y * paddedWidth);
    }
    std::vector<int32_t> acc(width);
    for (size_t y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        for (size_t j = 0; j < kernelHeight; ++j) {
            for (size_t i = 0; i < kernelWidth; ++i) {
                const int32_t w = kernel[j * kernelWidth + i];
                if (w == 0)
                    continue;
                const uint8_t *in = padded.data() + (y + j) * paddedWidth + i;
                for (size_t x = 0; x < width; ++x)
                    acc[x] += w * in[x];
            }
        }
        uint8_t *out = dst + y * width;
        for (size_t x = 0; x < width; ++x)
            out[x] = saturate(acc[x]);
    }
    return KTVectorNoError;
}

KTVectorError matrixMultiplyRGBA(const uint8_t *src, uint8_t *dst, size_t pixelCount,
                                 const int16_t matrix[16], int32_t divisor)
{
    if (pixelCount == 0)
        return KTVectorInvalidSize;
    if (!src || !dst || !matrix)
        return KTVectorNullPointer;
    if (divisor <= 0)
        return KTVectorInvalidParameter;
    for (size_t p = 0; p < pixelCount; ++p) {
        const uint8_t *in = src + 4 * p;
        const int32_t pixel[4] = {in[0], in[1], in[2], in[3]};
        uint8_t *out = dst + 4 * p;
        for (int c = 0; c < 4; ++c) {
            int32_t sum = 0;
            for (int i = 0; i < 4; ++i)
                sum += pixel[i] * matrix[i * 4 + c];
            out[c] = saturate(sum / divisor);
        }
    }
    return KTVectorNoError;
}

KTVectorError contrastStretch(const uint8_t *src, uint8_t *dst, size_t width, size_t height, size_t channels)
{
    if (const KTVectorError error = checkImage(src, dst, width, height, channels))
        return error;
    const size_t count = width * height * channels;
    std::array<std::array<size_t, 256>, 4> histograms{};
    for (size_t i = 0; i < count; ++i)
        ++histograms[i % channels][src[i]];
    // Each value goes to the share of the channel's pixels at or below it, counted from the
    // lowest value: a tone curve that keeps the order of the values keeps the result.
    std::array<std::array<uint8_t, 256>, 4> table{};
    const size_t pixels = width * height;
    for (size_t c = 0; c < channels; ++c) {
        const auto &histogram = histograms[c];
        const size_t lowest = *std::find_if(histogram.begin(), histogram.end(), [](size_t n) { return n > 0; });
        const size_t spread = pixels - lowest;
        size_t atOrBelow = 0;
        for (size_t v = 0; v < 256; ++v) {
            atOrBelow += histogram[v];
            table[c][v] = spread == 0 ? uint8_t(v)
                                      : uint8_t(((atOrBelow - std::min(atOrBelow, lowest)) * 255 + spread / 2) / spread);
        }
    }
    for (size_t i = 0; i < count; ++i)
        dst[i] = table[i % channels][src[i]];
    return KTVectorNoError;
}

KTVectorError histogramPlanar8(const uint8_t *src, size_t rowBytes, size_t width, size_t height,
                               uint64_t histogram[256])
{
    if (width == 0 || height == 0)
        return KTVectorInvalidSize;
    if (!src || !histogram)
        return KTVectorNullPointer;
    if (rowBytes < width)
        return KTVectorInvalidParameter;
    std::fill_n(histogram, 256, uint64_t(0));
    for (size_t y = 0; y < height; ++y) {
        const uint8_t *row = src + y * rowBytes;
        for (size_t x = 0; x < width; ++x)
            ++histogram[row[x]];
    }
    return KTVectorNoError;
}
