#include "KTFolderMO.h"

#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTObjectModel.h"

namespace {

struct Keys
{
    int addedDate, path, type, mediaSource, sourceID, bookmark, images;
};

const Keys &keys()
{
    static const Keys s_keys = [] {
        const KTEntityDescription &e = *KTCatalogModel::sharedModel()->entity(kFolderEntityName);
        return Keys{e.propertyIndex(kFolderAddedDateValueKey), e.propertyIndex(kFolderPathValueKey),
                    e.propertyIndex(kFolderTypeValueKey),      e.propertyIndex(kFolderMediaSourceValueKey),
                    e.propertyIndex(kFolderSourceIDValueKey),  e.propertyIndex(kFolderBookmarkValueKey),
                    e.propertyIndex(kImagesValueKey)};
    }();
    return s_keys;
}

} // namespace

QDateTime KTFolderMO::addedDate() const
{
    return value(keys().addedDate).toDateTime();
}

void KTFolderMO::setAddedDate(const QDateTime &date)
{
    setValue(keys().addedDate, date);
}

QString KTFolderMO::path() const
{
    return stringValue(keys().path);
}

void KTFolderMO::setPath(const QString &path)
{
    setValue(keys().path, path);
}

QString KTFolderMO::type() const
{
    return stringValue(keys().type);
}

void KTFolderMO::setType(const QString &type)
{
    setValue(keys().type, type);
}

QString KTFolderMO::mediaSource() const
{
    return stringValue(keys().mediaSource);
}

void KTFolderMO::setMediaSource(const QString &mediaSource)
{
    setValue(keys().mediaSource, mediaSource);
}

QString KTFolderMO::sourceID() const
{
    return stringValue(keys().sourceID);
}

void KTFolderMO::setSourceID(const QString &sourceID)
{
    setValue(keys().sourceID, sourceID);
}

QByteArray KTFolderMO::bookmark() const
{
    return value(keys().bookmark).toByteArray();
}

void KTFolderMO::setBookmark(const QByteArray &bookmark)
{
    setValue(keys().bookmark, bookmark);
}

QList<KTImageMO *> KTFolderMO::images() const
{
    return relatedObjectsAs<KTImageMO>(keys().images);
}
