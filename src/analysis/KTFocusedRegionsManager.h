#pragma once

#include "KTCallbackID.h"
#include "KTFocusedRegionsStorage.h"
#include "KTFocusedRegionsStorageOperation.h"
#include "KTMemoryCache.h"
#include "KTNotificationCenter.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class KTCreateFocusedRegionsStorageOperation;
class KTImageMO;
class KTLoadFocusedRegionsStorageFromFileOperation;
class KTOperationQueue;

/// The one place through which views obtain the focused-regions storage of an image: from a
/// memory cache of 100 storages, else from the image's file in "FocusedRegions", else built from
/// the image and written there. Requests for the same image share one operation. Also holds the
/// two overlay switches, which are never on together, and deletes the files of images that
/// leave the catalogue.
///
/// Images are given as plain values, the record's uuid and file path. Images leaving the
/// catalogue arrive through the catalogue's "ImagesChanged" (its deleted image records), or
/// through deleteStoragesForImages.
///
/// Threading: main thread only. Work runs on the operation queue; handlers run on the main
/// thread, later, except for a cache hit, which calls back before obtainFocusedRegionStorage
/// returns. The main thread never waits on an operation.
class KTFocusedRegionsManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool focusedRegionsVisible READ isFocusedRegionsVisible WRITE setFocusedRegionsVisible NOTIFY
                   focusedRegionsVisibleChanged)
    Q_PROPERTY(bool focusPointLatticeVisible READ isFocusPointLatticeVisible WRITE setFocusPointLatticeVisible
                   NOTIFY focusPointLatticeVisibleChanged)

public:
    using Handler = KTFocusedRegionsStorageOperation::Handler;
    static constexpr int kCacheCountLimit = 100;

    static KTFocusedRegionsManager &sharedManager();

    /// A manager whose operations run on `queue` (tests give their own).
    explicit KTFocusedRegionsManager(KTOperationQueue &queue, QObject *parent = nullptr);
    /// Pending operations still run and call their handlers, but touch no manager.
    ~KTFocusedRegionsManager() override;

    /// Asks for the storage of the image (`imageUuid`, `imagePath`). On a cache hit calls
    /// `handler` at once (with shouldCache false) and returns nullopt; otherwise returns the
    /// request's token, and the handler is called once on the main thread: with null when the
    /// file cannot be read.
    std::optional<KTCallbackID> obtainFocusedRegionStorage(Handler handler, const QString &imageUuid,
                                                           const QString &imagePath);
    /// Withdraws the request: its handler is never called. An empty token is ignored.
    void cancelObtaining(const std::optional<KTCallbackID> &token);

    bool isFocusedRegionsVisible() const { return m_focusedRegionsVisible; }
    bool isFocusPointLatticeVisible() const { return m_focusPointLatticeVisible; }
    /// Switching one overlay on switches the other off; either change then lets pending loads
    /// nobody waits for be cancelled and pending builds nobody waits for drop to very low.
    void setFocusedRegionsVisible(bool visible);
    void setFocusPointLatticeVisible(bool visible);

    /// Cancels the images' operations and deletes their files (errors ignored). Cached
    /// storages stay.
    void deleteStoragesForImages(const QStringList &imageUuids);
    /// The handler of the catalogue's "ImagesChanged": deleteStoragesForImages for the deleted
    /// records.
    void imagesDidChange(const QList<KTImageMO *> &deletedImages);

    /// The image's storage file in the "FocusedRegions" folder.
    static QString focusedRegionsStoragePathForImageMO(const QString &imageUuid);

    KTMemoryCache<KTFocusedRegionsStorage> &cache() { return m_cache; }
    const QHash<QString, std::shared_ptr<KTLoadFocusedRegionsStorageFromFileOperation>> &
    loadFromDiskOperations() const
    {
        return m_loadFromDiskOperations;
    }
    const QHash<QString, std::shared_ptr<KTCreateFocusedRegionsStorageOperation>> &createOperations() const
    {
        return m_createOperations;
    }

signals:
    void focusedRegionsVisibleChanged(bool visible);
    void focusPointLatticeVisibleChanged(bool visible);

private:
    std::shared_ptr<KTFocusedRegionsStorageOperation>
    loadFocusedRegionsFromFileOperationForImageMO(const QString &imageUuid);
    std::shared_ptr<KTFocusedRegionsStorageOperation>
    createFocusedRegionsStorageOperationForImageMO(const QString &imageUuid, const QString &imagePath);
    Handler cachingHandler(const QString &imageUuid);
    void adjustFocusedRegionsOperationsPriority();

    KTOperationQueue &m_queue;
    bool m_focusedRegionsVisible = false;
    bool m_focusPointLatticeVisible = false;
    KTMemoryCache<KTFocusedRegionsStorage> m_cache{0, kCacheCountLimit};
    QHash<QString, std::shared_ptr<KTLoadFocusedRegionsStorageFromFileOperation>> m_loadFromDiskOperations;
    QHash<QString, std::shared_ptr<KTCreateFocusedRegionsStorageOperation>> m_createOperations;
    KTObserverToken m_imagesChangedObserver;
};
