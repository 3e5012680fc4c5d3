// The program's windows on the Wayland desktop's Xwayland, where real pointer and key events
// (XTest) reach them: the picture editor of --edit FILE and of a portal snapshot, and the text
// of a region read through the portal onto the clipboard of Wayland programs.

// The test framework before X11's headers, whose macros clash with its names.
#include "wayland/WaylandDesktop.h"

#include "bench/TextPictures.h"
#include "snapshot/EditorDriver.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using test::Quote;

class XwaylandProgram : public test::WaylandDesktop {};

// A part of the background through the portal is edited as a file, then grabbed again with
// --edit: each time a box dragged over the picture is redacted where it was drawn, Ctrl+S
// writes the picture of the grab's size and the program ends with 0.
TEST_F(XwaylandProgram, EditAndSnapshotEditSaveTheRedactedPicture) {
    if (!test::HaveProgram("xdotool"))
        GTEST_SKIP() << "no xdotool";
    constexpr int kX = 101, kY = 300, kW = 240, kH = 135;
    const std::string region = "--region 101,300,240,135 ";
    std::vector<uint32_t> picture;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            picture.push_back(test::BackgroundPixel(kX + x, kY + y));
    const std::string file = dir.str() + "/part.png", shot = dir.str() + "/edited.png";
    int w = 0, h = 0;
    ASSERT_TRUE(Snapshot(region, file, &w, &h) == picture);
    const std::string program = Env() + "timeout 60 " + Quote(test::ProgramPath()) + " ";
    const std::pair<std::string, std::string> runs[] = {
        {"--edit " + Quote(file), file},
        {"--backend portal --snapshot " + region + "--edit --output " + Quote(shot), shot}};
    for (const auto& [args, saved] : runs) {
        SCOPED_TRACE(args);
        const auto run = test::RedactAndSave(program + args, dir.str(), "grim", picture, kW, kH,
                                             {kX, kY}, 30, 20, 150, 80);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, saved + "\n");
        const auto px = test::ReadPixels(saved, &w, &h);
        ASSERT_EQ(std::pair(w, h), std::pair(kW, kH));
        EXPECT_EQ(test::RedactionFaults(px, picture, kW, kH, 30, 20, 150, 80), 0);
    }
}

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
