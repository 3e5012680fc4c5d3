#include "platform/portal/Request.h"

#include "platform/Translate.h"

#include <atomic>
#include <cstdlib>
#include <random>

namespace tess::portal {

std::string ErrorText(const Error& error) {
    if (!error)
        return Tr("unknown error");
    g_dbus_error_strip_remote_error(error.get());
    return error->message;
}

std::string NewToken() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return "tessaray" + std::to_string(random() % 1000000) + "_" + std::to_string(++counter);
}

Request::Request(GDBusConnection* bus, Handler onResponse)
    : bus_(bus), handler_(std::move(onResponse)), token_(NewToken()) {
    // ":1.42" is "1_42" in request paths.
    std::string sender;
    for (const char* c = g_dbus_connection_get_unique_name(bus); c && *c; ++c)
        if (*c != ':')
            sender += *c == '.' ? '_' : *c;
    path_ = std::string(kPath) + "/request/" + sender + "/" + token_;
    subscription_ = g_dbus_connection_signal_subscribe(
        bus, kName, kRequestInterface, "Response", path_.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &Request::OnSignal, this, nullptr);
}

Request::~Request() {
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
}

void Request::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer data) {
    auto* self = static_cast<Request*>(data);
    if (self->answered_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})")))
        return;
    self->answered_ = true;
    guint32 code = 2;
    GVariant* raw = nullptr;
    g_variant_get(parameters, "(u@a{sv})", &code, &raw);
    Variant results(raw);
    // The handler may start the next request in this one's place, which ends this object.
    const Handler handler = self->handler_;
    handler(code, results.get());
}

void CloseSession(GDBusConnection* bus, const std::string& handle, int timeoutMs) {
    if (!bus || handle.empty())
        return;
    if (timeoutMs < 0) {
        g_dbus_connection_call(bus, kName, handle.c_str(), kSessionInterface, "Close", nullptr,
                               nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr, nullptr);
        return;
    }
    Variant reply(g_dbus_connection_call_sync(bus, kName, handle.c_str(), kSessionInterface,
                                              "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
                                              timeoutMs, nullptr, nullptr));
}

} // namespace tess::portal
