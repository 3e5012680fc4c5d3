#include "audio/MixedSound.h"

#include "audio/SWaveIn.h"
#include "audio/SoundMix.h"
#include "audio/SoundTiming.h"
#include "platform/Log.h"
#include "platform/Translate.h"
#include "platform/pulse/PulseSources.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tess {

namespace {

// What each source keeps queued against its clock: more than the wave input's buffers (a
// fifth of a second each), so the queue never runs dry between two of them.
constexpr uint32_t kQueueMs = 250;
// How much sound each source hands over at once: the wave input a buffer of a fifth of a
// second, the desktop's capture a fragment of 20 ms. A source's sound is heard its queue
// plus one of these after it was played (see ClockedSource): the desktop queues the
// difference more when both are mixed, so the two stay together.
constexpr uint32_t kMicrophoneBurstMs = 200;
constexpr uint32_t kDesktopBurstMs = 20;
constexpr auto kTick = std::chrono::milliseconds(20);

// A source kept on the recording's clock, fed from its own thread.
struct Feed {
    std::mutex mu;
    std::unique_ptr<ClockedSource> clocked;
    void Push(const int16_t* frames, size_t count) {
        std::lock_guard lock(mu);
        clocked->Push(frames, count);
    }
    bool Ready() {
        std::lock_guard lock(mu);
        return clocked->queued() >= clocked->targetFrames();
    }
    size_t Queued() {
        std::lock_guard lock(mu);
        return clocked->queued();
    }
    void Trim() {
        std::lock_guard lock(mu);
        clocked->TrimToTarget();
    }
    void Pull(float* out, size_t frames) {
        std::lock_guard lock(mu);
        clocked->Pull(out, frames);
    }
};

// The wave input's sink: its buffers go into the microphone's feed.
class MicrophoneSink : public MediaFile {
public:
    explicit MicrophoneSink(Feed& feed) : MediaFile("microphone"), feed_(feed) {}
    size_t WriteAudio(const void* data, size_t bytes) override {
        feed_.Push(static_cast<const int16_t*>(data), bytes / 4);
        return bytes;
    }

private:
    Feed& feed_;
};

} // namespace

SoundPlan PlanSound(const SoundChoice& choice) {
    SoundPlan plan;
    plan.desktopSource = choice.desktopSource;
    if (!choice.desktop())
        return plan;
    const pulse::MonitorList list = pulse::ListMonitorSources();
    if (!list.error.empty()) {
        plan.desktopSource.clear();
        return plan;
    }
    auto at = [&](const std::string& name) {
        return std::find_if(list.monitors.begin(), list.monitors.end(),
                            [&](const pulse::SoundSource& s) { return s.name == name; });
    };
    auto it = at(plan.desktopSource);
    if (!plan.desktopSource.empty() && it == list.monitors.end()) {
        LogWarning("The desktop's sound source \"%s\" is not there: the monitor of the default "
                   "output is recorded instead.",
                   plan.desktopSource.c_str());
        plan.desktopSource.clear();
    }
    if (plan.desktopSource.empty())
        it = at(list.defaultMonitor);
    if (it != list.monitors.end())
        plan.rate = pulse::CaptureRateFor(it->rate);
    return plan;
}

struct MixedSound::Impl {
    MediaFile* sink;
    SoundChoice choice;
    SoundPlan plan;
    std::string microphoneDevice;
    DesktopServices* desktop;

    Feed mic, desk;
    std::unique_ptr<MicrophoneSink> micSink;
    std::unique_ptr<SWaveIn> waveIn;
    std::unique_ptr<pulse::SourceCapture> capture;
    std::thread mixer;
    std::mutex mu;
    std::condition_variable cv;
    bool quit = false;
    std::atomic<bool> running{false};
    std::atomic<int> level{0};
    std::mutex writeMu;          // held while the mix goes to the sink
    bool paused = false;         // under writeMu
    uint32_t delayMs = kQueueMs; // from a sound heard to its place in the mix

    void Mix();
};

MixedSound::MixedSound(MediaFile* sink, const SoundChoice& choice, const SoundPlan& plan,
                       std::string microphoneDevice, DesktopServices* desktop)
    : d_(std::make_unique<Impl>()) {
    d_->sink = sink;
    d_->choice = choice;
    d_->plan = plan;
    d_->microphoneDevice = std::move(microphoneDevice);
    d_->desktop = desktop;
}

MixedSound::~MixedSound() {
    Stop();
}

bool MixedSound::Start(std::string* error) {
    Impl& d = *d_;
    const uint32_t rate = d.plan.rate;
    const uint32_t total =
        kQueueMs + (d.choice.microphone() ? kMicrophoneBurstMs : kDesktopBurstMs);
    d.delayMs = total;
    d.mic.clocked = std::make_unique<ClockedSource>(rate, rate, 2, total - kMicrophoneBurstMs);
    d.desk.clocked = std::make_unique<ClockedSource>(rate, rate, 2, total - kDesktopBurstMs);
    if (d.choice.desktop()) {
        d.capture = std::make_unique<pulse::SourceCapture>();
        std::string why;
        if (!d.capture->Start(
                d.plan.desktopSource, [&d](const int16_t* f, size_t n) { d.desk.Push(f, n); },
                &why)) {
            if (error)
                // TRANSLATORS: the reason a recording did not start or has no sound; %s is
                // the sound server's reason
                *error =
                    FormatText(Tr("the desktop's sound could not be recorded (%s)"), why.c_str());
            d.capture.reset();
            return false;
        }
    }
    if (d.choice.microphone()) {
        d.micSink = std::make_unique<MicrophoneSink>(d.mic);
        d.waveIn =
            std::make_unique<SWaveIn>(d.micSink.get(), d.microphoneDevice, nullptr, d.desktop);
        AudioFormat f;
        f.channels = 2;
        f.samplesPerSec = rate;
        f.blockAlign = 4;
        f.avgBytesPerSec = rate * 4;
        if (!d.waveIn->Start(&f)) {
            if (error)
                // TRANSLATORS: the reason a recording did not start or has no sound
                *error = Tr("the sound input could not be started");
            Stop();
            return false;
        }
    }
    d.running.store(true);
    d.mixer = std::thread([&d] { d.Mix(); });
    return true;
}

// Every tick, as many mixed frames as the clock asks for since the sources became ready. The
// file is told the sound's delay (a queue and a burst), so the sound lands where it was heard.
void MixedSound::Impl::Mix() {
    const uint32_t rate = plan.rate;
    SoundMixer mix(rate, 2, choice.balance);
    sink->SetSoundDelay(static_cast<int64_t>(delayMs) * 10000);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point from;
    uint64_t written = 0;
    bool waiting = true;
    bool resumed = false;
    std::vector<float> a, b, scratch;
    std::vector<int16_t> out;
    const auto write = [&](size_t frames) {
        a.resize(frames * 2);
        b.resize(frames * 2);
        scratch.resize(frames * 2);
        out.resize(frames * 2);
        if (choice.microphone())
            mic.Pull(a.data(), frames);
        if (choice.desktop())
            desk.Pull(b.data(), frames);
        mix.Mix(choice.microphone() ? a.data() : nullptr, choice.desktop() ? b.data() : nullptr,
                frames, scratch.data(), out.data());
        const uint32_t peak = mix.lastPeak();
        level.store(static_cast<int>(std::max(peak >> 8, peak & 0xff)));
        sink->WriteAudio(out.data(), out.size() * 2);
        written += frames;
    };
    std::unique_lock lock(mu);
    while (!quit) {
        cv.wait_for(lock, kTick);
        if (quit)
            break;
        lock.unlock();
        const auto now = std::chrono::steady_clock::now();
        if (waiting) {
            const bool ready =
                (!choice.microphone() || mic.Ready()) && (!choice.desktop() || desk.Ready());
            if (ready || now - start > std::chrono::seconds(1)) {
                // The source that came first has queued more than its target: trimmed, so
                // both are heard together.
                waiting = false;
                mic.Trim();
                desk.Trim();
                // Sources that sent nothing for that second (an idle output sends nothing) are
                // silence from the start, less the delay the file places the sound by: a
                // sound-only file keeps the recording's length.
                const bool heard = (choice.microphone() && mic.Queued() > 0) ||
                                   (choice.desktop() && desk.Queued() > 0);
                from = (heard ? now : start + std::chrono::milliseconds(delayMs)) - kTick;
            }
        }
        std::unique_lock hold(writeMu);
        if (paused) {
            // Nothing is written; what the sources send meanwhile is let go.
            mic.Trim();
            desk.Trim();
            resumed = true;
            hold.unlock();
            lock.lock();
            continue;
        }
        if (resumed && !waiting) {
            resumed = false;
            mic.Trim();
            desk.Trim();
            from = now - kTick;
            written = 0;
        }
        const uint64_t due =
            waiting
                ? 0
                : static_cast<uint64_t>(
                      std::chrono::duration_cast<std::chrono::microseconds>(now - from).count()) *
                      rate / 1000000;
        const size_t frames = static_cast<size_t>(due > written ? due - written : 0);
        if (frames > 0)
            write(frames);
        hold.unlock();
        lock.lock();
    }
    lock.unlock();
    // The sources have stopped: what they still queue was heard before the stop (unless the
    // stop came during a pause).
    std::lock_guard hold(writeMu);
    if (!waiting && !paused) {
        size_t left = SIZE_MAX;
        if (choice.microphone())
            left = std::min(left, mic.Queued());
        if (choice.desktop())
            left = std::min(left, desk.Queued());
        if (left > 0 && left != SIZE_MAX)
            write(left);
    }
}

void MixedSound::Stop() {
    Impl& d = *d_;
    if (d.waveIn)
        d.waveIn->Stop();
    if (d.capture)
        d.capture->Stop();
    {
        std::lock_guard lock(d.mu);
        d.quit = true;
        d.cv.notify_all();
    }
    if (d.mixer.joinable())
        d.mixer.join();
    d.running.store(false);
}

void MixedSound::SetPaused(bool paused) {
    std::lock_guard hold(d_->writeMu);
    d_->paused = paused;
}

int MixedSound::Level() const {
    return d_->level.load();
}

bool MixedSound::Running() const {
    if (!d_->running.load())
        return false;
    return d_->choice.desktop() || (d_->waveIn && d_->waveIn->IsRunning());
}

} // namespace tess
