#pragma once

#include "KTManagedObject.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <memory>
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
/// The record also watches whether its file exists while views show it: every view that shows
/// the image calls startMonitoringFileSystem() when it takes the record and
/// stopMonitoringFileSystem() when it lets it go; while at least one start is outstanding, the
/// record belongs to KTFileExistenceMonitor, whose batched pass checks the file every 0.5 s off
/// the main thread and sets "originalFileExists" when the answer changes.
///
/// Threading: as any record (see KTStoreObject); monitoring is started and stopped on the main
/// thread only.
class KTImageMO : public KTManagedObject
{
public:
    KTImageMO();
    ~KTImageMO() override;

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
    /// The "groupID" of the similar group a decision ended (resolved or deleted) while the image
    /// was in it; null otherwise. It lets a restored image bring that group back.
    QString resolvedGroupID() const;
    void setResolvedGroupID(const QString &value);
    std::optional<bool> originalFileExists() const;
    void setOriginalFileExists(std::optional<bool> value);
    KTFolderMO *folder() const;
    void setFolder(KTFolderMO *value);
    KTImageGroupMO *group() const;
    void setGroup(KTImageGroupMO *value);
    KTTimeGroupMO *timeGroup() const;
    void setTimeGroup(KTTimeGroupMO *value);

    /// Sets modificationDate, size and creationDate from the file keys of
    /// KTFilesManager::imageAttributesAtPath, timeStamp from "TimeStamp" and exposureTime from
    /// "ExposureTime"; a missing key sets nil.
    void addImageAttributesFromDictionary(const QVariantMap &attributes);
    /// Up to three entries, each only when the value is not nil: "creationDate", "timeStamp",
    /// "exposureTime".
    QVariantMap creationDateAttributes() const;
    /// The file URL of `path`, then that of `duplicateImagePath` when set.
    QList<QUrl> urlsForShowInFinder() const;

    /// Off the main thread: does nothing. On it: checks the file at once when the record was never
    /// checked ("originalFileExists" nil), counts one more start, and with the first start hands
    /// the record to the shared file-existence monitor, whose passes check it from the next turn
    /// of the event loop on.
    void startMonitoringFileSystem();
    /// Counts one start less (at 0 already it logs "File system monitoring for image at path %@
    /// did not started yet"); at 0 the record leaves the monitor.
    void stopMonitoringFileSystem();
    bool isMonitoringFileSystem() const { return m_monitorCount > 0; }
    /// Asks the file system now, on the calling thread, and applies the answer. Nothing without a
    /// path; main thread only (asserted).
    void checkOriginalFileExistence();
    /// Sets "originalFileExists" to `exists` when it differs from it (nil counts as NO), so
    /// observers hear of real changes only. Returns whether it was set. Main thread only.
    bool applyFileExistence(bool exists);

protected:
    /// Gives the record a new UUID string as "uuid" unless one was set already.
    void awakeFromInsert() override;
    /// Ends file monitoring, whatever the count.
    void prepareForDeletion() override;

private:
    void finishMonitoringFileSystem();

    quint64 m_monitorCount = 0;
};
