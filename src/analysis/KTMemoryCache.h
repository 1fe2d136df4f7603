#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <list>
#include <memory>
#include <utility>

/// A memory cache of shared values under string keys that evicts the least recently used
/// entries while the entry count exceeds its count limit or the summed cost exceeds its cost
/// limit (0 means no limit). Entries of cost 0 still count against the count limit, so a cache
/// of cheap entries stays bounded too.
///
/// Threading: not locked; each cache has one owning thread (the main thread for the caches of
/// the analysis managers).
template <typename Value> class KTMemoryCache
{
public:
    using Pointer = std::shared_ptr<Value>;

    KTMemoryCache(int64_t totalCostLimit, int countLimit)
        : m_totalCostLimit(totalCostLimit), m_countLimit(countLimit)
    {}

    /// The value under `key`, now the most recently used; null when absent.
    Pointer objectForKey(const QString &key)
    {
        auto it = m_index.find(key);
        if (it == m_index.end())
            return nullptr;
        m_entries.splice(m_entries.begin(), m_entries, it.value());
        return it.value()->value;
    }

    /// Stores `value` under `key` (replacing what was there) and evicts older entries as the
    /// limits ask; the new entry stays even when it alone exceeds a limit. A null value removes
    /// the key.
    void setObject(const QString &key, Pointer value, int64_t cost = 0)
    {
        removeObjectForKey(key);
        if (!value)
            return;
        m_entries.push_front(Entry{key, std::move(value), cost < 0 ? 0 : cost});
        m_index.insert(key, m_entries.begin());
        m_totalCost += m_entries.front().cost;
        evict();
    }

    void removeObjectForKey(const QString &key)
    {
        auto it = m_index.find(key);
        if (it == m_index.end())
            return;
        m_totalCost -= it.value()->cost;
        m_entries.erase(it.value());
        m_index.erase(it);
    }

    void removeAllObjects()
    {
        m_entries.clear();
        m_index.clear();
        m_totalCost = 0;
    }

    int count() const { return int(m_entries.size()); }
    int64_t totalCost() const { return m_totalCost; }
    int64_t totalCostLimit() const { return m_totalCostLimit; }
    int countLimit() const { return m_countLimit; }
    void setCountLimit(int limit)
    {
        m_countLimit = limit;
        evict();
    }

private:
    struct Entry
    {
        QString key;
        Pointer value;
        int64_t cost;
    };

    void evict()
    {
        while (m_entries.size() > 1 && ((m_countLimit > 0 && int(m_entries.size()) > m_countLimit) ||
                                        (m_totalCostLimit > 0 && m_totalCost > m_totalCostLimit))) {
            const Entry &oldest = m_entries.back();
            m_totalCost -= oldest.cost;
            m_index.remove(oldest.key);
            m_entries.pop_back();
        }
    }

    int64_t m_totalCostLimit;
    int m_countLimit;
    int64_t m_totalCost = 0;
    std::list<Entry> m_entries;
    QHash<QString, typename std::list<Entry>::iterator> m_index;
};
