#pragma once

#include "KTExternalCatalogTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

class KTSqliteDatabase;

/// User-default keys of the Lightroom sync: whether Lightroom's own pick flag is written for picks
/// and for rejects. Read on every access; seeded by the application delegate.
inline const QString kLightroomSyncOptionPicksKey = QStringLiteral("kLightroomSyncOptionPicks");
inline const QString kLightroomSyncOptionRejectsKey = QStringLiteral("kLightroomSyncOptionRejects");

/// The one component that touches external catalogues (Lightroom 4/5 catalogues, iPhoto and
/// Aperture libraries): their kinds, their owning applications, where their databases lie, and
/// the reads and writes that carry pick and reject decisions between them and the session.
///
/// It works on plain values (KTExternalImage) and never sees session records: the sync flows copy
/// the fields of their records in, call one of the operations below, and apply the result to the
/// same records. How to build the flows on top:
/// - write pass: syncImagesStatuses(images); store result.syncStatusBitmasks back into the
///   records; the pass "ran" when the status is Done (ApplicationRunning and Busy mean: skipped,
///   bits kept, try later; Failed: rolled back, bits kept, report errorMessage).
/// - import: readImagesStatuses(images); unless Done, change nothing. Otherwise, for each image,
///   importChange(image, state) says what to do to its record; records with syncBitsToAdd then go
///   through syncImagesStatuses().
/// - change check: imagesUpdatedInExternalCatalogFromImages(images); unless Done, change nothing
///   (in particular delete nothing). Otherwise delete removedIndexes from the session and report
///   changedIndexes.
/// - a decision's change on a record: OR syncStatusBitForKeyPath(keyPath) into its bitmask.
/// - overwrite: OR kSyncStatusRejectBit | kSyncStatusPickBit into each record (no database).
/// - mark/unmark as rejected or picked (the trash hand-off uses mark as rejected):
///   setSyncFlag(bit, images, flagged), then store the bitmasks as for the write pass.
/// Records that are not image records proper (wrappers, copies) are the caller's to leave out.
///
/// Every write of one catalogue runs in one BEGIN IMMEDIATE ... COMMIT transaction and is rolled
/// back on any error, so a catalogue is either fully written or left byte for byte as it was; bits
/// change only for catalogues that committed. A catalogue whose tables or columns are not what the
/// statements need is refused with a message before anything runs.
///
/// Threading: operations run synchronously on the caller's thread and block while they read or
/// write (a locked database is waited for up to busyTimeoutMs() before the call gives up as Busy).
/// Each call opens and closes its own connections, so calls from different threads do not share
/// state; the setters are meant for start-up and tests.
class KTExternalImagesManager
{
public:
    /// Does the application with this bundle identifier run? (For tests and other platforms.)
    using RunningCheck = std::function<bool(const QString &bundleID)>;

    /// One catalogue's share of an image list: what the database routine hands its callback.
    struct Batch
    {
        QString sourceType;
        QString bundleID;
        QString mediaSource;
        QString databasePath;
        /// The external identifiers, in list order, and the index of each in the input list.
        QStringList imageIDs;
        std::vector<int> indexes;
    };
    enum class Access
    {
        ReadOnly,
        ReadWrite
    };
    /// Works on one open catalogue. Returns false on failure with `errorMessage` set and `busy`
    /// telling whether another connection's lock was the cause.
    using DatabaseBlock = std::function<bool(const Batch &batch, KTSqliteDatabase &database,
                                             QString &errorMessage, bool &busy)>;
    struct DatabaseOutcome : KTCatalogOutcome
    {
        /// The batches whose callback succeeded (and, for writes, committed), in order.
        std::vector<Batch> completedBatches;
    };

    static KTExternalImagesManager &sharedManager();
    KTExternalImagesManager();

    /// The major version of a Lightroom catalogue, read from its version table (Adobe_DBVersion,
    /// "0500025" is 5). 0 when the file cannot be read (`errorMessage` says why), or has no
    /// version that reads as a number (`errorMessage` empty). Reads the file as
    /// KTCatalogSql::openForReading() does (a catalogue another program holds locked is read as
    /// it stands, without waiting), so it may run on the main thread.
    static int lighroomCatalogMajorVersionFromPath(const QString &path, QString *errorMessage = nullptr);

    /// The application's name ("Vireoscope") and the collection names built from it.
    QString projectName() const;
    QString selectedCollectionName() const;
    QString rejectedCollectionName() const;
    QString selectedCollectionNameForPreviousVersion() const;
    QString rejectedCollectionNameForPreviousVersion() const;

    /// The user's options, read from the standard user defaults on every call: write Lightroom's
    /// pick flag for picks / for rejects. Collections are written either way.
    bool markLightroomImagesAsFlagged() const;
    bool markLightroomImagesAsTrashed() const;

    /// The catalogue kind of a source type (exact spelling; anything else, empty included, is None).
    static KTExternalCatalogType externalCatalogTypeFromSourceType(const QString &sourceType);
    static KTExternalCatalogType externalCatalogTypeFromImageMO(const KTExternalImage &image);
    /// "Lightroom 4", "Lightroom 5", "iPhoto", "Aperture"; empty for None.
    static QString appNameFromExternalCatalogType(KTExternalCatalogType type);
    /// The owning application's bundle identifier; empty for None.
    static QStringList appsBundleIDsForExternalCatalogType(KTExternalCatalogType type);
    /// The bundle identifier that chooses the database statements: "com.apple.iPhoto",
    /// "com.apple.Aperture", or for a type containing "lightroom" (any case) the Lightroom one of
    /// its last digit; empty otherwise.
    static QString externalAppBundleIDFromSourceType(const QString &sourceType);
    static QString lightroomBundleIDFromSourceType(const QString &sourceType);

    /// True while the image's catalogue must not be written: its application runs and, for a
    /// Lightroom catalogue, the catalogue's lock file exists.
    bool isExternalAppRunningForImage(const KTExternalImage &image) const;
    /// The application name of the image's kind when that application runs (no lock-file test).
    QString runningExternalAppNameForImage(const KTExternalImage &image) const;
    bool isExternalAppRunningForExternalCatalogType(KTExternalCatalogType type) const;
    /// True when "<path>.lock" exists.
    static bool isExternalAppRunningForLightroomCatalogAtPath(const QString &path);
    /// True when an application with one of the bundle identifiers runs; false for an empty list.
    bool isAnyApplicationWithBundleIDsIsRunning(const QStringList &bundleIDs) const;
    /// Replaces the running check; an empty function restores the default, which looks for the
    /// application's executable in the process list (KTProcessList).
    void setApplicationRunningCheck(RunningCheck check);
    /// The default check: the executable stem of each bundle identifier, searched in `procRoot`.
    static bool isApplicationRunningInProcessList(const QString &bundleID,
                                                  const QString &procRoot = QStringLiteral("/proc"));

    /// Where the database of a catalogue lies: the Lightroom catalogue file is the media source;
    /// iPhoto and Aperture keep it at iAppDBPathFromMediaSource().
    static QString databasePathWithBundleId(const QString &bundleID, const QString &mediaSource);
    /// The media source without its last component, plus "Database/Library.apdb".
    static QString iAppDBPathFromMediaSource(const QString &mediaSource);

    /// The external images of a list grouped by catalogue (source type and database path), in order
    /// of first appearance; images
    /// without an identifier or source type, or of a "fileSystem" source, are left out.
    static std::vector<Batch> imagesGUIDsFromImages(const std::vector<KTExternalImage> &images);
    /// "(\"12\",\"15\")": the identifiers quoted, comma-separated, no spaces; empty for none. A
    /// display form only: statements bind their identifiers and never use this text.
    static QString queryParamWithImageIDs(const QStringList &imageIDs);
    /// OR the mask in / mask it out; every other bit is kept.
    static void addSyncStatus(quint64 mask, std::vector<KTExternalImage> &images);
    static void clearSyncStatus(quint64 mask, std::vector<KTExternalImage> &images);
    /// The bit that a changed attribute sets: 16 for "rejected", 32 for "picked", 0 otherwise.
    static quint64 syncStatusBitForKeyPath(const QString &keyPath);

    /// How long a locked catalogue is waited for before a call gives up as Busy (default 2 s).
    int busyTimeoutMs() const { return m_busyTimeoutMs; }
    void setBusyTimeoutMs(int milliseconds) { m_busyTimeoutMs = milliseconds; }

    /// The database routine: runs `block` once per catalogue of the list (see Batch).
    /// - ReadOnly opens each catalogue read-only and runs `block` without a transaction; the first
    ///   failure stops the call.
    /// - ReadWrite does nothing while isExternalAppRunningForImage() holds for any catalogue of the
    ///   list (ApplicationRunning); otherwise each catalogue is opened for writing (a file without
    ///   write permission is refused) and `block` runs inside one BEGIN IMMEDIATE transaction,
    ///   committed only when it succeeds. A failing catalogue does not stop the others.
    /// The status is the worst of the catalogues' (Failed over Busy over ApplicationRunning).
    DatabaseOutcome performDatabaseBlock(const DatabaseBlock &block,
                                         const std::vector<KTExternalImage> &images, Access access) const;

    /// Writes one kind of decision (`bit` 16 or 32; other values do nothing) to the catalogues of
    /// the images: `flagged` sets it (Lightroom: into the collection and, when the user's option
    /// allows, the pick flag; iPhoto/Aperture: the version's flag or trash mark), otherwise clears
    /// it. On commit the bit is set (flagged) or cleared in the images' resulting bitmasks.
    KTCatalogWriteResult setSyncFlag(quint64 bit, const std::vector<KTExternalImage> &images,
                                     bool flagged) const;

    /// The write pass: for the images with bit 16, writes rejected / not rejected; for those with
    /// bit 32, picked / not picked (an unset decision is NO, so each image lands in exactly one
    /// group). Up to four writes, in the order set rejects, clear rejects, set picks, clear picks;
    /// a Busy or ApplicationRunning write ends the pass. Images without either bit are left alone.
    /// Returns ApplicationRunning without writing when any catalogue of the list is busy.
    KTCatalogWriteResult syncImagesStatuses(const std::vector<KTExternalImage> &images) const;

    /// Reads what the catalogues hold for the images (opened read-only, collections not renamed).
    KTCatalogReadResult readImagesStatuses(const std::vector<KTExternalImage> &images) const;

    /// The change check. Lightroom catalogues are opened for writing (collections with the names of
    /// earlier versions get the current ones), so a busy Lightroom catalogue gives
    /// ApplicationRunning; iPhoto and Aperture libraries are only read.
    KTCatalogChangeResult
    imagesUpdatedInExternalCatalogFromImages(const std::vector<KTExternalImage> &images) const;

    /// What the import does to an image given its catalogue's state. Lightroom images follow the
    /// import table (only images whose decisions differ change); iPhoto and Aperture images always
    /// take the library's flag and trash mark.
    static KTImportChange importChange(const KTExternalImage &image, const KTCatalogImageState &state);

private:
    mutable std::mutex m_mutex;
    RunningCheck m_runningCheck;
    int m_busyTimeoutMs = 2000;
};
