#pragma once

#include "KTSortDescriptor.h"
#include "KTStoreObject.h"

#include <QList>
#include <QString>

class KTImageMO;

/// A group of similar images found by the similarity search (entity "Group"). It derives from
/// the store's record class directly, not from KTManagedObject.
///
/// Threading: as any record (see KTStoreObject).
class KTImageGroupMO : public KTStoreObject
{
public:
    QString groupID() const;
    void setGroupID(const QString &groupID);
    /// The group's images, ordered by object id.
    QList<KTImageMO *> images() const;
    /// Puts each image into this group (setting its "group").
    void addImages(const QList<KTImageMO *> &images);
    /// The group's images sorted by one key in one direction (ties by object id).
    QList<KTImageMO *> imagesSortedByKey(const QString &key, KTSortOrder order) const;

protected:
    /// Gives the group a new UUID string as "groupID" unless one was set already.
    void awakeFromInsert() override;
};
