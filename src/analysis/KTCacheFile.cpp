#include "KTCacheFile.h"

#include <QCborStreamReader>
#include <QCborValue>
#include <QFile>
#include <QSaveFile>

namespace {

// PNG-style: a high byte and line ends catch files mangled by text-mode copies.
constexpr char kMagic[] = "\x89VSCACHE\r\n\x1a\n";
constexpr qsizetype kMagicLength = sizeof(kMagic) - 1;

} // namespace

bool KTCacheFile::write(const QString &path, const QCborMap &map)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(kMagic, kMagicLength);
    file.write(map.toCborValue().toCbor());
    return file.commit();
}

std::optional<QCborMap> KTCacheFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < kMagicLength || !bytes.startsWith(QByteArrayView(kMagic, kMagicLength)))
        return std::nullopt;
    const QByteArrayView body = QByteArrayView(bytes).sliced(kMagicLength);
    QCborStreamReader reader(reinterpret_cast<const quint8 *>(body.data()), body.size());
    const QCborValue value = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError || !value.isMap() || reader.hasNext())
        return std::nullopt;
    return value.toMap();
}
