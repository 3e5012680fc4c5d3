#pragma once
// The program's own horizontal slider (TMySlider / TMyHSlider) and the volume slider drawn
// on it: a wedge-shaped slot and a bitmap thumb. Moving the thumb by mouse or keyboard sends
// wxScrollEvents (wxEVT_SCROLL_THUMBTRACK while dragging, wxEVT_SCROLL_THUMBRELEASE when the
// thumb is put somewhere, PAGEUP / PAGEDOWN / LINEUP / LINEDOWN / TOP / BOTTOM, then
// wxEVT_SCROLL_CHANGED) with the slider's id and new position, which reach the parent.
#include <vector>
#include <wx/bitmap.h>
#include <wx/control.h>

#include "audio/MeterLogic.h"

namespace tess {

class TMySlider : public wxControl {
public:
    TMySlider(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    void SetRange(int min, int max, bool redraw = true);
    using wxControl::SetPosition;
    void SetPosition(int pos, bool redraw = true);
    void SetRuler(int ticGap, bool snap = false);
    void SetTics(const std::vector<int>& tics, bool snap = false);
    void SetSelection(int start, int end);
    // wxSlider-style names, for code written against wxSlider.
    void SetValue(int pos) { SetPosition(pos, true); }
    int GetValue() const { return pos_; }
    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    int GetRange() const { return range_; }
    int GetTicGap() const { return ticGap_; }

    void SetThumbBitmap(const wxBitmap& bmp);
    // The thumb's rectangle in window coordinates.
    IRect ThumbRect() const;
    // What a click at (x, y) does, and does it (as the mouse would).
    SliderHit Click(int x, int y);

protected:
    void OnPaint(wxPaintEvent&);
    virtual void PaintSlot(wxDC& dc);
    void Notify(wxEventType type);
    int PageStep() const { return ticGap_ > 0 ? ticGap_ : std::max(1, range_ / 10); }
    void MoveTo(int pos, wxEventType type);

    int min_ = 0, max_ = 100, range_ = 100, pos_ = 0;
    int ticGap_ = 10;
    std::vector<int> tics_;
    bool snap_ = true;
    int selStart_ = 0, selEnd_ = 0;
    wxBitmap thumb_;
    int thumbW_ = 9, thumbH_ = 20;
    int slotThickness_ = 4;
    bool pressed_ = false;
    bool tracking_ = false;

private:
    void OnLeftDown(wxMouseEvent&);
    void OnMotion(wxMouseEvent&);
    void OnLeftUp(wxMouseEvent&);
    void OnCaptureLost(wxMouseCaptureLostEvent&);
    void OnKey(wxKeyEvent&);
    wxSize DoGetBestSize() const override { return wxSize(50, 20); }
};

using TMyHSlider = TMySlider;

class VolumeSlider : public TMySlider {
public:
    static constexpr int kId = 1818;
    VolumeSlider(wxWindow* parent, wxWindowID id = kId, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxSize(50, 20));
    // The 18 x 20 thumb image: normal on the left half, pressed / disabled on the right.
    static wxBitmap ThumbBitmap();

protected:
    void PaintSlot(wxDC& dc) override;
};

} // namespace tess
