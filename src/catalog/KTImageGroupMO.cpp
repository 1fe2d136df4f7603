#include "KTImageGroupMO.h"

#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTObjectModel.h"

namespace {

struct Keys
{
    int groupID, images;
};

const Keys &keys()
{
    static const Keys s_keys = [] {
        const KTEntityDescription &e = *KTCatalogModel::sharedModel()->entity(kImageGroupEntityName);
        return Keys{e.propertyIndex(kImageGroupIDValueKey), e.propertyIndex(kImagesValueKey)};
    }();
    return s_keys;
}

} // namespace

QString KTImageGroupMO::groupID() const
{
    return stringValue(keys().groupID);
}

void KTImageGroupMO::setGroupID(const QString &groupID)
{
    setValue(keys().groupID, groupID);
}

QList<KTImageMO *> KTImageGroupMO::images() const
{
    return relatedObjectsAs<KTImageMO>(keys().images);
}

void KTImageGroupMO::addImages(const QList<KTImageMO *> &images)
{
    for (KTImageMO *image : images)
        image->setGroup(this);
}

QList<KTImageMO *> KTImageGroupMO::imagesSortedByKey(const QString &key, KTSortOrder order) const
{
    QList<KTStoreObject *> objects = relatedObjects(keys().images);
    KTSortDescriptor::sortObjects(objects, {KTSortDescriptor(key, order)});
    QList<KTImageMO *> result;
    result.reserve(objects.size());
    for (KTStoreObject *object : objects)
        result.append(static_cast<KTImageMO *>(object));
    return result;
}

void KTImageGroupMO::awakeFromInsert()
{
    if (groupID().isNull())
        setPrimitiveValue(keys().groupID, KTCatalogModel::newUUIDString());
}
