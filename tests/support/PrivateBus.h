#pragma once
// A private session bus (GLib's test bus) for one test or fixture. The test bus's set-up and
// tear-down unset DISPLAY and XDG_RUNTIME_DIR (where the test sound server lives), which the
// program and the later tests need: they are put back, and the session bus address is put
// back as it was when the bus goes.
#include <gio/gio.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace tess::test {

class PrivateSessionBus {
public:
    PrivateSessionBus() {
        gchar* daemon = g_find_program_in_path("dbus-daemon");
        if (!daemon)
            return;
        g_free(daemon);
        for (const char* name : {"DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS"})
            if (const char* value = std::getenv(name))
                saved_.emplace_back(name, value);
        bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(bus_);
        Restore(false);
    }
    ~PrivateSessionBus() {
        if (!bus_)
            return;
        g_test_dbus_down(bus_);
        g_object_unref(bus_);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        Restore(true);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // False when no dbus-daemon is installed (the test skips).
    bool up() const { return bus_ != nullptr; }

private:
    void Restore(bool address) {
        for (const auto& [name, value] : saved_)
            if (address || name != "DBUS_SESSION_BUS_ADDRESS")
                setenv(name.c_str(), value.c_str(), 1);
    }
    GTestDBus* bus_ = nullptr;
    std::vector<std::pair<std::string, std::string>> saved_;
};

} // namespace tess::test
