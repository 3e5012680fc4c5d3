#include "platform/ScreenPixelSource.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace tess {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Rounds towards minus infinity, for picture positions left of or above the picture.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The picture pixel (row or column) under the centre of X position `x`; outside the picture
// when it is below 0 or not below `pixels`.
int64_t PicturePosition(int32_t x, int32_t logicalStart, int32_t logicalExtent, int32_t pixels) {
    return FloorDiv((2 * (int64_t{x} - logicalStart) + 1) * pixels, 2 * int64_t{logicalExtent});
}

} // namespace

std::optional<ScreenBackend> ChooseScreenBackend(const std::string& option,
                                                 const std::string& setting, bool waylandSession) {
    const std::string& choice = option.empty() ? setting : option;
    if (choice == "x11")
        return ScreenBackend::X11;
    if (choice == "portal")
        return ScreenBackend::Portal;
    if (!option.empty())
        return std::nullopt;
    return waylandSession ? ScreenBackend::Portal : ScreenBackend::X11;
}

void InterruptScreenSourceStart() {
    g_interrupted.store(true);
}

bool ScreenSourceStartInterrupted() {
    return g_interrupted.load();
}

void ClearScreenSourceInterrupt() {
    g_interrupted.store(false);
}

void ConvertRowToBgrx(const uint8_t* src, StreamPixelFormat format, int32_t width, uint8_t* dst) {
    const bool rgb = format == StreamPixelFormat::RGBx || format == StreamPixelFormat::RGBA;
    const int blue = rgb ? 2 : 0;
    const int red = rgb ? 0 : 2;
    for (int32_t x = 0; x < width; ++x) {
        dst[4 * x + 0] = src[4 * x + blue];
        dst[4 * x + 1] = src[4 * x + 1];
        dst[4 * x + 2] = src[4 * x + red];
        dst[4 * x + 3] = 0;
    }
}

ScreenRect StreamLogicalRect(const std::optional<ScreenRect>& announced,
                             const ScreenRect& xScreen) {
    if (announced && !announced->empty() && announced->left >= xScreen.left &&
        announced->top >= xScreen.top && announced->right <= xScreen.right &&
        announced->bottom <= xScreen.bottom)
        return *announced;
    return xScreen;
}

void CopyStreamArea(const uint8_t* picture, int32_t pictureStride, const StreamGeometry& geometry,
                    const ScreenRect& area, uint8_t* dst, int32_t dstStride) {
    const int32_t w = area.width();
    const int32_t h = area.height();
    if (w <= 0 || h <= 0)
        return;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    const ScreenRect& lg = geometry.logical;
    if (!picture || lg.empty() || geometry.pixelWidth <= 0 || geometry.pixelHeight <= 0) {
        for (int32_t y = 0; y < h; ++y)
            std::memset(dst + static_cast<size_t>(y) * dstStride, 0, rowBytes);
        return;
    }
    // The picture column of every output column (-1: outside), and whether they run on one
    // by one (an output scale of 1), which makes each row a plain copy.
    std::vector<int32_t> columns(static_cast<size_t>(w));
    int32_t first = -1, last = -1;
    bool contiguous = true;
    for (int32_t x = 0; x < w; ++x) {
        int64_t c = PicturePosition(area.left + x, lg.left, lg.width(), geometry.pixelWidth);
        columns[static_cast<size_t>(x)] =
            c >= 0 && c < geometry.pixelWidth ? static_cast<int32_t>(c) : -1;
        if (columns[static_cast<size_t>(x)] < 0)
            continue;
        if (first < 0)
            first = x;
        else if (columns[static_cast<size_t>(x)] != columns[static_cast<size_t>(last)] + (x - last))
            contiguous = false;
        last = x;
    }
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = dst + static_cast<size_t>(y) * dstStride;
        const int64_t row =
            PicturePosition(area.top + y, lg.top, lg.height(), geometry.pixelHeight);
        if (row < 0 || row >= geometry.pixelHeight || first < 0) {
            std::memset(out, 0, rowBytes);
            continue;
        }
        const uint8_t* in = picture + static_cast<size_t>(row) * pictureStride;
        if (contiguous && (last - first) == columns[static_cast<size_t>(last)] -
                                                columns[static_cast<size_t>(first)]) {
            std::memset(out, 0, static_cast<size_t>(first) * 4);
            std::memcpy(out + static_cast<size_t>(first) * 4,
                        in + static_cast<size_t>(columns[static_cast<size_t>(first)]) * 4,
                        static_cast<size_t>(last - first + 1) * 4);
            std::memset(out + static_cast<size_t>(last + 1) * 4, 0,
                        static_cast<size_t>(w - last - 1) * 4);
            continue;
        }
        for (int32_t x = 0; x < w; ++x) {
            const int32_t c = columns[static_cast<size_t>(x)];
            if (c < 0)
                std::memset(out + 4 * x, 0, 4);
            else
                std::memcpy(out + 4 * x, in + static_cast<size_t>(c) * 4, 4);
        }
    }
}

} // namespace tess
