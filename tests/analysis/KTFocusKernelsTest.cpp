#include "KTFocusKernels.h"
#include "KTPixelTestImages.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The focus-mask arguments the callers pass with the registered settings.
constexpr float kHighPassSize = 0.099f * 24 + 1;
constexpr float kSecondSize = 0.277f * 24 + 1;
constexpr float kThreshold = 0.319f * 25;

std::vector<uint8_t> grayOf(const std::vector<KTPixelRGBA> &pixels)
{
    std::vector<uint8_t> gray;
    for (const auto &p : pixels)
        gray.push_back(p.red);
    return gray;
}

} // namespace

TEST(KTFocusKernelsTest, GradientOfAStepEdgeIs228AlongTheEdgeAndZeroElsewhere)
{
    const int width = 8;
    const int height = 6;
    const auto gray = grayOf(stepEdgeRGBA(width, height, 4));
    std::vector<uint8_t> out(gray.size(), 99);
    gradient(gray.data(), out.data(), width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool interior = y > 0 && y < height - 1 && x > 0 && x < width - 1;
            // |Gx| = 4 * 255 = 1020, times 0.22447184 = 228.96, truncated.
            const int expected = interior && (x == 3 || x == 4) ? 228 : 0;
            EXPECT_EQ(out[size_t(y * width + x)], expected) << x << "," << y;
        }
    }
    auto inPlace = gray;
    gradient(inPlace.data(), inPlace.data(), width, height);
    EXPECT_EQ(inPlace, out);
}

TEST(KTFocusKernelsTest, HighPassCentresFlatAreasAt127)
{
    const std::vector<uint8_t> flat(5 * 4, 90);
    std::vector<uint8_t> out(flat.size());
    highPass(flat.data(), out.data(), KTImageGray, 5, 4, 3.0f);
    EXPECT_EQ(out, std::vector<uint8_t>(flat.size(), 127));

    // (src + 255 - blur) >> 1 with the 3 by 3 tent: blur 40 at the centre, 20 beside, 10 in the corners.
    std::vector<uint8_t> impulse = {0, 0, 0, 0, 160, 0, 0, 0, 0};
    highPass(impulse.data(), impulse.data(), KTImageGray, 3, 3, 3.9f);
    EXPECT_EQ(impulse, (std::vector<uint8_t>{122, 117, 122, 117, 187, 117, 122, 117, 122}));
}

TEST(KTFocusKernelsTest, SharpnessConvolutionSaturatesAndExtendsEdges)
{
    // 8 * centre - 2 * (four neighbours), the border repeating outward, saturated to 0..255.
    const std::vector<uint8_t> dip = {100, 100, 100, 100, 90, 100, 100, 100, 100};
    std::vector<uint8_t> out(9);
    processKernel8(dip.data(), out.data(), 3, 3, KTImageGray, kernelSharpness, 3, 3);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 20, 0, 20, 0, 20, 0, 20, 0}));

    std::vector<uint8_t> peak = {0, 0, 0, 0, 255, 0, 0, 0, 0};
    processKernel8(peak.data(), peak.data(), 3, 3, KTImageGray, kernelSharpness, 3, 3);
    EXPECT_EQ(peak, (std::vector<uint8_t>{0, 0, 0, 0, 255, 0, 0, 0, 0}));
}

TEST(KTFocusKernelsTest, UniformImageHasAnEmptyMaskAndNoFocusedCell)
{
    const std::vector<KTPixelRGBA> uniform(300 * 40, KTPixelRGBA{120, 130, 140, 0});
    std::vector<KTPixelRGBA> mask(uniform.size(), KTPixelRGBA{1, 1, 1, 1});
    EXPECT_EQ(focusMask(uniform.data(), mask.data(), 300, 40, kHighPassSize, kSecondSize, kThreshold, 1.0f),
              0);
    for (const auto &p : mask)
        ASSERT_TRUE(p.red == 0 && p.green == 0 && p.blue == 0 && p.alpha == 0);
    EXPECT_EQ(focusedRect(uniform.data(), nullptr, 300, 40, kHighPassSize, kSecondSize, kThreshold, 1.0f),
              createRect(0, 0, 0, 0));
}

TEST(KTFocusKernelsTest, MaskIsGreenGradientWithTheOpacityByte)
{
    const int width = 40;
    const int height = 30;
    const auto edge = stepEdgeRGBA(width, height, 20);
    for (const auto &[opacity, alpha] : {std::pair{1.0f, 255}, std::pair{0.5f, 127}}) {
        std::vector<KTPixelRGBA> mask(edge.size());
        const int64_t sum = focusMask(edge.data(), mask.data(), width, height, kHighPassSize, kSecondSize,
                                      kThreshold, opacity);
        int64_t green = 0;
        for (const auto &p : mask) {
            ASSERT_EQ(p.red, 0);
            ASSERT_EQ(p.blue, 0);
            ASSERT_EQ(p.alpha, p.green != 0 ? alpha : 0);
            green += p.green;
        }
        EXPECT_GT(sum, 0);
        EXPECT_EQ(sum, green);
    }
}

TEST(KTFocusKernelsTest, FocusedCellFollowsTheLatticeOfTheWidth)
{
    struct Case
    {
        const char *name;
        int width;
        int height;
        int edgeColumn;
        RDRect expected;
    };
    const Case cases[] = {
        {"narrower than 240: no cells", 239, 50, 100, {0, 0, 0, 0}},
        {"one cell: the whole image", 240, 60, 120, {0, 0, 240, 60}},
        // The left cells of the upper and lower row hold the same edge: the earlier wins.
        {"tie keeps the earlier cell", 480, 240, 120, {0, 0, 240, 120}},
        // Four rows over three pixels: a row of height 0 counts as nothing instead of failing.
        {"shorter than the cell count", 1000, 3, 100, {0, 1, 250, 1}},
        {"above 1204: five cells a side", 1300, 10, 1100, {1040, 2, 260, 2}},
    };
    for (const auto &c : cases) {
        const auto image = stepEdgeRGBA(c.width, c.height, c.edgeColumn);
        std::vector<KTPixelRGBA> mask(image.size());
        EXPECT_EQ(focusedRect(image.data(), mask.data(), c.width, c.height, kHighPassSize, kSecondSize,
                              kThreshold, 1.0f),
                  c.expected)
            << c.name;
        std::vector<KTPixelRGBA> direct(image.size());
        focusMask(image.data(), direct.data(), c.width, c.height, kHighPassSize, kSecondSize, kThreshold,
                  1.0f);
        EXPECT_EQ(std::memcmp(mask.data(), direct.data(), mask.size() * 4), 0) << c.name;
    }
}

TEST(KTFocusKernelsTest, ExposureMarksClippedHighlightsRedAndCrushedShadowsBlue)
{
    struct Case
    {
        KTPixelRGBA in;
        KTPixelRGBA out;
    };
    const KTPixelRGBA red{255, 0, 0, 255};
    const KTPixelRGBA blue{0, 0, 255, 255};
    const KTPixelRGBA clear{0, 0, 0, 0};
    const Case cases[] = {
        {{255, 255, 255, 0}, red},   {{254, 254, 254, 9}, red}, {{253, 255, 255, 0}, clear},
        {{0, 0, 0, 255}, blue},      {{1, 1, 0, 0}, blue},      {{2, 0, 0, 0}, clear},
        {{128, 128, 128, 0}, clear},
    };
    std::vector<KTPixelRGBA> in;
    for (const auto &c : cases)
        in.push_back(c.in);
    in.resize(8 * 3, KTPixelRGBA{100, 100, 100, 0}); // several rows, so rows run side by side
    std::vector<KTPixelRGBA> out(in.size(), KTPixelRGBA{9, 9, 9, 9});
    findExposurePixelsInBuffer(in.data(), out.data(), 3, 8, 4);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const KTPixelRGBA &o = out[i];
        const KTPixelRGBA &e = cases[i].out;
        EXPECT_TRUE(o.red == e.red && o.green == e.green && o.blue == e.blue && o.alpha == e.alpha) << i;
    }
    EXPECT_EQ(out.back().alpha, 0);
}

TEST(KTFocusKernelsTest, DebugWriterSavesATiffBesideThePath)
{
    QTemporaryDir dir;
    const std::vector<KTPixelRGBA> pixels = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0},
                                             {9, 9, 9, 0},   {0, 0, 0, 0},   {255, 255, 255, 0}};
    const QString base = dir.filePath(QStringLiteral("cell_focusROI"));
    const QString written = RD_SaveTiffFromDataPath(pixels.data(), base, 1, 4, 3, 2);
    EXPECT_EQ(written, base + QStringLiteral(".tiff"));
    const QImage image(written);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixelColor(1, 0), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(0, 1), QColor(9, 9, 9));
}

TEST(KTFocusKernelsDeathTest, KernelsRefuseBadArgumentsNamingThemselves)
{
    std::vector<uint8_t> a(16);
    std::vector<uint8_t> b(16);
    EXPECT_DEATH(highPass(a.data(), b.data(), KTImageRGBA, 2, 2, 3.0f),
                 literally("highPass(...) ERROR! not known imageType format or it isn't implemented"));
    EXPECT_DEATH(processKernel8(a.data(), b.data(), 4, 4, KTImageRGBA, kernelSharpness, 3, 3),
                 literally("processKernel(...) ERROR! unknown type of KTImageType (or not implemented)"));
    EXPECT_DEATH(processKernel8(a.data(), b.data(), 4, 4, KTImageGray, kernelSharpness, 2, 3),
                 literally("processKernel8(...) --> vImageConvolve_Planar8(...) ERROR! error 3"));
}
