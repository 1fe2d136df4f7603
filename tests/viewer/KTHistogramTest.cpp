#include "KTHistogram.h"
#include "KTHistogramView.h"
#include "KTWidgetRendering.h"

#include <gtest/gtest.h>

namespace {

/// 100 pixels: 50 pure red, 30 of (128, 64, 32), 20 of (1, 254, 0).
QImage knownColours()
{
    QImage image(10, 10, QImage::Format_RGB32);
    for (int i = 0; i < 100; ++i) {
        const QColor colour = i < 50 ? QColor(255, 0, 0) : i < 80 ? QColor(128, 64, 32) : QColor(1, 254, 0);
        image.setPixelColor(i % 10, i / 10, colour);
    }
    return image;
}

} // namespace

TEST(KTHistogramTest, CountsEveryChannelByItsByte)
{
    const KTHistogram histogram = KTHistogram::count(knownColours());
    const auto &red = histogram.channels[KTHistogram::Red];
    const auto &green = histogram.channels[KTHistogram::Green];
    const auto &blue = histogram.channels[KTHistogram::Blue];
    EXPECT_EQ(red[255], 50u);
    EXPECT_EQ(red[128], 30u);
    EXPECT_EQ(red[1], 20u);
    EXPECT_EQ(green[0], 50u);
    EXPECT_EQ(green[64], 30u);
    EXPECT_EQ(green[254], 20u);
    EXPECT_EQ(blue[0], 70u);
    EXPECT_EQ(blue[32], 30u);
    EXPECT_EQ(histogram.channels[KTHistogram::Alpha][255], 100u);
    // The end bins stay out of the scale.
    EXPECT_EQ(histogram.scaleMaximum(KTHistogram::Red), 30u);
    EXPECT_EQ(histogram.scaleMaximum(KTHistogram::Green), 30u);
    EXPECT_EQ(histogram.scaleMaximum(KTHistogram::Blue), 30u);
}

// Bin 255 of red counts 50 over a scale of 30: the unsigned level formula would wrap far below
// the chart; the bar is drawn at full height instead.
TEST(KTHistogramTest, EndBinOverTheScaleIsAFullHeightBar)
{
    const KTHistogram histogram = KTHistogram::count(knownColours());
    EXPECT_EQ(histogram.level(KTHistogram::Red, 255, 100), 0u);
    EXPECT_EQ(histogram.level(KTHistogram::Red, 128, 100), 0u); // at the scale: full height
    EXPECT_EQ(histogram.level(KTHistogram::Red, 1, 100), 100u - 20u * 100u / 30u);
    EXPECT_EQ(histogram.level(KTHistogram::Red, 2, 100), 100u); // empty bin: nothing

    const QImage chart = histogram.chart(QSize(256, 100));
    EXPECT_EQ(chart.pixelColor(255, 0), QColor(255, 0, 0, 255)); // opaque top row
    EXPECT_EQ(chart.pixelColor(255, 99), QColor(255, 0, 0, 190));
    EXPECT_EQ(chart.pixelColor(2, 99).alpha(), 0);
    // Where red and green bars overlap the colours add up.
    EXPECT_EQ(chart.pixelColor(254, 99), QColor(0, 255, 0, 190)); // green alone at 254
}

TEST(KTHistogramTest, ChartSamplesBinsAcrossItsWidth)
{
    const KTHistogram histogram = KTHistogram::count(knownColours());
    // 128 columns: column x shows bin 2x, so bin 128 is column 64 and bin 255 is never shown.
    const QImage narrow = histogram.chart(QSize(128, 50));
    EXPECT_EQ(narrow.pixelColor(64, 0).red(), 255);
    EXPECT_EQ(narrow.pixelColor(127, 49).red(), 0); // bin 254: no red
    // 512 columns: each bin spans two.
    const QImage wide = histogram.chart(QSize(512, 50));
    EXPECT_EQ(wide.pixelColor(256, 0), wide.pixelColor(257, 0));
    EXPECT_TRUE(histogram.chart(QSize(0, 50)).isNull());
}

TEST(KTHistogramTest, BlackImageFillsEveryColumnInWhite)
{
    QImage black(8, 8, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QImage chart = KTHistogram::count(black).chart(QSize(64, 20));
    for (int x : {0, 31, 63}) {
        EXPECT_EQ(chart.pixelColor(x, 0), QColor(255, 255, 255, 255));
        EXPECT_EQ(chart.pixelColor(x, 19), QColor(255, 255, 255, 190));
    }
}

TEST(KTHistogramTest, ViewDrawsTheChartAndNothingWhenCleared)
{
    KTHistogramView view;
    view.resize(256, 60);
    view.setImage(knownColours());
    QImage shown = renderWidget(view, Qt::black);
    EXPECT_GT(shown.pixelColor(128, 59).red(), 150); // red at alpha 190 over black
    EXPECT_EQ(view.chartImage().size(), QSize(256, 60));
    view.setImage({});
    shown = renderWidget(view, Qt::black);
    EXPECT_EQ(shown.pixelColor(128, 59), QColor(Qt::black));
}
