#include "KTDictionaryExif.h"
#include "KTImageFixtures.h"
#include "KTImageProperties.h"
#include "KTTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QVariantMap withExif(const QVariantMap &exif)
{
    return {{kImagePropertyExifDictionary, exif}};
}

struct DisplayCase
{
    const char *label;
    QString (*read)(const QVariantMap &);
    QVariantMap properties;
    QString expected; // a null QString means nil
};

void expectDisplayStrings(std::initializer_list<DisplayCase> cases)
{
    for (const DisplayCase &c : cases) {
        const QString actual = c.read(c.properties);
        EXPECT_EQ(actual.toStdString(), c.expected.toStdString()) << c.label;
        EXPECT_EQ(actual.isNull(), c.expected.isNull()) << c.label;
    }
}

} // namespace

TEST(KTDictionaryExifTest, DatesFallBackToTheTIFFDateAndRejectBadText)
{
    const QVariantMap tiffOnly{
        {kImagePropertyTIFFDictionary, QVariantMap{{"DateTime", "2023:07:14 18:05:09"}}}};
    EXPECT_FALSE(KTDictionaryExif::timeStamp(tiffOnly).isValid());
    EXPECT_EQ(KTDictionaryExif::creationDate(tiffOnly), QDateTime(QDate(2023, 7, 14), QTime(18, 5, 9)));

    const QVariantMap both{
        {kImagePropertyExifDictionary, QVariantMap{{"DateTimeOriginal", "2024:01:02 03:04:05"}}},
        {kImagePropertyTIFFDictionary, QVariantMap{{"DateTime", "2023:07:14 18:05:09"}}}};
    EXPECT_EQ(KTDictionaryExif::creationDate(both), QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));

    KTLogCapture log;
    const QVariantMap bad{{kImagePropertyTIFFDictionary, QVariantMap{{"DateTime", "0000:00:00 00:00:00"}}}};
    EXPECT_FALSE(KTDictionaryExif::creationDate(bad).isValid());
    EXPECT_TRUE(log.contains("error parsing TIFF date 0000:00:00 00:00:00"));
    EXPECT_TRUE(KTDictionaryExif::dateString(bad).isNull());
    EXPECT_FALSE(KTDictionaryExif::dateString(both).isEmpty());
}

TEST(KTDictionaryExifTest, DisplayStrings)
{
    expectDisplayStrings({
        {"exposure 1/250", KTDictionaryExif::exposureTimeString, withExif({{"ExposureTime", 0.004}}),
         "1/250 sec"},
        {"exposure 0.3", KTDictionaryExif::exposureTimeString, withExif({{"ExposureTime", 0.3}}), "1/3 sec"},
        {"exposure 2", KTDictionaryExif::exposureTimeString, withExif({{"ExposureTime", 2.0}}), "2 sec"},
        {"exposure 1.5", KTDictionaryExif::exposureTimeString, withExif({{"ExposureTime", 1.5}}), "2 sec"},
        {"exposure 0", KTDictionaryExif::exposureTimeString, withExif({{"ExposureTime", 0.0}}), QString()},
        {"exposure absent", KTDictionaryExif::exposureTimeString, {}, QString()},
        {"f-number", KTDictionaryExif::fNumberString, withExif({{"FNumber", 2.8}}), "2.8"},
        {"ISO first", KTDictionaryExif::ISO, withExif({{"ISOSpeedRatings", QVariantList{400, 800}}}), "400"},
        {"ISO absent", KTDictionaryExif::ISO, {}, QString()},
        {"focal whole", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", 50.0}}), "50"},
        {"focal half", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", 50.5}}), "50.5"},
        {"bias -0.33", KTDictionaryExif::exposureBias, withExif({{"ExposureBiasValue", -0.33}}), "-0.3 EV"},
        {"bias 0.7", KTDictionaryExif::exposureBias, withExif({{"ExposureBiasValue", 0.7}}), "+0.7 EV"},
        {"bias 0", KTDictionaryExif::exposureBias, withExif({{"ExposureBiasValue", 0.0}}), "0 EV"},
        {"bias absent", KTDictionaryExif::exposureBias, {}, "0 EV"},
        {"flash 16", KTDictionaryExif::flashFiredString, withExif({{"Flash", 16}}), "NO"},
        {"flash 25", KTDictionaryExif::flashFiredString, withExif({{"Flash", 25}}), "YES"},
        {"flash absent", KTDictionaryExif::flashFiredString, {}, QString()},
        {"program 3", KTDictionaryExif::exposureProgramString, withExif({{"ExposureProgram", 3}}),
         "Aperture priority"},
        {"program 9", KTDictionaryExif::exposureProgramString, withExif({{"ExposureProgram", 9}}), QString()},
        {"program -1", KTDictionaryExif::exposureProgramString, withExif({{"ExposureProgram", -1}}),
         QString()},
        {"dpi 0", KTDictionaryExif::dpiWidthString, {{"DPIWidth", 0}}, "72.0"},
        {"dpi 300", KTDictionaryExif::dpiHeightString, {{"DPIHeight", 300}}, "300.0"},
        {"dpi absent", KTDictionaryExif::dpiWidthString, {}, "72.0"},
        {"size turned",
         KTDictionaryExif::imageSize,
         {{"PixelWidth", 6000}, {"PixelHeight", 4000}, {"Orientation", 6}},
         "4000 x 6000"},
        {"size absent", KTDictionaryExif::imageSize, {}, "0 x 0"},
    });
}

// A pixel dimension or focal length that no int holds (a damaged or hostile EXIF value) reads as
// unknown: the width and height as missing ones do (0), the focal length as nil; a negative
// dimension is no size either. The file holds nothing but its EXIF, so the size can come from
// nowhere but the EXIF dimension.
TEST(KTDictionaryExifTest, OversizedExifDimensionReadsAsUnknown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("exif-only.jpg"));
    ASSERT_TRUE(writeExifOnlyJpeg(path, {{"Exif.Photo.PixelXDimension", "4110352768"}}));
    const QVariantMap fromFile = KTImageProperties::propertiesAtPath(path);
    ASSERT_EQ(fromFile.value(kImagePropertyExifDictionary).toMap().value(kImagePropertyExifPixelXDimension),
              QVariant(qlonglong(4110352768)));

    const double nan = std::nan("");
    const double infinity = std::numeric_limits<double>::infinity();
    // The size every view and decoder is given reads such sides as unknown too.
    const struct
    {
        const char *name;
        QVariantMap properties;
        QSizeF size;
    } sizes[] = {
        {"the file", fromFile, {0, 0}},
        {"negative width, height not a number", {{"PixelWidth", -6000}, {"PixelHeight", nan}}, {0, 0}},
        {"height turned beyond int",
         {{"PixelWidth", 6000}, {"PixelHeight", 1e12}, {"Orientation", 6}},
         {0, 6000}},
        {"largest int", {{"PixelWidth", 2147483647}, {"PixelHeight", 1}}, {2147483647, 1}},
    };
    for (const auto &c : sizes) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KTImageProperties::imageSize(c.properties, KTImageProperties::SizeTransform::Apply),
                  c.size);
    }
    expectDisplayStrings({
        {"the file", KTDictionaryExif::imageSize, fromFile, "0 x 0"},
        {"Exif width beyond int", KTDictionaryExif::imageSize,
         withExif({{"PixelXDimension", qlonglong(4110352768)}, {"PixelYDimension", 3000}}), "0 x 3000"},
        {"height turned beyond int",
         KTDictionaryExif::imageSize,
         {{"PixelWidth", 6000}, {"PixelHeight", 1e12}, {"Orientation", 6}},
         "0 x 6000"},
        {"negative width",
         KTDictionaryExif::imageSize,
         {{"PixelWidth", -6000}, {"PixelHeight", 4000}},
         "0 x 4000"},
        {"height not a number",
         KTDictionaryExif::imageSize,
         {{"PixelWidth", 6000}, {"PixelHeight", nan}},
         "6000 x 0"},
        {"largest int",
         KTDictionaryExif::imageSize,
         {{"PixelWidth", 2147483647}, {"PixelHeight", 1}},
         "2147483647 x 1"},
        {"focal beyond int", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", 4110352768.0}}),
         QString()},
        {"focal 1e300", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", 1e300}}), QString()},
        {"focal infinite", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", infinity}}),
         QString()},
        {"focal not a number", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", nan}}),
         QString()},
        {"focal largest int", KTDictionaryExif::focalLengthTrimmed, withExif({{"FocalLength", 2147483647.0}}),
         "2147483647"},
    });
}

TEST(KTImagePropertiesTest, SizeAndOrientationReadings)
{
    // Width from the Exif dimension when the top level lacks it; nothing gives 0.
    double width = -1;
    double height = -1;
    int orientation = -1;
    KTImageProperties::getWidthHeightOrientation(
        &width, &height, &orientation, withExif({{"PixelXDimension", 640}, {"PixelYDimension", 480}}));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(orientation, 0);
    KTImageProperties::getWidthHeightOrientation(&width, nullptr, nullptr, {});
    EXPECT_EQ(width, 0);

    const QVariantMap tiffSix{{kImagePropertyTIFFDictionary, QVariantMap{{"Orientation", 6}}}};
    struct Case
    {
        QVariant top;
        int expected;
    };
    for (const Case &c : {Case{0, 6}, Case{9, 6}, Case{QVariant(), 6}, Case{3, 3}}) {
        QVariantMap properties = tiffSix;
        if (c.top.isValid())
            properties.insert("Orientation", c.top);
        EXPECT_EQ(KTImageProperties::imageOrientation(properties), c.expected) << c.top.toInt();
    }
    EXPECT_EQ(KTImageProperties::imageOrientation({}), 1);

    for (int o = 1; o <= 8; ++o) {
        const QVariantMap properties{{"PixelWidth", 30}, {"PixelHeight", 20}, {"Orientation", o}};
        const QSizeF expected = o >= 5 ? QSizeF(20, 30) : QSizeF(30, 20);
        EXPECT_EQ(KTImageProperties::imageSizeConsideringOrientation(properties), expected) << o;
        EXPECT_EQ(KTImageProperties::imageSize(properties, KTImageProperties::SizeTransform::Apply), expected)
            << o;
        EXPECT_EQ(KTImageProperties::imageSize(properties), QSizeF(30, 20)) << o;
    }
}

TEST(KTImagePropertiesTest, RawExtensionTable)
{
    struct Case
    {
        const char *path;
        bool raw;
    };
    const Case cases[] = {
        {"/p/IMG_1.CR2", true}, {"/p/a.dng", true},  {"/p/a.X3F", true},  {"/p/a.nef", true},
        {"/p/a.cr3", true},     {"/p/a.jpg", false}, {"/p/a.tif", false}, {"/p/raw", false},
        {"/p.nef/a", false},    {"/p/a.", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTImageProperties::isRawPath(QString::fromLatin1(c.path)), c.raw) << c.path;
}
