#pragma once
// The recorder thread: a ticker thread wakes it every frame period through an auto-reset
// event, and it grabs and writes one frame per wake-up. Ticks that fall while a frame is
// being grabbed merge into one wake-up, so a slow machine gives fewer frames, each stamped
// with its real time by the media file, never a faster video.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/Threading.h"

namespace tess {

// Milliseconds between two frames: 1000 / frameRate (integer division), times the
// time-lapse divisor when that is above 1. A frame rate below 1 counts as 1.
int32_t TimerPeriodMs(int32_t frameRate, int32_t timeLapse);

// What the recorder thread does per frame. Begin and End run on the recorder thread, so a
// source can open its own display connection there.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual void Begin() {}
    virtual void GrabFrame() = 0;
    virtual void End() {}
};

class ScreenRecorder {
public:
    ScreenRecorder(int32_t frameRate, int32_t timeLapse, std::unique_ptr<FrameSource> source);
    ~ScreenRecorder();
    ScreenRecorder(const ScreenRecorder&) = delete;
    ScreenRecorder& operator=(const ScreenRecorder&) = delete;

    // Ends the thread after the frame in hand; false when nothing was running.
    bool Stop();
    // While paused the ticks grab nothing; the source stays open (its screen cast held).
    void SetPaused(bool paused) { paused_.store(paused); }
    int64_t ElapsedMs() const;
    int64_t FramesGrabbed() const { return frames_.load(); }
    int32_t PeriodMs() const { return periodMs_; }

private:
    void Run();

    int32_t periodMs_;
    std::unique_ptr<FrameSource> source_;
    AutoResetEvent wake_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> paused_{false};
    std::atomic<int64_t> frames_{0};
    std::chrono::steady_clock::time_point started_;
    std::thread thread_;
    std::unique_ptr<Ticker> ticker_;
};

} // namespace tess
