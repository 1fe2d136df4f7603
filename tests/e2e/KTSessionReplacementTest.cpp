#include "KTEndToEndTest.h"

#include "KTAlert.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageSourcesWindowController.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTTasksNotifier.h"
#include "KTWindowWalk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>

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

    /// The walk of KTWindowWalk::walkEveryMode(): every mode and sub-mode with the panels on and
    /// a selection in each; ends on the grid of similar groups.
    void walkEveryMode()
    {
        const QString failure = KTWindowWalk::walkEveryMode(mainWindow());
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
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
        ASSERT_TRUE(KTWindowWalk::dropOntoSourcesWindow(mainWindow(), shoot))
            << "the sources window refused the folder";
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
