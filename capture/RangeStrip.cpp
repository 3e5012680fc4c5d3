#include "capture/RangeStrip.h"

#include <algorithm>
#include <wx/dcclient.h>
#include <wx/settings.h>

namespace tess {

RangeStrip::RangeStrip(wxWindow* parent, const wxSize& size)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, size, wxBORDER_NONE) {
    SetMinSize(size);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &RangeStrip::OnPaint, this);
}

void RangeStrip::SetMarks(int64_t lengthMs, int64_t inMs, int64_t outMs) {
    if (lengthMs == lengthMs_ && inMs == inMs_ && outMs == outMs_)
        return;
    lengthMs_ = lengthMs;
    inMs_ = inMs;
    outMs_ = outMs;
    Refresh();
}

int RangeStrip::ColumnOf(int64_t ms) const {
    const int64_t last = std::max(0, GetClientSize().x - 1);
    return static_cast<int>(std::clamp<int64_t>(ms, 0, lengthMs_) * last / lengthMs_);
}

void RangeStrip::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    if (lengthMs_ <= 0)
        return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
    if (inMs_ >= 0 && outMs_ > inMs_) {
        const int from = ColumnOf(inMs_);
        dc.DrawRectangle(from, 0, ColumnOf(outMs_) - from + 1, size.y);
        return;
    }
    for (int64_t mark : {inMs_, outMs_})
        if (mark >= 0)
            dc.DrawRectangle(std::max(0, ColumnOf(mark) - 1), 0, 2, size.y);
}

} // namespace tess
