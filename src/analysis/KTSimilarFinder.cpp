#include "KTSimilarFinder.h"

#include "KTCompactSignatures.h"
#include "KTConcurrentQueue.h"
#include "KTFilesManager.h"
#include "KTFirstThumbnailStore.h"
#include "KTSignatureMaker.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

const QString KTSimilarFinder::kAnalyzingPhase = QStringLiteral("Analyzing Images");
const QString KTSimilarFinder::kComparingPhase = QStringLiteral("Comparing Images");
const QString KTSimilarFinder::kFinalizingPhase = QStringLiteral("Finalizing");

namespace {

double percentOf(std::size_t done, std::size_t total)
{
    return double(float(double(done) / double(total) * 100.0));
}

// Undated photos (and damaged times) sort first; they meet every photo in the comparison.
double timeKey(double shotTime)
{
    return shotTime >= 0.0 ? shotTime : -1.0;
}

} // namespace

KTSimilarFinder &KTSimilarFinder::sharedInstance()
{
    static KTSimilarFinder finder(KTFilesManager::sharedManager().hashesDirectoryPath());
    return finder;
}

KTSimilarFinder::KTSimilarFinder(QString cacheRoot)
    : m_photoPoolQueue(QStringLiteral("com.bruntwell.ktsimilarfinder.photopoolqueue")),
      m_diskQueue(QStringLiteral("com.bruntwell.ktsimilarfinder.diskqueue")),
      m_baseCachePath(std::move(cacheRoot))
{
    m_signatureMaker = [](const QString &path, const KTSearchSettings &settings, Preview preview) {
        return CreateHashFromImagePath(path, settings, preview);
    };
}

KTSimilarFinder::~KTSimilarFinder()
{
    m_photoPoolQueue.waitUntilIdle();
    m_diskQueue.waitUntilIdle();
}

void KTSimilarFinder::addPhotoWithID(const QString &photoID, const QString &path,
                                     const QString &thumbnailPath)
{
    m_photoPoolQueue.async([this, photoID, path, thumbnailPath] {
        m_photoPool.insert(photoID, {path, thumbnailPath});
    });
}

void KTSimilarFinder::removePhotowithID(const QString &photoID)
{
    m_photoPoolQueue.async([this, photoID] { m_photoPool.remove(photoID); });
}

void KTSimilarFinder::clearPhotoPool()
{
    m_photoPoolQueue.async([this] { m_photoPool.clear(); });
}

void KTSimilarFinder::reset()
{
    clearPhotoPool();
    deleteDiskCache();
    KTFirstThumbnailStore::sharedStore().clear();
}

void KTSimilarFinder::setSignatureMaker(SignatureMaker maker)
{
    std::lock_guard lock(m_mutex);
    m_signatureMaker = std::move(maker);
}

void KTSimilarFinder::setCacheFilePath(const QString &cacheRoot)
{
    std::lock_guard lock(m_mutex);
    m_baseCachePath = cacheRoot;
}

QString KTSimilarFinder::cacheFilePath() const
{
    std::lock_guard lock(m_mutex);
    return m_baseCachePath;
}

void KTSimilarFinder::clasterizeWithMode(int presetIndex, double timeRange, const Callback &callback,
                                         const ProgressBlock &progressBlock)
{
    const auto settings = loadSettingsFromFile(presetPathForIndex(presetIndex));
    if (!settings) {
        if (callback)
            callback({});
        return;
    }
    clasterizeWithSettings(*settings, timeRange, callback, progressBlock);
}

void KTSimilarFinder::clasterizeWithSettings(const KTSearchSettings &settings, double timeRange,
                                             const Callback &callback, const ProgressBlock &progressBlock)
{
    if (!callback || !progressBlock) {
        qWarning().noquote() << "Clasterization were not setup properly! Set callback and progressBlock";
        return;
    }
    if (!settings.hasValidImageSize()) {
        qWarning().noquote() << QStringLiteral(
                                    "Error: search settings image size %1 is outside 1 to %2; no search.")
                                    .arg(settings.imageSize)
                                    .arg(KTSearchSettings::kMaxImageSize);
        callback({});
        return;
    }
    Clusters clusters;
    m_photoPoolQueue.sync([&] { clusters = run(settings, timeRange, progressBlock); });
    callback(clusters);
}

KTSimilarFinder::Clusters KTSimilarFinder::run(const KTSearchSettings &settings, double timeRange,
                                               const ProgressBlock &progressBlock)
{
    // Phase 1: signatures, each kept only in its compact form.
    QStringList ids = m_photoPool.keys();
    std::sort(ids.begin(), ids.end());
    const std::size_t n = std::size_t(ids.size());
    std::vector<PoolEntry> entries;
    entries.reserve(n);
    for (const QString &id : ids)
        entries.push_back(m_photoPool.value(id));

    KTCompactSignatures compact(settings, n);
    std::vector<char> present(n, 0);
    {
        std::atomic_bool stop{false};
        std::atomic<std::size_t> processed{0};
        KTConcurrentQueue::global().apply(n, [&](std::size_t i) {
            if (stop.load())
                return;
            const auto signature =
                cacheWithID(ids.at(qsizetype(i)), entries[i].path, entries[i].thumbnailPath, settings);
            if (signature) {
                compact.store(i, *signature);
                present[i] = 1;
            }
            const std::size_t done = processed.fetch_add(1);
            progressBlock(kAnalyzingPhase, &stop, percentOf(done, n));
        });
        progressBlock(kAnalyzingPhase, &stop, 100.0);
        if (stop.load())
            return {};
    }

    std::vector<uint32_t> order;
    for (std::size_t i = 0; i < n; ++i) {
        if (present[i])
            order.push_back(uint32_t(i));
    }
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return std::forward_as_tuple(timeKey(compact.shotTime(a)), entries[a].path) <
               std::forward_as_tuple(timeKey(compact.shotTime(b)), entries[b].path);
    });
    const std::size_t m = order.size();
    compact.setOrder(order);

    // Phase 2: every pair.
    KTCompactSignatures::Rows rows;
    {
        std::atomic_bool stop{false};
        rows = compact.compare(timeRange, &stop, [&](std::size_t done) {
            progressBlock(kComparingPhase, &stop, percentOf(done - 1, m));
        });
        progressBlock(kComparingPhase, &stop, 100.0);
        if (stop.load())
            return {};
    }

    // Phase 3: greedy clustering, on this thread.
    std::atomic_bool stop{false};
    auto clusters =
        clusterRows(rows, &stop, [&](double percent) { progressBlock(kFinalizingPhase, &stop, percent); });
    if (stop.load())
        return {};
    const auto firstDated = uint32_t(std::count_if(
        order.begin(), order.end(), [&](uint32_t slot) { return timeKey(compact.shotTime(slot)) < 0.0; }));
    joinDatedLeftovers(clusters, rows, firstDated);
    progressBlock(kFinalizingPhase, &stop, 100.0);
    if (stop.load())
        return {};

    Clusters result;
    for (const auto &cluster : clusters) {
        QStringList members;
        for (uint32_t position : cluster)
            members.append(ids.at(qsizetype(order[position])));
        result.append(members);
    }
    return result;
}

std::vector<std::vector<uint32_t>>
KTSimilarFinder::clusterRows(const std::vector<std::vector<uint32_t>> &rows, const std::atomic_bool *stop,
                             const std::function<void(double)> &progress)
{
    std::set<uint32_t> used;
    std::vector<std::vector<uint32_t>> clusters;
    const std::size_t count = rows.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (stop && stop->load())
            break;
        const auto &row = rows[i];
        if (row.empty() ||
            std::any_of(row.begin(), row.end(), [&](uint32_t id) { return used.count(id) > 0; }))
            continue;
        const uint32_t base = row.front();
        std::size_t chosen = i;
        for (std::size_t j = i + 1; j < count; ++j) {
            if (rows[j].size() > rows[chosen].size() &&
                std::find(rows[j].begin(), rows[j].end(), base) != rows[j].end())
                chosen = j;
        }
        used.insert(rows[chosen].begin(), rows[chosen].end());
        clusters.push_back(rows[chosen]);
        if (progress)
            progress(percentOf(i, count));
    }

    // A longer row is taken whole, so one of its photos may already stand in an earlier cluster.
    // A photo belongs to one group: it stays in the last cluster that holds it.
    std::set<uint32_t> seen;
    for (auto cluster = clusters.rbegin(); cluster != clusters.rend(); ++cluster) {
        std::vector<uint32_t> kept;
        for (uint32_t id : *cluster) {
            if (seen.insert(id).second)
                kept.push_back(id);
        }
        *cluster = std::move(kept);
    }
    const auto tooSmall = [](const std::vector<uint32_t> &cluster) { return cluster.size() < 2; };
    const auto dropped = std::count_if(clusters.begin(), clusters.end(), tooSmall);
    if (dropped > 0) {
        qWarning().noquote()
            << QStringLiteral("Error: Group cannot contains less than 2 images. (%1 dropped)").arg(dropped);
        clusters.erase(std::remove_if(clusters.begin(), clusters.end(), tooSmall), clusters.end());
    }
    return clusters;
}

void KTSimilarFinder::joinDatedLeftovers(std::vector<std::vector<uint32_t>> &clusters,
                                         const std::vector<std::vector<uint32_t>> &rows, uint32_t firstDated)
{
    std::map<uint32_t, std::size_t> clusterOf;
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        for (uint32_t position : clusters[c])
            clusterOf.emplace(position, c);
    }
    // Rows come sorted by base, so the last row that holds a photo has the latest base.
    std::map<uint32_t, std::size_t> joins;
    for (const auto &row : rows) {
        const auto base = row.empty() ? clusterOf.end() : clusterOf.find(row.front());
        if (base == clusterOf.end() || row.front() < firstDated)
            continue;
        for (auto member = row.begin() + 1; member != row.end(); ++member) {
            if (!clusterOf.count(*member))
                joins[*member] = base->second;
        }
    }
    for (const auto &[position, cluster] : joins)
        clusters[cluster].push_back(position);
}

std::unique_ptr<KTImageSignature> KTSimilarFinder::makeSignature(const QString &path,
                                                                 const QString &thumbnailPath,
                                                                 const KTSearchSettings &settings) const
{
    SignatureMaker maker;
    {
        std::lock_guard lock(m_mutex);
        maker = m_signatureMaker;
    }
    const QString source =
        !thumbnailPath.isEmpty() && QFileInfo(thumbnailPath).isFile() ? thumbnailPath : path;
    auto signature = maker(source, settings, Preview::Yes);
    if (!signature)
        signature = maker(path, settings, Preview::Yes);
    if (!signature)
        signature = maker(path, settings, Preview::No);
    return signature;
}

std::unique_ptr<KTImageSignature> KTSimilarFinder::cacheWithID(const QString &photoID, const QString &path,
                                                               const QString &thumbnailPath,
                                                               const KTSearchSettings &settings)
{
    const QString digest = settings.digest();
    const QString folder = cacheFilePath() + QLatin1Char('/') + photoID;
    const QString file = folder + QLatin1Char('/') + digest;

    if (QFileInfo::exists(file)) {
        auto signature = loadSignatureAtPath(file, uint32_t(settings.imageSize));
        if (signature && signature->makerVersion == KTImageSignature::kMakerVersion)
            return signature;
        // A damaged file is remade and overwritten below, so it does not keep the photo out of
        // every later search; so is one of an earlier maker, whose pixels would not match the
        // signatures made now.
    }

    auto signature = makeSignature(path, thumbnailPath, settings);
    FillSignatureMetadataFromFile(signature.get(), path);
    if (signature) {
        signature->makerVersion = KTImageSignature::kMakerVersion;
        QDir().mkpath(folder);
        saveSignature(signature.get(), file);
    }
    return signature;
}

std::unique_ptr<KTImageSignature> KTSimilarFinder::loadSignatureAtPath(const QString &path,
                                                                       uint32_t expectedSize)
{
    std::unique_ptr<KTImageSignature> signature;
    m_diskQueue.sync([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning().noquote() << QStringLiteral("Can't load cache with ID(%1)! Data is missing").arg(path);
            return;
        }
        const QByteArray data = file.readAll();
        if (std::size_t(data.size()) != KTImageSignature::kByteSize) {
            qWarning().noquote()
                << QStringLiteral("Can't load cache with ID(%1)! Data is corrupted! data size#%2 (needed %3)")
                       .arg(path)
                       .arg(data.size())
                       .arg(KTImageSignature::kByteSize);
            return;
        }
        QString error;
        signature = KTImageSignature::fromBytes(data, expectedSize, &error);
        if (!signature)
            qWarning().noquote()
                << QStringLiteral("Can't load cache with ID(%1)! Data is corrupted! %2").arg(path, error);
    });
    return signature;
}

void KTSimilarFinder::saveSignature(const KTImageSignature *signature, const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (!signature) {
        qWarning().noquote() << QStringLiteral("Can't save cache with ID(%1)! Data is NULL!").arg(name);
        return;
    }
    const QByteArray data = signature->bytes();
    m_diskQueue.async([data, path, name] {
        QSaveFile file(path);
        const bool written =
            file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
        if (!written)
            qWarning().noquote() << QStringLiteral(
                                        "Can't save cache with ID(%1)! Can't write file at path(%2)!")
                                        .arg(name, path);
    });
}

void KTSimilarFinder::deleteDiskCache()
{
    const QString root = cacheFilePath();
    m_diskQueue.async([root] {
        if (!root.isEmpty() && QFileInfo::exists(root))
            QDir(root).removeRecursively();
    });
}

void KTSimilarFinder::waitForDiskOperations()
{
    m_diskQueue.waitUntilIdle();
}

qint64 KTSimilarFinder::neededSizeInBytesOnDisk(const QString &path, qint64 count)
{
    // The nearest existing folder names the volume.
    QFileInfo info(QDir::cleanPath(path));
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    const QStorageInfo storage(info.absoluteFilePath());
    const qint64 blockSize = storage.isValid() ? storage.blockSize() : 0;
    qint64 perFile = qint64(KTImageSignature::kByteSize);
    if (blockSize > 0 && perFile % blockSize != 0)
        perFile = (perFile / blockSize + 1) * blockSize;
    return perFile * count;
}
