#pragma once

#include <QCborMap>
#include <QString>

#include <optional>

/// The container of the derived-data files that only this program reads (thumbnail entities,
/// focused regions): a fixed magic number followed by one CBOR map. Readers check the magic
/// and the map; what the map must hold is up to each kind of file.
///
/// Threading: plain functions without shared state; safe on any thread.
class KTCacheFile
{
public:
    /// Writes the magic and `map` to `path` through a temporary file renamed over it, so a
    /// reader never sees half a file. Returns false, leaving any old file, when it could not.
    static bool write(const QString &path, const QCborMap &map);

    /// The map of the file at `path`; nullopt when the file is missing or unreadable, does not
    /// begin with the magic, or does not hold exactly one CBOR map after it.
    static std::optional<QCborMap> read(const QString &path);
};
