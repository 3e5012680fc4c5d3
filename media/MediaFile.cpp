#include "media/MediaFile.h"

#include <cstring>
#include <filesystem>

#include "media/MemBm.h"

namespace tess {

std::string MediaFile::GetDisplayName() const {
    if (!IsValid())
        return {};
    return std::filesystem::path(fileName_).filename().string();
}

int32_t MediaFile::AddFramePixels(const uint8_t* bgrx, int32_t width, int32_t height,
                                  int32_t stride) {
    MemBm frame(width, height);
    for (int32_t y = 0; y < frame.height() && bgrx; ++y)
        std::memcpy(frame.pixelAddress(0, y), bgrx + static_cast<ptrdiff_t>(y) * stride,
                    static_cast<size_t>(frame.stride()));
    return AddBitmapFrame(frame);
}

} // namespace tess
