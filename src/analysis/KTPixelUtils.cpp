#include "KTPixelUtils.h"

#include "KTFocusKernels.h"
#include "KTFocusMaskDefaults.h"
#include "KTImageUtils.h"

#include <QDebug>

#include <vector>

namespace {

// The photo as 4-byte pixels without row padding, drawn over black; null when it cannot be had.
QImage workingBitmap(const QImage &image, const char *method)
{
    // The kernels treat red and blue alike (the grey level is the plain mean of the three, and
    // clipping asks the same of each), so the viewer's own formats, blue first in memory, are
    // read as they are: no copy of a full-size photo for each overlay.
    const bool readAsItIs =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN &&
        (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied) &&
        image.bytesPerLine() == qsizetype(image.width()) * 4;
    // Translucent pixels come out premultiplied, as drawn over black; the fourth byte is not read.
    QImage bitmap =
        readAsItIs ? image
                   : image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA8888_Premultiplied
                                                                   : QImage::Format_RGBX8888);
    if (bitmap.isNull()) {
        qWarning().noquote()
            << QStringLiteral("Failed to create bitmap context in %1").arg(QLatin1String(method));
        return {};
    }
    // A 4-byte format's rows are already 32-bit aligned: exactly 4 * width bytes.
    Q_ASSERT(bitmap.bytesPerLine() == qsizetype(bitmap.width()) * 4);
    return bitmap;
}

const KTPixelRGBA *pixelsOf(const QImage &bitmap)
{
    return reinterpret_cast<const KTPixelRGBA *>(bitmap.constBits());
}

template <typename Kernel> QImage overlay(const QImage &image, const char *method, Kernel kernel)
{
    if (image.isNull())
        return {};
    const QImage bitmap = workingBitmap(image, method);
    if (bitmap.isNull())
        return {};
    const int width = bitmap.width();
    const int height = bitmap.height();
    // The kernels write every output pixel, straight into the overlay: no buffer to clear or copy.
    QImage output(width, height, QImage::Format_RGBA8888_Premultiplied);
    if (output.isNull()) {
        qWarning() << "Failed to create image from data";
        return {};
    }
    Q_ASSERT(output.bytesPerLine() == qsizetype(width) * 4);
    kernel(pixelsOf(bitmap), reinterpret_cast<KTPixelRGBA *>(output.bits()), width, height);
    return output;
}

} // namespace

QImage KTPixelUtils::exposurePixelsImageFromImage(const QImage &image)
{
    return overlay(image, "exposurePixelsImageFromImage",
                   [](const KTPixelRGBA *in, KTPixelRGBA *out, int w, int h) {
                       findExposurePixelsInBuffer(in, out, h, w, 4);
                   });
}

QImage KTPixelUtils::focusMaskImageFromImage(const QImage &image)
{
    const KTFocusMaskDefaults settings = KTFocusMaskDefaults::read();
    return overlay(
        image, "focusMaskImageFromImage", [&](const KTPixelRGBA *in, KTPixelRGBA *out, int w, int h) {
            focusMask(in, out, w, h, settings.highPassSize, settings.secondSize, settings.threshold, 1.0f);
        });
}

QImage KTPixelUtils::imageFromBuffer(const uint8_t *buffer, int width, int height, int bitsPerComponent,
                                     int bytesPerRow)
{
    if (!buffer || width <= 0 || height <= 0 || bitsPerComponent != 8 || bytesPerRow < width * 4) {
        qWarning() << "Failed to create image from data";
        return {};
    }
    QImage image = QImage(buffer, width, height, bytesPerRow, QImage::Format_RGBA8888_Premultiplied).copy();
    if (image.isNull())
        qWarning() << "Failed to create image from data";
    return image;
}

int KTPixelUtils::findBestFromGroup(const QStringList &paths)
{
    const KTFocusMaskDefaults settings = KTFocusMaskDefaults::read();
    double bestScore = 0.0;
    int best = 0;
    for (int i = 0; i < paths.size(); ++i) {
        const QImage image = KTImageUtils::imageFromPath(paths.at(i));
        // An image that does not decode has no pixels to score: the mask refuses an empty size.
        if (image.isNull() || image.width() == 0 || image.height() == 0)
            continue;
        const QImage bitmap = workingBitmap(image, "findBestFromGroup");
        if (bitmap.isNull())
            continue;
        const int width = bitmap.width();
        const int height = bitmap.height();
        std::vector<KTPixelRGBA> scratch(size_t(width) * size_t(height));
        const int64_t sum = focusMask(pixelsOf(bitmap), scratch.data(), width, height, settings.highPassSize,
                                      settings.secondSize, settings.threshold, 1.0f);
        const double score = double(sum) / (double(width) * double(height));
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    qInfo().noquote() << QStringLiteral("Most focused image# %1").arg(best + 1);
    return best;
}
