#include "media/Recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tess {
namespace {

using namespace std::chrono_literals;

TEST(RecorderTiming, FramePeriodsAndMergedWakeUps) {
    EXPECT_EQ(TimerPeriodMs(15, -1), 66);
    EXPECT_EQ(TimerPeriodMs(30, -1), 33);
    EXPECT_EQ(TimerPeriodMs(15, 5), 330);
    EXPECT_EQ(TimerPeriodMs(5, 1), 200);
    EXPECT_EQ(TimerPeriodMs(0, -1), 1000); // a frame rate below 1 never divides by zero
    EXPECT_EQ(TimerPeriodMs(-3, -1), 1000);
    AutoResetEvent event;
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0ms));
    EXPECT_FALSE(event.Wait(10ms));
}

struct Counts {
    std::atomic<int> grabs{0};
    std::atomic<bool> begun{false}, ended{false};
};

class CountingSource : public FrameSource {
public:
    CountingSource(Counts& c, std::chrono::milliseconds cost) : c_(c), cost_(cost) {}
    void Begin() override { c_.begun = true; }
    void GrabFrame() override {
        std::this_thread::sleep_for(cost_);
        ++c_.grabs;
    }
    void End() override { c_.ended = true; }

private:
    Counts& c_;
    std::chrono::milliseconds cost_;
};

// A stop right after the start returns promptly with no frame; a running recorder grabs on
// its ticks and stops after the frame in hand.
TEST(ScreenRecorderTest, GrabsOnTicksAndStopsAfterTheFrameInHand) {
    Counts quick;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(ScreenRecorder(1, -1, std::make_unique<CountingSource>(quick, 0ms)).Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    EXPECT_EQ(quick.grabs.load(), 0);
    Counts c;
    ScreenRecorder recorder(50, -1, std::make_unique<CountingSource>(c, 0ms));
    EXPECT_EQ(recorder.PeriodMs(), 20);
    while (c.grabs.load() < 3)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(recorder.Stop());
    EXPECT_TRUE(c.begun);
    EXPECT_TRUE(c.ended);
    int after = c.grabs.load();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(c.grabs.load(), after);
    EXPECT_FALSE(recorder.Stop());
    EXPECT_EQ(recorder.FramesGrabbed(), after);
}

TEST(ScreenRecorderTest, SlowFramesMergeTicksInsteadOfQueueingThem) {
    Counts c;
    // Ticks every 10 ms, each frame takes 40 ms: far fewer frames than ticks.
    ScreenRecorder recorder(100, -1, std::make_unique<CountingSource>(c, 40ms));
    std::this_thread::sleep_for(400ms);
    recorder.Stop();
    EXPECT_GE(c.grabs.load(), 2);
    EXPECT_LE(c.grabs.load(), 12);
}

} // namespace
} // namespace tess
