#include "KTDesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <algorithm>

QStringList ktImageEditorMimeTypes()
{
    return {QStringLiteral("image/jpeg"),
            QStringLiteral("image/x-dcraw"),
            QStringLiteral("image/x-adobe-dng"),
            QStringLiteral("image/x-canon-cr2"),
            QStringLiteral("image/x-canon-cr3"),
            QStringLiteral("image/x-canon-crw"),
            QStringLiteral("image/x-nikon-nef"),
            QStringLiteral("image/x-nikon-nrw"),
            QStringLiteral("image/x-sony-arw"),
            QStringLiteral("image/x-sony-sr2"),
            QStringLiteral("image/x-fuji-raf"),
            QStringLiteral("image/x-olympus-orf"),
            QStringLiteral("image/x-panasonic-rw2"),
            QStringLiteral("image/x-pentax-pef"),
            QStringLiteral("image/x-samsung-srw"),
            QStringLiteral("image/x-sigma-x3f")};
}

std::optional<KTDesktopEntry> KTDesktopEntry::parse(const QString &path, const QString &id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    KTDesktopEntry entry;
    entry.id = id;
    entry.path = path;
    bool inEntry = false;
    bool found = false;
    QTextStream stream(&file);
    while (!stream.atEnd()) {
        const QString line = stream.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            found = found || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("TryExec"))
            entry.tryExec = value;
        else if (key == QLatin1String("MimeType"))
            entry.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        else if (key == QLatin1String("NoDisplay"))
            entry.noDisplay = value == QLatin1String("true");
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
        else if (key == QLatin1String("Type"))
            entry.isApplication = value == QLatin1String("Application");
    }
    if (!found)
        return std::nullopt;
    return entry;
}

QStringList KTDesktopEntry::dataDirs()
{
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs.append(home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    dirs.append(system.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    return dirs;
}

QList<KTDesktopEntry> KTDesktopEntry::applicationsForMimeTypes(const QStringList &mimeTypes,
                                                               const QStringList &dataDirs,
                                                               const QStringList &excludedPrograms)
{
    QList<KTDesktopEntry> result;
    QSet<QString> seen;
    for (const QString &dataDir : dataDirs) {
        const QDir applications(dataDir + QStringLiteral("/applications"));
        if (!applications.exists())
            continue;
        QDirIterator it(applications.path(), {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        for (const QString &file : files) {
            const QString id =
                applications.relativeFilePath(file).replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            const std::optional<KTDesktopEntry> entry = parse(file, id);
            if (!entry || !entry->isApplication || entry->hidden || entry->noDisplay || entry->exec.isEmpty())
                continue;
            if (std::none_of(mimeTypes.begin(), mimeTypes.end(),
                             [&](const QString &type) { return entry->mimeTypes.contains(type); }))
                continue;
            if (!entry->tryExec.isEmpty() && QStandardPaths::findExecutable(entry->tryExec).isEmpty() &&
                !QFileInfo(entry->tryExec).isExecutable())
                continue;
            const QStringList command = splitExec(entry->exec);
            if (command.isEmpty() || excludedPrograms.contains(QFileInfo(command.first()).fileName()))
                continue;
            result.append(*entry);
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const KTDesktopEntry &a, const KTDesktopEntry &b) {
        return a.name.localeAwareCompare(b.name) < 0;
    });
    return result;
}

QStringList KTDesktopEntry::splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                current += exec.at(++i);
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c.isSpace()) {
            if (any || !current.isEmpty())
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments.append(current);
    return arguments;
}

QList<QStringList> KTDesktopEntry::commandsForPaths(const QStringList &paths) const
{
    const QStringList arguments = splitExec(exec);
    if (arguments.isEmpty())
        return {};
    const auto urls = [](const QStringList &files) {
        QStringList result;
        for (const QString &file : files)
            result.append(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
        return result;
    };
    // Expands one command for `files` (all of them, or one for the single-file codes).
    bool single = false;
    bool takesFiles = false;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("%f") || argument == QLatin1String("%u"))
            single = takesFiles = true;
        if (argument == QLatin1String("%F") || argument == QLatin1String("%U"))
            takesFiles = true;
    }
    const auto expand = [&](const QStringList &files) {
        QStringList command;
        for (const QString &argument : arguments) {
            if (argument == QLatin1String("%f") || argument == QLatin1String("%F")) {
                command.append(files);
            } else if (argument == QLatin1String("%u") || argument == QLatin1String("%U")) {
                command.append(urls(files));
            } else if (argument == QLatin1String("%i")) {
                if (!icon.isEmpty())
                    command << QStringLiteral("--icon") << icon;
            } else {
                QString expanded;
                for (qsizetype i = 0; i < argument.size(); ++i) {
                    if (argument.at(i) != QLatin1Char('%') || i + 1 >= argument.size()) {
                        expanded += argument.at(i);
                        continue;
                    }
                    const QChar code = argument.at(++i);
                    if (code == QLatin1Char('%'))
                        expanded += QLatin1Char('%');
                    else if (code == QLatin1Char('c'))
                        expanded += name;
                    else if (code == QLatin1Char('k'))
                        expanded += path;
                    // Any other code (deprecated or misplaced) is dropped.
                }
                if (!expanded.isEmpty())
                    command.append(expanded);
            }
        }
        if (!takesFiles)
            command.append(files);
        return command;
    };
    QList<QStringList> commands;
    if (single) {
        for (const QString &file : paths)
            commands.append(expand({file}));
    } else {
        commands.append(expand(paths));
    }
    return commands;
}
