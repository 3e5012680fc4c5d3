#include "capture/Selection.h"

#include <algorithm>

namespace tess {

namespace {

int64_t Area(const ScreenRect& r) {
    if (r.empty())
        return 0;
    return static_cast<int64_t>(r.width()) * r.height();
}

// The best window at (x, y) below `current`, whose bounds are `bounds`; 0 when the point is
// outside them. `depth` keeps a broken tree from recursing without end.
WindowId Search(WindowTree& tree, WindowId current, const ScreenRect& bounds, int32_t x, int32_t y,
                bool deep, int depth) {
    if (!bounds.containsInclusive(x, y))
        return 0;
    WindowId best = current;
    int64_t bestArea = Area(bounds);
    if (depth > 64)
        return best;
    for (WindowId child : tree.children(current)) {
        auto st = tree.state(child);
        if (!st || !st->viewable || st->inputOnly || !st->rect.containsInclusive(x, y))
            continue;
        WindowId candidate = child;
        ScreenRect candidateRect = st->rect;
        if (deep) {
            candidate = Search(tree, child, st->rect, x, y, deep, depth + 1);
            if (candidate != child) {
                auto cst = tree.state(candidate);
                if (!cst)
                    continue;
                candidateRect = cst->rect;
            }
        }
        int64_t a = Area(candidateRect);
        if (a > 0 && a < bestArea) {
            best = candidate;
            bestArea = a;
        }
    }
    return best;
}

} // namespace

WindowId FindWindowAt(WindowTree& tree, int32_t x, int32_t y, bool deep) {
    return Search(tree, tree.desktop(), tree.desktopBounds(), x, y, deep, 0);
}

ScreenRect DragRect(int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
}

std::array<ScreenRect, 4> FrameBars(const ScreenRect& r, int32_t t) {
    return {{
        {r.left, r.bottom, r.right, r.bottom + t}, // below
        {r.left, r.top - t, r.right, r.top},       // above
        {r.left - t, r.top, r.left, r.bottom},     // left
        {r.right, r.top, r.right + t, r.bottom},   // right
    }};
}

ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
    ScreenRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.empty() ? ScreenRect{} : r;
}

std::array<ScreenRect, 4> OutsideParts(const ScreenRect& bounds,
                                       const std::optional<ScreenRect>& r) {
    const ScreenRect in = r ? Intersection(*r, bounds) : ScreenRect{};
    if (in.empty())
        return {{bounds, {}, {}, {}}};
    return {{
        {bounds.left, bounds.top, bounds.right, in.top},       // above
        {bounds.left, in.bottom, bounds.right, bounds.bottom}, // below
        {bounds.left, in.top, in.left, in.bottom},             // left
        {in.right, in.top, bounds.right, in.bottom},           // right
    }};
}

namespace {

// The gap between the frame and a label beside it.
constexpr int32_t kLabelGap = 4;

// `x` moved so that [x, x + size) lies within [low, high) where it fits, else at `low`.
int32_t KeepWithin(int32_t x, int32_t size, int32_t low, int32_t high) {
    return std::max(low, std::min(x, high - size));
}

ScreenRect Sized(int32_t x, int32_t y, int32_t width, int32_t height) {
    return {x, y, x + width, y + height};
}

} // namespace

ScreenRect SizeLabelRect(const ScreenRect& r, int32_t width, int32_t height,
                         const ScreenRect& bounds) {
    const int32_t outside = kSelectionFrame + kLabelGap;
    int32_t y = r.bottom + outside;
    if (y + height > bounds.bottom) {
        y = r.top - outside - height;
        if (y < bounds.top)
            y = r.bottom - kLabelGap - height;
    }
    const int32_t x = KeepWithin(r.right - width, width, bounds.left, bounds.right);
    return Sized(x, KeepWithin(y, height, bounds.top, bounds.bottom), width, height);
}

ScreenRect HelpLineRect(const ScreenRect& monitor, int32_t width, int32_t height,
                        const std::optional<ScreenRect>& r) {
    constexpr int32_t kMargin = 16;
    const int32_t x = KeepWithin(monitor.left + (monitor.width() - width) / 2, width, monitor.left,
                                 monitor.right);
    ScreenRect top = Sized(x, monitor.top + kMargin, width, height);
    if (!r)
        return top;
    const ScreenRect framed{r->left - kSelectionFrame, r->top - kSelectionFrame,
                            r->right + kSelectionFrame, r->bottom + kSelectionFrame};
    if (Intersection(top, framed).empty())
        return top;
    return Sized(x, monitor.bottom - kMargin - height, width, height);
}

std::vector<ScreenRect> ChangedAreas(const std::optional<ScreenRect>& from,
                                     const std::optional<ScreenRect>& to, int32_t t) {
    if (from == to)
        return {};
    if (!from || !to) {
        const ScreenRect& r = from ? *from : *to;
        return {{r.left - t, r.top - t, r.right + t, r.bottom + t}};
    }
    const ScreenRect& a = *from;
    const ScreenRect& b = *to;
    // The span of both along each axis, frames included.
    const int32_t top = std::min(a.top, b.top) - t, bottom = std::max(a.bottom, b.bottom) + t;
    const int32_t left = std::min(a.left, b.left) - t, right = std::max(a.right, b.right) + t;
    std::vector<ScreenRect> out;
    // A strip from the frame outside the outer position of an edge to its inner position:
    // between the two all has changed between dimmed and clear, and the frames lie there.
    if (a.left != b.left)
        out.push_back({std::min(a.left, b.left) - t, top, std::max(a.left, b.left), bottom});
    if (a.right != b.right)
        out.push_back({std::min(a.right, b.right), top, std::max(a.right, b.right) + t, bottom});
    if (a.top != b.top)
        out.push_back({left, std::min(a.top, b.top) - t, right, std::max(a.top, b.top)});
    if (a.bottom != b.bottom)
        out.push_back(
            {left, std::min(a.bottom, b.bottom), right, std::max(a.bottom, b.bottom) + t});
    return out;
}

OutlineTracker& LastOutlined() {
    static OutlineTracker tracker;
    return tracker;
}

ScreenRect StepRect(const ScreenRect& r, int32_t dx, int32_t dy, bool resize,
                    const ScreenRect& bounds) {
    ScreenRect out = r;
    if (resize) {
        out.right = std::max(out.left + 1, std::min(out.right + dx, bounds.right));
        out.bottom = std::max(out.top + 1, std::min(out.bottom + dy, bounds.bottom));
        return out;
    }
    // The rectangle stops at the bounds' edges (one larger than the bounds keeps its left
    // and top edge inside).
    dx = std::max(std::min(dx, bounds.right - r.right), bounds.left - r.left);
    dy = std::max(std::min(dy, bounds.bottom - r.bottom), bounds.top - r.top);
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

} // namespace tess
