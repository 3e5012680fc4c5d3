#include "platform/portal/CastStream.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/buffer.h>
#include <spa/param/param.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "platform/portal/StreamParams.h"

namespace tess::portal {

namespace {

std::once_flag g_pipewireInit;

} // namespace

struct CastStream::Listeners {
    spa_hook registry{};
    pw_registry_events registryEvents{};
    spa_hook core{};
    pw_core_events coreEvents{};
    spa_hook stream{};
    pw_stream_events streamEvents{};

    static void OnCoreError(void* data, uint32_t id, int, int res, const char* message) {
        if (id == PW_ID_CORE)
            static_cast<CastStream*>(data)->events_.ended(
                FormatText(Tr("the connection to the screen cast was lost (%s)"),
                           message ? message : std::strerror(-res)));
    }

    // The cast's node leaving the graph is the end of the cast, whatever the stream does.
    static void OnGlobalRemoved(void* data, uint32_t id) {
        auto* self = static_cast<CastStream*>(data);
        if (id == self->node_)
            self->events_.ended(Tr(kCastEndedText));
    }

    static void OnStateChanged(void* data, pw_stream_state, pw_stream_state state,
                               const char* error) {
        auto* self = static_cast<CastStream*>(data);
        if (state == PW_STREAM_STATE_ERROR)
            self->events_.ended(FormatText(Tr("the screen cast's stream failed (%s)"),
                                           error ? error : Tr("no reason given")));
        else if (state == PW_STREAM_STATE_STREAMING)
            self->streamWasActive_ = true;
        else if (state == PW_STREAM_STATE_UNCONNECTED && self->streamWasActive_)
            self->events_.ended(Tr(kCastEndedText));
    }

    static void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
        auto* self = static_cast<CastStream*>(data);
        uint32_t format = 0, width = 0, height = 0;
        if (!param || id != SPA_PARAM_Format ||
            tess_stream_parse_format(param, &format, &width, &height) != 0)
            return;
        self->format_ = tess_stream_format_index(format);
        self->width_ = static_cast<int32_t>(width);
        self->height_ = static_cast<int32_t>(height);
        uint8_t buffer[512];
        const spa_pod* params[1] = {tess_stream_buffer_params(
            buffer, sizeof buffer, static_cast<int32_t>(width) * 4, static_cast<int32_t>(height))};
        pw_stream_update_params(self->stream_, params, 1);
    }

    static void OnProcess(void* data) {
        auto* self = static_cast<CastStream*>(data);
        // Only the newest buffer matters; older ones go straight back.
        pw_buffer* newest = nullptr;
        while (pw_buffer* next = pw_stream_dequeue_buffer(self->stream_)) {
            if (newest)
                pw_stream_queue_buffer(self->stream_, newest);
            newest = next;
        }
        if (!newest)
            return;
        self->takePicture(*newest->buffer);
        pw_stream_queue_buffer(self->stream_, newest);
    }
};

CastStream::CastStream(CastStreamEvents events)
    : events_(std::move(events)), listeners_(std::make_unique<Listeners>()) {}

CastStream::~CastStream() {
    close();
}

void CastStream::takePicture(const spa_buffer& buffer) {
    if (buffer.n_datas < 1 || format_ == 0 || width_ <= 0 || height_ <= 0)
        return;
    const spa_data& d = buffer.datas[0];
    if (!d.data) {
        if (tess_stream_data_is_dmabuf(d.type))
            events_.unreadable();
        return;
    }
    if (!d.chunk || d.chunk->size == 0 || (d.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
        return;
    const int32_t w = width_, h = height_;
    const int64_t stride = d.chunk->stride > 0 ? d.chunk->stride : int64_t{w} * 4;
    const uint64_t offset = d.chunk->offset % (d.maxsize ? d.maxsize : 1);
    if (offset + static_cast<uint64_t>(stride) * (h - 1) + static_cast<uint64_t>(w) * 4 > d.maxsize)
        return; // a buffer smaller than the format says
    events_.picture(static_cast<const uint8_t*>(d.data) + offset, stride,
                    static_cast<StreamPixelFormat>(format_ - 1), w, h);
}

bool CastStream::open(int fd, uint32_t node) {
    std::call_once(g_pipewireInit, [] { pw_init(nullptr, nullptr); });
    loop_ = pw_thread_loop_new("tessaray-cast", nullptr);
    if (!loop_) {
        ::close(fd);
        return false;
    }
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
    if (!context_ || pw_thread_loop_start(loop_) < 0) {
        ::close(fd);
        return false;
    }
    Listeners& l = *listeners_;
    pw_thread_loop_lock(loop_);
    core_ = pw_context_connect_fd(context_, fd, nullptr, 0); // takes the descriptor
    if (!core_) {
        pw_thread_loop_unlock(loop_);
        return false;
    }
    l.coreEvents.version = PW_VERSION_CORE_EVENTS;
    l.coreEvents.error = Listeners::OnCoreError;
    pw_core_add_listener(core_, &l.core, &l.coreEvents, this);
    node_ = node;
    registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
    if (registry_) {
        l.registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
        l.registryEvents.global_remove = Listeners::OnGlobalRemoved;
        pw_registry_add_listener(registry_, &l.registry, &l.registryEvents, this);
    }
    stream_ = pw_stream_new(core_, "tessaray",
                            pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                              "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!stream_) {
        pw_thread_loop_unlock(loop_);
        return false;
    }
    l.streamEvents.version = PW_VERSION_STREAM_EVENTS;
    l.streamEvents.state_changed = Listeners::OnStateChanged;
    l.streamEvents.param_changed = Listeners::OnParamChanged;
    l.streamEvents.process = Listeners::OnProcess;
    pw_stream_add_listener(stream_, &l.stream, &l.streamEvents, this);
    uint8_t buffer[1024];
    const spa_pod* params[1] = {tess_stream_format_offer(buffer, sizeof buffer)};
    const int r = pw_stream_connect(stream_, PW_DIRECTION_INPUT, node,
                                    static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                                 PW_STREAM_FLAG_MAP_BUFFERS |
                                                                 PW_STREAM_FLAG_DONT_RECONNECT),
                                    params, 1);
    pw_thread_loop_unlock(loop_);
    return r >= 0;
}

void CastStream::close() {
    if (loop_)
        pw_thread_loop_stop(loop_);
    if (stream_) {
        pw_stream_destroy(stream_);
        stream_ = nullptr;
    }
    if (registry_) {
        spa_hook_remove(&listeners_->registry);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
        registry_ = nullptr;
    }
    if (core_) {
        spa_hook_remove(&listeners_->core);
        pw_core_disconnect(core_);
        core_ = nullptr;
    }
    if (context_) {
        pw_context_destroy(context_);
        context_ = nullptr;
    }
    if (loop_) {
        pw_thread_loop_destroy(loop_);
        loop_ = nullptr;
    }
    streamWasActive_ = false;
    format_ = 0;
    width_ = height_ = 0;
}

} // namespace tess::portal
