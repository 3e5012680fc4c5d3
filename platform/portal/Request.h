#pragma once
// What every conversation with the desktop portal shares: the bus names, GLib owners that
// free what they hold, the request dance (a fresh handle token, the request object's path,
// its Response signal subscribed BEFORE the call so an answer cannot slip past) and closing
// a portal session. The screen cast (PortalScreenCast) and the global shortcuts (Shortcuts)
// speak through it.
#include <functional>
#include <memory>
#include <string>

#include <gio/gio.h>

namespace tess::portal {

inline constexpr const char* kName = "org.freedesktop.portal.Desktop";
inline constexpr const char* kPath = "/org/freedesktop/portal/desktop";
inline constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
inline constexpr const char* kSessionInterface = "org.freedesktop.portal.Session";

struct VariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
struct ObjectUnref {
    void operator()(gpointer o) const { g_object_unref(o); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;
using Error = std::unique_ptr<GError, ErrorFree>;
template <class T> using Object = std::unique_ptr<T, ObjectUnref>;

// Takes a GError out of a GLib call's out-parameter: `Error e; call(..., Out(e))`.
class Out {
public:
    explicit Out(Error& owner) : owner_(owner) {}
    ~Out() { owner_.reset(raw_); }
    operator GError**() { return &raw_; }

private:
    Error& owner_;
    GError* raw_ = nullptr;
};

// The message of a D-Bus error without the remote error's name; "unknown error" for none.
std::string ErrorText(const Error& error);

// A handle token no other request of this process has used.
std::string NewToken();

// The Response of one request: subscribed on construction (before the call that makes the
// request, whose handle token is token()), unsubscribed when it goes. `onResponse` gets the
// response code (0 granted, 1 cancelled by the user, 2 other) and the results, on the thread
// that runs the bus's main context.
class Request {
public:
    using Handler = std::function<void(uint32_t code, GVariant* results)>;
    Request(GDBusConnection* bus, Handler onResponse);
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    const std::string& token() const { return token_; }
    const std::string& path() const { return path_; }

private:
    static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer data);
    GDBusConnection* bus_;
    Handler handler_;
    std::string token_;
    std::string path_;
    guint subscription_ = 0;
    bool answered_ = false;
};

// Asks the portal to close the session at `handle`: waits up to timeoutMs for the answer,
// or not at all when timeoutMs is below 0.
void CloseSession(GDBusConnection* bus, const std::string& handle, int timeoutMs);

} // namespace tess::portal
