#pragma once

#include "KTManagedObject.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class KTFolderMO;
class KTImageGroupMO;
class KTTimeGroupMO;

/// One image file of the session (entity "Image"); for a RAW+JPEG pair shown as one file, the
/// record of the RAW file. Every attribute is optional: nil strings and dates read as a null
/// QString and an invalid QDateTime, nil numbers and booleans as std::nullopt (a nil boolean
/// counts as NO wherever a decision is taken). "originalFileExists" is transient: it lives in
/// this record object only, and setting it notifies its key observers but is never a change.
///
/// Threading: as any record (see KTStoreObject).
class KTImageMO : public KTManagedObject
{
public:
    QString path() const;
    void setPath(const QString &value);
    QString name() const;
    void setName(const QString &value);
    QDateTime modificationDate() const;
    void setModificationDate(const QDateTime &value);
    QDateTime creationDate() const;
    void setCreationDate(const QDateTime &value);
    std::optional<quint64> size() const;
    void setSize(std::optional<quint64> value);
    std::optional<bool> rejected() const;
    void setRejected(std::optional<bool> value);
    std::optional<bool> picked() const;
    void setPicked(std::optional<bool> value);
    QString externalGUID() const;
    void setExternalGUID(const QString &value);
    std::optional<quint64> imageID() const;
    void setImageID(std::optional<quint64> value);
    std::optional<qint64> imageIndex() const;
    void setImageIndex(std::optional<qint64> value);
    QDateTime resolveDate() const;
    void setResolveDate(const QDateTime &value);
    QDateTime timeStamp() const;
    void setTimeStamp(const QDateTime &value);
    std::optional<double> exposureTime() const;
    void setExposureTime(std::optional<double> value);
    std::optional<qint64> syncStatusBitmask() const;
    void setSyncStatusBitmask(std::optional<qint64> value);
    QString externalCollectionID() const;
    void setExternalCollectionID(const QString &value);
    QDateTime touchTime() const;
    void setTouchTime(const QDateTime &value);
    QString uuid() const;
    void setUuid(const QString &value);
    QString duplicateImagePath() const;
    void setDuplicateImagePath(const QString &value);
    std::optional<bool> originalFileExists() const;
    void setOriginalFileExists(std::optional<bool> value);
    KTFolderMO *folder() const;
    void setFolder(KTFolderMO *value);
    KTImageGroupMO *group() const;
    void setGroup(KTImageGroupMO *value);
    KTTimeGroupMO *timeGroup() const;
    void setTimeGroup(KTTimeGroupMO *value);

    /// Up to three entries, each only when the value is not nil: "creationDate", "timeStamp",
    /// "exposureTime".
    QVariantMap creationDateAttributes() const;
    /// The file URL of `path`, then that of `duplicateImagePath` when set.
    QList<QUrl> urlsForShowInFinder() const;

protected:
    /// Gives the record a new UUID string as "uuid" unless one was set already.
    void awakeFromInsert() override;
};
