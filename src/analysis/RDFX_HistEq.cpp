#include "RDFX_HistEq.h"

#include "KTConcurrentQueue.h"
#include "KTKernelAssert.h"
#include "KTVectorImage.h"

#include <QtGlobal>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr unsigned int kSupportedBins = 256;

void logRefusal()
{
    qWarning("HistEq didn't process the image, because errors in parameters has been found... exit");
}

uint64_t clipLimit(size_t regionPixels, float clipFactor, unsigned int bins)
{
    const float limit = float(regionPixels) * clipFactor / float(bins);
    // 2^64 as a float: anything at or above it leaves every bin unclipped.
    if (limit >= 18446744073709551616.0f)
        return std::numeric_limits<uint64_t>::max();
    return std::max<uint64_t>(1, uint64_t(limit));
}

void mapHistogram(uint64_t *histogram, unsigned int bins, size_t regionPixels)
{
    const float scale = 255.0f / float(regionPixels);
    uint64_t sum = 0;
    for (unsigned int b = 0; b < bins; ++b) {
        sum += histogram[b];
        histogram[b] = std::min<uint64_t>(255, uint64_t(float(sum) * scale));
    }
}

// Bilinear blend of the four maps around a sub-block of w by h pixels at `block` (rows `stride`
// apart), in place: the left and upper maps weigh most at the block's left and top edges.
void interpolateBlock(uint8_t *block, size_t stride, const uint64_t *lu, const uint64_t *ru,
                      const uint64_t *lb, const uint64_t *rb, size_t w, size_t h)
{
    if (w == 0 || h == 0)
        return;
    const float norm = 1.0f / float(w * h);
    for (size_t y = 0; y < h; ++y) {
        uint8_t *row = block + y * stride;
        for (size_t x = 0; x < w; ++x) {
            const uint8_t v = row[x];
            const uint64_t sum = (rb[v] * x + lb[v] * (w - x)) * y + (ru[v] * x + lu[v] * (w - x)) * (h - y);
            row[x] = uint8_t(float(sum) * norm);
        }
    }
}

// Along one axis, sub-block `index` of 0..regionCount: its length (half a region at either end)
// and the regions whose maps lie before and after it.
struct SubBlock
{
    size_t length;
    size_t before;
    size_t after;
};

SubBlock subBlock(size_t index, size_t regionCount, size_t regionSide)
{
    const bool edge = index == 0 || index == regionCount;
    return SubBlock{edge ? regionSide / 2 : regionSide, index == 0 ? 0 : index - 1,
                    index == regionCount ? regionCount - 1 : index};
}

uint8_t toByte(float value)
{
    return uint8_t(std::clamp(value * 255.0f, 0.0f, 255.0f));
}

uint8_t toByte(double value)
{
    return uint8_t(std::clamp(value * 255.0, 0.0, 255.0));
}

// The pixel with the hue and saturation of `source` and the value `equalised`.
KTPixelRGBA rebuildColour(const KTPixelRGBA &source, uint8_t equalised)
{
    const float r = float(source.red) / 255.0f;
    const float g = float(source.green) / 255.0f;
    const float b = float(source.blue) / 255.0f;
    const float high = std::max({r, g, b});
    const float low = std::min({r, g, b});
    const float value = float(equalised) * 0.003921569f;
    if (high == low) {
        // No saturation and no hue (black included): a grey of the new value.
        const uint8_t grey = toByte(value);
        return KTPixelRGBA{grey, grey, grey, 255};
    }
    const float saturation = (high - low) / high;
    const double delta = double(high - low);
    double hue;
    if (r == high)
        hue = double(g - b) / delta;
    else if (g == high)
        hue = 2.0 + double(b - r) / delta;
    else
        hue = 4.0 + double(r - g) / delta;
    hue *= 60.0;
    if (hue < 0.0)
        hue += 360.0;

    const double hh = hue >= 360.0 ? 0.0 : hue / 60.0;
    const int sector = int(hh);
    const double f = hh - sector;
    const uint8_t v = toByte(value);
    const uint8_t p = toByte(value * (1.0f - saturation));
    const uint8_t q = toByte(value * (1.0 - saturation * f));
    const uint8_t t = toByte(value * (1.0 - saturation * (1.0 - f)));
    switch (sector) {
    case 0:
        return KTPixelRGBA{v, t, p, 255};
    case 1:
        return KTPixelRGBA{q, v, p, 255};
    case 2:
        return KTPixelRGBA{p, v, t, 255};
    case 3:
        return KTPixelRGBA{p, q, v, 255};
    case 4:
        return KTPixelRGBA{t, p, v, 255};
    default:
        return KTPixelRGBA{v, p, q, 255};
    }
}

size_t roundUpToMultiple(size_t value, size_t factor)
{
    return (value + factor - 1) / factor * factor;
}

} // namespace

void clipHistogram(uint64_t *histogram, unsigned int bins, uint64_t limit)
{
    if (bins == 0)
        return;
    uint64_t excess = 0;
    for (unsigned int b = 0; b < bins; ++b) {
        if (histogram[b] > limit)
            excess += histogram[b] - limit;
    }
    // Unsigned arithmetic throughout, as the counts are: the same wrap-around on every run.
    const uint64_t increment = excess / bins;
    const uint64_t upper = limit - increment;
    for (unsigned int b = 0; b < bins; ++b) {
        uint64_t &h = histogram[b];
        if (h > limit) {
            h = limit;
        } else if (h > upper) {
            excess -= h - upper;
            h = limit;
        } else {
            h += increment;
            excess -= increment;
        }
    }
    while (excess > 0) {
        uint64_t remaining = excess;
        for (unsigned int start = 0; start < bins && remaining > 0; ++start) {
            for (unsigned int b = start; b < bins && remaining > 0; ++b) {
                if (histogram[b] < limit) {
                    ++histogram[b];
                    --remaining;
                }
            }
        }
        if (remaining == 0 || remaining == excess)
            break;
        excess = remaining;
    }
}

void RDFX_HistEq_UCHAR(KTPixelRGBA *dst, const KTPixelRGBA *src, unsigned int width, int height, int regions,
                       unsigned int bins, float clipFactor)
{
    int64_t count = regions;
    const int64_t halfWidth = int64_t(width) / 2;
    const int64_t halfHeight = int64_t(height) / 2;
    if (halfWidth < count || halfHeight < count) {
        const int64_t reduced = std::min(halfWidth, halfHeight);
        qWarning("HistEQ: Image is to small (%i, %i)! Decrease number of region from %i to %i", int(width),
                 height, regions, int(reduced));
        count = reduced;
    }
    if (count < 2) {
        qWarning("HistEq regCountWidth < 2 or regCountHeight < 2...");
        logRefusal();
        return;
    }
    // The maps are indexed by the 8-bit value, so any other bin count would read past them; a
    // clip factor that is not positive has no limit.
    if (bins != kSupportedBins || !(clipFactor > 0.0f)) {
        qWarning("HistEq supports %u bins and a positive clip factor only (bins %u, clip factor %g)",
                 kSupportedBins, bins, double(clipFactor));
        logRefusal();
        return;
    }

    const size_t w = width;
    const size_t h = size_t(height);
    const auto regionCount = size_t(count);
    std::vector<uint8_t> value(w * h);
    KTConcurrentQueue::global().apply(h, [&](size_t y) {
        for (size_t x = 0; x < w; ++x) {
            const KTPixelRGBA &p = src[y * w + x];
            value[y * w + x] = std::max({p.red, p.green, p.blue});
        }
    });

    // The padding to whole regions counts as black in the right and bottom regions.
    const size_t paddedWidth = roundUpToMultiple(w, regionCount);
    const size_t paddedHeight = roundUpToMultiple(h, regionCount);
    std::vector<uint8_t> padded(paddedWidth * paddedHeight, 0);
    for (size_t y = 0; y < h; ++y)
        std::copy_n(value.data() + y * w, w, padded.data() + y * paddedWidth);

    const size_t regionWidth = paddedWidth / regionCount;
    const size_t regionHeight = paddedHeight / regionCount;
    const size_t regionPixels = regionWidth * regionHeight;
    const uint64_t limit = clipLimit(regionPixels, clipFactor, bins);
    std::vector<uint64_t> maps(regionCount * regionCount * bins, 0);
    const auto mapOf = [&](size_t row, size_t column) {
        return maps.data() + (row * regionCount + column) * bins;
    };
    for (size_t row = 0; row < regionCount; ++row) {
        for (size_t column = 0; column < regionCount; ++column) {
            uint64_t *histogram = mapOf(row, column);
            const KTVectorError error =
                histogramPlanar8(padded.data() + row * regionHeight * paddedWidth + column * regionWidth,
                                 paddedWidth, regionWidth, regionHeight, histogram);
            KT_KERNEL_ASSERT(error == KTVectorNoError, "RDFX_MakeHistogram_UCHAR Accelerate version error %d",
                             int(error));
            clipHistogram(histogram, bins, limit);
            mapHistogram(histogram, bins, regionPixels);
        }
    }

    // Sub-blocks between region centres: half a region at the borders, whole regions inside, each
    // blending the maps of the (up to) four regions whose centres are its corners. With an odd
    // region side the halves leave the last column or row of the padded plane as it is.
    size_t top = 0;
    for (size_t i = 0; i <= regionCount; ++i) {
        const SubBlock row = subBlock(i, regionCount, regionHeight);
        size_t left = 0;
        for (size_t j = 0; j <= regionCount; ++j) {
            const SubBlock column = subBlock(j, regionCount, regionWidth);
            interpolateBlock(padded.data() + top * paddedWidth + left, paddedWidth,
                             mapOf(row.before, column.before), mapOf(row.before, column.after),
                             mapOf(row.after, column.before), mapOf(row.after, column.after), column.length,
                             row.length);
            left += column.length;
        }
        top += row.length;
    }

    for (size_t y = 0; y < h; ++y)
        std::copy_n(padded.data() + y * paddedWidth, w, value.data() + y * w);

    // src and dst may be one buffer: each pixel is read before it is written.
    KTConcurrentQueue::global().apply(h, [&](size_t y) {
        for (size_t x = 0; x < w; ++x)
            dst[y * w + x] = rebuildColour(src[y * w + x], value[y * w + x]);
    });
}
