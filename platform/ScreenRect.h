#pragma once
// Plain screen geometry shared by the screen readers and everything that grabs: no X11, no
// toolkit.
#include <cstdint>
#include <vector>

namespace tess {

// A rectangle in root-window (screen) coordinates; right and bottom lie just outside it.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    // Edges included on all four sides.
    bool containsInclusive(int32_t x, int32_t y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
    bool operator==(const ScreenRect&) const = default;
};

// The cursor as it is shown: premultiplied ARGB pixels, row by row, and where it is.
struct CursorImage {
    int32_t x = 0; // pointer position, screen coordinates
    int32_t y = 0;
    int32_t xhot = 0;
    int32_t yhot = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> argb;
};

} // namespace tess
