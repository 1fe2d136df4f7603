#pragma once

#include "KTManagedObject.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class KTImageMO;

/// A source of the session (entity "Folder"): a folder, or a node of an external catalogue.
/// Nil strings, dates and data read as null QString, invalid QDateTime and null QByteArray.
///
/// Threading: as any record (see KTStoreObject).
class KTFolderMO : public KTManagedObject
{
public:
    QDateTime addedDate() const;
    void setAddedDate(const QDateTime &date);
    QString path() const;
    void setPath(const QString &path);
    QString type() const;
    void setType(const QString &type);
    QString mediaSource() const;
    void setMediaSource(const QString &mediaSource);
    QString sourceID() const;
    void setSourceID(const QString &sourceID);
    QByteArray bookmark() const;
    void setBookmark(const QByteArray &bookmark);
    /// The source's images, ordered by object id.
    QList<KTImageMO *> images() const;
};
