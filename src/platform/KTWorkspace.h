#pragma once

#include <QString>

/// Moves files to the desktop's trash, following the freedesktop.org Trash standard: a file
/// on the same file system as the home trash ($XDG_DATA_HOME/Trash) goes there; a file on
/// another file system goes to the trash at the top of its mount ($topdir/.Trash/$uid when the
/// administrator made a sticky, non-link .Trash, otherwise $topdir/.Trash-$uid). Each trashed
/// file gets a unique name in "files" and a "<name>.trashinfo" in "info" with its original Path
/// and DeletionDate, so the file manager can restore it.
///
/// A file is only ever renamed, never copied and deleted: when no trash on its own file system
/// can be used, the call fails and the file stays where it was.
///
/// Threading: stateless; any thread. Each call blocks on the file system.
class KTWorkspace
{
public:
    static KTWorkspace &sharedWorkspace();

    /// Moves the file or folder at `path` (a link is moved as the link) into the trash. False,
    /// with `error` set to a readable reason, when it stays in place (missing, no usable trash,
    /// no permission). On success `trashedPath` (when given) receives its path inside the trash.
    bool recycle(const QString &path, QString *error = nullptr, QString *trashedPath = nullptr);

    /// The home trash folder: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
    static QString homeTrashPath();
};
