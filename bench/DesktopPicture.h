#pragma once
// A realistic desktop picture for benchmarks and tests: a wallpaper gradient, a task bar,
// two windows with title bars, anti-aliased text in several colours, flat panels, icons and
// one photograph-like region (smooth shapes with fine sensor noise). Deterministic.
#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstdint>
#include <memory>
#include <pango/pangocairo.h>
#include <string>

#include "media/MemBm.h"

namespace tess::bench {

inline void DrawText(cairo_t* cr, const char* font, double x, double y, const std::string& text,
                     double r, double g, double b) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, desc);
    pango_layout_set_text(layout, text.c_str(), -1);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(desc);
    g_object_unref(layout);
}

// Fills the photograph region (x, y, w, h) of `picture` pixel by pixel.
inline void DrawPhoto(tess::MemBm& picture, int x0, int y0, int w, int h) {
    uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 24) % 9) - 4; // -4 .. 4
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
            // Sky, a hill and a sun, with soft texture.
            double r, g, b;
            const double hill = 0.6 + 0.08 * std::sin(u * 9.0) + 0.05 * std::sin(u * 23.0 + 1);
            if (v < hill) {
                r = 90 + 90 * v;
                g = 140 + 70 * v;
                b = 220 - 30 * v;
                const double dx = u - 0.7, dy = v - 0.25;
                const double sun = std::exp(-(dx * dx + dy * dy) * 60);
                r += 150 * sun;
                g += 110 * sun;
                b -= 40 * sun;
            } else {
                const double t = 0.5 + 0.5 * std::sin(u * 40 + v * 25) * std::cos(v * 60);
                r = 50 + 40 * t + 30 * v;
                g = 110 + 50 * t;
                b = 40 + 20 * t;
            }
            uint8_t* p = picture.pixelAddress(x0 + x, y0 + y);
            p[0] = static_cast<uint8_t>(std::clamp(b + noise(), 0.0, 255.0));
            p[1] = static_cast<uint8_t>(std::clamp(g + noise(), 0.0, 255.0));
            p[2] = static_cast<uint8_t>(std::clamp(r + noise(), 0.0, 255.0));
        }
    }
}

inline std::unique_ptr<tess::MemBm> MakeDesktopPicture(int width = 1920, int height = 1080) {
    auto picture = std::make_unique<tess::MemBm>(width, height);
    cairo_surface_t* surface = picture->createCairoSurface();
    cairo_t* cr = cairo_create(surface);
    // Laid out for 1920 x 1080 and scaled to the size asked for.
    const double sx = width / 1920.0, sy = height / 1080.0;
    cairo_scale(cr, sx, sy);
    const int W = 1920, H = 1080;

    // Wallpaper: a vertical gradient.
    cairo_pattern_t* wall = cairo_pattern_create_linear(0, 0, 0, H);
    cairo_pattern_add_color_stop_rgb(wall, 0, 0.12, 0.25, 0.45);
    cairo_pattern_add_color_stop_rgb(wall, 1, 0.05, 0.10, 0.22);
    cairo_set_source(cr, wall);
    cairo_paint(cr);
    cairo_pattern_destroy(wall);

    // Desktop icons.
    for (int i = 0; i < 6; ++i) {
        cairo_set_source_rgb(cr, 0.9, 0.8 - i * 0.1, 0.3 + i * 0.1);
        cairo_rectangle(cr, 24, 24 + i * 96, 48, 48);
        cairo_fill(cr);
        DrawText(cr, "Sans 9", 16, 76 + i * 96, "File " + std::to_string(i + 1), 1, 1, 1);
    }

    // Task bar.
    const int bar = 40;
    cairo_set_source_rgb(cr, 0.16, 0.17, 0.19);
    cairo_rectangle(cr, 0, H - bar, W, bar);
    cairo_fill(cr);
    for (int i = 0; i < 8; ++i) {
        cairo_set_source_rgb(cr, 0.28, 0.30, 0.34);
        cairo_rectangle(cr, 60 + i * 170, H - bar + 5, 160, bar - 10);
        cairo_fill(cr);
        DrawText(cr, "Sans 10", 70 + i * 170, H - bar + 11, "Window " + std::to_string(i), 0.95,
                 0.95, 0.95);
    }
    DrawText(cr, "Sans 10", W - 70, H - bar + 11, "16:45", 1, 1, 1);

    // A text editor window: title bar, menu, white page with many lines of text.
    const int ex = 120, ey = 60, ew = 1000, eh = 900;
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.87);
    cairo_rectangle(cr, ex, ey, ew, eh);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.20, 0.40, 0.75);
    cairo_rectangle(cr, ex, ey, ew, 30);
    cairo_fill(cr);
    DrawText(cr, "Sans Bold 11", ex + 10, ey + 6, "notes.txt - Editor", 1, 1, 1);
    DrawText(cr, "Sans 10", ex + 10, ey + 36, "File   Edit   View   Search   Tools   Help", 0, 0,
             0);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, ex + 6, ey + 60, ew - 12, eh - 66);
    cairo_fill(cr);
    static const char* words[] = {"The quick brown fox jumps over the lazy dog.",
                                  "int main(int argc, char** argv) {",
                                  "    return render(frame, caption, 0x00FF00);",
                                  "Lorem ipsum dolor sit amet, consectetur",
                                  "adipiscing elit, sed do eiusmod tempor incididunt",
                                  "}  // end of file 1234567890"};
    for (int line = 0; line < 40; ++line) {
        const double shade = (line % 7 == 3) ? 0.6 : 0.0;
        DrawText(cr, line % 5 == 0 ? "Monospace 11" : "Sans 11", ex + 16, ey + 68 + line * 20,
                 words[line % 6], shade * 0.2, shade * 0.1, shade);
    }

    // A picture viewer window with a photograph.
    const int px = 1180, py = 120, pw = 680, ph = 560;
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
    cairo_rectangle(cr, px, py, pw, ph);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.32);
    cairo_rectangle(cr, px, py, pw, 30);
    cairo_fill(cr);
    DrawText(cr, "Sans Bold 11", px + 10, py + 6, "holiday.jpg - Viewer", 1, 1, 1);
    cairo_surface_flush(surface);
    const int x0 = static_cast<int>((px + 20) * sx), y0 = static_cast<int>((py + 50) * sy);
    DrawPhoto(*picture, x0, y0, std::min(static_cast<int>((pw - 40) * sx), width - x0),
              std::min(static_cast<int>((ph - 70) * sy), height - y0));
    cairo_surface_mark_dirty(surface);

    // A small dialog with buttons below the viewer.
    cairo_set_source_rgb(cr, 0.96, 0.96, 0.96);
    cairo_rectangle(cr, 1300, 740, 420, 180);
    cairo_fill(cr);
    DrawText(cr, "Sans 10", 1320, 760, "Save changes to the document before closing?", 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        cairo_set_source_rgb(cr, 0.85, 0.87, 0.9);
        cairo_rectangle(cr, 1330 + i * 125, 860, 110, 34);
        cairo_fill(cr);
        static const char* labels[] = {"Save", "Discard", "Cancel"};
        DrawText(cr, "Sans 10", 1355 + i * 125, 868, labels[i], 0, 0, 0);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return picture;
}

} // namespace tess::bench
