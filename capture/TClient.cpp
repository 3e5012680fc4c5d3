#include "capture/TClient.h"

#include "audio/MixerUse.h"
#include "audio/SMixer.h"
#include "audio/ui/Gauges.h"
#include "audio/ui/Sliders.h"
#include "capture/Recording.h"
#include "media/Effects.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "platform/gtk/Desktop.h"
#include "resources/Ids.h"
#include "schedule/Schedule.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <dlfcn.h>
#include <unistd.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/msgdlg.h>
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

ScheduleCheck& TheScheduleCheck() {
    static ScheduleCheck check = CheckSchedule;
    return check;
}

} // namespace

void SetScheduleCheck(ScheduleCheck check) {
    TheScheduleCheck() = std::move(check);
}

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

TClient::TClient(wxWindow* parent, DesktopServices& desktop)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      desktop_(desktop), timer_(this, id::ClientTimer) {
    FileDisplay::Hooks hooks;
    hooks.runCommand = [this](int cmd) { RunCommand(cmd); };
    hooks.playing = [this] { SetCaptureState(kStatePlaying); };
    hooks.shown = [this] {
        if (captureState() != kStatePlaying)
            SetCaptureState(captureState());
    };
    hooks.recordingFile = [this]() -> std::optional<std::string> {
        if (!RecordingRuns())
            return std::nullopt;
        return RecordingFileName();
    };
    hooks.fullScreen = [this] { return fullScreen_; };
    hooks.showPlaybackBar = [this](bool show) {
        if (showPlaybackBar)
            showPlaybackBar(show);
    };
    hooks.playbackBarShown = [this] { return playbackBarShown && playbackBarShown(); };
    hooks.fileShown = [this](const std::string& path) {
        if (fileShown)
            fileShown(path);
    };
    display_ = std::make_unique<FileDisplay>(this, desktop_, controls_, std::move(hooks));
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
        wxMessageBox("Timer error: the window's 200 ms timer could not be started.\n(EvTimer)",
                     "Tessaray", wxOK | wxICON_ERROR);
    PostMessage(this, msg::LateInit, 1, 2);
}

TClient::~TClient() {
    Shutdown();
}

void TClient::Shutdown() {
    // Stop playback and recording, then the timer.
    if (captureState() == kStateRecording)
        StopRecordingWork();
    CloseDisplayedFile();
    GlobalSettings().captureState = kStateIdle;
    timer_.Stop();
}

int TClient::captureState() const {
    return GlobalSettings().captureState;
}

void TClient::SetCaptureState(int state) {
    GlobalSettings().captureState = state;
    PostMessage(GetParent() ? GetParent()->GetEventHandler() : nullptr, msg::StateIcons, state);
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
    Settings& s = GlobalSettings();
    // Commands reached by accelerators are not greyed: check the enabler first.
    CommandUi ui = CommandUiFor(cmd, View());
    if (!ui.known || !ui.enabled)
        return;
    switch (cmd) {
    case id::Screen:
    case id::Window:
    case id::Rectangle:
        s.capSelect = cmd == id::Screen   ? kCapScreen
                      : cmd == id::Window ? kCapWindow
                                          : kCapRectangle;
        ShowCaptureMode();
        break;
    case id::Snapshot:
        Snapshot();
        break;
    case id::SnapshotScreen:
        DoSnapshotScreen();
        break;
    case id::SnapshotWindow:
        DoSnapshotWindow();
        break;
    case id::SnapshotRegion:
        DoSnapshotRegion();
        break;
    case id::FormatJpg:
        s.imageFormat = StoredValue(ImageFormat::kJpeg);
        break;
    case id::FormatPng:
        s.imageFormat = StoredValue(ImageFormat::kPng);
        break;
    case id::FormatBmp:
        s.imageFormat = StoredValue(ImageFormat::kBmp);
        break;
    case id::FormatGif:
        s.imageFormat = StoredValue(ImageFormat::kGif);
        break;
    case id::DelaySnapshot:
        s.captureDelay = !s.captureDelay;
        s.threeSecondDelay = s.captureDelay;
        break;
    case id::RecordVideo:
        RecordVideo();
        break;
    case id::RecordScreen:
        DoRecordScreen();
        break;
    case id::RecordWindow:
        DoRecordWindow();
        break;
    case id::RecordRegion:
        DoRecordRegion();
        break;
    case id::RecordSound:
        DoRecordSound();
        break;
    case id::RecordWizard:
        DoRecordWizard();
        break;
    case id::StopRecording:
        StopRecording();
        break;
    case id::Play:
        DoPlay();
        break;
    case id::Stop:
        Stop();
        break;
    case id::TogglePlay:
        if (captureState() == kStatePlaying)
            Stop();
        else
            DoPlay();
        break;
    case id::PlayHalfSpeed:
        DoPlayHalfSpeed();
        break;
    case id::SkipForward:
        DoSkip(true);
        break;
    case id::SkipBackward:
        DoSkip(false);
        break;
    case id::FullScreen:
        fullScreen_ = !fullScreen_;
        // Back from full screen the frame fits the file again.
        display_->LayoutFrame(!fullScreen_);
        break;
    case id::Mute:
    case id::Mute2:
        ToggleMute();
        break;
    case id::VolumeUp:
        StepVolume(+10);
        break;
    case id::VolumeDown:
        StepVolume(-10);
        break;
    case id::Caption:
    case id::CaptionButton:
        s.capEnable = !s.capEnable;
        break;
    case id::Scale:
        s.scaleEnable = !s.scaleEnable;
        break;
    case id::ChangeEffects:
        DoChangeEffects();
        break;
    case id::PlaybackBar: {
        bool shown = View().playbackBarShown;
        s.playbackBarShown = !shown;
        if (showPlaybackBar)
            showPlaybackBar(!shown);
        break;
    }
    case id::SecondToolBar:
        s.secondToolBarShown = !s.secondToolBarShown;
        break;
    case id::FileOpen:
        DoOpenFile();
        break;
    case id::FileOpenWith:
        DoOpenWith();
        break;
    case id::FileSaveAs:
        DoSaveAs();
        break;
    case id::FileClose:
        Stop();
        CloseDisplayedFile();
        s.playbackBarShown = false;
        if (showPlaybackBar)
            showPlaybackBar(false);
        RebuildTitle();
        DoLayout();
        break;
    case id::FileProperties:
        DoProperties();
        break;
    case id::FilePrint:
        DoPrint();
        break;
    case id::PrinterSetup:
        DoPrinterSetup();
        break;
    default:
        ToggleEffect(s.effects, cmd); // nothing for a command that is no effect switch
        // 1800 and the accepted commands without work end here.
        break;
    }
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

void TClient::Snapshot() {
    ReadCaptureMode();
    switch (GlobalSettings().capSelect) {
    case kCapWindow:
        DoSnapshotWindow();
        break;
    case kCapRectangle:
        DoSnapshotRegion();
        break;
    default:
        DoSnapshotScreen();
        break;
    }
}

void TClient::RecordVideo() {
    ReadCaptureMode();
    // The displayed file goes as "&Close" takes it: its name leaves the title and the
    // playback bar goes.
    if (FileDisplayed())
        RunCommand(id::FileClose);
    switch (GlobalSettings().capSelect) {
    case kCapWindow:
        DoRecordWindow();
        break;
    case kCapRectangle:
        DoRecordRegion();
        break;
    default:
        DoRecordScreen();
        break;
    }
}

void TClient::StopRecording() {
    if (captureState() != kStateRecording)
        return;
    StopCapture(true);
}

void TClient::Stop() {
    display_->Stop();
    if (captureState() == kStateRecording)
        StopCapture(false); // the meters, panes and title follow; nothing is displayed
    scheduleEvent_ = -1;
    SetPane(controls_.recordTimePane, "");
    if (captureState() != kStateIdle)
        SetCaptureState(kStateIdle);
}

void TClient::ToggleMute() {
    GlobalSettings().mute = !GlobalSettings().mute;
    ApplySoundLevel();
}

void TClient::StepVolume(int delta) {
    Settings& s = GlobalSettings();
    s.soundLevel = StepSoundLevel(s.soundLevel, delta);
    ApplySoundLevel();
    if (controls_.volumeSlider)
        controls_.volumeSlider->SetValue(s.soundLevel);
}

void TClient::ApplySoundLevel() {
    // The displayed file plays at the level (muted or not); the mixer's speakers line
    // takes it too.
    const Settings& s = GlobalSettings();
    if (VideoFile* file = display_->file()) {
        file->SetMute(s.mute);
        file->SetVolume(s.soundLevel);
    }
    ApplyVolumeToMixer(mixer_.get(), s);
}

void TClient::FollowMixer() {
    int v = VolumeAfterMixerChange(mixer_.get(), GlobalSettings());
    if (v < 0)
        return;
    GlobalSettings().soundLevel = v;
    if (controls_.volumeSlider)
        controls_.volumeSlider->SetValue(v);
}

void TClient::ShowSoundLevel(bool recording) {
    if (!controls_.meter)
        return;
    if (recording)
        meterUpdater_.Update(*controls_.meter, RecordingSoundLevels(), 1);
    else
        meterUpdater_.Clear(*controls_.meter);
}

void TClient::SetPane(wxStaticText* pane, const std::string& text) {
    if (pane && pane->GetLabel() != text)
        pane->SetLabel(text);
}

void TClient::OnTimer(wxTimerEvent&) {
    Tick();
}

void TClient::Tick() {
    if (captureState() == kStateRecording)
        CheckRecording();
    TickInputs in;
    in.dragging = display_->dragging();
    in.fileDisplayed = FileDisplayed();
    in.filePlaying = FilePlaying();
    in.fileIsVideo = FileIsVideo();
    in.captureState = captureState();
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

    int answer = TheScheduleCheck() ? TheScheduleCheck()() : 0;
    ScheduleAction a = ScheduleActionFor(answer);
    if (a.kind == ScheduleAction::Start) {
        scheduleEvent_ = a.event;
        StartScheduledRecording(a.event);
    } else if (a.kind == ScheduleAction::Stop) {
        StopScheduledRecording(a.event);
    }
}

void TClient::ShowRecordingTime() {
    if (!RecordingRuns()) {
        SetPane(controls_.recordTimePane, "");
        ShowSoundLevel(false);
        return;
    }
    ShowSoundLevel(true);
    long long ms = RecordingElapsedMs();
    std::string text = RecordingTimeText(ms);
    if (!text.empty() && controls_.recordTimePane && controls_.recordTimePane->IsShown())
        SetPane(controls_.recordTimePane, text);
}

void TClient::ResetControls() {
    if (controls_.meter) {
        controls_.meter->SetRange(0, 100);
        controls_.meter->SetLed(5, 80);
        meterUpdater_.Clear(*controls_.meter);
    }
    if (controls_.positionSlider) {
        controls_.positionSlider->SetRange(0, 1000);
        controls_.positionSlider->SetValue(0);
    }
    if (controls_.volumeSlider) {
        controls_.volumeSlider->SetRange(0, 100);
        controls_.volumeSlider->SetValue(GlobalSettings().soundLevel);
    }
    ShowVolumeSlider();
}

void TClient::ShowVolumeSlider() {
    wxWindow* slider = controls_.volumeSlider;
    if (!slider || slider->IsShown() == GlobalSettings().changeMixer)
        return;
    slider->Show(GlobalSettings().changeMixer);
    if (auto* bar = wxDynamicCast(slider->GetParent(), wxToolBar))
        bar->Realize();
}

void TClient::ApplyMixerSettings() {
    const Settings& s = GlobalSettings();
    // A mixer belongs to one input device's card.
    if (mixer_ && s.waveInDriver != mixerDevice_)
        mixer_.reset();
    // The mixer's thread only queues the message for the window.
    UpdateMixerFromSettings(mixer_, s, [this] { PostMessage(this, kMsgMixerControlChange); });
    mixerDevice_ = s.waveInDriver;
    ShowVolumeSlider();
}

void TClient::LateInit() {
    if (controls_.volumeSlider) {
        controls_.volumeSlider->SetRange(0, 100);
        controls_.volumeSlider->SetValue(GlobalSettings().soundLevel);
    }
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
        RunCommand(HotKeyVideoStops(captureState()) ? id::StopRecording : id::RecordVideo);
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
        FollowMixer();
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
        if (v >= 0 && v <= 100) {
            GlobalSettings().soundLevel = v;
            ApplySoundLevel();
        }
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
