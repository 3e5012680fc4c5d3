#include "platform/ControlService.h"

#include <gio/gio.h>

#include "platform/Log.h"
#include "platform/Session.h"
#include "platform/Translate.h"

namespace tess {

namespace {

constexpr char kIntrospection[] = "<node>"
                                  " <interface name='com.quorvanta.Tessaray.Control'>"
                                  "  <method name='Run'>"
                                  "   <arg type='s' name='request' direction='in'/>"
                                  "   <arg type='i' name='code' direction='out'/>"
                                  "   <arg type='s' name='text' direction='out'/>"
                                  "  </method>"
                                  " </interface>"
                                  "</node>";

// A call through the bus: the invocation is answered once, and the caller's unique name is
// watched (NameOwnerChanged) until then.
class BusCall : public ControlCall {
public:
    BusCall(GDBusConnection* connection, GDBusMethodInvocation* invocation, std::string request)
        : invocation_(invocation), request_(std::move(request)) {
        const gchar* sender = g_dbus_method_invocation_get_sender(invocation);
        if (sender)
            watch_ =
                g_bus_watch_name_on_connection(connection, sender, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                               nullptr, &BusCall::OnVanished, this, nullptr);
    }
    ~BusCall() override {
        Unwatch();
        if (invocation_) // never answered: the window program is going
            g_dbus_method_invocation_return_error(invocation_, G_DBUS_ERROR, G_DBUS_ERROR_FAILED,
                                                  Tr("The window program is closing."));
    }

    const std::string& request() const override { return request_; }
    void Reply(const ControlAnswer& a) override {
        if (!invocation_)
            return;
        Unwatch();
        g_dbus_method_invocation_return_value(invocation_,
                                              g_variant_new("(is)", a.code, a.text.c_str()));
        invocation_ = nullptr; // the call took it
    }
    bool callerGone() const override { return gone_; }
    void WhenCallerGone(std::function<void()> gone) override {
        if (gone_)
            gone();
        else
            onGone_ = std::move(gone);
    }

private:
    void Unwatch() {
        if (watch_)
            g_bus_unwatch_name(watch_);
        watch_ = 0;
    }
    static void OnVanished(GDBusConnection*, const gchar*, gpointer data) {
        auto* self = static_cast<BusCall*>(data);
        if (!self->invocation_ || self->gone_)
            return;
        self->gone_ = true;
        // The last thing done here: the callback may end the request and with it this call.
        if (auto gone = std::move(self->onGone_))
            gone();
    }

    GDBusMethodInvocation* invocation_;
    std::string request_;
    guint watch_ = 0;
    bool gone_ = false;
    std::function<void()> onGone_;
};

} // namespace

struct ControlService::Impl {
    Handler handler;
    GDBusNodeInfo* node = nullptr;
    guint owner = 0;
    guint registration = 0;
    GDBusConnection* connection = nullptr; // the shared session connection, while acquired
    bool owned = false;

    static void OnCall(GDBusConnection* connection, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (g_strcmp0(method, kControlMethod) != 0) {
            g_dbus_method_invocation_return_error(
                invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD, "No method %s", method);
            return;
        }
        const gchar* request = nullptr;
        g_variant_get(parameters, "(&s)", &request);
        self->handler(std::make_shared<BusCall>(connection, invocation, request));
    }

    static void OnBus(GDBusConnection* connection, const gchar*, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        static const GDBusInterfaceVTable vtable = {&Impl::OnCall, nullptr, nullptr, {}};
        GError* error = nullptr;
        self->connection = connection;
        self->registration = g_dbus_connection_register_object(connection, kControlObjectPath,
                                                               self->node->interfaces[0], &vtable,
                                                               self, nullptr, &error);
        if (!self->registration) {
            LogWarning("The control object could not be put on the session bus: %s.",
                       error ? error->message : "unknown error");
            g_clear_error(&error);
        }
    }
    static void OnAcquired(GDBusConnection*, const gchar*, gpointer data) {
        static_cast<Impl*>(data)->owned = true;
    }
    static void OnLost(GDBusConnection*, const gchar*, gpointer data) {
        static_cast<Impl*>(data)->owned = false;
    }
};

ControlService::ControlService() : impl_(std::make_unique<Impl>()) {}

ControlService::~ControlService() {
    if (impl_->registration && impl_->connection)
        g_dbus_connection_unregister_object(impl_->connection, impl_->registration);
    if (impl_->owner)
        g_bus_unown_name(impl_->owner);
    if (impl_->node)
        g_dbus_node_info_unref(impl_->node);
}

std::unique_ptr<ControlService> ControlService::Start(Handler handler) {
    if (!SessionBusAddressKnown())
        return nullptr;
    std::unique_ptr<ControlService> service(new ControlService());
    Impl& impl = *service->impl_;
    impl.handler = std::move(handler);
    impl.node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    if (!impl.node)
        return nullptr;
    impl.owner = g_bus_own_name(G_BUS_TYPE_SESSION, kControlBusName, G_BUS_NAME_OWNER_FLAGS_NONE,
                                &Impl::OnBus, &Impl::OnAcquired, &Impl::OnLost, &impl, nullptr);
    return service;
}

bool ControlService::owned() const {
    return impl_->owned;
}

} // namespace tess
