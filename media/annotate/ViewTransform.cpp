#include "media/annotate/ViewTransform.h"

#include <algorithm>
#include <cmath>

namespace tess::annotate {

namespace {

constexpr double kMinZoom = 1.0 / 64, kMaxZoom = 16;

// Offsets on whole device pixels, so that at zoom 1 picture pixels meet device pixels.
double DeviceRound(double v, double deviceScale) {
    return std::round(v * deviceScale) / deviceScale;
}

} // namespace

PointF ViewTransform::toPicture(PointF view) const {
    double s = scale();
    return {(view.x - offset.x) / s + origin.x, (view.y - offset.y) / s + origin.y};
}

PointF ViewTransform::toView(PointF picture) const {
    double s = scale();
    return {(picture.x - origin.x) * s + offset.x, (picture.y - origin.y) * s + offset.y};
}

RectF ViewTransform::toView(const RectF& picture) const {
    PointF a = toView(PointF{picture.x, picture.y});
    return {a.x, a.y, picture.w * scale(), picture.h * scale()};
}

RectF ViewTransform::toPicture(const RectF& view) const {
    PointF a = toPicture(PointF{view.x, view.y});
    return {a.x, a.y, view.w / scale(), view.h / scale()};
}

RectI ViewTransform::damage(const RectF& picture, int margin) const {
    if (picture.empty())
        return {};
    RectI r = OutwardPixels(toView(picture));
    return {r.x - margin, r.y - margin, r.w + 2 * margin, r.h + 2 * margin};
}

ViewTransform ViewTransform::At(double zoom, const RectI& shown, double viewW, double viewH,
                                double deviceScale) {
    ViewTransform t;
    t.deviceScale = deviceScale > 0 ? deviceScale : 1;
    t.zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    t.origin = {double(shown.x), double(shown.y)};
    double w = shown.w * t.scale(), h = shown.h * t.scale();
    t.offset = {DeviceRound(std::max(0.0, (viewW - w) / 2), t.deviceScale),
                DeviceRound(std::max(0.0, (viewH - h) / 2), t.deviceScale)};
    return t;
}

ViewTransform ViewTransform::Fit(const RectI& shown, double viewW, double viewH,
                                 double deviceScale) {
    double s = deviceScale > 0 ? deviceScale : 1;
    double zoom = 1;
    if (shown.w > 0 && shown.h > 0)
        zoom = std::min({1.0, viewW * s / shown.w, viewH * s / shown.h});
    return At(zoom, shown, viewW, viewH, s);
}

ViewTransform ViewTransform::zoomedAt(double factor, PointF anchor) const {
    ViewTransform t = *this;
    PointF p = toPicture(anchor);
    t.zoom = std::clamp(zoom * factor, kMinZoom, kMaxZoom);
    // Keep p under the anchor: anchor = (p - origin) * scale + offset.
    t.offset = {DeviceRound(anchor.x - (p.x - origin.x) * t.scale(), deviceScale),
                DeviceRound(anchor.y - (p.y - origin.y) * t.scale(), deviceScale)};
    return t;
}

ViewTransform ViewTransform::panned(double dx, double dy) const {
    ViewTransform t = *this;
    t.offset = {DeviceRound(offset.x + dx, deviceScale), DeviceRound(offset.y + dy, deviceScale)};
    return t;
}

RectI ShownRect(const Document& doc, int pictureW, int pictureH) {
    RectI whole{0, 0, pictureW, pictureH};
    if (doc.crop) {
        RectI c = Intersect(*doc.crop, whole);
        if (!c.empty())
            return c;
    }
    return whole;
}

} // namespace tess::annotate
