#include "KTOverlayImageCache.h"

#include "KTImageMemoryBudget.h"

#include <algorithm>

KTOverlayImageCache::~KTOverlayImageCache()
{
    for (const Entry &entry : m_entries)
        KTImageMemoryBudget::overlays().remove(entry.budgetKey);
}

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
    QImage image = KTImageMemoryBudget::overlays().image(it->budgetKey);
    if (image.isNull()) {
        m_entries.erase(it);
        return {};
    }
    m_entries.splice(m_entries.begin(), m_entries, it);
    return image;
}

void KTOverlayImageCache::insert(const QString &key, const QString &path, const QImage &image)
{
    if (key.isEmpty() || image.isNull() || m_countLimit <= 0)
        return;
    KTImageMemoryBudget &budget = KTImageMemoryBudget::overlays();
    std::lock_guard lock(m_mutex);
    m_entries.remove_if([&](const Entry &e) {
        if (e.key != key)
            return false;
        budget.remove(e.budgetKey);
        return true;
    });
    m_entries.push_front({key, path, KTImageMemoryBudget::newKey()});
    budget.insert(m_entries.front().budgetKey, image);
    while (int(m_entries.size()) > m_countLimit) {
        budget.remove(m_entries.back().budgetKey);
        m_entries.pop_back();
    }
}
