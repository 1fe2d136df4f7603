#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

class KTImageMO;

/// The trash hand-off of the catalogue: images of external catalogues are marked as rejected in
/// their catalogue (their files stay; they count as trashed once the reject is written); the
/// files of every other image, `path` and the paired JPEG at `duplicateImagePath`, are moved to
/// the trash. The file work runs on the global concurrent queue, so trashing many files never
/// holds up the main thread.
///
/// Threading: main thread only. deleteImagesOrReturnImagesWhichCouldNotBeDeleted() returns at
/// once; `completion` runs later on the main thread with the images whose trashing failed.
class KTImageTrasher
{
public:
    /// Moves one file to the trash; false with a reason when it stays. Runs off the main thread.
    using Recycler = std::function<bool(const QString &path, QString *error)>;
    /// Returns the images whose reject could not be written; they count as failed.
    using MarkRejected = std::function<QSet<KTImageMO *>(const QList<KTImageMO *> &images)>;

    /// `recycler` empty: the desktop trash (KTWorkspace). `markRejected` empty: external images
    /// cannot be trashed and are reported as failed (logged).
    KTImageTrasher(Recycler recycler, MarkRejected markRejected);

    /// Hands `images` (records of the main context) over; calls `markRejected` at once with the
    /// external ones, then trashes the files of the others. Every failure is logged with its
    /// reason. An empty list completes with no failure.
    void deleteImagesOrReturnImagesWhichCouldNotBeDeleted(
        const QList<KTImageMO *> &images, std::function<void(QSet<KTImageMO *> failed)> completion);

private:
    Recycler m_recycler;
    MarkRejected m_markRejected;
};
