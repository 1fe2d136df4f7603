#pragma once

#include "KTEntitiesManagerCallbackID.h"
#include "KTEntity.h"
#include "KTMemoryCache.h"
#include "KTObtainEntityOperation.h"

#include <QHash>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class KTOperationQueue;

/// Hands entities (thumbnails) to the views through callbacks: from its memory cache, else from
/// the entity's file in the "Entities" folder, else made from the image and written there (after
/// the callbacks have it: see KTObtainEntityOperation). At most one operation per entity key is
/// pending; every view asking for that entity joins it, and an operation is forgotten as soon as
/// it is over.
///
/// Images are given as plain values, the record's uuid and file path, so that callers need not
/// hand over catalogue records.
///
/// Memory: the cache holds at most 100,000,000 bytes of thumbnails (JPEG data and decoded
/// pixels) and kDefaultCountLimit entities; smallest-size thumbnails cost nothing and are bounded
/// by the count alone.
///
/// Threading: main thread only. Work runs on the operation queue; callbacks always run on the
/// main thread, later, except for a cache hit, which calls back before obtainEntityOfClass
/// returns. The main thread never waits on an operation.
class KTEntitiesManager
{
public:
    using Callback = KTObtainEntityOperation::Callback;
    static constexpr int64_t kTotalCostLimit = 100'000'000;
    static constexpr int kDefaultCountLimit = 2000;

    static KTEntitiesManager &sharedManager();

    /// A manager whose operations run on `queue` (tests give their own).
    explicit KTEntitiesManager(KTOperationQueue &queue);
    /// Pending operations still run and call their callbacks, but touch no manager.
    ~KTEntitiesManager();
    KTEntitiesManager(const KTEntitiesManager &) = delete;
    KTEntitiesManager &operator=(const KTEntitiesManager &) = delete;

    /// Asks for the entity of `entityClass` for the image (`imageUuid`, `imagePath`) and
    /// `parameters`. On a cache hit calls `callback` at once and returns nullopt; otherwise
    /// returns the token of the callback, which is called once on the main thread with the entity,
    /// or with null when neither file nor image gives one (nothing is then cached or written).
    std::optional<KTEntitiesManagerCallbackID>
    obtainEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid, const QString &imagePath,
                        const QVariantMap &parameters, Callback callback);

    /// The same with the entity already cast to `Entity`.
    template <typename Entity>
    std::optional<KTEntitiesManagerCallbackID>
    obtainEntityOfClass(const QString &imageUuid, const QString &imagePath, const QVariantMap &parameters,
                        std::function<void(const std::shared_ptr<Entity> &)> callback)
    {
        return obtainEntityOfClass(KTEntityClass::of<Entity>(), imageUuid, imagePath, parameters,
                                   [callback = std::move(callback)](const std::shared_ptr<KTEntity> &entity) {
                                       if (callback)
                                           callback(std::static_pointer_cast<Entity>(entity));
                                   });
    }

    // A withdrawn callback is never called. A token whose key now belongs to a newer operation,
    // or that is empty, is ignored.
    void cancelCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token);
    void activateCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token);
    void deactivateCallbackWithID(const std::optional<KTEntitiesManagerCallbackID> &token);

    /// "<uuid>_<class name>", followed by "_<suffix>" when the class's suffix is not empty.
    static QString keyForEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid,
                                       const QVariantMap &parameters);
    /// The entity file: the entities folder plus the key.
    static QString pathForEntityOfClass(const KTEntityClass &entityClass, const QString &imageUuid,
                                        const QVariantMap &parameters);

    /// The operation under the token's key; null for an empty token or an unknown key.
    std::shared_ptr<KTObtainEntityOperation>
    operationForID(const std::optional<KTEntitiesManagerCallbackID> &token) const;

    KTMemoryCache<KTEntity> &entitiesCache() { return m_entitiesCache; }
    /// Entity key to the operation at work for it; an operation leaves once it has delivered or
    /// was cancelled before it ran, so the map holds only pending work.
    const QHash<QString, std::shared_ptr<KTObtainEntityOperation>> &operations() const
    {
        return m_operations;
    }

private:
    KTOperationQueue &m_queue;
    QHash<QString, std::shared_ptr<KTObtainEntityOperation>> m_operations;
    KTMemoryCache<KTEntity> m_entitiesCache{kTotalCostLimit, kDefaultCountLimit};
    // Completions hold it weakly: an operation that delivers after the manager is gone
    // touches nothing of it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
