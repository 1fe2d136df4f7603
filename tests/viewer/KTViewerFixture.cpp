#include "KTViewerFixture.h"

#include "KTCatalogModel.h"
#include "KTDecodingFixtures.h"
#include "KTFilesManager.h"
#include "KTImageMO.h"
#include "KTImageUtils.h"
#include "KTImageView.h"
#include "KTTestSupport.h"
#include "KTThumbnailEntity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

KTImageViewServices::Scheduler KTScriptedClock::scheduler()
{
    return [this](QObject *receiver, double seconds, std::function<void()> job) {
        m_jobs.push_back({m_now + seconds, m_nextOrder++, receiver, std::move(job)});
    };
}

void KTScriptedClock::advance(double seconds)
{
    const double until = m_now + seconds;
    // A tolerance, so that 0.1 + 0.1 + 0.1 reaches a job due at 0.3.
    constexpr double kEpsilon = 1e-9;
    for (;;) {
        auto next = std::min_element(m_jobs.begin(), m_jobs.end(), [](const Job &a, const Job &b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == m_jobs.end() || next->due > until + kEpsilon)
            break;
        Job job = std::move(*next);
        m_jobs.erase(next);
        m_now = std::max(m_now, job.due);
        if (job.receiver)
            job.run();
    }
    m_now = until;
}

KTImageViewServices::Decoder KTGatedDecoder::decoder()
{
    return [state = m_state](const QString &path) {
        ++state->calls;
        std::shared_future<void> opened;
        {
            std::lock_guard lock(state->mutex);
            opened = state->opened;
        }
        if (opened.valid())
            opened.wait();
        return state->fails.load() ? QImage() : KTImageUtils::imageFromRawQuick(path);
    };
}

void KTGatedDecoder::close()
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->gate)
        return;
    m_state->gate = std::make_shared<std::promise<void>>();
    m_state->opened = m_state->gate->get_future().share();
}

void KTGatedDecoder::open()
{
    std::lock_guard lock(m_state->mutex);
    if (!m_state->gate)
        return;
    m_state->gate->set_value();
    m_state->gate.reset();
    m_state->opened = {};
}

KTViewerFixture::KTViewerFixture()
    : storage({dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("old"))}),
      context(storage.managedObjectContext())
{
    // The entities and focused-regions caches live in the application-support folder.
    QDir().mkpath(KTFilesManager::sharedManager().applicationFilesDirectoryPath());
}

KTViewerFixture::~KTViewerFixture()
{
    decoder.open();
    m_thumbnailQueue.open();
    m_regionsQueue.open();
    // Deliveries already posted find their views gone (they hold them weakly).
    drainMainQueue();
}

KTImageMO *KTViewerFixture::recordForFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeFileBytes(path, bytes));
    auto *record = context->insert<KTImageMO>(kImageEntityName);
    record->setPath(path);
    record->setName(QFileInfo(path).completeBaseName());
    record->setImageID(m_nextImageID++);
    record->setSize(quint64(bytes.size()));
    // Reported as inserted, as the catalogue's own records are by the time a view shows them.
    context->processPendingChanges();
    return record;
}

KTImageMO *KTViewerFixture::imageRecord(const QString &name, QSize size, int orientation)
{
    return recordForFile(name, makeJpegWithExif(makePhotoLikeImage(size), orientation));
}

KTImageMO *KTViewerFixture::cameraRecord(const QString &name, const KTExifFields &exif)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeJpegWithExif(path, exif, QSize(640, 480)));
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return recordForFile(name, file.readAll());
}

KTImageMO *KTViewerFixture::dngRecord(const QString &name)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeTinyDng(path));
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return recordForFile(name, file.readAll());
}

KTImageMO *KTViewerFixture::brokenRecord(const QString &name)
{
    return recordForFile(name, QByteArray(4096, 'x'));
}

KTImageViewServices KTViewerFixture::services()
{
    KTImageViewServices services;
    services.entitiesManager = &entities;
    services.focusedRegionsManager = &regions;
    services.storage = &storage;
    services.decoder = decoder.decoder();
    services.scheduler = clock.scheduler();
    // Files are read at once: the views have their documents' properties when they show a record.
    services.worker = [](std::function<void()> work, std::function<void()> then) {
        work();
        then();
    };
    return services;
}

std::unique_ptr<KTImageView> KTViewerFixture::makeView(QSize size)
{
    auto view = std::make_unique<KTImageView>(services());
    view->resize(size);
    view->show();
    return view;
}

QString KTViewerFixture::thumbnailKey(KTImageMO *record, double size)
{
    return KTEntitiesManager::keyForEntityOfClass(KTEntityClass::of<KTThumbnailEntity>(), record->uuid(),
                                                  {{kThumbnailSizeKey, size}});
}

bool KTViewerFixture::thumbnailRequested(KTImageMO *record, double size) const
{
    return entities.operations().contains(thumbnailKey(record, size));
}
