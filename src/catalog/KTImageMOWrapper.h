#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class KTImageMO;

/// A plain copy of 17 values of one image record, for work away from the record's context. It
/// holds no relationship and no link back to the record; a caller that needs the record again
/// keeps its own map from uuid() to record.
///
/// Threading: make it where the record may be used; afterwards it is immutable and may be read
/// and copied on any thread.
class KTImageMOWrapper
{
public:
    /// Reads the values through the record's accessors, in the order of the getters below.
    explicit KTImageMOWrapper(const KTImageMO &image);
    static KTImageMOWrapper wrapperWithImageMO(const KTImageMO &image) { return KTImageMOWrapper(image); }

    const QString &path() const { return m_path; }
    const QString &duplicateImagePath() const { return m_duplicateImagePath; }
    const QString &name() const { return m_name; }
    const QDateTime &modificationDate() const { return m_modificationDate; }
    const QDateTime &creationDate() const { return m_creationDate; }
    std::optional<quint64> size() const { return m_size; }
    std::optional<bool> rejected() const { return m_rejected; }
    std::optional<bool> picked() const { return m_picked; }
    const QString &externalGUID() const { return m_externalGUID; }
    std::optional<quint64> imageID() const { return m_imageID; }
    std::optional<qint64> imageIndex() const { return m_imageIndex; }
    std::optional<bool> originalFileExists() const { return m_originalFileExists; }
    const QDateTime &resolveDate() const { return m_resolveDate; }
    const QDateTime &timeStamp() const { return m_timeStamp; }
    std::optional<double> exposureTime() const { return m_exposureTime; }
    std::optional<qint64> syncStatusBitmask() const { return m_syncStatusBitmask; }
    const QString &uuid() const { return m_uuid; }

private:
    QString m_path;
    QString m_duplicateImagePath;
    QString m_name;
    QDateTime m_modificationDate;
    QDateTime m_creationDate;
    std::optional<quint64> m_size;
    std::optional<bool> m_rejected;
    std::optional<bool> m_picked;
    QString m_externalGUID;
    std::optional<quint64> m_imageID;
    std::optional<qint64> m_imageIndex;
    std::optional<bool> m_originalFileExists;
    QDateTime m_resolveDate;
    QDateTime m_timeStamp;
    std::optional<double> m_exposureTime;
    std::optional<qint64> m_syncStatusBitmask;
    QString m_uuid;
};
