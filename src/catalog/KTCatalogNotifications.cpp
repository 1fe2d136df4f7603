#include "KTCatalogNotifications.h"

#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"

#include <QVariant>

namespace {

template <typename T> QList<T> listFor(const QVariantMap &userInfo, const QString &key)
{
    const QVariant value = userInfo.value(key);
    return value.metaType() == QMetaType::fromType<QList<T>>() ? value.value<QList<T>>() : QList<T>();
}

} // namespace

QVariantMap KTImagesChangedInfo::userInfo(const QList<KTImageMO *> &addedImages,
                                          const QList<KTImageMO *> &deletedImages,
                                          const QList<KTFolderMO *> &addedSources,
                                          const QList<KTFolderMO *> &deletedSources)
{
    return {{kAddedImagesKey, QVariant::fromValue(addedImages)},
            {kDeletedImagesKey, QVariant::fromValue(deletedImages)},
            {kAddedSourcesKey, QVariant::fromValue(addedSources)},
            {kDeletedSourcesKey, QVariant::fromValue(deletedSources)}};
}

QList<KTImageMO *> KTImagesChangedInfo::addedImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kAddedImagesKey);
}

QList<KTImageMO *> KTImagesChangedInfo::deletedImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kDeletedImagesKey);
}

QList<KTFolderMO *> KTImagesChangedInfo::addedSources(const QVariantMap &userInfo)
{
    return listFor<KTFolderMO *>(userInfo, kAddedSourcesKey);
}

QList<KTFolderMO *> KTImagesChangedInfo::deletedSources(const QVariantMap &userInfo)
{
    return listFor<KTFolderMO *>(userInfo, kDeletedSourcesKey);
}

QVariantMap KTSourcesChangedInfo::userInfo(const QList<KTFolderMO *> &addedSources,
                                           const QList<KTFolderMO *> &deletedSources)
{
    return {{kAddedSourcesKey, QVariant::fromValue(addedSources)},
            {kDeletedSourcesKey, QVariant::fromValue(deletedSources)}};
}

QList<KTFolderMO *> KTSourcesChangedInfo::addedSources(const QVariantMap &userInfo)
{
    return listFor<KTFolderMO *>(userInfo, kAddedSourcesKey);
}

QList<KTFolderMO *> KTSourcesChangedInfo::deletedSources(const QVariantMap &userInfo)
{
    return listFor<KTFolderMO *>(userInfo, kDeletedSourcesKey);
}

QVariantMap KTImagesUpdatedInfo::userInfo(const QList<KTImageMO *> &updatedImages)
{
    return {{kUpdatedImagesKey, QVariant::fromValue(updatedImages)}};
}

QList<KTImageMO *> KTImagesUpdatedInfo::updatedImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kUpdatedImagesKey);
}

QVariantMap KTFilteredListChangedInfo::userInfo(const QList<KTImageMO *> &joinedImages,
                                                const QList<KTImageMO *> &leftImages,
                                                const QList<KTImageMO *> &movedImages)
{
    return {{kJoinedImagesKey, QVariant::fromValue(joinedImages)},
            {kLeftImagesKey, QVariant::fromValue(leftImages)},
            {kMovedImagesKey, QVariant::fromValue(movedImages)}};
}

bool KTFilteredListChangedInfo::isMerge(const QVariantMap &userInfo)
{
    const QMetaType type = QMetaType::fromType<QList<KTImageMO *>>();
    return userInfo.value(kJoinedImagesKey).metaType() == type &&
           userInfo.value(kLeftImagesKey).metaType() == type &&
           userInfo.value(kMovedImagesKey).metaType() == type;
}

QList<KTImageMO *> KTFilteredListChangedInfo::joinedImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kJoinedImagesKey);
}

QList<KTImageMO *> KTFilteredListChangedInfo::leftImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kLeftImagesKey);
}

QList<KTImageMO *> KTFilteredListChangedInfo::movedImages(const QVariantMap &userInfo)
{
    return listFor<KTImageMO *>(userInfo, kMovedImagesKey);
}

QVariantMap KTImagesListDidChangeInfo::userInfo()
{
    return {{kCleanImageListKey, true}};
}

bool KTImagesListDidChangeInfo::cleanImageList(const QVariantMap &userInfo)
{
    return userInfo.value(kCleanImageListKey).toBool();
}

QVariantMap KTImageGroupResolvedInfo::userInfo(KTImageGroupMO *resolvedGroup)
{
    return {{kResolvedGroupKey, QVariant::fromValue(resolvedGroup)}};
}

KTImageGroupMO *KTImageGroupResolvedInfo::resolvedGroup(const QVariantMap &userInfo)
{
    const QVariant value = userInfo.value(kResolvedGroupKey);
    return value.metaType() == QMetaType::fromType<KTImageGroupMO *>() ? value.value<KTImageGroupMO *>()
                                                                       : nullptr;
}

QVariantMap KTFailedToLoadSomeImagesInfo::userInfo(const QList<KTBrokenImage> &brokenImages)
{
    QVariantList list;
    for (const KTBrokenImage &image : brokenImages) {
        QVariantMap entry{{kImageNameKey, image.name}, {kThumbnailLoadFailureReasonKey, image.reason}};
        if (image.kind == KTBrokenImage::Kind::Folder)
            entry.insert(kBrokenImageIsFolderKey, true);
        list.append(entry);
    }
    return {{kBrokenImagesKey, list}};
}

QList<KTBrokenImage> KTFailedToLoadSomeImagesInfo::brokenImages(const QVariantMap &userInfo)
{
    QList<KTBrokenImage> images;
    const QVariant value = userInfo.value(kBrokenImagesKey);
    if (value.metaType() != QMetaType::fromType<QVariantList>())
        return images;
    for (const QVariant &entry : value.toList()) {
        const QVariantMap dictionary = entry.toMap();
        images.append({dictionary.value(kImageNameKey).toString(),
                       dictionary.value(kThumbnailLoadFailureReasonKey).toString(),
                       dictionary.value(kBrokenImageIsFolderKey).toBool() ? KTBrokenImage::Kind::Folder
                                                                          : KTBrokenImage::Kind::Image});
    }
    return images;
}
