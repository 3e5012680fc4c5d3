// Smooth scaling of a picture into part of another, through Cairo (apart from the codecs so
// that writing pictures does not load Cairo).
#include "media/image/ImageCodec.h"

#include <cairo.h>

namespace tess::image {

bool DrawStretched(const MemBm& source, MemBm& target, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (source.empty() || target.empty() || w <= 0 || h <= 0)
        return false;
    // Cairo only reads from the source surface.
    cairo_surface_t* src = const_cast<MemBm&>(source).createCairoSurface();
    cairo_surface_t* dst = target.createCairoSurface();
    bool ok = false;
    if (src && dst && cairo_surface_status(src) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_status(dst) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(dst);
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, static_cast<double>(w) / source.width(),
                    static_cast<double>(h) / source.height());
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

} // namespace tess::image
