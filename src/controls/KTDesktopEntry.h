#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// An application's freedesktop desktop entry, as far as opening files with it needs, and the
/// lookup of the applications that open given MIME types.
///
/// Threading: plain values and functions; the lookups read the file system.
struct KTDesktopEntry
{
    /// The desktop file id ("org.example.Editor.desktop"; a subfolder joins with '-').
    QString id;
    QString name;
    QString exec;
    QString icon;
    QString tryExec;
    QString path;
    QStringList mimeTypes;
    bool noDisplay = false;
    bool hidden = false;
    bool isApplication = false;

    /// The [Desktop Entry] group of the file at `path`; nothing when it has none.
    static std::optional<KTDesktopEntry> parse(const QString &path, const QString &id);

    /// The folders searched for "applications/", most important first: $XDG_DATA_HOME (or
    /// ~/.local/share), then $XDG_DATA_DIRS (or /usr/local/share:/usr/share).
    static QStringList dataDirs();

    /// The visible applications whose entry opens one of `mimeTypes`, by name; an id found in an
    /// earlier folder hides the same id in later ones. Entries whose TryExec program is missing
    /// and entries of `excludedPrograms` (by the basename of their command) are left out.
    static QList<KTDesktopEntry> applicationsForMimeTypes(const QStringList &mimeTypes,
                                                          const QStringList &dataDirs,
                                                          const QStringList &excludedPrograms = {});

    /// The command lines that open `paths` with this entry's Exec: the field codes %f and %u
    /// give one command per file, %F and %U one command with them all, %i, %c and %k the icon,
    /// name and entry path, %% a percent sign; deprecated codes are dropped. An Exec without a
    /// file code gets the files appended. Each command is the program followed by its arguments.
    QList<QStringList> commandsForPaths(const QStringList &paths) const;

    /// Exec split into arguments by the desktop entry quoting rules (double quotes, backslash
    /// escapes inside them).
    static QStringList splitExec(const QString &exec);
};

/// MIME types of JPEG and of the camera RAW formats.
QStringList ktImageEditorMimeTypes();
