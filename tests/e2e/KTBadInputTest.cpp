#include "KTEndToEndTest.h"

#include "KTBrokenImagesWindowController.h"
#include "KTDecodingFixtures.h"
#include "KTImageFixtures.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>

// Files that cannot be read (a JPEG of noise, a DNG cut short, an empty file) are listed in the
// missing-images sheet; the rest of the session loads and can be reviewed, and OK puts the sheet
// away.
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

    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({cards}));

    KTBrokenImagesWindowController *sheet = mainWindow().currentBrokenImagesWindowController();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return sheet->isVisible(); }));
    QStringList listed;
    for (const KTBrokenImage &broken : sheet->brokenImages())
        listed.append(broken.name);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"cut.dng", "empty.jpg", "noise.jpg"}));
    EXPECT_EQ(sheet->imagesCountLabel()->text(), KTBrokenImagesWindowController::countText(3));
    click(sheet->okButton());
    EXPECT_EQ(mainWindow().currentBrokenImagesWindowController(), nullptr);

    EXPECT_EQ(catalogue().images().size(), good.size());
    EXPECT_FALSE(catalogue().groups().isEmpty());
    EXPECT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(pickedNames().isEmpty());
}
