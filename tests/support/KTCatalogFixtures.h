#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

class KTSqliteDatabase;

/// Builds small external catalogues from SQL text, in a folder the caller owns (a QTemporaryDir).
///
/// Lightroom catalogue (createLightroomCatalog), 30 images:
/// - Adobe_images id_local 101..130 (pick 0, touchTime 400000000 + n), each with its own file
///   IMG_0001.JPG .. IMG_0030.JPG; 101..120 in the root folder "<folder>/Photos/", 121..130 in
///   its subfolder "Trip/".
/// - Collections: "Family" (id 500, images 101, 102, 103), a smart collection (id 501) that is not
///   a plain collection, and nothing of the application's own.
/// - Adobe_variablesTable: 'Adobe_DBVersion' at id_local 1 ("0500025", a Lightroom 5 catalogue),
///   the entity counter 'Adobe_entityIDCounter' at id_local 7, holding `counter`, or no counter row
///   at all when `counter` is negative.
///
/// iPhoto or Aperture library (createAppleLibrary), 30 versions:
/// - Projects "P1" ("Summer", versionCount 20) and "P2" ("Winter", versionCount 10).
/// - Versions "V01".."V29" and one named "uuid" (spelled like a column) as the 30th. V01 and V02
///   share the master "M01"; every later version n has its own master "M<n-1>". Versions 1..20
///   belong to P1, the rest to P2. Masters' imagePath: "2013/07/IMG_<n>.JPG" under Masters.
/// - Nothing flagged or in the trash; RKVersion_RidIndexes and RKAdminData hold a few rows.
class KTCatalogFixtures
{
public:
    static constexpr int kImageCount = 30;
    static constexpr qint64 kFirstImageID = 101;

    /// Creates "<folder>/<fileName>" and returns its path.
    static QString createLightroomCatalog(const QString &folder, double counter = 1234,
                                          const QString &fileName = QStringLiteral("Lightroom Catalog.lrcat"),
                                          const QString &dbVersion = QStringLiteral("0500025"));
    /// Creates "<folder>/<name>.photolibrary" (iPhoto) or "<folder>/<name>.aplibrary" (Aperture)
    /// with its database at Database/Library.apdb and returns the library's path.
    static QString createAppleLibrary(const QString &folder, const QString &kind,
                                      const QString &name = QStringLiteral("Library"));
    /// The media source that a session of this library records: the library's Database folder.
    static QString appleMediaSource(const QString &libraryPath);
    static QString appleDatabasePath(const QString &libraryPath);

    /// Runs SQL text (several statements allowed) on the database file; fails the test on error.
    static void execute(const QString &databasePath, const QString &sql);
    /// The first column of the first row, or an invalid QVariant.
    static QVariant scalar(const QString &databasePath, const QString &sql);
    static QByteArray fileBytes(const QString &path);
    /// Overwrites the file with bytes that are not a database.
    static void corrupt(const QString &path);
};

/// Holds a write lock (BEGIN IMMEDIATE) on a database from another connection while it lives.
class KTCatalogWriteLock
{
public:
    explicit KTCatalogWriteLock(const QString &databasePath);
    ~KTCatalogWriteLock();
    KTCatalogWriteLock(const KTCatalogWriteLock &) = delete;
    KTCatalogWriteLock &operator=(const KTCatalogWriteLock &) = delete;

    bool isLocked() const { return m_locked; }

private:
    std::unique_ptr<KTSqliteDatabase> m_database;
    bool m_locked = false;
};
