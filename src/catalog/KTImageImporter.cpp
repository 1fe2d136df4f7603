#include "KTImageImporter.h"

#include "KTAlert.h"
#include "KTCatalogModel.h"
#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTFilesManager.h"
#include "KTFolderMO.h"
#include "KTImageFileCheck.h"
#include "KTImageMO.h"
#include "KTImageProperties.h"
#include "KTObjectContext.h"
#include "KTTasksNotifier.h"
#include "KTTimeGrouper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtDebug>

#include <cerrno>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Keys of a catalogue source dictionary and of its image dictionaries.
const QString kNodeIdKey = QStringLiteral("nodeId");
const QString kImagesArrayKey = QStringLiteral("imagesArray");
const QString kOriginalPathKey = QStringLiteral("OriginalPath");
const QString kImagePathKey = QStringLiteral("ImagePath");
const QString kGUIDKey = QStringLiteral("GUID");
const QString kVersionUUIDKey = QStringLiteral("VersionUUID");
const QString kIdLocalKey = QStringLiteral("idLocal");
const QString kCollectionIDKey = QStringLiteral("collectionID");

QString errnoText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

QString urlText(const QString &path)
{
    return QUrl::fromLocalFile(path).toString();
}

QString lowerSuffix(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    return dot > slash ? name.mid(dot + 1).toLower() : QString();
}

/// Closes a directory stream when it goes out of scope.
class DirectoryStream
{
public:
    explicit DirectoryStream(const QString &path) : m_dir(::opendir(QFile::encodeName(path).constData())) {}
    ~DirectoryStream()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirectoryStream(const DirectoryStream &) = delete;
    DirectoryStream &operator=(const DirectoryStream &) = delete;
    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

/// Whether two files of one base name in one folder are a RAW file and its JPEG twin: same shot
/// time, same camera, one of them a JPEG by extension and exactly one of them RAW.
bool isRawJpegPair(const QString &pathA, const QVariantMap &a, const QString &pathB, const QVariantMap &b)
{
    const auto entry = [](const QVariantMap &attributes, const char *key) {
        return attributes.value(QLatin1String(key));
    };
    const QDateTime shotA = entry(a, kFileCreationDateKey).toDateTime();
    if (!shotA.isValid() || shotA != entry(b, kFileCreationDateKey).toDateTime())
        return false;
    for (const char *key : {kCameraMakerAttributeKey, kCameraModelAttributeKey}) {
        const QString valueA = entry(a, key).toString();
        if (valueA.isEmpty() || valueA != entry(b, key).toString())
            return false;
    }
    const auto isJpeg = [](const QString &path) {
        const QString suffix = lowerSuffix(path);
        return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    };
    if (!isJpeg(pathA) && !isJpeg(pathB))
        return false;
    return entry(a, kImageIsRawKey).toBool() != entry(b, kImageIsRawKey).toBool();
}

/// Whether a file whose attributes were read holds an image that a reader takes: metadata was
/// found in it, or (without any) it is not empty and a RAW reader or an image reader recognises
/// its content. Only headers are read, and only for files without metadata.
bool isReadableImage(const QString &path, const QVariantMap &attributes)
{
    for (const char *key : {kExposureTimeImageAttributeKey, kTimeStampImageAttributeKey,
                            kCameraMakerAttributeKey, kCameraModelAttributeKey}) {
        if (attributes.contains(QLatin1String(key)))
            return true;
    }
    if (attributes.value(QLatin1String(kFileSizeKey)).toLongLong() <= 0)
        return false;
    if (attributes.value(QLatin1String(kImageIsRawKey)).toBool())
        return !KTImageProperties::propertiesAtPath(path).isEmpty();
    return QImageReader(path).canRead();
}

KTAlert warningAlert(const QString &message, const QString &informative, const QString &button)
{
    KTAlert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {button};
    alert.style = KTAlert::Style::Warning;
    return alert;
}

} // namespace

KTImageImporter::KTImageImporter(KTCancelablePerformer *performer, QObject *sender, Settings settings,
                                 Hooks hooks)
    : m_cancelFlag(performer ? performer->cancelFlag() : nullptr), m_sender(sender),
      m_settings(std::move(settings)), m_hooks(std::move(hooks))
{
    // Without a performer nothing may ever be imported: a flag whose performer is gone.
    if (!m_cancelFlag) {
        m_cancelFlag = std::make_shared<KTCancelFlag>();
        m_cancelFlag->performerDestroyed();
    }
}

bool KTImageImporter::isCancelled() const
{
    return m_cancelFlag->isCanceled();
}

void KTImageImporter::addBrokenImage(const QString &path, const QString &reason) const
{
    const QFileInfo info(path);
    m_brokenImages->append({info.fileName(), !reason.isEmpty() ? reason
                                             : info.exists()   ? tr("The file could not be read.")
                                                               : tr("The file is no longer there.")});
}

QVariantMap KTImageImporter::readAttributes(const QString &path, QString *reason) const
{
    if (m_hooks.readAttributes)
        return m_hooks.readAttributes(path);
    QVariantMap attributes = KTFilesManager::imageAttributesAtPath(path);
    // An empty file, one cut short before its description, or one of another kind under an image
    // name would become a record that can be neither seen nor compared: it is reported instead.
    if (!attributes.isEmpty() && !isReadableImage(path, attributes))
        return {};
    // So would one whose pixels end early or are too many to decode (LibRaw judges RAW files).
    if (!attributes.isEmpty() && !attributes.value(QLatin1String(kImageIsRawKey)).toBool()) {
        const KTImageFileCheck::Problem problem = KTImageFileCheck::problemAtPath(path);
        if (problem != KTImageFileCheck::Problem::None) {
            *reason = KTImageFileCheck::reason(problem);
            return {};
        }
    }
    return attributes;
}

const QSet<QString> &KTImageImporter::acceptedExtensions()
{
    static const QSet<QString> s_extensions = [] {
        QSet<QString> decodable;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            decodable.insert(QString::fromLatin1(format).toLower());
        // Extension and the reader format that decodes it.
        static const char *const kRasterTypes[][2] = {
            {"jpg", "jpeg"},  {"jpeg", "jpeg"}, {"jpe", "jpeg"}, {"png", "png"},   {"tif", "tiff"},
            {"tiff", "tiff"}, {"bmp", "bmp"},   {"gif", "gif"},  {"webp", "webp"},
        };
        QSet<QString> extensions;
        for (const auto &type : kRasterTypes) {
            if (decodable.contains(QLatin1String(type[1])))
                extensions.insert(QLatin1String(type[0]));
        }
        for (const QString &raw : KTImageProperties::rawExtensions())
            extensions.insert(raw);
        extensions.insert(QStringLiteral("x3f"));
        return extensions;
    }();
    return s_extensions;
}

QStringList KTImageImporter::imagePathsInFolder(const QString &folder,
                                                const std::function<bool()> &isCancelled,
                                                QList<KTBrokenImage> *unreadableFolders)
{
    const QSet<QString> &accepted = acceptedExtensions();
    QStringList paths;
    QStringList pending{QDir::cleanPath(folder)};
    const auto unreadable = [unreadableFolders](const QString &directory, int error) {
        qWarning().noquote() << QStringLiteral("Error enumerating directory at URL %1url. Error %2")
                                    .arg(urlText(directory), errnoText(error));
        if (unreadableFolders)
            unreadableFolders->append({QFileInfo(directory).fileName(),
                                       tr("Unreadable folder: %1.").arg(errnoText(error)),
                                       KTBrokenImage::Kind::Folder});
    };
    while (!pending.isEmpty() && !(isCancelled && isCancelled())) {
        const QString directory = pending.takeLast();
        DirectoryStream stream(directory);
        if (!stream.get()) {
            unreadable(directory, errno);
            continue;
        }
        const int directoryFd = ::dirfd(stream.get());
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(stream.get());
            if (!entry) {
                if (errno != 0)
                    unreadable(directory, errno);
                break;
            }
            // Hidden names, "." and ".." included.
            if (entry->d_name[0] == '.')
                continue;
            const QByteArray rawName(entry->d_name);
            const QString name = QFile::decodeName(rawName);
            if (QFile::encodeName(name) != rawName) {
                qWarning().noquote()
                    << QStringLiteral("Error retreiving file name at url %1 error description %2")
                           .arg(urlText(directory) + QString::fromLatin1(rawName.toPercentEncoding()),
                                QStringLiteral("the name is not valid in the file-name encoding"));
                continue;
            }
            const QString path = directory + QLatin1Char('/') + name;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN || type == DT_LNK) {
                struct stat linkStat = {};
                struct stat targetStat = {};
                if (::fstatat(directoryFd, entry->d_name, &linkStat, AT_SYMLINK_NOFOLLOW) != 0 ||
                    ::fstatat(directoryFd, entry->d_name, &targetStat, 0) != 0) {
                    qWarning().noquote() << QStringLiteral("Error retreiving value for NSURLIsDirectoryKey "
                                                           "for URL %1. Error description %2")
                                                .arg(urlText(path), errnoText(errno));
                    continue;
                }
                // A link to a folder is not entered: it may lead back up the tree or out of the source.
                if (S_ISLNK(linkStat.st_mode))
                    type = S_ISREG(targetStat.st_mode) ? DT_REG : DT_UNKNOWN;
                else
                    type = S_ISDIR(targetStat.st_mode)   ? DT_DIR
                           : S_ISREG(targetStat.st_mode) ? DT_REG
                                                         : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                pending.append(path);
            // Only regular files: reading a pipe or device named like an image would block or never end.
            else if (type == DT_REG && accepted.contains(lowerSuffix(name)))
                paths.append(path);
        }
    }
    paths.sort();
    return paths;
}

void KTImageImporter::loadImages(const std::shared_ptr<KTObjectContext> &mainContext) const
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    auto child = KTObjectContext::makeChildContext(mainContext);
    child->perform([self = std::make_shared<KTImageImporter>(*this), context = child.get()] {
        self->runLoad(*context);
    });
}

void KTImageImporter::runLoad(KTObjectContext &context) const
{
    KTTasksNotifier &notifier = KTTasksNotifier::sharedNotifier();
    const KTTaskSender &sender = m_sender;
    m_cancelFlag->setCanceled(false);
    notifier.taskDidStart(kLoadImagesTaskName, sender, KTTaskDidStartInfo::cancelable());

    if (!isCancelled())
        loadImagesInContext(context);
    if (!isCancelled()) {
        if (m_settings.findDuplicatesForAddedImages)
            findSimilars(context);
        if (!isCancelled())
            KTTimeGrouper::groupImagesByTimeInterval(m_settings.timeLineInterval, context, sender);
    }

    QString error;
    if (!context.save(&error))
        qWarning().noquote() << "Warning: the loaded images could not be saved:" << error;

    if (isCancelled()) {
        if (m_hooks.cleanSession)
            postToMain([clean = m_hooks.cleanSession] { clean({}); });
    } else {
        const QList<KTImageMO *> images = context.fetchAs<KTImageMO>({kImageEntityName, {}, {}});
        if (images.isEmpty()) {
            reportNoImages();
        } else {
            if (m_hooks.storeImageStatuses)
                m_hooks.storeImageStatuses(images);
            // With no image at all, the no-images warning stands for the files that failed too.
            if (!m_brokenImages->isEmpty() && m_hooks.failedToLoadImages)
                postToMain(
                    [report = m_hooks.failedToLoadImages, broken = *m_brokenImages] { report(broken); });
        }
    }
    notifier.taskDidFinish(kLoadImagesTaskName, sender);
}

void KTImageImporter::findSimilars(KTObjectContext &context) const
{
    if (!m_hooks.findSimilars) {
        qInfo() << "The similarity search is not connected: images are loaded without similar groups";
        return;
    }
    m_hooks.findSimilars(m_settings.accuracyLevel, m_settings.timeRange, context);
    // A cancelled search found nothing because it stopped, not because nothing is similar.
    if (!isCancelled() && context.count({kImageGroupEntityName, {}, {}}) == 0 && m_hooks.noSimilarGroupsFound)
        postToMain(m_hooks.noSimilarGroupsFound);
}

void KTImageImporter::reportNoImages() const
{
    postToMain([clean = m_hooks.cleanSession, noImages = m_hooks.noImagesParsed] {
        QTimer::singleShot(10, qApp, [clean, noImages] {
            KTAlertPresenter::shared().runModal(warningAlert(
                tr("Warning:"), tr("Sorry, no images found at selected location(s)."), tr("OK")));
            const auto completion = [noImages] {
                if (noImages)
                    postToMain(noImages);
            };
            if (clean)
                clean(completion);
            else
                completion();
        });
    });
}

void KTImageImporter::loadImagesInContext(KTObjectContext &context) const
{
    addImagesFromSources(context.fetchAs<KTFolderMO>({kFolderEntityName, {}, {}}), context);
}

void KTImageImporter::addImagesFromSources(const QList<KTFolderMO *> &sources, KTObjectContext &context) const
{
    QMap<QString, KTFolderMO *> paths;
    for (KTFolderMO *source : sources) {
        if (source->type() != kFolderTypeFileSystem)
            continue;
        // A path reached through two sources keeps the source enumerated last.
        for (const QString &path : imagePathsInFolder(source->path(), {}, m_brokenImages.get()))
            paths.insert(path, source);
    }
    qsizetype total = paths.size();
    for (const QVariantMap &dictionary : m_externalApplicationImages)
        total += dictionary.value(kImagesArrayKey).toList().size();
    if (total == 0)
        return;
    KTTasksNotifier::sharedNotifier().numberOfTaskStepsDidCalculate(qlonglong(total), m_sender);

    if (!isCancelled())
        addImagesForPaths(paths, context);
    if (!isCancelled()) {
        for (const QVariantMap &dictionary : m_externalApplicationImages)
            addImagesFromExternalApplication(dictionary, context);
        if (m_hooks.externalApplicationImagesLoaded)
            postToMain(m_hooks.externalApplicationImagesLoaded);
    }
}

void KTImageImporter::addImagesForPaths(const QMap<QString, KTFolderMO *> &sourcesByPath,
                                        KTObjectContext &context) const
{
    const QStringList paths = sourcesByPath.keys();
    const std::size_t count = std::size_t(paths.size());
    std::vector<QVariantMap> attributes(count);
    std::vector<QString> unreadableReasons(count);
    const KTTaskSender &sender = m_sender;
    // Each work item owns its slots of `attributes` and `unreadableReasons`, so the items share
    // nothing but the notifier.
    KTConcurrentQueue::global().apply(count, [&](std::size_t i) {
        if (isCancelled())
            return;
        QVariantMap read = readAttributes(paths[qsizetype(i)], &unreadableReasons[i]);
        if (!read.isEmpty() && !read.contains(QLatin1String(kFileSystemFileNumberKey))) {
            if (const std::optional<quint64> number = KTFilesManager::fileNumberForPath(paths[qsizetype(i)]))
                read.insert(QLatin1String(kFileSystemFileNumberKey), *number);
        }
        attributes[i] = std::move(read);
        KTTasksNotifier::sharedNotifier().stepsDidExecute(1, sender);
    });
    if (isCancelled())
        return;

    // Files of one base name in one folder; a list of exactly two may be a RAW+JPEG pair.
    std::vector<qsizetype> jpegOf(count, -1);
    std::vector<bool> isPairedJpeg(count, false);
    if (m_settings.pairing == KTRawJpegPairing::OneFile) {
        QHash<QString, QList<qsizetype>> namesakes;
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (attributes[std::size_t(i)].isEmpty())
                continue;
            const QFileInfo info(paths[i]);
            namesakes[info.path() + QLatin1Char('/') + info.completeBaseName()].append(i);
        }
        for (const QList<qsizetype> &list : std::as_const(namesakes)) {
            if (list.size() != 2)
                continue;
            const qsizetype a = list[0];
            const qsizetype b = list[1];
            const QVariantMap &attributesA = attributes[std::size_t(a)];
            const QVariantMap &attributesB = attributes[std::size_t(b)];
            if (!isRawJpegPair(paths[a], attributesA, paths[b], attributesB))
                continue;
            const bool aIsRaw = attributesA.value(QLatin1String(kImageIsRawKey)).toBool();
            const qsizetype raw = aIsRaw ? a : b;
            const qsizetype jpeg = aIsRaw ? b : a;
            jpegOf[std::size_t(raw)] = jpeg;
            isPairedJpeg[std::size_t(jpeg)] = true;
        }
    }

    std::optional<QHash<QString, KTImageMO *>> existing;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const std::size_t slot = std::size_t(i);
        if (isPairedJpeg[slot])
            continue;
        const QString &path = paths[i];
        if (!existing)
            existing = allImagesInDictFromContext(context);
        KTImageMO *image = existing->value(path);
        if (!image) {
            // The file went away since the folder was walked, or it cannot be read.
            if (attributes[slot].isEmpty()) {
                qWarning().noquote()
                    << QStringLiteral("Warning: %1 could not be read; the file is not imported").arg(path);
                addBrokenImage(path, unreadableReasons[slot]);
                continue;
            }
            configureImage(image, path, attributes[slot], context);
            existing->insert(path, image);
        }
        image->setFolder(sourcesByPath.value(path));
        if (jpegOf[slot] >= 0)
            image->setDuplicateImagePath(paths[jpegOf[slot]]);
    }
}

QHash<QString, KTImageMO *> KTImageImporter::allImagesInDictFromContext(KTObjectContext &context)
{
    QHash<QString, KTImageMO *> images;
    for (KTImageMO *image : context.fetchAs<KTImageMO>({kImageEntityName, {}, {}})) {
        const QString path = image->path();
        if (!path.isEmpty())
            images.insert(path, image);
    }
    return images;
}

void KTImageImporter::configureImage(KTImageMO *&image, const QString &path, const QVariantMap &attributes,
                                     KTObjectContext &context)
{
    if (image)
        return;
    image = context.insert<KTImageMO>(kImageEntityName);
    image->setPath(path);
    image->setName(QFileInfo(path).completeBaseName());
    const QVariant number = attributes.value(QLatin1String(kFileSystemFileNumberKey));
    image->setImageID(number.isValid() ? std::optional<quint64>(number.toULongLong())
                                       : KTFilesManager::fileNumberForPath(path));
    image->setImageIndex(-1);
    image->setOriginalFileExists(true);
    image->addImageAttributesFromDictionary(attributes);
    image->setSyncStatusBitmask(0);
    image->setPicked(false);
    image->setRejected(false);
}

void KTImageImporter::addImagesFromExternalApplication(const QVariantMap &sourceDictionary,
                                                       KTObjectContext &context) const
{
    const QVariantList images = sourceDictionary.value(kImagesArrayKey).toList();
    if (images.isEmpty())
        return;
    // The catalogue source's record, as the sources step recorded it: its path is the node id.
    const QString nodeId = sourceDictionary.value(kNodeIdKey).toString();
    const QList<KTFolderMO *> sources =
        context.fetchAs<KTFolderMO>({kFolderEntityName, KTKeyPath(kFolderPathValueKey) == nodeId, {}});
    if (nodeId.isEmpty() || sources.isEmpty()) {
        qWarning() << "Was not able to find image source for external application images";
        return;
    }
    addImages(images, sources.first());
}

void KTImageImporter::addImages(const QVariantList &imageDictionaries, KTFolderMO *source) const
{
    const QString type = source->type();
    // The file of an iPhoto image is its original; the record of each image is looked up in the
    // same order, so an image whose "path" names another file never takes that file's record.
    const QStringList pathKeys =
        type == kFolderTypeiPhoto     ? QStringList{kOriginalPathKey, kImagePathValueKey, kImagePathKey}
        : type == kFolderTypeAperture ? QStringList{kImagePathValueKey, kImagePathKey}
                                      : QStringList{kImagePathValueKey};
    const QStringList lookupKeys = type == kFolderTypeiPhoto
                                       ? QStringList{kOriginalPathKey, kImagePathValueKey, kImagePathKey}
                                       : QStringList{kImagePathValueKey, kOriginalPathKey, kImagePathKey};

    QMap<QString, KTFolderMO *> paths;
    for (const QVariant &item : imageDictionaries) {
        const QVariantMap dictionary = item.toMap();
        QString path;
        for (const QString &key : pathKeys) {
            path = dictionary.value(key).toString();
            if (!path.isEmpty())
                break;
        }
        if (path.isEmpty())
            qWarning() << "Failed to retreive image path" << dictionary;
        else if (QFileInfo::exists(path))
            paths.insert(path, source);
        else {
            qWarning().noquote() << QStringLiteral("file not exists at path %1").arg(path);
            addBrokenImage(path);
        }
    }
    if (paths.size() != imageDictionaries.size())
        qWarning().noquote() << QStringLiteral("Images paths count %1 differ from images count %2")
                                    .arg(paths.size())
                                    .arg(imageDictionaries.size());
    if (paths.isEmpty()) {
        postToMain([] {
            KTAlertPresenter::shared().runModal(
                warningAlert(tr("Failed to load images. Please check if all images exist."), {}, tr("OK")));
        });
        return;
    }

    KTObjectContext &context = *source->context();
    addImagesForPaths(paths, context);
    if (isCancelled())
        return;
    const QHash<QString, KTImageMO *> existing = allImagesInDictFromContext(context);
    for (const QVariant &item : imageDictionaries) {
        const QVariantMap dictionary = item.toMap();
        const auto recordAt = [&](const QStringList &keys) -> KTImageMO * {
            for (const QString &key : keys) {
                if (KTImageMO *image = existing.value(dictionary.value(key).toString()))
                    return image;
            }
            return nullptr;
        };
        KTImageMO *image = nullptr;
        const QString guid = dictionary.value(kGUIDKey).toString();
        const QString versionUUID = dictionary.value(kVersionUUIDKey).toString();
        const QVariant idLocal = dictionary.value(kIdLocalKey);
        if (!guid.isEmpty() || !versionUUID.isEmpty()) {
            image = recordAt(lookupKeys);
            if (image)
                image->setExternalGUID(!guid.isEmpty() ? guid : versionUUID);
        } else if (idLocal.isValid()) {
            image = recordAt({kImagePathValueKey});
            if (image) {
                image->setExternalGUID(idLocal.toString());
                const QVariant collection = dictionary.value(kCollectionIDKey);
                if (collection.isValid())
                    image->setExternalCollectionID(collection.toString());
            }
        } else {
            image = recordAt({kImagePathValueKey});
            qWarning().noquote() << QStringLiteral("failed to load external guid path %1")
                                        .arg(image ? image->path() : QString());
        }
        if (!image)
            qWarning() << "No image. Image dictionary" << dictionary;
    }
}
