#include "asf/AsfTestUtil.h"
#include "media/asf/AsfWriter.h"
#include "media/mss2/Mss2Encoder.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace tess {
namespace {

using test::Picture;

constexpr uint32_t kMss2 = 0x3253534D;

// How often each token kind occurs in coded frames: literal, copy, skip, and repeats with
// 0, 1, 2 and 3 count bytes.
struct TokenCensus {
    int literal = 0, copy = 0, skip = 0;
    int repeat[4] = {};
    void Add(const std::vector<uint8_t>& frame, bool key) {
        size_t i = key ? 2 : 7;
        while (i < frame.size()) {
            const uint8_t b = frame[i++];
            if (b < 0x80)
                ++literal, ++i;
            else if (b == 0x80 || b == 0x81)
                ++(b == 0x80 ? copy : skip);
            else
                ++repeat[std::min(b - 0x82, 3)], i += b - 0x82u;
        }
    }
};

// Writes `pictures` as an MSS2 stream (one per 100 ms) into a bare ASF file.
void WriteStream(const std::string& path, int32_t w, int32_t h,
                 const std::vector<Picture>& pictures, const std::vector<bool>& keys,
                 TokenCensus* census = nullptr) {
    asf::StreamInfo s;
    s.video = true;
    s.number = 1;
    s.name = "Video1";
    s.typeSpecific =
        asf::VideoTypeSpecific(w, h, 24, kMss2, Mss2Encoder::Extradata(w, h, 10, 1000000));
    s.bitRate = s.avgTimePerFrame = s.sampleDuration = 1000000;
    s.codecName = "MSS2";
    s.codecInfo = {'M', 'S', 'S', '2'};
    asf::AsfWriter writer;
    ASSERT_EQ(writer.Open(path, {s}, {}), 0);
    Mss2Encoder enc(w, h);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        const bool key = enc.Encode(p.bgrx.data(), p.width, p.height, p.width * 4,
                                    i < keys.size() && keys[i], out);
        if (census)
            census->Add(out, key);
        ASSERT_EQ(writer.Write(1, static_cast<int64_t>(i) * 1000000, key, out.data(), out.size()),
                  0);
    }
    ASSERT_EQ(writer.Close(), 0);
}

TEST(Mss2Encoder, FramesOfEveryKindDecodeToTheSourceIn15BitColour) {
    test::TempDir dir;
    const int32_t w = 203, h = 117; // odd sizes: runs end and start mid-row
    std::vector<Picture> pics;
    std::vector<bool> keys;
    Picture p = test::MakeDesktop(w, h, 1);
    for (int i = 0; i < 110; ++i) {
        test::Change(p, i);
        pics.push_back(p);
        keys.push_back(i % 25 == 0);
    }
    const std::string path = dir.str() + "/kinds.asf";
    TokenCensus census;
    WriteStream(path, w, h, pics, keys, &census);
    for (int n : {census.literal, census.copy, census.skip, census.repeat[0], census.repeat[1],
                  census.repeat[2]})
        EXPECT_GT(n, 0); // every token kind in use
    EXPECT_NE(test::Probe(path, "stream=codec_name,width,height").find("codec_name=mss2"),
              std::string::npos);
    test::ExpectDecodesTo(path, w, h, pics);
}

// Runs above 65792 pixels need three count bytes; pictures of other sizes are cropped or padded.
TEST(Mss2Encoder, LongRunsAndSkipsNeedMultiByteCountsAndOtherSizesAreCroppedOrPadded) {
    test::TempDir dir;
    const int32_t w = 700, h = 400;
    std::vector<Picture> pics;
    pics.push_back(test::MakePicture(w, h, 0x203040));
    Picture p = pics.back();
    p.Fill(0, 0, w, h / 2, 0x405060);
    pics.push_back(p);
    p.Fill(1, 1, 1, 1, 0xFFFFFF);
    p.Fill(w - 2, h - 2, 1, 1, 0xFFFFFF);
    pics.push_back(p);
    for (int32_t x = 0; x < w; x += 300)
        p.Fill(x, 100, 257, 1, 0x00FFFF); // skips of 43 and of 257/258-pixel runs
    pics.push_back(p);
    const std::string path = dir.str() + "/runs.asf";
    TokenCensus census;
    WriteStream(path, w, h, pics, {}, &census);
    EXPECT_GT(census.repeat[3], 0);
    test::ExpectDecodesTo(path, w, h, pics);

    pics = {test::MakeDesktop(64, 48, 3), test::MakeDesktop(100, 20, 4),
            test::MakeDesktop(30, 90, 5), test::MakeDesktop(64, 48, 6)};
    WriteStream(dir.str() + "/sizes.asf", 64, 48, pics, {});
    test::ExpectDecodesTo(dir.str() + "/sizes.asf", 64, 48, pics);
}

// The rectangle an inter frame codes is exactly the box around the changed pixels, wherever
// they lie against the picture's edges and the eight-pixel steps the change search takes; an
// unchanged frame is a tiny one.
TEST(Mss2Encoder, TheCodedRectangleIsTheBoxAroundTheChangedPixels) {
    const int32_t w = 203, h = 40;
    const Picture base = test::MakeDesktop(w, h, 21);
    // Single pixels (x, y) at the corners and around the steps from either end, then pairs
    // (two in one step of the search from the right: the last one counts).
    // clang-format off
    const std::vector<std::vector<int32_t>> cases = {
        {0, 0}, {202, 39}, {7, 5}, {8, 5}, {9, 5}, {194, 3}, {195, 3}, {196, 3},
        {3, 10, 150, 12}, {100, 0, 101, 39}, {16, 20, 187, 20}, {0, 7, 202, 8}, {190, 30, 193, 30}};
    // clang-format on
    Mss2Encoder enc(w, h);
    std::vector<uint8_t> out;
    std::vector<Picture> pics = {base, base};
    // The first frame is a key frame whatever is asked.
    EXPECT_TRUE(enc.Encode(base.bgrx.data(), w, h, w * 4, false, out));
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0] * 256 + out[1], 0x8060);
    EXPECT_FALSE(enc.Encode(base.bgrx.data(), w, h, w * 4, false, out));
    EXPECT_EQ(out.size(), 8u);
    EXPECT_EQ(out[0], 0x18);
    for (const auto& points : cases) {
        Picture p = base;
        int32_t x0 = w, x1 = -1, y0 = h, y1 = -1;
        for (size_t k = 0; k < points.size(); k += 2) {
            const int32_t x = points[k], y = points[k + 1];
            p.bgrx[(static_cast<size_t>(y) * w + x) * 4 + 1] ^= 0x80; // green, well above 3 bits
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
        for (const Picture& frame : {p, base}) { // the change, and back
            ASSERT_FALSE(enc.Encode(frame.bgrx.data(), w, h, w * 4, false, out));
            pics.push_back(frame);
            ASSERT_GE(out.size(), 8u);
            if (points.size() == 2) {
                EXPECT_LT(out.size(), 40u); // one changed pixel is coded alone
            }
            // Twelve-bit x0, x1, then rows counted from the bottom.
            EXPECT_EQ(
                std::vector<int>({(out[1] << 4) | (out[2] >> 4), ((out[2] & 0xF) << 8) | out[3],
                                  (out[4] << 4) | (out[5] >> 4), ((out[5] & 0xF) << 8) | out[6]}),
                std::vector<int>({x0, x1, h - 1 - y1, h - 1 - y0}))
                << points[0] << "," << points[1];
        }
    }
    // A change below 15-bit colour is no change.
    Picture faint = base;
    for (size_t k = 0; k < faint.bgrx.size(); k += 4)
        faint.bgrx[k] ^= 0x07;
    EXPECT_FALSE(enc.Encode(faint.bgrx.data(), w, h, w * 4, false, out));
    EXPECT_EQ(out.size(), 8u);
    pics.push_back(faint);

    test::TempDir dir;
    const std::string path = dir.str() + "/boxes.asf";
    WriteStream(path, w, h, pics, {true});
    test::ExpectDecodesTo(path, w, h, pics);
    EXPECT_TRUE(enc.Encode(base.bgrx.data(), w, h, w * 4, true, out)); // a key frame on demand
}

} // namespace
} // namespace tess
