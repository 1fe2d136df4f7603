#include "KTImageMemoryBudget.h"

#include <gtest/gtest.h>

namespace {

/// A picture of `kilobytes` (width 256 pixels of 4 bytes).
QImage picture(int kilobytes)
{
    QImage image(256, kilobytes, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

} // namespace

TEST(KTImageMemoryBudgetTest, DropsTheLeastRecentlyUsedPicturesBeyondItsBytes)
{
    KTImageMemoryBudget budget(10 * 1024);
    const quint64 a = KTImageMemoryBudget::newKey();
    const quint64 b = KTImageMemoryBudget::newKey();
    const quint64 c = KTImageMemoryBudget::newKey();
    EXPECT_NE(a, b);
    budget.insert(a, picture(4));
    budget.insert(b, picture(4));
    EXPECT_EQ(budget.totalBytes(), 8 * 1024);
    // Asking for a picture makes it the most recently used: b goes first.
    EXPECT_FALSE(budget.image(a).isNull());
    budget.insert(c, picture(4));
    EXPECT_TRUE(budget.contains(a));
    EXPECT_FALSE(budget.contains(b));
    EXPECT_TRUE(budget.image(b).isNull());
    EXPECT_EQ(budget.totalBytes(), 8 * 1024);

    // A key replaced is counted once; a null picture removes it.
    budget.insert(a, picture(2));
    EXPECT_EQ(budget.totalBytes(), 6 * 1024);
    budget.insert(a, QImage());
    EXPECT_FALSE(budget.contains(a));
    EXPECT_EQ(budget.count(), 1);

    // A picture larger than the whole budget stays, alone.
    budget.insert(b, picture(12));
    EXPECT_EQ(budget.count(), 1);
    EXPECT_TRUE(budget.contains(b));

    budget.setLimit(1024);
    EXPECT_EQ(budget.count(), 1);
    budget.insert(c, picture(1));
    EXPECT_FALSE(budget.contains(b));
    budget.remove(c);
    EXPECT_EQ(budget.totalBytes(), 0);
}
