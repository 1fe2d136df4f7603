#pragma once

#include "KTTaskNotifications.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class KTFolderMO;
class KTObjectContext;

/// Keys of a catalogue source dictionary, as the sources window makes it.
inline const QString kImageSourceNodeIdKey = QStringLiteral("nodeId");
inline const QString kImageSourceTypeKey = QStringLiteral("importSource");
inline const QString kImageSourceNameKey = QStringLiteral("importSourceName");
inline const QString kImageSourceTopLevelNodeNameKey = QStringLiteral("topLevelNodeName");
inline const QString kImagesArrayKey = QStringLiteral("imagesArray");

/// The session's sources ("Folder" records): recording folder and catalogue sources, telling
/// whether the recorded ones are still what they were, and their marker files.
///
/// Sources are found by exact equality of their path (a folder path, or a catalogue node id),
/// never by a pattern match: a folder named "a?b" or "*" is a source of its own.
///
/// A source's marker is "<base>/.<last component of base>", the base being a folder source's
/// path or a catalogue source's media source. The program never writes markers; one may hold
/// the source's sourceID. Because the name can equally be a user's own file, a marker counts
/// only when it is a regular file (not a link, folder, FIFO...) of at most 4 KiB, and it is
/// deleted only when its text equals the sourceID; anything else is left alone (logged).
///
/// Threading: every function runs on the thread of the context it is given; nothing here posts
/// or waits.
class KTSessionSources
{
    Q_DECLARE_TR_FUNCTIONS(KTSessionSources)

public:
    static constexpr qint64 kMaxMarkerSize = 4096;

    /// The folder source of each path that begins with "/" (others are dropped), made when
    /// missing, then the source of each catalogue source dictionary. A repeated path yields one
    /// record. Bookmarks of new sources are saved in the user default.
    static void recordSources(const QStringList &paths, const QVariantList &externalApplicationImages,
                              KTObjectContext &context);
    /// The source whose path equals the dictionary's "nodeId", or null.
    static KTFolderMO *sourceForImages(const QVariantMap &images, KTObjectContext &context);
    /// sourceForImages(), or a new catalogue source made from the dictionary.
    static KTFolderMO *addSourceForImages(const QVariantMap &images, KTObjectContext &context);
    static QString sourceIdFromExternalApplicationImages(const QVariantMap &images);
    /// The path shown for a catalogue source: "<top>/<name>", or "<type> Library/<name>" when the
    /// top-level name is empty.
    static QString sourcePathFromTopLevelNodeName(const QString &topLevelNodeName,
                                                  const QString &importSourceName,
                                                  const QString &importTypeName);

    /// True at the first source that is no longer what was recorded: a folder that is missing,
    /// not a folder, or another folder than the bookmarked one; a catalogue whose media source is
    /// missing, or whose marker holds another text than its sourceID. Reads the file system.
    static bool hasInvalidSourcesInContext(KTObjectContext &context);
    /// The marker path of `source`; empty when its base is not an existing folder.
    static QString checkFilePathForSource(const KTFolderMO &source);
    /// The text of the marker at `path`; nullopt when nothing is there (`exists` false) or when
    /// it is not a marker (see the class comment; `exists` true, logged).
    static std::optional<QString> readMarker(const QString &path, bool *exists = nullptr);
    /// Deletes the marker of `source` when it is a marker holding the source's sourceID.
    static void removeMarkerOfSource(const KTFolderMO &source);
};
