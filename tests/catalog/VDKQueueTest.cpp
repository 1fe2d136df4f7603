#include "VDKQueue.h"

#include "KTNotificationCenter.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <unistd.h>

namespace {

struct Delivery
{
    QString path;
    QString name;
};

class RecordingDelegate : public VDKQueueDelegate
{
public:
    void VDKQueue(::VDKQueue *queue, const QString &receivedNotification, const QString &forPath) override
    {
        deliveries.push_back({forPath, receivedNotification});
        if (onDelivery)
            onDelivery(queue, forPath);
    }

    QStringList namesFor(const QString &path) const
    {
        QStringList names;
        for (const Delivery &d : deliveries) {
            if (d.path == path)
                names.append(d.name);
        }
        return names;
    }

    std::vector<Delivery> deliveries;
    std::function<void(::VDKQueue *, const QString &)> onDelivery;
};

int watcherThreadCount()
{
    int count = 0;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "VDKQueue")
            ++count;
    }
    return count;
}

void append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Two names of one file share the kernel's watch, so one change of it is read once for both.
void writeWithTwoNames(const QString &file, const QString &link)
{
    append(file, "x");
    ASSERT_EQ(::link(QFile::encodeName(file), QFile::encodeName(link)), 0);
}

// A watcher with a sentinel file: the kernel queues events in order, so once a write to the
// sentinel has been delivered, every change made before it has been delivered too.
class WatcherFixture
{
public:
    WatcherFixture()
    {
        m_sentinel = m_dir.filePath(QStringLiteral("sentinel"));
        append(m_sentinel, "s");
        watcher.setDelegate(&delegate);
        EXPECT_TRUE(watcher.addPath(m_sentinel, kVDKQueueNotifyAboutWrite));
    }

    void settle()
    {
        const qsizetype before = delegate.namesFor(m_sentinel).size();
        append(m_sentinel, "s");
        ASSERT_TRUE(waitUntil([&] { return delegate.namesFor(m_sentinel).size() > before; }));
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    RecordingDelegate delegate;
    VDKQueue watcher;

private:
    QString m_sentinel;
};

const QString kRename = QLatin1String(VDKQueueRenameNotification);
const QString kWrite = QLatin1String(VDKQueueWriteNotification);
const QString kDelete = QLatin1String(VDKQueueDeleteNotification);
const QString kAttributes = QLatin1String(VDKQueueAttributeChangeNotification);
const QString kSizeIncrease = QLatin1String(VDKQueueSizeIncreaseNotification);
const QString kLinkCount = QLatin1String(VDKQueueLinkCountChangeNotification);

} // namespace

TEST(VDKQueueTest, WatchedFileReportsEachKindOfChange)
{
    struct Case
    {
        const char *name;
        quint32 subscription;
        std::function<void(const QString &)> change;
        QStringList expected;
    };
    const Case cases[] = {
        {"append, writes only",
         kVDKQueueNotifyAboutWrite,
         [](const QString &p) { append(p, "more"); },
         {kWrite}},
        {"append",
         kVDKQueueNotifyDefault,
         [](const QString &p) { append(p, "more"); },
         {kWrite, kSizeIncrease}},
        {"shrink", kVDKQueueNotifyDefault, [](const QString &p) { QFile::resize(p, 1); }, {kWrite}},
        {"chmod",
         kVDKQueueNotifyDefault,
         [](const QString &p) { QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner); },
         {kAttributes}},
        {"hard link",
         kVDKQueueNotifyDefault,
         [](const QString &p) { ASSERT_EQ(::link(QFile::encodeName(p), QFile::encodeName(p + ".link")), 0); },
         {kLinkCount}},
        {"rename",
         kVDKQueueNotifyDefault,
         [](const QString &p) { QFile::rename(p, p + ".moved"); },
         {kRename}},
        {"delete", kVDKQueueNotifyAboutDelete, [](const QString &p) { QFile::remove(p); }, {kDelete}},
    };
    for (const auto &c : cases) {
        WatcherFixture fixture;
        const QString file = fixture.path("watched.jpg");
        append(file, "content");
        ASSERT_TRUE(fixture.watcher.addPath(file, c.subscription));
        c.change(file);
        fixture.settle();
        EXPECT_EQ(fixture.delegate.namesFor(file), c.expected) << c.name;
    }
}

TEST(VDKQueueTest, WatchedFolderReportsChangesOfItsEntries)
{
    WatcherFixture fixture;
    const QString folder = fixture.path("folder");
    ASSERT_TRUE(QDir().mkpath(folder));
    append(folder + "/existing.jpg", "x");
    ASSERT_TRUE(fixture.watcher.addPath(folder));

    // Writing into an entry is no change of the folder.
    append(folder + "/existing.jpg", "more");
    fixture.settle();
    EXPECT_TRUE(fixture.delegate.namesFor(folder).isEmpty());

    append(folder + "/new.jpg", "x");
    fixture.settle();
    EXPECT_TRUE(fixture.delegate.namesFor(folder).contains(kWrite));
    fixture.delegate.deliveries.clear();

    ASSERT_TRUE(QDir(folder).mkdir("sub"));
    fixture.settle();
    EXPECT_EQ(fixture.delegate.namesFor(folder), (QStringList{kWrite, kLinkCount}));
    fixture.delegate.deliveries.clear();

    ASSERT_TRUE(QFile::rename(folder + "/new.jpg", folder + "/renamed.jpg"));
    fixture.settle();
    EXPECT_EQ(fixture.delegate.namesFor(folder), QStringList{kWrite});
    fixture.delegate.deliveries.clear();

    const QString moved = fixture.path("moved");
    ASSERT_TRUE(QDir().rename(folder, moved));
    fixture.settle();
    EXPECT_EQ(fixture.delegate.namesFor(folder), QStringList{kRename});
    fixture.delegate.deliveries.clear();

    ASSERT_TRUE(QDir(moved).removeRecursively());
    fixture.settle();
    EXPECT_TRUE(fixture.delegate.namesFor(folder).contains(kDelete));
}

TEST(VDKQueueTest, NotificationsArePostedWithoutADelegateOrWhenAlwaysAsked)
{
    struct Case
    {
        bool delegate;
        bool alwaysPost;
        bool delegateCalled;
        bool posted;
    };
    const Case cases[] = {{true, false, true, false}, {true, true, true, true}, {false, false, false, true}};
    for (const auto &c : cases) {
        WatcherFixture fixture;
        const QString file = fixture.path("watched.jpg");
        append(file, "x");
        ASSERT_TRUE(fixture.watcher.addPath(file, kVDKQueueNotifyAboutWrite));
        std::vector<KTNotification> posted;
        KTObserverToken token = KTNotificationCenter::defaultCenter().addObserver(
            kWrite, &fixture.watcher, [&](const KTNotification &n) { posted.push_back(n); });
        RecordingDelegate other;
        fixture.watcher.setDelegate(c.delegate ? &other : nullptr);
        fixture.watcher.setAlwaysPostNotifications(c.alwaysPost);

        append(file, "more");
        ASSERT_TRUE(waitUntil([&] { return !other.deliveries.empty() || !posted.empty(); }));
        drainMainQueue();
        EXPECT_EQ(other.namesFor(file), c.delegateCalled ? QStringList{kWrite} : QStringList{});
        ASSERT_EQ(posted.size(), c.posted ? 1u : 0u);
        if (c.posted) {
            EXPECT_EQ(posted.front().object, &fixture.watcher);
            EXPECT_EQ(posted.front().userInfo, (QVariantMap{{"path", file}}));
        }
        fixture.watcher.setDelegate(&fixture.delegate);
    }
}

// One change of a file watched under two names yields both deliveries at once: removing the
// second name while handling the first leaves its delivery in flight.
TEST(VDKQueueTest, ARemovedPathIsNotReportedEvenWithItsEventInFlight)
{
    WatcherFixture fixture;
    const QString file = fixture.path("a.jpg");
    const QString link = fixture.path("b.jpg");
    writeWithTwoNames(file, link);
    ASSERT_TRUE(fixture.watcher.addPath(file, kVDKQueueNotifyAboutWrite));
    ASSERT_TRUE(fixture.watcher.addPath(link, kVDKQueueNotifyAboutWrite));
    QString removed;
    fixture.delegate.onDelivery = [&](::VDKQueue *queue, const QString &path) {
        if (!removed.isEmpty() || path == fixture.path("sentinel"))
            return;
        removed = path == file ? link : file;
        queue->removePath(removed);
    };

    append(file, "more");
    fixture.settle();
    ASSERT_FALSE(removed.isEmpty());
    EXPECT_TRUE(fixture.delegate.namesFor(removed).isEmpty());
    const QString kept = removed == file ? link : file;
    EXPECT_EQ(fixture.delegate.namesFor(kept), QStringList{kWrite});

    // The kept path still has its watch.
    append(file, "again");
    fixture.settle();
    EXPECT_EQ(fixture.delegate.namesFor(kept), (QStringList{kWrite, kWrite}));
    EXPECT_EQ(fixture.watcher.numberOfWatchedPaths(), 2);
}

TEST(VDKQueueTest, DestroyingTheWatcherFromItsOwnDeliveryDropsTheRestAndEndsTheThread)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a.jpg");
    const QString link = dir.filePath("b.jpg");
    writeWithTwoNames(file, link);
    RecordingDelegate delegate;
    auto watcher = std::make_unique<VDKQueue>();
    EXPECT_EQ(watcherThreadCount(), 0); // no thread before the first path
    watcher->setDelegate(&delegate);
    ASSERT_TRUE(watcher->addPath(file));
    ASSERT_TRUE(watcher->addPath(link));
    EXPECT_EQ(watcherThreadCount(), 1);
    delegate.onDelivery = [&](::VDKQueue *, const QString &) { watcher.reset(); };

    append(file, "more");
    ASSERT_TRUE(waitUntil([&] { return watcher == nullptr; }));
    drainMainQueue();
    EXPECT_EQ(delegate.deliveries.size(), 1u);
    EXPECT_EQ(watcherThreadCount(), 0);
}

TEST(VDKQueueTest, AddingKeepsOneEntryPerPathAndRefusesMissingPaths)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a.jpg");
    append(file, "x");
    {
        VDKQueue watcher;
        ASSERT_TRUE(watcher.isValid());
        EXPECT_TRUE(watcher.addPath(file));
        EXPECT_TRUE(watcher.addPath(file, kVDKQueueNotifyAboutWrite));
        EXPECT_EQ(watcher.numberOfWatchedPaths(), 1);

        KTLogCapture log;
        EXPECT_FALSE(watcher.addPath(dir.filePath("missing.jpg")));
        EXPECT_FALSE(watcher.addPath(QString()));
        EXPECT_TRUE(
            log.contains("It's possible that the host process has hit its max open file descriptors limit."));
        EXPECT_EQ(watcher.numberOfWatchedPaths(), 1);

        watcher.removePath(dir.filePath("missing.jpg"));
        watcher.removeAllPaths();
        EXPECT_EQ(watcher.numberOfWatchedPaths(), 0);
    }
    EXPECT_EQ(watcherThreadCount(), 0);
}
