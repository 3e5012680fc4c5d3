#pragma once
// The pages of the "Options" sheet that show settings only: General, Display, Capture, WMV,
// Image, File, HotKey and Effects (the Sound device, Caption and Timer pages live with the
// code they draw on). Each page moves its form (settings/PrefForms.h) in and out of its
// controls; the controls are reachable for tests.
#include "settings/PrefForms.h"
#include "settings/ui/PrefSheet.h"

#include <wx/textctrl.h>

class wxCheckBox;
class wxChoice;
class wxColourData;
class wxComboBox;
class wxRadioButton;
class wxSlider;
class wxSpinCtrl;
class wxStaticBox;
class wxStaticBoxSizer;
class wxStaticText;
class wxButton;

namespace tess {

// A small box painted in one colour (the colour buttons' swatches).
class ColourSwatch : public wxPanel {
public:
    ColourSwatch(wxWindow* parent, int id);
    void SetColour(uint32_t color); // 0x00BBGGRR
    uint32_t colour() const { return colour_; }

private:
    uint32_t colour_ = 0;
};

// A group box with its sizer, at least as wide as its title.
wxStaticBoxSizer* GroupBox(wxWindow* parent, int id, const wxString& title, int orient,
                           wxStaticBox** box);

// Runs the colour chooser on `color` with the custom colours of `customs` (kept by the
// caller for the life of the process); true and the new colour on OK.
bool ChooseColour(wxWindow* parent, uint32_t* color, wxColourData& customs);

// Records a key combination when pressed and shows it as text ("Ctrl + Shift + F9");
// Backspace or Delete without modifiers clear it. The value is the hot-key encoding.
class HotKeyCtrl : public wxTextCtrl {
public:
    HotKeyCtrl(wxWindow* parent, int id);
    void SetHotKey(uint16_t value);
    uint16_t hotKey() const { return value_; }
    // The value a key press gives: key code (X keysym, or the toolkit's key code when the
    // keysym names no key) and modifiers; 0 for a modifier key alone.
    static uint16_t ValueForKey(unsigned long keysym, int toolkitKeyCode, bool shift, bool ctrl,
                                bool alt);

private:
    void OnKeyDown(wxKeyEvent& e);
    uint16_t value_ = 0;
};

// Control ids of the pages.
namespace pref_id {
// General (300)
inline constexpr int AlwaysStart = 301, MinimizeOnStart = 302, TrayIcon = 303, OnTop = 304,
                     HideFromTaskbar = 305;
// Display (27200)
inline constexpr int Shrink = 27201, DisplayOpenAuto = 27202, SnapSystemDisplay = 27203,
                     VidSystemDisplay = 27204, Notify = 27205, LanguageLabel = 27206,
                     Language = 27207, LanguageNote = 27208;
// Capture (27300)
inline constexpr int ActionGroup = 27300 + 1, ActionHide = 27302, ActionMinimize = 27303,
                     ActionNone = 27304, Delay = 27305, Cursor = 27306, VidAudio = 27307,
                     Stealth = 27308, StealthNote = 27309, SelColorButton = 27310,
                     SelColorSwatch = 27311, DelaySeconds = 27312, DelaySecondsLabel = 27313;
// WMV (2200)
inline constexpr int UseWmv = 2201, FrameRateLabel = 2202, FrameRate = 2203, BitRateLabel = 2204,
                     BitRate = 2205, AutoExportLabel = 2206, AutoExport = 2207;
// Image (9100)
inline constexpr int FormatGroup = 9101, Jpg = 9102, Png = 9103, Bmp = 9104, Gif = 9105,
                     QualityLabel = 9106, Quality = 9107, QualityText = 9108, QualityMin = 9109,
                     QualityMax = 9110, CopyToClipboard = 9111, EditSnapshots = 9112;
// Image page: the models that read text ("Copy Text")
inline constexpr int TextLanguageLabel = 9113, TextLanguage = 9114;
// File (1300)
inline constexpr int PathLabel = 1301, Browse = 1302, Path = 1308, SnapLabel = 1314,
                     SnapExample = 1315, VidLabel = 1322, VidExample = 1323, SnapEdit = 1327,
                     VidEdit = 1329, Keep = 1330, KeepLabel = 1331;
// HotKey (9000)
inline constexpr int Key1 = 9001, Key1Label = 9002, Key2 = 9003, Key2Label = 9004, Key3 = 9005,
                     Key3Label = 9006, Key4 = 9007, Key4Label = 9008, Key1Clear = 9011,
                     Key2Clear = 9013, Key3Clear = 9015, Key4Clear = 9017, KeyNote = 9020;
// Effects (3200)
inline constexpr int ScaleEnable = 3201, Scale = 3202, ScaleText = 3203;
} // namespace pref_id

class TSetApp : public TFormPage<GeneralForm, SetUpGeneral, ApplyGeneral> {
public:
    TSetApp(wxWindow* parent, PrefContext& ctx);
    GeneralForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();

protected:
    void ShowForm(const GeneralForm& f) override;

private:
    wxCheckBox *alwaysStart_, *minimize_, *tray_, *onTop_;
};

class TSetDisplay : public TFormPage<DisplayForm, SetUpDisplay, ApplyDisplay> {
public:
    TSetDisplay(wxWindow* parent, PrefContext& ctx);
    DisplayForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();

protected:
    void ShowForm(const DisplayForm& f) override;

private:
    wxCheckBox *shrink_, *auto_, *snapSystem_, *vidSystem_, *notify_;
    wxChoice* language_;
    std::vector<LanguageEntry> languages_; // the entries of language_
};

class TSetCapture : public TFormPage<CaptureForm, SetUpCapture, ApplyCapture> {
public:
    TSetCapture(wxWindow* parent, PrefContext& ctx);
    CaptureForm ReadForm() const override;
    void PageShown() override;
    static std::span<const HelpIdEntry> HelpIds();
    ColourSwatch* swatch() const { return swatch_; }

protected:
    void ShowForm(const CaptureForm& f) override;

private:
    void OnChooseColour(wxCommandEvent&);
    wxRadioButton *hide_, *minimize_, *none_;
    wxCheckBox *delay_, *cursor_, *audio_, *stealth_;
    wxSpinCtrl* delaySeconds_;
    ColourSwatch* swatch_;
};

class TSetWM : public TFormPage<WmForm, SetUpWm, ApplyWm> {
public:
    TSetWM(wxWindow* parent, PrefContext& ctx);
    WmForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();

protected:
    void ShowForm(const WmForm& f) override;

private:
    wxCheckBox* useWmv_;
    wxTextCtrl *frameRate_, *bitRate_;
    wxChoice* autoExport_;
};

class TSetImage : public TFormPage<ImageForm, SetUpImage, ApplyImage> {
public:
    TSetImage(wxWindow* parent, PrefContext& ctx);
    ImageForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();
    wxSlider* slider() const { return quality_; }
    wxStaticText* qualityText() const { return qualityText_; }
    wxCheckBox* copyToClipboard() const { return copyToClipboard_; }
    wxCheckBox* editSnapshots() const { return editSnapshots_; }
    wxComboBox* textLanguage() const { return textLanguage_; }

protected:
    void ShowForm(const ImageForm& f) override;

private:
    void OnFormat(wxCommandEvent&);
    void OnSlider(wxCommandEvent&);
    wxRadioButton *jpg_, *png_, *bmp_, *gif_;
    wxSlider* quality_;
    wxStaticText* qualityText_;
    wxCheckBox* copyToClipboard_;
    wxCheckBox* editSnapshots_;
    wxComboBox* textLanguage_;
};

class TSetFile : public TSetPage {
public:
    TSetFile(wxWindow* parent, PrefContext& ctx);
    FileForm ReadForm() const;
    void Apply(std::vector<std::string>& messages) override;
    void PageShown() override;
    static std::span<const HelpIdEntry> HelpIds();
    wxStaticText* pathText() const { return path_; }
    wxStaticText* snapExample() const { return snapExample_; }
    wxStaticText* vidExample() const { return vidExample_; }
    wxComboBox* keepBox() const { return keep_; }
    void Browse();

protected:
    void SetUpPage() override;

private:
    void UpdateSnapExample();
    void UpdateVidExample();
    wxStaticText* path_;
    wxStaticText *snapExample_, *vidExample_;
    wxComboBox* keep_;
    std::string snapName_, vidName_;
    int32_t instanceMode_ = 0;
};

class TSetKey : public TFormPage<KeyForm, SetUpKeys, ApplyKeys> {
public:
    TSetKey(wxWindow* parent, PrefContext& ctx);
    KeyForm ReadForm() const override;
    // Warns about hot keys given twice or held by another program; the user may go back.
    bool CanClose() override;
    static std::span<const HelpIdEntry> HelpIds();
    HotKeyCtrl* keyCtrl(int index) const { return keys_[index]; }

protected:
    void ShowForm(const KeyForm& f) override;

private:
    HotKeyCtrl* keys_[4];
};

class TSetFx : public TFormPage<EffectsForm, SetUpEffects, ApplyEffects> {
public:
    TSetFx(wxWindow* parent, PrefContext& ctx);
    EffectsForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();
    wxSlider* slider() const { return scale_; }
    wxStaticText* scaleText() const { return scaleText_; }

protected:
    void ShowForm(const EffectsForm& f) override;

private:
    void OnSlider(wxCommandEvent&);
    wxCheckBox* enable_;
    wxSlider* scale_;
    wxStaticText* scaleText_;
};

} // namespace tess
