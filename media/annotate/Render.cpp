#include "media/annotate/Render.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <pango/pangocairo.h>
#include <string>

namespace tess::annotate {

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

void SetColor(cairo_t* cr, uint32_t color, double alpha = 1) {
    cairo_set_source_rgba(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                          ((color >> 16) & 0xFF) / 255.0, alpha);
}

// Perceived brightness 0..255 of a colour value.
int Luminance(uint32_t color) {
    return int(((color & 0xFF) * 299 + ((color >> 8) & 0xFF) * 587 + ((color >> 16) & 0xFF) * 114) /
               1000);
}

void DrawArrow(cairo_t* cr, const Arrow& a) {
    double dx = a.to.x - a.from.x, dy = a.to.y - a.from.y;
    double len = std::hypot(dx, dy);
    if (len <= 0)
        return;
    double ux = dx / len, uy = dy / len;
    double head = std::min(ArrowHeadLength(a.s.width), len);
    double half = head * 0.5;
    double bx = a.to.x - ux * head, by = a.to.y - uy * head;
    SetColor(cr, a.s.color);
    // The shaft ends inside the head, where the head is wider than the shaft, so its square
    // end never shows and nothing passes the tip.
    double shaftEnd = head * 0.3;
    if (len > head) {
        cairo_set_line_width(cr, a.s.width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_move_to(cr, a.from.x, a.from.y);
        cairo_line_to(cr, bx + ux * shaftEnd, by + uy * shaftEnd);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, a.to.x, a.to.y);
    cairo_line_to(cr, bx - uy * half, by + ux * half);
    cairo_line_to(cr, bx + uy * half, by - ux * half);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void StrokePolyline(cairo_t* cr, const std::vector<PointF>& pts, const Stroke& s) {
    if (pts.empty())
        return;
    SetColor(cr, s.color);
    cairo_set_line_width(cr, s.width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, pts[0].x, pts[0].y);
    for (size_t i = 1; i < pts.size(); ++i)
        cairo_line_to(cr, pts[i].x, pts[i].y);
    if (pts.size() == 1)
        cairo_line_to(cr, pts[0].x, pts[0].y);
    cairo_stroke(cr);
}

void DrawOval(cairo_t* cr, const Oval& o) {
    if (o.r.w <= 0 || o.r.h <= 0)
        return;
    cairo_save(cr);
    cairo_translate(cr, o.r.x + o.r.w / 2, o.r.y + o.r.h / 2);
    cairo_scale(cr, o.r.w / 2, o.r.h / 2);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr); // the pen stays round whatever the oval's shape
    SetColor(cr, o.s.color);
    cairo_set_line_width(cr, o.s.width);
    cairo_stroke(cr);
}

void DrawText(cairo_t* cr, const Text& t) {
    PangoLayout* layout = CreateTextLayout(nullptr, t);
    if (t.backdrop) {
        int w = 0, h = 0;
        pango_layout_get_size(layout, &w, &h);
        double pad = BackdropPadding(t);
        SetColor(cr, BackdropColor(t.color));
        cairo_rectangle(cr, t.at.x - pad, t.at.y - pad, double(w) / PANGO_SCALE + 2 * pad,
                        double(h) / PANGO_SCALE + 2 * pad);
        cairo_fill(cr);
    }
    SetColor(cr, t.color);
    cairo_move_to(cr, t.at.x, t.at.y);
    pango_cairo_show_layout(cr, layout);
    cairo_new_path(cr);
    g_object_unref(layout);
}

void DrawStep(cairo_t* cr, const Step& s, int number) {
    SetColor(cr, s.color);
    double dx = s.tail.x - s.at.x, dy = s.tail.y - s.at.y;
    double len = std::hypot(dx, dy);
    if (len > s.radius) {
        double ux = dx / len, uy = dy / len, half = s.radius * 0.5;
        cairo_move_to(cr, s.tail.x, s.tail.y);
        cairo_line_to(cr, s.at.x - uy * half, s.at.y + ux * half);
        cairo_line_to(cr, s.at.x + uy * half, s.at.y - ux * half);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    cairo_arc(cr, s.at.x, s.at.y, s.radius, 0, 2 * M_PI);
    cairo_fill(cr);
    Text label{{0, 0},
               std::to_string(number),
               Luminance(s.color) < 140 ? 0xFFFFFFu : 0u,
               float(s.radius * 1.1),
               false};
    PangoLayout* layout = CreateTextLayout(nullptr, label);
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    SetColor(cr, label.color);
    // Centred by the ink horizontally (digits' side bearings differ) and by the line
    // vertically (so every number sits on one baseline).
    cairo_move_to(cr, s.at.x - (ink.x + ink.width / 2.0) / PANGO_SCALE,
                  s.at.y - (logical.y + logical.height / 2.0) / PANGO_SCALE);
    pango_cairo_show_layout(cr, layout);
    cairo_new_path(cr);
    g_object_unref(layout);
}

} // namespace

double BackdropPadding(const Text& text) {
    return 0.3 * text.sizePx;
}

uint32_t BackdropColor(uint32_t textColor) {
    return Luminance(textColor) < 140 ? 0xFFFFFFu : 0x000000u;
}

PangoLayout* CreateTextLayout(cairo_t* cr, const Text& text) {
    // A context of its own with an identity matrix, whatever the target's transform: the
    // layout is then the same at every zoom, and drawing only scales it.
    (void)cr;
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    PangoLayout* layout = pango_layout_new(context);
    g_object_unref(context);
    PangoFontDescription* font = pango_font_description_from_string(kTextFamily);
    pango_font_description_set_absolute_size(font, std::max(1.0f, text.sizePx) * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, text.utf8.c_str(), int(text.utf8.size()));
    return layout;
}

SizeF MeasureText(const Text& text) {
    PangoLayout* layout = CreateTextLayout(nullptr, text);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    g_object_unref(layout);
    return {double(w) / PANGO_SCALE, double(h) / PANGO_SCALE};
}

void DrawItem(cairo_t* cr, const Item& item, int stepNumber) {
    cairo_save(cr);
    std::visit(Overloaded{[&](const Arrow& a) { DrawArrow(cr, a); },
                          [&](const Line& l) {
                              StrokePolyline(cr, {l.from, l.to}, l.s);
                          },
                          [&](const Box& b) {
                              SetColor(cr, b.s.color);
                              cairo_rectangle(cr, b.r.x, b.r.y, b.r.w, b.r.h);
                              if (b.filled) {
                                  cairo_fill(cr);
                              } else {
                                  cairo_set_line_width(cr, b.s.width);
                                  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
                                  cairo_stroke(cr);
                              }
                          },
                          [&](const Oval& o) { DrawOval(cr, o); },
                          [&](const Pen& p) { StrokePolyline(cr, p.pts, p.s); },
                          [&](const Marker& m) {
                              cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
                              SetColor(cr, m.color);
                              cairo_rectangle(cr, m.r.x, m.r.y, m.r.w, m.r.h);
                              cairo_fill(cr);
                          },
                          [&](const Text& t) { DrawText(cr, t); },
                          [&](const Step& s) { DrawStep(cr, s, stepNumber); },
                          [&](const Redact&) {}},
               item);
    cairo_restore(cr);
}

void DrawItems(cairo_t* cr, const Document& doc, const DrawOptions& options) {
    int step = doc.firstStep;
    for (size_t i = 0; i < doc.items.size(); ++i) {
        const Item& item = doc.items[i];
        bool isStep = std::holds_alternative<Step>(item);
        if (i != options.hidden &&
            (options.only.empty() ||
             !Intersect(OutwardPixels(Bounds(item)), OutwardPixels(options.only)).empty()))
            DrawItem(cr, item, step);
        step += isStep ? 1 : 0;
    }
}

void DrawSelection(cairo_t* cr, const Item& item, double handleSize) {
    cairo_save(cr);
    RectF b = Bounds(item);
    double line = handleSize / 6;
    double dash[] = {handleSize / 2};
    cairo_set_line_width(cr, line);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke_preserve(cr);
    cairo_set_dash(cr, dash, 1, 0);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.9);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    for (const HandleSpot& h : Handles(item)) {
        cairo_rectangle(cr, h.at.x - handleSize / 2, h.at.y - handleSize / 2, handleSize,
                        handleSize);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.1, 0.3, 0.9);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

std::unique_ptr<MemBm> RenderForSave(const MemBm& original, const Document& doc) {
    auto out = std::make_unique<MemBm>(original);
    if (out->empty())
        return out;
    ApplyRedactions(*out, doc.items);
    if (cairo_surface_t* surface = out->createCairoSurface()) {
        cairo_t* cr = cairo_create(surface);
        DrawItems(cr, doc);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
    }
    if (!doc.crop)
        return out;
    RectI c = Intersect(*doc.crop, {0, 0, out->width(), out->height()});
    if (c.empty() || (c.w == out->width() && c.h == out->height()))
        return out;
    auto cropped = std::make_unique<MemBm>(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
        std::copy_n(out->pixelAddress(c.x, c.y + y), size_t(c.w) * 4, cropped->pixelAddress(0, y));
    return cropped;
}

} // namespace tess::annotate
