#include "platform/portal/Shortcuts.h"

#include <cstdlib>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr int kQuestionTimeoutMs = 2000;
constexpr int kStartTimeoutMs = 5000;

// True when a session bus can be reached without starting one: GIO would otherwise try to
// launch a bus of its own for the question.
bool SessionBusAddressKnown() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

} // namespace

struct PortalShortcuts::Impl {
    GDBusConnection* bus = nullptr;
    GCancellable* cancel = nullptr;
    std::string senderPart; // the unique name as request paths carry it
    guint activatedSubscription = 0;
    guint responseSubscription = 0;
    unsigned tokenCounter = 0;
    std::string session; // the portal session's object path, once created
    std::vector<PortalShortcut> shortcuts;
    std::vector<int> pressed;
    bool bound = false;
    std::string failure;

    enum class Step { None, CreatingSession, Binding };
    Step step = Step::None;

    ~Impl() {
        CloseSession();
        if (cancel) {
            g_cancellable_cancel(cancel);
            g_object_unref(cancel);
        }
        if (activatedSubscription)
            g_dbus_connection_signal_unsubscribe(bus, activatedSubscription);
        if (responseSubscription)
            g_dbus_connection_signal_unsubscribe(bus, responseSubscription);
        if (bus)
            g_object_unref(bus);
    }

    // A new request token, and the path of the request object the portal will make for it:
    // the answer arrives as that object's Response signal, which is subscribed before the
    // call, so it cannot be missed.
    std::string NewRequest(std::string* token) {
        *token = "tessaray" + std::to_string(getpid()) + "_" + std::to_string(++tokenCounter);
        const std::string path = std::string(kPortalPath) + "/request/" + senderPart + "/" + *token;
        if (responseSubscription)
            g_dbus_connection_signal_unsubscribe(bus, responseSubscription);
        responseSubscription = g_dbus_connection_signal_subscribe(
            bus, kPortalName, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, &Impl::OnResponse, this, nullptr);
        return path;
    }

    void Call(const char* method, GVariant* parameters) {
        g_dbus_connection_call(bus, kPortalName, kPortalPath, kShortcutsInterface, method,
                               parameters, G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE,
                               kQuestionTimeoutMs, cancel, &Impl::OnCallDone, this);
    }

    void CloseSession() {
        if (session.empty() || !bus)
            return;
        g_dbus_connection_call(bus, kPortalName, session.c_str(), "org.freedesktop.portal.Session",
                               "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
                               kQuestionTimeoutMs, nullptr, nullptr, nullptr);
        session.clear();
    }

    void Fail(const std::string& why) {
        step = Step::None;
        bound = false;
        failure = why;
    }

    void CreateSession() {
        std::string token, sessionToken = "tessaray_session" + std::to_string(getpid()) + "_" +
                                          std::to_string(tokenCounter + 1);
        NewRequest(&token);
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
        std::string token;
        NewRequest(&token);
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
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (reply)
            g_variant_unref(reply);
        if (!error)
            return;
        // Cancelled: the object is gone, so `data` must not be touched.
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            static_cast<Impl*>(data)->Fail(std::string("the desktop's shortcut service "
                                                       "refused: ") +
                                           error->message);
        g_error_free(error);
    }

    static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GVariant* parameters, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        guint32 response = 2;
        GVariant* results = nullptr;
        g_variant_get(parameters, "(u@a{sv})", &response, &results);
        const Step step = self->step;
        if (response != 0) {
            self->Fail(response == 1 ? "the shortcuts were not allowed"
                                     : "the desktop could not set up the shortcuts");
        } else if (step == Step::CreatingSession) {
            const gchar* handle = nullptr;
            if (g_variant_lookup(results, "session_handle", "&s", &handle) ||
                g_variant_lookup(results, "session_handle", "&o", &handle)) {
                self->session = handle;
                self->BindShortcuts();
            } else {
                self->Fail("the desktop gave no shortcut session");
            }
        } else if (step == Step::Binding) {
            self->step = Step::None;
            self->bound = true;
        }
        if (results)
            g_variant_unref(results);
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
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return nullptr;
    }
    // The interface is there when its version can be read. The portal is started by the bus
    // on demand where it is installed but not yet running, which may take a moment.
    GVariant* version = g_dbus_connection_call_sync(
        bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kShortcutsInterface, "version"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, kStartTimeoutMs, nullptr, &error);
    if (!version) {
        g_clear_error(&error);
        g_object_unref(bus);
        return nullptr;
    }
    g_variant_unref(version);

    std::unique_ptr<PortalShortcuts> shortcuts(new PortalShortcuts());
    Impl& impl = *shortcuts->impl_;
    impl.bus = bus;
    impl.cancel = g_cancellable_new();
    // ":1.42" is "1_42" in request paths.
    std::string unique = g_dbus_connection_get_unique_name(bus);
    for (char c : unique)
        if (c != ':')
            impl.senderPart += c == '.' ? '_' : c;
    impl.activatedSubscription = g_dbus_connection_signal_subscribe(
        bus, kPortalName, kShortcutsInterface, "Activated", kPortalPath, nullptr,
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
