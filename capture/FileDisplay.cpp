// The display of files in the main client window: opening a file (or handing it to the
// desktop's default application), playing, skipping, the position slider, the frame's title,
// layout and sizing rules, and the file commands "Open", "Open With", "Save As",
// "Properties", "Print" and "Printer Setup".
#include "capture/FileDisplay.h"

#include "capture/DisplayLogic.h"
#include "capture/RangeStrip.h"
#include "capture/Recording.h"
#include "capture/TClient.h"
#include "capture/UiText.h"
#include "media/VideoFile.h"
#include "platform/DesktopServices.h"
#include "platform/FileIo.h"
#include "platform/gst/Player.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/Monitors.h"
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
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/printdlg.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
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

// The width of the widest of the frame's bars shown (the tool bar, the playback bar) with all
// its gadgets shown (none in its overflow menu).
int ToolBarWidth(wxFrame* frame) {
    int width = 0;
    for (wxWindow* child : frame->GetChildren())
        if (auto* bar = dynamic_cast<wxToolBar*>(child); bar && bar->IsShown())
            width = std::max(width, bar->GetBestSize().x);
    return width;
}

// The print data shared by "Printer Setup..." and "Print...".
wxPrintDialogData& PrintData() {
    static wxPrintDialogData data;
    return data;
}

wxString ReadFailure() {
    // TRANSLATORS: %1$s is a file, %2$s why it could not be read
    return _("cannot read %1$s: %2$s");
}

// Copies `from` to `to` through a temporary file beside it, renamed into place: the target
// is either the whole copy or untouched. Empty on success, else why it failed.
std::string CopyFileAtomically(const std::string& from, const std::string& to) {
    UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return FormatUtf8(ReadFailure(), from, std::strerror(errno));
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
                    readError = FormatUtf8(ReadFailure(), from, std::strerror(errno));
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
        // TRANSLATORS: %1$s is a folder, %2$s why no file could be made in it
        return FormatUtf8(_("cannot write in %1$s: %2$s"), dir.empty() ? "." : dir, why);
    }
    // TRANSLATORS: %1$s is a file, %2$s why it could not be written
    return FormatUtf8(_("cannot write %1$s: %2$s"), to, why);
}

} // namespace

void SetPane(wxStaticText* pane, const std::string& text) {
    if (pane && pane->GetLabel() != text)
        pane->SetLabel(text);
}

FileDisplay::Hooks FileDisplay::ForClient(TClient& client) {
    Hooks h;
    h.runCommand = [&client](int cmd) { client.RunCommand(cmd); };
    h.playing = [&client] { client.SetCaptureState(CaptureState::Playing); };
    h.shown = [&client] {
        if (client.captureState() != CaptureState::Playing)
            client.SetCaptureState(client.captureState());
    };
    h.recordingFile = [&client]() -> std::optional<std::string> {
        if (!client.RecordingRuns())
            return std::nullopt;
        return RecordingFileName();
    };
    h.fullScreen = [&client] { return client.fullScreen(); };
    h.showPlaybackBar = [&client](bool show) {
        if (client.showPlaybackBar)
            client.showPlaybackBar(show);
    };
    h.playbackBarShown = [&client] { return client.playbackBarShown && client.playbackBarShown(); };
    h.fileShown = [&client](const std::string& path) {
        if (client.fileShown)
            client.fileShown(path);
    };
    return h;
}

FileDisplay::FileDisplay(wxWindow* client, DesktopServices& desktop, const ClientControls& controls,
                         Hooks hooks)
    : client_(client), desktop_(desktop), controls_(controls), hooks_(std::move(hooks)) {
    resizeCheck_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { CheckFrameSize(); });
    client_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) { OnPaint(); });
    client_->Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
        e.Skip();
        FitToWindow();
    });
    client_->Bind(wxEVT_DROP_FILES, &FileDisplay::OnDropFiles, this);
    client_->DragAcceptFiles(true);
    // The marks' plain keys act in the video area (and the playback bar, which binds its own).
    client_->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
        if (e.HasAnyModifiers() || !RunMarkKey(e.GetKeyCode(), hooks_.runCommand))
            e.Skip();
    });
}

FileDisplay::~FileDisplay() {
    resizeCheck_.Stop();
    file_.reset(); // the player lets go of the video window first
}

void FileDisplay::Error(const std::string& text, const std::string& caption) {
    desktop_.message(text, caption, MessageKind::Error);
}

bool FileDisplay::isPicture() const {
    return file_ && file_->isPicture();
}

bool FileDisplay::playing() const {
    return file_ && file_->IsPlaying();
}

bool FileDisplay::isVideo() const {
    return file_ && !file_->isPicture();
}

long long FileDisplay::positionSeconds() const {
    return file_ ? file_->GetPositionSeconds() : 0;
}

bool FileDisplay::videoShown() const {
    return videoWindow_ && videoWindow_->shown();
}

void FileDisplay::Close() {
    marks_ = TrimMarks{};
    if (controls_.rangeStrip)
        controls_.rangeStrip->SetMarks(0, -1, -1);
    frameTime_.clear();
    stopAtMs_ = -1;
    if (!file_)
        return;
    file_.reset(); // the player lets go of the video window first
    if (videoWindow_)
        videoWindow_->Show(false);
    ApplySizeHints();
    client_->Refresh();
}

bool FileDisplay::RunMarkKey(int keyCode, const std::function<void(int command)>& run) {
    static const std::pair<int, int> keys[] = {
        {'I', id::SetIn}, {'O', id::SetOut}, {',', id::FrameBackward}, {'.', id::FrameForward}};
    for (const auto& [key, command] : keys)
        if (keyCode == key) {
            run(command);
            return true;
        }
    return false;
}

bool FileDisplay::LoadMarks() {
    if (!file_)
        return false;
    if (!marks_.loaded() && !marks_.Load(file_->fileName())) {
        Error(FormatUtf8(_("The marks cannot be set: %s is not a finished recording."),
                         file_->fileName()),
              "Tessaray");
        return false;
    }
    return true;
}

void FileDisplay::ShowStrip() {
    if (controls_.rangeStrip)
        controls_.rangeStrip->SetMarks(marks_.durationMs(), marks_.in(), marks_.out());
}

void FileDisplay::ShowMarks() {
    ShowStrip();
    std::string text;
    if (marks_.in() >= 0 && marks_.out() >= 0) {
        // TRANSLATORS: the status text of the trim marks; %1$s and %2$s are times such as 1:02.5
        text = FormatUtf8(_("In %1$s, Out %2$s"), FormatTrimTime(marks_.in()),
                          FormatTrimTime(marks_.out()));
    } else if (marks_.in() >= 0) {
        // TRANSLATORS: the status text of the trim's in mark alone; %s is a time such as 1:02.5
        text = FormatUtf8(_("In %s"), FormatTrimTime(marks_.in()));
    } else if (marks_.out() >= 0) {
        // TRANSLATORS: the status text of the trim's out mark alone; %s is a time such as 1:02.5
        text = FormatUtf8(_("Out %s"), FormatTrimTime(marks_.out()));
    }
    wxFrame* frame = FrameOf(client_);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(text), 0);
}

void FileDisplay::SetMark(bool in) {
    if (!LoadMarks())
        return;
    marks_.Set(in, std::max<int64_t>(0, file_->GetPositionMs()));
    ShowMarks();
}

void FileDisplay::ClearMarks() {
    marks_.Clear();
    stopAtMs_ = -1;
    ShowMarks();
}

void FileDisplay::PlaySelection() {
    if (!file_ || !marks_.selection())
        return;
    file_->Stop();
    file_->SetPositionMs(marks_.in());
    frameTime_.clear();
    file_->Run();
    stopAtMs_ = marks_.out();
    if (hooks_.playing)
        hooks_.playing();
}

void FileDisplay::StopAtOut() {
    if (stopAtMs_ < 0)
        return;
    if (!file_ || !file_->IsPlaying()) {
        stopAtMs_ = -1;
        return;
    }
    if (file_->GetPositionMs() >= stopAtMs_) {
        hooks_.runCommand(id::Stop);
        if (file_)
            file_->SetPositionMs(stopAtMs_);
        stopAtMs_ = -1;
    }
}

void FileDisplay::StepFrame(bool forward) {
    if (!LoadMarks() || file_->IsPlaying())
        return;
    const int64_t at = marks_.Step(std::max<int64_t>(0, file_->GetPositionMs()), forward);
    file_->SetPositionMs(at);
    ShowPosition(at / 1000, true);
    frameTime_ = FormatTrimTime(at);
    SetPane(controls_.positionPane, frameTime_);
}

void FileDisplay::Stop() {
    if (file_)
        file_->Stop();
}

void FileDisplay::Display(const std::string& path) {
    hooks_.runCommand(id::Stop);
    Close();
    const Settings& s = GlobalSettings();
    const bool picture = IsPictureName(path);
    if ((picture && s.snapSystemDisplay) || (!picture && s.vidSystemDisplay)) {
        std::string error;
        if (!gtk::LaunchDefaultApplication(path, &error))
            Error(error + "\n  " + path, "Tessaray");
        return;
    }
    unsigned long xid = 0;
    if (!picture) {
        if (!videoWindow_) {
            auto w = std::make_unique<gtk::ChildXWindow>();
            if (w->Create(client_->GetHandle())) {
                videoWindow_ = std::move(w);
                // Uncovered (a dialog closed over a paused video): the picture drawn again.
                videoWindow_->OnExpose([this] {
                    const wxSize cs = client_->GetClientSize();
                    if (file_)
                        file_->FitToWindow(cs.x, cs.y);
                });
            }
        }
        if (videoWindow_) {
            // Over the client area already, so the first picture lands in its place.
            const wxPoint at = client_->ClientToScreen(wxPoint(0, 0));
            const wxSize cs = client_->GetClientSize();
            videoWindow_->Place(at.x, at.y, cs.x, cs.y);
            xid = videoWindow_->id();
        }
    }
    auto file = std::make_unique<VideoFile>(path, xid, s.waveOutDriver, s.mute, s.soundLevel);
    if (!file->errorText().empty())
        Error(file->errorText() + "\n  " + path, "Tessaray");
    if (!file->rendered())
        return;
    file_ = std::move(file);
    if (videoWindow_ && file_->hasVideo())
        videoWindow_->Show(true);
    if (!picture && hooks_.showPlaybackBar &&
        !(hooks_.playbackBarShown && hooks_.playbackBarShown()))
        hooks_.showPlaybackBar(true);
    RebuildTitle();
    file_->SetPositionSeconds(0);
    if (controls_.positionSlider)
        controls_.positionSlider->SetValue(0);
    if (picture)
        Play();
    LayoutFrame(true);
    if (wxFrame* frame = FrameOf(client_); frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(path), 0);
    if (hooks_.shown)
        hooks_.shown(); // the state icons
    FitToWindow();
    if (hooks_.fileShown)
        hooks_.fileShown(path);
}

void FileDisplay::RebuildTitle() {
    std::string name;
    const std::optional<std::string> recording =
        hooks_.recordingFile ? hooks_.recordingFile() : std::nullopt;
    if (file_)
        name = file_->GetDisplayName();
    else if (recording)
        // TRANSLATORS: the window's title while a recording is paused; %s is its name
        name = RecordingPaused() ? FormatUtf8(_("%s (Paused)"), DisplayNameOf(*recording))
                                 : DisplayNameOf(*recording);
    if (wxFrame* frame = FrameOf(client_)) {
        std::string title = FrameTitle(name, std::string(frame->GetTitle().utf8_str()));
        if (frame->GetTitle() != wxString::FromUTF8(title))
            frame->SetTitle(wxString::FromUTF8(title));
    }
    if (!recording)
        SetPane(controls_.recordTimePane,
                DurationPaneText(file_ != nullptr, file_ ? file_->GetDurationSeconds() : 0));
    ShowPosition(-1, true);
}

void FileDisplay::ShowPosition(long long p, bool moveSlider) {
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

void FileDisplay::Play() {
    if (!file_)
        return;
    const int d = file_->GetDurationSeconds();
    if (d > 0 && file_->GetPositionSeconds() >= d)
        file_->SetPositionSeconds(0);
    frameTime_.clear();
    file_->Run();
    if (hooks_.playing)
        hooks_.playing();
}

void FileDisplay::PlayHalfSpeed() {
    Play();
    if (file_)
        file_->SetRate(0.5);
}

void FileDisplay::Skip(bool forward) {
    if (!file_)
        return;
    frameTime_.clear();
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

void FileDisplay::OnPositionMessage(long code, long position) {
    static const wxEventType types[] = {
        wxEVT_SCROLL_LINEUP,   wxEVT_SCROLL_LINEDOWN,     wxEVT_SCROLL_PAGEUP,
        wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_THUMBTRACK,
        wxEVT_SCROLL_TOP,      wxEVT_SCROLL_BOTTOM,       wxEVT_SCROLL_CHANGED};
    if (code < 0 || code >= 9 || !controls_.positionSlider || !controls_.positionPane)
        return;
    wxScrollEvent scroll(types[code], controls_.positionSlider->GetId(),
                         static_cast<int>(position));
    scroll.SetEventObject(controls_.positionSlider);
    OnPositionScroll(scroll);
}

void FileDisplay::ResetSlider() {
    if (controls_.positionSlider) {
        controls_.positionSlider->SetRange(0, 1000);
        controls_.positionSlider->SetValue(0);
    }
}

void FileDisplay::OnPositionScroll(wxScrollEvent& e) {
    const wxEventType t = e.GetEventType();
    if (t == wxEVT_SCROLL_LINEDOWN || t == wxEVT_SCROLL_LINEUP) {
        Skip(t == wxEVT_SCROLL_LINEDOWN);
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
    frameTime_.clear();
    const int v = controls_.positionSlider ? controls_.positionSlider->GetValue() : e.GetPosition();
    const long long p = v * d / 1000;
    file_->SetPositionSeconds(static_cast<int>(p));
    ShowPosition(p, false);
    if (resumeAfterScroll_) {
        resumeAfterScroll_ = false;
        file_->Run();
    }
}

void FileDisplay::LayoutFrame(bool fit) {
    wxFrame* frame = FrameOf(client_);
    if (!frame || frame->IsIconized())
        return;
    const wxSize fs = frame->GetSize();
    const wxSize deco = Decorations(frame, client_);
    LayoutInput in;
    in.fileDisplayed = file_ != nullptr;
    in.fileHasVideo = file_ && file_->hasVideo();
    in.fit = fit;
    in.fullScreen = hooks_.fullScreen && hooks_.fullScreen();
    if (file_) {
        in.fileWidth = file_->videoWidth();
        in.fileHeight = file_->videoHeight();
    }
    in.frameWidth = fs.x;
    in.frameHeight = fs.y;
    in.dw = deco.x;
    in.dh = deco.y;
    // The monitor that holds the middle of the frame.
    const wxRect fr = frame->GetScreenRect();
    const wxPoint middle(fr.x + fr.width / 2, fr.y + fr.height / 2);
    const ScreenRect screen = WindowThreadScreen()
                                  ? MonitorRectAt(*WindowThreadScreen(), middle.x, middle.y)
                                  : ScreenRect{0, 0, wxGetDisplaySize().x, wxGetDisplaySize().y};
    in.screenW = screen.width();
    in.screenH = screen.height();
    in.rememberedHeight = RememberedHeight();
    in.minFrameWidth = ToolBarWidth(frame) + deco.x;
    LayoutResult r = tess::LayoutFrame(in);
    RememberedHeight() = r.rememberedHeight;
    ApplySizeHints();
    switch (r.kind) {
    case LayoutResult::Keep:
        break;
    case LayoutResult::Maximize:
        frame->Maximize(true);
        FitToWindow();
        break;
    case LayoutResult::Size:
        if (frame->IsMaximized())
            frame->Maximize(false);
        frame->SetSize(r.width, r.height);
        askedFrameSize_ = wxSize(r.width, r.height);
        resizeCheck_.StartOnce(500);
        client_->Refresh();
        break;
    }
}

void FileDisplay::CheckFrameSize() {
    wxFrame* frame = FrameOf(client_);
    if (frame && !frame->IsIconized() && !frame->IsFullScreen() && !frame->IsMaximized() &&
        frame->GetSize() != askedFrameSize_)
        frame->SetSize(askedFrameSize_);
}

void FileDisplay::ApplySizeHints(bool widthOnly) {
    wxFrame* frame = FrameOf(client_);
    if (!frame)
        return;
    const wxSize deco = Decorations(frame, client_);
    gtk::SizeHints h;
    h.baseW = deco.x;
    h.baseH = deco.y;
    const bool video = file_ && file_->hasVideo();
    h.fixedHeight = GlobalSettings().shrink && !video && !widthOnly;
    h.minW = std::max(h.minW, ToolBarWidth(frame)); // no gadget in the bar's overflow menu
    if (!video) {
        // The layout shows no client area then (the bars only): any shape down to that.
        h.aspectW = h.aspectH = 0;
        h.minH = 0;
    } else if (file_->videoWidth() > 0 && file_->videoHeight() > 0) {
        h.aspectW = file_->videoWidth();
        h.aspectH = file_->videoHeight();
    }
    gtk::SetSizeHints(frame->GetHandle(), h);
}

void FileDisplay::FitToWindow() {
    const wxSize cs = client_->GetClientSize();
    if (videoWindow_ && videoWindow_->shown()) {
        const wxPoint at = client_->ClientToScreen(wxPoint(0, 0));
        videoWindow_->Place(at.x, at.y, cs.x, cs.y);
    }
    if (file_)
        file_->FitToWindow(cs.x, cs.y); // the video window is the client's size
    client_->Refresh();
}

TickInputs FileDisplay::tickInputs() const {
    TickInputs in;
    in.dragging = dragging_;
    in.fileDisplayed = displayed();
    in.filePlaying = playing();
    in.fileIsVideo = isVideo();
    return in;
}

void FileDisplay::OnPaint() {
    wxPaintDC dc(client_);
    // The window's own background first, so nothing that lay over it (a closed dialog, a
    // tool tip) stays; then the displayed picture.
    dc.SetBackground(wxBrush(client_->GetBackgroundColour()));
    dc.Clear();
    Paint(dc);
}

void FileDisplay::Paint(wxDC& dc) {
    const wxSize cs = client_->GetClientSize();
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

void FileDisplay::OpenFile() {
    hooks_.runCommand(id::Stop);
    Close();
    wxFileDialog dlg(
        client_, wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
        // TRANSLATORS: the open dialog's file types: "name|patterns" pairs joined by "|";
        // translate the names only
        _("Video and Image files (*.wmv,*.bmp,*.gif,*.jpg,*.png)|*.wmv;*.bmp;*.gif;*.jpg;*.png|"
          "Media files (*.wmv,*.wma,*.avi,*.wav,*.mp3)|*.wmv;*.wma;*.avi;*.wav;*.mp3|"
          "Image files (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png|"
          "WindowsMedia Video files (*.wmv)|*.wmv|WindowsMedia Audio files (*.wma)|*.wma|"
          "WindowsMedia files (*.wmv,*.wma)|*.wmv;*.wma|AVI files (*.avi)|*.avi|"
          "WAV files (*.wav)|*.wav|MP3 files (*.mp3)|*.mp3|All files (*.*)|*"),
        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() == wxID_OK)
        Display(std::string(dlg.GetPath().utf8_str()));
}

void FileDisplay::OpenWith() {
    if (!file_)
        return;
    const std::string path = file_->fileName();
    hooks_.runCommand(id::FileClose);
    std::string error;
    wxFrame* frame = FrameOf(client_);
    if (!gtk::ChooseApplicationAndOpen(frame ? frame->GetHandle() : nullptr, path, &error) &&
        !error.empty())
        Error(error + "\n  " + path, "Tessaray");
}

void FileDisplay::SaveAs() {
    hooks_.runCommand(id::Stop);
    if (!file_)
        return;
    const std::string old = file_->fileName();
    const std::string ext = FileExtension(old);
    wxFileDialog dlg(client_, _("Save As"), wxEmptyString,
                     wxString::FromUTF8(file_->GetDisplayName()),
                     wxString::FromUTF8(SaveAsFilter(ext.empty() ? "*" : ext)),
                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() == wxID_OK)
        SaveDisplayedFileAs(std::string(dlg.GetPath().utf8_str()));
    RebuildTitle();
}

bool FileDisplay::SaveDisplayedFileAs(const std::string& target) {
    if (!file_)
        return false;
    const std::string old = file_->fileName();
    if (!SameExtension(old, target)) {
        Error(_("Cannot save to different file extension").utf8_string(),
              _("File Save As").utf8_string());
        return false;
    }
    hooks_.runCommand(id::FileClose);
    std::string error = CopyFileAtomically(old, target);
    if (!error.empty()) {
        Error(FormatUtf8(_("The file was not saved: %s"), error), _("File Save As").utf8_string());
        Display(old);
        return false;
    }
    Display(target);
    return true;
}

std::string FileDisplay::PropertiesTextOfFile() const {
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

void FileDisplay::Properties() {
    if (!file_) {
        if (const auto recording = hooks_.recordingFile ? hooks_.recordingFile() : std::nullopt)
            // TRANSLATORS: the properties of the recording under way; %s is its name
            desktop_.message(FormatUtf8(_("%s\nRecording"), DisplayNameOf(*recording)),
                             _("Properties").utf8_string());
        return;
    }
    // TRANSLATORS: the properties box's title; %s is the file's name
    desktop_.message(PropertiesTextOfFile(),
                     FormatUtf8(_("%s Properties"), file_->GetDisplayName()));
}

bool FileDisplay::canCopy() const {
    return file_ && file_->hasVideo();
}

bool FileDisplay::Copy() {
    if (!canCopy())
        return false;
    bool copied = false;
    if (const MemBm* picture = file_->picture()) {
        copied = desktop_.copyPicture(picture->bits(), picture->width(), picture->height(),
                                      picture->stride());
    } else if (const gst::Player* player = file_->player()) {
        std::vector<uint8_t> frame;
        int w = 0, h = 0;
        if (!player->CurrentFrame(&frame, &w, &h))
            return false;
        copied = desktop_.copyPicture(frame.data(), w, h, w * 4);
    }
    if (!copied)
        Error(_("The clipboard could not take the picture.").utf8_string(),
              // TRANSLATORS: a message box's title after Copy
              _("Copy").utf8_string());
    return copied;
}

void FileDisplay::Print() {
    if (!file_ || !file_->isPicture())
        return;
    TPrintFile printout("foo", file_->fileName());
    wxPrinter printer(&PrintData());
    if (printer.Print(FrameOf(client_), &printout, true))
        PrintData() = printer.GetPrintDialogData();
}

void FileDisplay::PrinterSetup() {
    wxPageSetupDialogData data(PrintData().GetPrintData());
    wxPageSetupDialog dlg(FrameOf(client_), &data);
    if (dlg.ShowModal() == wxID_OK)
        PrintData().SetPrintData(dlg.GetPageSetupDialogData().GetPrintData());
}

void FileDisplay::OnDropFiles(wxDropFilesEvent& e) {
    if (e.GetNumberOfFiles() > 0)
        Display(std::string(e.GetFiles()[0].utf8_str()));
}

} // namespace tess
