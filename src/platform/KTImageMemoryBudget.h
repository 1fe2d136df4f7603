#pragma once

#include <QHash>
#include <QImage>

#include <cstdint>
#include <list>
#include <mutex>

/// Pictures that can be made again (the clipped-exposure and focus-mask overlays of the grids and
/// the viewers), kept under one limit of bytes for the whole process: past the limit the least
/// recently used pictures are dropped. A holder keeps only a key and asks for its picture each
/// time it needs it; a picture that was dropped answers null and its holder makes it again.
///
/// Threading: every method may be called from any thread; access is serialised inside and no
/// picture is made or copied under the lock.
class KTImageMemoryBudget
{
public:
    /// The overlays' share of memory in all: both overlays of two 24-megapixel photos (96 MB
    /// each), so stepping back and forth between two photos computes none again.
    static constexpr int64_t kOverlaysLimit = 384ll * 1024 * 1024;

    /// The budget of every overlay of the application.
    static KTImageMemoryBudget &overlays();

    explicit KTImageMemoryBudget(int64_t limitBytes);
    KTImageMemoryBudget(const KTImageMemoryBudget &) = delete;
    KTImageMemoryBudget &operator=(const KTImageMemoryBudget &) = delete;

    /// A key no holder of any budget has used: one per holder or per picture.
    static quint64 newKey();

    /// Keeps `image` under `key` as the most recently used picture, replacing what the key held,
    /// then drops the least recently used others while the total passes the limit (a single
    /// picture larger than the limit stays alone). A null image removes the key.
    void insert(quint64 key, const QImage &image);
    /// The picture under `key`, which becomes the most recently used; null when there is none.
    QImage image(quint64 key);
    bool contains(quint64 key) const;
    void remove(quint64 key);

    int64_t totalBytes() const;
    int count() const;
    int64_t limit() const;
    /// Drops what the new limit leaves no room for.
    void setLimit(int64_t limitBytes);

private:
    struct Entry
    {
        quint64 key;
        QImage image;
        int64_t bytes;
    };
    /// Unlinks the least recently used entries beyond the limit into `dropped`; the lock is held.
    void evict(std::list<Entry> &dropped);

    mutable std::mutex m_mutex;
    int64_t m_limit;
    int64_t m_total = 0;
    /// Most recently used first.
    std::list<Entry> m_entries;
    QHash<quint64, std::list<Entry>::iterator> m_index;
};
