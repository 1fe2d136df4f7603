#include "KTSingleInstance.h"

#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The real program, started a second time with folders, hands them to the first and ends.
TEST(KTSingleInstanceTest, ASecondStartHandsItsFoldersToTheFirst)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("A"));
    QDir(dir.path()).mkpath(QStringLiteral("B"));
    KTSingleInstance first;
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &KTSingleInstance::pathsReceived);

    QProcess second;
    second.setWorkingDirectory(dir.path());
    second.start(QStringLiteral(VS_VIREOSCOPE_PROGRAM),
                 {QStringLiteral("A"), dir.filePath(QStringLiteral("B"))});
    ASSERT_TRUE(received.wait(60000)) << qPrintable(second.readAllStandardError());
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // Relative paths are taken from the second start's folder.
    EXPECT_EQ(received.first().first().toStringList(),
              (QStringList{dir.filePath(QStringLiteral("A")), dir.filePath(QStringLiteral("B"))}));

    // A start without paths is a plain reopen.
    KTSingleInstance another(first.serverName());
    bool handed = false;
    std::thread sender([&] { handed = another.sendToRunningInstance({}); });
    ASSERT_TRUE(waitUntil([&] { return received.count() == 2; }));
    sender.join();
    EXPECT_TRUE(handed);
    EXPECT_TRUE(received.last().first().toStringList().isEmpty());
}

TEST(KTSingleInstanceTest, ASocketLeftBehindIsReplacedAndNobodyListeningMeansNoHandOff)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("vireoscope.socket"));
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    KTSingleInstance sender(name);
    EXPECT_FALSE(sender.sendToRunningInstance({dir.path()}, 500));
    KTSingleInstance first(name);
    EXPECT_TRUE(first.listen());
    EXPECT_TRUE(first.isListening());
    // A second listener on a live name leaves the first alone.
    KTSingleInstance late(name);
    EXPECT_FALSE(late.listen());
    EXPECT_TRUE(first.isListening());
}
