#pragma once
// A worker-thread base: the thread, a quit flag, a lock held by the worker while it works,
// and an auto-reset wake-up event. The derived class starts the thread with Resume() at the
// end of its constructor and ends it with EndThread() in its destructor, before its own
// members go.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "media/Recorder.h" // AutoResetEvent

namespace tess {

class ThreadObject {
public:
    ThreadObject() = default;
    virtual ~ThreadObject();
    ThreadObject(const ThreadObject&) = delete;
    ThreadObject& operator=(const ThreadObject&) = delete;

    // Called first on the worker thread.
    virtual void Init() {}
    // The thread's body; returns when the quit flag is set.
    virtual void Run() = 0;
    // Makes Run look at its state at once.
    virtual void Wake() { wake_.Set(); }

protected:
    void Resume();
    // Sets the quit flag, wakes the worker and waits up to `timeout` for it to end; true
    // when it ended in time. The thread is joined in any case.
    bool EndThread(std::chrono::milliseconds timeout);
    bool QuitRequested() const { return quit_.load() != 0; }

    std::atomic<uint32_t> quit_{0};
    std::mutex lock_;
    AutoResetEvent wake_;

private:
    std::thread thread_;
    std::mutex doneMutex_;
    std::condition_variable doneCv_;
    bool done_ = false;
};

} // namespace tess
