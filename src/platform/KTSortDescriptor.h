#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class KTStoreObject;

enum class KTSortOrder
{
    Ascending,
    Descending,
};

/// One sort key of a fetch or of a kept list: a key path and a direction.
///
/// The order of values (compareValues): nil before every value; numbers by value whatever their
/// type; strings case-sensitively by UTF-16 code unit; dates by time; data bytewise; object ids by
/// id. Descending reverses it (nil last). compareObjects() applies the descriptors in turn and
/// breaks a tie by object id, ascending, so an order never depends on memory or hashing and two
/// distinct records never compare the same.
///
/// Threading: plain values; compare on any thread where the records may be used.
class KTSortDescriptor
{
public:
    KTSortDescriptor(const QString &keyPath, KTSortOrder order = KTSortOrder::Ascending);

    const QString &keyPath() const { return m_keyPath; }
    KTSortOrder order() const { return m_order; }
    bool isAscending() const { return m_order == KTSortOrder::Ascending; }

    /// Negative, zero or positive as `a` sorts before, with or after `b`.
    static int compareValues(const QVariant &a, const QVariant &b);
    /// The order of two non-nil values of one kind (both numbers, both strings, ...); nothing
    /// otherwise. Predicates use it for <, <=, > and >=.
    static std::optional<int> compareSameKind(const QVariant &a, const QVariant &b);
    /// Value equality as predicates and change detection use it: nil equals only nil, numbers
    /// by value, a string never equals a number.
    static bool valuesEqual(const QVariant &a, const QVariant &b);
    /// The list comparator: the descriptors in order, then the object id.
    static int compareObjects(const QList<KTSortDescriptor> &descriptors, const KTStoreObject *a,
                              const KTStoreObject *b);
    /// Sorts `objects` with compareObjects(); reads every key once per record.
    static void sortObjects(QList<KTStoreObject *> &objects, const QList<KTSortDescriptor> &descriptors);

    bool operator==(const KTSortDescriptor &other) const = default;

private:
    QString m_keyPath;
    QStringList m_parts;
    KTSortOrder m_order;
};
