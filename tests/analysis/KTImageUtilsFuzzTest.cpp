#include "KTImageUtils.h"

#include "KTCatalogModel.h"
#include "KTCatalogStore.h"
#include "KTDecodingFixtures.h"
#include "KTDictionaryExif.h"
#include "KTFocusedRegionsStorage.h"
#include "KTImageFixtures.h"
#include "KTObjectContext.h"
#include "KTPropertyList.h"
#include "KTSearchSettings.h"
#include "KTSessionFixtures.h"
#include "KTSqliteDatabase.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
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

// A JPEG whose size comes only from an EXIF pixel dimension beyond int, with a focal length too.
QByteArray exifOnlyJpeg(const QString &path)
{
    writeExifOnlyJpeg(
        path, {{"Exif.Photo.PixelXDimension", "4110352768"}, {"Exif.Photo.FocalLength", "4294967295/1"}});
    return fileBytes(path);
}

// A JPEG whose Canon maker note lists 1,000 autofocus points, all in focus.
QByteArray thousandPointsJpeg(const QString &path)
{
    std::vector<KTCanonAFPoint> points;
    for (int i = 0; i < 1000; ++i)
        points.push_back({-290 + (i % 40) * 15, -190 + (i / 40) * 15, 10, 10, true, true});
    writeJpegWithExif(path, {{"Exif.Image.Make", "Canon"}, {"Exif.Canon.AFInfo", canonAFInfo(points)}},
                      QSize(600, 400));
    return fileBytes(path);
}

// Opens a session store as the catalogue does (read-write, so an old schema is brought up to
// date) and loads its records into a fresh session; the number of images, or -1 when the store
// refused the file.
qsizetype imagesInSessionStore(const QString &path)
{
    std::vector<KTRecordValues> records;
    {
        KTCatalogStore store(KTCatalogModel::sharedModel());
        if (!store.open(path, KTCatalogStore::Access::ReadWrite) || !store.readAllRecords(&records))
            return -1;
    }
    auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    context->loadStoredObjects(std::move(records));
    return context->count({kImageEntityName, {}, {}});
}

// Replaces the store at `path` and the journal files beside it by `bytes`, so no journal of an
// earlier copy is replayed into this one.
bool writeSessionStore(const QString &path, const QByteArray &bytes)
{
    for (const char *journal : {"-wal", "-shm"})
        QFile::remove(path + QLatin1String(journal));
    return writeFileBytes(path, bytes);
}

struct FuzzFixture
{
    const char *name;
    const char *suffix;
    // Builds the bytes; may use the path as scratch.
    std::function<QByteArray(const QString &path)> make;
    int copies;
    bool someDecode;     // damaged copies are expected to decode now and then
    bool focusedRegions; // also built into a focused-regions storage
};

const FuzzFixture kFuzzFixtures[] = {
    {"Jpeg", "jpg",
     [](const QString &) {
         return makeJpegWithExif(makePhotoLikeImage({48, 32}), 6, 80, makeQuadrantImage({16, 12}));
     },
     300, true, false},
    {"PngWithAlpha", "png", [](const QString &) { return pngWithAlpha(); }, 300, true, false},
    {"DngWithJpegPreview", "dng",
     [](const QString &) {
         return makeDng({{32, 32}, KTDngPreview::Jpeg, {32, 24}, 6});
     },
     300, true, false},
    {"DngWithBitmapPreview", "dng",
     [](const QString &) {
         return makeDng({{32, 32}, KTDngPreview::Bitmap, {16, 12}, 3});
     },
     300, true, false},
    {"DngWithoutPreview", "dng",
     [](const QString &) {
         return makeDng({{32, 32}, KTDngPreview::None, {}, 1});
     },
     300, true, false},
    // The hostile files found before.
    {"ExifDimensionBeyondInt", "jpg", exifOnlyJpeg, 100, false, false},
    {"PngChunkClaiming14GBAfterTheImage", "png", [](const QString &) { return makePngWithLyingChunk(); }, 100,
     false, false},
    {"PngChunkClaiming14GBBeforeTheImage", "png", [](const QString &) { return makePngWithLyingChunk(true); },
     100, false, false},
    {"Dng15PixelBitmapPreview", "dng",
     [](const QString &) {
         return makeDng({{32, 32}, KTDngPreview::Bitmap, {15, 12}, 1});
     },
     100, true, false},
    {"Jpeg1000AutofocusPoints", "jpg", thousandPointsJpeg, 100, true, true},
};

void PrintTo(const FuzzFixture &fixture, std::ostream *out)
{
    *out << fixture.name;
}

class KTImageUtilsFuzzTest : public ::testing::TestWithParam<FuzzFixture>
{
};

} // namespace

// A fixture as it is and its damaged copies go through every route; the test passes when nothing
// crashes, hangs or trips the sanitizers. Where damaged copies are expected to decode now and
// then (a flipped byte in pixel data is harmless), some must, so the routes were really
// exercised, not refused at the door. One test per fixture, so that each stays short.
TEST_P(KTImageUtilsFuzzTest, DamagedFilesNeverCrashAnyRoute)
{
    const FuzzFixture &fixture = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("copy.%1").arg(QString::fromLatin1(fixture.suffix)));
    const QByteArray bytes = fixture.make(path);
    ASSERT_FALSE(bytes.isEmpty());

    std::mt19937 random(20261210);
    KTQuietLog quiet;
    int decoded = 0;
    for (int i = 0; i <= fixture.copies; ++i) {
        ASSERT_TRUE(writeFileBytes(path, i == 0 ? bytes : mutated(bytes, random)));
        const QVariantMap metadata = KTImageUtils::metadataDictionaryFromPath(path);
        KTDictionaryExif::imageSize(metadata);
        KTDictionaryExif::focalLengthTrimmed(metadata);
        KTImageUtils::thumbnailDataFromRawQuick(path);
        decoded += !KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 16).isEmpty();
        decoded += !KTImageUtils::imageFromRawQuick(path).isNull();
        if (fixture.focusedRegions)
            KTFocusedRegionsStorage::initWithImageAtPath(path);
    }
    if (fixture.someDecode) {
        EXPECT_GT(decoded, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, KTImageUtilsFuzzTest, ::testing::ValuesIn(kFuzzFixtures),
                         [](const ::testing::TestParamInfo<FuzzFixture> &info) { return info.param.name; });

// Damaged copies of a settings file and of one nested 20,000 arrays deep go through the property
// list reader and the settings loader.
TEST(KTPropertyListFuzzTest, DamagedSettingsFilesNeverCrashTheLoaders)
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

// The one-row session stores of damaged record ids found before, as they were found, and damaged
// copies of a small saved session go through the store's reader into a session. Every record of
// the hostile ids opens; nothing crashes, hangs or trips the sanitizers.
TEST(KTSessionStoreFuzzTest, DamagedSessionStoresNeverCrashTheReader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Vireoscope.storedata"));
    KTQuietLog quiet;

    const struct
    {
        const char *id;
        qsizetype images;
    } rows[] = {{"-1", 1}, {"9223372036854775807", 1}, {"400000000", 1}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.id);
        ASSERT_TRUE(writeSessionStore(path, {}));
        {
            KTSqliteDatabase db;
            ASSERT_TRUE(db.open(path, KTSqliteDatabase::Mode::ReadWriteCreate));
            ASSERT_TRUE(db.execute(QStringLiteral("CREATE TABLE Image(Z_PK INTEGER PRIMARY KEY)")));
            ASSERT_TRUE(
                db.execute(QStringLiteral("INSERT INTO Image VALUES(%1)").arg(QLatin1String(row.id))));
        }
        EXPECT_EQ(imagesInSessionStore(path), row.images);
    }

    ASSERT_TRUE(writeSessionStore(path, {}));
    {
        KTCatalogStore store(KTCatalogModel::sharedModel());
        ASSERT_TRUE(store.open(path, KTCatalogStore::Access::ReadWrite));
        auto context = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
        fillCatalog(*context, 12);
        context->setSaveHandler([&](const KTChangeSet &changes, QString *) { return store.save(changes); });
        ASSERT_TRUE(context->save());
    }
    const QByteArray session = fileBytes(path);
    ASSERT_EQ(imagesInSessionStore(path), 12);
    std::mt19937 random(20261212);
    int opened = 0;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(writeSessionStore(path, mutated(session, random)));
        opened += imagesInSessionStore(path) >= 0;
    }
    EXPECT_GT(opened, 0);
}
