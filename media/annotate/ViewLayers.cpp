#include "media/annotate/ViewLayers.h"

#include "media/annotate/Render.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace tess::annotate {

namespace {

std::vector<Redact> RedactionsOf(const Document& doc) {
    std::vector<Redact> out;
    for (const Item& item : doc.items)
        if (auto* r = std::get_if<Redact>(&item))
            out.push_back(*r);
    return out;
}

// The boxes present in one list and not the other, as one rectangle.
RectI ChangedRedactions(const std::vector<Redact>& before, const std::vector<Redact>& after) {
    RectI changed;
    for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        bool same = i < before.size() && i < after.size() && before[i] == after[i];
        if (same)
            continue;
        if (i < before.size())
            changed = Union(changed, before[i].r);
        if (i < after.size())
            changed = Union(changed, after[i].r);
    }
    return changed;
}

void CopyArea(const MemBm& from, MemBm& to, const RectI& area) {
    for (int y = area.y; y < area.bottom(); ++y)
        std::copy_n(from.pixelAddress(area.x, y), size_t(area.w) * 4, to.pixelAddress(area.x, y));
}

} // namespace

ViewLayers::ViewLayers(const MemBm& original)
    : original_(original), redacted_(std::make_unique<MemBm>(original)) {}

ViewLayers::~ViewLayers() {
    if (committed_)
        cairo_surface_destroy(committed_);
}

void ViewLayers::setDocument(const Document& doc, std::optional<size_t> hidden) {
    RectI changed = Intersect(ChangedRedactions(RedactionsOf(doc_), RedactionsOf(doc)),
                              {0, 0, original_.width(), original_.height()});
    lastRedactDamage_ = {};
    if (!changed.empty() && !redacted_->empty()) {
        // Rings reach one pixel out: a box beside the changed area sees other ring pixels.
        CopyArea(original_, *redacted_, changed);
        lastRedactDamage_ = Union(changed, ApplyRedactions(*redacted_, doc.items, changed));
    }
    if (!(doc == doc_) || hidden != hidden_)
        dirty_ = true;
    doc_ = doc;
    hidden_ = hidden;
}

void ViewLayers::setView(const ViewTransform& view, int viewW, int viewH) {
    if (view == view_ && viewW == viewW_ && viewH == viewH_)
        return;
    view_ = view;
    viewW_ = std::max(0, viewW);
    viewH_ = std::max(0, viewH);
    dirty_ = true;
}

bool ViewLayers::update() {
    if (!dirty_ || viewW_ == 0 || viewH_ == 0)
        return false;
    rebuildCommitted();
    dirty_ = false;
    return true;
}

void ViewLayers::rebuildCommitted() {
    double s = view_.deviceScale;
    int w = int(std::ceil(viewW_ * s)), h = int(std::ceil(viewH_ * s));
    if (committed_ && (cairo_image_surface_get_width(committed_) != w ||
                       cairo_image_surface_get_height(committed_) != h)) {
        cairo_surface_destroy(committed_);
        committed_ = nullptr;
    }
    if (!committed_) {
        committed_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cairo_surface_set_device_scale(committed_, s, s);
    }
    cairo_t* cr = cairo_create(committed_);
    cairo_set_source_rgb(cr, 0.24, 0.24, 0.25);
    cairo_paint(cr);
    RectI shown = ShownRect(doc_, original_.width(), original_.height());
    cairo_translate(cr, view_.offset.x, view_.offset.y);
    cairo_scale(cr, view_.scale(), view_.scale());
    cairo_translate(cr, -view_.origin.x, -view_.origin.y);
    cairo_rectangle(cr, shown.x, shown.y, shown.w, shown.h);
    cairo_clip(cr);
    if (cairo_surface_t* picture = redacted_->createCairoSurface()) {
        cairo_set_source_surface(cr, picture, 0, 0);
        // At zoom 1 the picture's pixels land on device pixels, copied as they are.
        cairo_pattern_set_filter(cairo_get_source(cr),
                                 view_.zoom == 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
        cairo_paint(cr);
        cairo_surface_destroy(picture);
    }
    DrawOptions options;
    options.hidden = hidden_;
    DrawItems(cr, doc_, options);
    cairo_destroy(cr);
    cairo_surface_flush(committed_);
    ++rebuildCount_;
}

void ViewLayers::paint(cairo_t* cr, const RectI& clip, const Item* live, int liveStepNumber,
                       const Item* selected, const RectF* cropPreview) {
    update();
    cairo_save(cr);
    cairo_rectangle(cr, clip.x, clip.y, clip.w, clip.h);
    cairo_clip(cr);
    if (committed_) {
        cairo_set_source_surface(cr, committed_, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
    }
    cairo_translate(cr, view_.offset.x, view_.offset.y);
    cairo_scale(cr, view_.scale(), view_.scale());
    cairo_translate(cr, -view_.origin.x, -view_.origin.y);
    RectI shown = ShownRect(doc_, original_.width(), original_.height());
    double handle = 8 / view_.scale();
    if (cropPreview) {
        // Everything outside the crop dimmed, the crop outlined.
        cairo_rectangle(cr, shown.x, shown.y, shown.w, shown.h);
        cairo_rectangle(cr, cropPreview->x, cropPreview->y, cropPreview->w, cropPreview->h);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
        cairo_fill(cr);
        cairo_set_line_width(cr, 1 / view_.scale());
        cairo_rectangle(cr, cropPreview->x, cropPreview->y, cropPreview->w, cropPreview->h);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_stroke(cr);
    }
    cairo_save(cr);
    cairo_rectangle(cr, shown.x, shown.y, shown.w, shown.h);
    cairo_clip(cr);
    if (live) {
        if (auto* r = std::get_if<Redact>(live)) {
            // A box being drawn shows its place; its pixels are redacted when it is committed.
            cairo_rectangle(cr, r->r.x, r->r.y, r->r.w, r->r.h);
            cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
            cairo_fill(cr);
        } else {
            DrawItem(cr, *live, liveStepNumber);
        }
    }
    cairo_restore(cr);
    if (selected)
        DrawSelection(cr, *selected, handle);
    cairo_restore(cr);
}

} // namespace tess::annotate
