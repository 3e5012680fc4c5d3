#include "capture/CountdownWindow.h"

#include "platform/x11/Monitors.h"
#include "platform/x11/Screen.h"

#include <wx/dcbuffer.h>
#include <wx/utils.h>

namespace tess {

namespace {

// The window's corner on the screen of the window thread.
wxPoint CornerFor(std::optional<ScreenRect> area) {
    ScreenConnection* screen = WindowThreadScreen();
    if (!screen) {
        const wxSize size = wxGetDisplaySize();
        return CountdownCorner({}, {0, 0, size.x, size.y}, area, 0, 0);
    }
    int32_t x = 0, y = 0;
    if (!area)
        screen->pointer(&x, &y);
    return CountdownCorner(ListMonitors(*screen), screen->screenRect(), area, x, y);
}

} // namespace

wxPoint CountdownCorner(const std::vector<Monitor>& monitors, const ScreenRect& screen,
                        std::optional<ScreenRect> area, int32_t pointerX, int32_t pointerY) {
    int32_t x = pointerX, y = pointerY;
    if (area) {
        x = area->left + (area->right - area->left) / 2;
        y = area->top + (area->bottom - area->top) / 2;
    }
    const Monitor* m = MonitorAt(monitors, x, y);
    const ScreenRect r = m ? m->rect : screen;
    return wxPoint(r.right - kCountdownInset - kCountdownSide, r.top + kCountdownInset);
}

CountdownWindow::CountdownWindow(std::optional<ScreenRect> area)
    : wxFrame(nullptr, wxID_ANY, "Tessaray", wxDefaultPosition,
              wxSize(kCountdownSide, kCountdownSide),
              wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW, kName) {
    const wxPoint corner = CornerFor(area);
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
    // TRANSLATORS: under the snapshot's countdown; Esc is the key's name
    const wxString hint = _("Esc: cancel");
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
