#include "KTSessionSources.h"

#include "KTCatalogModel.h"
#include "KTFolderMO.h"
#include "KTObjectContext.h"
#include "KTSourceBookmarks.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QList<KTFolderMO *> sourcesWithPath(const QString &path, KTObjectContext &context)
{
    return context.fetchAs<KTFolderMO>({kFolderEntityName, KTKeyPath(kFolderPathValueKey) == path, {}});
}

bool isValidFolderSource(const KTFolderMO &source)
{
    const QFileInfo info(source.path());
    if (!info.exists() || !info.isDir())
        return false;
    const QByteArray stored = source.bookmark();
    const QByteArray fresh = KTSourceBookmarks::bookmarkForPath(source.path());
    return stored.isNull() || fresh.isNull() || stored == fresh;
}

bool isValidCatalogueSource(const KTFolderMO &source)
{
    const QString mediaSource = source.mediaSource();
    if (mediaSource.isNull())
        return true;
    if (!QFileInfo::exists(mediaSource))
        return false;
    const QString markerPath = KTSessionSources::checkFilePathForSource(source);
    if (markerPath.isEmpty())
        return true;
    bool exists = false;
    const std::optional<QString> marker = KTSessionSources::readMarker(markerPath, &exists);
    if (!exists)
        return true;
    return marker && !source.sourceID().isNull() && *marker == source.sourceID();
}

} // namespace

void KTSessionSources::recordSources(const QStringList &paths, const QVariantList &externalApplicationImages,
                                     KTObjectContext &context)
{
    for (const QString &path : paths) {
        if (!path.startsWith(QLatin1Char('/')) || !sourcesWithPath(path, context).isEmpty())
            continue;
        auto *source = context.insert<KTFolderMO>(kFolderEntityName);
        source->setPath(path);
        source->setAddedDate(QDateTime::currentDateTime());
        source->setType(kFolderTypeFileSystem);
        KTSourceBookmarks::saveBookmarkForPath(path);
        source->setSourceID(KTCatalogModel::newUUIDString());
        source->setBookmark(KTSourceBookmarks::bookmarkForPath(path));
    }
    for (const QVariant &images : externalApplicationImages)
        addSourceForImages(images.toMap(), context);
}

KTFolderMO *KTSessionSources::sourceForImages(const QVariantMap &images, KTObjectContext &context)
{
    const QList<KTFolderMO *> found = sourcesWithPath(sourceIdFromExternalApplicationImages(images), context);
    return found.isEmpty() ? nullptr : found.first();
}

KTFolderMO *KTSessionSources::addSourceForImages(const QVariantMap &images, KTObjectContext &context)
{
    if (KTFolderMO *existing = sourceForImages(images, context))
        return existing;
    auto *source = context.insert<KTFolderMO>(kFolderEntityName);
    source->setPath(sourceIdFromExternalApplicationImages(images));
    source->setAddedDate(QDateTime::currentDateTime());
    source->setType(images.value(kImageSourceTypeKey).toString());
    const QString mediaSource = images.value(kFolderMediaSourceValueKey).toString();
    source->setMediaSource(mediaSource);
    KTSourceBookmarks::saveBookmarkForPath(mediaSource);
    if (!mediaSource.isEmpty() && QFileInfo::exists(mediaSource))
        source->setSourceID(KTCatalogModel::newUUIDString());
    return source;
}

QString KTSessionSources::sourceIdFromExternalApplicationImages(const QVariantMap &images)
{
    return images.value(kImageSourceNodeIdKey).toString();
}

QString KTSessionSources::sourcePathFromTopLevelNodeName(const QString &topLevelNodeName,
                                                         const QString &importSourceName,
                                                         const QString &importTypeName)
{
    if (!topLevelNodeName.isEmpty())
        return QStringLiteral("%1/%2").arg(topLevelNodeName, importSourceName);
    return QStringLiteral("%1 Library/%2").arg(importTypeName, importSourceName);
}

bool KTSessionSources::hasInvalidSourcesInContext(KTObjectContext &context)
{
    const QList<KTFolderMO *> sources = context.fetchAs<KTFolderMO>({kFolderEntityName, {}, {}});
    for (const KTFolderMO *source : sources) {
        const bool valid = source->type() == kFolderTypeFileSystem ? isValidFolderSource(*source)
                                                                   : isValidCatalogueSource(*source);
        if (!valid)
            return true;
    }
    return false;
}

QString KTSessionSources::checkFilePathForSource(const KTFolderMO &source)
{
    const QString base = source.type() == kFolderTypeFileSystem ? source.path() : source.mediaSource();
    if (base.isEmpty() || !QFileInfo(base).isDir())
        return {};
    const QString cleaned = QDir::cleanPath(base);
    return cleaned + QStringLiteral("/.") + QFileInfo(cleaned).fileName();
}

std::optional<QString> KTSessionSources::readMarker(const QString &path, bool *exists)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    const bool present = ::lstat(encoded.constData(), &info) == 0;
    if (exists)
        *exists = present;
    if (!present)
        return std::nullopt;
    auto notAMarker = [&](const char *why) {
        qInfo().noquote() << "Left alone" << path << "as it is not a source marker:" << why;
        return std::nullopt;
    };
    if (!S_ISREG(info.st_mode))
        return notAMarker("not a regular file");
    if (info.st_size > kMaxMarkerSize)
        return notAMarker("larger than a marker");
    // Opened without following links and without blocking, and checked again once open, so a
    // FIFO or link swapped in after the test above is never read.
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return notAMarker("unreadable");
    bool readable = false;
    QByteArray text;
    struct stat opened;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_size <= kMaxMarkerSize) {
        // One byte more than a marker may hold tells a file that grew since the test.
        char buffer[kMaxMarkerSize + 1];
        size_t total = 0;
        ssize_t got = 0;
        while (total < sizeof buffer && (got = ::read(fd, buffer + total, sizeof buffer - total)) > 0)
            total += size_t(got);
        readable = got >= 0 && total <= size_t(kMaxMarkerSize);
        text = QByteArray(buffer, qsizetype(total));
    }
    ::close(fd);
    if (!readable)
        return notAMarker("unreadable");
    return QString::fromUtf8(text);
}

void KTSessionSources::removeMarkerOfSource(const KTFolderMO &source)
{
    const QString markerPath = checkFilePathForSource(source);
    if (markerPath.isEmpty())
        return;
    const std::optional<QString> marker = readMarker(markerPath);
    if (!marker)
        return;
    if (source.sourceID().isNull() || *marker != source.sourceID()) {
        qInfo().noquote() << "Left alone" << markerPath << "as it does not hold the source's identifier.";
        return;
    }
    QFile::remove(markerPath);
}
