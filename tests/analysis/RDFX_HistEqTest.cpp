#include "RDFX_HistEq.h"

#include "KTConcurrentQueue.h"
#include "KTFocusKernels.h"
#include "KTImageDifference.h"
#include "KTPixelTestImages.h"
#include "KTTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace {

bool samePixels(const std::vector<KTPixelRGBA> &a, const std::vector<KTPixelRGBA> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 4) == 0;
}

// FNV-1a over the bytes: a fingerprint of a whole buffer.
uint64_t fingerprint(const std::vector<KTPixelRGBA> &pixels)
{
    uint64_t hash = 14695981039346656037ull;
    const auto *bytes = reinterpret_cast<const uint8_t *>(pixels.data());
    for (size_t i = 0; i < pixels.size() * 4; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

} // namespace

TEST(RDFX_HistEqTest, SmallImageReducesTheRegionCountAndLogsIt)
{
    const auto src = randomRGBA(10 * 10, 20);
    std::vector<KTPixelRGBA> dst(src.size(), KTPixelRGBA{1, 2, 3, 4});
    KTLogCapture log;
    RDFX_HistEq_UCHAR(dst.data(), src.data(), 10, 10, 8, 256, 5.0f);
    EXPECT_TRUE(log.contains(
        QStringLiteral("HistEQ: Image is to small (10, 10)! Decrease number of region from 8 to 5")))
        << log.lines().join(QLatin1Char('\n')).toStdString();
    for (const auto &p : dst)
        ASSERT_EQ(p.alpha, 255);
}

TEST(RDFX_HistEqTest, RefusedParametersLogAndLeaveTheDestination)
{
    struct Case
    {
        const char *name;
        unsigned int width;
        int height;
        int regions;
        unsigned int bins;
        float clipFactor;
        const char *firstLine;
    };
    const Case cases[] = {
        {"3 by 3 with 8 regions", 3, 3, 8, 256, 5.0f,
         "HistEQ: Image is to small (3, 3)! Decrease number of region from 8 to 1"},
        {"one region", 64, 64, 1, 256, 5.0f, "HistEq regCountWidth < 2 or regCountHeight < 2..."},
        {"bins other than 256", 64, 64, 8, 128, 5.0f, "HistEq supports 256 bins"},
        {"clip factor not positive", 64, 64, 8, 256, 0.0f, "HistEq supports 256 bins"},
    };
    for (const auto &c : cases) {
        const auto src = randomRGBA(size_t(c.width) * size_t(c.height), 21);
        const std::vector<KTPixelRGBA> before(src.size(), KTPixelRGBA{1, 2, 3, 4});
        auto dst = before;
        KTLogCapture log;
        RDFX_HistEq_UCHAR(dst.data(), src.data(), c.width, c.height, c.regions, c.bins, c.clipFactor);
        EXPECT_TRUE(samePixels(dst, before)) << c.name;
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.firstLine))) << c.name;
        EXPECT_TRUE(log.contains(QStringLiteral(
            "HistEq didn't process the image, because errors in parameters has been found... exit")))
            << c.name;
    }
}

TEST(RDFX_HistEqTest, ClippingCapsBinsAndHandsTheExcessOutEarlierBinsFirst)
{
    // Limit 2: the 3 counts above it go to the first bins still below it.
    std::vector<uint64_t> histogram = {5, 0, 0, 1};
    clipHistogram(histogram.data(), 4, 2);
    EXPECT_EQ(histogram, (std::vector<uint64_t>{2, 1, 1, 2}));

    // No bin can take the excess: it is dropped.
    histogram = {4, 0};
    clipHistogram(histogram.data(), 2, 1);
    EXPECT_EQ(histogram, (std::vector<uint64_t>{1, 1}));

    // Signature regions (8 by 8 over at most 128 by 128 pixels, so n <= 256) with the clip factor
    // 5.0 keep every count: the excess is below the bin count, so nothing is spread evenly and
    // the hand-out places it all. (Larger regions can lose or gain a count or two in the even
    // spread, whose bookkeeping subtracts h - upper for a bin raised by L - h.)
    std::mt19937 generator(22);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint64_t> bins(256, 0);
        const uint64_t n = 4 + generator() % 253;
        const uint64_t spread = 1 + generator() % 256;
        for (uint64_t i = 0; i < n; ++i)
            ++bins[generator() % spread];
        const uint64_t limit = std::max<uint64_t>(1, uint64_t(float(n) * 5.0f / 256.0f));
        clipHistogram(bins.data(), 256, limit);
        ASSERT_EQ(std::accumulate(bins.begin(), bins.end(), uint64_t(0)), n) << round;
        ASSERT_LE(*std::max_element(bins.begin(), bins.end()), limit) << round;
    }
}

TEST(RDFX_HistEqTest, FlatGreyWithATinyClipLimitBecomesWhite)
{
    // 2 by 2 regions of n = 4: limit 4 * 5 / 256 truncates to 0, hence 1. Bin 100 (4) is cut to 1
    // and its 3 excess counts go to bins 0, 1 and 2, so the running sum reaches 4 at bin 100 and
    // every map sends 100 to 4 * 255 / 4 = 255.
    const std::vector<KTPixelRGBA> src(16, KTPixelRGBA{100, 100, 100, 0});
    std::vector<KTPixelRGBA> dst(16);
    RDFX_HistEq_UCHAR(dst.data(), src.data(), 4, 4, 2, 256, 5.0f);
    EXPECT_TRUE(samePixels(dst, std::vector<KTPixelRGBA>(16, KTPixelRGBA{255, 255, 255, 255})));
}

TEST(RDFX_HistEqTest, KeepsGreysGreyAndTheFourthByteOpaque)
{
    auto src = randomRGBA(128 * 128, 23);
    for (size_t i = 0; i < src.size(); i += 5) {
        const uint8_t v = src[i].red;
        src[i] = KTPixelRGBA{v, v, v, src[i].alpha};
    }
    src[1] = KTPixelRGBA{0, 0, 0, 0};
    std::vector<KTPixelRGBA> dst(src.size());
    RDFX_HistEq_UCHAR(dst.data(), src.data(), 128, 128, 8, 256, 5.0f);
    for (size_t i = 0; i < src.size(); ++i) {
        ASSERT_EQ(dst[i].alpha, 255) << i;
        if (src[i].red == src[i].green && src[i].green == src[i].blue) {
            ASSERT_EQ(dst[i].red, dst[i].green) << i;
            ASSERT_EQ(dst[i].green, dst[i].blue) << i;
        }
    }
    // A hue survives: a pure red pixel stays red (green and blue at the bottom).
    src.assign(16 * 16, KTPixelRGBA{200, 0, 0, 0});
    dst.assign(src.size(), KTPixelRGBA{});
    RDFX_HistEq_UCHAR(dst.data(), src.data(), 16, 16, 2, 256, 5.0f);
    EXPECT_GT(dst[40].red, 0);
    EXPECT_EQ(dst[40].green, 0);
    EXPECT_EQ(dst[40].blue, 0);
}

TEST(RDFX_HistEqTest, PaddedAndOddRegionSidesAreHandled)
{
    // 130 pads to 136 (regions of 17, odd): the last padded column is never interpolated.
    const auto src = randomRGBA(130 * 67, 24);
    std::vector<KTPixelRGBA> dst(src.size());
    RDFX_HistEq_UCHAR(dst.data(), src.data(), 130, 67, 8, 256, 5.0f);
    for (const auto &p : dst)
        ASSERT_EQ(p.alpha, 255);
}

TEST(RDFX_HistEqTest, SameBytesInPlaceAndOnManyThreadsAtOnce)
{
    const auto src = randomRGBA(64 * 64, 25);
    std::vector<KTPixelRGBA> reference(src.size());
    RDFX_HistEq_UCHAR(reference.data(), src.data(), 64, 64, 8, 256, 5.0f);

    auto inPlace = src;
    RDFX_HistEq_UCHAR(inPlace.data(), inPlace.data(), 64, 64, 8, 256, 5.0f);
    EXPECT_TRUE(samePixels(inPlace, reference));

    // Like the signature workers: many equalisations at once, their row loops nested in the pool.
    std::vector<std::vector<KTPixelRGBA>> results(16, std::vector<KTPixelRGBA>(src.size()));
    KTConcurrentQueue::global().apply(results.size(), [&](size_t i) {
        RDFX_HistEq_UCHAR(results[i].data(), src.data(), 64, 64, 8, 256, 5.0f);
    });
    for (const auto &r : results)
        EXPECT_TRUE(samePixels(r, reference));
}

// Signatures are cached on disk and compared with ones made on later runs, so the bytes of the
// signature treatments (desaturate, equalise, stretch, blur) must not drift between builds. A
// change of this fingerprint means cached signatures no longer match fresh ones, and
// KTImageSignature::kMakerVersion must be raised with it.
TEST(RDFX_HistEqTest, SignatureTreatmentBytesAreStable)
{
    auto pixels = randomRGBA(64 * 64, 26);
    for (size_t i = 0; i < pixels.size(); ++i) {
        // Smooth structure under the noise, so every stage has something to work on.
        pixels[i].red = uint8_t((pixels[i].red / 4) + (i % 64) * 2);
        pixels[i].green = uint8_t((pixels[i].green / 4) + (i / 64) * 2);
    }
    desaturateImage(pixels.data(), pixels.data(), 64, 64, 4, 0.6f);
    RDFX_HistEq_UCHAR(pixels.data(), pixels.data(), 64, 64, 8, 256, 5.0f);
    contrastStrechImage(pixels.data(), pixels.data(), 64, 64, 4);
    blurImage(pixels.data(), pixels.data(), 64, 64, 4, 4, 4);
    EXPECT_EQ(fingerprint(pixels), 2679041565438832370ull);
}
