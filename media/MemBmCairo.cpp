// The picture's Cairo side: a surface over its memory, and smooth scaling. Apart from
// MemBm.cpp so that a program that only grabs and writes pictures (the launcher) does not
// load Cairo.
#include "media/MemBm.h"

#include "media/image/ImageCodec.h"

#include <cairo.h>
#include <cstring>

namespace tess {

bool MemBm::stretchFrom(const MemBm& source) {
    if (source.empty() || bits_.empty())
        return false;
    if (source.width() == width_ && source.height() == height_) {
        std::memcpy(bits_.data(), source.bits(), bits_.size());
        return true;
    }
    return image::DrawStretched(source, *this, 0, 0, width_, height_);
}

cairo_surface_t* MemBm::createCairoSurface() {
    if (bits_.empty() || cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_) != stride())
        return nullptr;
    return cairo_image_surface_create_for_data(bits_.data(), CAIRO_FORMAT_RGB24, width_, height_,
                                               stride());
}

} // namespace tess
