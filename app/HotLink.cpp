#include "app/HotLink.h"

#include <cctype>
#include <wx/dcclient.h>
#include <wx/renderer.h>

namespace tess {

namespace {

// The link's text colour, a dark blue.
const wxColour kLinkColour(0x00, 0x00, 0xC0);
// Room around the text for the focus rectangle.
constexpr int kFocusGap = 2;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

std::string HotLinkUrl(std::string_view address) {
    // "scheme://" (letters, digits, "+", "-", "." after a letter), or one of the schemes
    // written without "//". "www.x.org:8080" has no scheme: it is a host and a port.
    size_t i = 0;
    if (!address.empty() && std::isalpha(static_cast<unsigned char>(address[0]))) {
        while (i < address.size() && (std::isalnum(static_cast<unsigned char>(address[i])) ||
                                      address[i] == '+' || address[i] == '-' || address[i] == '.'))
            ++i;
        if (address.substr(i, 3) == "://")
            return std::string(address);
    }
    for (std::string_view scheme : {"mailto:", "file:", "news:", "tel:", "urn:", "data:"})
        if (StartsWithNoCase(address, scheme))
            return std::string(address);
    if (address.empty())
        return {};
    return "http://" + std::string(address);
}

THotLink::THotLink(wxWindow* parent, int id, const std::string& address,
                   DesktopServices& desktop)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE), address_(address),
      desktop_(desktop) {
    SetLabel(wxString::FromUTF8(address));
    SetCursor(wxCursor(wxCURSOR_HAND));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetInitialSize(DoGetBestSize());
    Bind(wxEVT_PAINT, &THotLink::OnPaint, this);
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) { Open(); });
    Bind(wxEVT_KEY_DOWN, &THotLink::OnKey, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
        Refresh();
        e.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
        Refresh();
        e.Skip();
    });
}

bool THotLink::Open() {
    std::string url = HotLinkUrl(address_);
    if (url.empty())
        return false;
    return desktop_.openUri(url);
}

wxSize THotLink::DoGetBestSize() const {
    wxClientDC dc(const_cast<THotLink*>(this));
    dc.SetFont(GetFont());
    wxSize text = dc.GetTextExtent(GetLabel());
    return {text.x + 2 * (kFocusGap + 2), text.y + 2 * (kFocusGap + 2)};
}

void THotLink::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    wxColour back = GetParent() ? GetParent()->GetBackgroundColour() : GetBackgroundColour();
    dc.SetBackground(wxBrush(back));
    dc.Clear();
    dc.SetFont(GetFont());
    wxSize size = GetClientSize();
    wxSize text = dc.GetTextExtent(GetLabel());
    int x = (size.x - text.x) / 2, y = (size.y - text.y) / 2;
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(kLinkColour);
    dc.DrawText(GetLabel(), x, y);
    dc.SetPen(wxPen(kLinkColour));
    dc.DrawLine(x, y + text.y - 1, x + text.x, y + text.y - 1);
    if (HasFocus())
        wxRendererNative::Get().DrawFocusRect(
            this, dc,
            wxRect(x - kFocusGap, y - kFocusGap, text.x + 2 * kFocusGap, text.y + 2 * kFocusGap));
}

void THotLink::OnKey(wxKeyEvent& e) {
    int key = e.GetKeyCode();
    if (key == WXK_SPACE || key == WXK_RETURN || key == WXK_NUMPAD_ENTER)
        Open();
    else
        e.Skip();
}

} // namespace tess
