#include "KTEndToEndTest.h"

#include "KTBrokenImagesWindowController.h"
#include "KTDecodingFixtures.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTTestFiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>

// Files that cannot be read (a JPEG of noise, a DNG cut short, an empty file), images that would
// decode to nothing (a JPEG cut short, one of nothing but EXIF whose pixel dimension is beyond int,
// a PNG whose header claims 100,000 x 100,000 pixels, one whose text chunk claims 1.4 GB) and a
// folder that cannot be looked into are listed in the missing-images sheet with why; the rest of
// the session, DNGs whose previews are bitmaps 15 and 16 pixels wide among it, loads and can be
// reviewed, and OK puts the sheet away.
namespace {
class KTBadInputTest : public KTEndToEndTest
{
};
} // namespace

TEST_F(KTBadInputTest, UnreadableFilesAreListedAndTheSessionGoesOn)
{
    const QString cards = folder(QStringLiteral("Card"));
    const QStringList good = KTSessionPhotos::writeBursts(cards, 2, 1, 5);
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) % 251);
    ASSERT_TRUE(writeFileBytes(QDir(cards).filePath(QStringLiteral("noise.jpg")), noise));
    const QString whole = QDir(home()).filePath(QStringLiteral("whole.dng"));
    ASSERT_TRUE(writeTinyDng(whole));
    QFile dng(whole);
    ASSERT_TRUE(dng.open(QIODevice::ReadOnly));
    // A copy that stopped in the file's first directory.
    ASSERT_TRUE(writeFileBytes(QDir(cards).filePath(QStringLiteral("cut.dng")), dng.read(40)));
    ASSERT_TRUE(writeFileBytes(QDir(cards).filePath(QStringLiteral("empty.jpg")), {}));
    QFile shot(good.first());
    ASSERT_TRUE(shot.open(QIODevice::ReadOnly));
    const QByteArray jpeg = shot.readAll();
    ASSERT_TRUE(writeFileBytes(QDir(cards).filePath(QStringLiteral("cut.jpg")), jpeg.left(jpeg.size() / 3)));
    ASSERT_TRUE(writeFileBytes(QDir(cards).filePath(QStringLiteral("huge.png")),
                               makePngClaimingSize({100000, 100000})));
    ASSERT_TRUE(writeExifOnlyJpeg(QDir(cards).filePath(QStringLiteral("exif-only.jpg")),
                                  {{"Exif.Photo.PixelXDimension", "4096798768"}}));
    ASSERT_TRUE(
        writeFileBytes(QDir(cards).filePath(QStringLiteral("lying-chunk.png")), makePngWithLyingChunk()));
    QStringList bitmapPreviews;
    for (const int width : {15, 16}) {
        bitmapPreviews.append(QDir(cards).filePath(QStringLiteral("preview-%1.dng").arg(width)));
        ASSERT_TRUE(
            writeFileBytes(bitmapPreviews.last(), makeDng({{32, 32}, KTDngPreview::Bitmap, {width, 12}, 1})));
    }
    const QString deepName(250, QLatin1Char('x'));
    const KTDeepFolders deep(cards, deepName, 20);
    ASSERT_TRUE(deep.made());

    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({cards}));

    KTBrokenImagesWindowController *sheet = mainWindow().currentBrokenImagesWindowController();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return sheet->isVisible(); }));
    QStringList listed;
    for (const KTBrokenImage &broken : sheet->brokenImages())
        listed.append(broken.name + QStringLiteral(": ") + broken.reason);
    listed.sort();
    const QString unreadable = QStringLiteral(": The file could not be read.");
    const QString endsEarly = QStringLiteral(": Damaged: the image data ends early.");
    EXPECT_EQ(listed.join(QLatin1Char('|')).toStdString(),
              (QStringList{"cut.dng" + unreadable, "cut.jpg" + endsEarly, "empty.jpg" + unreadable,
                           "exif-only.jpg: Damaged: the file holds no image data.",
                           "huge.png: Its size exceeds the 2 GiB decoding limit.",
                           "lying-chunk.png" + endsEarly, "noise.jpg" + unreadable,
                           deepName + ": Unreadable folder: File name too long."})
                  .join(QLatin1Char('|'))
                  .toStdString());
    EXPECT_EQ(sheet->imagesCountLabel()->text(), QStringLiteral("7 total images, 1 folder"));
    click(sheet->okButton());
    EXPECT_EQ(mainWindow().currentBrokenImagesWindowController(), nullptr);

    QStringList imported;
    for (const KTImageMO *image : catalogue().images())
        imported.append(image->path());
    imported.sort();
    QStringList expected = good + bitmapPreviews;
    expected.sort();
    EXPECT_EQ(imported.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
    EXPECT_FALSE(catalogue().groups().isEmpty());
    EXPECT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(pickedNames().isEmpty());
}
