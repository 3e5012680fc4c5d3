#pragma once
// An off-screen 32-bit top-down picture whose pixels the program addresses directly.
// Rows run top to bottom, each width * 4 bytes; a pixel is blue, green, red, unused.
// Cairo's RGB24 image format has the same layout, so text can be drawn into it without
// any toolkit call (the recorder thread draws captions).
//
// Colours are colour values 0x00BBGGRR (red in the low byte). The compositing operations
// compare and write only the three colour bytes of a pixel, visit every source pixel and
// never write outside this picture. Every operation does nothing on an empty picture.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PictureMemory.h"

typedef struct _cairo_surface cairo_surface_t;

namespace tess {

// Raster operation of copyFrom: copy the source as it is.
constexpr uint32_t kSrcCopy = 0x00CC0020;

class MemBm {
public:
    MemBm(int32_t width, int32_t height);
    virtual ~MemBm() = default;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t stride() const { return width_ * 4; }
    bool empty() const { return bits_.empty(); }
    size_t sizeBytes() const { return bits_.size(); }
    // Null when the picture is empty (a zero or negative size).
    uint8_t* bits() { return bits_.empty() ? nullptr : bits_.data(); }
    const uint8_t* bits() const { return bits_.empty() ? nullptr : bits_.data(); }
    // No bounds check: callers keep x and y inside the picture.
    uint8_t* pixelAddress(int32_t x, int32_t y) {
        return bits_.data() + (static_cast<size_t>(width_) * y + x) * 4;
    }
    const uint8_t* pixelAddress(int32_t x, int32_t y) const {
        return bits_.data() + (static_cast<size_t>(width_) * y + x) * 4;
    }

    // The colour value (0x00BBGGRR) of the pixel at (x, y); no bounds check.
    uint32_t colorAt(int32_t x, int32_t y) const;
    // Sets every pixel's three colour bytes to `color` (the fourth byte becomes 0).
    void fill(uint32_t color);

    // Copies the whole source to (x, y), clipped to this picture. Only kSrcCopy is known;
    // false for any other operation or when either picture is empty.
    bool copyFrom(const MemBm& source, int32_t x, int32_t y, uint32_t rop = kSrcCopy);
    // Source pixels other than the key colour are copied; key-coloured ones are skipped.
    void compositeTransparent(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y);
    // As transparent, but a key-coloured source pixel mixes one third key colour with two
    // thirds of the target: each byte becomes (key + 2 * target) / 3.
    void compositeTranslucent(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y);
    // Key-coloured source pixels are skipped only when their left, right, upper and lower
    // neighbours are key-coloured too (the text with a one-pixel key-coloured outline).
    void compositeBorder(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y);

    // Scales the whole source onto the whole of this picture with a smooth filter
    // (a plain copy when the sizes are equal). False when either picture is empty.
    bool stretchFrom(const MemBm& source);

    // A Cairo RGB24 surface over this picture's memory (new reference; the caller destroys
    // it, and it must not outlive the picture). Null when the picture is empty.
    cairo_surface_t* createCairoSurface();

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t, PictureAllocator<uint8_t>> bits_;
};

} // namespace tess
