// "tessaray FILE" displays the file at start-up: an absolute path, a path relative to where
// the program was started (the window program changes its working directory), and paths
// under directories whose names begin with "u" or "m" (never read as "/U" or "/M").
#include "app/SettingsIO.h"
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "playback/PlaybackSupport.h"
#include "settings/Settings.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
// Last: Xlib's macros.
#include "x11/XTestWindows.h"

namespace tess {
namespace {

class ProgramFile : public test::XdgTest {
protected:
    // Starts the program in `cwd` with `arg`; returns its pid.
    pid_t Start(const std::string& cwd, const std::string& arg) {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(cwd.c_str()) != 0)
                _exit(126);
            std::string exe = test::ProgramPath();
            std::string a = arg;
            char* argv[] = {exe.data(), a.data(), nullptr};
            execv(exe.c_str(), argv);
            _exit(127);
        }
        return pid;
    }
    // Waits for a visible window of `pid` titled `title`.
    bool WaitForTitle(pid_t pid, const std::string& title) {
        for (int i = 0; i < 150; ++i) {
            std::string out;
            test::RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                 " --name '^" + title + "$' 2>/dev/null | head -1",
                             &out);
            if (!out.empty())
                return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return false; // it ended (a switch taken for the file would end it)
            usleep(100000);
        }
        return false;
    }
    void Stop(pid_t pid) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                return;
            usleep(50000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

TEST_F(ProgramFile, AFileNamedOnTheCommandLineIsDisplayed) {
    if (test::ProgramPath().empty() || !test::HaveDisplay() || !test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs the program, an X display and xdotool";
    MemBm pic(120, 90);
    for (const char* sub : {"pics", "users", "media"}) {
        std::filesystem::create_directories(dir.path() / sub);
        ASSERT_EQ(WriteImageFile(pic, ImageFormat::kPng, (dir.path() / sub / "x.png").string(), -1),
                  0);
    }
    const std::string elsewhere = dir.str() + "/data"; // not where the files are
    std::filesystem::create_directories(elsewhere);
    struct Case {
        std::string cwd, arg;
    } cases[] = {
        {elsewhere, dir.str() + "/pics/x.png"}, // absolute
        {dir.str(), "pics/x.png"},              // relative to where it starts
        {dir.str() + "/users", "x.png"},
        {dir.str(), "users/x.png"},
        {dir.str(), dir.str() + "/media/x.png"},
    };
    for (const Case& c : cases) {
        pid_t pid = Start(c.cwd, c.arg);
        EXPECT_TRUE(WaitForTitle(pid, "x.png Tessaray")) << c.cwd << " " << c.arg;
        Stop(pid);
    }
    // An absolute path under /usr begins with "/u", which alone would be the switch "/U"
    // (remove the log-on entry and end).
    std::string usr;
    test::RunCommand("find /usr/share -name '[a-z]*.png' -size -200k 2>/dev/null | head -1", &usr);
    if (!usr.empty()) {
        usr.erase(usr.find_last_not_of('\n') + 1);
        pid_t pid = Start(elsewhere, usr);
        EXPECT_TRUE(WaitForTitle(pid, usr.substr(usr.rfind('/') + 1) + " Tessaray")) << usr;
        Stop(pid);
    }
}

// Where `want` (w x h) lies whole in `screen` (sw wide), each channel within 8 (the 15-bit
// pictures are widened to 24 bits in two ways); {-1, -1} when nowhere.
std::pair<int, int> FindPicture(const std::vector<uint32_t>& screen, int sw,
                                const std::vector<uint32_t>& want, int w, int h) {
    auto near = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((a >> shift) & 0xff) -
                         static_cast<int>((b >> shift) & 0xff)) > 8)
                return false;
        return true;
    };
    const int sh = static_cast<int>(screen.size()) / sw;
    for (int y0 = 0; y0 + h <= sh; ++y0)
        for (int x0 = 0; x0 + w <= sw; ++x0) {
            bool all = true;
            for (int y = 0; y < h && all; ++y)
                for (int x = 0; x < w && all; ++x)
                    all = near(screen[static_cast<size_t>(y0 + y) * sw + x0 + x],
                               want[static_cast<size_t>(y) * w + x]);
            if (all)
                return {x0, y0};
        }
    return {-1, -1};
}

// Under a window manager, "tessaray rec.wmv" shows the recording in a frame fitted to it,
// named in the title, its picture drawn whole over the video area: the same picture as the
// recording's own first frame, at the frame's left edge, between its bars. On a 1920 x 1080
// screen and on a 1280 x 800 one.
TEST_F(ProgramFile, ARecordingOnTheCommandLineIsDrawnInItsFittedFrameUnderAWindowManager) {
    for (const char* p : {"xvfb-run", "openbox", "xdotool", "ffmpeg", "import"})
        if (!test::HaveProgram(p))
            GTEST_SKIP() << "needs " << p;
    if (test::ProgramPath().empty() || !test::HaveDisplay())
        GTEST_SKIP() << "needs the program and an X display";
    // A 640 x 400 recording of a known picture (and the cursor, where it is).
    const std::string rec = dir.str() + "/rec.wmv", first = dir.str() + "/first.png";
    {
        test::XTestDisplay x;
        const Window shown = x.create(0, 0, 640, 400, test::Pattern);
        x.sync();
        usleep(100000);
        std::string out;
        ASSERT_EQ(test::RunCommand("'" + test::ProgramPath() +
                                       "' --record --seconds 1 --region 0,0,640,400 --output '" +
                                       rec + "' 2>&1",
                                   &out),
                  0)
            << out;
        x.destroy(shown);
    }
    ASSERT_EQ(test::RunCommand("ffmpeg -v error -i '" + rec + "' -frames:v 1 -y '" + first + "'"),
              0);
    int fw = 0, fh = 0;
    const std::vector<uint32_t> want = test::ReadPixels(first, &fw, &fh);
    ASSERT_EQ(fw, 640);
    ASSERT_EQ(fh, 400);
    // The program's settings: "Shrink" off.
    const Settings saved = GlobalSettings();
    LoadSettings();
    GlobalSettings().shrink = false;
    SaveSettings();
    GlobalSettings() = saved;

    for (const std::string screen : {"1920x1080", "1280x800"}) {
        const std::string scriptPath = dir.str() + "/wm.sh", shot = dir.str() + "/screen.png";
        std::filesystem::remove(shot);
        std::ofstream script(scriptPath);
        // The window manager runs before the program starts, as on a desktop.
        script << "openbox >/dev/null 2>&1 & wm=$!\n"
                  "for i in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | "
                  "grep -q 'window id' && break; sleep 0.1; done\nsleep 0.5\n'"
               << test::ProgramPath() << "' '" << rec << "' & app=$!\n"
               << "for i in $(seq 60); do\n"
                  "  w=$(xdotool search --onlyvisible --name '^rec.wmv Tessaray$' "
                  "2>/dev/null | head -1)\n"
                  "  [ -n \"$w\" ] && break; sleep 0.2\ndone\n"
                  // The frame is fitted just after the title is set: wait for it.
                  "for i in $(seq 50); do\n"
                  "  g=$(xdotool getwindowgeometry \"$w\")\n"
                  "  case $g in *Geometry:\\ 640x*) break;; esac; sleep 0.2\ndone\n"
                  "sleep 1\necho $(xdotool getwindowgeometry \"$w\")\n"
                  "import -window root '"
               << shot << "'\n";
        if (screen == "1920x1080")
            // "Full Screen" (Alt+Enter) on and off, "&Close", the frame sized by hand, and
            // "Full Screen" without a file.
            script << "state() { echo \"$1 $(xprop -id $w _NET_WM_STATE) "
                      "$(xdotool getwindowgeometry $w | tr -d '\\n')\"; }\n"
                      "xdotool windowactivate --sync $w; sleep 0.3\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state full\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state back\n"
                      "xdotool key --clearmodifiers alt+f; sleep 0.5; xdotool key c; sleep 1\n"
                      "state closed\nxdotool windowsize $w 800 600; sleep 1\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state empty\n";
        script << "kill $app $wm\n";
        script.close();
        std::string out;
        test::RunCommand("xvfb-run -a -s '-screen 0 " + screen + "x24' sh '" + scriptPath +
                             "' 2>/dev/null",
                         &out);
        // "Window N Position: X,Y (screen: 0) Geometry: WxH"
        int x = 0, y = 0, w = 0, h = 0;
        const auto at = out.find("Position:");
        ASSERT_NE(at, std::string::npos) << screen << ": " << out;
        ASSERT_EQ(sscanf(out.c_str() + at, "Position: %d,%d (screen: %*d) Geometry: %dx%d", &x, &y,
                         &w, &h),
                  4)
            << screen << ": " << out;
        EXPECT_EQ(w, 640) << screen << ": the frame is fitted to the video";
        EXPECT_GT(h, 400) << screen << ": the bars come on top of the video";
        int sw = 0, sh = 0;
        const std::vector<uint32_t> pixels = test::ReadPixels(shot, &sw, &sh);
        ASSERT_EQ(std::to_string(sw) + "x" + std::to_string(sh), screen);
        const auto [px, py] = FindPicture(pixels, sw, want, 640, 400);
        // (xdotool's position may count a border pixel.)
        EXPECT_NEAR(px, x, 2) << screen
                              << ": the picture is not drawn whole at the frame's left edge"
                              << " (found at " << px << "," << py << ", frame at " << x << "," << y
                              << ")";
        EXPECT_GT(py, y) << screen;
        EXPECT_LE(py + 400, y + h) << screen;
        if (screen != "1920x1080")
            continue;
        // Full screen with a file maximizes the frame; back, it fits the file again.
        const auto line = [&](const std::string& label) {
            const auto at = out.find("\n" + label + " ");
            return at == std::string::npos ? std::string()
                                           : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
        };
        const auto size = [](const std::string& l) {
            int gw = 0, gh = 0;
            const auto at = l.find("Geometry: ");
            if (at != std::string::npos)
                sscanf(l.c_str() + at, "Geometry: %dx%d", &gw, &gh);
            return std::make_pair(gw, gh);
        };
        const std::string full = line("full");
        EXPECT_NE(full.find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos) << full;
        EXPECT_EQ(full.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << full;
        EXPECT_NEAR(size(line("back")).first, w, 4) << line("back");
        // Closed (Shrink off): 300 wide, the bars only; "Full Screen" without a file sizes a
        // frame sized by hand the same way.
        for (const char* label : {"closed", "empty"}) {
            const auto [cw, ch] = size(line(label));
            EXPECT_NEAR(cw, 300, 4) << line(label); // the frame's border is not counted
            EXPECT_LT(ch, h - 400) << line(label);
            EXPECT_GT(ch, 0) << line(label);
        }
    }
}

} // namespace
} // namespace tess
