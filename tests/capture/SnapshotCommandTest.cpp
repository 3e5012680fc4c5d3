// The command-line snapshot's options (the run itself: tests/snapshot/ProgramSnapshotTest).
#include <gtest/gtest.h>

#include "capture/Snapshot.h"
#include "capture/SnapshotCommand.h"

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
    for (auto [value, seconds] : {std::pair{"1", 1}, {"60", 60}}) {
        o = ParseSnapshotOptions({{"snapshot", ""}, {"delay", value}});
        ASSERT_TRUE(o.ok) << value;
        EXPECT_EQ(o.delaySeconds, seconds);
    }
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
        {"delay", ""},           {"delay", "0"},
        {"delay", "61"},         {"delay", "2s"},
        {"delay", "1.5"},        {"clipboard", "yes"}};
    for (auto [name, value] : bad) {
        auto o = ParseSnapshotOptions({{"snapshot", ""}, {name, value}});
        if (std::string(name) == "snapshot")
            o = ParseSnapshotOptions({{name, value}});
        EXPECT_FALSE(o.ok) << name << "=" << value;
        EXPECT_FALSE(o.error.empty()) << name;
    }
    EXPECT_FALSE(
        ParseSnapshotOptions({{"snapshot", ""}, {"window", "5"}, {"region", "0,0,5,5"}}).ok);
}

} // namespace
} // namespace tess
