#pragma once

#include "KTImageSignature.h"
#include "KTSearchSettings.h"
#include "KTSerialQueue.h"
#include "KTSignatureMaker.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

/// The engine of the similarity search. Callers fill its photo pool with photo IDs and image paths
/// and start a run with a settings record or an accuracy level. A run has three phases: it gets a
/// signature for every photo ("Analyzing Images", from the disk cache "Hashes/<id>/<digest>" or made
/// from the image), compares every pair ("Comparing Images") and groups the similar photos greedily
/// ("Finalizing"). The same photos give the same groups on every run: the pool is ordered by shot
/// time, then path, and the rows reach the clustering sorted by their base photo.
///
/// A run holds only what the comparison needs of each signature (see KTCompactSignatures): at
/// N = 64 about 17 KB a photo, never the whole 65,976-byte records.
///
/// Threading: pool changes and runs go through the serial pool queue, so runs never overlap and a
/// run sees every change queued before it. clasterize...() block their caller until the run is
/// over and call the callback on the caller's thread before returning; never call them on the main
/// thread. The progress block is called from worker threads, concurrently. Cache files are read
/// and written only on the serial disk queue.
class KTSimilarFinder
{
public:
    using Clusters = QList<QStringList>;
    using Callback = std::function<void(const Clusters &clusters)>;
    /// Phase name, the phase's stop flag (set it to stop the run) and the progress in percent.
    using ProgressBlock = std::function<void(const QString &phase, std::atomic_bool *stop, double percent)>;
    using Preview = KTSignaturePreview;
    /// Makes the pixels of a signature from an image file; null when it cannot.
    using SignatureMaker = std::function<std::unique_ptr<KTImageSignature>(
        const QString &path, const KTSearchSettings &, Preview)>;

    static const QString kAnalyzingPhase;
    static const QString kComparingPhase;
    static const QString kFinalizingPhase;

    /// The process's finder; its cache root is the files manager's "Hashes" folder.
    static KTSimilarFinder &sharedInstance();
    /// A finder over the cache root `cacheRoot` (tests use a temporary folder).
    explicit KTSimilarFinder(QString cacheRoot);
    ~KTSimilarFinder();

    // Pool; each returns at once, the change is queued on the pool queue.
    void addPhotoWithID(const QString &photoID, const QString &path, const QString &thumbnailPath = {});
    void removePhotowithID(const QString &photoID);
    void clearPhotoPool();
    /// Empties the pool and deletes the whole signature cache.
    void reset();

    /// Runs with the preset of index 0 ("lowest") to 4 ("highest"). A preset that cannot be loaded
    /// is logged and the callback gets no clusters.
    void clasterizeWithMode(int presetIndex, double timeRange, const Callback &callback,
                            const ProgressBlock &progressBlock);
    /// Runs the three phases with `settings`; `timeRange` in seconds, 0 for no limit. Without a
    /// callback or progress block nothing runs. A record whose imageSize is outside 1 to 128 is
    /// refused: logged, and the callback gets no clusters. A stopped run calls back with none.
    void clasterizeWithSettings(const KTSearchSettings &settings, double timeRange, const Callback &callback,
                                const ProgressBlock &progressBlock);

    /// Greedy clustering of rows (a base followed by the later members similar to it), in the given
    /// order: a row with a used member is skipped; otherwise the longest later row that contains its
    /// base (the earliest of equally long ones) becomes a cluster whole. A photo that so lands in
    /// two clusters stays only in the later one, and a cluster left with fewer than two photos is
    /// dropped (logged). `progress` gets the percent after each cluster; `stop` ends it early.
    static std::vector<std::vector<uint32_t>>
    clusterRows(const std::vector<std::vector<uint32_t>> &rows, const std::atomic_bool *stop = nullptr,
                const std::function<void(double percent)> &progress = {});

    /// Puts each photo left out of `clusters` (positions, as clusterRows gives them) into the cluster
    /// of the latest base of a row that holds it, when that base stands in a cluster and is dated
    /// (at or after position `firstDated`; the undated photos come first). A camera's HDR frame or
    /// bracket is so compared with its dated middle frame by the rule weakened by their time gap,
    /// which an undated rendition that founded the group does not get.
    static void joinDatedLeftovers(std::vector<std::vector<uint32_t>> &clusters,
                                   const std::vector<std::vector<uint32_t>> &rows, uint32_t firstDated);

    // Signature cache.
    /// The photo's signature for `settings`: loaded from the cache, else made from the image (the
    /// thumbnail path when a file is there, then the image path with the preview, then without)
    /// and saved. A cache file that is unreadable or damaged is logged, rebuilt and overwritten.
    /// Null when no signature can be made. Blocks on the disk queue for the load.
    std::unique_ptr<KTImageSignature> cacheWithID(const QString &photoID, const QString &path,
                                                  const QString &thumbnailPath,
                                                  const KTSearchSettings &settings);
    /// Reads a cache file on the disk queue (blocking); null, logged, when it is missing, of the
    /// wrong length, or damaged (see KTImageSignature::fromBytes).
    std::unique_ptr<KTImageSignature> loadSignatureAtPath(const QString &path, uint32_t expectedSize);
    /// Writes the signature's bytes as they are now, atomically, on the disk queue; returns at once.
    void saveSignature(const KTImageSignature *signature, const QString &path);
    /// Removes the whole cache root on the disk queue; returns at once, errors ignored.
    void deleteDiskCache();
    void diskCacheMaintance() { deleteDiskCache(); }
    void setCacheFilePath(const QString &cacheRoot);
    QString cacheFilePath() const;
    /// Bytes that `count` signature files take on the volume of `path` (rounded up to its blocks).
    static qint64 neededSizeInBytesOnDisk(const QString &path, qint64 count);
    /// Blocks until every queued cache operation has run.
    void waitForDiskOperations();

    /// Replaces the maker of signature pixels (tests use a fake decoder).
    void setSignatureMaker(SignatureMaker maker);

private:
    struct PoolEntry
    {
        QString path;
        QString thumbnailPath;
    };
    Clusters run(const KTSearchSettings &settings, double timeRange, const ProgressBlock &progressBlock);
    std::unique_ptr<KTImageSignature> makeSignature(const QString &path, const QString &thumbnailPath,
                                                    const KTSearchSettings &settings) const;

    KTSerialQueue m_photoPoolQueue;
    KTSerialQueue m_diskQueue;
    QHash<QString, PoolEntry> m_photoPool; // owned by m_photoPoolQueue
    mutable std::mutex m_mutex;
    QString m_baseCachePath;
    SignatureMaker m_signatureMaker;
};
