#include "media/Recorder.h"

namespace tess {

int32_t TimerPeriodMs(int32_t frameRate, int32_t timeLapse) {
    if (frameRate < 1)
        frameRate = 1;
    int32_t period = 1000 / frameRate;
    if (timeLapse > 1)
        period *= timeLapse;
    return period;
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
        if (paused_.load())
            continue;
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
