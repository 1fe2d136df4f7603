#include "KTFullSizeImageCache.h"

#include <algorithm>

KTFullSizeImageCache::KTFullSizeImageCache(qint64 limit, std::optional<qint64> byteLimit)
    : m_limit(limit), m_byteLimit(byteLimit)
{
    if (m_limit > 0)
        m_keys.reserve(size_t(m_limit));
}

void KTFullSizeImageCache::cacheFullSizeImage(const QImage &image, const QString &path)
{
    if (image.isNull() || path.isEmpty() || m_limit <= 0)
        return;
    std::lock_guard lock(m_mutex);
    if (m_cache.contains(path))
        return;
    m_keys.insert(m_keys.begin(), path);
    m_cache.insert(path, image);
    m_bytes += image.sizeInBytes();
    while (m_keys.size() > 1 &&
           (qint64(m_keys.size()) > m_limit || (m_byteLimit && m_bytes > *m_byteLimit))) {
        m_bytes -= m_cache.take(m_keys.back()).sizeInBytes();
        m_keys.pop_back();
    }
}

QImage KTFullSizeImageCache::cachedFullSizeImageForPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    const auto found = std::find(m_keys.begin(), m_keys.end(), path);
    if (found == m_keys.end())
        return {};
    std::rotate(m_keys.begin(), found, found + 1);
    return m_cache.value(path);
}
