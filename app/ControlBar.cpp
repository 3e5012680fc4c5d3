#include "app/ControlBar.h"

#include "capture/FileDisplay.h"
#include "capture/RangeStrip.h"

#include "resources/Ids.h"
#include "resources/Strings.h"
#include "resources/ui/Art.h"

#include <wx/choice.h>
#include <wx/dcbuffer.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace tess {

SControlBar::SControlBar(wxWindow* parent, TClient* client, long style)
    : wxToolBar(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, style), client_(client) {
    SetToolBitmapSize(wxSize(16, 16));
    for (auto type : {wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM, wxEVT_SCROLL_LINEUP,
                      wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP, wxEVT_SCROLL_PAGEDOWN,
                      wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED})
        Bind(type, &SControlBar::OnScroll, this);
}

void SControlBar::OnScroll(wxScrollEvent& e) {
    // The client window acts on its sliders' scrolling: pass it on, posted.
    if (client_)
        wxQueueEvent(client_->GetEventHandler(), e.Clone());
}

namespace {

// The string table's English text in the user's language (an empty text stays empty: the
// catalog's empty message is its header).
wxString Translated(const std::string& text) {
    return text.empty() ? wxString() : wxGetTranslation(wxString::FromUTF8(text));
}

wxString Tip(int id) {
    return Translated(ToolTipText(id));
}

// A button with its tool tip and its hint, which the frame shows in its status bar while
// the mouse is over the button.
void AddButton(wxToolBar* bar, int id, const wxString& label, int bitmapId,
               wxItemKind kind = wxITEM_NORMAL) {
    bar->AddTool(id, label, ResourceBitmap(bitmapId), wxNullBitmap, kind, Tip(id),
                 Translated(HintText(id)));
}

// The same tip and hint for a slider.
void GiveTipAndHint(wxWindow* control, int id) {
    control->SetToolTip(Tip(id));
    const wxString hint = Translated(HintText(id));
    control->Bind(wxEVT_ENTER_WINDOW, [control, hint](wxMouseEvent& e) {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(control), wxFrame))
            frame->DoGiveHelp(hint, true);
        e.Skip();
    });
    control->Bind(wxEVT_LEAVE_WINDOW, [control](wxMouseEvent& e) {
        if (auto* frame = wxDynamicCast(wxGetTopLevelParent(control), wxFrame))
            frame->DoGiveHelp(wxEmptyString, false);
        e.Skip();
    });
}

} // namespace

ToolBarGadgets BuildToolBar(wxWindow* frame, TClient* client) {
    ToolBarGadgets g;
    g.bar = new SControlBar(frame, client, wxTB_HORIZONTAL | wxTB_FLAT | wxTB_TOP);
    g.captureMode = new wxChoice(g.bar, id::CaptureModeCombo);
    // Wide enough to show its longest entry whole, with the theme's padding and arrow.
    wxSize widest;
    for (const wxString& mode : {_("Screen"), _("Window"), _("Rectangle"), _("Monitor")})
        widest.IncTo(g.bar->GetTextExtent(mode));
    g.captureMode->SetMinSize(g.captureMode->GetSizeFromTextSize(widest));
    g.captureMode->SetSize(g.captureMode->GetMinSize());
    g.bar->AddControl(g.captureMode);
    AddButton(g.bar, id::Snapshot, _("Snapshot"), id::BmpSnapshot);
    // "&Record Video" shows a pressed look while a recording runs.
    AddButton(g.bar, id::RecordVideo, _("Record"), id::BmpRecord, wxITEM_CHECK);
    AddButton(g.bar, id::StopRecording, _("Stop Recording"), id::BmpStop);
    AddButton(g.bar, id::PauseRecording, _("Pause Recording"), id::BmpPause, wxITEM_CHECK);
    g.edit = new wxTextCtrl(g.bar, id::ToolEdit, wxEmptyString, wxDefaultPosition, wxSize(50, 20),
                            wxTE_CENTRE);
    g.bar->AddControl(g.edit);
    AddButton(g.bar, id::ToolButton1, wxEmptyString, id::BmpTool1);
    AddButton(g.bar, id::ToolButton2, wxEmptyString, id::BmpTool2);
    // Nothing handles these two commands: their buttons are greyed.
    g.bar->Bind(
        wxEVT_UPDATE_UI, [](wxUpdateUIEvent& e) { e.Enable(false); }, id::ToolButton1,
        id::ToolButton2);
    AddButton(g.bar, id::CaptionButton, _("Caption"), id::BmpCaption, wxITEM_CHECK);
    g.meter = new SMeter(g.bar, id::MeterControl, wxDefaultPosition, wxSize(50, 20));
    g.bar->AddControl(g.meter);
    g.recordTime = new wxStaticText(g.bar, id::RecordTimePane, wxEmptyString, wxDefaultPosition,
                                    wxSize(g.bar->GetCharWidth() * 5 + 8, -1), wxST_NO_AUTORESIZE);
    g.recordTime->SetToolTip(Tip(id::RecordTimePane));
    g.bar->AddControl(g.recordTime);
    g.bar->Realize();
    return g;
}

PlaybackBarGadgets BuildPlaybackBar(wxWindow* frame, TClient* client) {
    PlaybackBarGadgets g;
    g.bar = new SControlBar(frame, client, wxTB_HORIZONTAL | wxTB_FLAT | wxTB_BOTTOM);
    AddButton(g.bar, id::Play, _("Play"), id::BmpPlay, wxITEM_CHECK);
    AddButton(g.bar, id::Stop, _("Stop"), id::BmpStop);
    g.bar->AddSeparator();
    AddButton(g.bar, id::SkipBackward, _("Skip backward"), id::BmpSkipBackward);
    AddButton(g.bar, id::SkipForward, _("Skip forward"), id::BmpSkipForward);
    AddButton(g.bar, id::SetIn, _("Set In"), id::SetIn);
    AddButton(g.bar, id::SetOut, _("Set Out"), id::SetOut);
    // The slider with the marks' strip under it, as one control of the bar; narrow enough
    // that the bar fits a frame fitted to a 640-pixel-wide recording, and as tall as the
    // theme wants (at 20 pixels GTK has no room to draw the thumb).
    const int sliderWidth = 126;
    auto* positionBox =
        new wxControl(g.bar, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
    positionBox->SetBackgroundColour(g.bar->GetBackgroundColour()); // its children's too
    g.position = new wxSlider(positionBox, id::PositionSlider, 0, 0, 1000, wxDefaultPosition,
                              wxSize(sliderWidth, -1), wxSL_HORIZONTAL | wxSL_BOTH);
    GiveTipAndHint(g.position, id::PositionSlider);
    g.range = new RangeStrip(positionBox, wxSize(sliderWidth, 3));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(g.position);
    column->Add(g.range);
    positionBox->SetSizerAndFit(column);
    g.bar->AddControl(positionBox);
    int mutePos = static_cast<int>(g.bar->GetToolsCount());
    AddButton(g.bar, id::Mute, _("Mute"), id::BmpSpeaker, wxITEM_CHECK);
    g.volume = new VolumeSlider(g.bar, id::VolumeSlider, wxDefaultPosition, wxSize(50, 20));
    GiveTipAndHint(g.volume, id::VolumeSlider);
    g.bar->AddControl(g.volume);
    g.positionText =
        new wxStaticText(g.bar, id::PositionPane, wxEmptyString, wxDefaultPosition,
                         wxSize(g.bar->GetCharWidth() * 20 + 8, -1), wxST_NO_AUTORESIZE);
    g.positionText->SetToolTip(Tip(id::PositionPane));
    g.bar->AddControl(g.positionText);
    g.bar->Realize();
    g.mute = new MuteToggle(g.bar, mutePos);
    // The marks' plain keys act while the bar or its slider has the focus.
    for (wxWindow* w : {static_cast<wxWindow*>(g.bar), static_cast<wxWindow*>(g.position)})
        w->Bind(wxEVT_KEY_DOWN, [client](wxKeyEvent& e) {
            if (!client || e.HasAnyModifiers() ||
                !FileDisplay::RunMarkKey(e.GetKeyCode(),
                                         [client](int command) { client->RunCommand(command); }))
                e.Skip();
        });
    return g;
}

MuteToggle::MuteToggle(wxToolBar* bar, int position) : bar_(bar), position_(position) {}

void MuteToggle::SetState(int state) {
    state = state ? 1 : 0;
    if (state == state_ || !bar_)
        return;
    state_ = state;
    // Take the gadget out and put the other image's gadget in its place.
    bar_->DeleteTool(id::Mute);
    bar_->InsertTool(position_, id::Mute, _("Mute"),
                     ResourceBitmap(state ? id::BmpMuted : id::BmpSpeaker), wxNullBitmap,
                     wxITEM_CHECK);
    bar_->Realize();
}

std::string StripMnemonic(const std::string& text, int* underline) {
    std::string out = text.substr(0, 259);
    auto amp = out.find('&');
    if (underline)
        *underline = amp == std::string::npos ? -1 : static_cast<int>(amp);
    if (amp != std::string::npos)
        out.erase(amp, 1);
    return out;
}

CoolButton::CoolButton(wxWindow* parent, int id, const wxString& label, const wxPoint& pos,
                       const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS) {
    SetLabel(label);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    face_ = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    text_ = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    pressedFace_ = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    pressedText_ = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    Bind(wxEVT_PAINT, &CoolButton::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CoolButton::OnMouseDown, this);
    Bind(wxEVT_LEFT_UP, &CoolButton::OnMouseUp, this);
    Bind(wxEVT_SET_FOCUS, &CoolButton::OnFocus, this);
    Bind(wxEVT_KILL_FOCUS, &CoolButton::OnFocus, this);
    Bind(wxEVT_KEY_DOWN, &CoolButton::OnKey, this);
    if (size == wxDefaultSize)
        SetInitialSize(DoGetBestSize());
}

void CoolButton::SetBitmaps(const wxBitmap& normal, const wxBitmap& pressed,
                            const wxBitmap& disabled) {
    normal_ = normal;
    pressed_ = pressed;
    disabled_ = disabled;
    Refresh();
}

void CoolButton::SetColours(const wxColour& face, const wxColour& text, const wxColour& pressedFace,
                            const wxColour& pressedText) {
    face_ = face;
    text_ = text;
    pressedFace_ = pressedFace;
    pressedText_ = pressedText;
    Refresh();
}

wxString CoolButton::FaceText() const {
    return wxString::FromUTF8(StripMnemonic(GetLabel().utf8_string()));
}

wxSize CoolButton::DoGetBestSize() const {
    wxSize text = GetTextExtent(FaceText());
    int w = text.x + 16 + (normal_.IsOk() ? normal_.GetWidth() + 3 : 0);
    return wxSize(std::max(w, 60), std::max(text.y + 10, 24));
}

void CoolButton::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const bool pressed = state_ == Pressed;
    wxColour face = pressed ? pressedFace_ : face_;
    wxColour text = pressed ? pressedText_ : text_;
    wxBitmap bmp = pressed && pressed_.IsOk() ? pressed_ : normal_;
    if (!IsEnabled())
        bmp = disabled_.IsOk() ? disabled_ : pressed_;
    wxRect r = GetClientRect();
    dc.SetPen(wxPen(text));
    dc.SetBrush(wxBrush(face));
    dc.DrawRectangle(r);
    int underline = -1;
    wxString label = wxString::FromUTF8(StripMnemonic(GetLabel().utf8_string(), &underline));
    int x = r.x + 3;
    if (bmp.IsOk()) {
        int maxH = r.height - 6;
        wxBitmap shown = bmp;
        if (bmp.GetHeight() > maxH && maxH > 0) {
            wxImage img = bmp.ConvertToImage();
            int w = bmp.GetWidth() * maxH / bmp.GetHeight();
            shown = wxBitmap(img.Scale(std::max(w, 1), maxH));
        }
        dc.DrawBitmap(shown, x, r.y + (r.height - shown.GetHeight()) / 2, true);
        x += shown.GetWidth() + 3;
    }
    dc.SetTextForeground(IsEnabled() ? text : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    dc.SetFont(GetFont());
    wxSize ext = dc.GetTextExtent(label);
    int tx = bmp.IsOk() ? x : r.x + (r.width - ext.x) / 2;
    int ty = r.y + (r.height - ext.y) / 2;
    dc.DrawText(label, tx, ty);
    if (underline >= 0 && underline < static_cast<int>(label.length())) {
        int before = dc.GetTextExtent(label.Left(underline)).x;
        int w = dc.GetTextExtent(label.Mid(underline, 1)).x;
        dc.DrawLine(tx + before, ty + ext.y - 1, tx + before + w, ty + ext.y - 1);
    }
    if (HasFocus()) {
        wxRect f = r;
        f.Deflate(3);
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.SetPen(wxPen(text, 1, wxPENSTYLE_DOT));
        dc.DrawRectangle(f);
    }
}

void CoolButton::OnMouseDown(wxMouseEvent&) {
    if (!IsEnabled())
        return;
    state_ = Pressed;
    CaptureMouse();
    SetFocus();
    Refresh();
}

void CoolButton::OnMouseUp(wxMouseEvent& e) {
    if (HasCapture())
        ReleaseMouse();
    if (state_ != Pressed)
        return;
    state_ = Normal;
    Refresh();
    if (GetClientRect().Contains(e.GetPosition()))
        Click();
}

void CoolButton::OnFocus(wxFocusEvent& e) {
    Refresh(); // only the focus rectangle changes
    e.Skip();
}

void CoolButton::OnKey(wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_SPACE || e.GetKeyCode() == WXK_RETURN)
        Click();
    else
        e.Skip();
}

void CoolButton::Click() {
    wxCommandEvent ev(wxEVT_BUTTON, GetId());
    ev.SetEventObject(this);
    ProcessWindowEvent(ev);
}

} // namespace tess
