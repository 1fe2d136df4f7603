#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class KTFolderMO;
class KTImageGroupMO;
class KTImageMO;

// The catalogue's notifications: posted on KTNotificationCenter::defaultCenter() with the
// catalogue as object, on the main thread. Posters write a userInfo only through the helpers
// below and observers read it only through them, so the two sides cannot disagree on a key or a
// type. A helper that reads a key that is absent or of another type answers empty (or false).
//
// Records are main-context records, each list ordered by object id. Deleted records are still
// readable while the notification is delivered; an observer that keeps them longer must drop
// them when the session is cleared ("Clearing Session" ends).

// Names, posted by the change handler inside the main context's change processing.
inline const QString kImagesDidChangeNotification = QStringLiteral("ImagesChanged");
inline const QString kSourcesDidChangeNotification = QStringLiteral("SourcesChanged");
inline const QString kImagesDidUpdateNotification = QStringLiteral("ImagesUpdated");
inline const QString kImagesListDidChangeNotification = QStringLiteral("imagesListDidChange");
inline const QString kImageGroupsDidChangeNotification = QStringLiteral("imageGroupsDidChange");
inline const QString kTimeGroupsDidChangeNotification = QStringLiteral("timeGroupsDidChange");
// Names posted by the operations: resolving a group, and a load that found no image or no group.
inline const QString kImageGroupHasBeenResolvedNotification = QStringLiteral("ImageGroupHasBeenResolved");
inline const QString kNoImagesParsedNotification = QStringLiteral("NoImagesParsed");
inline const QString kNoSimilarGroupsFoundNotification = QStringLiteral("NoSimilarGroupsFound");

// Name posted by a load that could not read some of its files.
inline const QString kFailedToLoadSomeImagesNotification =
    QStringLiteral("kFailedToLoadSomeImagesNotification");

// userInfo keys.
inline const QString kAddedImagesKey = QStringLiteral("AdedImages");
inline const QString kDeletedImagesKey = QStringLiteral("DeletedImages");
inline const QString kAddedSourcesKey = QStringLiteral("AddedSources");
inline const QString kDeletedSourcesKey = QStringLiteral("DeletedSources");
inline const QString kUpdatedImagesKey = QStringLiteral("UpdatedImages");
inline const QString kJoinedImagesKey = QStringLiteral("JoinedImages");
inline const QString kLeftImagesKey = QStringLiteral("LeftImages");
inline const QString kMovedImagesKey = QStringLiteral("MovedImages");
inline const QString kCleanImageListKey = QStringLiteral("cleanImageListKey");
inline const QString kResolvedGroupKey = QStringLiteral("ResolvedGroup");
inline const QString kBrokenImagesKey = QStringLiteral("brokenImages");
// The keys of one entry of "brokenImages".
inline const QString kImageNameKey = QStringLiteral("name");
inline const QString kThumbnailLoadFailureReasonKey = QStringLiteral("thumbnailLoadFailureReasonKey");
inline const QString kBrokenImageIsFolderKey = QStringLiteral("isFolder");

/// "ImagesChanged": image records were inserted into or deleted from the main context. All four
/// keys are always present, possibly with empty lists.
struct KTImagesChangedInfo
{
    static const QString &name() { return kImagesDidChangeNotification; }
    static QVariantMap userInfo(const QList<KTImageMO *> &addedImages,
                                const QList<KTImageMO *> &deletedImages,
                                const QList<KTFolderMO *> &addedSources,
                                const QList<KTFolderMO *> &deletedSources);
    static QList<KTImageMO *> addedImages(const QVariantMap &userInfo);
    static QList<KTImageMO *> deletedImages(const QVariantMap &userInfo);
    static QList<KTFolderMO *> addedSources(const QVariantMap &userInfo);
    static QList<KTFolderMO *> deletedSources(const QVariantMap &userInfo);
};

/// "SourcesChanged": source records were inserted or deleted; both keys always present.
struct KTSourcesChangedInfo
{
    static const QString &name() { return kSourcesDidChangeNotification; }
    static QVariantMap userInfo(const QList<KTFolderMO *> &addedSources,
                                const QList<KTFolderMO *> &deletedSources);
    static QList<KTFolderMO *> addedSources(const QVariantMap &userInfo);
    static QList<KTFolderMO *> deletedSources(const QVariantMap &userInfo);
};

/// "ImagesUpdated": image records of the main context changed.
struct KTImagesUpdatedInfo
{
    static const QString &name() { return kImagesDidUpdateNotification; }
    static QVariantMap userInfo(const QList<KTImageMO *> &updatedImages);
    static QList<KTImageMO *> updatedImages(const QVariantMap &userInfo);
};

/// A filtered list's notification, named by the filter's identifier. After the merge of a change
/// it names the records that joined the list, those that left it (deleted ones among them) and the
/// members that were taken out and sorted back in (their place may be the same); all three keys
/// are present. A list fetched anew posts no userInfo: anything in it may have changed.
struct KTFilteredListChangedInfo
{
    static QVariantMap userInfo(const QList<KTImageMO *> &joinedImages, const QList<KTImageMO *> &leftImages,
                                const QList<KTImageMO *> &movedImages);
    /// True for the notification of a merge, false for a list fetched anew.
    static bool isMerge(const QVariantMap &userInfo);
    static QList<KTImageMO *> joinedImages(const QVariantMap &userInfo);
    static QList<KTImageMO *> leftImages(const QVariantMap &userInfo);
    static QList<KTImageMO *> movedImages(const QVariantMap &userInfo);
};

/// "imagesListDidChange": the cached images list was dropped; {"cleanImageListKey": true}.
struct KTImagesListDidChangeInfo
{
    static const QString &name() { return kImagesListDidChangeNotification; }
    static QVariantMap userInfo();
    static bool cleanImageList(const QVariantMap &userInfo);
};

/// "imageGroupsDidChange": the cached similar-groups list was dropped. No userInfo.
struct KTImageGroupsDidChangeInfo
{
    static const QString &name() { return kImageGroupsDidChangeNotification; }
};

/// "timeGroupsDidChange": the cached time-groups list was dropped. No userInfo.
struct KTTimeGroupsDidChangeInfo
{
    static const QString &name() { return kTimeGroupsDidChangeNotification; }
};

/// "ImageGroupHasBeenResolved": posted before the resolved group record is deleted.
struct KTImageGroupResolvedInfo
{
    static const QString &name() { return kImageGroupHasBeenResolvedNotification; }
    static QVariantMap userInfo(KTImageGroupMO *resolvedGroup);
    /// Null when absent.
    static KTImageGroupMO *resolvedGroup(const QVariantMap &userInfo);
};

/// "NoImagesParsed": a load found no image (after the warning and the session clearing). No userInfo.
struct KTNoImagesParsedInfo
{
    static const QString &name() { return kNoImagesParsedNotification; }
};

/// "NoSimilarGroupsFound": a load's similarity search found no group. No userInfo.
struct KTNoSimilarGroupsFoundInfo
{
    static const QString &name() { return kNoSimilarGroupsFoundNotification; }
};

/// One file a load could not read, or one folder it could not look into: its name, and why (a
/// sentence for the user).
struct KTBrokenImage
{
    enum class Kind
    {
        Image,
        Folder,
    };

    QString name;
    QString reason;
    Kind kind = Kind::Image;

    bool operator==(const KTBrokenImage &other) const = default;
};

/// "kFailedToLoadSomeImagesNotification": the files a load could not read and the folders it could
/// not look into, under "brokenImages" as a list of {"name", "thumbnailLoadFailureReasonKey"}
/// dictionaries, a folder's with "isFolder" true. Posted before the end of "Loading Images"; the
/// main window shows the missing-images sheet with the list.
struct KTFailedToLoadSomeImagesInfo
{
    static const QString &name() { return kFailedToLoadSomeImagesNotification; }
    static QVariantMap userInfo(const QList<KTBrokenImage> &brokenImages);
    static QList<KTBrokenImage> brokenImages(const QVariantMap &userInfo);
};
