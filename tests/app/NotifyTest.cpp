// The notification after a capture, against a stand-in notification server and file manager on a
// private session bus: what is shown, what its actions do, no server, the command line's --notify.
#include "platform/notify/Notify.h"
#include "app/AppTestSupport.h"
#include "capture/WxDesktopServices.h"
#include "media/VideoFile.h"
#include "platform/Log.h"
#include "resources/Ids.h"
#include "settings/Settings.h"
#include "support/BusStandIn.h"
#include "support/PrivateBus.h"

#include <algorithm>
#include <atomic>
#include <gio/gio.h>
#include <mutex>
#include <optional>
#include <thread>

namespace tess {
namespace {

const char* kIntrospection = R"xml(<node><interface name="org.freedesktop.Notifications">
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="s" direction="out"/></method>
  <method name="Notify"><arg type="s"/><arg type="u"/><arg type="s"/><arg type="s"/><arg type="s"/>
    <arg type="as"/><arg type="a{sv}"/><arg type="i"/><arg type="u" direction="out"/></method>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface><interface name="org.freedesktop.FileManager1">
  <method name="ShowItems"><arg type="as"/><arg type="s"/></method></interface></node>)xml";

constexpr const char* kNotifyPath = "/org/freedesktop/Notifications";

// The notification server and the file manager; a notification's id is its place in shown() + 1.
// It never closes a notification unless told to.
class FakeDesktopServer : public test::BusStandIn {
public:
    struct Shown {
        std::string app, summary, body, imagePath;
        std::vector<std::string> actions; // id, label, id, label...
        int urgency = -1;
    };
    explicit FakeDesktopServer(std::vector<std::string> caps = {"actions", "body"})
        : BusStandIn(kIntrospection, {{kNotifyPath, 0}, {"/org/freedesktop/FileManager1", 1}},
                     {"org.freedesktop.Notifications", "org.freedesktop.FileManager1"}, &kVtable),
          caps_(std::move(caps)) {}
    ~FakeDesktopServer() { Stop(); }
    std::vector<Shown> shown() {
        std::lock_guard<std::mutex> hold(lock_);
        return shown_;
    }
    std::vector<std::string> folderItems() {
        std::lock_guard<std::mutex> hold(lock_);
        return folderItems_;
    }
    void Invoke(unsigned id, const std::string& action) {
        Emit("ActionInvoked", g_variant_new("(us)", id, action.c_str()));
    }
    void Close(unsigned id) { Emit("NotificationClosed", g_variant_new("(uu)", id, 2u)); }

private:
    void Emit(const char* signal, GVariant* args) {
        BusStandIn::Emit(kNotifyPath, "org.freedesktop.Notifications", signal, args);
    }
    static std::vector<std::string> Strings(GVariant* list) {
        gsize n = 0;
        const gchar** s = g_variant_get_strv(list, &n);
        std::vector<std::string> v(s, s + n);
        g_free(s);
        g_variant_unref(list);
        return v;
    }
    static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* args, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<FakeDesktopServer*>(static_cast<BusStandIn*>(data));
        std::lock_guard<std::mutex> hold(self->lock_);
        GVariant* reply = nullptr;
        if (g_strcmp0(method, "GetCapabilities") == 0) {
            std::vector<const gchar*> caps;
            for (const std::string& c : self->caps_)
                caps.push_back(c.c_str());
            caps.push_back(nullptr);
            reply = g_variant_new("(^as)", caps.data());
        } else if (g_strcmp0(method, "GetServerInformation") == 0) {
            reply = g_variant_new("(ssss)", "stand-in", "tests", "1", "1.2");
        } else if (g_strcmp0(method, "Notify") == 0) {
            Shown s;
            const gchar *app, *icon, *summary, *body;
            guint32 replaces;
            gint32 timeout;
            GVariant *actions, *hints;
            g_variant_get(args, "(&su&s&s&s@as@a{sv}i)", &app, &replaces, &icon, &summary, &body,
                          &actions, &hints, &timeout);
            s.app = app, s.summary = summary, s.body = body;
            s.actions = Strings(actions);
            guchar urgency = 0;
            if (g_variant_lookup(hints, "urgency", "y", &urgency))
                s.urgency = urgency;
            const gchar* image = nullptr;
            if (g_variant_lookup(hints, "image-path", "&s", &image))
                s.imagePath = image;
            g_variant_unref(hints);
            self->shown_.push_back(s);
            reply = g_variant_new("(u)", static_cast<guint32>(self->shown_.size()));
        } else {
            for (const std::string& uri : Strings(g_variant_get_child_value(args, 0)))
                self->folderItems_.push_back(uri);
        }
        g_dbus_method_invocation_return_value(invocation, reply);
    }
    static constexpr GDBusInterfaceVTable kVtable = {&OnCall, nullptr, nullptr, {}};
    std::mutex lock_;
    std::vector<Shown> shown_;
    std::vector<std::string> folderItems_;
    std::vector<std::string> caps_;
};

void TakeClipboard() {
    test::RunCommand(
        "echo text | timeout 0.5 xclip -quiet -selection clipboard -i >/dev/null 2>&1");
}

void ExpectSamePicture(const std::string& file, const std::string& original) {
    int w = 0, h = 0, ow = 0, oh = 0;
    const std::vector<uint32_t> pixels = test::ReadPixels(file, &w, &h);
    EXPECT_FALSE(pixels.empty());
    EXPECT_EQ(pixels, test::ReadPixels(original, &ow, &oh));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(ow, oh));
}

std::string UriOf(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string text = uri;
    g_free(uri);
    return text;
}

// The main frame on a private session bus, notifying through the program's real services.
class Notify : public test::FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        if (!test::HaveProgram("dbus-daemon"))
            GTEST_SKIP() << "needs dbus-daemon";
        bus_.emplace();
        notify::Reset();
        log_ = dir.str() + "/warnings.log";
        SetWarningLogPathForTesting(log_);
        Settings& s = GlobalSettings();
        s.snapSystemDisplay = s.vidSystemDisplay = s.captureDelay = s.displayOpenAuto = false;
        s.captureAction = 0, s.copyToClipboard = false, s.notify = true;
        MakeFrame();
        real.setOpenHandler([this](const std::string& path) { client->DisplayFile(path); });
        desktop.notifier = &real;
    }
    void TearDown() override {
        notify::Reset();
        SetWarningLogPathForTesting({});
        FrameFixture::TearDown();
        bus_.reset();
    }
    std::string Warnings() { return test::ReadText(log_); }

    WxDesktopServices real;

private:
    std::optional<test::PrivateSessionBus> bus_;
    std::string log_;
};

TEST_F(Notify, ASnapshotIsAnnouncedItsActionsOpenShowAndCopyItWithoutAServerItIsLogged) {
    // No server: the snapshots go on and one warning is logged.
    const auto noServer = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i)
        client->RunCommand(id::SnapshotScreen);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(captures), {}), 2);
    const std::string warnings = Warnings();
    const size_t first = warnings.find("No notification is shown");
    EXPECT_NE(first, std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("No notification", first + 1), std::string::npos) << warnings;
    // A server that comes later is noticed on the bus (a snapshot may come before), well before
    // the minute after which the program would ask again anyway.
    FakeDesktopServer server;
    ASSERT_TRUE(server.ready());
    while (server.shown().empty() &&
           std::chrono::steady_clock::now() < noServer + std::chrono::seconds(40)) {
        client->RunCommand(id::SnapshotScreen);
        test::PumpUntil([&] { return !server.shown().empty(); }, 1000);
    }
    ASSERT_EQ(server.shown().size(), 1u);
    const auto snap = server.shown()[0];
    const std::string path = captures + "/" + snap.body;
    ASSERT_TRUE(std::filesystem::exists(path)) << snap.body;
    EXPECT_EQ(snap.app + "|" + snap.summary + "|" + std::to_string(snap.urgency),
              "Tessaray|Snapshot saved|1");
    EXPECT_EQ(snap.imagePath, UriOf(path));
    EXPECT_EQ(snap.actions, (std::vector<std::string>{"default", "Open", "folder", "Show in folder",
                                                      "copy", "Copy", "edit", "Edit"}));
    // "Open" shows the file in the main window.
    server.Invoke(1, "default");
    ASSERT_TRUE(test::PumpUntil(
        [&] { return client->displayedFile() && client->displayedFile()->fileName() == path; }));
    // "Show in folder" hands the file's address to the file manager.
    server.Invoke(1, "folder");
    ASSERT_TRUE(test::PumpUntil([&] { return !server.folderItems().empty(); }));
    EXPECT_EQ(server.folderItems(), std::vector<std::string>{UriOf(path)});
    // "Copy" puts the picture on the clipboard, where another program reads it.
    if (test::HaveProgram("xclip")) {
        server.Invoke(1, "copy");
        ExpectSamePicture(test::ClipboardPng(dir.str() + "/clip.png"), path);
        TakeClipboard();
    }
    server.Close(1);

    // A snapshot that cannot be written: an urgent notification with the status bar's message.
    GlobalSettings().defaultDirectory = "/proc/tessaray-test";
    client->RunCommand(id::SnapshotScreen);
    ASSERT_TRUE(test::PumpUntil([&] { return server.shown().size() == 2; }));
    const auto failed = server.shown()[1];
    EXPECT_EQ(failed.summary + "|" + std::to_string(failed.urgency), "Capture failed|2");
    EXPECT_EQ(failed.body, frame->GetStatusBar()->GetStatusText(0).utf8_string());
    EXPECT_TRUE(failed.actions.empty());
    // Switched off, a snapshot notifies nothing; nor is a warning written.
    GlobalSettings().defaultDirectory = captures;
    GlobalSettings().notify = false;
    client->RunCommand(id::SnapshotScreen);
    test::Pump(300);
    EXPECT_EQ(server.shown().size(), 2u);
    EXPECT_EQ(Warnings(), warnings);
}

// The command line notifies only with --notify, and returns at once, even to a shell's $(...),
// while a fresh process answers the notification, which this server keeps until it is closed.
TEST_F(Notify, CommandLineCapturesReturnAtOnceAndAProcessOfTheirOwnAnswersTheNotification) {
    FakeDesktopServer server({"actions", "body", "body-markup", "persistence"});
    ASSERT_TRUE(server.ready());
    const std::string plain = captures + "/plain.png", notified = captures + "/a & b.png";
    EXPECT_EQ(
        test::WaitExit(test::Spawn(test::ProgramPath(), {"--snapshot", "--output", plain}, true)),
        0);
    // The shell then hangs up its process group, as a closing terminal does.
    std::string out;
    EXPECT_EQ(test::RunCommand("timeout 10 sh -c 'p=$(\"" + test::ProgramPath() +
                                   "\" --snapshot --output \"" + notified +
                                   "\" --notify 2>&1) && echo \"$p\"; trap \"\" HUP; kill -HUP 0'",
                               &out),
              0);
    EXPECT_EQ(out, notified + "\n");
    ASSERT_TRUE(test::PumpUntil([&] { return !server.shown().empty(); }, 20000));
    // The name, escaped for a server that reads markup; none for the plain one.
    EXPECT_EQ(server.shown()[0].summary + "|" + server.shown()[0].body,
              "Snapshot saved|a &amp; b.png");
    // "Open" starts the program on the file.
    server.Invoke(1, "default");
    std::string window;
    EXPECT_TRUE(test::PumpUntil(
        [&] {
            return test::RunCommand(
                       "xdotool search --onlyvisible --name '^a & b.png Tessaray$' | head -1",
                       &window) == 0 &&
                   !window.empty();
        },
        20000));
    if (!window.empty())
        test::RunCommand("kill $(xdotool getwindowpid " + window.substr(0, window.find('\n')) +
                         ")");
    // "Copy": the picture stays served after the notification has closed.
    const bool copy = test::HaveProgram("xclip");
    if (copy)
        server.Invoke(1, "copy");
    server.Close(1);
    if (copy) {
        ExpectSamePicture(test::ClipboardPng(dir.str() + "/clip.png"), notified);
        TakeClipboard();
    }
    // A recording: its name, no "Copy".
    EXPECT_EQ(
        test::WaitExit(test::Spawn(
            test::ProgramPath(),
            {"--record", "--seconds", "0.5", "--output", captures + "/rec.wmv", "--notify"}, true)),
        0);
    ASSERT_TRUE(test::PumpUntil([&] { return server.shown().size() == 2; }, 20000));
    EXPECT_EQ(server.shown()[1].summary + "|" + server.shown()[1].body, "Recording saved|rec.wmv");
    EXPECT_EQ(server.shown()[1].actions,
              (std::vector<std::string>{"default", "Open", "folder", "Show in folder"}));
    server.Close(2);
}

} // namespace
} // namespace tess
