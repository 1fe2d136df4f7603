#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class KTImageMO;
class KTImageStorage;

/// The generated session every screen shows: three folders of generated photos (bursts of a few
/// shots a second apart, look-alikes and single shots, as JPEGs with shooting time, exposure and
/// camera model in their EXIF) imported into the shared catalogue with the similarity search and
/// the time grouping, then culled a little: the first shot of each similar group picked, its last
/// shot rejected, and one single rejected in each folder.
///
/// Threading: main thread; build() turns the event loop until the import has finished.
class KTScreenSession
{
public:
    /// Builds the session with its photos under `folder` into KTImageStorage::sharedStorage(),
    /// which must have its similarity search installed. Null, with `error` set, when the photos
    /// could not be written or the import did not finish.
    static std::unique_ptr<KTScreenSession> build(const QString &folder, QString *error = nullptr);

    KTImageStorage &storage() const { return *m_storage; }
    /// The source folders, in the order they were added.
    QStringList folders() const { return m_folders; }
    QList<KTImageMO *> images() const;
    QList<KTImageMO *> picked() const;
    QList<KTImageMO *> rejected() const;
    /// One line for the log: counts of images, groups, time groups, picks and rejects.
    QString summary() const;

private:
    KTImageStorage *m_storage = nullptr;
    QStringList m_folders;
};
