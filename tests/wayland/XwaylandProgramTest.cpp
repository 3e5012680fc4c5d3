// The program on the Wayland desktop's Xwayland: the text of a region read through the portal
// onto the clipboard of Wayland programs.

// The test framework before X11's headers, whose macros clash with its names.
#include "wayland/WaylandDesktop.h"

#include "bench/TextPictures.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using test::Quote;

class XwaylandProgram : public test::WaylandDesktop {};

// Text shown in an X window, read through the portal: printed, and on the clipboard that
// Wayland programs read.
TEST_F(XwaylandProgram, TextOfARegionIsPrintedAndReachesWaylandPrograms) {
    if (!test::HaveProgram("wl-paste") || !test::HaveProgram("xmessage"))
        GTEST_SKIP() << "no wl-paste or xmessage";
    const std::string text = "Disk almost full: 312 MB left on /home.\n"
                             "Delete old snapshots or move them to another disk.";
    ASSERT_TRUE(FocusAnXWindow());
    const auto picture = bench::DrawTextPicture(text, {"DejaVu Sans 12px", 0xE0E0E0, 0x303030});
    const int w = picture->width(), h = picture->height();
    test::XTestDisplay x;
    const Window win =
        x.create(200, 400, w, h, [&](int px, int py) { return test::PixelAt(*picture, px, py); });
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        int gw = 0, gh = 0;
        const auto px = Grim("200,400 " + std::to_string(w) + "x" + std::to_string(h), &gw, &gh);
        shown = px.size() == size_t(w) * h && px.back() == test::PixelAt(*picture, w - 1, h - 1);
        test::RunCommand("sleep 0.1");
    }
    ASSERT_TRUE(shown);
    const auto run = Run("--backend portal --text --clipboard --region 200,400," +
                         std::to_string(w) + "," + std::to_string(h));
    x.destroy(win);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GE(bench::Accuracy(text + "\n", run.out), 0.98) << run.out;
    std::string pasted;
    EXPECT_EQ(test::RunCommand("wl-paste --no-newline", &pasted), 0);
    EXPECT_EQ(pasted + "\n", run.out);
}

} // namespace
} // namespace tess
