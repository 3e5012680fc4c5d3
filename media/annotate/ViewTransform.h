#pragma once
// Where the picture lies in the editor's canvas. Three kinds of units meet here:
//  - picture pixels (the items' coordinates; a crop's origin is still in them),
//  - view units, the canvas's logical pixels (pointer events, window sizes),
//  - device pixels (view units times the device scale, the content scale factor).
// At zoom 1 one picture pixel is one device pixel, so with a device scale of 2 a picture
// pixel is half a view unit.
#include "media/annotate/Annotation.h"

namespace tess::annotate {

struct ViewTransform {
    double zoom = 1;        // device pixels per picture pixel
    double deviceScale = 1; // device pixels per view unit
    PointF offset;          // where the picture's `origin` lands, in view units
    PointF origin;          // the picture point shown at `offset` (a crop's corner)

    // View units per picture pixel.
    double scale() const { return zoom / deviceScale; }
    PointF toPicture(PointF view) const;
    PointF toView(PointF picture) const;
    RectF toView(const RectF& picture) const;
    RectF toPicture(const RectF& view) const;
    // The view rectangle to repaint for a picture rectangle: whole view units, grown by
    // `margin` view units for anti-aliased edges.
    RectI damage(const RectF& picture, int margin = 2) const;

    // The transform showing `shown` (picture pixels) whole in a `viewW` x `viewH` canvas
    // (view units), centred, never above zoom 1 (at least a tiny zoom).
    static ViewTransform Fit(const RectI& shown, double viewW, double viewH, double deviceScale);
    // Zoom `zoom` with `shown` centred in the canvas (or at its top-left when larger).
    static ViewTransform At(double zoom, const RectI& shown, double viewW, double viewH,
                            double deviceScale);
    // The same view zoomed by `factor` (clamped to 1/64 .. 16) keeping the picture point
    // under `anchor` (view units) in place.
    ViewTransform zoomedAt(double factor, PointF anchor) const;
    // The same view moved by (dx, dy) view units.
    ViewTransform panned(double dx, double dy) const;

    bool operator==(const ViewTransform&) const = default;
};

// The part of the picture the editor shows: the crop (clipped to the picture) or the whole.
RectI ShownRect(const Document& doc, int pictureW, int pictureH);

} // namespace tess::annotate
