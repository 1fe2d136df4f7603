#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>

#include <cstdint>
#include <deque>
#include <mutex>

/// The smallest thumbnails of the photos whose signatures were decoded in this session, kept so
/// that the first thumbnail entity of such a photo (the grids ask for the smallest size first)
/// does not decode the file again. The signature maker keeps one when its decode covers the
/// thumbnail; the thumbnail entity takes it, once, when the file has not changed since.
///
/// Memory: at most kByteLimit bytes of pixels; the oldest thumbnails go first.
///
/// Threading: every method takes the store's lock; any thread.
class KTFirstThumbnailStore
{
public:
    static constexpr int64_t kByteLimit = 64 * 1024 * 1024;

    static KTFirstThumbnailStore &sharedStore();

    /// Keeps the thumbnail of the file at `path` made from `decoded`, the file's upright picture:
    /// whole (`isWhole`) or scaled down. Nothing is kept when `decoded` is scaled down below the
    /// thumbnail's size.
    void keep(const QString &path, const QImage &decoded, bool isWhole);
    /// The JPEG data of the kept thumbnail of `path` when `size` is the smallest ladder size,
    /// given out once; empty for any other size (the thumbnail stays), when none is kept, or when
    /// the file changed since (the thumbnail is dropped).
    QByteArray takeJPEGData(const QString &path, double size);
    /// Forgets every thumbnail (the session is cleared).
    void clear();

    int count() const;

private:
    struct Entry
    {
        QImage thumbnail;
        qint64 fileSize = 0;
        QDateTime modified;
    };
    void dropOldest();

    mutable std::mutex m_lock;
    QHash<QString, Entry> m_entries;
    std::deque<QString> m_order;
    int64_t m_bytes = 0;
};
