#include "settings/ui/PrefPages.h"

#include "platform/x11/HotKeys.h"
#include "resources/PopupHelpIds.h"
#include "resources/ui/ContextHelp.h"
#include "settings/FileNames.h"
#include "settings/ui/PatternDialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace tess {

namespace {

constexpr int kGap = 6;
constexpr int kMargin = 10;

wxCheckBox* AddCheck(wxWindow* parent, wxSizer* sizer, int id, const wxString& label) {
    auto* box = new wxCheckBox(parent, id, label);
    sizer->Add(box, 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    return box;
}

wxStaticText* Label(wxWindow* parent, int id, const wxString& text) {
    return new wxStaticText(parent, id, text);
}

// The page's top sizer with the page's margins.
wxBoxSizer* PageSizer(wxWindow* page, wxSizer* content) {
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(content, 1, wxEXPAND | wxALL, kMargin);
    page->SetSizer(outer);
    return outer;
}

std::string Text(const wxTextCtrl* t) {
    return t->GetValue().utf8_string();
}

// A horizontal slider with tics every 10, optional texts under its ends (_("Min"), _("Max")) and
// the percentage label under its middle.
wxSlider* PercentSlider(wxWindow* parent, wxSizer* sizer, int id, int low, int high,
                        wxStaticText** text, int textId, int minId, int maxId,
                        const wxString& lowText, const wxString& highText) {
    auto* slider = new wxSlider(parent, id, low, low, high, wxDefaultPosition, wxSize(260, -1),
                                wxSL_HORIZONTAL | wxSL_AUTOTICKS);
    slider->SetTickFreq(10);
    slider->SetPageSize(10);
    sizer->Add(slider, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    if (!lowText.empty())
        row->Add(Label(parent, minId, lowText), 1);
    else
        row->AddStretchSpacer(1);
    *text = new wxStaticText(parent, textId, "100%", wxDefaultPosition, wxDefaultSize,
                             wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    row->Add(*text, 1, wxEXPAND);
    if (!highText.empty())
        row->Add(new wxStaticText(parent, maxId, highText, wxDefaultPosition, wxDefaultSize,
                                  wxALIGN_RIGHT),
                 1);
    else
        row->AddStretchSpacer(1);
    sizer->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    return slider;
}

wxString HotKeyCtrlNone() {
    // TRANSLATORS: a hot-key box without a key
    return _("None");
}

constexpr HelpIdEntry kAppHelp[] = {{pref_id::AlwaysStart, 0},
                                    {pref_id::MinimizeOnStart, 0},
                                    {pref_id::TrayIcon, 0},
                                    {pref_id::OnTop, 0}};
constexpr HelpIdEntry kDisplayHelp[] = {{pref_id::Shrink, 0},
                                        {pref_id::DisplayOpenAuto, 0},
                                        {pref_id::SnapSystemDisplay, 0},
                                        {pref_id::VidSystemDisplay, 0},
                                        {pref_id::Notify, 0},
                                        {pref_id::LanguageLabel, help_id::Language},
                                        {pref_id::Language, help_id::Language},
                                        {pref_id::LanguageNote, help_id::Language}};
constexpr HelpIdEntry kCaptureHelp[] = {{pref_id::ActionGroup, 0},
                                        {pref_id::ActionHide, pref_id::ActionGroup},
                                        {pref_id::ActionMinimize, pref_id::ActionGroup},
                                        {pref_id::ActionNone, pref_id::ActionGroup},
                                        {pref_id::Delay, 0},
                                        {pref_id::DelaySeconds, help_id::CaptureDelaySeconds},
                                        {pref_id::DelaySecondsLabel, help_id::CaptureDelaySeconds},
                                        {pref_id::Cursor, 0},
                                        {pref_id::VidAudio, 0},
                                        {pref_id::Stealth, 0},
                                        {pref_id::StealthNote, pref_id::Stealth},
                                        {pref_id::SelColorButton, help_id::SelColorButton},
                                        {pref_id::SelColorSwatch, help_id::SelColorSwatch}};
constexpr HelpIdEntry kWmHelp[] = {{pref_id::UseWmv, help_id::WMDefault},
                                   {pref_id::FrameRate, help_id::WMFrameRate},
                                   {pref_id::FrameRateLabel, help_id::WMFrameRate},
                                   {pref_id::BitRate, help_id::WMBitRate},
                                   {pref_id::BitRateLabel, help_id::WMBitRate},
                                   {pref_id::AutoExport, help_id::WMAutoExport},
                                   {pref_id::AutoExportLabel, help_id::WMAutoExport}};
constexpr HelpIdEntry kImageHelp[] = {{pref_id::FormatGroup, help_id::ImageFormat},
                                      {pref_id::Jpg, help_id::ImageJpg},
                                      {pref_id::Png, help_id::ImagePng},
                                      {pref_id::Bmp, help_id::ImageBmp},
                                      {pref_id::Gif, help_id::ImageGif},
                                      {pref_id::Quality, help_id::ImageQuality},
                                      {pref_id::QualityLabel, help_id::ImageQuality},
                                      {pref_id::QualityText, help_id::ImageQualityText},
                                      {pref_id::CopyToClipboard, help_id::ImageCopy},
                                      {pref_id::EditSnapshots, help_id::ImageEdit},
                                      {pref_id::TextLanguageLabel, help_id::ImageTextLanguage},
                                      {pref_id::TextLanguage, help_id::ImageTextLanguage}};
constexpr HelpIdEntry kFileHelp[] = {{1308, 1308}, {1301, 1308}, {1302, 1302}, {1315, 1315},
                                     {1314, 1315}, {1327, 1327}, {1323, 1323}, {1322, 1323},
                                     {1329, 1329}, {1330, 1330}, {1331, 1330}};
constexpr HelpIdEntry kKeyHelp[] = {
    {pref_id::Key1, 0}, {pref_id::Key1Label, pref_id::Key1}, {pref_id::Key1Clear, pref_id::Key1},
    {pref_id::Key2, 0}, {pref_id::Key2Label, pref_id::Key2}, {pref_id::Key2Clear, pref_id::Key2},
    {pref_id::Key3, 0}, {pref_id::Key3Label, pref_id::Key3}, {pref_id::Key3Clear, pref_id::Key3},
    {pref_id::Key4, 0}, {pref_id::Key4Label, pref_id::Key4}, {pref_id::Key4Clear, pref_id::Key4}};
constexpr HelpIdEntry kFxHelp[] = {
    {pref_id::ScaleEnable, 0}, {pref_id::Scale, 0}, {pref_id::ScaleText, pref_id::Scale}};

} // namespace

// --- shared pieces ---

wxStaticBoxSizer* GroupBox(wxWindow* parent, int id, const wxString& title, int orient,
                           wxStaticBox** box) {
    *box = new wxStaticBox(parent, id, title);
    auto* sizer = new wxStaticBoxSizer(*box, orient);
    sizer->SetMinSize(wxSize((*box)->GetTextExtent(wxControl::RemoveMnemonics(title)).x + 24, -1));
    return sizer;
}

ColourSwatch::ColourSwatch(wxWindow* parent, int id)
    : wxPanel(parent, id, wxDefaultPosition, wxSize(40, 20), wxBORDER_SIMPLE) {
    SetColour(0);
}

void ColourSwatch::SetColour(uint32_t color) {
    colour_ = color & 0xffffff;
    SetBackgroundColour(wxColour(static_cast<unsigned long>(colour_)));
    Refresh();
}

bool ChooseColour(wxWindow* parent, uint32_t* color, wxColourData& customs) {
    customs.SetChooseFull(true);
    customs.SetColour(wxColour(static_cast<unsigned long>(*color)));
    wxColourDialog dlg(parent, &customs);
    if (dlg.ShowModal() != wxID_OK)
        return false;
    customs = dlg.GetColourData();
    *color = static_cast<uint32_t>(customs.GetColour().GetRGB()) & 0xffffff;
    return true;
}

HotKeyCtrl::HotKeyCtrl(wxWindow* parent, int id)
    : wxTextCtrl(parent, id, HotKeyCtrlNone(), wxDefaultPosition, wxSize(200, -1),
                 wxTE_READONLY | wxWANTS_CHARS) {
    Bind(wxEVT_KEY_DOWN, &HotKeyCtrl::OnKeyDown, this);
    Bind(wxEVT_CHAR, [](wxKeyEvent&) {}); // nothing is typed into the text
}

void HotKeyCtrl::SetHotKey(uint16_t value) {
    value_ = value;
    ChangeValue(value ? wxString::FromUTF8(HotKeyText(value)) : HotKeyCtrlNone());
}

uint16_t HotKeyCtrl::ValueForKey(unsigned long keysym, int toolkitKeyCode, bool shift, bool ctrl,
                                 bool alt) {
    unsigned vk = VirtualKeyForKeysym(keysym);
    if (!vk) {
        int k = toolkitKeyCode;
        if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9'))
            vk = static_cast<unsigned>(k);
        else if (k >= WXK_F1 && k <= WXK_F24)
            vk = 0x70 + static_cast<unsigned>(k - WXK_F1);
        else if (k >= WXK_NUMPAD0 && k <= WXK_NUMPAD9)
            vk = 0x60 + static_cast<unsigned>(k - WXK_NUMPAD0);
        else if (k > 32 && k < 127) // punctuation: its keysym is its character
            vk = VirtualKeyForKeysym(static_cast<unsigned long>(k));
    }
    if (!vk)
        return 0;
    return HotKey::Of(vk, shift, ctrl, alt).value;
}

void HotKeyCtrl::OnKeyDown(wxKeyEvent& e) {
    const int code = e.GetKeyCode();
    const bool plain = !e.ShiftDown() && !e.ControlDown() && !e.AltDown();
    if (plain && code == WXK_TAB) {
        e.Skip(); // moves the focus
        return;
    }
    if (plain && (code == WXK_BACK || code == WXK_DELETE)) {
        SetHotKey(0);
        return;
    }
    uint16_t v = ValueForKey(e.GetRawKeyCode(), code, e.ShiftDown(), e.ControlDown(), e.AltDown());
    if (v)
        SetHotKey(v);
}

// --- General ---

TSetApp::TSetApp(wxWindow* parent, PrefContext& ctx) : TFormPage(parent, 300, ctx, kAppHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    alwaysStart_ = AddCheck(this, s, pref_id::AlwaysStart, _("&Launch program at system boot"));
    minimize_ = AddCheck(this, s, pref_id::MinimizeOnStart, _("&Minimize at boot-launch"));
    tray_ = AddCheck(this, s, pref_id::TrayIcon, _("Taskbar &tray icon"));
    onTop_ = AddCheck(this, s, pref_id::OnTop, _("&Always on top"));
    // Kept with the page but never offered.
    (new wxCheckBox(this, pref_id::HideFromTaskbar, _("&Hide from taskbar")))->Hide();
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 300);
}

void TSetApp::ShowForm(const GeneralForm& f) {
    alwaysStart_->SetValue(f.alwaysStart);
    minimize_->SetValue(f.minimizeOnStart);
    tray_->SetValue(f.trayIcon);
    onTop_->SetValue(f.onTop);
}

GeneralForm TSetApp::ReadForm() const {
    return {alwaysStart_->GetValue(), minimize_->GetValue(), tray_->GetValue(), onTop_->GetValue()};
}

std::span<const HelpIdEntry> TSetApp::HelpIds() {
    return kAppHelp;
}

// --- Display ---

TSetDisplay::TSetDisplay(wxWindow* parent, PrefContext& ctx)
    : TFormPage(parent, 27200, ctx, kDisplayHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    shrink_ = AddCheck(this, s, pref_id::Shrink, _("&Shrink window when no files displayed"));
    auto_ = AddCheck(this, s, pref_id::DisplayOpenAuto,
                     _("&Display image and video files after capture"));
    snapSystem_ = AddCheck(this, s, pref_id::SnapSystemDisplay,
                           _("Open &image files in default system application"));
    vidSystem_ = AddCheck(this, s, pref_id::VidSystemDisplay,
                          _("Open &video files in default system application"));
    notify_ = AddCheck(this, s, pref_id::Notify, _("Show a &notification after each capture"));
    // The list is filled by ShowForm: a stored code without a catalog joins it.
    auto* language = new wxBoxSizer(wxHORIZONTAL);
    language->Add(Label(this, pref_id::LanguageLabel, _("&Language:")), 0,
                  wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
    language_ = new wxChoice(this, pref_id::Language);
    language->Add(language_, 0, wxALIGN_CENTER_VERTICAL);
    s->Add(language, 0, wxLEFT | wxRIGHT | wxTOP, kGap + 4);
    s->Add(Label(this, pref_id::LanguageNote, _("The language changes at the next start.")), 0,
           wxLEFT | wxRIGHT | wxTOP, kGap);
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 27200);
}

void TSetDisplay::ShowForm(const DisplayForm& f) {
    shrink_->SetValue(f.shrink);
    auto_->SetValue(f.displayOpenAuto);
    snapSystem_->SetValue(f.snapSystemDisplay);
    vidSystem_->SetValue(f.vidSystemDisplay);
    notify_->SetValue(f.notify);
    int selection = 0;
    languages_ = LanguageEntries(f.language, &selection);
    language_->Clear();
    for (const LanguageEntry& e : languages_)
        language_->Append(wxString::FromUTF8(e.name));
    language_->SetSelection(selection);
    // As wide as its longest name, which it learns only now.
    language_->InvalidateBestSize();
    language_->SetMinSize(language_->GetBestSize());
    Layout();
}

DisplayForm TSetDisplay::ReadForm() const {
    const int selection = language_->GetSelection();
    std::string language;
    if (selection >= 0 && static_cast<size_t>(selection) < languages_.size())
        language = languages_[static_cast<size_t>(selection)].code;
    return {shrink_->GetValue(),    auto_->GetValue(),   snapSystem_->GetValue(),
            vidSystem_->GetValue(), notify_->GetValue(), language};
}

std::span<const HelpIdEntry> TSetDisplay::HelpIds() {
    return kDisplayHelp;
}

// --- Capture ---

TSetCapture::TSetCapture(wxWindow* parent, PrefContext& ctx)
    : TFormPage(parent, 27300, ctx, kCaptureHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    wxStaticBox* groupBox = nullptr;
    auto* group =
        GroupBox(this, pref_id::ActionGroup, _("When &starting capture:"), wxVERTICAL, &groupBox);
    hide_ = new wxRadioButton(groupBox, pref_id::ActionHide, _("&Hide program window"),
                              wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    minimize_ = new wxRadioButton(groupBox, pref_id::ActionMinimize, _("Minimi&ze program window"));
    none_ = new wxRadioButton(groupBox, pref_id::ActionNone, _("&No action"));
    for (wxRadioButton* b : {hide_, minimize_, none_})
        group->Add(b, 0, wxALL, 3);
    s->Add(group, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    // "Delay image capture [N] seconds": the check box, the number, the unit.
    auto* delayRow = new wxBoxSizer(wxHORIZONTAL);
    delay_ = new wxCheckBox(this, pref_id::Delay, _("&Delay image capture"));
    delaySeconds_ =
        new wxSpinCtrl(this, pref_id::DelaySeconds, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                       wxSP_ARROW_KEYS, kMinSnapshotDelay, kMaxSnapshotDelay, 3);
    delayRow->Add(delay_, 0, wxALIGN_CENTER_VERTICAL);
    delayRow->Add(delaySeconds_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    // TRANSLATORS: the unit after the number of seconds to wait before a snapshot
    delayRow->Add(Label(this, pref_id::DelaySecondsLabel, _("seconds")), 0,
                  wxALIGN_CENTER_VERTICAL | wxLEFT, 6);
    s->Add(delayRow, 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    cursor_ = AddCheck(this, s, pref_id::Cursor, _("Include &cursor with image capture"));
    audio_ = AddCheck(this, s, pref_id::VidAudio, _("Include &audio with video capture"));
    stealth_ = AddCheck(this, s, pref_id::Stealth, _("&Minimize disruption to computer display"));
    s->Add(Label(this, pref_id::StealthNote, _("(at cost of dropped frames)")), 0, wxLEFT, 30);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxButton(this, pref_id::SelColorButton, _("Selection &rectangle color:")), 0,
             wxALIGN_CENTER_VERTICAL);
    swatch_ = new ColourSwatch(this, pref_id::SelColorSwatch);
    row->Add(swatch_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    s->Add(row, 0, wxLEFT | wxRIGHT | wxTOP, kGap + 4);
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 27300);
    Bind(wxEVT_BUTTON, &TSetCapture::OnChooseColour, this, pref_id::SelColorButton);
    audio_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ctx_.vidAudio = audio_->GetValue(); });
}

void TSetCapture::PageShown() {
    if (ctx_.vidAudio)
        audio_->SetValue(*ctx_.vidAudio);
}

void TSetCapture::ShowForm(const CaptureForm& f) {
    (f.action == 0 ? none_ : f.action == 2 ? minimize_ : hide_)->SetValue(true);
    delay_->SetValue(f.delay);
    delaySeconds_->SetValue(f.delaySeconds);
    cursor_->SetValue(f.cursor);
    audio_->SetValue(f.audio);
    stealth_->SetValue(f.stealth);
    swatch_->SetColour(f.selColor);
}

CaptureForm TSetCapture::ReadForm() const {
    CaptureForm f;
    f.action = hide_->GetValue() ? 1 : minimize_->GetValue() ? 2 : none_->GetValue() ? 0 : -1;
    f.delay = delay_->GetValue();
    f.delaySeconds = delaySeconds_->GetValue();
    f.cursor = cursor_->GetValue();
    f.audio = ctx_.vidAudio.value_or(audio_->GetValue()); // the Sound page may have turned it on
    f.stealth = stealth_->GetValue();
    f.selColor = swatch_->colour();
    return f;
}

void TSetCapture::OnChooseColour(wxCommandEvent&) {
    static wxColourData customs; // kept for the life of the process
    uint32_t c = swatch_->colour();
    if (ChooseColour(this, &c, customs))
        swatch_->SetColour(c);
}

std::span<const HelpIdEntry> TSetCapture::HelpIds() {
    return kCaptureHelp;
}

// --- WMV ---

TSetWM::TSetWM(wxWindow* parent, PrefContext& ctx) : TFormPage(parent, 2200, ctx, kWmHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    useWmv_ = AddCheck(this, s, pref_id::UseWmv, _("&Use WMV as default video format"));
    auto* grid = new wxFlexGridSizer(2, kGap, 12);
    grid->Add(Label(this, pref_id::FrameRateLabel, _("Frame rate (frames/sec)")), 0,
              wxALIGN_CENTER_VERTICAL);
    frameRate_ = new wxTextCtrl(this, pref_id::FrameRate, "", wxDefaultPosition, wxSize(80, -1));
    grid->Add(frameRate_);
    grid->Add(Label(this, pref_id::BitRateLabel, _("Bit rate for full screen video (kbits/sec)")),
              0, wxALIGN_CENTER_VERTICAL);
    bitRate_ = new wxTextCtrl(this, pref_id::BitRate, "", wxDefaultPosition, wxSize(80, -1));
    grid->Add(bitRate_);
    grid->Add(Label(this, pref_id::AutoExportLabel, _("After a recording, also save a copy as:")),
              0, wxALIGN_CENTER_VERTICAL);
    autoExport_ = new wxChoice(this, pref_id::AutoExport);
    // TRANSLATORS: no copy of a recording in another format
    autoExport_->Append(_("none"));
    for (const char* item : {"WebM", "MP4", "GIF"})
        autoExport_->Append(item);
    grid->Add(autoExport_);
    s->Add(grid, 0, wxALL, kGap + 4);
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 2200);
}

void TSetWM::ShowForm(const WmForm& f) {
    useWmv_->SetValue(f.useWmv);
    frameRate_->ChangeValue(f.frameRate);
    bitRate_->ChangeValue(f.bitRate);
    autoExport_->SetSelection(f.autoExport);
}

WmForm TSetWM::ReadForm() const {
    return {useWmv_->GetValue(), Text(frameRate_), Text(bitRate_), autoExport_->GetSelection()};
}

std::span<const HelpIdEntry> TSetWM::HelpIds() {
    return kWmHelp;
}

// --- Image ---

TSetImage::TSetImage(wxWindow* parent, PrefContext& ctx)
    : TFormPage(parent, 9100, ctx, kImageHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    wxStaticBox* groupBox = nullptr;
    auto* group = GroupBox(this, pref_id::FormatGroup, _("&Default image file format"),
                           wxHORIZONTAL, &groupBox);
    jpg_ = new wxRadioButton(groupBox, pref_id::Jpg, "&JPG", wxDefaultPosition, wxDefaultSize,
                             wxRB_GROUP);
    png_ = new wxRadioButton(groupBox, pref_id::Png, "&PNG");
    bmp_ = new wxRadioButton(groupBox, pref_id::Bmp, "&BMP");
    gif_ = new wxRadioButton(groupBox, pref_id::Gif, "&GIF");
    for (wxRadioButton* b : {jpg_, png_, bmp_, gif_}) {
        group->Add(b, 0, wxALL, 4);
        b->Bind(wxEVT_RADIOBUTTON, &TSetImage::OnFormat, this);
    }
    s->Add(group, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    s->Add(Label(this, pref_id::QualityLabel, _("Picture &quality for lossy formats:")), 0,
           wxLEFT | wxRIGHT | wxTOP, kGap + 4);
    quality_ = PercentSlider(this, s, pref_id::Quality, 0, 100, &qualityText_, pref_id::QualityText,
                             pref_id::QualityMin, pref_id::QualityMax,
                             // TRANSLATORS: under the low end of the picture-quality slider
                             _("Min"),
                             // TRANSLATORS: under the high end of the picture-quality slider
                             _("Max"));
    quality_->Bind(wxEVT_SLIDER, &TSetImage::OnSlider, this);
    copyToClipboard_ =
        new wxCheckBox(this, pref_id::CopyToClipboard, _("Cop&y each snapshot to the clipboard"));
    s->Add(copyToClipboard_, 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    editSnapshots_ =
        new wxCheckBox(this, pref_id::EditSnapshots, _("&Edit each snapshot before saving"));
    s->Add(editSnapshots_, 0, wxLEFT | wxRIGHT | wxTOP, kGap);
    // The installed models by name; several are written "eng+deu"; empty: the desktop's.
    auto* language = new wxBoxSizer(wxHORIZONTAL);
    language->Add(Label(this, pref_id::TextLanguageLabel, _("&Text language:")), 0,
                  wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
    wxArrayString names;
    for (const std::string& name : ctx.textLanguages)
        names.Add(wxString::FromUTF8(name));
    textLanguage_ = new wxComboBox(this, pref_id::TextLanguage, wxEmptyString, wxDefaultPosition,
                                   wxDefaultSize, names);
    textLanguage_->SetHint(_("the desktop's language"));
    language->Add(textLanguage_, 1);
    s->Add(language, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 9100);
}

void TSetImage::ShowForm(const ImageForm& f) {
    (f.format == 0 ? png_ : f.format == 3 ? gif_ : f.format == 4 ? jpg_ : bmp_)->SetValue(true);
    quality_->SetValue(f.quality);
    qualityText_->SetLabel(PercentText(f.quality));
    copyToClipboard_->SetValue(f.copyToClipboard);
    editSnapshots_->SetValue(f.editSnapshots);
    textLanguage_->SetValue(wxString::FromUTF8(f.textLanguage));
}

ImageForm TSetImage::ReadForm() const {
    ImageForm f;
    f.format = jpg_->GetValue() ? 4 : png_->GetValue() ? 0 : gif_->GetValue() ? 3 : 1;
    f.quality = quality_->GetValue();
    f.copyToClipboard = copyToClipboard_->GetValue();
    f.editSnapshots = editSnapshots_->GetValue();
    f.textLanguage = textLanguage_->GetValue().Trim().Trim(false).utf8_string();
    return f;
}

void TSetImage::OnFormat(wxCommandEvent&) {
    ctx_.imageFormat = ReadForm().format;
}

void TSetImage::OnSlider(wxCommandEvent&) {
    qualityText_->SetLabel(PercentText(quality_->GetValue()));
}

std::span<const HelpIdEntry> TSetImage::HelpIds() {
    return kImageHelp;
}

// --- File ---

TSetFile::TSetFile(wxWindow* parent, PrefContext& ctx) : TSetPage(parent, 1300, ctx, kFileHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(Label(this, pref_id::PathLabel, _("Default file &path")), 0, wxLEFT | wxTOP, kGap);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    path_ = new wxStaticText(this, pref_id::Path, "", wxDefaultPosition, wxSize(300, -1),
                             wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE | wxBORDER_SUNKEN);
    row->Add(path_, 1, wxALIGN_CENTER_VERTICAL);
    row->Add(new wxButton(this, pref_id::Browse, _("&Browse...")), 0, wxLEFT, 8);
    s->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);

    auto patternRow = [&](int labelId, const char* label, int exampleId, int editId,
                          const char* edit, wxStaticText** example) {
        s->AddSpacer(6);
        s->Add(Label(this, labelId, label), 0, wxLEFT | wxRIGHT | wxTOP, kGap);
        auto* r = new wxBoxSizer(wxHORIZONTAL);
        *example = new wxStaticText(this, exampleId, "", wxDefaultPosition, wxSize(300, -1),
                                    wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
        r->Add(*example, 1, wxALIGN_CENTER_VERTICAL);
        r->Add(new wxButton(this, editId, edit), 0, wxLEFT, 8);
        s->Add(r, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kGap);
    };
    patternRow(pref_id::SnapLabel, _("&Image file naming pattern:"), pref_id::SnapExample,
               pref_id::SnapEdit, _("&Edit..."), &snapExample_);
    patternRow(pref_id::VidLabel, _("&Video file naming pattern:"), pref_id::VidExample,
               pref_id::VidEdit, _("Edi&t..."), &vidExample_);

    // "Number of files to keep" is carried but not offered.
    auto* keepLabel = Label(this, pref_id::KeepLabel, _("Number of files to &keep"));
    const wxString keeps[] = {"All", "1", "5", "10", "20"};
    keep_ = new wxComboBox(this, pref_id::Keep, "All", wxDefaultPosition, wxDefaultSize, 5, keeps);
    keepLabel->Hide();
    keep_->Hide();
    keep_->Disable();
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 1300);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Browse(); }, pref_id::Browse);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            TPatternDialog dlg(this, *ctx_.desktop, &snapName_, ctx_.imageFormat, &instanceMode_);
            if (dlg.ShowModal() == wxID_OK)
                UpdateSnapExample();
        },
        pref_id::SnapEdit);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            TPatternDialog dlg(this, *ctx_.desktop, &vidName_, 2, &instanceMode_);
            if (dlg.ShowModal() == wxID_OK)
                UpdateVidExample();
        },
        pref_id::VidEdit);
}

void TSetFile::Browse() {
    // Starts where the setting points, not at the label's text.
    std::optional<std::string> picked = ctx_.desktop->chooseDirectory(
        _("Choose directory").utf8_string(), ctx_.settings->defaultDirectory);
    if (!picked || picked->empty())
        return;
    std::string chosen = *picked;
    if (chosen.back() != '/')
        chosen += '/';
    path_->SetLabel(wxString::FromUTF8(chosen));
}

void TSetFile::SetUpPage() {
    FileForm f = SetUpFile(*ctx_.settings);
    path_->SetLabel(wxString::FromUTF8(f.directory));
    snapName_ = f.snapName;
    vidName_ = f.vidName;
    instanceMode_ = f.instanceMode;
    keep_->SetValue(f.keep);
}

void TSetFile::PageShown() {
    UpdateSnapExample();
    UpdateVidExample();
}

void TSetFile::UpdateSnapExample() {
    snapExample_->SetLabel(
        wxString::FromUTF8(FilePagePictureExample(snapName_, instanceMode_, ctx_.imageFormat)));
}

void TSetFile::UpdateVidExample() {
    vidExample_->SetLabel(wxString::FromUTF8(FilePageVideoExample(vidName_, instanceMode_)));
}

FileForm TSetFile::ReadForm() const {
    FileForm f;
    f.directory = path_->GetLabel().utf8_string();
    f.snapName = snapName_;
    f.vidName = vidName_;
    f.instanceMode = instanceMode_;
    f.keep = keep_->GetValue().utf8_string();
    return f;
}

void TSetFile::Apply(std::vector<std::string>& messages) {
    std::string problem = ApplyFile(ReadForm(), *ctx_.settings);
    if (!problem.empty())
        messages.push_back(problem);
}

std::span<const HelpIdEntry> TSetFile::HelpIds() {
    return kFileHelp;
}

// --- HotKey ---

TSetKey::TSetKey(wxWindow* parent, PrefContext& ctx) : TFormPage(parent, 9000, ctx, kKeyHelp) {
    auto* grid = new wxFlexGridSizer(3, kGap + 2, 8);
    grid->AddGrowableCol(1);
    struct Row {
        int label, key, clear;
        wxString text;
    };
    const Row rows[4] = {
        {pref_id::Key1Label, pref_id::Key1, pref_id::Key1Clear,
         _("Hot key for &video start/stop:")},
        {pref_id::Key2Label, pref_id::Key2, pref_id::Key2Clear, _("Hot key for &snapshot:")},
        {pref_id::Key3Label, pref_id::Key3, pref_id::Key3Clear, _("Hot key for &region snapshot:")},
        {pref_id::Key4Label, pref_id::Key4, pref_id::Key4Clear,
         _("Hot key for copying &text from a region:")}};
    for (int i = 0; i < 4; ++i) {
        grid->Add(Label(this, rows[i].label, rows[i].text), 0, wxALIGN_CENTER_VERTICAL);
        keys_[i] = new HotKeyCtrl(this, rows[i].key);
        grid->Add(keys_[i], 1, wxEXPAND);
        // TRANSLATORS: a button that removes the hot key beside it
        grid->Add(new wxButton(this, rows[i].clear, _("Clear")));
        HotKeyCtrl* key = keys_[i];
        Bind(
            wxEVT_BUTTON, [key](wxCommandEvent&) { key->SetHotKey(0); }, rows[i].clear);
    }
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(grid, 0, wxEXPAND | wxALL, kGap);
    s->Add(new wxStaticText(this, wxID_ANY,
                            _("Click a box and press the key combination; Backspace clears it.")),
           0, wxALL, kGap);
    if (!ctx.hotKeyNote.empty()) {
        auto* note = new wxStaticText(this, pref_id::KeyNote, wxString::FromUTF8(ctx.hotKeyNote));
        note->Wrap(FromDIP(470));
        s->Add(note, 0, wxLEFT | wxRIGHT | wxBOTTOM, kGap);
    }
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 9000);
}

void TSetKey::ShowForm(const KeyForm& f) {
    for (int i = 0; i < 4; ++i)
        keys_[i]->SetHotKey(f.keys[i]);
}

KeyForm TSetKey::ReadForm() const {
    KeyForm f;
    for (int i = 0; i < 4; ++i)
        f.keys[i] = keys_[i]->hotKey();
    return f;
}

bool TSetKey::CanClose() {
    std::vector<std::string> warnings = HotKeyWarnings(ReadForm(), ctx_.keyHeldElsewhere);
    if (warnings.empty())
        return true;
    std::string text;
    for (const std::string& w : warnings)
        text += w + "\n";
    text += "\n" + _("Keep these hot keys anyway?").utf8_string();
    return ctx_.desktop->message(text, "Tessaray", MessageKind::Warning,
                                 MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
}

std::span<const HelpIdEntry> TSetKey::HelpIds() {
    return kKeyHelp;
}

// --- Effects ---

TSetFx::TSetFx(wxWindow* parent, PrefContext& ctx) : TFormPage(parent, 3200, ctx, kFxHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    enable_ = AddCheck(this, s, pref_id::ScaleEnable, _("Scale image/video size:"));
    s->AddSpacer(kGap);
    scale_ = PercentSlider(this, s, pref_id::Scale, 10, 150, &scaleText_, pref_id::ScaleText,
                           wxID_ANY, wxID_ANY, wxString(), wxString());
    scale_->Bind(wxEVT_SLIDER, &TSetFx::OnSlider, this);
    PageSizer(this, s);
    ContextHelpWin::Attach(this, HelpIds(), 3200);
}

void TSetFx::ShowForm(const EffectsForm& f) {
    enable_->SetValue(f.enable);
    scale_->SetValue(f.scale);
    scaleText_->SetLabel(PercentText(f.scale));
}

void TSetFx::OnSlider(wxCommandEvent&) {
    int snapped = SnapScale(scale_->GetValue());
    if (snapped != scale_->GetValue())
        scale_->SetValue(snapped);
    scaleText_->SetLabel(PercentText(snapped));
}

EffectsForm TSetFx::ReadForm() const {
    return {enable_->GetValue(), scale_->GetValue()};
}

std::span<const HelpIdEntry> TSetFx::HelpIds() {
    return kFxHelp;
}

} // namespace tess
