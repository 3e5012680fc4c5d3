#pragma once
// The control bars: SControlBar (a tool bar that passes its sliders' scroll events on to
// the client window), the tool bar and the playback bar with their gadgets, MuteToggle
// (the two-image "&Mute" button) and CoolButton (a push button that draws itself).
#include "audio/ui/Gauges.h"
#include "audio/ui/Sliders.h"
#include "capture/TClient.h"

#include <string>
#include <wx/bitmap.h>
#include <wx/control.h>
#include <wx/toolbar.h>

class wxChoice;
class wxGauge;
class wxSlider;
class wxStaticText;
class wxTextCtrl;

namespace tess {

class SControlBar : public wxToolBar {
public:
    SControlBar(wxWindow* parent, TClient* client, long style);

private:
    void OnScroll(wxScrollEvent& e);
    TClient* client_;
};

// The "&Mute" gadget: two images with the same command id 1816, 1913 when not muted and
// 1912 when muted; setting the state swaps the gadget in place.
class MuteToggle {
public:
    MuteToggle(wxToolBar* bar, int position);
    int state() const { return state_; }
    // 1: the muted image, 0: the speaker image; the same state again does nothing.
    void SetState(int state);

private:
    wxToolBar* bar_;
    int position_;
    int state_ = 0;
};

// The top bar's gadgets, in order.
struct ToolBarGadgets {
    SControlBar* bar = nullptr;
    wxChoice* captureMode = nullptr;    // 1839
    wxTextCtrl* edit = nullptr;         // 1831
    SMeter* meter = nullptr;            // 116
    wxStaticText* recordTime = nullptr; // 1815
};
ToolBarGadgets BuildToolBar(wxWindow* frame, TClient* client);

// The playback bar's gadgets, in order.
struct PlaybackBarGadgets {
    SControlBar* bar = nullptr;
    wxSlider* position = nullptr;         // 1809
    RangeStrip* range = nullptr;          // the marks, under the slider
    VolumeSlider* volume = nullptr;       // 1818
    wxStaticText* positionText = nullptr; // 1814
    MuteToggle* mute = nullptr;
};
PlaybackBarGadgets BuildPlaybackBar(wxWindow* frame, TClient* client);

// "&New" -> "New" and the position of the removed "&" (-1 when none).
std::string StripMnemonic(const std::string& text, int* underline = nullptr);

class CoolButton : public wxControl {
public:
    enum { Normal = 0, Pressed = 3 };
    CoolButton(wxWindow* parent, int id, const wxString& label,
               const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    // Optional bitmaps (normal, pressed, disabled) and the face and text colours of the
    // normal and the pressed look.
    void SetBitmaps(const wxBitmap& normal, const wxBitmap& pressed, const wxBitmap& disabled);
    void SetColours(const wxColour& face, const wxColour& text, const wxColour& pressedFace,
                    const wxColour& pressedText);
    int state() const { return state_; }
    // The text drawn on the face.
    wxString FaceText() const;

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& e);
    void OnMouseDown(wxMouseEvent& e);
    void OnMouseUp(wxMouseEvent& e);
    void OnFocus(wxFocusEvent& e);
    void OnKey(wxKeyEvent& e);
    void Click();

    int state_ = Normal;
    wxBitmap normal_, pressed_, disabled_;
    wxColour face_, text_, pressedFace_, pressedText_;
};

} // namespace tess
