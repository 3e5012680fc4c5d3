#pragma once
// The logic of choosing what to capture, apart from the selection window that shows it:
// the window under the cursor (the smallest visible window that contains the point, not the
// frontmost one), the rectangle of a drag, the frame drawn around either, and the rule that
// beeps once per newly outlined window.
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
