#pragma once

#include <QString>
#include <QStringList>

/// The programs running on this machine, read from the process list (/proc).
///
/// None of the photo managers whose catalogues we edit runs natively here; they run under a
/// Windows or macOS compatibility layer, where the process list shows the hosted program's
/// executable (Wine: "Lightroom.exe" as the command name, or as the first argument of the
/// loader). A program is therefore matched by its executable's stem, without letter case and
/// without a ".exe" ending.
///
/// Threading: stateless; any thread. Each call reads the process list afresh.
class KTProcessList
{
public:
    /// The executable names of every process under `procRoot` (one folder per process id): its
    /// command name, the file name of its first argument and, when that names a Wine loader
    /// ("wine", "wine64", "wine-preloader", ...), the file name of its second argument. Windows
    /// and POSIX separators both count. Unreadable processes are skipped.
    static QStringList runningExecutableNames(const QString &procRoot = QStringLiteral("/proc"));

    /// True when a process under `procRoot` runs an executable whose stem equals `stem`
    /// ("Lightroom" matches "lightroom.exe", "Lightroom.exe" and "lightroom").
    static bool isExecutableRunning(const QString &stem, const QString &procRoot = QStringLiteral("/proc"));

    /// `name` without its folders (either separator) and without a ".exe" ending, in lower case.
    static QString executableStem(const QString &name);
};
