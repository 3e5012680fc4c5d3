// The display's arithmetic: which names are pictures, skipping, the title, the properties
// text, the "Save As" extension rule, the frame's layout and the printed picture's size.
#include "capture/DisplayLogic.h"
#include "print/TPrintFile.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(DisplayLogic, PictureNamesAnywhereInThePathAnyCase) {
    EXPECT_TRUE(IsPictureName("/home/a/SHOT.JPG"));
    EXPECT_TRUE(IsPictureName("/data/x.png.d/clip.wmv")); // ".png" in a directory name
    EXPECT_TRUE(IsPictureName("a.Gif"));
    EXPECT_FALSE(IsPictureName("/tmp/rec.wmv"));
    EXPECT_FALSE(IsPictureName("/tmp/tone.wav"));
}

TEST(DisplayLogic, SkippingStepsAndClamps) {
    // Shift backward: 2 s, never below 0.
    EXPECT_EQ(SkipTarget(1, 100, false, true, false), 0);
    EXPECT_EQ(SkipTarget(5, 100, false, true, false), 3);
    // Shift forward 1 s, plain 60 s, Ctrl 600 s, clamped to the duration.
    EXPECT_EQ(SkipTarget(5, 100, true, true, false), 6);
    EXPECT_EQ(SkipTarget(5, 100, true, false, false), 65);
    EXPECT_EQ(SkipTarget(5, 100, true, false, true), 100);
    EXPECT_EQ(SkipTarget(5, 100, true, true, true), 100); // Ctrl wins over Shift
    EXPECT_EQ(SkipTarget(700, 1000, false, false, true), 100);
    EXPECT_EQ(SkipTarget(30, 1000, false, false, false), 0);
}

TEST(DisplayLogic, TitleAndDurationPane) {
    EXPECT_EQ(FrameTitle("rec.wmv", "Tessaray"), "rec.wmv Tessaray");
    EXPECT_EQ(FrameTitle("b.png", "a.png Tessaray"), "b.png Tessaray");
    EXPECT_EQ(FrameTitle("", "old.wmv Tessaray"), "Tessaray");
    EXPECT_EQ(FrameTitle("x.wmv", "Select a window"), "x.wmv Tessaray");
    EXPECT_EQ(DurationPaneText(true, 75), " 1:15  ");
    EXPECT_EQ(DurationPaneText(true, 3725), " 1:02:05  ");
    EXPECT_EQ(DurationPaneText(false, 75), "");
}

TEST(DisplayLogic, PropertiesLinesInOrder) {
    EXPECT_EQ(SizeText(1572864), "1.50MB");
    EXPECT_EQ(SizeText(524288), "0.500MB");
    EXPECT_EQ(SizeText(150.0 * 1048576), "150MB");
    EXPECT_STREQ(MonthName(0), "illegal month");
    EXPECT_STREQ(MonthName(12), "Dec");

    FileFacts none;
    EXPECT_EQ(PropertiesText(none), "No properties available for this file");

    // No bit rate of its own: computed from the size and the duration.
    FileFacts f;
    f.size = 1000000;
    f.duration = 10;
    EXPECT_EQ(PropertiesText(f), "\nDuration: 0:10\nSize: 0.954MB\nBitrate: 800 kbits/sec");

    std::tm tm{};
    tm.tm_year = 2008 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    FileFacts all;
    all.width = 1280;
    all.height = 720;
    all.bitRate = 1000;
    all.copyright = "Copyright 2026";
    all.description = "Recorded by Tessaray";
    all.duration = 3725;
    all.size = 1572864;
    all.hasDate = true;
    all.created = std::mktime(&tm);
    EXPECT_EQ(PropertiesText(all), "\n1280 x 720\nbitrate=1000 bits/sec\nCopyright notice: "
                                   "Copyright 2026\nDescription: Recorded by Tessaray\n"
                                   "Duration: 1:02:05\nSize: 1.50MB\nDate: 5-Mar-2008");
    all.bitRate = 300123;
    all.hasDate = false;
    all.duration = -1;
    EXPECT_EQ(PropertiesText(all), "\n1280 x 720\nbitrate=300 kbits/sec\nCopyright notice: "
                                   "Copyright 2026\nDescription: Recorded by Tessaray\n"
                                   "Size: 1.50MB");
    FileFacts small;
    small.size = 1000;
    small.duration = 10;
    EXPECT_EQ(PropertiesText(small), "\nDuration: 0:10\nSize: 0.001MB\nBitrate: 800 bits/sec");
}

TEST(DisplayLogic, SaveAsKeepsTheExtension) {
    EXPECT_TRUE(SameExtension("/a/rec.wmv", "/b/copy.WMV"));
    EXPECT_FALSE(SameExtension("/a/rec.wmv", "/b/copy.png"));
    EXPECT_FALSE(SameExtension("/a/rec.wmv", "/b/copy"));
    EXPECT_FALSE(SameExtension("/a/noext", "/b.d/noext")); // a dot in a directory is no extension
    EXPECT_EQ(SaveAsFilter("wmv"), "wmv files (*.wmv)|*.wmv");
}

TEST(DisplayLogic, LayoutFitsHalvesAndRemembers) {
    LayoutInput in;
    in.dw = 10;
    in.dh = 100;
    in.screenW = 1920;
    in.screenH = 1080;
    in.frameWidth = 600;
    in.frameHeight = 400;
    // No file: the bars only, 300 wide, the height before remembered.
    LayoutResult r = LayoutFrame(in);
    EXPECT_EQ(r.kind, LayoutResult::Size);
    EXPECT_EQ(r.width, 300);
    EXPECT_EQ(r.height, 100);
    EXPECT_EQ(r.rememberedHeight, 400);
    in.frameHeight = 105; // within 10 of the bars: nothing new remembered
    in.rememberedHeight = 400;
    EXPECT_EQ(LayoutFrame(in).rememberedHeight, 400);

    // A video fitted to its size; one that would not fit the screen at half size.
    in.fileDisplayed = in.fileHasVideo = true;
    in.fileWidth = 640;
    in.fileHeight = 480;
    r = LayoutFrame(in);
    EXPECT_EQ(r.width, 650);
    EXPECT_EQ(r.height, 580);
    in.fileWidth = 1920;
    in.fileHeight = 1080;
    r = LayoutFrame(in);
    EXPECT_EQ(r.width, 970);
    EXPECT_EQ(r.height, 640);
    // Without fitting: the remembered height, else 3 : 4 of the width.
    in.fit = false;
    in.frameWidth = 410;
    EXPECT_EQ(LayoutFrame(in).height, 400);
    in.rememberedHeight = -1;
    EXPECT_EQ(LayoutFrame(in).height, 100 + 300);
    in.fullScreen = true;
    EXPECT_EQ(LayoutFrame(in).kind, LayoutResult::Maximize);
    // Full screen without a file: the bars only, as without full screen.
    in.fileDisplayed = false;
    r = LayoutFrame(in);
    EXPECT_EQ(r.kind, LayoutResult::Size);
    EXPECT_EQ(r.width, 300);
    EXPECT_EQ(r.height, 100);
}

TEST(DisplayLogic, PrintedPicturesFillThePageInOneDirection) {
    // Small and large pictures alike fill the page's width (or height), proportions kept.
    PrintSize small = FitToPage(100, 50, 4800, 6400);
    EXPECT_EQ(small.width, 4800);
    EXPECT_EQ(small.height, 2400);
    PrintSize large = FitToPage(1920, 1080, 2480, 3508);
    EXPECT_EQ(large.width, 2480);
    EXPECT_EQ(large.height, 1395);
    PrintSize tall = FitToPage(100, 1000, 4800, 6400);
    EXPECT_EQ(tall.height, 6400);
    EXPECT_EQ(tall.width, 640);
    PrintSize empty = FitToPage(0, 50, 4800, 6400);
    EXPECT_EQ(empty.width, 0);
}

} // namespace
} // namespace tess
