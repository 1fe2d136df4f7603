#pragma once

#include "KTManagedObject.h"

#include <QList>
#include <QString>

#include <optional>

class KTImageMO;

/// A run of images taken close together in time (entity "TimeGroup").
///
/// Threading: as any record (see KTStoreObject).
class KTTimeGroupMO : public KTManagedObject
{
public:
    QString groupID() const;
    void setGroupID(const QString &groupID);
    /// YES for the one group of the images without a time stamp; nil counts as NO.
    std::optional<bool> timestampIsAbsent() const;
    void setTimestampIsAbsent(std::optional<bool> absent);
    /// The group's images, ordered by object id.
    QList<KTImageMO *> images() const;
    /// Puts each image into this time group (setting its "timeGroup").
    void addImages(const QList<KTImageMO *> &images);

protected:
    /// Gives the group a new UUID string as "groupID" unless one was set already.
    void awakeFromInsert() override;
};
