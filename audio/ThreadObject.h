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

namespace tess {

// An auto-reset event: Set wakes one wait; a Set with nobody waiting is kept for the next.
class AutoResetEvent {
public:
    void Set() {
        {
            std::lock_guard lk(m_);
            signalled_ = true;
        }
        cv_.notify_one();
    }
    // True when signalled within `timeout`; the event is reset by the wait.
    bool Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lk(m_);
        bool got = cv_.wait_for(lk, timeout, [this] { return signalled_; });
        signalled_ = false;
        return got;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

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
