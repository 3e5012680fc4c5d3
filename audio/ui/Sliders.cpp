#include "audio/ui/Sliders.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/settings.h>

namespace tess {

TMySlider::TMySlider(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS) {
    SetName("OWL_Slider");
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    range_ = SliderRange(min_, max_);
    ticGap_ = range_ / 10;
    Bind(wxEVT_PAINT, &TMySlider::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &TMySlider::OnLeftDown, this);
    Bind(wxEVT_MOTION, &TMySlider::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &TMySlider::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &TMySlider::OnCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &TMySlider::OnKey, this);
}

void TMySlider::SetRange(int min, int max, bool redraw) {
    min_ = min;
    max_ = max;
    range_ = SliderRange(min, max);
    SetPosition(pos_, redraw);
}

void TMySlider::SetPosition(int pos, bool redraw) {
    pos_ = SliderPosition(pos, min_, max_, ticGap_, snap_);
    if (redraw)
        Refresh(false);
}

void TMySlider::SetRuler(int ticGap, bool snap) {
    ticGap_ = ticGap;
    snap_ = snap;
    tics_.clear();
    Refresh(false);
}

void TMySlider::SetTics(const std::vector<int>& tics, bool snap) {
    tics_ = tics;
    snap_ = snap;
    Refresh(false);
}

void TMySlider::SetSelection(int start, int end) {
    selStart_ = start;
    selEnd_ = end;
    Refresh(false);
}

void TMySlider::SetThumbBitmap(const wxBitmap& bmp) {
    thumb_ = bmp;
    if (bmp.IsOk()) {
        thumbW_ = bmp.GetWidth() / 2;
        thumbH_ = bmp.GetHeight();
    }
    Refresh(false);
}

IRect TMySlider::ThumbRect() const {
    wxSize s = GetClientSize();
    int h = std::min(thumbH_, s.y);
    int x = ThumbLeft(pos_, min_, max_, s.x, thumbW_, 0);
    return {x, (s.y - h) / 2, thumbW_, h};
}

void TMySlider::Notify(wxEventType type) {
    wxScrollEvent ev(type, GetId(), pos_, wxHORIZONTAL);
    ev.SetEventObject(this);
    ProcessWindowEvent(ev);
}

void TMySlider::MoveTo(int pos, wxEventType type) {
    int old = pos_;
    SetPosition(pos, true);
    Notify(type);
    if (type != wxEVT_SCROLL_THUMBTRACK || old != pos_)
        Update();
}

SliderHit TMySlider::Click(int x, int y) {
    SliderHit hit = SliderHitZone(ThumbRect(), x, y);
    switch (hit) {
    case SliderHit::ThumbTrack:
        tracking_ = true;
        pressed_ = true;
        Refresh(false);
        break;
    case SliderHit::ThumbPosition:
        MoveTo(PositionAtX(x, min_, max_, GetClientSize().x, thumbW_, 0),
               wxEVT_SCROLL_THUMBRELEASE);
        Notify(wxEVT_SCROLL_CHANGED);
        break;
    case SliderHit::PageUp:
        MoveTo(pos_ - PageStep(), wxEVT_SCROLL_PAGEUP);
        Notify(wxEVT_SCROLL_CHANGED);
        break;
    case SliderHit::PageDown:
        MoveTo(pos_ + PageStep(), wxEVT_SCROLL_PAGEDOWN);
        Notify(wxEVT_SCROLL_CHANGED);
        break;
    case SliderHit::None:
        break;
    }
    return hit;
}

void TMySlider::OnLeftDown(wxMouseEvent& e) {
    SetFocus();
    if (Click(e.GetX(), e.GetY()) == SliderHit::ThumbTrack && !HasCapture())
        CaptureMouse();
}

void TMySlider::OnMotion(wxMouseEvent& e) {
    if (!tracking_)
        return;
    int p = SliderPosition(PositionAtX(e.GetX(), min_, max_, GetClientSize().x, thumbW_, 0), min_,
                           max_, ticGap_, snap_);
    if (p != pos_)
        MoveTo(p, wxEVT_SCROLL_THUMBTRACK);
}

void TMySlider::OnLeftUp(wxMouseEvent&) {
    if (HasCapture())
        ReleaseMouse();
    if (tracking_) {
        tracking_ = false;
        pressed_ = false;
        Refresh(false);
        Notify(wxEVT_SCROLL_THUMBRELEASE);
        Notify(wxEVT_SCROLL_CHANGED);
    }
}

void TMySlider::OnCaptureLost(wxMouseCaptureLostEvent&) {
    tracking_ = false;
    pressed_ = false;
    Refresh(false);
}

void TMySlider::OnKey(wxKeyEvent& e) {
    switch (e.GetKeyCode()) {
    case WXK_LEFT:
    case WXK_UP:
        MoveTo(pos_ - (snap_ && ticGap_ > 0 ? ticGap_ : 1), wxEVT_SCROLL_LINEUP);
        break;
    case WXK_RIGHT:
    case WXK_DOWN:
        MoveTo(pos_ + (snap_ && ticGap_ > 0 ? ticGap_ : 1), wxEVT_SCROLL_LINEDOWN);
        break;
    case WXK_PAGEUP:
        MoveTo(pos_ - PageStep(), wxEVT_SCROLL_PAGEUP);
        break;
    case WXK_PAGEDOWN:
        MoveTo(pos_ + PageStep(), wxEVT_SCROLL_PAGEDOWN);
        break;
    case WXK_HOME:
        MoveTo(min_, wxEVT_SCROLL_TOP);
        break;
    case WXK_END:
        MoveTo(max_, wxEVT_SCROLL_BOTTOM);
        break;
    default:
        e.Skip();
        return;
    }
    Notify(wxEVT_SCROLL_CHANGED);
}

void TMySlider::PaintSlot(wxDC& dc) {
    wxSize s = GetClientSize();
    int y = (s.y - slotThickness_) / 2;
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(thumbW_ / 2, y, s.x - thumbW_, slotThickness_);
}

void TMySlider::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    // Everything outside the thumb is the background colour.
    dc.SetBackground(wxBrush(GetParent() ? GetParent()->GetBackgroundColour()
                                         : wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
    PaintSlot(dc);
    IRect t = ThumbRect();
    bool second = pressed_ || !IsEnabled();
    if (thumb_.IsOk()) {
        wxBitmap part = thumb_.GetSubBitmap(wxRect(second ? thumbW_ : 0, 0, thumbW_, thumbH_));
        dc.DrawBitmap(part, t.x, t.y, true);
    } else {
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
        dc.DrawRectangle(t.x, t.y, t.w, t.h);
    }
}

VolumeSlider::VolumeSlider(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : TMySlider(parent, id, pos, size) {
    SetRange(0, 100, false);
    SetThumbBitmap(ThumbBitmap());
    SetToolTip(_("Volume"));
}

wxBitmap VolumeSlider::ThumbBitmap() {
    // Two 9 x 20 thumbs pointing down; white (the 16-colour palette's colour 15) is the
    // background and stays transparent.
    wxImage img(18, 20);
    img.SetRGB(wxRect(0, 0, 18, 20), 255, 255, 255);
    for (int half = 0; half < 2; ++half) {
        int ox = half * 9;
        unsigned char face = half ? 128 : 192;
        for (int y = 0; y < 20; ++y) {
            int inset = y < 14 ? 0 : y - 13; // the point
            for (int x = inset; x < 9 - inset; ++x) {
                bool edgeLight = x == inset || y == 0;
                bool edgeDark = x == 8 - inset || y == 19;
                unsigned char c = edgeDark ? 0 : edgeLight ? 255 : face;
                if (edgeLight && !edgeDark)
                    c = half ? 64 : 254; // 254: light but not the background colour
                img.SetRGB(ox + x, y, c, c, c);
            }
        }
    }
    img.SetMaskColour(255, 255, 255);
    return wxBitmap(img);
}

void VolumeSlider::PaintSlot(wxDC& dc) {
    wxSize s = GetClientSize();
    Wedge w = VolumeWedge(s.x, s.y);
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.DrawLine(w.left, w.bottom, w.right, w.bottom);   // bottom
    dc.DrawLine(w.right, w.bottom, w.right, w.top - 1); // right
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT)));
    dc.DrawLine(w.left, w.bottom, w.right, w.top); // the rising edge
}

} // namespace tess
