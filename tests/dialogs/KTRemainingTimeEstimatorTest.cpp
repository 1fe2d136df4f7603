#include "KTRemainingTimeEstimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(KTRemainingTimeEstimatorTest, PhraseForEachRangeWithItsBoundsInTheRangeTheyStart)
{
    struct Case
    {
        double seconds;
        const char *phrase;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {-5, "Less than 30 seconds remaining"},
        {std::nan(""), "Less than 30 seconds remaining"},
        {29.9, "Less than 30 seconds remaining"},
        {30, "Less than a minute remaining"},
        {60, "About one minute remaining"},
        {120, "About 2 minutes remaining"},
        {3599, "About 59 minutes remaining"},
        {3600, "About one hour remaining"},
        {7200, "About 2 hours remaining"},
        {86399, "About 23 hours remaining"},
        {86400, "About one day remaining"},
        {172800, "About 2 days remaining"},
        // A count past 32 bits stays at the largest one instead of overflowing.
        {1e300, "About 2147483647 days remaining"},
        {inf, "About 2147483647 days remaining"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(KTRemainingTimeEstimator::phrase(c.seconds), QString::fromUtf8(c.phrase));
    }
}

// Each case feeds (seconds, value) pairs against one maximum, from a reference point at (0, 0),
// and lists what each update answers (-1: no estimate, keep the text shown).
TEST(KTRemainingTimeEstimatorTest, RenewsOnMovementOrTimeAndNeverAnswersAnUnusableTime)
{
    struct Step
    {
        double seconds;
        double value;
        double expected;
    };
    struct Case
    {
        const char *name;
        double maximum;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        // One step a second of 100: renewed at 5 (5 %) and 10, each time 95 and 90 steps at a
        // step a second.
        {"steady rate", 100, {{1, 1, -1}, {4, 4, -1}, {5, 5, 95}, {9, 9, -1}, {10, 10, 90}}},
        // Time alone renews after more than 5 s; with no movement there is no rate, and the next
        // estimate measures from the moved reference point.
        {"stall", 100, {{3, 0, -1}, {6, 0, -1}, {8, 1, -1}, {11.5, 2, 98 / 2.0 * 5.5}}},
        {"zero maximum", 0, {{6, 0, -1}, {20, 5, -1}}},
        {"negative maximum", -10, {{6, 1, -1}}},
        // A value that went back moves the reference point without an estimate.
        {"backwards value", 100, {{1, 10, 90 / 10.0 * 1}, {7, 4, -1}, {8, 9, 91 / 5.0 * 1}}},
        // Past the maximum: nothing left, never a negative time.
        {"beyond the maximum", 100, {{1, 120, 0}}},
        // A jump at the very same instant answers 0 s left rather than 0 / 0.
        {"no time elapsed", 100, {{0, 50, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        KTRemainingTimeEstimator estimator;
        estimator.reset(0.0);
        for (const Step &step : c.steps) {
            SCOPED_TRACE(step.seconds);
            const std::optional<double> remaining = estimator.update(step.seconds, step.value, c.maximum);
            if (step.expected < 0) {
                EXPECT_FALSE(remaining.has_value());
            } else {
                ASSERT_TRUE(remaining.has_value());
                EXPECT_NEAR(*remaining, step.expected, 1e-9);
            }
        }
    }
}
