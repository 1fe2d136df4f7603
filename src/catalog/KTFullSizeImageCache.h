#pragma once

#include <QHash>
#include <QImage>
#include <QString>

#include <mutex>
#include <optional>
#include <vector>

/// Keeps the last few decoded full-size images by file path, so stepping back and forth in the
/// viewer does not decode them again. Least recently used images leave first.
///
/// Threading: every method may be called from any thread; calls never interleave.
class KTFullSizeImageCache
{
public:
    /// A cache holding at most `limit` images; a limit of 0 or less holds none. With a `byteLimit`
    /// the images also leave, least recently used first, while their pixels pass it (the most
    /// recent one stays, however large): five photos of a high-resolution camera would otherwise
    /// hold a gigabyte.
    explicit KTFullSizeImageCache(qint64 limit, std::optional<qint64> byteLimit = std::nullopt);

    qint64 limit() const { return m_limit; }

    /// Stores `image` under `path` as the most recently used, evicting the least recently used
    /// ones while the cache is over its limits. A path already cached keeps its first image and
    /// its place; a null image or an empty path is ignored.
    void cacheFullSizeImage(const QImage &image, const QString &path);

    /// The image cached under `path`, which becomes the most recently used; a null image when
    /// none is.
    QImage cachedFullSizeImageForPath(const QString &path);

private:
    const qint64 m_limit;
    const std::optional<qint64> m_byteLimit;
    qint64 m_bytes = 0;
    std::mutex m_mutex;
    QHash<QString, QImage> m_cache;
    /// The cached paths, most recently used first; exactly the keys of m_cache.
    std::vector<QString> m_keys;
};
