#include "capture/CountdownWindow.h"

#include "platform/x11/Monitors.h"
#include "platform/x11/Screen.h"

#include <wx/dcbuffer.h>
#include <wx/utils.h>

namespace tess {

namespace {

constexpr int kSide = 96;  // the window is a square of this many pixels
constexpr int kInset = 24; // from the monitor's edges

// The monitor that holds the middle of the area, else the pointer's; the screen when none.
wxRect MonitorFor(std::optional<ScreenRect> area) {
    ScreenConnection* screen = WindowThreadScreen();
    if (!screen)
        return wxRect(wxGetDisplaySize());
    int32_t x = 0, y = 0;
    if (area) {
        x = (area->left + area->right) / 2;
        y = (area->top + area->bottom) / 2;
    } else {
        screen->pointer(&x, &y);
    }
    const ScreenRect r = MonitorRectAt(*screen, x, y);
    return wxRect(r.left, r.top, r.width(), r.height());
}

} // namespace

CountdownWindow::CountdownWindow(std::optional<ScreenRect> area)
    : wxFrame(nullptr, wxID_ANY, "Tessaray", wxDefaultPosition, wxSize(kSide, kSide),
              wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW, kName) {
    const wxRect monitor = MonitorFor(area);
    const wxPoint corner(monitor.GetRight() + 1 - kInset - kSide, monitor.GetTop() + kInset);
    gtk::AskForUserPosition(GetHandle(), corner.x, corner.y);
    SetPosition(corner);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CountdownWindow::OnPaint, this);
    Bind(wxEVT_CHAR_HOOK, &CountdownWindow::OnKey, this);
    Bind(wxEVT_KEY_DOWN, &CountdownWindow::OnKey, this);
}

CountdownWindow::~CountdownWindow() {
    gtk::StopWatchingEscape(&escape_);
}

void CountdownWindow::ShowSeconds(int secondsLeft) {
    seconds_ = secondsLeft;
    if (!IsShown()) {
        ShowWithoutActivating();
        Raise();
    }
    Refresh();
    Update();
    gtk::WatchEscape(GetHandle(), &escape_);
}

void CountdownWindow::Unmap() {
    gtk::StopWatchingEscape(&escape_);
    Hide();
}

void CountdownWindow::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBrush(wxBrush(wxColour(32, 32, 32)));
    dc.SetPen(wxPen(wxColour(200, 200, 200), 2));
    dc.DrawRectangle(wxPoint(0, 0), size);
    dc.SetFont(wxFontInfo(40).Bold());
    dc.SetTextForeground(*wxWHITE);
    const wxString text = wxString::Format("%d", seconds_);
    const wxSize t = dc.GetTextExtent(text);
    dc.DrawText(text, (size.x - t.x) / 2, (size.y - t.y) / 2 - 6);
    dc.SetFont(wxFontInfo(7));
    dc.SetTextForeground(wxColour(200, 200, 200));
    const wxString hint = "Esc: cancel";
    const wxSize h = dc.GetTextExtent(hint);
    dc.DrawText(hint, (size.x - h.x) / 2, size.y - h.y - 6);
}

void CountdownWindow::OnKey(wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_ESCAPE)
        cancelled_ = true;
    else
        e.Skip();
}

} // namespace tess
