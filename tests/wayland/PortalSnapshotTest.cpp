// Snapshots from the command line in a Wayland session: the screen comes through the
// screen-cast portal, the desktop asks which output to share once, and later runs (the
// window program's too) restore that choice from the token in the settings.
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "platform/Session.h"
#include "wayland/WaylandDesktop.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using test::Quote;

class PortalSnapshot : public test::WaylandDesktop {};

// The compositor's pixels, of the screen and of a region in X coordinates (the output's at
// scale 1). The test desktop's portal sends a picture only when the screen changed since it
// last copied one, for any cast: with the clock in the bar hidden, a cast after another gets
// nothing until the program makes the compositor repaint a spot without changing it.
TEST_F(PortalSnapshot, TheScreenAndARegionHaveTheCompositorsPixelsAlsoOnAStillScreen) {
    const std::string bar = "swaymsg bar mode ";
    ASSERT_EQ(test::RunCommand(bar + "invisible >/dev/null"), 0);
    struct Restore {
        std::string bar;
        ~Restore() { EXPECT_EQ(test::RunCommand(bar + "dock >/dev/null"), 0); }
    } restore{bar};
    test::RunCommand("sleep 0.5"); // the bar's going is copied by nobody yet
    int w = 0, h = 0, gw = 0, gh = 0;
    const auto grim = Grim("", &gw, &gh);
    ASSERT_EQ(std::pair(gw, gh), std::pair(test::kScreenW, test::kScreenH));
    EXPECT_EQ(OffBackground(grim, gw, gh, 0, 0, test::kBarRows), 0);
    for (const char* name : {"1", "2", "3"}) {
        const auto shot = Snapshot("", dir.str() + "/still" + name + ".png", &w, &h);
        ASSERT_EQ(std::pair(w, h), std::pair(gw, gh)) << name;
        // The whole picture, the bar's place and the repainted corner too.
        EXPECT_EQ(Differences(shot, grim, w, h, test::kBarRows), 0) << name;
    }
    const auto region =
        Snapshot("--region 101,300,640,360 --format png ", dir.str() + "/part.png", &w, &h);
    ASSERT_EQ(std::pair(w, h), std::pair(640, 360));
    const auto grimRegion = Grim("101,300 640x360", &gw, &gh);
    ASSERT_EQ(std::pair(gw, gh), std::pair(w, h));
    EXPECT_EQ(Differences(region, grimRegion, w, h, 300), 0);
    EXPECT_EQ(OffBackground(region, w, h, 101, 300), 0);
    const std::string recording = dir.str() + "/still.wmv";
    const auto run = Run("--backend portal --record --seconds 2 --region 0,0,480,270 --output " +
                         Quote(recording));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GE(test::VideoFrameTimes(recording).size(), 5u); // 5 a second
}

// The desktop asks once; later runs restore the choice from the kept token. The permission is
// single-use: while another process of the program owns it (the window program, say), a
// command is asked again and leaves the owner's token alone.
TEST_F(PortalSnapshot, TheOutputIsChosenOnceAndLaterRunsRestoreTheChoice) {
    const int before = ChooserRuns();
    int w = 0, h = 0;
    ASSERT_FALSE(Snapshot("", dir.str() + "/1.png", &w, &h).empty());
    EXPECT_EQ(ChooserRuns(), before + 1);
    auto tokenLine = [this] {
        const std::string store = ReadStore();
        const size_t at = store.find("\"PortalRestoreToken\"=\"");
        return at == std::string::npos ? std::string()
                                       : store.substr(at, store.find('\n', at) - at);
    };
    const std::string token = tokenLine();
    ASSERT_FALSE(token.empty()) << ReadStore();
    const int owner = open(ScreenCastOwnerLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(owner, 0);
    ASSERT_EQ(flock(owner, LOCK_EX | LOCK_NB), 0);
    auto run = Run("--backend portal --snapshot --output " + Quote(dir.str() + "/owned.png"));
    close(owner);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ChooserRuns(), before + 2);
    EXPECT_EQ(tokenLine(), token);

    // With the owner gone: a run naming the back end, one leaving it to the session.
    for (const char* backend : {"--backend portal ", ""}) {
        const std::string file = dir.str() + "/" + (*backend ? "2" : "3") + ".png";
        run = Run(std::string(backend) + "--snapshot --region 900,500,100,100 --output " +
                  Quote(file));
        ASSERT_EQ(run.exitCode, 0) << backend << run.err;
        const auto px = test::ReadPixels(file, &w, &h);
        ASSERT_EQ(px.size(), 100u * 100u);
        EXPECT_EQ(px[50 * 100 + 50], test::BackgroundPixel(950, 550)) << backend;
    }
    EXPECT_EQ(ChooserRuns(), before + 2);

    // The window program (which takes a snapshot with a caption) restores it too.
    std::string store = ReadStore();
    const size_t section = store.find("]\n");
    ASSERT_NE(section, std::string::npos) << store;
    store.insert(section + 2, "\"CapEnable\"=\"1\"\n\"CapString\"=\"Caption here\"\n");
    std::ofstream(StorePath()) << store;
    const auto px = Snapshot("", dir.str() + "/window.png", &w, &h);
    EXPECT_EQ(ChooserRuns(), before + 2);
    ASSERT_EQ(std::pair(w, h), std::pair(test::kScreenW, test::kScreenH));
    // All but the caption.
    EXPECT_LT(OffBackground(px, w, h, 0, 0, test::kBarRows), w * (h - test::kBarRows) / 10);
}

// The X screen's size as Xwayland reports it, "WxH".
std::string XScreenSize() {
    std::string out;
    test::RunCommand("xdpyinfo | awk '/dimensions:/ { print $2 }'", &out);
    return test::FirstLine(out);
}

bool SetOutputScale(int scale, const std::string& xSize) {
    test::RunCommand("swaymsg output " + test::EnvOr("TESS_WL_OUTPUT", "HEADLESS-1") + " scale " +
                     std::to_string(scale) + " >/dev/null");
    for (int i = 0; i < 100; ++i) {
        if (XScreenSize() == xSize)
            return true;
        test::RunCommand("sleep 0.1");
    }
    return false;
}

TEST_F(PortalSnapshot, AtOutputScaleTwoXCoordinatesMeetTheStreamsPixels) {
    // The output's 1920 x 1080 pixels are 960 x 540 in the compositor's (and Xwayland's)
    // coordinates; the background still fills every pixel.
    struct Restore {
        ~Restore() { EXPECT_TRUE(SetOutputScale(1, "1920x1080")); }
    } restore;
    ASSERT_TRUE(SetOutputScale(2, "960x540"));
    // The palette index shown at X coordinates x,y of a picture taken at X offset x0,y0.
    auto indexAt = [](const std::vector<uint32_t>& px, int w, int x, int y) {
        const uint32_t c = px[static_cast<size_t>(y) * w + x];
        const uint8_t rgb[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                static_cast<uint8_t>(c)};
        return test::PaletteIndexOf(rgb);
    };

    int w = 0, h = 0;
    auto px = Snapshot("", dir.str() + "/scaled.png", &w, &h);
    ASSERT_EQ(std::pair(w, h), std::pair(960, 540));
    // Every block's centre, in X coordinates half the output's pixels.
    int wrong = 0;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            wrong += indexAt(px, w, (i * test::kBlockW + test::kBlockW / 2) / 2,
                             (j * test::kBlockH + test::kBlockH / 2) / 2) != i + 8 * j;
    EXPECT_EQ(wrong, 0);

    // A region in X coordinates: blocks 2 and 3 of rows 2 and 3.
    px = Snapshot("--region 240,135,240,135 ", dir.str() + "/scaled-part.png", &w, &h);
    ASSERT_EQ(std::pair(w, h), std::pair(240, 135));
    EXPECT_EQ(indexAt(px, w, 60, 34), 2 + 8 * 2);
    EXPECT_EQ(indexAt(px, w, 180, 34), 3 + 8 * 2);
    EXPECT_EQ(indexAt(px, w, 60, 101), 2 + 8 * 3);
    EXPECT_EQ(indexAt(px, w, 180, 101), 3 + 8 * 3);
}

// A failed snapshot to `file` (with `env` besides the test's): one line "tessaray: ..."
// naming `what`, exit status 1, no file, and an answer within seconds rather than a wait for
// one that never comes.
void ExpectFailedSnapshot(const std::string& env, const std::string& file,
                          const std::string& what) {
    const auto t0 = std::chrono::steady_clock::now();
    const auto run = test::RunProgram("--backend portal --snapshot --output " + Quote(file), env);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(run.err.rfind("tessaray: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(what), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(file));
}

// The picture that --clipboard leaves on Xwayland's clipboard reaches Wayland programs. sway
// passes an X program's clipboard on only while an X window has the keyboard focus: one has.
TEST_F(PortalSnapshot, TheCopiedPictureReachesWaylandPrograms) {
    if (!test::HaveProgram("wl-paste") || !test::HaveProgram("xmessage"))
        GTEST_SKIP() << "no wl-paste or xmessage";
    ASSERT_TRUE(FocusAnXWindow());
    const std::string file = dir.str() + "/copied.png", pasted = dir.str() + "/pasted.png";
    const auto run = Run("--backend portal --snapshot --clipboard --output " + Quote(file));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::RunCommand("wl-paste --type image/png >" + Quote(pasted)), 0);
    EXPECT_TRUE(ReadWholeFile(file).value_or("").size() > 0 &&
                ReadWholeFile(file) == ReadWholeFile(pasted));
}

TEST_F(PortalSnapshot, WithoutAPortalOrWithTheChoiceCancelledTheSnapshotFails) {
    // A session bus of its own with nothing on it.
    const std::string conf = dir.str() + "/bus.conf", socket = dir.str() + "/bus";
    std::ofstream(conf)
        << "<busconfig><type>session</type><listen>unix:path=" << socket
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
    std::string pid;
    ASSERT_EQ(
        test::RunCommand("dbus-daemon --fork --print-pid=1 --config-file=" + Quote(conf), &pid), 0);
    const std::string file = dir.str() + "/none.png";
    ExpectFailedSnapshot(Env() + "DBUS_SESSION_BUS_ADDRESS=unix:path=" + Quote(socket) + " ", file,
                         "portal");
    test::RunCommand("kill " + test::FirstLine(pid));

    // The user cancels the desktop's question which screen to share (no token yet).
    const std::string answer = test::EnvOr("TESS_WL_CHOOSER_ANSWER");
    ASSERT_FALSE(answer.empty());
    std::ofstream(answer).close();
    const int before = ChooserRuns();
    ExpectFailedSnapshot(Env(), file, "screen cast");
    fs::remove(answer);
    EXPECT_EQ(ChooserRuns(), before + 1);
    EXPECT_EQ(ReadStore().find("PortalRestoreToken\"=\"\""), std::string::npos);
}

} // namespace
} // namespace tess
