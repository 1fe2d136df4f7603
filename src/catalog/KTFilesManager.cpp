#include "KTFilesManager.h"

#include "KTAlert.h"
#include "KTBundleIdentifier.h"
#include "KTDictionaryExif.h"
#include "KTImageProperties.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QtDebug>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QDateTime dateFromTimestamp(const statx_timestamp &stamp)
{
    return QDateTime::fromMSecsSinceEpoch(stamp.tv_sec * 1000 + stamp.tv_nsec / 1000000);
}

/// Asks for what fileAttributesAtPath and fileCreationDate read; false when the file cannot be
/// examined.
bool examine(const QString &path, struct statx &info)
{
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    return !path.isEmpty() && ::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, mask, &info) == 0;
}

/// The birth time where the file system records one (many Linux ones do not), else the
/// modification time.
QDateTime creationDate(const struct statx &info)
{
    const bool hasBirthTime = (info.stx_mask & STATX_BTIME) && info.stx_btime.tv_sec != 0;
    return dateFromTimestamp(hasBirthTime ? info.stx_btime : info.stx_mtime);
}

bool isNilPath(const QString &source, const QString &destination)
{
    if (source.isEmpty()) {
        qCritical("Nil source path for copying/moving image");
        return true;
    }
    if (destination.isEmpty()) {
        qCritical("Nil destination path for copying/moving image");
        return true;
    }
    return false;
}

/// Closes a descriptor when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    /// Closes now and reports the error of close, which is where some file systems report a
    /// failed write.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

/// Copies `source` into a new hidden file in `folder`, with the source's permissions and times.
/// Returns the file's path, or an empty string with `error` set; no temporary is left on failure.
QString copyToTemporaryFile(const QString &source, const QString &folder, QString *error)
{
    FileDescriptor in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    struct stat sourceStat = {};
    if (in.get() < 0 || ::fstat(in.get(), &sourceStat) != 0) {
        *error = errnoText(errno);
        return {};
    }
    if (!S_ISREG(sourceStat.st_mode)) {
        *error = errnoText(EISDIR);
        return {};
    }

    QByteArray tempName = QFile::encodeName(folder + QStringLiteral("/.vireoscope-copy-XXXXXX"));
    FileDescriptor out(::mkostemp(tempName.data(), O_CLOEXEC));
    if (out.get() < 0) {
        *error = errnoText(errno);
        return {};
    }

    int failure = 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure = errno;
            break;
        }
        if (got == 0)
            break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(out.get(), buffer.data() + written, size_t(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                failure = errno;
                break;
            }
            written += put;
        }
        if (failure)
            break;
    }
    if (!failure && ::fchmod(out.get(), sourceStat.st_mode & 07777) != 0)
        failure = errno;
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (!failure && ::futimens(out.get(), times) != 0)
        failure = errno;
    // The copy may replace the only other copy of the image: make it durable before the rename.
    if (!failure && ::fsync(out.get()) != 0)
        failure = errno;
    const int closeFailure = out.close();
    if (!failure)
        failure = closeFailure;
    if (failure) {
        ::unlink(tempName.constData());
        *error = errnoText(failure);
        return {};
    }
    return QFile::decodeName(tempName);
}

/// Moves `from` to `to` unless something exists at `to`; returns 0 or the errno (EEXIST when
/// taken).
int renameWithoutOverwriting(const QString &from, const QString &to)
{
    const QByteArray fromName = QFile::encodeName(from);
    const QByteArray toName = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, fromName.constData(), AT_FDCWD, toName.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system cannot rename without replacing; a hard link cannot replace either.
    if (::link(fromName.constData(), toName.constData()) != 0)
        return errno;
    ::unlink(fromName.constData());
    return 0;
}

bool isSameFile(const QString &a, const QString &b)
{
    struct stat first = {};
    struct stat second = {};
    if (::stat(QFile::encodeName(a).constData(), &first) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

KTFilesManager &KTFilesManager::sharedManager()
{
    static KTFilesManager s_manager;
    return s_manager;
}

QString KTFilesManager::applicationFilesDirectoryPath()
{
    std::lock_guard lock(m_mutex);
    if (m_applicationFilesDirectoryPath.isEmpty())
        m_applicationFilesDirectoryPath =
            userDataFolder() + QLatin1Char('/') + QLatin1String(kBundleIdentifier);
    return m_applicationFilesDirectoryPath;
}

QString KTFilesManager::oldApplicationFilesDirectoryPath() const
{
    return userDataFolder() + QStringLiteral("/%1_1.0.0").arg(QLatin1String(kBundleIdentifier));
}

QString KTFilesManager::cachedDirectory(QString &cache, const char *name)
{
    std::lock_guard lock(m_mutex);
    if (cache.isEmpty())
        cache = createDirectoryAtApplicationsDirectoryPath(QLatin1String(name));
    return cache;
}

QString KTFilesManager::thumbnailsDirectoryPath()
{
    return cachedDirectory(m_thumbnailsDirectoryPath, "Thumbnails");
}

QString KTFilesManager::thumbnailsLargeDirectoryPath()
{
    return cachedDirectory(m_thumbnailsLargeDirectoryPath, "ThumbnailsLarge");
}

QString KTFilesManager::thumbnailsSmallDirectoryPath()
{
    return cachedDirectory(m_thumbnailsSmallDirectoryPath, "ThumbnailsSmall");
}

QString KTFilesManager::hashesDirectoryPath()
{
    return cachedDirectory(m_hashesDirectoryPath, "Hashes");
}

QString KTFilesManager::focusMaskPixelsDirectoryPath()
{
    return cachedDirectory(m_focusMaskPixelsDirectoryPath, "FocusMaksPixels");
}

QString KTFilesManager::focusedRegionsDirectoryPath()
{
    return cachedDirectory(m_focusedRegionsDirectoryPath, "FocusedRegions");
}

QString KTFilesManager::entitiesDirectoryPath()
{
    std::lock_guard lock(m_mutex);
    // Entity files are written long after the folder was first asked for; something may have
    // removed it meanwhile.
    if (!m_entitiesDirectoryPath.isEmpty() && !QFileInfo(m_entitiesDirectoryPath).isDir())
        m_entitiesDirectoryPath.clear();
    return cachedDirectory(m_entitiesDirectoryPath, "Entities");
}

QString KTFilesManager::imagesSimilarityLevelsDataFilePath()
{
    std::lock_guard lock(m_mutex);
    if (m_imagesSimilarityLevelsDataFilePath.isEmpty())
        m_imagesSimilarityLevelsDataFilePath =
            applicationFilesDirectoryPath() + QStringLiteral("/ImagesSimilarityLevels.data");
    return m_imagesSimilarityLevelsDataFilePath;
}

QString KTFilesManager::createDirectoryAtApplicationsDirectoryPath(const QString &name)
{
    const QString path = applicationFilesDirectoryPath() + QLatin1Char('/') + name;
    if (!QFileInfo(path).isDir()) {
        // The session store creates the application-support folder; the cache folders live in it
        // and are not made without it. Errors surface when something writes into the folder.
        ::mkdir(QFile::encodeName(path).constData(), 0777);
    }
    return path;
}

std::optional<quint64> KTFilesManager::fileNumberForPath(const QString &path)
{
    struct stat info = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return quint64(info.st_ino);
}

QString KTFilesManager::pathForFileNumber(const QString &folder, const QString &path)
{
    const std::optional<quint64> number = fileNumberForPath(path);
    if (!number)
        return {};
    return folder + QLatin1Char('/') + QString::number(*number);
}

QString KTFilesManager::thumbnailPathForImageAtPath(const QString &path)
{
    return pathForFileNumber(thumbnailsDirectoryPath(), path);
}

QString KTFilesManager::thumbnailLargePathForImageAtPath(const QString &path)
{
    return pathForFileNumber(thumbnailsLargeDirectoryPath(), path);
}

QString KTFilesManager::thumbnailSmallPathForImageAtPath(const QString &path,
                                                         const QVariantMap &fileAttributes)
{
    const QVariant number = fileAttributes.value(QLatin1String(kFileSystemFileNumberKey));
    if (number.isValid())
        return thumbnailsSmallDirectoryPath() + QLatin1Char('/') + QString::number(number.toULongLong());
    return pathForFileNumber(thumbnailsSmallDirectoryPath(), path);
}

QString KTFilesManager::hashPathForImageAtPath(const QString &path)
{
    return pathForFileNumber(hashesDirectoryPath(), path);
}

QString KTFilesManager::lowResImagePathFromPath(const QString &path)
{
    return thumbnailsSmallDirectoryPath() + QLatin1Char('/') + QFileInfo(path).fileName();
}

QString KTFilesManager::focusedRegionsCachePathForImageWidthUIID(const QString &uuid)
{
    return focusedRegionsDirectoryPath() + QLatin1Char('/') + uuid;
}

bool KTFilesManager::deleteAndRecreateImageFoldersWithError(QString *error)
{
    std::lock_guard lock(m_mutex);
    bool failed = false;
    // Each getter first creates a folder that was never asked for, as the removal expects one.
    const QString folders[] = {thumbnailsDirectoryPath(), thumbnailsLargeDirectoryPath(),
                               thumbnailsSmallDirectoryPath(), hashesDirectoryPath(),
                               entitiesDirectoryPath()};
    for (const QString &folder : folders) {
        QDir dir(folder);
        if (!dir.exists())
            continue;
        if (!dir.removeRecursively()) {
            failed = true;
            if (error)
                *error = tr("Could not remove the folder %1").arg(folder);
        }
    }
    m_hashesDirectoryPath.clear();
    m_thumbnailsDirectoryPath.clear();
    m_thumbnailsLargeDirectoryPath.clear();
    m_thumbnailsSmallDirectoryPath.clear();
    m_entitiesDirectoryPath.clear();
    return !failed;
}

QVariantMap KTFilesManager::fileAttributesAtPath(const QString &path)
{
    struct statx info = {};
    if (!examine(path, info))
        return {};
    return {
        {QLatin1String(kFileModificationDateKey), dateFromTimestamp(info.stx_mtime)},
        {QLatin1String(kFileSizeKey), quint64(info.stx_size)},
        {QLatin1String(kFileCreationDateKey), creationDate(info)},
        {QLatin1String(kFileSystemFileNumberKey), quint64(info.stx_ino)},
    };
}

QDateTime KTFilesManager::fileCreationDate(const QString &path)
{
    struct statx info = {};
    return examine(path, info) ? creationDate(info) : QDateTime();
}

QVariantMap KTFilesManager::imageAttributesAtPath(const QString &path)
{
    const QVariantMap file = fileAttributesAtPath(path);
    if (file.isEmpty())
        return {};
    // An unreadable, truncated or foreign file gives no properties, and so the file keys alone.
    const QVariantMap properties = KTImageProperties::propertiesAtPath(path);
    const QDateTime shot = KTDictionaryExif::creationDate(properties);

    QVariantMap attributes{
        {QLatin1String(kFileModificationDateKey), file.value(QLatin1String(kFileModificationDateKey))},
        {QLatin1String(kFileSizeKey), file.value(QLatin1String(kFileSizeKey))},
        {QLatin1String(kFileCreationDateKey),
         shot.isValid() ? QVariant(shot) : file.value(QLatin1String(kFileCreationDateKey))},
        {QLatin1String(kImageIsRawKey), KTImageProperties::isRawPath(path)},
    };
    if (const std::optional<double> exposure = KTDictionaryExif::exposureTime(properties))
        attributes.insert(QLatin1String(kExposureTimeImageAttributeKey), *exposure);
    const QDateTime timeStamp = KTDictionaryExif::timeStamp(properties);
    if (timeStamp.isValid())
        attributes.insert(QLatin1String(kTimeStampImageAttributeKey), timeStamp);
    const QString maker = KTDictionaryExif::cameraMaker(properties);
    if (!maker.isEmpty())
        attributes.insert(QLatin1String(kCameraMakerAttributeKey), maker);
    const QString model = KTDictionaryExif::cameraModel(properties);
    if (!model.isEmpty())
        attributes.insert(QLatin1String(kCameraModelAttributeKey), model);
    return attributes;
}

KTFilesManager::ConflictDecision KTFilesManager::askAboutExistingFile(const QString &source)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTAlert alert;
    alert.messageText = tr("An item named \"%1\"  already exists in this location. Do you want to replace it "
                           "with the one you’re moving?")
                            .arg(QFileInfo(source).fileName());
    alert.buttons = {tr("Cancel"), tr("Replace"), tr("Use unique names")};
    alert.buttonCodes = KTAlert::ButtonCodes::Classic;
    alert.showsSuppressionButton = true;
    alert.suppressionButtonTitle = tr("Apply to all");

    const KTAlertResponse response = KTAlertPresenter::shared().runModal(alert);
    switch (response.returnCode) {
    case KTAlert::kAlternateReturn:
        return {ConflictChoice::Replace, response.suppressionChecked};
    case KTAlert::kOtherReturn:
        return {ConflictChoice::UseUniqueNames, response.suppressionChecked};
    case KTAlert::kDefaultReturn:
        return {ConflictChoice::Cancel, false};
    default:
        return {ConflictChoice::NoAnswer, false};
    }
}

KTFilesManager::ConflictAnswer KTFilesManager::askUserToReplaceFileAtPath(const QString &destination,
                                                                          const QString &source)
{
    const ConflictDecision decision = askAboutExistingFile(source);
    switch (decision.choice) {
    case ConflictChoice::Cancel:
        return ConflictAnswer::Cancel;
    case ConflictChoice::Replace:
        replaceFileAtPath(destination, source);
        return decision.appliesToAll ? ConflictAnswer::ReplaceAll : ConflictAnswer::AskAgain;
    case ConflictChoice::UseUniqueNames:
        copyFileWithUniqueNameAtPath(source, destination);
        return decision.appliesToAll ? ConflictAnswer::UseUniqueNamesAll : ConflictAnswer::AskAgain;
    case ConflictChoice::NoAnswer:
        break;
    }
    return ConflictAnswer::AskAgain;
}

QString KTFilesManager::uniqueNameCandidate(const QString &folder, const QString &fileName, quint64 attempt)
{
    if (attempt == 0)
        return folder + QLatin1Char('/') + fileName;
    const QFileInfo info(fileName);
    QString name = info.completeBaseName() + QLatin1Char('_') + QString::number(attempt);
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return folder + QLatin1Char('/') + name;
}

bool KTFilesManager::copyFileReplacing(const QString &source, const QString &destination, QString *error)
{
    QString reason;
    const QString temporary = copyToTemporaryFile(source, QFileInfo(destination).absolutePath(), &reason);
    if (!temporary.isEmpty()) {
        if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(destination).constData()) ==
            0)
            return true;
        reason = errnoText(errno);
        ::unlink(QFile::encodeName(temporary).constData());
    }
    if (error)
        *error = reason;
    return false;
}

bool KTFilesManager::moveFileReplacing(const QString &source, const QString &destination, QString *error)
{
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) == 0)
        return true;
    if (errno != EXDEV) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    if (!copyFileReplacing(source, destination, error))
        return false;
    if (::unlink(QFile::encodeName(source).constData()) == 0)
        return true;
    // The copy has replaced the old file already; the original stays too, and the caller keeps
    // its record.
    if (error)
        *error = errnoText(errno);
    return false;
}

void KTFilesManager::replaceFileAtPath(const QString &destination, const QString &source)
{
    if (isNilPath(source, destination))
        return;
    // Replacing a file with itself would only risk it.
    if (isSameFile(source, destination)) {
        qInfo().noquote() << "Not replacing" << destination << "with itself";
        return;
    }
    QString error;
    const QString temporary = copyToTemporaryFile(source, QFileInfo(destination).absolutePath(), &error);
    if (temporary.isEmpty()) {
        qWarning().noquote() << QStringLiteral("Failed to copy/move file with error %1").arg(error);
        return;
    }
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(destination).constData()) != 0) {
        const int failure = errno;
        ::unlink(QFile::encodeName(temporary).constData());
        qWarning().noquote()
            << QStringLiteral("Failed to copy/move file with error %1").arg(errnoText(failure));
    }
}

void KTFilesManager::copyFileWithUniqueNameAtPath(const QString &source, const QString &destination)
{
    if (isNilPath(source, destination))
        return;
    const QFileInfo sourceInfo(source);
    const QString folder = QFileInfo(destination).absolutePath();
    // The destination itself, then <base>_1.<ext>, <base>_2.<ext>... taking the first name that
    // is free when the copy lands there, so a file that appeared meanwhile is never clobbered.
    QString lastCandidate;
    const auto candidates = [&](quint64 n) {
        lastCandidate = n == 0 ? destination : uniqueNameCandidate(folder, sourceInfo.fileName(), n);
        return lastCandidate;
    };
    QString error;
    if (!copyFileToFreeName(source, folder, candidates, &error).isEmpty())
        return;
    if (lastCandidate.isEmpty() || lastCandidate == destination)
        qWarning().noquote() << QStringLiteral("Failed to copy/move file with error %1").arg(error);
    else
        qWarning().noquote() << QStringLiteral(
                                    "Failed to copy/move file with error %1, \n destination path %2")
                                    .arg(error, lastCandidate);
}

namespace {

/// Renames `from` to the first free candidate; returns the name, or an empty string with
/// `failure` set to the errno (EEXIST when every candidate was taken).
QString renameToFreeName(const QString &from, const KTFilesManager::FreeNameCandidates &candidates,
                         int *failure)
{
    for (quint64 n = 0;; ++n) {
        const QString candidate = candidates(n);
        if (candidate.isEmpty()) {
            *failure = EEXIST;
            return {};
        }
        *failure = renameWithoutOverwriting(from, candidate);
        if (*failure == 0)
            return candidate;
        if (*failure != EEXIST)
            return {};
    }
}

} // namespace

QString KTFilesManager::copyFileToFreeName(const QString &source, const QString &folder,
                                           const FreeNameCandidates &candidates, QString *error)
{
    QString reason;
    QString landed;
    const QString temporary = copyToTemporaryFile(source, folder, &reason);
    if (!temporary.isEmpty()) {
        int failure = 0;
        landed = renameToFreeName(temporary, candidates, &failure);
        if (landed.isEmpty()) {
            reason = errnoText(failure);
            ::unlink(QFile::encodeName(temporary).constData());
        }
    }
    if (landed.isEmpty() && error)
        *error = reason;
    return landed;
}

QString KTFilesManager::moveFileToFreeName(const QString &source, const QString &folder,
                                           const FreeNameCandidates &candidates, QString *error)
{
    int failure = 0;
    QString landed = renameToFreeName(source, candidates, &failure);
    QString reason = landed.isEmpty() ? errnoText(failure) : QString();
    if (landed.isEmpty() && failure == EXDEV) {
        landed = copyFileToFreeName(source, folder, candidates, &reason);
        // The copy's data is synced, but its name is only durable once its folder is: until then a
        // crash could keep the source's removal and lose the copy's entry.
        if (!landed.isEmpty()) {
            FileDescriptor directory(::open(QFile::encodeName(QFileInfo(landed).absolutePath()).constData(),
                                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (directory.get() < 0 || ::fsync(directory.get()) != 0) {
                reason = errnoText(errno);
                ::unlink(QFile::encodeName(landed).constData());
                landed.clear();
            }
        }
        if (!landed.isEmpty() && ::unlink(QFile::encodeName(source).constData()) != 0) {
            reason = errnoText(errno);
            ::unlink(QFile::encodeName(landed).constData());
            landed.clear();
        }
    }
    if (landed.isEmpty() && error)
        *error = reason;
    return landed;
}
