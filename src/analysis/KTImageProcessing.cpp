#include "KTImageProcessing.h"

#include "KTKernelAssert.h"
#include "KTVectorImage.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using CBuffer = std::unique_ptr<T, FreeDeleter>;

template <typename T> T *allocatePixels(size_t count)
{
    // A zero-byte request still yields a distinct block, so "create" never means "null" by accident.
    return static_cast<T *>(std::malloc(std::max<size_t>(1, count * sizeof(T))));
}

template <typename Source> void fillIntegral(const Source *src, uint64_t *dst, size_t width, size_t height)
{
    for (size_t y = 0; y < height; ++y) {
        const Source *in = src + y * width;
        uint64_t *out = dst + y * width;
        const uint64_t *above = y > 0 ? out - width : nullptr;
        uint64_t run = 0;
        for (size_t x = 0; x < width; ++x) {
            run += in[x];
            out[x] = above ? above[x] + run : run;
        }
    }
}

void packRGB(const KTPixelRGBA *src, size_t count, uint8_t *dst)
{
    for (size_t i = 0; i < count; ++i) {
        dst[3 * i] = src[i].red;
        dst[3 * i + 1] = src[i].green;
        dst[3 * i + 2] = src[i].blue;
    }
}

} // namespace

uint64_t *createIntegralImage_uint8(const uint8_t *src, size_t width, size_t height)
{
    auto *integral = allocatePixels<uint64_t>(width * height);
    fillIntegral(src, integral, width, height);
    return integral;
}

void fillIntegralImage_uint32(const uint32_t *src, uint64_t *dst, size_t width, size_t height)
{
    fillIntegral(src, dst, width, height);
}

uint64_t getSumFromIntegralImage(const uint64_t *integral, size_t width, size_t height, RDRect r)
{
    // 64-bit edges: a huge rectangle must be refused, not wrap around into the image.
    const int64_t x2 = int64_t(r.x) + r.width - 1;
    const int64_t y2 = int64_t(r.y) + r.height - 1;
    KT_KERNEL_ASSERT(r.x >= 0 && r.y >= 0 && x2 >= r.x && y2 >= r.y && x2 < int64_t(width) &&
                         y2 < int64_t(height),
                     "getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)");
    const auto at = [&](int64_t x, int64_t y) -> uint64_t {
        return x < 0 || y < 0 ? 0 : integral[size_t(y) * width + size_t(x)];
    };
    return at(x2, y2) - at(r.x - 1, y2) - at(x2, r.y - 1) + at(r.x - 1, r.y - 1);
}

RDRect createRect(int x, int y, int width, int height)
{
    return RDRect{x, y, width, height};
}

RDRect *createRectLatticeFromImage(int width, int height, int columns, int rows)
{
    if (columns <= 0 || rows <= 0)
        return nullptr;
    auto *cells = allocatePixels<RDRect>(size_t(columns) * size_t(rows));
    const float stepX = float(width) / float(columns);
    const float stepY = float(height) / float(rows);
    RDRect *cell = cells;
    float bottomEdge = stepY;
    int top = 0;
    for (int row = 0; row < rows; ++row) {
        const int bottom = int(std::lround(bottomEdge));
        float rightEdge = stepX;
        int left = 0;
        for (int column = 0; column < columns; ++column) {
            const int right = int(std::lround(rightEdge));
            *cell++ = RDRect{left, top, right - left, bottom - top};
            left = right;
            rightEdge += stepX;
        }
        top = bottom;
        bottomEdge += stepY;
    }
    return cells;
}

void resampleImage(const void *src, size_t srcWidth, size_t srcHeight, void *dst, size_t dstWidth,
                   size_t dstHeight, size_t channelNum, KTResampling resampling)
{
    KT_KERNEL_ASSERT(channelNum == 1 || channelNum == 4,
                     "resampleImage(...) ERROR! channelNum #%lu isn't supported", channelNum);
    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        if (src != dst)
            std::memcpy(dst, src, srcWidth * srcHeight * channelNum);
        return;
    }
    const KTVectorError error =
        scaleImage(static_cast<const uint8_t *>(src), srcWidth, srcHeight, static_cast<uint8_t *>(dst),
                   dstWidth, dstHeight, channelNum,
                   resampling == KTResampling::HighQuality ? KTScaleFilter::Lanczos3 : KTScaleFilter::Tent);
    KT_KERNEL_ASSERT(error == KTVectorNoError, "resampleImage(...) ERROR! vImageScale(...) return %lu",
                     static_cast<unsigned long>(error));
}

void convertKTPixelRGBAto(const KTPixelRGBA *src, size_t srcWidth, size_t srcHeight, void *dst,
                          size_t dstWidth, size_t dstHeight, KTImageType type)
{
    const size_t count = srcWidth * srcHeight;
    switch (type) {
    case KTImageRGBA:
        resampleImage(src, srcWidth, srcHeight, dst, dstWidth, dstHeight, 4);
        return;
    case KTImageGray: {
        CBuffer<KTPixelGray> gray(allocatePixels<KTPixelGray>(count));
        for (size_t i = 0; i < count; ++i)
            gray.get()[i] = grayLevel(src[i]);
        resampleImage(gray.get(), srcWidth, srcHeight, dst, dstWidth, dstHeight, 1);
        return;
    }
    case KTImageRGB:
        if (srcWidth == dstWidth && srcHeight == dstHeight) {
            packRGB(src, count, static_cast<uint8_t *>(dst));
        } else {
            CBuffer<KTPixelRGBA> scaled(allocatePixels<KTPixelRGBA>(dstWidth * dstHeight));
            resampleImage(src, srcWidth, srcHeight, scaled.get(), dstWidth, dstHeight, 4);
            packRGB(scaled.get(), dstWidth * dstHeight, static_cast<uint8_t *>(dst));
        }
        return;
    }
    KT_KERNEL_ASSERT(false, "convertImageTypeSize(...) ERROR! unknown type of KTImageType");
}

void desaturateImage(const void *src, void *dst, size_t width, size_t height, size_t channelNum,
                     float saturation)
{
    KT_KERNEL_ASSERT(channelNum == 4, "desaturateImage(...) ERROR! channelNum #%lu isn't supported",
                     channelNum);
    const float s = saturation;
    const float u = 1.0f - s;
    const float r = 0.3086f * u;
    const float g = 0.6094f * u;
    const float b = 0.0820f * u;
    // Row: input channel; column: output channel, in the buffer's byte order.
    const float matrix[16] = {r + s, r, r, 0, g, g + s, g, 0, b, b, b + s, 0, 0, 0, 0, 1};
    int16_t fixed[16];
    for (int i = 0; i < 16; ++i)
        fixed[i] = int16_t(std::lround(matrix[i] * 256.0f));
    // Each pixel is read whole before it is written, so in-place use needs no temporary block.
    const KTVectorError error = matrixMultiplyRGBA(static_cast<const uint8_t *>(src),
                                                   static_cast<uint8_t *>(dst), width * height, fixed, 256);
    KT_KERNEL_ASSERT(error == KTVectorNoError,
                     "desaturateImage(...) ERROR! vImageMatrixMultiply_ARGB8888(...) return %lu",
                     static_cast<unsigned long>(error));
}

void blurImage(const void *src, void *dst, size_t width, size_t height, uint32_t kernelWidth,
               uint32_t kernelHeight, size_t channelNum)
{
    KT_KERNEL_ASSERT(channelNum == 1 || channelNum == 4,
                     "blurImage(...) ERROR! channelNum #%lu isn't supported", channelNum);
    kernelWidth |= 1u;
    kernelHeight |= 1u;
    const size_t bytes = width * height * channelNum;
    CBuffer<uint8_t> temporary;
    auto *out = static_cast<uint8_t *>(dst);
    if (src == dst && bytes > 0) {
        temporary.reset(allocatePixels<uint8_t>(bytes));
        out = temporary.get();
    }
    const KTVectorError error = tentConvolve(static_cast<const uint8_t *>(src), out, width, height,
                                             channelNum, kernelWidth, kernelHeight);
    KT_KERNEL_ASSERT(error == KTVectorNoError, "blurImage(...) ERROR! vImageTentConvolve(...) return %lu",
                     static_cast<unsigned long>(error));
    if (temporary)
        std::memcpy(dst, temporary.get(), bytes);
}

void *createImageROI(const void *src, int width, int height, RDRect roi, KTImageType type)
{
    size_t pixelBytes = 0;
    if (type == KTImageGray)
        pixelBytes = 1;
    else if (type == KTImageRGBA)
        pixelBytes = 4;
    KT_KERNEL_ASSERT(pixelBytes != 0,
                     "createImageROI(...) ERROR! unknown type of KTImageType (or not implemented)");
    KT_KERNEL_ASSERT(roi.x >= 0 && roi.y >= 0 && roi.width >= 0 && roi.height >= 0 &&
                         int64_t(roi.x) + roi.width <= width && int64_t(roi.y) + roi.height <= height,
                     "createImageROI(...) ERROR! roi rect isn't inside the image");
    const size_t rowBytes = size_t(roi.width) * pixelBytes;
    auto *region = allocatePixels<uint8_t>(rowBytes * size_t(roi.height));
    const auto *in = static_cast<const uint8_t *>(src);
    for (int y = 0; y < roi.height; ++y) {
        const size_t offset = (size_t(roi.y + y) * size_t(width) + size_t(roi.x)) * pixelBytes;
        std::memcpy(region + size_t(y) * rowBytes, in + offset, rowBytes);
    }
    return region;
}

KTPixelRGBA *createKTPixelRGBAFromNSImage(const QImage &image, int bitsPerComponent)
{
    KT_KERNEL_ASSERT(bitsPerComponent == 8,
                     "createKTPixelRGBAFromNSImage(...) ERROR! %d bits per component isn't supported",
                     bitsPerComponent);
    if (image.isNull())
        return nullptr;
    const int width = image.width();
    const int height = image.height();
    // Draw over black into an RGBX bitmap, as drawing into a context without alpha does: colours
    // come out premultiplied and the fourth byte opaque.
    QImage bitmap(width, height, QImage::Format_RGBX8888);
    const size_t rowBytes = size_t(width) * 4;
    auto *pixels = static_cast<KTPixelRGBA *>(std::malloc(rowBytes * size_t(height)));
    KT_KERNEL_ASSERT(pixels != nullptr && !bitmap.isNull(),
                     "createKTPixelRGBAFromNSImage(...) can't create bitmap buffer");
    bitmap.fill(Qt::black);
    {
        QPainter painter(&bitmap);
        painter.drawImage(QRect(0, 0, width, height), image);
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(reinterpret_cast<uint8_t *>(pixels) + size_t(y) * rowBytes, bitmap.constScanLine(y),
                    rowBytes);
    return pixels;
}
