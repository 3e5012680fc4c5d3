#include "platform/alsa/WaveOut.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/alsa/WaveIn.h"

namespace tess::platform {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The one player of the process. It is never destroyed (a thread that outlived the wait
// at exit may still use it); at exit the program waits a little for a clip to end.
struct Player {
    std::mutex lock;
    std::condition_variable ended;
    bool busy = false;
    std::thread thread;
    WaveOutStats stats;
};

Player& ThePlayer() {
    static Player* player = [] {
        auto* p = new Player;
        std::atexit([] {
            Player& pl = ThePlayer();
            std::unique_lock<std::mutex> l(pl.lock);
            pl.ended.wait_for(l, std::chrono::seconds(1), [&pl] { return !pl.busy; });
            if (pl.thread.joinable()) {
                if (pl.busy) {
                    pl.thread.detach();
                } else {
                    std::thread t = std::move(pl.thread);
                    l.unlock();
                    t.join();
                }
            }
        });
        return p;
    }();
    return *player;
}

// Plays the clip; an empty text when every sample reached the device, else why not.
std::string Play(const std::string& device, const WaveClip& clip) {
    using Clock = std::chrono::steady_clock;
    const size_t frames = clip.samples.size() / clip.frameBytes();
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(2000 + frames * 1000 / clip.rate);

    snd_pcm_t* pcm = nullptr;
    // Non-blocking from the start: a device held by another program fails at once instead
    // of waiting for it.
    int rc = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0)
        return std::string("cannot open sound output \"") + device + "\": " + snd_strerror(rc);
    rc = snd_pcm_set_params(pcm, clip.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                            SND_PCM_ACCESS_RW_INTERLEAVED, clip.channels, clip.rate, 1, 100000);
    if (rc < 0) {
        snd_pcm_close(pcm);
        return std::string("sound output refuses the clip's format: ") + snd_strerror(rc);
    }
    std::string error;
    const uint8_t* p = clip.samples.data();
    size_t left = frames;
    while (left > 0 && error.empty()) {
        if (Clock::now() > deadline) {
            error = "sound output stopped taking samples";
            break;
        }
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, p, left);
        if (n == -EAGAIN) {
            snd_pcm_wait(pcm, 50);
        } else if (n < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0)
                error = std::string("sound output failed: ") + snd_strerror(static_cast<int>(n));
        } else {
            p += static_cast<size_t>(n) * clip.frameBytes();
            left -= static_cast<size_t>(n);
        }
    }
    if (error.empty()) {
        // A clip shorter than the start threshold has not started yet.
        if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(pcm);
        // Let the device play out what it holds, but never past the deadline.
        while (Clock::now() < deadline && snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING) {
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_delay(pcm, &delay) < 0 || delay <= 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    return error;
}

} // namespace

std::optional<WaveClip> ParseWave(std::span<const uint8_t> file) {
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WaveClip clip;
    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const uint8_t* chunk = file.data() + pos;
        const size_t size = Le32(chunk + 4);
        const size_t body = pos + 8;
        const size_t avail = file.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || avail < 16)
                return std::nullopt;
            const uint8_t* f = chunk + 8;
            if (Le16(f) != 1) // PCM only
                return std::nullopt;
            clip.channels = Le16(f + 2);
            clip.rate = Le32(f + 4);
            clip.bits = Le16(f + 14);
            if ((clip.channels != 1 && clip.channels != 2) || (clip.bits != 8 && clip.bits != 16) ||
                clip.rate < 1000 || clip.rate > 192000)
                return std::nullopt;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;
            size_t n = size < avail ? size : avail;
            n -= n % clip.frameBytes();
            if (n == 0)
                return std::nullopt;
            clip.samples = file.subspan(body, n);
            return clip;
        }
        if (size > avail)
            break;
        pos = body + size + (size & 1); // chunks are padded to even sizes
    }
    return std::nullopt;
}

bool PlayWaveAsync(std::span<const uint8_t> file, const std::string& device) {
    if (!ParseWave(file))
        return false;
    Player& pl = ThePlayer();
    std::unique_lock<std::mutex> l(pl.lock);
    if (pl.busy)
        return false;
    if (pl.thread.joinable())
        pl.thread.join(); // already finished: busy is cleared as its last step
    PreparePulseClient();
    pl.busy = true;
    ++pl.stats.started;
    auto bytes = std::make_shared<std::vector<uint8_t>>(file.begin(), file.end());
    pl.thread = std::thread([bytes, device] {
        std::string error = Play(device, *ParseWave(*bytes));
        Player& p = ThePlayer();
        std::lock_guard<std::mutex> g(p.lock);
        if (error.empty()) {
            ++p.stats.played;
        } else {
            ++p.stats.failed;
            p.stats.lastError = error;
        }
        p.busy = false;
        p.ended.notify_all();
    });
    return true;
}

bool WaitForWaveOut(int timeoutMs) {
    Player& pl = ThePlayer();
    std::unique_lock<std::mutex> l(pl.lock);
    return pl.ended.wait_for(l, std::chrono::milliseconds(timeoutMs), [&pl] { return !pl.busy; });
}

WaveOutStats GetWaveOutStats() {
    Player& pl = ThePlayer();
    std::lock_guard<std::mutex> g(pl.lock);
    return pl.stats;
}

} // namespace tess::platform
