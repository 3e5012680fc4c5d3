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
