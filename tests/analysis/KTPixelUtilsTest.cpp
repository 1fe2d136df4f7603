#include "KTPixelUtils.h"

#include "KTFocusMaskDefaults.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Rgba
{
    int red, green, blue, alpha;
    friend bool operator==(const Rgba &, const Rgba &) = default;
};

Rgba pixelAt(const QImage &image, int x, int y)
{
    const uchar *p = image.constScanLine(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Left half: fine random texture (sharp); right half: a gentle gradient (out of focus).
QImage sharpAndBlurredHalves(QSize size = QSize(240, 120))
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int level = x < size.width() / 2 ? int(random.bounded(2)) * 255 : 100 + x / 8;
            image.setPixel(x, y, qRgb(level, level, level));
        }
    }
    return image;
}

QImage uniform(QSize size = QSize(240, 120))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(120, 120, 120));
    return image;
}

class KTPixelUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override { KTFocusMaskDefaults::registerDefaults(); }
};

} // namespace

TEST(KTFocusMaskDefaultsTest, RegisteredValuesGiveTheKernelArguments)
{
    QTemporaryDir folder;
    KTUserDefaults defaults(folder.filePath(QStringLiteral("defaults.ini")));
    const KTFocusMaskDefaults unregistered = KTFocusMaskDefaults::read(defaults);
    EXPECT_EQ(unregistered.threshold, 0.0f);
    EXPECT_EQ(unregistered.highPassSize, 1.0f);

    KTFocusMaskDefaults::registerDefaults(defaults);
    const KTFocusMaskDefaults settings = KTFocusMaskDefaults::read(defaults);
    EXPECT_NEAR(settings.highPassSize, 3.376, 1e-3);
    EXPECT_NEAR(settings.secondSize, 7.648, 1e-3);
    EXPECT_NEAR(settings.threshold, 7.975, 1e-3);
    EXPECT_NEAR(defaults.floatForKey(kFocusMaskOpacityDefaultsKey), 0.657, 1e-6);
    EXPECT_EQ(defaults.doubleForKey(kFocusMaskRegionSizeDefaultsKey), 0.5);
}

TEST_F(KTPixelUtilsTest, ExposureMarksClippedHighlightsRedAndCrushedShadowsBlue)
{
    const struct
    {
        QRgb input;
        Rgba expected;
    } cases[] = {
        {qRgb(255, 255, 255), {255, 0, 0, 255}}, {qRgb(254, 254, 254), {255, 0, 0, 255}},
        {qRgb(253, 255, 255), {0, 0, 0, 0}},     {qRgb(0, 0, 0), {0, 0, 255, 255}},
        {qRgb(1, 1, 0), {0, 0, 255, 255}},       {qRgb(2, 0, 0), {0, 0, 0, 0}},
    };
    QImage image(int(std::size(cases)), 1, QImage::Format_RGB32);
    for (int i = 0; i < int(std::size(cases)); ++i)
        image.setPixel(i, 0, cases[i].input);
    const QImage overlay = KTPixelUtils::exposurePixelsImageFromImage(image);
    ASSERT_EQ(overlay.size(), image.size());
    ASSERT_EQ(overlay.format(), QImage::Format_RGBA8888_Premultiplied);
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(pixelAt(overlay, i, 0), cases[i].expected) << "pixel " << i;
}

TEST_F(KTPixelUtilsTest, FocusMaskIsGreenOverTheSharpHalfOnly)
{
    const QImage image = sharpAndBlurredHalves();
    const QImage mask = KTPixelUtils::focusMaskImageFromImage(image);
    ASSERT_EQ(mask.size(), image.size());
    int sharpHits = 0;
    int blurredHits = 0;
    // The right half away from the seam, where the kernels' neighbourhoods see no texture.
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const Rgba p = pixelAt(mask, x, y);
            if (p.alpha == 0) {
                EXPECT_EQ(p, (Rgba{0, 0, 0, 0}));
                continue;
            }
            EXPECT_EQ(p.red, 0);
            EXPECT_EQ(p.blue, 0);
            EXPECT_EQ(p.alpha, 255);
            EXPECT_GT(p.green, 0);
            if (x < image.width() / 2)
                ++sharpHits;
            else if (x > image.width() / 2 + 16)
                ++blurredHits;
        }
    }
    EXPECT_GT(sharpHits, image.width() * image.height() / 8);
    EXPECT_EQ(blurredHits, 0);
}

// The viewer's full-size photos (blue first in memory) are read without a copy; the overlays are
// those of the same photo in red-first order, in colour, clipped in one channel or in all three.
TEST_F(KTPixelUtilsTest, OverlaysDoNotDependOnThePhotosPixelFormat)
{
    QImage photo(160, 96, QImage::Format_ARGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            const bool sharp = x < photo.width() / 2;
            const int red = sharp ? int(random.bounded(2)) * 255 : 40 + x;
            const int blue = y < 16 ? 255 : (y > 80 ? 0 : 200 - y);
            const int green = y < 8 ? 255 : (y > 88 ? 1 : (red + blue) / 2);
            photo.setPixel(x, y, qRgba(red, green, blue, x % 7 == 0 ? 128 : 255));
        }
    }
    for (const bool translucent : {false, true}) {
        const QImage source = translucent ? photo : photo.convertToFormat(QImage::Format_RGB32);
        const QImage reference = source.convertToFormat(translucent ? QImage::Format_RGBA8888_Premultiplied
                                                                    : QImage::Format_RGBX8888);
        const QImage exposure = KTPixelUtils::exposurePixelsImageFromImage(reference);
        const QImage mask = KTPixelUtils::focusMaskImageFromImage(reference);
        ASSERT_FALSE(exposure.isNull());
        const QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                                          QImage::Format_ARGB32, QImage::Format_RGB888};
        for (const QImage::Format format : formats) {
            // Opaque formats would not hold the same photo.
            if (translucent && QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::IgnoresAlpha)
                continue;
            const QImage input = source.convertToFormat(format);
            EXPECT_EQ(KTPixelUtils::exposurePixelsImageFromImage(input), exposure)
                << "format " << int(format) << (translucent ? ", translucent" : "");
            EXPECT_EQ(KTPixelUtils::focusMaskImageFromImage(input), mask)
                << "format " << int(format) << (translucent ? ", translucent" : "");
        }
    }
}

TEST_F(KTPixelUtilsTest, NullImageGivesNullOverlaysSilently)
{
    KTLogCapture log;
    EXPECT_TRUE(KTPixelUtils::focusMaskImageFromImage(QImage()).isNull());
    EXPECT_TRUE(KTPixelUtils::exposurePixelsImageFromImage(QImage()).isNull());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(KTPixelUtilsTest, OpacityAndRegionSizeDoNotChangeTheMask)
{
    auto &defaults = KTUserDefaults::standardUserDefaults();
    const QImage image = sharpAndBlurredHalves();
    const QImage before = KTPixelUtils::focusMaskImageFromImage(image);
    defaults.setObject(0.1f, kFocusMaskOpacityDefaultsKey);
    defaults.setObject(0.9, kFocusMaskRegionSizeDefaultsKey);
    const QImage after = KTPixelUtils::focusMaskImageFromImage(image);
    defaults.removeObjectForKey(kFocusMaskOpacityDefaultsKey);
    defaults.removeObjectForKey(kFocusMaskRegionSizeDefaultsKey);
    EXPECT_EQ(before, after);
}

// The sharpest wins, the first of equals wins, and a file that does not decode scores 0 instead
// of stopping the scan.
TEST_F(KTPixelUtilsTest, SharpestOfAGroupIsTheFirstBestAndUndecodableFilesScoreZero)
{
    QTemporaryDir folder;
    const QString broken = folder.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG not really");
    file.close();
    const QString flat = folder.filePath(QStringLiteral("flat.png"));
    const QString sharp = folder.filePath(QStringLiteral("sharp.png"));
    const QString sharpCopy = folder.filePath(QStringLiteral("sharp-copy.png"));
    ASSERT_TRUE(uniform().save(flat));
    ASSERT_TRUE(sharpAndBlurredHalves().save(sharp));
    ASSERT_TRUE(sharpAndBlurredHalves().save(sharpCopy));
    const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const struct
    {
        QStringList paths;
        int winner;
    } cases[] = {
        {{broken, flat, sharp, sharpCopy}, 2},
        {{flat, flat}, 0},
        {{}, 0},
    };
    for (const auto &c : cases) {
        KTLogCapture log;
        EXPECT_EQ(KTPixelUtils::findBestFromGroup(c.paths), c.winner);
        EXPECT_TRUE(log.contains(QStringLiteral("Most focused image# %1").arg(c.winner + 1)));
    }
    // Nothing is written beside the photos.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}
