#pragma once
// SelectR: the window in which the user points at what to capture. It freezes the screen,
// covers the whole desktop with that picture (top-most, no decorations) and lets the user
// click a window, outlined in the selection colour while the mouse is over it, or drag a
// rectangle, framed 3 pixels thick. Run modally: wxID_OK when the left button was
// released, wxID_CANCEL on Esc. When a rectangle is wanted the keyboard helps: Enter before
// a drag recalls the last region, the arrow keys move the rectangle shown (Shift: 10
// pixels; Ctrl: its right and bottom edges, resizing it), also during a drag, and a second
// Enter or a click inside the recalled rectangle chooses it. While a rectangle is chosen the
// window guides: what lies outside the rectangle is dimmed (all of the screen before a drag),
// the rectangle's size is shown beside it, and a line of help near the top of the monitor
// under the pointer (near its bottom while the rectangle lies under it). A change repaints
// only the strips along the edges that moved, and the labels' old and new places.
#include <functional>
#include <optional>
#include <string>

#include <wx/bitmap.h>
#include <wx/dialog.h>

#include "capture/Selection.h"
#include "platform/DesktopServices.h"
#include "resources/ui/Messages.h"

namespace tess {

// Dialog resource of the selection window.
inline constexpr int kSelectRDialogId = 27400;

// The selection colour setting (hexadecimal text, red in the low byte: "ff00ff") as a wx
// colour; magenta when the text is empty or no hexadecimal number.
wxColour SelectionColour(const std::string& selColor);

class SelectR : public wxDialog {
public:
    // `rectOut` asks for a rectangle, `windowOut` for a window (either may be null).
    // `topLevelFirst`: plain pointing finds top-level windows, pointing with Shift held
    // finds child windows. `desktop` beeps when a new window is outlined. `screen` is the
    // window thread's connection normally.
    SelectR(wxWindow* parent, DesktopServices& desktop, const wxColour& colour, ScreenRect* rectOut,
            WindowId* windowOut, bool topLevelFirst,
            ScreenConnection* screen = WindowThreadScreen());
    ~SelectR() override;

    int ShowModal() override;

    // The rectangle Enter recalls (the last region), none for nothing to recall.
    void SetLastRegion(std::optional<ScreenRect> last) { last_ = last; }

    // The desktop rectangle covered, the frozen picture of it, the frame now drawn (around
    // the outlined window or the drag), whether a drag is under way.
    const ScreenRect& covered() const { return covered_; }
    const wxBitmap& frozen() const { return frozen_; }
    // Where the size label and the help line are shown (none while not shown).
    std::optional<ScreenRect> sizeLabel() const { return label_; }
    std::optional<ScreenRect> helpLine() const { return help_; }
    std::optional<ScreenRect> shownFrame() const { return shown_; }
    bool dragging() const { return dragging_; }

    // The selection window now open, or null (tests drive it through this).
    static SelectR* Active();

private:
    void OnPaint(wxPaintEvent& e);
    void OnEraseBackground(wxEraseEvent&) {}
    void OnMouseMove(wxMouseEvent& e);
    void OnLeftDown(wxMouseEvent& e);
    void OnLeftUp(wxMouseEvent& e);
    void OnCaptureLost(wxMouseCaptureLostEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void OnMessage(PrivateMessageEvent& e);

    wxPoint ScreenPoint(const wxMouseEvent& e) const;
    void OutlineWindowAt(const wxPoint& p, bool shift);
    void UpdateDrag(const wxPoint& p);
    void ShowFrame(std::optional<ScreenRect> frame);
    void RefreshFrame(const ScreenRect& r);
    void RefreshScreenRect(const ScreenRect& r);
    // True when the rectangle's guidance is painted (a rectangle is being chosen).
    bool Guides() const { return rectOut_ && !windowOut_; }
    // The label and help line for the rectangle `frame`, refreshed where they change.
    void PlaceGuidance(const std::optional<ScreenRect>& frame);
    // Drawing at `origin`, the screen's origin in the window.
    void DrawBitmapPart(wxDC& dc, const wxPoint& origin, const wxBitmap& bitmap,
                        const ScreenRect& part);
    void DrawBox(wxDC& dc, const wxPoint& origin, const ScreenRect& box, const wxString& text);
    void Finish(int code);
    void Choose(const ScreenRect& r);
    bool OnSelectionKey(const wxKeyEvent& e);

    DesktopServices& desktop_;
    wxWindow* canvas_ = nullptr;
    wxColour colour_;
    ScreenRect* rectOut_;
    WindowId* windowOut_;
    bool topLevelFirst_;
    ScreenConnection* screen_;
    ScreenRect covered_;
    wxBitmap frozen_;
    wxBitmap dimmed_;    // the frozen picture, darker: what lies outside the rectangle
    ScreenRect monitor_; // the monitor under the pointer when the window opened
    wxFont font_;
    wxString labelText_;
    std::optional<ScreenRect> label_;
    std::optional<ScreenRect> help_;
    std::optional<ScreenRect> shown_;
    bool dragging_ = false;
    std::optional<ScreenRect> last_;
    // The rectangle recalled by Enter and moved by the keys, before any drag.
    std::optional<ScreenRect> recalled_;
    // What the keys moved the dragged corner away from the pointer.
    wxPoint pointerShift_;
    // The button went down inside the recalled rectangle: its release chooses it.
    bool chooseOnRelease_ = false;

    wxDECLARE_EVENT_TABLE();
};

// Runs SelectR in the selection colour of the settings over the frame of `window` (or over
// `window` without a frame) for a rectangle or a window; false when cancelled.
bool RunSelectR(wxWindow* window, DesktopServices& desktop, ScreenRect* rect, WindowId* windowOut);

} // namespace tess
