// The hot keys of a Wayland session through the desktop's shortcut portal, against a stand-in
// portal on a private session bus: what the program asks for and does with the answers, and
// what the main frame does with a key the portal reports.
#include "app/AppTestSupport.h"
#include "media/TextPrep.h"
#include "platform/HotKey.h"
#include "platform/portal/Shortcuts.h"
#include "support/BusStandIn.h"
#include "support/PrivateBus.h"
#include "support/XTestWindows.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include <wx/statusbr.h>

namespace tess {
namespace {

const char* kIntrospection = R"xml(<node>
  <interface name="org.freedesktop.portal.GlobalShortcuts">
    <method name="CreateSession">
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="o" name="handle" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="a(sa{sv})" name="shortcuts" direction="in"/>
      <arg type="s" name="parent_window" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="o" name="handle" direction="out"/>
    </method>
    <signal name="Activated">
      <arg type="o" name="session_handle"/>
      <arg type="s" name="shortcut_id"/>
      <arg type="t" name="timestamp"/>
      <arg type="a{sv}" name="options"/>
    </signal>
    <property name="version" type="u" access="read"/>
  </interface>
</node>)xml";

constexpr const char* kPath = "/org/freedesktop/portal/desktop";

// The stand-in portal: owns the portal's name on the bus and answers on a thread and main
// context of its own, as the real one answers from its own process.
class FakePortal : public test::BusStandIn {
public:
    std::atomic<unsigned> bindResponse{0}; // 0 granted, 1 cancelled by the user
    std::mutex lock;
    std::vector<std::string> bound; // "id|description|trigger"
    std::string session;
    FakePortal()
        : BusStandIn(kIntrospection, {{kPath, 0}}, {"org.freedesktop.portal.Desktop"}, &kVtable) {}
    ~FakePortal() { Stop(); }
    // Emits a key press of `id` for the current session.
    void Press(const std::string& id) {
        std::string s;
        {
            std::lock_guard<std::mutex> hold(lock);
            s = session;
        }
        Emit(kPath, "org.freedesktop.portal.GlobalShortcuts", "Activated",
             g_variant_new("(ost@a{sv})", s.c_str(), id.c_str(), guint64{1},
                           g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
    }

private:
    unsigned sessions_ = 0;

    static std::string RequestPath(const char* sender, GVariant* options) {
        const gchar* token = "t";
        g_variant_lookup(options, "handle_token", "&s", &token);
        std::string part;
        for (const char* c = sender; *c; ++c)
            if (*c != ':')
                part += *c == '.' ? '_' : *c;
        return std::string(kPath) + "/request/" + part + "/" + token;
    }

    void Respond(const std::string& request, unsigned code, GVariant* results) {
        g_dbus_connection_emit_signal(connection_, nullptr, request.c_str(),
                                      "org.freedesktop.portal.Request", "Response",
                                      g_variant_new("(u@a{sv})", code, results), nullptr);
    }

    static void OnCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<FakePortal*>(static_cast<BusStandIn*>(data));
        GVariantDict results;
        g_variant_dict_init(&results, nullptr);
        if (g_strcmp0(method, "CreateSession") == 0) {
            GVariant* options = g_variant_get_child_value(parameters, 0);
            const std::string request = RequestPath(sender, options);
            g_variant_unref(options);
            const std::string session =
                std::string(kPath) + "/session/s" + std::to_string(++self->sessions_);
            {
                std::lock_guard<std::mutex> hold(self->lock);
                self->session = session;
            }
            g_dbus_method_invocation_return_value(invocation,
                                                  g_variant_new("(o)", request.c_str()));
            g_variant_dict_insert(&results, "session_handle", "s", session.c_str());
            self->Respond(request, 0, g_variant_dict_end(&results));
            return;
        }
        // BindShortcuts
        GVariant* list = g_variant_get_child_value(parameters, 1);
        GVariant* options = g_variant_get_child_value(parameters, 3);
        const std::string request = RequestPath(sender, options);
        {
            std::lock_guard<std::mutex> hold(self->lock);
            self->bound.clear();
            GVariantIter iter;
            g_variant_iter_init(&iter, list);
            const gchar* id = nullptr;
            GVariant* info = nullptr;
            while (g_variant_iter_next(&iter, "(&s@a{sv})", &id, &info)) {
                const gchar* description = "";
                const gchar* trigger = "";
                g_variant_lookup(info, "description", "&s", &description);
                g_variant_lookup(info, "preferred_trigger", "&s", &trigger);
                self->bound.push_back(std::string(id) + "|" + description + "|" + trigger);
                g_variant_unref(info);
            }
        }
        g_variant_unref(list);
        g_variant_unref(options);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
        self->Respond(request, self->bindResponse, g_variant_dict_end(&results));
    }

    static GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar*, GError**, gpointer) {
        return g_variant_new_uint32(1);
    }

    static constexpr GDBusInterfaceVTable kVtable = {&OnCall, &OnGetProperty, nullptr, {}};
};

// Runs the default main context (where the program's side gets its answers) until `done`.
bool IterateUntil(const std::function<bool()>& done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class ShortcutPortal : public ::testing::Test {
protected:
    void SetUp() override {
        bus_.emplace();
        if (!bus_->up())
            GTEST_SKIP() << "needs dbus-daemon";
    }
    void TearDown() override { bus_.reset(); }

private:
    std::optional<test::PrivateSessionBus> bus_;
};

TEST_F(ShortcutPortal, ActionsAreOfferedWithTriggersAndPressesComeBack) {
    EXPECT_FALSE(PortalShortcuts::Open()) << "no portal on the bus yet";
    FakePortal portal;
    ASSERT_TRUE(portal.ready());
    auto keys = PortalShortcuts::Open();
    ASSERT_TRUE(keys);
    keys->Bind({{"video", "Start or stop a recording", "CTRL+SHIFT+F9"},
                {"snapshot", "Take a snapshot", ""}});
    ASSERT_TRUE(IterateUntil([&] { return keys->bound() || !keys->failure().empty(); }))
        << "no answer from the portal";
    EXPECT_TRUE(keys->bound()) << keys->failure();
    {
        std::lock_guard<std::mutex> hold(portal.lock);
        EXPECT_EQ(portal.bound,
                  (std::vector<std::string>{"video|Start or stop a recording|CTRL+SHIFT+F9",
                                            "snapshot|Take a snapshot|"}));
    }

    portal.Press("snapshot");
    portal.Press("video");
    portal.Press("unknown");
    std::vector<int> pressed;
    IterateUntil([&] {
        for (int i : keys->Poll())
            pressed.push_back(i);
        return pressed.size() >= 2;
    });
    IterateUntil([] { return false; }, 100); // nothing more arrives for "unknown"
    for (int i : keys->Poll())
        pressed.push_back(i);
    EXPECT_EQ(pressed, (std::vector<int>{1, 0}));

    // A new binding is a new session: presses of the old one are not ours any more.
    portal.bindResponse = 1; // the user says no
    keys->Bind({{"video", "Start or stop a recording", "CTRL+F9"}});
    ASSERT_TRUE(IterateUntil([&] { return !keys->failure().empty(); }));
    EXPECT_FALSE(keys->bound());
    EXPECT_NE(keys->failure().find("not allowed"), std::string::npos) << keys->failure();
}

// The frame of a Wayland session binds its four keys through the portal; the text key's press
// runs "Copy Text from Region...": the region is chosen, then read (a plain one has no text).
class FramePortalKeys : public test::FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        bus_.emplace();
        if (!bus_->up())
            GTEST_SKIP() << "needs dbus-daemon";
        MakeFrame();
    }
    void TearDown() override {
        FrameFixture::TearDown();
        bus_.reset();
    }

private:
    std::optional<test::PrivateSessionBus> bus_;
};

TEST_F(FramePortalKeys, TheTextKeyReadsTheChosenRegion) {
    FakePortal portal;
    ASSERT_TRUE(portal.ready());
    // The region's and the text's keys apart, so each binding shows its own.
    GlobalSettings().key3 = HotKey::Of('R', true, true, false).stored();
    GlobalSettings().key4 = HotKey::Of('T', true, true, false).stored();
    {
        test::ScopedEnv session("XDG_SESSION_TYPE", "wayland"), display("WAYLAND_DISPLAY", "none");
        frame->RegisterHotKeys();
    }
    auto bound = [&] {
        std::lock_guard<std::mutex> hold(portal.lock);
        return portal.bound;
    };
    ASSERT_TRUE(test::PumpUntil([&] { return bound().size() == 4; }));
    EXPECT_EQ(bound()[3], "text|Copy the text of a region|" +
                              HotKey::FromStored(GlobalSettings().key4).triggerText());
    EXPECT_NE(bound()[3].find("+t"), std::string::npos) << bound()[3];

    test::XTestDisplay x;
    const Window plain = x.createSolid(100, 100, 160, 60, 0x336699);
    rectChoice = ScreenRect{100, 100, 260, 160};
    portal.Press("text");
    EXPECT_TRUE(test::PumpUntil([&] { return rectChoices == 1; }));
    EXPECT_TRUE(test::PumpUntil(
        [&] { return frame->GetStatusBar()->GetStatusText() == kNoTextFoundMessage; }, 30000))
        << frame->GetStatusBar()->GetStatusText();
    EXPECT_TRUE(std::filesystem::is_empty(captures)); // no snapshot
    x.destroy(plain);
}

} // namespace
} // namespace tess
