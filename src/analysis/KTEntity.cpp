#include "KTEntity.h"

#include "KTCacheFile.h"

namespace {

const QString kVersionKey = QStringLiteral("Version");

} // namespace

bool KTEntity::writeToFile(const QString &path) const
{
    QCborMap map;
    map.insert(kVersionKey, qint64(version()));
    return encode(map) && KTCacheFile::write(path, map);
}

std::optional<QCborMap> KTEntity::mapWithContentsOfFile(const QString &path, int64_t currentVersion)
{
    std::optional<QCborMap> map = KTCacheFile::read(path);
    if (!map)
        return std::nullopt;
    const QCborValue version = map->value(kVersionKey);
    if (!version.isInteger() || version.toInteger() != currentVersion)
        return std::nullopt;
    return map;
}
