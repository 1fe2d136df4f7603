#include "KTCatalogReader.h"

#include "KTApertureLibrary.h"
#include "KTCatalogSql.h"
#include "KTExternalCatalogTypes.h"
#include "KTExternalImagesManager.h"
#include "KTLightroomCatalog.h"
#include "KTOperationQueue.h"
#include "KTSqliteDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString kFolderKind = QStringLiteral("folder");
const QString kCollectionKind = QStringLiteral("collection");
const QString kProjectKind = QStringLiteral("project");

QString tr(const char *text)
{
    return QCoreApplication::translate("KTCatalogReader", text);
}

bool isIPhotoOrAperture(const QString &importSource)
{
    return importSource == kSourceTypeIPhoto || importSource == kSourceTypeAperture;
}

QString libraryMediaSource(const QString &libraryPath)
{
    return QDir(libraryPath).filePath(QStringLiteral("Database"));
}

QString databasePathFor(const QString &catalogPath, const QString &importSource)
{
    return isIPhotoOrAperture(importSource)
               ? QDir(catalogPath).filePath(QStringLiteral("Database/Library.apdb"))
               : catalogPath;
}

// The tables the listing reads, besides those the sync statements need.
QList<KTCatalogSql::TableColumns> readerSchema(const QString &importSource)
{
    if (isIPhotoOrAperture(importSource)) {
        QList<KTCatalogSql::TableColumns> schema = KTApertureLibrary::requiredSchema();
        schema.append({QStringLiteral("RKMaster"), {QStringLiteral("imagePath")}});
        schema.append({QStringLiteral("RKFolder"), {QStringLiteral("name")}});
        return schema;
    }
    QList<KTCatalogSql::TableColumns> schema = KTLightroomCatalog::requiredSchema();
    schema.append({QStringLiteral("Adobe_images"), {QStringLiteral("rootFile")}});
    schema.append({QStringLiteral("AgLibraryFile"),
                   {QStringLiteral("id_local"), QStringLiteral("baseName"), QStringLiteral("extension"),
                    QStringLiteral("folder")}});
    schema.append(
        {QStringLiteral("AgLibraryFolder"),
         {QStringLiteral("id_local"), QStringLiteral("pathFromRoot"), QStringLiteral("rootFolder")}});
    schema.append({QStringLiteral("AgLibraryRootFolder"),
                   {QStringLiteral("id_local"), QStringLiteral("absolutePath"), QStringLiteral("name")}});
    return schema;
}

// Opens the catalogue read-only and checks its shape; the message says why not.
bool openCatalog(KTSqliteDatabase &database, const QString &catalogPath, const QString &importSource,
                 QString &errorMessage)
{
    const QString path = databasePathFor(catalogPath, importSource);
    if (!QFileInfo(path).isFile()) {
        errorMessage = tr("The catalog %1 was not found.").arg(path);
        return false;
    }
    if (!KTCatalogSql::openForReading(database, path)) {
        errorMessage = tr("The catalog %1 cannot be opened: %2").arg(path, database.lastError());
        return false;
    }
    errorMessage = KTCatalogSql::missingSchema(database, readerSchema(importSource));
    return errorMessage.isEmpty();
}

QString joinedPath(QString folder, const QString &relative)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + relative;
}

QString lightroomImagePath(const KTSqliteStatement &row)
{
    // absolutePath, pathFromRoot, baseName, extension in columns 1 to 4.
    QString fileName = row.columnText(3);
    if (!row.columnText(4).isEmpty())
        fileName += QLatin1Char('.') + row.columnText(4);
    return joinedPath(joinedPath(row.columnText(1), row.columnText(2)), fileName);
}

const QString kLightroomImageColumns = QStringLiteral(
    "SELECT i.id_local, r.absolutePath, f.pathFromRoot, fi.baseName, fi.extension FROM Adobe_images i "
    "JOIN AgLibraryFile fi ON fi.id_local = i.rootFile JOIN AgLibraryFolder f ON f.id_local = fi.folder "
    "JOIN AgLibraryRootFolder r ON r.id_local = f.rootFolder ");

} // namespace

KTCatalogReader::KTCatalogReader(QString catalogPath) : m_catalogPath(std::move(catalogPath)) {}

QString KTCatalogReader::importSource() const
{
    return importSource(nullptr);
}

QString KTCatalogReader::importSource(QString *errorMessage) const
{
    const QString suffix = QFileInfo(m_catalogPath).suffix().toLower();
    if (suffix == QLatin1String("photolibrary"))
        return kSourceTypeIPhoto;
    if (suffix == QLatin1String("aplibrary"))
        return kSourceTypeAperture;
    if (suffix != QLatin1String("lrcat"))
        return {};
    // Only the catalogue's own version table says which statements fit it: a catalogue without
    // one is not taken for any version.
    switch (KTExternalImagesManager::lighroomCatalogMajorVersionFromPath(m_catalogPath, errorMessage)) {
    case 4:
        return kSourceTypeLightroom4;
    case 5:
        return kSourceTypeLightroom5;
    default:
        return {};
    }
}

KTCatalogReader::NodesResult KTCatalogReader::nodes() const
{
    NodesResult result;
    QString readError;
    const QString source = importSource(&readError);
    if (source.isEmpty()) {
        result.errorMessage =
            readError.isEmpty()
                ? tr("%1 is not a Lightroom 4 or 5 catalog, an iPhoto library or an Aperture library.")
                      .arg(m_catalogPath)
                : tr("The catalog %1 cannot be read: %2").arg(m_catalogPath, readError);
        return result;
    }
    KTSqliteDatabase database;
    if (!openCatalog(database, m_catalogPath, source, result.errorMessage))
        return result;

    const QString topLevelName = QFileInfo(m_catalogPath).completeBaseName();
    const auto addNode = [&](KTCatalogNode::Kind kind, const QString &kindText, const QString &id,
                             const QString &name, qint64 count) {
        KTCatalogNode node;
        node.identifier = m_catalogPath + QLatin1Char('#') + kindText + QLatin1Char(':') + id;
        node.name = name;
        node.topLevelNodeName = topLevelName;
        node.importSource = source;
        node.kind = kind;
        node.countOfBindableObjects = count;
        result.nodes.append(node);
    };

    bool ok = true;
    if (isIPhotoOrAperture(source)) {
        ok = KTCatalogSql::query(
            database,
            QStringLiteral(
                "SELECT p.uuid, p.name, COUNT(v.uuid) FROM RKFolder p JOIN RKMaster m ON m.projectUuid = "
                "p.uuid JOIN RKVersion v ON v.masterUuid = m.uuid WHERE NOT (COALESCE(v.isInTrash, 0) > 0) "
                "GROUP BY p.uuid"),
            {}, [&](const KTSqliteStatement &row) {
                addNode(KTCatalogNode::Kind::Project, kProjectKind, row.columnText(0), row.columnText(1),
                        row.columnInt64(2));
                return true;
            });
    } else {
        ok = KTCatalogSql::query(
                 database,
                 QStringLiteral(
                     "SELECT f.id_local, r.name, f.pathFromRoot, COUNT(i.id_local) FROM AgLibraryFolder f "
                     "JOIN AgLibraryRootFolder r ON r.id_local = f.rootFolder JOIN AgLibraryFile fi ON "
                     "fi.folder = f.id_local JOIN Adobe_images i ON i.rootFile = fi.id_local GROUP BY "
                     "f.id_local"),
                 {},
                 [&](const KTSqliteStatement &row) {
                     QString path = row.columnText(2);
                     while (path.endsWith(QLatin1Char('/')))
                         path.chop(1);
                     const QString name =
                         path.isEmpty() ? row.columnText(1) : joinedPath(row.columnText(1), path);
                     addNode(KTCatalogNode::Kind::Folder, kFolderKind, row.columnText(0), name,
                             row.columnInt64(3));
                     return true;
                 }) &&
             KTCatalogSql::query(
                 database,
                 QStringLiteral(
                     "SELECT c.id_local, c.name, COUNT(i.id_local) FROM AgLibraryCollection c LEFT JOIN "
                     "AgLibraryCollectionImage ci ON ci.collection = c.id_local LEFT JOIN Adobe_images i ON "
                     "i.id_local = ci.image WHERE c.creationId = ? GROUP BY c.id_local"),
                 {QStringLiteral("com.adobe.ag.library.collection")}, [&](const KTSqliteStatement &row) {
                     addNode(KTCatalogNode::Kind::Collection, kCollectionKind, row.columnText(0),
                             row.columnText(1), row.columnInt64(2));
                     return true;
                 });
    }
    if (!ok) {
        result.nodes.clear();
        result.errorMessage =
            tr("The catalog %1 cannot be read: %2").arg(m_catalogPath, database.lastError());
        return result;
    }
    std::stable_sort(result.nodes.begin(), result.nodes.end(),
                     [](const KTCatalogNode &a, const KTCatalogNode &b) {
                         return QString::localeAwareCompare(a.name, b.name) < 0;
                     });
    result.ok = true;
    return result;
}

KTCatalogReader::ImagesListResult KTCatalogReader::imagesListForNode(const QString &nodeIdentifier) const
{
    ImagesListResult result;
    const qsizetype hash = nodeIdentifier.lastIndexOf(QLatin1Char('#'));
    const qsizetype colon = nodeIdentifier.indexOf(QLatin1Char(':'), hash + 1);
    if (hash < 0 || colon < 0 || nodeIdentifier.left(hash) != m_catalogPath) {
        result.errorMessage = tr("%1 is not a node of the catalog %2.").arg(nodeIdentifier, m_catalogPath);
        return result;
    }
    const QString kind = nodeIdentifier.mid(hash + 1, colon - hash - 1);
    const QString id = nodeIdentifier.mid(colon + 1);

    NodesResult listed = nodes();
    if (!listed.ok) {
        result.errorMessage = listed.errorMessage;
        return result;
    }
    const auto node = std::find_if(listed.nodes.cbegin(), listed.nodes.cend(),
                                   [&](const KTCatalogNode &n) { return n.identifier == nodeIdentifier; });
    if (node == listed.nodes.cend()) {
        result.errorMessage = tr("%1 is not a node of the catalog %2.").arg(nodeIdentifier, m_catalogPath);
        return result;
    }

    KTSqliteDatabase database;
    if (!openCatalog(database, m_catalogPath, node->importSource, result.errorMessage))
        return result;

    QVariantList images;
    bool ok = true;
    if (isIPhotoOrAperture(node->importSource)) {
        const QDir masters(QDir(m_catalogPath).filePath(QStringLiteral("Masters")));
        const bool isIPhoto = node->importSource == kSourceTypeIPhoto;
        ok = KTCatalogSql::query(
            database,
            QStringLiteral("SELECT v.uuid, m.imagePath FROM RKVersion v JOIN RKMaster m ON m.uuid "
                           "= v.masterUuid WHERE m.projectUuid = ? AND NOT (COALESCE(v.isInTrash, "
                           "0) > 0) ORDER BY v.rowid"),
            {id}, [&](const KTSqliteStatement &row) {
                const QString imagePath = row.columnText(1);
                const QString path =
                    QDir::isAbsolutePath(imagePath) ? imagePath : masters.filePath(imagePath);
                QVariantMap image{{QStringLiteral("path"), path},
                                  {QStringLiteral("ImagePath"), path},
                                  {QStringLiteral("VersionUUID"), row.columnText(0)}};
                if (isIPhoto)
                    image.insert(QStringLiteral("OriginalPath"), path);
                images.append(image);
                return true;
            });
    } else {
        const bool isCollection = kind == kCollectionKind;
        const QString sql =
            kLightroomImageColumns +
            (isCollection ? QStringLiteral("JOIN AgLibraryCollectionImage ci ON ci.image = i.id_local WHERE "
                                           "ci.collection = ? ORDER BY ci.positionInCollection, i.id_local")
                          : QStringLiteral("WHERE f.id_local = ? ORDER BY i.id_local"));
        const qint64 containerID = id.toLongLong();
        ok = KTCatalogSql::query(database, sql, {containerID}, [&](const KTSqliteStatement &row) {
            images.append(QVariantMap{{QStringLiteral("path"), lightroomImagePath(row)},
                                      {QStringLiteral("idLocal"), row.columnInt64(0)},
                                      {QStringLiteral("collectionID"), containerID}});
            return true;
        });
    }
    if (!ok) {
        result.errorMessage =
            tr("The catalog %1 cannot be read: %2").arg(m_catalogPath, database.lastError());
        return result;
    }

    result.imagesList = QVariantMap{
        {QStringLiteral("nodeId"), nodeIdentifier},
        {QStringLiteral("importSource"), node->importSource},
        {QStringLiteral("mediaSource"),
         isIPhotoOrAperture(node->importSource) ? libraryMediaSource(m_catalogPath) : m_catalogPath},
        {QStringLiteral("importSourceName"), node->name},
        {QStringLiteral("topLevelNodeName"), node->topLevelNodeName},
        {QStringLiteral("imagesArray"), images},
    };
    result.ok = true;
    return result;
}

std::shared_ptr<KTOperation> KTCatalogReader::createOperationForLoadImagesListFromNodeIdentifier(
    const QString &nodeIdentifier, std::function<void(const QVariantMap &imagesList)> completion) const
{
    const QString catalogPath = m_catalogPath;
    return std::make_shared<KTOperation>(
        [catalogPath, nodeIdentifier, completion = std::move(completion)](const KTOperation &operation) {
            const ImagesListResult result = KTCatalogReader(catalogPath).imagesListForNode(nodeIdentifier);
            if (!operation.isCancelled() && completion)
                completion(result.ok ? result.imagesList : QVariantMap());
        });
}
