#pragma once
// The colour reduction's parts, shared by the picture writer (ReduceTo8Bits) and the
// animation writer: a colour histogram, the median-cut palette, the nearest palette colour
// and the mapping of pixels to a palette with or without error diffusion.
#include <cstdint>
#include <vector>

namespace tess::image::detail {

// Pixels counted by colour, five bits per channel, with the sums of their exact colours.
class ColorHistogram {
public:
    static constexpr int kBits = 5;
    ColorHistogram();
    // One pixel of a picture (blue, green, red bytes).
    void add(const uint8_t* p) {
        const int cell = ((p[2] >> (8 - kBits)) << (2 * kBits)) | ((p[1] >> (8 - kBits)) << kBits) |
                         (p[0] >> (8 - kBits));
        ++count[cell];
        sum[static_cast<size_t>(cell) * 3 + 0] += p[2];
        sum[static_cast<size_t>(cell) * 3 + 1] += p[1];
        sum[static_cast<size_t>(cell) * 3 + 2] += p[0];
    }
    std::vector<uint32_t> count;
    std::vector<uint64_t> sum;
};

// A palette of at most `maxColors` for screen pictures: the colours that cover many pixels
// (flat areas, text) exactly, the rest of the pixels by median cut. `mask` (w * h, may be
// null): only pixels whose byte is not 0 count.
std::vector<uint32_t> ScreenPalette(const uint8_t* pixels, int stride, int w, int h,
                                    const uint8_t* mask, size_t maxColors);

// The nearest entry of a palette (colour values), memoised on a 6-bit-per-channel grid.
class NearestColor {
public:
    explicit NearestColor(const std::vector<uint32_t>& palette)
        : palette_(palette), cache_(1 << 18, -1) {}
    uint8_t operator()(int r, int g, int b) {
        const int key = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
        int16_t& c = cache_[key];
        if (c < 0)
            c = search(r, g, b);
        return static_cast<uint8_t>(c);
    }

private:
    int16_t search(int r, int g, int b) const;
    const std::vector<uint32_t>& palette_;
    std::vector<int16_t> cache_;
};

enum class Diffusion {
    None,       // each pixel its nearest colour
    Everywhere, // Floyd-Steinberg over the whole picture
    SmoothAreas // Floyd-Steinberg where the picture is smooth (gradients, photographs), not
                // across sharp edges such as text and lines, which keep their nearest colour
};

// Maps `w` x `h` pixels (blue, green, red, unused; rows `stride` bytes apart) to indices of
// `palette`, written to `out` (w * h). Pixels whose `mask` byte (w * h, may be null) is 0 get
// `maskedIndex` and neither take nor give diffused error.
void MapToPalette(const uint8_t* pixels, int stride, int w, int h,
                  const std::vector<uint32_t>& palette, Diffusion diffusion, const uint8_t* mask,
                  uint8_t maskedIndex, uint8_t* out);

} // namespace tess::image::detail
