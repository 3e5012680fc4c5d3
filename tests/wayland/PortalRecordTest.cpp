// Recordings from the command line in a Wayland session, read back by ffprobe and ffmpeg:
// every frame shows the desktop's picture, a recording's cast carries the cursor whatever the
// snapshots' setting, and a stream that the desktop ends leaves a finished, playable file.
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/portal/PortalScreenCast.h"
#include "wayland/WaylandDesktop.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Quote;

class PortalRecord : public test::WaylandDesktop {
protected:
    // Frames are compared at a fifth of their size: a block is then 48 x 27 pixels.
    static constexpr int kScale = 5;

    // Frames whose block centres do not show the picture's colours (area at x0,y0).
    static int FramesNotShowingThePicture(const std::vector<std::string>& frames, int w, int h,
                                          int x0, int y0) {
        int wrong = 0;
        for (const auto& frame : frames) {
            const auto* rgb = reinterpret_cast<const uint8_t*>(frame.data());
            bool ok = true;
            for (int cy = test::kBlockH / 2; cy < test::kScreenH; cy += test::kBlockH)
                for (int cx = test::kBlockW / 2; cx < test::kScreenW; cx += test::kBlockW) {
                    const int sx = (cx - x0) / kScale, sy = (cy - y0) / kScale;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                        continue;
                    const int k =
                        test::PaletteIndexOf(rgb + (static_cast<size_t>(sy) * w + sx) * 3);
                    ok = ok && k == cx / test::kBlockW + 8 * (cy / test::kBlockH);
                }
            wrong += !ok;
        }
        return wrong;
    }

    // Checks a 5-s recording of the area at x0,y0 of w x h screen pixels.
    void CheckFiveSeconds(const std::string& file, int x0, int y0, int w, int h) {
        SCOPED_TRACE(file);
        // A busy machine merges many ticks of a still screen, up to the whole last 2.8 s seen
        // (last frame at 2.03 s); the rate a normal build holds is measured by bench/wayland.sh.
        std::vector<double> times;
        const auto frames =
            test::FramesOfFiveSeconds(file, "mss2 " + std::to_string(w) + " " + std::to_string(h),
                                      w / kScale, h / kScale, &times, 8, 3.3);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(FramesNotShowingThePicture(frames, w / kScale, h / kScale, x0, y0), 0);
    }
};

TEST_F(PortalRecord, TheScreenAndARegionShowThePictureInEveryFrame) {
    const std::string screen = dir.str() + "/screen.wmv";
    auto run = Run("--backend portal --record --seconds 5 --output " + Quote(screen));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), screen);
    CheckFiveSeconds(screen, 0, 0, test::kScreenW, test::kScreenH);

    // Two blocks by two, in X coordinates.
    const std::string region = dir.str() + "/region.wmv";
    run = Run("--backend portal --record --seconds 5 --region 240,270,480,270 --output " +
              Quote(region));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), region);
    CheckFiveSeconds(region, 240, 270, 480, 270);
}

// The cursor modes the portal was asked for, in order (its log).
std::vector<int> CursorModesAsked() {
    std::ifstream log(test::EnvOr("TESS_WL_DESKTOP_DIR") + "/log/xdpw.log");
    std::vector<int> modes;
    const std::string key = "option cursor_mode:";
    for (std::string line; std::getline(log, line);)
        if (const size_t at = line.find(key); at != std::string::npos)
            modes.push_back(std::stoi(line.substr(at + key.size()), nullptr, 16));
    return modes;
}
constexpr int kHidden = 1, kEmbedded = 2;

// With the cursor off for snapshots, a snapshot's cast leaves it out and a recording's shows
// it; in one process a cast of the other kind comes from the saved token, without asking,
// unless a recording holds the cast.
TEST_F(PortalRecord, ARecordingsCastShowsTheCursorAndASnapshotWithoutItNone) {
    auto run = Run("--backend portal --snapshot --output " + Quote(dir.str() + "/0.png"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string store = ReadStore();
    ASSERT_NE(store.find("]\n"), std::string::npos) << store;
    store.insert(store.find("]\n") + 2, "\"Cursor\"=\"0\"\n");
    std::ofstream(StorePath()) << store;
    size_t asked = CursorModesAsked().size();
    run = Run("--backend portal --snapshot --output " + Quote(dir.str() + "/1.png"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = Run("--backend portal --record --seconds 1 --region 0,100,64,48 --output " +
              Quote(dir.str() + "/1.wmv"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<int> modes = CursorModesAsked();
    EXPECT_EQ(std::vector<int>(modes.begin() + std::min(asked, modes.size()), modes.end()),
              (std::vector<int>{kHidden, kEmbedded}));

    std::string token;
    PortalCastOptions options;
    options.cursor = false;
    options.tokenChanged = [&token](const std::string& t) { token = t; };
    PortalScreenCast cast(options);
    const ScreenRect area{0, 100, 64, 148};
    std::vector<uint8_t> pixels(64 * 48 * 4);
    ASSERT_TRUE(cast.start()) << cast.failure();
    ASSERT_FALSE(token.empty());
    const int chooser = ChooserRuns();
    asked = CursorModesAsked().size();
    cast.wantCursor(true); // ends the cast: the next start casts with the cursor
    ASSERT_TRUE(cast.start()) << cast.failure();
    EXPECT_TRUE(cast.grab(area, area, pixels.data(), 64 * 4));
    cast.hold(true);
    cast.wantCursor(false); // held: the cast stays as it is
    EXPECT_TRUE(cast.grab(area, area, pixels.data(), 64 * 4));
    cast.hold(false);
    cast.wantCursor(false);
    ASSERT_TRUE(cast.start()) << cast.failure();
    modes = CursorModesAsked();
    EXPECT_EQ(std::vector<int>(modes.begin() + std::min(asked, modes.size()), modes.end()),
              (std::vector<int>{kEmbedded, kHidden}));
    EXPECT_EQ(ChooserRuns(), chooser);
}

TEST_F(PortalRecord, AStreamEndedByTheDesktopLeavesAFinishedPlayableFile) {
    // Whatever happens here, the back end is there again for the tests after this one.
    struct Restart {
        ~Restart() { EXPECT_TRUE(RestartBackend()); }
    } restart;

    const std::string file = dir.str() + "/ended.wmv";
    test::ProgramRun run;
    std::atomic<bool> done{false};
    const auto t0 = std::chrono::steady_clock::now();
    std::thread recorder([&] {
        run = Run("--backend portal --record --seconds 30 --output " + Quote(file));
        done = true;
    });
    // Three seconds after the recording's file appeared, the back end goes (as when the user
    // stops sharing from the desktop); a busy machine may take seconds to start the recording.
    std::optional<std::chrono::steady_clock::time_point> started;
    while (!done && (!started || std::chrono::steady_clock::now() - *started < 3s)) {
        if (!started && fs::exists(file) && fs::file_size(file) > 0)
            started = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(100ms);
    }
    const int backend = BackendPid();
    if (!done && backend > 0)
        kill(backend, SIGTERM);
    recorder.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_GT(backend, 0);

    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), file);
    EXPECT_NE(run.err.find("screen cast"), std::string::npos) << run.err;
    EXPECT_LT(seconds, 20.0); // ended with the stream, not at the 30-s limit
    EXPECT_EQ(test::VideoStreamInfo(file), "mss2 1920 1080");
    const std::vector<double> times = test::VideoFrameTimes(file);
    bool clean = false;
    const auto frames =
        test::DecodeFramesSmall(file, test::kScreenW / kScale, test::kScreenH / kScale, &clean);
    EXPECT_TRUE(clean);
    ASSERT_EQ(frames.size(), times.size());
    EXPECT_GE(frames.size(), 5u);
    ASSERT_FALSE(times.empty());
    EXPECT_GT(times.back(), 1.5);
    EXPECT_LT(times.back(), seconds);
    EXPECT_EQ(
        FramesNotShowingThePicture(frames, test::kScreenW / kScale, test::kScreenH / kScale, 0, 0),
        0);
}

} // namespace
} // namespace tess
