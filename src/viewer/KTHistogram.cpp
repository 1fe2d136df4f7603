#include "KTHistogram.h"

#include <algorithm>

KTHistogram KTHistogram::count(const QImage &image)
{
    KTHistogram histogram;
    if (image.isNull())
        return histogram;
    const QImage bytes = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < bytes.height(); ++y) {
        const uchar *pixel = bytes.constScanLine(y);
        const uchar *end = pixel + qsizetype(bytes.width()) * 4;
        for (; pixel != end; pixel += 4) {
            ++histogram.channels[Red][pixel[0]];
            ++histogram.channels[Green][pixel[1]];
            ++histogram.channels[Blue][pixel[2]];
            ++histogram.channels[Alpha][pixel[3]];
        }
    }
    return histogram;
}

std::uint64_t KTHistogram::scaleMaximum(int channel) const
{
    const Channel &counts = channels[channel];
    return *std::max_element(counts.begin() + 1, counts.begin() + 255);
}

std::uint64_t KTHistogram::level(int channel, int bin, std::uint64_t height) const
{
    const std::uint64_t maximum = scaleMaximum(channel);
    if (maximum == 0)
        return 0;
    // The end bins are not part of the scale and may count more than its maximum: the unsigned
    // formula would wrap below 0, so such a bar is drawn at full height.
    const std::uint64_t count = std::min(channels[channel][bin], maximum);
    return height - (count * height) / maximum;
}

QImage KTHistogram::chart(QSize size) const
{
    if (size.isEmpty())
        return {};
    const auto width = std::uint32_t(size.width());
    const auto height = std::uint32_t(size.height());
    QImage image(size, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    const float step = 256.0f / float(width);
    for (std::uint32_t x = 0; x < width; ++x) {
        const int bin = std::min(255, int(float(x) * step));
        const std::uint64_t levels[3] = {level(Red, bin, height), level(Green, bin, height),
                                         level(Blue, bin, height)};
        for (std::uint32_t y = 0; y < height; ++y) {
            uchar *pixel = image.scanLine(int(y)) + qsizetype(x) * 4;
            uchar alpha = 0;
            for (int c = 0; c < 3; ++c) {
                if (y > levels[c]) {
                    pixel[c] = 255;
                    alpha = std::max<uchar>(alpha, 190);
                } else if (y == levels[c]) {
                    pixel[c] = 255;
                    alpha = 255;
                }
            }
            pixel[3] = alpha;
        }
    }
    return image;
}
