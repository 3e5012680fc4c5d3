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
        const struct {
            const char *option, *setting;
            std::optional<B> chosen;
        } rows[] = {{"", "auto", session},         {"", "", session},
                    {"", "wayland?", session}, // unknown: auto
                    {"", "x11", B::X11},           {"", "portal", B::Portal},
                    {"x11", "portal", B::X11},     {"portal", "x11", B::Portal},
                    {"auto", "x11", std::nullopt}, {"Portal", "auto", std::nullopt}};
        for (const auto& r : rows)
            EXPECT_EQ(ChooseScreenBackend(r.option, r.setting, wayland), r.chosen)
                << r.option << "|" << r.setting << "|" << wayland;
    }
}

TEST(StreamPixels, LayoutsBecomeBgrxWithTheFourthByteCleared) {
    const uint8_t in[8] = {1, 2, 3, 200, 4, 5, 6, 255};
    const std::vector<uint8_t> same{1, 2, 3, 0, 4, 5, 6, 0}, swapped{3, 2, 1, 0, 6, 5, 4, 0};
    for (auto [format, want] : {std::pair(StreamPixelFormat::BGRA, same),
                                {StreamPixelFormat::RGBx, swapped},
                                {StreamPixelFormat::RGBA, swapped}}) {
        uint8_t out[8];
        ConvertRowToBgrx(in, format, 2, out);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 8), want) << static_cast<int>(format);
    }
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
        }
    return p;
}

struct Grabbed {
    std::vector<uint8_t> px;
    int w;
    // Column and row of the picture pixel copied to (x, y); black when all four bytes are 0.
    int col(int x, int y) const { return px[(static_cast<size_t>(y) * w + x) * 4]; }
    int row(int x, int y) const { return px[(static_cast<size_t>(y) * w + x) * 4 + 1]; }
    bool black(int x, int y) const {
        const uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
        return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0;
    }
};

// Copies `area` of a w x h coordinate picture shown at `g` (or of no picture when w is 0)
// into a buffer filled with a pattern first, so every byte written shows.
Grabbed Grab(int w, int h, const StreamGeometry& g, ScreenRect area) {
    const auto picture = CoordinatePicture(w, h);
    Grabbed out{std::vector<uint8_t>(static_cast<size_t>(area.width()) * area.height() * 4, 0xAB),
                area.width()};
    CopyStreamArea(w ? picture.data() : nullptr, w * 4, g, area, out.px.data(), area.width() * 4);
    return out;
}

TEST(StreamPixels, SameScaleIsAPlainCopyWithTheOutsideBlack) {
    const StreamGeometry g{{0, 0, 40, 30}, 40, 30};
    Grabbed in = Grab(40, 30, g, {5, 6, 15, 10});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(std::pair(in.col(x, y), in.row(x, y)), std::pair(5 + x, 6 + y));
    // Reaching past every edge: black around the picture's part.
    Grabbed past = Grab(40, 30, g, {-3, -2, 43, 32});
    for (auto [x, y] : {std::pair(0, 0), {2, 5}, {45, 5}, {10, 1}, {10, 32}})
        EXPECT_TRUE(past.black(x, y)) << x << "," << y;
    EXPECT_EQ(std::pair(past.col(3, 2), past.row(3, 2)), std::pair(0, 0));
    EXPECT_EQ(std::pair(past.col(42, 31), past.row(42, 31)), std::pair(39, 29));
    // Wholly outside, and no picture at all: all black.
    Grabbed off = Grab(40, 30, g, {100, 100, 104, 103});
    Grabbed none = Grab(0, 0, {}, {0, 0, 4, 3});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(off.black(x, y) && none.black(x, y)) << x << "," << y;
    // A monitor placed at (100, 50) of the X screen, at scale 1.
    Grabbed m = Grab(40, 30, {{100, 50, 140, 80}, 40, 30}, {95, 48, 105, 52});
    EXPECT_TRUE(m.black(0, 0) && m.black(4, 3) && m.black(5, 1));
    EXPECT_EQ(std::pair(m.col(5, 2), m.row(5, 2)), std::pair(0, 0));
    EXPECT_EQ(std::pair(m.col(9, 3), m.row(9, 3)), std::pair(4, 1));
}

TEST(StreamPixels, OtherScalesTakeThePixelUnderEachCentre) {
    // Output scale 2: an X pixel is 2 x 2 stream pixels; the grab keeps the X size.
    Grabbed twice = Grab(80, 60, {{0, 0, 40, 30}, 80, 60}, {10, 5, 20, 9});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(twice.col(x, 0), 2 * (10 + x) + 1);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(twice.row(0, y), 2 * (5 + y) + 1);
    // Output scale 1.5: every stream column is reached from some X column or skipped, in
    // order, and the last X pixel lands on the last column.
    Grabbed frac = Grab(60, 45, {{0, 0, 40, 30}, 60, 45}, {0, 0, 40, 30});
    for (int x = 1; x < 40; ++x) {
        EXPECT_GT(frac.col(x, 0), frac.col(x - 1, 0));
        EXPECT_LE(frac.col(x, 0) - frac.col(x - 1, 0), 2);
    }
    EXPECT_EQ(frac.col(0, 0), 0);
    EXPECT_EQ(frac.col(39, 0), 59);
    EXPECT_EQ(frac.row(0, 29), 44);
    // A stream smaller than the X screen (scale 0.5): scaled up to the asked size.
    Grabbed half = Grab(20, 15, {{0, 0, 40, 30}, 20, 15}, {0, 0, 40, 30});
    EXPECT_EQ((std::vector{half.col(0, 0), half.col(1, 0), half.col(2, 0), half.col(39, 29)}),
              (std::vector{0, 0, 1, 19}));
}

TEST(StreamPixels, WhereTheStreamLiesOnTheXScreen) {
    const ScreenRect x{0, 0, 3840, 1080}, half{0, 0, 960, 540};
    // A second monitor, as announced.
    EXPECT_EQ(StreamLogicalRect(ScreenRect{1920, 0, 3840, 1080}, x),
              (ScreenRect{1920, 0, 3840, 1080}));
    // Nothing announced, or a size in pixels reaching past the X screen (output scale 2 on a
    // 960 x 540 X screen): the whole X screen.
    EXPECT_EQ(StreamLogicalRect(std::nullopt, x), x);
    for (ScreenRect r : {ScreenRect{0, 0, 1920, 1080}, {-10, 0, 950, 540}, {0, 0, 0, 0}})
        EXPECT_EQ(StreamLogicalRect(r, half), half) << r.left << "," << r.right;
}

} // namespace
} // namespace tess
