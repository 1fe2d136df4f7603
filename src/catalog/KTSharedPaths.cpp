#include "KTSharedPaths.h"

#include "KTImageMO.h"
#include "KTImageStorage.h"

namespace KTSharedPaths {

QStringList ofImages(const QList<KTImageMO *> &images, KTPairedPaths paired)
{
    // The pairing is a user setting: read once per call, so one menu never mixes both answers.
    const bool pairs = paired == KTPairedPaths::Include && KTImageStorage::showsRawAndJPEGAsOneFile();
    QStringList paths;
    for (const KTImageMO *image : images) {
        if (!image || !image->originalFileExists().value_or(false))
            continue;
        if (pairs && !image->duplicateImagePath().isEmpty())
            paths.append(image->duplicateImagePath());
        if (!image->path().isEmpty())
            paths.append(image->path());
    }
    return paths;
}

std::function<QStringList()> producer(std::function<QList<KTImageMO *>()> images, KTPairedPaths paired)
{
    return [images = std::move(images), paired] { return ofImages(images(), paired); };
}

} // namespace KTSharedPaths
