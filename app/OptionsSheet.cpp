#include "app/OptionsSheet.h"

#include "audio/SMixer.h"
#include "media/Caption.h"
#include "media/MemBm.h"
#include "platform/alsa/WaveIn.h"
#include "platform/gst/SoundOutputs.h"
#include "platform/gtk/ComboRows.h"
#include "platform/pulse/PulseSources.h"
#include "resources/PopupHelpIds.h"
#include "resources/ui/ContextHelp.h"
#include "schedule/ui/SchedDialog.h"
#include "settings/FileNames.h"
#include "settings/ui/PatternDialog.h"

#include <pango/pango.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/dcbuffer.h>
#include <wx/fontdlg.h>
#include <wx/fontutil.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>

namespace tess {

CaptionPreview::CaptionPreview(wxWindow* parent, int id)
    : wxWindow(parent, id, wxDefaultPosition, wxSize(-1, 40), wxBORDER_SUNKEN) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CaptionPreview::OnPaint, this);
}

void CaptionPreview::Set(const SCaption& caption, const std::string& text) {
    caption_ = caption;
    text_ = text;
    ++updates_;
    Refresh();
}

MemBm CaptionPreview::Render() const {
    wxSize sz = GetClientSize();
    MemBm bm(std::max(sz.x, 1), std::max(sz.y, 1));
    wxColour bg = GetParent()->GetBackgroundColour();
    bm.fill(static_cast<uint32_t>(bg.GetRGB()) & 0xffffff);
    DrawCaptionPreview(bm, caption_, text_);
    return bm;
}

void CaptionPreview::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    MemBm bm = Render();
    wxImage image(bm.width(), bm.height());
    unsigned char* rgb = image.GetData();
    for (int32_t y = 0; y < bm.height(); ++y)
        for (int32_t x = 0; x < bm.width(); ++x, rgb += 3) {
            const uint8_t* p = bm.pixelAddress(x, y);
            rgb[0] = p[2];
            rgb[1] = p[1];
            rgb[2] = p[0];
        }
    dc.DrawBitmap(wxBitmap(image), 0, 0);
}

namespace {

constexpr int kGap = 6;
constexpr int kVoiceEntry = 0; // "Voice (8 kHz)" in the quality list

wxStaticText* Label(wxWindow* parent, int id, const wxString& text) {
    return new wxStaticText(parent, id, text);
}

void FillCombo(wxComboBox* box, const std::vector<std::string>& entries, int selection) {
    box->Clear();
    for (const std::string& e : entries)
        box->Append(wxString::FromUTF8(e));
    if (selection >= 0 && selection < static_cast<int>(entries.size()))
        box->SetSelection(selection);
}

std::vector<std::string> AlsaInputNames() {
    std::vector<std::string> names;
    auto& system = platform::AlsaWaveInSystem();
    int count = system.DeviceCount();
    for (int i = 0; i < count; ++i) {
        std::string name;
        if (system.DeviceName(i, &name)) // devices that report their capabilities
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> MixerLinesOf(const std::string& device) {
    std::vector<std::string> lines;
    SMixer mixer(MixerKind::WaveIn, device, nullptr);
    if (!mixer.IsOpen())
        return lines;
    int n = mixer.RecordSourceCount();
    for (int i = 0; i < n; ++i)
        lines.push_back(mixer.RecordSourceName(i));
    return lines;
}

std::vector<DesktopSourceEntry> DesktopMonitors() {
    std::vector<DesktopSourceEntry> entries;
    for (const pulse::SoundSource& m : pulse::ListMonitorSources(std::chrono::seconds(1)).monitors)
        entries.push_back({m.name, m.description});
    return entries;
}

int ScreenDpi() {
    int dpi = wxGetDisplayPPI().y;
    return dpi > 0 ? dpi : 96;
}

constexpr HelpIdEntry kSoundHelp[] = {{pref_id::Input, help_id::WaveIn},
                                      {pref_id::InputLabel, help_id::WaveIn},
                                      {pref_id::Output, help_id::WaveOut},
                                      {pref_id::OutputLabel, help_id::WaveOut},
                                      {pref_id::MixerLine, help_id::MixerInput},
                                      {pref_id::MixerLineLabel, help_id::MixerInput},
                                      {pref_id::ChangeMixer, help_id::ChangeMixer},
                                      {pref_id::Record, help_id::SoundRecord},
                                      {pref_id::RecordLabel, help_id::SoundRecord},
                                      {pref_id::Desktop, help_id::DesktopSource},
                                      {pref_id::DesktopLabel, help_id::DesktopSource},
                                      {pref_id::SoundQuality, help_id::SoundQuality},
                                      {pref_id::SoundQualityLabel, help_id::SoundQuality},
                                      {pref_id::Balance, help_id::SoundBalance},
                                      {pref_id::BalanceLabel, help_id::SoundBalance},
                                      {pref_id::BalanceMicrophone, help_id::SoundBalance},
                                      {pref_id::BalanceDesktop, help_id::SoundBalance},
                                      {pref_id::NoSoundNote, help_id::SoundRecord},
                                      {pref_id::TurnSoundOn, help_id::SoundRecord}};
constexpr HelpIdEntry kCaptionHelp[] = {{pref_id::CapEnable, help_id::CapEnable},
                                        {pref_id::CapText, help_id::CapString},
                                        {pref_id::AddDateTime, help_id::CapAddDateTime},
                                        {pref_id::TextColor, help_id::CapTextColor},
                                        {pref_id::TextSwatch, help_id::CapTextColor},
                                        {pref_id::BackColor, help_id::CapBackColor},
                                        {pref_id::BackSwatch, help_id::CapBackColor},
                                        {pref_id::Font, help_id::CapFont},
                                        {pref_id::FontText, help_id::CapFontText},
                                        {pref_id::ModeGroup, help_id::CapBackMode},
                                        {pref_id::Opaque, help_id::CapOpaque},
                                        {pref_id::Transparent, help_id::CapTransparent},
                                        {pref_id::Translucent, help_id::CapTranslucent},
                                        {pref_id::Border, help_id::CapBorder},
                                        {pref_id::AlignGroup, help_id::CapAlign},
                                        {pref_id::Left, help_id::CapLeft},
                                        {pref_id::Middle, help_id::CapMiddle},
                                        {pref_id::Right, help_id::CapRight},
                                        {pref_id::Vert, help_id::CapVert},
                                        {pref_id::VertLabel, help_id::CapVert},
                                        {pref_id::VertSpin, help_id::CapVert},
                                        {pref_id::Preview, help_id::CapPreview}};

} // namespace

// --- Sound device ---

const SoundDeviceLists& TSetSound::Devices() const {
    static const SoundDeviceLists system{AlsaInputNames, SoundOutputDeviceNames, MixerLinesOf,
                                         DesktopMonitors};
    const SoundDeviceLists& given = ctx_.soundDevices;
    return given.inputs && given.outputs && given.lines ? given : system;
}

TSetSound::TSetSound(wxWindow* parent, PrefContext& ctx)
    : TFormPage(parent, 2300, ctx, kSoundHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    auto combo = [&](int labelId, const wxString& label, int id) {
        s->Add(Label(this, labelId, label), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
        auto* box = new wxComboBox(this, id, "", wxDefaultPosition, wxSize(320, -1), 0, nullptr,
                                   wxCB_READONLY);
        s->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);
        return box;
    };
    // TRANSLATORS: the label of the list of what sound a recording takes
    record_ =
        combo(pref_id::RecordLabel, wxGETTEXT_IN_CONTEXT("sound", "&Record"), pref_id::Record);
    // TRANSLATORS: the sound recorded: the microphone's, the desktop's, or both mixed
    for (const wxString& choice : {_("Microphone"), _("Desktop sound"), _("Both")})
        record_->Append(choice);
    // Made shown, so the sheet's size has room for it; set-up hides it while sound is on.
    auto* noSoundRow = new wxBoxSizer(wxHORIZONTAL);
    noSound_ = new wxStaticText(this, pref_id::NoSoundNote,
                                _("No sound is recorded: \"Include audio with video\n"
                                  "capture\" is off (Capture page)."));
    noSoundRow->Add(noSound_, 1, wxALIGN_CENTER_VERTICAL);
    turnOn_ = new wxButton(this, pref_id::TurnSoundOn, _("&Turn it on"));
    noSoundRow->Add(turnOn_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, kGap);
    s->Add(noSoundRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);
    input_ = combo(pref_id::InputLabel, _("Sound &input device"), pref_id::Input);
    line_ = combo(pref_id::MixerLineLabel, _("&Use this sound card input"), pref_id::MixerLine);
    change_ = new wxCheckBox(this, pref_id::ChangeMixer,
                             _("This program may alter sound device &mixer settings."));
    s->Add(change_, 0, wxLEFT | wxRIGHT | wxTOP, kGap + 4);
    desktop_ = combo(pref_id::DesktopLabel, _("&Desktop sound source"), pref_id::Desktop);
    quality_ = combo(pref_id::SoundQualityLabel, _("Sound &quality"), pref_id::SoundQuality);
    for (int32_t kbps : kSoundQualities)
        quality_->Append(kbps == 0 ? _("Voice (8 kHz)")
                                   // TRANSLATORS: a sound quality: kilobits per second
                                   : wxString::Format(_("%d kbit/s"), static_cast<int>(kbps)));
    s->Add(Label(this, pref_id::BalanceLabel, _("&Balance")), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    auto* balanceRow = new wxBoxSizer(wxHORIZONTAL);
    balanceRow->Add(Label(this, pref_id::BalanceMicrophone, _("Microphone")), 0,
                    wxALIGN_CENTER_VERTICAL);
    balance_ = new wxSlider(this, pref_id::Balance, 0, -100, 100);
    balanceRow->Add(balance_, 1, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, kGap);
    // TRANSLATORS: the balance slider's end where only the desktop's sound is heard
    balanceRow->Add(Label(this, pref_id::BalanceDesktop, _("Desktop")), 0, wxALIGN_CENTER_VERTICAL);
    s->Add(balanceRow, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    output_ = combo(pref_id::OutputLabel, _("Sound &output device"), pref_id::Output);
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(s, 1, wxEXPAND | wxALL, 10);
    SetSizer(outer);
    ContextHelpWin::Attach(this, HelpIds(), 2300);
    input_->Bind(wxEVT_COMBOBOX,
                 [this](wxCommandEvent&) { FillLines(line_->GetValue().utf8_string()); });
    record_->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { EnableForRecord(); });
    turnOn_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TurnSoundOn(); });
}

void TSetSound::ShowSoundNote() {
    const bool off = !ctx_.vidAudio.value_or(ctx_.settings->vidAudio);
    if (noSound_->IsShown() != off) {
        noSound_->Show(off);
        turnOn_->Show(off);
        Layout();
    }
}

void TSetSound::TurnSoundOn() {
    ctx_.vidAudio = true;
    ShowSoundNote();
    record_->SetFocus(); // the button is gone
}

void TSetSound::PageShown() {
    ShowSoundNote();
}

void TSetSound::Apply(std::vector<std::string>& messages) {
    TFormPage::Apply(messages);
    if (ctx_.vidAudio)
        ctx_.settings->vidAudio = *ctx_.vidAudio;
}

void TSetSound::EnableForRecord() {
    const int record = record_->GetSelection();
    for (int id : {pref_id::InputLabel, pref_id::Input, pref_id::MixerLineLabel, pref_id::MixerLine,
                   pref_id::ChangeMixer})
        FindWindow(id)->Enable(record != 1);
    for (int id : {pref_id::DesktopLabel, pref_id::Desktop})
        FindWindow(id)->Enable(record != 0);
    for (int id : {pref_id::BalanceLabel, pref_id::BalanceMicrophone, pref_id::Balance,
                   pref_id::BalanceDesktop})
        FindWindow(id)->Enable(record == 2);
    const bool desktop = record > 0;
    gtk::EnableComboRow(quality_->GetHandle(), kVoiceEntry, !desktop);
    const int music = SoundQualityEntry(SoundQualityFor(1, 0));
    if (desktop && quality_->GetSelection() == kVoiceEntry) {
        quality_->SetSelection(music);
        voiceReplaced_ = true;
    } else if (!desktop && voiceReplaced_ && quality_->GetSelection() == music) {
        quality_->SetSelection(kVoiceEntry);
    }
    if (!desktop)
        voiceReplaced_ = false;
}

void TSetSound::ShowForm(const SoundForm& f) {
    int sel = 0;
    auto inputs = DeviceEntries(Devices().inputs(), f.input, &sel);
    FillCombo(input_, inputs, sel);
    auto outputs = DeviceEntries(Devices().outputs(), f.output, &sel);
    FillCombo(output_, outputs, sel);
    FillLines(f.mixerLine);
    change_->SetValue(f.changeMixer);
    record_->SetSelection(f.record);
    desktops_ = DesktopSourceEntries(Devices().desktops ? Devices().desktops() : DesktopMonitors(),
                                     f.desktopSource, &sel);
    desktop_->Clear();
    for (const DesktopSourceEntry& e : desktops_)
        desktop_->Append(wxString::FromUTF8(e.description));
    desktop_->SetSelection(sel);
    quality_->SetSelection(SoundQualityEntry(f.quality));
    balance_->SetValue(f.balance);
    voiceReplaced_ = false;
    EnableForRecord();
}

void TSetSound::FillLines(const std::string& keep) {
    int sel = 0;
    std::string device = input_->GetValue().utf8_string();
    auto lines = MixerLineEntries(Devices().lines(device), keep, &sel);
    FillCombo(line_, lines, sel);
}

SoundForm TSetSound::ReadForm() const {
    const int desktop = desktop_->GetSelection();
    const int quality = quality_->GetSelection();
    return {input_->GetValue().utf8_string(),
            output_->GetValue().utf8_string(),
            line_->GetValue().utf8_string(),
            change_->GetValue(),
            std::max(record_->GetSelection(), 0),
            desktop > 0 ? desktops_[static_cast<size_t>(desktop)].name : std::string(),
            quality >= 0 ? kSoundQualities[quality] : 128,
            balance_->GetValue()};
}

std::span<const HelpIdEntry> TSetSound::HelpIds() {
    return kSoundHelp;
}

// --- Caption ---

TSetCaption::TSetCaption(wxWindow* parent, PrefContext& ctx)
    : TFormPage(parent, 2700, ctx, kCaptionHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    enable_ = new wxCheckBox(this, pref_id::CapEnable,
                             _("Enable &Caption (with date/time abbreviations):"));
    s->Add(enable_, 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    auto* textRow = new wxBoxSizer(wxHORIZONTAL);
    text_ = new wxTextCtrl(this, pref_id::CapText, "", wxDefaultPosition, wxSize(260, -1));
    text_->SetMaxLength(kPatternBufferSize - 1);
    textRow->Add(text_, 1, wxALIGN_CENTER_VERTICAL);
    textRow->Add(new wxButton(this, pref_id::AddDateTime, _("&Add date/time")), 0, wxLEFT, 8);
    s->Add(textRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);

    auto* colours = new wxBoxSizer(wxHORIZONTAL);
    colours->Add(new wxButton(this, pref_id::TextColor, _("&Text color")), 0,
                 wxALIGN_CENTER_VERTICAL);
    textSwatch_ = new ColourSwatch(this, pref_id::TextSwatch);
    colours->Add(textSwatch_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    colours->AddSpacer(16);
    colours->Add(new wxButton(this, pref_id::BackColor, _("&Background color")), 0,
                 wxALIGN_CENTER_VERTICAL);
    backSwatch_ = new ColourSwatch(this, pref_id::BackSwatch);
    colours->Add(backSwatch_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    s->Add(colours, 0, wxLEFT | wxRIGHT | wxTOP, kGap);

    auto* fontRow = new wxBoxSizer(wxHORIZONTAL);
    fontRow->Add(new wxButton(this, pref_id::Font, _("&Font")), 0, wxALIGN_CENTER_VERTICAL);
    fontText_ = new wxStaticText(this, pref_id::FontText, "", wxDefaultPosition, wxSize(260, -1),
                                 wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    fontRow->Add(fontText_, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    s->Add(fontRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);

    auto* groups = new wxBoxSizer(wxHORIZONTAL);
    wxStaticBox* modeBox = nullptr;
    auto* modeSizer =
        GroupBox(this, pref_id::ModeGroup, _("Background draw &mode"), wxVERTICAL, &modeBox);
    // TRANSLATORS: how the caption's background is drawn
    const wxString modeNames[4] = {_("&Opaque"), _("Trans&parent"), _("Trans&lucent"),
                                   _("Borde&r")};
    const int modeIds[4] = {pref_id::Opaque, pref_id::Transparent, pref_id::Translucent,
                            pref_id::Border};
    for (int i = 0; i < 4; ++i) {
        modes_[i] = new wxRadioButton(modeBox, modeIds[i], modeNames[i], wxDefaultPosition,
                                      wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        modeSizer->Add(modes_[i], 0, wxALL, 2);
        modes_[i]->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { UpdatePreview(); });
    }
    groups->Add(modeSizer, 0, wxEXPAND);
    wxStaticBox* alignBox = nullptr;
    auto* alignSizer = GroupBox(this, pref_id::AlignGroup, _("&Align"), wxVERTICAL, &alignBox);
    // TRANSLATORS: where the caption's text lies in its line
    const wxString alignNames[3] = {_("Left"), _("Middle"), _("Right")};
    const int alignIds[3] = {pref_id::Left, pref_id::Middle, pref_id::Right};
    for (int i = 0; i < 3; ++i) {
        aligns_[i] = new wxRadioButton(alignBox, alignIds[i], alignNames[i], wxDefaultPosition,
                                       wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        alignSizer->Add(aligns_[i], 0, wxALL, 2);
    }
    groups->Add(alignSizer, 0, wxEXPAND | wxLEFT, 10);
    auto* vertSizer = new wxBoxSizer(wxVERTICAL);
    vertSizer->Add(Label(this, pref_id::VertLabel, _("Vertical placement %")), 0, wxBOTTOM, 4);
    auto* vertRow = new wxBoxSizer(wxHORIZONTAL);
    vert_ = new wxTextCtrl(this, pref_id::Vert, "", wxDefaultPosition, wxSize(60, -1));
    spin_ =
        new wxSpinButton(this, pref_id::VertSpin, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    spin_->SetRange(0, 100);
    vertRow->Add(vert_, 0, wxALIGN_CENTER_VERTICAL);
    vertRow->Add(spin_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2);
    vertSizer->Add(vertRow);
    groups->Add(vertSizer, 0, wxLEFT, 10);
    s->Add(groups, 0, wxLEFT | wxRIGHT | wxTOP, kGap);

    preview_ = new CaptionPreview(this, pref_id::Preview);
    s->Add(preview_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(s, 1, wxEXPAND | wxALL, 10);
    SetSizer(outer);
    ContextHelpWin::Attach(this, HelpIds(), 2700);

    text_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdatePreview(); });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { AddDateTime(); }, pref_id::AddDateTime);
    // Each colour button keeps its own custom colours for the life of the process.
    auto colourButton = [this](int id, ColourSwatch* swatch, wxColourData* customs) {
        Bind(
            wxEVT_BUTTON,
            [this, swatch, customs](wxCommandEvent&) {
                uint32_t c = swatch->colour();
                if (ChooseColour(this, &c, *customs)) {
                    swatch->SetColour(c);
                    UpdatePreview();
                }
            },
            id);
    };
    static wxColourData textCustoms, backCustoms;
    colourButton(pref_id::TextColor, textSwatch_, &textCustoms);
    colourButton(pref_id::BackColor, backSwatch_, &backCustoms);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { ChooseFont(); }, pref_id::Font);
    spin_->Bind(wxEVT_SPIN, [this](wxSpinEvent& e) {
        vert_->ChangeValue(wxString::Format("%d", e.GetPosition()));
    });
    vert_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        spin_->SetValue(ParseVertical(vert_->GetValue().utf8_string()));
    });
}

TSetCaption::~TSetCaption() = default;

void TSetCaption::ShowForm(const CaptionForm& f) {
    enable_->SetValue(f.enable);
    text_->ChangeValue(wxString::FromUTF8(f.text));
    textSwatch_->SetColour(f.textColor);
    backSwatch_->SetColour(f.backColor);
    modes_[f.backMode]->SetValue(true);
    aligns_[f.align]->SetValue(true);
    vert_->ChangeValue(f.vertical);
    spin_->SetValue(ParseVertical(f.vertical));
    font_ = f.font;
    fontSet_ = f.fontSet;
    fontText_->SetLabel(fontSet_
                            ? wxString::FromUTF8(FontLabel(LogFont::FromBytes(font_), ScreenDpi()))
                            : _("Default font"));
    UpdatePreview();
}

CaptionForm TSetCaption::ReadForm() const {
    CaptionForm f;
    f.enable = enable_->GetValue();
    f.text = text_->GetValue().utf8_string();
    f.textColor = textSwatch_->colour();
    f.backColor = backSwatch_->colour();
    for (int i = 0; i < 4; ++i)
        if (modes_[i]->GetValue())
            f.backMode = i;
    f.align = aligns_[0]->GetValue() ? 0 : aligns_[2]->GetValue() ? 2 : 1;
    f.vertical = vert_->GetValue().utf8_string();
    f.font = font_;
    f.fontSet = fontSet_;
    return f;
}

void TSetCaption::UpdatePreview() {
    CaptionForm f = ReadForm();
    LogFont font = LogFont::FromBytes(f.font);
    SCaption caption(f.text.c_str(), f.textColor, f.backColor, f.backMode, f.align, 0, &font);
    preview_->Set(caption, ExpandPattern(f.text));
}

void TSetCaption::AddDateTime() {
    std::string text = text_->GetValue().utf8_string();
    TPatternDialog dlg(this, *ctx_.desktop, &text, -1, nullptr);
    if (dlg.ShowModal() == wxID_OK)
        text_->SetValue(wxString::FromUTF8(text)); // the preview follows the text event
}

void TSetCaption::TakeFont(const wxFont& chosen) {
    const int dpi = ScreenDpi();
    wxFont font = chosen;
    int points = font.GetPointSize();
    if (points < 5 || points > 20)
        font.SetPointSize(std::clamp(points, 5, 20));
    const wxNativeFontInfo* info = font.GetNativeFontInfo();
    if (!info || !info->description)
        return;
    LogFont record = LogFontFromPango(info->description, dpi);
    font_ = record.toBytes();
    fontSet_ = true;
    fontText_->SetLabel(wxString::FromUTF8(FontLabel(record, dpi)));
    UpdatePreview();
}

void TSetCaption::ChooseFont() {
    wxFontData data;
    data.EnableEffects(false);
    data.SetAllowSymbols(false);
    data.SetRange(5, 20);
    if (fontSet_) {
        PangoFontDescription* desc = ToPangoFontDescription(LogFont::FromBytes(font_));
        char* text = pango_font_description_to_string(desc);
        wxFont initial;
        if (initial.SetNativeFontInfo(wxString::FromUTF8(text)))
            data.SetInitialFont(initial);
        g_free(text);
        pango_font_description_free(desc);
    }
    wxFontDialog dlg(this, data);
    if (dlg.ShowModal() == wxID_OK)
        TakeFont(dlg.GetFontData().GetChosenFont());
}

std::span<const HelpIdEntry> TSetCaption::HelpIds() {
    return kCaptionHelp;
}

// --- the sheets ---

namespace {

// The sheet takes its texts as UTF-8.
std::string Text(const wxString& text) {
    return text.utf8_string();
}

} // namespace

std::unique_ptr<TPrefSheet> MakeOptionsSheet(wxWindow* parent, PrefContext& ctx) {
    auto sheet = std::make_unique<TPrefSheet>(parent, Text(_("Options")), ctx);
    wxWindow* book = sheet->bookParent();
    // TRANSLATORS: the titles of the preferences pages, listed beside them
    sheet->AddPage(new TSetApp(book, ctx), Text(_("General")));
    sheet->AddPage(new TSetDisplay(book, ctx), Text(_("Display")));
    sheet->AddPage(new TSetCapture(book, ctx), Text(_("Capture")));
    sheet->AddPage(new TSetWM(book, ctx), "WMV");
    sheet->AddPage(new TSetImage(book, ctx), Text(_("Image")));
    sheet->AddPage(new TSetFile(book, ctx), Text(_("File")));
    sheet->AddPage(new TSetSound(book, ctx), Text(_("Sound device")));
    sheet->AddPage(new TSetCaption(book, ctx), Text(_("Caption")));
    sheet->AddPage(new TSetKey(book, ctx), Text(_("HotKey")));
    sheet->AddPage(new TSchedDialog(book, ctx), Text(_("Timer")));
    sheet->AddPage(new TSetFx(book, ctx), Text(_("Effects")));
    sheet->Finish();
    return sheet;
}

std::unique_ptr<TPrefSheet> MakeEffectsSheet(wxWindow* parent, PrefContext& ctx) {
    auto sheet = std::make_unique<TPrefSheet>(parent, Text(_("Capture Effects Options")), ctx);
    wxWindow* book = sheet->bookParent();
    sheet->AddPage(new TSetCaption(book, ctx), Text(_("Caption")));
    sheet->AddPage(new TSetFx(book, ctx), Text(_("Effects")));
    sheet->Finish();
    return sheet;
}

} // namespace tess
