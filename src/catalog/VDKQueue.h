#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <mutex>
#include <thread>

// What a path is watched for; an event reports the kinds that happened, in this order:
// rename, write, delete, attributes, size increase, link count, access revoked.
inline constexpr quint32 kVDKQueueNotifyAboutDelete = 0x1;
inline constexpr quint32 kVDKQueueNotifyAboutWrite = 0x2;
inline constexpr quint32 kVDKQueueNotifyAboutSizeIncrease = 0x4;
inline constexpr quint32 kVDKQueueNotifyAboutAttributeChange = 0x8;
inline constexpr quint32 kVDKQueueNotifyAboutLinkCountChange = 0x10;
inline constexpr quint32 kVDKQueueNotifyAboutRename = 0x20;
inline constexpr quint32 kVDKQueueNotifyAboutAccessRevocation = 0x40;
inline constexpr quint32 kVDKQueueNotifyDefault = 0x7f;

// The names under which the kinds are delivered.
inline constexpr char VDKQueueRenameNotification[] = "VDKQueueFileRenamedNotification";
inline constexpr char VDKQueueWriteNotification[] = "VDKQueueFileWrittenToNotification";
inline constexpr char VDKQueueDeleteNotification[] = "VDKQueueFileDeletedNotification";
inline constexpr char VDKQueueAttributeChangeNotification[] = "VDKQueueFileAttributesChangedNotification";
inline constexpr char VDKQueueSizeIncreaseNotification[] = "VDKQueueFileSizeIncreasedNotification";
inline constexpr char VDKQueueLinkCountChangeNotification[] = "VDKQueueLinkCountChangedNotification";
inline constexpr char VDKQueueAccessRevocationNotification[] = "VDKQueueAccessWasRevokedNotification";

/// The userInfo of every notification above, {"path": the watched path}; posters and observers
/// go through these helpers. path() is empty when the key is absent or not a string.
struct VDKQueueNotificationInfo
{
    static QVariantMap userInfo(const QString &path) { return {{QStringLiteral("path"), path}}; }
    static QString path(const QVariantMap &userInfo)
    {
        const QVariant value = userInfo.value(QStringLiteral("path"));
        return value.typeId() == QMetaType::QString ? value.toString() : QString();
    }
};

class VDKQueue;

/// Receives a watcher's changes, on the main thread.
class VDKQueueDelegate
{
public:
    virtual ~VDKQueueDelegate() = default;
    /// `receivedNotification` is one of the names above; `forPath` the watched path.
    virtual void VDKQueue(::VDKQueue *queue, const QString &receivedNotification, const QString &forPath) = 0;
};

/// Watches files and folders for changes and reports each kind of change by name, to its
/// delegate or, without one (or with alwaysPostNotifications), as a notification on the default
/// centre with {"path": path}. A folder reports writes when entries are created, removed or
/// renamed in it, and link-count changes when the entry is a folder.
///
/// Threading: addPath, removePath, removeAllPaths and numberOfWatchedPaths may be called from any
/// thread. A background thread, started by the first addPath, reads the kernel's events; the
/// kinds one read brings for a path are delivered together in one main-queue job, and never after
/// the path was removed. Create, configure and destroy the watcher on the main thread;
/// destruction stops and joins the thread.
class VDKQueue : public QObject
{
    Q_OBJECT

public:
    explicit VDKQueue(QObject *parent = nullptr);
    ~VDKQueue() override;

    /// False when the kernel refused a watch instance; such a watcher watches nothing.
    bool isValid() const { return m_inotifyFd >= 0; }

    /// Watches `path` for the given kinds. Watching a path again changes nothing. Returns false,
    /// and logs, when the path cannot be watched (missing, or the watch limit reached).
    bool addPath(const QString &path, quint32 notifyingAbout = kVDKQueueNotifyDefault);
    /// Stops watching `path`; events already read for it are dropped.
    void removePath(const QString &path);
    void removeAllPaths();
    int numberOfWatchedPaths() const;

    /// Main thread only. Not owned; clear it before destroying the delegate.
    VDKQueueDelegate *delegate() const { return m_delegate; }
    void setDelegate(VDKQueueDelegate *delegate) { m_delegate = delegate; }
    /// Main thread only. Posts notifications even when a delegate is set.
    bool alwaysPostNotifications() const { return m_alwaysPostNotifications; }
    void setAlwaysPostNotifications(bool value) { m_alwaysPostNotifications = value; }

private:
    struct PathEntry
    {
        QString path;
        int watchDescriptor = -1;
        quint32 subscriptionFlags = 0;
        /// Tells a re-added path from the removed one whose events may still be on their way.
        std::uint64_t serial = 0;
        bool isDirectory = false;
        qint64 size = 0;
        quint64 linkCount = 0;
    };

    void watcherThread();
    void readEvents();
    quint32 changesOf(PathEntry &entry, quint32 mask, bool aboutChild);
    void removeEntry(const QString &path);
    void deliver(const QString &path, std::uint64_t serial, quint32 flags);

    int m_inotifyFd = -1;
    int m_wakeFd = -1;
    mutable std::recursive_mutex m_mutex;
    QHash<QString, PathEntry> m_entries;
    std::uint64_t m_nextSerial = 1;
    std::thread m_thread;
    VDKQueueDelegate *m_delegate = nullptr;
    bool m_alwaysPostNotifications = false;
};
