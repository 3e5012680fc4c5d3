#include "capture/BitRate.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(RegionBitRateTest, ShareOfTheFullRateRoundedUpAndBounded) {
    // A quarter of the screen: 75000 * 1.5 = 112500, rounded up to 120000.
    EXPECT_EQ(RegionBitRate(300000, 1024, 768, 512, 384), 120000);
    // A tiny area gets the floor.
    EXPECT_EQ(RegionBitRate(300000, 1024, 768, 10, 10), 10000);
    // More than two thirds of the screen is capped at the full rate.
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 1700, 1000), 300000);
    // The whole screen, or no area at all, records at the full rate.
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 1920, 1080), 300000);
    EXPECT_EQ(RegionBitRate(300000, 1920, 1080, 0, 0), 300000);
    // Large rates and screens do not overflow.
    EXPECT_EQ(RegionBitRate(2000000000, 7680, 4320, 3840, 2160), 750000000);
}

} // namespace
} // namespace tess
