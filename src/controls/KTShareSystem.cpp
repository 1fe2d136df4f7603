#include "KTShareSystem.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

std::shared_ptr<KTShareSystem> &installed()
{
    static std::shared_ptr<KTShareSystem> system;
    return system;
}

} // namespace

KTShareSystem &KTShareSystem::shared()
{
    static KTDesktopShareSystem desktop;
    return installed() ? *installed() : desktop;
}

std::shared_ptr<KTShareSystem> KTShareSystem::install(std::shared_ptr<KTShareSystem> system)
{
    return std::exchange(installed(), std::move(system));
}

void KTDesktopShareSystem::showItemsInFileManager(const QStringList &paths,
                                                  std::function<void(bool shown)> done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || paths.isEmpty()) {
        done(false);
        return;
    }
    QStringList uris;
    for (const QString &path : paths)
        uris.append(QUrl::fromLocalFile(path).toString());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asynchronous, so a file manager that takes its time to start never freezes the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done](QDBusPendingCallWatcher *w) {
                         const bool shown = !w->isError();
                         w->deleteLater();
                         done(shown);
                     });
}

bool KTDesktopShareSystem::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QList<KTDesktopEntry> KTDesktopShareSystem::imageEditors()
{
    if (!m_editors) {
        m_editors = KTDesktopEntry::applicationsForMimeTypes(
            ktImageEditorMimeTypes(), KTDesktopEntry::dataDirs(), {QStringLiteral("vireoscope")});
    }
    return *m_editors;
}

std::optional<KTDesktopEntry> KTDesktopShareSystem::applicationForExportTarget(const QString &)
{
    return std::nullopt;
}

bool KTDesktopShareSystem::openWithApplication(const KTDesktopEntry &application, const QStringList &paths)
{
    bool started = true;
    for (QStringList command : application.commandsForPaths(paths)) {
        const QString program = command.takeFirst();
        started = QProcess::startDetached(program, command) && started;
    }
    return started;
}

bool KTDesktopShareSystem::canSendEmail()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
}

bool KTDesktopShareSystem::sendEmail(const QStringList &paths)
{
    QStringList arguments;
    for (const QString &path : paths)
        arguments << QStringLiteral("--attach") << path;
    return QProcess::startDetached(QStringLiteral("xdg-email"), arguments);
}
