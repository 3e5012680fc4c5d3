#include "media/TextPrep.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "media/MemBm.h"

namespace tess {
namespace {

GreyPicture Grey(int32_t w, int32_t h, std::vector<uint8_t> pixels) {
    return GreyPicture{w, h, std::move(pixels)};
}

TEST(TextPrep, GreyReadsBlueGreenRedBytesWithLumaWeights) {
    MemBm bm(4, 1);
    bm.fill(0x0000FF);              // colour value: red in the low byte
    bm.pixelAddress(1, 0)[1] = 255; // red + green
    bm.pixelAddress(2, 0)[0] = 255; // red + blue
    std::fill_n(bm.pixelAddress(3, 0), 2, 255);
    const GreyPicture g = ToGrey(bm);
    ASSERT_EQ(g.width * 10 + g.height, 41);
    EXPECT_EQ(g.pixels, (std::vector<uint8_t>{76, 226, 105, 255}));
    EXPECT_EQ(GreyOf(0, 0, 255), 29);
}

TEST(TextPrep, DarkPicturesAreInvertedAndLightOnesKept) {
    // Mean 127.5 is dark, 128 is not.
    EXPECT_TRUE(IsMostlyDark(Grey(2, 1, {0, 255})));
    EXPECT_FALSE(IsMostlyDark(Grey(2, 1, {1, 255})));
    MemBm dark(4, 4);
    dark.fill(0x202020);
    for (int32_t y = 1; y < 3; ++y)
        for (int32_t x = 1; x < 3; ++x)
            std::fill_n(dark.pixelAddress(x, y), 3, 255); // white text
    const GreyPicture p = PrepareForRecognition(dark);
    ASSERT_EQ(p.width, 4 * kTextScale + 2 * kTextMargin);
    EXPECT_EQ(p.at(0, 0), 255 - 0x20);
    EXPECT_EQ(p.at(kTextMargin + 3, kTextMargin + 3), 0); // the text, now black
    MemBm light(2, 2);
    light.fill(0xE0E0E0);
    EXPECT_EQ(PrepareForRecognition(light).at(0, 0), 0xE0);
}

TEST(TextPrep, ScaleMixesNeighboursByQuarterDistances) {
    const GreyPicture s = ScaleTwice(Grey(2, 2, {0, 160, 0, 160}));
    ASSERT_EQ(s.width * 10 + s.height, 44);
    // Columns: edge repeated, then 1/4 and 3/4 of each neighbour.
    const std::vector<uint8_t> row = {0, 40, 120, 160};
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(s.at(x, y), row[static_cast<size_t>(x)]) << x << "," << y;
    const GreyPicture v = ScaleTwice(Grey(1, 3, {0, 80, 160}));
    EXPECT_EQ(std::vector<uint8_t>(v.pixels.begin(), v.pixels.end()),
              (std::vector<uint8_t>{0, 0, 20, 20, 60, 60, 100, 100, 140, 140, 160, 160}));
}

TEST(TextPrep, PadTakesTheEdgesCommonestGreyAndKeepsThePicture) {
    // The edges are mostly 200, one 50; the inside 0 does not count.
    const GreyPicture g = Grey(3, 3, {200, 200, 50, 200, 0, 200, 200, 200, 200});
    EXPECT_EQ(EdgeGrey(g), 200);
    EXPECT_EQ(EdgeGrey(Grey(3, 4, {5, 6, 7, 8, 0, 7, 8, 0, 7, 5, 6, 7})), 7); // the right edge's
    const GreyPicture p = Pad(g, 2, 7);
    ASSERT_EQ(p.width * 10 + p.height, 77);
    EXPECT_EQ(p.at(0, 0), 7);
    EXPECT_EQ(p.at(6, 6), 7);
    EXPECT_EQ(p.at(4, 2), 50);
    EXPECT_EQ(p.at(3, 3), 0);
    EXPECT_EQ(p.at(2, 4), 200);
    EXPECT_EQ(p.at(5, 3), 7);
}

TEST(TextPrep, TextKeepsLinesTrimsAndDropsOnlyUnsureShortWordsStartingALine) {
    const std::vector<RecognizedWord> words = {
        {"@", 30, true},
        {"Open", 90, false},
        {" file ", 95, false},
        {"ab", 69, true},
        {"cd", 40, false}, // second word of a line stays
        {"Ok", 95, true},
        {"x", 80, false},               //
        {"abc", 10, true},              // three characters stay
        {"\xc3\xa4\xc3\xb6", 60, true}, // two characters (four bytes) go
        {"Ende", 91, false},            //
        {"=", 12, true},                // a line of debris alone leaves none
    };
    EXPECT_EQ(AssembleText(words), "Open file\ncd\nOk x\nabc\nEnde");
    EXPECT_EQ(AssembleText({{"  ", 90, true}, {"i", 5, true}}), "");
    EXPECT_EQ(FirstLine("  Hello world \nsecond"), "Hello world");
    EXPECT_EQ(CharacterCount("gr\xc3\xbc\xc3\x9f"), 4u);
}

} // namespace
} // namespace tess
