// The display's arithmetic: names, title, properties, layout and printed size (skipping:
// tests/capture/ClientLogicTest).
#include "capture/DisplayLogic.h"
#include "print/TPrintFile.h"

#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace tess {
namespace {

TEST(DisplayLogic, PictureNamesTitleAndExtensions) {
    // ".png" anywhere in the path (even a directory's name) makes a picture.
    for (auto [name, picture] : {std::pair{"/home/a/SHOT.JPG", true},
                                 {"/data/x.png.d/clip.wmv", true},
                                 {"a.Gif", true},
                                 {"/tmp/rec.wmv", false},
                                 {"/tmp/tone.wav", false}})
        EXPECT_EQ(IsPictureName(name), picture) << name;
    for (auto [file, old, want] : {std::tuple{"rec.wmv", "Tessaray", "rec.wmv Tessaray"},
                                   {"b.png", "a.png Tessaray", "b.png Tessaray"},
                                   {"", "old.wmv Tessaray", "Tessaray"},
                                   {"x.wmv", "Select a window", "x.wmv Tessaray"}})
        EXPECT_EQ(FrameTitle(file, old), want) << file << "|" << old;
    EXPECT_EQ(DurationPaneText(true, 3725), " 1:02:05  ");
    EXPECT_EQ(DurationPaneText(false, 75), "");
    for (auto [other, same] :
         {std::pair{"/b/copy.WMV", true}, {"/b/copy.png", false}, {"/b/copy", false}})
        EXPECT_EQ(SameExtension("/a/rec.wmv", other), same) << other;
    EXPECT_FALSE(SameExtension("/a/noext", "/b.d/noext")); // a dot in a directory is no extension
    EXPECT_EQ(SaveAsFilter("wmv"), "wmv files (*.wmv)|*.wmv");
}

TEST(DisplayLogic, PropertiesLinesInOrder) {
    for (auto [bytes, text] :
         {std::pair{1572864.0, "1.50MB"}, {524288.0, "0.500MB"}, {150.0 * 1048576, "150MB"}})
        EXPECT_EQ(SizeText(bytes), text);
    EXPECT_STREQ(MonthName(0), "illegal month");
    EXPECT_STREQ(MonthName(12), "Dec");
    EXPECT_EQ(PropertiesText({}), "No properties available for this file");
    // No bit rate of its own: computed from the size and the duration.
    FileFacts tenSeconds;
    tenSeconds.duration = 10;
    tenSeconds.size = 1000000;
    EXPECT_EQ(PropertiesText(tenSeconds),
              "\nDuration: 0:10\nSize: 0.954MB\nBitrate: 800 kbits/sec");
    tenSeconds.size = 1000;
    EXPECT_EQ(PropertiesText(tenSeconds), "\nDuration: 0:10\nSize: 0.001MB\nBitrate: 800 bits/sec");
    std::tm tm{};
    tm.tm_hour = 12, tm.tm_mday = 5, tm.tm_mon = 2, tm.tm_year = 2008 - 1900, tm.tm_isdst = -1;
    FileFacts all{.width = 1280,
                  .height = 720,
                  .bitRate = 1000,
                  .copyright = "Copyright 2026",
                  .description = "Recorded by Tessaray",
                  .duration = 3725,
                  .size = 1572864,
                  .hasDate = true,
                  .created = std::mktime(&tm)};
    const std::string head = "\n1280 x 720\nbitrate=";
    const std::string notes =
        "Copyright notice: Copyright 2026\nDescription: Recorded by Tessaray\n";
    EXPECT_EQ(PropertiesText(all), head + "1000 bits/sec\n" + notes +
                                       "Duration: 1:02:05\nSize: 1.50MB\nDate: 5-Mar-2008");
    all.bitRate = 300123;
    all.hasDate = false;
    all.duration = -1;
    EXPECT_EQ(PropertiesText(all), head + "300 kbits/sec\n" + notes + "Size: 1.50MB");
}

TEST(DisplayLogic, LayoutFitsHalvesAndRemembers) {
    LayoutInput in{.frameWidth = 600,
                   .frameHeight = 400,
                   .dw = 10,
                   .dh = 100,
                   .screenW = 1920,
                   .screenH = 1080};
    auto size = [&] {
        const LayoutResult r = LayoutFrame(in);
        EXPECT_EQ(r.kind, LayoutResult::Size);
        return std::pair{r.width, r.height};
    };
    // No file: the bars only, 300 wide, the height before remembered.
    EXPECT_EQ(size(), std::pair(300, 100));
    EXPECT_EQ(LayoutFrame(in).rememberedHeight, 400);
    in.frameHeight = 105; // within 10 of the bars: nothing new remembered
    in.rememberedHeight = 400;
    EXPECT_EQ(LayoutFrame(in).rememberedHeight, 400);
    // A video fitted to its size; one that would not fit the screen at half size.
    in.fileDisplayed = in.fileHasVideo = true;
    in.fileWidth = 640;
    in.fileHeight = 480;
    EXPECT_EQ(size(), std::pair(650, 580));
    in.fileWidth = 1920;
    in.fileHeight = 1080;
    EXPECT_EQ(size(), std::pair(970, 640));
    // Without fitting: the remembered height, else 3 : 4 of the width.
    in.fit = false;
    in.frameWidth = 410;
    EXPECT_EQ(size().second, 400);
    in.rememberedHeight = -1;
    EXPECT_EQ(size().second, 100 + 300);
    // Never narrower than the tool bar: a small video's area widened in proportion.
    in.fit = true;
    in.fileWidth = 200;
    in.fileHeight = 100;
    in.minFrameWidth = 510;
    EXPECT_EQ(size(), std::pair(510, 100 + 250));
    in.fullScreen = true;
    EXPECT_EQ(LayoutFrame(in).kind, LayoutResult::Maximize);
    // Full screen without a file: the bars only, as without full screen, as wide as the
    // tool bar.
    in.fileDisplayed = false;
    EXPECT_EQ(size(), std::pair(510, 100));
    in.minFrameWidth = 0;
    EXPECT_EQ(size(), std::pair(300, 100));
    // The first start's 400 x 800 at (100, 100) on a 1280 x 800 work area keeps its place
    // and loses what lies below the screen; a frame far down or too wide moves.
    for (auto [frame, fitted] :
         {std::pair{ScreenRect{100, 100, 500, 900}, ScreenRect{100, 100, 500, 800}},
          {ScreenRect{100, 700, 500, 1500}, ScreenRect{100, 400, 500, 800}},
          {ScreenRect{-50, 10, 1350, 310}, ScreenRect{0, 10, 1280, 310}},
          {ScreenRect{100, 100, 500, 700}, ScreenRect{100, 100, 500, 700}}})
        EXPECT_EQ(FitFrameToArea(frame, ScreenRect{0, 0, 1280, 800}), fitted) << frame.top;
    EXPECT_EQ(FitFrameToArea(ScreenRect{1300, 30, 1700, 830}, ScreenRect{1280, 24, 2560, 1024}),
              (ScreenRect{1300, 30, 1700, 830}));
    // Printed pictures fill the page in one direction.
    for (auto [w, h, pageW, pageH, wantW, wantH] : {std::array{100, 50, 4800, 6400, 4800, 2400},
                                                    {1920, 1080, 2480, 3508, 2480, 1395},
                                                    {100, 1000, 4800, 6400, 640, 6400},
                                                    {0, 50, 4800, 6400, 0, 0}}) {
        const PrintSize s = FitToPage(w, h, pageW, pageH);
        EXPECT_EQ(std::pair(s.width, s.height), std::pair(wantW, wantH)) << w << "x" << h;
    }
}

} // namespace
} // namespace tess
