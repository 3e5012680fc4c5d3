// A snapshot's grab and write under a real X server: named from the picture pattern, pixels as
// the screen shows them, failures said plainly and no file left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "capture/Snapshot.h"
#include "media/Caption.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace fs = std::filesystem;

namespace tess {
namespace {

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !test::HaveProgram("convert"))
            GTEST_SKIP() << "no X display or ImageMagick";
        screen_ = ScreenConnection::open();
        ASSERT_TRUE(screen_ && x_.get());
        settings_.defaultDirectory = dir_.str();
        settings_.fileSnapName = "Tess";
        settings_.imageFormat = 0;
    }
    test::XTestDisplay x_;
    std::unique_ptr<ScreenConnection> screen_;
    test::TempDir dir_;
    Settings settings_;
};

// (Every pixel: tests/snapshot/ProgramSnapshotTest.)
TEST_F(SnapshotTest, RegionAndWindowNamedFromThePattern) {
    Window win = x_.create(500, 400, 80, 60, test::Pattern);
    SnapshotRequest region;
    region.area = ScreenRect{510, 420, 570, 450};
    region.drawCursor = false;
    SnapshotRequest window = region;
    window.area.reset();
    window.window = win;
    window.format = 1;
    // The next one takes the next number; an output path given is used as it is.
    const struct {
        const SnapshotRequest& request;
        const char* name;
        int w, h;
        uint32_t first, last;
    } shots[] = {{region, "Tess_1.png", 60, 30, test::Pattern(10, 20), test::Pattern(69, 49)},
                 {window, "Tess_1.bmp", 80, 60, test::Pattern(0, 0), test::Pattern(79, 59)},
                 {region, "Tess_2.png", 60, 30, test::Pattern(10, 20), test::Pattern(69, 49)}};
    for (const auto& shot : shots) {
        auto r = TakeSnapshotNow(*screen_, settings_, shot.request);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.path, (dir_.path() / shot.name).string());
        int w = 0, h = 0;
        auto px = test::ReadPixels(r.path, &w, &h);
        ASSERT_EQ(px.size(), size_t(shot.w * shot.h)) << shot.name;
        EXPECT_EQ(std::pair(px.front(), px.back()), std::pair(shot.first, shot.last)) << shot.name;
    }
    region.outputPath = (dir_.path() / "Tess_1.png").string();
    auto r = TakeSnapshotNow(*screen_, settings_, region);
    EXPECT_TRUE(r.ok) << r.message;
    x_.destroy(win);
}

TEST_F(SnapshotTest, FailuresAreSaidAndLeaveNoFile) {
    Window gone = x_.createSolid(0, 0, 10, 10, 0);
    x_.destroy(gone);
    std::ofstream(dir_.path() / "file") << "x";
    Settings blocked = settings_;
    blocked.defaultDirectory = (dir_.path() / "file" / "sub").string();
    // A window gone; a capture directory or output below a regular file; format 2 (no picture
    // file); a click.
    SnapshotRequest window, directory, output, frame, click;
    window.window = gone;
    output.outputPath = (dir_.path() / "file" / "x.png").string();
    frame.format = 2;
    click.area = ScreenRect{300, 300, 300, 300};
    const struct {
        const SnapshotRequest& request;
        Settings* settings;
        int code; // 0: any
        const char* said;
    } cases[] = {{window, &settings_, 0, "no longer exists"},
                 {directory, &blocked, 0, ""},
                 {output, &settings_, 503, "Snapshot failed"},
                 {frame, &settings_, 0, ""},
                 {click, &settings_, 501, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        auto r = TakeSnapshotNow(*screen_, *c.settings, c.request);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.message.empty());
        EXPECT_NE(r.message.find(c.said), std::string::npos) << r.message;
        if (c.code) {
            EXPECT_EQ(r.code, c.code);
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(SnapshotTest, CaptionDrawnOnlyWhereTheProgramDrawsCaptions) {
    Window win = x_.createSolid(100, 100, 300, 100, 0xffffff);
    settings_.capEnable = true;
    settings_.capString = "Tessaray";
    settings_.scaleEnable = true;
    settings_.scale = 50;
    SnapshotRequest region;
    region.area = ScreenRect{100, 100, 400, 200};
    region.drawCursor = false;

    // Without an overlay maker (the launcher) the caption is refused and nothing written.
    SetSnapshotOverlayMaker(nullptr);
    EXPECT_FALSE(SnapshotCaptionsAvailable());
    auto r = TakeSnapshotNow(*screen_, settings_, region);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Snapshot failed: this program cannot draw the caption.");
    EXPECT_TRUE(fs::is_empty(dir_.path()));

    SetSnapshotOverlayMaker(&CreateOverlay);
    EXPECT_TRUE(SnapshotCaptionsAvailable());
    settings_.scaleEnable = true; // the refused attempt may have switched it off
    r = TakeSnapshotNow(*screen_, settings_, region);
    SetSnapshotOverlayMaker(nullptr);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_FALSE(settings_.scaleEnable);
    int w = 0, h = 0;
    auto px = test::ReadPixels(r.path, &w, &h);
    EXPECT_EQ(w, 300); // full size, not 50 per cent
    ASSERT_EQ(px.size(), 300u * 100u);
    EXPECT_NE(std::count(px.begin(), px.end(), 0xffffffu), static_cast<long>(px.size()));
    x_.destroy(win);
}

} // namespace
} // namespace tess
