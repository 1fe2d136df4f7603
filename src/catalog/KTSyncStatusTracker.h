#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class KTImageMO;
class KTObjectContext;

/// Bits of an image's "syncStatusBitmask": the write passes of the external-catalogue sync
/// carry the image's reject (16) and pick (32) decision to its catalogue.
inline constexpr qint64 kRejectSyncStatusBit = 16;
inline constexpr qint64 kPickSyncStatusBit = 32;

/// Notices the decisions made on images of external-catalogue sources and marks them for the
/// sync. It keeps, per image uuid, the last seen values of the tracked key paths ("rejected"
/// then "picked"; a nil value is left out) for images whose source is not a plain folder, and on
/// each change of the main context compares the updated images that have an "externalGUID" with
/// them. The images whose tracked value changed (a nil against NO counts as a change) are marked
/// key path by key path, with the context's undo registration off, and handed to the sync queue.
///
/// The built-in marker ORs the key path's bit into "syncStatusBitmask" and leaves every other
/// bit alone; a bit already set is no change, so the change handler's own edit is reported in
/// exactly one more round, which marks nothing.
///
/// Threading: main thread only; every record is a main-context record.
class KTSyncStatusTracker
{
public:
    /// Marks `images` for the sync of `keyPath` ("rejected" or "picked").
    using Marker = std::function<void(const QList<KTImageMO *> &images, const QString &keyPath)>;
    /// Receives the images just marked (the catalogue's queue of images waiting for the sync).
    using SyncQueue = std::function<void(const QList<KTImageMO *> &images)>;

    KTSyncStatusTracker();

    /// The tracked key paths, in comparison order.
    static QStringList autosyncParameters();
    /// True when the image has a source and that source is not a plain folder.
    static bool isImageShouldBeAutosync(const KTImageMO *image);
    /// The built-in marker: ORs 16 for "rejected" and 32 for "picked" into each image's
    /// "syncStatusBitmask"; any other key path marks nothing.
    static void updateSyncingStatus(const QList<KTImageMO *> &images, const QString &keyPath);

    /// Replaces the marker (the built-in one by default); an empty one restores it.
    void setMarker(Marker marker);
    /// Sets where marked images go; nothing receives them by default.
    void setSyncQueue(SyncQueue queue);

    /// Records the tracked values of the images an external catalogue owns; ignores the others.
    void updateAutosyncParametersForImages(const QList<KTImageMO *> &images);
    void updateAutosyncParametersForImage(const KTImageMO *image);
    /// The recorded values of the image with that uuid, or nothing.
    bool hasAutosyncParameters(const QString &uuid) const { return m_parameters.contains(uuid); }
    QVariantMap autosyncParameters(const QString &uuid) const { return m_parameters.value(uuid); }

    /// One change of `context` (the main context): records added images, forgets deleted ones,
    /// marks and queues the updated images whose tracked values changed. The missing record of
    /// a tracked image is only logged.
    void trackChange(KTObjectContext &context, const QList<KTImageMO *> &added,
                     const QList<KTImageMO *> &deleted, const QList<KTImageMO *> &updated);

private:
    QHash<QString, QVariantMap> m_parameters;
    Marker m_marker;
    SyncQueue m_syncQueue;
};
