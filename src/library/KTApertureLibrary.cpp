#include "KTApertureLibrary.h"

#include "KTSqliteDatabase.h"

#include <QMap>
#include <QSet>

KTApertureLibrary::KTApertureLibrary(KTSqliteDatabase &database) : m_database(database) {}

QList<KTCatalogSql::TableColumns> KTApertureLibrary::requiredSchema()
{
    return {
        {QStringLiteral("RKVersion"),
         {QStringLiteral("uuid"), QStringLiteral("masterUuid"), QStringLiteral("isInTrash"),
          QStringLiteral("isFlagged")}},
        {QStringLiteral("RKMaster"),
         {QStringLiteral("uuid"), QStringLiteral("projectUuid"), QStringLiteral("isInTrash")}},
        {QStringLiteral("RKFolder"), {QStringLiteral("uuid"), QStringLiteral("versionCount")}},
        {QStringLiteral("RKVersion_RidIndexes"), {}},
        {QStringLiteral("RKAdminData"), {}},
    };
}

bool KTApertureLibrary::sqlFailed()
{
    m_errorMessage = m_database.lastError();
    m_failedBusy = m_database.lastErrorIsBusy();
    return false;
}

bool KTApertureLibrary::markApertureOriPhotoImagesAsTrashed(bool trashed, const QStringList &imageIDs)
{
    if (imageIDs.isEmpty())
        return true;
    const QStringList ids = QStringList(QSet<QString>(imageIDs.cbegin(), imageIDs.cend()).values());

    // Count, per project, the listed versions whose trash mark changes in this call, so that the
    // project's count follows the versions actually moved and never drifts on repeated writes.
    QMap<QString, qint64> changedPerProject;
    if (!KTCatalogSql::queryForIds(
            m_database,
            QStringLiteral("SELECT m.projectUuid FROM RKVersion v JOIN RKMaster m ON m.uuid = "
                           "v.masterUuid WHERE v.uuid IN %1 AND (COALESCE(v.isInTrash, 0) > 0) <> ? "
                           "AND m.projectUuid IS NOT NULL"),
            ids, {}, {trashed ? 1 : 0}, [&changedPerProject](const KTSqliteStatement &row) {
                ++changedPerProject[row.columnText(0)];
                return true;
            }))
        return sqlFailed();

    if (!KTCatalogSql::runForIds(m_database,
                                 QStringLiteral("UPDATE RKVersion SET isInTrash = ? WHERE uuid IN %1"), ids,
                                 {trashed ? 1 : 0}))
        return sqlFailed();

    // A master shared by several versions stays out of the trash while any of its versions is out.
    const QString masterSql =
        trashed ? QStringLiteral(
                      "UPDATE RKMaster SET isInTrash = 1 WHERE uuid IN (SELECT masterUuid FROM RKVersion "
                      "WHERE uuid IN %1) AND NOT EXISTS (SELECT 1 FROM RKVersion v WHERE v.masterUuid = "
                      "RKMaster.uuid AND NOT (COALESCE(v.isInTrash, 0) > 0))")
                : QStringLiteral(
                      "UPDATE RKMaster SET isInTrash = 0 WHERE uuid IN (SELECT masterUuid FROM RKVersion "
                      "WHERE uuid IN %1)");
    if (!KTCatalogSql::runForIds(m_database, masterSql, ids))
        return sqlFailed();

    const QString countSql =
        trashed
            ? QStringLiteral(
                  "UPDATE RKFolder SET versionCount = MAX(COALESCE(versionCount, 0) - ?, 0) WHERE uuid = ?")
            : QStringLiteral(
                  "UPDATE RKFolder SET versionCount = COALESCE(versionCount, 0) + ? WHERE uuid = ?");
    for (auto it = changedPerProject.cbegin(); it != changedPerProject.cend(); ++it) {
        if (!KTCatalogSql::run(m_database, countSql, {it.value(), it.key()}))
            return sqlFailed();
    }
    return cleanupApertureOrIphotoDatabaseAfterUpdate();
}

bool KTApertureLibrary::markApertureOriPhotoImagesAsFlagged(bool flagged, const QStringList &imageIDs)
{
    if (imageIDs.isEmpty())
        return true;
    if (!KTCatalogSql::runForIds(m_database,
                                 QStringLiteral("UPDATE RKVersion SET isFlagged = ? WHERE uuid IN %1"),
                                 imageIDs, {flagged ? 1 : 0}))
        return sqlFailed();
    return cleanupApertureOrIphotoDatabaseAfterUpdate();
}

bool KTApertureLibrary::cleanupApertureOrIphotoDatabaseAfterUpdate()
{
    if (!KTCatalogSql::run(m_database, QStringLiteral("DELETE FROM RKVersion_RidIndexes")) ||
        !KTCatalogSql::run(m_database, QStringLiteral("DELETE FROM RKAdminData")))
        return sqlFailed();
    return true;
}

std::optional<QHash<QString, KTApertureLibrary::VersionState>>
KTApertureLibrary::versionStates(const QStringList &imageIDs)
{
    QHash<QString, VersionState> states;
    if (!KTCatalogSql::queryForIds(
            m_database, QStringLiteral("SELECT isInTrash, uuid, isFlagged FROM RKVersion WHERE uuid IN %1"),
            imageIDs, {}, {}, [&states](const KTSqliteStatement &row) {
                states.insert(row.columnText(1),
                              VersionState{row.columnDouble(0) > 0, row.columnDouble(2) > 0});
                return true;
            })) {
        sqlFailed();
        return std::nullopt;
    }
    return states;
}
