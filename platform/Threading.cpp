#include "platform/Threading.h"

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

ThreadObject::~ThreadObject() {
    if (thread_.joinable())
        EndThread(std::chrono::milliseconds(2000));
}

void ThreadObject::Resume() {
    if (thread_.joinable())
        return;
    thread_ = std::thread([this] {
        Init();
        Run();
        std::lock_guard lk(doneMutex_);
        done_ = true;
        doneCv_.notify_all();
    });
}

bool ThreadObject::EndThread(std::chrono::milliseconds timeout) {
    if (!thread_.joinable())
        return true;
    quit_.fetch_add(1);
    Wake();
    bool inTime;
    {
        std::unique_lock lk(doneMutex_);
        inTime = doneCv_.wait_for(lk, timeout, [this] { return done_; });
    }
    // The worker uses this object, so it cannot be left running: it is joined even when it
    // is late (only a sink that blocks in WriteAudio can make it so).
    thread_.join();
    return inTime;
}

} // namespace tess
