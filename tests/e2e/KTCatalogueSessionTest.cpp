#include "KTEndToEndTest.h"

#include "KTAlert.h"
#include "KTCatalogBrowser.h"
#include "KTCatalogBrowserWindow.h"
#include "KTCatalogFixtures.h"
#include "KTExternalImagesManager.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTSButton.h"
#include "KTScriptedOpenPanel.h"
#include "KTTasksNotifier.h"

#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

namespace {

/// A catalogue session: the Lightroom fixture catalogue with a photo at every image's path, and a
/// process list of the test's own in which Lightroom can be started and ended.
class KTCatalogueSessionTest : public KTEndToEndTest
{
protected:
    void SetUp() override
    {
        KTEndToEndTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        catalog = KTCatalogFixtures::createLightroomCatalog(folder(QStringLiteral("Lightroom")));
        QStringList photos;
        for (int n = 1; n <= KTCatalogFixtures::kImageCount; ++n) {
            photos.append(QDir(folder(QStringLiteral("Lightroom/Photos") + (n > 20 ? "/Trip" : "")))
                              .filePath(QStringLiteral("IMG_%1.JPG").arg(n, 4, 10, QLatin1Char('0'))));
        }
        KTSessionPhotos::writeJpegs(photos);
        processes = folder(QStringLiteral("proc"));
        KTExternalImagesManager::sharedManager().setApplicationRunningCheck([this](const QString &bundleID) {
            return KTExternalImagesManager::isApplicationRunningInProcessList(bundleID, processes);
        });
    }
    void TearDown() override
    {
        KTEndToEndTest::TearDown();
        KTExternalImagesManager::sharedManager().setApplicationRunningCheck({});
    }

    /// Lightroom opens the catalogue: it runs, and the catalogue's lock file is there.
    void startLightroom()
    {
        QDir().mkpath(QDir(processes).filePath(QStringLiteral("4242")));
        writeFile(QDir(processes).filePath(QStringLiteral("4242/comm")), "Lightroom.exe\n");
        writeFile(catalog + QStringLiteral(".lock"), {});
    }
    void quitLightroom()
    {
        QDir(QDir(processes).filePath(QStringLiteral("4242"))).removeRecursively();
        QFile::remove(catalog + QStringLiteral(".lock"));
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    /// The images (by their identifier) in the collection named `name`.
    QList<qint64> collection(const QString &name) const
    {
        const QVariant id = KTCatalogFixtures::scalar(
            catalog, QStringLiteral("SELECT id_local FROM AgLibraryCollection WHERE name = '%1'").arg(name));
        QList<qint64> images;
        if (!id.isValid())
            return images;
        for (qint64 image = KTCatalogFixtures::kFirstImageID;
             image < KTCatalogFixtures::kFirstImageID + KTCatalogFixtures::kImageCount; ++image) {
            if (KTCatalogFixtures::scalar(catalog,
                                          QStringLiteral("SELECT COUNT(*) FROM AgLibraryCollectionImage "
                                                         "WHERE collection = %1 AND image = %2")
                                              .arg(id.toLongLong())
                                              .arg(image))
                    .toInt() > 0)
                images.append(image);
        }
        return images;
    }
    /// Lightroom's pick flag of every image: 1 picked, -1 rejected, 0 neither.
    QMap<qint64, int> flags() const
    {
        QMap<qint64, int> result;
        for (qint64 image = KTCatalogFixtures::kFirstImageID;
             image < KTCatalogFixtures::kFirstImageID + KTCatalogFixtures::kImageCount; ++image) {
            const int pick =
                KTCatalogFixtures::scalar(
                    catalog, QStringLiteral("SELECT pick FROM Adobe_images WHERE id_local = %1").arg(image))
                    .toInt();
            if (pick != 0)
                result.insert(image, pick);
        }
        return result;
    }

    QString catalog;
    QString processes;
};

} // namespace

TEST_F(KTCatalogueSessionTest, PicksAndRejectsAreWrittenToTheCatalogueOnceLightroomHasClosed)
{
    const QByteArray untouched = KTCatalogFixtures::fileBytes(catalog);
    launch();
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));

    // Add Catalog, the catalogue chosen in its panel, its "Photos" folder added from the browser.
    activateSourcesWindow();
    QTest::keyClick(sources().window(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(panels->isShowing());
    panels->answer({catalog});
    KTCatalogBrowser &browser = sources().catalogBrowser();
    ASSERT_TRUE(waitUntil([&] { return browser.isWindowVisible() && !browser.isPopulating(); }));
    QTreeView *tree = browser.window()->nodesView();
    QModelIndex photosNode;
    ASSERT_TRUE(waitUntil([&] {
        const QModelIndexList found =
            tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("Photos"), 1,
                                 Qt::MatchStartsWith | Qt::MatchRecursive);
        photosNode = found.isEmpty() ? QModelIndex() : found.first();
        return photosNode.isValid();
    }));
    tree->scrollTo(photosNode);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualRect(photosNode).center());
    click(browser.window()->addButton());
    ASSERT_EQ(sources().imageSources().size(), 1);
    startSessionAndWait();
    ASSERT_EQ(catalogue().externalCatalogType(), 2);
    ASSERT_FALSE(catalogue().images().isEmpty());

    // One image is picked, the next group rejected, while Lightroom has the catalogue open.
    startLightroom();
    press(Qt::Key_2, Qt::ControlModifier);
    press(Qt::Key_P, Qt::ControlModifier);
    press(Qt::Key_BracketRight, Qt::ControlModifier);
    press(Qt::Key_1, Qt::ControlModifier);
    press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(pickedNames().size(), 1);
    ASSERT_GE(rejectedNames().size(), 2);

    // Quit asks until Lightroom has closed: Try Again while it runs, then Cancel. Nothing is
    // written meanwhile, and the application goes on.
    alerts->answer(KTAlert::kFirstButtonReturn);
    alerts->answer(KTAlert::kFirstButtonReturn + 1);
    const int terminations = seams->terminations();
    press(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(seams->terminations(), terminations);
    ASSERT_EQ(alerts->shown().size(), 2u);
    EXPECT_TRUE(alerts->shown()[0].messageText.contains(QStringLiteral("Lightroom 5 is running")));
    EXPECT_EQ(alerts->shown()[0].buttons, (QStringList{"Try Again", "Cancel", "Don't Save"}));
    EXPECT_EQ(KTCatalogFixtures::fileBytes(catalog), untouched);

    // Quit again: the user closes Lightroom and tries again; the decisions are written and the
    // application ends.
    alerts->answer([&](const KTAlert &) {
        quitLightroom();
        return KTAlert::kFirstButtonReturn;
    });
    ASSERT_TRUE(quit());
    EXPECT_EQ(alerts->shown().size(), 3u);
    const KTExternalImagesManager &manager = KTExternalImagesManager::sharedManager();
    QList<qint64> picked;
    QList<qint64> rejected;
    for (const QString &name : pickedNames())
        picked.append(name.mid(4, 4).toLongLong() + KTCatalogFixtures::kFirstImageID - 1);
    for (const QString &name : rejectedNames())
        rejected.append(name.mid(4, 4).toLongLong() + KTCatalogFixtures::kFirstImageID - 1);
    EXPECT_EQ(collection(manager.selectedCollectionName()), picked);
    EXPECT_EQ(collection(manager.rejectedCollectionName()), rejected);
    QMap<qint64, int> expectedFlags;
    for (qint64 image : picked)
        expectedFlags.insert(image, 1);
    for (qint64 image : rejected)
        expectedFlags.insert(image, -1);
    EXPECT_EQ(flags(), expectedFlags);
}
