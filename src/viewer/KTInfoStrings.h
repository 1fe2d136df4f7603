#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

/// The texts the information strip, the info bars and the EXIF panel make from a file and its
/// image properties.
///
/// Threading: reentrant.
namespace KTInfoStrings {

/// A file size as the desktop shows one, in decimal units ("1.5 MB"); the same text as the
/// dialogs' KTUtils::stringFromByteCount, which lives above this layer.
QString byteCount(qint64 bytes);
/// "6000x4000" of the displayed pixel size (orientation applied), truncated to whole pixels;
/// empty for no size or no properties.
QString pixelSize(const QVariantMap &properties);
/// The file's creation date (its birth time, else its modification time where the file system
/// keeps none) in the medium date and time styles; empty when the file is not there.
QString fileCreationDate(const QString &path);
/// The camera settings of the information strip, each only when present, joined by ", ":
/// "ISO 400", "105mm", the exposure time, "f/5.6".
QString cameraLine(const QVariantMap &properties);

} // namespace KTInfoStrings
