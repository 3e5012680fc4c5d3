#pragma once
// TClient: the main frame's client window. It holds the capture state and mode, receives
// every command of the menus, accelerators, bars and hot keys and routes it to its work
// (capture/ClientCommands.h), and runs the 200 ms timer that drives the time displays, the
// end of playback and the schedule.
#include "audio/MeterLogic.h"
#include "capture/CaptureModeBox.h"
#include "capture/ClientControl.h"
#include "capture/ClientLogic.h"
#include "capture/FileDisplay.h"
#include "platform/x11/Screen.h"
#include "resources/ui/Messages.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <wx/timer.h>
#include <wx/window.h>

class wxChoice;
class wxSlider;
class wxStaticText;
class wxControl;

namespace tess {

class ClientSound;
class ExportControl;
class DesktopServices;
class RangeStrip;
class RecordingController;
class SMeter;
class SMixer;
class TextCapture;
class TMySlider;
class VideoFile;

// The parts of the client's work that may be handed in; an empty member takes the real one.
struct ClientHooks {
    // The user's choice of a window or a rectangle to capture (SelectR over the frame);
    // false when cancelled.
    std::function<bool(WindowId*)> selectWindow;
    std::function<bool(ScreenRect*)> selectRectangle;
    // The recording start's mixer step (select MixerInput, raise a recording level below
    // 90 to 110), done on the open mixer.
    std::function<void()> prepareMixer;
    // The schedule's check, asked on every tick: 0 nothing, n > 0 start event n - 1, n < 0
    // stop event -n - 1 (the live schedule's CheckSchedule).
    std::function<int()> scheduleCheck;
};

// The controls the client reads and drives; the bars that carry them are built by the frame
// side and registered here (any may be null).
struct ClientControls {
    wxChoice* captureMode = nullptr;    // 1839
    wxSlider* positionSlider = nullptr; // 1809, 0..1000
    RangeStrip* rangeStrip = nullptr;   // the marks, under the position slider
    TMySlider* volumeSlider = nullptr;  // 1818, 0..100
    SMeter* meter = nullptr;            // 116, the sound level while recording
    wxStaticText* positionPane = nullptr;
    wxStaticText* recordTimePane = nullptr;
};

class TClient : public wxWindow {
public:
    // Messages, waits, sounds and the desktop's viewer go through `desktop`, which outlives
    // the window.
    TClient(wxWindow* parent, DesktopServices& desktop, ClientHooks hooks = {});
    ~TClient() override;

    DesktopServices& desktop() const { return desktop_; }
    // The choosers of a window and a rectangle (the hooks', or SelectR over the frame). A
    // chosen rectangle becomes the last region. None is offered for a --control request whose
    // caller has gone.
    bool SelectWindow(WindowId* window);
    bool SelectRectangle(ScreenRect* rect);

    // Capture state. Every change posts message 1394 to the frame (the parent) with its
    // number.
    CaptureState captureState() const { return state_; }
    void SetCaptureState(CaptureState state);
    // The capture mode: the mode box's choice, kept in CapSelect.
    CaptureMode captureMode() const { return CaptureModeOf(GlobalSettings().capSelect); }

    // Stops playback and any recording and the timer (the frame calls it when it closes, while
    // the derived work is still there; the destructor repeats it harmlessly).
    void Shutdown();

    // The client's answer when the program is asked to close (empty: it agrees).
    std::function<bool()> canClose;

    ClientView View() const;
    // The view for command `cmd` (with the last region's check where the command needs it).
    ClientView ViewFor(int cmd) const;
    // The stored last region when it lies within the screen.
    std::optional<ScreenRect> LastRegion() const;
    bool RecordingRuns() const { return state_ == CaptureState::Recording; }
    // The running recording is paused ("P&ause Recording").
    bool RecordingIsPaused() const;
    bool fullScreen() const { return fullScreen_; }
    bool timerRunning() const { return timer_.IsRunning(); }

    // The controls of the bars; call when a bar is made or removed.
    void SetControls(const ClientControls& c);
    const ClientControls& controls() const { return controls_; }

    // Hooks the frame side fills: the playback bar's making and removal (command 28802) and
    // the frame's layout.
    std::function<void(bool show)> showPlaybackBar;
    std::function<bool()> playbackBarShown;
    // "Change effects...": the frame opens the "Capture Effects Options" sheet.
    std::function<void()> changeEffects;
    // Command 1832: the frame runs the record wizard.
    std::function<void()> recordWizard;
    // The recording was paused or resumed: the frame's tray tip follows.
    std::function<void()> pausedChanged;
    // The user chose a rectangle (now the settings' last region): the frame stores it.
    std::function<void()> lastRegionChosen;

    // A snapshot or a recording of `target` written to `path` (empty: a name from the
    // pattern), as the snapshot and record commands take them; a recording is refused while
    // another runs.
    void StartChosenCapture(bool picture, CaptureMode target, const std::string& path);

    // Runs command `id` as if it came from a menu (tests and the frame use this), once its
    // enabler agrees.
    void RunCommand(int id);
    // A request from outside (the command line's --control), capture/ClientControl.h.
    void Control(std::shared_ptr<ControlCall> call) { control_.Take(std::move(call)); }
    // "&Stop": playback and a running recording stop (nothing is displayed), the state
    // becomes idle.
    void Stop();
    // Into or out of full screen (out of it the frame fits the file again).
    void SetFullScreen(bool on);
    // The frame's layout for what is displayed.
    void DoLayout() { display_->LayoutFrame(false); }
    // The parts the commands work on.
    RecordingController& recorder() const { return *recorder_; }
    ClientSound& sound() const { return *sound_; }
    CaptureModeBox& modeBox() { return modeBox_; }
    // Opens and shows `path` (FileDisplay::Display).
    void DisplayFile(const std::string& path) { display_->Display(path); }
    // The exports of recordings ("Export..." and the copies AutoExport asks for).
    ExportControl& exports() const { return *exports_; }
    // The reading of text off the screen ("Copy Text from Region...", "Copy Text").
    TextCapture& text() const { return *text_; }
    // The display of files, and the displayed file (null when none).
    FileDisplay& display() const { return *display_; }
    VideoFile* displayedFile() const { return display_->file(); }
    // Told of every file displayed (the frame keeps its recently-used list).
    std::function<void(const std::string& path)> fileShown;
    // The frame's title and the duration and position panes for what is displayed.
    void RebuildTitle() { display_->RebuildTitle(); }
    // At start-up and after the preferences or a settings file changed the settings: the
    // mixer is opened while ChangeMixer is on (anew when the input device changed) and
    // dropped when it is off, and the volume slider is shown only while it is on.
    void ApplyMixerSettings();
    // The open mixer (null when none).
    SMixer* mixer() const;

private:
    void OnCommand(wxCommandEvent& e);
    void OnUpdateUi(wxUpdateUIEvent& e);
    void OnTimer(wxTimerEvent& e);
    void OnMessage(PrivateMessageEvent& e);
    void OnScroll(wxScrollEvent& e);

    // The recording's start and stop as the window shows them.
    void RecordingStateChanged(CaptureState state);
    void ShowRecordingTime();
    void ResetControls();
    void LateInit();

    DesktopServices& desktop_;
    ClientHooks hooks_;
    CaptureState state_ = CaptureState::Idle;
    std::unique_ptr<RecordingController> recorder_;
    wxTimer timer_;
    ClientControls controls_;
    CaptureModeBox modeBox_{controls_};
    std::unique_ptr<FileDisplay> display_;
    // "Export..." and the copies after recordings.
    std::unique_ptr<ExportControl> exports_;
    std::unique_ptr<TextCapture> text_;
    // The mixer, present while ChangeMixer is on and it could be opened.
    std::unique_ptr<ClientSound> sound_;
    bool fullScreen_ = false;
    bool firstSliderMessage_ = true;
    // The --control requests, one at a time.
    ControlRequests control_{*this};

    wxDECLARE_EVENT_TABLE();
};

} // namespace tess
