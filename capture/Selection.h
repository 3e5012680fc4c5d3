#pragma once
// The logic of choosing what to capture, apart from the selection window that shows it:
// the window under the cursor (the smallest visible window that contains the point, not the
// frontmost one), the rectangle of a drag, the frame drawn around either, the rule that
// beeps once per newly outlined window, and the geometry of the rectangle's guidance (the
// dimmed surroundings, the size label, the help line, what a change repaints).
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/x11/Screen.h"

namespace tess {

// Thickness of the selection frame in pixels.
inline constexpr int32_t kSelectionFrame = 3;

// The windows as the finder sees them; the screen's, or a test's own.
class WindowTree {
public:
    virtual ~WindowTree() = default;
    // The desktop window and the bounds of the search (the whole desktop).
    virtual WindowId desktop() = 0;
    virtual ScreenRect desktopBounds() = 0;
    // Children, topmost first.
    virtual std::vector<WindowId> children(WindowId w) = 0;
    // Rectangle and visibility; none when the window is gone.
    virtual std::optional<WindowState> state(WindowId w) = 0;
};

// The tree of windows on an X screen.
class ScreenWindowTree : public WindowTree {
public:
    explicit ScreenWindowTree(ScreenConnection& screen) : screen_(screen) {}
    WindowId desktop() override { return screen_.root(); }
    ScreenRect desktopBounds() override { return screen_.desktopRect(); }
    std::vector<WindowId> children(WindowId w) override { return screen_.children(w); }
    std::optional<WindowState> state(WindowId w) override { return screen_.windowState(w); }

private:
    ScreenConnection& screen_;
};

// The deep flag of a search: pointing alone finds top-level windows and pointing with Shift
// held finds child windows when topLevelFirst is set (every caller sets it).
inline bool DeepSearch(bool topLevelFirst, bool shiftDown) {
    return shiftDown ? topLevelFirst : !topLevelFirst;
}

// The window under (x, y): 0 when the point is off the desktop; the desktop window when no
// smaller window contains it. Among the visible windows containing the point (edges
// included) the one of smallest non-zero area wins, the first met (topmost) among equals.
// Without `deep` only the desktop's children are candidates; with it the search goes down
// into each of them.
WindowId FindWindowAt(WindowTree& tree, int32_t x, int32_t y, bool deep);

// The rectangle spanned by two points, whichever way the drag went.
ScreenRect DragRect(int32_t ax, int32_t ay, int32_t bx, int32_t by);

// `r` moved by (dx, dy), or with `resize` its right and bottom edges moved (keeping at
// least 1 x 1), kept within `bounds`: the keyboard's steps on a rectangle.
ScreenRect StepRect(const ScreenRect& r, int32_t dx, int32_t dy, bool resize,
                    const ScreenRect& bounds);

// The four bars of the frame around `r`, just outside it, `thickness` pixels thick: below,
// above, left, right.
std::array<ScreenRect, 4> FrameBars(const ScreenRect& r, int32_t thickness = kSelectionFrame);

// The guidance painted while a rectangle is chosen: what lies outside the rectangle is
// dimmed, its size is shown in a label next to it and a line of help on the monitor.

// A colour channel of the frozen screen as shown dimmed (outside the rectangle).
inline uint8_t DimmedChannel(uint8_t v) {
    return static_cast<uint8_t>(v * 112 / 256);
}

// The parts of `bounds` outside `r`: above, below, left, right (some may be empty); all of
// `bounds` (and three empty ones) without a rectangle.
std::array<ScreenRect, 4> OutsideParts(const ScreenRect& bounds,
                                       const std::optional<ScreenRect>& r);

// Where a label of `width` x `height` pixels showing the size of `r` goes: under the frame,
// its right edge under the rectangle's; above the frame when there is no room below; inside
// the rectangle's bottom right corner when there is none above either; always within
// `bounds`.
ScreenRect SizeLabelRect(const ScreenRect& r, int32_t width, int32_t height,
                         const ScreenRect& bounds);

// Where the help line of `width` x `height` pixels goes: centred near the top of `monitor`,
// or near its bottom while the rectangle `r` (with its frame) would lie under it.
ScreenRect HelpLineRect(const ScreenRect& monitor, int32_t width, int32_t height,
                        const std::optional<ScreenRect>& r);

// What must be repainted when the rectangle shown changes from `from` to `to` (either may
// be none), its frame `thickness` pixels outside it: for two rectangles, only strips along
// the edges that moved (each as wide as the move and the frame), so a drag repaints little
// however large the rectangle; the whole rectangle with its frame when one is none; nothing
// when they are equal.
std::vector<ScreenRect> ChangedAreas(const std::optional<ScreenRect>& from,
                                     const std::optional<ScreenRect>& to,
                                     int32_t thickness = kSelectionFrame);

// The rectangle common to `a` and `b` (empty when they do not meet).
ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b);

// Remembers the window outlined last (process-wide in the program, across selections): a
// window is outlined, with one beep, only when it differs from the last one.
class OutlineTracker {
public:
    // True when `w` is a new window to outline (and remembered as the last one).
    bool moveTo(WindowId w) {
        if (w == last_)
            return false;
        last_ = w;
        return true;
    }
    WindowId last() const { return last_; }

private:
    WindowId last_ = 0;
};

// The program's one tracker.
OutlineTracker& LastOutlined();

} // namespace tess
