// ALSA capture behind the wave-input device interface. One reading thread per open device
// owns the PCM handle: it fills the queued buffers in order, marks each one done and calls
// the callback. The window thread only changes flags under the device's lock and wakes the
// reader through an eventfd, so every wait here has a bound.
#include "platform/alsa/Mixer.h"
#include "platform/alsa/WaveIn.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tess::platform {
namespace {

constexpr int kQueueSize = 32;
constexpr int kMaxPollFds = 8;
constexpr int kPollSliceMs = 100;
constexpr int kStallMs = 2000; // running without a single frame: the device is gone
constexpr auto kStopWait = std::chrono::milliseconds(1000);

long NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

snd_pcm_format_t AlsaFormat(const WaveFormat& f) {
    switch (f.bitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

class AlsaWaveInDevice final : public WaveInDevice {
public:
    AlsaWaveInDevice(snd_pcm_t* pcm, const WaveFormat& f, WaveInProc proc, void* instance,
                     int wakeFd)
        : pcm_(pcm), format_(f), proc_(proc), instance_(instance), wakeFd_(wakeFd) {
        reader_ = std::thread([this] { Loop(); });
    }

    ~AlsaWaveInDevice() override {
        Reset();
        {
            std::lock_guard lk(m_);
            quit_ = true;
        }
        cv_.notify_all();
        Poke();
        reader_.join();
        snd_pcm_close(pcm_);
        close(wakeFd_);
    }

    int Prepare(WaveHeader* h) override {
        if (!h || !h->data || h->bufferLength == 0)
            return kWaveInvalidParam;
        std::lock_guard lk(m_);
        h->flags.fetch_or(kWavePrepared);
        return kWaveOk;
    }

    int Unprepare(WaveHeader* h) override {
        if (!h)
            return kWaveInvalidParam;
        std::lock_guard lk(m_);
        if (h->flags.load() & kWaveInQueue)
            return kWaveStillQueued;
        h->flags.fetch_and(~kWavePrepared);
        return kWaveOk;
    }

    int Add(WaveHeader* h) override {
        if (!h)
            return kWaveInvalidParam;
        {
            std::lock_guard lk(m_);
            uint32_t fl = h->flags.load();
            if (!(fl & kWavePrepared))
                return kWaveUnprepared;
            if (fl & kWaveInQueue)
                return kWaveStillQueued;
            if (count_ == kQueueSize)
                return kWaveError;
            h->bytesRecorded.store(0);
            h->flags.store((fl & ~kWaveDone) | kWaveInQueue);
            queue_[(head_ + count_) % kQueueSize] = h;
            ++count_;
        }
        cv_.notify_all();
        return kWaveOk;
    }

    int Start() override {
        {
            std::lock_guard lk(m_);
            if (failed_)
                return kWaveError;
            running_ = true;
        }
        cv_.notify_all();
        return kWaveOk;
    }

    int Stop() override {
        std::unique_lock lk(m_);
        if (!HaltLocked(lk))
            return kWaveError;
        // A partly filled buffer goes back with what it holds; empty ones stay queued.
        if (count_ > 0 && queue_[head_]->bytesRecorded.load() > 0)
            CompleteFrontLocked();
        return kWaveOk;
    }

    int Reset() override {
        std::unique_lock lk(m_);
        bool halted = HaltLocked(lk);
        while (count_ > 0)
            CompleteFrontLocked();
        return halted ? kWaveOk : kWaveError;
    }

    bool Failed() const override {
        std::lock_guard lk(m_);
        return failed_;
    }

    std::string FailureText() const override {
        std::lock_guard lk(m_);
        return failureText_;
    }

private:
    void Poke() {
        uint64_t one = 1;
        ssize_t n = write(wakeFd_, &one, sizeof one);
        (void)n;
    }

    // Stops the reader and waits (bounded) until it holds no buffer and the PCM is dropped.
    bool HaltLocked(std::unique_lock<std::mutex>& lk) {
        running_ = false;
        cv_.notify_all();
        Poke();
        return cv_.wait_for(lk, kStopWait, [this] { return !busy_ && !pcmStarted_; });
    }

    void CompleteFrontLocked() {
        WaveHeader* h = queue_[head_];
        head_ = (head_ + 1) % kQueueSize;
        --count_;
        uint32_t fl = h->flags.load();
        h->flags.store((fl & ~kWaveInQueue) | kWaveDone, std::memory_order_release);
        proc_(instance_, kWimData, h);
    }

    void FailLocked(const char* what, int err) {
        failed_ = true;
        failureText_ = std::string(what) + ": " + snd_strerror(err);
        if (count_ > 0 && queue_[head_]->bytesRecorded.load() > 0)
            CompleteFrontLocked();
        if (pcmStarted_) {
            snd_pcm_drop(pcm_);
            pcmStarted_ = false;
        }
        proc_(instance_, kWimError, nullptr);
        cv_.notify_all();
    }

    // Reads into `h` what the device has, waiting at most one poll slice. Returns 1 when the
    // buffer is full, 0 to go on, a negative ALSA error when the device failed.
    int FillSome(WaveHeader* h) {
        uint32_t have = h->bytesRecorded.load();
        snd_pcm_uframes_t want = (h->bufferLength - have) / format_.blockAlign;
        if (want == 0)
            return 1;
        snd_pcm_sframes_t r = snd_pcm_readi(pcm_, h->data + have, want);
        if (r > 0) {
            lastDataMs_ = NowMs();
            have += static_cast<uint32_t>(r) * format_.blockAlign;
            h->bytesRecorded.store(have);
            return have + format_.blockAlign > h->bufferLength ? 1 : 0;
        }
        if (r == -EPIPE || r == -ESTRPIPE) { // overrun: the sound while no buffer was free is lost
            int e = snd_pcm_prepare(pcm_);
            if (e < 0)
                return e;
            e = snd_pcm_start(pcm_);
            return e < 0 ? e : 0;
        }
        if (r != -EAGAIN && r != 0 && r != -EINTR)
            return static_cast<int>(r);
        if (NowMs() - lastDataMs_ > kStallMs)
            return -ENODEV;
        pollfd fds[kMaxPollFds + 1];
        int n = snd_pcm_poll_descriptors(pcm_, fds, kMaxPollFds);
        if (n < 0)
            return n;
        fds[n].fd = wakeFd_;
        fds[n].events = POLLIN;
        fds[n].revents = 0;
        int pr = poll(fds, n + 1, kPollSliceMs);
        if (pr > 0 && (fds[n].revents & POLLIN)) {
            uint64_t v;
            ssize_t rd = read(wakeFd_, &v, sizeof v);
            (void)rd;
        }
        if (pr > 0 && n > 0) {
            unsigned short rev = 0;
            if (snd_pcm_poll_descriptors_revents(pcm_, fds, n, &rev) < 0 || (rev & POLLERR) ||
                (rev & POLLHUP)) {
                snd_pcm_state_t st = snd_pcm_state(pcm_);
                if (st == SND_PCM_STATE_DISCONNECTED)
                    return -ENODEV;
                if (st == SND_PCM_STATE_XRUN)
                    return 0; // the next read reports and recovers
            }
        }
        return 0;
    }

    void Loop() {
        std::unique_lock lk(m_);
        for (;;) {
            if (quit_)
                break;
            if (!running_ || failed_) {
                if (pcmStarted_) {
                    snd_pcm_drop(pcm_);
                    pcmStarted_ = false;
                }
                cv_.notify_all();
                cv_.wait(lk, [this] { return quit_ || (running_ && !failed_); });
                continue;
            }
            if (!pcmStarted_) {
                int e = snd_pcm_prepare(pcm_);
                if (e >= 0)
                    e = snd_pcm_start(pcm_);
                if (e < 0) {
                    FailLocked("cannot start capture", e);
                    continue;
                }
                pcmStarted_ = true;
                lastDataMs_ = NowMs();
            }
            if (count_ == 0) {
                // No buffer queued: the device overruns and the sound of that time is lost.
                cv_.wait_for(lk, std::chrono::milliseconds(kPollSliceMs));
                if (count_ == 0 && running_)
                    lastDataMs_ = NowMs();
                continue;
            }
            WaveHeader* h = queue_[head_];
            busy_ = true;
            lk.unlock();
            int r = FillSome(h);
            lk.lock();
            busy_ = false;
            if (r < 0) {
                FailLocked("capture failed", r);
                continue;
            }
            if (r == 1 && count_ > 0 && queue_[head_] == h)
                CompleteFrontLocked();
            if (!running_)
                cv_.notify_all();
        }
        if (pcmStarted_) {
            snd_pcm_drop(pcm_);
            pcmStarted_ = false;
        }
    }

    snd_pcm_t* pcm_;
    WaveFormat format_;
    WaveInProc proc_;
    void* instance_;
    int wakeFd_;
    mutable std::mutex m_;
    std::condition_variable cv_;
    WaveHeader* queue_[kQueueSize] = {};
    int head_ = 0;
    int count_ = 0;
    bool running_ = false;
    bool pcmStarted_ = false;
    bool busy_ = false;
    bool failed_ = false;
    bool quit_ = false;
    long lastDataMs_ = 0;
    std::string failureText_;
    std::thread reader_;
};

// Capture devices as (ALSA name, product name).
std::vector<std::pair<std::string, std::string>> ListDevices() {
    std::vector<std::pair<std::string, std::string>> out;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return out;
    for (void** p = hints; *p; ++p) {
        char* name = snd_device_name_get_hint(*p, "NAME");
        char* desc = snd_device_name_get_hint(*p, "DESC");
        char* io = snd_device_name_get_hint(*p, "IOID");
        if (name && (!io || std::strcmp(io, "Input") == 0)) {
            std::string n = name;
            bool wanted =
                n == "pulse" || n == "pipewire" || n == "jack" || n.rfind("plughw:", 0) == 0;
            if (wanted) {
                std::string d = desc ? desc : n;
                auto nl = d.find('\n');
                if (nl != std::string::npos)
                    d.resize(nl);
                out.emplace_back(n, d);
            }
        }
        free(name);
        free(desc);
        free(io);
    }
    snd_device_name_free_hint(hints);
    return out;
}

class AlsaSystem final : public WaveInSystem {
public:
    int DeviceCount() override {
        std::lock_guard lk(m_);
        devices_ = ListDevices();
        return static_cast<int>(devices_.size());
    }

    bool DeviceName(int id, std::string* name) override {
        std::lock_guard lk(m_);
        if (id == -1) {
            *name = "Default sound input";
            return true;
        }
        if (devices_.empty())
            devices_ = ListDevices();
        if (id < 0 || id >= static_cast<int>(devices_.size()))
            return false;
        *name = devices_[id].second;
        return true;
    }

    std::unique_ptr<WaveInDevice> Open(int id, const WaveFormat& f, WaveInProc proc, void* instance,
                                       int* error) override {
        std::string alsaName;
        {
            std::lock_guard lk(m_);
            if (id == -1) {
                alsaName = "default";
            } else {
                if (devices_.empty())
                    devices_ = ListDevices();
                if (id < 0 || id >= static_cast<int>(devices_.size())) {
                    *error = kWaveBadDeviceId;
                    return nullptr;
                }
                alsaName = devices_[id].first;
            }
        }
        snd_pcm_format_t af = AlsaFormat(f);
        if (f.formatTag != 1 || af == SND_PCM_FORMAT_UNKNOWN || f.channels == 0 ||
            f.blockAlign != f.channels * ((f.bitsPerSample + 7) / 8) || f.samplesPerSec == 0) {
            *error = kWaveBadFormat;
            return nullptr;
        }
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, alsaName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) {
            *error = kWaveBadDeviceId;
            return nullptr;
        }
        snd_pcm_hw_params_t* hw = nullptr;
        snd_pcm_hw_params_alloca(&hw);
        unsigned rate = f.samplesPerSec;
        unsigned bufferUs = 1000000, periodUs = 50000;
        bool ok = snd_pcm_hw_params_any(pcm, hw) >= 0 &&
                  snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) >= 0 &&
                  snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
                  snd_pcm_hw_params_set_format(pcm, hw, af) >= 0 &&
                  snd_pcm_hw_params_set_channels(pcm, hw, f.channels) >= 0 &&
                  snd_pcm_hw_params_set_rate(pcm, hw, rate, 0) >= 0;
        if (ok) {
            snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
            snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
            ok = snd_pcm_hw_params(pcm, hw) >= 0;
        }
        if (!ok) {
            snd_pcm_close(pcm);
            *error = kWaveBadFormat;
            return nullptr;
        }
        int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (fd < 0) {
            snd_pcm_close(pcm);
            *error = kWaveError;
            return nullptr;
        }
        *error = kWaveOk;
        return std::make_unique<AlsaWaveInDevice>(pcm, f, proc, instance, fd);
    }

private:
    std::mutex m_;
    std::vector<std::pair<std::string, std::string>> devices_;
};

} // namespace

void PreparePulseClient() {
    // The PulseAudio plug-in keeps a shared-memory block of the server acquired while a
    // fragment is part-read; when the server dies, the client library waits for that block
    // under its own lock and the reading thread waits for the lock: both hang. Without the
    // client's memory pool the sound comes over the socket, and a vanished server is an
    // error that the reading thread sees. Set once, before any sound client exists.
    static const bool done = [] {
        setenv("PULSE_MEMPOOL_DISABLE", "1", 0);
        return true;
    }();
    (void)done;
}

std::string AlsaMixerNameForWaveIn(int id) {
    if (id < 0)
        return "default";
    auto devices = ListDevices();
    if (id >= static_cast<int>(devices.size()))
        return "default";
    const std::string& n = devices[id].first;
    // "plughw:CARD=X,DEV=0" -> "hw:CARD=X"; the sound servers have their own mixer.
    if (n.rfind("plughw:", 0) == 0) {
        std::string card = n.substr(7);
        auto comma = card.find(',');
        if (comma != std::string::npos)
            card.resize(comma);
        return "hw:" + card;
    }
    return n;
}

WaveInSystem& AlsaWaveInSystem() {
    PreparePulseClient();
    static AlsaSystem sys;
    return sys;
}

} // namespace tess::platform
