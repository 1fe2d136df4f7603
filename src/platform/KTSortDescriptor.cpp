#include "KTSortDescriptor.h"

#include "KTObjectID.h"
#include "KTStoreObject.h"

#include <QByteArray>
#include <QDateTime>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Kinds in their order when two values of different kinds meet (nil first).
enum class Kind
{
    Nil,
    Number,
    String,
    Date,
    Data,
    Id,
    Other,
};

bool isSignedIntegral(int type)
{
    switch (type) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return true;
    default:
        return false;
    }
}

bool isUnsignedIntegral(int type)
{
    switch (type) {
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

Kind kindOf(const QVariant &value)
{
    if (!value.isValid())
        return Kind::Nil;
    const int type = value.typeId();
    if (isSignedIntegral(type) || isUnsignedIntegral(type) || type == QMetaType::Double ||
        type == QMetaType::Float)
        return Kind::Number;
    // Read in place: kinds are asked on every comparison, so no copies here.
    switch (type) {
    case QMetaType::QString:
        return static_cast<const QString *>(value.constData())->isNull() ? Kind::Nil : Kind::String;
    case QMetaType::QDateTime:
        return static_cast<const QDateTime *>(value.constData())->isValid() ? Kind::Date : Kind::Nil;
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(value.constData())->isNull() ? Kind::Nil : Kind::Data;
    default:
        break;
    }
    if (type == qMetaTypeId<KTObjectID>())
        return static_cast<const KTObjectID *>(value.constData())->isNull() ? Kind::Nil : Kind::Id;
    return Kind::Other;
}

template <typename T> int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareNumbers(const QVariant &a, const QVariant &b)
{
    const int ta = a.typeId();
    const int tb = b.typeId();
    const bool aIntegral = isSignedIntegral(ta) || isUnsignedIntegral(ta);
    const bool bIntegral = isSignedIntegral(tb) || isUnsignedIntegral(tb);
    if (!aIntegral || !bIntegral)
        return threeWay(a.toDouble(), b.toDouble());
    if (isSignedIntegral(ta) && isSignedIntegral(tb))
        return threeWay(a.toLongLong(), b.toLongLong());
    if (isUnsignedIntegral(ta) && isUnsignedIntegral(tb))
        return threeWay(a.toULongLong(), b.toULongLong());
    // One signed, one unsigned: a negative value is below every unsigned one.
    if (isSignedIntegral(ta)) {
        const qint64 sa = a.toLongLong();
        return sa < 0 ? -1 : threeWay(quint64(sa), b.toULongLong());
    }
    const qint64 sb = b.toLongLong();
    return sb < 0 ? 1 : threeWay(a.toULongLong(), quint64(sb));
}

int compareKind(Kind kind, const QVariant &a, const QVariant &b)
{
    switch (kind) {
    case Kind::Nil:
        return 0;
    case Kind::Number:
        return compareNumbers(a, b);
    case Kind::String: {
        const int c = QString::compare(*static_cast<const QString *>(a.constData()),
                                       *static_cast<const QString *>(b.constData()), Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case Kind::Date:
        return threeWay(static_cast<const QDateTime *>(a.constData())->toMSecsSinceEpoch(),
                        static_cast<const QDateTime *>(b.constData())->toMSecsSinceEpoch());
    case Kind::Data: {
        const int c = static_cast<const QByteArray *>(a.constData())
                          ->compare(*static_cast<const QByteArray *>(b.constData()));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case Kind::Id:
        return threeWay(*static_cast<const KTObjectID *>(a.constData()),
                        *static_cast<const KTObjectID *>(b.constData()));
    case Kind::Other:
        break;
    }
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less)
        return -1;
    if (order == QPartialOrdering::Greater)
        return 1;
    return 0;
}

int compareIds(const KTStoreObject *a, const KTStoreObject *b)
{
    return threeWay(a->objectID(), b->objectID());
}

} // namespace

KTSortDescriptor::KTSortDescriptor(const QString &keyPath, KTSortOrder order)
    : m_keyPath(keyPath), m_parts(keyPath.split(QLatin1Char('.'))), m_order(order)
{}

int KTSortDescriptor::compareValues(const QVariant &a, const QVariant &b)
{
    const Kind ka = kindOf(a);
    const Kind kb = kindOf(b);
    if (ka != kb)
        return ka < kb ? -1 : 1;
    return compareKind(ka, a, b);
}

std::optional<int> KTSortDescriptor::compareSameKind(const QVariant &a, const QVariant &b)
{
    const Kind ka = kindOf(a);
    if (ka == Kind::Nil || ka != kindOf(b))
        return std::nullopt;
    return compareKind(ka, a, b);
}

bool KTSortDescriptor::valuesEqual(const QVariant &a, const QVariant &b)
{
    const Kind ka = kindOf(a);
    return ka == kindOf(b) && compareKind(ka, a, b) == 0;
}

int KTSortDescriptor::compareObjects(const QList<KTSortDescriptor> &descriptors, const KTStoreObject *a,
                                     const KTStoreObject *b)
{
    for (const KTSortDescriptor &descriptor : descriptors) {
        const int c =
            compareValues(a->valueForKeyPath(descriptor.m_parts), b->valueForKeyPath(descriptor.m_parts));
        if (c != 0)
            return descriptor.isAscending() ? c : -c;
    }
    return compareIds(a, b);
}

void KTSortDescriptor::sortObjects(QList<KTStoreObject *> &objects,
                                   const QList<KTSortDescriptor> &descriptors)
{
    if (descriptors.isEmpty()) {
        std::sort(objects.begin(), objects.end(),
                  [](const KTStoreObject *a, const KTStoreObject *b) { return compareIds(a, b) < 0; });
        return;
    }
    // Key paths may cross relationships, so read every key once instead of once per comparison.
    const qsizetype n = objects.size();
    const qsizetype width = descriptors.size();
    std::vector<QVariant> keys(static_cast<std::size_t>(n * width));
    for (qsizetype i = 0; i < n; ++i)
        for (qsizetype k = 0; k < width; ++k)
            keys[std::size_t(i * width + k)] = objects[i]->valueForKeyPath(descriptors[k].m_parts);
    std::vector<qsizetype> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype x, qsizetype y) {
        for (qsizetype k = 0; k < width; ++k) {
            const int c = compareValues(keys[std::size_t(x * width + k)], keys[std::size_t(y * width + k)]);
            if (c != 0)
                return descriptors[k].isAscending() ? c < 0 : c > 0;
        }
        return compareIds(objects[x], objects[y]) < 0;
    });
    QList<KTStoreObject *> sorted;
    sorted.reserve(n);
    for (qsizetype i : order)
        sorted.append(objects[i]);
    objects = std::move(sorted);
}
