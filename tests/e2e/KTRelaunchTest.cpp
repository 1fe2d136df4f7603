#include "KTEndToEndTest.h"

#include "KTBaseUIModeController.h"
#include "KTFolderMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMainWindowController.h"
#include "KTSqliteDatabase.h"
#include "KTTasksNotifier.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class KTRelaunchTest : public KTEndToEndTest
{
protected:
    QJsonObject session()
    {
        QJsonObject state;
        QStringList sourcePaths;
        for (const KTFolderMO *source : catalogue().sources())
            sourcePaths.append(source->path());
        sourcePaths.sort();
        state[QStringLiteral("sources")] = QJsonArray::fromStringList(sourcePaths);
        state[QStringLiteral("images")] = int(catalogue().images().size());
        state[QStringLiteral("groups")] = int(catalogue().groups().size());
        state[QStringLiteral("timeGroups")] = int(catalogue().timeGroups().size());
        state[QStringLiteral("picked")] = QJsonArray::fromStringList(pickedNames());
        state[QStringLiteral("rejected")] = QJsonArray::fromStringList(rejectedNames());
        state[QStringLiteral("mode")] = mainWindow().UIMode();
        state[QStringLiteral("subMode")] = activeMode().UIMode();
        state[QStringLiteral("selected")] = QJsonArray::fromStringList(selectedNames());
        return state;
    }

    static QString stateFile() { return QDir(home()).filePath(QStringLiteral("second-launch.json")); }
};

} // namespace

// A session with decisions and a selection survives the end of the application: the next launch
// shows the same sources, images, groups, decisions, mode and selection, and the catalogue file
// is sound.
TEST_F(KTRelaunchTest, QuitAndLaunchAgainBringsBackTheSessionAndTheSelection)
{
    if (launchNumber() == 2) {
        launch();
        // The set-up checks the session's sources shortly after the window shows.
        ASSERT_TRUE(waitForTaskEnd(kValidateTaskName));
        ASSERT_TRUE(waitUntilIdle());
        QFile file(stateFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(session()).toJson());
        return;
    }

    const QString harbour = folder(QStringLiteral("Photos/Harbour"));
    KTSessionPhotos::writeBursts(harbour, 3, 2, 11);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({harbour}));
    ASSERT_EQ(mainWindow().UIMode(), kDuplicatesUIMode);
    ASSERT_GE(catalogue().groups().size(), 2);

    // In the first group's own view its second image is picked; in the next group the first image
    // is rejected and the one after the next is selected.
    press(Qt::Key_2, Qt::ControlModifier);
    ASSERT_EQ(activeMode().UIMode(), kUIModeGroup);
    press(Qt::Key_Right);
    press(Qt::Key_P, Qt::ControlModifier);
    press(Qt::Key_BracketRight, Qt::ControlModifier);
    press(Qt::Key_R, Qt::ControlModifier);
    press(Qt::Key_Right);
    ASSERT_EQ(pickedNames().size(), 1);
    ASSERT_EQ(rejectedNames().size(), 1);
    const QJsonObject before = session();

    ASSERT_TRUE(quit());
    ASSERT_TRUE(launchAgain());
    QFile file(stateFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject after = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(after, before) << QJsonDocument(after).toJson().toStdString() << "\nbefore:\n"
                             << QJsonDocument(before).toJson().toStdString();

    KTSqliteDatabase store;
    ASSERT_TRUE(store.open(catalogue().storePath(), KTSqliteDatabase::Mode::ReadOnly));
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA integrity_check")).value_or(QVariant()).toString(),
              QStringLiteral("ok"));
}
