// The decode of a signature: a JPEG once, at the smallest DCT scale that covers twice the
// signature's side, upright; and the smallest thumbnail it leaves for the photo's first thumbnail
// entity.

#include "KTDecodingFixtures.h"
#include "KTFirstThumbnailStore.h"
#include "KTImageFixtures.h"
#include "KTImageUtils.h"
#include "KTSignatureMaker.h"
#include "KTThumbnailEntity.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool isNear(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) < 40 && std::abs(actual.green() - expected.green()) < 40 &&
           std::abs(actual.blue() - expected.blue()) < 40;
}

KTSearchSettings settingsOfSide(int side)
{
    KTSearchSettings settings;
    settings.imageSize = side;
    return settings;
}

class KTSignatureDecodeTest : public ::testing::Test
{
protected:
    void SetUp() override { KTFirstThumbnailStore::sharedStore().clear(); }
    void TearDown() override { KTFirstThumbnailStore::sharedStore().clear(); }

    QString writeJpeg(const QString &name, QSize size, int orientation = 1)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeFileBytes(path, makeJpegWithExif(makeQuadrantImage(size), orientation)));
        return path;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(KTSignatureDecodeTest, JpegDecodesAtTheSmallestScaleThatCoversTheSide)
{
    struct Case
    {
        QSize stored;
        int orientation;
        int minimumSide;
        QSize expected; // upright
    } cases[] = {
        {{1600, 1200}, 1, 128, {200, 150}},    // 1/8
        {{1600, 1200}, 1, 160, {400, 300}},    // 1/8 is short by 10 pixels: 2/8
        {{1600, 1200}, 1, 1000, {1400, 1050}}, // 7/8
        {{1600, 1200}, 1, 1100, {1600, 1200}}, // nothing smaller covers it: whole
        {{1001, 751}, 1, 128, {250, 187}},     // 2/8 of sizes that are no multiple of 8, rounded down
        {{1600, 1200}, 6, 128, {150, 200}},    // stored sideways: the scale follows the stored axes
        {{160, 120}, 1, 128, {160, 120}},      // smaller than the side: whole
    };
    for (const Case &c : cases) {
        const QString path = writeJpeg(QStringLiteral("photo.jpg"), c.stored, c.orientation);
        const QImage image = KTImageUtils::jpegImageCoveringSide(path, c.minimumSide);
        EXPECT_EQ(image.size(), c.expected) << c.stored.width() << "x" << c.stored.height() << " side "
                                            << c.minimumSide << " orientation " << c.orientation;
        const QColor expectedTopLeft = c.orientation == 6 ? kQuadrantBottomLeft : kQuadrantTopLeft;
        EXPECT_TRUE(isNear(image.pixelColor(image.width() / 4, image.height() / 4), expectedTopLeft))
            << "orientation " << c.orientation;
    }
}

TEST_F(KTSignatureDecodeTest, OnlyJpegContentTakesTheDirectDecode)
{
    // A RAW file is never judged by its name, and other formats keep the thumbnail route.
    const QString dng = m_dir.filePath(QStringLiteral("raw.jpg"));
    ASSERT_TRUE(writeTinyDng(dng));
    EXPECT_TRUE(KTImageUtils::jpegImageCoveringSide(dng, 64).isNull());
    const QString png = m_dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(makeQuadrantImage({200, 150}).save(png));
    EXPECT_TRUE(KTImageUtils::jpegImageCoveringSide(png, 64).isNull());
    const QString jpegNamedPng = m_dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(writeFileBytes(jpegNamedPng, makeJpegWithExif(makeQuadrantImage({200, 150}), 1)));
    EXPECT_EQ(KTImageUtils::jpegImageCoveringSide(jpegNamedPng, 64).size(), QSize(100, 75));

    // The others still make signatures, through the thumbnail route, and leave no thumbnail.
    for (const QString &path : {dng, png})
        EXPECT_TRUE(CreateHashFromImagePath(path, settingsOfSide(64), KTSignaturePreview::Yes))
            << qPrintable(path);
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().count(), 0);
}

TEST_F(KTSignatureDecodeTest, FirstThumbnailEntityComesFromTheSignatureDecodeOnceForTheUnchangedFile)
{
    const QVariantMap smallest{{kThumbnailSizeKey, kMinThumbnailSize}};
    const QString photo = writeJpeg(QStringLiteral("photo.jpg"), {1600, 1200}, 6);
    const auto fresh = KTThumbnailEntity::initWithImageAtPath(photo, smallest);
    ASSERT_TRUE(fresh);
    ASSERT_TRUE(CreateHashFromImagePath(photo, settingsOfSide(64), KTSignaturePreview::Yes));
    ASSERT_EQ(KTFirstThumbnailStore::sharedStore().count(), 1);

    // A larger size is no business of the store's.
    EXPECT_TRUE(KTThumbnailEntity::initWithImageAtPath(photo, {{kThumbnailSizeKey, 300.0}}));
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().count(), 1);

    const auto reused = KTThumbnailEntity::initWithImageAtPath(photo, smallest);
    ASSERT_TRUE(reused);
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().count(), 0) << "given out once";
    EXPECT_EQ(reused->size(), kMinThumbnailSize);
    const QImage a = fresh->image(), b = reused->image();
    ASSERT_EQ(b.size(), a.size()) << "upright, the longest side 100";
    for (const QPoint &p :
         {QPoint(a.width() / 4, a.height() / 4), QPoint(3 * a.width() / 4, 3 * a.height() / 4)})
        EXPECT_TRUE(isNear(b.pixelColor(p), a.pixelColor(p)));

    // A file rewritten after its signature gets a thumbnail of what it holds now.
    const QString changed = writeJpeg(QStringLiteral("changed.jpg"), {1600, 1200});
    ASSERT_TRUE(CreateHashFromImagePath(changed, settingsOfSide(64), KTSignaturePreview::Yes));
    ASSERT_TRUE(writeFileBytes(changed, makeJpegWithExif(makeQuadrantImage({900, 900}), 1)));
    const auto rewritten = KTThumbnailEntity::initWithImageAtPath(changed, smallest);
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(rewritten->image().size(), QSize(100, 100));
}

// A decode too small for the thumbnail leaves none, unless it is the whole picture.
TEST_F(KTSignatureDecodeTest, OnlyDecodesThatCoverTheThumbnailAreKept)
{
    const QString large = writeJpeg(QStringLiteral("large.jpg"), {1600, 1200});
    ASSERT_TRUE(
        CreateHashFromImagePath(large, settingsOfSide(16), KTSignaturePreview::Yes)); // 1/8: 200 x 150
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().count(), 1);
    KTFirstThumbnailStore::sharedStore().clear();

    const QString wide = writeJpeg(QStringLiteral("wide.jpg"), {640, 480});
    ASSERT_TRUE(CreateHashFromImagePath(wide, settingsOfSide(16), KTSignaturePreview::Yes)); // 1/8: 80 x 60
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().count(), 0);

    const QString tiny = writeJpeg(QStringLiteral("tiny.jpg"), {90, 60});
    ASSERT_TRUE(CreateHashFromImagePath(tiny, settingsOfSide(64), KTSignaturePreview::Yes)); // whole
    EXPECT_EQ(KTFirstThumbnailStore::sharedStore().takeJPEGData(tiny, kMinThumbnailSize).isEmpty(), false);
}
