#include "VDKQueue.h"

#include "KTDispatch.h"
#include "KTNotificationCenter.h"

#include <QFile>
#include <QPointer>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One mask for every watch: the kernel keeps one watch per inode, shared by every path that
// names it, so the kinds each path wants are filtered here rather than in the kernel.
constexpr uint32_t kInotifyMask = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF | IN_CREATE |
                                  IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

struct Kind
{
    quint32 flag;
    const char *name;
};

// Delivery order of the kinds of one event.
constexpr Kind kKinds[] = {
    {kVDKQueueNotifyAboutRename, VDKQueueRenameNotification},
    {kVDKQueueNotifyAboutWrite, VDKQueueWriteNotification},
    {kVDKQueueNotifyAboutDelete, VDKQueueDeleteNotification},
    {kVDKQueueNotifyAboutAttributeChange, VDKQueueAttributeChangeNotification},
    {kVDKQueueNotifyAboutSizeIncrease, VDKQueueSizeIncreaseNotification},
    {kVDKQueueNotifyAboutLinkCountChange, VDKQueueLinkCountChangeNotification},
    {kVDKQueueNotifyAboutAccessRevocation, VDKQueueAccessRevocationNotification},
};

} // namespace

VDKQueue::VDKQueue(QObject *parent) : QObject(parent)
{
    m_inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotifyFd >= 0)
        m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0 && m_inotifyFd >= 0) {
        ::close(m_inotifyFd);
        m_inotifyFd = -1;
    }
}

VDKQueue::~VDKQueue()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        // An eventfd write of 1 cannot fail short of a counter overflow.
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    removeAllPaths();
    if (m_inotifyFd >= 0 && ::close(m_inotifyFd) != 0)
        qWarning("VDKQueue watcherThread: Couldn't close main kqueue (%d)", errno);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool VDKQueue::addPath(const QString &path, quint32 notifyingAbout)
{
    if (path.isEmpty())
        return false;
    std::lock_guard lock(m_mutex);
    if (m_entries.contains(path))
        return true;

    const QByteArray name = QFile::encodeName(path);
    struct stat info = {};
    const int watch = isValid() && ::stat(name.constData(), &info) == 0
                          ? ::inotify_add_watch(m_inotifyFd, name.constData(), kInotifyMask)
                          : -1;
    if (watch < 0) {
        qWarning().noquote()
            << QStringLiteral("VDKQueue tried to add the path %1 to watchedPathEntries, but the "
                              "VDKQueuePathEntry was nil. \nIt's possible that the host process has hit "
                              "its max open file descriptors limit.")
                   .arg(path);
        return false;
    }
    PathEntry entry;
    entry.path = path;
    entry.watchDescriptor = watch;
    entry.subscriptionFlags = notifyingAbout;
    entry.serial = m_nextSerial++;
    entry.isDirectory = S_ISDIR(info.st_mode);
    entry.size = info.st_size;
    entry.linkCount = info.st_nlink;
    m_entries.insert(path, entry);

    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { watcherThread(); });
        ::pthread_setname_np(m_thread.native_handle(), "VDKQueue");
    }
    return true;
}

void VDKQueue::removeEntry(const QString &path)
{
    const auto found = m_entries.find(path);
    if (found == m_entries.end())
        return;
    const int watch = found->watchDescriptor;
    m_entries.erase(found);
    if (watch < 0)
        return;
    for (const PathEntry &other : std::as_const(m_entries)) {
        if (other.watchDescriptor == watch)
            return;
    }
    ::inotify_rm_watch(m_inotifyFd, watch);
}

void VDKQueue::removePath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    removeEntry(path);
}

void VDKQueue::removeAllPaths()
{
    std::lock_guard lock(m_mutex);
    const QList<QString> paths = m_entries.keys();
    for (const QString &path : paths)
        removeEntry(path);
}

int VDKQueue::numberOfWatchedPaths() const
{
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

void VDKQueue::watcherThread()
{
    pollfd fds[2] = {{m_inotifyFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            qWarning("Error in VDKQueue watcherThread: poll failed (%d)", errno);
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN)
            readEvents();
    }
}

quint32 VDKQueue::changesOf(PathEntry &entry, quint32 mask, bool aboutChild)
{
    quint32 flags = 0;
    if (aboutChild) {
        // Only the entries of a folder count as a change of it: not writes to them or their
        // attributes.
        if (mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) {
            flags |= kVDKQueueNotifyAboutWrite;
            if (mask & IN_ISDIR)
                flags |= kVDKQueueNotifyAboutLinkCountChange;
        }
        return flags;
    }
    if (mask & IN_MOVE_SELF)
        flags |= kVDKQueueNotifyAboutRename;
    if (mask & IN_DELETE_SELF)
        flags |= kVDKQueueNotifyAboutDelete;
    if (mask & IN_UNMOUNT)
        flags |= kVDKQueueNotifyAboutAccessRevocation;
    if (mask & (IN_MODIFY | IN_ATTRIB)) {
        struct stat info = {};
        const bool known = ::stat(QFile::encodeName(entry.path).constData(), &info) == 0;
        if (mask & IN_MODIFY) {
            flags |= kVDKQueueNotifyAboutWrite;
            if (known && info.st_size > entry.size)
                flags |= kVDKQueueNotifyAboutSizeIncrease;
        }
        if (mask & IN_ATTRIB) {
            // The kernel reports a new link count as an attribute change; tell them apart. A file
            // that is gone lost its last link.
            if (!known || quint64(info.st_nlink) != entry.linkCount)
                flags |= kVDKQueueNotifyAboutLinkCountChange;
            else
                flags |= kVDKQueueNotifyAboutAttributeChange;
        }
        if (known) {
            entry.size = info.st_size;
            entry.linkCount = info.st_nlink;
        }
    }
    return flags;
}

void VDKQueue::readEvents()
{
    alignas(inotify_event) char buffer[16 * 1024];
    const ssize_t length = ::read(m_inotifyFd, buffer, sizeof buffer);
    if (length <= 0)
        return;

    struct Change
    {
        QString path;
        std::uint64_t serial;
        quint32 flags;
    };
    std::vector<Change> changes;
    {
        std::lock_guard lock(m_mutex);
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            for (PathEntry &entry : m_entries) {
                if (event->wd < 0 || entry.watchDescriptor != event->wd)
                    continue;
                const quint32 flags = changesOf(entry, event->mask, event->len > 0) & entry.subscriptionFlags;
                if (event->mask & IN_IGNORED)
                    entry.watchDescriptor = -1; // The kernel dropped the watch (deleted or unmounted).
                if (!flags)
                    continue;
                auto same = std::find_if(changes.begin(), changes.end(),
                                         [&](const Change &c) { return c.serial == entry.serial; });
                if (same == changes.end())
                    changes.push_back({entry.path, entry.serial, flags});
                else
                    same->flags |= flags;
            }
        }
    }
    for (const Change &change : changes) {
        postToMain([self = QPointer<VDKQueue>(this), change] {
            if (self)
                self->deliver(change.path, change.serial, change.flags);
        });
    }
}

void VDKQueue::deliver(const QString &path, std::uint64_t serial, quint32 flags)
{
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_entries.constFind(path);
        if (found == m_entries.cend() || found->serial != serial)
            return;
    }
    const QPointer<VDKQueue> self(this);
    for (const Kind &kind : kKinds) {
        if (!(flags & kind.flag))
            continue;
        const QString name = QLatin1String(kind.name);
        if (m_delegate)
            m_delegate->VDKQueue(this, name, path);
        // The delegate may have destroyed the watcher.
        if (!self)
            return;
        if (!m_delegate || m_alwaysPostNotifications)
            KTNotificationCenter::defaultCenter().post(name, this, VDKQueueNotificationInfo::userInfo(path));
    }
}
