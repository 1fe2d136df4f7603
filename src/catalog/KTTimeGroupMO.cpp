#include "KTTimeGroupMO.h"

#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTObjectModel.h"

namespace {

struct Keys
{
    int groupID, timestampIsAbsent, images;
};

const Keys &keys()
{
    static const Keys s_keys = [] {
        const KTEntityDescription &e = *KTCatalogModel::sharedModel()->entity(kTimeGroupEntityName);
        return Keys{e.propertyIndex(kTimeGroupIDValueKey),
                    e.propertyIndex(kTimeGroupTimestampIsAbsentValueKey), e.propertyIndex(kImagesValueKey)};
    }();
    return s_keys;
}

} // namespace

QString KTTimeGroupMO::groupID() const
{
    return stringValue(keys().groupID);
}

void KTTimeGroupMO::setGroupID(const QString &groupID)
{
    setValue(keys().groupID, groupID);
}

std::optional<bool> KTTimeGroupMO::timestampIsAbsent() const
{
    return optionalValue<bool>(keys().timestampIsAbsent);
}

void KTTimeGroupMO::setTimestampIsAbsent(std::optional<bool> absent)
{
    setValue(keys().timestampIsAbsent, variantFrom(absent));
}

QList<KTImageMO *> KTTimeGroupMO::images() const
{
    return relatedObjectsAs<KTImageMO>(keys().images);
}

void KTTimeGroupMO::addImages(const QList<KTImageMO *> &images)
{
    for (KTImageMO *image : images)
        image->setTimeGroup(this);
}

void KTTimeGroupMO::awakeFromInsert()
{
    if (groupID().isNull())
        setPrimitiveValue(keys().groupID, KTCatalogModel::newUUIDString());
}
