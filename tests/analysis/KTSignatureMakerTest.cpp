#include "KTSignatureMaker.h"

#include "KTImageFixtures.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

KTSearchSettings sideOf(int side)
{
    KTSearchSettings settings;
    settings.imageSize = side;
    return settings;
}

} // namespace

TEST(KTSignatureMakerTest, ReadsShootingFactsFromExif)
{
    const QTemporaryDir dir;
    const std::string longModel(200, 'M');
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(writeJpegWithExif(path, {{"Exif.Photo.DateTimeOriginal", "2026:06:01 09:00:05"},
                                         {"Exif.Photo.ExposureTime", "1/250"},
                                         {"Exif.Photo.FNumber", "28/10"},
                                         {"Exif.Photo.Flash", "9"},
                                         {"Exif.Photo.FocalLength", "50/1"},
                                         {"Exif.Image.Model", longModel}}));
    auto signature = KTImageSignature::create();
    FillSignatureMetadataFromFile(signature.get(), path);
    EXPECT_EQ(signature->shotTime, double(QDateTime(QDate(2026, 6, 1), QTime(9, 0, 5)).toSecsSinceEpoch()));
    EXPECT_DOUBLE_EQ(signature->exposureTime, 0.004);
    EXPECT_DOUBLE_EQ(signature->fNumber, 2.8);
    EXPECT_EQ(signature->flashFired, 1);
    EXPECT_EQ(signature->focalLength, 50);
    EXPECT_EQ(signature->exposureBias, -1.0);
    EXPECT_EQ(std::string(signature->cameraModel), longModel.substr(0, 127));
    EXPECT_EQ(std::strlen(signature->exifDigest), 32u);
    FillSignatureMetadataFromFile(nullptr, path); // nothing to fill, nothing happens
}

TEST(KTSignatureMakerTest, ImageWithoutExifIsUndated)
{
    const QTemporaryDir dir;
    auto signature = KTImageSignature::create();
    const QString path = dir.filePath(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(writeJpegWithExif(path));
    FillSignatureMetadataFromFile(signature.get(), path);
    EXPECT_EQ(signature->shotTime, -1.0);
    EXPECT_EQ(signature->exposureTime, -1.0);
    EXPECT_EQ(signature->flashFired, -1);
    EXPECT_EQ(signature->exifDigest[0], '\0');
}

TEST(KTSignatureMakerTest, MakesTheThumbnailOfAnImageFile)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.jpg"));
    QImage wide(300, 100, QImage::Format_RGB32);
    wide.fill(QColor(200, 40, 40));
    ASSERT_TRUE(wide.save(path, "JPEG", 95));
    for (auto preview : {KTSignaturePreview::Yes, KTSignaturePreview::No}) {
        const auto signature = CreateHashFromImagePath(path, sideOf(16), preview);
        ASSERT_TRUE(signature);
        EXPECT_EQ(signature->imageType, 4);
        EXPECT_EQ(signature->size, 16u);
        EXPECT_NEAR(signature->pixels[0], 200, 6);
        EXPECT_NEAR(signature->pixels[4 * 255 + 1], 40, 6);
        EXPECT_EQ(signature->pixels[16 * 16 * 4], 0) << "nothing beyond N x N";
    }
    EXPECT_FALSE(CreateHashFromImagePath(dir.filePath(QStringLiteral("none.jpg")), sideOf(16),
                                         KTSignaturePreview::Yes));
    EXPECT_FALSE(CreateHashFromImagePath(path, sideOf(0), KTSignaturePreview::Yes));
}

// The picture is resampled to N x N whatever its size, and a blur radius far beyond the side (or
// not a number) is clamped where it is used instead of overflowing the kernel.
TEST(KTSignatureMakerTest, ProcessesAnyBufferAndClampsTheBlurRadius)
{
    std::vector<uint8_t> rgba(40 * 30 * 4);
    for (std::size_t p = 0; p < rgba.size(); ++p)
        rgba[p] = uint8_t((p * 37) % 251);
    KTSearchSettings settings = sideOf(16);
    settings.isUseBlur = true;
    settings.isUseContrastScretching = true;
    settings.isUseHistEq = true;
    settings.isUseColor = true;
    settings.colorSensitivity = 40;

    auto atSide = KTImageSignature::create();
    settings.blurRadius = 16;
    ASSERT_TRUE(CreateHashFromRGBA(rgba.data(), 40, 30, *atSide, settings));
    EXPECT_EQ(atSide->size, 16u);

    auto huge = KTImageSignature::create();
    settings.blurRadius = 1e12;
    ASSERT_TRUE(CreateHashFromRGBA(rgba.data(), 40, 30, *huge, settings));
    EXPECT_EQ(std::memcmp(huge->pixels, atSide->pixels, 16 * 16 * 4), 0);

    auto none = KTImageSignature::create();
    auto unblurred = KTImageSignature::create();
    settings.blurRadius = std::nan("");
    ASSERT_TRUE(CreateHashFromRGBA(rgba.data(), 40, 30, *none, settings));
    settings.isUseBlur = false;
    ASSERT_TRUE(CreateHashFromRGBA(rgba.data(), 40, 30, *unblurred, settings));
    EXPECT_EQ(std::memcmp(none->pixels, unblurred->pixels, 16 * 16 * 4), 0);

    EXPECT_FALSE(CreateHashFromRGBA(rgba.data(), 40, 30, *none, sideOf(129)));
}
