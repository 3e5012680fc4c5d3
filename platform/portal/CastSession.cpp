#include "platform/portal/CastSession.h"

#include <gio/gunixfdlist.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/ScreenPixelSource.h"
#include "platform/Translate.h"

namespace tess::portal {

namespace {

constexpr const char* kScreenCast = "org.freedesktop.portal.ScreenCast";

// Source types and cursor modes as the portal numbers them.
constexpr uint32_t kSourceMonitor = 1;
constexpr uint32_t kSourceWindow = 2;
constexpr uint32_t kCursorHidden = 1;
constexpr uint32_t kCursorEmbedded = 2;
constexpr uint32_t kPersistUntilRevoked = 2;

// "10", "0.5": a time limit as the messages give it.
std::string SecondsText(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

} // namespace

// One Request's Response.
struct CastSession::Response {
    bool done = false;
    uint32_t code = 2;
    Variant results;
};

CastSession::CastSession(const PortalCastOptions& options, GMainContext* context,
                         const std::atomic<bool>& quit, const std::atomic<bool>& cursorWish)
    : options_(options), context_(context), quit_(quit), cursorWish_(cursorWish) {}

CastSession::~CastSession() {
    close();
}

void CastSession::close() {
    closeSession();
    if (bus_) {
        g_dbus_connection_close_sync(bus_.get(), nullptr, nullptr);
        bus_.reset();
    }
}

void CastSession::OnNameOwnerChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                     const gchar*, GVariant* parameters, gpointer data) {
    const gchar *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
    if (name && std::strcmp(name, kName) == 0 && newOwner && !*newOwner)
        static_cast<CastSession*>(data)->portalGone_ = true;
}
void CastSession::OnSessionClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                  const gchar*, GVariant*, gpointer data) {
    static_cast<CastSession*>(data)->sessionClosed_ = true;
}

Variant CastSession::property(const char* name, Error& error) {
    Variant reply(g_dbus_connection_call_sync(
        bus_.get(), kName, kPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kScreenCast, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        options_.requestTimeoutMs, nullptr, Out(error)));
    if (!reply)
        return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    return Variant(value);
}

uint32_t CastSession::uintProperty(const char* name, uint32_t fallback) {
    Error error;
    Variant v = property(name, error);
    return v && g_variant_is_of_type(v.get(), G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(v.get())
                                                                     : fallback;
}

// Calls `method` with the arguments `makeArgs` builds around a fresh handle token, and
// waits for its Response: at most timeoutMs (below 0: as long as it takes, for a dialog),
// and never past the portal going away or the session closing. A failure leaves its reason
// in `why`, and refused_ set when it was the portal that said no.
bool CastSession::request(const char* method, const std::function<GVariant*(const char*)>& makeArgs,
                          int timeoutMs, Response& response, std::string* why) {
    Request pending(bus_.get(), [&response](uint32_t code, GVariant* results) {
        response.done = true;
        response.code = code;
        response.results.reset(g_variant_ref(results));
    });
    refused_ = false;
    Error error;
    Variant reply(g_dbus_connection_call_sync(bus_.get(), kName, kPath, kScreenCast, method,
                                              makeArgs(pending.token().c_str()),
                                              G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE,
                                              options_.requestTimeoutMs, nullptr, Out(error)));
    if (!reply) {
        *why = FormatText(Tr("the desktop portal refused %1$s (%2$s)"), method,
                          ErrorText(error).c_str());
        refused_ = true;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!response.done) {
        if (quit_.load() || ScreenSourceStartInterrupted())
            *why = Tr("the screen cast was stopped");
        else if (portalGone_)
            *why = Tr("the desktop portal went away");
        else if (sessionClosed_)
            *why = Tr("the desktop closed the screen-cast session");
        else if (timeoutMs >= 0 && std::chrono::steady_clock::now() > deadline)
            *why = FormatText(
                // TRANSLATORS: %1$s is a portal method's name, %2$s a number of seconds
                TrN("the desktop portal did not answer %1$s within %2$s seconds",
                    "the desktop portal did not answer %1$s within %2$s seconds",
                    timeoutMs <= 0 ? 0 : static_cast<unsigned long>((timeoutMs + 999) / 1000)),
                method, SecondsText(timeoutMs).c_str());
        else {
            g_main_context_iteration(context_, TRUE);
            continue;
        }
        return false;
    }
    if (response.code == 1) {
        *why = Tr("the screen cast was cancelled");
        return false;
    }
    if (response.code != 0) {
        *why = FormatText(Tr("the desktop portal refused the screen cast (%s)"), method);
        refused_ = true;
        return false;
    }
    return true;
}

// The session bus, the portal's presence and what its screen cast offers; then the cast.
PortalGrant CastSession::negotiate() {
    PortalGrant g;
    Error error;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, Out(error));
    if (address)
        bus_.reset(g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, Out(error)));
    g_free(address);
    if (!bus_) {
        g.message =
            FormatText(Tr("the session bus cannot be reached (%s)"), ErrorText(error).c_str());
        return g;
    }
    g_dbus_connection_set_exit_on_close(bus_.get(), FALSE);
    g_dbus_connection_signal_subscribe(bus_.get(), "org.freedesktop.DBus", "org.freedesktop.DBus",
                                       "NameOwnerChanged", "/org/freedesktop/DBus", kName,
                                       G_DBUS_SIGNAL_FLAGS_NONE, OnNameOwnerChanged, this, nullptr);

    Variant versionValue = property("version", error);
    if (!versionValue) {
        const bool missing =
            g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
            g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
        g.message = FormatText(missing ? Tr("the desktop portal is not running on the session "
                                            "bus (%s)")
                                       : Tr("the desktop portal offers no screen cast (%s)"),
                               ErrorText(error).c_str());
        return g;
    }
    const uint32_t version = g_variant_is_of_type(versionValue.get(), G_VARIANT_TYPE_UINT32)
                                 ? g_variant_get_uint32(versionValue.get())
                                 : 1;
    const uint32_t sourceTypes = uintProperty("AvailableSourceTypes", kSourceMonitor);
    const uint32_t cursorModes = uintProperty("AvailableCursorModes", 0);
    if (options_.window && !(sourceTypes & kSourceWindow)) {
        g.message = Tr("window capture is not available in this session");
        return g;
    }
    g = castSession(version, cursorModes, options_.restoreToken);
    if (g.tokenRefused) {
        // A token the portal no longer takes only means it asks the user again.
        closeSession();
        g = castSession(version, cursorModes, std::string());
    }
    return g;
}

// Closes the screen-cast session, when one is open and the portal is there.
void CastSession::closeSession() {
    if (!portalGone_ && !sessionClosed_)
        CloseSession(bus_.get(), sessionHandle_, 1000);
    if (bus_ && closedSubscription_)
        g_dbus_connection_signal_unsubscribe(bus_.get(), closedSubscription_);
    closedSubscription_ = 0;
    sessionHandle_.clear();
    sessionClosed_ = false;
}

// ---- one session, step by step: each false leaves the reason in g.message ----

static GVariantBuilder Vardict(const char* token) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&b, "{sv}", "handle_token", g_variant_new_string(token));
    return b;
}

bool CastSession::createSession(PortalGrant& g) {
    Response created;
    const std::string sessionToken = NewToken();
    auto args = [&](const char* token) {
        GVariantBuilder b = Vardict(token);
        g_variant_builder_add(&b, "{sv}", "session_handle_token",
                              g_variant_new_string(sessionToken.c_str()));
        return g_variant_new("(a{sv})", &b);
    };
    if (!request("CreateSession", args, options_.requestTimeoutMs, created, &g.message))
        return false;
    const gchar* handle = nullptr;
    if (!created.results ||
        !g_variant_lookup(created.results.get(), "session_handle", "&s", &handle)) {
        g.message = Tr("the desktop portal made no screen-cast session");
        return false;
    }
    sessionHandle_ = handle;
    closedSubscription_ = g_dbus_connection_signal_subscribe(
        bus_.get(), kName, kSessionInterface, "Closed", sessionHandle_.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnSessionClosed, this, nullptr);
    return true;
}

bool CastSession::selectSources(PortalGrant& g, uint32_t version, uint32_t cursorModes,
                                const std::string& restoreToken) {
    Response selected;
    auto args = [&](const char* token) {
        GVariantBuilder b = Vardict(token);
        g_variant_builder_add(
            &b, "{sv}", "types",
            g_variant_new_uint32(options_.window ? kSourceWindow : kSourceMonitor));
        g_variant_builder_add(&b, "{sv}", "multiple", g_variant_new_boolean(FALSE));
        if (version >= 2 && cursorModes) {
            g.embeddingOffered = (cursorModes & kCursorEmbedded) != 0;
            const uint32_t mode =
                cursorWish_.load() && g.embeddingOffered ? kCursorEmbedded : kCursorHidden;
            g.cursorEmbedded = mode == kCursorEmbedded;
            if (cursorModes & mode)
                g_variant_builder_add(&b, "{sv}", "cursor_mode", g_variant_new_uint32(mode));
        }
        if (version >= 4) {
            g_variant_builder_add(&b, "{sv}", "persist_mode",
                                  g_variant_new_uint32(kPersistUntilRevoked));
            if (!restoreToken.empty())
                g_variant_builder_add(&b, "{sv}", "restore_token",
                                      g_variant_new_string(restoreToken.c_str()));
        }
        return g_variant_new("(oa{sv})", sessionHandle_.c_str(), &b);
    };
    // Some desktops ask the user here already: no time limit.
    if (request("SelectSources", args, -1, selected, &g.message))
        return true;
    g.tokenRefused = !restoreToken.empty() && !portalGone_ && !sessionClosed_ && refused_;
    return false;
}

// Start: the stream's node, where it lies, and the token for next time.
bool CastSession::startCast(PortalGrant& g) {
    Response started;
    auto args = [&](const char* token) {
        GVariantBuilder b = Vardict(token);
        return g_variant_new("(osa{sv})", sessionHandle_.c_str(), "", &b);
    };
    if (!request("Start", args, -1, started, &g.message))
        return false;
    Variant streams(started.results ? g_variant_lookup_value(started.results.get(), "streams",
                                                             G_VARIANT_TYPE("a(ua{sv})"))
                                    : nullptr);
    GVariantIter iter;
    GVariant* rawProps = nullptr;
    if (!streams || (g_variant_iter_init(&iter, streams.get()),
                     !g_variant_iter_next(&iter, "(u@a{sv})", &g.node, &rawProps))) {
        g.message = Tr("the desktop portal gave no stream");
        return false;
    }
    Variant props(rawProps);
    int32_t x = 0, y = 0, w = 0, h = 0;
    const bool position = g_variant_lookup(props.get(), "position", "(ii)", &x, &y);
    if (g_variant_lookup(props.get(), "size", "(ii)", &w, &h) && w > 0 && h > 0) {
        g.haveLogical = true;
        if (!position)
            x = y = 0;
        g.logical = ScreenRect{x, y, x + w, y + h};
    }
    const gchar* token = nullptr;
    if (g_variant_lookup(started.results.get(), "restore_token", "&s", &token) && token)
        g.token = token;
    return true;
}

// The descriptor of the PipeWire remote that carries the stream.
bool CastSession::openRemote(PortalGrant& g) {
    Error error;
    GUnixFDList* rawFds = nullptr;
    Variant reply(g_dbus_connection_call_with_unix_fd_list_sync(
        bus_.get(), kName, kPath, kScreenCast, "OpenPipeWireRemote",
        g_variant_new("(oa{sv})", sessionHandle_.c_str(), nullptr), G_VARIANT_TYPE("(h)"),
        G_DBUS_CALL_FLAGS_NONE, options_.requestTimeoutMs, nullptr, &rawFds, nullptr, Out(error)));
    Object<GUnixFDList> fds(rawFds);
    gint32 index = -1;
    if (reply) {
        g_variant_get(reply.get(), "(h)", &index);
        g.fd = fds ? g_unix_fd_list_get(fds.get(), index, Out(error)) : -1;
    }
    if (g.fd < 0) {
        g.message = FormatText(Tr("the screen cast's stream cannot be opened (%s)"),
                               ErrorText(error).c_str());
        return false;
    }
    return true;
}

// One session from CreateSession to the stream's descriptor.
PortalGrant CastSession::castSession(uint32_t version, uint32_t cursorModes,
                                     const std::string& restoreToken) {
    PortalGrant g;
    g.ok = createSession(g) && selectSources(g, version, cursorModes, restoreToken) &&
           startCast(g) && openRemote(g);
    return g;
}

} // namespace tess::portal
