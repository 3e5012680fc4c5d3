#include "media/MemBm.h"

namespace tess {

MemBm::MemBm(int32_t width, int32_t height) : width_(width), height_(height) {
    if (width > 0 && height > 0)
        bits_.assign(static_cast<size_t>(width) * height * 4, 0);
}

} // namespace tess
