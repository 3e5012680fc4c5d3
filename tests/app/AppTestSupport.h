#pragma once
// Shared pieces of the application tests: private XDG directories per test, and the main
// frame with its client window on the X server, a fake desktop and counting choosers.
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "platform/FileIo.h"
#include "resources/Ids.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/Pump.h"
#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>

namespace tess::test {

// A file's text; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
    return ReadWholeFile(path).value_or("");
}

// The messages shown, as "caption: text".
inline std::vector<std::string> CaptionedMessages(const FakeDesktop& desktop) {
    std::vector<std::string> out;
    for (const auto& m : desktop.messages)
        out.push_back(m.caption + ": " + m.text);
    return out;
}

// Sets (or, given nullptr, removes) an environment variable while it lives.
struct ScopedEnv {
    std::string name;
    std::optional<std::string> old;
    ScopedEnv(const char* n, const char* v)
        : name(n), old(getenv(n) ? getenv(n) : std::optional<std::string>()) {
        v ? setenv(n, v, 1) : unsetenv(n);
    }
    ~ScopedEnv() { old ? setenv(name.c_str(), old->c_str(), 1) : unsetenv(name.c_str()); }
};

// Copies the clipboard's PNG (waited for up to 10 s) into `out` with xclip, while this program
// pumps events to serve it; returns `out`.
inline std::string ClipboardPng(const std::string& out) {
    std::filesystem::remove(out);
    auto reader = std::async(std::launch::async, [&] {
        RunCommand("for i in $(seq 100); do xclip -selection clipboard -t TARGETS -o 2>/dev/null "
                   "| grep -qx image/png && break; sleep 0.1; done; xclip -selection clipboard "
                   "-t image/png -o > '" +
                   out + "'");
    });
    EXPECT_TRUE(PumpUntil(
        [&] { return reader.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        15000));
    reader.wait();
    return out;
}

class XdgTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir.str() + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir.str() + "/data").c_str(), 1);
        setenv("HOME", (dir.str() + "/home").c_str(), 1); // the pictures folder's
        SetDefaultIniPathForTesting(dir.str() + "/exe/tessaray.ini");
    }
    void TearDown() override {
        setenv("HOME", home_.c_str(), 1);
        SetRegistryStorePathForTesting({});
        SetDefaultIniPathForTesting({});
    }
    TempDir dir;

private:
    const std::string home_ = std::getenv("HOME") ? std::getenv("HOME") : "/tmp";
};

// The main frame made from the stored settings of a fresh profile. The choosers of a window
// or a rectangle count their calls and answer `windowChoice` / `rectChoice` (nothing: a
// cancelled choice); the schedule answers `scheduleAnswer` once. The frame's state messages
// are collected in `states`.
class FrameFixture : public XdgTest {
protected:
    void SetUp() override {
        if (!HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        LoadSettings();
        captures = dir.str() + "/captures";
        std::filesystem::create_directories(captures);
        GlobalSettings().defaultDirectory = captures;
    }
    // Makes and shows the frame (the tests set settings first where the frame reads them).
    void MakeFrame() {
        ClientHooks hooks;
        hooks.selectWindow = [this](WindowId* w) {
            ++windowChoices;
            *w = windowChoice;
            return windowChoice != 0;
        };
        hooks.selectRectangle = [this](ScreenRect* r) {
            ++rectChoices;
            titleDuringChoice = frame->GetTitle().utf8_string();
            *r = rectChoice;
            return !rectChoice.empty();
        };
        hooks.prepareMixer = prepareMixer;
        hooks.scheduleCheck = [this] { return std::exchange(scheduleAnswer, 0); };
        frame = new SDIDecFrame(desktop, false, std::move(hooks));
        client = frame->client();
        frame->Bind(EVT_TESS_MESSAGE, [this](PrivateMessageEvent& e) {
            if (e.message() == msg::StateIcons)
                states.push_back(static_cast<CaptureState>(e.wParam()));
            e.Skip();
        });
        frame->Show();
        PumpUntil([this] { return frame->IsShownOnScreen(); }, 2000);
        Pump(50);
    }
    void TearDown() override {
        if (frame) {
            client->canClose = nullptr;
            delete frame;
            Pump(20);
        }
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    // A menu command as the frame receives it; false when nothing handled it.
    bool Menu(int cmd) {
        wxCommandEvent e(wxEVT_MENU, cmd);
        e.SetEventObject(frame);
        return frame->GetEventHandler()->ProcessEvent(e);
    }
    wxUpdateUIEvent Ui(int cmd) {
        wxUpdateUIEvent e(cmd);
        e.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(e);
        return e;
    }
    CaptureState State() const { return client->captureState(); }

    FakeDesktop desktop;
    SDIDecFrame* frame = nullptr;
    TClient* client = nullptr;
    std::string captures;
    int windowChoices = 0, rectChoices = 0;
    WindowId windowChoice = 0;
    ScreenRect rectChoice;
    std::string titleDuringChoice;
    std::function<void()> prepareMixer; // empty: the real mixer step
    int scheduleAnswer = 0;
    std::vector<CaptureState> states;

private:
    Settings saved_;
};

// Starts `program` (a path, or a name found on the PATH) with `args`; its output goes to
// /dev/null when `quiet`.
inline pid_t Spawn(const std::string& program, std::vector<std::string> args, bool quiet = false) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (quiet) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        }
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Starts openbox and waits (up to 10 s) until it manages the display: a fixed pause is too
// short on a loaded machine.
inline pid_t SpawnWindowManager() {
    pid_t wm = Spawn("openbox", {}, true);
    const std::string managing =
        "id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '{print $5}'); "
        "[ -n \"$id\" ] && xprop -id \"$id\" _NET_WM_NAME 2>/dev/null | grep -q Openbox";
    for (int i = 0; i < 100 && RunCommand(managing) != 0; ++i)
        usleep(100000);
    return wm;
}

// Waits for `pid` to end: its exit code, 128 + its signal, or -1 when it outlasts `seconds`
// (then it is killed).
inline int WaitExit(pid_t pid, int seconds = 20) {
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

inline void Stop(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        WaitExit(pid);
    }
}

} // namespace tess::test
