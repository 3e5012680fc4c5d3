#include "media/Recorder.h"

namespace tess {

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (timeout == std::chrono::milliseconds::max())
        cv_.wait(lock, [&] { return signalled_; });
    else if (!cv_.wait_for(lock, timeout, [&] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

int32_t TimerPeriodMs(int32_t frameRate, int32_t timeLapse) {
    if (frameRate < 1)
        frameRate = 1;
    int32_t period = 1000 / frameRate;
    if (timeLapse > 1)
        period *= timeLapse;
    return period;
}

Ticker::Ticker(std::chrono::milliseconds period, AutoResetEvent& event)
    : period_(period < std::chrono::milliseconds(1) ? std::chrono::milliseconds(1) : period),
      event_(event) {
    thread_ = std::thread([this] {
        auto next = std::chrono::steady_clock::now() + period_;
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (cv_.wait_until(lock, next, [&] { return stop_; }))
                break;
            event_.Set();
            next += period_;
            // After a long stall, tick from now on rather than firing a burst.
            auto now = std::chrono::steady_clock::now();
            if (next < now)
                next = now + period_;
        }
    });
}

Ticker::~Ticker() {
    Stop();
}

void Ticker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

ScreenRecorder::ScreenRecorder(int32_t frameRate, int32_t timeLapse,
                               std::unique_ptr<FrameSource> source)
    : periodMs_(TimerPeriodMs(frameRate, timeLapse)), source_(std::move(source)),
      started_(std::chrono::steady_clock::now()) {
    thread_ = std::thread([this] { Run(); });
    ticker_ = std::make_unique<Ticker>(std::chrono::milliseconds(periodMs_), wake_);
}

ScreenRecorder::~ScreenRecorder() {
    Stop();
}

void ScreenRecorder::Run() {
    if (source_)
        source_->Begin();
    for (;;) {
        wake_.Wait();
        if (stopRequested_.load())
            break;
        if (source_)
            source_->GrabFrame();
        frames_.fetch_add(1);
    }
    if (source_)
        source_->End();
}

bool ScreenRecorder::Stop() {
    if (!thread_.joinable())
        return false;
    stopRequested_.store(true);
    wake_.Set();
    thread_.join();
    if (ticker_)
        ticker_->Stop();
    ticker_.reset();
    return true;
}

int64_t ScreenRecorder::ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
}

} // namespace tess
