#include "KTCatalogChangeHandler.h"

#include "KTCatalogModel.h"
#include "KTDispatch.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTObjectContext.h"
#include "KTTimeGroupMO.h"

namespace {

// The cached list, fetched first when there is none. Without a context it stays nil, so the
// next read tries again.
template <typename T>
QList<T *> cachedList(std::optional<QList<T *>> &cache, const std::weak_ptr<KTObjectContext> &weakContext,
                      const KTFetchRequest &request)
{
    if (!cache) {
        const std::shared_ptr<KTObjectContext> context = weakContext.lock();
        if (!context)
            return {};
        cache = context->fetchAs<T>(request);
    }
    return *cache;
}

} // namespace

KTCatalogChangeHandler::KTCatalogChangeHandler(QObject *sender)
    : m_sender(sender), m_filtered(sender), m_imagesSortKey(kImageNameValueKey)
{}

KTCatalogChangeHandler::~KTCatalogChangeHandler() = default;

void KTCatalogChangeHandler::attach(const std::shared_ptr<KTObjectContext> &context)
{
    Q_ASSERT(isMainThread());
    m_context = context;
    m_filtered.setContext(context);
    m_syncTracker.updateAutosyncParametersForImages(context->fetchAs<KTImageMO>(
        {kImageEntityName, KTKeyPath(kImageExternalGUIDValueKey).isNotNil(), {}}));
    m_observation = context->addObjectsDidChangeObserver(
        [this](const KTObjectsDidChange &change) { managedObjectContextObjectsDidChange(change); });
}

QList<KTImageMO *> KTCatalogChangeHandler::images()
{
    Q_ASSERT(isMainThread());
    const KTSortOrder order = m_sortImagesAscending ? KTSortOrder::Ascending : KTSortOrder::Descending;
    return cachedList(m_images, m_context,
                      {kImageEntityName,
                       m_imagesFilter.value_or(KTPredicate()),
                       {KTSortDescriptor(m_imagesSortKey, order)}});
}

QList<KTFolderMO *> KTCatalogChangeHandler::sources()
{
    Q_ASSERT(isMainThread());
    return cachedList(m_sources, m_context,
                      {kFolderEntityName, {}, {KTSortDescriptor(kFolderAddedDateValueKey)}});
}

QList<KTImageGroupMO *> KTCatalogChangeHandler::groups()
{
    Q_ASSERT(isMainThread());
    return cachedList(m_groups, m_context, {kImageGroupEntityName, {}, {}});
}

QList<KTTimeGroupMO *> KTCatalogChangeHandler::timeGroups()
{
    Q_ASSERT(isMainThread());
    return cachedList(m_timeGroups, m_context, {kTimeGroupEntityName, {}, {}});
}

void KTCatalogChangeHandler::setImagesSortDescriptionKey(const QString &key)
{
    if (key == m_imagesSortKey)
        return;
    m_imagesSortKey = key;
    cleanImagesList();
}

void KTCatalogChangeHandler::setSortImagesAscending(bool ascending)
{
    if (ascending == m_sortImagesAscending)
        return;
    m_sortImagesAscending = ascending;
    cleanImagesList();
}

void KTCatalogChangeHandler::setImagesFilter(const std::optional<KTPredicate> &filter)
{
    const bool same =
        filter.has_value() == m_imagesFilter.has_value() && (!filter || filter->isSameAs(*m_imagesFilter));
    if (same)
        return;
    m_imagesFilter = filter;
    cleanImagesList();
}

void KTCatalogChangeHandler::cleanImagesList()
{
    m_images.reset();
    post(KTImagesListDidChangeInfo::name(), KTImagesListDidChangeInfo::userInfo());
}

void KTCatalogChangeHandler::cleanGroups()
{
    m_groups.reset();
    post(KTImageGroupsDidChangeInfo::name());
}

void KTCatalogChangeHandler::cleanTimeGroups()
{
    m_timeGroups.reset();
    post(KTTimeGroupsDidChangeInfo::name());
}

void KTCatalogChangeHandler::managedObjectContextObjectsDidChange(const KTObjectsDidChange &change)
{
    Q_ASSERT(isMainThread());
    QList<KTImageMO *> addedImages;
    QList<KTImageMO *> deletedImages;
    QList<KTFolderMO *> addedSources;
    QList<KTFolderMO *> deletedSources;
    bool groupsChanged = false;
    bool timeGroupsChanged = false;
    const auto sort = [&](const QList<KTStoreObject *> &objects, QList<KTImageMO *> &images,
                          QList<KTFolderMO *> &sources) {
        for (KTStoreObject *object : objects) {
            const QString &entity = object->entity().name();
            if (entity == kImageEntityName)
                images.append(static_cast<KTImageMO *>(object));
            else if (entity == kFolderEntityName)
                sources.append(static_cast<KTFolderMO *>(object));
            else if (entity == kImageGroupEntityName)
                groupsChanged = true;
            else if (entity == kTimeGroupEntityName)
                timeGroupsChanged = true;
        }
    };
    sort(change.deleted, deletedImages, deletedSources);
    sort(change.inserted, addedImages, addedSources);

    if (!addedImages.isEmpty() || !deletedImages.isEmpty()) {
        cleanImagesList();
        post(KTImagesChangedInfo::name(),
             KTImagesChangedInfo::userInfo(addedImages, deletedImages, addedSources, deletedSources));
    }
    if (!addedSources.isEmpty() || !deletedSources.isEmpty()) {
        m_sources.reset();
        post(KTSourcesChangedInfo::name(), KTSourcesChangedInfo::userInfo(addedSources, deletedSources));
    }

    QList<KTImageMO *> updatedImages;
    for (KTStoreObject *object : change.updated) {
        if (object->entity().name() == kImageEntityName)
            updatedImages.append(static_cast<KTImageMO *>(object));
    }

    m_filtered.validateFilteredImages(addedImages, deletedImages, updatedImages);

    if (groupsChanged)
        cleanGroups();
    if (timeGroupsChanged)
        cleanTimeGroups();

    if (const std::shared_ptr<KTObjectContext> context = m_context.lock())
        m_syncTracker.trackChange(*context, addedImages, deletedImages, updatedImages);

    if (!updatedImages.isEmpty())
        post(KTImagesUpdatedInfo::name(), KTImagesUpdatedInfo::userInfo(updatedImages));
}

void KTCatalogChangeHandler::post(const QString &name, const QVariantMap &userInfo)
{
    KTNotificationCenter::defaultCenter().post(name, m_sender.data(), userInfo);
}
