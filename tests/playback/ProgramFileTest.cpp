// "tessaray FILE" displays the file at start-up (the window program changes its working
// directory; paths under directories beginning with "u" or "m" are never read as "/U", "/M").
#include "app/SettingsIO.h"
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "playback/PlaybackSupport.h"
#include "settings/Settings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
// Last: Xlib's macros.
#include "support/XTestWindows.h"

namespace tess {
namespace {

using ProgramFile = test::XdgTest;

// Starts the program in `cwd` with `arg` and tells whether a visible window of it comes up
// titled `title` (a switch taken for the file would end it first); then ends it.
bool ShowsTitle(const std::string& cwd, const std::string& arg, const std::string& title) {
    const pid_t pid =
        test::Spawn("sh", {"-c", "cd \"$0\" && exec \"$1\" \"$2\"", cwd, test::ProgramPath(), arg});
    const std::string search = "xdotool search --onlyvisible --pid " + std::to_string(pid) +
                               " --name '^" + title + "$' 2>/dev/null | head -1";
    std::string out;
    for (int i = 0; i < 150 && out.empty(); ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        test::RunCommand(search, &out);
        if (out.empty())
            usleep(100000);
    }
    test::Stop(pid);
    return !out.empty();
}

TEST_F(ProgramFile, AFileNamedOnTheCommandLineIsDisplayed) {
    if (test::ProgramPath().empty() || !test::HaveDisplay() || !test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs the program, an X display and xdotool";
    for (const char* sub : {"pics", "users", "media"}) {
        std::filesystem::create_directories(dir.path() / sub);
        ASSERT_EQ(WriteImageFile(MemBm(120, 90), ImageFormat::kPng,
                                 (dir.path() / sub / "x.png").string(), -1),
                  0);
    }
    const std::string elsewhere = dir.str() + "/data", d = dir.str(); // not where the files are
    std::filesystem::create_directories(elsewhere);
    // Absolute, relative to where it starts, under "u" and "m" directories.
    for (auto [cwd, arg] : {std::pair{elsewhere, d + "/pics/x.png"},
                            {d, "pics/x.png"},
                            {d + "/users", "x.png"},
                            {d, "users/x.png"},
                            {d, d + "/media/x.png"}})
        EXPECT_TRUE(ShowsTitle(cwd, arg, "x.png Tessaray")) << cwd << " " << arg;
    // An absolute path under /usr begins with "/u", the switch "/U" on its own.
    std::string usr;
    test::RunCommand("find /usr/share -name '[a-z]*.png' -size -200k 2>/dev/null | head -1", &usr);
    if (!usr.empty()) {
        usr.erase(usr.find_last_not_of('\n') + 1);
        EXPECT_TRUE(ShowsTitle(elsewhere, usr, usr.substr(usr.rfind('/') + 1) + " Tessaray"))
            << usr;
    }
}

// Where `want` (w x h) lies whole in `screen` (sw wide), each channel within 8 (the 15-bit
// pictures are widened to 24 bits in two ways); {-1, -1} when nowhere.
std::pair<int, int> FindPicture(const std::vector<uint32_t>& screen, int sw,
                                const std::vector<uint32_t>& want, int w, int h) {
    auto near = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > 8)
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

// Under a window manager, "tessaray rec.wmv" draws the recording's first frame whole at the
// left edge of a frame fitted to it, between its bars; on a 1920 x 1080 and a 1280 x 800 screen.
TEST_F(ProgramFile, ARecordingOnTheCommandLineIsDrawnInItsFittedFrameUnderAWindowManager) {
    for (const char* p : {"xvfb-run", "openbox", "xdotool", "ffmpeg", "import"})
        if (!test::HaveProgram(p))
            GTEST_SKIP() << "needs " << p;
    if (test::ProgramPath().empty() || !test::HaveDisplay())
        GTEST_SKIP() << "needs the program and an X display";
    // A 640 x 400 recording of a known picture (and the cursor, where it is).
    const std::string first = dir.str() + "/first.png";
    std::string rec, why;
    {
        test::XTestDisplay x;
        const Window shown = x.create(0, 0, 640, 400, test::Pattern);
        x.sync();
        usleep(100000);
        std::filesystem::create_directories(test::MediaDir() +
                                            "/wm"); // rec.wmv itself: TestRecording
        rec = test::RecordMedia("wm/rec.wmv", "--seconds 1 --region 0,0,640,400", &why);
        x.destroy(shown);
    }
    ASSERT_FALSE(rec.empty()) << why;
    ASSERT_EQ(test::RunCommand("ffmpeg -v error -i '" + rec + "' -frames:v 1 -y '" + first + "'"),
              0);
    int fw = 0, fh = 0;
    const std::vector<uint32_t> want = test::ReadPixels(first, &fw, &fh);
    ASSERT_EQ(std::pair(fw, fh), std::pair(640, 400));
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
        // The window manager starts first; each state: "LABEL X= Y= WIDTH= HEIGHT= _NET_WM_STATE".
        script << "openbox >/dev/null 2>&1 & wm=$!\n"
                  "for i in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | "
                  "grep -q 'window id' && break; sleep 0.1; done\nsleep 0.5\n'"
               << test::ProgramPath() << "' '" << rec << "' & app=$!\n"
               << "for i in $(seq 60); do\n"
                  "  w=$(xdotool search --onlyvisible --name '^rec.wmv Tessaray$' "
                  "2>/dev/null | head -1)\n"
                  "  [ -n \"$w\" ] && break; sleep 0.2\ndone\n"
                  "state() { echo \"$1 $(xdotool getwindowgeometry --shell $w | grep -v "
                  "WINDOW | tr '\\n' ' ')$(xprop -id $w _NET_WM_STATE)\"; }\n"
                  // The frame is fitted just after the title is set: wait for it.
                  "for i in $(seq 50); do\n"
                  "  state x | grep -q 'WIDTH=640 ' && break; sleep 0.2\ndone\n"
                  "sleep 1\nstate fitted\nimport -window root '"
               << shot << "'\n";
        if (screen == "1920x1080")
            // "Full Screen" on and off, "&Close", sized by hand, "Full Screen" without a file.
            script << "xdotool windowactivate --sync $w; sleep 0.3\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state full\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state back\n"
                      "xdotool key --clearmodifiers alt+f; sleep 0.5; xdotool key c; sleep 1\n"
                      "state closed\nxdotool windowsize $w 800 600; sleep 1\n"
                      "xdotool key --clearmodifiers alt+Return; sleep 1; state empty\n";
        script << "kill $app $wm\n";
        script.close();
        std::string out;
        test::RunCommand("xvfb-run -a -s '-screen 0 " + screen + "x24 -noreset' sh '" + scriptPath +
                             "' 2>/dev/null",
                         &out);
        // The line of `label`, and its geometry.
        struct State {
            std::string line;
            int x = 0, y = 0, w = 0, h = 0;
        };
        auto state = [&](const std::string& label) {
            State st;
            const auto at = ("\n" + out).find("\n" + label + " ");
            if (at != std::string::npos)
                st.line = out.substr(at, out.find('\n', at) - at);
            sscanf(st.line.c_str(), "%*s X=%d Y=%d WIDTH=%d HEIGHT=%d", &st.x, &st.y, &st.w, &st.h);
            return st;
        };
        const State fitted = state("fitted");
        ASSERT_FALSE(fitted.line.empty()) << screen << ": " << out;
        EXPECT_EQ(fitted.w, 640) << screen << ": the frame is fitted to the video";
        EXPECT_GT(fitted.h, 400) << screen << ": the bars come on top of the video";
        int sw = 0, sh = 0;
        const std::vector<uint32_t> pixels = test::ReadPixels(shot, &sw, &sh);
        ASSERT_EQ(std::to_string(sw) + "x" + std::to_string(sh), screen);
        const auto [px, py] = FindPicture(pixels, sw, want, 640, 400);
        // (xdotool's position may count a border pixel.)
        EXPECT_NEAR(px, fitted.x, 2)
            << screen << ": the picture is not drawn whole at the "
            << "frame's left edge (found at " << px << "," << py << ", " << fitted.line << ")";
        EXPECT_GT(py, fitted.y) << screen;
        EXPECT_LE(py + 400, fitted.y + fitted.h) << screen;
        if (screen != "1920x1080")
            continue;
        // Full screen with a file maximizes the frame; back, it fits the file again.
        const std::string full = state("full").line;
        EXPECT_NE(full.find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos) << full;
        EXPECT_EQ(full.find("_NET_WM_STATE_FULLSCREEN"), std::string::npos) << full;
        EXPECT_NEAR(state("back").w, fitted.w, 4) << state("back").line;
        // Closed (Shrink off), and full screen without a file: the bars only, 300 wide
        // unless the tool bar needs more (it does: about 520).
        for (const char* label : {"closed", "empty"}) {
            const State st = state(label);
            EXPECT_GT(st.w, 450) << st.line;
            EXPECT_LT(st.w, fitted.w) << st.line;
            EXPECT_LT(st.h, fitted.h - 400) << st.line;
            EXPECT_GT(st.h, 0) << st.line;
        }
    }
}

} // namespace
} // namespace tess
