#include "KTImageUtils.h"

#include "KTConcurrentQueue.h"
#include "KTDecodingFixtures.h"
#include "KTTestSupport.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <libraw/libraw.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

bool isNear(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) < 40 && std::abs(actual.green() - expected.green()) < 40 &&
           std::abs(actual.blue() - expected.blue()) < 40;
}

/// The colour at the middle of the image's top-left quadrant.
QColor topLeftColour(const QImage &image)
{
    return image.pixelColor(image.width() / 4, image.height() / 4);
}

/// The stored quadrant that an upright display shows at its top left, for each orientation.
QColor uprightTopLeft(int orientation)
{
    switch (orientation) {
    case 3:
        return kQuadrantBottomRight;
    case 6:
        return kQuadrantBottomLeft;
    case 8:
        return kQuadrantTopRight;
    default:
        return kQuadrantTopLeft;
    }
}

bool isTiff(const QByteArray &data)
{
    return data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4));
}

bool isJpeg(const QByteArray &data)
{
    return data.startsWith("\xff\xd8");
}

class KTImageUtilsTest : public ::testing::Test
{
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return path;
    }

    QTemporaryDir m_dir;
};

QVariantMap tiff(const QVariantMap &values)
{
    return {{QStringLiteral("{TIFF}"), values}};
}

} // namespace

TEST(KTImageUtilsMetadataTest, SizeAndOrientationFollowTheLookupOrder)
{
    const QVariantMap exifOnly{
        {QStringLiteral("{Exif}"),
         QVariantMap{{QStringLiteral("PixelXDimension"), 3000}, {QStringLiteral("PixelYDimension"), 2000}}}};
    QVariantMap invalidTopValidTiff = tiff({{QStringLiteral("Orientation"), 6}});
    invalidTopValidTiff[QStringLiteral("Orientation")] = 9;
    invalidTopValidTiff[QStringLiteral("PixelWidth")] = 6000;
    invalidTopValidTiff[QStringLiteral("PixelHeight")] = 4000;
    QVariantMap zeroTop = invalidTopValidTiff;
    zeroTop[QStringLiteral("Orientation")] = 0;
    const QVariantMap nothingValid{{QStringLiteral("Orientation"), 12}, {QStringLiteral("PixelWidth"), 10}};

    struct Case
    {
        const char *name;
        QVariantMap metadata;
        double width, height;
        int rawOrientation, orientation;
        QSizeF upright;
    };
    const Case cases[] = {
        {"exif dimensions only", exifOnly, 3000, 2000, 0, 1, {3000, 2000}},
        {"orientation 9 on top, 6 in TIFF", invalidTopValidTiff, 6000, 4000, 9, 6, {4000, 6000}},
        {"orientation 0 on top, 6 in TIFF", zeroTop, 6000, 4000, 0, 6, {4000, 6000}},
        {"no valid orientation", nothingValid, 10, 0, 12, 1, {10, 0}},
        {"empty dictionary", {}, 0, 0, 0, 1, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double width = -1, height = -1;
        int orientation = -1;
        KTImageUtils::getWidth(&width, &height, &orientation, c.metadata);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(orientation, c.rawOrientation);
        EXPECT_EQ(KTImageUtils::imageOrientationFromMetadata(c.metadata), c.orientation);
        EXPECT_EQ(KTImageUtils::imageSizeConsideringOrientationFromMetadata(c.metadata), c.upright);
        EXPECT_EQ(KTImageUtils::imageSizeFromMetadata(c.metadata), QSizeF(c.width, c.height));
    }
}

TEST(KTImageUtilsMetadataTest, QuarterTurnsExchangeWidthAndHeight)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QVariantMap metadata{{QStringLiteral("Orientation"), orientation},
                                   {QStringLiteral("PixelWidth"), 600},
                                   {QStringLiteral("PixelHeight"), 400}};
        const QSizeF expected = orientation >= 5 ? QSizeF(400, 600) : QSizeF(600, 400);
        EXPECT_EQ(KTImageUtils::imageSizeConsideringOrientationFromMetadata(metadata), expected)
            << orientation;
        EXPECT_EQ(KTImageUtils::imageSizeFromMetadata(metadata, KTImageUtils::Transform::Upright), expected);
    }
}

TEST_F(KTImageUtilsTest, JpegThumbnailsAreUprightAndOfTheRequestedLongestSide)
{
    for (int orientation : {1, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const QString path = write(QStringLiteral("o%1.jpg").arg(orientation),
                                   makeJpegWithExif(makeQuadrantImage({600, 400}), orientation));
        const QByteArray data = KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 300);
        ASSERT_TRUE(isJpeg(data));
        const QImage thumbnail = QImage::fromData(data);
        EXPECT_EQ(thumbnail.size(), orientation >= 5 ? QSize(200, 300) : QSize(300, 200));
        EXPECT_TRUE(isNear(topLeftColour(thumbnail), uprightTopLeft(orientation)));

        const QImage full = KTImageUtils::imageFromPath(path);
        EXPECT_EQ(full.size(), orientation >= 5 ? QSize(400, 600) : QSize(600, 400));
        EXPECT_TRUE(isNear(topLeftColour(full), uprightTopLeft(orientation)));
    }
}

TEST_F(KTImageUtilsTest, CameraSizedJpegThumbnailIsDecodedScaled)
{
    const QString path =
        write(QStringLiteral("big.jpg"), makeJpegWithExif(makeQuadrantImage({6000, 4000}), 6));
    const QImage thumbnail = QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 300));
    EXPECT_EQ(thumbnail.size(), QSize(200, 300));
    EXPECT_TRUE(isNear(topLeftColour(thumbnail), kQuadrantBottomLeft));
}

// A JPEG thumbnail is decoded at the whole DCT scale that covers it and reduced from there (or,
// when no whole scale covers it, by the reader): either way it is the image, upright, at the
// requested longest side.
TEST_F(KTImageUtilsTest, JpegThumbnailsAtEveryDctScaleAreTheWholeImageReduced)
{
    const struct
    {
        QSize size;
        int orientation;
        double longestSide;
    } cases[] = {
        {{1600, 1200}, 1, 500}, // 3/8 covers: 600 x 450, reduced to 500 x 375
        {{1600, 1200}, 6, 500}, // the same, turned
        {{2000, 1000}, 8, 900}, // 4/8 covers: 1000 x 500
        {{1601, 1201}, 1, 500}, // 3/8 is not whole: the reader scales
        {{800, 600}, 3, 400},   // 4/8 is exactly the thumbnail
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height() << " o" << c.orientation);
        const QString path = write(QStringLiteral("scale.jpg"),
                                   makeJpegWithExif(makePhotoLikeImage(c.size), c.orientation, 95));
        const QImage thumbnail = KTImageUtils::newCGImageThumbnailFromImageSource(
            KTImageSource::fromPath(path), c.longestSide, KTImageUtils::Transform::Upright);
        const QImage whole = KTImageUtils::imageFromPath(path);
        ASSERT_FALSE(whole.isNull());
        const QSize expected =
            whole.size().scaled(QSize(int(c.longestSide), int(c.longestSide)), Qt::KeepAspectRatio);
        ASSERT_EQ(thumbnail.size(), expected);
        const QImage reference = whole.scaled(expected, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .convertToFormat(QImage::Format_RGB32);
        const QImage actual = thumbnail.convertToFormat(QImage::Format_RGB32);
        double difference = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = actual.pixel(x, y);
                const QRgb b = reference.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
            }
        }
        EXPECT_LT(difference / (3.0 * expected.width() * expected.height()), 4.0);
    }
}

// A large JPEG decode (4 MB of pixels or more) fills an image the decoder is handed rather than one
// Qt's reader allocates: rows, padding and pixel format must come out exactly as the reader's own.
TEST_F(KTImageUtilsTest, LargeJpegDecodesGiveTheReadersOwnPixels)
{
    const struct
    {
        QSize size;
        bool grey;
        double longestSide; // 0: the whole image
    } cases[] = {
        {{1201, 901}, false, 0},     // rows of 4804 bytes
        {{2101, 2000}, true, 0},     // 8-bit grey, rows padded from 2101 to 2104 bytes
        {{2402, 1802}, false, 1201}, // 4/8 is the thumbnail itself: 1201 x 901
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.size.width() << "x" << c.size.height() << (c.grey ? " grey" : ""));
        QImage picture = makePhotoLikeImage(c.size);
        if (c.grey)
            picture = picture.convertToFormat(QImage::Format_Grayscale8);
        const QString path = write(QStringLiteral("large.jpg"), makeJpegWithExif(picture, 1, 90));
        QImageReader reader(path);
        if (c.longestSide > 0)
            reader.setScaledSize(c.size / 2);
        const QImage expected = reader.read();
        ASSERT_FALSE(expected.isNull());
        const QImage decoded = c.longestSide > 0 ? KTImageUtils::newCGImageThumbnailFromImageSource(
                                                       KTImageSource::fromPath(path), c.longestSide,
                                                       KTImageUtils::Transform::Upright)
                                                 : KTImageUtils::imageFromPath(path);
        EXPECT_EQ(decoded.format(), expected.format());
        EXPECT_EQ(decoded.size(), expected.size());
        EXPECT_TRUE(decoded == expected);
    }
}

TEST_F(KTImageUtilsTest, ThumbnailIsNeverLargerThanTheImage)
{
    const QString path = write(QStringLiteral("small.png"), QByteArray());
    ASSERT_TRUE(makeQuadrantImage({120, 80}).save(path, "png"));
    EXPECT_EQ(QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 300)).size(),
              QSize(120, 80));
    const QImage thumbnail = KTImageUtils::newCGImageThumbnailFromImageSource(
        KTImageSource::fromPath(path), 60, KTImageUtils::Transform::Stored);
    EXPECT_EQ(thumbnail.size(), QSize(60, 40));
}

TEST_F(KTImageUtilsTest, PngAlphaSurvivesFullDecode)
{
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 10, 0));
    for (int x = 0; x < 20; ++x)
        image.setPixelColor(x, 5, QColor(200, 10, 10, 255));
    const QString path = m_dir.filePath(QStringLiteral("alpha.png"));
    ASSERT_TRUE(image.save(path, "png"));

    const QImage decoded = KTImageUtils::imageFromRawQuick(path);
    ASSERT_TRUE(decoded.hasAlphaChannel());
    EXPECT_EQ(decoded.pixelColor(30, 10).alpha(), 0);
    EXPECT_EQ(decoded.pixelColor(3, 5), QColor(200, 10, 10, 255));
    EXPECT_EQ(QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 20)).size(),
              QSize(20, 10));
}

TEST_F(KTImageUtilsTest, OrdinaryImagesGiveNothingFromTheRawRoutes)
{
    const QString jpeg = write(QStringLiteral("plain.jpg"), makeJpegWithExif(makeQuadrantImage({64, 48}), 1));
    const QString png = m_dir.filePath(QStringLiteral("plain.png"));
    ASSERT_TRUE(makeQuadrantImage({64, 48}).save(png));
    for (const QString &path : {jpeg, png}) {
        EXPECT_TRUE(KTImageUtils::thumbnailDataFromRawQuick(path).isEmpty());
        QByteArray data("untouched");
        bool correction = true;
        KTImageUtils::getLibrawFillsizeThumbnail(&data, &correction, path);
        EXPECT_TRUE(data.isEmpty());
        EXPECT_FALSE(correction);
        EXPECT_TRUE(KTImageUtils::fullSizeThumbnailFromRaw(path).isNull());
        EXPECT_EQ(KTImageUtils::imageFromRawQuick(path).size(), QSize(64, 48));
    }
}

// The DNG fixtures are checked with LibRaw itself, so the RAW tests rest on files it accepts.
TEST_F(KTImageUtilsTest, DngFixturesOpenInLibRaw)
{
    const KTDngOptions optionSets[] = {{{64, 64}, KTDngPreview::Jpeg, {64, 64}, 1},
                                       {{64, 64}, KTDngPreview::Bitmap, {64, 48}, 1},
                                       {{64, 64}, KTDngPreview::None, {}, 1}};
    for (const KTDngOptions &options : optionSets) {
        const QString path = write(QStringLiteral("check.dng"), makeDng(options));
        LibRaw raw(0);
        ASSERT_EQ(raw.open_file(QFile::encodeName(path).constData()), LIBRAW_SUCCESS);
        EXPECT_EQ(raw.imgdata.sizes.iwidth, 64);
        EXPECT_EQ(raw.unpack(), LIBRAW_SUCCESS);
        EXPECT_EQ(raw.imgdata.thumbnail.twidth,
                  options.preview == KTDngPreview::None ? 0 : options.previewSize.width());
    }
}

TEST_F(KTImageUtilsTest, RawRoutesTakeThePreviewOrDevelopTheFile)
{
    struct Case
    {
        const char *name;
        KTDngOptions options;
        bool quickIsJpeg, quickIsTiff;
        bool fullIsJpeg; // else TIFF from a development or a bitmap preview
        QSize full;      // upright
        QSize thumbnail; // upright, at 32
        QColor thumbnailTopLeft;
    };
    const Case cases[] = {
        {"jpeg preview as wide as the image, orientation 6",
         {{64, 64}, KTDngPreview::Jpeg, {64, 48}, 6},
         true,
         false,
         true,
         {48, 64},
         {24, 32},
         kQuadrantBottomLeft},
        {"narrower jpeg preview",
         {{64, 64}, KTDngPreview::Jpeg, {32, 24}, 1},
         true,
         false,
         false,
         {64, 64},
         {32, 24},
         kQuadrantTopLeft},
        {"bitmap preview, orientation 3",
         {{64, 64}, KTDngPreview::Bitmap, {64, 48}, 3},
         false,
         true,
         false,
         {64, 48},
         {32, 24},
         kQuadrantBottomRight},
        {"raw data only, orientation 8",
         {{64, 48}, KTDngPreview::None, {}, 8},
         false,
         false,
         false,
         {48, 64},
         {24, 32},
         QColor()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(QStringLiteral("raw.dng"), makeDng(c.options));

        const QByteArray quick = KTImageUtils::thumbnailDataFromRawQuick(path);
        EXPECT_EQ(isJpeg(quick), c.quickIsJpeg);
        EXPECT_EQ(isTiff(quick), c.quickIsTiff);

        QByteArray data;
        bool correction = !c.fullIsJpeg;
        KTImageUtils::getLibrawFillsizeThumbnail(&data, &correction, path);
        EXPECT_EQ(correction, c.fullIsJpeg);
        EXPECT_TRUE(c.fullIsJpeg ? isJpeg(data) : isTiff(data));

        const QImage full = KTImageUtils::fullSizeThumbnailFromRaw(path);
        EXPECT_EQ(full.size(), c.full);
        EXPECT_EQ(KTImageUtils::imageFromRawQuick(path).size(), c.full);

        const QImage thumbnail = QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 32));
        EXPECT_EQ(thumbnail.size(), c.thumbnail);
        if (c.thumbnailTopLeft.isValid()) {
            EXPECT_TRUE(isNear(topLeftColour(thumbnail), c.thumbnailTopLeft));
        }
    }
}

// A PNG whose chunk claims 1.4 GB that the file does not hold (after or before the image data),
// and one whose header claims 40000 x 40000 pixels, beyond any photo, are refused by every route
// before a reader allocates for them; the same PNG with an honest extra chunk decodes.
TEST_F(KTImageUtilsTest, PngWithALyingChunkIsRefusedWithoutALargeAllocation)
{
    const QByteArray png = makePng(makeQuadrantImage({16, 16}));
    const qsizetype afterHeader = 8 + 25;  // signature, IHDR
    const qsizetype end = png.size() - 12; // IEND
    // 40000 x 40000, 8-bit RGBA.
    const QByteArray header = makePngChunk("IHDR", QByteArray("\0\0\x9c\x40\0\0\x9c\x40\x08\x06\0\0\0", 13));
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool decodes;
        bool headerRead; // the size and orientation of bytes in memory
    } cases[] = {
        {"1.4 GB iTXt after the image data", makePngWithLyingChunk(), false, false},
        {"1.4 GB iTXt before the image data", makePngWithLyingChunk(true), false, false},
        {"40000 x 40000 header", png.left(8) + header + png.mid(afterHeader), false, true},
        {"honest text chunk", png.left(end) + makePngChunk("tEXt", "Comment\0fine") + png.mid(end), true,
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(QStringLiteral("lying.png"), c.bytes);
        KTLogCapture log;
        KTLargestAllocation allocation;
        const QImage image = KTImageUtils::imageFromPath(path);
        const QByteArray thumbnail = KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 8);
        const QImage fromData = KTImageUtils::newCGImageThumbnailFromImageSource(
            KTImageSource::fromData(c.bytes), 8, KTImageUtils::Transform::Upright);
        QVariantMap header;
        KTImageUtils::getMetadataFromSource(KTImageSource::fromData(c.bytes), header);
        KTImageUtils::metadataDictionaryFromPath(path);
        if (allocation.largest()) {
            EXPECT_LT(*allocation.largest(), std::size_t(64) << 20);
        }
        EXPECT_EQ(image.isNull(), !c.decodes);
        EXPECT_EQ(thumbnail.isEmpty(), !c.decodes);
        EXPECT_EQ(fromData.isNull(), !c.decodes);
        EXPECT_EQ(header.isEmpty(), !c.headerRead);
        EXPECT_EQ(log.contains(QStringLiteral("refused")), !c.decodes);
    }
}

// RGB rows of width x 3 bytes that are not a multiple of 4 (15 and 62 px) come out of LibRaw
// packed and sit padded in a QImage: every route that turns them into TIFF data keeps each
// pixel in place, as the 16 px preview always did.
TEST_F(KTImageUtilsTest, FifteenPixelWideRawPreviewKeepsItsPixelsInPlace)
{
    const auto rgb = [](const QByteArray &tiff) {
        return QImage::fromData(tiff, "TIFF").convertToFormat(QImage::Format_RGB888);
    };
    const auto samePixels = [](const QImage &actual, const QImage &expected) {
        if (actual.size() != expected.size() || expected.isNull())
            return false;
        for (int y = 0; y < expected.height(); ++y) {
            if (memcmp(actual.constScanLine(y), expected.constScanLine(y), size_t(expected.width()) * 3) != 0)
                return false;
        }
        return true;
    };
    const auto fillsize = [](const QString &path) {
        QByteArray data;
        KTImageUtils::getLibrawFillsizeThumbnail(&data, nullptr, path);
        return data;
    };
    enum class Route
    {
        Quick,
        Fillsize,
    };
    const struct
    {
        const char *name;
        QSize rawSize;
        QSize previewSize; // no preview when empty
        Route route;
    } cases[] = {
        {"15 px bitmap preview", {32, 32}, {15, 12}, Route::Quick},
        {"16 px bitmap preview", {32, 32}, {16, 12}, Route::Quick},
        {"62 px bitmap preview as wide as the image", {62, 48}, {62, 48}, Route::Fillsize},
        {"62 px development", {62, 48}, {}, Route::Fillsize},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage preview = makePhotoLikeImage(c.previewSize.isEmpty() ? QSize(8, 8) : c.previewSize)
                                   .convertToFormat(QImage::Format_RGB888);
        const QString path =
            write(QStringLiteral("odd.dng"),
                  makeDng({c.rawSize, c.previewSize.isEmpty() ? KTDngPreview::None : KTDngPreview::Bitmap,
                           c.previewSize, 1, preview}));
        const QImage expected =
            c.previewSize.isEmpty()
                ? KTImageUtils::fullSizeThumbnailFromRaw(path).convertToFormat(QImage::Format_RGB888)
                : preview;
        ASSERT_FALSE(expected.isNull());
        const QByteArray tiff =
            c.route == Route::Quick ? KTImageUtils::thumbnailDataFromRawQuick(path) : fillsize(path);
        ASSERT_TRUE(isTiff(tiff));
        EXPECT_TRUE(samePixels(rgb(tiff), expected));
    }
}

// A RAW preview without an orientation of its own is turned by the RAW file's orientation
// exactly as Qt turns a JPEG by its EXIF tag, mirrored orientations included.
TEST_F(KTImageUtilsTest, RawPreviewTakesTheFileOrientationLikeAJpegTakesItsTag)
{
    const auto corners = [](const QImage &image) {
        const int w = image.width(), h = image.height();
        return std::vector<QColor>{image.pixelColor(w / 4, h / 4), image.pixelColor(3 * w / 4, h / 4),
                                   image.pixelColor(w / 4, 3 * h / 4),
                                   image.pixelColor(3 * w / 4, 3 * h / 4)};
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QString jpeg =
            write(QStringLiteral("o.jpg"), makeJpegWithExif(makeQuadrantImage({64, 48}), orientation));
        const QString dng =
            write(QStringLiteral("o.dng"), makeDng({{64, 64}, KTDngPreview::Bitmap, {64, 48}, orientation}));
        const QImage expected = QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(jpeg, 64));
        const QImage actual = QImage::fromData(KTImageUtils::thumbnailJPEGDataFromImageAtPath(dng, 64));
        ASSERT_EQ(actual.size(), expected.size());
        const std::vector<QColor> want = corners(expected);
        const std::vector<QColor> got = corners(actual);
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_TRUE(isNear(got[i], want[i])) << "corner " << i;
    }
}

TEST_F(KTImageUtilsTest, BrokenAndForeignFilesGiveNoDataAndALogLine)
{
    const QByteArray jpeg = makeJpegWithExif(makePhotoLikeImage({64, 48}), 6);
    const QByteArray dng = makeDng({{64, 64}, KTDngPreview::Jpeg, {64, 64}, 1});
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"empty.jpg", {}},
        {"header-only.jpg", jpeg.left(300)},
        {"garbage.jpg", QByteArray(4096, '\x5a')},
        {"text.png", "not an image at all\n"},
        {"truncated.dng", dng.left(200)},
        {"picture.x3f", QByteArray("FOVb") + QByteArray(2048, '\x01')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(QString::fromLatin1(c.name), c.bytes);
        KTLogCapture log;
        EXPECT_TRUE(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 32).isEmpty());
        EXPECT_FALSE(log.lines().isEmpty());
        EXPECT_TRUE(KTImageUtils::thumbnailDataFromRawQuick(path).isEmpty());
        EXPECT_TRUE(KTImageUtils::imageFromRawQuick(path).isNull());
        EXPECT_TRUE(KTImageUtils::imageFromPath(path).isNull());
        // A cut file may keep readable metadata in its header; nothing else has any.
        if (!QString::fromLatin1(c.name).startsWith(QStringLiteral("header-only"))) {
            EXPECT_TRUE(KTImageUtils::metadataDictionaryFromPath(path).isEmpty());
        }
        if (QString::fromLatin1(c.name).endsWith(QStringLiteral(".x3f"))) {
            EXPECT_TRUE(log.contains(QStringLiteral("X3F")));
        }
    }
}

// The size that the properties promise is the size that the decoding delivers.
TEST_F(KTImageUtilsTest, PropertiesAgreeWithTheDecodedImage)
{
    const QString png = m_dir.filePath(QStringLiteral("m.png"));
    ASSERT_TRUE(makeQuadrantImage({50, 30}).save(png));
    const struct
    {
        QString path;
        int orientation;
        int storedOrientation; // 0: the file has no orientation tag
        QSize upright;
    } cases[] = {
        {write(QStringLiteral("m.jpg"), makeJpegWithExif(makeQuadrantImage({60, 40}), 6)), 6, 6, {40, 60}},
        {png, 1, 0, {50, 30}},
        {write(QStringLiteral("m.dng"), makeDng({{64, 48}, KTDngPreview::Jpeg, {64, 48}, 8})),
         8,
         8,
         {48, 64}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(c.path);
        EXPECT_EQ(KTImageUtils::imageOrientationFromMetadata(metadata), c.orientation);
        EXPECT_EQ(KTImageUtils::imageSizeConsideringOrientationFromMetadata(metadata), QSizeF(c.upright));
        EXPECT_EQ(KTImageUtils::imageFromRawQuick(c.path).size(), c.upright);
        double width = 0, height = 0;
        int orientation = 0;
        KTImageUtils::getWidth(&width, &height, &orientation, c.path);
        EXPECT_EQ(QSizeF(width, height),
                  c.orientation >= 5 ? QSizeF(c.upright.transposed()) : QSizeF(c.upright));
        EXPECT_EQ(orientation, c.storedOrientation);
    }

    QVariantMap inMemory;
    KTImageSource source = KTImageSource::fromData(makeJpegWithExif(makeQuadrantImage({60, 40}), 6));
    KTImageUtils::getMetadataFromSource(source, inMemory);
    EXPECT_EQ(KTImageUtils::imageSizeConsideringOrientationFromMetadata(inMemory), QSizeF(40, 60));
}

TEST_F(KTImageUtilsTest, MissingFileIsLoggedAndGivesNoSource)
{
    KTLogCapture log;
    const QString path = m_dir.filePath(QStringLiteral("missing.jpg"));
    EXPECT_EQ(KTImageUtils::newCGImageSourceFromPath(path), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to create CGImageSource from path ") + path));
    EXPECT_TRUE(KTImageUtils::metadataDictionaryFromPath(path).isEmpty());
    EXPECT_TRUE(KTImageUtils::metadataDictionaryFromPath(QString()).isEmpty());
    EXPECT_TRUE(KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 32).isEmpty());
}

TEST(KTImageUtilsBitmapTest, TiffDataFromBitmapIsLossless)
{
    const QImage image = makePhotoLikeImage({37, 11}); // odd width: rows are not 4-byte aligned
    QByteArray packed;
    for (int y = 0; y < image.height(); ++y)
        packed.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.width() * 3);
    const QByteArray tiffData =
        KTImageUtils::tiffDataFromBitmapRGB(reinterpret_cast<const uchar *>(packed.constData()), 37, 11);
    ASSERT_TRUE(isTiff(tiffData));
    const QImage decoded = QImage::fromData(tiffData).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(decoded.size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        EXPECT_EQ(memcmp(decoded.constScanLine(y), image.constScanLine(y), size_t(image.width()) * 3), 0)
            << y;
    EXPECT_TRUE(
        KTImageUtils::tiffDataFromBitmapRGB(reinterpret_cast<const uchar *>(packed.constData()), 0, 11)
            .isEmpty());
}

// Thumbnails run on many threads at once and full-size RAW work is serialised: both must give
// the same results as one at a time.
TEST_F(KTImageUtilsTest, ParallelDecodingMatchesSerialDecoding)
{
    const QString jpeg = write(QStringLiteral("p.jpg"), makeJpegWithExif(makePhotoLikeImage({320, 200}), 6));
    const QString dng = write(QStringLiteral("p.dng"), makeDng({{64, 64}, KTDngPreview::Jpeg, {32, 32}, 1}));
    const QByteArray jpegThumbnail = KTImageUtils::thumbnailJPEGDataFromImageAtPath(jpeg, 64);
    const QImage developed = KTImageUtils::fullSizeThumbnailFromRaw(dng);
    ASSERT_FALSE(developed.isNull());

    std::vector<int> mismatches(16, 0);
    KTConcurrentQueue::global().apply(16, [&](size_t i) {
        if (i % 2 == 0)
            mismatches[i] = KTImageUtils::thumbnailJPEGDataFromImageAtPath(jpeg, 64) != jpegThumbnail;
        else
            mismatches[i] = KTImageUtils::fullSizeThumbnailFromRaw(dng) != developed;
    });
    EXPECT_EQ(std::count(mismatches.begin(), mismatches.end(), 1), 0);
}

TEST_F(KTImageUtilsTest, FiftyMegapixelImagesDecodeOnceTheLimitIsRaised)
{
    KTImageUtils::raiseImageAllocationLimit();
    const QString path =
        write(QStringLiteral("50mp.jpg"), makeJpegWithExif(makeQuadrantImage({8660, 5774}), 1, 50));
    EXPECT_EQ(KTImageUtils::imageFromPath(path).size(), QSize(8660, 5774));
}
