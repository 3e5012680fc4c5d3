#pragma once
// Shared pieces of the audio tests: a recording sink, a private sound server, wx state.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/MediaFile.h"
#include "platform/FileIo.h"
#include "platform/Log.h"
#include "support/TestSupport.h"

namespace tess::test {

extern bool gWxStarted;

// A media file that keeps every sound byte handed to it.
class CollectingSink : public MediaFile {
public:
    CollectingSink() : MediaFile("sink.wmv") { bytes_.reserve(1 << 20); }
    size_t WriteAudio(const void* data, size_t bytes) override {
        std::lock_guard lk(m_);
        const char* p = static_cast<const char*>(data);
        bytes_.insert(bytes_.end(), p, p + bytes);
        cv_.notify_all();
        return bytes;
    }
    std::vector<char> Bytes() {
        std::lock_guard lk(m_);
        return bytes_;
    }
    // Waits until at least `n` bytes arrived or `ms` passed.
    bool WaitForBytes(size_t n, int ms) {
        std::unique_lock lk(m_);
        return cv_.wait_for(lk, std::chrono::milliseconds(ms), [&] { return bytes_.size() >= n; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<char> bytes_;
};

// Polls `done` every 5 ms for at most `ms` milliseconds; returns `done()`.
template <class F> bool WaitFor(F done, int ms = 2000) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
         !done() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

inline std::string ReadAll(const std::string& path) {
    return ReadWholeFile(path).value_or("");
}

// The warning log goes to `path` in a temporary directory while it lives.
struct LogToTemp {
    TempDir dir;
    std::string path = dir.str() + "/tessaray.log";
    LogToTemp() { SetWarningLogPathForTesting(path); }
    ~LogToTemp() { SetWarningLogPathForTesting(""); }
    std::string Text() const { return ReadAll(path); }
};

// True when the sound server of the test run answers (tests/start-pulse.sh).
bool HaveSoundServer();

// A sound server of the test's own, with the same sine source, reached through
// PULSE_SERVER while it lives; for tests that kill it.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    bool Ok() const { return pid_ > 0; }
    // Kills the daemon. True when every process its start began (daemon, tone feeder,
    // reader: each has the server's runtime directory in its environment) is gone 3 s later.
    bool Kill();

private:
    TempDir dir_;
    std::string run_;
    int pid_ = -1;
    std::string oldServer_;
    bool hadServer_ = false;
};

} // namespace tess::test
