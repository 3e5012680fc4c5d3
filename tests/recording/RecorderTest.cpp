#include "media/Recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tess {
namespace {

using namespace std::chrono_literals;

TEST(RecorderTiming, FramePeriods) {
    EXPECT_EQ(TimerPeriodMs(15, -1), 66);
    EXPECT_EQ(TimerPeriodMs(30, -1), 33);
    EXPECT_EQ(TimerPeriodMs(15, 5), 330);
    EXPECT_EQ(TimerPeriodMs(5, 1), 200);
    // A frame rate below 1 never divides by zero.
    EXPECT_EQ(TimerPeriodMs(0, -1), 1000);
    EXPECT_EQ(TimerPeriodMs(-3, -1), 1000);
}

TEST(AutoResetEventTest, SetsMergeIntoOneWakeUp) {
    AutoResetEvent event;
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0ms));
    EXPECT_FALSE(event.Wait(10ms));
}

class CountingSource : public FrameSource {
public:
    CountingSource(std::atomic<int>& grabs, std::atomic<bool>& begun, std::atomic<bool>& ended,
                   std::chrono::milliseconds cost)
        : grabs_(grabs), begun_(begun), ended_(ended), cost_(cost) {}
    void Begin() override { begun_ = true; }
    void GrabFrame() override {
        std::this_thread::sleep_for(cost_);
        ++grabs_;
    }
    void End() override { ended_ = true; }

private:
    std::atomic<int>& grabs_;
    std::atomic<bool>& begun_;
    std::atomic<bool>& ended_;
    std::chrono::milliseconds cost_;
};

TEST(ScreenRecorderTest, GrabsOnTicksAndStopsAfterTheFrameInHand) {
    std::atomic<int> grabs{0};
    std::atomic<bool> begun{false}, ended{false};
    ScreenRecorder recorder(50, -1, std::make_unique<CountingSource>(grabs, begun, ended, 0ms));
    EXPECT_EQ(recorder.PeriodMs(), 20);
    while (grabs.load() < 3)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(recorder.Stop());
    EXPECT_TRUE(begun);
    EXPECT_TRUE(ended);
    int after = grabs.load();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(grabs.load(), after);
    EXPECT_FALSE(recorder.Stop());
    EXPECT_EQ(recorder.FramesGrabbed(), after);
}

TEST(ScreenRecorderTest, SlowFramesMergeTicksInsteadOfQueueingThem) {
    std::atomic<int> grabs{0};
    std::atomic<bool> begun{false}, ended{false};
    // Ticks every 10 ms, each frame takes 40 ms: far fewer frames than ticks.
    ScreenRecorder recorder(100, -1, std::make_unique<CountingSource>(grabs, begun, ended, 40ms));
    std::this_thread::sleep_for(400ms);
    recorder.Stop();
    EXPECT_GE(grabs.load(), 2);
    EXPECT_LE(grabs.load(), 12);
}

TEST(ScreenRecorderTest, StopRightAfterStartReturnsPromptly) {
    std::atomic<int> grabs{0};
    std::atomic<bool> begun{false}, ended{false};
    auto recorder = std::make_unique<ScreenRecorder>(
        1, -1, std::make_unique<CountingSource>(grabs, begun, ended, 0ms));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(recorder->Stop());
    recorder.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    EXPECT_EQ(grabs.load(), 0);
}

} // namespace
} // namespace tess
