#pragma once

#include <QImage>
#include <QString>

#include <list>
#include <mutex>

/// A viewer's computed overlays (exposure pixels or focus mask) of the last few files, by key.
/// Keys are made from the file's file-system number, which is unique within one file system
/// only, so each entry also keeps the file's path: a lookup with another path is a miss.
///
/// The pictures themselves live in the overlays' memory budget (KTImageMemoryBudget::overlays()),
/// shared by every view: an entry whose picture the budget dropped is a miss.
///
/// Threading: any thread; calls never interleave.
class KTOverlayImageCache
{
public:
    explicit KTOverlayImageCache(int countLimit) : m_countLimit(countLimit) {}
    ~KTOverlayImageCache();
    KTOverlayImageCache(const KTOverlayImageCache &) = delete;
    KTOverlayImageCache &operator=(const KTOverlayImageCache &) = delete;

    int countLimit() const { return m_countLimit; }
    int count() const;

    /// The overlay stored under `key` for `path`, which becomes the most recent entry; null
    /// when there is none, when it was made for another path, or for an empty key.
    QImage image(const QString &key, const QString &path);
    /// Stores `image` as the most recent entry under `key`, replacing what the key held and
    /// dropping the least recent entry when full. Null images and empty keys are not stored.
    void insert(const QString &key, const QString &path, const QImage &image);

private:
    struct Entry
    {
        QString key;
        QString path;
        quint64 budgetKey;
    };

    const int m_countLimit;
    mutable std::mutex m_mutex;
    /// Most recent first.
    std::list<Entry> m_entries;
};
