#include "KTSourceBookmarks.h"

#include "KTUserDefaults.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

QByteArray KTSourceBookmarks::bookmarkForPath(const QString &path)
{
    if (path.isEmpty())
        return {};
    struct statx info = {};
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), AT_STATX_SYNC_AS_STAT, STATX_INO | STATX_BTIME,
                &info) != 0)
        return {};
    QByteArray identity =
        QByteArrayLiteral("folder-identity 1 dev=") + QByteArray::number(info.stx_dev_major) + ':' +
        QByteArray::number(info.stx_dev_minor) + " ino=" + QByteArray::number(quint64(info.stx_ino));
    // File systems without birth times give an identity of device and inode only.
    if (info.stx_mask & STATX_BTIME)
        identity += " btime=" + QByteArray::number(qint64(info.stx_btime.tv_sec)) + '.' +
                    QByteArray::number(info.stx_btime.tv_nsec);
    return identity;
}

QVariantMap KTSourceBookmarks::securityBookmarksDictionary()
{
    return KTUserDefaults::standardUserDefaults().dictionaryForKey(kSecurityBookmarksDictionary);
}

void KTSourceBookmarks::saveBookmarkForPath(const QString &path)
{
    const QByteArray bookmark = bookmarkForPath(path);
    if (bookmark.isNull())
        return;
    QVariantMap bookmarks = securityBookmarksDictionary();
    bookmarks.insert(path, bookmark);
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.setObject(bookmarks, kSecurityBookmarksDictionary);
    defaults.synchronize();
}

void KTSourceBookmarks::forgetBookmarks()
{
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(kSecurityBookmarksDictionary);
    defaults.synchronize();
}
