#pragma once
// The screen-video encoder: MSS2 frames in the run-length "555" mode. Pictures are reduced to
// 15-bit colour (0RRRRRGG GGGBBBBB) and coded losslessly at that depth. A key frame codes the
// whole picture; an inter frame codes the one rectangle that holds every pixel that changed
// since the previous frame, skipping unchanged pixels inside it.
//
// Rows are coded bottom-up (the last picture row first), as the decoder fills its picture.
// Key frames of busy pictures are parsed for the fewest bytes: each pixel starts either a run
// of one colour or a run of copies from the row coded before, of whichever length makes the
// whole frame cheapest. Inter frames, flat pictures and key frames made because most of the
// picture changed take the longest run at each step.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tess {

class Mss2Encoder {
public:
    // Largest frame side the format allows.
    static constexpr int32_t kMaxSide = 4096;
    // Size of the codec's private data that follows the BITMAPINFOHEADER.
    static constexpr size_t kExtradataSize = 828;

    // width and height are clamped to 1..kMaxSide.
    Mss2Encoder(int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // Encodes one 32-bit BGRx top-down picture (stride in bytes). A picture of another size
    // is cropped or padded with black to the stream's size. The first frame is always a key
    // frame, and so is a frame that changes at least three quarters of the pixels, whose
    // inter coding would cost about what a key frame does. Returns the coded frame in `out`
    // (replaced) and whether it is a key frame.
    bool Encode(const uint8_t* bgrx, int32_t srcWidth, int32_t srcHeight, int32_t srcStride,
                bool forceKey, std::vector<uint8_t>& out);

    // The codec private data for the stream header (big-endian fields, 828 bytes).
    static std::vector<uint8_t> Extradata(int32_t width, int32_t height, float framesPerSecond,
                                          uint32_t bitRate);

    // The encoder's current picture in 15-bit colour, top-down (what a decoder shows after
    // the last frame). For tests and diagnostics.
    const std::vector<uint16_t>& Picture() const { return prev_; }

    // Reduces a 32-bit BGRx pixel to 15-bit colour.
    static uint16_t To555(const uint8_t* bgrx) {
        return static_cast<uint16_t>(((bgrx[2] >> 3) << 10) | ((bgrx[1] >> 3) << 5) |
                                     (bgrx[0] >> 3));
    }

private:
    struct Rect {
        int32_t x0, y0, x1, y1; // inclusive, picture (top-down) coordinates
    };

    void Convert(const uint8_t* bgrx, int32_t srcWidth, int32_t srcHeight, int32_t srcStride);
    bool FindChanges(Rect& r) const;
    // Whether at least three quarters of the picture's pixels changed (all inside `r`).
    bool MostlyChanged(const Rect& r) const;
    // The longest run at each step; with fewestBytes, a busy picture then gets the cheapest
    // parse (several times slower).
    void EncodeKey(std::vector<uint8_t>& out, bool fewestBytes);
    void EncodeInter(const Rect& r, std::vector<uint8_t>& out);
    // Room for the largest coded frame, made once and never cleared.
    uint8_t* Scratch();

    int32_t width_;
    int32_t height_;
    bool havePrev_ = false;
    int32_t firstChanged_ = -1; // rows that differ from the previous picture
    int32_t lastChanged_ = -1;
    std::vector<uint8_t> rowChanged_; // per picture row, of the last Convert
    std::vector<uint16_t> cur_;
    std::vector<uint16_t> prev_;
    // Key-frame parse: the cheapest byte count from each pixel (in coding order) to the end,
    // and the run that starts there (positive: a colour, negative: copies from above).
    std::vector<uint32_t> keyCost_;
    std::vector<int32_t> keyRun_;
    std::unique_ptr<uint8_t[]> scratch_;
};

} // namespace tess
