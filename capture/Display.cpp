// The display of files in the main client window: opening a file (or handing it to the
// desktop's default application), playing, skipping, the position slider, the frame's title,
// layout and sizing rules, and the file commands "Open", "Open With", "Save As",
// "Properties", "Print" and "Printer Setup".
#include "capture/DisplayLogic.h"
#include "capture/Recording.h"
#include "capture/TClient.h"
#include "media/VideoFile.h"
#include "platform/FileIo.h"
#include "platform/gtk/Desktop.h"
#include "print/PictureImage.h"
#include "print/TPrintFile.h"
#include "resources/Ids.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/printdlg.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace tess {

namespace {

// The remembered frame height of the layout, for the process (-1 until the first layout
// without a video).
int& RememberedHeight() {
    static int height = -1;
    return height;
}

std::string DisplayNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

wxFrame* FrameOf(wxWindow* w) {
    return wxDynamicCast(wxGetTopLevelParent(w), wxFrame);
}

// The frame's size beyond the client window: its menu, tool and status bars and the bars
// its sizer holds beside the client (the playback bar). Read from what the frame has laid
// out, not from sizes the toolkit has yet to apply.
wxSize Decorations(wxFrame* frame, wxWindow* client) {
    const wxSize fs = frame->GetSize(), fc = frame->GetClientSize();
    int bars = 0;
    if (wxSizer* sizer = frame->GetSizer())
        for (wxSizerItem* item : sizer->GetChildren())
            if (item->IsShown() && item->GetWindow() != client)
                bars += item->CalcMin().y;
    return {fs.x - fc.x, fs.y - fc.y + bars};
}

// The print data shared by "Printer Setup..." and "Print...".
wxPrintDialogData& PrintData() {
    static wxPrintDialogData data;
    return data;
}

// Copies `from` to `to` through a temporary file beside it, renamed into place: the target
// is either the whole copy or untouched. Empty on success, else why it failed.
std::string CopyFileAtomically(const std::string& from, const std::string& to) {
    UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return std::string("cannot read ") + from + ": " + std::strerror(errno);
    struct stat st {};
    const unsigned mode = fstat(in.get(), &st) == 0 ? st.st_mode & 0777 : 0600; // kept
    std::string readError;
    const AtomicWriteResult r = WriteFileAtomic(
        to,
        [&](int out) {
            char buf[1 << 16];
            for (;;) {
                const ssize_t n = read(in.get(), buf, sizeof buf);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    readError = std::string("cannot read ") + from + ": " + std::strerror(errno);
                if (n <= 0)
                    return n == 0;
                if (const int32_t w = WriteAll(out, buf, static_cast<size_t>(n)); w != 0) {
                    errno = -w;
                    return false;
                }
            }
        },
        AtomicWriteOptions{true, mode});
    if (r.ok())
        return {};
    if (!readError.empty())
        return readError;
    const std::string why = std::strerror(r.error);
    if (r.step == AtomicWriteResult::Step::kCreate) {
        const std::string dir = std::filesystem::path(to).parent_path().string();
        return "cannot write in " + (dir.empty() ? "." : dir) + ": " + why;
    }
    return "cannot write " + to + ": " + why;
}

} // namespace

void TClient::Message(const std::string& text, const std::string& caption, long style) {
    if (showMessage)
        showMessage(text, caption);
    else
        wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK | style, this);
}

bool TClient::FileDisplayed() const {
    return file_ != nullptr;
}

bool TClient::FileIsPicture() const {
    return file_ && file_->isPicture();
}

bool TClient::FilePlaying() const {
    return file_ && file_->IsPlaying();
}

bool TClient::FileIsVideo() const {
    return file_ && !file_->isPicture();
}

long long TClient::FilePositionSeconds() const {
    return file_ ? file_->GetPositionSeconds() : 0;
}

bool TClient::videoShown() const {
    return videoWindow_ && videoWindow_->shown();
}

void TClient::CloseDisplayedFile() {
    if (!file_)
        return;
    file_.reset(); // the player lets go of the video window first
    if (videoWindow_)
        videoWindow_->Show(false);
    ApplySizeHints();
    Refresh();
}

void TClient::StopDisplayedFile() {
    if (file_)
        file_->Stop();
}

void TClient::DisplayFile(const std::string& path) {
    RunCommand(id::Stop);
    CloseDisplayedFile();
    const Settings& s = GlobalSettings();
    const bool picture = IsPictureName(path);
    if ((picture && s.snapSystemDisplay) || (!picture && s.vidSystemDisplay)) {
        std::string error;
        if (!gtk::LaunchDefaultApplication(path, &error))
            Message(error + "\n  " + path, "Tessaray", wxICON_STOP);
        return;
    }
    unsigned long xid = 0;
    if (!picture) {
        if (!videoWindow_) {
            auto w = std::make_unique<gtk::ChildXWindow>();
            if (w->Create(GetHandle()))
                videoWindow_ = std::move(w);
        }
        if (videoWindow_) {
            // Over the client area already, so the first picture lands in its place.
            const wxPoint at = ClientToScreen(wxPoint(0, 0));
            const wxSize cs = GetClientSize();
            videoWindow_->Place(at.x, at.y, cs.x, cs.y);
            xid = videoWindow_->id();
        }
    }
    auto file = std::make_unique<VideoFile>(path, xid, s.waveOutDriver, s.mute, s.soundLevel);
    if (!file->errorText().empty())
        Message(file->errorText() + "\n  " + path, "Tessaray", wxICON_STOP);
    if (!file->rendered())
        return;
    file_ = std::move(file);
    if (videoWindow_ && file_->hasVideo())
        videoWindow_->Show(true);
    if (!picture && showPlaybackBar && !(playbackBarShown && playbackBarShown()))
        showPlaybackBar(true);
    RebuildTitle();
    file_->SetPositionSeconds(0);
    if (controls_.positionSlider)
        controls_.positionSlider->SetValue(0);
    if (picture)
        DoPlay();
    LayoutFrame(true);
    if (wxFrame* frame = FrameOf(this); frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(path), 0);
    if (captureState() != kStatePlaying)
        SetCaptureState(captureState()); // the state icons
    FitFileToWindow();
    if (fileShown)
        fileShown(path);
}

void TClient::RebuildTitle() {
    std::string name;
    if (file_)
        name = file_->GetDisplayName();
    else if (RecordingRuns())
        name = DisplayNameOf(RecordingFileName());
    if (wxFrame* frame = FrameOf(this)) {
        std::string title = FrameTitle(name, std::string(frame->GetTitle().utf8_str()));
        if (frame->GetTitle() != wxString::FromUTF8(title))
            frame->SetTitle(wxString::FromUTF8(title));
    }
    if (!RecordingRuns())
        SetPane(controls_.recordTimePane,
                DurationPaneText(file_ != nullptr, file_ ? file_->GetDurationSeconds() : 0));
    ShowPosition(-1, true);
}

void TClient::ShowPosition(long long p, bool moveSlider) {
    if (!file_) {
        SetPane(controls_.positionPane, "");
        return;
    }
    if (p < 0)
        p = std::max(0, file_->GetPositionSeconds());
    const long long d = file_->GetDurationSeconds();
    if (moveSlider && controls_.positionSlider)
        controls_.positionSlider->SetValue(d > 0 ? static_cast<int>(p * 1000 / d) : 0);
    SetPane(controls_.positionPane, PositionTimeText(p));
}

void TClient::DoPlay() {
    if (!file_)
        return;
    const int d = file_->GetDurationSeconds();
    if (d > 0 && file_->GetPositionSeconds() >= d)
        file_->SetPositionSeconds(0);
    file_->Run();
    SetCaptureState(kStatePlaying);
}

void TClient::DoPlayHalfSpeed() {
    DoPlay();
    if (file_)
        file_->SetRate(0.5);
}

void TClient::DoSkip(bool forward) {
    if (!file_)
        return;
    const bool wasPlaying = file_->IsPlaying();
    if (wasPlaying)
        file_->Stop();
    long long p = SkipTarget(std::max(0, file_->GetPositionSeconds()), file_->GetDurationSeconds(),
                             forward, wxGetKeyState(WXK_SHIFT), wxGetKeyState(WXK_CONTROL));
    file_->SetPositionSeconds(static_cast<int>(p));
    ShowPosition(p, true);
    if (wasPlaying)
        file_->Run();
}

void TClient::OnPositionScroll(wxScrollEvent& e) {
    const wxEventType t = e.GetEventType();
    if (t == wxEVT_SCROLL_LINEDOWN || t == wxEVT_SCROLL_LINEUP) {
        DoSkip(t == wxEVT_SCROLL_LINEDOWN);
        ignoreNextEndScroll_ = true;
        return;
    }
    const bool end = t == wxEVT_SCROLL_CHANGED || t == wxEVT_SCROLL_THUMBRELEASE;
    if (end && ignoreNextEndScroll_) {
        ignoreNextEndScroll_ = false;
        return;
    }
    if (!file_)
        return;
    if (file_->IsPlaying()) {
        file_->Stop();
        resumeAfterScroll_ = true;
    }
    const long long d = file_->GetDurationSeconds();
    if (d <= 0)
        return;
    if (t == wxEVT_SCROLL_THUMBTRACK) {
        dragging_ = true;
        ShowPosition(e.GetPosition() * d / 1000, false);
        return;
    }
    if (!end)
        return;
    dragging_ = false;
    const int v = controls_.positionSlider ? controls_.positionSlider->GetValue() : e.GetPosition();
    const long long p = v * d / 1000;
    file_->SetPositionSeconds(static_cast<int>(p));
    ShowPosition(p, false);
    if (resumeAfterScroll_) {
        resumeAfterScroll_ = false;
        file_->Run();
    }
}

void TClient::DoLayout() {
    LayoutFrame(false);
}

void TClient::LayoutFrame(bool fit) {
    wxFrame* frame = FrameOf(this);
    if (!frame || frame->IsIconized())
        return;
    const wxSize fs = frame->GetSize();
    const wxSize deco = Decorations(frame, this);
    LayoutInput in;
    in.fileDisplayed = file_ != nullptr;
    in.fileHasVideo = file_ && file_->hasVideo();
    in.fit = fit;
    in.fullScreen = fullScreen();
    if (file_) {
        in.fileWidth = file_->videoWidth();
        in.fileHeight = file_->videoHeight();
    }
    in.frameWidth = fs.x;
    in.frameHeight = fs.y;
    in.dw = deco.x;
    in.dh = deco.y;
    wxRect screen = wxDisplay(frame).GetGeometry();
    in.screenW = screen.width;
    in.screenH = screen.height;
    in.rememberedHeight = RememberedHeight();
    LayoutResult r = tess::LayoutFrame(in);
    RememberedHeight() = r.rememberedHeight;
    ApplySizeHints();
    switch (r.kind) {
    case LayoutResult::Keep:
        break;
    case LayoutResult::Maximize:
        frame->Maximize(true);
        FitFileToWindow();
        break;
    case LayoutResult::Size:
        if (frame->IsMaximized())
            frame->Maximize(false);
        frame->SetSize(r.width, r.height);
        askedFrameSize_ = wxSize(r.width, r.height);
        resizeCheck_.StartOnce(500);
        Refresh();
        break;
    }
}

void TClient::CheckFrameSize() {
    wxFrame* frame = FrameOf(this);
    if (frame && !frame->IsIconized() && !frame->IsFullScreen() && !frame->IsMaximized() &&
        frame->GetSize() != askedFrameSize_)
        frame->SetSize(askedFrameSize_);
}

void TClient::ApplySizeHints() {
    wxFrame* frame = FrameOf(this);
    if (!frame)
        return;
    const wxSize deco = Decorations(frame, this);
    gtk::SizeHints h;
    h.baseW = deco.x;
    h.baseH = deco.y;
    const bool video = file_ && file_->hasVideo();
    h.fixedHeight = GlobalSettings().shrink && !video;
    if (!video) {
        // The layout shows no client area then (300 x the bars): any shape down to that.
        h.aspectW = h.aspectH = 0;
        h.minH = 0;
    } else if (file_->videoWidth() > 0 && file_->videoHeight() > 0) {
        h.aspectW = file_->videoWidth();
        h.aspectH = file_->videoHeight();
    }
    gtk::SetSizeHints(frame->GetHandle(), h);
}

void TClient::FitFileToWindow() {
    const wxSize cs = GetClientSize();
    if (videoWindow_ && videoWindow_->shown()) {
        const wxPoint at = ClientToScreen(wxPoint(0, 0));
        videoWindow_->Place(at.x, at.y, cs.x, cs.y);
    }
    if (file_)
        file_->FitToWindow(0, 0); // the video window is the client's size
    Refresh();
}

void TClient::PaintFile(wxDC& dc) {
    const wxSize cs = GetClientSize();
    if (!file_ || !file_->picture() || cs.x <= 0 || cs.y <= 0)
        return;
    const MemBm& pic = *file_->picture();
    // As large as the client area allows, proportions kept, in the middle.
    PrintSize fit = FitToPage(pic.width(), pic.height(), cs.x, cs.y);
    if (fit.width <= 0 || fit.height <= 0)
        return;
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.DrawBitmap(ScaledPictureBitmap(pic, fit.width, fit.height), (cs.x - fit.width) / 2,
                  (cs.y - fit.height) / 2, false);
}

void TClient::DoOpenFile() {
    RunCommand(id::Stop);
    CloseDisplayedFile();
    wxFileDialog dlg(
        this, wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
        "Video and Image files (*.wmv,*.bmp,*.gif,*.jpg,*.png)|*.wmv;*.bmp;*.gif;*.jpg;*.png|"
        "Media files (*.wmv,*.wma,*.avi,*.wav,*.mp3)|*.wmv;*.wma;*.avi;*.wav;*.mp3|"
        "Image files (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png|"
        "WindowsMedia Video files (*.wmv)|*.wmv|WindowsMedia Audio files (*.wma)|*.wma|"
        "WindowsMedia files (*.wmv,*.wma)|*.wmv;*.wma|AVI files (*.avi)|*.avi|"
        "WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|All files (*.*)|*",
        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dlg.ShowModal() == wxID_OK)
        DisplayFile(std::string(dlg.GetPath().utf8_str()));
}

void TClient::DoOpenWith() {
    if (!file_)
        return;
    const std::string path = file_->fileName();
    RunCommand(id::FileClose);
    std::string error;
    wxFrame* frame = FrameOf(this);
    if (!gtk::ChooseApplicationAndOpen(frame ? frame->GetHandle() : nullptr, path, &error) &&
        !error.empty())
        Message(error + "\n  " + path, "Tessaray", wxICON_STOP);
}

void TClient::DoSaveAs() {
    RunCommand(id::Stop);
    if (!file_)
        return;
    const std::string old = file_->fileName();
    const std::string ext = FileExtension(old);
    wxFileDialog dlg(this, "Save As", wxEmptyString, wxString::FromUTF8(file_->GetDisplayName()),
                     wxString::FromUTF8(SaveAsFilter(ext.empty() ? "*" : ext)),
                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dlg.ShowModal() == wxID_OK)
        SaveDisplayedFileAs(std::string(dlg.GetPath().utf8_str()));
    RebuildTitle();
}

bool TClient::SaveDisplayedFileAs(const std::string& target) {
    if (!file_)
        return false;
    const std::string old = file_->fileName();
    if (!SameExtension(old, target)) {
        Message("Cannot save to different file extension", "File Save As", wxICON_STOP);
        return false;
    }
    RunCommand(id::FileClose);
    std::string error = CopyFileAtomically(old, target);
    if (!error.empty()) {
        Message("The file was not saved: " + error, "File Save As", wxICON_STOP);
        DisplayFile(old);
        return false;
    }
    DisplayFile(target);
    return true;
}

std::string TClient::PropertiesTextOfFile() const {
    if (!file_)
        return "";
    FileFacts f;
    f.width = file_->videoWidth();
    f.height = file_->videoHeight();
    f.bitRate = file_->GetBitRate();
    file_->FindHeaderText("Copyright", 259, &f.copyright);
    file_->FindHeaderText("Recorded by", 259, &f.description);
    f.duration = file_->GetDurationSeconds();
    f.size = std::max(0.0, file_->GetFileSize());
    f.hasDate = FileCreationTime(file_->fileName(), &f.created);
    return PropertiesText(f);
}

void TClient::DoProperties() {
    if (!file_) {
        if (RecordingRuns())
            Message(DisplayNameOf(RecordingFileName()) + "\nRecording", "Properties", 0);
        return;
    }
    Message(PropertiesTextOfFile(), file_->GetDisplayName() + " Properties", 0);
}

void TClient::DoPrint() {
    if (!file_ || !file_->isPicture())
        return;
    TPrintFile printout("foo", file_->fileName());
    wxPrinter printer(&PrintData());
    if (printer.Print(FrameOf(this), &printout, true))
        PrintData() = printer.GetPrintDialogData();
}

void TClient::DoPrinterSetup() {
    wxPageSetupDialogData data(PrintData().GetPrintData());
    wxPageSetupDialog dlg(FrameOf(this), &data);
    if (dlg.ShowModal() == wxID_OK)
        PrintData().SetPrintData(dlg.GetPageSetupDialogData().GetPrintData());
}

void TClient::OnDropFiles(wxDropFilesEvent& e) {
    if (e.GetNumberOfFiles() > 0)
        DisplayFile(std::string(e.GetFiles()[0].utf8_str()));
}

} // namespace tess
