#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <mutex>
#include <optional>

// Keys of the file-attribute dictionary (fileAttributesAtPath), named like the platform's.
inline constexpr char kFileModificationDateKey[] = "NSFileModificationDate";
inline constexpr char kFileSizeKey[] = "NSFileSize";
inline constexpr char kFileCreationDateKey[] = "NSFileCreationDate";
inline constexpr char kFileSystemFileNumberKey[] = "NSFileSystemFileNumber";

// Keys that imageAttributesAtPath adds to the file dates and size; shared with the import.
inline constexpr char kImageIsRawKey[] = "KTImageIsRaw";
inline constexpr char kExposureTimeImageAttributeKey[] = "ExposureTime";
inline constexpr char kTimeStampImageAttributeKey[] = "TimeStamp";
inline constexpr char kCameraMakerAttributeKey[] = "CameraMaker";
inline constexpr char kCameraModelAttributeKey[] = "CameraModel";

/// Knows where the session's derived data lives: the application-support folder, its cache
/// folders and per-image cache file names. Reads the attributes of image files for the import
/// and carries out the replace and unique-name copies behind the file-conflict question.
///
/// Threading: every path getter may be called from any thread (they share one lock); the folder
/// getters create their folder the first time they produce its path. imageAttributesAtPath and
/// the copy operations touch no shared state and may run on many threads at once.
/// askUserToReplaceFileAtPath is main-thread only.
class KTFilesManager
{
    Q_DECLARE_TR_FUNCTIONS(KTFilesManager)

public:
    /// What the file-conflict question answered; the caller stops on Cancel, replaces or copies
    /// every further conflict without asking on ReplaceAll / UseUniqueNamesAll, asks again on
    /// AskAgain.
    enum class ConflictAnswer : unsigned
    {
        AskAgain = 0,
        ReplaceAll = 1,
        UseUniqueNamesAll = 2,
        Cancel = 3
    };

    static KTFilesManager &sharedManager();

    /// The per-user application-support folder plus the bundle identifier. Not created here.
    QString applicationFilesDirectoryPath();
    /// The folder of a version 1.0.0 session: bundle identifier + "_1.0.0". Not created here.
    QString oldApplicationFilesDirectoryPath() const;

    QString thumbnailsDirectoryPath();
    QString thumbnailsLargeDirectoryPath();
    QString thumbnailsSmallDirectoryPath();
    QString hashesDirectoryPath();
    QString focusMaskPixelsDirectoryPath();
    QString focusedRegionsDirectoryPath();
    /// Re-created on every call when something removed it since the last one.
    QString entitiesDirectoryPath();
    /// A file, never created here.
    QString imagesSimilarityLevelsDataFilePath();

    /// The application-support folder plus `name`; creates that folder when no directory is
    /// there. Creation errors are ignored: the path is returned all the same.
    QString createDirectoryAtApplicationsDirectoryPath(const QString &name);

    /// The file-system file number (inode) of the file; nullopt when it cannot be read.
    static std::optional<quint64> fileNumberForPath(const QString &path);

    // Per-image cache paths: the folder plus the image file's number in decimal. An empty
    // string when the file number cannot be read.
    QString thumbnailPathForImageAtPath(const QString &path);
    QString thumbnailLargePathForImageAtPath(const QString &path);
    /// Takes the file number from `fileAttributes` (kFileSystemFileNumberKey) when it has one.
    QString thumbnailSmallPathForImageAtPath(const QString &path, const QVariantMap &fileAttributes = {});
    QString hashPathForImageAtPath(const QString &path);
    /// The "ThumbnailsSmall" folder plus the last path component of `path`.
    QString lowResImagePathFromPath(const QString &path);
    QString focusedRegionsCachePathForImageWidthUIID(const QString &uuid);

    /// Removes the thumbnail, hash and entity folders and forgets their paths, so the next
    /// request creates each afresh. Returns false and sets `error` (when given) to the last
    /// removal that failed.
    bool deleteAndRecreateImageFoldersWithError(QString *error = nullptr);

    /// The file's modification date, size, creation date and number: the keys above. Creation
    /// is the file's birth time, or its modification time where the file system keeps none.
    /// An empty map when the file cannot be examined.
    static QVariantMap fileAttributesAtPath(const QString &path);
    /// The file's creation date as fileAttributesAtPath gives it (the birth time, else the
    /// modification time); invalid when the file cannot be examined. Any thread.
    static QDateTime fileCreationDate(const QString &path);

    /// The import's attributes of an image file: modification date, size, the shooting date
    /// under kFileCreationDateKey (the file's creation date when the metadata has none) and the
    /// RAW flag, plus exposure time, time stamp, camera maker and model when the metadata has
    /// them. A truncated or non-image file gives the file keys alone. An empty map when the file
    /// cannot be examined. Reads metadata only; safe on any thread.
    static QVariantMap imageAttributesAtPath(const QString &path);

    /// Asks whether to replace `destination` with `source`, acts on the answer and reports it.
    /// Main thread only; blocks in the modal alert.
    ConflictAnswer askUserToReplaceFileAtPath(const QString &destination, const QString &source);

    /// The answer to the file-conflict question alone, for callers that act on it themselves.
    enum class ConflictChoice
    {
        Cancel,
        Replace,
        UseUniqueNames,
        /// The alert ended without one of its buttons; a job takes it as Cancel.
        NoAnswer
    };
    struct ConflictDecision
    {
        ConflictChoice choice = ConflictChoice::Cancel;
        /// "Apply to all" was checked: every further conflict of the job gets the same choice.
        bool appliesToAll = false;
    };
    /// The question of askUserToReplaceFileAtPath about `source` landing on an existing file of
    /// its name. Main thread only; blocks in the modal alert.
    static ConflictDecision askAboutExistingFile(const QString &source);
    /// "<folder>/<name>" at attempt 0, then "<folder>/<base>_1.<ext>", "_2"... (the base is the
    /// name without its last extension): the names of "Use unique names".
    static QString uniqueNameCandidate(const QString &folder, const QString &fileName, quint64 attempt);
    /// Copies or moves `source` onto `destination`, replacing whatever file is there; a failed
    /// copy leaves the destination as it was. A move is a rename, across file systems a copy and
    /// then the source's removal. Returns false with `error` set. Any thread.
    static bool copyFileReplacing(const QString &source, const QString &destination, QString *error);
    static bool moveFileReplacing(const QString &source, const QString &destination, QString *error);

    /// Replaces `destination` by a copy of `source` (which stays). The copy is made beside the
    /// destination and renamed over it, so a failed copy leaves the destination as it was; when
    /// both paths name the same file nothing happens. Failures are logged, never reported.
    static void replaceFileAtPath(const QString &destination, const QString &source);

    /// Copies `source` to `destination`, or, when something is there, to the first free
    /// "<base>_<n>.<ext>" (base and extension of the source's name) beside it. Never overwrites
    /// a file, even one that appears meanwhile. Failures are logged, never reported.
    static void copyFileWithUniqueNameAtPath(const QString &source, const QString &destination);

    /// The name to try at attempt `n` (0 first) for a file that must land without overwriting
    /// anything; an empty string ends the attempts. Asked only when the file is ready to land, so
    /// whatever exists at that moment counts.
    using FreeNameCandidates = std::function<QString(quint64 n)>;
    /// Copies `source` into `folder` under the first candidate that is free when the copy lands:
    /// the copy is made beside the candidates and renamed into place without replacing, so a
    /// file that appears meanwhile is never overwritten. Returns the path used, or an empty
    /// string with `error` (when given) set to the reason; nothing is left behind on failure.
    static QString copyFileToFreeName(const QString &source, const QString &folder,
                                      const FreeNameCandidates &candidates, QString *error = nullptr);
    /// Moves `source` to the first free candidate in `folder` the same way: a rename that never
    /// replaces; across file systems a copy, then the source is removed (when that removal
    /// fails, the copy is removed again and the move fails, so the file is never in two places).
    /// Returns the path used, or an empty string with `error` set.
    static QString moveFileToFreeName(const QString &source, const QString &folder,
                                      const FreeNameCandidates &candidates, QString *error = nullptr);

private:
    KTFilesManager() = default;

    QString cachedDirectory(QString &cache, const char *name);
    QString pathForFileNumber(const QString &folder, const QString &path);

    std::recursive_mutex m_mutex;
    QString m_applicationFilesDirectoryPath;
    QString m_thumbnailsDirectoryPath;
    QString m_thumbnailsLargeDirectoryPath;
    QString m_thumbnailsSmallDirectoryPath;
    QString m_hashesDirectoryPath;
    QString m_focusMaskPixelsDirectoryPath;
    QString m_focusedRegionsDirectoryPath;
    QString m_entitiesDirectoryPath;
    QString m_imagesSimilarityLevelsDataFilePath;
};
