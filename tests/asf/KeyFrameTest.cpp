#include "asf/AsfTestUtil.h"
#include "media/WMFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

using test::Picture;

constexpr int32_t kW = 320, kH = 200;

// A still desktop whose clock (a counter) changes once a second, `seconds` long at 5 fps.
void RecordStill(const std::string& path, int32_t bitRate, int seconds) {
    WMFile f(path, "", 5, bitRate, kW, kH, -1);
    EXPECT_TRUE(f.Open());
    Picture p = test::MakeDesktop(kW, kH, 4);
    for (int i = 0; i < seconds * 5; ++i) {
        test::DrawCounter(p, kW - 40, 4, i / 5);
        EXPECT_EQ(f.AddFrame(p.bgrx.data(), kW, kH, kW * 4, i * 2000000LL, false), 0);
    }
    EXPECT_TRUE(f.Close());
}

TEST(KeyFrames, OnAStillScreenTheyAreSpacedByTheBitRateBetweenOneAndThirtySeconds) {
    test::TempDir dir;
    const int kSeconds = 95;
    std::vector<size_t> counts;
    for (const int32_t rate : {2000, 8000, 30000, 50000000}) {
        const std::string path = dir.str() + "/still" + std::to_string(rate) + ".wmv";
        RecordStill(path, rate, kSeconds);
        uint64_t bytes = 0;
        const std::vector<uint32_t> keys = test::KeyFrameTimes(path, &bytes);
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys[0], 0u);
        for (size_t k = 1; k < keys.size(); ++k)
            EXPECT_TRUE(keys[k] - keys[k - 1] >= 1000 && keys[k] - keys[k - 1] <= 30000)
                << rate << ": " << keys[k - 1] << ", " << keys[k];
        EXPECT_LE(kSeconds * 1000 - keys.back(), 30000u) << rate;
        // Where the budget and not the 30-s limit spaces them, the stream keeps to its rate.
        if (keys.size() > 1 && keys[1] < 30000) {
            EXPECT_LE(bytes * 8, static_cast<uint64_t>(rate) * kSeconds) << rate;
        }
        counts.push_back(keys.size());
    }
    // 2000 bit/s never pays for a key frame: one every 30 s. 50 Mbit/s pays for one a second.
    EXPECT_EQ(counts.front(), 4u);
    EXPECT_EQ(counts.back(), static_cast<size_t>(kSeconds));
    for (size_t i = 1; i < counts.size(); ++i)
        EXPECT_LT(counts[i - 1], counts[i]);
}

TEST(KeyFrames, AFrameThatChangesMostOfThePictureIsOneAndEveryFrameDecodesToItsSource) {
    test::TempDir dir;
    const std::string path = dir.str() + "/change.wmv";
    std::vector<Picture> pics;
    {
        WMFile f(path, "", 10, 2000, kW, kH, -1);
        ASSERT_TRUE(f.Open());
        Picture p = test::MakeDesktop(kW, kH, 5);
        for (int i = 0; i < 60; ++i) {
            if (i == 10) {
                // Two corners: the changed rectangle is the whole picture, its coding tiny.
                p.Fill(0, 0, 1, 1, 0xFF0000);
                p.Fill(kW - 1, kH - 1, 1, 1, 0x00FF00);
            } else if (i == 20) {
                // Another desktop in other colours: every pixel changes.
                p = test::MakeDesktop(kW, kH, 6);
                for (auto& b : p.bgrx)
                    b ^= 0x5A;
            } else if (i == 40) {
                p.Fill(0, 0, kW, kH / 4, 0x3366AA); // a quarter: stays an inter frame
            }
            test::DrawCounter(p, 4, kH - 14, i);
            pics.push_back(p);
            ASSERT_EQ(f.AddFrame(p.bgrx.data(), kW, kH, kW * 4, i * 1000000LL, false), 0);
        }
        ASSERT_TRUE(f.Close());
    }
    EXPECT_EQ(test::KeyFrameTimes(path), (std::vector<uint32_t>{0, 2000}));
    test::ExpectDecodesTo(path, kW, kH, pics);
}

} // namespace
} // namespace tess
