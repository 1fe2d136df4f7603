#include "KTProcessList.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

QString fileNameOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

} // namespace

QString KTProcessList::executableStem(const QString &name)
{
    QString stem = fileNameOf(name).trimmed().toLower();
    if (stem.endsWith(QLatin1String(".exe")))
        stem.chop(4);
    return stem;
}

QStringList KTProcessList::runningExecutableNames(const QString &procRoot)
{
    QStringList names;
    const QDir root(procRoot);
    const QStringList entries = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isProcess = false;
        entry.toLongLong(&isProcess);
        if (!isProcess)
            continue;
        const QString comm =
            QString::fromLocal8Bit(readSmallFile(root.filePath(entry + QStringLiteral("/comm")))).trimmed();
        if (!comm.isEmpty())
            names.append(comm);
        const QList<QByteArray> arguments =
            readSmallFile(root.filePath(entry + QStringLiteral("/cmdline"))).split('\0');
        if (arguments.isEmpty() || arguments.first().isEmpty())
            continue;
        const QString program = fileNameOf(QString::fromLocal8Bit(arguments.first()));
        names.append(program);
        if (program.startsWith(QLatin1String("wine"), Qt::CaseInsensitive) && arguments.size() > 1 &&
            !arguments.at(1).isEmpty()) {
            names.append(fileNameOf(QString::fromLocal8Bit(arguments.at(1))));
        }
    }
    return names;
}

bool KTProcessList::isExecutableRunning(const QString &stem, const QString &procRoot)
{
    const QString wanted = executableStem(stem);
    if (wanted.isEmpty())
        return false;
    const QStringList names = runningExecutableNames(procRoot);
    for (const QString &name : names) {
        if (executableStem(name) == wanted)
            return true;
    }
    return false;
}
