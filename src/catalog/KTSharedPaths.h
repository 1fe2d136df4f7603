#pragma once

#include <QList>
#include <QStringList>

#include <functional>

class KTImageMO;

/// Whether the paths handed to the desktop list the paired JPEG of a RAW+JPEG record.
enum class KTPairedPaths
{
    Include,
    Exclude,
};

/// The file paths by which images are handed to the desktop (revealed in the file manager,
/// exported to an editor, shared), one rule for every place that does it.
///
/// Threading: on the thread of the records' context (the main thread for the user interface).
namespace KTSharedPaths {

/// For each image whose file exists, in the order given: with KTPairedPaths::Include and RAW+JPEG
/// pairs shown as one file (KTImageStorage::showsRawAndJPEGAsOneFile()), its paired JPEG first;
/// then its own path. Null records, missing files and empty paths are left out.
QStringList ofImages(const QList<KTImageMO *> &images, KTPairedPaths paired);
/// What a menu asks for each time an item is validated or used: ofImages() of the records
/// `images` answers then.
std::function<QStringList()> producer(std::function<QList<KTImageMO *>()> images, KTPairedPaths paired);

} // namespace KTSharedPaths
