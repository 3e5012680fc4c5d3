#include "wizard/RecWizard.h"

#include "capture/WxDesktopServices.h"
#include "platform/gtk/Desktop.h"
#include "resources/PopupHelpIds.h"
#include "resources/ui/Art.h"
#include "resources/ui/ContextHelp.h"
#include "settings/FileNames.h"
#include "settings/ui/PrefPages.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace tess {

namespace fs = std::filesystem;

namespace {

constexpr int kGap = 6;
constexpr int kMargin = 10;
constexpr int kTextWidth = 380; // the width the summary texts wrap at

RecWizard* g_current = nullptr;

// One table for the wizard's own pages (their control ids differ).
constexpr HelpIdEntry kWizardHelp[] = {{wiz_id::ImVidGroup, help_id::WizImVid},
                                       {wiz_id::Image, help_id::WizImage},
                                       {wiz_id::Video, help_id::WizVideo},
                                       {wiz_id::FileEdit, help_id::WizFile},
                                       {wiz_id::FileLabel, help_id::WizFile},
                                       {wiz_id::Browse, help_id::WizBrowse},
                                       {wiz_id::RectGroup, help_id::WizRegion},
                                       {wiz_id::Screen, help_id::WizScreen},
                                       {wiz_id::Window, help_id::WizWindow},
                                       {wiz_id::Rectangle, help_id::WizRectangle},
                                       {wiz_id::Monitor, help_id::WizMonitor},
                                       {wiz_id::Summary, help_id::WizSummary},
                                       {wiz_id::Instruction, help_id::WizInstruction}};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The picture format's name, "PNG".
wxString FormatName(int32_t imageFormat) {
    std::string ext = ExtensionForImageFormat(imageFormat);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return wxString::FromUTF8(ext);
}

wxString U8(const std::string& text) {
    return wxString::FromUTF8(text);
}

bool ExtensionFits(const std::string& ext, bool picture, int32_t imageFormat) {
    const std::string e = Lower(ext);
    if (!picture)
        return e == "wmv" || e == "asf";
    const std::string want = ExtensionForImageFormat(imageFormat);
    return e == want || (want == "jpg" && e == "jpeg");
}

// Whether a new file can be made in `dir`: tried with a file of our own, removed again
// (permissions alone say nothing for root, and a read-only mount only shows on writing).
std::string FolderProblem(const fs::path& dir) {
    std::error_code ec;
    if (!fs::exists(dir, ec))
        return wxString::Format(_("The folder \"%s\" does not exist."), U8(dir.string()))
            .utf8_string();
    if (!fs::is_directory(dir, ec))
        return wxString::Format(_("\"%s\" is not a folder."), U8(dir.string())).utf8_string();
    std::string probe = (dir / (".tessaray-probe-" + std::to_string(getpid()))).string();
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return {};
        return wxString::Format(_("The folder \"%1$s\" cannot be written: %2$s."), U8(dir.string()),
                                U8(std::strerror(errno)))
            .utf8_string();
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

// The summary's first line, one whole sentence for each target (and, of a video, each sound).
wxString PictureSummary(CaptureMode target, const wxString& format) {
    switch (target) {
    case CaptureMode::Window:
        // TRANSLATORS: %s is a picture format's name, such as PNG
        return wxString::Format(
            _("Tessaray will take a snapshot of the window you click and save it as a %s "
              "picture:"),
            format);
    case CaptureMode::Region:
        return wxString::Format(
            _("Tessaray will take a snapshot of the rectangle you drag and save it as a %s "
              "picture:"),
            format);
    case CaptureMode::Monitor:
        return wxString::Format(_("Tessaray will take a snapshot of the monitor under the "
                                  "pointer and save it as a %s picture:"),
                                format);
    default:
        return wxString::Format(
            _("Tessaray will take a snapshot of the entire screen and save it as a %s picture:"),
            format);
    }
}

// `sound`: 0 none, 1 the microphone, 2 the desktop's sound, 3 both.
wxString VideoSummaryFormat(CaptureMode target, int sound, int fps) {
    switch (target) {
    case CaptureMode::Window:
        switch (sound) {
        case 1:
            return wxPLURAL("Tessaray will record a video of the window you click at %d frame a "
                            "second, with sound from the microphone, into:",
                            "Tessaray will record a video of the window you click at %d frames a "
                            "second, with sound from the microphone, into:",
                            fps);
        case 2:
            return wxPLURAL("Tessaray will record a video of the window you click at %d frame a "
                            "second, with the desktop's sound, into:",
                            "Tessaray will record a video of the window you click at %d frames a "
                            "second, with the desktop's sound, into:",
                            fps);
        case 3:
            return wxPLURAL("Tessaray will record a video of the window you click at %d frame a "
                            "second, with the microphone and the desktop's sound, into:",
                            "Tessaray will record a video of the window you click at %d frames a "
                            "second, with the microphone and the desktop's sound, into:",
                            fps);
        default:
            return wxPLURAL(
                "Tessaray will record a video of the window you click at %d frame a second into:",
                "Tessaray will record a video of the window you click at %d frames a second into:",
                fps);
        }
    case CaptureMode::Region:
        switch (sound) {
        case 1:
            return wxPLURAL("Tessaray will record a video of the rectangle you drag at %d frame a "
                            "second, with sound from the microphone, into:",
                            "Tessaray will record a video of the rectangle you drag at %d frames "
                            "a second, with sound from the microphone, into:",
                            fps);
        case 2:
            return wxPLURAL("Tessaray will record a video of the rectangle you drag at %d frame a "
                            "second, with the desktop's sound, into:",
                            "Tessaray will record a video of the rectangle you drag at %d frames "
                            "a second, with the desktop's sound, into:",
                            fps);
        case 3:
            return wxPLURAL("Tessaray will record a video of the rectangle you drag at %d frame a "
                            "second, with the microphone and the desktop's sound, into:",
                            "Tessaray will record a video of the rectangle you drag at %d frames "
                            "a second, with the microphone and the desktop's sound, into:",
                            fps);
        default:
            return wxPLURAL("Tessaray will record a video of the rectangle you drag at %d frame a "
                            "second into:",
                            "Tessaray will record a video of the rectangle you drag at %d frames "
                            "a second into:",
                            fps);
        }
    case CaptureMode::Monitor:
        switch (sound) {
        case 1:
            return wxPLURAL("Tessaray will record a video of the monitor under the pointer at %d "
                            "frame a second, with sound from the microphone, into:",
                            "Tessaray will record a video of the monitor under the pointer at %d "
                            "frames a second, with sound from the microphone, into:",
                            fps);
        case 2:
            return wxPLURAL("Tessaray will record a video of the monitor under the pointer at %d "
                            "frame a second, with the desktop's sound, into:",
                            "Tessaray will record a video of the monitor under the pointer at %d "
                            "frames a second, with the desktop's sound, into:",
                            fps);
        case 3:
            return wxPLURAL("Tessaray will record a video of the monitor under the pointer at %d "
                            "frame a second, with the microphone and the desktop's sound, into:",
                            "Tessaray will record a video of the monitor under the pointer at %d "
                            "frames a second, with the microphone and the desktop's sound, into:",
                            fps);
        default:
            return wxPLURAL("Tessaray will record a video of the monitor under the pointer at %d "
                            "frame a second into:",
                            "Tessaray will record a video of the monitor under the pointer at %d "
                            "frames a second into:",
                            fps);
        }
    default:
        switch (sound) {
        case 1:
            return wxPLURAL("Tessaray will record a video of the entire screen at %d frame a "
                            "second, with sound from the microphone, into:",
                            "Tessaray will record a video of the entire screen at %d frames a "
                            "second, with sound from the microphone, into:",
                            fps);
        case 2:
            return wxPLURAL("Tessaray will record a video of the entire screen at %d frame a "
                            "second, with the desktop's sound, into:",
                            "Tessaray will record a video of the entire screen at %d frames a "
                            "second, with the desktop's sound, into:",
                            fps);
        case 3:
            return wxPLURAL("Tessaray will record a video of the entire screen at %d frame a "
                            "second, with the microphone and the desktop's sound, into:",
                            "Tessaray will record a video of the entire screen at %d frames a "
                            "second, with the microphone and the desktop's sound, into:",
                            fps);
        default:
            return wxPLURAL(
                "Tessaray will record a video of the entire screen at %d frame a second into:",
                "Tessaray will record a video of the entire screen at %d frames a second into:",
                fps);
        }
    }
}

wxStaticBoxSizer* Group(wxWindow* parent, int id, const wxString& title) {
    auto* box = new wxStaticBox(parent, id, title);
    auto* sizer = new wxStaticBoxSizer(box, wxVERTICAL);
    sizer->SetMinSize(wxSize(box->GetBestSize().x + 2 * kMargin, -1));
    return sizer;
}

wxRadioButton* Radio(wxWindow* parent, wxSizer* sizer, int id, const wxString& label,
                     bool first = false) {
    auto* b = new wxRadioButton(parent, id, label, wxDefaultPosition, wxDefaultSize,
                                first ? wxRB_GROUP : 0);
    sizer->Add(b, 0, wxALL, kGap);
    return b;
}

void PageSizer(wxWindow* page, wxSizer* content) {
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(content, 1, wxEXPAND | wxALL, kMargin);
    page->SetSizer(outer);
}

} // namespace

std::vector<int> WizardPageOrder(bool picture) {
    return {wiz_id::ImVidPage, picture ? wiz_id::ImagePage : wiz_id::WmPage, wiz_id::FilePage,
            wiz_id::RectPage, wiz_id::WrapPage};
}

WizardFile ResolveWizardFile(const std::string& typed, bool picture, int32_t imageFormat,
                             const Settings& settings) {
    WizardFile out;
    const std::string ext = picture ? ExtensionForImageFormat(imageFormat) : "wmv";
    std::string name = typed;
    // Blanks around a typed name are slips of the keyboard.
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.empty()) {
        const std::string& pattern = picture ? settings.fileSnapName : settings.fileVidName;
        CaptureFileName next = MakeCaptureFileName(settings.defaultDirectory, pattern, ext, -1,
                                                   settings.fileInstanceMode);
        if (!next.ok)
            out.problem = next.error;
        else
            out.example = next.path;
        return out;
    }
    fs::path p(name);
    if (p.has_parent_path() && name.back() == '/') {
        out.problem =
            wxString::Format(_("\"%s\" names a folder; type a file name after it."), U8(name))
                .utf8_string();
        return out;
    }
    if (!p.has_parent_path())
        p = fs::path(settings.defaultDirectory) / p;
    if (!p.has_extension() || p.extension() == ".")
        p.replace_extension(ext);
    const std::string given = p.extension().string().substr(1);
    if (!ExtensionFits(given, picture, imageFormat)) {
        out.problem =
            (picture ? wxString::Format(_("The file name \"%1$s\" does not fit a %2$s picture: use "
                                          "the extension \".%3$s\"."),
                                        U8(p.filename().string()), FormatName(imageFormat), U8(ext))
                     : wxString::Format(_("The file name \"%1$s\" does not fit a WMV video: use "
                                          "the extension \".%2$s\"."),
                                        U8(p.filename().string()), U8(ext)))
                .utf8_string();
        return out;
    }
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
        out.problem = wxString::Format(_("\"%s\" is a folder, not a file name."), U8(p.string()))
                          .utf8_string();
        return out;
    }
    out.problem = FolderProblem(p.parent_path());
    out.path = out.example = p.string();
    return out;
}

std::string WizardSummary(const WizardOrder& order, const std::string& file,
                          const Settings& settings) {
    wxString s;
    if (order.picture) {
        s = PictureSummary(order.target, FormatName(order.imageFormat));
    } else {
        // The sound is the Sound device page's choice, switched on by "Record audio".
        const int sound = settings.vidAudio ? std::clamp(settings.soundSource, 0, 2) + 1 : 0;
        const int fps = static_cast<int>(settings.wmFrameRate);
        s = wxString::Format(VideoSummaryFormat(order.target, sound, fps), fps);
    }
    s += "\n" + (file.empty() ? _("a name from the file-name pattern") : U8(file));
    if (order.path.empty())
        s += "\n" + _("(the next free name from the file-name pattern)");
    return s.utf8_string();
}

std::string WizardInstruction(const WizardOrder& order) {
    wxString s = _("Click Finish to start.");
    if (order.target == CaptureMode::Window)
        s += " " + _("Then click the window to capture.");
    else if (order.target == CaptureMode::Region)
        s += " " + _("Then drag the rectangle to capture.");
    else if (order.target == CaptureMode::Monitor)
        s += " " + _("The monitor under the pointer then is captured.");
    if (!order.picture)
        s += " " + _("The recording runs until you choose Stop Recording.");
    return s.utf8_string();
}

// A wizard page that finds its neighbours in the wizard's page order.
class WizPage : public wxWizardPage {
public:
    WizPage(RecWizard* wizard, int resourceId)
        : wxWizardPage(wizard), wizard_(wizard), resourceId_(resourceId) {
        SetId(resourceId);
    }
    wxWizardPage* GetPrev() const override { return wizard_->Neighbour(resourceId_, -1); }
    wxWizardPage* GetNext() const override { return wizard_->Neighbour(resourceId_, +1); }
    int resourceId() const { return resourceId_; }

protected:
    RecWizard* wizard_;
    int resourceId_;
};

// A preferences page (WMV or Image) inside a wizard page.
class WizSheetPage : public WizPage {
public:
    WizSheetPage(RecWizard* wizard, int resourceId) : WizPage(wizard, resourceId) {}
    void Hold(TSetPage* page) {
        page_ = page;
        auto* s = new wxBoxSizer(wxVERTICAL);
        s->Add(page, 1, wxEXPAND);
        SetSizer(s);
    }
    TSetPage* page() const { return page_; }

private:
    TSetPage* page_ = nullptr;
};

RecWizard::RecWizard(wxWindow* parent, Settings& settings, DesktopServices& desktop)
    : settings_(settings) {
    // The Help button is made by Create when the extra style asks for it.
    SetExtraStyle(wxWIZARD_EX_HELPBUTTON);
    Create(parent, wxID_ANY, wxGetTranslation(kRecordWizardTitle), wxNullBitmap, wxDefaultPosition,
           wxDEFAULT_DIALOG_STYLE);
    ctx_.settings = &settings_;
    ctx_.desktop = &desktop;
    ctx_.imageFormat = settings_.imageFormat;
    g_current = this;

    // 1: picture or video.
    auto* imVid = new WizPage(this, wiz_id::ImVidPage);
    {
        auto* group = Group(imVid, wiz_id::ImVidGroup, _("&Select IMAGE or VIDEO Capture"));
        image_ = Radio(imVid, group, wiz_id::Image, _("&Image"), true);
        video_ = Radio(imVid, group, wiz_id::Video, _("&Video"));
        video_->SetValue(true);
        auto* s = new wxBoxSizer(wxVERTICAL);
        s->Add(group, 0, wxEXPAND);
        PageSizer(imVid, s);
        ContextHelpWin::Attach(imVid, kWizardHelp, wiz_id::ImVidPage);
    }
    // 2 and 3: the preferences' WMV and Image pages.
    auto* wm = new WizSheetPage(this, wiz_id::WmPage);
    wmPage_ = new TSetWM(wm, ctx_);
    wm->Hold(wmPage_);
    auto* img = new WizSheetPage(this, wiz_id::ImagePage);
    imagePage_ = new TSetImage(img, ctx_);
    img->Hold(imagePage_);
    // 4: the file name.
    auto* file = new WizPage(this, wiz_id::FilePage);
    {
        auto* s = new wxBoxSizer(wxVERTICAL);
        s->Add(new wxStaticText(file, wiz_id::FileLabel,
                                _("Input path and &file name for this operation:")),
               0, wxBOTTOM, kGap);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        fileEdit_ = new wxTextCtrl(file, wiz_id::FileEdit, "", wxDefaultPosition, wxSize(280, -1));
        row->Add(fileEdit_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
        auto* browse = new wxButton(file, wiz_id::Browse, _("Browse..."));
        browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Browse(); });
        row->Add(browse, 0, wxALIGN_CENTER_VERTICAL);
        s->Add(row, 0, wxEXPAND);
        s->Add(new wxStaticText(file, wxID_ANY,
                                _("Leave it empty for a name from the file-name pattern.")),
               0, wxTOP, kGap);
        PageSizer(file, s);
        ContextHelpWin::Attach(file, kWizardHelp, wiz_id::FilePage);
    }
    // 5: what to capture.
    auto* rect = new WizPage(this, wiz_id::RectPage);
    {
        auto* group = Group(rect, wiz_id::RectGroup, _("Select size of capture region"));
        screen_ = Radio(rect, group, wiz_id::Screen, _("Entire &screen"), true);
        window_ = Radio(rect, group, wiz_id::Window, _("&Window to be selected"));
        rect_ = Radio(rect, group, wiz_id::Rectangle, _("&Rectangle region to be defined"));
        monitor_ = Radio(rect, group, wiz_id::Monitor, _("&Monitor under the pointer"));
        screen_->SetValue(true);
        auto* s = new wxBoxSizer(wxVERTICAL);
        s->Add(group, 0, wxEXPAND);
        PageSizer(rect, s);
        ContextHelpWin::Attach(rect, kWizardHelp, wiz_id::RectPage);
    }
    // 6: the summary.
    auto* wrap = new WizPage(this, wiz_id::WrapPage);
    {
        auto* s = new wxBoxSizer(wxVERTICAL);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        auto* pictures = new wxBoxSizer(wxVERTICAL);
        pictures->Add(
            new wxStaticBitmap(wrap, wiz_id::Picture,
                               wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MESSAGE_BOX)),
            0, wxALIGN_CENTER_HORIZONTAL);
        animation_ = new WizAnimation(wrap, wiz_id::Animation);
        pictures->Add(animation_, 0, wxALIGN_CENTER_HORIZONTAL | wxTOP, kMargin);
        row->Add(pictures, 0, wxRIGHT, kMargin);
        summary_ = new wxStaticText(wrap, wiz_id::Summary, "", wxDefaultPosition,
                                    wxSize(kTextWidth, -1), wxST_NO_AUTORESIZE);
        row->Add(summary_, 1, wxEXPAND);
        s->Add(row, 0, wxEXPAND);
        instruction_ = new wxStaticText(wrap, wiz_id::Instruction, "", wxDefaultPosition,
                                        wxSize(kTextWidth, -1), wxST_NO_AUTORESIZE);
        s->Add(instruction_, 0, wxEXPAND | wxTOP, 2 * kMargin);
        PageSizer(wrap, s);
        ContextHelpWin::Attach(wrap, kWizardHelp, wiz_id::WrapPage);
    }
    pages_ = {imVid, wm, img, file, rect, wrap};
    // The summary texts take up to five lines each; the page is sized for them.
    summary_->SetMinSize(wxSize(kTextWidth, 5 * GetCharHeight()));
    instruction_->SetMinSize(wxSize(kTextWidth, 3 * GetCharHeight()));
    for (wxWizardPage* p : pages_)
        GetPageAreaSizer()->Add(p);

    Bind(wxEVT_WIZARD_PAGE_CHANGING, &RecWizard::OnChanging, this);
    Bind(wxEVT_WIZARD_PAGE_CHANGED, &RecWizard::OnChanged, this);
    Bind(wxEVT_WIZARD_FINISHED, &RecWizard::OnFinished, this);
    Bind(wxEVT_WIZARD_HELP, &RecWizard::OnHelp, this);
}

WizAnimation::WizAnimation(wxWindow* parent, int id)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE),
      frames_(RecordingAnimationFrames()), timer_(this) {
    SetInitialSize(DoGetBestSize());
    Bind(wxEVT_PAINT, &WizAnimation::OnPaint, this);
    Bind(wxEVT_TIMER, &WizAnimation::OnTimer, this);
}

wxSize WizAnimation::DoGetBestSize() const {
    return frames_.front().GetSize();
}

void WizAnimation::Play() {
    if (!timer_.IsRunning())
        timer_.Start(kRecordingAnimationFrameMs);
}

void WizAnimation::Stop() {
    timer_.Stop();
    frame_ = 0;
    Refresh();
}

void WizAnimation::OnTimer(wxTimerEvent&) {
    frame_ = (frame_ + 1) % frames_.size();
    Refresh();
}

void WizAnimation::OnPaint(wxPaintEvent&) {
    // Over the page's own background (the frames are transparent around the screen).
    wxPaintDC dc(this);
    dc.DrawBitmap(frames_[frame_], 0, 0, true);
}

RecWizard::~RecWizard() {
    if (g_current == this)
        g_current = nullptr;
}

std::span<const HelpIdEntry> RecWizard::HelpIds() {
    return kWizardHelp;
}

RecWizard* RecWizard::Current() {
    return g_current;
}

bool& RecWizard::PictureFlag() {
    static bool flag = false;
    return flag;
}

std::function<std::string(wxWindow*, const std::string&, const std::string&)>&
RecWizard::SaveChooser() {
    static std::function<std::string(wxWindow*, const std::string&, const std::string&)> f =
        [](wxWindow* parent, const std::string& current, const std::string& wildcard) {
            fs::path p(current);
            wxFileDialog dlg(parent, _("Save as"), wxString::FromUTF8(p.parent_path().string()),
                             wxString::FromUTF8(p.filename().string()),
                             wxString::FromUTF8(wildcard), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
            gtk::PlaceOverParentWhenShown(dlg.GetHandle());
            return dlg.ShowModal() == wxID_OK ? dlg.GetPath().utf8_string() : std::string();
        };
    return f;
}

std::optional<WizardOrder> RecWizard::Run() {
    finished_.reset();
    RunWizard(pages_.front());
    return finished_;
}

wxWizardPage* RecWizard::PageById(int resourceId) const {
    for (wxWizardPage* p : pages_)
        if (static_cast<WizPage*>(p)->resourceId() == resourceId)
            return p;
    return nullptr;
}

int RecWizard::currentId() const {
    auto* p = static_cast<WizPage*>(GetCurrentPage());
    return p ? p->resourceId() : 0;
}

wxWizardPage* RecWizard::Neighbour(int resourceId, int step) const {
    const std::vector<int> order = WizardPageOrder(pictureChosen());
    auto it = std::find(order.begin(), order.end(), resourceId);
    if (it == order.end())
        return nullptr;
    const long at = (it - order.begin()) + step;
    if (at < 0 || at >= static_cast<long>(order.size()))
        return nullptr;
    return PageById(order[at]);
}

bool RecWizard::pictureChosen() const {
    return image_->GetValue();
}

void RecWizard::ChoosePicture(bool picture) {
    (picture ? image_ : video_)->SetValue(true);
}

void RecWizard::SetFileName(const std::string& name) {
    fileEdit_->ChangeValue(wxString::FromUTF8(name));
}

void RecWizard::ChooseTarget(CaptureMode target) {
    (target == CaptureMode::Window    ? window_
     : target == CaptureMode::Region  ? rect_
     : target == CaptureMode::Monitor ? monitor_
                                      : screen_)
        ->SetValue(true);
}

CaptureMode RecWizard::target() const {
    return window_->GetValue()    ? CaptureMode::Window
           : rect_->GetValue()    ? CaptureMode::Region
           : monitor_->GetValue() ? CaptureMode::Monitor
                                  : CaptureMode::Screen;
}

std::string RecWizard::summaryText() const {
    return summary_->GetLabel().utf8_string() + "\n" + instruction_->GetLabel().utf8_string();
}

TSetPage* RecWizard::formatPage(bool picture) const {
    return picture ? imagePage_ : wmPage_;
}

WizardOrder RecWizard::CurrentOrder() const {
    WizardOrder o;
    o.picture = pictureChosen();
    o.target = target();
    // The Image page's buttons are followed at once (the picture format being chosen).
    o.imageFormat = ctx_.imageFormat;
    return o;
}

bool RecWizard::CheckFile() {
    WizardOrder o = CurrentOrder();
    WizardFile f =
        ResolveWizardFile(fileEdit_->GetValue().utf8_string(), o.picture, o.imageFormat, settings_);
    if (f.problem.empty())
        return true;
    ctx_.desktop->message(f.problem, kRecordWizardTitle, MessageKind::Warning);
    return false;
}

void RecWizard::Browse() {
    WizardOrder o = CurrentOrder();
    const std::string ext = o.picture ? ExtensionForImageFormat(o.imageFormat) : "wmv";
    // TRANSLATORS: a file dialog's file type: %1$s is a picture format's name (PNG), %2$s its
    // extension
    const wxString kind = o.picture ? wxString::Format(_("%1$s pictures (*.%2$s)"),
                                                       FormatName(o.imageFormat), U8(ext))
                                    : _("WMV videos (*.wmv)");
    const std::string wildcard = (kind + "|*." + U8(ext)).utf8_string();
    WizardFile f =
        ResolveWizardFile(fileEdit_->GetValue().utf8_string(), o.picture, o.imageFormat, settings_);
    std::string start = f.example.empty() ? settings_.defaultDirectory + "/" : f.example;
    std::string chosen = SaveChooser()(this, start, wildcard);
    if (!chosen.empty())
        SetFileName(chosen);
}

void RecWizard::FillSummary() {
    WizardOrder o = CurrentOrder();
    WizardFile f =
        ResolveWizardFile(fileEdit_->GetValue().utf8_string(), o.picture, o.imageFormat, settings_);
    o.path = f.path;
    summary_->SetLabel(wxString::FromUTF8(WizardSummary(o, f.example, settings_)));
    summary_->Wrap(kTextWidth);
    instruction_->SetLabel(wxString::FromUTF8(WizardInstruction(o)));
    instruction_->Wrap(kTextWidth);
}

void RecWizard::OnChanging(wxWizardEvent& e) {
    // Handled here, not skipped: the wizard honours a veto only of an event that was handled.
    const int id = static_cast<WizPage*>(e.GetPage())->resourceId();
    if (id == wiz_id::ImVidPage)
        PictureFlag() = pictureChosen();
    // Leaving the file page forward, and Finish: the name must be usable.
    if (e.GetDirection() && (id == wiz_id::FilePage || id == wiz_id::WrapPage) && !CheckFile())
        e.Veto();
}

void RecWizard::OnChanged(wxWizardEvent& e) {
    e.Skip();
    const int id = static_cast<WizPage*>(e.GetPage())->resourceId();
    if (id == wiz_id::ImVidPage)
        ChoosePicture(PictureFlag());
    else if (id == wiz_id::WmPage)
        wmPage_->EnsureSetUp();
    else if (id == wiz_id::ImagePage)
        imagePage_->EnsureSetUp();
    else if (id == wiz_id::WrapPage)
        FillSummary();
    if (id == wiz_id::WrapPage)
        animation_->Play();
    else
        animation_->Stop();
    if (id == wiz_id::FilePage)
        fileEdit_->SetFocus();
}

void RecWizard::OnFinished(wxWizardEvent& e) {
    e.Skip();
    // The format page of the choice is applied, as the preferences' OK would.
    WizardOrder o = CurrentOrder();
    TSetPage* page = formatPage(o.picture);
    page->EnsureSetUp();
    std::vector<std::string> messages;
    page->Apply(messages);
    if (o.picture)
        o.imageFormat = settings_.imageFormat;
    o.path =
        ResolveWizardFile(fileEdit_->GetValue().utf8_string(), o.picture, o.imageFormat, settings_)
            .path;
    finished_ = o;
}

void RecWizard::OnHelp(wxWizardEvent& e) {
    wxWindow* page = e.GetPage();
    // A preferences page inside the wizard keeps its own topic.
    if (auto* held = dynamic_cast<WizSheetPage*>(page))
        page = held->page();
    ContextHelpWin::OpenTopicFor(page);
}

void RecWizard::Press(int buttonId) {
    auto* b = wxDynamicCast(FindWindow(buttonId), wxButton);
    if (!b || !b->IsEnabled())
        return;
    wxCommandEvent ev(wxEVT_BUTTON, buttonId);
    ev.SetEventObject(b);
    b->GetEventHandler()->ProcessEvent(ev);
}

void RecWizard::PressNext() {
    Press(wxID_FORWARD);
}
void RecWizard::PressBack() {
    Press(wxID_BACKWARD);
}
void RecWizard::PressCancel() {
    Press(wxID_CANCEL);
}

void RunRecordWizard(TClient* client, const std::function<void()>& settingsChanged) {
    std::optional<WizardOrder> order;
    {
        static WxDesktopServices boxes; // over the wizard, the active window
        RecWizard wizard(client, GlobalSettings(), boxes);
        order = wizard.Run();
    }
    if (!order)
        return;
    if (settingsChanged)
        settingsChanged();
    client->StartChosenCapture(order->picture, order->target, order->path);
}

} // namespace tess
