// The width of the progress bar the folder tree draws while it reads a folder.

#include "controls/CProgressFX.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ProgressBarWidthTest, KnownShareOfFiftyUnknownTotalOnItsCurveAlwaysInsideTheFrame)
{
    const struct {
        int nTotal, nDone, nWidth;
    } cases[] = {
        // An unknown total (0 or less) follows the curve up to the full bar.
        {0, 0, 0}, {0, 1, 8}, {0, 2, 16}, {0, 3, 23}, {0, 5, 34}, {0, 10, 47}, {0, 20, 49}, {0, 100, 50},
        {0, 1774, 50}, {-5, 3, 23}, {0, INT_MAX, 50},
        // A known total: the share of 50 rounded down, in 64 bits.
        {3, 1, 16}, {3, 2, 33}, {1000, 999, 49}, {100000000, 50000000, 25}, {INT_MAX, INT_MAX / 2, 24},
        // Hostile counts.
        {10, -3, 0}, {INT_MAX, INT_MIN, 0}, {10, 11, 50}, {1, INT_MAX, 50}, {0, -3000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.nWidth, ProgressBarWidth(c.nTotal, c.nDone)) << c.nTotal << ", " << c.nDone;
}
