// The screen source's arithmetic: which back end reads the screen, stream pixel layouts to
// BGRx, and X rectangles mapped onto stream pictures of another scale or place.
#include <gtest/gtest.h>

#include "platform/ScreenPixelSource.h"

#include <vector>

namespace tess {
namespace {

TEST(ScreenBackendChoice, OptionThenSettingThenSession) {
    using B = ScreenBackend;
    for (bool wayland : {false, true}) {
        const B session = wayland ? B::Portal : B::X11;
        EXPECT_EQ(ChooseScreenBackend("", "auto", wayland), session);
        EXPECT_EQ(ChooseScreenBackend("", "", wayland), session);
        EXPECT_EQ(ChooseScreenBackend("", "wayland?", wayland), session); // unknown: auto
        EXPECT_EQ(ChooseScreenBackend("", "x11", wayland), B::X11);
        EXPECT_EQ(ChooseScreenBackend("", "portal", wayland), B::Portal);
        // The option overrides the setting.
        EXPECT_EQ(ChooseScreenBackend("x11", "portal", wayland), B::X11);
        EXPECT_EQ(ChooseScreenBackend("portal", "x11", wayland), B::Portal);
        EXPECT_EQ(ChooseScreenBackend("auto", "x11", wayland), std::nullopt);
        EXPECT_EQ(ChooseScreenBackend("Portal", "auto", wayland), std::nullopt);
    }
}

TEST(StreamPixels, LayoutsBecomeBgrxWithTheFourthByteCleared) {
    const uint8_t in[8] = {1, 2, 3, 200, 4, 5, 6, 255};
    uint8_t out[8];
    ConvertRowToBgrx(in, StreamPixelFormat::BGRA, 2, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}));
    ConvertRowToBgrx(in, StreamPixelFormat::RGBx, 2, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
    ConvertRowToBgrx(in, StreamPixelFormat::RGBA, 2, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
}

// A picture whose every pixel tells its own place: blue = column, green = row, red = 7.
std::vector<uint8_t> CoordinatePicture(int w, int h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 4];
            px[0] = static_cast<uint8_t>(x);
            px[1] = static_cast<uint8_t>(y);
            px[2] = 7;
            px[3] = 0;
        }
    return p;
}

struct Grabbed {
    std::vector<uint8_t> px;
    int w;
    // Column, row and red of the picture pixel copied to (x, y); red 0 means black.
    int col(int x, int y) const { return px[(static_cast<size_t>(y) * w + x) * 4]; }
    int row(int x, int y) const { return px[(static_cast<size_t>(y) * w + x) * 4 + 1]; }
    bool black(int x, int y) const {
        const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
        return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0;
    }
};

Grabbed Grab(const std::vector<uint8_t>& picture, const StreamGeometry& g, ScreenRect area) {
    // Filled with a pattern first, so every byte written shows.
    Grabbed out{std::vector<uint8_t>(static_cast<size_t>(area.width()) * area.height() * 4, 0xAB),
                area.width()};
    CopyStreamArea(picture.data(), g.pixelWidth * 4, g, area, out.px.data(), area.width() * 4);
    return out;
}

TEST(StreamPixels, SameScaleIsAPlainCopyWithTheOutsideBlack) {
    const auto pic = CoordinatePicture(40, 30);
    const StreamGeometry g{{0, 0, 40, 30}, 40, 30};
    // Inside: the very pixels.
    Grabbed in = Grab(pic, g, {5, 6, 15, 10});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(in.col(x, y), 5 + x);
            EXPECT_EQ(in.row(x, y), 6 + y);
        }
    // Reaching past every edge: black around the picture's part.
    Grabbed past = Grab(pic, g, {-3, -2, 43, 32});
    EXPECT_TRUE(past.black(0, 0));
    EXPECT_TRUE(past.black(2, 5));
    EXPECT_TRUE(past.black(45, 5));
    EXPECT_TRUE(past.black(10, 1));
    EXPECT_TRUE(past.black(10, 32));
    EXPECT_EQ(past.col(3, 2), 0);
    EXPECT_EQ(past.row(3, 2), 0);
    EXPECT_EQ(past.col(42, 31), 39);
    EXPECT_EQ(past.row(42, 31), 29);
    // Wholly outside, and no picture at all: all black.
    Grabbed off = Grab(pic, g, {100, 100, 104, 103});
    Grabbed none{std::vector<uint8_t>(4 * 4 * 3, 0xAB), 4};
    CopyStreamArea(nullptr, 0, {}, {0, 0, 4, 3}, none.px.data(), 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_TRUE(off.black(x, y));
            EXPECT_TRUE(none.black(x, y));
        }
}

TEST(StreamPixels, OtherScalesTakeThePixelUnderEachCentre) {
    // Output scale 2: an X pixel is 2 x 2 stream pixels; the grab keeps the X size.
    const auto pic = CoordinatePicture(80, 60);
    Grabbed twice = Grab(pic, {{0, 0, 40, 30}, 80, 60}, {10, 5, 20, 9});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(twice.col(x, 0), 2 * (10 + x) + 1);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(twice.row(0, y), 2 * (5 + y) + 1);
    // Output scale 1.5 (60 stream pixels for 40 X pixels): every stream column is reached
    // from some X column or skipped, in order, and the last X pixel lands on the last column.
    Grabbed frac = Grab(CoordinatePicture(60, 45), {{0, 0, 40, 30}, 60, 45}, {0, 0, 40, 30});
    for (int x = 1; x < 40; ++x) {
        EXPECT_GT(frac.col(x, 0), frac.col(x - 1, 0));
        EXPECT_LE(frac.col(x, 0) - frac.col(x - 1, 0), 2);
    }
    EXPECT_EQ(frac.col(0, 0), 0);
    EXPECT_EQ(frac.col(39, 0), 59);
    EXPECT_EQ(frac.row(0, 29), 44);
    // A stream smaller than the X screen (scale 0.5): scaled up to the asked size.
    Grabbed half = Grab(CoordinatePicture(20, 15), {{0, 0, 40, 30}, 20, 15}, {0, 0, 40, 30});
    EXPECT_EQ(half.col(0, 0), 0);
    EXPECT_EQ(half.col(1, 0), 0);
    EXPECT_EQ(half.col(2, 0), 1);
    EXPECT_EQ(half.col(39, 29), 19);
}

TEST(StreamPixels, WhereTheStreamLiesOnTheXScreen) {
    const ScreenRect x{0, 0, 3840, 1080};
    // A second monitor, as announced.
    EXPECT_EQ(StreamLogicalRect(ScreenRect{1920, 0, 3840, 1080}, x),
              (ScreenRect{1920, 0, 3840, 1080}));
    // Nothing announced, or a size in pixels reaching past the X screen (output scale 2 on a
    // 960 x 540 X screen): the whole X screen.
    EXPECT_EQ(StreamLogicalRect(std::nullopt, x), x);
    const ScreenRect half{0, 0, 960, 540};
    EXPECT_EQ(StreamLogicalRect(ScreenRect{0, 0, 1920, 1080}, half), half);
    EXPECT_EQ(StreamLogicalRect(ScreenRect{-10, 0, 950, 540}, half), half);
    EXPECT_EQ(StreamLogicalRect(ScreenRect{0, 0, 0, 0}, half), half);
}

TEST(StreamPixels, AMonitorElsewhereOnTheDesktop) {
    // The stream shows a monitor placed at (100, 50) of the X screen, at scale 1.
    const auto pic = CoordinatePicture(40, 30);
    Grabbed g = Grab(pic, {{100, 50, 140, 80}, 40, 30}, {95, 48, 105, 52});
    EXPECT_TRUE(g.black(0, 0));
    EXPECT_TRUE(g.black(4, 3));
    EXPECT_TRUE(g.black(5, 1));
    EXPECT_EQ(g.col(5, 2), 0);
    EXPECT_EQ(g.row(5, 2), 0);
    EXPECT_EQ(g.col(9, 3), 4);
    EXPECT_EQ(g.row(9, 3), 1);
}

} // namespace
} // namespace tess
