#pragma once
// The sound level meter (SMeter: one full-width gauge for mono, two half gauges for stereo)
// and its bar gauge (FGauge: LED segments inside a 3-D border whose left and right edges
// can be left out, so that two halves side by side look like one framed bar).
#include <wx/control.h>
#include <wx/window.h>

#include "audio/MeterLogic.h"

namespace tess {

class FGauge : public wxWindow {
public:
    FGauge(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
           const wxSize& size, bool leftBorder, bool rightBorder);

    void SetRange(int min, int max);
    void SetLed(int spacing, int thicknessPercent);
    // Repaints only when the value changes.
    void SetValue(int value);
    int GetValue() const { return value_; }
    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    // The bar's lit segments in window coordinates.
    std::vector<IRect> Segments() const;
    // Repaints asked for so far (a test counts them).
    int RepaintRequests() const { return repaints_; }

private:
    void OnPaint(wxPaintEvent&);
    IRect Inner() const;

    int min_ = 0, max_ = 100, value_ = 0;
    int spacing_ = 0, thickness_ = 100;
    bool left_, right_;
    int repaints_ = 0;
};

// A control, so a tool bar can carry it.
class SMeter : public wxControl, public LevelMeter {
public:
    static constexpr int kId = 116;
    SMeter(wxWindow* parent, wxWindowID id = kId, const wxPoint& pos = wxDefaultPosition,
           const wxSize& size = wxSize(50, 20));

    void SetRange(int min, int max);
    void SetLed(int spacing, int thicknessPercent);
    void SetMono(int percent) override;
    void SetStereo(int left, int right) override;

    bool IsStereo() const { return stereo_; }
    FGauge* Gauge(int i) const { return gauges_[i]; }

private:
    void OnSize(wxSizeEvent&);
    void PlaceGauges();

    FGauge* gauges_[3];
    bool stacked_ = true;
    bool stereo_ = false;
};

} // namespace tess
