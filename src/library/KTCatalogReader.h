#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class KTOperation;

/// One node of an external catalogue that the user can choose as a session's source: a folder or
/// a collection of a Lightroom catalogue, a project of an iPhoto or Aperture library.
struct KTCatalogNode
{
    enum class Kind
    {
        Folder,
        Collection,
        Project
    };

    /// Unique across catalogues: "<catalogue path>#<kind>:<id>". Becomes the list's "nodeId".
    QString identifier;
    QString name;
    /// The display name of the catalogue itself (its file or library name without extension).
    QString topLevelNodeName;
    /// "Lightroom4", "Lightroom5", "iPhoto" or "Aperture": the source type of the session.
    QString importSource;
    Kind kind = Kind::Folder;
    /// The images the node would deliver.
    qint64 countOfBindableObjects = 0;
};

/// Reads the nodes of a Lightroom 4 or 5 catalogue (.lrcat file) or an iPhoto or Aperture library
/// (.photolibrary / .aplibrary folder) and the catalogue image list of one node: the dictionary
/// that starts a catalogue session, with the keys "nodeId", "importSource", "mediaSource",
/// "importSourceName", "topLevelNodeName" and "imagesArray".
///
/// Image dictionaries: Lightroom entries carry "path" (root folder + folder + file name),
/// "idLocal" (Adobe_images.id_local) and "collectionID" (the id_local of the node's collection, or
/// of its folder for a folder node). iPhoto and Aperture entries carry "path" and "ImagePath" (the
/// master file: RKMaster.imagePath under the library's Masters folder, or as it stands when
/// absolute), for iPhoto also "OriginalPath", and "VersionUUID" (RKVersion.uuid); versions in the
/// library's trash are left out. "mediaSource" is the catalogue file for Lightroom and the
/// library's Database folder for iPhoto and Aperture (an existing item one level inside the
/// library, as the sync expects).
///
/// The catalogue is opened for reading for each call (KTCatalogSql::openForReading). A catalogue
/// that cannot be opened, or whose tables or columns are not the ones read here, is refused with a
/// message.
///
/// Threading: stateless apart from the path; calls block while they read, so the browser runs them
/// on a background queue (createOperationForLoadImagesListFromNodeIdentifier).
class KTCatalogReader
{
public:
    struct NodesResult
    {
        bool ok = false;
        QString errorMessage;
        QList<KTCatalogNode> nodes;
    };
    struct ImagesListResult
    {
        bool ok = false;
        QString errorMessage;
        /// The catalogue image list (see the class comment).
        QVariantMap imagesList;
    };

    explicit KTCatalogReader(QString catalogPath);

    /// The source type of the catalogue at the path ("Lightroom4", "Lightroom5", "iPhoto",
    /// "Aperture"), from its extension and, for Lightroom, the major version in its version table;
    /// empty when the path is not a catalogue this reader knows or cannot be read (then
    /// `errorMessage`, when given, holds the reason a Lightroom catalogue could not be read).
    QString importSource() const;
    QString importSource(QString *errorMessage) const;

    /// Folders (with at least one image) and collections, or projects; sorted by name.
    NodesResult nodes() const;
    /// The catalogue image list of the node with this identifier.
    ImagesListResult imagesListForNode(const QString &nodeIdentifier) const;

    /// An operation that reads the node's image list and calls `completion` with it, or with an
    /// empty map when the node cannot be read, on the thread that runs the operation. The caller
    /// queues it (KTOperationQueue); a cancelled operation does not call `completion`.
    std::shared_ptr<KTOperation> createOperationForLoadImagesListFromNodeIdentifier(
        const QString &nodeIdentifier, std::function<void(const QVariantMap &imagesList)> completion) const;

private:
    QString m_catalogPath;
};
