#pragma once

#include <QImage>
#include <QString>

#include <list>
#include <mutex>

/// A viewer's computed overlays (exposure pixels or focus mask) of the last few files, by key.
/// Keys are made from the file's file-system number, which is unique within one file system
/// only, so each entry also keeps the file's path: a lookup with another path is a miss.
///
/// Threading: any thread; calls never interleave.
class KTOverlayImageCache
{
public:
    explicit KTOverlayImageCache(int countLimit) : m_countLimit(countLimit) {}

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
        QImage image;
    };

    const int m_countLimit;
    mutable std::mutex m_mutex;
    /// Most recent first.
    std::list<Entry> m_entries;
};
