#pragma once
// The thin strip under the playback bar's position slider: the In..Out selection of the
// displayed recording as a coloured band over its length, a tick for a mark set alone,
// nothing when no mark is set.
#include <cstdint>
#include <wx/window.h>

namespace tess {

class RangeStrip : public wxWindow {
public:
    RangeStrip(wxWindow* parent, const wxSize& size);
    // The recording's length and its marks (-1: not set); a length of 0 empties the strip.
    void SetMarks(int64_t lengthMs, int64_t inMs, int64_t outMs);
    bool AcceptsFocus() const override { return false; }

private:
    void OnPaint(wxPaintEvent& e);
    // The column showing `ms` of the recording.
    int ColumnOf(int64_t ms) const;

    int64_t lengthMs_ = 0, inMs_ = -1, outMs_ = -1;
};

} // namespace tess
