// The screen cast's talk with the desktop portal, against a stand-in portal on a private
// session bus: what the program asks for, and that every way the portal can fail (the user
// cancelling, the portal leaving the bus or closing the session during the dialog, no answer
// at all, a restore token it refuses) ends the start with a message instead of a wait.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/portal/PortalScreenCast.h"
#include "platform/portal/Request.h"
#include "support/BusStandIn.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.freedesktop.portal.ScreenCast">
    <method name="CreateSession"><arg type="a{sv}" direction="in"/>
      <arg type="o" direction="out"/></method>
    <method name="SelectSources"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="o" direction="out"/></method>
    <method name="Start"><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <property name="version" type="u" access="read"/>
    <property name="AvailableSourceTypes" type="u" access="read"/>
    <property name="AvailableCursorModes" type="u" access="read"/>
  </interface>
</node>)";

// How the stand-in answers Start (and, for Silent, CreateSession).
enum class Behaviour { Cancel, Vanish, CloseSession, Silent, Hold };

// A screen-cast portal on a thread of its own. It records the options of every SelectSources
// call and refuses a restore token other than "good".
class StandInPortal : public test::BusStandIn {
public:
    explicit StandInPortal(Behaviour behaviour)
        : BusStandIn(kIntrospection, {{"/org/freedesktop/portal/desktop", 0}}, {kName}, &kVtable),
          behaviour_(behaviour) {}
    ~StandInPortal() { Stop(); }
    std::vector<std::string> selectOptions() {
        std::lock_guard lock(mutex_);
        return selectOptions_;
    }
    // Whether the n-th SelectSources call's options hold `text`.
    bool asked(size_t n, const std::string& text) {
        const auto all = selectOptions();
        return n < all.size() && all[n].find(text) != std::string::npos;
    }

private:
    static constexpr const char* kName = "org.freedesktop.portal.Desktop";
    // Version 4, monitors only, hidden and embedded cursors.
    static GVariant* Property(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar* name, GError**, gpointer) {
        const std::string n = name;
        return g_variant_new_uint32(n == "version" ? 4 : n == "AvailableSourceTypes" ? 1 : 3);
    }
    static void Call(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                     const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                     gpointer data) {
        static_cast<StandInPortal*>(static_cast<BusStandIn*>(data))
            ->call(sender, method, parameters, invocation);
    }
    static constexpr GDBusInterfaceVTable kVtable = {&Call, &Property, nullptr, {}};

    void call(const std::string& sender, const std::string& method, GVariant* parameters,
              GDBusMethodInvocation* invocation) {
        const portal::Variant owner(
            g_variant_get_child_value(parameters, g_variant_n_children(parameters) - 1));
        GVariant* options = owner.get();
        const gchar* token = "";
        g_variant_lookup(options, "handle_token", "&s", &token);
        std::string name = sender.substr(1);
        for (char& c : name)
            if (c == '.')
                c = '_';
        const std::string path = "/org/freedesktop/portal/desktop/request/" + name + "/" + token;
        session_ = "/org/freedesktop/portal/desktop/session/" + name + "/s";
        if (method == "SelectSources") {
            const gchar* restore = nullptr;
            {
                std::lock_guard lock(mutex_);
                gchar* text = g_variant_print(options, FALSE);
                selectOptions_.push_back(text);
                g_free(text);
            }
            if (g_variant_lookup(options, "restore_token", "&s", &restore) &&
                std::string(restore) != "good") {
                g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR,
                                                      G_DBUS_ERROR_INVALID_ARGS,
                                                      "Restore token is not valid");
                return;
            }
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", path.c_str()));
        if (method == "CreateSession" && behaviour_ == Behaviour::Silent)
            return;
        if (method == "Start") {
            if (behaviour_ == Behaviour::Hold)
                return; // the dialog stays open
            if (behaviour_ == Behaviour::Vanish) {
                portal::Variant(g_dbus_connection_call_sync(
                    connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                    "org.freedesktop.DBus", "ReleaseName", g_variant_new("(s)", kName), nullptr,
                    G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
                return;
            }
            if (behaviour_ == Behaviour::CloseSession) {
                g_dbus_connection_emit_signal(connection_, sender.c_str(), session_.c_str(),
                                              "org.freedesktop.portal.Session", "Closed",
                                              g_variant_new("(a{sv})", nullptr), nullptr);
                return;
            }
        }
        GVariantBuilder results;
        g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
        if (method == "CreateSession")
            g_variant_builder_add(&results, "{sv}", "session_handle",
                                  g_variant_new_string(session_.c_str()));
        const uint32_t code = method == "Start" ? 1u : 0u; // the user cancels the dialog
        g_dbus_connection_emit_signal(connection_, sender.c_str(), path.c_str(),
                                      "org.freedesktop.portal.Request", "Response",
                                      g_variant_new("(ua{sv})", code, &results), nullptr);
    }

    Behaviour behaviour_;
    std::string session_;
    std::mutex mutex_;
    std::vector<std::string> selectOptions_;
};

// A private session bus for each test.
class PortalNegotiation : public ::testing::Test {
protected:
    void SetUp() override {
        bus_.emplace();
        if (!bus_->up())
            GTEST_SKIP() << "dbus-daemon is not installed";
    }
    void TearDown() override { bus_.reset(); }
    static PortalCastOptions Options(std::string token = {}) {
        PortalCastOptions o;
        o.restoreToken = std::move(token);
        o.requestTimeoutMs = 500;
        return o;
    }
    std::optional<test::PrivateSessionBus> bus_;
};

// What is asked for, the user cancelling, asking again, and a refused token meaning asking
// without one.
TEST_F(PortalNegotiation, WhatIsAskedForTheUserCancellingAndARefusedToken) {
    StandInPortal portal(Behaviour::Cancel);
    PortalScreenCast cast(Options("good"));
    EXPECT_FALSE(cast.start());
    EXPECT_EQ(cast.failure(), "the screen cast was cancelled");
    for (const char* option :
         {"'types': <uint32 1>", "'multiple': <false>", "'cursor_mode': <uint32 2>",
          "'persist_mode': <uint32 2>", "'restore_token': <'good'>"})
        EXPECT_TRUE(portal.asked(0, option)) << option << " in " << portal.selectOptions()[0];
    EXPECT_FALSE(cast.start()); // asked again, it asks the portal again
    EXPECT_EQ(portal.selectOptions().size(), 2u);

    PortalCastOptions options = Options("spent");
    options.cursor = false;
    std::vector<std::string> tokens;
    options.tokenChanged = [&](const std::string& t) { tokens.push_back(t); };
    PortalScreenCast refused(std::move(options));
    EXPECT_FALSE(refused.start());
    EXPECT_EQ(refused.failure(), "the screen cast was cancelled");
    ASSERT_EQ(portal.selectOptions().size(), 4u);
    EXPECT_TRUE(portal.asked(2, "'restore_token': <'spent'>"));
    EXPECT_FALSE(portal.asked(3, "restore_token"));
    EXPECT_TRUE(portal.asked(3, "'cursor_mode': <uint32 1>")) << portal.selectOptions()[3];
    EXPECT_TRUE(tokens.empty()); // no successful start: nothing to keep
}

// No portal on the bus, the dialog ending with the portal or the session, an interrupted
// command stopping the wait, and a portal that never answers: each says why.
TEST_F(PortalNegotiation, AStartThatCannotFinishSaysWhy) {
    const std::pair<std::optional<Behaviour>, const char*> cases[] = {
        {std::nullopt, "the desktop portal is not running on the session bus"},
        {Behaviour::Vanish, "the desktop portal went away"},
        {Behaviour::CloseSession, "the desktop closed the screen-cast session"},
        {Behaviour::Hold, "the screen cast was stopped"},
        {Behaviour::Silent, "the desktop portal did not answer CreateSession within 0.5 seconds"}};
    for (const auto& [behaviour, why] : cases) {
        std::optional<StandInPortal> portal;
        if (behaviour)
            portal.emplace(*behaviour);
        PortalScreenCast cast(Options());
        std::thread interrupt([behaviour = behaviour] {
            if (behaviour == Behaviour::Hold) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                InterruptScreenSourceStart();
            }
        });
        EXPECT_FALSE(cast.start());
        interrupt.join();
        const std::string got = cast.failure(); // without a portal, more follows
        EXPECT_EQ(behaviour ? got : got.substr(0, std::strlen(why)), why);
        EXPECT_TRUE(behaviour || !cast.ended());
        ClearScreenSourceInterrupt();
    }
}

} // namespace
} // namespace tess
