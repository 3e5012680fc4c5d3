#pragma once
// TClient: the main frame's client window. It holds the capture state and mode, receives
// every command of the menus, accelerators, bars and hot keys, and runs the 200 ms timer
// that drives the time displays, the end of playback and the schedule.
#include "audio/MeterLogic.h"
#include "capture/ClientLogic.h"
#include "capture/FileDisplay.h"
#include "resources/ui/Messages.h"

#include <functional>
#include <memory>
#include <string>
#include <wx/timer.h>
#include <wx/window.h>

class wxChoice;
class wxSlider;
class wxStaticText;
class wxControl;

namespace tess {

class DesktopServices;
class SMeter;
class SMixer;
class TMySlider;
class VideoFile;

struct CaptureRequest;

// The schedule's check, asked on every tick: 0 nothing, n > 0 start event n - 1, n < 0 stop
// event -n - 1. The live schedule's CheckSchedule unless replaced (null: always 0).
using ScheduleCheck = std::function<int()>;
void SetScheduleCheck(ScheduleCheck check);

// What a capture takes: the whole screen, a window the user clicks, or a rectangle the user
// drags (the order of the capture-mode box).
enum class CaptureTarget { Screen, Window, Region };

// The controls the client reads and drives; the bars that carry them are built by the frame
// side and registered here (any may be null).
struct ClientControls {
    wxChoice* captureMode = nullptr;    // 1839
    wxSlider* positionSlider = nullptr; // 1809, 0..1000
    TMySlider* volumeSlider = nullptr;  // 1818, 0..100
    SMeter* meter = nullptr;            // 116, the sound level while recording
    wxStaticText* positionPane = nullptr;
    wxStaticText* recordTimePane = nullptr;
};

class TClient : public wxWindow {
public:
    // Messages and the desktop's other services go through `desktop`, which outlives the
    // window.
    TClient(wxWindow* parent, DesktopServices& desktop);
    ~TClient() override;

    // Capture state (1 idle, 3 playing, 4 recording). Every change posts message 1394 to the
    // frame (the parent).
    int captureState() const;
    void SetCaptureState(int state);

    // Stops playback and any recording and the timer (the frame calls it when it closes, while
    // the derived work is still there; the destructor repeats it harmlessly).
    void Shutdown();

    // The client's answer when the program is asked to close (true: its children agree).
    virtual bool CanClose() { return true; }

    ClientView View() const;
    bool fullScreen() const { return fullScreen_; }
    bool timerRunning() const { return timer_.IsRunning(); }

    // The controls of the bars; call when a bar is made or removed.
    void SetControls(const ClientControls& c) { controls_ = c; }
    const ClientControls& controls() const { return controls_; }

    // Hooks the frame side fills: the playback bar's making and removal (command 28802) and
    // the frame's layout.
    std::function<void(bool show)> showPlaybackBar;
    std::function<bool()> playbackBarShown;
    // "Change effects...": the frame opens the "Capture Effects Options" sheet.
    std::function<void()> changeEffects;
    // Command 1832: the frame runs the record wizard.
    std::function<void()> recordWizard;

    // A snapshot or a recording of `target` written to `path` (empty: a name from the
    // pattern), as the snapshot and record commands take them; a recording is refused while
    // another runs.
    void StartChosenCapture(bool picture, CaptureTarget target, const std::string& path);

    // Runs command `id` as if it came from a menu (tests and the frame use this).
    void RunCommand(int id);
    // Opens and shows `path` (FileDisplay::Display).
    virtual void DisplayFile(const std::string& path) { display_->Display(path); }
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
    SMixer* mixer() const { return mixer_.get(); }

protected:
    // Work that other parts of the program supply. Empty here until they exist.
    // The snapshot commands (capture/ClientSnapshot.cpp).
    virtual void DoSnapshotScreen();
    virtual void DoSnapshotWindow();
    virtual void DoSnapshotRegion();
    // The record commands (capture/RecordingControl.cpp).
    virtual void DoRecordScreen();
    virtual void DoRecordWindow();
    virtual void DoRecordRegion();
    virtual void DoRecordSound();
    virtual void DoRecordWizard() {
        if (recordWizard)
            recordWizard();
    }
    // The display of files (capture/FileDisplay.h).
    virtual void DoPlay() { display_->Play(); }
    virtual void DoPlayHalfSpeed() { display_->PlayHalfSpeed(); }
    virtual void DoSkip(bool forward) { display_->Skip(forward); }
    virtual void DoOpenFile() { display_->OpenFile(); }
    virtual void DoOpenWith() { display_->OpenWith(); }
    virtual void DoSaveAs() { display_->SaveAs(); }
    virtual void DoProperties() { display_->Properties(); }
    virtual void DoPrint() { display_->Print(); }
    virtual void DoPrinterSetup() { display_->PrinterSetup(); }
    virtual void DoChangeEffects() {
        if (changeEffects)
            changeEffects();
    }
    virtual void DoLayout() { display_->LayoutFrame(false); }
    // Displayed file and recording queries.
    virtual bool FileDisplayed() const { return display_->displayed(); }
    virtual bool FileIsPicture() const { return display_->isPicture(); }
    virtual bool FilePlaying() const { return display_->playing(); }
    virtual bool FileIsVideo() const { return display_->isVideo(); }
    virtual long long FilePositionSeconds() const { return display_->positionSeconds(); }
    virtual void CloseDisplayedFile() { display_->Close(); }
    virtual bool RecordingRuns() const { return captureState() == kStateRecording; }
    virtual long long RecordingElapsedMs() const;
    virtual int RecordingSoundLevels() const;
    // Ends a running recording (the recording objects are stopped and the file finished).
    virtual void StopRecordingWork();
    // The schedule asked to start / stop event `index`.
    virtual void StartScheduledRecording(int index);
    virtual void StopScheduledRecording(int index);

    // Recording control (capture/RecordingControl.cpp). StartCapture makes the state
    // recording only when the recording runs, and otherwise shows why. StopCapture stops it,
    // makes the state idle and, with `display` and DisplayOpenAuto on, displays the file.
    bool StartCapture(CaptureRequest request);
    // The record commands with a chosen file name (empty: a name from the pattern).
    void RecordScreen(const std::string& path);
    void RecordWindow(const std::string& path);
    void RecordRegion(const std::string& path);
    void StopCapture(bool display);
    // On each tick while recording: a recording whose file cannot be written any further
    // (a full disk) is stopped and the reason shown.
    void CheckRecording();

private:
    void OnCommand(wxCommandEvent& e);
    void OnUpdateUi(wxUpdateUIEvent& e);
    void OnTimer(wxTimerEvent& e);
    void OnMessage(PrivateMessageEvent& e);
    void OnSize(wxSizeEvent& e);
    void OnPaint(wxPaintEvent& e);
    void OnScroll(wxScrollEvent& e);

    void Tick();
    void ReadCaptureMode();
    void ShowCaptureMode();
    void Snapshot();
    void RecordVideo();
    void StopRecording();
    void Stop();
    void ToggleMute();
    void StepVolume(int delta);
    void ApplySoundLevel();
    // Message 977: the sound level follows the mixer's speakers line.
    void FollowMixer();
    // The level meter: the recording's input level, or zero.
    void ShowSoundLevel(bool recording);
    void ShowRecordingTime();
    void ResetControls();
    void ShowVolumeSlider();
    void LateInit();
    void SetPane(wxStaticText* pane, const std::string& text);

    DesktopServices& desktop_;
    wxTimer timer_;
    ClientControls controls_;
    std::unique_ptr<FileDisplay> display_;
    // The mixer, present while ChangeMixer is on and it could be opened.
    std::unique_ptr<SMixer> mixer_;
    std::string mixerDevice_; // the WaveInDriver the mixer was opened for
    MeterUpdater meterUpdater_;
    bool fullScreen_ = false;
    bool firstSliderMessage_ = true;
    // The capture mode the mode box last showed or gave (-1 before it is filled).
    int shownCapSelect_ = -1;
    int scheduleEvent_ = -1;
    std::string scheduleEventName_;

    wxDECLARE_EVENT_TABLE();
};

// Calls the optional capture plug-in next to the executable ("grabsrc.so"): when it loads
// and exports DllRegisterServer, that is called once. Returns true when it was called.
bool RegisterCapturePlugin(const std::string& directory);

} // namespace tess
