#include "KTOverlayImageCache.h"

#include <algorithm>

int KTOverlayImageCache::count() const
{
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

QImage KTOverlayImageCache::image(const QString &key, const QString &path)
{
    if (key.isEmpty())
        return {};
    std::lock_guard lock(m_mutex);
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry &e) { return e.key == key; });
    if (it == m_entries.end() || it->path != path)
        return {};
    m_entries.splice(m_entries.begin(), m_entries, it);
    return m_entries.front().image;
}

void KTOverlayImageCache::insert(const QString &key, const QString &path, const QImage &image)
{
    if (key.isEmpty() || image.isNull() || m_countLimit <= 0)
        return;
    std::lock_guard lock(m_mutex);
    m_entries.remove_if([&](const Entry &e) { return e.key == key; });
    m_entries.push_front({key, path, image});
    while (int(m_entries.size()) > m_countLimit)
        m_entries.pop_back();
}
