#include "KTImageUtils.h"

#include "KTDecodingFixtures.h"

#include <QBuffer>
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

} // namespace

// Damaged copies of every kind of fixture go through every route; the test passes when nothing
// crashes, hangs or trips the sanitizers.
TEST(KTImageUtilsFuzzTest, DamagedFilesNeverCrashAnyRoute)
{
    const struct
    {
        const char *suffix;
        QByteArray bytes;
    } fixtures[] = {
        {"jpg", makeJpegWithExif(makePhotoLikeImage({48, 32}), 6, 80, makeQuadrantImage({16, 12}))},
        {"png", pngWithAlpha()},
        {"dng", makeDng({{32, 32}, KTDngPreview::Jpeg, {32, 24}, 6})},
        {"dng", makeDng({{32, 32}, KTDngPreview::Bitmap, {16, 12}, 3})},
        {"dng", makeDng({{32, 32}, KTDngPreview::None, {}, 1})},
    };
    constexpr int kCopiesPerFixture = 300;

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(20261210);
    KTQuietLog quiet;
    int decoded = 0;
    for (const auto &fixture : fixtures) {
        for (int i = 0; i < kCopiesPerFixture; ++i) {
            const QString path =
                dir.filePath(QStringLiteral("copy.%1").arg(QString::fromLatin1(fixture.suffix)));
            ASSERT_TRUE(writeFileBytes(path, mutated(fixture.bytes, random)));
            KTImageUtils::metadataDictionaryFromPath(path);
            KTImageUtils::thumbnailDataFromRawQuick(path);
            decoded += !KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, 16).isEmpty();
            decoded += !KTImageUtils::imageFromRawQuick(path).isNull();
        }
    }
    // Some damaged copies still decode (a flipped byte in pixel data is harmless), so the
    // routes were really exercised, not refused at the door.
    EXPECT_GT(decoded, 0);
}
