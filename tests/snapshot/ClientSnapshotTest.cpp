// The client window's snapshot commands in a frame on a real X server: the frame hidden for
// the selection and shown again, the file's pixels, the status bar, shutter and display.
// Before Xlib (its macros): the client window's headers.
#include "capture/CountdownWindow.h"
#include "capture/SelectR.h"
#include "capture/TClient.h"
#include "media/VideoFile.h"
#include "platform/ScreenPixelSource.h"
#include "platform/ScreenReader.h"
#include "resources/Ids.h"

#include "ClientFrameFixture.h"
#include "SnapshotTestSupport.h"
#include "support/FakeDesktop.h"

#include <filesystem>

#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

namespace tess {
namespace {

class ClientSnapshotTest : public test::ClientFrameFixture {
protected:
    void SetUp() override {
        desktop.onWait = WaitRepainting; // the frame must really be off the screen
        ClientFrameFixture::SetUp();
        if (!frame)
            return;
        GlobalSettings().captureAction = 1;
        GlobalSettings().displayOpenAuto = true;
    }
    // Runs `act` on the selection window once it shows; cancels it if the script gives up.
    static test::Script OnSelection(std::function<void(SelectR&)> act) {
        return test::Script({[] { return SelectR::Active() && SelectR::Active()->IsShown(); },
                             test::Do([act] { act(*SelectR::Active()); })},
                            [] {
                                if (SelectR* d = SelectR::Active())
                                    d->EndModal(wxID_CANCEL);
                            });
    }
    static wxWindow* ShownCountdown() {
        for (wxWindow* w : wxTopLevelWindows)
            if (w->GetName() == CountdownWindow::kName && w->IsShown())
                return w;
        return nullptr;
    }
    // From here on, where the countdown is at each one-second wait, repainting as the program.
    std::vector<wxRect>& SeeCountdowns() {
        GlobalSettings().displayOpenAuto = false;
        desktop.onWait = [this](int ms) {
            WaitRepainting(ms);
            wxWindow* w = ShownCountdown();
            if (ms == 1000 && w && gtk::IsMapped(w->GetHandle()))
                countdowns.push_back(w->GetScreenRect());
        };
        return countdowns;
    }

    std::vector<wxRect> countdowns;
};

TEST_F(ClientSnapshotTest, ScreenSnapshotWritesTheScreenAndShowsThePath) {
    test::XTestDisplay x;
    Window win = x.create(40, 30, 64, 48, test::Pattern);
    Window below = x.createSolid(1150, 550, 500, 400, 0x123456); // under the frame
    frame->Raise();
    test::Pump(50);
    GlobalSettings().copyToClipboard = true;
    client->RunCommand(id::SnapshotScreen);
    const std::string path = dir.str() + "/Tess_1.png";
    EXPECT_EQ(StatusText(), path);
    EXPECT_EQ(desktop.shutters, 1);
    ASSERT_NE(client->displayedFile(), nullptr);
    EXPECT_EQ(client->displayedFile()->fileName(), path);
    EXPECT_TRUE(frame->IsShown());
    // The frame comes back named after the snapshot it displays.
    EXPECT_EQ(frame->GetTitle(), "Tess_1.png Tessaray");
    auto px = test::PixelsSized(path, 1920, 1080);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(test::PatternMismatches(px, 1920, 40, 30, 64, 48), 0);
    // The frame was hidden for the grab: its place shows what lies below it.
    EXPECT_EQ(px[static_cast<size_t>(700) * 1920 + 1300], 0x123456u);
    ASSERT_EQ(desktop.copied.size(), 1u);
    EXPECT_TRUE(desktop.copied[0].rgb == px);
    x.destroy(below);
    x.destroy(win);

    // A directory that is gone: the failure in the status bar, no shutter, no display.
    GlobalSettings().defaultDirectory = dir.str() + "/gone";
    client->RunCommand(id::SnapshotScreen);
    EXPECT_NE(StatusText(), path);
    EXPECT_FALSE(StatusText().empty());
    EXPECT_EQ(desktop.shutters, 1);
    EXPECT_EQ(client->displayedFile()->fileName(), path);
    EXPECT_TRUE(frame->IsShown());
}

TEST_F(ClientSnapshotTest, WindowSnapshotHidesTheFrameWhileTheUserPoints) {
    test::XTestDisplay x;
    Window win = x.createSolid(500, 400, 90, 70, 0x40c080);
    test::Pump(20);
    bool frameHiddenDuringSelection = false;
    std::string titleDuringSelection;
    test::Script script = OnSelection([&](SelectR& dlg) {
        frameHiddenDuringSelection = !frame->IsShown();
        titleDuringSelection = frame->GetTitle().utf8_string();
        test::SendMouse(dlg, wxEVT_MOTION, {530, 430});
        test::SendMouse(dlg, wxEVT_LEFT_UP, {530, 430});
    });
    client->RunCommand(id::SnapshotWindow);
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(frameHiddenDuringSelection);
    EXPECT_EQ(titleDuringSelection, "Click the window that you wish to snap...");
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetTitle(), "Tess_1.png Tessaray"); // the prompt gone, the picture shown
    const std::string path = dir.str() + "/Tess_1.png";
    EXPECT_EQ(StatusText(), path);
    EXPECT_FALSE(test::PixelsSized(path, 90, 70).empty()); // its pixels: PipelineTest
    x.destroy(win);
}

// The screen read from a source of its own (a screen cast): snapshots show the source's
// picture, and a window cannot be picked, which the status bar says without asking for one.
TEST_F(ClientSnapshotTest, WithTheScreenReadFromASourceWindowsAreNotPicked) {
    struct SolidSource : ScreenPixelSource {
        bool start() override { return true; }
        bool grab(const ScreenRect& area, const ScreenRect&, uint8_t* dst,
                  int32_t stride) override {
            for (int32_t y = 0; y < area.height(); ++y)
                std::fill_n(reinterpret_cast<uint32_t*>(dst + size_t(y) * stride), area.width(),
                            0x906030u);
            return true;
        }
        bool ended() const override { return false; }
        std::string failure() const override { return {}; }
    } source;
    SetScreenPixelSource(&source);
    struct Unset {
        ~Unset() { SetScreenPixelSource(nullptr); }
    } unset;

    bool selectionShown = false;
    test::Script script(
        {[&] { return (selectionShown = SelectR::Active() != nullptr); }, test::Do([] {
             if (SelectR* d = SelectR::Active())
                 d->EndModal(wxID_CANCEL);
         })},
        [] {});
    client->RunCommand(id::SnapshotWindow);
    EXPECT_EQ(StatusText(), kWindowCaptureUnavailableMessage);
    frame->SetStatusText("", 0);
    client->RunCommand(id::RecordWindow);
    test::Pump(50);
    EXPECT_EQ(StatusText(), kWindowCaptureUnavailableMessage);
    EXPECT_FALSE(selectionShown);
    EXPECT_EQ(desktop.shutters, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.str()));
    EXPECT_EQ(client->captureState(), CaptureState::Idle);

    client->RunCommand(id::SnapshotScreen);
    const std::string path = dir.str() + "/Tess_1.png";
    ASSERT_EQ(StatusText(), path);
    auto px = test::PixelsSized(path, 1920, 1080);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(px[540 * 1920 + 960], 0x906030u);
}

TEST_F(ClientSnapshotTest, RegionByModeWithDelayAndCancel) {
    client->RunCommand(id::Rectangle); // the mode commands themselves: FrameTest
    GlobalSettings().captureDelay = true;
    desktop.onWait = nullptr;
    test::Script script = OnSelection([](SelectR& dlg) {
        test::SendMouse(dlg, wxEVT_LEFT_DOWN, {300, 200});
        test::SendMouse(dlg, wxEVT_MOTION, {100, 100}, false, true);
        test::SendMouse(dlg, wxEVT_LEFT_UP, {100, 100});
    });
    client->RunCommand(id::Snapshot); // "Snapshot" in rectangle mode takes a region
    EXPECT_TRUE(script.finished());
    // Hiding settles for 100 ms, the selection's 100 ms, three seconds of delay, and 100 ms
    // for the screen once the countdown is gone.
    EXPECT_EQ(desktop.waits, (std::vector<int>{100, 100, 1000, 1000, 1000, 100}));
    EXPECT_EQ(desktop.beeps, 3);
    EXPECT_FALSE(test::PixelsSized(dir.str() + "/Tess_1.png", 200, 100).empty());

    // Esc: nothing captured, the frame back.
    test::Script cancel = OnSelection([](SelectR& dlg) { test::SendKey(dlg, WXK_ESCAPE); });
    client->RunCommand(id::SnapshotRegion);
    EXPECT_TRUE(cancel.finished());
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/Tess_2.png"));
    EXPECT_EQ(desktop.beeps, 3);
    EXPECT_TRUE(frame->IsShown());

    // The dragged rectangle is the last region, snapped again without a selection; greyed
    // off-screen.
    EXPECT_EQ(GlobalSettings().lastRegion, "100,100,200,100");
    GlobalSettings().captureDelay = false;
    EXPECT_TRUE(
        CommandUiFor(id::SnapshotLastRegion, client->ViewFor(id::SnapshotLastRegion)).enabled);
    client->RunCommand(id::SnapshotLastRegion);
    EXPECT_EQ(test::PixelsSized(dir.str() + "/Tess_2.png", 200, 100),
              test::PixelsSized(dir.str() + "/Tess_1.png", 200, 100));
    EXPECT_TRUE(frame->IsShown());
    GlobalSettings().lastRegion = "1800,1000,200,100";
    EXPECT_FALSE(CommandUiFor(id::RecordLastRegion, client->ViewFor(id::RecordLastRegion)).enabled);
    client->RunCommand(id::SnapshotLastRegion);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/Tess_3.png"));
}

TEST_F(ClientSnapshotTest, MonitorModeTakesTheMonitorUnderThePointerWithItsCountdownThere) {
    test::TwoMonitors monitors;
    if (!monitors.ok)
        GTEST_SKIP() << "no xrandr, or the server keeps no monitors";
    test::XTestDisplay x;
    Window win = x.create(900, 500, 120, 80, test::Pattern); // across the two
    wxGUIEventLoop loop; // the countdown repaints as in the program
    wxEventLoopActivator active(&loop);
    std::vector<wxRect>& seen = SeeCountdowns();
    client->RunCommand(id::Monitor);
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 1500, 300);
    x.sync();
    client->RunCommand(id::Snapshot);
    client->RunCommand(id::SnapshotScreen);
    // On the left one, after a delay: its countdown in that monitor's top right corner.
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 300, 700);
    x.sync();
    GlobalSettings().captureDelay = true;
    GlobalSettings().snapshotDelay = 1;
    client->RunCommand(id::Snapshot);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].GetTopRight(), wxPoint(960 - 1 - 24, 24));
    const auto screen = test::PixelsSized(dir.str() + "/Tess_2.png", 1920, 1080);
    EXPECT_EQ(test::HalfMismatches(dir.str() + "/Tess_1.png", screen, 960), 0);
    EXPECT_EQ(test::HalfMismatches(dir.str() + "/Tess_3.png", screen, 0), 0);
    x.destroy(win);
}

TEST_F(ClientSnapshotTest, CountdownShowsAndStaysOutOfThePictureEscapeCancels) {
    wxGUIEventLoop loop; // the countdown repaints as in the program
    wxEventLoopActivator active(&loop);
    std::vector<wxRect>& seen = SeeCountdowns();
    client->RunCommand(id::SnapshotScreen);
    const auto before = test::PixelsSized(dir.str() + "/Tess_1.png", 1920, 1080);
    ASSERT_FALSE(before.empty());

    // Each second the countdown is on the screen, in the top right corner.
    GlobalSettings().captureDelay = true;
    GlobalSettings().snapshotDelay = 2;
    client->RunCommand(id::SnapshotScreen);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_GT(seen[0].GetLeft(), 1920 / 2);
    EXPECT_LT(seen[0].GetTop(), 1080 / 2);
    // Nothing of it in the picture: the corner is as in the snapshot without a delay.
    const auto after = test::PixelsSized(dir.str() + "/Tess_2.png", 1920, 1080);
    ASSERT_FALSE(after.empty());
    const wxRect r = seen[0].Intersect(wxRect(0, 0, 1920, 1080));
    int differ = 0;
    for (int y = r.GetTop(); y <= r.GetBottom(); ++y)
        for (int x = r.GetLeft(); x <= r.GetRight(); ++x)
            differ += before[y * 1920 + x] != after[y * 1920 + x];
    EXPECT_EQ(differ, 0);

    // The real Escape key during the first second: no file, the status says so.
    wxUIActionSimulator sim;
    desktop.onWait = [&](int ms) {
        WaitRepainting(ms / 2);
        if (ms == 1000 && ShownCountdown())
            sim.Char(WXK_ESCAPE);
        WaitRepainting(ms / 2);
    };
    const int beeps = desktop.beeps;
    client->RunCommand(id::SnapshotScreen);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/Tess_3.png"));
    EXPECT_EQ(desktop.beeps, beeps);
    EXPECT_EQ(StatusText(), kSnapshotCancelledMessage);
}

} // namespace
} // namespace tess
