#include "KTImageMO.h"

#include "KTCatalogModel.h"
#include "KTFileExistenceMonitor.h"
#include "KTFilesManager.h"
#include "KTFolderMO.h"
#include "KTImageGroupMO.h"
#include "KTObjectModel.h"
#include "KTTimeGroupMO.h"
#include "KTDispatch.h"

#include <QDebug>
#include <QFileInfo>

#include <utility>

namespace {

struct Keys
{
    int path, name, modificationDate, creationDate, size, rejected, picked, externalGUID, imageID, imageIndex,
        resolveDate, timeStamp, exposureTime, syncStatusBitmask, externalCollectionID, touchTime, uuid,
        duplicateImagePath, resolvedGroupID, originalFileExists, folder, group, timeGroup;
};

const Keys &keys()
{
    static const Keys s_keys = [] {
        const KTEntityDescription &e = *KTCatalogModel::sharedModel()->entity(kImageEntityName);
        return Keys{e.propertyIndex(kImagePathValueKey),
                    e.propertyIndex(kImageNameValueKey),
                    e.propertyIndex(kImageModificationDateValueKey),
                    e.propertyIndex(kImageCreationDateValueKey),
                    e.propertyIndex(kImageSizeValueKey),
                    e.propertyIndex(kImageRejectedValueKey),
                    e.propertyIndex(kImagePickedValueKey),
                    e.propertyIndex(kImageExternalGUIDValueKey),
                    e.propertyIndex(kImageIDValueKey),
                    e.propertyIndex(kImageIndexValueKey),
                    e.propertyIndex(kImageResolveDateValueKey),
                    e.propertyIndex(kImageTimeStampValueKey),
                    e.propertyIndex(kImageExposureTimeValueKey),
                    e.propertyIndex(kImageSyncStatusBitmaskValueKey),
                    e.propertyIndex(kImageExternalCollectionIDValueKey),
                    e.propertyIndex(kImageTouchTimeValueKey),
                    e.propertyIndex(kImageUuidValueKey),
                    e.propertyIndex(kImageDuplicateImagePathValueKey),
                    e.propertyIndex(kImageResolvedGroupIDValueKey),
                    e.propertyIndex(kImageOriginalFileExistsKey),
                    e.propertyIndex(kImageFolderValueKey),
                    e.propertyIndex(kImageGroupValueKey),
                    e.propertyIndex(kImageTimeGroupValueKey)};
    }();
    return s_keys;
}

} // namespace

QString KTImageMO::path() const
{
    return stringValue(keys().path);
}

void KTImageMO::setPath(const QString &value)
{
    setValue(keys().path, value);
}

QString KTImageMO::name() const
{
    return stringValue(keys().name);
}

void KTImageMO::setName(const QString &value)
{
    setValue(keys().name, value);
}

QDateTime KTImageMO::modificationDate() const
{
    return value(keys().modificationDate).toDateTime();
}

void KTImageMO::setModificationDate(const QDateTime &value)
{
    setValue(keys().modificationDate, value);
}

QDateTime KTImageMO::creationDate() const
{
    return value(keys().creationDate).toDateTime();
}

void KTImageMO::setCreationDate(const QDateTime &value)
{
    setValue(keys().creationDate, value);
}

std::optional<quint64> KTImageMO::size() const
{
    return optionalValue<quint64>(keys().size);
}

void KTImageMO::setSize(std::optional<quint64> value)
{
    setValue(keys().size, variantFrom(value));
}

std::optional<bool> KTImageMO::rejected() const
{
    return optionalValue<bool>(keys().rejected);
}

void KTImageMO::setRejected(std::optional<bool> value)
{
    setValue(keys().rejected, variantFrom(value));
}

std::optional<bool> KTImageMO::picked() const
{
    return optionalValue<bool>(keys().picked);
}

void KTImageMO::setPicked(std::optional<bool> value)
{
    setValue(keys().picked, variantFrom(value));
}

QString KTImageMO::externalGUID() const
{
    return stringValue(keys().externalGUID);
}

void KTImageMO::setExternalGUID(const QString &value)
{
    setValue(keys().externalGUID, value);
}

std::optional<quint64> KTImageMO::imageID() const
{
    return optionalValue<quint64>(keys().imageID);
}

void KTImageMO::setImageID(std::optional<quint64> value)
{
    setValue(keys().imageID, variantFrom(value));
}

std::optional<qint64> KTImageMO::imageIndex() const
{
    return optionalValue<qint64>(keys().imageIndex);
}

void KTImageMO::setImageIndex(std::optional<qint64> value)
{
    setValue(keys().imageIndex, variantFrom(value));
}

QDateTime KTImageMO::resolveDate() const
{
    return value(keys().resolveDate).toDateTime();
}

void KTImageMO::setResolveDate(const QDateTime &value)
{
    setValue(keys().resolveDate, value);
}

QDateTime KTImageMO::timeStamp() const
{
    return value(keys().timeStamp).toDateTime();
}

void KTImageMO::setTimeStamp(const QDateTime &value)
{
    setValue(keys().timeStamp, value);
}

std::optional<double> KTImageMO::exposureTime() const
{
    return optionalValue<double>(keys().exposureTime);
}

void KTImageMO::setExposureTime(std::optional<double> value)
{
    setValue(keys().exposureTime, variantFrom(value));
}

std::optional<qint64> KTImageMO::syncStatusBitmask() const
{
    return optionalValue<qint64>(keys().syncStatusBitmask);
}

void KTImageMO::setSyncStatusBitmask(std::optional<qint64> value)
{
    setValue(keys().syncStatusBitmask, variantFrom(value));
}

QString KTImageMO::externalCollectionID() const
{
    return stringValue(keys().externalCollectionID);
}

void KTImageMO::setExternalCollectionID(const QString &value)
{
    setValue(keys().externalCollectionID, value);
}

QDateTime KTImageMO::touchTime() const
{
    return value(keys().touchTime).toDateTime();
}

void KTImageMO::setTouchTime(const QDateTime &value)
{
    setValue(keys().touchTime, value);
}

QString KTImageMO::uuid() const
{
    return stringValue(keys().uuid);
}

void KTImageMO::setUuid(const QString &value)
{
    setValue(keys().uuid, value);
}

QString KTImageMO::duplicateImagePath() const
{
    return stringValue(keys().duplicateImagePath);
}

void KTImageMO::setDuplicateImagePath(const QString &value)
{
    setValue(keys().duplicateImagePath, value);
}

QString KTImageMO::resolvedGroupID() const
{
    return stringValue(keys().resolvedGroupID);
}

void KTImageMO::setResolvedGroupID(const QString &value)
{
    setValue(keys().resolvedGroupID, value);
}

std::optional<bool> KTImageMO::originalFileExists() const
{
    return optionalValue<bool>(keys().originalFileExists);
}

void KTImageMO::setOriginalFileExists(std::optional<bool> value)
{
    setValue(keys().originalFileExists, variantFrom(value));
}

KTFolderMO *KTImageMO::folder() const
{
    return static_cast<KTFolderMO *>(relatedObject(keys().folder));
}

void KTImageMO::setFolder(KTFolderMO *value)
{
    setRelatedObject(keys().folder, value);
}

KTImageGroupMO *KTImageMO::group() const
{
    return static_cast<KTImageGroupMO *>(relatedObject(keys().group));
}

void KTImageMO::setGroup(KTImageGroupMO *value)
{
    setRelatedObject(keys().group, value);
}

KTTimeGroupMO *KTImageMO::timeGroup() const
{
    return static_cast<KTTimeGroupMO *>(relatedObject(keys().timeGroup));
}

void KTImageMO::setTimeGroup(KTTimeGroupMO *value)
{
    setRelatedObject(keys().timeGroup, value);
}

void KTImageMO::addImageAttributesFromDictionary(const QVariantMap &attributes)
{
    const auto date = [&](const char *key) { return attributes.value(QLatin1String(key)).toDateTime(); };
    const QVariant size = attributes.value(QLatin1String(kFileSizeKey));
    const QVariant exposure = attributes.value(QLatin1String(kExposureTimeImageAttributeKey));
    setModificationDate(date(kFileModificationDateKey));
    setSize(size.isValid() ? std::optional<quint64>(size.toULongLong()) : std::nullopt);
    setCreationDate(date(kFileCreationDateKey));
    setTimeStamp(date(kTimeStampImageAttributeKey));
    setExposureTime(exposure.isValid() ? std::optional<double>(exposure.toDouble()) : std::nullopt);
}

QVariantMap KTImageMO::creationDateAttributes() const
{
    QVariantMap attributes;
    const QVariant created = value(keys().creationDate);
    const QVariant shot = value(keys().timeStamp);
    const QVariant exposure = value(keys().exposureTime);
    if (created.isValid())
        attributes.insert(kImageCreationDateValueKey, created);
    if (shot.isValid())
        attributes.insert(kImageTimeStampValueKey, shot);
    if (exposure.isValid())
        attributes.insert(kImageExposureTimeValueKey, exposure);
    return attributes;
}

QList<QUrl> KTImageMO::urlsForShowInFinder() const
{
    QList<QUrl> urls{QUrl::fromLocalFile(path())};
    const QString twin = duplicateImagePath();
    if (!twin.isNull())
        urls.append(QUrl::fromLocalFile(twin));
    return urls;
}

KTImageMO::KTImageMO() = default;

KTImageMO::~KTImageMO()
{
    finishMonitoringFileSystem();
}

void KTImageMO::startMonitoringFileSystem()
{
    if (!isMainThread())
        return;
    // A record never checked is checked at once, so the view that takes it shows the right state
    // from its first paint; every later check is the monitor's, off the main thread.
    if (!originalFileExists().has_value())
        checkOriginalFileExistence();
    if (m_monitorCount++ == 0)
        KTFileExistenceMonitor::sharedMonitor().addRecord(this);
}

void KTImageMO::stopMonitoringFileSystem()
{
    if (m_monitorCount == 0) {
        qWarning().noquote()
            << QStringLiteral("File system monitoring for image at path %1 did not started yet").arg(path());
        return;
    }
    if (--m_monitorCount == 0)
        KTFileExistenceMonitor::sharedMonitor().removeRecord(this);
}

void KTImageMO::finishMonitoringFileSystem()
{
    // Only main-thread records ever start monitoring, so only they reach the monitor here.
    if (std::exchange(m_monitorCount, 0) > 0)
        KTFileExistenceMonitor::sharedMonitor().removeRecord(this);
}

void KTImageMO::checkOriginalFileExistence()
{
    const QString file = path();
    if (file.isNull())
        return;
    Q_ASSERT_X(isMainThread(), "KTImageMO", "The thread for checkOriginalFileExistence should be main");
    applyFileExistence(QFileInfo::exists(file));
}

bool KTImageMO::applyFileExistence(bool exists)
{
    Q_ASSERT(isMainThread());
    // A deleted record keeps its last values; a change would only be refused.
    if (isDeleted() || exists == originalFileExists().value_or(false))
        return false;
    setOriginalFileExists(exists);
    return true;
}

void KTImageMO::prepareForDeletion()
{
    finishMonitoringFileSystem();
}

void KTImageMO::awakeFromInsert()
{
    if (uuid().isNull())
        setPrimitiveValue(keys().uuid, KTCatalogModel::newUUIDString());
}
