#include "KTRowNumbering.h"

#include "KTObjectContext.h"
#include "KTStoreObject.h"
#include "KTTestObjectModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

constexpr qint64 kLargest = std::numeric_limits<qint64>::max();

} // namespace

// The rows new records take: after the largest row in use, else the widest gap, never past the
// 64-bit range.
TEST(KTRowNumberingTest, FreeRangeNeverRunsPastTheLargestRow)
{
    using Range = KTRowNumbering::Range;
    const struct
    {
        const char *name;
        std::vector<qint64> rows;
        Range expected;
    } cases[] = {
        {"no rows", {}, {1, kLargest}},
        {"counted rows", {1, 2, 3}, {4, kLargest}},
        {"one row just below the largest", {kLargest - 1}, {kLargest, kLargest}},
        {"the largest row", {1, 2, kLargest}, {3, kLargest - 1}},
        {"the largest row alone", {kLargest}, {1, kLargest - 1}},
        {"the widest gap wins", {1, 10, 1000, kLargest - 5, kLargest}, {1001, kLargest - 6}},
        {"the two largest rows", {kLargest - 1, kLargest}, {1, kLargest - 2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KTRowNumbering::freeRange(c.rows), c.expected);
    }

    // A range used up gives nothing more, however often asked.
    KTRowNumbering full;
    full.restart(std::vector<qint64>{1, 2, kLargest});
    EXPECT_EQ(full.next(), 3);
    full.note(kLargest - 1);
    EXPECT_EQ(full.next(), std::nullopt);
    EXPECT_EQ(full.next(), std::nullopt);
}

// A stored record with the largest 64-bit id does not make the next id wrap around to a negative
// one: new records take free ids, and one is found again by its id.
TEST(KTRowNumberingTest, ContextNumbersOnPastTheLargestStoredId)
{
    auto context = KTObjectContext::makeMainContext(testObjectModel());
    const KTEntityDescription &photo = *testObjectModel()->entity(kPhoto);
    context->loadStoredObjects(
        {KTRecordValues{{photo.index(), 1}, {}}, KTRecordValues{{photo.index(), kLargest}, {}}});
    KTStoreObject *first = context->insertObject(kPhoto);
    KTStoreObject *second = context->insertObject(kPhoto);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->objectID().row, 2);
    EXPECT_EQ(second->objectID().row, 3);
    EXPECT_EQ(context->objectWithId(second->objectID()), second);
    EXPECT_NE(context->objectWithId({photo.index(), kLargest}), nullptr);
}
