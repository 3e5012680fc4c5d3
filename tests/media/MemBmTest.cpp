#include "media/MemBm.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>

namespace tess {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0x0000FF; // colour value: red in the low byte
constexpr uint32_t kBlue = 0xFF0000;

// Sets a pixel's colour and its fourth byte.
void Set(MemBm& bm, int x, int y, uint32_t color, uint8_t fourth = 0) {
    uint8_t* p = bm.pixelAddress(x, y);
    p[0] = static_cast<uint8_t>(color >> 16);
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
    p[3] = fourth;
}

TEST(MemBm, LayoutIsTopDownRowsOfFourBytesPerPixelBlueGreenRedAndCopyIsPlain) {
    MemBm bm(3, 2);
    EXPECT_EQ(bm.stride() * 100 + bm.sizeBytes(), 1224u);
    EXPECT_EQ(bm.pixelAddress(2, 1) - bm.bits(), 20);
    Set(bm, 2, 1, 0x112233); // blue, green, red
    EXPECT_EQ(bm.pixelAddress(2, 1)[0], 0x11);
    EXPECT_EQ(bm.colorAt(2, 1), 0x112233u);
    MemBm a(2, 2), b(2, 2);
    a.fill(kBlue);
    EXPECT_FALSE(b.copyFrom(a, 0, 0, 0x00EE0086)); // SRCPAINT is not offered
    EXPECT_EQ(b.colorAt(0, 0), 0u);
    EXPECT_TRUE(b.copyFrom(a, 0, 0, kSrcCopy));
    EXPECT_EQ(b.colorAt(1, 1), kBlue);
}

TEST(MemBm, EmptyPictureHasNoPixelsAndEveryOperationDoesNothing) {
    MemBm empty(0, 5), negative(-3, 2), real(4, 4);
    EXPECT_TRUE(empty.bits() == nullptr && negative.bits() == nullptr);
    real.fill(kRed);
    EXPECT_FALSE(empty.copyFrom(real, 0, 0));
    EXPECT_FALSE(real.copyFrom(empty, 0, 0));
    empty.compositeTransparent(real, kWhite, 0, 0);
    empty.compositeTranslucent(real, kWhite, 0, 0);
    empty.compositeBorder(real, kWhite, 0, 0);
    real.compositeBorder(negative, kWhite, 0, 0);
    empty.fill(kRed);
    EXPECT_FALSE(empty.stretchFrom(real));
    EXPECT_EQ(empty.createCairoSurface(), nullptr);
    EXPECT_EQ(real.colorAt(3, 3), kRed);
}

TEST(MemBm, TranslucentMixesOneThirdKeyWithTwoThirdsPictureAndCopiesTheRest) {
    MemBm box(2, 1), picture(3, 1);
    Set(box, 0, 0, kWhite);
    Set(box, 1, 0, kRed);
    Set(picture, 0, 0, 0x000000, 0xAB);
    Set(picture, 1, 0, 0x000000, 0xCD);
    Set(picture, 2, 0, 0x000000);
    picture.compositeTranslucent(box, kWhite, 0, 0);
    EXPECT_EQ(picture.colorAt(0, 0), 0x555555u); // 85 in each byte
    EXPECT_EQ(picture.colorAt(1, 0), kRed);
    EXPECT_EQ(picture.colorAt(2, 0), 0u);
    EXPECT_EQ(picture.pixelAddress(0, 0)[3] * 256 + picture.pixelAddress(1, 0)[3], 0xABCD);

    MemBm light(1, 1);
    Set(light, 0, 0, kWhite);
    light.compositeTranslucent(box, kWhite, 0, 0);
    EXPECT_EQ(light.colorAt(0, 0), kWhite);
    // Not a plain average: (100 + 2 * 40) / 3 = 60.
    Set(light, 0, 0, 0x282828);
    MemBm grey(1, 1);
    Set(grey, 0, 0, 0x646464);
    light.compositeTranslucent(grey, 0x646464, 0, 0);
    EXPECT_EQ(light.colorAt(0, 0), 0x3C3C3Cu);
}

TEST(MemBm, TransparentSkipsKeyPixelsComparingThreeBytesOnly) {
    MemBm box(3, 1), picture(3, 1);
    Set(box, 0, 0, kWhite, 0x00);
    Set(box, 1, 0, kWhite, 0x77); // key colour whatever the fourth byte
    Set(box, 2, 0, kBlue, 0x99);
    picture.fill(kRed);
    picture.pixelAddress(2, 0)[3] = 0x42;
    picture.compositeTransparent(box, kWhite, 0, 0);
    EXPECT_EQ(picture.colorAt(0, 0) + picture.colorAt(1, 0), 2 * kRed);
    EXPECT_EQ(picture.colorAt(2, 0), kBlue);
    EXPECT_EQ(picture.pixelAddress(2, 0)[3], 0x42); // the fourth byte is never written
}

// Key K around text T keeps one pixel of outline in four directions; the rest of the key
// lets the picture through.
TEST(MemBm, BorderOutlinesTextWithOnePixelOfKeyColourInFourDirections) {
    const uint32_t K = kWhite, T = 0x000000;
    // On one row, K K K T K K: the row stands for the rows above and below.
    MemBm row(6, 1), line(6, 1);
    row.fill(K);
    Set(row, 3, 0, T);
    line.fill(kRed);
    line.compositeBorder(row, K, 0, 0);
    const uint32_t expected[6] = {kRed, kRed, K, T, K, kRed};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(line.colorAt(x, 0), expected[x]) << "column " << x;
    MemBm box(5, 5), picture(5, 5);
    box.fill(K);
    Set(box, 2, 2, T);
    picture.fill(kRed);
    picture.compositeBorder(box, K, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            uint32_t want = kRed;
            if (x == 2 && y == 2)
                want = T;
            else if ((std::abs(x - 2) + std::abs(y - 2)) == 1)
                want = K; // the four direct neighbours; diagonals are skipped
            EXPECT_EQ(picture.colorAt(x, y), want) << x << "," << y;
        }
}

TEST(MemBm, CompositingNeverWritesOutsideThePicture) {
    MemBm box(4, 3);
    box.fill(kBlue);
    Set(box, 0, 0, kWhite);
    void (*const ops[])(MemBm&, const MemBm&, int, int) = {
        [](MemBm& p, const MemBm& b, int x, int y) { EXPECT_TRUE(p.copyFrom(b, x, y)); },
        [](MemBm& p, const MemBm& b, int x, int y) { p.compositeTransparent(b, kWhite, x, y); },
        [](MemBm& p, const MemBm& b, int x, int y) { p.compositeTranslucent(b, kWhite, x, y); },
        [](MemBm& p, const MemBm& b, int x, int y) { p.compositeBorder(b, kWhite, x, y); }};
    for (auto op : ops) {
        for (auto [x, y] : {std::pair{-2, -1},
                            {3, 2},
                            {-10, 0},
                            {0, 50},
                            {INT32_MAX, 0},
                            {INT32_MIN, INT32_MIN}}) {
            MemBm picture(5, 4);
            picture.fill(kRed);
            op(picture, box, x, y);
            // Every pixel either kept red or took the box's colour at its source position.
            for (int py = 0; py < 4; ++py)
                for (int px = 0; px < 5; ++px) {
                    const int64_t sx = int64_t{px} - x, sy = int64_t{py} - y;
                    const bool covered = sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
                    if (!covered) {
                        EXPECT_EQ(picture.colorAt(px, py), kRed);
                    } else if (!(sx == 0 && sy == 0)) {
                        EXPECT_EQ(picture.colorAt(px, py), kBlue);
                    } else if (op == ops[0]) {
                        EXPECT_EQ(picture.colorAt(px, py), kWhite); // the box's own corner
                    }
                }
        }
    }
}

TEST(MemBm, StretchScalesSmoothlyAndCopiesAtEqualSize) {
    MemBm src(40, 20), same(40, 20), half(20, 10), twice(80, 40);
    src.fill(0x204060);
    for (int y = 0; y < 20; ++y)
        Set(src, 39, y, 0xFFFFFF);
    ASSERT_TRUE(same.stretchFrom(src) && half.stretchFrom(src) && twice.stretchFrom(src));
    EXPECT_EQ(same.colorAt(39, 5), 0xFFFFFFu);
    EXPECT_EQ(same.colorAt(0, 0), 0x204060u);
    EXPECT_EQ(half.colorAt(5, 5), 0x204060u);
    EXPECT_EQ(twice.colorAt(40, 20), 0x204060u);
    // The right edge column blends into its neighbour rather than being dropped or doubled.
    EXPECT_NE(half.colorAt(19, 5), 0x204060u);
}

} // namespace
} // namespace tess
