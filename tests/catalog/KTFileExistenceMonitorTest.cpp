#include "KTFileExistenceMonitor.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTImageMO.h"
#include "KTObjectContext.h"
#include "KTTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

/// Replaces the shared monitor's check for one test and counts where it runs.
class CountingCheck
{
public:
    CountingCheck()
    {
        KTFileExistenceMonitor::sharedMonitor().setExistenceCheck([this](const QString &path) {
            ++checks;
            if (isMainThread())
                ++checksOnMain;
            std::unique_lock lock(mutex);
            opened.wait(lock, [this] { return !closed; });
            return QFileInfo::exists(path);
        });
    }
    ~CountingCheck()
    {
        open();
        KTFileExistenceMonitor::sharedMonitor().setExistenceCheck({});
    }

    /// Holds every check until open() (a slow network folder).
    void close()
    {
        std::lock_guard lock(mutex);
        closed = true;
    }
    void open()
    {
        {
            std::lock_guard lock(mutex);
            closed = false;
        }
        opened.notify_all();
    }

    std::atomic<int> checks{0};
    std::atomic<int> checksOnMain{0};

private:
    std::mutex mutex;
    std::condition_variable opened;
    bool closed = false;
};

struct Records
{
    explicit Records(int count)
    {
        for (int i = 0; i < count; ++i) {
            const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i));
            touch(path);
            auto *image = context->insert<KTImageMO>(kImageEntityName);
            image->setPath(path);
            // As the import leaves them: checked once, so starting to monitor asks nothing.
            image->setOriginalFileExists(true);
            images.append(image);
        }
    }

    QTemporaryDir dir;
    std::shared_ptr<KTObjectContext> context =
        KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    QList<KTImageMO *> images;
};

} // namespace

// A grid of 500 visible cells: the files are asked about in one pass off the main thread every
// 0.5 s, the answers land in one main-queue job, and a file deleted and recreated is reported
// once each way, nothing in between.
TEST(KTFileExistenceMonitorTest, FiveHundredRecordsShareOneBatchedPassOffTheMainThread)
{
    CountingCheck check;
    Records records(500);
    KTFileExistenceMonitor &monitor = KTFileExistenceMonitor::sharedMonitor();
    QSignalSpy passes(&monitor, &KTFileExistenceMonitor::passDelivered);
    QList<QVariant> heard;
    auto token =
        records.context->observe(records.images[7], kImageOriginalFileExistsKey,
                                 [&](const KTValueChange &change) { heard.append(change.newValue); });

    for (KTImageMO *image : records.images)
        image->startMonitoringFileSystem();
    records.images[7]->startMonitoringFileSystem(); // a second view of one record
    EXPECT_EQ(monitor.count(), 500);
    EXPECT_EQ(check.checks, 0); // starting asks nothing on the spot

    ASSERT_TRUE(passes.wait(5000));
    EXPECT_EQ(passes.takeFirst(), (QVariantList{500, 0})); // nothing changed, nothing is set
    EXPECT_EQ(check.checks, 500);

    const auto waitForChange = [&] {
        for (int pass = 0; pass < 10; ++pass) {
            if (!passes.wait(5000))
                return false;
            if (passes.takeFirst().at(1).toInt() > 0)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(QFile::remove(records.images[7]->path()));
    ASSERT_TRUE(waitForChange());
    EXPECT_EQ(records.images[7]->originalFileExists(), std::optional<bool>(false));
    ASSERT_TRUE(passes.wait(5000)); // a pass that finds nothing new sets nothing
    EXPECT_EQ(passes.takeFirst().at(1).toInt(), 0);
    touch(records.images[7]->path());
    ASSERT_TRUE(waitForChange());
    EXPECT_EQ(heard, (QList<QVariant>{false, true}));
    EXPECT_EQ(check.checksOnMain, 0);
    EXPECT_EQ(check.checks % 500, 0); // every pass asked about every record, once

    for (KTImageMO *image : records.images)
        image->stopMonitoringFileSystem();
    EXPECT_TRUE(records.images[7]->isMonitoringFileSystem());
    records.images[7]->stopMonitoringFileSystem();
    EXPECT_EQ(monitor.count(), 0);
}

// A folder that answers slowly holds up its pass, not the window: the ticks meanwhile start no
// second pass, and a record that a view lets go during the pass gets no answer.
TEST(KTFileExistenceMonitorTest, SlowPassIsNotDoubledAndDropsRecordsLetGoMeanwhile)
{
    CountingCheck check;
    Records records(3);
    KTFileExistenceMonitor &monitor = KTFileExistenceMonitor::sharedMonitor();
    QSignalSpy passes(&monitor, &KTFileExistenceMonitor::passDelivered);
    check.close();
    for (KTImageMO *image : records.images)
        image->startMonitoringFileSystem();
    ASSERT_TRUE(waitUntil([&] { return check.checks > 0; }));
    for (int tick = 0; tick < 5; ++tick)
        monitor.checkNow();
    // The files go while the pass waits: only the record still shown hears of it.
    for (KTImageMO *image : records.images)
        ASSERT_TRUE(QFile::remove(image->path()));
    records.images[1]->stopMonitoringFileSystem();
    records.context->deleteObject(records.images[2]);
    check.open();

    ASSERT_TRUE(passes.wait(5000));
    EXPECT_EQ(passes.takeFirst(), (QVariantList{3, 1}));
    EXPECT_EQ(records.images[0]->originalFileExists(), std::optional<bool>(false));
    EXPECT_EQ(records.images[1]->originalFileExists(), std::optional<bool>(true));
    EXPECT_EQ(records.images[2]->originalFileExists(), std::optional<bool>(true));
    // The ticks of the slow pass asked for one more pass, over the one record still shown.
    ASSERT_TRUE(passes.wait(5000));
    EXPECT_EQ(passes.takeFirst().at(0).toInt(), 1);
    records.images[0]->stopMonitoringFileSystem();
}

// A moved image's record is deleted while the grid still shows it: a cell taking it again must
// not bring it back into the passes, where each one would try to mark its gone file forever.
TEST(KTFileExistenceMonitorTest, DeletedRecordNeverRejoinsThePasses)
{
    CountingCheck check;
    Records records(2);
    KTFileExistenceMonitor &monitor = KTFileExistenceMonitor::sharedMonitor();
    QSignalSpy passes(&monitor, &KTFileExistenceMonitor::passDelivered);
    KTImageMO *moved = records.images[0];
    KTImageMO *kept = records.images[1];
    moved->startMonitoringFileSystem();
    kept->startMonitoringFileSystem();
    ASSERT_TRUE(passes.wait(5000));

    KTLogCapture log;
    ASSERT_TRUE(QFile::remove(moved->path()));
    records.context->deleteObject(moved);
    EXPECT_FALSE(monitor.isMonitoring(moved));
    moved->startMonitoringFileSystem(); // the cell still on screen until its list reloads
    EXPECT_FALSE(monitor.isMonitoring(moved));
    EXPECT_EQ(monitor.count(), 1);
    passes.clear();
    for (int pass = 0; pass < 3; ++pass) {
        monitor.checkNow();
        ASSERT_TRUE(passes.wait(5000));
    }
    EXPECT_EQ(passes.last(), (QVariantList{1, 0}));
    EXPECT_FALSE(log.contains(QStringLiteral("deleted record")))
        << log.lines().join(QLatin1Char('\n')).toStdString();
    moved->stopMonitoringFileSystem();
    kept->stopMonitoringFileSystem();
    EXPECT_EQ(monitor.count(), 0);
}
