#include "platform/portal/PortalScreenCast.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
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
#include <random>
#include <thread>
#include <vector>

#include "platform/portal/StreamParams.h"

namespace tess {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenCast = "org.freedesktop.portal.ScreenCast";
constexpr const char* kRequest = "org.freedesktop.portal.Request";
constexpr const char* kSession = "org.freedesktop.portal.Session";

// Source types and cursor modes as the portal numbers them.
constexpr uint32_t kSourceMonitor = 1;
constexpr uint32_t kSourceWindow = 2;
constexpr uint32_t kCursorHidden = 1;
constexpr uint32_t kCursorEmbedded = 2;
constexpr uint32_t kPersistUntilRevoked = 2;

constexpr const char* kEndedText = "the screen cast ended (sharing was stopped from the desktop)";

std::string TakeError(GError*& error) {
    std::string text = "unknown error";
    if (error) {
        g_dbus_error_strip_remote_error(error);
        text = error->message;
        g_clear_error(&error);
    }
    return text;
}

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

std::string NewToken() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return "tessaray" + std::to_string(random() % 1000000) + "_" + std::to_string(++counter);
}

// What the portal's side hands to start(): the stream to open, or why there is none.
struct PortalGrant {
    bool ok = false;
    std::string message;
    int fd = -1;
    uint32_t node = 0;
    bool haveLogical = false;
    ScreenRect logical;
    std::string token;
    bool tokenRefused = false;     // the portal would not take the restore token
    bool cursorEmbedded = false;   // the pictures carry the cursor
    bool embeddingOffered = false; // the portal can draw the cursor into the pictures
};

// One Request's Response.
struct Response {
    bool done = false;
    uint32_t code = 2;
    GVariant* results = nullptr;
    ~Response() {
        if (results)
            g_variant_unref(results);
    }
};

void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                GVariant* parameters, gpointer data) {
    auto* r = static_cast<Response*>(data);
    if (r->done || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})")))
        return;
    r->done = true;
    g_variant_get(parameters, "(u@a{sv})", &r->code, &r->results);
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
    GDBusConnection* bus = nullptr;
    std::string sessionHandle;
    guint closedSubscription = 0;
    bool portalGone = false;    // the portal's bus name lost its owner
    bool sessionClosed = false; // the portal closed the session
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

    // ---- D-Bus, on the portal's thread ----

    static void OnNameOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar*, GVariant* parameters, gpointer data) {
        const gchar *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
        g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
        if (name && std::strcmp(name, kPortalName) == 0 && newOwner && !*newOwner)
            static_cast<Impl*>(data)->portalGone = true;
    }
    static void OnSessionClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar*, GVariant*, gpointer data) {
        static_cast<Impl*>(data)->sessionClosed = true;
    }
    static gboolean Tick(gpointer) { return G_SOURCE_CONTINUE; }

    GVariant* property(const char* name, GError** error) {
        GVariant* reply = g_dbus_connection_call_sync(
            bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", kScreenCast, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
            options.requestTimeoutMs, nullptr, error);
        if (!reply)
            return nullptr;
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }

    uint32_t uintProperty(const char* name, uint32_t fallback) {
        GError* error = nullptr;
        GVariant* v = property(name, &error);
        g_clear_error(&error);
        if (!v)
            return fallback;
        uint32_t value =
            g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(v) : fallback;
        g_variant_unref(v);
        return value;
    }

    // Calls `method` with the arguments `makeArgs` builds around a fresh handle token, and
    // waits for its Response: at most timeoutMs (below 0: as long as it takes, for a dialog),
    // and never past the portal going away or the session closing.
    bool request(const char* method, const std::function<GVariant*(const char*)>& makeArgs,
                 int timeoutMs, Response& response, std::string* why) {
        const std::string token = NewToken();
        std::string sender = g_dbus_connection_get_unique_name(bus) + 1; // without ':'
        for (char& c : sender)
            if (c == '.')
                c = '_';
        const std::string path = std::string(kPortalPath) + "/request/" + sender + "/" + token;
        // Subscribed before the call, so an answer cannot come before we listen.
        const guint subscription = g_dbus_connection_signal_subscribe(
            bus, kPortalName, kRequest, "Response", path.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            OnResponse, &response, nullptr);
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(bus, kPortalName, kPortalPath, kScreenCast,
                                                      method, makeArgs(token.c_str()),
                                                      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE,
                                                      options.requestTimeoutMs, nullptr, &error);
        bool ok = reply != nullptr;
        if (!ok)
            *why =
                std::string("the desktop portal refused ") + method + " (" + TakeError(error) + ")";
        if (reply)
            g_variant_unref(reply);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (ok && !response.done) {
            if (quitPortal.load() || ScreenSourceStartInterrupted()) {
                *why = "the screen cast was stopped";
                ok = false;
            } else if (portalGone) {
                *why = "the desktop portal went away";
                ok = false;
            } else if (sessionClosed) {
                *why = "the desktop closed the screen-cast session";
                ok = false;
            } else if (timeoutMs >= 0 && std::chrono::steady_clock::now() > deadline) {
                *why = std::string("the desktop portal did not answer ") + method + " within " +
                       SecondsText(timeoutMs) + " seconds";
                ok = false;
            } else {
                g_main_context_iteration(context, TRUE);
            }
        }
        g_dbus_connection_signal_unsubscribe(bus, subscription);
        if (!ok)
            return false;
        if (response.code == 1) {
            *why = "the screen cast was cancelled";
            return false;
        }
        if (response.code != 0) {
            *why = std::string("the desktop portal refused the screen cast (") + method + ")";
            return false;
        }
        return true;
    }

    PortalGrant negotiate() {
        PortalGrant g;
        GError* error = nullptr;
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (address)
            bus = g_dbus_connection_new_for_address_sync(
                address,
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &error);
        g_free(address);
        if (!bus) {
            g.message = "the session bus cannot be reached (" + TakeError(error) + ")";
            return g;
        }
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        g_dbus_connection_signal_subscribe(bus, "org.freedesktop.DBus", "org.freedesktop.DBus",
                                           "NameOwnerChanged", "/org/freedesktop/DBus", kPortalName,
                                           G_DBUS_SIGNAL_FLAGS_NONE, OnNameOwnerChanged, this,
                                           nullptr);

        GVariant* versionValue = property("version", &error);
        if (!versionValue) {
            const bool missing =
                g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
            g.message = (missing ? "the desktop portal is not running on the session bus ("
                                 : "the desktop portal offers no screen cast (") +
                        TakeError(error) + ")";
            return g;
        }
        const uint32_t version = g_variant_is_of_type(versionValue, G_VARIANT_TYPE_UINT32)
                                     ? g_variant_get_uint32(versionValue)
                                     : 1;
        g_variant_unref(versionValue);
        const uint32_t sourceTypes = uintProperty("AvailableSourceTypes", kSourceMonitor);
        const uint32_t cursorModes = uintProperty("AvailableCursorModes", 0);
        if (options.window && !(sourceTypes & kSourceWindow)) {
            g.message = "window capture is not available in this session";
            return g;
        }
        g = castSession(version, cursorModes, options.restoreToken);
        if (g.tokenRefused) {
            // A token the portal no longer takes only means it asks the user again.
            closeSession();
            g = castSession(version, cursorModes, std::string());
        }
        return g;
    }

    // Closes the screen-cast session, when one is open and the portal is there.
    void closeSession() {
        if (bus && !sessionHandle.empty() && !portalGone && !sessionClosed) {
            GVariant* r = g_dbus_connection_call_sync(
                bus, kPortalName, sessionHandle.c_str(), kSession, "Close", nullptr, nullptr,
                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
            if (r)
                g_variant_unref(r);
        }
        if (bus && closedSubscription)
            g_dbus_connection_signal_unsubscribe(bus, closedSubscription);
        closedSubscription = 0;
        sessionHandle.clear();
        sessionClosed = false;
    }

    // One session from CreateSession to the stream's descriptor.
    PortalGrant castSession(uint32_t version, uint32_t cursorModes,
                            const std::string& restoreToken) {
        PortalGrant g;
        GError* error = nullptr;
        std::string why;
        {
            Response created;
            const std::string sessionToken = NewToken();
            auto args = [&](const char* token) {
                GVariantBuilder b;
                g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
                g_variant_builder_add(&b, "{sv}", "handle_token", g_variant_new_string(token));
                g_variant_builder_add(&b, "{sv}", "session_handle_token",
                                      g_variant_new_string(sessionToken.c_str()));
                return g_variant_new("(a{sv})", &b);
            };
            if (!request("CreateSession", args, options.requestTimeoutMs, created, &why)) {
                g.message = why;
                return g;
            }
            const gchar* handle = nullptr;
            if (!created.results ||
                !g_variant_lookup(created.results, "session_handle", "&s", &handle)) {
                g.message = "the desktop portal made no screen-cast session";
                return g;
            }
            sessionHandle = handle;
        }
        closedSubscription = g_dbus_connection_signal_subscribe(
            bus, kPortalName, kSession, "Closed", sessionHandle.c_str(), nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, OnSessionClosed, this, nullptr);

        {
            Response selected;
            auto args = [&](const char* token) {
                GVariantBuilder b;
                g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
                g_variant_builder_add(&b, "{sv}", "handle_token", g_variant_new_string(token));
                g_variant_builder_add(
                    &b, "{sv}", "types",
                    g_variant_new_uint32(options.window ? kSourceWindow : kSourceMonitor));
                g_variant_builder_add(&b, "{sv}", "multiple", g_variant_new_boolean(FALSE));
                if (version >= 2 && cursorModes) {
                    g.embeddingOffered = (cursorModes & kCursorEmbedded) != 0;
                    const uint32_t mode =
                        cursorWish.load() && g.embeddingOffered ? kCursorEmbedded : kCursorHidden;
                    g.cursorEmbedded = mode == kCursorEmbedded;
                    if (cursorModes & mode)
                        g_variant_builder_add(&b, "{sv}", "cursor_mode",
                                              g_variant_new_uint32(mode));
                }
                if (version >= 4) {
                    g_variant_builder_add(&b, "{sv}", "persist_mode",
                                          g_variant_new_uint32(kPersistUntilRevoked));
                    if (!restoreToken.empty())
                        g_variant_builder_add(&b, "{sv}", "restore_token",
                                              g_variant_new_string(restoreToken.c_str()));
                }
                return g_variant_new("(oa{sv})", sessionHandle.c_str(), &b);
            };
            // Some desktops ask the user here already: no time limit.
            if (!request("SelectSources", args, -1, selected, &why)) {
                g.message = why;
                g.tokenRefused = !restoreToken.empty() && !portalGone && !sessionClosed &&
                                 (why.rfind("the desktop portal refused", 0) == 0);
                return g;
            }
        }

        {
            Response started;
            auto args = [&](const char* token) {
                GVariantBuilder b;
                g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
                g_variant_builder_add(&b, "{sv}", "handle_token", g_variant_new_string(token));
                return g_variant_new("(osa{sv})", sessionHandle.c_str(), "", &b);
            };
            if (!request("Start", args, -1, started, &why)) {
                g.message = why;
                return g;
            }
            GVariant* streams = started.results
                                    ? g_variant_lookup_value(started.results, "streams",
                                                             G_VARIANT_TYPE("a(ua{sv})"))
                                    : nullptr;
            GVariantIter iter;
            GVariant* props = nullptr;
            if (!streams || (g_variant_iter_init(&iter, streams),
                             !g_variant_iter_next(&iter, "(u@a{sv})", &g.node, &props))) {
                if (streams)
                    g_variant_unref(streams);
                g.message = "the desktop portal gave no stream";
                return g;
            }
            int32_t x = 0, y = 0, w = 0, h = 0;
            const bool position = g_variant_lookup(props, "position", "(ii)", &x, &y);
            if (g_variant_lookup(props, "size", "(ii)", &w, &h) && w > 0 && h > 0) {
                g.haveLogical = true;
                if (!position)
                    x = y = 0;
                g.logical = ScreenRect{x, y, x + w, y + h};
            }
            g_variant_unref(props);
            g_variant_unref(streams);
            const gchar* token = nullptr;
            if (g_variant_lookup(started.results, "restore_token", "&s", &token) && token)
                g.token = token;
        }

        GUnixFDList* fds = nullptr;
        GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
            bus, kPortalName, kPortalPath, kScreenCast, "OpenPipeWireRemote",
            g_variant_new("(oa{sv})", sessionHandle.c_str(), nullptr), G_VARIANT_TYPE("(h)"),
            G_DBUS_CALL_FLAGS_NONE, options.requestTimeoutMs, nullptr, &fds, nullptr, &error);
        if (!reply) {
            g.message = "the screen cast's stream cannot be opened (" + TakeError(error) + ")";
            return g;
        }
        gint32 index = -1;
        g_variant_get(reply, "(h)", &index);
        g_variant_unref(reply);
        g.fd = fds ? g_unix_fd_list_get(fds, index, &error) : -1;
        if (fds)
            g_object_unref(fds);
        if (g.fd < 0) {
            g.message = "the screen cast's stream cannot be opened (" + TakeError(error) + ")";
            return g;
        }
        g.ok = true;
        return g;
    }

    void portalMain() {
        g_main_context_push_thread_default(context);
        // Wakes the loop now and then, so time limits and a stop are seen.
        GSource* tick = g_timeout_source_new(100);
        g_source_set_callback(tick, Tick, nullptr, nullptr);
        g_source_attach(tick, context);

        PortalGrant grant = negotiate();
        const bool granted = grant.ok;
        // With a token the cast comes back without a dialog, so an unused one may end.
        const bool mayIdleStop = !grant.token.empty() && options.idleStopMs > 0;
        grantPromise.set_value(std::move(grant));
        if (granted) {
            bool idle = false;
            while (!quitPortal.load() && !portalGone && !sessionClosed && !idle) {
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
        closeSession();
        if (bus) {
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
            bus = nullptr;
        }
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
        sessionHandle.clear();
        portalGone = sessionClosed = false;
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
