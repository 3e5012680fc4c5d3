// The selection window on a real X server: the frozen screen, the outline of the window under
// the cursor (smallest first, Shift for child windows, one beep per new window, also across
// selections), dragging a rectangle either way, Esc, and real pointer input.
#include "SnapshotTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <gdk/gdk.h>
#include <wx/image.h>
#include <wx/uiaction.h>

#include "capture/SelectR.h"
#include "support/FakeDesktop.h"

namespace tess {
namespace {

class SelectRTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESS_NEED_WX();
        screen = ScreenConnection::open();
        ASSERT_TRUE(screen && x.get());
        large = x.createSolid(100, 100, 600, 400, 0x2040a0);
        small = x.createSolid(200, 150, 100, 80, 0xc0c000);
        child = x.createSolid(350, 200, 60, 40, 0x00a050, large); // at (450, 300) on screen
        LastOutlined().moveTo(0); // no window outlined before this test
        test::Pump(50);
    }
    void TearDown() override {
        for (Window w : {child, small, large})
            if (w)
                x.destroy(w);
    }
    void Warp(int px, int py) {
        XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, px, py);
        x.sync();
    }
    // 0x00RRGGBB of the screen at (px, py), as the server shows it now.
    uint32_t ScreenPixel(int px, int py) {
        MemBm bm(1, 1);
        ScreenRect r{px, py, px + 1, py + 1};
        screen->grab(r, bm.bits(), bm.stride());
        return test::PixelAt(bm, 0, 0);
    }
    // The 3-pixel red frame just outside `r`, at the middle of each side.
    void ExpectFrameAround(const ScreenRect& r) {
        const int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
        for (int d = 0; d < 3; ++d) {
            EXPECT_EQ(ScreenPixel(mx, r.bottom + d), 0xff0000u) << d;
            EXPECT_EQ(ScreenPixel(mx, r.top - 1 - d), 0xff0000u) << d;
            EXPECT_EQ(ScreenPixel(r.left - 1 - d, my), 0xff0000u) << d;
            EXPECT_EQ(ScreenPixel(r.right + d, my), 0xff0000u) << d;
        }
    }
    int RunModal(SelectR& dlg, std::vector<test::Step> steps) {
        test::Script script(std::move(steps), [&dlg] {
            if (dlg.IsModal())
                dlg.EndModal(-1);
        });
        return dlg.ShowModal();
    }
    test::Step Shown(SelectR& dlg) {
        return [&dlg] { return dlg.IsShown(); };
    }
    // The rectangle chosen after `act` (the last region `last` recalled by Enter), or none when
    // the selection was cancelled, which leaves the caller's rectangle alone.
    std::optional<ScreenRect> Select(std::optional<ScreenRect> last,
                                     std::function<void(SelectR&)> act) {
        const ScreenRect untouched{1, 2, 3, 4};
        ScreenRect got = untouched;
        SelectR dlg(nullptr, desktop, SelectionColour("ff"), &got, nullptr, true, screen.get());
        dlg.SetLastRegion(last);
        if (RunModal(dlg, {Shown(dlg), test::Do([&] { act(dlg); })}) == wxID_OK)
            return got;
        EXPECT_EQ(got, untouched);
        return std::nullopt;
    }

    test::XTestDisplay x;
    std::unique_ptr<ScreenConnection> screen;
    Window large = 0, small = 0, child = 0;
    test::FakeDesktop desktop; // counts the beeps
};

TEST(SelectionColourTest, ReadsTheHexadecimalSetting) {
    EXPECT_EQ(SelectionColour("ff00ff"), wxColour(255, 0, 255));
    EXPECT_EQ(SelectionColour("ff"), wxColour(255, 0, 0)); // red in the low byte
    EXPECT_EQ(SelectionColour("ff0000"), wxColour(0, 0, 255));
    EXPECT_EQ(SelectionColour("8040"), wxColour(0x40, 0x80, 0));
    EXPECT_EQ(SelectionColour(""), wxColour(255, 0, 255));
    EXPECT_EQ(SelectionColour("zz"), wxColour(255, 0, 255));
}

TEST_F(SelectRTest, OutlinesTheSmallestWindowAndBeepsOncePerWindow) {
    Warp(250, 190); // over the small window lying on the large one
    WindowId chosen = 0;
    SelectR dlg(nullptr, desktop, SelectionColour("ff"), nullptr, &chosen, true, screen.get());
    EXPECT_EQ(dlg.covered(), (ScreenRect{0, 0, 1920, 1080}));
    // The frozen picture is the screen as it was.
    wxImage frozen = dlg.frozen().ConvertToImage();
    ASSERT_EQ(frozen.GetWidth(), 1920);
    EXPECT_EQ(frozen.GetRed(210, 160), 0xc0);
    EXPECT_EQ(frozen.GetBlue(210, 160), 0x00);
    EXPECT_EQ(frozen.GetBlue(110, 110), 0xa0);

    const ScreenRect smallRect{200, 150, 300, 230};
    int beepsAtOpen = -1;
    int rc = RunModal(
        dlg, {Shown(dlg), [&] { return dlg.shownFrame().has_value(); }, // message 1345 outlined it
              test::Do([&] {
                  beepsAtOpen = desktop.beeps;
                  EXPECT_EQ(chosen, small);
                  EXPECT_EQ(dlg.shownFrame(), smallRect);
                  test::SendMouse(dlg, wxEVT_MOTION, {260, 200});
                  test::SendMouse(dlg, wxEVT_MOTION, {280, 220});
                  EXPECT_EQ(desktop.beeps, beepsAtOpen); // same window: no new beep
              }),
              test::Do([] {}), // let it paint
              test::Do([&] {
                  ExpectFrameAround(smallRect);
                  EXPECT_EQ(ScreenPixel(250, 233), 0x2040a0u);
                  EXPECT_EQ(ScreenPixel(250, 190), 0xc0c000u); // inside: the frozen picture
                  // The uncovered part of the large window outlines the large window.
                  test::SendMouse(dlg, wxEVT_MOTION, {150, 450});
                  EXPECT_EQ(chosen, large);
                  EXPECT_EQ(dlg.shownFrame(), (ScreenRect{100, 100, 700, 500}));
                  EXPECT_EQ(desktop.beeps, beepsAtOpen + 1);
              }),
              test::Do([] {}), test::Do([&] {
                  EXPECT_EQ(ScreenPixel(250, 231), 0x2040a0u); // the old frame is gone
                  ExpectFrameAround({100, 100, 700, 500});
                  // Plain pointing at the child finds its top-level window; with Shift held
                  // the child itself.
                  test::SendMouse(dlg, wxEVT_MOTION, {470, 320});
                  EXPECT_EQ(chosen, large);
                  EXPECT_EQ(desktop.beeps, beepsAtOpen + 1);
                  test::SendMouse(dlg, wxEVT_MOTION, {470, 320}, true);
                  EXPECT_EQ(chosen, child);
                  EXPECT_EQ(dlg.shownFrame(), (ScreenRect{450, 300, 510, 340}));
                  EXPECT_EQ(desktop.beeps, beepsAtOpen + 2);
                  test::SendMouse(dlg, wxEVT_LEFT_UP, {470, 320}, true);
              })});
    EXPECT_EQ(rc, wxID_OK);
    EXPECT_EQ(chosen, child);
    EXPECT_GE(beepsAtOpen, 0);
}

TEST_F(SelectRTest, ASecondSelectionOverTheLastWindowShowsNoOutlineUntilTheCursorMoves) {
    Warp(250, 190);
    for (int round = 0; round < 2; ++round) {
        WindowId chosen = 0;
        SelectR dlg(nullptr, desktop, SelectionColour("ff00ff"), nullptr, &chosen, true,
                    screen.get());
        int before = desktop.beeps;
        int rc =
            RunModal(dlg, {Shown(dlg), test::Do([] {}), test::Do([] {}), test::Do([&] {
                               if (round == 0) {
                                   EXPECT_EQ(dlg.shownFrame(), (ScreenRect{200, 150, 300, 230}));
                               } else {
                                   // Same window as last time: no outline, no beep.
                                   EXPECT_FALSE(dlg.shownFrame());
                                   EXPECT_EQ(desktop.beeps, before);
                                   EXPECT_EQ(chosen, small);
                                   test::SendMouse(dlg, wxEVT_MOTION, {150, 450});
                                   EXPECT_EQ(desktop.beeps, before + 1);
                                   EXPECT_EQ(chosen, large);
                                   EXPECT_TRUE(dlg.shownFrame());
                               }
                               test::SendKey(dlg, WXK_ESCAPE);
                           })});
        EXPECT_EQ(rc, wxID_CANCEL);
    }
}

TEST_F(SelectRTest, DraggingEitherWayGivesTheSameRectangle) {
    const ScreenRect want{100, 80, 400, 300};
    auto drag = [&](wxPoint from, wxPoint to, ScreenRect* got) {
        SelectR dlg(nullptr, desktop, SelectionColour("ff"), got, nullptr, true, screen.get());
        return RunModal(dlg, {Shown(dlg), test::Do([&] {
                                  test::SendMouse(dlg, wxEVT_LEFT_DOWN, from);
                                  EXPECT_TRUE(dlg.dragging());
                                  test::SendMouse(dlg, wxEVT_MOTION, (from + to) / 2, false, true);
                                  test::SendMouse(dlg, wxEVT_MOTION, to, false, true);
                                  EXPECT_EQ(dlg.shownFrame(), want);
                              }),
                              test::Do([] {}), test::Do([&] {
                                  ExpectFrameAround(want);
                                  // Clear inside, dimmed outside, the size under the frame.
                                  EXPECT_EQ(ScreenPixel(250, 190), 0xc0c000u);
                                  EXPECT_EQ(ScreenPixel(650, 450), 0x0e1c46u); // 0x2040a0 dimmed
                                  ASSERT_TRUE(dlg.sizeLabel() && dlg.helpLine());
                                  EXPECT_EQ(dlg.sizeLabel()->top, want.bottom + 7);
                                  EXPECT_EQ(dlg.sizeLabel()->right, want.right);
                                  test::SendKey(dlg, WXK_LEFT, wxMOD_SHIFT); // 10 pixels
                              }),
                              test::Do([] {}), test::Do([&] {
                                  // Nothing left of the label where it was.
                                  EXPECT_EQ(ScreenPixel(395, 315), 0x0e1c46u);
                                  test::SendKey(dlg, WXK_RIGHT, wxMOD_SHIFT);
                                  test::SendMouse(dlg, wxEVT_LEFT_UP, to);
                              })});
    };
    ScreenRect upLeft, downRight;
    EXPECT_EQ(drag({400, 300}, {100, 80}, &upLeft), wxID_OK);
    EXPECT_EQ(drag({100, 80}, {400, 300}, &downRight), wxID_OK);
    EXPECT_EQ(upLeft, want);
    EXPECT_EQ(downRight, want);

    // A click without a drag: a rectangle without area.
    EXPECT_EQ(Select(std::nullopt,
                     [](SelectR& dlg) {
                         test::SendMouse(dlg, wxEVT_LEFT_DOWN, {50, 60});
                         test::SendMouse(dlg, wxEVT_LEFT_UP, {50, 60});
                     }),
              (ScreenRect{50, 60, 50, 60}));
}

// With TESS_SCREENSHOT_DIR set (tools/screenshots/selection.sh): pictures of the window open,
// during a drag and at the screen's corner, and what a drag's step costs to paint against a
// repaint of the whole window.
TEST_F(SelectRTest, Screenshots) {
    const char* out = std::getenv("TESS_SCREENSHOT_DIR");
    if (!out)
        GTEST_SKIP() << "for tools/screenshots/selection.sh";
    const ScreenRect d = screen->desktopRect();
    const std::string prefix = std::string(out) + "/selection-" + std::to_string(d.right) + "-";
    auto shot = [&](const std::string& name) {
        test::RunCommand("import -window root '" + prefix + name + ".png'");
    };
    auto steps = [&](SelectR& dlg, bool whole) {
        const int n = 100;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i <= n; ++i) {
            test::SendMouse(dlg, wxEVT_MOTION, {d.right * 2 / 3 + i, d.bottom * 2 / 3 + i / 2},
                            false, true);
            if (whole)
                dlg.Refresh(false);
            dlg.Update();
            gdk_display_sync(gdk_display_get_default());
        }
        const std::chrono::duration<double, std::milli> t =
            std::chrono::steady_clock::now() - start;
        std::printf("shot %dx%d: a drag step %.2f ms (%s)\n", d.right, d.bottom, t.count() / n,
                    whole ? "the whole window repainted" : "as the window repaints");
    };
    // A grey desktop under the windows; they go once frozen, so they do not cover the
    // selection window (the window manager keeps such windows on top).
    XSetWindowBackground(x.get(), x.root(), 0x708090);
    XClearWindow(x.get(), x.root());
    x.sync();
    ScreenRect got;
    SelectR dlg(nullptr, desktop, SelectionColour("ff"), &got, nullptr, true, screen.get());
    XUnmapWindow(x.get(), large);
    XUnmapWindow(x.get(), small);
    x.sync();
    RunModal(
        dlg,
        {Shown(dlg), test::Do([] {}), test::Do([&] {
             shot("open");
             test::SendMouse(dlg, wxEVT_LEFT_DOWN, {150, 120});
             test::SendMouse(dlg, wxEVT_MOTION, {d.right * 2 / 3, d.bottom * 2 / 3}, false, true);
         }),
         test::Do([] {}), test::Do([&] {
             shot("drag");
             steps(dlg, false);
             steps(dlg, true);
             test::SendMouse(dlg, wxEVT_MOTION, {d.right, d.bottom}, false, true);
         }),
         test::Do([] {}), test::Do([&] {
             shot("corner");
             test::SendKey(dlg, WXK_ESCAPE);
         })});
    XSetWindowBackground(x.get(), x.root(), 0);
    XClearWindow(x.get(), x.root());
}

TEST_F(SelectRTest, EnterRecallsTheLastRegionAndTheArrowKeysMoveAndResizeIt) {
    // Enter, Right, Shift+Down, Ctrl+Right (wider), Ctrl+Shift+Up (lower), Enter.
    EXPECT_EQ(Select(ScreenRect{100, 80, 400, 300},
                     [&](SelectR& dlg) {
                         test::SendKey(dlg, WXK_RIGHT); // nothing shown yet: nothing to move
                         EXPECT_FALSE(dlg.shownFrame());
                         test::SendKey(dlg, WXK_RETURN);
                         EXPECT_EQ(dlg.shownFrame(), (ScreenRect{100, 80, 400, 300}));
                         test::SendKey(dlg, WXK_RIGHT);
                         test::SendKey(dlg, WXK_DOWN, wxMOD_SHIFT);
                         EXPECT_EQ(dlg.shownFrame(), (ScreenRect{101, 90, 401, 310}));
                         test::SendKey(dlg, WXK_RIGHT, wxMOD_CONTROL);
                         test::SendKey(dlg, WXK_UP, wxMOD_CONTROL | wxMOD_SHIFT);
                         EXPECT_TRUE(dlg.IsModal());
                         test::SendKey(dlg, WXK_RETURN);
                     }),
              (ScreenRect{101, 90, 402, 300}));

    // Moved against the screen's edge, it stops there; a click inside chooses it.
    EXPECT_EQ(Select(ScreenRect{1900, 0, 1920, 20},
                     [&](SelectR& dlg) {
                         test::SendKey(dlg, WXK_RETURN);
                         test::SendKey(dlg, WXK_RIGHT, wxMOD_SHIFT);
                         test::SendKey(dlg, WXK_UP);
                         test::SendMouse(dlg, wxEVT_LEFT_DOWN, {1910, 10});
                         test::SendMouse(dlg, wxEVT_LEFT_UP, {1910, 10});
                     }),
              (ScreenRect{1900, 0, 1920, 20}));

    // A last region partly off the screen (a monitor since removed) is brought onto it.
    EXPECT_EQ(Select(ScreenRect{1880, 1060, 1960, 1100},
                     [&](SelectR& dlg) {
                         test::SendKey(dlg, WXK_RETURN);
                         test::SendKey(dlg, WXK_RETURN);
                     }),
              (ScreenRect{1840, 1040, 1920, 1080}));

    // During a drag the keys move the rectangle (Ctrl: its pointer corner); Enter does not end it.
    EXPECT_EQ(Select(std::nullopt,
                     [&](SelectR& dlg) {
                         test::SendMouse(dlg, wxEVT_LEFT_DOWN, {100, 100});
                         test::SendMouse(dlg, wxEVT_MOTION, {200, 150}, false, true);
                         test::SendKey(dlg, WXK_LEFT, wxMOD_SHIFT);
                         EXPECT_EQ(dlg.shownFrame(), (ScreenRect{90, 100, 190, 150}));
                         test::SendKey(dlg, WXK_DOWN, wxMOD_CONTROL);
                         test::SendKey(dlg, WXK_RETURN);
                         EXPECT_TRUE(dlg.IsModal());
                         test::SendMouse(dlg, wxEVT_MOTION, {210, 150}, false, true);
                         test::SendMouse(dlg, wxEVT_LEFT_UP, {210, 150});
                     }),
              (ScreenRect{90, 100, 200, 151}));

    // A press outside the recalled rectangle starts a new drag.
    EXPECT_EQ(Select(ScreenRect{10, 10, 50, 50},
                     [&](SelectR& dlg) {
                         test::SendKey(dlg, WXK_RETURN);
                         test::SendMouse(dlg, wxEVT_LEFT_DOWN, {300, 300});
                         test::SendMouse(dlg, wxEVT_MOTION, {320, 330}, false, true);
                         test::SendMouse(dlg, wxEVT_LEFT_UP, {320, 330});
                     }),
              (ScreenRect{300, 300, 320, 330}));
}

TEST_F(SelectRTest, EscCancelsEvenInTheMiddleOfADrag) {
    EXPECT_EQ(Select(std::nullopt,
                     [](SelectR& dlg) {
                         test::SendMouse(dlg, wxEVT_LEFT_DOWN, {10, 10});
                         test::SendMouse(dlg, wxEVT_MOTION, {90, 90}, false, true);
                         test::SendKey(dlg, WXK_ESCAPE);
                     }),
              std::nullopt);
    // A release whose press did not happen in the window selects nothing.
    EXPECT_EQ(Select(std::nullopt,
                     [](SelectR& dlg) {
                         test::SendMouse(dlg, wxEVT_LEFT_UP, {10, 10});
                         EXPECT_TRUE(dlg.IsModal());
                         test::SendKey(dlg, WXK_ESCAPE);
                     }),
              std::nullopt);
}

TEST_F(SelectRTest, RealPointerInputDragsARectangle) {
    ScreenRect rect;
    SelectR dlg(nullptr, desktop, SelectionColour("ff"), &rect, nullptr, true, screen.get());
    wxUIActionSimulator sim;
    int rc = RunModal(
        dlg, {Shown(dlg), test::Do([&] { sim.MouseMove(640, 480); }),
              test::Do([&] { sim.MouseDown(); }), test::Do([&] { sim.MouseMove(500, 400); }),
              test::Do([&] { sim.MouseMove(320, 260); }), test::Do([&] { sim.MouseUp(); })});
    EXPECT_EQ(rc, wxID_OK);
    EXPECT_EQ(rect, (ScreenRect{320, 260, 640, 480}));

    // The real Esc key.
    ScreenRect untouched{1, 2, 3, 4};
    SelectR again(nullptr, desktop, SelectionColour("ff"), &untouched, nullptr, true, screen.get());
    rc = RunModal(again, {Shown(again), test::Do([] {}), test::Do([&] { sim.Char(WXK_ESCAPE); })});
    EXPECT_EQ(rc, wxID_CANCEL);
    EXPECT_EQ(untouched, (ScreenRect{1, 2, 3, 4}));
}

} // namespace
} // namespace tess
