#include "KTDictionaryExif.h"
#include "KTImageProperties.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <gtest/gtest.h>

namespace {

// A small JPEG with the given EXIF fields ("Exif.Photo.ExposureTime" -> "1/250", ...).
QString writeJpeg(const QTemporaryDir &dir, const QString &name,
                  const std::map<std::string, std::string> &fields)
{
    const QString path = dir.filePath(name);
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    EXPECT_TRUE(image.save(path, "JPEG"));
    if (!fields.empty()) {
        auto file = Exiv2::ImageFactory::open(path.toStdString());
        file->readMetadata();
        Exiv2::ExifData exif;
        for (const auto &[key, value] : fields)
            exif[key] = value;
        file->setExifData(exif);
        file->writeMetadata();
    }
    return path;
}

} // namespace

TEST(KTImagePropertiesTest, ReadsExifOfAJpegIntoItsDictionaries)
{
    QTemporaryDir dir;
    const std::string longModel(200, 'M');
    const QString path = writeJpeg(dir, "a.jpg",
                                   {{"Exif.Image.Make", "Canon"},
                                    {"Exif.Image.Model", longModel},
                                    {"Exif.Image.Orientation", "6"},
                                    {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                                    {"Exif.Photo.ExposureTime", "1/250"},
                                    {"Exif.Photo.FNumber", "28/10"},
                                    {"Exif.Photo.ISOSpeedRatings", "400"},
                                    {"Exif.Photo.LensModel", "EF50mm f/1.8"}});
    const QVariantMap p = KTImageProperties::propertiesAtPath(path);
    EXPECT_EQ(p.value("PixelWidth").toInt(), 48);
    EXPECT_EQ(p.value("PixelHeight").toInt(), 32);
    EXPECT_EQ(p.value("Orientation").toInt(), 6);
    EXPECT_EQ(KTDictionaryExif::cameraMaker(p), "Canon");
    EXPECT_EQ(KTDictionaryExif::cameraModel(p), QString::fromStdString(longModel));
    EXPECT_EQ(KTDictionaryExif::timeStamp(p), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    EXPECT_DOUBLE_EQ(KTDictionaryExif::exposureTime(p).value_or(0), 0.004);
    EXPECT_EQ(KTDictionaryExif::fNumberString(p), "2.8");
    EXPECT_EQ(KTDictionaryExif::ISO(p), "400");
    EXPECT_EQ(KTDictionaryExif::lensModel(p), "EF50mm f/1.8");
    EXPECT_EQ(KTDictionaryExif::imageSize(p), "32 x 48");
}

TEST(KTImagePropertiesTest, FilesWithoutUsableMetadataNeverThrow)
{
    QTemporaryDir dir;
    const QString plain = writeJpeg(dir, "plain.jpg", {});
    const QVariantMap p = KTImageProperties::propertiesAtPath(plain);
    EXPECT_EQ(p.value("PixelWidth").toInt(), 48);
    EXPECT_FALSE(p.contains("{Exif}"));

    const QString withExif =
        writeJpeg(dir, "full.jpg", {{"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"}});
    QFile full(withExif);
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();

    struct Case
    {
        const char *name;
        QByteArray content;
    };
    const Case cases[] = {
        {"empty.jpg", {}},
        {"garbage.jpg", QByteArray(4096, '\x5a')},
        {"truncated-header.jpg", bytes.left(40)},
        {"truncated-half.jpg", bytes.left(bytes.size() / 2)},
        {"text.cr2", "not a raw file"},
        {"nul.dng", QByteArray(100, '\0')},
    };
    for (const auto &c : cases) {
        QFile f(dir.filePath(c.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        const QVariantMap read = KTImageProperties::propertiesAtPath(f.fileName());
        EXPECT_FALSE(read.contains("{TIFF}")) << c.name;
    }
    EXPECT_TRUE(KTImageProperties::propertiesAtPath(dir.filePath("missing.jpg")).isEmpty());
    EXPECT_TRUE(KTImageProperties::propertiesAtPath(QString()).isEmpty());
    EXPECT_TRUE(KTImageProperties::propertiesAtPath(dir.path()).isEmpty());
}

#pragma GCC diagnostic pop
