#pragma once
// An off-screen 32-bit top-down picture whose pixels the program addresses directly.
// Rows run top to bottom, each width * 4 bytes; a pixel is blue, green, red, unused.
// Cairo's RGB24 image format has the same layout, so text can be drawn into it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tess {

class MemBm {
public:
    MemBm(int32_t width, int32_t height);
    virtual ~MemBm() = default;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t stride() const { return width_ * 4; }
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

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> bits_;
};

} // namespace tess
