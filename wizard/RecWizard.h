#pragma once
// The record wizard "Tessaray Record Wizard": walks the user through one capture. Pages in
// order: picture or video; the WMV page (a video) or the Image page (a picture) of the
// preferences, with their controls and apply; the file name; what to capture (screen, a
// window to click, a rectangle to drag, the monitor under the pointer); a summary. Finish applies
// the format page to the settings and starts the snapshot or the recording (which the usual Stop
// ends).
//
// The file name is checked before the wizard leaves the file page and again at Finish: a
// folder that does not exist or cannot be written, or an extension that does not fit the
// format, keeps the wizard open with a message naming the problem.
#include "capture/TClient.h"
#include "platform/Translate.h"
#include "settings/ui/PrefSheet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <wx/control.h>
#include <wx/timer.h>
#include <wx/wizard.h>

class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

namespace tess {

inline constexpr char kRecordWizardTitle[] = N_("Tessaray Record Wizard");

// Page resource numbers and control ids.
namespace wiz_id {
inline constexpr int ImVidPage = 28100, ImVidGroup = 28101, Image = 28102, Video = 28103;
inline constexpr int FilePage = 28200, FileLabel = 28201, FileEdit = 28202, Browse = 28203;
// The screen and window buttons' help ids, 38304 and 38303, lie beyond the toolkit's window
// ids (below 32767); the buttons take 28304 and 28303 and the help table maps them.
inline constexpr int RectPage = 28300, RectGroup = 28301, Rectangle = 28302, Window = 28303,
                     Screen = 28304, Monitor = 28305;
inline constexpr int WrapPage = 28400, Summary = 28401, Picture = 28402, Instruction = 28403,
                     Animation = 101;
inline constexpr int WmPage = 2200, ImagePage = 9100;
} // namespace wiz_id

// The pages a picture or a video passes through, by resource number.
std::vector<int> WizardPageOrder(bool picture);

// What Finish starts.
struct WizardOrder {
    bool picture = false;
    CaptureMode target = CaptureMode::Screen;
    std::string path;        // the file to write; empty: a name from the pattern
    int32_t imageFormat = 0; // the picture's format (a picture only)
};

// The file the typed name stands for, or the problem with it. An empty name leaves the path
// empty (the pattern names the file; `example` is the name it would give now); a name
// without a folder goes into DefaultDirectory; a name without an extension gets the
// format's. The folder must exist and take a new file; the extension must fit the format.
struct WizardFile {
    std::string path;
    std::string example; // the file to be written (the pattern's next name when `path` is empty)
    std::string problem; // empty when the name can be used
};
WizardFile ResolveWizardFile(const std::string& typed, bool picture, int32_t imageFormat,
                             const Settings& settings);

// The summary page's two texts: what will be captured, where, in which format; and what
// to do next.
std::string WizardSummary(const WizardOrder& order, const std::string& file,
                          const Settings& settings);
std::string WizardInstruction(const WizardOrder& order);

// The last page's animation control (101): a small picture of a recording in progress,
// drawn from the program's art (RecordingAnimationFrames), playing while the page is shown.
class WizAnimation : public wxControl {
public:
    WizAnimation(wxWindow* parent, int id);
    void Play();
    void Stop();
    bool playing() const { return timer_.IsRunning(); }
    size_t frame() const { return frame_; }
    // The frame drawn now.
    const wxBitmap& picture() const { return frames_[frame_]; }

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& e);
    void OnTimer(wxTimerEvent& e);
    std::vector<wxBitmap> frames_;
    wxTimer timer_;
    size_t frame_ = 0;
};

class RecWizard : public wxWizard {
public:
    // Pages edit `settings` (normally the global record) only through the format page's
    // apply at Finish. `desktop` shows why a file is refused.
    RecWizard(wxWindow* parent, Settings& settings, DesktopServices& desktop);
    ~RecWizard() override;

    // Runs the wizard modally from its first page; the order when it was finished.
    std::optional<WizardOrder> Run();
    // The wizard being run, or null (tests drive it).
    static RecWizard* Current();

    // The page with a resource number, and the page shown.
    wxWizardPage* PageById(int resourceId) const;
    int currentId() const;
    // Presses "Next >" / "Finish", "< Back" or "Cancel" (as the user would).
    void PressNext();
    void PressBack();
    void PressCancel();

    // The choices on the pages (the controls, for tests and the summary).
    bool pictureChosen() const;
    void ChoosePicture(bool picture);
    void SetFileName(const std::string& name);
    void ChooseTarget(CaptureMode target);
    CaptureMode target() const;
    std::string summaryText() const;
    TSetPage* formatPage(bool picture) const;

    // The save dialog behind "Browse...", replaceable for tests: given the wizard, the
    // current name and the wildcard, the chosen file or empty.
    static std::function<std::string(wxWindow*, const std::string&, const std::string&)>&
    SaveChooser();

    // The help-id table of the wizard's own pages (the WMV and Image pages keep theirs).
    static std::span<const HelpIdEntry> HelpIds();

    // The program-wide picture-chosen flag (page 1 starts from it).
    static bool& PictureFlag();

private:
    friend class WizPage;
    friend class WizFile;
    wxWizardPage* Neighbour(int resourceId, int step) const;
    WizardOrder CurrentOrder() const;
    // Checks the file name; shows the problem and returns false when there is one.
    bool CheckFile();
    void Browse();
    void FillSummary();
    void OnChanging(wxWizardEvent& e);
    void OnChanged(wxWizardEvent& e);
    void OnFinished(wxWizardEvent& e);
    void OnHelp(wxWizardEvent& e);
    void Press(int buttonId);

    Settings& settings_;
    PrefContext ctx_;
    std::vector<wxWizardPage*> pages_;
    wxRadioButton *image_ = nullptr, *video_ = nullptr;
    TSetPage *wmPage_ = nullptr, *imagePage_ = nullptr;
    wxTextCtrl* fileEdit_ = nullptr;
    wxRadioButton *screen_ = nullptr, *window_ = nullptr, *rect_ = nullptr, *monitor_ = nullptr;
    wxStaticText *summary_ = nullptr, *instruction_ = nullptr;
    WizAnimation* animation_ = nullptr;
    std::optional<WizardOrder> finished_;
};

// Command 1832: runs the wizard over the client window; on Finish the format page is
// applied, `settingsChanged` is called (the frame saves and updates), and the capture starts.
void RunRecordWizard(TClient* client, const std::function<void()>& settingsChanged = {});

} // namespace tess
