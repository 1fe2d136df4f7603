#include "KTCatalogModel.h"

#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTObjectModel.h"
#include "KTTimeGroupMO.h"

#include <QByteArray>
#include <QRandomGenerator>
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
        .addAttribute(kImageResolvedGroupIDValueKey, Type::String)
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
    // A version-4 UUID from the process's securely seeded generator: QUuid::createUuid() asks
    // the kernel for every one, which costs a third of an import's inserts.
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    QByteArray bytes(reinterpret_cast<const char *>(words), sizeof(words));
    bytes[6] = char((bytes[6] & 0x0F) | 0x40);
    bytes[8] = char((bytes[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(bytes).toString(QUuid::WithoutBraces).toUpper();
}
