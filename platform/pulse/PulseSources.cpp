#include "platform/pulse/PulseSources.h"

#include "platform/Log.h"
#include "platform/Translate.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace tess::pulse {

namespace {

using Clock = std::chrono::steady_clock;

// One pass of a main loop, waiting at most `ms` for something to happen.
bool Iterate(pa_mainloop* ml, int ms) {
    return pa_mainloop_prepare(ml, ms * 1000) >= 0 && pa_mainloop_poll(ml) >= 0 &&
           pa_mainloop_dispatch(ml) >= 0;
}

std::string ContextError(pa_context* ctx) {
    return pa_strerror(pa_context_errno(ctx));
}

// The lister's state, filled by the callbacks.
struct Listing {
    MonitorList list;
    std::string defaultSink;
    int pending = 0;
    bool failed = false;
};

void OnSource(pa_context*, const pa_source_info* i, int eol, void* user) {
    auto* l = static_cast<Listing*>(user);
    if (eol) {
        --l->pending;
        return;
    }
    if (i->monitor_of_sink != PA_INVALID_INDEX)
        l->list.monitors.push_back(
            {i->name ? i->name : "", i->description ? i->description : "", i->sample_spec.rate});
}

void OnSinkOfDefault(pa_context*, const pa_sink_info* i, int eol, void* user) {
    auto* l = static_cast<Listing*>(user);
    if (eol) {
        --l->pending;
        return;
    }
    if (i->monitor_source_name)
        l->list.defaultMonitor = i->monitor_source_name;
}

void OnServer(pa_context* ctx, const pa_server_info* i, void* user) {
    auto* l = static_cast<Listing*>(user);
    --l->pending;
    if (i && i->default_sink_name && *i->default_sink_name) {
        if (pa_operation* op =
                pa_context_get_sink_info_by_name(ctx, i->default_sink_name, OnSinkOfDefault, l)) {
            ++l->pending;
            pa_operation_unref(op);
        }
    }
}

} // namespace

uint32_t CaptureRateFor(uint32_t sourceRate) {
    return sourceRate == 44100 ? 44100 : 48000;
}

MonitorList ListMonitorSources(std::chrono::milliseconds timeout) {
    Listing l;
    pa_mainloop* ml = pa_mainloop_new();
    if (!ml) {
        l.list.error = Tr("no memory");
        return l.list;
    }
    pa_context* ctx = pa_context_new(pa_mainloop_get_api(ml), "Tessaray");
    const auto end = Clock::now() + timeout;
    bool asked = false;
    if (ctx && pa_context_connect(ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (Clock::now() < end) {
            const pa_context_state_t s = pa_context_get_state(ctx);
            if (!PA_CONTEXT_IS_GOOD(s)) {
                l.failed = true;
                break;
            }
            if (s == PA_CONTEXT_READY && !asked) {
                asked = true;
                if (pa_operation* op = pa_context_get_source_info_list(ctx, OnSource, &l)) {
                    ++l.pending;
                    pa_operation_unref(op);
                }
                if (pa_operation* op = pa_context_get_server_info(ctx, OnServer, &l)) {
                    ++l.pending;
                    pa_operation_unref(op);
                }
            }
            if (asked && l.pending == 0)
                break;
            if (!Iterate(ml, 50))
                break;
        }
        if (!asked || l.pending != 0)
            l.list.error =
                l.failed ? ContextError(ctx) : Tr("the sound server did not answer in time");
    } else {
        l.list.error = ctx ? ContextError(ctx) : Tr("no memory");
    }
    if (!l.list.error.empty()) {
        l.list.monitors.clear();
        l.list.defaultMonitor.clear();
    }
    if (ctx) {
        pa_context_disconnect(ctx);
        pa_context_unref(ctx);
    }
    pa_mainloop_free(ml);
    return l.list;
}

struct SourceCapture::Impl {
    // Set before the thread starts, read by it.
    std::string requested;
    Sink sink;

    std::thread thread;
    std::atomic<bool> quit{false};
    std::atomic<bool> lost{false};
    std::atomic<uint32_t> rate{48000};

    std::mutex mu;
    std::condition_variable cv;
    pa_mainloop* mainloop = nullptr; // for the wake-up, under mu
    bool started = false;            // the stream runs, under mu
    bool failed = false;             // it never will, under mu
    std::string error;               // under mu
    std::string source;              // under mu

    // The capture thread's own.
    pa_context* ctx = nullptr;
    pa_stream* stream = nullptr;
    bool running = false;
    std::vector<int16_t> silence;

    void Run();
    void RunSilence();
    void Fail(const std::string& why);
    void Lose(const std::string& why);
    void OpenSource(const std::string& name);
    void Deliver(const void* data, size_t bytes);

    static void OnContext(pa_context* c, void* user);
    static void OnServer(pa_context* c, const pa_server_info* i, void* user);
    static void OnDefaultSink(pa_context* c, const pa_sink_info* i, int eol, void* user);
    static void OnSourceInfo(pa_context* c, const pa_source_info* i, int eol, void* user);
    static void OnStream(pa_stream* s, void* user);
    static void OnRead(pa_stream* s, size_t bytes, void* user);
};

void SourceCapture::Impl::Fail(const std::string& why) {
    std::lock_guard lock(mu);
    if (!started && !failed) {
        failed = true;
        error = why;
        cv.notify_all();
    }
}

void SourceCapture::Impl::Lose(const std::string& why) {
    {
        std::lock_guard lock(mu);
        if (!started) {
            if (!failed) {
                failed = true;
                error = why;
                cv.notify_all();
            }
            return;
        }
    }
    std::string name;
    {
        std::lock_guard lock(mu);
        name = source;
    }
    if (!lost.exchange(true))
        LogWarning("The desktop's sound source \"%s\" went away (%s): silence is recorded in "
                   "its place.",
                   name.c_str(), why.c_str());
}

void SourceCapture::Impl::Deliver(const void* data, size_t bytes) {
    const size_t frames = bytes / (2 * kChannels);
    if (frames == 0 || !sink)
        return;
    if (data) {
        // The stream's memory blocks are aligned for their sample format.
        sink(static_cast<const int16_t*>(data), frames);
        return;
    }
    // A hole in the stream: silence of its length.
    silence.assign(frames * kChannels, 0);
    sink(silence.data(), frames);
}

void SourceCapture::Impl::OnContext(pa_context* c, void* user) {
    auto* d = static_cast<Impl*>(user);
    switch (pa_context_get_state(c)) {
    case PA_CONTEXT_READY: {
        if (d->requested.empty()) {
            if (pa_operation* op = pa_context_get_server_info(c, OnServer, d))
                pa_operation_unref(op);
            else
                d->Fail(ContextError(c));
        } else {
            d->OpenSource(d->requested);
        }
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        d->Lose("the sound server went away: " + ContextError(c));
        d->running = false;
        break;
    default:
        break;
    }
}

void SourceCapture::Impl::OnServer(pa_context* c, const pa_server_info* i, void* user) {
    auto* d = static_cast<Impl*>(user);
    if (!i || !i->default_sink_name || !*i->default_sink_name)
        return d->Fail(Tr("the sound server has no default output"));
    if (pa_operation* op =
            pa_context_get_sink_info_by_name(c, i->default_sink_name, OnDefaultSink, d))
        pa_operation_unref(op);
    else
        d->Fail(ContextError(c));
}

void SourceCapture::Impl::OnDefaultSink(pa_context*, const pa_sink_info* i, int eol, void* user) {
    auto* d = static_cast<Impl*>(user);
    if (eol) {
        bool open;
        {
            std::lock_guard lock(d->mu);
            open = !d->source.empty();
        }
        if (!open)
            d->Fail(Tr("the default output has no monitor"));
        return;
    }
    if (i->monitor_source_name && *i->monitor_source_name)
        d->OpenSource(i->monitor_source_name);
}

void SourceCapture::Impl::OpenSource(const std::string& name) {
    {
        std::lock_guard lock(mu);
        source = name;
    }
    if (pa_operation* op =
            pa_context_get_source_info_by_name(ctx, name.c_str(), OnSourceInfo, this))
        pa_operation_unref(op);
    else
        Fail(ContextError(ctx));
}

void SourceCapture::Impl::OnSourceInfo(pa_context* c, const pa_source_info* i, int eol,
                                       void* user) {
    auto* d = static_cast<Impl*>(user);
    if (eol || !i) {
        if (!d->stream)
            d->Fail(d->requested.empty()
                        ? std::string(Tr("no such source: the default output's monitor"))
                        : FormatText(Tr("no such source: %s"), d->requested.c_str()));
        return;
    }
    if (d->stream)
        return;
    d->rate.store(CaptureRateFor(i->sample_spec.rate));
    pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, d->rate.load(), kChannels};
    d->stream = pa_stream_new(c, "Tessaray desktop sound", &sampleFormat, nullptr);
    if (!d->stream)
        return d->Fail(ContextError(c));
    pa_stream_set_state_callback(d->stream, OnStream, d);
    pa_stream_set_read_callback(d->stream, OnRead, d);
    // Fragments of 20 ms: sound arrives steadily rather than in bursts of the server's
    // default (up to two seconds).
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(20000, &sampleFormat));
    // The stream stays on its source: when that goes, the stream fails (and silence is
    // recorded) rather than moving to whatever the server picks.
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(d->stream, i->name, &attr, flags) < 0)
        d->Fail(ContextError(c));
}

void SourceCapture::Impl::OnStream(pa_stream* s, void* user) {
    auto* d = static_cast<Impl*>(user);
    switch (pa_stream_get_state(s)) {
    case PA_STREAM_READY: {
        std::lock_guard lock(d->mu);
        d->started = true;
        d->cv.notify_all();
        break;
    }
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        d->Lose("the source stopped: " + ContextError(pa_stream_get_context(s)));
        d->running = false;
        break;
    default:
        break;
    }
}

void SourceCapture::Impl::OnRead(pa_stream* s, size_t, void* user) {
    auto* d = static_cast<Impl*>(user);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
        d->Deliver(data, bytes);
        pa_stream_drop(s);
    }
}

void SourceCapture::Impl::Run() {
    pa_mainloop* ml = pa_mainloop_new();
    if (!ml)
        return Fail(Tr("no memory"));
    {
        std::lock_guard lock(mu);
        mainloop = ml;
    }
    ctx = pa_context_new(pa_mainloop_get_api(ml), "Tessaray");
    if (!ctx) {
        Fail(Tr("no memory"));
    } else {
        pa_context_set_state_callback(ctx, OnContext, this);
        if (pa_context_connect(ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            Fail(ContextError(ctx));
        } else {
            running = true;
            while (running && !quit.load())
                if (!Iterate(ml, 100))
                    break;
        }
    }
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
    if (ctx) {
        pa_context_set_state_callback(ctx, nullptr, nullptr);
        pa_context_disconnect(ctx);
        pa_context_unref(ctx);
        ctx = nullptr;
    }
    {
        std::lock_guard lock(mu);
        mainloop = nullptr;
    }
    pa_mainloop_free(ml);
    if (!quit.load() && lost.load())
        RunSilence();
}

// After a loss: silence at the capture's rate, as the steady clock goes on.
void SourceCapture::Impl::RunSilence() {
    const auto from = Clock::now();
    const uint32_t r = rate.load();
    uint64_t given = 0;
    std::vector<int16_t> zeros;
    std::unique_lock lock(mu);
    while (!quit.load()) {
        cv.wait_for(lock, std::chrono::milliseconds(20));
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - from).count();
        const uint64_t due = static_cast<uint64_t>(us) * r / 1000000;
        if (due <= given)
            continue;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(due - given, r));
        given += n;
        zeros.assign(n * kChannels, 0);
        lock.unlock();
        if (sink)
            sink(zeros.data(), n);
        lock.lock();
    }
}

SourceCapture::SourceCapture() : d_(std::make_unique<Impl>()) {}

SourceCapture::~SourceCapture() {
    Stop();
}

bool SourceCapture::Start(const std::string& source, Sink sink, std::string* error,
                          std::chrono::milliseconds timeout) {
    Stop();
    d_ = std::make_unique<Impl>();
    d_->requested = source;
    d_->sink = std::move(sink);
    Impl* d = d_.get();
    d->thread = std::thread([d] { d->Run(); });
    bool ok;
    {
        std::unique_lock lock(d->mu);
        d->cv.wait_for(lock, timeout, [d] { return d->started || d->failed; });
        ok = d->started;
        if (!ok && error)
            *error = d->failed ? d->error : Tr("the sound server did not answer in time");
    }
    if (!ok)
        Stop();
    return ok;
}

void SourceCapture::Stop() {
    if (!d_->thread.joinable())
        return;
    {
        std::lock_guard lock(d_->mu);
        d_->quit.store(true);
        if (d_->mainloop)
            pa_mainloop_wakeup(d_->mainloop);
        d_->cv.notify_all();
    }
    d_->thread.join();
}

uint32_t SourceCapture::rate() const {
    return d_->rate.load();
}

std::string SourceCapture::sourceName() const {
    std::lock_guard lock(d_->mu);
    return d_->source;
}

bool SourceCapture::lost() const {
    return d_->lost.load();
}

} // namespace tess::pulse
