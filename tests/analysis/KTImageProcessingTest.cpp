#include "KTImageProcessing.h"
#include "KTPixelTestImages.h"

#include <QHash>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>

TEST(KTImageProcessingTest, GrayLevelTruncatesThePointThreeThreeThreeProduct)
{
    struct Case
    {
        KTPixelRGBA pixel;
        KTPixelGray gray;
    };
    const Case cases[] = {
        {{255, 255, 255, 255}, 254},                    // 765 * 0.333 = 254.7: white is not 255
        {{255, 255, 255, 0}, 254},                      // the fourth byte takes no part
        {{0, 0, 0, 255}, 0},         {{1, 1, 1, 0}, 0}, // 0.999
        {{255, 0, 0, 0}, 84},        {{100, 100, 100, 0}, 99},
    };
    for (const auto &c : cases) {
        KTPixelGray gray = 77;
        convertKTPixelRGBAto(&c.pixel, 1, 1, &gray, 1, 1, KTImageGray);
        EXPECT_EQ(gray, c.gray) << int(c.pixel.red) << "," << int(c.pixel.green) << "," << int(c.pixel.blue);
    }
}

TEST(KTImageProcessingTest, ConvertPacksRGBAndCopiesRGBAAtEqualSize)
{
    const auto src = randomRGBA(12, 1);
    std::vector<uint8_t> rgb(12 * 3);
    convertKTPixelRGBAto(src.data(), 4, 3, rgb.data(), 4, 3, KTImageRGB);
    for (size_t i = 0; i < src.size(); ++i) {
        EXPECT_EQ(rgb[3 * i], src[i].red);
        EXPECT_EQ(rgb[3 * i + 1], src[i].green);
        EXPECT_EQ(rgb[3 * i + 2], src[i].blue);
    }
    std::vector<KTPixelRGBA> rgba(12);
    convertKTPixelRGBAto(src.data(), 4, 3, rgba.data(), 4, 3, KTImageRGBA);
    EXPECT_EQ(std::memcmp(rgba.data(), src.data(), 12 * 4), 0);

    // Unequal sizes resample first: a constant colour stays that colour in every layout.
    const std::vector<KTPixelRGBA> flat(20 * 10, KTPixelRGBA{30, 60, 90, 255});
    std::vector<uint8_t> packed(7 * 5 * 3);
    convertKTPixelRGBAto(flat.data(), 20, 10, packed.data(), 7, 5, KTImageRGB);
    for (size_t i = 0; i < packed.size(); i += 3)
        EXPECT_EQ((std::vector<uint8_t>{packed[i], packed[i + 1], packed[i + 2]}),
                  (std::vector<uint8_t>{30, 60, 90}));
    std::vector<uint8_t> gray(7 * 5);
    convertKTPixelRGBAto(flat.data(), 20, 10, gray.data(), 7, 5, KTImageGray);
    EXPECT_EQ(gray, std::vector<uint8_t>(7 * 5, 59)); // 180 * 0.333 = 59.94
}

TEST(KTImageProcessingTest, IntegralImageSumsEveryRectangleExactly)
{
    const uint8_t single = 200;
    KTFreeOnExit<uint64_t> one{createIntegralImage_uint8(&single, 1, 1)};
    EXPECT_EQ(one.get()[0], 200u);
    EXPECT_EQ(getSumFromIntegralImage(one.get(), 1, 1, createRect(0, 0, 1, 1)), 200u);

    const int width = 7;
    const int height = 5;
    const auto gray = randomGray(size_t(width * height), 2);
    KTFreeOnExit<uint64_t> integral{createIntegralImage_uint8(gray.data(), width, height)};
    std::vector<uint32_t> wide(gray.begin(), gray.end());
    for (auto &v : wide)
        v *= 1000000u; // far beyond 8 bits, so the 32-bit path is shown to sum in 64 bits
    std::vector<uint64_t> wideIntegral(wide.size());
    fillIntegralImage_uint32(wide.data(), wideIntegral.data(), width, height);

    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            for (int w = 1; x + w <= width; ++w) {
                for (int h = 1; y + h <= height; ++h) {
                    uint64_t expected = 0;
                    for (int yy = y; yy < y + h; ++yy)
                        for (int xx = x; xx < x + w; ++xx)
                            expected += gray[size_t(yy * width + xx)];
                    const RDRect r = createRect(x, y, w, h);
                    ASSERT_EQ(getSumFromIntegralImage(integral.get(), width, height, r), expected);
                    ASSERT_EQ(getSumFromIntegralImage(wideIntegral.data(), width, height, r),
                              expected * 1000000u);
                }
            }
        }
    }
}

TEST(KTImageProcessingTest, LatticeRoundsAccumulatedEdgesHalfAwayFromZero)
{
    struct Case
    {
        int width;
        int height;
        int columns;
        int rows;
        std::vector<int> widths;  // of the first row
        std::vector<int> heights; // of the first column
    };
    const Case cases[] = {
        {10, 1, 4, 1, {3, 2, 3, 2}, {1}}, // edges 2.5, 5, 7.5, 10
        {1, 10, 1, 4, {1}, {3, 2, 3, 2}},
        {1000, 3, 4, 4, {250, 250, 250, 250}, {1, 1, 0, 1}}, // shorter than the rows: a row of height 0
        {2, 2, 3, 1, {1, 0, 1}, {2}},
    };
    for (const auto &c : cases) {
        KTFreeOnExit<RDRect> lattice{createRectLatticeFromImage(c.width, c.height, c.columns, c.rows)};
        std::vector<int> widths;
        std::vector<int> heights;
        for (int i = 0; i < c.columns; ++i)
            widths.push_back(lattice.get()[i].width);
        for (int i = 0; i < c.rows; ++i)
            heights.push_back(lattice.get()[i * c.columns].height);
        EXPECT_EQ(widths, c.widths) << c.width << "x" << c.height;
        EXPECT_EQ(heights, c.heights) << c.width << "x" << c.height;

        // The cells tile the image row by row without gaps.
        for (int row = 0; row < c.rows; ++row) {
            int x = 0;
            for (int column = 0; column < c.columns; ++column) {
                const RDRect cell = lattice.get()[row * c.columns + column];
                EXPECT_EQ(cell.x, x);
                EXPECT_EQ(cell.height, lattice.get()[row * c.columns].height);
                x += cell.width;
            }
            EXPECT_EQ(x, c.width);
        }
    }
    EXPECT_EQ(createRectLatticeFromImage(10, 10, 0, 3), nullptr);
}

TEST(KTImageProcessingTest, ResampleCopiesEqualSizesAndKeepsConstantsWhenScaling)
{
    const auto src = randomRGBA(6 * 4, 3);
    std::vector<KTPixelRGBA> copy(src.size());
    resampleImage(src.data(), 6, 4, copy.data(), 6, 4, 4);
    EXPECT_EQ(std::memcmp(copy.data(), src.data(), src.size() * 4), 0);
    resampleImage(copy.data(), 6, 4, copy.data(), 6, 4, 4);
    EXPECT_EQ(std::memcmp(copy.data(), src.data(), src.size() * 4), 0);

    struct Size
    {
        size_t width;
        size_t height;
    };
    const Size targets[] = {{1, 1}, {3, 2}, {13, 9}, {40, 17}};
    for (const auto quality : {KTResampling::Fast, KTResampling::HighQuality}) {
        const std::vector<KTPixelRGBA> flat(20 * 10, KTPixelRGBA{0, 128, 255, 7});
        for (const auto &t : targets) {
            std::vector<KTPixelRGBA> out(t.width * t.height);
            resampleImage(flat.data(), 20, 10, out.data(), t.width, t.height, 4, quality);
            for (const auto &p : out)
                ASSERT_TRUE(p.red == 0 && p.green == 128 && p.blue == 255 && p.alpha == 7)
                    << t.width << "x" << t.height;
        }
    }

    // Halving averages neighbours.
    const uint8_t pair[] = {0, 200};
    uint8_t half = 0;
    resampleImage(pair, 2, 1, &half, 1, 1, 1);
    EXPECT_EQ(half, 100);
}

TEST(KTImageProcessingTest, DesaturationKeepsColoursAtOneAndWeighsGreyAtZero)
{
    const auto src = randomRGBA(64, 4);
    std::vector<KTPixelRGBA> same(src.size());
    desaturateImage(src.data(), same.data(), 8, 8, 4, 1.0f);
    EXPECT_EQ(std::memcmp(same.data(), src.data(), src.size() * 4), 0);

    // Saturation 0: weights 79, 156 and 21 of 256, truncated; the fourth byte passes through.
    std::vector<KTPixelRGBA> grey = src;
    desaturateImage(grey.data(), grey.data(), 8, 8, 4, 0.0f);
    for (size_t i = 0; i < src.size(); ++i) {
        const auto expected = uint8_t((79 * src[i].red + 156 * src[i].green + 21 * src[i].blue) / 256);
        ASSERT_EQ(grey[i].red, expected);
        ASSERT_EQ(grey[i].green, expected);
        ASSERT_EQ(grey[i].blue, expected);
        ASSERT_EQ(grey[i].alpha, src[i].alpha);
    }
    const KTPixelRGBA white{255, 255, 255, 0};
    KTPixelRGBA out{};
    desaturateImage(&white, &out, 1, 1, 4, 0.0f);
    EXPECT_EQ(out.red, 255);
}

TEST(KTImageProcessingTest, TentBlurWeighsNeighboursAndExtendsEdges)
{
    // A 3 by 3 tent is (1 2 1) x (1 2 1) / 16; the border repeats outward.
    const uint8_t impulse[9] = {0, 0, 0, 0, 160, 0, 0, 0, 0};
    uint8_t out[9] = {};
    blurImage(impulse, out, 3, 3, 3, 3, 1);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 9), (std::vector<uint8_t>{10, 20, 10, 20, 40, 20, 10, 20, 10}));

    // Even sides are raised by one: 2 is the 3 tent, and 0 and 1 leave the image as it is.
    const auto src = randomRGBA(9 * 7, 5);
    std::vector<KTPixelRGBA> two(src.size());
    std::vector<KTPixelRGBA> three(src.size());
    blurImage(src.data(), two.data(), 9, 7, 2, 2, 4);
    blurImage(src.data(), three.data(), 9, 7, 3, 3, 4);
    EXPECT_EQ(std::memcmp(two.data(), three.data(), src.size() * 4), 0);
    for (const uint32_t side : {0u, 1u}) {
        std::vector<KTPixelRGBA> same(src.size());
        blurImage(src.data(), same.data(), 9, 7, side, side, 4);
        EXPECT_EQ(std::memcmp(same.data(), src.data(), src.size() * 4), 0) << side;
    }

    // In place gives what a separate destination gets.
    std::vector<KTPixelRGBA> inPlace = src;
    blurImage(inPlace.data(), inPlace.data(), 9, 7, 3, 3, 4);
    EXPECT_EQ(std::memcmp(inPlace.data(), three.data(), src.size() * 4), 0);
}

TEST(KTImageProcessingTest, BlurOfAConstantImageIsTheSameImage)
{
    struct Case
    {
        size_t width;
        size_t height;
        uint32_t side;
        size_t channels;
    };
    const Case cases[] = {{1, 1, 11, 1}, {5, 3, 5, 4}, {17, 9, 11, 1}, {40, 30, 61, 4}, {3, 50, 9, 1}};
    for (const auto &c : cases) {
        for (const uint8_t value : {uint8_t(0), uint8_t(1), uint8_t(137), uint8_t(255)}) {
            const std::vector<uint8_t> flat(c.width * c.height * c.channels, value);
            std::vector<uint8_t> out(flat.size());
            blurImage(flat.data(), out.data(), c.width, c.height, c.side, c.side, c.channels);
            ASSERT_EQ(out, flat) << c.width << "x" << c.height << " side " << c.side << " value "
                                 << int(value);
        }
    }
}

TEST(KTImageProcessingTest, RegionOfInterestCopiesRowsOfTheRectangle)
{
    const auto src = randomRGBA(5 * 4, 6);
    KTFreeOnExit<void> whole{createImageROI(src.data(), 5, 4, createRect(0, 0, 5, 4), KTImageRGBA)};
    EXPECT_EQ(std::memcmp(whole.get(), src.data(), src.size() * 4), 0);

    const auto gray = randomGray(5 * 4, 7);
    KTFreeOnExit<void> part{createImageROI(gray.data(), 5, 4, createRect(1, 2, 3, 2), KTImageGray)};
    const auto *bytes = static_cast<const uint8_t *>(part.get());
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 6),
              (std::vector<uint8_t>{gray[11], gray[12], gray[13], gray[16], gray[17], gray[18]}));
}

TEST(KTImageProcessingTest, ImageIsDrawnOverBlackIntoOpaqueRGBA)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(255, 0, 0, 255));
    image.setPixelColor(1, 0, QColor(0, 255, 0, 0));
    KTFreeOnExit<KTPixelRGBA> pixels{createKTPixelRGBAFromNSImage(image, 8)};
    ASSERT_NE(pixels.get(), nullptr);
    const KTPixelRGBA red = pixels.get()[0];
    const KTPixelRGBA clear = pixels.get()[1];
    EXPECT_TRUE(red.red == 255 && red.green == 0 && red.blue == 0 && red.alpha == 255);
    EXPECT_TRUE(clear.red == 0 && clear.green == 0 && clear.blue == 0 && clear.alpha == 255);
    EXPECT_EQ(createKTPixelRGBAFromNSImage(QImage(), 8), nullptr);
}

TEST(KTImageProcessingTest, PointerDictionaryFreesEveryPointer)
{
    // Run under LeakSanitizer: a pointer left behind fails the test program.
    QHash<QString, void *> dictionary;
    dictionary.insert(QStringLiteral("a"), std::malloc(16));
    dictionary.insert(QStringLiteral("b"), std::malloc(65976));
    dictionary.insert(QStringLiteral("none"), nullptr);
    freeNSValuesAsPointer(dictionary);
    EXPECT_EQ(dictionary.size(), 3);
}

TEST(KTImageProcessingDeathTest, KernelsRefuseBadArgumentsNamingThemselves)
{
    uint8_t a[16] = {};
    uint8_t b[16] = {};
    uint64_t integral[4] = {};
    EXPECT_DEATH(getSumFromIntegralImage(integral, 2, 2, createRect(0, 0, 0, 1)),
                 literally("getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)"));
    EXPECT_DEATH(getSumFromIntegralImage(integral, 2, 2, createRect(1, 0, 2, 1)),
                 literally("getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)"));
    EXPECT_DEATH(getSumFromIntegralImage(integral, 2, 2, createRect(0, -1, 1, 1)),
                 literally("getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)"));
    EXPECT_DEATH(resampleImage(a, 2, 2, b, 1, 1, 3),
                 literally("resampleImage(...) ERROR! channelNum #3 isn't supported"));
    EXPECT_DEATH(resampleImage(a, 4, 4, a, 2, 2, 1),
                 literally("resampleImage(...) ERROR! vImageScale(...) return 4"));
    EXPECT_DEATH(desaturateImage(a, b, 2, 2, 1, 0.5f),
                 literally("desaturateImage(...) ERROR! channelNum #1 isn't supported"));
    EXPECT_DEATH(desaturateImage(a, b, 0, 2, 4, 0.5f),
                 literally("desaturateImage(...) ERROR! vImageMatrixMultiply_ARGB8888(...) return 1"));
    EXPECT_DEATH(blurImage(a, b, 2, 2, 3, 3, 2),
                 literally("blurImage(...) ERROR! channelNum #2 isn't supported"));
    EXPECT_DEATH(blurImage(a, b, 0, 0, 3, 3, 1),
                 literally("blurImage(...) ERROR! vImageTentConvolve(...) return 1"));
    EXPECT_DEATH(blurImage(a, b, 4, 4, 2000, 3, 1),
                 literally("blurImage(...) ERROR! vImageTentConvolve(...) return 3"));
    const KTPixelRGBA pixel{};
    EXPECT_DEATH(convertKTPixelRGBAto(&pixel, 1, 1, b, 1, 1, KTImageType(16)),
                 literally("convertImageTypeSize(...) ERROR! unknown type of KTImageType"));
    EXPECT_DEATH(createImageROI(a, 4, 4, createRect(0, 0, 1, 1), KTImageRGB),
                 literally("createImageROI(...) ERROR! unknown type of KTImageType (or not implemented)"));
    EXPECT_DEATH(createImageROI(a, 4, 4, createRect(2, 0, 3, 1), KTImageGray),
                 literally("createImageROI(...) ERROR! roi rect isn't inside the image"));
    EXPECT_DEATH(createKTPixelRGBAFromNSImage(QImage(1, 1, QImage::Format_RGB32), 16),
                 literally("createKTPixelRGBAFromNSImage(...) ERROR! 16 bits per component isn't supported"));
}
