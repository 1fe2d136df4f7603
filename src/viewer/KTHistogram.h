#pragma once

#include <QImage>
#include <QSize>

#include <array>
#include <cstdint>

/// The red, green, blue and alpha histograms of an image: 256 counts per channel, taken from
/// the image's premultiplied 8-bit RGBA bytes (bin n holds the pixels whose channel byte is n).
///
/// Threading: a plain value; count() is reentrant.
struct KTHistogram
{
    using Channel = std::array<std::uint64_t, 256>;
    enum ChannelIndex
    {
        Red,
        Green,
        Blue,
        Alpha,
    };

    /// Red, green, blue and alpha, in that order.
    std::array<Channel, 4> channels{};

    /// Counts `image` (any format; converted to premultiplied RGBA first). Empty for a null image.
    static KTHistogram count(const QImage &image);

    /// The largest count among bins 1 to 254: the ends (clipped black and white) are left out of
    /// the scale, so a photo with large clipped areas keeps a readable chart.
    std::uint64_t scaleMaximum(int channel) const;

    /// The chart of `width` x `height` pixels, non-premultiplied RGBA: for each column (the bin
    /// of column x is x * 256 / width) one bar per colour channel rising from the bottom, its top
    /// row opaque and the rows below at alpha 190, in the channel's pure colour, so overlapping
    /// bars add up. A bin counting more than the scale (an end bin) is drawn at full height; a
    /// channel whose scale is 0 fills every column. Null for an empty size.
    QImage chart(QSize size) const;
    /// The top row of a channel's bar in a chart `height` rows high (row 0 is the top).
    std::uint64_t level(int channel, int bin, std::uint64_t height) const;
};
