#pragma once

// Plain values exchanged between the session catalogue and the external catalogue layer. The
// session's image records never cross into this layer: a caller copies the fields below out of
// its records, calls KTExternalImagesManager, and applies the results back to the same records
// (every result vector runs in step with the input list, index for index).

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

/// The kinds of external catalogue. The numbers are fixed: callers store and compare them.
enum class KTExternalCatalogType : unsigned
{
    None = 0,
    Lightroom4 = 1,
    Lightroom5 = 2,
    IPhoto = 3,
    Aperture = 4
};

/// Bits of an image record's syncStatusBitmask: the decisions that the next write pass carries to
/// the external catalogue. Every other bit of the value belongs to someone else and is kept.
inline constexpr quint64 kSyncStatusRejectBit = 16;
inline constexpr quint64 kSyncStatusPickBit = 32;

/// Source type strings (the `type` of an image's source folder) that name catalogue kinds.
inline const QString kSourceTypeFileSystem = QStringLiteral("fileSystem");
inline const QString kSourceTypeLightroom4 = QStringLiteral("Lightroom4");
inline const QString kSourceTypeLightroom5 = QStringLiteral("Lightroom5");
inline const QString kSourceTypeIPhoto = QStringLiteral("iPhoto");
inline const QString kSourceTypeAperture = QStringLiteral("Aperture");

/// One session image as the external catalogue layer sees it: a copy of the record's fields.
struct KTExternalImage
{
    /// The image's identifier in its catalogue: Lightroom's Adobe_images.id_local as text, or the
    /// uuid of the iPhoto/Aperture RKVersion row. Empty: not an external image (ignored).
    QString externalGUID;
    /// The `type` of the image's source ("Lightroom5", "iPhoto", ...; "fileSystem" is ignored).
    QString sourceType;
    /// The source's `mediaSource`: the Lightroom catalogue file, or a path one level inside an
    /// iPhoto/Aperture library (its database is <library>/Database/Library.apdb).
    QString mediaSource;
    /// The session's decisions; unset counts as NO everywhere.
    std::optional<bool> picked;
    std::optional<bool> rejected;
    quint64 syncStatusBitmask = 0;
    /// Seconds since 1 January 2001 UTC; unset counts as 0.
    std::optional<double> touchTime;

    bool isPicked() const { return picked.value_or(false); }
    bool isRejected() const { return rejected.value_or(false); }
};

/// How a call on the external catalogues ended.
enum class KTCatalogStatus
{
    /// Everything ran (and, for writes, every transaction committed).
    Done,
    /// A write was skipped because the catalogue's owning application runs (for Lightroom: runs
    /// and the catalogue's lock file exists). Nothing was opened; try again later.
    ApplicationRunning,
    /// The database was locked by another connection (SQLITE_BUSY): rolled back, try again later.
    Busy,
    /// The catalogue could not be opened, is not of the expected shape, is read-only, or a
    /// statement failed. Writes were rolled back; a read's answer is unknown (not empty).
    Failed,
};

/// How a call ended, with the reason when it did not end Done.
struct KTCatalogOutcome
{
    KTCatalogStatus status = KTCatalogStatus::Done;
    QString errorMessage;

    bool succeeded() const { return status == KTCatalogStatus::Done; }
};

/// Result of a write. The catalogues of a call are written one transaction each; a catalogue whose
/// transaction did not commit keeps its images' bits, so the next pass writes them again.
struct KTCatalogWriteResult : KTCatalogOutcome
{
    /// The new syncStatusBitmask of each input image, in input order. It differs from the input
    /// only for images whose catalogue committed; store it back into the records.
    std::vector<quint64> syncStatusBitmasks;
};

/// What an external catalogue holds for one image.
struct KTCatalogImageState
{
    /// The catalogue still has the image (Lightroom: its Adobe_images row; iPhoto/Aperture: its
    /// RKVersion row).
    bool isPresent = false;
    /// Lightroom: member of the picks collection. iPhoto/Aperture: the version's flag.
    bool isPicked = false;
    /// Lightroom: member of the rejects collection. iPhoto/Aperture: the version is in the trash.
    bool isRejected = false;
};

/// Result of a read. Unless the status is Done, `states` is empty and nothing may be concluded
/// about the images (a failed read is never an empty catalogue).
struct KTCatalogReadResult : KTCatalogOutcome
{
    /// One state per input image, in input order. Images that are not external read as absent.
    std::vector<KTCatalogImageState> states;
};

/// Result of the change check: which images differ from their catalogue and which the catalogue
/// no longer holds. Both are empty unless the status is Done.
struct KTCatalogChangeResult : KTCatalogOutcome
{
    /// Indexes into the input list, ascending: picked or rejected differs from the catalogue.
    std::vector<int> changedIndexes;
    /// Indexes into the input list, ascending: the catalogue no longer holds the image; the caller
    /// deletes these records from the session (their files stay).
    std::vector<int> removedIndexes;
};

/// What the import does to one record, from the catalogue's state (the catalogue wins).
struct KTImportChange
{
    enum class Rejection
    {
        Unchanged,
        /// Hand the record to the catalogue's move-to-trash (it sets `rejected` and the resolve date
        /// unless the record is rejected already).
        Reject,
        /// Set `rejected` to NO.
        Clear,
    };

    /// False: leave the record alone (and do not count it as changed).
    bool isChanged = false;
    /// The new `picked`; unset leaves it as it is.
    std::optional<bool> picked;
    Rejection rejection = Rejection::Unchanged;
    /// Bits to OR into syncStatusBitmask; the records with bits then go through the write pass.
    quint64 syncBitsToAdd = 0;
};
