// The command-line snapshot: its options, and a run against a real X server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/SnapshotCommand.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

TEST(SnapshotOptionsTest, ReadsTheOptions) {
    auto o = ParseSnapshotOptions({{"snapshot", ""},
                                   {"region", "10,20,300,200"},
                                   {"format", "JPG"},
                                   {"output", "/tmp/x.jpg"}});
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.request.area, (ScreenRect{10, 20, 310, 220}));
    EXPECT_EQ(o.request.format, 4);
    EXPECT_EQ(o.request.outputPath, "/tmp/x.jpg");
    EXPECT_EQ(o.request.window, 0u);

    o = ParseSnapshotOptions({{"snapshot", ""}, {"window", "0xc00007"}});
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.request.window, 0xc00007u);
    o = ParseSnapshotOptions({{"snapshot", ""}, {"window", "12582919"}});
    EXPECT_EQ(o.request.window, 12582919u);
    o = ParseSnapshotOptions({{"snapshot", ""}, {"region", "-10,-5,20,20"}});
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.request.area, (ScreenRect{-10, -5, 10, 15}));
    o = ParseSnapshotOptions({{"snapshot", ""}});
    ASSERT_TRUE(o.ok);
    EXPECT_FALSE(o.request.area);
    EXPECT_EQ(o.request.format, -1); // the ImageFormat setting

    EXPECT_TRUE(WantsSnapshotCommand({{"output", "x"}, {"snapshot", ""}}));
    EXPECT_FALSE(WantsSnapshotCommand({{"output", "x"}}));
}

TEST(SnapshotOptionsTest, RefusesWhatItCannotUse) {
    for (const Options& bad : std::vector<Options>{
             {{"snapshot", ""}, {"window", ""}},
             {{"snapshot", ""}, {"window", "abc"}},
             {{"snapshot", ""}, {"window", "0"}},
             {{"snapshot", ""}, {"region", "1,2,3"}},
             {{"snapshot", ""}, {"region", "1,2,3,4,5"}},
             {{"snapshot", ""}, {"region", "1,2,0,4"}},
             {{"snapshot", ""}, {"region", "1,2,x,4"}},
             {{"snapshot", ""}, {"region", "1,2,99999999999,4"}},
             {{"snapshot", ""}, {"format", "tiff"}},
             {{"snapshot", ""}, {"output", ""}},
             {{"snapshot", ""}, {"colour", "red"}},
             {{"snapshot", "/usr/x.png"}},
             {{"snapshot", ""}, {"window", "5"}, {"region", "0,0,5,5"}},
         }) {
        auto o = ParseSnapshotOptions(bad);
        EXPECT_FALSE(o.ok) << bad.back().first << "=" << bad.back().second;
        EXPECT_FALSE(o.error.empty());
    }
}

TEST(SnapshotCommandTest, WritesThePathOrSaysWhy) {
    if (!test::HaveDisplay() || !test::HaveProgram("convert"))
        GTEST_SKIP() << "no X display or ImageMagick";
    test::XTestDisplay x;
    auto screen = ScreenConnection::open();
    ASSERT_TRUE(screen && x.get());
    Window win = x.create(700, 500, 40, 30, test::Pattern);
    test::TempDir dir;
    Settings settings;
    settings.defaultDirectory = dir.str();
    settings.cursor = false;

    std::ostringstream out, err;
    int rc = RunSnapshotCommand({{"snapshot", ""}, {"region", "700,500,40,30"}}, screen.get(),
                                settings, out, err);
    EXPECT_EQ(rc, 0) << err.str();
    const std::string path = (dir.path() / "Tess_1.png").string();
    EXPECT_EQ(out.str(), path + "\n");
    int w = 0, h = 0;
    auto px = test::ReadPixels(path, &w, &h);
    ASSERT_EQ(px.size(), 40u * 30u);
    EXPECT_EQ(px[0], test::Pattern(0, 0));
    EXPECT_EQ(px[40 * 30 - 1], test::Pattern(39, 29));

    // A directory that cannot be written: a clear error, non-zero, no output.
    std::ofstream(dir.path() / "file") << "x";
    std::ostringstream out2, err2;
    rc = RunSnapshotCommand({{"snapshot", ""}, {"output", (dir.path() / "file/x.png").string()}},
                            screen.get(), settings, out2, err2);
    EXPECT_NE(rc, 0);
    EXPECT_TRUE(out2.str().empty());
    EXPECT_NE(err2.str().find("tessaray: "), std::string::npos);

    std::ostringstream out3, err3;
    EXPECT_EQ(
        RunSnapshotCommand({{"snapshot", ""}, {"format", "x"}}, screen.get(), settings, out3, err3),
        kSnapshotExitUsage);
    EXPECT_NE(err3.str().find("usage"), std::string::npos);
    EXPECT_EQ(RunSnapshotCommand({{"snapshot", ""}}, nullptr, settings, out3, err3),
              kSnapshotExitFailed);
    x.destroy(win);
}

} // namespace
} // namespace tess
