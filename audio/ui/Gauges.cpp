#include "audio/ui/Gauges.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

namespace tess {

FGauge::FGauge(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
               const wxSize& size, bool leftBorder, bool rightBorder)
    : wxWindow(parent, id, pos, size, wxFULL_REPAINT_ON_RESIZE), left_(leftBorder),
      right_(rightBorder) {
    SetName(text);
    SetLabel(text);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &FGauge::OnPaint, this);
}

void FGauge::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    ++repaints_;
    Refresh(false);
}

void FGauge::SetLed(int spacing, int thicknessPercent) {
    spacing_ = spacing;
    thickness_ = thicknessPercent;
    ++repaints_;
    Refresh(false);
}

void FGauge::SetValue(int value) {
    if (value == value_)
        return;
    value_ = value;
    ++repaints_;
    Refresh(false);
}

IRect FGauge::Inner() const {
    wxSize s = GetClientSize();
    int b = std::max(1, wxSystemSettings::GetMetric(wxSYS_EDGE_X, this));
    if (b > 3)
        b = 1;
    int l = left_ ? b : 0, r = right_ ? b : 0;
    return {l + 1, b + 1, s.x - l - r - 2, s.y - 2 * b - 2};
}

std::vector<IRect> FGauge::Segments() const {
    return GaugeSegments(Inner(), min_, max_, value_, spacing_, thickness_);
}

void FGauge::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    wxSize s = GetClientSize();
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
    wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    // A sunken frame: shadow above and left, highlight below and right.
    dc.SetPen(wxPen(shadow));
    dc.DrawLine(0, 0, s.x, 0);
    if (left_)
        dc.DrawLine(0, 0, 0, s.y);
    dc.SetPen(wxPen(light));
    if (right_)
        dc.DrawLine(s.x - 1, 0, s.x - 1, s.y);
    dc.DrawLine(0, s.y - 1, s.x, s.y - 1);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
    for (const IRect& r : Segments())
        dc.DrawRectangle(r.x, r.y, r.w, r.h);
}

SMeter::SMeter(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE) {
    SetName("foob");
    SetLabel("foob");
    wxSize s = GetClientSize();
    gauges_[0] = new FGauge(this, id + 1, "a", wxPoint(0, 0), s, true, true);
    gauges_[1] = new FGauge(this, id + 2, "b", wxPoint(0, 0), s, true, false);
    gauges_[2] = new FGauge(this, id + 3, "c", wxPoint(0, 0), s, false, true);
    PlaceGauges();
    gauges_[0]->Show();
    gauges_[1]->Hide();
    gauges_[2]->Hide();
    stereo_ = false;
    Bind(wxEVT_SIZE, &SMeter::OnSize, this);
}

void SMeter::PlaceGauges() {
    wxSize s = GetClientSize();
    MeterLayout l = LayoutMeter(s.x, s.y, stacked_);
    const IRect* r[3] = {&l.full, &l.first, &l.second};
    for (int i = 0; i < 3; ++i)
        gauges_[i]->SetSize(r[i]->x, r[i]->y, r[i]->w, r[i]->h);
}

void SMeter::OnSize(wxSizeEvent& e) {
    PlaceGauges();
    e.Skip();
}

void SMeter::SetRange(int min, int max) {
    for (FGauge* g : gauges_)
        g->SetRange(min, max);
}

void SMeter::SetLed(int spacing, int thicknessPercent) {
    for (FGauge* g : gauges_)
        g->SetLed(spacing, thicknessPercent);
}

void SMeter::SetMono(int percent) {
    if (stereo_) {
        gauges_[0]->Show();
        gauges_[1]->Hide();
        gauges_[2]->Hide();
        stereo_ = false;
    }
    gauges_[0]->SetValue(percent);
}

void SMeter::SetStereo(int left, int right) {
    if (!stereo_) {
        gauges_[0]->Hide();
        gauges_[1]->Show();
        gauges_[2]->Show();
        stereo_ = true;
        Refresh();
    }
    gauges_[1]->SetValue(left);
    gauges_[2]->SetValue(right);
}

} // namespace tess
