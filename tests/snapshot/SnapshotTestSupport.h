#pragma once
// Pieces shared by the snapshot tests: scripted input for modal windows, synthesized mouse
// and key events, settings for a quiet snapshot, reading the pictures written.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include "settings/Settings.h"
#include "support/Pump.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess::test {

// A step of a script: true when done, false to be tried again on the next tick.
using Step = std::function<bool()>;

// Runs `steps` from a timer, one per tick (every `ms`), while a modal window's loop runs.
// After `limitTicks` ticks it gives up: `onGiveUp` is called each tick (close the window there).
class Script {
public:
    Script(std::vector<Step> steps, std::function<void()> onGiveUp, int ms = 40,
           int limitTicks = 250)
        : steps_(std::move(steps)), giveUp_(std::move(onGiveUp)), limit_(limitTicks) {
        timer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            if (++ticks_ > limit_) {
                if (giveUp_)
                    giveUp_();
            } else if (next_ < steps_.size() && steps_[next_]()) {
                ++next_;
            }
        });
        timer_.Start(ms);
    }
    ~Script() { timer_.Stop(); }
    bool finished() const { return next_ >= steps_.size(); }

private:
    std::vector<Step> steps_;
    std::function<void()> giveUp_;
    int limit_, ticks_ = 0;
    size_t next_ = 0;
    wxTimer timer_;
};

// A mouse event at screen point `p`, sent straight to `w`'s handlers.
inline void SendMouse(wxWindow& w, wxEventType type, wxPoint p, bool shift = false,
                      bool leftDown = false) {
    wxMouseEvent e(type);
    e.SetPosition(w.ScreenToClient(p));
    e.SetEventObject(&w);
    e.SetId(w.GetId());
    e.SetShiftDown(shift);
    e.SetLeftDown(leftDown || type == wxEVT_LEFT_DOWN);
    w.GetEventHandler()->ProcessEvent(e);
}

// A key press with modifiers (wxMOD_SHIFT, wxMOD_CONTROL), sent as the window's char hook.
inline void SendKey(wxWindow& w, int key, int modifiers = 0) {
    wxKeyEvent e(wxEVT_CHAR_HOOK);
    e.m_keyCode = key;
    e.SetShiftDown((modifiers & wxMOD_SHIFT) != 0);
    e.SetControlDown((modifiers & wxMOD_CONTROL) != 0);
    e.SetEventObject(&w);
    w.GetEventHandler()->ProcessEvent(e);
}

// A step that runs `fn` once.
inline Step Do(std::function<void()> fn) {
    return [fn] { return fn(), true; };
}

// The tests need a display and the toolkit.
#define TESS_NEED_WX()                                                                             \
    if (!::tess::test::HaveDisplay() || !wxTheApp)                                                 \
    GTEST_SKIP() << "no X display"

// The pixels of the picture file `path`; empty, with a failure, unless it is w x h.
inline std::vector<uint32_t> PixelsSized(const std::string& path, int w, int h) {
    int gw = 0, gh = 0;
    auto px = ReadPixels(path, &gw, &gh);
    EXPECT_EQ(std::pair(gw, gh), std::pair(w, h)) << path;
    return gw == w && gh == h ? px : std::vector<uint32_t>{};
}

// The pixels of the w x h block at (x0, y0) of `px` (`stride` wide) unlike test::Pattern.
inline int PatternMismatches(const std::vector<uint32_t>& px, int stride, int x0, int y0, int w,
                             int h) {
    int bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bad += px[static_cast<size_t>(y0 + y) * stride + x0 + x] != Pattern(x, y);
    return bad;
}

// Pixels of the 960 x 1080 picture `path` unlike that block of the 1920 x 1080 `screen` at
// `left` (a monitor of test::TwoMonitors); -1 for a missing picture.
inline int HalfMismatches(const std::string& path, const std::vector<uint32_t>& screen, int left) {
    const auto half = PixelsSized(path, 960, 1080);
    int differ = half.empty() || screen.size() != 1920u * 1080 ? -1 : 0;
    for (size_t i = 0; differ >= 0 && i < half.size(); ++i)
        differ += half[i] != screen[i / 960 * 1920 + left + i % 960];
    return differ;
}

// Settings for a snapshot into `dir`: PNG, no delay, no caption, no cursor, no display.
inline Settings QuietSnapshotSettings(const std::string& dir) {
    Settings s;
    s.defaultDirectory = dir;
    s.fileSnapName = "Tess";
    s.imageFormat = s.captureAction = 0;
    s.captureDelay = s.cursor = s.capEnable = s.displayOpenAuto = s.vidStealth = false;
    s.copyToClipboard = s.notify = false;
    return s;
}

} // namespace tess::test
