#pragma once
#include <string>

#include "fuzz/FuzzTarget.h"
#include "media/MemBm.h"
#include "media/image/ImageCodec.h"

namespace tess::fuzz {

// A decoder gives either a picture inside the limits, every pixel readable, or a reason.
inline void CheckDecoded(const MemBm* picture, const std::string& error) {
    if (!picture) {
        if (error.empty())
            Fail("a refused picture without a reason");
        return;
    }
    const int64_t w = picture->width(), h = picture->height();
    if (w <= 0 || h <= 0 || w > image::detail::kMaxSide || h > image::detail::kMaxSide ||
        w * h > image::detail::kMaxPixels)
        Fail("a decoded picture outside the size limits");
    // Touch the first and last pixel so a short buffer shows under the sanitizer.
    volatile uint8_t first = *picture->pixelAddress(0, 0);
    volatile uint8_t last = *(picture->pixelAddress(int32_t(w - 1), int32_t(h - 1)) + 3);
    (void)first;
    (void)last;
}

} // namespace tess::fuzz
