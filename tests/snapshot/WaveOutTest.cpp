// The shutter clip and the player: the clip is a valid short WAVE file, the parser refuses
// what it cannot play, and playing never blocks the caller, whatever the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/alsa/WaveOut.h"
#include "resources/ShutterSound.h"

namespace tess {
namespace {

using platform::ParseWave;

TEST(ShutterSoundTest, IsAShortPcmClip) {
    auto clip = ParseWave(ShutterSound());
    ASSERT_TRUE(clip);
    EXPECT_EQ((std::vector<unsigned>{clip->channels, clip->bits, clip->rate}),
              (std::vector<unsigned>{1, 8, 22050}));
    const double seconds = double(clip->samples.size()) / clip->rate;
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 0.5);
    // Not silence: the two clicks reach well away from the middle value.
    EXPECT_GT(std::count_if(clip->samples.begin(), clip->samples.end(),
                            [](uint8_t s) { return s < 80 || s > 176; }),
              10);
    EXPECT_EQ(clip->samples.front(), 128);
    EXPECT_EQ(clip->samples.back(), 128);
}

std::vector<uint8_t> Wave(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                          uint32_t dataSize, size_t dataPresent) {
    std::vector<uint8_t> f;
    auto put = [&f](const void* p, size_t n) {
        f.insert(f.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    };
    auto u32 = [&put](uint32_t v) { put(&v, 4); };
    auto u16 = [&put](uint16_t v) { put(&v, 2); };
    put("RIFF", 4), u32(36 + dataSize), put("WAVE", 4);
    put("LIST", 4), u32(3), put("abc\0", 4); // a chunk to skip, odd-sized (padded)
    put("fmt ", 4), u32(16), u16(format), u16(channels), u32(rate);
    u32(rate * channels * bits / 8), u16(static_cast<uint16_t>(channels * bits / 8)), u16(bits);
    put("data", 4), u32(dataSize);
    f.resize(f.size() + dataPresent, 0x80);
    return f;
}

TEST(WaveParseTest, ReadsPlainPcmAndRefusesTheRest) {
    auto ok = Wave(1, 2, 44100, 16, 400, 400);
    auto clip = ParseWave(ok);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples.size(), 400u);
    EXPECT_EQ(clip->frameBytes(), 4u);
    // A data chunk longer than the file: the bytes present, whole frames only.
    clip = ParseWave(Wave(1, 2, 44100, 16, 4000, 402));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples.size(), 400u);

    // Float, six channels, no rate, no data, no whole frame.
    for (auto w :
         {Wave(3, 1, 44100, 32, 400, 400), Wave(1, 6, 44100, 16, 400, 400),
          Wave(1, 1, 0, 8, 400, 400), Wave(1, 1, 8000, 8, 0, 0), Wave(1, 2, 8000, 16, 3, 3)})
        EXPECT_FALSE(ParseWave(w));
    auto bad = ok;
    std::memcpy(bad.data() + 8, "AVI ", 4);
    EXPECT_FALSE(ParseWave(bad));
    EXPECT_FALSE(ParseWave(std::span<const uint8_t>(ok.data(), 20)));
    EXPECT_FALSE(ParseWave({}));
}

TEST(WaveOutTest, PlayingNeverMakesTheCallerWait) {
    using Clock = std::chrono::steady_clock;
    // A device that does not exist: the call returns at once and the clip fails quietly.
    auto before = platform::GetWaveOutStats();
    auto t0 = Clock::now();
    EXPECT_TRUE(platform::PlayWaveAsync(ShutterSound(), "tessaray_no_such_device"));
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(200));
    ASSERT_TRUE(platform::WaitForWaveOut(5000));
    auto after = platform::GetWaveOutStats();
    EXPECT_EQ(after.started, before.started + 1);
    EXPECT_EQ(after.failed, before.failed + 1);
    EXPECT_FALSE(after.lastError.empty());

    // The default device, whatever this machine has: the call returns at once and the player
    // finishes within the clip's length plus its two-second limit.
    t0 = Clock::now();
    EXPECT_TRUE(platform::PlayWaveAsync(ShutterSound()));
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(200));
    // A second clip while the first plays is dropped, not queued.
    bool second = platform::PlayWaveAsync(ShutterSound());
    EXPECT_TRUE(platform::WaitForWaveOut(5000));
    auto last = platform::GetWaveOutStats();
    EXPECT_EQ(last.played + last.failed, last.started);
    EXPECT_EQ(last.started, after.started + (second ? 2 : 1));

    // Not a wave file: refused at once.
    const uint8_t junk[16] = {};
    EXPECT_FALSE(platform::PlayWaveAsync(junk));
}

} // namespace
} // namespace tess
