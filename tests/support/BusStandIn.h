#pragma once
// A stand-in desktop service for tests: owns its names on the session bus (a private
// dbus-daemon in the tests) and answers on a thread and main context of its own, as a real
// service answers from its own process.
#include <gio/gio.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tess::test {

class BusStandIn {
public:
    BusStandIn(const BusStandIn&) = delete;
    BusStandIn& operator=(const BusStandIn&) = delete;
    bool ready() const { return ready_; }

protected:
    struct Object {
        std::string path;
        int interface; // its place in the introspection data
    };
    // Registers each object with `vtable` (called with `this`) and owns every name in `names`;
    // ready() tells whether it got them (waited for up to 2 s).
    BusStandIn(const char* introspection, std::vector<Object> objects,
               std::vector<std::string> names, const GDBusInterfaceVTable* vtable)
        : xml_(introspection), objects_(std::move(objects)), names_(std::move(names)),
          vtable_(vtable) {
        thread_ = std::thread([this] { Run(); });
        for (int i = 0; i < 200 && !ready_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Subclasses call this first in their destructor, so no call reaches a half-gone object.
    void Stop() {
        if (!thread_.joinable())
            return;
        while (!loop_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Through the service's own context, so a quit cannot come before the loop runs.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(
            quit,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_.load(), nullptr);
        g_source_attach(quit, context_);
        g_source_unref(quit);
        thread_.join();
    }
    ~BusStandIn() { Stop(); }

    void Emit(const char* path, const char* interface, const char* signal, GVariant* args) {
        g_dbus_connection_emit_signal(connection_, nullptr, path, interface, signal, args, nullptr);
        g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
    }

private:
    void Run() {
        GMainContext* context = context_ = g_main_context_new();
        g_main_context_push_thread_default(context);
        GMainLoop* loop = g_main_loop_new(context, FALSE);
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        connection_ = g_dbus_connection_new_for_address_sync(
            address,
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        g_free(address);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml_, nullptr);
        bool owned = connection_ && node;
        for (const Object& o : objects_)
            if (owned)
                g_dbus_connection_register_object(connection_, o.path.c_str(),
                                                  node->interfaces[o.interface], vtable_, this,
                                                  nullptr, nullptr);
        for (const std::string& name : names_) {
            GVariant* r = owned ? g_dbus_connection_call_sync(
                                      connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "RequestName",
                                      g_variant_new("(su)", name.c_str(), 4u), nullptr,
                                      G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr)
                                : nullptr;
            owned = owned && r;
            if (r)
                g_variant_unref(r);
        }
        loop_ = loop;
        ready_ = owned;
        g_main_loop_run(loop);
        if (connection_) {
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        if (node)
            g_dbus_node_info_unref(node);
        g_main_loop_unref(loop);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    const char* xml_;
    std::vector<Object> objects_;
    std::vector<std::string> names_;
    const GDBusInterfaceVTable* vtable_;
    std::thread thread_;
    GMainContext* context_ = nullptr; // set before loop_
    std::atomic<GMainLoop*> loop_{nullptr};
    std::atomic<bool> ready_{false};

protected:
    GDBusConnection* connection_ = nullptr;
};

} // namespace tess::test
