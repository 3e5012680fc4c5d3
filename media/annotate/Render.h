#pragma once
// Drawing the mark-up: one path for the editor's view and the saved picture. DrawItems
// draws in picture pixels on a Cairo context the caller has transformed (the view scales it,
// Save draws at 1:1), so what the view shows is what Save writes. Redactions are not drawn
// by it: they change the picture itself (ApplyRedactions) before any item is drawn.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "media/MemBm.h"
#include "media/annotate/Annotation.h"

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace tess::annotate {

// The font family of text items (fontconfig falls back for other scripts); the editor's
// text control uses it too.
inline constexpr const char* kTextFamily = "Sans";

struct DrawOptions {
    // Items not drawn: the one being dragged (drawn live instead) or edited as text.
    std::optional<size_t> hidden;
    // Only items whose bounds meet this rectangle (picture pixels) are drawn; all when empty.
    RectF only;
};

// Draws every item of `doc` except redactions, bottom to top, in picture coordinates.
void DrawItems(cairo_t* cr, const Document& doc, const DrawOptions& options = {});
// Draws one item (a redaction draws nothing); `stepNumber` is the number a step shows.
void DrawItem(cairo_t* cr, const Item& item, int stepNumber = 0);
// The outline and grips of a selected item, `handleSize` picture pixels wide.
void DrawSelection(cairo_t* cr, const Item& item, double handleSize);

// Applies the redactions of `items` to `picture` (other items are ignored). A box's own
// pixels are never read: Solid fills it with its colour; Mosaic fills it with blocks
// coloured from the one-pixel ring just outside it (ring pixels inside any of the boxes are
// skipped) plus fixed noise from the block index. Whole pixels, no anti-aliasing; boxes are
// clipped to the picture.
void ApplyRedactions(MemBm& picture, const std::vector<Item>& items);
// Applies again only the redactions that a change inside `area` can affect: those meeting the
// area or its ring, and those overlapping them. The caller has restored the original pixels
// in `area` first. Returns the rectangle written (empty when none).
RectI ApplyRedactions(MemBm& picture, const std::vector<Item>& items, const RectI& area);
// The mosaic's block size for a box.
int MosaicBlockSize(const RectI& box);

// The saved picture: a copy of `original` with the redactions applied, the other items
// drawn over it, then cut to the crop (the crop is clipped to the picture). Copy uses the
// same picture.
std::unique_ptr<MemBm> RenderForSave(const MemBm& original, const Document& doc);

// Text layout in picture pixels: an absolute font size, unhinted metrics, so the layout
// scales linearly with the view's zoom. The layout belongs to the caller
// (g_object_unref). `cr` may be null (a layout for measuring only).
PangoLayout* CreateTextLayout(cairo_t* cr, const Text& text);
// The logical size of a text's lines in picture pixels (the default TextMeasure).
SizeF MeasureText(const Text& text);
// The backdrop's padding around the lines of a text (0.3 em).
double BackdropPadding(const Text& text);
// The backdrop colour chosen for a text colour: white behind dark text, black behind light.
uint32_t BackdropColor(uint32_t textColor);

} // namespace tess::annotate
