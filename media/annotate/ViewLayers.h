#pragma once
// The editor's cached pictures, so that a pointer move repaints only what it changes:
//  - L0, the picture with the redactions applied, at picture size; recomputed only inside
//    the redactions that changed (old and new places).
//  - L1, the committed view: L0 scaled into the canvas with every committed item drawn over
//    it, at device size (its Cairo device scale is the view's); rebuilt when the document,
//    the hidden item or the view changes.
// A paint copies the damaged part of L1 and draws only the live item and the selection.
#include <cstdint>
#include <memory>
#include <optional>

#include "media/MemBm.h"
#include "media/annotate/Annotation.h"
#include "media/annotate/ViewTransform.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace tess::annotate {

class ViewLayers {
public:
    // `original` is the captured picture; it must outlive the layers and is never changed.
    explicit ViewLayers(const MemBm& original);
    ~ViewLayers();
    ViewLayers(const ViewLayers&) = delete;
    ViewLayers& operator=(const ViewLayers&) = delete;

    // The document to show, and the item left out of L1 (dragged or edited as text).
    // L0 is brought up to date at once; L1 at the next update or paint.
    void setDocument(const Document& doc, std::optional<size_t> hidden = {});
    // The canvas: its transform and its size in view units.
    void setView(const ViewTransform& view, int viewW, int viewH);
    // Rebuilds L1 when it is out of date; true when it was rebuilt.
    bool update();

    // Paints the canvas area `clip` (view units) on `cr`, which draws in view units: L1,
    // then the live item (with its step number), the selected item's outline and grips, and
    // the crop being drawn (the rest of the picture dimmed).
    void paint(cairo_t* cr, const RectI& clip, const Item* live = nullptr, int liveStepNumber = 0,
               const Item* selected = nullptr, const RectF* cropPreview = nullptr);

    const MemBm& original() const { return original_; }
    // L0.
    const MemBm& redacted() const { return *redacted_; }
    // L1 (null before the first update with a view).
    cairo_surface_t* committed() const { return committed_; }
    const ViewTransform& view() const { return view_; }
    // The picture rectangle the last setDocument recomputed in L0 (empty when none).
    const RectI& lastRedactDamage() const { return lastRedactDamage_; }
    // How often L1 was rebuilt (for tests and the benchmark).
    int rebuildCount() const { return rebuildCount_; }

private:
    void rebuildCommitted();

    const MemBm& original_;
    std::unique_ptr<MemBm> redacted_;
    Document doc_;
    std::optional<size_t> hidden_;
    ViewTransform view_;
    int viewW_ = 0, viewH_ = 0;
    cairo_surface_t* committed_ = nullptr;
    bool dirty_ = true;
    RectI lastRedactDamage_;
    int rebuildCount_ = 0;
};

} // namespace tess::annotate
