#pragma once

#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTGatedQueue.h"
#include "KTImageFixtures.h"
#include "KTImageStorage.h"
#include "KTImageViewServices.h"
#include "KTObjectContext.h"

#include <QPointer>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

class KTImageMO;
class KTImageView;

/// A clock the test moves by hand: scheduled jobs run only in advance(), in the order of their
/// due times, and never for a receiver that is gone.
class KTScriptedClock
{
public:
    KTImageViewServices::Scheduler scheduler();
    /// Moves the clock and runs every job due by then (jobs scheduled meanwhile included).
    void advance(double seconds);
    int pendingCount() const { return int(m_jobs.size()); }

private:
    struct Job
    {
        double due;
        quint64 order;
        QPointer<QObject> receiver;
        std::function<void()> run;
    };
    double m_now = 0;
    quint64 m_nextOrder = 0;
    std::vector<Job> m_jobs;
};

/// The full-size decode behind a gate: every call counts, then waits while the gate is closed
/// (it is open unless closed), then decodes the file, or answers null when told to fail.
class KTGatedDecoder
{
public:
    KTImageViewServices::Decoder decoder();
    void close();
    void open();
    int calls() const { return m_state->calls.load(); }
    void setFails(bool fails) { m_state->fails.store(fails); }

private:
    struct State
    {
        std::mutex mutex;
        std::shared_ptr<std::promise<void>> gate;
        std::shared_future<void> opened;
        std::atomic<int> calls{0};
        std::atomic<bool> fails{false};
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

/// A catalogue in a temporary folder with image files written on demand, the viewer's managers
/// on queues of their own (the thumbnail queue gated until openThumbnails()), a scripted clock
/// and a gated decoder.
class KTViewerFixture : public ::testing::Test
{
public:
    KTViewerFixture();
    ~KTViewerFixture() override;

    /// A record of a new camera-like JPEG of `size` (orientation `orientation`, file number
    /// `imageID`).
    KTImageMO *imageRecord(const QString &name, QSize size = QSize(1200, 800), int orientation = 1);
    /// A record of a small JPEG named `name` carrying `exif` (a camera's EXIF by default) at 640 x 480.
    KTImageMO *cameraRecord(const QString &name,
                            const KTExifFields &exif = cameraExifFields(QSize(640, 480)));
    /// A record of writeTinyDng's DNG.
    KTImageMO *dngRecord(const QString &name);
    /// A record whose file holds bytes that are no image.
    KTImageMO *brokenRecord(const QString &name);
    /// A record of a file written with `bytes`.
    KTImageMO *recordForFile(const QString &name, const QByteArray &bytes);
    /// A view of `size` using the fixture's services, shown as a window.
    std::unique_ptr<KTImageView> makeView(QSize size = QSize(800, 600));
    KTImageViewServices services();

    void openThumbnails() { m_thumbnailQueue.open(); }
    void openRegions() { m_regionsQueue.open(); }
    /// The entity key of the record's thumbnail of `size` (on the ladder).
    static QString thumbnailKey(KTImageMO *record, double size);
    bool thumbnailRequested(KTImageMO *record, double size) const;

    QTemporaryDir dir;
    KTImageStorage storage;
    std::shared_ptr<KTObjectContext> context;
    KTScriptedClock clock;
    KTGatedDecoder decoder;

private:
    KTGatedQueue m_thumbnailQueue;
    KTGatedQueue m_regionsQueue;

public:
    KTEntitiesManager entities{m_thumbnailQueue.queue};
    KTFocusedRegionsManager regions{m_regionsQueue.queue};

private:
    quint64 m_nextImageID = 1000;
};
