#pragma once

#include <QString>

#include <memory>

class KTObjectModel;

// Entity names.
inline const QString kImageEntityName = QStringLiteral("Image");
inline const QString kFolderEntityName = QStringLiteral("Folder");
inline const QString kImageGroupEntityName = QStringLiteral("Group");
inline const QString kTimeGroupEntityName = QStringLiteral("TimeGroup");

// Keys of "Image".
inline const QString kImagePathValueKey = QStringLiteral("path");
inline const QString kImageNameValueKey = QStringLiteral("name");
inline const QString kImageModificationDateValueKey = QStringLiteral("modificationDate");
inline const QString kImageSizeValueKey = QStringLiteral("size");
inline const QString kImageCreationDateValueKey = QStringLiteral("creationDate");
inline const QString kImageResolveDateValueKey = QStringLiteral("resolveDate");
inline const QString kImageRejectedValueKey = QStringLiteral("rejected");
inline const QString kImagePickedValueKey = QStringLiteral("picked");
inline const QString kImageGroupValueKey = QStringLiteral("group");
inline const QString kImageIndexValueKey = QStringLiteral("imageIndex");
inline const QString kImageOriginalFileExistsKey = QStringLiteral("originalFileExists");
inline const QString kImageTimeStampValueKey = QStringLiteral("timeStamp");
inline const QString kImageExposureTimeValueKey = QStringLiteral("exposureTime");
inline const QString kImageExternalGUIDValueKey = QStringLiteral("externalGUID");
inline const QString kImageTouchTimeValueKey = QStringLiteral("touchTime");
inline const QString kImageUuidValueKey = QStringLiteral("uuid");
inline const QString kImageIDValueKey = QStringLiteral("imageID");
// Keys of "Image" that have no shared constant of their own elsewhere.
inline const QString kImageSyncStatusBitmaskValueKey = QStringLiteral("syncStatusBitmask");
inline const QString kImageExternalCollectionIDValueKey = QStringLiteral("externalCollectionID");
inline const QString kImageDuplicateImagePathValueKey = QStringLiteral("duplicateImagePath");
inline const QString kImageFolderValueKey = QStringLiteral("folder");
inline const QString kImageTimeGroupValueKey = QStringLiteral("timeGroup");
inline const QString kImageResolvedGroupIDValueKey = QStringLiteral("resolvedGroupID");

// Keys of "Folder".
inline const QString kFolderPathValueKey = QStringLiteral("path");
inline const QString kFolderAddedDateValueKey = QStringLiteral("addedDate");
inline const QString kFolderMediaSourceValueKey = QStringLiteral("mediaSource");
inline const QString kFolderTypeValueKey = QStringLiteral("type");
inline const QString kFolderSourceIDValueKey = QStringLiteral("sourceID");
inline const QString kFolderBookmarkValueKey = QStringLiteral("bookmark");

// Keys of "Group" and "TimeGroup".
inline const QString kImageGroupIDValueKey = QStringLiteral("groupID");
inline const QString kTimeGroupIDValueKey = QStringLiteral("groupID");
inline const QString kTimeGroupTimestampIsAbsentValueKey = QStringLiteral("timestampIsAbsent");

// The to-many side of "Folder", "Group" and "TimeGroup".
inline const QString kImagesValueKey = QStringLiteral("images");

// Values of a folder's "type".
inline const QString kFolderTypeFileSystem = QStringLiteral("fileSystem");
inline const QString kFolderTypeiPhoto = QStringLiteral("iPhoto");
inline const QString kFolderTypeAperture = QStringLiteral("Aperture");
inline const QString kFolderTypeLightroom1 = QStringLiteral("Lightroom1");
inline const QString kFolderTypeLightroom2 = QStringLiteral("Lightroom2");
inline const QString kFolderTypeLightroom3 = QStringLiteral("Lightroom3");
inline const QString kFolderTypeLightroom4 = QStringLiteral("Lightroom4");
inline const QString kFolderTypeLightroom5 = QStringLiteral("Lightroom5");

/// The object model of the session catalogue: "Image", "Folder", "Group" and "TimeGroup" with
/// their attributes and relationships, each entity made as its record class (KTImageMO,
/// KTFolderMO, KTImageGroupMO, KTTimeGroupMO). Deleting a group or time group nullifies its
/// images' link; deleting an image removes it from its folder, group and time group; nothing
/// cascades. "originalFileExists" is transient.
///
/// Threading: the model is built once, on first use (thread-safe), and immutable afterwards.
class KTCatalogModel
{
public:
    static std::shared_ptr<const KTObjectModel> sharedModel();
    /// A new UUID in its string form (upper case, no braces), as records get on insert.
    static QString newUUIDString();
};
