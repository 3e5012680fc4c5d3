#include "media/MemBm.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace tess {

namespace {

constexpr uint32_t kColorMask = 0x00FFFFFF;

// A colour value 0x00BBGGRR as the low three bytes of a little-endian pixel word.
uint32_t PixelKey(uint32_t color) {
    return ((color >> 16) & 0xFF) | (color & 0xFF00) | ((color & 0xFF) << 16);
}

uint32_t Load(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Store(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// Writes the three colour bytes of `src` over the pixel at `p`, keeping its fourth byte.
void PutColor(uint8_t* p, uint32_t src) {
    p[0] = static_cast<uint8_t>(src);
    p[1] = static_cast<uint8_t>(src >> 8);
    p[2] = static_cast<uint8_t>(src >> 16);
}

// The part of a source of size (sw, sh) placed at (x, y) that lies inside a target of size
// (tw, th), in source coordinates [c0, c1) x [r0, r1); empty when nothing overlaps.
struct Clip {
    int32_t c0 = 0, c1 = 0, r0 = 0, r1 = 0;
    bool empty() const { return c0 >= c1 || r0 >= r1; }
};

Clip ClipTo(int32_t sw, int32_t sh, int32_t x, int32_t y, int32_t tw, int32_t th) {
    Clip c;
    c.c0 = static_cast<int32_t>(std::clamp<int64_t>(-int64_t{x}, 0, sw));
    c.c1 = static_cast<int32_t>(std::clamp<int64_t>(int64_t{tw} - x, 0, sw));
    c.r0 = static_cast<int32_t>(std::clamp<int64_t>(-int64_t{y}, 0, sh));
    c.r1 = static_cast<int32_t>(std::clamp<int64_t>(int64_t{th} - y, 0, sh));
    return c;
}

// Runs `op(sourcePixel, targetPixel, column, row)` for every source pixel that lands inside
// the target, row by row from the top, left to right.
template <typename Op>
void ForEachPlaced(const MemBm& source, MemBm& target, int32_t x, int32_t y, Op op) {
    if (source.empty() || target.empty())
        return;
    const Clip c = ClipTo(source.width(), source.height(), x, y, target.width(), target.height());
    if (c.empty())
        return;
    for (int32_t r = c.r0; r < c.r1; ++r) {
        const uint8_t* s = source.pixelAddress(c.c0, r);
        uint8_t* t = target.pixelAddress(x + c.c0, y + r);
        for (int32_t col = c.c0; col < c.c1; ++col, s += 4, t += 4)
            op(s, t, col, r);
    }
}

} // namespace

MemBm::MemBm(int32_t width, int32_t height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0)
        return;
    // Without memory the picture exists without pixels, and every operation does nothing.
    try {
        bits_.resize(static_cast<size_t>(width) * height * 4); // black: the memory comes zeroed
    } catch (const std::bad_alloc&) {
        bits_.clear();
    } catch (const std::length_error&) {
        bits_.clear();
    }
}

uint32_t MemBm::colorAt(int32_t x, int32_t y) const {
    const uint8_t* p = pixelAddress(x, y);
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

void MemBm::fill(uint32_t color) {
    if (bits_.empty())
        return;
    const uint32_t v = PixelKey(color);
    uint8_t* p = bits_.data();
    uint8_t* end = p + bits_.size();
    for (; p < end; p += 4)
        Store(p, v);
}

bool MemBm::copyFrom(const MemBm& source, int32_t x, int32_t y, uint32_t rop) {
    if (rop != kSrcCopy || source.empty() || bits_.empty())
        return false;
    const Clip c = ClipTo(source.width(), source.height(), x, y, width_, height_);
    if (c.empty())
        return true; // nothing of the source falls on the picture
    const size_t rowBytes = static_cast<size_t>(c.c1 - c.c0) * 4;
    for (int32_t r = c.r0; r < c.r1; ++r)
        std::memmove(pixelAddress(x + c.c0, y + r), source.pixelAddress(c.c0, r), rowBytes);
    return true;
}

void MemBm::compositeTransparent(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y) {
    const uint32_t key = PixelKey(keyColor);
    ForEachPlaced(source, *this, x, y, [key](const uint8_t* s, uint8_t* t, int32_t, int32_t) {
        const uint32_t sv = Load(s);
        if ((sv & kColorMask) != key)
            PutColor(t, sv);
    });
}

void MemBm::compositeTranslucent(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y) {
    const uint32_t key = PixelKey(keyColor);
    ForEachPlaced(source, *this, x, y, [key](const uint8_t* s, uint8_t* t, int32_t, int32_t) {
        const uint32_t sv = Load(s);
        if ((sv & kColorMask) != key) {
            PutColor(t, sv);
            return;
        }
        for (int i = 0; i < 3; ++i)
            t[i] = static_cast<uint8_t>((s[i] + 2 * t[i]) / 3);
    });
}

void MemBm::compositeBorder(const MemBm& source, uint32_t keyColor, int32_t x, int32_t y) {
    const uint32_t key = PixelKey(keyColor);
    const int32_t sw = source.width();
    const int32_t sh = source.height();
    auto isKey = [&](int32_t c, int32_t r) {
        return (Load(source.pixelAddress(c, r)) & kColorMask) == key;
    };
    ForEachPlaced(source, *this, x, y, [&](const uint8_t* s, uint8_t* t, int32_t c, int32_t r) {
        const uint32_t sv = Load(s);
        if ((sv & kColorMask) == key) {
            const bool left = c == 0 || isKey(c - 1, r);
            const bool right = c == sw - 1 || isKey(c + 1, r);
            const bool above = isKey(c, r == 0 ? r : r - 1);
            const bool below = isKey(c, r == sh - 1 ? r : r + 1);
            if (left && right && above && below)
                return;
        }
        PutColor(t, sv);
    });
}

} // namespace tess
