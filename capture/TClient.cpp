#include "capture/TClient.h"

#include "audio/ui/Sliders.h"
#include "capture/CapturePlugin.h"
#include "capture/ClientCommands.h"
#include "capture/ClientSnapshot.h"
#include "capture/ClientSound.h"
#include "capture/DisplayLogic.h"
#include "capture/ExportControl.h"
#include "capture/MainGroup.h"
#include "capture/Recording.h"
#include "capture/RecordingController.h"
#include "capture/SelectR.h"
#include "capture/SnapshotPipeline.h"
#include "capture/TextCapture.h"
#include "media/VideoFile.h"
#include "platform/DesktopServices.h"
#include "platform/gtk/Desktop.h"
#include "resources/Ids.h"
#include "schedule/Schedule.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <unistd.h>
#include <unordered_map>
#include <wx/slider.h>
#include <wx/stattext.h>

namespace tess {

namespace {

// Runs an optional hook.
void Call(const std::function<void()>& hook) {
    if (hook)
        hook();
}

} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(TClient, wxWindow)
    EVT_TIMER(id::ClientTimer, TClient::OnTimer)
    EVT_PRIVATE_MESSAGE(TClient::OnMessage)
wxEND_EVENT_TABLE();
// clang-format on

TClient::TClient(wxWindow* parent, DesktopServices& desktop, ClientHooks hooks)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      desktop_(desktop), hooks_(std::move(hooks)), timer_(this, id::ClientTimer) {
    if (!hooks_.scheduleCheck)
        hooks_.scheduleCheck = [this] { return CheckSchedule(desktop_.now()); };
    RecordingLinks links;
    links.state = [this] { return state_; };
    links.setState = [this](CaptureState state) { RecordingStateChanged(state); };
    links.display = [this](const std::string& path) { DisplayFile(path); };
    links.finished = [this](const std::string& path) { exports_->RecordingFinished(path); };
    links.prepare = [this] { sound_->PrepareForRecording(hooks_.prepareMixer); };
    links.selectWindow = [this](WindowId* w) { return SelectWindow(w); };
    links.selectRectangle = [this](ScreenRect* r) { return SelectRectangle(r); };
    links.pausedChanged = [this] {
        RebuildTitle();      // "(Paused)" after the recording's name
        Call(pausedChanged); // the frame's tray tip
        ShowRecordingTime();
    };
    display_ =
        std::make_unique<FileDisplay>(this, desktop_, controls_, FileDisplay::ForClient(*this));
    sound_ = std::make_unique<ClientSound>(controls_, this, [this] { return display_->file(); });
    recorder_ = std::make_unique<RecordingController>(desktop_, this, std::move(links));
    exports_ = std::make_unique<ExportControl>(this, desktop_);
    text_ = std::make_unique<TextCapture>(this, desktop_);
    RegisterCapturePlugin(ExecutableDir());
    for (int cmd : ClientCommandIds()) {
        Bind(wxEVT_MENU, &TClient::OnCommand, this, cmd);
        Bind(wxEVT_UPDATE_UI, &TClient::OnUpdateUi, this, cmd);
    }
    for (const auto& type : {wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE,
                             wxEVT_SCROLL_CHANGED, wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN})
        Bind(type, &TClient::OnScroll, this);

    // Set-up: the latest directory becomes the current one, the timer starts, the rest
    // of the initialisation runs once the window exists (message 1162).
    const std::string& latest = GlobalSettings().latestDirectory;
    if (!latest.empty() && chdir(latest.c_str()) != 0) {
        // A directory that is gone leaves the current directory as it is.
    }
    if (!timer_.Start(id::ClientTimerPeriodMs))
        desktop_.message(
            _("Timer error: the window's 200 ms timer could not be started.\n(EvTimer)")
                .utf8_string(),
            "Tessaray", MessageKind::Error);
    PostMessage(this, msg::LateInit, 1, 2);
}

TClient::~TClient() {
    Shutdown();
}

void TClient::SetControls(const ClientControls& c) {
    controls_ = c;
    if (display_)
        display_->ShowStrip();
}

void TClient::Shutdown() {
    if (state_ == CaptureState::Recording)
        recorder_->Abandon();
    display_->Close();
    exports_.reset(); // a running export is cancelled
    text_.reset();    // and a reading of text
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
    sound_->ShowLevel(false, 0);
    PostMessage(this, msg::RecordTime);
    SetPane(controls_.recordTimePane, "");
    if (state_ != state)
        SetCaptureState(state);
    RebuildTitle(); // without the recording's name
}

bool TClient::SelectWindow(WindowId* window) {
    if (control_.callerGone())
        return false; // nobody waits for the choice any more
    return hooks_.selectWindow ? hooks_.selectWindow(window)
                               : RunSelectR(this, desktop_, nullptr, window);
}

bool TClient::SelectRectangle(ScreenRect* rect) {
    if (control_.callerGone())
        return false;
    const bool chosen = hooks_.selectRectangle ? hooks_.selectRectangle(rect)
                                               : RunSelectR(this, desktop_, rect, nullptr);
    // Every rectangle the user chooses becomes the last region, kept at once so that the
    // command line finds it while this program still runs.
    if (chosen && !rect->empty()) {
        GlobalSettings().lastRegion = LastRegionText(*rect);
        Call(lastRegionChosen);
    }
    return chosen;
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

std::optional<ScreenRect> TClient::LastRegion() const {
    const std::string& text = GlobalSettings().lastRegion;
    ScreenConnection* screen = text.empty() ? nullptr : WindowThreadScreen();
    return screen ? UsableLastRegion(text, screen->desktopRect()) : std::nullopt;
}

ClientView TClient::ViewFor(int cmd) const {
    ClientView v = View();
    // Asking the X server costs a round trip: only for the commands that need it.
    if (cmd == id::SnapshotLastRegion || cmd == id::RecordLastRegion)
        v.lastRegionUsable = LastRegion().has_value();
    return v;
}

bool TClient::RecordingIsPaused() const {
    return RecordingRuns() && RecordingPaused();
}

ClientView TClient::View() const {
    ClientView v;
    v.captureState = captureState();
    v.fileDisplayed = display_->displayed();
    v.fileIsPicture = display_->isPicture();
    v.fileShowsPicture = display_->canCopy();
    if (v.fileDisplayed && !v.fileIsPicture) {
        const std::string ext = LowerCase(FileExtension(display_->file()->fileName()));
        v.fileIsRecording = ext == "wmv" || ext == "wma" || ext == "asf";
        v.markSet = display_->marks().markSet();
        v.selection = display_->marks().selection();
    }
    v.recordingRuns = RecordingRuns();
    v.recordingPaused = RecordingPaused();
    v.fullScreen = fullScreen_;
    v.playbackBarShown = playbackBarShown ? playbackBarShown() : GlobalSettings().playbackBarShown;
    v.readingText = text_ && text_->running();
    v.settings = &GlobalSettings();
    return v;
}

void TClient::OnUpdateUi(wxUpdateUIEvent& e) {
    CommandUi ui = CommandUiFor(e.GetId(), ViewFor(e.GetId()));
    if (!ui.known) {
        e.Skip();
        return;
    }
    e.Enable(ui.enabled);
    if (ui.checkable)
        e.Check(ui.checked);
    if (!ui.text.empty())
        e.SetText(wxString::FromUTF8(ui.text));
}

void TClient::OnCommand(wxCommandEvent& e) {
    RunCommand(e.GetId());
}

void TClient::RunCommand(int cmd) {
    // Commands reached by accelerators are not greyed: check the enabler first.
    CommandUi ui = CommandUiFor(cmd, ViewFor(cmd));
    if (!ui.known || !ui.enabled)
        return;
    RunClientCommandWork(*this, cmd);
}

void TClient::SetFullScreen(bool on) {
    fullScreen_ = on;
    display_->LayoutFrame(!on); // out of full screen: fit the file
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

void TClient::OnTimer(wxTimerEvent&) {
    if (exports_)
        exports_->Poll();
    display_->StopAtOut();
    if (text_)
        text_->Poll();
    if (state_ == CaptureState::Recording)
        recorder_->Check();
    TickInputs in = display_->tickInputs();
    in.captureState = state_;
    in.recordingRuns = RecordingRuns();
    const TickDecision d = DecideTick(in);
    if (d.step == TickStep::StopPlayback)
        Stop();
    else if (d.step == TickStep::ShowPosition)
        display_->ShowPosition(display_->positionSeconds(), true);
    else if (d.step == TickStep::PostRecordTime)
        PostMessage(this, msg::RecordTime);
    else if (d.step == TickStep::ClearPosition)
        SetPane(controls_.positionPane, display_->frameTimeText());
    if (d.readCaptureMode)
        modeBox_.Read();

    ScheduleAction a = ScheduleActionFor(hooks_.scheduleCheck());
    if (a.kind == ScheduleAction::Start)
        recorder_->StartScheduled(a.event);
    else if (a.kind == ScheduleAction::Stop)
        recorder_->StopScheduled(a.event);
}

void TClient::ShowRecordingTime() {
    // The pane is cleared when no recording runs, and shows the time only while it is shown.
    const bool runs = RecordingRuns();
    wxStaticText* pane = controls_.recordTimePane;
    const std::string text = runs ? RecordingTimeText(recorder_->ElapsedMs()) : "";
    if (!runs || (!text.empty() && pane && pane->IsShown()))
        SetPane(pane, text);
    sound_->ShowLevel(runs, runs ? recorder_->SoundLevels() : 0); // the recording's input
}

void TClient::ResetControls() {
    display_->ResetSlider();
    sound_->ResetControls();
}

void TClient::ApplyMixerSettings() {
    sound_->ApplyMixerSettings();
}

SMixer* TClient::mixer() const {
    return sound_->mixer();
}

void TClient::LateInit() {
    sound_->ResetVolumeSlider();
    modeBox_.Fill();
    ApplyMixerSettings();
}

void TClient::OnMessage(PrivateMessageEvent& e) {
    using Msg = const PrivateMessageEvent&;
    using Work = void (*)(TClient&, Msg);
    static const std::unordered_map<int, Work> work = {
        {msg::Cam, [](TClient& c, Msg) { c.RunCommand(id::Cam); }},
        {msg::MuteCommand, [](TClient& c, Msg) { c.RunCommand(id::Mute); }},
        {msg::HotKeyRegion, [](TClient& c, Msg) { c.RunCommand(id::SnapshotRegion); }},
        {msg::HotKeySnapshot, [](TClient& c, Msg) { c.RunCommand(id::Snapshot); }},
        {msg::HotKeyText, [](TClient& c, Msg) { c.RunCommand(id::CopyTextFromRegion); }},
        {msg::HotKeyVideo,
         [](TClient& c, Msg) {
             c.RunCommand(HotKeyVideoStops(c.state_) ? id::StopRecording : id::RecordVideo);
         }},
        {msg::StopRecording, [](TClient& c, Msg) { c.RunCommand(id::StopRecording); }},
        {msg::ResetControls, [](TClient& c, Msg) { c.ResetControls(); }},
        {msg::RecordTime, [](TClient& c, Msg) { c.ShowRecordingTime(); }},
        {msg::Layout, [](TClient& c, Msg) { c.DoLayout(); }},
        {msg::LateInit, [](TClient& c, Msg) { c.LateInit(); }},
        {msg::SliderScroll,
         [](TClient& c, Msg m) {
             if (c.firstSliderMessage_) {
                 c.firstSliderMessage_ = false;
                 c.ResetControls();
             }
             c.display_->OnPositionMessage(m.wParam(), m.lParam());
         }},
        {msg::MixerChange, [](TClient& c, Msg) { c.sound_->FollowMixer(); }},
    };
    if (auto it = work.find(e.message()); it != work.end())
        it->second(*this, e);
    else
        e.Skip(); // msg::MediaEvent among them
}

void TClient::OnScroll(wxScrollEvent& e) {
    if (controls_.volumeSlider && e.GetEventObject() == controls_.volumeSlider)
        sound_->SetLevel(e.GetPosition());
    else if (controls_.positionSlider && e.GetEventObject() == controls_.positionSlider)
        display_->OnPositionScroll(e);
    else
        e.Skip();
}

} // namespace tess
