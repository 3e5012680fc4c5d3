#pragma once
// The small window that counts a snapshot's delay down: the seconds left in large figures,
// near the top right corner of the monitor being captured, above other windows and outside
// the task bar. While it is up it holds the keyboard, so Escape cancels the snapshot
// whatever window has the focus (in a Wayland session, only while it has the focus itself).
#include <optional>
#include <vector>

#include <wx/frame.h>

#include "capture/Snapshot.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/Monitors.h"

namespace tess {

// The window is a square of kCountdownSide pixels, kCountdownInset from the monitor's edges.
inline constexpr int kCountdownSide = 96;
inline constexpr int kCountdownInset = 24;

// Where the window's top left corner goes: the top right corner of the monitor that holds
// the middle of `area`, or the pointer without one; of the whole `screen` when no monitor
// holds that point.
wxPoint CountdownCorner(const std::vector<Monitor>& monitors, const ScreenRect& screen,
                        std::optional<ScreenRect> area, int32_t pointerX, int32_t pointerY);

class CountdownWindow : public wxFrame {
public:
    // The window's name, by which tests and the screenshot tools find it.
    static constexpr const char* kName = "tessaray-countdown";

    // Placed on the monitor that holds the middle of `area`, or the pointer without one.
    explicit CountdownWindow(std::optional<ScreenRect> area);
    ~CountdownWindow() override;

    // Shows `secondsLeft` (mapping the window and taking the keyboard the first time).
    void ShowSeconds(int secondsLeft);
    // Unmaps the window and gives the keyboard back.
    void Unmap();
    // True once Escape was pressed.
    bool cancelled() const { return cancelled_ || escape_.escape; }

private:
    void OnPaint(wxPaintEvent&);
    void OnKey(wxKeyEvent& e);

    int seconds_ = 0;
    bool cancelled_ = false;  // Escape through the toolkit (the window had the focus)
    gtk::EscapeWatch escape_; // Escape through the keyboard grab
};

} // namespace tess
