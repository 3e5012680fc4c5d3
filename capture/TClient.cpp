#include "capture/TClient.h"

#include "audio/MixerUse.h"
#include "audio/SMixer.h"
#include "audio/ui/Gauges.h"
#include "audio/ui/Sliders.h"
#include "capture/ClientSnapshot.h"
#include "capture/ClientSound.h"
#include "capture/Recording.h"
#include "capture/RecordingController.h"
#include "capture/SelectR.h"
#include "capture/SnapshotPipeline.h"
#include "media/Effects.h"
#include "media/VideoFile.h"
#include "platform/DesktopServices.h"
#include "platform/gtk/Desktop.h"
#include "resources/Ids.h"
#include "schedule/Schedule.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <dlfcn.h>
#include <unistd.h>
#include <unordered_map>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>

namespace tess {

namespace {

// The scroll event of a slider scroll code (0 line up, 1 line down, 2 page up, 3 page
// down, 4 thumb position, 5 thumb track, 6 top, 7 bottom, 8 end of scroll); wxEVT_NULL
// for any other.
wxEventType ScrollEventTypeFor(int code) {
    static const wxEventType types[] = {
        wxEVT_SCROLL_LINEUP,   wxEVT_SCROLL_LINEDOWN,     wxEVT_SCROLL_PAGEUP,
        wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_THUMBTRACK,
        wxEVT_SCROLL_TOP,      wxEVT_SCROLL_BOTTOM,       wxEVT_SCROLL_CHANGED};
    return code >= 0 && code < 9 ? types[code] : wxEVT_NULL;
}

// Runs an optional hook.
void Call(const std::function<void()>& hook) {
    if (hook)
        hook();
}

} // namespace

bool RegisterCapturePlugin(const std::string& directory) {
    std::string path = directory + "grabsrc.so";
    if (access(path.c_str(), F_OK) != 0)
        return false;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return false;
    bool called = false;
    if (void* sym = dlsym(lib, "DllRegisterServer")) {
        using Fn = long (*)();
        reinterpret_cast<Fn>(sym)();
        called = true;
    }
    dlclose(lib);
    return called;
}

// clang-format off
wxBEGIN_EVENT_TABLE(TClient, wxWindow)
    EVT_TIMER(id::ClientTimer, TClient::OnTimer)
    EVT_PRIVATE_MESSAGE(TClient::OnMessage)
    EVT_SIZE(TClient::OnSize)
    EVT_PAINT(TClient::OnPaint)
wxEND_EVENT_TABLE();
// clang-format on

TClient::TClient(wxWindow* parent, DesktopServices& desktop, ClientHooks hooks)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      desktop_(desktop), hooks_(std::move(hooks)), timer_(this, id::ClientTimer) {
    if (!hooks_.scheduleCheck)
        hooks_.scheduleCheck = CheckSchedule;
    RecordingLinks links;
    links.state = [this] { return state_; };
    links.setState = [this](CaptureState state) { RecordingStateChanged(state); };
    links.display = [this](const std::string& path) { DisplayFile(path); };
    links.prepare = [this] { sound_->PrepareForRecording(hooks_.prepareMixer); };
    links.selectWindow = [this](WindowId* w) { return SelectWindow(w); };
    links.selectRectangle = [this](ScreenRect* r) { return SelectRectangle(r); };
    FileDisplay::Hooks shown;
    shown.runCommand = [this](int cmd) { RunCommand(cmd); };
    shown.playing = [this] { SetCaptureState(CaptureState::Playing); };
    shown.shown = [this] {
        if (state_ != CaptureState::Playing)
            SetCaptureState(state_);
    };
    shown.recordingFile = [this]() -> std::optional<std::string> {
        if (!RecordingRuns())
            return std::nullopt;
        return RecordingFileName();
    };
    shown.fullScreen = [this] { return fullScreen_; };
    shown.showPlaybackBar = [this](bool show) {
        if (showPlaybackBar)
            showPlaybackBar(show);
    };
    shown.playbackBarShown = [this] { return playbackBarShown && playbackBarShown(); };
    shown.fileShown = [this](const std::string& path) {
        if (fileShown)
            fileShown(path);
    };
    display_ = std::make_unique<FileDisplay>(this, desktop_, controls_, std::move(shown));
    sound_ = std::make_unique<ClientSound>(controls_, this);
    recorder_ = std::make_unique<RecordingController>(desktop_, this, std::move(links));
    RegisterCapturePlugin(ExecutableDir());
    for (int cmd : ClientCommandIds()) {
        Bind(wxEVT_MENU, &TClient::OnCommand, this, cmd);
        Bind(wxEVT_UPDATE_UI, &TClient::OnUpdateUi, this, cmd);
    }
    Bind(wxEVT_SCROLL_THUMBTRACK, &TClient::OnScroll, this);
    Bind(wxEVT_SCROLL_THUMBRELEASE, &TClient::OnScroll, this);
    Bind(wxEVT_SCROLL_CHANGED, &TClient::OnScroll, this);
    Bind(wxEVT_SCROLL_LINEUP, &TClient::OnScroll, this);
    Bind(wxEVT_SCROLL_LINEDOWN, &TClient::OnScroll, this);
    Bind(wxEVT_DROP_FILES, [this](wxDropFilesEvent& e) { display_->OnDropFiles(e); });
    DragAcceptFiles(true);

    // Set-up: the latest directory becomes the current one, the timer starts, the rest
    // of the initialisation runs once the window exists (message 1162).
    const std::string& latest = GlobalSettings().latestDirectory;
    if (!latest.empty() && chdir(latest.c_str()) != 0) {
        // A directory that is gone leaves the current directory as it is.
    }
    if (!timer_.Start(id::ClientTimerPeriodMs))
        desktop_.message("Timer error: the window's 200 ms timer could not be started.\n(EvTimer)",
                         "Tessaray", MessageKind::Error);
    PostMessage(this, msg::LateInit, 1, 2);
}

TClient::~TClient() {
    Shutdown();
}

void TClient::Shutdown() {
    // Stop playback and recording, then the timer.
    if (state_ == CaptureState::Recording)
        recorder_->Abandon();
    CloseDisplayedFile();
    state_ = CaptureState::Idle;
    timer_.Stop();
}

void TClient::SetCaptureState(CaptureState state) {
    state_ = state;
    PostMessage(GetParent() ? GetParent()->GetEventHandler() : nullptr, msg::StateIcons,
                static_cast<int>(state));
}

void TClient::RecordingStateChanged(CaptureState state) {
    if (state == CaptureState::Recording) {
        SetCaptureState(state);
        DoLayout();
        RebuildTitle(); // the recording's name
        return;
    }
    ShowSoundLevel(false);
    PostMessage(this, msg::RecordTime);
    SetPane(controls_.recordTimePane, "");
    if (state_ != state)
        SetCaptureState(state);
    RebuildTitle(); // without the recording's name
}

bool TClient::SelectWindow(WindowId* window) {
    if (hooks_.selectWindow)
        return hooks_.selectWindow(window);
    wxWindow* frame = wxGetTopLevelParent(this);
    SelectR dlg(frame ? frame : this, SelectionColour(GlobalSettings().selColor), nullptr, window,
                true);
    return dlg.ShowModal() == wxID_OK;
}

bool TClient::SelectRectangle(ScreenRect* rect) {
    if (hooks_.selectRectangle)
        return hooks_.selectRectangle(rect);
    wxWindow* frame = wxGetTopLevelParent(this);
    SelectR dlg(frame ? frame : this, SelectionColour(GlobalSettings().selColor), rect, nullptr,
                true);
    return dlg.ShowModal() == wxID_OK;
}

void TClient::StartChosenCapture(bool picture, CaptureMode target, const std::string& path) {
    // The dialog that asked (the record wizard) must be off the screen before anything is
    // grabbed or frozen for a selection.
    desktop_.wait(kAfterSelectionMs);
    if (picture)
        RunClientSnapshot(*this, target, path);
    else
        recorder_->RecordChosen(target, path);
}

ClientView TClient::View() const {
    ClientView v;
    v.captureState = captureState();
    v.fileDisplayed = FileDisplayed();
    v.fileIsPicture = FileIsPicture();
    v.recordingRuns = RecordingRuns();
    v.fullScreen = fullScreen_;
    v.playbackBarShown = playbackBarShown ? playbackBarShown() : GlobalSettings().playbackBarShown;
    v.settings = &GlobalSettings();
    return v;
}

void TClient::OnUpdateUi(wxUpdateUIEvent& e) {
    CommandUi ui = CommandUiFor(e.GetId(), View());
    if (!ui.known) {
        e.Skip();
        return;
    }
    e.Enable(ui.enabled);
    if (ui.checkable)
        e.Check(ui.checked);
}

void TClient::OnCommand(wxCommandEvent& e) {
    RunCommand(e.GetId());
}

void TClient::RunCommand(int cmd) {
    // Commands reached by accelerators are not greyed: check the enabler first.
    CommandUi ui = CommandUiFor(cmd, View());
    if (!ui.known || !ui.enabled)
        return;
    using Work = void (*)(TClient&, Settings&);
    static const std::unordered_map<int, Work> work = {
        {id::Screen, [](TClient& c, Settings&) { c.SetCaptureMode(CaptureMode::Screen); }},
        {id::Window, [](TClient& c, Settings&) { c.SetCaptureMode(CaptureMode::Window); }},
        {id::Rectangle, [](TClient& c, Settings&) { c.SetCaptureMode(CaptureMode::Region); }},
        {id::Snapshot,
         [](TClient& c, Settings&) {
             c.ReadCaptureMode();
             c.Snapshot(c.captureMode());
         }},
        {id::SnapshotScreen, [](TClient& c, Settings&) { c.Snapshot(CaptureMode::Screen); }},
        {id::SnapshotWindow, [](TClient& c, Settings&) { c.Snapshot(CaptureMode::Window); }},
        {id::SnapshotRegion, [](TClient& c, Settings&) { c.Snapshot(CaptureMode::Region); }},
        {id::FormatJpg, [](TClient&, Settings& s) { s.imageFormat = 4; }},
        {id::FormatPng, [](TClient&, Settings& s) { s.imageFormat = 0; }},
        {id::FormatBmp, [](TClient&, Settings& s) { s.imageFormat = 1; }},
        {id::FormatGif, [](TClient&, Settings& s) { s.imageFormat = 3; }},
        {id::DelaySnapshot,
         [](TClient&, Settings& s) { s.threeSecondDelay = s.captureDelay = !s.captureDelay; }},
        {id::RecordVideo, [](TClient& c, Settings&) { c.RecordVideo(); }},
        {id::RecordScreen, [](TClient& c, Settings&) { c.recorder_->Record(CaptureMode::Screen); }},
        {id::RecordWindow, [](TClient& c, Settings&) { c.recorder_->Record(CaptureMode::Window); }},
        {id::RecordRegion, [](TClient& c, Settings&) { c.recorder_->Record(CaptureMode::Region); }},
        {id::RecordSound, [](TClient& c, Settings&) { c.recorder_->RecordSound(); }},
        {id::RecordWizard, [](TClient& c, Settings&) { Call(c.recordWizard); }},
        {id::StopRecording, [](TClient& c, Settings&) { c.StopRecording(); }},
        {id::Play, [](TClient& c, Settings&) { c.DoPlay(); }},
        {id::Stop, [](TClient& c, Settings&) { c.Stop(); }},
        {id::TogglePlay,
         [](TClient& c, Settings&) {
             if (c.state_ == CaptureState::Playing)
                 c.Stop();
             else
                 c.DoPlay();
         }},
        {id::PlayHalfSpeed, [](TClient& c, Settings&) { c.DoPlayHalfSpeed(); }},
        {id::SkipForward, [](TClient& c, Settings&) { c.DoSkip(true); }},
        {id::SkipBackward, [](TClient& c, Settings&) { c.DoSkip(false); }},
        {id::FullScreen,
         [](TClient& c, Settings&) {
             c.fullScreen_ = !c.fullScreen_;
             c.display_->LayoutFrame(
                 !c.fullScreen_); // back from full screen the frame fits the file
         }},
        {id::Mute, [](TClient& c, Settings&) { c.sound_->ToggleMute(c.display_->file()); }},
        {id::Mute2, [](TClient& c, Settings&) { c.sound_->ToggleMute(c.display_->file()); }},
        {id::VolumeUp,
         [](TClient& c, Settings&) { c.sound_->StepVolume(+10, c.display_->file()); }},
        {id::VolumeDown,
         [](TClient& c, Settings&) { c.sound_->StepVolume(-10, c.display_->file()); }},
        {id::Caption, [](TClient&, Settings& s) { s.capEnable = !s.capEnable; }},
        {id::CaptionButton, [](TClient&, Settings& s) { s.capEnable = !s.capEnable; }},
        {id::Scale, [](TClient&, Settings& s) { s.scaleEnable = !s.scaleEnable; }},
        {id::ChangeEffects, [](TClient& c, Settings&) { Call(c.changeEffects); }},
        {id::PlaybackBar,
         [](TClient& c, Settings& s) {
             const bool shown = c.View().playbackBarShown;
             s.playbackBarShown = !shown;
             if (c.showPlaybackBar)
                 c.showPlaybackBar(!shown);
         }},
        {id::SecondToolBar,
         [](TClient&, Settings& s) { s.secondToolBarShown = !s.secondToolBarShown; }},
        {id::FileOpen, [](TClient& c, Settings&) { c.DoOpenFile(); }},
        {id::FileOpenWith, [](TClient& c, Settings&) { c.DoOpenWith(); }},
        {id::FileSaveAs, [](TClient& c, Settings&) { c.DoSaveAs(); }},
        {id::FileClose,
         [](TClient& c, Settings& s) {
             c.Stop();
             c.CloseDisplayedFile();
             s.playbackBarShown = false;
             if (c.showPlaybackBar)
                 c.showPlaybackBar(false);
             c.RebuildTitle();
             c.DoLayout();
         }},
        {id::FileProperties, [](TClient& c, Settings&) { c.DoProperties(); }},
        {id::FilePrint, [](TClient& c, Settings&) { c.DoPrint(); }},
        {id::PrinterSetup, [](TClient& c, Settings&) { c.DoPrinterSetup(); }},
    };
    Settings& s = GlobalSettings();
    if (auto it = work.find(cmd); it != work.end())
        it->second(*this, s);
    else
        ToggleEffect(s.effects, cmd); // 1800 and the accepted commands without work: nothing
}

void TClient::ReadCaptureMode() {
    if (!controls_.captureMode)
        return;
    Settings& s = GlobalSettings();
    if (s.capSelect != shownCapSelect_) {
        // Set since the box last showed it (a settings file was opened): the box follows.
        ShowCaptureMode();
        return;
    }
    int sel = controls_.captureMode->GetSelection();
    if (sel >= 0 && sel <= 2)
        s.capSelect = shownCapSelect_ = sel;
}

void TClient::ShowCaptureMode() {
    const int mode = GlobalSettings().capSelect;
    if (controls_.captureMode && controls_.captureMode->GetCount() >= 3 && mode >= 0 && mode <= 2) {
        controls_.captureMode->SetSelection(mode);
        shownCapSelect_ = mode;
    }
}

void TClient::SetCaptureMode(CaptureMode mode) {
    GlobalSettings().capSelect = CapSelectOf(mode);
    ShowCaptureMode();
}

void TClient::Snapshot(CaptureMode target) {
    RunClientSnapshot(*this, target);
}

void TClient::RecordVideo() {
    ReadCaptureMode();
    // The displayed file goes as "&Close" takes it: its name leaves the title and the
    // playback bar goes.
    if (FileDisplayed())
        RunCommand(id::FileClose);
    recorder_->Record(captureMode());
}

void TClient::StopRecording() {
    if (state_ == CaptureState::Recording)
        recorder_->Stop(true);
}

void TClient::Stop() {
    display_->Stop();
    if (state_ == CaptureState::Recording)
        recorder_->Stop(false); // the meters, panes and title follow; nothing is displayed
    recorder_->ForgetScheduledEvent();
    SetPane(controls_.recordTimePane, "");
    if (state_ != CaptureState::Idle)
        SetCaptureState(CaptureState::Idle);
}

void TClient::ShowSoundLevel(bool recording) {
    sound_->ShowLevel(recording, recording ? recorder_->SoundLevels() : 0);
}

void TClient::SetPane(wxStaticText* pane, const std::string& text) {
    if (pane && pane->GetLabel() != text)
        pane->SetLabel(text);
}

void TClient::OnTimer(wxTimerEvent&) {
    Tick();
}

void TClient::Tick() {
    if (state_ == CaptureState::Recording)
        recorder_->Check();
    TickInputs in;
    in.dragging = display_->dragging();
    in.fileDisplayed = FileDisplayed();
    in.filePlaying = FilePlaying();
    in.fileIsVideo = FileIsVideo();
    in.captureState = state_;
    in.recordingRuns = RecordingRuns();
    TickDecision d = DecideTick(in);
    switch (d.step) {
    case TickStep::Nothing:
        break;
    case TickStep::StopPlayback:
        Stop();
        break;
    case TickStep::ShowPosition:
        display_->ShowPosition(FilePositionSeconds(), true);
        break;
    case TickStep::PostRecordTime:
        PostMessage(this, msg::RecordTime);
        break;
    case TickStep::ClearPosition:
        SetPane(controls_.positionPane, "");
        break;
    }
    if (d.readCaptureMode)
        ReadCaptureMode();

    ScheduleAction a = ScheduleActionFor(hooks_.scheduleCheck());
    if (a.kind == ScheduleAction::Start)
        recorder_->StartScheduled(a.event);
    else if (a.kind == ScheduleAction::Stop)
        recorder_->StopScheduled(a.event);
}

void TClient::ShowRecordingTime() {
    if (!RecordingRuns()) {
        SetPane(controls_.recordTimePane, "");
        ShowSoundLevel(false);
        return;
    }
    ShowSoundLevel(true);
    long long ms = recorder_->ElapsedMs();
    std::string text = RecordingTimeText(ms);
    if (!text.empty() && controls_.recordTimePane && controls_.recordTimePane->IsShown())
        SetPane(controls_.recordTimePane, text);
}

void TClient::ResetControls() {
    sound_->ResetMeter();
    if (controls_.positionSlider) {
        controls_.positionSlider->SetRange(0, 1000);
        controls_.positionSlider->SetValue(0);
    }
    sound_->ResetVolumeSlider();
    sound_->ShowVolumeSlider();
}

void TClient::ApplyMixerSettings() {
    sound_->ApplyMixerSettings();
}

SMixer* TClient::mixer() const {
    return sound_->mixer();
}

void TClient::LateInit() {
    sound_->ResetVolumeSlider();
    if (controls_.captureMode) {
        controls_.captureMode->Clear();
        controls_.captureMode->Append("Screen");
        controls_.captureMode->Append("Window");
        controls_.captureMode->Append("Rectangle");
        ShowCaptureMode();
    }
    ApplyMixerSettings();
}

void TClient::OnMessage(PrivateMessageEvent& e) {
    switch (e.message()) {
    case msg::Cam:
        RunCommand(id::Cam);
        break;
    case msg::MuteCommand:
        RunCommand(id::Mute);
        break;
    case msg::HotKeyRegion:
        RunCommand(id::SnapshotRegion);
        break;
    case msg::HotKeySnapshot:
        RunCommand(id::Snapshot);
        break;
    case msg::HotKeyVideo:
        RunCommand(HotKeyVideoStops(state_) ? id::StopRecording : id::RecordVideo);
        break;
    case msg::StopRecording:
        RunCommand(id::StopRecording);
        break;
    case msg::ResetControls:
        ResetControls();
        break;
    case msg::RecordTime:
        ShowRecordingTime();
        break;
    case msg::Layout:
        DoLayout();
        break;
    case msg::LateInit:
        LateInit();
        break;
    case msg::SliderScroll:
        if (firstSliderMessage_) {
            firstSliderMessage_ = false;
            ResetControls();
        }
        if (const wxEventType type = ScrollEventTypeFor(static_cast<int>(e.wParam()));
            type != wxEVT_NULL && controls_.positionSlider && controls_.positionPane) {
            // A scroll of the position slider: the scroll code and the position.
            wxScrollEvent scroll(type, controls_.positionSlider->GetId(),
                                 static_cast<int>(e.lParam()));
            scroll.SetEventObject(controls_.positionSlider);
            display_->OnPositionScroll(scroll);
        }
        break;
    case msg::MixerChange:
        sound_->FollowMixer();
        break;
    case msg::MediaEvent:
    default:
        e.Skip();
        break;
    }
}

void TClient::OnScroll(wxScrollEvent& e) {
    if (controls_.volumeSlider && e.GetEventObject() == controls_.volumeSlider) {
        int v = e.GetPosition();
        if (v >= 0 && v <= 100)
            sound_->SetLevel(v, display_->file());
        return;
    }
    if (controls_.positionSlider && e.GetEventObject() == controls_.positionSlider) {
        display_->OnPositionScroll(e);
        return;
    }
    e.Skip();
}

void TClient::OnSize(wxSizeEvent& e) {
    e.Skip();
    display_->FitToWindow();
}

void TClient::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    // The window's own background first, so nothing that lay over it (a closed dialog, a
    // tool tip) stays; then the displayed picture.
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    display_->Paint(dc);
}

} // namespace tess
