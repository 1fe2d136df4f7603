#include "KTGridServices.h"

#include "KTDispatch.h"
#include "KTEntitiesManager.h"
#include "KTFocusedRegionsManager.h"
#include "KTImageStorage.h"

namespace {

KTEntitiesManager *s_entities = nullptr;
KTFocusedRegionsManager *s_focusedRegions = nullptr;
KTImageStorage *s_storage = nullptr;

} // namespace

KTEntitiesManager &KTGridServices::entitiesManager()
{
    Q_ASSERT(isMainThread());
    return s_entities ? *s_entities : KTEntitiesManager::sharedManager();
}

KTFocusedRegionsManager &KTGridServices::focusedRegionsManager()
{
    Q_ASSERT(isMainThread());
    return s_focusedRegions ? *s_focusedRegions : KTFocusedRegionsManager::sharedManager();
}

KTImageStorage *KTGridServices::imageStorage()
{
    Q_ASSERT(isMainThread());
    return s_storage ? s_storage : KTImageStorage::sharedStorage();
}

KTGridServices::Scope::Scope(KTEntitiesManager *entities, KTFocusedRegionsManager *focusedRegions,
                             KTImageStorage *storage)
    : m_entities(s_entities), m_focusedRegions(s_focusedRegions), m_storage(s_storage)
{
    if (entities)
        s_entities = entities;
    if (focusedRegions)
        s_focusedRegions = focusedRegions;
    if (storage)
        s_storage = storage;
}

KTGridServices::Scope::~Scope()
{
    s_entities = m_entities;
    s_focusedRegions = m_focusedRegions;
    s_storage = m_storage;
}
