#pragma once
// Pictures of screen text drawn with Pango, the cases of screen text that reading is measured
// on (the benchmark's accuracy table, and the recognition tests, which hold each case to its
// least accuracy), and the accuracy measure (1 - edit distance / length).
#include <algorithm>
#include <cairo.h>
#include <memory>
#include <pango/pangocairo.h>
#include <sstream>
#include <string>
#include <vector>

#include "media/MemBm.h"

namespace tess::bench {

struct TextLook {
    const char* font = "DejaVu Sans 11px";
    uint32_t ink = 0x000000;    // 0xRRGGBB
    uint32_t ground = 0xFFFFFF; // 0xRRGGBB
    bool antialias = true;
    int margin = 8;     // pixels of ground around the letters' ink
    bool icons = false; // a small icon before each line
    int columnGap = 0;  // above 0: each line's text after its first ':' starts a column
};

inline void SetRgb(cairo_t* cr, uint32_t c) {
    cairo_set_source_rgb(cr, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0,
                         (c & 255) / 255.0);
}

// `text`'s lines drawn one under the other in `look`, the picture cut to the ink plus margin.
inline std::unique_ptr<MemBm> DrawTextPicture(const std::string& text, const TextLook& look) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // Drawn on a large page first, then cut to what the ink covers.
    MemBm page(2000, 40 + 40 * static_cast<int>(lines.size()));
    cairo_surface_t* surface = page.createCairoSurface();
    cairo_t* cr = cairo_create(surface);
    SetRgb(cr, look.ground);
    cairo_paint(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options,
                                     look.antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    PangoFontDescription* font = pango_font_description_from_string(look.font);
    int left = 2000, top = 2000, right = 0, bottom = 0;
    auto draw = [&](const std::string& s, int x, int y) {
        PangoLayout* layout = pango_cairo_create_layout(cr);
        pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
        pango_layout_set_font_description(layout, font);
        pango_layout_set_text(layout, s.c_str(), -1);
        SetRgb(cr, look.ink);
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, layout);
        PangoRectangle ink, logical;
        pango_layout_get_pixel_extents(layout, &ink, &logical);
        if (ink.width > 0) {
            left = std::min(left, x + ink.x);
            top = std::min(top, y + ink.y);
            right = std::max(right, x + ink.x + ink.width);
            bottom = std::max(bottom, y + ink.y + ink.height);
        }
        g_object_unref(layout);
        return logical.height;
    };
    int y = 20;
    for (const std::string& line : lines) {
        int x = 20;
        if (look.icons) {
            // A 16-pixel icon as file lists show them, in turn a folder, a player and
            // a picture.
            const int kind = static_cast<int>(&line - lines.data()) % 3;
            const double top = y + 1;
            if (kind == 0) {
                cairo_set_source_rgb(cr, 0.93, 0.72, 0.25);
                cairo_rectangle(cr, x, top + 1, 7, 3);
                cairo_rectangle(cr, x, top + 3, 16, 11);
                cairo_fill(cr);
            } else if (kind == 1) {
                cairo_set_source_rgb(cr, 0.3, 0.7, 0.4);
                cairo_rectangle(cr, x + 1, top + 1, 14, 14);
                cairo_fill(cr);
                cairo_set_source_rgb(cr, 1, 1, 1);
                cairo_move_to(cr, x + 5, top + 4);
                cairo_line_to(cr, x + 12, top + 8);
                cairo_line_to(cr, x + 5, top + 12);
                cairo_fill(cr);
            } else {
                cairo_set_source_rgb(cr, 0.35, 0.6, 0.9);
                cairo_rectangle(cr, x, top + 1, 16, 14);
                cairo_fill(cr);
                cairo_set_source_rgb(cr, 0.2, 0.55, 0.25);
                cairo_move_to(cr, x + 1, top + 14);
                cairo_line_to(cr, x + 7, top + 6);
                cairo_line_to(cr, x + 15, top + 14);
                cairo_fill(cr);
            }
            left = std::min(left, x);
            x += 16 + 6;
        }
        const size_t colon = line.find(':');
        int height = 0;
        if (look.columnGap > 0 && colon != std::string::npos) {
            height = draw(line.substr(0, colon + 1), x, y);
            draw(line.substr(colon + 2), x + look.columnGap, y);
        } else {
            height = draw(line, x, y);
        }
        y += height + height / 4;
    }
    pango_font_description_free(font);
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    left = std::max(left - look.margin, 0);
    top = std::max(top - look.margin, 0);
    auto picture = std::make_unique<MemBm>(right + look.margin - left, bottom + look.margin - top);
    picture->copyFrom(page, -left, -top);
    return picture;
}

// A smooth left-to-right grey gradient without any text.
inline std::unique_ptr<MemBm> DrawGradient(int width, int height) {
    auto picture = std::make_unique<MemBm>(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::fill_n(picture->pixelAddress(x, y), 3, static_cast<uint8_t>(40 + 180 * x / width));
    return picture;
}

struct TextCase {
    const char* name;
    std::string text;
    TextLook look;
    double least; // the accuracy reading must reach
};

// Screen text in light and dark themes, the UI font at 9, 11 and 13 px, smoothed and not,
// terminals, grey on grey, white on blue, a two-column form, a list with icons, a tight crop.
inline std::vector<TextCase> ScreenTextCases() {
    const std::string dialog = "The file could not be saved because the disk is full.\n"
                               "Free some space and try again, or choose another folder.\n"
                               "Error 0x80070070 at 14:32 on Tuesday, 8 December 2026";
    const std::string terminal = "user@host:~/src$ ls -l build/tessaray\n"
                                 "-rwxr-xr-x 1 user user 4812064 Dec 8 22:14 build/tessaray\n"
                                 "user@host:~/src$ make test 2>&1 | tail -n 3";
    const char* const ui = "DejaVu Sans 11px";
    const char* const mono = "DejaVu Sans Mono 12px";
    return {
        {"light 9 px", dialog, {"DejaVu Sans 9px"}, 0.98},
        {"light 11 px", dialog, {ui}, 0.98},
        {"light 13 px", dialog, {"DejaVu Sans 13px"}, 0.98},
        {"dark 11 px", dialog, {ui, 0xEEEEEE, 0x2B2B2B}, 0.98},
        {"light 11 px not smoothed", dialog, {ui, 0, 0xFFFFFF, false}, 0.98},
        {"dark 11 px not smoothed", dialog, {ui, 0xEEEEEE, 0x2B2B2B, false}, 0.98},
        {"terminal light", terminal, {mono, 0x202020, 0xFFFFFF}, 0.98},
        {"terminal dark", terminal, {mono, 0xD0D0D0, 0x000000}, 0.98},
        {"grey on grey", dialog, {ui, 0x404040, 0xB8B8B8}, 0.98},
        {"white on blue", dialog, {ui, 0xFFFFFF, 0x1E5AA8}, 0.98},
        {"two-column form",
         "Name: Alice Smith\nStreet: 12 Garden Lane\nCity: Springfield\nPhone: 555 0134",
         {ui, 0, 0xF2F2F2, true, 8, false, 160},
         0.98},
        {"list with icons",
         "Documents\nDownloads\nMusic\nPictures\nVideos\nProjects 2026\nTrash",
         {ui, 0x202020, 0xFFFFFF, true, 8, true},
         0.95},
        {"tight crop",
         "Connection timed out. Retry in 30 seconds?",
         {ui, 0, 0xFFFFFF, true, 0},
         0.995},
    };
}

// 1 - (edit distance / length of `expected`), at least 0.
inline double Accuracy(const std::string& expected, const std::string& got) {
    std::vector<size_t> row(got.size() + 1);
    for (size_t j = 0; j <= got.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= expected.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= got.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min(
                {row[j] + 1, row[j - 1] + 1, diagonal + (expected[i - 1] == got[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return std::max(0.0, 1.0 - static_cast<double>(row[got.size()]) /
                                   static_cast<double>(std::max<size_t>(expected.size(), 1)));
}

} // namespace tess::bench
