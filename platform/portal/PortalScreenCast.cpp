#include "platform/portal/PortalScreenCast.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <pipewire/pipewire.h>
#include <spa/buffer/buffer.h>
#include <spa/param/param.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/portal/CastSession.h"
#include "platform/portal/StreamParams.h"

namespace tess {

namespace {

using portal::PortalGrant;

constexpr const char* kEndedText = "the screen cast ended (sharing was stopped from the desktop)";

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "10", "0.5": a time limit as the messages give it.
std::string SecondsText(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

std::once_flag g_pipewireInit;

} // namespace

struct PortalScreenCast::Impl {
    PortalCastOptions options;
    std::mutex startMutex; // one start or stop at a time

    // ---- the portal's thread ----
    std::thread portalThread;
    GMainContext* context = nullptr;
    std::atomic<bool> quitPortal{false};
    std::promise<PortalGrant> grantPromise;

    // ---- the stream (PipeWire's thread) ----
    pw_thread_loop* loop = nullptr;
    pw_context* pwContext = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    pw_registry* registry = nullptr;
    uint32_t node = 0;
    spa_hook registryListener{};
    pw_registry_events registryEvents{};
    spa_hook coreListener{};
    spa_hook streamListener{};
    pw_core_events coreEvents{};
    pw_stream_events streamEvents{};
    bool streamWasActive = false;
    int streamFormat = 0; // tess_stream_format_index
    int32_t streamWidth = 0, streamHeight = 0;

    // ---- the newest picture ----
    std::mutex frameMutex;
    std::condition_variable frameArrived;
    std::vector<uint8_t> frame; // BGRx, frameWidth * 4 bytes a row
    int32_t frameWidth = 0, frameHeight = 0;
    uint64_t frames = 0;
    bool haveLogical = false;
    ScreenRect logical;
    std::atomic<bool> unmappable{false}; // buffers came that cannot be read

    std::atomic<bool> running{false};
    // The cursor in the pictures: wanted by the next grabs, and as the running cast has it.
    std::atomic<bool> cursorWish{true};
    std::atomic<bool> castCursor{false};
    std::atomic<bool> embeddingOffered{false};
    std::atomic<int64_t> lastUse{0}; // NowMs() of the latest start or grab
    std::atomic<int> holds{0};
    std::atomic<bool> endedFlag{false};
    mutable std::mutex failureMutex;
    std::string failureText;

    void setFailure(const std::string& text) {
        std::lock_guard lock(failureMutex);
        failureText = text;
    }
    // The cast stopped delivering: the first reason is kept.
    void endWith(const std::string& text) {
        {
            std::lock_guard lock(failureMutex);
            if (failureText.empty())
                failureText = text;
        }
        {
            std::lock_guard lock(frameMutex);
            endedFlag.store(true);
        }
        frameArrived.notify_all();
    }

    static gboolean Tick(gpointer) { return G_SOURCE_CONTINUE; }

    void portalMain() {
        g_main_context_push_thread_default(context);
        // Wakes the loop now and then, so time limits and a stop are seen.
        GSource* tick = g_timeout_source_new(100);
        g_source_set_callback(tick, Tick, nullptr, nullptr);
        g_source_attach(tick, context);

        portal::CastSession session(options, context, quitPortal, cursorWish);
        PortalGrant grant = session.negotiate();
        const bool granted = grant.ok;
        // With a token the cast comes back without a dialog, so an unused one may end.
        const bool mayIdleStop = !grant.token.empty() && options.idleStopMs > 0;
        grantPromise.set_value(std::move(grant));
        if (granted) {
            bool idle = false;
            while (!quitPortal.load() && !session.over() && !idle) {
                g_main_context_iteration(context, TRUE);
                idle = mayIdleStop && running.load() && holds.load() == 0 &&
                       NowMs() - lastUse.load() > options.idleStopMs;
            }
            if (idle)
                endWith("the screen cast was stopped after " + SecondsText(options.idleStopMs) +
                        " seconds without use");
            else if (!quitPortal.load())
                endWith(kEndedText);
        }
        session.close();
        g_source_destroy(tick);
        g_source_unref(tick);
        // Callbacks still queued (signal subscriptions being dropped) are run out here.
        while (g_main_context_iteration(context, FALSE)) {
        }
        g_main_context_pop_thread_default(context);
    }

    void stopPortal() {
        if (portalThread.joinable()) {
            quitPortal.store(true);
            g_main_context_wakeup(context);
            portalThread.join();
        }
        if (context) {
            g_main_context_unref(context);
            context = nullptr;
        }
    }

    // ---- the stream, on PipeWire's thread ----

    static void OnCoreError(void* data, uint32_t id, int, int res, const char* message) {
        if (id == PW_ID_CORE)
            static_cast<Impl*>(data)->endWith(
                std::string("the connection to the screen cast was lost (") +
                (message ? message : std::strerror(-res)) + ")");
    }

    // The cast's node leaving the graph is the end of the cast, whatever the stream does.
    static void OnGlobalRemoved(void* data, uint32_t id) {
        auto* self = static_cast<Impl*>(data);
        if (id == self->node)
            self->endWith(kEndedText);
    }

    static void OnStateChanged(void* data, pw_stream_state, pw_stream_state state,
                               const char* error) {
        auto* self = static_cast<Impl*>(data);
        if (state == PW_STREAM_STATE_ERROR)
            self->endWith(std::string("the screen cast's stream failed (") +
                          (error ? error : "no reason given") + ")");
        else if (state == PW_STREAM_STATE_STREAMING)
            self->streamWasActive = true;
        else if (state == PW_STREAM_STATE_UNCONNECTED && self->streamWasActive)
            self->endWith(kEndedText);
    }

    static void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
        auto* self = static_cast<Impl*>(data);
        uint32_t format = 0, width = 0, height = 0;
        if (!param || id != SPA_PARAM_Format ||
            tess_stream_parse_format(param, &format, &width, &height) != 0)
            return;
        self->streamFormat = tess_stream_format_index(format);
        self->streamWidth = static_cast<int32_t>(width);
        self->streamHeight = static_cast<int32_t>(height);
        uint8_t buffer[512];
        const spa_pod* params[1] = {tess_stream_buffer_params(
            buffer, sizeof buffer, static_cast<int32_t>(width) * 4, static_cast<int32_t>(height))};
        pw_stream_update_params(self->stream, params, 1);
    }

    static void OnProcess(void* data) {
        auto* self = static_cast<Impl*>(data);
        // Only the newest buffer matters; older ones go straight back.
        pw_buffer* newest = nullptr;
        while (pw_buffer* next = pw_stream_dequeue_buffer(self->stream)) {
            if (newest)
                pw_stream_queue_buffer(self->stream, newest);
            newest = next;
        }
        if (!newest)
            return;
        self->takePicture(*newest->buffer);
        pw_stream_queue_buffer(self->stream, newest);
    }

    void takePicture(const spa_buffer& buffer) {
        if (buffer.n_datas < 1 || streamFormat == 0 || streamWidth <= 0 || streamHeight <= 0)
            return;
        const spa_data& d = buffer.datas[0];
        if (!d.data) {
            // DMA-BUF that the driver does not let us map.
            if (tess_stream_data_is_dmabuf(d.type))
                unmappable = true;
            return;
        }
        if (!d.chunk || d.chunk->size == 0 || (d.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
            return;
        const int32_t w = streamWidth, h = streamHeight;
        const int64_t stride = d.chunk->stride > 0 ? d.chunk->stride : int64_t{w} * 4;
        const uint64_t offset = d.chunk->offset % (d.maxsize ? d.maxsize : 1);
        if (offset + static_cast<uint64_t>(stride) * (h - 1) + static_cast<uint64_t>(w) * 4 >
            d.maxsize)
            return; // a buffer smaller than the format says
        const auto* src = static_cast<const uint8_t*>(d.data) + offset;
        const auto format = static_cast<StreamPixelFormat>(streamFormat - 1);
        {
            std::lock_guard lock(frameMutex);
            frame.resize(static_cast<size_t>(w) * h * 4);
            for (int32_t y = 0; y < h; ++y)
                ConvertRowToBgrx(src + y * stride, format, w,
                                 frame.data() + static_cast<size_t>(y) * w * 4);
            frameWidth = w;
            frameHeight = h;
            ++frames;
        }
        frameArrived.notify_all();
    }

    bool openStream(int fd, uint32_t node) {
        std::call_once(g_pipewireInit, [] { pw_init(nullptr, nullptr); });
        loop = pw_thread_loop_new("tessaray-cast", nullptr);
        if (!loop) {
            ::close(fd);
            return false;
        }
        pwContext = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0);
        if (!pwContext || pw_thread_loop_start(loop) < 0) {
            ::close(fd);
            return false;
        }
        pw_thread_loop_lock(loop);
        core = pw_context_connect_fd(pwContext, fd, nullptr, 0); // takes the descriptor
        if (!core) {
            pw_thread_loop_unlock(loop);
            return false;
        }
        coreEvents.version = PW_VERSION_CORE_EVENTS;
        coreEvents.error = OnCoreError;
        pw_core_add_listener(core, &coreListener, &coreEvents, this);
        this->node = node;
        registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
        if (registry) {
            registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
            registryEvents.global_remove = OnGlobalRemoved;
            pw_registry_add_listener(registry, &registryListener, &registryEvents, this);
        }
        stream = pw_stream_new(core, "tessaray",
                               pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                 "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!stream) {
            pw_thread_loop_unlock(loop);
            return false;
        }
        streamEvents.version = PW_VERSION_STREAM_EVENTS;
        streamEvents.state_changed = OnStateChanged;
        streamEvents.param_changed = OnParamChanged;
        streamEvents.process = OnProcess;
        pw_stream_add_listener(stream, &streamListener, &streamEvents, this);
        uint8_t buffer[1024];
        const spa_pod* params[1] = {tess_stream_format_offer(buffer, sizeof buffer)};
        const int r = pw_stream_connect(stream, PW_DIRECTION_INPUT, node,
                                        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                                     PW_STREAM_FLAG_MAP_BUFFERS |
                                                                     PW_STREAM_FLAG_DONT_RECONNECT),
                                        params, 1);
        pw_thread_loop_unlock(loop);
        return r >= 0;
    }

    void closeStream() {
        if (loop)
            pw_thread_loop_stop(loop);
        if (stream) {
            pw_stream_destroy(stream);
            stream = nullptr;
        }
        if (registry) {
            spa_hook_remove(&registryListener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
            registry = nullptr;
        }
        if (core) {
            spa_hook_remove(&coreListener);
            pw_core_disconnect(core);
            core = nullptr;
        }
        if (pwContext) {
            pw_context_destroy(pwContext);
            pwContext = nullptr;
        }
        if (loop) {
            pw_thread_loop_destroy(loop);
            loop = nullptr;
        }
        streamWasActive = false;
        streamFormat = 0;
        streamWidth = streamHeight = 0;
    }

    void stopAll() {
        running.store(false);
        closeStream();
        stopPortal();
    }
};

PortalScreenCast::PortalScreenCast(PortalCastOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    impl_->cursorWish.store(impl_->options.cursor);
}

PortalScreenCast::~PortalScreenCast() {
    stop();
}

void PortalScreenCast::stop() {
    std::lock_guard lock(impl_->startMutex);
    impl_->stopAll();
}

bool PortalScreenCast::start() {
    Impl& d = *impl_;
    std::lock_guard lock(d.startMutex);
    d.lastUse.store(NowMs());
    if (d.running.load() && !d.endedFlag.load())
        return true;
    d.stopAll();
    d.setFailure(std::string());
    ClearScreenSourceInterrupt();
    {
        std::lock_guard frameLock(d.frameMutex);
        d.endedFlag.store(false);
        d.frames = 0;
        d.unmappable = false;
    }

    d.context = g_main_context_new();
    d.quitPortal.store(false);
    d.grantPromise = std::promise<PortalGrant>();
    std::future<PortalGrant> granted = d.grantPromise.get_future();
    d.portalThread = std::thread([&d] { d.portalMain(); });
    PortalGrant grant = granted.get();
    if (!grant.ok) {
        d.stopAll();
        d.setFailure(grant.message);
        return false;
    }
    // The token given is spent: the new one (or none) replaces it at once.
    d.options.restoreToken = grant.token;
    if (d.options.tokenChanged)
        d.options.tokenChanged(grant.token);
    d.haveLogical = grant.haveLogical;
    d.logical = grant.logical;
    d.castCursor.store(grant.cursorEmbedded);
    d.embeddingOffered.store(grant.embeddingOffered);

    if (!d.openStream(grant.fd, grant.node)) {
        d.stopAll();
        d.setFailure("the screen cast's stream cannot be opened");
        return false;
    }
    std::unique_lock frameLock(d.frameMutex);
    const auto opened = std::chrono::steady_clock::now();
    const auto deadline = opened + std::chrono::milliseconds(d.options.firstPictureTimeoutMs);
    auto nextNudge = opened + std::chrono::milliseconds(d.options.firstPictureNudgeMs);
    const auto pictureOrEnd = [&d] { return d.frames > 0 || d.endedFlag.load(); };
    bool pictured = false;
    for (;;) {
        const auto until = d.options.askForRepaint ? std::min(deadline, nextNudge) : deadline;
        pictured = d.frameArrived.wait_until(frameLock, until, pictureOrEnd);
        if (pictured || std::chrono::steady_clock::now() >= deadline)
            break;
        frameLock.unlock();
        d.options.askForRepaint(d.haveLogical ? std::optional(d.logical) : std::nullopt);
        frameLock.lock();
        nextNudge = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    }
    const bool unreadable = d.unmappable.load();
    const bool delivered = pictured && d.frames > 0 && !d.endedFlag.load();
    frameLock.unlock();
    if (!delivered) {
        std::string why = failure();
        d.stopAll();
        if (why.empty())
            why = unreadable ? "the screen cast delivers pictures this program cannot read "
                               "(DMA-BUF buffers that cannot be mapped)"
                             : "no picture arrived from the screen cast within " +
                                   SecondsText(d.options.firstPictureTimeoutMs) + " seconds";
        d.setFailure(why);
        return false;
    }
    d.lastUse.store(NowMs());
    d.running.store(true);
    return true;
}

bool PortalScreenCast::grab(const ScreenRect& area, const ScreenRect& xScreen, uint8_t* dst,
                            int32_t dstStride) {
    Impl& d = *impl_;
    d.lastUse.store(NowMs());
    std::lock_guard lock(d.frameMutex);
    if (!d.running.load() || d.endedFlag.load() || d.frames == 0) {
        CopyStreamArea(nullptr, 0, {}, area, dst, dstStride);
        return false;
    }
    const StreamGeometry geometry{
        StreamLogicalRect(d.haveLogical ? std::optional(d.logical) : std::nullopt, xScreen),
        d.frameWidth, d.frameHeight};
    CopyStreamArea(d.frame.data(), d.frameWidth * 4, geometry, area, dst, dstStride);
    return true;
}

bool PortalScreenCast::ended() const {
    return impl_->endedFlag.load();
}

void PortalScreenCast::wantCursor(bool on) {
    Impl& d = *impl_;
    d.cursorWish.store(on);
    if (!d.running.load() || d.castCursor.load() == (on && d.embeddingOffered.load()))
        return;
    // The desktop draws the cursor into a cast's pictures or leaves it out for the cast's
    // whole life: a cast of the other kind ends, and the next grab starts one anew with the
    // saved token, so nobody is asked. Not a cast that a recording holds (its frames keep
    // the cursor), nor one without a token (that would ask), nor while a start or stop is
    // under way (a start takes the wish).
    std::unique_lock lock(d.startMutex, std::try_to_lock);
    if (!lock.owns_lock() || d.holds.load() > 0 || d.options.restoreToken.empty() ||
        !d.running.load())
        return;
    d.stopAll();
}

void PortalScreenCast::hold(bool on) {
    impl_->holds.fetch_add(on ? 1 : -1);
    impl_->lastUse.store(NowMs());
}

std::string PortalScreenCast::failure() const {
    std::lock_guard lock(impl_->failureMutex);
    return impl_->failureText;
}

} // namespace tess
