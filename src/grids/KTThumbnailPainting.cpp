#include "KTThumbnailPainting.h"

#include "KTNotificationCenter.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"

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

namespace {

/// The cache's key: the picture, and the layout of the image made from it.
struct ThumbnailKey
{
    qint64 picture = 0;
    QSize deviceSize;
    QPoint pictureOrigin;
    int blur = 0;
    bool operator==(const ThumbnailKey &) const = default;
};

size_t qHash(const ThumbnailKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.picture, key.deviceSize.width(), key.deviceSize.height(),
                      key.pictureOrigin.x(), key.pictureOrigin.y(), key.blur);
}

/// The scaled thumbnails of every cell. Costs are kilobytes: 48 MB holds about nine pages of
/// 150-point cells.
QCache<ThumbnailKey, QImage> &scaledThumbnails()
{
    static QCache<ThumbnailKey, QImage> cache(48 * 1024);
    // The pictures of a cleared session are never drawn again: they go with it rather than fill
    // the cache until the next sessions push them out.
    static const KTObserverToken clearing = KTNotificationCenter::defaultCenter().addObserver(
        kTaskDidFinishNotification, nullptr, [](const KTNotification &notification) {
            if (KTTaskDidFinishInfo::taskName(notification.userInfo) == kCleanSessionTaskName)
                cache.clear();
        });
    return cache;
}

/// `picture` scaled to `deviceSize` at `pictureOrigin` of `base` (a copy of it; a new opaque
/// image of `deviceSize` when `base` is null), cached by all of these.
QImage cachedThumbnail(const QImage &picture, const QSize &deviceSize, const QImage &base,
                       const QPoint &pictureOrigin, double blurRadius, qreal devicePixelRatio)
{
    QCache<ThumbnailKey, QImage> &cache = scaledThumbnails();
    const ThumbnailKey key{picture.cacheKey(), deviceSize, pictureOrigin,
                           base.isNull() ? -1 : int(std::lround(blurRadius * 100))};
    if (const QImage *cached = cache.object(key))
        return *cached;
    QImage image = base.isNull() ? QImage(deviceSize, QImage::Format_RGB32) : base.copy();
    // Drawn in device pixels.
    image.setDevicePixelRatio(1);
    QPainter painter(&image);
    const QRect target(pictureOrigin, deviceSize);
    // The picture is opaque whatever it holds, as on a window.
    painter.fillRect(target, Qt::black);
    // Bilinear: a thumbnail is drawn at under twice or over half its size, where this looks as
    // good as an area-averaged copy at a fraction of its cost.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    return image;
}

} // namespace

qsizetype cachedThumbnailsBytes()
{
    return qsizetype(scaledThumbnails().totalCost()) * 1024;
}

void drawThumbnailWithShadow(QPainter &painter, const QImage &picture, const QRectF &frame, double blurRadius,
                             const QPointF &offset, double opacity)
{
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QSize deviceSize = (frame.size() * ratio).toSize();
    if (picture.isNull() || deviceSize.isEmpty())
        return;
    const QImage shadow = rectangleShadow(frame.size(), blurRadius, ratio);
    const QPointF shadowOrigin =
        frame.topLeft() + offset - QPointF(1, 1) * rectangleShadowPadding(blurRadius);
    // Where the picture lies in the shadow's image; in whole pixels the two are one image.
    const QPointF inShadow = (frame.topLeft() - shadowOrigin) * ratio;
    const QPoint pictureOrigin = inShadow.toPoint();
    const bool oneImage = opacity >= 1 && !shadow.isNull() && QPointF(pictureOrigin) == inShadow &&
                          shadow.rect().contains(QRect(pictureOrigin, deviceSize));
    painter.save();
    painter.setOpacity(opacity);
    if (oneImage) {
        painter.drawImage(shadowOrigin,
                          cachedThumbnail(picture, deviceSize, shadow, pictureOrigin, blurRadius, ratio));
    } else {
        // Through a picture drawn at an opacity the shadow shows beneath it.
        painter.drawImage(shadowOrigin, shadow);
        painter.drawImage(frame.topLeft(), cachedThumbnail(picture, deviceSize, {}, {}, blurRadius, ratio));
    }
    painter.restore();
}
