#include "KTThumbnailPainting.h"

#include <QCache>
#include <QPainter>

#include <cmath>
#include <vector>

QRectF thumbnailFitRect(const QSizeF &pictureSize, const QRectF &bounds, const QSizeF &margins)
{
    const double iw = pictureSize.width();
    const double ih = pictureSize.height();
    if (!(iw > 0) || !(ih > 0))
        return {};
    const double scale =
        std::min((bounds.width() - 2 * margins.width()) / iw, (bounds.height() - 2 * margins.height()) / ih);
    const double w = iw * scale;
    const double h = ih * scale;
    const double x = bounds.x() + bounds.width() / 2 - w / 2;
    const double y = bounds.y() + bounds.height() / 2 - h / 2;
    return {std::round(x), std::round(y), std::round(w), std::round(h)};
}

double rectangleShadowPadding(double blurRadius)
{
    return std::ceil(2 * blurRadius);
}

namespace {

/// The blurred coverage of the segment [start, end) at pixel centres 0 .. count - 1.
std::vector<float> blurredStep(int count, double start, double end, double sigma)
{
    std::vector<float> values(std::size_t(std::max(count, 0)));
    const double scale = 1.0 / (sigma * std::sqrt(2.0));
    for (int i = 0; i < count; ++i) {
        const double centre = i + 0.5;
        values[std::size_t(i)] =
            float(0.5 * (std::erf((centre - start) * scale) - std::erf((centre - end) * scale)));
    }
    return values;
}

} // namespace

QImage rectangleShadow(const QSizeF &size, double blurRadius, qreal devicePixelRatio)
{
    static QCache<quint64, QImage> cache(256);
    const double padding = rectangleShadowPadding(blurRadius);
    const int width = int(std::ceil((size.width() + 2 * padding) * devicePixelRatio));
    const int height = int(std::ceil((size.height() + 2 * padding) * devicePixelRatio));
    if (width <= 0 || height <= 0 || size.isEmpty())
        return {};
    const quint64 key = (quint64(width & 0xffff) << 48) | (quint64(height & 0xffff) << 32) |
                        (quint64(std::lround(blurRadius * 100) & 0xffff) << 16) |
                        quint64(std::lround(devicePixelRatio * 100) & 0xffff);
    if (const QImage *cached = cache.object(key))
        return *cached;

    // A Gaussian shadow of blur radius r has a standard deviation of r / 2; the shadow of a
    // rectangle is the product of two blurred steps, so it costs one pass over the pixels.
    const double sigma = std::max(blurRadius * devicePixelRatio / 2, 0.01);
    const double inset = padding * devicePixelRatio;
    const std::vector<float> xs = blurredStep(width, inset, inset + size.width() * devicePixelRatio, sigma);
    const std::vector<float> ys = blurredStep(height, inset, inset + size.height() * devicePixelRatio, sigma);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int alpha =
                std::clamp(int(std::lround(xs[std::size_t(x)] * ys[std::size_t(y)] * 255)), 0, 255);
            line[x] = qRgba(0, 0, 0, alpha);
        }
    }
    image.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, new QImage(image));
    return image;
}
