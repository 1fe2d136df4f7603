#include "KTEndToEndTest.h"

#include "KTAlert.h"
#include "KTImageSourcesWindowController.h"
#include "KTMainWindowController.h"
#include "KTTasksNotifier.h"

#include <QProcess>
#include <QSignalSpy>

namespace {

class KTSecondStartTest : public KTEndToEndTest
{
};

} // namespace

// The program started again with a folder (as a file manager's "Open With" does) hands it to the
// running application and ends; the running one asks about the rejects of its session and opens
// the sources window with the folder.
TEST_F(KTSecondStartTest, ASecondStartHandsItsFolderToTheRunningApplication)
{
    const QString first = folder(QStringLiteral("Photos/Morning"));
    KTSessionPhotos::writeBursts(first, 2, 1, 3);
    const QString second = folder(QStringLiteral("Photos/Evening"));
    KTSessionPhotos::writeBursts(second, 1, 1, 4);
    ASSERT_NO_FATAL_FAILURE(launchWithNewSession({first}));
    press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_FALSE(rejectedNames().isEmpty());

    alerts->answer(KTAlert::kAlternateReturn);
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(VS_VIREOSCOPE_PROGRAM), {second});
    ASSERT_TRUE(waitUntil([&] { return mainWindow().isImageSourcesWindowVisible(); }, std::chrono::seconds(60)))
        << program.readAll().toStdString();
    EXPECT_EQ(sources().imageSources(), QStringList{second});
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_TRUE(alerts->shown().front().messageText.startsWith(QStringLiteral("There are ")));
    ASSERT_TRUE(finished.wait(60000) || !finished.isEmpty());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    // The session is still there until the user starts the new one.
    EXPECT_FALSE(rejectedNames().isEmpty());
}
