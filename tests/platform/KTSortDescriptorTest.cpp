#include "KTSortDescriptor.h"

#include "KTObjectContext.h"
#include "KTObjectID.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"

#include <QDateTime>

#include <gtest/gtest.h>

TEST(KTSortDescriptorTest, ValueOrder)
{
    const QDateTime early = QDateTime::fromSecsSinceEpoch(100);
    const QDateTime late = QDateTime::fromSecsSinceEpoch(200);
    const struct
    {
        QVariant a;
        QVariant b;
        int expected;
    } cases[] = {
        {QVariant(), QVariant(), 0},
        {QVariant(), QVariant(false), -1}, // nil before every value
        {QVariant(), QString("a"), -1},
        {QString(), QVariant(), 0},   // a null string is nil
        {QDateTime(), QVariant(), 0}, // so is an invalid date
        {false, true, -1},
        {true, qint64(1), 0},
        {qint64(-1), quint64(0), -1},
        {quint64(1) << 63, qint64(1), 1},
        {2.5, qint64(2), 1},
        {QString("B"), QString("a"), -1}, // case-sensitive: upper case first
        {QString("a"), QString("b"), -1},
        {early, late, -1},
        {QVariant::fromValue(KTObjectID{0, 2}), QVariant::fromValue(KTObjectID{0, 10}), -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(KTSortDescriptor::compareValues(c.a, c.b), c.expected)
            << c.a.toString().toStdString() << " vs " << c.b.toString().toStdString();
        EXPECT_EQ(KTSortDescriptor::compareValues(c.b, c.a), -c.expected);
    }
}

TEST(KTSortDescriptorTest, SortsByDescriptorsThenObjectId)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    auto photo = [&](const QVariant &name, const QVariant &rank) {
        KTStoreObject *p = context->insertObject(kPhoto);
        p->setValue("name", name);
        p->setValue("rank", rank);
        return p;
    };
    KTStoreObject *b1 = photo("b", qint64(1));
    KTStoreObject *a2 = photo("a", qint64(2));
    KTStoreObject *nil1 = photo(QVariant(), qint64(1));
    KTStoreObject *b1again = photo("b", qint64(1));
    KTStoreObject *a1 = photo("a", qint64(1));

    QList<KTStoreObject *> objects{b1again, a1, b1, nil1, a2};
    KTSortDescriptor::sortObjects(objects, {KTSortDescriptor("name")});
    EXPECT_EQ(objects, (QList<KTStoreObject *>{nil1, a2, a1, b1, b1again}));

    KTSortDescriptor::sortObjects(objects, {KTSortDescriptor("name", KTSortOrder::Descending),
                                            KTSortDescriptor("rank", KTSortOrder::Descending)});
    EXPECT_EQ(objects, (QList<KTStoreObject *>{b1, b1again, a2, a1, nil1}));

    // The list comparator agrees with the sort and tells distinct records apart.
    const QList<KTSortDescriptor> byName{KTSortDescriptor("name")};
    EXPECT_LT(KTSortDescriptor::compareObjects(byName, b1, b1again), 0);
    EXPECT_GT(KTSortDescriptor::compareObjects(byName, b1, a2), 0);
    EXPECT_EQ(KTSortDescriptor::compareObjects(byName, a1, a1), 0);
}
