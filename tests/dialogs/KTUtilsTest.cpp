#include "KTUtils.h"

#include <gtest/gtest.h>

TEST(KTUtilsTest, ByteCountsInWholeUnitsTruncateAtDecimalThresholds)
{
    const struct
    {
        qint64 count;
        const char *expected;
    } cases[] = {
        {0, "0 Bytes"},          {999, "999 Bytes"},      {1000, "1 KB"},       {999999, "999 KB"},
        {1999999, "1 MB"},       {999999999, "999 MB"},   {1000000000, "1 GB"}, {999999999999, "999 GB"},
        {1000000000000, "1 TB"}, {2500000000000, "2 TB"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KTUtils::stringFromByteCountInWholeUnits(c.count), QString::fromLatin1(c.expected))
            << c.count;
}

TEST(KTUtilsTest, ByteCountsAsTheDesktopShowsThemUseDecimalUnits)
{
    // The locale's own wording; only the unit steps are ours to check.
    EXPECT_TRUE(KTUtils::stringFromByteCount(999).startsWith("999"));
    EXPECT_TRUE(KTUtils::stringFromByteCount(1500000).contains("1.5"));
    EXPECT_TRUE(KTUtils::stringFromByteCount(1500000).contains("MB"));
}

TEST(KTUtilsTest, RoundingAddsAHalfAndTruncatesTowardZero)
{
    const struct
    {
        double x;
        unsigned decimals;
        double expected;
    } cases[] = {
        {3.14159, 3, 3.142}, {2.5, 0, 3.0}, {-1.26, 1, -1.2}, {-2.5, 0, -2.0}, {1.0 / 3.0, 10, 0.3333333333},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(KTUtils::round(c.x, c.decimals), c.expected) << c.x << " at " << c.decimals;
}

TEST(KTUtilsTest, ListsReadAsASentence)
{
    EXPECT_EQ(KTUtils::stringEnumerationFromArray({}), QString());
    EXPECT_EQ(KTUtils::stringEnumerationFromArray({"a"}), "a");
    EXPECT_EQ(KTUtils::stringEnumerationFromArray({"a", "b"}), "a and b");
    EXPECT_EQ(KTUtils::stringEnumerationFromArray({"a", "b", "c", "d"}), "a, b, c and d");
}
