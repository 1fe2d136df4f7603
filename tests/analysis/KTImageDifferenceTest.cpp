#include "KTImageDifference.h"
#include "KTPixelTestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

TEST(KTImageDifferenceTest, DifferenceTable)
{
    const int n = 64;
    const size_t count = size_t(n * n);
    const std::vector<KTPixelRGBA> black(count, KTPixelRGBA{0, 0, 0, 255});
    const std::vector<KTPixelRGBA> white(count, KTPixelRGBA{255, 255, 255, 255});
    auto otherAlpha = black;
    for (auto &p : otherAlpha)
        p.alpha = 0;
    const auto noise = randomRGBA(count, 10);
    const std::vector<uint8_t> grayBlack(count, 0);
    const std::vector<uint8_t> grayWhite(count, 255);
    const RDRect all = createRect(0, 0, n, n);

    struct Case
    {
        const char *name;
        const void *a;
        const void *b;
        KTImageType type;
        float percent;
    };
    const Case cases[] = {
        {"black against white, RGBA", black.data(), white.data(), KTImageRGBA, 300.0f},
        {"black against white, grey", grayBlack.data(), grayWhite.data(), KTImageGray, 100.0f},
        {"identical RGBA", noise.data(), noise.data(), KTImageRGBA, 0.0f},
        {"identical grey", grayWhite.data(), grayWhite.data(), KTImageGray, 0.0f},
        {"only the fourth byte differs", black.data(), otherAlpha.data(), KTImageRGBA, 0.0f},
        {"packed RGB is not measured", black.data(), white.data(), KTImageRGB, 0.0f},
    };
    for (const auto &c : cases)
        EXPECT_EQ(getImageDifference(c.a, c.b, n, n, all, c.type), c.percent) << c.name;

    // Half of a grey image differing by 255 over a quarter of the rectangle.
    std::vector<uint8_t> quarter(count, 0);
    std::fill_n(quarter.begin(), count / 4, uint8_t(255));
    EXPECT_EQ(getImageDifference(grayBlack.data(), quarter.data(), n, n, all, KTImageGray), 25.0f);
    EXPECT_EQ(
        getImageDifference(grayBlack.data(), quarter.data(), n, n, createRect(0, 0, n, n / 4), KTImageGray),
        100.0f);
}

// Past 2^24 the float quotient of black against white can round above the maximum (to 300.00003
// over 387 by 57 pixels): still the maximum, never a failed range check.
TEST(KTImageDifferenceTest, LargeImagesStayWithinTheRange)
{
    const int width = 387;
    const int height = 57;
    const std::vector<KTPixelRGBA> black(size_t(width * height), KTPixelRGBA{0, 0, 0, 0});
    const std::vector<KTPixelRGBA> white(size_t(width * height), KTPixelRGBA{255, 255, 255, 255});
    const RDRect all = createRect(0, 0, width, height);
    EXPECT_EQ(getImageDifference(black.data(), white.data(), width, height, all, KTImageRGBA), 300.0f);
}

TEST(KTImageDifferenceTest, VectorSumsEqualTheScalarReferenceForEverySide)
{
    // Counts of n and of n * n pixels: every remainder of the vector width meets the scalar tail.
    for (size_t n = 1; n <= 128; ++n) {
        for (const size_t count : {n, n * n}) {
            auto a = randomRGBA(count, uint32_t(count));
            auto b = randomRGBA(count, uint32_t(count + 100000));
            // Extremes too: the byte arithmetic must not saturate or wrap.
            for (size_t i = 0; i < count; i += 3) {
                a[i] = KTPixelRGBA{0, 255, 0, 255};
                b[i] = KTPixelRGBA{255, 0, 255, 0};
            }
            ASSERT_EQ(sumAbsDiffRGB(a.data(), b.data(), count),
                      sumAbsDiffRGBReference(a.data(), b.data(), count))
                << count;

            const auto *ga = reinterpret_cast<const KTPixelGray *>(a.data());
            const auto *gb = reinterpret_cast<const KTPixelGray *>(b.data());
            ASSERT_EQ(sumAbsDiffGray(ga, gb, count), sumAbsDiffGrayReference(ga, gb, count)) << count;

            std::vector<uint32_t> out(count);
            std::vector<uint32_t> expected(count);
            absDiffSum(a.data(), b.data(), out.data(), int(count / n), int(n));
            absDiffSumReference(a.data(), b.data(), expected.data(), count);
            ASSERT_EQ(out, expected) << count;
        }
    }
}

TEST(KTImageDifferenceTest, SubRectangleWalksRowsWithTheImageStride)
{
    const int width = 37;
    const int height = 23;
    const auto a = randomRGBA(size_t(width * height), 11);
    const auto b = randomRGBA(size_t(width * height), 12);
    const RDRect roi = createRect(5, 3, 19, 11);
    uint64_t sum = 0;
    for (int y = roi.y; y < roi.y + roi.height; ++y)
        sum += sumAbsDiffRGBReference(a.data() + y * width + roi.x, b.data() + y * width + roi.x,
                                      size_t(roi.width));
    const float expected = float(sum) / (float(roi.width * roi.height) * 255.0f) * 100.0f;
    EXPECT_EQ(getImageDifference(a.data(), b.data(), width, height, roi, KTImageRGBA), expected);
}

TEST(KTImageDifferenceTest, IntegralDifferenceEqualsDirectDifferenceOnEveryRectangle)
{
    const int n = 32;
    const auto a = randomRGBA(size_t(n * n), 13);
    const auto b = randomRGBA(size_t(n * n), 14);
    std::vector<uint32_t> diff(size_t(n * n));
    std::vector<uint64_t> integral(size_t(n * n));
    absDiffSum(a.data(), b.data(), diff.data(), n, n);
    fillIntegralImage_uint32(diff.data(), integral.data(), n, n);

    std::mt19937 generator(15);
    for (int i = 0; i < 500; ++i) {
        const int x = int(generator() % n);
        const int y = int(generator() % n);
        const RDRect roi =
            createRect(x, y, 1 + int(generator() % uint32_t(n - x)), 1 + int(generator() % uint32_t(n - y)));
        ASSERT_EQ(getImageDifferenceIntegral(integral.data(), n, n, roi),
                  getImageDifference(a.data(), b.data(), n, n, roi, KTImageRGBA))
            << roi.x << "," << roi.y << " " << roi.width << "x" << roi.height;
    }
}

TEST(KTImageDifferenceTest, ContrastStretchSpreadsEveryChannelOverTheFullRangeByRank)
{
    // Channel ranges 10..200 (red), 0..255 (green), 77 only (blue, flat) and 3..4 (fourth byte).
    std::vector<KTPixelRGBA> image;
    std::mt19937 generator(16);
    for (int i = 0; i < 300; ++i)
        image.push_back(KTPixelRGBA{uint8_t(10 + generator() % 191), uint8_t(generator()), 77,
                                    uint8_t(3 + generator() % 2)});
    image[0].red = 10;
    image[1].red = 200;
    std::vector<KTPixelRGBA> out(image.size());
    contrastStrechImage(image.data(), out.data(), 20, 15, 4);

    std::array<int, 4> low{255, 255, 255, 255};
    std::array<int, 4> high{0, 0, 0, 0};
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t values[4] = {out[i].red, out[i].green, out[i].blue, out[i].alpha};
        for (int c = 0; c < 4; ++c) {
            low[size_t(c)] = std::min<int>(low[size_t(c)], values[c]);
            high[size_t(c)] = std::max<int>(high[size_t(c)], values[c]);
        }
        ASSERT_EQ(out[i].blue, 77) << "a flat channel is left unchanged";
        for (size_t j = 0; j < out.size(); ++j) {
            if (image[i].red <= image[j].red) {
                ASSERT_LE(out[i].red, out[j].red) << "the order of the values is kept";
            }
        }
    }
    EXPECT_EQ(low, (std::array<int, 4>{0, 0, 77, 0}));
    EXPECT_EQ(high, (std::array<int, 4>{255, 255, 77, 255}));

    // A tone curve that keeps the order of the values (a gamma, a contrast or brightness change)
    // leaves the result as it was: the stretch goes by rank, not by value.
    auto gray = randomGray(50, 17);
    for (uint8_t &v : gray)
        v /= 2;
    auto curved = gray;
    // Over 0..127 this gamma curve is steeper than 1 everywhere, so no two values meet.
    for (uint8_t &v : curved)
        v = uint8_t(std::lround(255.0 * std::pow(v / 127.0, 0.8)));
    auto stretched = gray;
    contrastStrechImage(stretched.data(), stretched.data(), 10, 5, 1);
    contrastStrechImage(curved.data(), curved.data(), 10, 5, 1);
    EXPECT_EQ(*std::min_element(stretched.begin(), stretched.end()), 0);
    EXPECT_EQ(*std::max_element(stretched.begin(), stretched.end()), 255);
    EXPECT_EQ(curved, stretched);
}

TEST(KTImageDifferenceDeathTest, KernelsRefuseBadArgumentsNamingThemselves)
{
    const std::vector<KTPixelRGBA> image(16);
    EXPECT_DEATH(getImageDifference(image.data(), image.data(), 4, 4, createRect(1, 0, 4, 4), KTImageRGBA),
                 literally("getImageDifference(...) ERROR! roi rect isn't correct"));
    EXPECT_DEATH(getImageDifference(image.data(), image.data(), 4, 4, createRect(0, 0, 4, -1), KTImageGray),
                 literally("getImageDifference(...) ERROR! roi rect isn't correct"));
    std::vector<uint64_t> integral(16);
    EXPECT_DEATH(getImageDifferenceIntegral(integral.data(), 4, 4, createRect(0, 3, 4, 2)),
                 literally("getSumFromIntegralImage(...) ERROR! incorrect coordinate(s)"));
    std::vector<KTPixelRGBA> out(16);
    EXPECT_DEATH(contrastStrechImage(image.data(), out.data(), 4, 4, 3),
                 literally("constrastStrechImage(...) ERROR! channelNum #3 isn't supported"));
    EXPECT_DEATH(contrastStrechImage(image.data(), out.data(), 0, 4, 4),
                 literally("contrastStrechImage(...) ERROR! vImageContrastStretch(...) return 1"));
}
