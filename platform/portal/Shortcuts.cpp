#include "platform/portal/Shortcuts.h"

#include "platform/Session.h"
#include "platform/portal/Request.h"

namespace tess {

namespace {

constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr int kQuestionTimeoutMs = 2000;
constexpr int kStartTimeoutMs = 5000;

} // namespace

struct PortalShortcuts::Impl {
    portal::Object<GDBusConnection> bus;
    portal::Object<GCancellable> cancel;
    guint activatedSubscription = 0;
    std::unique_ptr<portal::Request> request; // the one being answered
    std::string session;                      // the portal session's object path, once created
    std::vector<PortalShortcut> shortcuts;
    std::vector<int> pressed;
    bool bound = false;
    std::string failure;

    enum class Step { None, CreatingSession, Binding };
    Step step = Step::None;

    ~Impl() {
        CloseSession();
        request.reset();
        if (cancel)
            g_cancellable_cancel(cancel.get());
        if (activatedSubscription)
            g_dbus_connection_signal_unsubscribe(bus.get(), activatedSubscription);
    }

    // A new request in place of the one before; its answer goes to OnResponse.
    std::string NewRequest() {
        request.reset();
        request = std::make_unique<portal::Request>(
            bus.get(), [this](uint32_t code, GVariant* results) { OnResponse(code, results); });
        return request->token();
    }

    void Call(const char* method, GVariant* parameters) {
        g_dbus_connection_call(bus.get(), portal::kName, portal::kPath, kShortcutsInterface, method,
                               parameters, G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE,
                               kQuestionTimeoutMs, cancel.get(), &Impl::OnCallDone, this);
    }

    void CloseSession() {
        portal::CloseSession(bus.get(), session, -1);
        session.clear();
    }

    void Fail(const std::string& why) {
        step = Step::None;
        bound = false;
        failure = why;
    }

    void CreateSession() {
        const std::string token = NewRequest();
        const std::string sessionToken = portal::NewToken();
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token",
                              g_variant_new_string(token.c_str()));
        g_variant_builder_add(&options, "{sv}", "session_handle_token",
                              g_variant_new_string(sessionToken.c_str()));
        step = Step::CreatingSession;
        Call("CreateSession", g_variant_new("(a{sv})", &options));
    }

    void BindShortcuts() {
        const std::string token = NewRequest();
        GVariantBuilder list;
        g_variant_builder_init(&list, G_VARIANT_TYPE("a(sa{sv})"));
        for (const PortalShortcut& s : shortcuts) {
            GVariantBuilder info;
            g_variant_builder_init(&info, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&info, "{sv}", "description",
                                  g_variant_new_string(s.description.c_str()));
            if (!s.trigger.empty())
                g_variant_builder_add(&info, "{sv}", "preferred_trigger",
                                      g_variant_new_string(s.trigger.c_str()));
            g_variant_builder_add(&list, "(sa{sv})", s.id.c_str(), &info);
        }
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token",
                              g_variant_new_string(token.c_str()));
        step = Step::Binding;
        Call("BindShortcuts",
             g_variant_new("(oa(sa{sv})sa{sv})", session.c_str(), &list, "", &options));
    }

    static void OnCallDone(GObject* source, GAsyncResult* result, gpointer data) {
        portal::Error error;
        portal::Variant reply(
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, portal::Out(error)));
        // Cancelled: the object is gone, so `data` must not be touched.
        if (error && !g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
            static_cast<Impl*>(data)->Fail(std::string("the desktop's shortcut service "
                                                       "refused: ") +
                                           error->message);
    }

    void OnResponse(uint32_t response, GVariant* results) {
        if (response != 0) {
            Fail(response == 1 ? "the shortcuts were not allowed"
                               : "the desktop could not set up the shortcuts");
        } else if (step == Step::CreatingSession) {
            const gchar* handle = nullptr;
            if (g_variant_lookup(results, "session_handle", "&s", &handle) ||
                g_variant_lookup(results, "session_handle", "&o", &handle)) {
                session = handle;
                BindShortcuts();
            } else {
                Fail("the desktop gave no shortcut session");
            }
        } else if (step == Step::Binding) {
            step = Step::None;
            bound = true;
        }
    }

    static void OnActivated(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                            const gchar*, GVariant* parameters, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        const gchar* session = nullptr;
        const gchar* id = nullptr;
        g_variant_get(parameters, "(&o&sta{sv})", &session, &id, nullptr, nullptr);
        if (!session || self->session != session || !id)
            return;
        for (size_t i = 0; i < self->shortcuts.size(); ++i)
            if (self->shortcuts[i].id == id)
                self->pressed.push_back(static_cast<int>(i));
    }
};

PortalShortcuts::PortalShortcuts() : impl_(std::make_unique<Impl>()) {}
PortalShortcuts::~PortalShortcuts() = default;

std::unique_ptr<PortalShortcuts> PortalShortcuts::Open() {
    if (!SessionBusAddressKnown())
        return nullptr;
    portal::Error error;
    portal::Object<GDBusConnection> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, portal::Out(error)));
    if (!bus)
        return nullptr;
    // The interface is there when its version can be read. The portal is started by the bus
    // on demand where it is installed but not yet running, which may take a moment.
    portal::Variant version(g_dbus_connection_call_sync(
        bus.get(), portal::kName, portal::kPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kShortcutsInterface, "version"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, kStartTimeoutMs, nullptr, portal::Out(error)));
    if (!version)
        return nullptr;

    std::unique_ptr<PortalShortcuts> shortcuts(new PortalShortcuts());
    Impl& impl = *shortcuts->impl_;
    impl.bus = std::move(bus);
    impl.cancel.reset(g_cancellable_new());
    impl.activatedSubscription = g_dbus_connection_signal_subscribe(
        impl.bus.get(), portal::kName, kShortcutsInterface, "Activated", portal::kPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &Impl::OnActivated, &impl, nullptr);
    return shortcuts;
}

void PortalShortcuts::Bind(std::vector<PortalShortcut> shortcuts) {
    impl_->CloseSession();
    impl_->shortcuts = std::move(shortcuts);
    impl_->pressed.clear();
    impl_->bound = false;
    impl_->failure.clear();
    impl_->CreateSession();
}

bool PortalShortcuts::bound() const {
    return impl_->bound;
}

std::string PortalShortcuts::failure() const {
    return impl_->failure;
}

std::vector<int> PortalShortcuts::Poll() {
    std::vector<int> out;
    out.swap(impl_->pressed);
    return out;
}

} // namespace tess
