#include "KTEndToEndTest.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTBaseUIModeController.h"
#include "KTDropView.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindow.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainToolbar.h"
#include "KTMainWindowController.h"
#include "KTTasksNotifier.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QUrl>

namespace {

/// How the user replaces the session on screen with a new one.
enum class Route
{
    NewSessionInTheSourcesWindow,
    SecondStartWithAFolder,
    DropOntoTheSourcesWindow,
};

/// Sessions replaced one after another while every mode holds records on screen: the window
/// crosses each clearing populated, and the records of the cleared session are freed under it.
class KTSessionReplacementTest : public KTEndToEndTest
{
protected:
    /// A new folder of photos for the next session.
    static QString newShoot(int number, int scenes, int singles)
    {
        const QString path = folder(QStringLiteral("Shoots/%1").arg(number));
        KTSessionPhotos::writeBursts(path, scenes, singles, unsigned(100 + number));
        return path;
    }

    static QString lastSessionFile() { return QDir(home()).filePath(QStringLiteral("last-session.txt")); }

    /// The catalogue holds exactly the photos of `shoot`, from that one source.
    void expectSessionOf(const QString &shoot)
    {
        QStringList sources;
        for (const KTFolderMO *source : catalogue().sources())
            sources.append(source->path());
        EXPECT_EQ(sources, QStringList{shoot});
        QSet<QString> expected;
        for (const QString &name : QDir(shoot).entryList({QStringLiteral("*.jpg")}, QDir::Files))
            expected.insert(QDir(shoot).filePath(name));
        QSet<QString> held;
        for (const KTImageMO *image : catalogue().images()) {
            EXPECT_FALSE(image->isDeleted());
            held.insert(image->path());
        }
        EXPECT_EQ(held, expected);
    }

    /// Every mode and sub-mode, with the EXIF panel and the focus mask on and a selection moved
    /// and extended in each; a pick and a reject first, so the picks and the rejects hold images
    /// and a new session asks about the rejects. Ends on the grid of similar groups.
    void walkEveryMode()
    {
        press(Qt::Key_S);
        press(Qt::Key_2, Qt::ControlModifier);
        // Both keys toggle: a session walked before may have the image picked or rejected already.
        press(Qt::Key_P, Qt::ControlModifier);
        if (pickedNames().isEmpty())
            press(Qt::Key_P, Qt::ControlModifier);
        press(Qt::Key_Right);
        press(Qt::Key_R, Qt::ControlModifier);
        if (rejectedNames().isEmpty())
            press(Qt::Key_R, Qt::ControlModifier);
        ASSERT_FALSE(pickedNames().isEmpty());
        ASSERT_FALSE(rejectedNames().isEmpty());
        for (const Qt::Key mode : {Qt::Key_T, Qt::Key_P, Qt::Key_J, Qt::Key_S}) {
            press(mode);
            for (const Qt::Key subMode : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4}) {
                press(subMode, Qt::ControlModifier);
                KTBaseUIModeController &active = activeMode();
                if (active.exifPanelShouldBeShown() && !active.isExifPanelVisible())
                    press(Qt::Key_I, Qt::ControlModifier);
                KTAbstractButton *focusMask = mainWindow().toolbar()->showFocusMaskButton();
                if (focusMask && focusMask->isVisible() && focusMask->isEnabled() && !focusMask->isPushed())
                    click(focusMask);
                press(Qt::Key_Right);
                press(Qt::Key_Right, Qt::ShiftModifier);
            }
        }
        press(Qt::Key_1, Qt::ControlModifier);
        ASSERT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
        ASSERT_TRUE(waitUntilIdle());
    }

    /// File > New Session, the rejects kept, Add Folder and Start.
    void replaceByNewSession(const QString &shoot)
    {
        alerts->answer(KTAlert::kAlternateReturn);
        press(Qt::Key_N, Qt::ControlModifier);
        ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
        ASSERT_NO_FATAL_FAILURE(addFoldersInSourcesWindow({shoot}));
        ASSERT_NO_FATAL_FAILURE(startSessionAndWait());
    }

    /// The program started again with `shoot`, the rejects question answered with `answer`;
    /// Start in the sources window that opens. False when the answer cancelled the new session.
    bool replaceBySecondStart(const QString &shoot, int answer)
    {
        alerts->answer(answer);
        QProcess program;
        QSignalSpy finished(&program, &QProcess::finished);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(VS_VIREOSCOPE_PROGRAM), {shoot});
        const bool opened =
            waitUntil([&] { return mainWindow().isImageSourcesWindowVisible() || !finished.isEmpty(); },
                      std::chrono::seconds(60));
        EXPECT_TRUE(!finished.isEmpty() || finished.wait(60000)) << program.readAll().toStdString();
        EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
        EXPECT_TRUE(opened);
        // The running application asks once the program has handed the folder over.
        EXPECT_TRUE(waitUntil([&] {
            return answer == KTAlert::kOtherReturn
                       ? !alerts->shown().empty() && !mainWindow().isImageSourcesWindowVisible()
                       : mainWindow().isImageSourcesWindowVisible();
        }));
        if (answer == KTAlert::kOtherReturn)
            return false;
        EXPECT_EQ(sources().imageSources(), QStringList{shoot});
        startSessionAndWait();
        return true;
    }

    /// File > New Session, the rejects kept, the folder dropped onto the sources window, Start.
    void replaceByDrop(const QString &shoot)
    {
        alerts->answer(KTAlert::kAlternateReturn);
        press(Qt::Key_N, Qt::ControlModifier);
        ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }));
        activateSourcesWindow();
        KTDropView *target = sources().window()->dropView();
        ASSERT_NE(target, nullptr);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(shoot)});
        const QPointF at = QRectF(target->rect()).center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted()) << "the sources window refused the folder";
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        ASSERT_EQ(sources().imageSources(), QStringList{shoot});
        ASSERT_NO_FATAL_FAILURE(startSessionAndWait());
    }

    /// A populated session replaced three times by `route`, each time with a new folder and the
    /// whole walk; then quit, and the next launch holds the last session.
    void replaceThreeTimes(Route route)
    {
        if (launchNumber() == 2) {
            QFile file(lastSessionFile());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QString last = QString::fromUtf8(file.readAll());
            launch();
            ASSERT_TRUE(waitForTaskEnd(kValidateTaskName));
            ASSERT_TRUE(waitUntilIdle());
            expectSessionOf(last);
            walkEveryMode();
            return;
        }
        // A few hundred photos in the first session, as the user had on screen; smaller ones after.
        const QString first = newShoot(0, 40, 40);
        ASSERT_NO_FATAL_FAILURE(launchWithNewSession({first}));
        ASSERT_GE(catalogue().images().size(), 200);
        ASSERT_NO_FATAL_FAILURE(walkEveryMode());
        QString last = first;
        const int answers[] = {KTAlert::kDefaultReturn, KTAlert::kOtherReturn, KTAlert::kAlternateReturn};
        for (int round = 1; round <= 3; ++round) {
            SCOPED_TRACE(round);
            const QString shoot = newShoot(round, 3, 3);
            switch (route) {
            case Route::NewSessionInTheSourcesWindow:
                ASSERT_NO_FATAL_FAILURE(replaceByNewSession(shoot));
                break;
            case Route::SecondStartWithAFolder:
                // Trash, cancel (the session stays, and is walked again), then keep the rejects.
                if (!replaceBySecondStart(shoot, answers[round - 1])) {
                    ASSERT_TRUE(waitUntilIdle());
                    expectSessionOf(last);
                    ASSERT_NO_FATAL_FAILURE(walkEveryMode());
                    ASSERT_TRUE(replaceBySecondStart(shoot, KTAlert::kAlternateReturn));
                }
                break;
            case Route::DropOntoTheSourcesWindow:
                ASSERT_NO_FATAL_FAILURE(replaceByDrop(shoot));
                break;
            }
            ASSERT_FALSE(HasFailure());
            expectSessionOf(shoot);
            ASSERT_NO_FATAL_FAILURE(walkEveryMode());
            last = shoot;
        }
        QFile file(lastSessionFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(last.toUtf8());
        file.close();
        ASSERT_TRUE(quit());
        EXPECT_TRUE(launchAgain());
    }
};

} // namespace

TEST_F(KTSessionReplacementTest, NewSessionInTheSourcesWindowOverAPopulatedWindow)
{
    replaceThreeTimes(Route::NewSessionInTheSourcesWindow);
}

TEST_F(KTSessionReplacementTest, SecondStartWithAFolderOverAPopulatedWindowWithEachAnswer)
{
    replaceThreeTimes(Route::SecondStartWithAFolder);
}

TEST_F(KTSessionReplacementTest, DropOntoTheSourcesWindowOverAPopulatedWindow)
{
    replaceThreeTimes(Route::DropOntoTheSourcesWindow);
}
