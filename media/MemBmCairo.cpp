// The picture's Cairo side: a surface over its memory, and smooth scaling. Apart from
// MemBm.cpp so that a program that only grabs and writes pictures (the launcher) does not
// load Cairo.
#include "media/MemBm.h"

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
    // Cairo only reads from the source surface.
    cairo_surface_t* src = const_cast<MemBm&>(source).createCairoSurface();
    cairo_surface_t* dst = createCairoSurface();
    bool ok = false;
    if (src && dst && cairo_surface_status(src) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_status(dst) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(dst);
        cairo_scale(cr, static_cast<double>(width_) / source.width(),
                    static_cast<double>(height_) / source.height());
        cairo_set_source_surface(cr, src, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
        cairo_surface_flush(dst);
    }
    if (src)
        cairo_surface_destroy(src);
    if (dst)
        cairo_surface_destroy(dst);
    return ok;
}

cairo_surface_t* MemBm::createCairoSurface() {
    if (bits_.empty() || cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width_) != stride())
        return nullptr;
    return cairo_image_surface_create_for_data(bits_.data(), CAIRO_FORMAT_RGB24, width_, height_,
                                               stride());
}

} // namespace tess
