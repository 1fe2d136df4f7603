#pragma once

#include "KTCatalogNotifications.h"
#include "KTFilteredImageLists.h"
#include "KTObservationToken.h"
#include "KTPredicate.h"
#include "KTSyncStatusTracker.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class KTFolderMO;
class KTImageGroupMO;
class KTImageMO;
class KTObjectContext;
class KTTimeGroupMO;
struct KTObjectsDidChange;

/// The catalogue's cached lists and its change handler. It keeps the unfiltered lists (images,
/// sources, similar groups, time groups), dropped when records of their kind are inserted or
/// deleted and fetched again on the next read, owns the review modes' filtered lists, and turns
/// every objects-did-change report of the main context into the catalogue's notifications:
/// "ImagesChanged", "SourcesChanged", the filtered lists' merges and notifications,
/// "imageGroupsDidChange", "timeGroupsDidChange", the sync marking of external-catalogue
/// decisions, and "ImagesUpdated", in that order.
///
/// Threading: main thread only. The reports of a child context's save reach the handler on the
/// main thread before the save returns (see KTObjectContext::save).
class KTCatalogChangeHandler
{
public:
    /// `sender` is the object of every notification (the catalogue).
    explicit KTCatalogChangeHandler(QObject *sender);
    ~KTCatalogChangeHandler();
    KTCatalogChangeHandler(const KTCatalogChangeHandler &) = delete;
    KTCatalogChangeHandler &operator=(const KTCatalogChangeHandler &) = delete;

    /// Observes `context` (a main context) from now on and records the tracked sync values of
    /// its images. Call once, before anything edits the context.
    void attach(const std::shared_ptr<KTObjectContext> &context);

    KTFilteredImageLists &filteredLists() { return m_filtered; }
    KTSyncStatusTracker &syncStatusTracker() { return m_syncTracker; }

    /// The cached lists, fetched when there is none; empty without a context.
    QList<KTImageMO *> images();
    QList<KTFolderMO *> sources();
    QList<KTImageGroupMO *> groups();
    QList<KTTimeGroupMO *> timeGroups();

    /// Sort key of images() ("name" by default), its direction (descending by default) and the
    /// predicate that restricts it (none by default). Setting a different value (a different
    /// predicate object, for the predicate) drops the list.
    QString imagesSortDescriptionKey() const { return m_imagesSortKey; }
    void setImagesSortDescriptionKey(const QString &key);
    bool sortImagesAscending() const { return m_sortImagesAscending; }
    void setSortImagesAscending(bool ascending);
    std::optional<KTPredicate> imagesFilter() const { return m_imagesFilter; }
    void setImagesFilter(const std::optional<KTPredicate> &filter);

    /// Drop a cached list and post "imagesListDidChange" {"cleanImageListKey": true},
    /// "imageGroupsDidChange" or "timeGroupsDidChange".
    void cleanImagesList();
    void cleanGroups();
    void cleanTimeGroups();

    /// The handler of the main context's reports; runs every step above.
    void managedObjectContextObjectsDidChange(const KTObjectsDidChange &change);

private:
    void post(const QString &name, const QVariantMap &userInfo = {});

    QPointer<QObject> m_sender;
    std::weak_ptr<KTObjectContext> m_context;
    KTFilteredImageLists m_filtered;
    KTSyncStatusTracker m_syncTracker;

    QString m_imagesSortKey;
    bool m_sortImagesAscending = false;
    std::optional<KTPredicate> m_imagesFilter;
    std::optional<QList<KTImageMO *>> m_images;
    std::optional<QList<KTFolderMO *>> m_sources;
    std::optional<QList<KTImageGroupMO *>> m_groups;
    std::optional<QList<KTTimeGroupMO *>> m_timeGroups;
    // Last, so that the observation ends before anything it uses goes.
    KTObservationToken m_observation;
};
