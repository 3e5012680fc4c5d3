#include "audio/ThreadObject.h"

namespace tess {

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
