#include "KTFocusKernels.h"

#include "KTConcurrentQueue.h"
#include "KTKernelAssert.h"
#include "KTVectorImage.h"

#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The tent that smooths the sharpness before it is binarised, and the binarisation level.
constexpr uint32_t kSharpnessBlurSide = 10;
constexpr uint8_t kSharpnessLevel = 5;

uint8_t gradientAt(const uint8_t *p, size_t width, size_t c)
{
    const uint8_t *above = p - width;
    const uint8_t *below = p + width;
    const int gx =
        (above[c + 1] + 2 * p[c + 1] + below[c + 1]) - (above[c - 1] + 2 * p[c - 1] + below[c - 1]);
    const int gy =
        (below[c - 1] + 2 * below[c] + below[c + 1]) - (above[c - 1] + 2 * above[c] + above[c + 1]);
    const float magnitude = std::sqrt(float(gx * gx + gy * gy));
    return uint8_t(magnitude * 0.22447184f);
}

uint32_t blurSide(float size)
{
    if (!(size > 0.0f))
        return 0;
    return size >= float(kMaxTentSide) ? kMaxTentSide + 1 : uint32_t(size);
}

uint8_t opacityByte(float opacity)
{
    if (!(opacity > 0.0f))
        return 0;
    return uint8_t(std::min(255.0f, opacity * 255.0f));
}

QImage::Format tiffFormat(size_t bytesPerComponent, size_t componentsPerPixel)
{
    if (bytesPerComponent == 1) {
        switch (componentsPerPixel) {
        case 1:
            return QImage::Format_Grayscale8;
        case 3:
            return QImage::Format_RGB888;
        case 4:
            return QImage::Format_RGBX8888;
        }
    } else if (bytesPerComponent == 2) {
        switch (componentsPerPixel) {
        case 1:
            return QImage::Format_Grayscale16;
        case 4:
            return QImage::Format_RGBX64;
        }
    }
    return QImage::Format_Invalid;
}

} // namespace

int64_t focusMask(const KTPixelRGBA *src, KTPixelRGBA *dst, int width, int height, float highPassSize,
                  float /*secondSize*/, float /*threshold*/, float opacity)
{
    const size_t count = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    std::vector<uint8_t> edges(count);
    std::vector<uint8_t> work(count);
    std::vector<uint8_t> temporary(count);

    for (size_t i = 0; i < count; ++i)
        work[i] = grayLevel(src[i]);
    gradient(work.data(), edges.data(), width, height);
    highPass(work.data(), temporary.data(), KTImageGray, width, height, highPassSize);
    processKernel8(temporary.data(), work.data(), width, height, KTImageGray, kernelSharpness, 3, 3);
    blurImage(work.data(), temporary.data(), size_t(width), size_t(height), kSharpnessBlurSide,
              kSharpnessBlurSide, 1);

    const uint8_t alpha = opacityByte(opacity);
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t m = temporary[i] > kSharpnessLevel ? edges[i] : 0;
        sum += m;
        dst[i] = KTPixelRGBA{0, m, 0, m != 0 ? alpha : uint8_t(0)};
    }
    return int64_t(sum);
}

RDRect focusedRect(const KTPixelRGBA *src, KTPixelRGBA *maskOut, int width, int height, float highPassSize,
                   float secondSize, float threshold, float opacity)
{
    const size_t count = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    std::vector<KTPixelRGBA> scratch;
    KTPixelRGBA *mask = maskOut;
    if (!mask) {
        scratch.resize(count);
        mask = scratch.data();
    }
    focusMask(src, mask, width, height, highPassSize, secondSize, threshold, opacity);

    const int cellsPerSide = width <= 1204 ? width / 240 : width / (width / 5);
    if (cellsPerSide <= 0)
        return RDRect{0, 0, 0, 0};
    std::unique_ptr<RDRect, decltype(&std::free)> lattice(
        createRectLatticeFromImage(width, height, cellsPerSide, cellsPerSide), &std::free);
    std::vector<uint8_t> masked(count);
    for (size_t i = 0; i < count; ++i)
        masked[i] = mask[i].green;
    std::unique_ptr<uint64_t, decltype(&std::free)> integral(
        createIntegralImage_uint8(masked.data(), size_t(width), size_t(height)), &std::free);

    RDRect best{0, 0, 0, 0};
    uint64_t bestSum = 0;
    for (int i = 0; i < cellsPerSide * cellsPerSide; ++i) {
        const RDRect cell = lattice.get()[i];
        // An image shorter than the lattice has rows of height 0; such a cell holds nothing.
        if (cell.width <= 0 || cell.height <= 0)
            continue;
        const uint64_t sum = getSumFromIntegralImage(integral.get(), size_t(width), size_t(height), cell);
        if (sum > bestSum) {
            bestSum = sum;
            best = cell;
        }
    }
    return best;
}

void gradient(const uint8_t *src, uint8_t *dst, int width, int height)
{
    const size_t w = size_t(std::max(width, 0));
    const size_t h = size_t(std::max(height, 0));
    std::vector<uint8_t> temporary;
    uint8_t *out = dst;
    if (src == dst) {
        temporary.resize(w * h);
        out = temporary.data();
    }
    std::fill_n(out, w * h, uint8_t(0));
    if (w >= 3 && h >= 3) {
        KTConcurrentQueue::global().apply(h - 2, [&](size_t i) {
            const size_t row = i + 1;
            const uint8_t *p = src + row * w;
            uint8_t *o = out + row * w;
            for (size_t c = 1; c + 1 < w; ++c)
                o[c] = gradientAt(p, w, c);
        });
    }
    if (!temporary.empty())
        std::memcpy(dst, temporary.data(), w * h);
}

void highPass(const void *src, void *dst, KTImageType type, int width, int height, float size)
{
    KT_KERNEL_ASSERT(type == KTImageGray,
                     "highPass(...) ERROR! not known imageType format or it isn't implemented");
    const size_t count = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    std::vector<uint8_t> blurred(count);
    const uint32_t side = blurSide(size);
    blurImage(src, blurred.data(), size_t(width), size_t(height), side, side, 1);
    const auto *in = static_cast<const uint8_t *>(src);
    auto *out = static_cast<uint8_t *>(dst);
    for (size_t i = 0; i < count; ++i)
        out[i] = uint8_t((in[i] + 255 - blurred[i]) >> 1);
}

void processKernel8(const void *src, void *dst, int width, int height, KTImageType type,
                    const int16_t *kernel, int kernelWidth, int kernelHeight)
{
    KT_KERNEL_ASSERT(type == KTImageGray,
                     "processKernel(...) ERROR! unknown type of KTImageType (or not implemented)");
    const size_t count = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    std::vector<uint8_t> temporary;
    auto *out = static_cast<uint8_t *>(dst);
    if (src == dst) {
        temporary.resize(count);
        out = temporary.data();
    }
    // A non-positive side is passed as 0, which the convolution refuses as even.
    const KTVectorError error = convolvePlanar8(
        static_cast<const uint8_t *>(src), out, size_t(std::max(width, 0)), size_t(std::max(height, 0)),
        kernel, uint32_t(std::max(kernelWidth, 0)), uint32_t(std::max(kernelHeight, 0)));
    KT_KERNEL_ASSERT(error == KTVectorNoError,
                     "processKernel8(...) --> vImageConvolve_Planar8(...) ERROR! error %zd",
                     static_cast<ssize_t>(error));
    if (!temporary.empty())
        std::memcpy(dst, temporary.data(), count);
}

void findExposurePixelsInBuffer(const KTPixelRGBA *buffer, KTPixelRGBA *outputBuffer, int height, int width,
                                int /*bytesPerPixel*/)
{
    if (width <= 0 || height <= 0)
        return;
    const auto w = size_t(width);
    KTConcurrentQueue::global().apply(size_t(height), [&](size_t row) {
        const KTPixelRGBA *in = buffer + row * w;
        KTPixelRGBA *out = outputBuffer + row * w;
        for (size_t x = 0; x < w; ++x) {
            const KTPixelRGBA p = in[x];
            if (p.red >= 254 && p.green >= 254 && p.blue >= 254)
                out[x] = KTPixelRGBA{255, 0, 0, 255};
            else if ((p.red | p.green | p.blue) < 2)
                out[x] = KTPixelRGBA{0, 0, 255, 255};
            else
                out[x] = KTPixelRGBA{0, 0, 0, 0};
        }
    });
}

QString RD_SaveTiffFromDataPath(const void *data, const QString &path, size_t bytesPerComponent,
                                size_t componentsPerPixel, size_t width, size_t height)
{
    const QString written = path + QStringLiteral(".tiff");
    const QImage::Format format = tiffFormat(bytesPerComponent, componentsPerPixel);
    if (format == QImage::Format_Invalid || !data || width == 0 || height == 0)
        return written;
    const QImage image(static_cast<const uchar *>(data), int(width), int(height),
                       qsizetype(bytesPerComponent * componentsPerPixel * width), format);
    QSaveFile file(written);
    if (file.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&file, "tiff");
        if (writer.write(image))
            file.commit();
    }
    return written;
}
