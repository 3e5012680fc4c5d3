#pragma once
// The "Options" sheet with its eleven pages and the "Capture Effects Options" sheet (Caption
// and Effects), and the two pages that draw on the sound and caption code: "Sound device"
// (TSetSound) and "Caption" (TSetCaption).
#include "media/Caption.h"
#include "settings/ui/PrefPages.h"

#include <memory>

class wxButton;
class wxComboBox;
class wxSlider;
class wxSpinButton;

namespace tess {

namespace pref_id {
// Sound device (2300)
inline constexpr int InputLabel = 2301, Input = 2302, OutputLabel = 2303, Output = 2304,
                     MixerLineLabel = 2305, MixerLine = 2306, ChangeMixer = 2307,
                     RecordLabel = 2308, Record = 2309, DesktopLabel = 2310, Desktop = 2311,
                     SoundQualityLabel = 2312, SoundQuality = 2313, BalanceLabel = 2314,
                     Balance = 2315, BalanceMicrophone = 2316, BalanceDesktop = 2317,
                     NoSoundNote = 2318, TurnSoundOn = 2319;
// Caption (2700)
inline constexpr int CapEnable = 2701, CapText = 2702, AddDateTime = 2703, TextColor = 2704,
                     TextSwatch = 2705, BackColor = 2706, BackSwatch = 2707, Font = 2708,
                     FontText = 2709, ModeGroup = 2710, Opaque = 2711, Transparent = 2712,
                     Translucent = 2713, Border = 2714, AlignGroup = 2715, Left = 2716,
                     Middle = 2717, Right = 2718, VertLabel = 2719, Vert = 2720, VertSpin = 2721,
                     Preview = 2722;
} // namespace pref_id

class TSetSound : public TFormPage<SoundForm, SetUpSound, ApplySound> {
public:
    TSetSound(wxWindow* parent, PrefContext& ctx);
    SoundForm ReadForm() const override;
    // Also stores "Include audio with video capture" when "Turn it on" was pressed.
    void Apply(std::vector<std::string>& messages) override;
    void PageShown() override;
    static std::span<const HelpIdEntry> HelpIds();
    wxComboBox* inputBox() const { return input_; }
    wxComboBox* outputBox() const { return output_; }
    wxComboBox* mixerLineBox() const { return line_; }
    wxComboBox* recordBox() const { return record_; }
    wxComboBox* desktopBox() const { return desktop_; }
    wxComboBox* qualityBox() const { return quality_; }
    wxSlider* balanceSlider() const { return balance_; }
    // The note that no sound is recorded, with its "Turn it on" button; shown while
    // "Include audio with video capture" is off.
    wxStaticText* noSoundNote() const { return noSound_; }
    wxButton* turnSoundOnButton() const { return turnOn_; }
    // Greys the controls that do not apply to the "Record" choice; with the desktop's sound
    // "Voice (8 kHz)" too, and 128 kbit/s takes its place (given back on a return to the
    // microphone alone).
    void EnableForRecord();
    void TurnSoundOn();

protected:
    void ShowForm(const SoundForm& f) override;

private:
    void FillLines(const std::string& keep);
    void ShowSoundNote();
    // The context's lists, or the system's.
    const SoundDeviceLists& Devices() const;
    wxComboBox *input_, *output_, *line_, *record_, *desktop_, *quality_;
    wxCheckBox* change_;
    wxSlider* balance_;
    wxStaticText* noSound_;
    wxButton* turnOn_;
    bool voiceReplaced_ = false; // "Voice (8 kHz)" gave way to 128 kbit/s for the desktop
    std::vector<DesktopSourceEntry> desktops_; // the entries of desktop_
};

// The Caption page's preview: the caption as it will look, drawn by the caption code.
class CaptionPreview : public wxWindow {
public:
    CaptionPreview(wxWindow* parent, int id);
    void Set(const SCaption& caption, const std::string& text);
    const SCaption& caption() const { return caption_; }
    const std::string& text() const { return text_; }
    // How often the caption or text was set.
    int updates() const { return updates_; }
    // The picture the preview shows at its present size.
    MemBm Render() const;

private:
    void OnPaint(wxPaintEvent&);
    SCaption caption_{nullptr, 0, 0xffffff, 0, 1, 0, nullptr};
    std::string text_;
    int updates_ = 0;
};

class TSetCaption : public TFormPage<CaptionForm, SetUpCaption, ApplyCaption> {
public:
    TSetCaption(wxWindow* parent, PrefContext& ctx);
    ~TSetCaption() override;
    CaptionForm ReadForm() const override;
    static std::span<const HelpIdEntry> HelpIds();
    wxTextCtrl* textField() const { return text_; }
    wxTextCtrl* vertField() const { return vert_; }
    wxStaticText* fontText() const { return fontText_; }
    CaptionPreview* preview() const { return preview_; }
    // Takes a chosen font: sizes outside 5..20 points are brought inside, the label and the
    // preview follow.
    void TakeFont(const class wxFont& font);
    void AddDateTime();

protected:
    void ShowForm(const CaptionForm& f) override;

private:
    void ChooseFont();
    void UpdatePreview();
    wxCheckBox* enable_;
    wxTextCtrl* text_;
    ColourSwatch *textSwatch_, *backSwatch_;
    wxStaticText* fontText_;
    wxRadioButton* modes_[4];
    wxRadioButton* aligns_[3];
    wxTextCtrl* vert_;
    wxSpinButton* spin_;
    CaptionPreview* preview_;
    std::array<uint8_t, 60> font_{};
    bool fontSet_ = false;
};

// The sheets, built for one run. Their pages edit `ctx`.
std::unique_ptr<TPrefSheet> MakeOptionsSheet(wxWindow* parent, PrefContext& ctx);
std::unique_ptr<TPrefSheet> MakeEffectsSheet(wxWindow* parent, PrefContext& ctx);

} // namespace tess
