// The display's arithmetic: names, skipping, title, properties, layout and printed size.
#include "capture/DisplayLogic.h"
#include "print/TPrintFile.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(DisplayLogic, PictureNamesSkipsTitleAndExtensions) {
    EXPECT_TRUE(IsPictureName("/home/a/SHOT.JPG"));
    EXPECT_TRUE(IsPictureName("/data/x.png.d/clip.wmv")); // ".png" in a directory name
    EXPECT_TRUE(IsPictureName("a.Gif"));
    EXPECT_FALSE(IsPictureName("/tmp/rec.wmv"));
    EXPECT_FALSE(IsPictureName("/tmp/tone.wav"));

    // {position, duration, forward, shift, ctrl} -> target: Shift 2 s back / 1 s forward,
    // plain 60 s, Ctrl 600 s (winning over Shift), kept within 0..duration.
    const struct {
        long long position, duration;
        bool forward, shift, ctrl;
        long long want;
    } skips[] = {{1, 100, false, true, false, 0},      {5, 100, false, true, false, 3},
                 {5, 100, true, true, false, 6},       {5, 100, true, false, false, 65},
                 {5, 100, true, false, true, 100},     {5, 100, true, true, true, 100},
                 {700, 1000, false, false, true, 100}, {30, 1000, false, false, false, 0}};
    for (const auto& k : skips)
        EXPECT_EQ(SkipTarget(k.position, k.duration, k.forward, k.shift, k.ctrl), k.want)
            << k.position << (k.forward ? " forward" : " backward") << k.shift << k.ctrl;

    EXPECT_EQ(FrameTitle("rec.wmv", "Tessaray"), "rec.wmv Tessaray");
    EXPECT_EQ(FrameTitle("b.png", "a.png Tessaray"), "b.png Tessaray");
    EXPECT_EQ(FrameTitle("", "old.wmv Tessaray"), "Tessaray");
    EXPECT_EQ(FrameTitle("x.wmv", "Select a window"), "x.wmv Tessaray");
    EXPECT_EQ(DurationPaneText(true, 75), " 1:15  ");
    EXPECT_EQ(DurationPaneText(true, 3725), " 1:02:05  ");
    EXPECT_EQ(DurationPaneText(false, 75), "");

    EXPECT_TRUE(SameExtension("/a/rec.wmv", "/b/copy.WMV"));
    EXPECT_FALSE(SameExtension("/a/rec.wmv", "/b/copy.png"));
    EXPECT_FALSE(SameExtension("/a/rec.wmv", "/b/copy"));
    EXPECT_FALSE(SameExtension("/a/noext", "/b.d/noext")); // a dot in a directory is no extension
    EXPECT_EQ(SaveAsFilter("wmv"), "wmv files (*.wmv)|*.wmv");
}

TEST(DisplayLogic, PropertiesLinesInOrder) {
    EXPECT_EQ(SizeText(1572864), "1.50MB");
    EXPECT_EQ(SizeText(524288), "0.500MB");
    EXPECT_EQ(SizeText(150.0 * 1048576), "150MB");
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
    tm.tm_hour = 12;
    tm.tm_mday = 5;
    tm.tm_mon = 2;
    tm.tm_year = 2008 - 1900;
    tm.tm_isdst = -1;
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
    in.fullScreen = true;
    EXPECT_EQ(LayoutFrame(in).kind, LayoutResult::Maximize);
    // Full screen without a file: the bars only, as without full screen.
    in.fileDisplayed = false;
    EXPECT_EQ(size(), std::pair(300, 100));
}

TEST(DisplayLogic, PrintedPicturesFillThePageInOneDirection) {
    const struct {
        int w, h, pageW, pageH, wantW, wantH;
    } cases[] = {{100, 50, 4800, 6400, 4800, 2400},
                 {1920, 1080, 2480, 3508, 2480, 1395},
                 {100, 1000, 4800, 6400, 640, 6400},
                 {0, 50, 4800, 6400, 0, 0}};
    for (const auto& c : cases) {
        const PrintSize s = FitToPage(c.w, c.h, c.pageW, c.pageH);
        EXPECT_EQ(std::pair(s.width, s.height), std::pair(c.wantW, c.wantH)) << c.w << "x" << c.h;
    }
}

} // namespace
} // namespace tess
