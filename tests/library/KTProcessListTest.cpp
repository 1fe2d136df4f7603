#include "KTProcessList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void addProcess(const QDir &root, const QString &pid, const QByteArray &comm, const QByteArrayList &arguments)
{
    QByteArray cmdline;
    for (const QByteArray &argument : arguments)
        cmdline += argument + '\0';
    ASSERT_TRUE(root.mkpath(pid));
    QFile commFile(root.filePath(pid + "/comm"));
    ASSERT_TRUE(commFile.open(QIODevice::WriteOnly));
    commFile.write(comm + "\n");
    QFile cmdlineFile(root.filePath(pid + "/cmdline"));
    ASSERT_TRUE(cmdlineFile.open(QIODevice::WriteOnly));
    cmdlineFile.write(cmdline);
}

} // namespace

// A fake process list: which hosted programs count as running, and which do not.
TEST(KTProcessListTest, HostedProgramsAreFoundByExecutableName)
{
    struct Case
    {
        QByteArray comm;
        QByteArrayList arguments;
        bool lightroomRuns;
    };
    const Case cases[] = {
        {"Lightroom.exe", {"C:\\Program Files\\Adobe\\Lightroom 5\\lightroom.exe"}, true},
        {"wine64-preload", {"/usr/bin/wine64-preloader", "C:\\Adobe\\Lightroom.exe", "-x"}, true},
        {"lr", {"/opt/lr/lightroom"}, true},
        {"vim", {"vim", "Lightroom.exe"}, false},
        {"LightroomHelper", {"/opt/LightroomHelper"}, false},
        {"bash", {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.comm.toStdString());
        QTemporaryDir dir;
        const QDir root(dir.path());
        addProcess(root, "1", "systemd", {"/sbin/init"});
        addProcess(root, "4711", c.comm, c.arguments);
        ASSERT_TRUE(root.mkpath("self"));
        EXPECT_EQ(KTProcessList::isExecutableRunning("Lightroom", dir.path()), c.lightroomRuns);
    }
}

TEST(KTProcessListTest, TheRealProcessListShowsThisProgram)
{
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_TRUE(KTProcessList::isExecutableRunning(self));
    EXPECT_FALSE(KTProcessList::isExecutableRunning("no-such-program-anywhere"));
}
