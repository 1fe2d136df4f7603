#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <compare>
#include <cstddef>
#include <functional>

/// Identifies one record of an object store across all its contexts: the entity (its index in
/// the model) and a per-entity number given at insert, counting from 1. A null id (row 0) names
/// no record. Ids order by entity, then by number, which is also insertion order within an
/// entity; sorts use that order to break ties.
///
/// Threading: a plain value, safe to copy between threads.
struct KTObjectID
{
    int entity = -1;
    qint64 row = 0;

    bool isNull() const { return row == 0; }
    QString toString() const { return QStringLiteral("%1/%2").arg(entity).arg(row); }

    friend bool operator==(const KTObjectID &, const KTObjectID &) = default;
    friend std::strong_ordering operator<=>(const KTObjectID &, const KTObjectID &) = default;
};
Q_DECLARE_METATYPE(KTObjectID)

inline size_t qHash(const KTObjectID &id, size_t seed = 0) noexcept
{
    return qHashMulti(seed, id.entity, id.row);
}

template <> struct std::hash<KTObjectID>
{
    std::size_t operator()(const KTObjectID &id) const noexcept { return qHash(id); }
};
