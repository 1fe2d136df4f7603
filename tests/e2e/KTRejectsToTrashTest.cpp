#include "KTEndToEndTest.h"

#include "KTAlert.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTRedjectedImagesModeController.h"
#include "KTUserDefaults.h"
#include "KTWorkspace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace {

class KTRejectsToTrashTest : public KTEndToEndTest
{
protected:
    /// Every file under `root` by its path relative to it: its size, time and content hash.
    static QMap<QString, QString> filesUnder(const QString &root)
    {
        QMap<QString, QString> files;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info(path);
            files.insert(QDir(root).relativeFilePath(path), QStringLiteral("%1 %2 %3")
                                                                .arg(info.size())
                                                                .arg(info.lastModified().toMSecsSinceEpoch())
                                                                .arg(QString::fromLatin1(hashOf(path))));
        }
        return files;
    }
    static QByteArray hashOf(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
    }
};

} // namespace

// The rejects mode lists exactly the session's rejects; Move to Trash moves their files into the
// desktop trash of the home, both halves of a RAW+JPEG pair shown as one image, each with its
// trash record; every other file on the card stays as it was.
TEST_F(KTRejectsToTrashTest, MoveToTrashMovesTheRejectsAndNothingElse)
{
    const QString card = folder(QStringLiteral("Card"));
    KTSessionPhotos::writeBursts(card, 1, 1, 41);
    KTSessionPhotos::writeRawJpegPair(card, QStringLiteral("IMG_0001"), "2023:01:02 03:04:05");
    KTSessionPhotos::writeRawJpegPair(card, QStringLiteral("IMG_0002"), "2023:01:02 09:00:00");
    const QMap<QString, QString> before = filesUnder(card);
    // The photographer sees a RAW and its JPEG as one image.
    KTUserDefaults::standardUserDefaults().setBool(true, KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);

    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({card}));
    ASSERT_EQ(catalogue().images().size(), before.size() - 2);
    ASSERT_NE(image(QStringLiteral("IMG_0001.dng")), nullptr);
    ASSERT_EQ(image(QStringLiteral("IMG_0001.jpg")), nullptr);

    // In the timeline, the first pair's time group and the first burst's are rejected whole.
    press(Qt::Key_T);
    ASSERT_EQ(mainWindow().UIMode(), kAllImagesUIMode);
    const int groups = int(catalogue().timeGroups().size());
    ASSERT_TRUE(nextGroupUntilItHolds(QStringLiteral("IMG_0001.dng"), groups));
    ASSERT_EQ(selectedNames(), QStringList{QStringLiteral("IMG_0001.dng")});
    press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(nextGroupUntilItHolds(QStringLiteral("s00-b0-0.jpg"), groups));
    QStringList rejected = selectedNames();
    ASSERT_GE(rejected.size(), 3);
    press(Qt::Key_R, Qt::ControlModifier);
    rejected.append(QStringLiteral("IMG_0001.dng"));
    rejected.sort();
    ASSERT_EQ(rejectedNames(), rejected);

    press(Qt::Key_J);
    ASSERT_EQ(mainWindow().UIMode(), kTrashUIMode);
    auto *rejects = dynamic_cast<KTRedjectedImagesModeController *>(&activeMode());
    ASSERT_NE(rejects, nullptr);
    QStringList listed;
    for (const KTImageMO *listedImage : rejects->images())
        listed.append(QFileInfo(listedImage->path()).fileName());
    listed.sort();
    EXPECT_EQ(listed, rejected);

    alerts->answer(KTAlert::kDefaultReturn);
    click(rejects->moveToTrashButton());
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown()[0].messageText,
              QStringLiteral("%1 images will be moved to the Trash. Are you sure?").arg(rejected.size()));
    ASSERT_TRUE(waitUntil([&] { return rejectedNames().isEmpty() && rejects->images().isEmpty(); }));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(alerts->shown().size(), 1u) << "a failure was reported";

    // The trash holds the rejects' files, the pair's JPEG with its RAW, each as it was.
    QStringList trashed = rejected;
    trashed.append(QStringLiteral("IMG_0001.jpg"));
    trashed.sort();
    const QString trash = KTWorkspace::homeTrashPath();
    EXPECT_TRUE(trash.startsWith(home()));
    QMap<QString, QString> expectedTrash;
    QMap<QString, QString> expectedCard = before;
    for (const QString &name : trashed) {
        expectedTrash.insert(name, expectedCard.take(name));
        QFile info(QStringLiteral("%1/info/%2.trashinfo").arg(trash, name));
        ASSERT_TRUE(info.open(QIODevice::ReadOnly)) << qPrintable(name);
        EXPECT_TRUE(info.readAll().contains("Path=" + QDir(card).filePath(name).toUtf8()))
            << qPrintable(name);
    }
    // A move keeps the time and the bytes of each file.
    EXPECT_EQ(filesUnder(trash + QStringLiteral("/files")), expectedTrash);
    EXPECT_EQ(filesUnder(card), expectedCard);
    EXPECT_EQ(catalogue().images().size(), before.size() - 2 - rejected.size());
}
