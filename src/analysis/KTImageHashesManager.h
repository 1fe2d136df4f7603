#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>
#include <optional>

/// An in-memory table of image hashes by image path. The search does not fill it; the catalogue
/// empties it when the session is cleared and removes the entry of an image it deletes.
///
/// Threading: every method takes the store's lock; callers may use it from any thread.
class KTImageHashesManager
{
public:
    static KTImageHashesManager &sharedManager();

    /// Removes the entry of the image at `imagePath`; an empty path or a path without an entry does
    /// nothing.
    void deleteHashForImagePath(const QString &imagePath);
    /// Removes every entry.
    void cleanHashes();

    std::optional<QByteArray> hashForKey(const QString &imagePath) const;
    void storeHash(const QByteArray &hash, const QString &imagePath);

private:
    KTImageHashesManager() = default;
    mutable std::mutex m_lock;
    QHash<QString, QByteArray> m_hashes;
};
