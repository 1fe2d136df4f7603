#include "KTImageMemoryBudget.h"

#include <atomic>

KTImageMemoryBudget &KTImageMemoryBudget::overlays()
{
    static KTImageMemoryBudget budget(kOverlaysLimit);
    return budget;
}

KTImageMemoryBudget::KTImageMemoryBudget(int64_t limitBytes) : m_limit(limitBytes) {}

quint64 KTImageMemoryBudget::newKey()
{
    static std::atomic<quint64> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void KTImageMemoryBudget::insert(quint64 key, const QImage &image)
{
    if (image.isNull()) {
        remove(key);
        return;
    }
    // Pictures are released outside the lock: freeing a large one takes a while.
    std::list<Entry> dropped;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_index.constFind(key);
        if (found != m_index.cend()) {
            m_total -= found.value()->bytes;
            dropped.splice(dropped.end(), m_entries, found.value());
            m_index.erase(found);
        }
        m_entries.push_front(Entry{key, image, image.sizeInBytes()});
        m_index.insert(key, m_entries.begin());
        m_total += m_entries.front().bytes;
        evict(dropped);
    }
}

QImage KTImageMemoryBudget::image(quint64 key)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_index.constFind(key);
    if (found == m_index.cend())
        return {};
    m_entries.splice(m_entries.begin(), m_entries, found.value());
    return m_entries.front().image;
}

bool KTImageMemoryBudget::contains(quint64 key) const
{
    std::lock_guard lock(m_mutex);
    return m_index.contains(key);
}

void KTImageMemoryBudget::remove(quint64 key)
{
    std::list<Entry> dropped;
    std::lock_guard lock(m_mutex);
    const auto found = m_index.constFind(key);
    if (found == m_index.cend())
        return;
    m_total -= found.value()->bytes;
    dropped.splice(dropped.end(), m_entries, found.value());
    m_index.erase(found);
}

int64_t KTImageMemoryBudget::totalBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_total;
}

int KTImageMemoryBudget::count() const
{
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

int64_t KTImageMemoryBudget::limit() const
{
    std::lock_guard lock(m_mutex);
    return m_limit;
}

void KTImageMemoryBudget::setLimit(int64_t limitBytes)
{
    std::list<Entry> dropped;
    std::lock_guard lock(m_mutex);
    m_limit = limitBytes;
    evict(dropped);
}

void KTImageMemoryBudget::evict(std::list<Entry> &dropped)
{
    while (m_entries.size() > 1 && m_total > m_limit) {
        m_total -= m_entries.back().bytes;
        m_index.remove(m_entries.back().key);
        dropped.splice(dropped.end(), m_entries, std::prev(m_entries.end()));
    }
}
