#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

/// The user default holding the bookmark of every folder source ever added, by path.
inline const QString kSecurityBookmarksDictionary = QStringLiteral("SecurityBookmarksDictionary");

/// Bookmarks of folder sources. There is no sandbox on Linux, so a bookmark is a stable identity
/// of the folder: device, inode and (where the file system keeps it) birth time. The inode alone
/// would not do, as a folder deleted and made again under the same path often gets the same
/// number. Starting and stopping access to a bookmarked folder have nothing to do here.
///
/// Threading: any thread. The default is read, changed and written back without a lock, as
/// sources are added by one task at a time.
class KTSourceBookmarks
{
public:
    /// The identity of what is at `path` (links followed); null when `path` is empty or nothing
    /// can be read there.
    static QByteArray bookmarkForPath(const QString &path);
    /// A copy of the "SecurityBookmarksDictionary" default; empty when absent.
    static QVariantMap securityBookmarksDictionary();
    /// Adds the bookmark of `path` to the default and writes the defaults to disk; nothing when
    /// no bookmark can be made.
    static void saveBookmarkForPath(const QString &path);
    /// Forgets every bookmark (removes the default) and writes the defaults to disk.
    static void forgetBookmarks();
};
