#pragma once

#include "KTCancelablePerformer.h"
#include "KTCatalogNotifications.h"
#include "KTTasksNotifier.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class KTFolderMO;
class KTImageMO;
class KTObjectContext;
class QObject;

/// Whether a RAW file and its JPEG twin become one image; KTImageStorage reads it from the user
/// default "kShowRAWandJPEGAsOneFileOption" (absent: Separate).
enum class KTRawJpegPairing
{
    Separate,
    OneFile
};

/// Turns the session's sources into "Image" records ("Loading Images"): walks the folder sources
/// for image files, reads their attributes (metadata only, never pixels) on the concurrent queue,
/// joins RAW+JPEG twins when asked, inserts one record per remaining file, adds the images of the
/// external catalogue lists, then has the similarity search and the time grouping run over the
/// loading context and saves it into the main context.
///
/// Seams: KTImageStorage's loadImages is
///     KTImageImporter importer(this, this, settings, hooks);
///     importer.setExternalApplicationImages(externalApplicationImages);
///     importer.loadImages(managedObjectContext());
/// where
///  - the catalogue object is the cancel-flag provider (`performer`) and the task sender;
///  - Hooks::findSimilars runs the duplicates seeker in the loading context; until the seeker is
///    wired, the search is skipped and the run logs so;
///  - Hooks::cleanSession is the session clearing; noImagesParsed and noSimilarGroupsFound post
///    the catalogue's notifications; storeImageStatuses takes the pick and reject snapshot;
///  - Settings carry the catalogue's accuracy level, time range, timeline interval and pairing.
///
/// Threading: construct on the main thread (or wherever `performer` and `sender` are alive);
/// loadImages() is main-thread only and returns at once. All
/// record work runs on the loading context's queue, the attribute reading on the global
/// concurrent queue; the main thread only receives task notifications, the hooks marked "main
/// thread", the alerts and the child's save. The other public methods run on the thread of the
/// context they are given. The importer keeps the performer's cancel flag and a task sender,
/// never a pointer it would read on a worker thread: a performer destroyed mid-run counts as a
/// cancel, and a sender destroyed mid-run makes the task notifications arrive without one.
class KTImageImporter
{
    Q_DECLARE_TR_FUNCTIONS(KTImageImporter)

public:
    struct Settings
    {
        KTRawJpegPairing pairing = KTRawJpegPairing::Separate;
        /// Run the similarity search after the import (the catalogue's findDuplicatesForAddedImages).
        bool findDuplicatesForAddedImages = false;
        /// 1 to 5 for a preset; anything else for the manual settings (nil included).
        QVariant accuracyLevel;
        /// Seconds; 0 = no limit.
        double timeRange = 0;
        /// Seconds, for the time grouping.
        double timeLineInterval = 0;
    };

    struct Hooks
    {
        /// Runs the similarity search in `context` on its thread and returns when it is done;
        /// polls the performer's cancel flag. Empty: the search is skipped (logged).
        std::function<void(const QVariant &accuracyLevel, double timeRange, KTObjectContext &context)>
            findSimilars;
        /// Loading context's thread: the snapshot of the loaded images' decisions.
        std::function<void(const QList<KTImageMO *> &images)> storeImageStatuses;
        /// Main thread: clears the session, then runs `completion` (which may be empty).
        std::function<void(std::function<void()> completion)> cleanSession;
        /// Main thread.
        std::function<void()> noImagesParsed;
        /// Main thread.
        std::function<void()> noSimilarGroupsFound;
        /// Main thread, before the load's finish, when files found by the walk or listed by an
        /// external catalogue could not be read (gone, unreadable, or an image that would decode
        /// to nothing), one entry per file, and one per folder the walk could not look into. Not
        /// after a cancelled load, nor after one that loaded no image at all (the no-images
        /// warning covers it).
        std::function<void(const QList<KTBrokenImage> &brokenImages)> failedToLoadImages;
        /// Main thread: the external catalogue pass ran to its end (not cancelled), so the
        /// catalogue may drop its list of catalogue source dictionaries.
        std::function<void()> externalApplicationImagesLoaded;
        /// Any thread, many at once: the attribute dictionary of one file, empty when it cannot
        /// be read (the file is then reported, not imported). Empty: the files manager's
        /// imageAttributesAtPath, for files that a reader takes for an image (an empty file, or
        /// one without metadata whose content no RAW or image reader recognises, cannot be read).
        std::function<QVariantMap(const QString &path)> readAttributes;
    };

    KTImageImporter(KTCancelablePerformer *performer, QObject *sender, Settings settings, Hooks hooks);

    /// The catalogue source dictionaries of the session ("nodeId", "imagesArray", ...); read by
    /// the catalogue pass. The catalogue clears its own list once a run was not cancelled.
    void setExternalApplicationImages(const QList<QVariantMap> &sources)
    {
        m_externalApplicationImages = sources;
    }

    /// Main thread: runs the whole load in a new child context of `mainContext` and returns at
    /// once. The importer is copied into the job, so it may be destroyed meanwhile.
    void loadImages(const std::shared_ptr<KTObjectContext> &mainContext) const;

    /// The steps of a load, each on the context's thread and in the order given.
    /// Every "Folder" record of the context, into addImagesFromSources.
    void loadImagesInContext(KTObjectContext &context) const;
    /// Enumerates the folder sources (the folders that cannot be read join brokenImages()),
    /// reports the step count, imports the files found, then the external catalogue images. Stops
    /// without a report when there is nothing to import.
    void addImagesFromSources(const QList<KTFolderMO *> &sources, KTObjectContext &context) const;
    /// Reads the attributes of every path, pairs RAW and JPEG twins and inserts or updates the
    /// records. Inserts nothing when cancelled during the reading. Every source belongs to
    /// `context`. A new file whose attributes cannot be read, or whose image would decode to
    /// nothing (KTImageFileCheck), joins brokenImages() and is not imported.
    void addImagesForPaths(const QMap<QString, KTFolderMO *> &paths, KTObjectContext &context) const;
    /// The images of one catalogue source dictionary, under the source whose path is its "nodeId".
    void addImagesFromExternalApplication(const QVariantMap &sourceDictionary,
                                          KTObjectContext &context) const;
    /// The images of one catalogue list under `source`; a listed file that is gone joins
    /// brokenImages().
    void addImages(const QVariantList &imageDictionaries, KTFolderMO *source) const;

    /// The files this importer could not read so far, as failedToLoadImages reports them. On the
    /// loading context's thread.
    QList<KTBrokenImage> brokenImages() const { return *m_brokenImages; }

    /// Every image record of the context by path (records without a path are left out).
    static QHash<QString, KTImageMO *> allImagesInDictFromContext(KTObjectContext &context);
    /// Inserts a record with the import's defaults for `path` when `image` is null and hands it
    /// back through `image`; a record already there is left as it is. The file number comes from
    /// the attributes' "NSFileSystemFileNumber" when present, else from the file.
    static void configureImage(KTImageMO *&image, const QString &path, const QVariantMap &attributes,
                               KTObjectContext &context);

    /// Lower-case extensions the import accepts: jpg, jpeg, jpe, png, tif, tiff, bmp, gif and
    /// webp where this build's image readers decode them, and every RAW extension (x3f included).
    static const QSet<QString> &acceptedExtensions();
    /// The accepted image files under `folder`, sorted: hidden names are skipped, hidden folders
    /// and links to folders are not entered, only regular files (or links to them) count.
    /// Unreadable entries and folders are logged and skipped; each folder that cannot be read
    /// (the source's own included) is also added to `unreadableFolders` when given. The walk stops
    /// early, answering what it found so far, once `isCancelled` (when given) answers true; it is
    /// asked between folders, from the walking thread.
    static QStringList imagePathsInFolder(const QString &folder, const std::function<bool()> &isCancelled = {},
                                          QList<KTBrokenImage> *unreadableFolders = nullptr);

private:
    /// The whole load, on the loading context's queue.
    void runLoad(KTObjectContext &context) const;
    void findSimilars(KTObjectContext &context) const;
    /// Main queue, 0.01 s later: the warning, then the session clearing, then noImagesParsed.
    void reportNoImages() const;
    bool isCancelled() const;
    /// The attributes of the file, or none when it is not to be imported; `reason` then says why
    /// when that is more than "could not be read" (its image data ends early, it is too large).
    QVariantMap readAttributes(const QString &path, QString *reason) const;
    /// Adds `path` to brokenImages(), with `reason`, or else with why it could not be read.
    void addBrokenImage(const QString &path, const QString &reason = {}) const;

    std::shared_ptr<KTCancelFlag> m_cancelFlag;
    KTTaskSender m_sender;
    Settings m_settings;
    Hooks m_hooks;
    QList<QVariantMap> m_externalApplicationImages;
    // Shared by the copies of one importer; only the loading context's thread touches it.
    std::shared_ptr<QList<KTBrokenImage>> m_brokenImages = std::make_shared<QList<KTBrokenImage>>();
};
