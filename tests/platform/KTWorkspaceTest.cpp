#include "KTWorkspace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("contents");
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString infoPathOf(const QString &trashedPath)
{
    const QFileInfo trashed(trashedPath);
    return trashed.dir().absolutePath() + "/../info/" + trashed.fileName() + ".trashinfo";
}

// Points XDG_DATA_HOME elsewhere while it lives.
class DataHome
{
public:
    explicit DataHome(const QString &path) : m_previous(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", path.toLocal8Bit());
    }
    ~DataHome() { qputenv("XDG_DATA_HOME", m_previous); }

private:
    QByteArray m_previous;
};

} // namespace

TEST(KTWorkspaceTest, RecycledFilesGoToTheHomeTrashUnderUniqueNamesWithTheirOrigin)
{
    QTemporaryDir dir;
    DataHome home(dir.filePath("data"));
    const QString first = dir.filePath("a b%.tar.gz");
    writeFile(first);
    QDir().mkpath(dir.filePath("sub"));
    const QString second = dir.filePath("sub/a b%.tar.gz");
    writeFile(second);
    QDir().mkpath(dir.filePath("folder/inner"));

    QString error;
    QString firstTrashed;
    QString secondTrashed;
    QString folderTrashed;
    ASSERT_TRUE(KTWorkspace::sharedWorkspace().recycle(first, &error, &firstTrashed)) << error.toStdString();
    ASSERT_TRUE(KTWorkspace::sharedWorkspace().recycle(second, &error, &secondTrashed))
        << error.toStdString();
    ASSERT_TRUE(KTWorkspace::sharedWorkspace().recycle(dir.filePath("folder"), &error, &folderTrashed));

    const QString files = dir.filePath("data/Trash/files/");
    EXPECT_EQ(firstTrashed, files + "a b%.tar.gz");
    EXPECT_EQ(secondTrashed, files + "a b% 2.tar.gz");
    EXPECT_EQ(folderTrashed, files + "folder");
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_TRUE(QFileInfo::exists(folderTrashed + "/inner"));

    const QString info = readAll(infoPathOf(secondTrashed));
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(second, "/"));
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + encoded + "\nDeletionDate=")) << info.toStdString();
    EXPECT_TRUE(QRegularExpression("DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")
                    .match(info)
                    .hasMatch());
    EXPECT_TRUE(QFileInfo::exists(infoPathOf(firstTrashed)));
}

TEST(KTWorkspaceTest, AFileThatCannotBeTrashedStaysWhereItIs)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("photo.jpg");
    writeFile(file);
    QString error;

    {
        DataHome home(dir.filePath("data"));
        EXPECT_FALSE(KTWorkspace::sharedWorkspace().recycle(dir.filePath("missing.jpg"), &error));
        EXPECT_TRUE(error.contains("missing.jpg")) << error.toStdString();
        EXPECT_FALSE(KTWorkspace::sharedWorkspace().recycle(QString(), &error));
    }
    {
        // A home trash that is a file cannot take anything; the file is not deleted instead.
        QDir().mkpath(dir.filePath("broken"));
        writeFile(dir.filePath("broken/Trash"));
        DataHome home(dir.filePath("broken"));
        error.clear();
        EXPECT_FALSE(KTWorkspace::sharedWorkspace().recycle(file, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(file));
    }
}

TEST(KTWorkspaceTest, AFileOnAnotherFileSystemGoesToTheTrashOfItsMount)
{
    struct stat tmpInfo;
    struct stat shmInfo;
    if (::stat("/dev/shm", &shmInfo) != 0 || ::stat(QFile::encodeName(QDir::tempPath()), &tmpInfo) != 0 ||
        shmInfo.st_dev == tmpInfo.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    QTemporaryDir dir(QStringLiteral("/dev/shm/vireoscope-trash-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("photo.jpg");
    writeFile(file);

    const QString trash = QStringLiteral("/dev/shm/.Trash-%1").arg(::getuid());
    const bool trashExisted = QFileInfo::exists(trash);

    QString error;
    QString trashed;
    ASSERT_TRUE(KTWorkspace::sharedWorkspace().recycle(file, &error, &trashed)) << error.toStdString();

    EXPECT_TRUE(trashed.startsWith(trash + "/files/")) << trashed.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));
    // Paths in a mount's trash are relative to the mount's top folder.
    const QString info = readAll(infoPathOf(trashed));
    EXPECT_TRUE(info.contains("\nPath=" + QFileInfo(dir.path()).fileName() + "/photo.jpg\n"))
        << info.toStdString();
    QFile::remove(infoPathOf(trashed));
    QFile::remove(trashed);
    if (!trashExisted)
        QDir(trash).removeRecursively();
}
