// The command-line snapshot's options (the run itself: tests/snapshot/ProgramSnapshotTest).
#include <gtest/gtest.h>

#include "capture/RecordCommand.h"
#include "capture/Snapshot.h"
#include "capture/SnapshotCommand.h"
#include "platform/x11/Monitors.h"

namespace tess {
namespace {

TEST(SnapshotOptionsTest, ReadsTheOptionsAndFormatNames) {
    auto o = ParseSnapshotOptions({{"snapshot", ""},
                                   {"region", "10,20,300,200"},
                                   {"format", "JPG"},
                                   {"output", "/tmp/x.jpg"}});
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.request.area, (ScreenRect{10, 20, 310, 220}));
    EXPECT_EQ(o.request.format, 4);
    EXPECT_EQ(o.request.outputPath, "/tmp/x.jpg");
    EXPECT_EQ(o.request.window, 0u);
    for (const char* id : {"0xc00007", "12582919"}) {
        o = ParseSnapshotOptions({{"snapshot", ""}, {"window", id}});
        ASSERT_TRUE(o.ok) << id;
        EXPECT_EQ(o.request.window, 0xc00007u) << id;
    }
    o = ParseSnapshotOptions({{"snapshot", ""}, {"region", "-10,-5,20,20"}});
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.request.area, (ScreenRect{-10, -5, 10, 15}));
    // "last": the stored rectangle; none stored is a mistake on the command line.
    o = ParseSnapshotOptions({{"snapshot", ""}, {"region", "last"}}, "5,6,70,80");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.request.area, (ScreenRect{5, 6, 75, 86}));
    o = ParseSnapshotOptions({{"snapshot", ""}, {"region", "last"}}, "");
    EXPECT_FALSE(o.ok);
    EXPECT_NE(o.error.find("no rectangle"), std::string::npos) << o.error;
    o = ParseSnapshotOptions({{"snapshot", ""}});
    ASSERT_TRUE(o.ok);
    EXPECT_FALSE(o.request.area);
    EXPECT_EQ(o.request.format, -1); // the ImageFormat setting
    EXPECT_EQ(o.delaySeconds, 0);    // no delay unless asked, whatever the settings say
    for (auto [value, seconds] : {std::pair{"0", 0}, {"1", 1}, {"60", 60}}) {
        o = ParseSnapshotOptions({{"snapshot", ""}, {"delay", value}});
        EXPECT_TRUE(o.ok && o.delaySeconds == seconds) << value;
    }
    // The output's extension chooses the format; a --format that says another is refused.
    for (auto [output, format] : {std::pair{"shot.JPG", 4}, {"a.b/shot", -1}, {"s.gif", 3}}) {
        o = ParseSnapshotOptions({{"snapshot", ""}, {"output", output}});
        EXPECT_TRUE(o.ok && o.request.format == format) << output << " " << o.request.format;
    }
    o = ParseSnapshotOptions({{"snapshot", ""}, {"format", "png"}, {"output", "x.jpeg"}});
    EXPECT_FALSE(o.ok);
    EXPECT_NE(o.error.find("--format png does not fit --output x.jpeg"), std::string::npos)
        << o.error;
    EXPECT_TRUE(WantsSnapshotCommand({{"output", "x"}, {"snapshot", ""}}));
    EXPECT_FALSE(WantsSnapshotCommand({{"output", "x"}}));

    for (auto [name, format] :
         {std::pair{"png", 0}, {"BMP", 1}, {"gif", 3}, {"jpg", 4}, {"jpeg", 4}})
        EXPECT_EQ(ImageFormatFromName(name), format) << name;
    EXPECT_FALSE(ImageFormatFromName("tiff"));
    EXPECT_FALSE(ImageFormatFromName(""));
}

TEST(SnapshotOptionsTest, RefusesWhatItCannotUse) {
    const std::pair<const char*, const char*> bad[] = {
        {"window", ""},          {"window", "abc"},
        {"window", "0"},         {"region", "1,2,3"},
        {"region", "1,2,3,4,5"}, {"region", "1,2,0,4"},
        {"region", "1,2,x,4"},   {"region", "1,2,99999999999,4"},
        {"format", "tiff"},      {"output", ""},
        {"colour", "red"},       {"snapshot", "/usr/x.png"},
        {"delay", ""},           {"delay", "-1"},
        {"delay", "61"},         {"delay", "2s"},
        {"delay", "1.5"},        {"monitor", ""},
        {"clipboard", "yes"}};
    for (auto [name, value] : bad) {
        auto o = ParseSnapshotOptions({{"snapshot", ""}, {name, value}});
        if (std::string(name) == "snapshot")
            o = ParseSnapshotOptions({{name, value}});
        EXPECT_FALSE(o.ok) << name << "=" << value;
        EXPECT_FALSE(o.error.empty()) << name;
    }
    for (auto [name, value] : {std::pair{"window", "5"}, {"region", "0,0,5,5"}}) {
        EXPECT_FALSE(ParseSnapshotOptions({{"snapshot", ""}, {"monitor", "0"}, {name, value}}).ok);
        EXPECT_FALSE(ParseRecordOptions({{"record", ""}, {name, value}, {"monitor", "0"}}).ok);
    }
    EXPECT_FALSE(
        ParseSnapshotOptions({{"snapshot", ""}, {"window", "5"}, {"region", "0,0,5,5"}}).ok);
    EXPECT_FALSE(ParseRecordOptions({{"record", ""}, {"monitor", ""}}).ok);
}

TEST(MonitorsTest, TheMonitorUnderAPointAndTheOneNamedOrNumbered) {
    const ScreenRect left{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, inset{100, 100, 740, 580};
    const std::vector<Monitor> monitors = {
        {"DP-1", left, true}, {"HDMI-1", right, false}, {"PIP", inset, false}};
    const struct {
        int x, y;
        const char* want; // null: on no monitor
    } points[] = {{0, 0, "DP-1"},         {1919, 1079, "DP-1"},  {1920, 0, "HDMI-1"},
                  {3199, 1023, "HDMI-1"}, {2000, 1050, nullptr}, {3200, 0, nullptr},
                  {-1, 5, nullptr},       {300, 300, "PIP"}}; // overlapping: the smaller
    for (const auto& p : points) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        const Monitor* m = MonitorAt(monitors, p.x, p.y);
        EXPECT_EQ(m ? m->name : "none", p.want ? p.want : "none");
    }

    const std::pair<const char*, std::optional<ScreenRect>> named[] = {
        {"HDMI-1", right}, {"0", left}, {"1", right},   {"2", inset}, {"3", {}},
        {"-1", {}},        {"", {}},    {"hdmi-1", {}}, {"1x", {}},   {"99999999999999999999", {}}};
    for (auto [text, want] : named) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_EQ(FindMonitor(monitors, text, &error), want);
        // An unknown monitor's message lists the monitors as --list-monitors does.
        EXPECT_EQ(error.empty(), want.has_value()) << error;
        if (!want) {
            EXPECT_NE(error.find("0 DP-1 1920x1080+0+0 primary\n1 HDMI-1 1280x1024+1920+0\n"),
                      std::string::npos)
                << error;
        }
    }
    EXPECT_EQ(MonitorListText({{"L", {-1280, -10, 0, 1014}, false}}), "0 L 1280x1024-1280-10\n");
    EXPECT_EQ(ParseSnapshotOptions({{"snapshot", ""}, {"monitor", "HDMI-1"}}).monitor, "HDMI-1");
    EXPECT_EQ(ParseRecordOptions({{"record", ""}, {"monitor", "1"}}).monitor, "1");
}

} // namespace
} // namespace tess
