#pragma once
// Shared pieces of the audio tests: a recording sink, a private sound server, wx state.
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "media/MediaFile.h"
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
        ++writes_;
        cv_.notify_all();
        return bytes;
    }
    std::vector<char> Bytes() {
        std::lock_guard lk(m_);
        return bytes_;
    }
    int Writes() {
        std::lock_guard lk(m_);
        return writes_;
    }
    // Waits until at least `n` bytes arrived or `ms` passed.
    bool WaitForBytes(size_t n, int ms) {
        std::unique_lock lk(m_);
        return cv_.wait_for(lk, std::chrono::milliseconds(ms), [&] { return bytes_.size() >= n; });
    }
    void SetFormat(const AudioFormat& f) { audioFormat_ = f; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<char> bytes_;
    int writes_ = 0;
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
