// The built program and its launcher: switches, signals, placement, tray and libraries.
#include "app/AppTestSupport.h"
#include "platform/FileIo.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <wx/taskbar.h>

namespace tess {
namespace {

class Program : public test::XdgTest {
protected:
    pid_t Start(std::vector<std::string> args) { return test::Spawn(test::ProgramPath(), args); }
    // The geometry of the program's visible frame with process id `pid`, waiting for it: the
    // outer corner and size, the window manager's decorations included (as the settings keep
    // them). With `settled` it also waits (a while) until the geometry satisfies it, as a frame
    // can be mapped before the window manager has placed and sized it.
    using Geometry = std::function<bool(int x, int y, int w, int h)>;
    bool FrameGeometry(pid_t pid, int& x, int& y, int& w, int& h, const Geometry& settled = {}) {
        bool found = false;
        // A loaded machine was seen to take over 10 s to show a first window.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            std::string out;
            test::RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                 " 2>/dev/null | head -1",
                             &out);
            if (!out.empty()) {
                const std::string id = out.substr(0, out.find('\n'));
                std::string geo;
                test::RunCommand("xwininfo -id " + id +
                                     " | awk '/Absolute upper-left X/{x=$4} /Absolute "
                                     "upper-left Y/{y=$4} /Width/{w=$2} /Height/{h=$2} "
                                     "END{print x, y, w, h}'; xprop -id " +
                                     id + " _NET_FRAME_EXTENTS | tr -dc '0-9 '",
                                 &geo);
                int left = 0, right = 0, top = 0, bottom = 0;
                if (sscanf(geo.c_str(), "%d %d %d %d %d %d %d %d", &x, &y, &w, &h, &left, &right,
                           &top, &bottom) >= 4) {
                    x -= left, y -= top, w += left + right, h += top + bottom;
                    found = true;
                    if (!settled || settled(x, y, w, h))
                        return true;
                }
            }
            usleep(100000);
        }
        return found;
    }
};

TEST_F(Program, UninstallSwitchRemovesTheLogOnEntryAndExitsWithOne) {
    std::string entry = dir.str() + "/config/autostart/tessaray.desktop";
    std::filesystem::create_directories(dir.str() + "/config/autostart");
    std::ofstream(entry) << "[Desktop Entry]\n";
    // No display is needed: nothing of the window system is touched.
    std::optional<test::ScopedEnv> noDisplay(std::in_place, "DISPLAY", nullptr);
    pid_t pid = Start({"-Z", "-U"}); // an unknown letter is ignored
    noDisplay.reset();
    EXPECT_EQ(test::WaitExit(pid), 1);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/config/Quorvanta/Tessaray.reg"));
}

TEST_F(Program, TerminateSignalSavesSettingsPlacementFollowsThemAndSlashMMinimizes) {
    if (!test::HaveDisplay() || !test::HaveProgram("xdotool") || !test::HaveProgram("openbox") ||
        !test::HaveProgram("xprop"))
        GTEST_SKIP() << "needs an X display, xdotool, xprop and openbox";
    // A window manager that places new windows itself keeps a user-specified place.
    pid_t wm = test::SpawnWindowManager(), trayer = 0;
    std::shared_ptr<void> stop(nullptr, [&](void*) { test::Stop(trayer), test::Stop(wm); });
    // The first start of all: at 100, 100.
    {
        pid_t pid = Start({});
        int x = 0, y = 0, w = 0, h = 0;
        ASSERT_TRUE(FrameGeometry(pid, x, y, w, h,
                                  [](int x, int y, int, int) { return x == 100 && y == 100; }));
        EXPECT_EQ(x, 100);
        EXPECT_EQ(y, 100);
        kill(pid, SIGTERM);
        EXPECT_EQ(test::WaitExit(pid), 0);
    }
    // Saved place and size.
    std::filesystem::create_directories(dir.str() + "/config/Quorvanta");
    std::ofstream(dir.str() + "/config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"WindowX\"=hex:2c,01,00,00\n\"WindowY\"=hex:c8,00,00,00\n"
           "\"WindowW\"=hex:58,02,00,00\n\"WindowH\"=hex:90,01,00,00\n\"ImageFormat\"=\"4\"\n"
           "\"AlwaysStart\"=\"1\"\n";
    pid_t first = Start({});
    int x = 0, y = 0, w = 0, h = 0;
    const Geometry savedSize = [](int, int, int w, int h) { return w == 600 && h == 400; };
    ASSERT_TRUE(FrameGeometry(first, x, y, w, h, [](int x, int y, int w, int h) {
        return x == 300 && y == 200 && w == 600 && h == 400;
    }));
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 400);

    // A second copy runs too, at the system's place with the saved size.
    pid_t second = Start({});
    int x2 = 0, y2 = 0, w2 = 0, h2 = 0;
    ASSERT_TRUE(FrameGeometry(second, x2, y2, w2, h2, savedSize));
    EXPECT_FALSE(x2 == 300 && y2 == 200);
    EXPECT_EQ(w2, 600);
    EXPECT_EQ(h2, 400);
    kill(second, SIGINT);
    EXPECT_EQ(test::WaitExit(second), 0);

    std::string store = dir.str() + "/config/Quorvanta/Tessaray.reg";
    std::filesystem::remove(store);
    kill(first, SIGTERM);
    EXPECT_EQ(test::WaitExit(first), 0);
    std::string text = ReadWholeFile(store).value_or("");
    EXPECT_NE(text.find("\"ImageFormat\"=\"4\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"WindowW\"=hex:58,02,00,00"), std::string::npos) << text;
    // The window program, started by the launcher, names the launcher in the log-on entry.
    const std::string launcher = std::filesystem::canonical(test::ProgramPath()).string();
    std::string entry =
        ReadWholeFile(dir.str() + "/config/autostart/tessaray.desktop").value_or("");
    EXPECT_NE(entry.find("Exec=" + launcher + "\n"), std::string::npos) << entry;
    EXPECT_EQ(entry.find("tessaray-window"), std::string::npos) << entry;
    // "/m" with the tray icon on: hidden to the tray where there is one, else an ordinary
    // minimized window that the window manager can give back.
    if (!test::HaveProgram("trayer"))
        GTEST_SKIP() << "needs trayer";
    std::ofstream(dir.str() + "/config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"TrayIcon\"=\"1\"\n";
    // The frame's X window (the largest window of the process named "Tessaray"; the tray
    // icon is a small one), its WM_STATE and its map state, read until `settled` holds for
    // them (a loaded machine takes its time to minimize or hide the frame) or 15 s have passed.
    using WindowState = std::function<bool(const std::string& state, const std::string& map)>;
    auto startMinimized = [&](std::string* windowState, std::string* mapState,
                              const WindowState& settled) {
        windowState->clear();
        mapState->clear();
        pid_t pid = Start({"/m"});
        std::string frame;
        for (int i = 0; i < 100 && frame.empty(); ++i) {
            test::RunCommand("for w in $(xdotool search --pid " + std::to_string(pid) +
                                 " --name '^Tessaray$'); do echo \"$(xwininfo -id $w | awk "
                                 "'/Width:/{print $2}') $w\"; done | sort -n | tail -1 | "
                                 "awk '$1 > 100 {print $2}'",
                             &frame);
            usleep(100000);
        }
        EXPECT_FALSE(frame.empty());
        if (!frame.empty()) {
            frame = frame.substr(0, frame.find('\n'));
            for (int i = 0; i < 150; ++i) {
                test::RunCommand("xprop -id " + frame + " WM_STATE", windowState);
                test::RunCommand("xwininfo -id " + frame + " | grep 'Map State'", mapState);
                if (settled(*windowState, *mapState))
                    break;
                usleep(100000);
            }
            // Then it stays so.
            usleep(500000);
            test::RunCommand("xprop -id " + frame + " WM_STATE", windowState);
            test::RunCommand("xwininfo -id " + frame + " | grep 'Map State'", mapState);
        }
        kill(pid, SIGTERM);
        EXPECT_EQ(test::WaitExit(pid), 0);
    };

    std::string state, mapped;
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable()) << "a tray is already running on this display";
    const auto iconic = [](const std::string& state, const std::string&) {
        return state.find("Iconic") != std::string::npos;
    };
    startMinimized(&state, &mapped, iconic);
    EXPECT_TRUE(iconic(state, mapped)) << "no tray: " << state;
    trayer = test::Spawn("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                    "--width", "100", "--height", "32"});
    // The tray is there once it owns the tray selection.
    for (int i = 0; i < 150 && !wxTaskBarIcon::IsAvailable(); ++i)
        usleep(100000);
    ASSERT_TRUE(wxTaskBarIcon::IsAvailable()) << "trayer did not start a tray";
    const auto hidden = [](const std::string& state, const std::string& map) {
        return map.find("IsUnMapped") != std::string::npos &&
               state.find("Iconic") == std::string::npos;
    };
    startMinimized(&state, &mapped, hidden);
    EXPECT_NE(mapped.find("IsUnMapped"), std::string::npos) << "with a tray: " << mapped;
    EXPECT_EQ(state.find("Iconic"), std::string::npos) << "with a tray: " << state;
}

TEST_F(Program, TheLauncherLoadsNoToolkitAndSaysSoWhenTheWindowProgramOrDisplayIsMissing) {
    // The command-line snapshot runs in the launcher: it must not pull in the toolkit, the
    // sound code or the text drawing.
    std::string libs;
    ASSERT_EQ(test::RunCommand("ldd '" + test::ProgramPath() + "'", &libs), 0);
    EXPECT_EQ(libs.find("libwx_"), std::string::npos) << libs;
    EXPECT_EQ(libs.find("libgtk"), std::string::npos) << libs;
    EXPECT_EQ(libs.find("libasound"), std::string::npos) << libs;
    // UndefinedBehaviorSanitizer's type checks name the caption class's type information, so
    // the instrumented test build brings the text drawing in; the plain build does not. The
    // plain build also carries the C++ runtime inside.
    if (libs.find("libubsan") == std::string::npos) {
        EXPECT_EQ(libs.find("libpango"), std::string::npos) << libs;
        EXPECT_EQ(libs.find("libcairo"), std::string::npos) << libs;
        EXPECT_EQ(libs.find("libstdc++"), std::string::npos) << libs;
    }

    // Alone in a directory, the launcher says what is missing and fails, even where the
    // environment names another installation's launcher (a shell started from its window
    // program).
    const std::string alone = dir.str() + "/alone/tessaray";
    std::filesystem::create_directories(dir.str() + "/alone");
    std::filesystem::copy_file(test::ProgramPath(), alone);
    std::string out;
    const int code = test::RunCommand(
        "TESSARAY_LAUNCHER='" + test::ProgramPath() + "' timeout 10 '" + alone + "' -m 2>&1", &out);
    EXPECT_NE(code, 0);
    EXPECT_NE(out.find("cannot start the window program " + dir.str() + "/alone/tessaray-window"),
              std::string::npos)
        << out;
    // Help, version and an unknown long option are the launcher's own answers: the lone copy
    // gives them without a display and without the window program (their texts are checked
    // in CommandLine.HelpVersionAndUnknownLongOptions).
    const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 '" + alone + "' ";
    for (auto [args, status, start] :
         {std::tuple{"--help 2>/dev/null", 0, "Usage: tessaray"},
          {"-m --version 2>/dev/null", 0, "tessaray "},
          {"--bogus 2>&1 >/dev/null", 2, "tessaray: unknown option"}}) {
        out.clear();
        EXPECT_EQ(test::RunCommand(run + args, &out), status) << args;
        EXPECT_EQ(out.rfind(start, 0), 0u) << out;
    }
    // Also in a Wayland session without Xwayland: no X display to talk to.
    for (const char* env : {"env -u DISPLAY ", "env -u DISPLAY WAYLAND_DISPLAY=wayland-9 "}) {
        out.clear();
        EXPECT_EQ(test::RunCommand(
                      std::string(env) + "timeout 20 '" + test::ProgramPath() + "' -m 2>&1", &out),
                  1);
        EXPECT_EQ(out, "tessaray: cannot open the X display (is DISPLAY set?)\n") << env;
    }
}

TEST_F(Program, BeforeItsWindowIsUpASignalEndsItAsUsualAndTheToolkitsReasonGoesToStandardError) {
    if (!test::HaveDisplay())
        GTEST_SKIP() << "needs an X display";
    // A toolkit that cannot start says why on standard error and ends with 1: a message box
    // would need the display that failed.
    std::string out;
    EXPECT_EQ(test::RunCommand("GDK_BACKEND=wayland WAYLAND_DISPLAY=tess-none '" +
                                   test::ProgramPath() + "' 2>&1",
                               &out),
              1)
        << out;
    EXPECT_NE(out.find("tessaray: Unable to initialize GTK"), std::string::npos) << out;
    EXPECT_EQ(out.find("GtkMessageDialog"), std::string::npos) << out;
    // SIGTERM while the start still reads its settings (a pipe nothing writes yet): the usual
    // end of a program on SIGTERM, at once.
    const std::string store = dir.str() + "/config/Quorvanta/Tessaray.reg";
    std::filesystem::create_directories(dir.str() + "/config/Quorvanta");
    ASSERT_EQ(mkfifo(store.c_str(), 0600), 0);
    const pid_t pid = Start({});
    // Where the kernel holds a process that opens a pipe with no writer.
    auto waitsForAWriter = [wchan = "/proc/" + std::to_string(pid) + "/wchan"] {
        const std::string at = ReadWholeFile(wchan).value_or("");
        return at == "wait_for_partner" || at == "fifo_open";
    };
    for (int i = 0; i < 600 && !waitsForAWriter(); ++i)
        usleep(100000);
    ASSERT_TRUE(waitsForAWriter());
    kill(pid, SIGTERM);
    usleep(300000);
    // A start that did not end reads an empty store and goes on.
    UniqueFd writer(open(store.c_str(), O_WRONLY | O_NONBLOCK));
    writer = UniqueFd();
    EXPECT_EQ(test::WaitExit(pid), 128 + SIGTERM);
}

} // namespace
} // namespace tess
