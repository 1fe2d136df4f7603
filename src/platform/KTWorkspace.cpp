#include "KTWorkspace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool statPath(const QString &path, struct stat *info)
{
    return ::lstat(QFile::encodeName(path).constData(), info) == 0;
}

// Creates `path` and its missing parents with mode 0700, as the trash folders must be private.
bool makePrivateFolder(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makePrivateFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST;
}

// The folder at the top of the mount that holds `path`: the last ancestor on the same device.
QString mountTop(const QString &path, dev_t device)
{
    QString top = QFileInfo(path).absolutePath();
    while (top != QLatin1String("/")) {
        const QString parent = QFileInfo(top).path();
        struct stat info;
        if (!statPath(parent, &info) || info.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

struct Trash
{
    QString folder;
    // Empty for the home trash, whose info files hold absolute paths; the mount's top folder
    // otherwise, to which the info files' paths are relative.
    QString top;
};

// The trash on the same file system as a file on `device`, made when missing; empty when there
// is none that may be used.
Trash trashForDevice(const QString &path, dev_t device, QString *reason)
{
    const QString home = KTWorkspace::homeTrashPath();
    const QString homeParent = QFileInfo(home).path();
    struct stat homeInfo;
    if (makePrivateFolder(homeParent) && statPath(homeParent, &homeInfo) && homeInfo.st_dev == device) {
        if (makePrivateFolder(home + QStringLiteral("/files")) &&
            makePrivateFolder(home + QStringLiteral("/info")))
            return {home, {}};
        *reason = QStringLiteral("the trash folder %1 cannot be made").arg(home);
        return {};
    }

    const QString top = mountTop(path, device);
    const QString uid = QString::number(::getuid());
    // An administrator's shared .Trash counts only when it is a real sticky folder.
    const QString shared = top + QStringLiteral("/.Trash");
    struct stat sharedInfo;
    if (statPath(shared, &sharedInfo) && S_ISDIR(sharedInfo.st_mode) && (sharedInfo.st_mode & S_ISVTX)) {
        const QString folder = shared + QLatin1Char('/') + uid;
        if (makePrivateFolder(folder + QStringLiteral("/files")) &&
            makePrivateFolder(folder + QStringLiteral("/info")))
            return {folder, top};
    }
    const QString own = top + QStringLiteral("/.Trash-") + uid;
    struct stat ownInfo;
    const bool exists = statPath(own, &ownInfo);
    if (exists && (!S_ISDIR(ownInfo.st_mode) || ownInfo.st_uid != ::getuid())) {
        *reason = QStringLiteral("%1 is not a trash folder of this user").arg(own);
        return {};
    }
    if (makePrivateFolder(own + QStringLiteral("/files")) && makePrivateFolder(own + QStringLiteral("/info")))
        return {own, top};
    *reason = QStringLiteral("no trash can be made on the file system of %1").arg(path);
    return {};
}

QString trashInfoText(const QString &originalPath, const QString &top)
{
    QString path = originalPath;
    if (!top.isEmpty())
        path = top == QLatin1String("/") ? path.mid(1) : path.mid(top.size() + 1);
    const QByteArray encoded = QUrl::toPercentEncoding(path, "/");
    return QStringLiteral("[Trash Info]\nPath=%1\nDeletionDate=%2\n")
        .arg(QString::fromLatin1(encoded),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")));
}

// Claims "<name>.trashinfo" (then "<base> 2<ext>"...) with an exclusive create, so two callers
// never pick one name; returns the claimed name, empty when none could be claimed.
QString claimInfoFile(const Trash &trash, const QString &originalPath, QString *reason)
{
    const QFileInfo original(originalPath);
    const QString fileName = original.fileName();
    const QString suffix = original.completeSuffix();
    const QString base = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    const QByteArray text = trashInfoText(originalPath, trash.top).toUtf8();
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QString name = attempt == 1 ? fileName
                                          : QStringLiteral("%1 %2%3").arg(base).arg(attempt).arg(
                                                suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        struct stat existing;
        if (statPath(trash.folder + QStringLiteral("/files/") + name, &existing))
            continue;
        const QByteArray infoPath =
            QFile::encodeName(trash.folder + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            *reason = QStringLiteral("the trash information cannot be written: %1").arg(errnoText(errno));
            return {};
        }
        const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
        const bool closed = ::close(fd) == 0;
        if (written && closed)
            return name;
        *reason = QStringLiteral("the trash information cannot be written");
        ::unlink(infoPath.constData());
        return {};
    }
    *reason = QStringLiteral("no free name in the trash");
    return {};
}

} // namespace

KTWorkspace &KTWorkspace::sharedWorkspace()
{
    static KTWorkspace s_workspace;
    return s_workspace;
}

QString KTWorkspace::homeTrashPath()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome) + QStringLiteral("/Trash");
}

bool KTWorkspace::recycle(const QString &path, QString *error, QString *trashedPath)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("%1 cannot be moved to the trash: %2").arg(path, reason);
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no path"));
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat info;
    if (!statPath(absolute, &info))
        return fail(errnoText(errno));

    QString reason;
    const Trash trash = trashForDevice(absolute, info.st_dev, &reason);
    if (trash.folder.isEmpty())
        return fail(reason);
    if (absolute == trash.folder || trash.folder.startsWith(absolute + QLatin1Char('/')))
        return fail(QStringLiteral("it holds the trash"));

    const QString name = claimInfoFile(trash, absolute, &reason);
    if (name.isEmpty())
        return fail(reason);
    const QString destination = trash.folder + QStringLiteral("/files/") + name;
    // A rename never crosses file systems (EXDEV), so the file is moved whole or not at all; it
    // never replaces what another program put under the claimed name meanwhile either.
    const QByteArray from = QFile::encodeName(absolute);
    const QByteArray to = QFile::encodeName(destination);
    int renamed = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL) // a file system without RENAME_NOREPLACE
        renamed = ::rename(from.constData(), to.constData());
    if (renamed != 0) {
        const int renameError = errno;
        QFile::remove(trash.folder + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        return fail(errnoText(renameError));
    }
    if (trashedPath)
        *trashedPath = destination;
    return true;
}
