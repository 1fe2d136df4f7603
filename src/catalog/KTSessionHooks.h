#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class KTImageMO;

/// What the session operations of KTImageStorage need from the layers above the catalogue (the
/// similarity search, the external-catalogue status bridge, the filtered lists). The layer that
/// owns each service installs it with KTImageStorage::setSessionHooks(); an empty hook means the
/// service is not there, and each use below says what then happens.
struct KTSessionHooks
{
    /// Empties the similar finder's photo pool and deletes its signature cache. Main thread, when
    /// a session is cleared. Empty: nothing to reset.
    std::function<void()> resetSimilarFinder;
    /// Resets the duplicates seeker (and so its similarity levels). Runs on the clearing
    /// context's queue. Empty: nothing to reset.
    std::function<void()> resetDuplicatesSeeker;
    /// Clears the stored signature hashes. Runs on the clearing context's queue.
    std::function<void()> cleanHashes;
    /// Drops the stored hash of one image file. Runs on the thread of the image's context.
    std::function<void(const QString &imagePath)> deleteHashForImagePath;

    /// Forgets the watched external-source paths, then hears of each new one. Main thread, when
    /// a session starts. Empty: nothing is watched.
    std::function<void()> resetImagesSyncing;
    std::function<void(const QString &mediaSourcePath)> addExternalSourcePath;
    /// Marks images of external catalogues as rejected in their catalogue (the trash hand-off) and
    /// returns those whose reject was not written (catalogue busy or broken): they are not
    /// trashed, so their records and decisions stay. Main thread. Empty: such images cannot be
    /// trashed and are reported as failed.
    std::function<QSet<KTImageMO *>(const QList<KTImageMO *> &images)> markImagesAsRejected;
};
