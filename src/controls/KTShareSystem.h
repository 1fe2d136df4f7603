#pragma once

#include "KTDesktopEntry.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

/// What the share manager asks of the desktop: revealing files, the installed applications and
/// starting them, e-mail. Replaceable, so that tests never start a program or touch the session bus.
///
/// Threading: main thread only.
class KTShareSystem
{
public:
    virtual ~KTShareSystem() = default;

    /// Asks the file manager to show and select `paths` (org.freedesktop.FileManager1.ShowItems
    /// on the session bus); `done` runs on the main thread with false when nobody answered.
    virtual void showItemsInFileManager(const QStringList &paths, std::function<void(bool shown)> done) = 0;
    /// Opens `folder` in the desktop's file manager.
    virtual bool openFolder(const QString &folder) = 0;
    /// The applications that open JPEG or camera RAW files, by name.
    virtual QList<KTDesktopEntry> imageEditors() = 0;
    /// The application behind one of the named export targets, when this desktop has it.
    virtual std::optional<KTDesktopEntry> applicationForExportTarget(const QString &exportItemID) = 0;
    /// Starts `application` with `paths`; false when it could not be started.
    virtual bool openWithApplication(const KTDesktopEntry &application, const QStringList &paths) = 0;
    virtual bool canSendEmail() = 0;
    /// Opens a new message with `paths` attached.
    virtual bool sendEmail(const QStringList &paths) = 0;

    /// The system in use: the desktop's unless one was installed.
    static KTShareSystem &shared();
    /// Installs `system` (null restores the desktop's); returns the previous one.
    static std::shared_ptr<KTShareSystem> install(std::shared_ptr<KTShareSystem> system);
};

/// The Linux desktop: D-Bus, desktop entries, xdg-email.
class KTDesktopShareSystem : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &paths, std::function<void(bool shown)> done) override;
    bool openFolder(const QString &folder) override;
    /// Looked up once, at the first call.
    QList<KTDesktopEntry> imageEditors() override;
    /// None of the named targets exists on this desktop.
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &exportItemID) override;
    bool openWithApplication(const KTDesktopEntry &application, const QStringList &paths) override;
    bool canSendEmail() override;
    bool sendEmail(const QStringList &paths) override;

private:
    std::optional<QList<KTDesktopEntry>> m_editors;
};
