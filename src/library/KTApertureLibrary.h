#pragma once

#include "KTCatalogSql.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class KTSqliteDatabase;

/// The statements that the sync runs on the database of an open iPhoto or Aperture library
/// (<library>/Database/Library.apdb): a pick is the version's flag (RKVersion.isFlagged), a reject
/// its trash mark (RKVersion.isInTrash); a value above 0 means set.
///
/// Every value is a bound parameter; identifiers are RKVersion.uuid. Methods return false (or
/// nothing) as soon as a statement fails, with the message in errorMessage(); they open no
/// transaction: KTExternalImagesManager runs each write in one and rolls it back on failure.
///
/// Threading: use on the thread that owns the database.
class KTApertureLibrary
{
public:
    /// The flag and trash mark of one version.
    struct VersionState
    {
        bool isInTrash = false;
        bool isFlagged = false;
    };

    explicit KTApertureLibrary(KTSqliteDatabase &database);

    /// The tables and columns that these statements use.
    static QList<KTCatalogSql::TableColumns> requiredSchema();

    /// Puts the versions into the library's trash (or takes them out) and keeps the rest in step:
    /// - a master goes into the trash only when every one of its versions is in it afterwards, and
    ///   leaves it as soon as one of its versions does;
    /// - a project's versionCount goes down by one for each listed version that enters the trash in
    ///   this call (never below 0) and up by one for each that leaves it; versions already in the
    ///   requested state do not count.
    /// Then the clean-up below. An empty list does nothing.
    bool markApertureOriPhotoImagesAsTrashed(bool trashed, const QStringList &imageIDs);
    /// Sets or clears the versions' flag, then the clean-up. An empty list does nothing.
    bool markApertureOriPhotoImagesAsFlagged(bool flagged, const QStringList &imageIDs);
    /// Empties RKVersion_RidIndexes and RKAdminData, which the library rebuilds.
    bool cleanupApertureOrIphotoDatabaseAfterUpdate();

    /// The state of each listed version that the library holds, by uuid. Nothing on failure.
    std::optional<QHash<QString, VersionState>> versionStates(const QStringList &imageIDs);

    /// Why the last call failed.
    const QString &errorMessage() const { return m_errorMessage; }
    /// True when the last failure was another connection's lock.
    bool failedBusy() const { return m_failedBusy; }

private:
    bool sqlFailed();

    KTSqliteDatabase &m_database;
    QString m_errorMessage;
    bool m_failedBusy = false;
};
