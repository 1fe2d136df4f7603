#include "KTCatalogModel.h"

#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectModel.h"
#include "KTTimeGroupMO.h"

#include <QUuid>

namespace {

std::shared_ptr<const KTObjectModel> makeModel()
{
    auto model = std::make_shared<KTObjectModel>();
    using Type = KTAttributeType;

    model->addEntity(kImageEntityName, [] { return std::make_unique<KTImageMO>(); })
        .addAttribute(kImagePathValueKey, Type::String)
        .addAttribute(kImageNameValueKey, Type::String)
        .addAttribute(kImageModificationDateValueKey, Type::Date)
        .addAttribute(kImageCreationDateValueKey, Type::Date)
        .addAttribute(kImageSizeValueKey, Type::UnsignedInteger64)
        .addAttribute(kImageRejectedValueKey, Type::Boolean)
        .addAttribute(kImagePickedValueKey, Type::Boolean)
        .addAttribute(kImageExternalGUIDValueKey, Type::String)
        .addAttribute(kImageIDValueKey, Type::UnsignedInteger64)
        .addAttribute(kImageIndexValueKey, Type::Integer64)
        .addAttribute(kImageResolveDateValueKey, Type::Date)
        .addAttribute(kImageTimeStampValueKey, Type::Date)
        .addAttribute(kImageExposureTimeValueKey, Type::Double)
        .addAttribute(kImageSyncStatusBitmaskValueKey, Type::Integer64)
        .addAttribute(kImageExternalCollectionIDValueKey, Type::String)
        .addAttribute(kImageTouchTimeValueKey, Type::Date)
        .addAttribute(kImageUuidValueKey, Type::String)
        .addAttribute(kImageDuplicateImagePathValueKey, Type::String)
        .addAttribute(kImageOriginalFileExistsKey, Type::Boolean, KTPropertyStorage::Transient)
        .addToOne(kImageFolderValueKey, kFolderEntityName, kImagesValueKey)
        .addToOne(kImageGroupValueKey, kImageGroupEntityName, kImagesValueKey)
        .addToOne(kImageTimeGroupValueKey, kTimeGroupEntityName, kImagesValueKey);

    model->addEntity(kFolderEntityName, [] { return std::make_unique<KTFolderMO>(); })
        .addAttribute(kFolderAddedDateValueKey, Type::Date)
        .addAttribute(kFolderPathValueKey, Type::String)
        .addAttribute(kFolderTypeValueKey, Type::String)
        .addAttribute(kFolderMediaSourceValueKey, Type::String)
        .addAttribute(kFolderSourceIDValueKey, Type::String)
        .addAttribute(kFolderBookmarkValueKey, Type::Data)
        .addToMany(kImagesValueKey, kImageEntityName, kImageFolderValueKey);

    model->addEntity(kImageGroupEntityName, [] { return std::make_unique<KTImageGroupMO>(); })
        .addAttribute(kImageGroupIDValueKey, Type::String)
        .addToMany(kImagesValueKey, kImageEntityName, kImageGroupValueKey);

    model->addEntity(kTimeGroupEntityName, [] { return std::make_unique<KTTimeGroupMO>(); })
        .addAttribute(kTimeGroupIDValueKey, Type::String)
        .addAttribute(kTimeGroupTimestampIsAbsentValueKey, Type::Boolean)
        .addToMany(kImagesValueKey, kImageEntityName, kImageTimeGroupValueKey);

    model->finalize();
    return model;
}

} // namespace

std::shared_ptr<const KTObjectModel> KTCatalogModel::sharedModel()
{
    static const std::shared_ptr<const KTObjectModel> s_model = makeModel();
    return s_model;
}

QString KTCatalogModel::newUUIDString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}
