#include "KTImageUtils.h"

#include "KTDecodingFixtures.h"
#include "KTDictionaryExif.h"
#include "KTFocusedRegionsStorage.h"
#include "KTImageFixtures.h"
#include "KTPropertyList.h"
#include "KTSearchSettings.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

/// Silences Qt's log while it lives: damaged files make every decoder complain at length.
class KTQuietLog
{
public:
    KTQuietLog()
        : m_previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}))
    {}
    ~KTQuietLog() { qInstallMessageHandler(m_previous); }
    KTQuietLog(const KTQuietLog &) = delete;
    KTQuietLog &operator=(const KTQuietLog &) = delete;

private:
    QtMessageHandler m_previous;
};

/// A damaged copy: cut at a random length, or with a few bytes overwritten at random places.
QByteArray mutated(const QByteArray &original, std::mt19937 &random)
{
    QByteArray copy = original;
    if (random() % 3 == 0) {
        copy.truncate(qsizetype(random() % quint32(original.size())));
        return copy;
    }
    const int flips = 1 + int(random() % 8);
    for (int i = 0; i < flips; ++i)
        copy[qsizetype(random() % quint32(copy.size()))] = char(random() & 0xff);
    return copy;
}

QByteArray pngWithAlpha()
{
    QImage image = makeQuadrantImage({24, 16}).convertToFormat(QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return data;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A JPEG whose size comes only from an EXIF pixel dimension beyond int.
QByteArray exifOnlyJpeg(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("exif-only.jpg"));
    writeExifOnlyJpeg(
        path, {{"Exif.Photo.PixelXDimension", "4110352768"}, {"Exif.Photo.FocalLength", "4294967295/1"}});
    return fileBytes(path);
}

// A JPEG whose Canon maker note lists 1,000 autofocus points, all in focus.
QByteArray thousandPointsJpeg(const QTemporaryDir &dir)
{
    std::vector<KTCanonAFPoint> points;
    for (int i = 0; i < 1000; ++i)
        points.push_back({-290 + (i % 40) * 15, -190 + (i / 40) * 15, 10, 10, true, true});
    const QString path = dir.filePath(QStringLiteral("af.jpg"));
    writeJpegWithExif(path, {{"Exif.Image.Make", "Canon"}, {"Exif.Canon.AFInfo", canonAFInfo(points)}},
                      QSize(600, 400));
    return fileBytes(path);
}

struct Fixture
{
    const char *suffix;
    QByteArray bytes;
    int copies;
    bool focusedRegions = false; // also built into a focused-regions storage
};

// Each fixture as it is and its damaged copies through every route; the number of decodes that
// gave an image.
int decodeThroughEveryRoute(const std::vector<Fixture> &fixtures, const QTemporaryDir &dir, unsigned seed)
{
    std::mt19937 random(seed);
    KTQuietLog quiet;
    int decoded = 0;
    for (const Fixture &fixture : fixtures) {
        EXPECT_FALSE(fixture.bytes.isEmpty()) << fixture.suffix;
        for (int i = 0; i <= fixture.copies; ++i) {
            const QString path =
                dir.filePath(QStringLiteral("copy.%1").arg(QString::fromLatin1(fixture.suffix)));
            if (!writeFileBytes(path, i == 0 ? fixture.bytes : mutated(fixture.bytes, random))) {
                ADD_FAILURE() << "cannot write " << path.toStdString();
                return decoded;
            }
            const QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(path);
            KTDictionaryExif::imageSize(metadata);
            KTDictionaryExif::focalLengthTrimmed(metadata);
            KTImageUtils::thumbnailDataFromRawQuick(path);
            decoded += !KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 16).isEmpty();
            decoded += !KTImageUtils::imageFromRawQuick(path).isNull();
            if (fixture.focusedRegions)
                KTFocusedRegionsStorage::initWithImageAtPath(path);
        }
    }
    return decoded;
}

} // namespace

// Damaged copies of every kind of fixture go through every route; the test passes when nothing
// crashes, hangs or trips the sanitizers. Some damaged copies still decode (a flipped byte in
// pixel data is harmless), so the routes were really exercised, not refused at the door.
TEST(KTImageUtilsFuzzTest, DamagedFilesNeverCrashAnyRoute)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<Fixture> fixtures = {
        {"jpg", makeJpegWithExif(makePhotoLikeImage({48, 32}), 6, 80, makeQuadrantImage({16, 12})), 300},
        {"png", pngWithAlpha(), 300},
        {"dng", makeDng({{32, 32}, KTDngPreview::Jpeg, {32, 24}, 6}), 300},
        {"dng", makeDng({{32, 32}, KTDngPreview::Bitmap, {16, 12}, 3}), 300},
    };
    EXPECT_GT(decodeThroughEveryRoute(fixtures, dir, 20261210), 0);
}

// The same for a DNG without a preview, which every route develops: a test of its own, as long
// as the others together.
TEST(KTImageUtilsFuzzTest, DamagedRawDataNeverCrashesTheDevelopment)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_GT(decodeThroughEveryRoute({{"dng", makeDng({{32, 32}, KTDngPreview::None, {}, 1}), 300}}, dir,
                                      20261213),
              0);
}

// The hostile files found before, as they are and damaged further: an EXIF pixel dimension and
// focal length beyond int, PNGs whose iTXt chunk claims 1.4 GB, a 15 px wide bitmap preview and
// a maker note of 1,000 autofocus points.
TEST(KTImageUtilsFuzzTest, HostileFilesAndTheirDamagedCopiesNeverCrashAnyRoute)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<Fixture> fixtures = {
        {"jpg", exifOnlyJpeg(dir), 100},
        {"png", makePngWithLyingChunk(), 100},
        {"png", makePngWithLyingChunk(true), 100},
        {"dng", makeDng({{32, 32}, KTDngPreview::Bitmap, {15, 12}, 1}), 100},
        {"jpg", thousandPointsJpeg(dir), 100, true},
    };
    EXPECT_GT(decodeThroughEveryRoute(fixtures, dir, 20261212), 0);
}

// Damaged copies of a settings file and of one nested 20,000 arrays deep go through the property
// list reader and the settings loader.
TEST(KTImageUtilsFuzzTest, DamagedSettingsFilesNeverCrashTheLoaders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QVariantList points;
    for (int k = 0; k < 5; ++k)
        points.append(QVariantMap{{QStringLiteral("X"), double(k)}, {QStringLiteral("Y"), 0.5}});
    const QByteArray settings = KTPropertyList::toXml(
        QVariantMap{{QStringLiteral("PictureSize"), 64}, {QStringLiteral("WeakeningFactorPoints"), points}});
    const QByteArray nested = "<plist version=\"1.0\"><dict><key>PictureSize</key><integer>64</integer>"
                              "<key>WeakeningFactorPoints</key>" +
                              QByteArray("<array>").repeated(20000) + QByteArray("</array>").repeated(20000) +
                              "</dict></plist>";
    std::mt19937 random(20261211);
    KTQuietLog quiet;
    int loaded = 0;
    for (const QByteArray &fixture : {settings, nested}) {
        for (int i = 0; i <= 100; ++i) {
            const QByteArray bytes = i == 0 ? fixture : mutated(fixture, random);
            const QString path = dir.filePath(QStringLiteral("settings.plist"));
            ASSERT_TRUE(writeFileBytes(path, bytes));
            KTPropertyList::fromXml(bytes);
            loaded += loadSettingsFromFile(path) != nullptr;
        }
    }
    EXPECT_GT(loaded, 0);
}
