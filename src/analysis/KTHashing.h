#pragma once

#include <QByteArray>
#include <QString>

/// MD5 digests as 32 lower-case hexadecimal digits, two per byte in digest order. They name the
/// signature cache files, so their form is a file-name format.
///
/// Threading: reentrant.
QString md5String(const QByteArray &data);
/// The digest of the text's UTF-8 bytes.
QString md5String(const QString &text);
