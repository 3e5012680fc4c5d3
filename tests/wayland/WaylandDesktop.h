#pragma once
// The program in the headless Wayland desktop that tests/wayland/run.sh starts: a known
// picture as the desktop's background, the program run with its own settings store, and
// what the compositor itself shows (grim) to compare with.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "recording/RecordingTestUtil.h"
#include "support/TestSupport.h"

namespace tess::test {

// The background, 1920 x 1080: blocks of 240 x 135 in palette colour i + 8 j (column i, row j),
// thin white lines in each block's top left so a shifted picture differs; plain centres.
constexpr int kScreenW = 1920, kScreenH = 1080, kBlockW = 240, kBlockH = 135;
inline uint32_t BackgroundPixel(int x, int y) {
    const int i = x / kBlockW, j = y / kBlockH, bx = x % kBlockW, by = y % kBlockH;
    if (bx < 90 && by < 45 && (bx + 2 * by) % 17 == 0)
        return 0xffffff;
    return PaletteColour(i + 8 * j);
}

// The bar with the clock covers the top of the output; pictures are compared below it.
constexpr int kBarRows = 40;

inline std::string EnvOr(const char* name, const std::string& fallback = "") {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

class WaylandDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnvOr("TESS_WL_SKIP").empty())
            GTEST_SKIP() << EnvOr("TESS_WL_SKIP");
        if (EnvOr("WAYLAND_DISPLAY").empty() || EnvOr("TESS_WL_CHOOSER_COUNT").empty())
            GTEST_SKIP() << "no test Wayland desktop: run the suite through tests/wayland/run.sh";
        for (const char* tool : {"grim", "swaymsg", "ffmpeg", "ffprobe", "convert"})
            if (!HaveProgram(tool))
                GTEST_SKIP() << tool << " is not installed";
        std::filesystem::create_directories(dir.path() / "config");
        std::filesystem::create_directories(dir.path() / "data");
        ShowBackground();
    }
    void TearDown() override {
        if (focusPid_ > 0)
            kill(focusPid_, SIGTERM);
    }

    // Gives an X window (xmessage, ended with the test) the keyboard focus: sway passes an X
    // program's clipboard on to Wayland programs only while an X window has it.
    bool FocusAnXWindow() {
        std::string pid;
        if (RunCommand("xmessage -geometry 200x60+0+600 focus >/dev/null 2>&1 & echo $!", &pid) !=
            0)
            return false;
        focusPid_ = std::atoi(pid.c_str());
        for (int i = 0; i < 100; ++i)
            if (RunCommand("swaymsg '[class=\"Xmessage\"] focus' >/dev/null 2>&1") == 0)
                return true;
            else
                RunCommand("sleep 0.05");
        return false;
    }

    // The program's own settings store for this test; nothing else is shared.
    std::string Env() const {
        return "XDG_CONFIG_HOME=" + Quote(dir.str() + "/config") +
               " XDG_DATA_HOME=" + Quote(dir.str() + "/data") + " ";
    }
    ProgramRun Run(const std::string& args) const { return RunProgram(args, Env()); }

    std::string StorePath() const { return dir.str() + "/config/Quorvanta/Tessaray.reg"; }
    std::string ReadStore() const {
        std::ifstream f(StorePath());
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    // How often the portal asked which output to share.
    static int ChooserRuns() {
        std::ifstream f(EnvOr("TESS_WL_CHOOSER_COUNT"));
        int n = 0;
        for (std::string line; std::getline(f, line);)
            ++n;
        return n;
    }

    // The compositor's own picture of the output (or of a part of it), as pixels.
    std::vector<uint32_t> Grim(const std::string& geometry, int* w, int* h) const {
        const std::string file = dir.str() + "/grim.png";
        std::string cmd = "grim -t png ";
        if (!geometry.empty())
            cmd += "-g " + Quote(geometry) + " ";
        if (RunCommand(cmd + Quote(file) + " 2>&1") != 0)
            return {};
        return ReadPixels(file, w, h);
    }

    // The pixels (w x h) of a portal snapshot with `args` into `file`, which it names on its
    // output; none when the run failed.
    std::vector<uint32_t> Snapshot(const std::string& args, const std::string& file, int* w,
                                   int* h) const {
        const ProgramRun run =
            Run("--backend portal --snapshot " + args + "--output " + Quote(file));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, file + "\n");
        return run.exitCode == 0 ? ReadPixels(file, w, h) : std::vector<uint32_t>();
    }

    // Pixels of `px` (w x h, at x0,y0), from row `firstRow` on, that are not the background's.
    static int OffBackground(const std::vector<uint32_t>& px, int w, int h, int x0, int y0,
                             int firstRow = 0) {
        int bad = 0;
        for (int y = firstRow; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bad += px[static_cast<size_t>(y) * w + x] != BackgroundPixel(x0 + x, y0 + y);
        return bad;
    }

    // Pixels of `got` (w x h, at x0,y0 of the screen) that differ from `want`, below the bar.
    static int Differences(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want,
                           int w, int h, int y0) {
        int bad = 0;
        for (int y = std::max(0, kBarRows - y0); y < h; ++y)
            for (int x = 0; x < w; ++x)
                bad += got[static_cast<size_t>(y) * w + x] != want[static_cast<size_t>(y) * w + x];
        return bad;
    }

    // The pid of the screen-cast back end, from the bus.
    static int BackendPid() {
        std::string out;
        RunCommand("dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                   "/org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID "
                   "string:org.freedesktop.impl.portal.desktop.wlr 2>/dev/null",
                   &out);
        const size_t at = out.find("uint32 ");
        return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + 7);
    }
    // Brings the back end back after a test ended it.
    static bool RestartBackend() {
        return RunCommand(Quote(std::string(TESS_SOURCE_DIR) + "/tests/wayland/desktop.sh") +
                          " backend " + Quote(EnvOr("TESS_WL_DESKTOP_DIR")) + " >&2") == 0;
    }

    TempDir dir;

private:
    int focusPid_ = 0;

    // Sets the background picture on the output (once for the whole run).
    void ShowBackground() {
        static bool shown = false;
        if (shown)
            return;
        const std::string ppm = dir.str() + "/bg.ppm";
        const std::string png = EnvOr("TESS_WL_DESKTOP_DIR", dir.str()) + "/background.png";
        {
            std::ofstream f(ppm, std::ios::binary);
            f << "P6\n" << kScreenW << " " << kScreenH << "\n255\n";
            for (int y = 0; y < kScreenH; ++y)
                for (int x = 0; x < kScreenW; ++x) {
                    const uint32_t c = BackgroundPixel(x, y);
                    const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8),
                                         static_cast<char>(c)};
                    f.write(rgb, 3);
                }
        }
        ASSERT_EQ(
            RunCommand("convert " + Quote(ppm) + " " + Quote(png) + " && chmod 644 " + Quote(png)),
            0);
        ASSERT_EQ(RunCommand("swaymsg output " + EnvOr("TESS_WL_OUTPUT", "HEADLESS-1") + " bg " +
                             Quote(png) + " fill >/dev/null"),
                  0);
        // The picture is up once the compositor shows it.
        for (int i = 0; i < 100; ++i) {
            int w = 0, h = 0;
            auto px = Grim("960,540 1x1", &w, &h);
            if (px.size() == 1 && px[0] == BackgroundPixel(960, 540)) {
                shown = true;
                return;
            }
            RunCommand("sleep 0.1");
        }
        FAIL() << "the background picture did not appear";
    }
};

} // namespace tess::test
