#pragma once
// The threading primitives of the program's workers: an auto-reset event, a ticker thread that
// sets one at a fixed period, and a worker-thread base with a quit flag and a wake-up event.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tess {

// An event that wakes one waiter and then resets itself.
class AutoResetEvent {
public:
    void Set();
    // Waits until set; returns false when `timeout` passed first.
    bool Wait(std::chrono::milliseconds timeout = std::chrono::milliseconds::max());

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// A thread that sets an event every `period`, on the steady clock, until stopped.
class Ticker {
public:
    Ticker(std::chrono::milliseconds period, AutoResetEvent& event);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;
    void Stop();
    std::chrono::milliseconds Period() const { return period_; }

private:
    std::chrono::milliseconds period_;
    AutoResetEvent& event_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

// A worker-thread base: the thread, a quit flag, a lock held by the worker while it works,
// and an auto-reset wake-up event. The derived class starts the thread with Resume() at the
// end of its constructor and ends it with EndThread() in its destructor, before its own
// members go.
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
